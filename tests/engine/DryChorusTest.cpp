#include "DryChorus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace
{
struct Block
{
    std::vector<double> left, right;

    explicit Block(size_t frames) : left(frames), right(frames) {}
};

Block noise(size_t frames, std::uint32_t seed = 3)
{
    Block b(frames);
    std::uint32_t x = seed;
    const auto next = [&x]
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return static_cast<double>(x) / 4294967296.0 - 0.5;
    };
    for (size_t i = 0; i < frames; ++i)
    {
        b.left[i] = next();
        b.right[i] = next();
    }
    return b;
}

void process(DryChorus& chorus, Block& b, float depth, float rate, int block = 256)
{
    for (size_t start = 0; start < b.left.size(); start += static_cast<size_t>(block))
    {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), b.left.size() - start));
        chorus.process(b.left.data() + start, b.right.data() + start, n, depth, rate);
    }
}

TEST(DryChorus, AtDepthZeroReturnsItsInputUnchanged)
{
    for (const float rate : { 0.0f, 1.0f, 10.0f })
    {
        DryChorus chorus;
        chorus.prepare(48000.0);
        const Block input = noise(20000);
        Block b = input;
        process(chorus, b, 0.0f, rate);
        EXPECT_EQ(b.left, input.left) << "rate " << rate;
        EXPECT_EQ(b.right, input.right) << "rate " << rate;
    }
}

class DryChorusRates : public testing::TestWithParam<double>
{
};

// At full depth 45 % of the input passes straight and 55 % comes from the
// four voices, each swept between 11 and 18 ms; the voice gains sum to 1, so
// the level is kept.
TEST_P(DryChorusRates, SweepsItsVoicesBetweenElevenAndEighteenMilliseconds)
{
    const double rate = GetParam();
    DryChorus chorus;
    chorus.prepare(rate);
    ASSERT_GE(chorus.length, static_cast<int>(std::ceil(0.018 * rate)) + 8);

    const auto frames = static_cast<size_t>(rate * 0.5);
    const auto at = static_cast<size_t>(rate * 0.1);
    const auto earliest = static_cast<size_t>(std::floor(0.011 * rate)) - 1;
    const auto latest = static_cast<size_t>(std::ceil(0.018 * rate)) + 1;

    for (int trial = 0; trial < 3; ++trial) // the voices at different points of their sweeps
    {
        Block b(frames);
        const size_t pulse = at + static_cast<size_t>(trial) * static_cast<size_t>(rate * 0.11);
        b.left[pulse] = b.right[pulse] = 1.0;
        chorus.reset();
        process(chorus, b, 1.0f, 0.2f); // slow: a fast sweep would add its Doppler shift to the level

        double sumLeft = 0.0;
        double sumRight = 0.0;
        for (size_t i = 0; i < frames; ++i)
        {
            sumLeft += b.left[i];
            sumRight += b.right[i];
            const bool direct = i == pulse;
            const bool swept = i >= pulse + earliest && i <= pulse + latest;
            if (!swept && !direct)
            {
                ASSERT_EQ(b.left[i], 0.0) << "left, sample " << i;
                ASSERT_EQ(b.right[i], 0.0) << "right, sample " << i;
            }
        }
        EXPECT_NEAR(b.left[pulse], 0.45, 1e-12);
        EXPECT_NEAR(sumLeft, 1.0, 5e-3);
        EXPECT_NEAR(sumRight, 1.0, 5e-3);
    }
}

INSTANTIATE_TEST_SUITE_P(SampleRates, DryChorusRates, testing::Values(44100.0, 48000.0, 96000.0, 192000.0));

TEST(DryChorus, SweepsItsChannelsAQuarterPeriodApart)
{
    DryChorus chorus;
    chorus.prepare(48000.0);
    Block b = noise(4800);
    for (size_t i = 0; i < b.left.size(); ++i)
        b.right[i] = b.left[i];
    process(chorus, b, 1.0f, 1.0f);
    double difference = 0.0;
    for (size_t i = 1000; i < b.left.size(); ++i)
        difference = std::max(difference, std::abs(b.left[i] - b.right[i]));
    EXPECT_GT(difference, 0.01);
}

TEST(DryChorus, ResetRestartsTheVoicesFromSilence)
{
    DryChorus chorus;
    chorus.prepare(48000.0);
    Block first = noise(9000);
    process(chorus, first, 0.8f, 3.0f);
    chorus.reset();
    EXPECT_EQ(chorus.writePos, 0);
    EXPECT_EQ(chorus.phase, DryChorus::kStartPhase);

    DryChorus fresh;
    fresh.prepare(48000.0);
    Block a = noise(5000, 9);
    Block b = a;
    process(chorus, a, 0.8f, 3.0f);
    process(fresh, b, 0.8f, 3.0f);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

TEST(DryChorus, TakesANonPositiveRateAsTheDefaultRate)
{
    for (const double rate : { 0.0, -48000.0, std::numeric_limits<double>::quiet_NaN() })
    {
        DryChorus chorus;
        chorus.prepare(rate);
        EXPECT_EQ(chorus.sampleRate, 44100.0);
        EXPECT_EQ(chorus.length, 1024);
        Block b = noise(2000);
        process(chorus, b, 1.0f, 2.0f);
        for (const double x : b.left)
            ASSERT_TRUE(std::isfinite(x));
    }
}

// ---- tail blend -----------------------------------------------------------------------

struct BlendCase
{
    const char* what;
    float previous, expanse;
    float weight; // the reverb's weight reached at the end of the block
};

class TailBlend : public testing::TestWithParam<BlendCase>
{
};

// The reverb's weight ramps linearly across the block from where the last
// block left it to 10 x expanse, held within 0..1.
TEST_P(TailBlend, CrossfadesFromTheChorusToTheReverbAsTheDecayGrows)
{
    const auto c = GetParam();
    constexpr int kFrames = 64;
    const Block reverb = noise(kFrames, 1);
    const Block chorus = noise(kFrames, 2);
    Block wet = reverb;

    const float next = DryChorus::blendTail(c.previous, c.expanse, wet.left.data(), wet.right.data(),
                                            chorus.left.data(), chorus.right.data(), kFrames);
    EXPECT_EQ(next, c.weight);
    for (size_t i = 0; i < kFrames; ++i)
    {
        const double w = double(c.previous) + (double(c.weight) - double(c.previous)) * double(i + 1) / kFrames;
        ASSERT_NEAR(wet.left[i], w * reverb.left[i] + (1.0 - w) * chorus.left[i], 1e-6) << "sample " << i;
        ASSERT_NEAR(wet.right[i], w * reverb.right[i] + (1.0 - w) * chorus.right[i], 1e-6) << "sample " << i;
    }
    if (c.previous == c.weight && (c.weight == 0.0f || c.weight == 1.0f))
    {
        EXPECT_EQ(wet.left, c.weight == 0.0f ? chorus.left : reverb.left) << "not exactly one of the two";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Weights, TailBlend,
    testing::Values(BlendCase { "chorus_alone", 0.0f, 0.0f, 0.0f }, BlendCase { "half_and_half", 0.5f, 0.05f, 0.5f },
                    BlendCase { "reverb_alone", 1.0f, 0.1f, 1.0f }, BlendCase { "long_decay", 1.0f, 40.0f, 1.0f },
                    BlendCase { "rising", 0.0f, 0.05f, 0.5f }, BlendCase { "falling", 1.0f, 0.0f, 0.0f },
                    BlendCase { "nan_is_chorus", 0.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f },
                    BlendCase { "negative_is_chorus", 0.0f, -3.0f, 0.0f }),
    [](const auto& testInfo) { return std::string(testInfo.param.what); });

} // namespace
