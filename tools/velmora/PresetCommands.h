#pragma once

#include "Io.h"

namespace velmora::cli
{

// "velmora presets": index, name and folder of every factory preset.
int runPresets(bool json, Io& io);

} // namespace velmora::cli
