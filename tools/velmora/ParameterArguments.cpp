#include "ParameterArguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>

namespace velmora::cli
{
namespace
{
std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<double> parseNumber(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string knownIds()
{
    std::string ids;
    for (const auto& spec : params::kParameterSpecs)
    {
        if (!ids.empty())
            ids += ", ";
        ids += spec.id;
    }
    return ids;
}
} // namespace

std::string formatNumber(float value)
{
    std::ostringstream s;
    s << value;
    return s.str();
}

std::string describeRange(const params::ParameterSpec& spec)
{
    switch (spec.kind)
    {
    case params::Kind::Bool: return "0 (off) or 1 (on)";
    case params::Kind::Choice:
    {
        std::string text;
        for (std::size_t i = 0; i < spec.numChoices; ++i)
        {
            if (i > 0)
                text += ", ";
            text += std::to_string(i) + " (" + std::string(spec.choices[i]) + ")";
        }
        return text;
    }
    case params::Kind::Float: break;
    }
    return formatNumber(spec.min) + " .. " + formatNumber(spec.max);
}

std::variant<std::pair<std::string, float>, std::string> parseAssignment(const std::string& text)
{
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return "--set takes ID=VALUE, got '" + text + "'";

    const std::string id = text.substr(0, equals);
    const std::string valueText = text.substr(equals + 1);
    const auto* spec = params::findSpec(id);
    if (spec == nullptr)
        return "--set: unknown parameter '" + id + "'; the parameters are: " + knownIds();

    const auto rangeError = [&](const std::string& why)
    { return "--set " + id + ": " + why + "; " + std::string(spec->name) + " takes " + describeRange(*spec); };

    const std::string lowered = lowerCase(valueText);
    if (spec->kind == params::Kind::Choice)
        for (std::size_t i = 0; i < spec->numChoices; ++i)
            if (lowerCase(std::string(spec->choices[i])) == lowered)
                return std::pair { id, static_cast<float>(i) };
    if (spec->kind == params::Kind::Bool)
    {
        if (lowered == "on" || lowered == "true")
            return std::pair { id, 1.0f };
        if (lowered == "off" || lowered == "false")
            return std::pair { id, 0.0f };
    }

    const auto number = parseNumber(valueText);
    if (!number)
        return rangeError("'" + valueText + "' is not a number");

    if (*number < static_cast<double>(spec->min) || *number > static_cast<double>(spec->max))
        return rangeError(valueText + " is out of range");

    if (spec->kind != params::Kind::Float && *number != std::floor(*number))
        return rangeError(valueText + " is not one of the values");

    return std::pair { id, static_cast<float>(*number) };
}

} // namespace velmora::cli
