#include "Run.h"

#include "CommandLine.h"
#include "InfoCommands.h"
#include "PresetCommands.h"
#include "RenderCommand.h"
#include "StateCommands.h"

#include <juce_events/juce_events.h>

namespace velmora::cli
{

int run(const std::vector<std::string>& args, Io& io)
{
    auto parsed = parseCommandLine(args);
    if (const auto* error = std::get_if<ParseError>(&parsed))
    {
        io.err << "velmora: " << error->message << "\n(velmora help shows the commands and their options)\n";
        return kExitUsage;
    }
    const auto& invocation = std::get<Invocation>(parsed);

    // The processor runs timers, which need JUCE's message system to exist.
    const juce::ScopedJuceInitialiser_GUI juce;

    const int status = [&]
    {
        switch (invocation.verb)
        {
        case Invocation::Verb::Help: io.out << usageText(); return int(kExitOk);
        case Invocation::Verb::Version: io.out << "velmora " << VELMORA_VERSION << '\n'; return int(kExitOk);
        case Invocation::Verb::Render: return runRender(invocation.render, io);
        case Invocation::Verb::Params: return runParams(invocation.json, io);
        case Invocation::Verb::Info: return runInfo(invocation.json, invocation.sampleRate, io);
        case Invocation::Verb::Presets: return runPresets(invocation.json, io);
        case Invocation::Verb::StateDump: return runStateDump(invocation.state, invocation.json, io);
        case Invocation::Verb::StateMake: return runStateMake(invocation.state, io);
        }
        return int(kExitUsage);
    }();

    // Output a script reads must not go missing quietly (a full disk, a
    // closed pipe).
    io.out.flush();
    if (!io.out)
    {
        io.err << "velmora: cannot write to standard output\n";
        return status == kExitOk ? int(kExitFileError) : status;
    }
    return status;
}

} // namespace velmora::cli
