#include "InfoCommands.h"

#include "JsonWriter.h"
#include "ParameterArguments.h"

#include "ParameterTable.h"
#include "PluginProcessor.h"

#include <algorithm>
#include <iomanip>

namespace velmora::cli
{
namespace
{
const char* kindName(params::Kind kind)
{
    switch (kind)
    {
    case params::Kind::Float: return "float";
    case params::Kind::Bool: return "bool";
    case params::Kind::Choice: return "choice";
    }
    return "float";
}

void writeParameterJson(JsonWriter& json, const params::ParameterSpec& spec)
{
    json.beginObject();
    json.key("id").value(spec.id);
    json.key("name").value(spec.name);
    json.key("kind").value(kindName(spec.kind));
    json.key("min").value(spec.min);
    json.key("max").value(spec.max);
    json.key("step").value(spec.step);
    json.key("skew").value(spec.skew);
    if (spec.kind == params::Kind::Bool)
        json.key("default").value(spec.defaultValue >= 0.5f);
    else
        json.key("default").value(spec.defaultValue);
    json.key("automatable").value(spec.automatable);
    if (spec.travel == params::Travel::Gain)
        json.key("travel").value("gain");
    if (spec.kind == params::Kind::Choice)
    {
        json.key("choices").beginArray();
        for (std::size_t i = 0; i < spec.numChoices; ++i)
            json.value(spec.choices[i]);
        json.endArray();
    }
    json.endObject();
}

std::string defaultText(const params::ParameterSpec& spec)
{
    switch (spec.kind)
    {
    case params::Kind::Bool: return spec.defaultValue >= 0.5f ? "on" : "off";
    case params::Kind::Choice: return std::string(spec.choices[static_cast<std::size_t>(spec.defaultValue)]);
    case params::Kind::Float: break;
    }
    return formatNumber(spec.defaultValue);
}
} // namespace

int runParams(bool json, Io& io)
{
    if (json)
    {
        JsonWriter writer(io.out);
        writer.beginArray();
        for (const auto& spec : params::kParameterSpecs)
            writeParameterJson(writer, spec);
        writer.endArray();
        return kExitOk;
    }

    struct Row
    {
        std::string cells[5];
    };
    std::vector<Row> rows { { { "ID", "NAME", "RANGE", "DEFAULT", "AUTOMATABLE" } } };
    for (const auto& spec : params::kParameterSpecs)
    {
        std::string range = spec.kind == params::Kind::Choice ? formatNumber(spec.min) + " .. " + formatNumber(spec.max)
                                                              : describeRange(spec);
        if (spec.travel == params::Travel::Gain)
            range += " (unity at 0.909)";
        rows.push_back({ { std::string(spec.id), std::string(spec.name), range, defaultText(spec),
                           spec.automatable ? "yes" : "no" } });
    }

    size_t widths[5] = {};
    for (const auto& row : rows)
        for (size_t c = 0; c < 5; ++c)
            widths[c] = std::max(widths[c], row.cells[c].size());

    for (size_t r = 0; r < rows.size(); ++r)
    {
        const auto& row = rows[r];
        for (size_t c = 0; c < 5; ++c)
        {
            io.out << row.cells[c];
            if (c + 1 < 5)
                io.out << std::string(widths[c] - row.cells[c].size() + 2, ' ');
        }
        io.out << '\n';
        // A choice's items go on a line of their own under it.
        if (r > 0 && params::kParameterSpecs[r - 1].kind == params::Kind::Choice)
            io.out << std::string(widths[0] + 2, ' ') << describeRange(params::kParameterSpecs[r - 1]) << '\n';
    }
    return kExitOk;
}

int runInfo(bool json, double sampleRate, Io& io)
{
    VelmoraProcessor processor;
    processor.setRateAndBufferSizeDetails(sampleRate, 512);
    processor.prepareToPlay(sampleRate, 512);
    const int latency = processor.getLatencySamples();
    const double tail = processor.getTailLengthSeconds();
    processor.releaseResources();

    struct BusInfo
    {
        std::string name;
        std::string direction;
        std::vector<std::string> layouts;
    };

    std::vector<BusInfo> buses;
    for (const bool isInput : { true, false })
    {
        const auto* bus = processor.getBus(isInput, 0);
        if (bus == nullptr)
            continue;
        BusInfo info { bus->getName().toStdString(), isInput ? "input" : "output", {} };
        for (const auto& set : { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::mono() })
        {
            auto layout = processor.getBusesLayout();
            (isInput ? layout.inputBuses : layout.outputBuses).getReference(0) = set;
            if (processor.checkBusesLayoutSupported(layout))
                info.layouts.push_back(set == juce::AudioChannelSet::mono() ? "mono" : "stereo");
        }
        buses.push_back(info);
    }

    if (json)
    {
        JsonWriter writer(io.out);
        writer.beginObject();
        writer.key("name").value(processor.getName().toStdString());
        writer.key("version").value(VELMORA_VERSION);
        writer.key("sampleRate").value(sampleRate);
        writer.key("latency").value(latency);
        writer.key("tail").value(tail);
        writer.key("buses").beginArray();
        for (const auto& bus : buses)
        {
            writer.beginObject();
            writer.key("name").value(bus.name);
            writer.key("direction").value(bus.direction);
            writer.key("layouts").beginArray();
            for (const auto& l : bus.layouts)
                writer.value(l);
            writer.endArray();
            writer.endObject();
        }
        writer.endArray();
        writer.endObject();
        return kExitOk;
    }

    io.out << "name         " << processor.getName() << '\n'
           << "version      " << VELMORA_VERSION << '\n'
           << "sample rate  " << sampleRate << " Hz\n"
           << "latency      " << latency << " samples\n"
           << "tail         " << tail << " s\n";
    for (const auto& bus : buses)
    {
        io.out << std::left << std::setw(13) << (bus.direction + " bus") << '"' << bus.name << "\" (";
        for (size_t i = 0; i < bus.layouts.size(); ++i)
            io.out << (i > 0 ? " or " : "") << bus.layouts[i];
        io.out << ")\n";
    }
    return kExitOk;
}

} // namespace velmora::cli
