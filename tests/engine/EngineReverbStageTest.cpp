#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
using velmora::test::EngineHarness;
using velmora::test::Stereo;

constexpr double kRate = 48000.0;

bool networkIsSilent(const korvanedsp::_ReverbCore& core)
{
    return std::all_of(core.memory.begin(), core.memory.end(), [](float x) { return x == 0.0f; }) &&
           core.feedbackLeft == 0.0f && core.feedbackRight == 0.0f && core.started[1] == 0;
}

bool chorusIsAtRest(const DryChorus& chorus)
{
    const auto zero = [](double x) { return x == 0.0; };
    return std::all_of(chorus.bufferLeft.begin(), chorus.bufferLeft.end(), zero) &&
           std::all_of(chorus.bufferRight.begin(), chorus.bufferRight.end(), zero) && chorus.writePos == 0 &&
           chorus.phase == DryChorus::kStartPhase;
}

class EngineReverbPrepare : public testing::TestWithParam<double>
{
};

// The network runs at the host rate up to 192 kHz and as at 192 kHz above
// it; the chorus and the transfer buffers follow the host.
TEST_P(EngineReverbPrepare, BuildsAFreshStageForTheRateAndBlockSize)
{
    const double rate = GetParam();
    EngineHarness h(rate, 300);
    auto& e = *h.engine;
    ASSERT_NE(e.reverb.core, nullptr);
    EXPECT_EQ(e.reverb.core->rate, static_cast<float>(std::min(rate, 192000.0)));
    EXPECT_EQ(e.reverb.blockSize, 300);
    for (const auto* buffer :
         { &e.reverb.inputLeft, &e.reverb.inputRight, &e.reverb.outputLeft, &e.reverb.outputRight })
        EXPECT_EQ(buffer->size(), 300u);
    EXPECT_EQ(e.dryChorus.sampleRate, rate);
    EXPECT_TRUE(chorusIsAtRest(e.dryChorus));
    EXPECT_EQ(e.tailBlend, 0.0f);

    // A second prepare restarts the tail from silence.
    h.run(velmora::test::noise(static_cast<size_t>(rate / 10), 0.3f));
    ASSERT_FALSE(networkIsSilent(*e.reverb.core));
    e.prepare(rate, 128);
    EXPECT_TRUE(networkIsSilent(*e.reverb.core));
    EXPECT_TRUE(chorusIsAtRest(e.dryChorus));
    EXPECT_EQ(e.reverb.blockSize, 128);
    EXPECT_EQ(e.tailBlend, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, EngineReverbPrepare, testing::Values(44100.0, 48000.0, 96000.0, 192000.0, 384000.0));

TEST(EngineReverbReset, ClearsTheTailAndTheChorusButKeepsTheSettings)
{
    ParameterSnapshot p;
    p.dimension = 3.0f;
    EngineHarness h(kRate, 512, p);
    h.run(velmora::test::noise(24000, 0.3f));
    auto& e = *h.engine;
    ASSERT_FALSE(networkIsSilent(*e.reverb.core));

    e.reset();
    EXPECT_TRUE(networkIsSilent(*e.reverb.core));
    EXPECT_TRUE(chorusIsAtRest(e.dryChorus));
    EXPECT_EQ(e.tailBlend, 0.0f);
    EXPECT_EQ(e.reverb.core->size, 3.0f);
}

struct DecayCase
{
    float expanse, dimension;
    double gain; // per pass round the loop
};

class EngineReverbDecay : public testing::TestWithParam<DecayCase>
{
};

// Expanse is the decay time in seconds (at least 0.1 s) and dimension the
// size: g = 10^(-0.51 (1.25 size - 0.25) / decay time).
TEST_P(EngineReverbDecay, SetsTheLoopGainFromExpanseAndDimension)
{
    const auto c = GetParam();
    ParameterSnapshot p;
    p.expanse = c.expanse;
    p.dimension = c.dimension;
    EngineHarness h(kRate, 480, p);
    h.run(Stereo::silence(4800)); // past the controls' glides
    const auto& core = *h.engine->reverb.core;
    EXPECT_EQ(core.decayTime, std::max(c.expanse, 0.1f));
    EXPECT_EQ(core.size, c.dimension);
    EXPECT_NEAR(core.decayGain, c.gain, 1e-5 * c.gain);
}

INSTANTIATE_TEST_SUITE_P(Controls, EngineReverbDecay,
                         testing::Values(DecayCase { 40.0f, 0.5f, 0.98905114 }, DecayCase { 3.99f, 2.0f, 0.51571055 },
                                         DecayCase { 0.0f, 2.0f, 3.3496544e-12 },
                                         DecayCase { 12.0f, 5.0f, 0.55590425 }));

// At expanse 0 the stage's output is the chorus alone: the network still
// runs, but nothing of it reaches the rest of the wet path, whatever its
// settings. At 0.05 the network makes up half of it.
TEST(EngineReverbBlend, AtExpanseZeroTheNetworkDoesNotReachTheOutput)
{
    const Stereo input = velmora::test::noise(24000, 0.2f);
    const auto render = [&input](float expanse, float dimension, float diffusion, float damping)
    {
        ParameterSnapshot p;
        p.mix = 1.0f;
        p.expanse = expanse;
        p.dimension = dimension;
        p.diffusion = diffusion;
        p.damping = damping;
        EngineHarness h(kRate, 512, p);
        h.engine->smoothers.expanse.setCurrentAndTargetValue(expanse);
        const Stereo out = h.run(input);
        return std::make_pair(out, h.engine->tailBlend);
    };

    const auto [chorusA, weightA] = render(0.0f, 0.5f, 0.0f, 0.0f);
    const auto [chorusB, weightB] = render(0.0f, 5.0f, 1.0f, 0.8f);
    EXPECT_EQ(weightA, 0.0f);
    EXPECT_EQ(weightB, 0.0f);
    EXPECT_EQ(chorusA.left, chorusB.left);
    EXPECT_EQ(chorusA.right, chorusB.right);

    const auto [halfA, halfWeightA] = render(0.05f, 0.5f, 0.0f, 0.0f);
    const auto [halfB, halfWeightB] = render(0.05f, 5.0f, 1.0f, 0.8f);
    EXPECT_EQ(halfWeightA, 0.5f);
    EXPECT_EQ(halfWeightB, 0.5f);
    EXPECT_NE(halfA.left, halfB.left);
    EXPECT_NE(halfA.left, chorusA.left);
}

} // namespace
