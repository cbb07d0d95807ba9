#include "CommandLine.h"

#include "ParameterArguments.h"

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

std::variant<Invocation, ParseError> parseRender(Arguments& a)
{
    Invocation inv;
    inv.verb = Invocation::Verb::Render;
    auto& r = inv.render;
    std::vector<std::string> positional;

    while (!a.done())
    {
        const std::string arg = a.next();
        if (Arguments::matches(arg, "--set"))
        {
            const auto v = a.valueOf("--set", arg);
            if (!v)
                return missingValue("--set");
            auto parsed = parseAssignment(*v);
            if (auto* error = std::get_if<std::string>(&parsed))
                return ParseError { *error };
            auto& [id, value] = std::get<std::pair<std::string, float>>(parsed);
            r.settings.push_back({ id, value });
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

std::variant<Invocation, ParseError> parseListing(Arguments& a, Invocation::Verb verb, bool takesRate)
{
    Invocation inv;
    inv.verb = verb;
    const std::string name = verb == Invocation::Verb::Params ? "params" : "info";
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
    return ParseError { "unknown command '" + verb + "'" };
}

std::string usageText()
{
    return R"(usage: velmora COMMAND [ARGS]

commands:
  render [IN] OUT [options]   process IN (WAV, AIFF or FLAC; without IN, a built-in demo)
                              through VELMORA and write OUT as WAV
      --set ID=VALUE          set a parameter in its own units (repeatable), e.g. mix=0.3
      --block N               host block size in samples (default 512)
      --tail SECONDS|auto     render past the input's end (default auto: until the
                              output stays below -90 dBFS for a second, at most 60 s)
      --bits 16|24|32f        output sample format (default 24)
      --no-latency-compensation
                              keep the plug-in's latency at the start of the output
      --quiet                 print nothing but errors
  params [--json]             the parameters in host order
  info [--json] [--rate R]    name, version, latency at rate R (default 48000), tail, buses
  help, --version

exit status: 0 done, 1 a file could not be read or written, 2 bad arguments
)";
}

} // namespace velmora::cli
