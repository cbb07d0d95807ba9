#pragma once

#include <cmath>

namespace velmora
{

// Gain factor of the input and output gain controls: silence at or below
// 0.001, otherwise 66 dB of travel from -60 dB at 0 to +6 dB at 1, which puts
// unity (about -0.012 dB) at 0.909.
inline double gainForValue(float value)
{
    if (value <= 0.001f)
        return 0.0;
    return std::pow(10.0, (66.0 * static_cast<double>(value) - 60.0) / 20.0);
}

} // namespace velmora
