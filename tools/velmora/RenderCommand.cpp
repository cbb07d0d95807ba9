#include "RenderCommand.h"

#include "DemoSignal.h"
#include "OutputFile.h"
#include "ProcessorSetup.h"
#include "ProgressBar.h"

#include "PluginProcessor.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <sstream>

namespace velmora::cli
{

std::atomic<bool> interruptRequested { false };

namespace
{
constexpr double kSilenceThreshold = 3.1622776601683795e-5; // -90 dBFS
constexpr double kQuietSecondsToStop = 1.0;
constexpr double kMaxTailSeconds = 60.0;

struct RenderError
{
    std::string message;
    int status = kExitFileError;
};

// Where the audio comes from: a file through JUCE's readers, or the demo.
class Source
{
public:
    static std::variant<std::unique_ptr<Source>, RenderError> open(const std::optional<std::string>& path)
    {
        auto source = std::unique_ptr<Source>(new Source());
        if (!path)
        {
            source->demo = makeDemoSignal();
            source->rate = kDemoSampleRate;
            source->channels = 2;
            source->length = source->demo.getNumSamples();
            source->name = "the built-in demo";
            return source;
        }

        const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile(*path);
        const std::string quoted = "'" + *path + "'";
        if (file.isDirectory())
            return RenderError { "cannot read " + quoted + ": it is a folder" };
        if (!file.existsAsFile())
            return RenderError { "cannot read " + quoted + ": no such file" };
        if (!file.hasReadAccess())
            return RenderError { "cannot read " + quoted + ": permission denied" };

        source->formats.registerBasicFormats();
        source->reader.reset(source->formats.createReaderFor(file));
        if (source->reader == nullptr)
            return RenderError { "cannot read " + quoted + ": not a WAV, AIFF or FLAC file, or damaged" };

        const auto& r = *source->reader;
        if (!(r.sampleRate >= 8000.0 && r.sampleRate <= 768000.0))
            return RenderError { "cannot read " + quoted + ": unusable sample rate " + std::to_string(r.sampleRate) };
        if (r.numChannels < 1 || r.numChannels > 2)
            return RenderError { "cannot read " + quoted + ": it has " + std::to_string(r.numChannels) +
                                 " channels; VELMORA takes mono or stereo" };
        if (r.lengthInSamples < 0)
            return RenderError { "cannot read " + quoted + ": unknown length" };

        source->rate = r.sampleRate;
        source->channels = static_cast<int>(r.numChannels);
        source->length = r.lengthInSamples;
        source->name = quoted;

        // An uncompressed file cannot hold more frames than its bytes allow.
        // Its header may claim more: a file cut short, or one written to a
        // pipe with an unknown length. The frames that are there are used.
        const auto format = r.getFormatName();
        if ((format == "WAV file" || format == "AIFF file") && r.bitsPerSample > 0)
        {
            const auto bytesPerFrame = static_cast<juce::int64>(r.numChannels) * ((r.bitsPerSample + 7) / 8);
            const auto held = file.getSize() / bytesPerFrame;
            if (source->length > held)
            {
                source->note = "note: " + quoted + " holds fewer frames than its header says; rendering the " +
                               std::to_string(held) + " it holds";
                source->length = held;
            }
        }
        return source;
    }

    // Fills channels 0 and 1 of `block` with frames [position, position + n),
    // silence past the end.
    bool read(juce::AudioBuffer<float>& block, juce::int64 position, int n)
    {
        block.clear();
        const auto available = static_cast<int>(std::max<juce::int64>(0, std::min<juce::int64>(n, length - position)));
        if (available == 0)
            return true;
        if (reader == nullptr)
        {
            for (int c = 0; c < 2; ++c)
                block.copyFrom(c, 0, demo, c, static_cast<int>(position), available);
            return true;
        }
        return reader->read(&block, 0, available, position, true, channels > 1);
    }

    double rate = 0.0;
    int channels = 0;
    juce::int64 length = 0;
    std::string name;
    std::string note; // what the user should know about the input, if anything

private:
    Source() = default;

    juce::AudioFormatManager formats;
    std::unique_ptr<juce::AudioFormatReader> reader;
    juce::AudioBuffer<float> demo;
};

// The WAV output. Nothing appears under the output's name until the whole
// render has been written (see OutputFile).
class Destination
{
public:
    std::optional<RenderError> open(const std::string& path, double rate, int bits)
    {
        if (auto error = file.open(path))
            return RenderError { *error };
        name = file.displayName();

        auto stream = file.release();
        juce::WavAudioFormat wav;
        writer.reset(wav.createWriterFor(stream.get(), rate, 2, bits, {}, 0));
        if (writer == nullptr)
        {
            stream.reset();
            file.abandon();
            return RenderError { "cannot write " + name + ": WAV cannot hold " + std::to_string(bits) +
                                 "-bit audio at this rate" };
        }
        stream.release(); // the writer owns it now
        return std::nullopt;
    }

    bool write(const juce::AudioBuffer<float>& block, int start, int n)
    {
        if (n <= 0)
            return true;
        const float* channels[] = { block.getReadPointer(0, start), block.getReadPointer(1, start) };
        framesWritten += n;
        return writer->writeFromFloatArrays(channels, 2, n);
    }

    // Finishes the WAV (its header is written last); the file itself is put
    // in place by commit(). A device or a pipe keeps the header written at
    // the start, without the final length.
    bool finish()
    {
        const bool flushed = writer->flush();
        writer.reset();
        return flushed || file.writesInPlace();
    }

    std::optional<RenderError> commit()
    {
        if (auto error = file.commit())
            return RenderError { *error };
        return std::nullopt;
    }

    void abandon()
    {
        writer.reset();
        file.abandon();
    }

    juce::int64 framesWritten = 0;
    std::string name;

private:
    OutputFile file;
    std::unique_ptr<juce::AudioFormatWriter> writer;
};

// After the input has ended, holds back output that is below -90 dBFS and
// drops it if it stays there for a second, so an automatic tail ends where
// the sound does.
class QuietTail
{
public:
    explicit QuietTail(double rate) :
        limit(static_cast<int>(kQuietSecondsToStop * rate)), held(2, static_cast<int>(kQuietSecondsToStop * rate))
    {
    }

    // Returns false once the output has been quiet long enough.
    bool take(const juce::AudioBuffer<float>& block, int start, int n, Destination& out, bool& ok)
    {
        for (int i = start; i < start + n; ++i)
        {
            const float l = block.getSample(0, i);
            const float r = block.getSample(1, i);
            if (static_cast<double>(std::max(std::abs(l), std::abs(r))) >= kSilenceThreshold)
            {
                ok = ok && out.write(held, 0, count);
                count = 0;
                ok = ok && out.write(block, i, 1);
                continue;
            }
            held.setSample(0, count, l);
            held.setSample(1, count, r);
            if (++count >= limit)
                return false;
        }
        return true;
    }

private:
    int limit;
    juce::AudioBuffer<float> held;
    int count = 0;
};

std::string seconds(double value)
{
    std::ostringstream s;
    s << std::fixed << std::setprecision(2) << value << " s";
    return s.str();
}
} // namespace

int runRender(const RenderOptions& options, Io& io)
{
    // "render song.wav" renders the demo over song.wav: almost always a
    // forgotten argument, so it has to be asked for.
    if (!options.input && !options.overwrite && OutputFile::regularFileExists(options.output))
    {
        io.err << "velmora: '" << options.output
               << "' exists: give IN and OUT to render it, or --overwrite to replace it with the demo\n";
        return kExitUsage;
    }

    auto opened = Source::open(options.input);
    if (auto* error = std::get_if<RenderError>(&opened))
    {
        io.err << "velmora: " << error->message << '\n';
        return error->status;
    }
    auto& source = *std::get<std::unique_ptr<Source>>(opened);
    if (!source.note.empty())
        io.err << "velmora: " << source.note << '\n';

    // A state to save is checked before the render, so a bad path does not
    // cost the whole render first.
    if (options.stateOut)
        if (auto error = checkWritable(*options.stateOut))
        {
            io.err << "velmora: " << error->message << '\n';
            return kExitFileError;
        }

    VelmoraProcessor processor;
    if (options.stateIn)
        if (auto error = loadStateFile(processor, *options.stateIn))
        {
            io.err << "velmora: " << error->message << '\n';
            return kExitFileError;
        }
    applyPresetAndSettings(processor, options.preset, options.settings);

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(source.channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo());
    layout.outputBuses.add(juce::AudioChannelSet::stereo());
    if (!processor.setBusesLayout(layout))
    {
        io.err << "velmora: the plug-in refused a " << source.channels << "-channel input\n";
        return kExitFileError;
    }

    const int blockSize = options.blockSize;
    processor.setRateAndBufferSizeDetails(source.rate, blockSize);
    processor.prepareToPlay(source.rate, blockSize);
    const int latency = processor.getLatencySamples();

    Destination destination;
    if (auto error = destination.open(options.output, source.rate, options.bits))
    {
        io.err << "velmora: " << error->message << '\n';
        return error->status;
    }

    const juce::int64 skip = options.latencyCompensation ? latency : 0;
    const juce::int64 inputFrames = source.length;
    const auto maxTailFrames = static_cast<juce::int64>(std::llround(kMaxTailSeconds * source.rate));
    const juce::int64 tailFrames = options.tailSeconds
                                       ? static_cast<juce::int64>(std::llround(*options.tailSeconds * source.rate))
                                       : maxTailFrames;
    const juce::int64 outputLimit = inputFrames + tailFrames; // frames of aligned output, at most
    const bool autoTail = !options.tailSeconds.has_value();

    ProgressBar progress(io.err, io.errIsTerminal && !options.quiet);
    QuietTail quietTail(source.rate);
    juce::AudioBuffer<float> block(2, blockSize);
    juce::MidiBuffer midi;
    juce::int64 processed = 0; // frames fed to the processor
    bool ok = true;
    bool finished = false;

    while (!finished && ok)
    {
        if (interruptRequested.load())
        {
            destination.abandon();
            io.err << "\nvelmora: interrupted; nothing was written\n";
            return kExitInterrupted;
        }

        const int n = blockSize;
        if (!source.read(block, processed, n))
        {
            io.err << "velmora: cannot read " << source.name << ": read error at frame " << processed << '\n';
            return kExitFileError;
        }
        processor.processBlock(block, midi);

        // Frames [processed, processed + n) of raw output are frames
        // [processed - skip, ...) of aligned output.
        int start = static_cast<int>(std::clamp<juce::int64>(skip - processed, 0, n));
        juce::int64 aligned = processed + start - skip;
        processed += n;

        while (start < n && ok && !finished)
        {
            if (aligned >= outputLimit)
            {
                finished = true;
                break;
            }
            if (aligned < inputFrames || !autoTail)
            {
                const auto stop = autoTail ? inputFrames : outputLimit;
                const auto count = static_cast<int>(std::min<juce::int64>(n - start, stop - aligned));
                ok = destination.write(block, start, count);
                start += count;
                aligned += count;
            }
            else
            {
                const auto count = static_cast<int>(std::min<juce::int64>(n - start, outputLimit - aligned));
                finished = !quietTail.take(block, start, count, destination, ok);
                start += count;
                aligned += count;
            }
        }

        const double done = static_cast<double>(processed) / source.rate;
        if (autoTail)
            progress.update(static_cast<double>(processed) / static_cast<double>(std::max<juce::int64>(1, inputFrames)),
                            processed > inputFrames
                                ? "tail " + seconds(done - static_cast<double>(inputFrames) / source.rate)
                                : seconds(done));
        else
            progress.update(static_cast<double>(processed) / static_cast<double>(outputLimit + skip), seconds(done));
    }
    progress.finish();
    processor.releaseResources();

    if (!ok)
    {
        destination.abandon();
        io.err << "velmora: cannot write " << destination.name << ": write error (disk full?)\n";
        return kExitFileError;
    }

    // Both files are written whole before either is put in place, so a
    // failure leaves neither behind.
    const auto frames = destination.framesWritten;
    if (!destination.finish())
    {
        destination.abandon();
        io.err << "velmora: cannot write " << destination.name << ": write error (disk full?)\n";
        return kExitFileError;
    }
    OutputFile stateFile;
    if (options.stateOut)
        if (auto error = writeStateFile(processor, *options.stateOut, stateFile))
        {
            destination.abandon();
            io.err << "velmora: " << error->message << '\n';
            return kExitFileError;
        }
    if (auto error = destination.commit())
    {
        stateFile.abandon();
        io.err << "velmora: " << error->message << '\n';
        return error->status;
    }
    if (options.stateOut)
        if (auto error = stateFile.commit())
        {
            io.err << "velmora: " << *error << '\n';
            return kExitFileError;
        }

    if (!options.quiet)
    {
        const double length = static_cast<double>(frames) / source.rate;
        const double tail = std::max(0.0, length - static_cast<double>(inputFrames) / source.rate);
        io.out << "wrote " << options.output << ": " << seconds(length) << " (tail " << seconds(tail) << "), "
               << source.rate << " Hz, stereo, "
               << (options.bits == 32 ? "32-bit float" : std::to_string(options.bits) + "-bit") << "; from "
               << source.name << ", latency " << latency << " samples "
               << (options.latencyCompensation ? "removed" : "kept") << '\n';
        if (options.stateOut)
            io.out << "saved the state to " << *options.stateOut << '\n';
    }
    return kExitOk;
}

} // namespace velmora::cli
