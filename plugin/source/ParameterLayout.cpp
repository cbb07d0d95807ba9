#include "ParameterLayout.h"

#include "GainTravel.h"

namespace velmora::params
{
namespace
{
constexpr int kVersionHint = 1;

juce::String toJuce(std::string_view text)
{
    return juce::String::fromUTF8(text.data(), static_cast<int>(text.size()));
}

std::unique_ptr<juce::RangedAudioParameter> makeParameter(const ParameterSpec& spec)
{
    const juce::ParameterID id { toJuce(spec.id), kVersionHint };
    const auto name = toJuce(spec.name);

    switch (spec.kind)
    {
    case Kind::Float:
    {
        const auto range = spec.travel == Travel::Gain
                               ? makeGainRange()
                               : juce::NormalisableRange<float>(spec.min, spec.max, spec.step, spec.skew);
        return std::make_unique<juce::AudioParameterFloat>(
            id, name, range, spec.defaultValue,
            juce::AudioParameterFloatAttributes().withAutomatable(spec.automatable));
    }
    case Kind::Bool:
        return std::make_unique<juce::AudioParameterBool>(
            id, name, spec.defaultValue >= 0.5f,
            juce::AudioParameterBoolAttributes().withAutomatable(spec.automatable));
    case Kind::Choice:
    {
        juce::StringArray choices;
        for (std::size_t i = 0; i < spec.numChoices; ++i)
            choices.add(toJuce(spec.choices[i]));
        return std::make_unique<juce::AudioParameterChoice>(
            id, name, choices, static_cast<int>(spec.defaultValue),
            juce::AudioParameterChoiceAttributes().withAutomatable(spec.automatable));
    }
    }
    return nullptr;
}
} // namespace

juce::NormalisableRange<float> makeGainRange()
{
    namespace gt = gain_travel;
    juce::NormalisableRange<float> range(
        0.0f, 1.0f, [](float, float, float position) { return static_cast<float>(gt::valueForPosition(position)); },
        [](float, float, float value) { return static_cast<float>(gt::positionForValue(value)); },
        [](float, float, float value) { return static_cast<float>(gt::snap(value)); });
    return range;
}

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (const auto& spec : kParameterSpecs)
        layout.add(makeParameter(spec));
    return layout;
}

} // namespace velmora::params
