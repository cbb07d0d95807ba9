#pragma once

#include "PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test
{

inline void setParameter(VelmoraProcessor& p, std::string_view id, float value)
{
    auto* parameter = p.apvts.getParameter(juce::String(std::string(id)));
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
}

inline float parameterValue(VelmoraProcessor& p, std::string_view id)
{
    return p.apvts.getRawParameterValue(juce::String(std::string(id)))->load();
}

// Every parameter's value, by id.
inline std::map<std::string, float> allParameterValues(VelmoraProcessor& p)
{
    std::map<std::string, float> values;
    for (const auto* id : params::kOrderedIds)
        values[id] = parameterValue(p, id);
    return values;
}

inline void prepare(VelmoraProcessor& p, double rate, int block)
{
    p.setRateAndBufferSizeDetails(rate, block);
    p.prepareToPlay(rate, block);
}

inline juce::MemoryBlock saveState(VelmoraProcessor& p)
{
    juce::MemoryBlock blob;
    p.getStateInformation(blob);
    return blob;
}

inline void loadState(VelmoraProcessor& p, const juce::MemoryBlock& blob)
{
    p.setStateInformation(blob.getData(), static_cast<int>(blob.getSize()));
}

// The binary envelope around any text, with the true length unless told.
inline juce::MemoryBlock wrapText(std::string_view text, long long lengthField = -1)
{
    juce::MemoryOutputStream out;
    out.writeInt(0x21324356);
    out.writeInt(static_cast<int>(lengthField < 0 ? static_cast<long long>(text.size()) : lengthField));
    out.write(text.data(), text.size());
    out.writeByte(0);
    return out.getMemoryBlock();
}

inline constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ";

inline juce::AudioBuffer<float> noiseBlock(int channels, int samples, float level, juce::int64 seed)
{
    juce::Random random(seed);
    juce::AudioBuffer<float> b(channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            b.setSample(c, i, (random.nextFloat() * 2.0f - 1.0f) * level);
    return b;
}

} // namespace velmora::test
