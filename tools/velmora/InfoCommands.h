#pragma once

#include "Io.h"

namespace velmora::cli
{

int runParams(bool json, Io& io);
int runInfo(bool json, double sampleRate, Io& io);

} // namespace velmora::cli
