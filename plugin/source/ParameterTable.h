#pragma once

// The one table of host parameters. The host layer builds its parameter
// objects from it, the command-line tool prints and parses from it, and the
// page's parameter data is generated from it. Creation order is host order.

#include <array>
#include <cstddef>
#include <string_view>

namespace velmora::params
{

enum class Kind
{
    Float,
    Bool,
    Choice
};

// How a float parameter maps its normalised position to its value.
enum class Travel
{
    Skewed, // JUCE's NormalisableRange: position = proportion ^ skew
    Gain    // the custom gain travel of GainTravel.h
};

inline constexpr std::size_t kMaxChoices = 6;

struct ParameterSpec
{
    std::string_view id;
    std::string_view name;
    Kind kind;
    float min;
    float max;
    float step; // 0 = continuous
    float skew;
    float defaultValue; // real units; a choice's index, a switch's 0 or 1
    bool automatable;
    Travel travel = Travel::Skewed;
    std::array<std::string_view, kMaxChoices> choices {};
    std::size_t numChoices = 0;
};

namespace detail
{
constexpr ParameterSpec floatParam(std::string_view id, std::string_view name, float min, float max, float step,
                                   float skew, float def, bool automatable)
{
    return { id, name, Kind::Float, min, max, step, skew, def, automatable };
}

constexpr ParameterSpec gainParam(std::string_view id, std::string_view name, float def)
{
    return { id, name, Kind::Float, 0.0f, 1.0f, 0.001f, 1.0f, def, true, Travel::Gain };
}

constexpr ParameterSpec boolParam(std::string_view id, std::string_view name, bool def, bool automatable)
{
    return { id, name, Kind::Bool, 0.0f, 1.0f, 1.0f, 1.0f, def ? 1.0f : 0.0f, automatable };
}
} // namespace detail

inline constexpr std::array<std::string_view, 3> kCharPosChoices { "First", "Middle", "Last" };

inline constexpr std::array<std::string_view, 6> kCharOrderChoices {
    "Drive Dream Derez", "Drive Derez Dream", "Dream Drive Derez",
    "Dream Derez Drive", "Derez Drive Dream", "Derez Dream Drive",
};

// Skews that put 2.0 and 0.1 at the middle of their travel: ln 0.5 / ln((centre - min) / (max - min)).
inline constexpr float kDimensionSkew = 0.63092977f;
inline constexpr float kWowRateSkew = 0.18790182f;

inline constexpr std::array<ParameterSpec, 31> kParameterSpecs { {
    detail::floatParam("mix", "Mix", 0.0f, 1.0f, 0.001f, 0.5f, 0.164f, true),
    detail::floatParam("dimension", "Dimension", 0.5f, 5.0f, 0.01f, kDimensionSkew, 2.0f, true),
    detail::floatParam("expanse", "Expanse", 0.0f, 40.0f, 0.01f, 0.5f, 3.99f, true),
    detail::floatParam("timbre", "Timbre", 0.0f, 1.0f, 0.001f, 1.0f, 0.5f, false),
    detail::floatParam("ascend", "Ascend", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, true),
    detail::floatParam("descend", "Descend", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, true),
    detail::floatParam("drive", "Drive", 0.0f, 1.0f, 0.001f, 1.0f, 0.2f, true),
    detail::floatParam("dream", "Dream", 0.0f, 1.0f, 0.001f, 1.0f, 0.304f, true),
    detail::floatParam("shimmer", "Shimmer", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, true),
    detail::gainParam("input_gain", "Input", 0.909f),
    detail::gainParam("output_gain", "Output", 0.909f),
    detail::floatParam("mod_depth", "Mod Depth", 0.0f, 1.0f, 0.001f, 1.0f, 0.5f, true),
    detail::floatParam("mod_rate", "Mod Rate", 0.0f, 10.0f, 0.01f, 0.4f, 1.0f, true),
    detail::floatParam("diffusion", "Diffusion", 0.0f, 1.0f, 0.001f, 1.0f, 1.0f, true),
    detail::floatParam("damping", "Damping", 0.0f, 1.0f, 0.001f, 1.0f, 0.903f, true),
    detail::floatParam("hpf_freq", "HPF", 30.0f, 1000.0f, 1.0f, 0.35f, 80.0f, true),
    detail::floatParam("lpf_freq", "LPF", 500.0f, 20000.0f, 1.0f, 0.35f, 4000.0f, true),
    detail::floatParam("early_mod", "Early Mod", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, false),
    detail::floatParam("ducking_amount", "Ducking", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, true),
    detail::floatParam("tilt_eq", "Tilt EQ", -12.0f, 12.0f, 0.01f, 1.0f, 0.0f, true),
    detail::floatParam("hiss", "Dream Hiss", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, true),
    detail::floatParam("saturation", "Saturation", 0.0f, 1.0f, 0.001f, 1.0f, 1.0f, false),
    detail::floatParam("gate", "Gate", -81.0f, 0.0f, 0.1f, 1.0f, -81.0f, false),
    detail::floatParam("wow_rate", "Dream Rate", 0.0f, 4.0f, 0.001f, kWowRateSkew, 0.1f, false),
    detail::floatParam("wow_rnd", "Dream Mod", 0.0f, 4.0f, 0.001f, 0.5f, 1.0f, true),
    detail::boolParam("filter_path", "Filter Path", false, true),
    detail::boolParam("dream_path", "Dream Path", false, false),
    detail::boolParam("shimmer_path", "Shimmer Path", true, true),
    { "char_pos",
      "Character Position",
      Kind::Choice,
      0.0f,
      2.0f,
      1.0f,
      1.0f,
      0.0f,
      true,
      Travel::Skewed,
      { kCharPosChoices[0], kCharPosChoices[1], kCharPosChoices[2] },
      kCharPosChoices.size() },
    detail::floatParam("derez", "Derez", 0.0f, 1.0f, 0.001f, 1.0f, 0.0f, true),
    { "char_order",
      "Character Order",
      Kind::Choice,
      0.0f,
      5.0f,
      1.0f,
      1.0f,
      0.0f,
      true,
      Travel::Skewed,
      { kCharOrderChoices[0], kCharOrderChoices[1], kCharOrderChoices[2], kCharOrderChoices[3], kCharOrderChoices[4],
        kCharOrderChoices[5] },
      kCharOrderChoices.size() },
} };

inline constexpr std::size_t kNumParameters = kParameterSpecs.size();

inline constexpr std::array<const char*, kNumParameters> kOrderedIds = []
{
    std::array<const char*, kNumParameters> ids {};
    for (std::size_t i = 0; i < kNumParameters; ++i)
        ids[i] = kParameterSpecs[i].id.data(); // literals, so null-terminated
    return ids;
}();

// The table entry of an id, or nullptr for an unknown one.
constexpr const ParameterSpec* findSpec(std::string_view id)
{
    for (const auto& spec : kParameterSpecs)
        if (spec.id == id)
            return &spec;
    return nullptr;
}

constexpr int indexOf(std::string_view id)
{
    for (std::size_t i = 0; i < kNumParameters; ++i)
        if (kParameterSpecs[i].id == id)
            return static_cast<int>(i);
    return -1;
}

} // namespace velmora::params
