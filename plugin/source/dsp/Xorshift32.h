#pragma once

#include <cstdint>

namespace velmora
{

// The engine's random generator: xorshift32, with draws uniform in [0, 1).
// Every generator is seeded at prepare and reset, so renders repeat exactly.
inline double xorshiftDraw(std::uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) * (1.0 / 4294967296.0);
}

} // namespace velmora
