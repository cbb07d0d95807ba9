#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace velmora::cli
{

inline constexpr double kDemoSampleRate = 48000.0;

// A few seconds of plucked notes and a closing chord, stereo at 48 kHz:
// short, dry, transient material that shows off a reverb's tail. Generated
// from a fixed seed, so every render of the demo starts from the same samples.
juce::AudioBuffer<float> makeDemoSignal();

} // namespace velmora::cli
