#include "support/EngineHarness.h"

#include "FilterTone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace
{
constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;

// Magnitude response of a biquad at a frequency.
double magnitude(const FilterTone::Biquad& c, double frequency, double rate = kRate)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * frequency / rate);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2));
}

bool isIdentity(const FilterTone::Biquad& c)
{
    return c.b0 == 1.0 && c.b1 == 0.0 && c.b2 == 0.0 && c.a1 == 0.0 && c.a2 == 0.0;
}

struct BypassCase
{
    double highPassHz, lowPassHz;
    bool highPassBypassed, lowPassBypassed;
};

class FilterBypass : public testing::TestWithParam<BypassCase>
{
};

TEST_P(FilterBypass, HappensOnlyOutsideTheAudibleCorners)
{
    const auto c = GetParam();
    FilterTone f;
    f.prepare(kRate);
    f.setCutoffs(c.highPassHz, c.lowPassHz);
    EXPECT_EQ(isIdentity(f.highPass), c.highPassBypassed);
    EXPECT_EQ(isIdentity(f.lowPass), c.lowPassBypassed);
}

INSTANTIATE_TEST_SUITE_P(Corners, FilterBypass,
                         testing::Values(BypassCase { 20.0, 20000.0, true, true },   // the start values after prepare
                                         BypassCase { 20.99, 19999.01, true, true }, //
                                         BypassCase { 21.0, 19999.0, false, false }, //
                                         BypassCase { 30.0, 500.0, false, false }));

struct CornerCase
{
    double frequency;
    double rate;
};

class ButterworthCorners : public testing::TestWithParam<CornerCase>
{
};

TEST_P(ButterworthCorners, AreThreeDecibelsDownAndTwelvePerOctaveBeyond)
{
    const auto [f, rate] = GetParam();
    const auto hp = FilterTone::Biquad::highPass(f, rate);
    const auto lp = FilterTone::Biquad::lowPass(f, rate);
    EXPECT_NEAR(magnitude(hp, f, rate), std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(magnitude(lp, f, rate), std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(magnitude(hp, rate / 2.0 * 0.999, rate), 1.0, 1e-2);
    EXPECT_NEAR(magnitude(lp, 1.0, rate), 1.0, 1e-6);
    EXPECT_NEAR(20.0 * std::log10(magnitude(hp, f / 8.0, rate)), -36.0, 0.5);
    EXPECT_LT(20.0 * std::log10(magnitude(lp, f * 8.0, rate)), -35.5);
}

INSTANTIATE_TEST_SUITE_P(Corners, ButterworthCorners,
                         testing::Values(CornerCase { 80.0, 48000.0 }, CornerCase { 1000.0, 44100.0 },
                                         CornerCase { 500.0, 96000.0 }));

TEST(FilterTone, StaysStableWhenTheCornerIsAboveNyquist)
{
    FilterTone f;
    f.prepare(22050.0);
    f.setCutoffs(30.0, 19000.0);
    std::vector<double> left(44100), right(44100);
    left[0] = right[0] = 1.0;
    f.process(left.data(), right.data(), static_cast<int>(left.size()));
    for (size_t i = 0; i < left.size(); ++i)
        ASSERT_LT(std::abs(left[i]), 2.0) << i;
    EXPECT_LT(std::abs(left.back()), 1e-9) << "the impulse response does not die away";
}

TEST(FilterTilt, ZeroIsAnExactIdentity)
{
    FilterTone f;
    f.prepare(kRate);
    f.setCutoffs(20.0, 20000.0);
    f.setTilt(0.0);
    const auto noise = velmora::test::noise(4096, 0.5f);
    std::vector<double> left(noise.left.begin(), noise.left.end()), right(noise.right.begin(), noise.right.end());
    f.process(left.data(), right.data(), 4096);
    for (size_t i = 0; i < left.size(); ++i)
    {
        ASSERT_EQ(left[i], static_cast<double>(noise.left[i]));
        ASSERT_EQ(right[i], static_cast<double>(noise.right[i]));
    }
}

struct TiltCase
{
    double db;
    double lowGain, highGain;
};

class FilterTiltGains : public testing::TestWithParam<TiltCase>
{
};

TEST_P(FilterTiltGains, SplitTheTiltBetweenLowsAndHighs)
{
    const auto [db, lowGain, highGain] = GetParam();
    FilterTone f;
    f.prepare(kRate);
    f.setCutoffs(20.0, 20000.0);
    f.setTilt(db);
    EXPECT_NEAR(f.tiltLowGain, lowGain, 1e-3);
    EXPECT_NEAR(f.tiltHighGain, highGain, 1e-3);

    // DC settles at the low gain; Nyquist moves towards the high gain (the
    // one-pole split leaves a little of the low band up there).
    std::vector<double> dc(48000, 1.0), nyquist(48000);
    for (size_t i = 0; i < nyquist.size(); ++i)
        nyquist[i] = (i % 2 == 0) ? 1.0 : -1.0;
    f.process(dc.data(), nyquist.data(), 48000);
    EXPECT_NEAR(dc.back(), lowGain, 1e-3);
    const double top = std::abs(nyquist.back());
    EXPECT_EQ(top > 1.0, highGain > 1.0);
    EXPECT_NEAR(top, highGain, 0.2 * highGain);
}

INSTANTIATE_TEST_SUITE_P(Gains, FilterTiltGains,
                         testing::Values(TiltCase { 12.0, 0.501, 1.995 }, TiltCase { -12.0, 1.995, 0.501 },
                                         TiltCase { 6.0, 0.708, 1.413 }, TiltCase { 30.0, 0.501, 1.995 }));

TEST(FilterTone, PrepareAndResetClearEveryHistory)
{
    for (const bool viaPrepare : { false, true })
    {
        FilterTone f;
        f.prepare(kRate);
        f.setCutoffs(100.0, 1000.0);
        f.setTilt(6.0);
        std::vector<double> left(256, 0.5), right(256, -0.5);
        f.process(left.data(), right.data(), 256);
        ASSERT_NE(f.lowPassLeft.y1, 0.0);
        ASSERT_NE(f.tiltStateLeft, 0.0);

        if (viaPrepare)
            f.prepare(kRate);
        else
            f.reset();
        std::vector<double> silenceLeft(64, 0.0), silenceRight(64, 0.0);
        f.process(silenceLeft.data(), silenceRight.data(), 64);
        for (size_t i = 0; i < 64; ++i)
            ASSERT_EQ(silenceLeft[i], 0.0) << "stale output after " << (viaPrepare ? "prepare" : "reset");
    }
}

TEST(FilterTone, AZeroRateFallsBackToAUsableOne)
{
    FilterTone f;
    f.prepare(0.0);
    f.setCutoffs(80.0, 4000.0);
    f.setTilt(3.0);
    std::vector<double> left(64, 0.5), right(64, -0.5);
    f.process(left.data(), right.data(), 64);
    for (size_t i = 0; i < 64; ++i)
        ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << i;
}

TEST(FilterTone, AnEmptyBlockChangesNothing)
{
    FilterTone f;
    f.prepare(kRate);
    f.setCutoffs(100.0, 1000.0);
    f.setTilt(6.0);
    double l = 1.0, r = 1.0;
    f.process(&l, &r, 0);
    EXPECT_EQ(l, 1.0);
    EXPECT_EQ(f.tiltStateLeft, 0.0);
    EXPECT_EQ(f.highPassLeft.x1, 0.0);
}

// The filters shape the wet path only; the dry part of the mix never passes them.
TEST(FilterTone, NeverTouchesTheDryPart)
{
    const auto input = velmora::test::noise(24000, 0.2f);
    for (const bool after : { false, true })
    {
        ParameterSnapshot plain;
        plain.mix = 0.0f;
        plain.filter_path = after;
        ParameterSnapshot shaped = plain;
        shaped.hpf_freq = 900.0f;
        shaped.lpf_freq = 600.0f;
        shaped.tilt_eq = 12.0f;
        const auto a = velmora::test::EngineHarness(kRate, 512, plain).run(input);
        const auto b = velmora::test::EngineHarness(kRate, 512, shaped).run(input);
        for (size_t i = 2400; i < input.size(); ++i) // once the mix control has left its start value
            ASSERT_NEAR(a.left[i], b.left[i], 1e-7) << "filter after effects: " << after << ", sample " << i;
    }
}
} // namespace
