#include "Ducker.h"
#include "OutputLimiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
double dbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}

struct RateCase
{
    double rate;
    int lookahead;
    int lineSize;
};

class DuckerLookahead : public testing::TestWithParam<RateCase>
{
};

TEST_P(DuckerLookahead, DelaysTheWetPathByFiveMilliseconds)
{
    const auto [rate, lookahead, lineSize] = GetParam();
    Ducker d;
    d.prepare(rate);
    EXPECT_EQ(d.lookahead, lookahead);
    EXPECT_EQ(d.lineSize, lineSize);

    const int n = 2 * lookahead + 10;
    std::vector<double> key(static_cast<size_t>(n), 0.0), left(static_cast<size_t>(n), 0.0), right(left);
    left[3] = 1.0;
    right[5] = -1.0;
    d.process(key.data(), key.data(), left.data(), right.data(), n, 0.0f);
    for (int i = 0; i < n; ++i)
    {
        EXPECT_EQ(left[static_cast<size_t>(i)], i == 3 + lookahead ? 1.0 : 0.0) << i;
        EXPECT_EQ(right[static_cast<size_t>(i)], i == 5 + lookahead ? -1.0 : 0.0) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, DuckerLookahead,
                         testing::Values(RateCase { 44100.0, 221, 225 }, RateCase { 48000.0, 240, 244 },
                                         RateCase { 96000.0, 480, 484 }, RateCase { 100.0, 1, 5 }));

// Runs a steady key for `seconds` against a steady wet signal of 1 and
// returns the last wet gain.
double duckedGain(double keyLevel, float amount, double seconds = 3.0, Ducker* out = nullptr)
{
    Ducker d;
    d.prepare(48000.0);
    const int n = 480;
    std::vector<double> key(static_cast<size_t>(n), keyLevel), wet(static_cast<size_t>(n), 1.0), wetR(wet);
    for (int block = 0; block < static_cast<int>(seconds * 100.0); ++block)
    {
        std::fill(wet.begin(), wet.end(), 1.0);
        std::fill(wetR.begin(), wetR.end(), 1.0);
        d.process(key.data(), key.data(), wet.data(), wetR.data(), n, amount);
    }
    if (out != nullptr)
        *out = d;
    return wet.back();
}

TEST(Ducker, ReachesItsFullReductionForASteadyKeyAboveTheKnee)
{
    Ducker d;
    const double gain = duckedGain(dbToGain(-20.0), 1.0f, 5.0, &d);
    EXPECT_NEAR(d.targetReductionDb(dbToGain(-20.0)), 36.0, 1e-9);
    EXPECT_NEAR(20.0 * std::log10(gain), -36.0, 0.1);
}

struct KneeCase
{
    double keyDb;
    double targetDb;
};

class DuckerKnee : public testing::TestWithParam<KneeCase>
{
};

TEST_P(DuckerKnee, FollowsTheSoftKneeAndSlope)
{
    Ducker d;
    d.prepare(48000.0);
    d.maxReductionDb = 36.0;
    EXPECT_NEAR(d.targetReductionDb(dbToGain(GetParam().keyDb)), GetParam().targetDb, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Levels, DuckerKnee,
                         testing::Values(KneeCase { -90.0, 0.0 }, KneeCase { -72.0, 0.0 },
                                         KneeCase { -60.0, 12.0 * 12.0 * 0.95 / 48.0 },
                                         KneeCase { -48.0, 24.0 * 24.0 * 0.95 / 48.0 }, KneeCase { -40.0, 0.95 * 20.0 },
                                         KneeCase { -20.0, 36.0 }, KneeCase { 0.0, 36.0 }));

TEST(Ducker, NeverReducesUnderAKeyBelowTheKnee)
{
    for (const float amount : { 0.25f, 1.0f })
        EXPECT_EQ(duckedGain(dbToGain(-73.0), amount), 1.0) << amount;
}

TEST(Ducker, AtAmountZeroStillDelaysAndRecoversToExactlyUnity)
{
    Ducker d;
    duckedGain(dbToGain(-6.0), 1.0f, 1.0, &d);
    ASSERT_GT(d.slowReduction, 1.0);
    const int n = 480;
    std::vector<double> key(static_cast<size_t>(n), 0.5), wet(static_cast<size_t>(n)), wetR(static_cast<size_t>(n));
    for (int block = 0; block < 4000; ++block)
    {
        std::fill(wet.begin(), wet.end(), 1.0);
        std::fill(wetR.begin(), wetR.end(), 1.0);
        d.process(key.data(), key.data(), wet.data(), wetR.data(), n, 0.0f);
    }
    EXPECT_EQ(d.maxReductionDb, 0.0);
    EXPECT_EQ(wet.back(), 1.0);
}

TEST(Ducker, ReleasesOverHundredsOfMilliseconds)
{
    Ducker d;
    duckedGain(dbToGain(-10.0), 1.0f, 2.0, &d);
    const int n = 480; // 10 ms
    std::vector<double> silence(static_cast<size_t>(n), 0.0), wet(static_cast<size_t>(n)), wetR(static_cast<size_t>(n));
    std::vector<double> gains;
    for (int block = 0; block < 300; ++block)
    {
        std::fill(wet.begin(), wet.end(), 1.0);
        std::fill(wetR.begin(), wetR.end(), 1.0);
        d.process(silence.data(), silence.data(), wet.data(), wetR.data(), n, 1.0f);
        gains.push_back(wet.back());
    }
    EXPECT_LT(gains[10], 0.1) << "still ducked 100 ms after the key stopped";
    EXPECT_GT(gains[299], 0.9) << "recovered after 3 s";
    for (size_t i = 1; i < gains.size(); ++i)
        ASSERT_GE(gains[i], gains[i - 1]);
}

TEST(Ducker, ResetClearsEnvelopesAndLines)
{
    Ducker d;
    duckedGain(dbToGain(-10.0), 1.0f, 1.0, &d);
    d.reset();
    EXPECT_EQ(d.envelope, 0.0);
    EXPECT_EQ(d.fastReduction, 0.0);
    EXPECT_EQ(d.slowReduction, 0.0);
    EXPECT_EQ(d.writePos, 0);
    for (const double v : d.lineLeft)
        EXPECT_EQ(v, 0.0);
}

TEST(OutputLimiter, BringsAStepToTheCeilingWithinMilliseconds)
{
    OutputLimiter limiter;
    limiter.prepare(48000.0);
    const int n = 48000;
    std::vector<double> silenceThenStep(static_cast<size_t>(n), 0.0);
    for (int i = 4800; i < n; ++i)
        silenceThenStep[static_cast<size_t>(i)] = 2.0;
    std::vector<float> left(static_cast<size_t>(n)), right(static_cast<size_t>(n));
    limiter.process(silenceThenStep.data(), silenceThenStep.data(), 1.0, left.data(), right.data(), n);

    EXPECT_GT(left[4800], 1.0f) << "the first samples pass above the ceiling";
    const int fiveMs = 240;
    EXPECT_NEAR(left[static_cast<size_t>(4800 + fiveMs)], 1.0f, 0.05f);
    for (int i = 4800 + 4 * fiveMs; i < n; ++i)
        ASSERT_NEAR(left[static_cast<size_t>(i)], 1.0f, 0.01f) << i;
}

TEST(OutputLimiter, LeavesQuietSignalsAtUnityAndAppliesTheOutputGain)
{
    OutputLimiter limiter;
    limiter.prepare(44100.0);
    std::vector<double> x(4410);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 0.5 * std::sin(0.05 * static_cast<double>(i));
    std::vector<float> left(x.size()), right(x.size());
    limiter.process(x.data(), x.data(), 1.5, left.data(), right.data(), static_cast<int>(x.size()));
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(left[i], 1.5 * x[i], 1e-6);
}

TEST(OutputLimiter, HoldsSustainedLoudSignalsNearTheCeiling)
{
    OutputLimiter limiter;
    limiter.prepare(48000.0);
    std::vector<double> x(96000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 4.0 * std::sin(2.0 * 3.14159265358979 * 220.0 * static_cast<double>(i) / 48000.0);
    std::vector<float> left(x.size()), right(x.size());
    limiter.process(x.data(), x.data(), 1.0, left.data(), right.data(), static_cast<int>(x.size()));
    float peak = 0.0f;
    for (size_t i = 48000; i < x.size(); ++i)
        peak = std::max(peak, std::abs(left[i]));
    EXPECT_LT(peak, 1.05f);
    EXPECT_GT(peak, 0.8f);
}
} // namespace
