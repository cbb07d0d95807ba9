#include "state/StateMigration.h"

#include "ParameterTable.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace velmora::state
{
namespace
{
struct IdRename
{
    std::string_view former;
    std::string_view current;
};

// Identifiers of earlier versions and the parameters they became.
constexpr std::array<IdRename, 6> kIdRenames { {
    { "drift_mod", "dream" },
    { "reverie_mod", "dream" },
    { "drift", "dream" },
    { "immersion", "mix" },
    { "distance", "dimension" },
    { "glow", "drive" },
} };

struct AddedParameter
{
    std::string_view id;
    std::string_view value;
};

// Parameters that states from before their time do not mention, with the
// values that reproduce how those versions sounded (not today's defaults).
constexpr std::array<AddedParameter, 4> kAddedParameters { {
    { "shimmer_path", "0" },
    { "char_pos", "2" },
    { "derez", "0" },
    { "char_order", "0" },
} };

constexpr std::string_view kRetiredMidiElement = "MidiMappings";
constexpr std::string_view kRetiredMidiAttribute = "directMidi";

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y)
                                              {
                                                  const auto lower = [](char c)
                                                  { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
                                                  return lower(x) == lower(y);
                                              });
}

std::string_view idOf(const XmlNode& child)
{
    const auto* id = child.findAttribute("id");
    return id != nullptr ? std::string_view(*id) : std::string_view();
}

bool hasChildWithId(const XmlNode& root, std::string_view id)
{
    return std::any_of(root.children.begin(), root.children.end(),
                       [id](const auto& child) { return idOf(*child) == id; });
}

void appendParam(XmlNode& root, std::string_view id, std::string_view value)
{
    auto child = std::make_unique<XmlNode>();
    child->tag = std::string(kParamElement);
    child->attributes.emplace_back("id", std::string(id));
    child->attributes.emplace_back("value", std::string(value));
    root.children.push_back(std::move(child));
}

// The shortest text that reads back as the same double.
std::string formatValue(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

bool readFlag(const XmlNode& root, std::string_view name, bool whenAbsent)
{
    const auto* text = root.findAttribute(name);
    return text != nullptr ? readLeadingInteger(*text) != 0 : whenAbsent;
}

int readInteger(const XmlNode& root, std::string_view name)
{
    const auto* text = root.findAttribute(name);
    return text != nullptr ? readLeadingInteger(*text) : 0;
}

// Earlier versions stored hiss and saturation on a scale where 0 meant full;
// today's scale is (old + 1) / 2 with the old 0 at the top.
void rescaleHissAndSaturation(XmlNode& child)
{
    const auto* value = child.findAttribute("value");
    if (value == nullptr)
        return;
    const double old = readValue(*value);
    const double rescaled = old == 0.0 ? 1.0 : (old + 1.0) * 0.5;
    child.setAttribute("value", formatValue(rescaled));
}

// Brings every parameter value into its range; drops a value that is not a
// number, which the framework would otherwise hand to the audio thread.
void makeValuesSafe(XmlNode& root)
{
    std::erase_if(root.children,
                  [](const std::unique_ptr<XmlNode>& child)
                  {
                      const auto* spec = params::findSpec(idOf(*child));
                      const auto* text = child->findAttribute("value");
                      if (spec == nullptr || text == nullptr)
                          return false;
                      const double value = readValue(*text);
                      if (std::isnan(value))
                          return true;
                      const double safe =
                          std::clamp(value, static_cast<double>(spec->min), static_cast<double>(spec->max));
                      if (safe != value)
                          child->setAttribute("value", formatValue(safe));
                      return false;
                  });
}
} // namespace

int readLeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative)
        ++i;

    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);

    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp(value, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

double readValue(std::string_view text)
{
    return juce::String::fromUTF8(text.data(), static_cast<int>(text.size())).getDoubleValue();
}

std::optional<MigratedState> migrateState(std::unique_ptr<XmlNode> root)
{
    if (root == nullptr)
        return std::nullopt;

    // Recognise the root in any letter case, and give it today's tag, so a
    // state saved afterwards is always a current one.
    if (!equalsIgnoringCase(root->tag, kStateType) && !equalsIgnoringCase(root->tag, kLegacyStateType))
        return std::nullopt;
    root->tag = std::string(kStateType);

    const auto* schema = root->findAttribute(kParamSchemaAttribute);
    const bool oldScaled = schema == nullptr || readLeadingInteger(*schema) < kParamSchema;

    for (auto& child : root->children)
    {
        const auto id = idOf(*child);
        const auto rename =
            std::find_if(kIdRenames.begin(), kIdRenames.end(), [id](const IdRename& r) { return r.former == id; });
        if (rename != kIdRenames.end())
            child->setAttribute("id", std::string(rename->current));
        else if (oldScaled && (id == "hiss" || id == "saturation"))
            rescaleHissAndSaturation(*child);
    }

    // Before the hiss control existed the stage always hissed at full level.
    if (oldScaled && !hasChildWithId(*root, "hiss"))
        appendParam(*root, "hiss", "1.0");

    MigratedState result;
    auto& fields = result.fields;
    fields.hissEnabled = readFlag(*root, "hissEnabled", true);
    fields.presetIndex = readInteger(*root, "presetIndex");
    fields.autoGainEnabled = readFlag(*root, "autoGainEnabled", false);
    fields.ascendDescendLinked = readFlag(*root, "ascendDescendLinked", false);
    fields.editorWidth = readInteger(*root, "editorWidth");
    fields.editorHeight = readInteger(*root, "editorHeight");
    fields.advancedOpen = readFlag(*root, "advancedOpen", false);

    std::erase_if(root->children, [](const std::unique_ptr<XmlNode>& child)
                  { return equalsIgnoringCase(child->tag, kRetiredMidiElement); });
    root->removeAttribute(kRetiredMidiAttribute);

    for (const auto& added : kAddedParameters)
        if (!hasChildWithId(*root, added.id))
            appendParam(*root, added.id, added.value);

    for (const auto name : kPageFieldAttributes)
        root->removeAttribute(name);
    root->removeAttribute(kParamSchemaAttribute);

    makeValuesSafe(*root);

    result.root = std::move(root);
    return result;
}

} // namespace velmora::state
