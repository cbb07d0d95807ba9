#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace velmora::cli
{

// A parameter assignment from --set, already checked against the table.
struct ParameterSetting
{
    std::string id;
    float value = 0.0f;
};

struct RenderOptions
{
    std::optional<std::string> input; // none: the built-in demo
    std::string output;
    std::vector<ParameterSetting> settings;
    int blockSize = 512;
    std::optional<double> tailSeconds; // none: until the output has died away
    int bits = 24;                     // 16, 24, or 32 (float)
    bool latencyCompensation = true;
    bool quiet = false;
    bool overwrite = false;              // without IN: may replace an existing OUT with the demo
    std::optional<int> preset;           // a factory preset, applied before `settings`
    std::optional<std::string> stateIn;  // a state blob loaded before everything else
    std::optional<std::string> stateOut; // where to save the state after the render
};

// "state dump FILE" and "state make OUT".
struct StateOptions
{
    std::string file;
    std::optional<int> preset;
    std::vector<ParameterSetting> settings;
};

struct Invocation
{
    enum class Verb
    {
        Help,
        Version,
        Render,
        Params,
        Info,
        Presets,
        StateDump,
        StateMake
    };

    Verb verb = Verb::Help;
    RenderOptions render;
    StateOptions state;
    bool json = false;
    double sampleRate = 48000.0;
};

struct ParseError
{
    std::string message;
};

// Every argument of every verb is parsed here, so the grammar stays in one place.
std::variant<Invocation, ParseError> parseCommandLine(const std::vector<std::string>& args);

std::string usageText();

} // namespace velmora::cli
