#pragma once

// The travel of the input and output gain controls: three quarters of the
// travel reach unity (0.909) and the top quarter rises linearly to 1.0, so
// the useful range below unity gets most of the control's length.

#include <cmath>

namespace velmora::params::gain_travel
{

inline constexpr double kUnity = 0.909;
inline constexpr double kUnityPosition = 0.75;
inline constexpr double kTopSpan = 0.091; // from unity to the loudest setting, 1.0

constexpr double valueForPosition(double p)
{
    if (p <= kUnityPosition)
        return p / kUnityPosition * kUnity;
    return (p - kUnityPosition) * 4.0 * kTopSpan + kUnity;
}

constexpr double positionForValue(double v)
{
    if (v <= kUnity)
        return v / kUnity * kUnityPosition;
    return (v - kUnity) / kTopSpan * (1.0 - kUnityPosition) + kUnityPosition;
}

// Values snap to thousandths, halves away from zero.
inline double snap(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

} // namespace velmora::params::gain_travel
