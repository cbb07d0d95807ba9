#pragma once

#include "CommandLine.h"
#include "Io.h"

namespace velmora::cli
{

// "velmora state dump FILE": loads the blob into a fresh processor through
// setStateInformation, so what it prints is what a host would get, older
// states migrated; every parameter in host order, then the page fields.
int runStateDump(const StateOptions& options, bool json, Io& io);

// "velmora state make OUT": the blob of a fresh processor after the preset
// and the settings.
int runStateMake(const StateOptions& options, Io& io);

} // namespace velmora::cli
