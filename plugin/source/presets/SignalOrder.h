#pragma once

// The six arrangements of the shimmer, the reverb and the character chain.
// A preset stores one; applying it sets the two routing parameters that
// realise it. The engine's routings carry the same names.

#include <array>
#include <string_view>

enum class SignalOrder : int
{
    SRC = 0, // shimmer, reverb, character
    RSC = 1, // reverb, shimmer, character
    ShimmerCharacterReverb = 2,
    ReverbCharacterShimmer = 3,
    CharacterShimmerReverb = 4,
    CharacterReverbShimmer = 5
};

namespace velmora::presets
{

struct Routing
{
    bool shimmerPath; // shimmer fed into the reverb
    int charPos;      // 0 first, 1 middle, 2 last
};

// Any value outside the six is treated as the shimmer laid on top with the
// character chain last.
constexpr Routing routingFor(SignalOrder order)
{
    switch (order)
    {
    case SignalOrder::SRC: return { true, 2 };
    case SignalOrder::RSC: return { false, 2 };
    case SignalOrder::ShimmerCharacterReverb: return { true, 1 };
    case SignalOrder::ReverbCharacterShimmer: return { false, 1 };
    case SignalOrder::CharacterShimmerReverb: return { true, 0 };
    case SignalOrder::CharacterReverbShimmer: return { false, 0 };
    }
    return { false, 2 };
}

// How the parameter report spells each order, index for index.
inline constexpr std::array<std::string_view, 6> kSignalOrderReportTexts {
    "SRC",
    "RSC",
    "SignalOrder::ShimmerCharacterReverb",
    "SignalOrder::ReverbCharacterShimmer",
    "SignalOrder::CharacterShimmerReverb",
    "SignalOrder::CharacterReverbShimmer",
};

} // namespace velmora::presets
