#pragma once

#include "ParameterTable.h"

#include <string>
#include <utility>
#include <variant>

namespace velmora::cli
{

// Reads "ID=VALUE" in the parameter's real units. Choices take their index or
// their text, switches 0/1, on/off or true/false. The error names the id and
// its range.
std::variant<std::pair<std::string, float>, std::string> parseAssignment(const std::string& text);

// "0 .. 1", "First (0), Middle (1), Last (2)", "0 (off) or 1 (on)".
std::string describeRange(const params::ParameterSpec& spec);

std::string formatNumber(float value);

} // namespace velmora::cli
