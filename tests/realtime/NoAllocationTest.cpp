#include "support/AllocationCounter.h"

#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
void setParameter(VelmoraProcessor& p, const char* id, float value)
{
    auto* parameter = p.apvts.getParameter(id);
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
}

TEST(AllocationCounter, SeesAnAllocation)
{
    velmora::test::AllocationScope scope;
    auto* volatile p = new std::string(100, 'x');
    delete p;
    EXPECT_GT(scope.count(), 0u);
}

struct Routing
{
    int charPos;
    bool shimmerPath;
};

class AudioThread : public testing::TestWithParam<Routing>
{
};

// The audio callback must never allocate: not in any routing, not while the
// parameters move, not across routing fades.
TEST_P(AudioThread, NeverAllocatesWhileParametersMove)
{
    const auto routing = GetParam();
    VelmoraProcessor p;
    setParameter(p, "char_pos", static_cast<float>(routing.charPos));
    setParameter(p, "shimmer_path", routing.shimmerPath ? 1.0f : 0.0f);
    setParameter(p, "dream", 0.8f);
    setParameter(p, "hiss", 0.5f);
    setParameter(p, "derez", 0.4f);
    setParameter(p, "ascend", 0.6f);
    setParameter(p, "descend", 0.6f);
    setParameter(p, "shimmer", 0.7f);
    setParameter(p, "ducking_amount", 0.5f);
    p.setRateAndBufferSizeDetails(48000.0, 512);
    p.prepareToPlay(48000.0, 512);

    juce::Random random(1234);
    juce::AudioBuffer<float> buffer(2, 512);
    juce::MidiBuffer midi;
    for (int block = 0; block < 300; ++block)
    {
        // Parameter moves happen between blocks, on the "host" side.
        setParameter(p, "mix", random.nextFloat());
        setParameter(p, "dimension", 0.5f + 4.5f * random.nextFloat());
        setParameter(p, "expanse", 40.0f * random.nextFloat());
        setParameter(p, "hpf_freq", 30.0f + 900.0f * random.nextFloat());
        setParameter(p, "lpf_freq", 500.0f + 19000.0f * random.nextFloat());
        setParameter(p, "tilt_eq", -12.0f + 24.0f * random.nextFloat());
        setParameter(p, "drive", random.nextFloat());
        setParameter(p, "dream", random.nextFloat());
        setParameter(p, "derez", random.nextFloat());
        setParameter(p, "ascend", random.nextFloat());
        setParameter(p, "descend", random.nextFloat());
        if (block % 40 == 0)
        {
            setParameter(p, "char_order", static_cast<float>((block / 40) % 6));
            setParameter(p, "filter_path", (block / 40) % 2 == 0 ? 1.0f : 0.0f);
            setParameter(p, "dream_path", (block / 80) % 2 == 0 ? 1.0f : 0.0f);
        }
        p.timerCallback();

        const int n = 1 + random.nextInt(512);
        buffer.setSize(2, n, false, false, true);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                buffer.setSample(c, i, random.nextFloat() - 0.5f);

        velmora::test::AllocationScope scope;
        p.processBlock(buffer, midi);
        ASSERT_EQ(scope.count(), 0u) << "processBlock allocated in block " << block;
    }
}

INSTANTIATE_TEST_SUITE_P(AllRoutings, AudioThread,
                         testing::Values(Routing { 0, true }, Routing { 0, false }, Routing { 1, true },
                                         Routing { 1, false }, Routing { 2, true }, Routing { 2, false }),
                         [](const auto& testInfo)
                         {
                             return std::string(testInfo.param.charPos == 0   ? "First"
                                                : testInfo.param.charPos == 1 ? "Middle"
                                                                              : "Last") +
                                    (testInfo.param.shimmerPath ? "ShimmerIntoReverb" : "ShimmerOnTop");
                         });
} // namespace
