#include "state/StateCodec.h"

#include "state/BlobWrapper.h"
#include "state/StateMigration.h"
#include "state/XmlReader.h"

namespace velmora::state
{
namespace
{
juce::String toJuce(std::string_view text)
{
    return juce::String::fromUTF8(text.data(), static_cast<int>(text.size()));
}

// Attributes become text properties, as the framework's own conversion makes
// them. The reader bounds the depth, so the recursion is bounded too.
juce::ValueTree toValueTree(const XmlNode& node)
{
    juce::ValueTree tree { juce::Identifier(toJuce(node.tag)) };
    for (const auto& [name, value] : node.attributes)
        tree.setProperty(juce::Identifier(toJuce(name)), toJuce(value), nullptr);
    for (const auto& child : node.children)
        tree.appendChild(toValueTree(*child), nullptr);
    return tree;
}
} // namespace

std::optional<DecodedState> decodeState(const void* data, std::size_t size)
{
    const auto text = unwrapText(data, size);
    if (!text)
        return std::nullopt;

    auto migrated = migrateState(readXml(*text));
    if (!migrated)
        return std::nullopt;

    return DecodedState { toValueTree(*migrated->root), migrated->fields };
}

void encodeState(const juce::ValueTree& parameters, const PageFields& fields, juce::MemoryBlock& destination)
{
    auto xml = parameters.createXml();
    if (xml == nullptr)
        xml = std::make_unique<juce::XmlElement>(toJuce(kStateType));

    const auto flag = [](bool b) { return b ? 1 : 0; };
    xml->setAttribute(toJuce(kPageFieldAttributes[0]), flag(fields.hissEnabled));
    xml->setAttribute(toJuce(kPageFieldAttributes[1]), fields.presetIndex);
    xml->setAttribute(toJuce(kPageFieldAttributes[2]), flag(fields.autoGainEnabled));
    xml->setAttribute(toJuce(kPageFieldAttributes[3]), flag(fields.ascendDescendLinked));
    xml->setAttribute(toJuce(kPageFieldAttributes[4]), fields.editorWidth);
    xml->setAttribute(toJuce(kPageFieldAttributes[5]), fields.editorHeight);
    xml->setAttribute(toJuce(kPageFieldAttributes[6]), flag(fields.advancedOpen));
    xml->setAttribute(toJuce(kParamSchemaAttribute), juce::String(kParamSchema));

    wrapXml(*xml, destination);
}

} // namespace velmora::state
