#include "Derez.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

namespace
{
using velmora::Derez;

constexpr double kRate = 44100.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Block
{
    std::vector<double> left, right;
};

Block noiseBlock(size_t frames, double level, std::uint32_t seed = 7)
{
    Block b { std::vector<double>(frames), std::vector<double>(frames) };
    std::uint32_t x = seed;
    const auto next = [&x, level]
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return level * (static_cast<double>(x) * (2.0 / 4294967296.0) - 1.0);
    };
    for (size_t i = 0; i < frames; ++i)
    {
        b.left[i] = next();
        b.right[i] = next();
    }
    return b;
}

Derez prepared(double rate = kRate)
{
    Derez d;
    d.prepare(rate);
    return d;
}

Block processed(Block b, float start, float end, double rate = kRate)
{
    Derez d = prepared(rate);
    d.processStereo(b.left.data(), b.right.data(), static_cast<int>(b.left.size()), start, end);
    return b;
}

struct QuantiseCase
{
    double value, envelope, expected;
};

class DerezQuantise : public testing::TestWithParam<QuantiseCase>
{
};

TEST_P(DerezQuantise, RoundsTo255LevelsOverTheEnvelope)
{
    const QuantiseCase c = GetParam();
    EXPECT_NEAR(Derez::quantise(c.value, c.envelope), c.expected, 1e-15);
}

INSTANTIATE_TEST_SUITE_P(Cases, DerezQuantise,
                         testing::Values(QuantiseCase { 0.5, 0.5, 0.5 }, QuantiseCase { 0.25, 1.0, 32.0 / 127.0 },
                                         QuantiseCase { -0.25, 1.0, -32.0 / 127.0 },
                                         QuantiseCase { 2.5 / 127.0, 1.0, 3.0 / 127.0 }, // a half rounds away from zero
                                         QuantiseCase { -2.5 / 127.0, 1.0, -3.0 / 127.0 }, // on both sides
                                         QuantiseCase { 2.0, 0.5, 0.5 },
                                         QuantiseCase { -2.0, 0.5, -0.5 }, // clipped at the envelope
                                         QuantiseCase { 0.001, 0.01, 13.0 * 0.01 / 127.0 },
                                         QuantiseCase { 0.0, 0.3, 0.0 }));

TEST(DerezFilters, AreButterworthAtTheirCornersForEachRate)
{
    struct RateCase
    {
        double rate, cornerA, cornerB;
    };
    for (const RateCase c : { RateCase { 44100.0, 7200.0, 4050.0 }, RateCase { 96000.0, 7200.0, 4050.0 },
                              RateCase { 16000.0, 3600.0, 3600.0 }, RateCase { 22050.0, 4961.25, 4050.0 } })
    {
        const Derez d = prepared(c.rate);
        const auto magnitude = [&c](const Derez::Biquad& s, double f)
        {
            const std::complex<double> z1 = std::polar(1.0, -kTwoPi * f / c.rate);
            return std::abs((s.b0 + s.b1 * z1 + s.b2 * z1 * z1) / (1.0 + s.a1 * z1 + s.a2 * z1 * z1));
        };
        for (const Derez::Biquad* s : { &d.leftA1, &d.leftA2, &d.rightA1, &d.rightA2 })
        {
            EXPECT_NEAR(magnitude(*s, 0.0), 1.0, 1e-12);
            EXPECT_NEAR(magnitude(*s, c.cornerA), std::sqrt(0.5), 1e-9) << "rate " << c.rate;
        }
        for (const Derez::Biquad* s : { &d.leftB1, &d.leftB2, &d.rightB1, &d.rightB2 })
            EXPECT_NEAR(magnitude(*s, c.cornerB), std::sqrt(0.5), 1e-9) << "rate " << c.rate;
    }
}

TEST(DerezSilent, LeavesAudioAndStateUntouched)
{
    Derez d = prepared();
    Block warm = noiseBlock(300, 0.5);
    d.processStereo(warm.left.data(), warm.right.data(), 300, 0.6f, 0.6f);
    const Derez before = d;

    const Block input = noiseBlock(256, 0.5, 99);
    Block b = input;
    d.processStereo(b.left.data(), b.right.data(), 256, 0.0f, 0.00009f);

    EXPECT_EQ(b.left, input.left);
    EXPECT_EQ(b.right, input.right);
    EXPECT_FALSE(d.active);
    EXPECT_EQ(d.holdPhaseA, before.holdPhaseA);
    EXPECT_EQ(d.holdPhaseB, before.holdPhaseB);
    EXPECT_EQ(d.heldLeftA, before.heldLeftA);
    EXPECT_EQ(d.heldRightB, before.heldRightB);
    EXPECT_EQ(d.envelopeLeft, before.envelopeLeft);
    EXPECT_EQ(d.envelopeRight, before.envelopeRight);
    EXPECT_EQ(d.leftA1.z1, before.leftA1.z1);
    EXPECT_EQ(d.rightB2.z2, before.rightB2.z2);
}

// Coming back after a silent block starts from rest: the output is that of
// a freshly prepared stage.
TEST(DerezSilent, ReactivationStartsFromClearedState)
{
    Derez d = prepared();
    Block warm = noiseBlock(300, 0.5);
    d.processStereo(warm.left.data(), warm.right.data(), 300, 0.8f, 0.8f);
    Block quiet = noiseBlock(64, 0.5, 3);
    d.processStereo(quiet.left.data(), quiet.right.data(), 64, 0.0f, 0.0f);

    const Block input = noiseBlock(512, 0.5, 11);
    Block b = input;
    d.processStereo(b.left.data(), b.right.data(), 512, 0.8f, 0.8f);
    const Block fresh = processed(input, 0.8f, 0.8f);
    EXPECT_EQ(b.left, fresh.left);
    EXPECT_EQ(b.right, fresh.right);
}

// The branches run whatever the amount, so outputs at different amounts are
// blends of the same branch signals: 0.5 is branch A alone, 1 branch B alone.
TEST(DerezCrossfade, QuarterIsHalfDryAndThreeQuartersIsHalfEachBranch)
{
    const Block input = noiseBlock(4096, 0.4);
    const Block a = processed(input, 0.5f, 0.5f);
    const Block b = processed(input, 1.0f, 1.0f);
    const Block quarter = processed(input, 0.25f, 0.25f);
    const Block threeQuarters = processed(input, 0.75f, 0.75f);

    bool branchesDiffer = false;
    for (size_t i = 0; i < input.left.size(); ++i)
    {
        ASSERT_NEAR(quarter.left[i], 0.5 * input.left[i] + 0.5 * a.left[i], 1e-12) << i;
        ASSERT_NEAR(quarter.right[i], 0.5 * input.right[i] + 0.5 * a.right[i], 1e-12) << i;
        ASSERT_NEAR(threeQuarters.left[i], 0.5 * a.left[i] + 0.5 * b.left[i], 1e-12) << i;
        ASSERT_NEAR(threeQuarters.right[i], 0.5 * a.right[i] + 0.5 * b.right[i], 1e-12) << i;
        branchesDiffer = branchesDiffer || a.left[i] != b.left[i];
    }
    EXPECT_TRUE(branchesDiffer);
}

// Sample i of a ramp takes the amount start + (i + 1) step, so the first
// sample has already moved and the last one is exactly the end amount.
TEST(DerezCrossfade, ARampMovesLinearlyAndReachesTheEndOnTheLastSample)
{
    constexpr size_t n = 200;
    const Block input = noiseBlock(n, 0.4);
    const Block a = processed(input, 0.5f, 0.5f);
    const Block b = processed(input, 1.0f, 1.0f);
    const Block ramp = processed(input, 0.0f, 1.0f);

    for (size_t i = 0; i < n; ++i)
    {
        const double d = static_cast<double>(i + 1) / n;
        const double m = std::min(1.0, 2.0 * d);
        const double l = std::max(0.0, 2.0 * d - 1.0);
        const double wet = a.left[i] + (b.left[i] - a.left[i]) * l;
        ASSERT_NEAR(ramp.left[i], input.left[i] + (wet - input.left[i]) * m, 1e-12) << i;
    }
    EXPECT_NEAR(ramp.left[n - 1], b.left[n - 1], 1e-15);
    EXPECT_NEAR(ramp.right[n - 1], b.right[n - 1], 1e-15);
}

// Feeding one sample at a time exposes the envelope each held value was
// quantised against.
TEST(DerezQuantise, HeldValuesAreWholeStepsOfTheEnvelope)
{
    Derez d = prepared();
    int changes = 0;
    double previous = d.heldLeftA;
    for (int i = 0; i < 44100; ++i)
    {
        const double t = i / kRate;
        double x = 0.6 * std::exp(-3.0 * t) * std::sin(kTwoPi * 220.0 * t);
        double y = x;
        d.processStereo(&x, &y, 1, 0.5f, 0.5f);
        ASSERT_NEAR(x, d.heldLeftA, 1e-15);
        if (d.heldLeftA != previous)
        {
            ++changes;
            const double steps = d.heldLeftA * 127.0 / d.envelopeLeft;
            ASSERT_NEAR(steps, std::round(steps), 1e-9) << "at sample " << i;
            ASSERT_LE(std::abs(steps), 127.0 + 1e-9);
            previous = d.heldLeftA;
        }
    }
    EXPECT_GT(changes, 10000);
}

TEST(DerezQuantise, ConstantHalfSettlesOnStepsOfHalfOver127)
{
    std::vector<double> left(4410, 0.5);
    std::vector<double> right(4410, 0.5);
    Derez d = prepared();
    d.processStereo(left.data(), right.data(), 4410, 0.5f, 0.5f);
    for (size_t i = 2205; i < left.size(); ++i)
    {
        const double steps = left[i] / (0.5 / 127.0);
        ASSERT_NEAR(steps, std::round(steps), 1e-6) << i;
        ASSERT_NEAR(left[i], 0.5, 0.5 / 127.0) << i;
    }
}

TEST(DerezClocks, TickAtTheirOwnRatesWhateverTheHostRate)
{
    for (const double rate : { 44100.0, 48000.0, 96000.0 })
    {
        Derez d = prepared(rate);
        int ticksA = 0;
        int ticksB = 0;
        const int frames = static_cast<int>(rate);
        for (int i = 0; i < frames; ++i)
        {
            const double phaseA = d.holdPhaseA;
            const double phaseB = d.holdPhaseB;
            double x = 0.1;
            double y = 0.1;
            d.processStereo(&x, &y, 1, 1.0f, 1.0f);
            ticksA += d.holdPhaseA < phaseA + 0.5 ? 1 : 0;
            ticksB += d.holdPhaseB < phaseB + 0.5 ? 1 : 0;
        }
        EXPECT_NEAR(ticksA, 16000, 1) << "rate " << rate;
        EXPECT_NEAR(ticksB, 9000, 1) << "rate " << rate;
    }
}

TEST(DerezLifecycle, ResetMatchesAFreshStage)
{
    Derez d = prepared();
    Block warm = noiseBlock(777, 0.5);
    d.processStereo(warm.left.data(), warm.right.data(), 777, 0.3f, 0.9f);
    d.reset();
    EXPECT_FALSE(d.active);
    EXPECT_EQ(d.envelopeLeft, 0.0001);

    const Block input = noiseBlock(512, 0.5, 5);
    Block b = input;
    d.processStereo(b.left.data(), b.right.data(), 512, 0.7f, 0.7f);
    const Block fresh = processed(input, 0.7f, 0.7f);
    EXPECT_EQ(b.left, fresh.left);
    EXPECT_EQ(b.right, fresh.right);
}

} // namespace
