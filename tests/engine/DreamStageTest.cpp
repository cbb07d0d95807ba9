#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace
{
using velmora::test::EngineHarness;
using velmora::test::Stereo;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// ---- the stage on the engine's wet buffers --------------------------------------

struct DreamStage
{
    explicit DreamStage(float saturation = 1.0f, float hiss = 1.0f)
    {
        engine.params.saturation = saturation;
        engine.params.hiss = hiss;
        engine.prepare(kRate, kBlock);
    }

    // Fills the wet buffers with a block of noise (or silence).
    void fill(double level)
    {
        for (int i = 0; i < kBlock; ++i)
        {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            const double v = level * (static_cast<double>(seed) / 2147483648.0 - 1.0);
            engine.wetLeft[static_cast<size_t>(i)] = v;
            engine.wetRight[static_cast<size_t>(i)] = -0.5 * v;
        }
    }

    // One block through the whole stage with the dream amount gliding to
    // `dream`.
    void block(float dream, double level)
    {
        engine.smoothers.dream.setTargetValue(dream);
        fill(level);
        engine.characterDream(kBlock);
    }

    VelmoraEngine engine;
    std::uint32_t seed = 3;
};

// At dream 0 the stage is a pass-through: the effect never runs, the level
// match stays at unity and the wow has no depth; hiss and saturation alone
// do nothing.
TEST(DreamStage, AtZeroPassesTheAudioUntouched)
{
    DreamStage stage;
    auto& e = stage.engine;
    for (int b = 0; b < 20; ++b)
    {
        stage.fill(0.5);
        const std::vector<double> left(e.wetLeft.begin(), e.wetLeft.begin() + kBlock);
        const std::vector<double> right(e.wetRight.begin(), e.wetRight.begin() + kBlock);
        e.characterDream(kBlock);
        ASSERT_TRUE(std::equal(left.begin(), left.end(), e.wetLeft.begin())) << "block " << b;
        ASSERT_TRUE(std::equal(right.begin(), right.end(), e.wetRight.begin())) << "block " << b;
    }
    EXPECT_EQ(e.levelMatchGain.getCurrentValue(), 1.0f);
    EXPECT_FALSE(e.dreamWasActive);
    EXPECT_EQ(e.dreamEffect.tapeLeft.lowpassState, 0.0);
    EXPECT_EQ(e.dreamEffect.heatLeft.rngState, HeatChannel::kLeftChannel.seed);
}

// Switched off, the effect keeps whatever its filters held; switched on
// again it starts from rest, with fresh envelopes. With saturation at 0 a
// silent block leaves every state of a rested effect at exactly 0.
TEST(DreamStage, ComingBackOnStartsTheEffectFromRest)
{
    DreamStage stage(0.0f, 0.0f);
    auto& e = stage.engine;
    for (int b = 0; b < 20; ++b)
        stage.block(0.5f, 0.3);
    ASSERT_TRUE(e.dreamWasActive);

    for (int b = 0; b < 10; ++b)
        stage.block(0.0f, 0.0);
    ASSERT_FALSE(e.dreamWasActive);
    ASSERT_NE(e.dreamEffect.ageHigh[0], 0.0) << "a switched-off effect should keep its states";
    ASSERT_GT(e.inputEnvelope, 0.0);

    stage.block(0.5f, 0.0);
    EXPECT_TRUE(e.dreamWasActive);
    EXPECT_EQ(e.inputEnvelope, 0.0);
    EXPECT_EQ(e.outputEnvelope, 0.0);
    EXPECT_EQ(e.dreamEffect.ageHigh, (std::array<double, 2> {}));
    EXPECT_EQ(e.dreamEffect.ageLowC, (std::array<double, 2> {}));
    EXPECT_EQ(e.dreamEffect.dcOut, (std::array<double, 2> {}));
    EXPECT_EQ(e.dreamEffect.tapeLeft.lowpassState, 0.0);
    EXPECT_EQ(e.dreamEffect.heatRight.toneState, 0.0);
}

struct LevelCase
{
    const char* what;
    double inputEnvelope;
    double outputEnvelope;
    float target;
};

class DreamLevelMatch : public testing::TestWithParam<LevelCase>
{
};

// The envelopes stand as after a block whose output was louder or quieter
// than its input; a silent block lets both fall alike, so their ratio holds.
TEST_P(DreamLevelMatch, AimsAtTheEnvelopeRatioWithinAFactorOfEight)
{
    const auto c = GetParam();
    DreamStage stage;
    stage.engine.inputEnvelope = c.inputEnvelope;
    stage.engine.outputEnvelope = c.outputEnvelope;
    stage.block(0.0f, 0.0);
    EXPECT_FLOAT_EQ(stage.engine.levelMatchGain.getTargetValue(), c.target);
}

INSTANTIATE_TEST_SUITE_P(Envelopes, DreamLevelMatch,
                         testing::Values(LevelCase { "output_16_times_louder", 0.1, 1.6, 0.125f },
                                         LevelCase { "output_16_times_quieter", 1.6, 0.1, 8.0f },
                                         LevelCase { "output_4_times_quieter", 0.4, 0.1, 4.0f },
                                         LevelCase { "silent_input", 0.000005, 0.1, 1.0f },
                                         LevelCase { "silent_output", 0.1, 0.000005, 1.0f }),
                         [](const auto& testInfo) { return std::string(testInfo.param.what); });

TEST(DreamLevelMatch, SilenceBringsTheGainBackToUnityOverATenthOfASecond)
{
    DreamStage stage;
    stage.engine.levelMatchGain.setCurrentAndTargetValue(8.0f);
    int samples = 0;
    while (samples + kBlock <= 4800)
    {
        stage.block(0.0f, 0.0);
        samples += kBlock;
        ASSERT_GT(stage.engine.levelMatchGain.getCurrentValue(), 1.0f) << "after " << samples << " samples";
    }
    stage.block(0.0f, 0.0);
    EXPECT_EQ(stage.engine.levelMatchGain.getCurrentValue(), 1.0f);
}

// ---- the stage in the engine's routings -----------------------------------------

ParameterSnapshot dreamy(int charPos, int charOrder, bool dreamPath, float mix)
{
    ParameterSnapshot p;
    p.char_pos = charPos;
    p.char_order = charOrder;
    p.dream_path = dreamPath;
    p.mix = mix;
    p.dream = 1.0f;
    p.saturation = 1.0f;
    p.hiss = 0.5f;
    return p;
}

// Runs with the mix control already at its value, so that at mix 0 the wet
// path has no say from the first sample on.
Stereo render(const ParameterSnapshot& p, const Stereo& input,
              const std::function<void(int, ParameterSnapshot&)>& beforeBlock = {}, int blockSize = kBlock)
{
    EngineHarness h(kRate, blockSize, p);
    h.engine->smoothers.mix.setCurrentAndTargetValue(p.mix);
    return h.run(input, beforeBlock);
}

double rmsDifference(const Stereo& a, const Stereo& b, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
    {
        const double d = double(a.left[i]) - double(b.left[i]);
        sum += d * d;
    }
    return std::sqrt(sum / double(to - from));
}

// After the mix, the dream circuit works on the mixed signal: at mix 0 it
// colours the dry signal, and what happens on the wet path no longer matters.
TEST(DreamAfterMix, ProcessesTheMixedSignal)
{
    const Stereo input = velmora::test::noise(24000, 0.3f);
    const Stereo plain = render(dreamy(2, 0, false, 0.0f), input);
    const Stereo dreamed = render(dreamy(2, 0, true, 0.0f), input);
    EXPECT_GT(rmsDifference(dreamed, plain, 4800, input.size()), 0.01);

    ParameterSnapshot otherWet = dreamy(2, 0, true, 0.0f);
    otherWet.drive = 1.0f;
    otherWet.expanse = 1.0f;
    otherWet.ascend = 0.8f;
    const Stereo dreamedOtherWet = render(otherWet, input);
    EXPECT_EQ(dreamedOtherWet.left, dreamed.left);
    EXPECT_EQ(dreamedOtherWet.right, dreamed.right);
}

struct RouteCase
{
    const char* what;
    int charPos;
    int charOrder;
    bool shimmerPath;
};

class DreamPathElsewhere : public testing::TestWithParam<RouteCase>
{
};

TEST_P(DreamPathElsewhere, ChangesNothing)
{
    const auto c = GetParam();
    const Stereo input = velmora::test::noise(24000, 0.3f);
    ParameterSnapshot off = dreamy(c.charPos, c.charOrder, false, 0.7f);
    off.shimmer_path = c.shimmerPath;
    ParameterSnapshot on = off;
    on.dream_path = true;
    const Stereo a = render(off, input);
    const Stereo b = render(on, input);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

INSTANTIATE_TEST_SUITE_P(Routes, DreamPathElsewhere,
                         testing::Values(RouteCase { "first", 0, 0, true }, RouteCase { "first_order_3", 0, 3, false },
                                         RouteCase { "middle_shimmer_in", 1, 0, true },
                                         RouteCase { "middle_shimmer_over", 1, 0, false },
                                         RouteCase { "last_order_1", 2, 1, true },
                                         RouteCase { "last_order_5", 2, 5, false }),
                         [](const auto& testInfo) { return std::string(testInfo.param.what); });

// Leaving the after-mix circuit by a routing change, its output fades into
// the plain mix with the routing fade; from the block in which the fade ends
// the output is the plain mix exactly.
TEST(DreamAfterMix, FadesOutWithARoutingChange)
{
    constexpr int kSmallBlock = 256;
    constexpr int kChangeBlock = 20;
    const Stereo input = velmora::test::noise(kSmallBlock * 40, 0.3f);
    const auto changeOrder = [](int block, ParameterSnapshot& p)
    {
        if (block >= kChangeBlock)
            p.char_order = 1;
    };
    const Stereo plain = render(dreamy(2, 0, false, 0.0f), input, changeOrder, kSmallBlock);

    EngineHarness h(kRate, kSmallBlock, dreamy(2, 0, true, 0.0f));
    h.engine->smoothers.mix.setCurrentAndTargetValue(0.0f);
    std::vector<double> fadeAfter;
    const Stereo dreamed = h.run(input,
                                 [&](int block, ParameterSnapshot& p)
                                 {
                                     if (block > 0)
                                         fadeAfter.push_back(h.engine->routing.wetFade);
                                     changeOrder(block, p);
                                 });

    const auto blockDifference = [&](int b)
    { return rmsDifference(dreamed, plain, size_t(b * kSmallBlock), size_t((b + 1) * kSmallBlock)); };
    const double before = blockDifference(kChangeBlock - 1);
    ASSERT_GT(before, 0.01);

    int fadeEnd = -1;
    for (int b = kChangeBlock; b < static_cast<int>(fadeAfter.size()); ++b)
        if (fadeAfter[static_cast<size_t>(b)] == 0.0)
        {
            fadeEnd = b;
            break;
        }
    ASSERT_GT(fadeEnd, kChangeBlock + 1) << "the fade-out lasts at least 25 ms";

    EXPECT_GT(blockDifference(kChangeBlock), 0.0);
    EXPECT_LT(blockDifference(fadeEnd - 1), 0.5 * before);
    // The blend follows the fade sample by sample, so the block in which the
    // fade reaches silence ends on the plain mix, and every later one is it.
    for (size_t i = size_t((fadeEnd + 1) * kSmallBlock) - 1; i < input.size(); ++i)
    {
        ASSERT_EQ(dreamed.left[i], plain.left[i]) << "at sample " << i;
        ASSERT_EQ(dreamed.right[i], plain.right[i]) << "at sample " << i;
    }
}

// ---- repeatability ---------------------------------------------------------------

struct RepeatCase
{
    const char* what;
    int charPos;
    bool dreamPath;
};

class DreamRepeatability : public testing::TestWithParam<RepeatCase>
{
};

TEST_P(DreamRepeatability, TwoRendersOfTheSameInputAreIdentical)
{
    const auto c = GetParam();
    const Stereo input = velmora::test::noise(48000, 0.4f);
    ParameterSnapshot p = dreamy(c.charPos, 0, c.dreamPath, 0.8f);
    p.hiss = 1.0f;
    const auto sweep = [](int block, ParameterSnapshot& q) { q.dream = std::min(1.0f, 0.02f * float(block)); };
    const Stereo a = render(p, input, sweep);
    const Stereo b = render(p, input, sweep);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

INSTANTIATE_TEST_SUITE_P(Routes, DreamRepeatability,
                         testing::Values(RepeatCase { "first", 0, false }, RepeatCase { "last_inline", 2, false },
                                         RepeatCase { "last_after_mix", 2, true }),
                         [](const auto& testInfo) { return std::string(testInfo.param.what); });

} // namespace
