#include "support/EngineHarness.h"
#include "support/FrequencyAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using velmora::test::EngineHarness;
using velmora::test::Stereo;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kHop = SpectralPitchShifter::kHopSize;
constexpr size_t kBlocksPerSecond = 94;

// Everything that could colour the octave layers is out of the way: no
// character, open filters, no ducking, wet only.
ParameterSnapshot plainWet()
{
    ParameterSnapshot p;
    p.mix = 1.0f;
    p.drive = 0.0f;
    p.dream = 0.0f;
    p.saturation = 0.0f;
    p.mod_depth = 0.0f;
    p.hpf_freq = 20.0f;
    p.lpf_freq = 20000.0f;
    p.ducking_amount = 0.0f;
    return p;
}

// What the engine computed inside each block, read between blocks.
struct BlockTrace
{
    std::vector<double> ascendLayer; // the shimmer feed holds the block's octave-up layer until the next block
    std::vector<double> pitchLayer;  // the last octave layer the block ran
};

struct TracedRun
{
    Stereo output;
    BlockTrace trace;
};

TracedRun runTraced(const ParameterSnapshot& params, const Stereo& input,
                    const std::function<void(int, ParameterSnapshot&)>& beforeBlock = {})
{
    EXPECT_EQ(input.size() % kBlock, 0u) << "whole blocks only";
    EngineHarness h(kRate, kBlock, params);
    TracedRun r { Stereo::silence(input.size()), {} };
    juce::AudioBuffer<float> buffer(2, kBlock);
    int block = 0;
    for (size_t start = 0; start + kBlock <= input.size(); start += kBlock, ++block)
    {
        std::copy_n(input.left.begin() + static_cast<std::ptrdiff_t>(start), kBlock, buffer.getWritePointer(0));
        std::copy_n(input.right.begin() + static_cast<std::ptrdiff_t>(start), kBlock, buffer.getWritePointer(1));
        if (beforeBlock)
            beforeBlock(block, h.engine->params);
        h.engine->processBlock(buffer);
        std::copy_n(buffer.getReadPointer(0), kBlock, r.output.left.begin() + static_cast<std::ptrdiff_t>(start));
        std::copy_n(buffer.getReadPointer(1), kBlock, r.output.right.begin() + static_cast<std::ptrdiff_t>(start));
        r.trace.ascendLayer.insert(r.trace.ascendLayer.end(), h.engine->shimmerFeedLeft.begin(),
                                   h.engine->shimmerFeedLeft.begin() + kBlock);
        r.trace.pitchLayer.insert(r.trace.pitchLayer.end(), h.engine->pitchLeft.begin(),
                                  h.engine->pitchLeft.begin() + kBlock);
    }
    return r;
}

size_t firstNonZero(const std::vector<double>& x, size_t from = 0)
{
    for (size_t i = from; i < x.size(); ++i)
        if (x[i] != 0.0)
            return i;
    return x.size();
}

size_t firstDifference(const Stereo& a, const Stereo& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (a.left[i] != b.left[i] || a.right[i] != b.right[i])
            return i;
    return a.size();
}

double peakAbs(const std::vector<double>& x)
{
    double p = 0.0;
    for (const double v : x)
        p = std::max(p, std::abs(v));
    return p;
}

std::string pathName(bool shimmerIntoReverb)
{
    return shimmerIntoReverb ? "ShimmerIntoReverb" : "ShimmerOnTop";
}

struct LayerCase
{
    bool ascend;
    bool shimmerIntoReverb;
    double expected; // for a 1 kHz input
};

class EngineOctaveLayer : public testing::TestWithParam<LayerCase>
{
};

// The layers are read where the engine leaves them: the octave-up layer in
// the shimmer feed, the octave-down layer (alone here) in the pitch buffer.
// Whatever the reverb does to a steady 1 kHz tone, it stays a 1 kHz tone.
TEST_P(EngineOctaveLayer, ShiftsTheWetSignalByAnOctaveInEitherShimmerPath)
{
    const auto c = GetParam();
    ParameterSnapshot p = plainWet();
    p.shimmer_path = c.shimmerIntoReverb;
    (c.ascend ? p.ascend : p.descend) = 1.0f;

    const auto r = runTraced(p, velmora::test::sine(kBlocksPerSecond * 4 * kBlock, 1000.0, kRate, 0.1f));
    const auto& layer = c.ascend ? r.trace.ascendLayer : r.trace.pitchLayer;
    const size_t from = layer.size() - velmora::test::kSpectrumSize;
    EXPECT_NEAR(velmora::test::peakFrequency(layer, from, kRate), c.expected, 5.0);
}

INSTANTIATE_TEST_SUITE_P(Layers, EngineOctaveLayer,
                         testing::Values(LayerCase { true, true, 2000.0 }, LayerCase { true, false, 2000.0 },
                                         LayerCase { false, true, 500.0 }, LayerCase { false, false, 500.0 }),
                         [](const auto& testInfo) {
                             return std::string(testInfo.param.ascend ? "Ascend_" : "Descend_") +
                                    pathName(testInfo.param.shimmerIntoReverb);
                         });

class ShimmerPath : public testing::TestWithParam<bool>
{
};

// The feed is filled only by the octave-up layer: with ascend off the
// shimmer control has nothing to feed back.
TEST_P(ShimmerPath, WithoutAscendThereIsNoShimmer)
{
    ParameterSnapshot p = plainWet();
    p.shimmer_path = GetParam();
    p.ascend = 0.0f;
    p.descend = 0.5f;
    const Stereo input = velmora::test::noise(kBlocksPerSecond * kBlock, 0.2f);

    p.shimmer = 0.9f;
    const auto withShimmer = runTraced(p, input);
    p.shimmer = 0.0f;
    const auto withoutShimmer = runTraced(p, input);

    EXPECT_EQ(peakAbs(withShimmer.trace.ascendLayer), 0.0);
    EXPECT_EQ(firstDifference(withShimmer.output, withoutShimmer.output), input.size());
}

// With shimmer at 0 the octave-up layer still reaches the output: added
// straight to the wet path when the shimmer sits on top of the reverb, or
// only through the reverb (recirculating at a quarter) when it feeds it. The
// layer computed in a block is then not heard before the next block's reverb
// input, whatever the reverb does.
TEST_P(ShimmerPath, DecidesWhetherTheOctaveUpLayerIsHeardDirectly)
{
    const bool intoReverb = GetParam();
    ParameterSnapshot p = plainWet();
    p.shimmer_path = intoReverb;
    p.shimmer = 0.0f;
    const Stereo input = velmora::test::sine(kBlocksPerSecond * kBlock, 1000.0, kRate, 0.1f);

    p.ascend = 1.0f;
    const auto withAscend = runTraced(p, input);
    p.ascend = 0.0f;
    const auto withoutAscend = runTraced(p, input);

    const size_t layerStarts = firstNonZero(withAscend.trace.ascendLayer);
    ASSERT_LT(layerStarts, input.size());
    const size_t nextBlock = (layerStarts / kBlock + 1) * kBlock;
    const size_t heardFrom = firstDifference(withAscend.output, withoutAscend.output);
    ASSERT_LT(heardFrom, input.size()) << "the octave-up layer is never heard";
    if (intoReverb)
        EXPECT_GE(heardFrom, nextBlock);
    else
        EXPECT_LT(heardFrom, nextBlock);
}

// Switching a layer off clears its shifters once; they are then left alone,
// and switching it on again starts from silence: nothing for a hop, then the
// layer again.
TEST_P(ShimmerPath, ALayerSwitchedOffIsClearedOnceAndRestartsFromSilence)
{
    for (const bool ascend : { true, false })
    {
        SCOPED_TRACE(ascend ? "ascend" : "descend");
        ParameterSnapshot p = plainWet();
        p.shimmer_path = GetParam();
        constexpr int offAt = 20, onAt = 30;
        const auto schedule = [ascend](int block, ParameterSnapshot& s)
        { (ascend ? s.ascend : s.descend) = block >= offAt && block < onAt ? 0.0f : 0.8f; };

        EngineHarness h(kRate, kBlock, p);
        auto& shifter = ascend ? h.engine->ascendLeft : h.engine->descendLeft;
        const bool& cleared = ascend ? h.engine->ascendCleared : h.engine->descendCleared;
        const auto& layer = ascend ? h.engine->shimmerFeedLeft : h.engine->pitchLeft;
        const Stereo input = velmora::test::noise(kBlock, 0.2f);
        std::vector<double> restarted;

        for (int block = 0; block < onAt + 6; ++block)
        {
            h.run(input, [&](int, ParameterSnapshot& s) { schedule(block, s); });
            // The amount is read at the start of a block, before this block's
            // target moves it: a change is heard from the next block on.
            const bool wasOff = block > offAt && block <= onAt;
            if (wasOff)
            {
                EXPECT_TRUE(cleared) << "block " << block;
                EXPECT_EQ(shifter.hopCounter, kHop) << "block " << block;
                EXPECT_EQ(shifter.inputWritePos, 0) << "block " << block;
                EXPECT_EQ(peakAbs(shifter.outUp) + peakAbs(shifter.outDown), 0.0) << "block " << block;
            }
            if (block > onAt)
                restarted.insert(restarted.end(), layer.begin(), layer.begin() + kBlock);
        }
        ASSERT_FALSE(cleared);
        EXPECT_EQ(firstNonZero(restarted), static_cast<size_t>(kHop));
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, ShimmerPath, testing::Bool(),
                         [](const auto& testInfo) { return pathName(testInfo.param); });

// The limiter works on the feed alone, so it is driven here directly: the
// wet path is zeroed, the feed filled, and what lands in wet is exactly what
// was injected.
class ShimmerFeed : public testing::Test
{
protected:
    ShimmerFeed() { h.engine->smoothers.shimmer.setCurrentAndTargetValue(0.9f); }

    std::vector<double> inject(bool limited, const std::function<double(size_t)>& feed)
    {
        auto& e = *h.engine;
        std::fill(e.wetLeft.begin(), e.wetLeft.end(), 0.0);
        std::fill(e.wetRight.begin(), e.wetRight.end(), 0.0);
        for (size_t i = 0; i < kBlock; ++i)
        {
            e.shimmerFeedLeft[i] = feed(sample + i);
            e.shimmerFeedRight[i] = -0.5 * feed(sample + i);
        }
        sample += kBlock;
        if (limited)
            e.limitedShimmerFeed(kBlock);
        else
            e.plainShimmerFeed(kBlock);
        EXPECT_EQ(peakAbs(e.shimmerFeedLeft) + peakAbs(e.shimmerFeedRight), 0.0) << "the feed is consumed";
        return e.wetLeft;
    }

    EngineHarness h { kRate, kBlock };
    size_t sample = 0;
};

double hotSine(size_t i)
{
    return 3.0 * std::sin(2.0 * juce::MathConstants<double>::pi * 1000.0 * static_cast<double>(i) / kRate);
}

// A feed far above 0.5 is pulled back, steadily, to about 0.5: under twice
// that within 75 ms, and close to it after 150 ms.
TEST_F(ShimmerFeed, IntoTheReverbIsPulledBackTowardsHalfScale)
{
    const double k = 0.25 + 0.55 * double(0.9f);
    std::vector<double> blockPeaks;
    for (int block = 0; block < 20; ++block) // about 210 ms
        blockPeaks.push_back(peakAbs(inject(true, hotSine)));

    EXPECT_GT(blockPeaks.front(), 2.0); // the limiter starts open
    EXPECT_LT(blockPeaks.front(), 3.0 * k + 1e-9);
    const auto blocksIn = [](double seconds) { return static_cast<size_t>(std::ceil(seconds * kRate / kBlock)); };
    for (size_t b = 1; b < blockPeaks.size(); ++b)
    {
        EXPECT_LE(blockPeaks[b], blockPeaks[b - 1]) << "block " << b;
        if (b >= blocksIn(0.075))
        {
            EXPECT_LT(blockPeaks[b], 1.0) << "block " << b;
        }
        if (b >= blocksIn(0.15))
        {
            EXPECT_NEAR(blockPeaks[b], 0.5, 0.1) << "block " << b;
        }
    }
    EXPECT_NEAR(h.engine->shimmerGain * h.engine->shimmerEnvelope, 0.5, 0.05);
}

// However hot the feed, from the first sample on, no injected sample is
// larger than 4, in either path (the limiter's gain needs time to come down;
// on top of the reverb there is no limiter, and a long decay could otherwise
// let the loop grow until it overflowed).
TEST_F(ShimmerFeed, NeverInjectsMoreThanFourInEitherPath)
{
    const auto wild = [](size_t i) { return i % 97 == 0 ? 1.0e9 : 40.0 * hotSine(i); };
    for (const bool limited : { true, false })
        for (int block = 0; block < 10; ++block)
        {
            const auto injected = inject(limited, wild);
            EXPECT_LE(peakAbs(injected), VelmoraEngine::kShimmerFeedCeiling) << "block " << block;
            if (block == 0)
            {
                EXPECT_EQ(peakAbs(injected), VelmoraEngine::kShimmerFeedCeiling);
            }
        }
}

// On top of the reverb the feed goes in at the shimmer amount, without the
// limiter, which rests.
TEST_F(ShimmerFeed, OnTopOfTheReverbIsScaledByShimmerAlone)
{
    inject(true, hotSine);
    ASSERT_LT(h.engine->shimmerGain, 1.0);

    const size_t start = sample;
    const auto injected = inject(false, hotSine);
    for (size_t i = 0; i < kBlock; ++i)
        ASSERT_DOUBLE_EQ(injected[i], double(0.9f) * hotSine(start + i));
    EXPECT_EQ(h.engine->shimmerEnvelope, 0.0);
    EXPECT_EQ(h.engine->shimmerGain, 1.0);
}

TEST(OctaveLayers, ResetClearsTheShiftersTheFeedAndTheLimiter)
{
    ParameterSnapshot p = plainWet();
    p.ascend = p.descend = 1.0f;
    p.shimmer = 0.9f;
    EngineHarness h(kRate, kBlock, p);
    h.run(velmora::test::noise(48000, 0.5f));
    auto& e = *h.engine;
    ASSERT_GT(peakAbs(e.shimmerFeedLeft), 0.0);

    e.reset();

    for (const auto* s : { &e.ascendLeft, &e.ascendRight, &e.descendLeft, &e.descendRight })
    {
        EXPECT_EQ(peakAbs(s->inputRing) + peakAbs(s->outUp) + peakAbs(s->outDown), 0.0);
        EXPECT_EQ(s->hopCounter, kHop);
        EXPECT_EQ(s->outputReadPos, 0);
    }
    EXPECT_EQ(e.ascendLeft.phaseSpin, VelmoraEngine::kPhaseSpins[0]);
    EXPECT_EQ(e.descendRight.phaseSpin, VelmoraEngine::kPhaseSpins[3]);
    EXPECT_EQ(peakAbs(e.shimmerFeedLeft) + peakAbs(e.shimmerFeedRight), 0.0);
    EXPECT_EQ(e.shimmerEnvelope, 0.0);
    EXPECT_EQ(e.shimmerGain, 1.0);
    EXPECT_FALSE(e.ascendCleared);
    EXPECT_FALSE(e.descendCleared);
}

} // namespace
