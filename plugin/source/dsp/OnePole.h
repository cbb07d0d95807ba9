#pragma once

#include <cmath>

// The one-pole smoothers and filters of the engine all follow one rule:
// state = c * state + (1 - c) * input. These give c for a time constant or a
// corner frequency.
namespace velmora::one_pole
{

inline double forSeconds(double seconds, double sampleRate)
{
    return std::exp(-1.0 / (seconds * sampleRate));
}

inline double forFrequency(double frequency, double sampleRate)
{
    constexpr double kTwoPi = 6.283185307179586476925286766559;
    return std::exp(-kTwoPi * frequency / sampleRate);
}

} // namespace velmora::one_pole
