#include "ProcessorSetup.h"

#include "PluginProcessor.h"
#include "presets/PresetManager.h"
#include "state/StateCodec.h"

namespace velmora::cli
{
namespace
{
juce::File fileAt(const std::string& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(juce::String::fromUTF8(path.c_str()));
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}
} // namespace

std::optional<SetupError> loadStateFile(VelmoraProcessor& processor, const std::string& path)
{
    const auto file = fileAt(path);
    const std::string name = "cannot load " + quoted(path) + ": ";
    if (file.isDirectory())
        return SetupError { name + "it is a folder" };
    if (!file.existsAsFile())
        return SetupError { name + "no such file" };
    if (file.getSize() > kMaxStateFileBytes)
        return SetupError { name + "not a VELMORA state (far too large)" };

    juce::MemoryBlock blob;
    if (!file.loadFileAsData(blob))
        return SetupError { name + "it could not be read" };

    // The decoder has no side effects, so asking it first tells an unusable
    // blob apart; setStateInformation itself reports nothing, as hosts expect.
    if (!state::decodeState(blob.getData(), blob.getSize()))
        return SetupError { name + "not a usable VELMORA state (nothing was loaded)" };

    processor.setStateInformation(blob.getData(), static_cast<int>(blob.getSize()));
    return std::nullopt;
}

std::optional<SetupError> checkWritable(const std::string& path)
{
    if (auto error = OutputFile::checkWritable(path))
        return SetupError { *error };
    return std::nullopt;
}

std::optional<SetupError> writeStateFile(VelmoraProcessor& processor, const std::string& path, OutputFile& file)
{
    if (auto error = file.open(path))
        return SetupError { *error };
    juce::MemoryBlock blob;
    processor.getStateInformation(blob);
    if (!file.stream()->write(blob.getData(), blob.getSize()))
    {
        file.abandon();
        return SetupError { "cannot write " + quoted(path) + ": write error (disk full?)" };
    }
    return std::nullopt;
}

std::optional<SetupError> saveStateFile(VelmoraProcessor& processor, const std::string& path)
{
    OutputFile file;
    if (auto error = writeStateFile(processor, path, file))
        return error;
    if (auto error = file.commit())
        return SetupError { *error };
    return std::nullopt;
}

void applyPresetAndSettings(VelmoraProcessor& processor, std::optional<int> preset,
                            const std::vector<ParameterSetting>& settings)
{
    if (preset)
        PresetManager::applyFactoryPreset(processor, *preset);
    for (const auto& s : settings)
        if (auto* parameter = processor.apvts.getParameter(s.id))
            parameter->setValueNotifyingHost(parameter->convertTo0to1(s.value));
}

} // namespace velmora::cli
