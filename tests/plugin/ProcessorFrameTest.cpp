#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
struct LatencyListener : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged(juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails& details) override
    {
        if (details.latencyChanged)
            ++latencyNotifications;
    }
    int latencyNotifications = 0;
};

void setParameter(VelmoraProcessor& p, const char* id, float value)
{
    auto* parameter = p.apvts.getParameter(id);
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
}

void prepare(VelmoraProcessor& p, double rate, int block)
{
    p.setRateAndBufferSizeDetails(rate, block);
    p.prepareToPlay(rate, block);
}

juce::AudioBuffer<float> noiseBuffer(int channels, int samples, juce::uint32 seed)
{
    juce::Random random(static_cast<juce::int64>(seed));
    juce::AudioBuffer<float> b(channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            b.setSample(c, i, random.nextFloat() * 0.4f - 0.2f);
    return b;
}

struct LatencyCase
{
    double rate;
    int latency;
};

class ProcessorLatency : public testing::TestWithParam<LatencyCase>
{
};

TEST_P(ProcessorLatency, IsTheLookaheadAtTheRate)
{
    VelmoraProcessor p;
    prepare(p, GetParam().rate, 512);
    EXPECT_EQ(p.getLatencySamples(), GetParam().latency);
}

INSTANTIATE_TEST_SUITE_P(Rates, ProcessorLatency,
                         testing::Values(LatencyCase { 44100.0, 221 }, LatencyCase { 48000.0, 240 },
                                         LatencyCase { 96000.0, 480 }, LatencyCase { 22050.0, 110 },
                                         LatencyCase { 100.0, 1 }));

TEST(ProcessorLatency, TheHostIsToldOnlyWhenItChanges)
{
    VelmoraProcessor p;
    LatencyListener listener;
    p.addListener(&listener);
    prepare(p, 44100.0, 512);
    EXPECT_EQ(listener.latencyNotifications, 1);
    prepare(p, 44100.0, 256);
    EXPECT_EQ(listener.latencyNotifications, 1);
    prepare(p, 48000.0, 256);
    EXPECT_EQ(listener.latencyNotifications, 2);
    EXPECT_EQ(p.getLatencySamples(), 240);
    p.removeListener(&listener);
}

TEST(ProcessorFrame, DescribesItselfToTheHost)
{
    VelmoraProcessor p;
    EXPECT_EQ(p.getName(), "VELMORA");
    EXPECT_EQ(p.getTailLengthSeconds(), 60.0);
    EXPECT_FALSE(p.acceptsMidi());
    EXPECT_FALSE(p.producesMidi());
    EXPECT_FALSE(p.isMidiEffect());
    EXPECT_TRUE(p.hasEditor());
    EXPECT_EQ(p.getBus(true, 0)->getName(), "Input");
    EXPECT_EQ(p.getBus(false, 0)->getName(), "Output");
    EXPECT_EQ(p.getMainBusNumInputChannels(), 2);
    EXPECT_EQ(p.getMainBusNumOutputChannels(), 2);
}

TEST(ProcessorFrame, HasOneNamedProgramThatChangesNothing)
{
    VelmoraProcessor p;
    setParameter(p, "mix", 0.7f);
    EXPECT_EQ(p.getNumPrograms(), 1);
    EXPECT_EQ(p.getCurrentProgram(), 0);
    EXPECT_EQ(p.getProgramName(0), "Default");
    p.setCurrentProgram(0);
    p.changeProgramName(0, "Renamed");
    EXPECT_EQ(p.getProgramName(0), "Default");
    EXPECT_FLOAT_EQ(p.apvts.getRawParameterValue("mix")->load(), 0.7f);
}

struct LayoutCase
{
    juce::AudioChannelSet input, output;
    bool supported;
};

class ProcessorLayouts : public testing::TestWithParam<LayoutCase>
{
};

TEST_P(ProcessorLayouts, AcceptStereoOrMonoIntoStereoOnly)
{
    VelmoraProcessor p;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(GetParam().input);
    layout.outputBuses.add(GetParam().output);
    EXPECT_EQ(p.checkBusesLayoutSupported(layout), GetParam().supported);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProcessorLayouts,
    testing::Values(LayoutCase { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo(), true },
                    LayoutCase { juce::AudioChannelSet::mono(), juce::AudioChannelSet::stereo(), true },
                    LayoutCase { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::mono(), false },
                    LayoutCase { juce::AudioChannelSet::mono(), juce::AudioChannelSet::mono(), false },
                    LayoutCase { juce::AudioChannelSet::create5point1(), juce::AudioChannelSet::stereo(), false },
                    LayoutCase { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::create5point1(), false }));

// The reverb and the character stages treat left and right differently on
// purpose, so the check is on what the engine took in: its gained input.
TEST(ProcessorFrame, AMonoInputReachesTheEngineOnBothChannels)
{
    VelmoraProcessor p;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(juce::AudioChannelSet::mono());
    layout.outputBuses.add(juce::AudioChannelSet::stereo());
    ASSERT_TRUE(p.setBusesLayout(layout));
    prepare(p, 48000.0, 256);

    juce::MidiBuffer midi;
    double sum = 0.0;
    for (int block = 0; block < 40; ++block)
    {
        auto buffer = noiseBuffer(2, 256, static_cast<juce::uint32>(block + 1));
        for (int i = 0; i < 256; ++i)
            buffer.setSample(1, i, 0.9f); // whatever the host leaves in the unused input channel
        p.processBlock(buffer, midi);
        for (size_t i = 0; i < 256; ++i)
        {
            ASSERT_EQ(p.engine.inLeft[i], p.engine.inRight[i]) << "block " << block << " sample " << i;
            sum += std::abs(p.engine.inLeft[i]);
        }
    }
    EXPECT_GT(sum, 1.0);
}

TEST(ProcessorFrame, ABlockLongerThanPreparedPassesUntouched)
{
    VelmoraProcessor p;
    prepare(p, 48000.0, 256);
    auto buffer = noiseBuffer(2, 512, 7);
    const auto before = buffer;
    juce::MidiBuffer midi;
    p.processBlock(buffer, midi);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ(buffer.getSample(c, i), before.getSample(c, i));
}

TEST(ProcessorFrame, RoutingChangesFromTheHostArriveWithTheTimer)
{
    VelmoraProcessor p;
    prepare(p, 48000.0, 256);
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer(2, 256);
    buffer.clear();
    p.processBlock(buffer, midi);
    ASSERT_EQ(p.engine.params.char_pos, 0);
    ASSERT_TRUE(p.engine.params.shimmer_path);

    setParameter(p, "char_pos", 2.0f);
    setParameter(p, "shimmer_path", 0.0f);
    p.processBlock(buffer, midi);
    EXPECT_EQ(p.engine.params.char_pos, 0) << "the routing pair moves only with the packed word";
    EXPECT_TRUE(p.engine.params.shimmer_path);

    p.timerCallback();
    p.processBlock(buffer, midi);
    EXPECT_EQ(p.engine.params.char_pos, 2);
    EXPECT_FALSE(p.engine.params.shimmer_path);
}

TEST(ProcessorFrame, HandsOverParametersWithTheirConversions)
{
    VelmoraProcessor p;
    setParameter(p, "shimmer", 1.0f);
    setParameter(p, "damping", 0.5f);
    setParameter(p, "char_order", 4.0f);
    setParameter(p, "filter_path", 1.0f);
    setParameter(p, "tilt_eq", -3.0f);
    prepare(p, 48000.0, 64);
    juce::AudioBuffer<float> buffer(2, 64);
    buffer.clear();
    juce::MidiBuffer midi;
    p.processBlock(buffer, midi);
    const auto& s = p.engine.params;
    EXPECT_FLOAT_EQ(s.shimmer, 0.9f);
    EXPECT_FLOAT_EQ(s.damping, 0.4f);
    EXPECT_EQ(s.char_order, 4);
    EXPECT_TRUE(s.filter_path);
    EXPECT_FALSE(s.dream_path);
    EXPECT_FLOAT_EQ(s.tilt_eq, -3.0f);
}

// Two reserved parameters are stored and shown, but never reach the sound.
TEST(ProcessorFrame, ReservedParametersLeaveTheAudioUnchanged)
{
    const auto render = [](bool touchReserved)
    {
        VelmoraProcessor p;
        if (touchReserved)
        {
            setParameter(p, "early_mod", 1.0f);
            setParameter(p, "gate", -10.0f);
        }
        setParameter(p, "mix", 0.5f);
        prepare(p, 48000.0, 512);
        juce::MidiBuffer midi;
        std::vector<float> out;
        for (int block = 0; block < 50; ++block)
        {
            auto buffer = noiseBuffer(2, 512, static_cast<juce::uint32>(block + 1));
            p.processBlock(buffer, midi);
            out.insert(out.end(), buffer.getReadPointer(0), buffer.getReadPointer(0) + 512);
        }
        return out;
    };
    EXPECT_EQ(render(false), render(true));
}
} // namespace
