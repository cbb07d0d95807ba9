#pragma once

#include <juce_core/juce_core.h>

#include <memory>
#include <optional>
#include <string>

namespace velmora::cli
{

// A file the tool writes so that a failure leaves nothing behind. A regular
// file (or a new one) is written as a hidden sibling and renamed into place
// by commit(); abandon(), or destruction without commit(), removes the
// sibling. Something that exists and is not a regular file (a device such as
// /dev/null, a FIFO) is written in place and never replaced.
class OutputFile
{
public:
    OutputFile() = default;
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Whether a regular file (something a user could lose) is at the path.
    static bool regularFileExists(const std::string& path);

    // The reason it cannot be written, if it cannot: "cannot write 'x': ...".
    static std::optional<std::string> checkWritable(const std::string& path);

    // Opens the stream to write to, or returns the reason it cannot.
    std::optional<std::string> open(const std::string& path);

    // The stream while open; whoever takes it with release() must delete it
    // before commit().
    juce::OutputStream* stream() const { return output.get(); }
    std::unique_ptr<juce::OutputStream> release() { return std::move(output); }

    // Puts the written file in place; the reason on failure (nothing left).
    std::optional<std::string> commit();
    void abandon();

    const std::string& displayName() const { return name; }

    // Written in place (a device, a FIFO): it cannot seek back, so a header
    // can only be written once, at the start.
    bool writesInPlace() const { return inPlace; }

private:
    juce::File target, temporary;
    std::unique_ptr<juce::OutputStream> output;
    std::string name;
    bool committed = false;
    bool inPlace = false;
};

} // namespace velmora::cli
