#include "DriveEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

DriveEffect preparedAt(double amount, double rate = kRate)
{
    DriveEffect d;
    d.prepare(rate);
    d.setCoefficients(amount);
    d.startAmount = d.endAmount = amount;
    return d;
}

std::vector<double> sineWave(size_t frames, double frequency, double level, double rate = kRate)
{
    std::vector<double> x(frames);
    for (size_t i = 0; i < frames; ++i)
        x[i] = level * std::sin(kTwoPi * frequency * static_cast<double>(i) / rate);
    return x;
}

double rmsFrom(const std::vector<double>& x, size_t from)
{
    double sum = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(x.size() - from));
}

// The magnitude of the one-pole low-pass and the DC blocker at a frequency.
double linearResponse(const DriveEffect& d, double frequency)
{
    const std::complex<double> z1 = std::polar(1.0, -kTwoPi * frequency / d.sampleRate);
    const double lowpass = std::abs((1.0 - d.lowpassCoeff) / (1.0 - d.lowpassCoeff * z1));
    const double dcBlock = std::abs((1.0 - z1) / (1.0 - d.dcCoeff * z1));
    return lowpass * dcBlock;
}

struct TrimCase
{
    double amount, trim;
};

class SatTrim : public testing::TestWithParam<TrimCase>
{
};

TEST_P(SatTrim, InterpolatesTheTableAndHoldsItsEnds)
{
    EXPECT_NEAR(DriveEffect::satTrimForAmount(GetParam().amount), GetParam().trim, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Amounts, SatTrim,
                         testing::Values(TrimCase { 0.0, 1.0257 }, TrimCase { 0.05, 1.0268 }, TrimCase { 0.5, 1.2417 },
                                         TrimCase { 0.525, 1.2762 },
                                         TrimCase { 0.99, 2.3796 + 0.8 * (2.5734 - 2.3796) }, TrimCase { 1.0, 2.5734 },
                                         TrimCase { -0.3, 1.0257 }, TrimCase { 1.7, 2.5734 }));

struct EndCase
{
    double amount, inputGain, trim, lowpassHz;
};

class DriveEnds : public testing::TestWithParam<EndCase>
{
};

TEST_P(DriveEnds, SetGainTrimAndLowpassCorner)
{
    const EndCase c = GetParam();
    const DriveEffect d = preparedAt(c.amount);
    EXPECT_DOUBLE_EQ(d.inputGain, c.inputGain);
    EXPECT_DOUBLE_EQ(d.outputGain, 1.0 / c.inputGain);
    EXPECT_DOUBLE_EQ(d.trim, c.trim);
    EXPECT_NEAR(d.lowpassCoeff, std::exp(-kTwoPi * c.lowpassHz / kRate), 1e-12);
    EXPECT_DOUBLE_EQ(d.dcCoeff, std::exp(-kTwoPi * 30.0 / kRate));
}

INSTANTIATE_TEST_SUITE_P(ZeroAndFull, DriveEnds,
                         testing::Values(EndCase { 0.0, 1.0, 1.0257, 20000.0 }, EndCase { 1.0, 12.0, 2.5734, 6000.0 }));

struct ResponseCase
{
    double amount, frequency;
};

class DriveSmallSignal : public testing::TestWithParam<ResponseCase>
{
};

// Below the saturation the stage is linear: input gain and output gain cancel
// and what is left is the trim times the low-pass and the DC blocker.
TEST_P(DriveSmallSignal, IsTheTrimTimesTheLowpassAndDcBlocker)
{
    const ResponseCase c = GetParam();
    DriveEffect d = preparedAt(c.amount);
    std::vector<double> left = sineWave(48000, c.frequency, 0.0005);
    std::vector<double> right = left;
    const double in = rmsFrom(left, 24000);
    d.process(left.data(), right.data(), static_cast<int>(left.size()));

    const double expected = d.trim * linearResponse(d, c.frequency);
    EXPECT_NEAR(rmsFrom(left, 24000) / in, expected, expected * 2e-3);
    EXPECT_EQ(left, right);
}

INSTANTIATE_TEST_SUITE_P(AmountsAndFrequencies, DriveSmallSignal,
                         testing::Values(ResponseCase { 0.0, 1000.0 }, ResponseCase { 0.0, 15000.0 },
                                         ResponseCase { 0.0, 40.0 }, ResponseCase { 1.0, 200.0 },
                                         ResponseCase { 1.0, 6000.0 }, ResponseCase { 1.0, 15000.0 },
                                         ResponseCase { 0.5, 3000.0 }));

TEST(DriveSmallSignal, AtZeroIsRaisedByTheTrimOfAboutAQuarterDecibel)
{
    DriveEffect d = preparedAt(0.0);
    std::vector<double> left = sineWave(48000, 1000.0, 0.001);
    std::vector<double> right = left;
    const double in = rmsFrom(left, 24000);
    d.process(left.data(), right.data(), static_cast<int>(left.size()));
    EXPECT_NEAR(20.0 * std::log10(rmsFrom(left, 24000) / in), 0.22, 0.01);
}

TEST(DriveDcBlocker, RemovesAConstantOffset)
{
    for (const double amount : { 0.0, 1.0 })
    {
        DriveEffect d = preparedAt(amount);
        std::vector<double> left(48000, 0.1);
        std::vector<double> right(48000, -0.1);
        d.process(left.data(), right.data(), 48000);
        EXPECT_LT(std::abs(left.back()), 1e-9) << "amount " << amount;
        EXPECT_LT(std::abs(right.back()), 1e-9) << "amount " << amount;
    }
}

// The first output sample of a fresh stage has no history in either filter,
// so it shows the saturator's curve directly.
TEST(DriveSaturation, NegativeFullScaleComesOutSmallerThanPositive)
{
    for (const double amount : { 0.0, 0.25, 0.5 })
    {
        DriveEffect d = preparedAt(amount);
        double left = 1.0;
        double right = -1.0;
        d.process(&left, &right, 1);
        EXPECT_GT(left, 0.0);
        EXPECT_LT(right, 0.0);
        EXPECT_LT(std::abs(right), std::abs(left)) << "amount " << amount;
    }
}

TEST(DriveSaturation, BoundsLoudInput)
{
    DriveEffect d = preparedAt(1.0);
    std::vector<double> left = sineWave(48000, 100.0, 4.0);
    std::vector<double> right = left;
    d.process(left.data(), right.data(), 48000);
    double peak = 0.0;
    for (const double x : left)
        peak = std::max(peak, std::abs(x));
    // |tanh| <= 1 and the even term adds at most 0.08, all divided by the gain.
    EXPECT_LT(peak, 2.0 * d.trim * 1.08 / 12.0);
}

// The reference holds each sub-block's amount fixed; the gliding stage must
// produce the same samples, so the steps fall at 0, 32, 64 and 96 with the
// amounts start + 0.32 k delta, and the filter states carry across them.
TEST(DriveGlide, StepsTheCoefficientsEvery32Samples)
{
    constexpr int n = 100;
    constexpr double start = 0.2;
    constexpr double end = 0.8;
    const std::vector<double> input = sineWave(n, 700.0, 0.8);

    DriveEffect gliding = preparedAt(start);
    gliding.endAmount = end;
    std::vector<double> left = input;
    std::vector<double> right = input;
    gliding.process(left.data(), right.data(), n);

    DriveEffect stepped = preparedAt(start);
    std::vector<double> refLeft = input;
    std::vector<double> refRight = input;
    for (const int i0 : { 0, 32, 64, 96 })
    {
        const double a = start + (end - start) * (i0 / 100.0);
        stepped.setCoefficients(a);
        stepped.startAmount = stepped.endAmount = a;
        const int count = std::min(32, n - i0);
        stepped.process(refLeft.data() + i0, refRight.data() + i0, count);
    }

    for (int i = 0; i < n; ++i)
    {
        ASSERT_DOUBLE_EQ(left[static_cast<size_t>(i)], refLeft[static_cast<size_t>(i)]) << "at sample " << i;
        ASSERT_DOUBLE_EQ(right[static_cast<size_t>(i)], refRight[static_cast<size_t>(i)]) << "at sample " << i;
    }
    EXPECT_DOUBLE_EQ(gliding.amount, start + 0.96 * (end - start));
}

TEST(DriveGlide, AOneSampleBlockUsesTheStartAmount)
{
    DriveEffect gliding = preparedAt(0.2);
    gliding.endAmount = 0.9;
    double left = 0.7;
    double right = -0.4;
    gliding.process(&left, &right, 1);

    DriveEffect fixed = preparedAt(0.2);
    double refLeft = 0.7;
    double refRight = -0.4;
    fixed.process(&refLeft, &refRight, 1);

    EXPECT_EQ(left, refLeft);
    EXPECT_EQ(right, refRight);
    EXPECT_EQ(gliding.amount, 0.2);
}

TEST(DriveLifecycle, ResetReturnsToTheFreshState)
{
    const std::vector<double> input = sineWave(4096, 330.0, 0.9);
    DriveEffect used = preparedAt(0.7);
    std::vector<double> scratchL = input, scratchR = input;
    used.process(scratchL.data(), scratchR.data(), 4096);

    used.reset();
    EXPECT_EQ(used.amount, 0.0);
    EXPECT_EQ(used.trim, 1.0);
    EXPECT_EQ(used.inputGain, 1.0);
    used.setCoefficients(0.7);
    used.startAmount = used.endAmount = 0.7;
    DriveEffect fresh = preparedAt(0.7);

    std::vector<double> aL = input, aR = input, bL = input, bR = input;
    used.process(aL.data(), aR.data(), 4096);
    fresh.process(bL.data(), bR.data(), 4096);
    EXPECT_EQ(aL, bL);
    EXPECT_EQ(aR, bR);
}

TEST(DriveLifecycle, IgnoresAbsentBuffersAndEmptyBlocks)
{
    DriveEffect d = preparedAt(0.5);
    double x = 0.5;
    d.process(nullptr, &x, 1);
    d.process(&x, nullptr, 1);
    d.process(&x, &x, 0);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(d.lowpassLeft, 0.0);
    EXPECT_EQ(d.dcOutRight, 0.0);
}

} // namespace
