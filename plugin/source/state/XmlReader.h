#pragma once

#include "state/XmlNode.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace velmora::state
{

// A bounded XML reader for saved states. It reads what any version of the
// plug-in wrote (the declaration, elements, quoted attributes with the
// standard and numeric character references, comments, processing
// instructions, CDATA) and refuses anything else rather than guess.
//
// Hostile input cannot exhaust it: it keeps its own stack instead of
// recursing, refuses elements nested deeper than kMaxXmlDepth or carrying
// more than kMaxXmlAttributes attributes, and refuses document type
// declarations, so no entity can expand. Everything after the root element's
// end is ignored, as the framework's reader did.
inline constexpr std::size_t kMaxXmlDepth = 32;
inline constexpr std::size_t kMaxXmlAttributes = 256;

// The root element, or nullptr when the text is not a well-formed document
// within those limits. `text` must be valid UTF-8.
std::unique_ptr<XmlNode> readXml(std::string_view text);

} // namespace velmora::state
