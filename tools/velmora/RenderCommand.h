#pragma once

#include "CommandLine.h"
#include "Io.h"

#include <atomic>

namespace velmora::cli
{

// Set from a signal handler; a render stops, removes its partial output and
// returns kExitInterrupted.
extern std::atomic<bool> interruptRequested;

int runRender(const RenderOptions& options, Io& io);

} // namespace velmora::cli
