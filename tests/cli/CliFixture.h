#pragma once

#include "velmora/Run.h"

#include <gtest/gtest.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <sstream>
#include <string>
#include <vector>

namespace velmora::test
{

struct CliResult
{
    int status;
    std::string out, err;
};

// A command line and the parts its error message must contain. An argument
// "@name" stands for the file "name" in the test's scratch folder.
struct CliCase
{
    std::vector<std::string> args;
    std::vector<std::string> messageParts;
};

// Runs the tool in-process, in a scratch folder of its own.
class CliTest : public testing::Test
{
protected:
    juce::TemporaryFile scratchHolder;
    juce::File folder;

    void SetUp() override
    {
        folder = scratchHolder.getFile();
        folder.createDirectory();
    }

    void TearDown() override { folder.deleteRecursively(); }

    std::string path(const std::string& name) const
    {
        return folder.getChildFile(name).getFullPathName().toStdString();
    }

    std::vector<std::string> resolve(const std::vector<std::string>& args) const
    {
        std::vector<std::string> resolved;
        for (const auto& a : args)
            resolved.push_back(a.rfind("@", 0) == 0 ? path(a.substr(1)) : a);
        return resolved;
    }

    // Runs a case that must fail with `status`, saying what its message parts say.
    CliResult expectFailure(const CliCase& c, int status) const
    {
        const auto result = run(resolve(c.args));
        EXPECT_EQ(result.status, status);
        for (const auto& part : c.messageParts)
            EXPECT_NE(result.err.find(part), std::string::npos) << "missing '" << part << "' in: " << result.err;
        return result;
    }

    CliResult run(const std::vector<std::string>& args) const
    {
        std::ostringstream out, err;
        cli::Io io { out, err, false };
        const int status = cli::run(args, io);
        return { status, out.str(), err.str() };
    }

    // Writes a WAV of the given channels (all the same length) at the rate.
    void writeWav(const std::string& name, const std::vector<std::vector<float>>& channels, double rate) const
    {
        juce::WavAudioFormat wav;
        auto stream = std::make_unique<juce::FileOutputStream>(folder.getChildFile(name));
        ASSERT_TRUE(stream->openedOk());
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(stream.get(), rate, static_cast<unsigned>(channels.size()), 32, {}, 0));
        ASSERT_NE(writer, nullptr);
        stream.release();
        std::vector<const float*> pointers;
        for (const auto& c : channels)
            pointers.push_back(c.data());
        ASSERT_TRUE(writer->writeFromFloatArrays(pointers.data(), static_cast<int>(pointers.size()),
                                                 static_cast<int>(channels[0].size())));
    }

    juce::AudioBuffer<float> readWav(const std::string& name, double* rate = nullptr) const
    {
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(folder.getChildFile(name)));
        if (reader == nullptr)
            return {};
        juce::AudioBuffer<float> buffer(static_cast<int>(reader->numChannels),
                                        static_cast<int>(reader->lengthInSamples));
        reader->read(&buffer, 0, buffer.getNumSamples(), 0, true, true);
        if (rate != nullptr)
            *rate = reader->sampleRate;
        return buffer;
    }

    // Everything in the scratch folder, hidden files included.
    int filesInFolder() const { return folder.getNumberOfChildFiles(juce::File::findFilesAndDirectories); }
};

} // namespace velmora::test
