#include "StateCommands.h"

#include "JsonWriter.h"
#include "ParameterArguments.h"
#include "ProcessorSetup.h"

#include "ParameterTable.h"
#include "PluginProcessor.h"

#include <algorithm>
#include <cmath>

namespace velmora::cli
{
namespace
{
// "0.164", "2 (Last)", "1 (on)".
std::string describeValue(const params::ParameterSpec& spec, float value)
{
    const auto index = static_cast<size_t>(std::clamp(std::lround(value), 0L, 5L));
    switch (spec.kind)
    {
    case params::Kind::Bool: return formatNumber(value) + (value >= 0.5f ? " (on)" : " (off)");
    case params::Kind::Choice:
        return index < spec.numChoices ? formatNumber(value) + " (" + std::string(spec.choices[index]) + ")"
                                       : formatNumber(value);
    case params::Kind::Float: break;
    }
    return formatNumber(value);
}

struct Field
{
    const char* name;
    std::string text; // as printed
    bool isFlag;
    bool flag;
    int number;
};

std::vector<Field> fieldsOf(const state::PageFields& f)
{
    const auto flag = [](const char* name, bool b) { return Field { name, b ? "true" : "false", true, b, 0 }; };
    const auto number = [](const char* name, int n) { return Field { name, std::to_string(n), false, false, n }; };
    return { flag("hissEnabled", f.hissEnabled),         number("presetIndex", f.presetIndex),
             flag("autoGainEnabled", f.autoGainEnabled), flag("ascendDescendLinked", f.ascendDescendLinked),
             number("editorWidth", f.editorWidth),       number("editorHeight", f.editorHeight),
             flag("advancedOpen", f.advancedOpen) };
}
} // namespace

int runStateDump(const StateOptions& options, bool json, Io& io)
{
    VelmoraProcessor processor;
    if (auto error = loadStateFile(processor, options.file))
    {
        io.err << "velmora: " << error->message << '\n';
        return kExitFileError;
    }

    const auto fields = fieldsOf(processor.getPageFields());
    const auto valueOf = [&](const params::ParameterSpec& spec)
    { return processor.apvts.getRawParameterValue(juce::String(std::string(spec.id)))->load(); };

    if (json)
    {
        JsonWriter writer(io.out);
        writer.beginObject();
        writer.key("parameters").beginObject();
        for (const auto& spec : params::kParameterSpecs)
            writer.key(spec.id).value(valueOf(spec));
        writer.endObject();
        writer.key("fields").beginObject();
        for (const auto& f : fields)
        {
            writer.key(f.name);
            if (f.isFlag)
                writer.value(f.flag);
            else
                writer.value(f.number);
        }
        writer.endObject();
        writer.endObject();
        return kExitOk;
    }

    size_t width = 0;
    for (const auto& spec : params::kParameterSpecs)
        width = std::max(width, spec.id.size());
    for (const auto& f : fields)
        width = std::max(width, std::string(f.name).size());

    io.out << "parameters\n";
    for (const auto& spec : params::kParameterSpecs)
        io.out << "  " << spec.id << std::string(width - spec.id.size() + 2, ' ') << describeValue(spec, valueOf(spec))
               << '\n';
    io.out << "page fields\n";
    for (const auto& f : fields)
        io.out << "  " << f.name << std::string(width - std::string(f.name).size() + 2, ' ') << f.text << '\n';
    return kExitOk;
}

int runStateMake(const StateOptions& options, Io& io)
{
    VelmoraProcessor processor;
    applyPresetAndSettings(processor, options.preset, options.settings);
    if (auto error = saveStateFile(processor, options.file))
    {
        io.err << "velmora: " << error->message << '\n';
        return kExitFileError;
    }
    return kExitOk;
}

} // namespace velmora::cli
