#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// The two routing parameters packed into one word, so that the audio thread
// reads both in a single access: bit 4 the shimmer path, bits 0-3 the
// character position.
namespace velmora::routing_code
{

inline std::int32_t make(float shimmerPathRaw, float charPosRaw)
{
    const auto position = static_cast<std::int32_t>(std::clamp(std::lround(charPosRaw), 0L, 2L));
    const std::int32_t shimmerBit = shimmerPathRaw >= 0.5f ? 1 : 0;
    return (shimmerBit << 4) | position;
}

inline bool shimmerPath(std::int32_t code)
{
    return ((code >> 4) & 1) != 0;
}

inline int charPos(std::int32_t code)
{
    return std::min(static_cast<int>(code & 0xF), 2);
}

} // namespace velmora::routing_code
