#include "JsonWriter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace velmora::cli
{

std::string JsonWriter::quoted(std::string_view text)
{
    std::string s = "\"";
    for (const char c : text)
    {
        switch (c)
        {
        case '"': s += "\\\""; break;
        case '\\': s += "\\\\"; break;
        case '\n': s += "\\n"; break;
        case '\t': s += "\\t"; break;
        case '\r': s += "\\r"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
            {
                std::array<char, 8> escaped {};
                std::snprintf(escaped.data(), escaped.size(), "\\u%04x", static_cast<unsigned>(c));
                s += escaped.data();
            }
            else
            {
                s += c;
            }
        }
    }
    return s + "\"";
}

namespace
{
template <typename T>
std::string shortest(T x)
{
    if (!std::isfinite(x))
        return "null";
    std::array<char, 64> text {};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), x);
    return std::string(text.data(), result.ptr);
}
} // namespace

std::string JsonWriter::number(float x)
{
    return shortest(x);
}

std::string JsonWriter::number(double x)
{
    return shortest(x);
}

void JsonWriter::newline()
{
    stream << '\n' << std::string(levels.size() * 2, ' ');
}

void JsonWriter::beforeValue()
{
    if (afterKey)
    {
        afterKey = false;
        return;
    }
    if (!levels.empty())
    {
        if (levels.back().count++ > 0)
            stream << ',';
        newline();
    }
}

JsonWriter& JsonWriter::beginObject()
{
    beforeValue();
    stream << '{';
    levels.push_back({ true, 0 });
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    const bool empty = levels.back().count == 0;
    levels.pop_back();
    if (!empty)
        newline();
    stream << '}';
    if (levels.empty())
        stream << '\n';
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    beforeValue();
    stream << '[';
    levels.push_back({ false, 0 });
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    const bool empty = levels.back().count == 0;
    levels.pop_back();
    if (!empty)
        newline();
    stream << ']';
    if (levels.empty())
        stream << '\n';
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    beforeValue();
    stream << quoted(name) << ": ";
    afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text)
{
    beforeValue();
    stream << quoted(text);
    return *this;
}

JsonWriter& JsonWriter::value(float x)
{
    beforeValue();
    stream << number(x);
    return *this;
}

JsonWriter& JsonWriter::value(double x)
{
    beforeValue();
    stream << number(x);
    return *this;
}

JsonWriter& JsonWriter::value(int x)
{
    beforeValue();
    stream << x;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag)
{
    beforeValue();
    stream << (flag ? "true" : "false");
    return *this;
}

} // namespace velmora::cli
