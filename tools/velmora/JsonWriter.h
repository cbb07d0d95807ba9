#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli
{

// A small streaming JSON writer whose key order is the order of the calls and
// whose numbers are printed in their shortest exact form, so the output is
// stable for scripts to read.
class JsonWriter
{
public:
    explicit JsonWriter(std::ostream& out) : stream(out) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(float number);
    JsonWriter& value(double number);
    JsonWriter& value(int number);
    JsonWriter& value(bool flag);

    static std::string quoted(std::string_view text);
    static std::string number(float x);
    static std::string number(double x);

private:
    void beforeValue();
    void newline();

    std::ostream& stream;
    struct Level
    {
        bool isObject;
        int count;
    };
    std::vector<Level> levels;
    bool afterKey = false;
};

} // namespace velmora::cli
