#pragma once

// The binary envelope around the state's XML text, as hosts store it:
//
//   offset 0      4 bytes   magic 0x21324356, little-endian ("VC2!")
//   offset 4      4 bytes   little-endian length L of the text (blob size - 9)
//   offset 8      L bytes   the XML document, UTF-8
//   offset 8 + L  1 byte    zero
//
// The same envelope the framework writes, so blobs saved by any earlier
// version open unchanged.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace juce
{
class MemoryBlock;
class XmlElement;
} // namespace juce

namespace velmora::state
{

inline constexpr std::uint32_t kBlobMagic = 0x21324356;
inline constexpr std::size_t kBlobHeaderSize = 8;

// A real state is a few kilobytes; the cap keeps a hostile blob from making
// the loader build an arbitrarily large document.
inline constexpr std::size_t kMaxStateTextBytes = std::size_t { 1 } << 20;

// Replaces `destination` with the envelope around `xml`, written as one line
// after the XML declaration.
void wrapXml(const juce::XmlElement& xml, juce::MemoryBlock& destination);

// The text of a blob, or nothing when the blob is unusable: no more than the
// header, a wrong magic, a length field of zero or less (read as signed),
// text that is not UTF-8, or more text than kMaxStateTextBytes. A length
// larger than the data is cut to the data; the text ends at its first zero
// byte. The view points into `data`.
std::optional<std::string_view> unwrapText(const void* data, std::size_t size);

// True when `text` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

} // namespace velmora::state
