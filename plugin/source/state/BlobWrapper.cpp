#include "state/BlobWrapper.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstring>

namespace velmora::state
{
namespace
{
std::uint32_t readLittleEndian32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}
} // namespace

void wrapXml(const juce::XmlElement& xml, juce::MemoryBlock& destination)
{
    // The framework's writer is the envelope's definition: magic, a length
    // patched in after the text, the one-line text and the closing zero.
    juce::AudioProcessor::copyXmlToBinary(xml, destination);
}

std::optional<std::string_view> unwrapText(const void* data, std::size_t size)
{
    if (data == nullptr || size <= kBlobHeaderSize)
        return std::nullopt;

    const auto* bytes = static_cast<const unsigned char*>(data);
    if (readLittleEndian32(bytes) != kBlobMagic)
        return std::nullopt;

    // Earlier versions read the length as a signed number, so a length with
    // the top bit set was never usable.
    const auto length = static_cast<std::int32_t>(readLittleEndian32(bytes + 4));
    if (length <= 0)
        return std::nullopt;

    const std::size_t available = size - kBlobHeaderSize;
    const std::size_t taken = std::min(static_cast<std::size_t>(length), available);
    const char* text = reinterpret_cast<const char*>(bytes + kBlobHeaderSize);

    // The text ends at the first zero byte, which is where a length that
    // overruns into the closing zero would stop a string reader anyway.
    const std::size_t searched = std::min(taken, kMaxStateTextBytes + 1);
    const void* zero = std::memchr(text, 0, searched);
    const std::size_t textLength =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : taken;
    if (textLength > kMaxStateTextBytes)
        return std::nullopt;

    const std::string_view result(text, textLength);
    if (!isValidUtf8(result))
        return std::nullopt;
    return result;
}

bool isValidUtf8(std::string_view text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n)
    {
        const unsigned c = s[i];
        if (c < 0x80)
        {
            ++i;
            continue;
        }

        std::size_t extra = 0;
        std::uint32_t codePoint = 0;
        std::uint32_t minimum = 0;
        if ((c & 0xE0) == 0xC0)
        {
            extra = 1;
            codePoint = c & 0x1F;
            minimum = 0x80;
        }
        else if ((c & 0xF0) == 0xE0)
        {
            extra = 2;
            codePoint = c & 0x0F;
            minimum = 0x800;
        }
        else if ((c & 0xF8) == 0xF0)
        {
            extra = 3;
            codePoint = c & 0x07;
            minimum = 0x10000;
        }
        else
        {
            return false;
        }

        if (n - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
        {
            const unsigned next = s[i + k];
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace velmora::state
