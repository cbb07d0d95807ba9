#pragma once

#include "Io.h"

#include <string>
#include <vector>

namespace velmora::cli
{

// The whole tool behind main(): parses the arguments (without the program
// name), runs the command and returns the exit status.
int run(const std::vector<std::string>& args, Io& io);

} // namespace velmora::cli
