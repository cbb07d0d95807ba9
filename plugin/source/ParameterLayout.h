#pragma once

#include "ParameterTable.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace velmora::params
{

// The host parameters of the table, in table order, each with version hint 1.
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

// The range object of the gain travel, shared by input_gain and output_gain.
juce::NormalisableRange<float> makeGainRange();

} // namespace velmora::params
