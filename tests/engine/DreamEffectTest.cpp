#include "DreamEffect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

struct Amounts
{
    double dreamStart, dreamEnd;
    double saturation = 1.0;
    double hiss = 0.0;
};

struct StereoBlock
{
    std::vector<double> left, right;

    explicit StereoBlock(size_t n, double value = 0.0) : left(n, value), right(n, value) {}
};

StereoBlock noise(size_t n, double level, std::uint32_t seed = 11)
{
    StereoBlock s(n);
    for (size_t i = 0; i < n; ++i)
        for (auto* channel : { &s.left, &s.right })
        {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            (*channel)[i] = level * (static_cast<double>(seed) / 2147483648.0 - 1.0);
        }
    return s;
}

DreamEffect preparedEffect(int blockSize = kBlock)
{
    DreamEffect effect;
    effect.prepare(kRate, blockSize);
    return effect;
}

void setAmounts(DreamEffect& effect, const Amounts& a)
{
    effect.startAmount = a.dreamStart;
    effect.endAmount = a.dreamEnd;
    effect.saturationStart = effect.saturationEnd = a.saturation;
    effect.hissStart = effect.hissEnd = a.hiss;
}

// Runs the signal through in blocks with the same amounts throughout.
void runBlocks(DreamEffect& effect, StereoBlock& s, const Amounts& a, int blockSize = kBlock)
{
    setAmounts(effect, a);
    for (size_t start = 0; start < s.left.size(); start += static_cast<size_t>(blockSize))
    {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(blockSize), s.left.size() - start));
        effect.process(s.left.data() + start, s.right.data() + start, n);
    }
}

// ---- the curves ---------------------------------------------------------------

TEST(DreamCurves, ReadStraightLinesBetweenTheirPoints)
{
    // Halfway to the first point: everything at half its value there.
    const auto s = DreamEffect::settingsAt(0.05);
    EXPECT_DOUBLE_EQ(s.driveShape, 0.05);
    EXPECT_DOUBLE_EQ(s.emphasis, 0.05);
    EXPECT_DOUBLE_EQ(s.heatDrive, 0.04);
    EXPECT_DOUBLE_EQ(s.heatTone, 0.05);
    EXPECT_DOUBLE_EQ(s.glue, 0.05);
    EXPECT_DOUBLE_EQ(DreamEffect::ageAmountAt(0.05), 0.05);

    EXPECT_DOUBLE_EQ(DreamEffect::settingsAt(0.575).heatDrive, 0.1805);
    EXPECT_DOUBLE_EQ(DreamEffect::settingsAt(1.0).tapeNoiseLevel, 0.03);
    EXPECT_DOUBLE_EQ(DreamEffect::ageAmountAt(0.425), 0.4);
    EXPECT_DOUBLE_EQ(DreamEffect::ageAmountAt(0.9), 0.45);
    EXPECT_EQ(DreamEffect::settingsAt(-0.2).glue, 0.0);
    EXPECT_EQ(DreamEffect::ageAmountAt(-0.2), 0.0);
}

// Tape noise only exists above dream 0.8.
TEST(DreamCurves, TapeNoiseOnlyAboveEightTenths)
{
    for (double g = 0.0; g <= 0.8; g += 0.01)
        ASSERT_EQ(DreamEffect::settingsAt(g).tapeNoiseLevel, 0.0) << "at " << g;
    EXPECT_GT(DreamEffect::settingsAt(0.81).tapeNoiseLevel, 0.0);
}

// ---- the effect ---------------------------------------------------------------

TEST(DreamEffect, BelowItsThresholdLeavesTheAudioAndEveryStateUntouched)
{
    for (const auto& a : { Amounts { 0.0, 0.0, 1.0, 1.0 }, Amounts { 0.00009, 0.00005, 1.0, 1.0 } })
    {
        DreamEffect effect = preparedEffect();
        StereoBlock s = noise(kBlock * 4, 0.5);
        const StereoBlock input = s;
        runBlocks(effect, s, a);
        EXPECT_EQ(s.left, input.left);
        EXPECT_EQ(s.right, input.right);
        EXPECT_EQ(effect.tapeLeft.lowpassState, 0.0);
        EXPECT_EQ(effect.heatRight.rngState, HeatChannel::kRightChannel.seed);
        EXPECT_EQ(effect.dcOut[0], 0.0);
    }
}

struct FadeCase
{
    double dream;
    double dryShare;
};

class DreamFadeIn : public testing::TestWithParam<FadeCase>
{
};

// The processed signal blocks DC, so a constant input shows the dry share of
// the output directly: over the first 1 % of the range the effect fades in
// from the dry copy, half and half at 0.005.
TEST_P(DreamFadeIn, MixesTheDryCopyByTheAmount)
{
    const auto c = GetParam();
    DreamEffect effect = preparedEffect();
    StereoBlock s(48000, 0.1);
    runBlocks(effect, s, { c.dream, c.dream, 0.0, 0.0 });
    EXPECT_NEAR(s.left.back(), 0.1 * c.dryShare, 1e-12);
    EXPECT_NEAR(s.right.back(), 0.1 * c.dryShare, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Amounts, DreamFadeIn,
                         testing::Values(FadeCase { 0.0025, 0.75 }, FadeCase { 0.005, 0.5 }, FadeCase { 0.0075, 0.25 },
                                         FadeCase { 0.01, 0.0 }, FadeCase { 0.3, 0.0 }));

// Within a block the dry share moves in a straight line from its value at the
// block's start to its value at the end, reached on the last sample.
TEST(DreamEffect, FadeMovesLinearlyAcrossTheBlock)
{
    DreamEffect effect = preparedEffect();
    StereoBlock settle(48000, 0.1);
    runBlocks(effect, settle, { 0.005, 0.005, 0.0, 0.0 });

    StereoBlock s(kBlock, 0.1);
    setAmounts(effect, { 0.005, 0.01, 0.0, 0.0 });
    effect.process(s.left.data(), s.right.data(), kBlock);
    for (int i = 0; i < kBlock; ++i)
    {
        const double wet = 0.5 + 0.5 * i / double(kBlock - 1);
        ASSERT_NEAR(s.left[static_cast<size_t>(i)], 0.1 * (1.0 - wet), 1e-9) << "at sample " << i;
    }
}

struct HissCase
{
    double dream;
    double hiss;
    bool audible;
};

class DreamHiss : public testing::TestWithParam<HissCase>
{
};

// With saturation at 0 silence stays exactly silent through the tape and
// heat models, so anything that comes out is hiss.
TEST_P(DreamHiss, OnlyAboveEightTenthsAndAThousandthOfHiss)
{
    const auto c = GetParam();
    DreamEffect effect = preparedEffect();
    StereoBlock s(4800);
    runBlocks(effect, s, { c.dream, c.dream, 0.0, c.hiss });
    const bool silent = std::all_of(s.left.begin(), s.left.end(), [](double v) { return v == 0.0; }) &&
                        std::all_of(s.right.begin(), s.right.end(), [](double v) { return v == 0.0; });
    EXPECT_EQ(!silent, c.audible);
}

INSTANTIATE_TEST_SUITE_P(Amounts, DreamHiss,
                         testing::Values(HissCase { 0.8, 1.0, false }, HissCase { 0.79, 1.0, false },
                                         HissCase { 0.81, 1.0, true }, HissCase { 1.0, 1.0, true },
                                         HissCase { 1.0, 0.0009, false }, HissCase { 1.0, 0.0011, true },
                                         HissCase { 1.0, 0.0, false }));

// Within a block the settings follow the ramp in steps of 32 samples, each
// chunk taking the amount at its first sample: in a block ramping from 0 to 1
// the hiss starts with the first chunk past 0.8, at sample 416 of 512.
TEST(DreamEffect, SettingsFollowTheRampChunkByChunk)
{
    DreamEffect effect = preparedEffect();
    StereoBlock s(kBlock);
    setAmounts(effect, { 0.0, 1.0, 0.0, 1.0 });
    effect.process(s.left.data(), s.right.data(), kBlock);
    const auto firstSound = std::find_if(s.left.begin(), s.left.end(), [](double v) { return v != 0.0; });
    EXPECT_EQ(firstSound - s.left.begin(), 416);
}

TEST(DreamEffect, LeftAndRightDifferOnTheSameInput)
{
    DreamEffect effect = preparedEffect();
    StereoBlock s(9600);
    const StereoBlock n = noise(9600, 0.5);
    s.left = n.left;
    s.right = n.left;
    runBlocks(effect, s, { 0.6, 0.6, 1.0, 0.0 });
    EXPECT_NE(s.left, s.right);
}

// Fixed seeds and no hidden state: the same input renders to the same bits.
TEST(DreamEffect, RendersRepeatably)
{
    const auto render = []
    {
        DreamEffect effect = preparedEffect();
        StereoBlock s = noise(48000, 0.6);
        for (size_t b = 0; b * kBlock < s.left.size(); ++b)
        {
            // A ramp up through the hiss region and a steady top.
            const double from = std::min(1.0, 0.05 * double(b));
            const double to = std::min(1.0, 0.05 * double(b + 1));
            effect.startAmount = from;
            effect.endAmount = to;
            effect.hissStart = effect.hissEnd = 1.0;
            effect.saturationStart = 1.0 - 0.5 * from;
            effect.saturationEnd = 1.0 - 0.5 * to;
            const size_t start = b * kBlock;
            const int count = static_cast<int>(std::min<size_t>(kBlock, s.left.size() - start));
            effect.process(s.left.data() + start, s.right.data() + start, count);
        }
        return s;
    };
    const StereoBlock a = render();
    const StereoBlock b = render();
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_TRUE(std::all_of(a.left.begin(), a.left.end(), [](double v) { return std::isfinite(v); }));
}

TEST(DreamEffect, ResetPutsTheFiltersAtRestAndReseedsOnlyTheHiss)
{
    DreamEffect effect = preparedEffect();
    StereoBlock s = noise(4800, 0.5);
    runBlocks(effect, s, { 1.0, 1.0, 1.0, 1.0 });
    const std::uint32_t walked = effect.heatLeft.rngState;

    effect.reset();
    EXPECT_EQ(effect.tapeLeft.rngState, TapeTransport::kSeed);
    EXPECT_EQ(effect.tapeRight.rngState, TapeTransport::kSeed);
    EXPECT_EQ(effect.heatLeft.rngState, walked);
    EXPECT_EQ(effect.heatLeft.glueGain, 1.0);
    for (const auto* state : { &effect.ageLowA, &effect.ageLowB, &effect.ageLowC, &effect.ageHigh, &effect.agePresence,
                               &effect.dcIn, &effect.dcOut })
        EXPECT_EQ(*state, (std::array<double, 2> {}));
}

// A block longer than the prepared size is processed only up to that size.
TEST(DreamEffect, ProcessesNoMoreThanThePreparedBlock)
{
    DreamEffect effect = preparedEffect(64);
    StereoBlock s = noise(100, 0.5);
    const StereoBlock input = s;
    setAmounts(effect, { 0.5, 0.5, 1.0, 1.0 });
    effect.process(s.left.data(), s.right.data(), 100);
    EXPECT_NE(s.left[63], input.left[63]);
    for (size_t i = 64; i < 100; ++i)
    {
        ASSERT_EQ(s.left[i], input.left[i]);
        ASSERT_EQ(s.right[i], input.right[i]);
    }
}

} // namespace
