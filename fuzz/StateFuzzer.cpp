// Any byte string a host may hand back as the plug-in's state. Besides the
// sanitizers' own checks, every input must leave each parameter a number
// inside its range, must save a state that loads back to exactly the same
// values, and must leave an engine that still makes finite audio.

#include "PluginProcessor.h"

#include <juce_events/juce_events.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 64;

struct Fixture
{
    Fixture()
    {
        for (auto* p : { &loaded, &mirror })
        {
            p->setRateAndBufferSizeDetails(kRate, kBlock);
            p->prepareToPlay(kRate, kBlock);
        }
    }

    juce::ScopedJuceInitialiser_GUI juce;
    VelmoraProcessor loaded;
    VelmoraProcessor mirror;
    juce::AudioBuffer<float> block { 2, kBlock };
    juce::MidiBuffer midi;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

[[noreturn]] void fail(const char* what, const char* id, double a, double b)
{
    std::fprintf(stderr, "state fuzz: %s (%s: %.9g vs %.9g)\n", what, id, a, b);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto& f = fixture();
    f.loaded.setStateInformation(data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));

    for (const auto& spec : velmora::params::kParameterSpecs)
    {
        const auto value = static_cast<double>(f.loaded.apvts.getRawParameterValue(spec.id.data())->load());
        if (!std::isfinite(value) || value < static_cast<double>(spec.min) || value > static_cast<double>(spec.max))
            fail("a parameter left its range", spec.id.data(), value, static_cast<double>(spec.min));
    }

    juce::MemoryBlock saved;
    f.loaded.getStateInformation(saved);
    f.mirror.setStateInformation(saved.getData(), static_cast<int>(saved.getSize()));
    for (const auto& spec : velmora::params::kParameterSpecs)
    {
        const auto a = static_cast<double>(f.loaded.apvts.getRawParameterValue(spec.id.data())->load());
        const auto b = static_cast<double>(f.mirror.apvts.getRawParameterValue(spec.id.data())->load());
        if (std::abs(a - b) > 1e-5 * std::max(1.0, std::abs(a)))
            fail("a saved state did not load back", spec.id.data(), a, b);
    }
    if (!(f.loaded.getPageFields() == f.mirror.getPageFields()))
        fail("page fields did not load back", "", f.loaded.presetIndex, f.mirror.presetIndex);

    f.loaded.timerCallback();
    f.block.clear();
    f.block.setSample(0, 0, 0.5f);
    f.loaded.processBlock(f.block, f.midi);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kBlock; ++i)
            if (!std::isfinite(f.block.getSample(c, i)))
                fail("the engine made a sample that is not a number", "output", i, c);
    return 0;
}
