#include "OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace velmora::cli
{
namespace
{
juce::File fileAt(const std::string& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(juce::String::fromUTF8(path.c_str()));
}

// An existing file that must be written in place rather than replaced.
bool isSpecialFile(const juce::File& file)
{
    struct stat info
    {
    };
    return ::stat(file.getFullPathName().toRawUTF8(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}
} // namespace

OutputFile::~OutputFile()
{
    if (!committed)
        abandon();
}

bool OutputFile::regularFileExists(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(fileAt(path).getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> OutputFile::checkWritable(const std::string& path)
{
    const auto file = fileAt(path);
    const std::string prefix = "cannot write " + quoted(path) + ": ";
    if (file.isDirectory())
        return prefix + "it is a folder";
    if (isSpecialFile(file))
        return ::access(file.getFullPathName().toRawUTF8(), W_OK) == 0
                   ? std::nullopt
                   : std::optional<std::string>(prefix + "permission denied");
    const auto folder = file.getParentDirectory();
    if (!folder.isDirectory())
        return prefix + "folder '" + folder.getFullPathName().toStdString() + "' does not exist";
    if (::access(folder.getFullPathName().toRawUTF8(), W_OK) != 0)
        return prefix + "folder '" + folder.getFullPathName().toStdString() + "' is not writable";
    return std::nullopt;
}

std::optional<std::string> OutputFile::open(const std::string& path)
{
    if (auto error = checkWritable(path))
        return error;

    name = quoted(path);
    target = fileAt(path);
    if (isSpecialFile(target))
    {
        // Opened for writing as it is: no truncation or seeking on a device.
        auto stream = std::make_unique<juce::FileOutputStream>(target);
        if (stream->failedToOpen())
            return "cannot write " + name + ": " + stream->getStatus().getErrorMessage().toStdString();
        output = std::move(stream);
        inPlace = true;
        return std::nullopt;
    }

    temporary = target.getSiblingFile("." + target.getFileName() + ".partial-" + juce::String(::getpid()));
    auto stream = std::make_unique<juce::FileOutputStream>(temporary);
    if (stream->failedToOpen())
    {
        temporary = juce::File();
        return "cannot write " + name + ": " + stream->getStatus().getErrorMessage().toStdString();
    }
    stream->truncate();
    output = std::move(stream);
    return std::nullopt;
}

std::optional<std::string> OutputFile::commit()
{
    if (output != nullptr)
    {
        output->flush();
        // A device cannot be synced (its flush fails with nothing lost);
        // failed writes to it were reported when they happened.
        const auto* file = dynamic_cast<juce::FileOutputStream*>(output.get());
        const bool failed = temporary != juce::File() && file != nullptr && file->getStatus().failed();
        output.reset();
        if (failed)
        {
            abandon();
            return "cannot write " + name + ": write error (disk full?)";
        }
    }
    committed = true;
    if (temporary == juce::File())
        return std::nullopt;
    if (!temporary.moveFileTo(target))
    {
        abandon();
        return "cannot write " + name + ": the file could not be put in place";
    }
    temporary = juce::File();
    return std::nullopt;
}

void OutputFile::abandon()
{
    output.reset();
    if (temporary != juce::File())
        temporary.deleteFile();
    temporary = juce::File();
}

} // namespace velmora::cli
