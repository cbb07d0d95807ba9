#pragma once

#include "state/PageFields.h"
#include "state/XmlNode.h"

#include <array>
#include <memory>
#include <optional>
#include <string_view>

namespace velmora::state
{

inline constexpr std::string_view kStateType = "VelmoraParameters";
inline constexpr std::string_view kLegacyStateType = "OstrelParameters";
inline constexpr std::string_view kParamElement = "PARAM";

// States written with the current scaling of hiss and saturation say so with
// this schema number; anything older, or unnumbered, is rescaled on load.
inline constexpr int kParamSchema = 141;
inline constexpr std::string_view kParamSchemaAttribute = "paramSchema";

// The root attributes of the page-side fields, in the order they are saved.
inline constexpr std::array<std::string_view, 7> kPageFieldAttributes {
    "hissEnabled", "presetIndex",  "autoGainEnabled", "ascendDescendLinked",
    "editorWidth", "editorHeight", "advancedOpen",
};

struct MigratedState
{
    std::unique_ptr<XmlNode> root; // "VelmoraParameters", one child per parameter it sets
    PageFields fields;
};

// Brings a state document of any version to the current vocabulary: the
// former root tag, former identifiers, the former hiss and saturation
// scaling, parameters that did not exist yet and the retired MIDI mappings.
// Returns nothing for a document that is not a state of this plug-in.
//
// Values are made safe for the framework on the way: a parameter's value is
// brought into its range, and a value that is not a number at all is dropped
// so that the parameter keeps what it had. The page-side attributes and the
// schema number are taken off the root: they are written afresh on every
// save, in their own order.
std::optional<MigratedState> migrateState(std::unique_ptr<XmlNode> root);

// The leading decimal integer of an attribute's text, 0 when there is none;
// saturates instead of wrapping.
int readLeadingInteger(std::string_view text);

// A value attribute's number, read exactly as the framework reads it when it
// applies the state.
double readValue(std::string_view text);

} // namespace velmora::state
