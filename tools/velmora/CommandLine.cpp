#include "CommandLine.h"

#include "ParameterArguments.h"

#include "presets/PresetManager.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace velmora::cli
{
namespace
{
constexpr int kMaxBlockSize = 16384;
constexpr double kMaxTailSeconds = 60.0;

template <typename T>
bool parseWhole(const std::string& text, T& out)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool parseReal(const std::string& text, double& out)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(out);
}

class Arguments
{
public:
    explicit Arguments(const std::vector<std::string>& all) : args(all) {}

    bool done() const { return index >= args.size(); }
    const std::string& next() { return args[index++]; }

    // The value of a flag, either "--flag VALUE" or "--flag=VALUE".
    std::optional<std::string> valueOf(const std::string& flag, const std::string& arg)
    {
        if (arg.size() > flag.size() && arg.compare(0, flag.size() + 1, flag + "=") == 0)
            return arg.substr(flag.size() + 1);
        if (done())
            return std::nullopt;
        return next();
    }

    static bool matches(const std::string& arg, const std::string& flag)
    {
        return arg == flag || (arg.size() > flag.size() && arg.compare(0, flag.size() + 1, flag + "=") == 0);
    }

private:
    const std::vector<std::string>& args;
    size_t index = 0;
};

ParseError missingValue(const std::string& flag)
{
    return { flag + " needs a value" };
}

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// A factory preset by index or by name, any letter case.
std::variant<int, ParseError> parsePreset(const std::string& text)
{
    const auto& presets = PresetManager::getFactoryPresets();
    int index = -1;
    if (parseWhole(text, index))
    {
        if (index >= 0 && index < PresetManager::numFactoryPresets)
            return index;
    }
    else
    {
        for (size_t i = 0; i < presets.size(); ++i)
            if (sameIgnoringCase(text, presets[i].name))
                return static_cast<int>(i);
    }
    return ParseError { "--preset: no factory preset '" + text + "'; give an index from 0 to " +
                        std::to_string(PresetManager::numFactoryPresets - 1) +
                        " or a name ('velmora presets' lists them)" };
}

// --preset and --set, shared by the verbs that set up a processor. Sets
// `taken` when `arg` is one of them; an error ends the parse.
std::optional<ParseError> parseSetup(Arguments& a, const std::string& arg, std::optional<int>& preset,
                                     std::vector<ParameterSetting>& settings, bool& taken)
{
    taken = true;
    if (Arguments::matches(arg, "--set"))
    {
        const auto v = a.valueOf("--set", arg);
        if (!v)
            return missingValue("--set");
        auto parsed = parseAssignment(*v);
        if (auto* error = std::get_if<std::string>(&parsed))
            return ParseError { *error };
        auto& [id, value] = std::get<std::pair<std::string, float>>(parsed);
        settings.push_back({ id, value });
        return std::nullopt;
    }
    if (Arguments::matches(arg, "--preset"))
    {
        const auto v = a.valueOf("--preset", arg);
        if (!v)
            return missingValue("--preset");
        auto parsed = parsePreset(*v);
        if (auto* error = std::get_if<ParseError>(&parsed))
            return *error;
        preset = std::get<int>(parsed);
        return std::nullopt;
    }
    taken = false;
    return std::nullopt;
}

std::variant<Invocation, ParseError> parseRender(Arguments& a)
{
    Invocation inv;
    inv.verb = Invocation::Verb::Render;
    auto& r = inv.render;
    std::vector<std::string> positional;

    while (!a.done())
    {
        const std::string arg = a.next();
        bool taken = false;
        if (auto error = parseSetup(a, arg, r.preset, r.settings, taken))
            return *error;
        if (taken)
            continue;

        if (Arguments::matches(arg, "--state-in") || Arguments::matches(arg, "--state-out"))
        {
            const bool in = Arguments::matches(arg, "--state-in");
            const std::string flag = in ? "--state-in" : "--state-out";
            const auto v = a.valueOf(flag, arg);
            if (!v || v->empty())
                return missingValue(flag);
            (in ? r.stateIn : r.stateOut) = *v;
        }
        else if (Arguments::matches(arg, "--block"))
        {
            const auto v = a.valueOf("--block", arg);
            if (!v)
                return missingValue("--block");
            int size = 0;
            if (!parseWhole(*v, size) || size < 1 || size > kMaxBlockSize)
                return ParseError { "--block takes a whole number of samples from 1 to " +
                                    std::to_string(kMaxBlockSize) + ", got '" + *v + "'" };
            r.blockSize = size;
        }
        else if (Arguments::matches(arg, "--tail"))
        {
            const auto v = a.valueOf("--tail", arg);
            if (!v)
                return missingValue("--tail");
            double seconds = 0.0;
            if (*v == "auto")
                r.tailSeconds.reset();
            else if (parseReal(*v, seconds) && seconds >= 0.0 && seconds <= kMaxTailSeconds)
                r.tailSeconds = seconds;
            else
                return ParseError { "--tail takes 'auto' or seconds from 0 to 60, got '" + *v + "'" };
        }
        else if (Arguments::matches(arg, "--bits"))
        {
            const auto v = a.valueOf("--bits", arg);
            if (!v)
                return missingValue("--bits");
            if (*v == "16")
                r.bits = 16;
            else if (*v == "24")
                r.bits = 24;
            else if (*v == "32f" || *v == "32")
                r.bits = 32;
            else
                return ParseError { "--bits takes 16, 24 or 32f, got '" + *v + "'" };
        }
        else if (arg == "--no-latency-compensation")
        {
            r.latencyCompensation = false;
        }
        else if (arg == "--overwrite")
        {
            r.overwrite = true;
        }
        else if (arg == "--quiet" || arg == "-q")
        {
            r.quiet = true;
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            return ParseError { "render: unknown option '" + arg + "'" };
        }
        else
        {
            positional.push_back(arg);
        }
    }

    if (positional.empty())
        return ParseError { "render needs an output file: velmora render [IN] OUT" };
    if (positional.size() > 2)
        return ParseError { "render takes at most two files, IN and OUT; got " + std::to_string(positional.size()) };
    if (positional.size() == 2)
        r.input = positional[0];
    r.output = positional.back();
    return inv;
}

std::variant<Invocation, ParseError> parseStateDump(Arguments& a)
{
    Invocation inv;
    inv.verb = Invocation::Verb::StateDump;
    std::vector<std::string> positional;
    while (!a.done())
    {
        const std::string arg = a.next();
        if (arg == "--json")
            inv.json = true;
        else if (arg.size() > 1 && arg[0] == '-')
            return ParseError { "state dump: unknown option '" + arg + "'" };
        else
            positional.push_back(arg);
    }
    if (positional.size() != 1)
        return ParseError { "state dump takes one state file: velmora state dump FILE [--json]" };
    inv.state.file = positional[0];
    return inv;
}

std::variant<Invocation, ParseError> parseStateMake(Arguments& a)
{
    Invocation inv;
    inv.verb = Invocation::Verb::StateMake;
    auto& s = inv.state;
    std::vector<std::string> positional;
    while (!a.done())
    {
        const std::string arg = a.next();
        bool taken = false;
        if (auto error = parseSetup(a, arg, s.preset, s.settings, taken))
            return *error;
        if (taken)
            continue;
        if (arg.size() > 1 && arg[0] == '-')
            return ParseError { "state make: unknown option '" + arg + "'" };
        positional.push_back(arg);
    }
    if (positional.size() != 1)
        return ParseError { "state make takes one output file: velmora state make OUT [--preset P] [--set ID=VALUE]" };
    s.file = positional[0];
    return inv;
}

std::variant<Invocation, ParseError> parseState(Arguments& a)
{
    if (a.done())
        return ParseError { "state needs a subcommand: dump or make" };
    const std::string sub = a.next();
    if (sub == "dump")
        return parseStateDump(a);
    if (sub == "make")
        return parseStateMake(a);
    return ParseError { "state: unknown subcommand '" + sub + "'; use dump or make" };
}

std::variant<Invocation, ParseError> parseListing(Arguments& a, Invocation::Verb verb, bool takesRate)
{
    Invocation inv;
    inv.verb = verb;
    const std::string name = verb == Invocation::Verb::Params    ? "params"
                             : verb == Invocation::Verb::Presets ? "presets"
                                                                 : "info";
    while (!a.done())
    {
        const std::string arg = a.next();
        if (arg == "--json")
        {
            inv.json = true;
        }
        else if (takesRate && Arguments::matches(arg, "--rate"))
        {
            const auto v = a.valueOf("--rate", arg);
            if (!v)
                return missingValue("--rate");
            double rate = 0.0;
            if (!parseReal(*v, rate) || rate < 8000.0 || rate > 768000.0)
                return ParseError { "--rate takes a sample rate in Hz from 8000 to 768000, got '" + *v + "'" };
            inv.sampleRate = rate;
        }
        else
        {
            return ParseError { name + ": unknown argument '" + arg + "'" };
        }
    }
    return inv;
}
} // namespace

std::variant<Invocation, ParseError> parseCommandLine(const std::vector<std::string>& args)
{
    Arguments a(args);
    if (a.done())
        return ParseError { "no command given" };

    const std::string verb = a.next();
    if (verb == "help" || verb == "--help" || verb == "-h")
        return Invocation {};
    if (verb == "--version" || verb == "version")
    {
        Invocation inv;
        inv.verb = Invocation::Verb::Version;
        return inv;
    }
    if (verb == "render")
        return parseRender(a);
    if (verb == "params")
        return parseListing(a, Invocation::Verb::Params, false);
    if (verb == "info")
        return parseListing(a, Invocation::Verb::Info, true);
    if (verb == "presets")
        return parseListing(a, Invocation::Verb::Presets, false);
    if (verb == "state")
        return parseState(a);
    return ParseError { "unknown command '" + verb + "'" };
}

std::string usageText()
{
    return R"(usage: velmora COMMAND [ARGS]

commands:
  render [IN] OUT [options]   process IN (WAV, AIFF or FLAC; without IN, a built-in demo)
                              through VELMORA and write OUT as WAV
      --preset INDEX|NAME     start from a factory preset (applied before --set)
      --set ID=VALUE          set a parameter in its own units (repeatable), e.g. mix=0.3
      --state-in FILE         load a saved state first (before --preset and --set)
      --state-out FILE        save the state after the render
      --block N               host block size in samples (default 512)
      --tail SECONDS|auto     render past the input's end (default auto: until the
                              output stays below -90 dBFS for a second, at most 60 s)
      --bits 16|24|32f        output sample format (default 24)
      --no-latency-compensation
                              keep the plug-in's latency at the start of the output
      --quiet                 print nothing but errors
      --overwrite             without IN, replace an existing OUT with the demo
  params [--json]             the parameters in host order
  presets [--json]            the factory presets: index, name, folder
  state dump FILE [--json]    load a saved state as a host would (older states are
                              migrated) and print every parameter and page field
  state make OUT [--preset INDEX|NAME] [--set ID=VALUE]...
                              write a state blob
  info [--json] [--rate R]    name, version, latency at rate R (default 48000), tail, buses
  help, --version

exit status: 0 done, 1 a file could not be read, written or used, 2 bad arguments
)";
}

} // namespace velmora::cli
