#include "state/XmlReader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::state
{
namespace
{
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || u >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80)
    {
        out += static_cast<char>(codePoint);
    }
    else if (codePoint < 0x800)
    {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    else if (codePoint < 0x10000)
    {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The character a reference names ("amp", "#38", "#x26"), or nothing.
std::optional<std::uint32_t> resolveReference(std::string_view name)
{
    if (name == "amp")
        return '&';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "quot")
        return '"';
    if (name == "apos")
        return '\'';
    if (name.size() < 2 || name[0] != '#')
        return std::nullopt;

    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;

    std::uint32_t value = 0;
    for (const char c : digits)
    {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * (hex ? 16u : 10u) + digit;
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return value;
}

class Reader
{
public:
    explicit Reader(std::string_view textToRead) : text(textToRead) {}

    std::unique_ptr<XmlNode> readDocument()
    {
        if (!skipProlog())
            return nullptr;

        auto root = std::make_unique<XmlNode>();
        bool open = false;
        if (!readStartTag(*root, open))
            return nullptr;
        if (!open)
            return root;

        std::vector<XmlNode*> stack { root.get() };
        while (!stack.empty())
        {
            // Text between tags means nothing in a state; skip it.
            while (pos < text.size() && text[pos] != '<')
                ++pos;
            if (pos >= text.size())
                return nullptr; // an element left open

            if (startsWith("</"))
            {
                pos += 2;
                const auto name = readName();
                skipSpace();
                if (!name || *name != stack.back()->tag || !consume('>'))
                    return nullptr;
                stack.pop_back();
            }
            else if (startsWith("<!--"))
            {
                if (!skipPast(4, "-->"))
                    return nullptr;
            }
            else if (startsWith("<![CDATA["))
            {
                if (!skipPast(9, "]]>"))
                    return nullptr;
            }
            else if (startsWith("<?"))
            {
                if (!skipPast(2, "?>"))
                    return nullptr;
            }
            else if (startsWith("<!"))
            {
                return nullptr;
            }
            else
            {
                if (stack.size() >= kMaxXmlDepth)
                    return nullptr;
                auto child = std::make_unique<XmlNode>();
                bool childOpen = false;
                if (!readStartTag(*child, childOpen))
                    return nullptr;
                auto* raw = child.get();
                stack.back()->children.push_back(std::move(child));
                if (childOpen)
                    stack.push_back(raw);
            }
        }
        return root;
    }

private:
    bool startsWith(std::string_view prefix) const
    {
        return text.substr(std::min(pos, text.size())).starts_with(prefix);
    }

    bool consume(char c)
    {
        if (pos < text.size() && text[pos] == c)
        {
            ++pos;
            return true;
        }
        return false;
    }

    void skipSpace()
    {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
    }

    // Moves past `terminator`, searching from `offset` characters on.
    bool skipPast(std::size_t offset, std::string_view terminator)
    {
        const auto end = text.find(terminator, pos + offset);
        if (end == std::string_view::npos)
            return false;
        pos = end + terminator.size();
        return true;
    }

    // The declaration, comments and processing instructions before the root.
    // A document type declaration is refused: states never carry one, and it
    // is the door to entity expansion.
    bool skipProlog()
    {
        for (;;)
        {
            skipSpace();
            if (startsWith("<?"))
            {
                if (!skipPast(2, "?>"))
                    return false;
            }
            else if (startsWith("<!--"))
            {
                if (!skipPast(4, "-->"))
                    return false;
            }
            else
            {
                return startsWith("<") && !startsWith("<!");
            }
        }
    }

    std::optional<std::string_view> readName()
    {
        const auto start = pos;
        if (pos >= text.size() || !isNameStart(text[pos]))
            return std::nullopt;
        while (pos < text.size() && isNameChar(text[pos]))
            ++pos;
        return text.substr(start, pos - start);
    }

    bool readQuotedValue(std::string& out)
    {
        if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\''))
            return false;
        const char quote = text[pos++];
        for (;;)
        {
            if (pos >= text.size())
                return false;
            const char c = text[pos];
            if (c == quote)
            {
                ++pos;
                return true;
            }
            if (c == '<')
                return false;
            if (c == '&')
            {
                const auto end = text.find(';', pos + 1);
                if (end == std::string_view::npos || end - pos > 12)
                    return false;
                const auto resolved = resolveReference(text.substr(pos + 1, end - pos - 1));
                if (!resolved)
                    return false;
                appendUtf8(out, *resolved);
                pos = end + 1;
                continue;
            }
            out += c;
            ++pos;
        }
    }

    // Reads "<name attr='v' ...>" or "<name .../>"; `open` tells which.
    bool readStartTag(XmlNode& node, bool& open)
    {
        if (!consume('<'))
            return false;
        const auto name = readName();
        if (!name)
            return false;
        node.tag = std::string(*name);

        for (;;)
        {
            skipSpace();
            if (consume('>'))
            {
                open = true;
                return true;
            }
            if (consume('/'))
            {
                open = false;
                return consume('>');
            }

            const auto attributeName = readName();
            if (!attributeName || node.attributes.size() >= kMaxXmlAttributes || node.hasAttribute(*attributeName))
                return false;
            skipSpace();
            if (!consume('='))
                return false;
            skipSpace();
            std::string value;
            if (!readQuotedValue(value))
                return false;
            node.attributes.emplace_back(std::string(*attributeName), std::move(value));
        }
    }

    std::string_view text;
    std::size_t pos = 0;
};
} // namespace

std::unique_ptr<XmlNode> readXml(std::string_view text)
{
    return Reader(text).readDocument();
}

} // namespace velmora::state
