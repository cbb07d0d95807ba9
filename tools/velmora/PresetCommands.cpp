#include "PresetCommands.h"

#include "JsonWriter.h"

#include "presets/PresetManager.h"

#include <algorithm>
#include <string>

namespace velmora::cli
{

int runPresets(bool json, Io& io)
{
    const PresetManager manager;
    const auto& presets = PresetManager::getFactoryPresets();

    if (json)
    {
        JsonWriter writer(io.out);
        writer.beginArray();
        for (int i = 0; i < PresetManager::numFactoryPresets; ++i)
        {
            writer.beginObject();
            writer.key("index").value(i);
            writer.key("name").value(presets[static_cast<size_t>(i)].name);
            writer.key("folder").value(manager.getPresetFolder(i).toStdString());
            writer.endObject();
        }
        writer.endArray();
        return kExitOk;
    }

    size_t nameWidth = 4;
    for (const auto& p : presets)
        nameWidth = std::max(nameWidth, std::string(p.name).size());

    const auto row = [&](const std::string& index, const std::string& name, const std::string& folder)
    {
        io.out << index << std::string(7 - std::min<size_t>(index.size(), 6), ' ') << name;
        if (!folder.empty())
            io.out << std::string(nameWidth - name.size() + 2, ' ') << folder;
        io.out << '\n';
    };
    row("INDEX", "NAME", "FOLDER");
    for (int i = 0; i < PresetManager::numFactoryPresets; ++i)
        row(std::to_string(i), presets[static_cast<size_t>(i)].name, manager.getPresetFolder(i).toStdString());
    return kExitOk;
}

} // namespace velmora::cli
