#include "support/AllocationCounter.h"

#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
// Loading a state between blocks leaves the audio thread a reset to do; that
// reset, and the metering and spectrum analysis around the engine, must not
// allocate either.
TEST(AudioThread, NeverAllocatesWhenItClearsTheEngineForALoadedState)
{
    VelmoraProcessor p;
    p.setRateAndBufferSizeDetails(48000.0, 512);
    p.prepareToPlay(48000.0, 512);

    juce::MemoryBlock state;
    p.getStateInformation(state);

    juce::Random random(99);
    juce::AudioBuffer<float> buffer(2, 512);
    juce::MidiBuffer midi;
    for (int block = 0; block < 64; ++block)
    {
        if (block % 8 == 3)
            p.setStateInformation(state.getData(), static_cast<int>(state.getSize()));

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                buffer.setSample(c, i, random.nextFloat() - 0.5f);

        velmora::test::AllocationScope scope;
        p.processBlock(buffer, midi);
        ASSERT_EQ(scope.count(), 0u) << "processBlock allocated in block " << block;
    }
    EXPECT_GT(p.analysis.mid.load() + p.analysis.high.load(), 0.0f) << "the analysis never ran";
}
} // namespace
