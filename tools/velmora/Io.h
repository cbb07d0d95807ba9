#pragma once

#include <ostream>

namespace velmora::cli
{

struct Io
{
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
};

enum ExitStatus
{
    kExitOk = 0,
    kExitFileError = 1,
    kExitUsage = 2,
    kExitInterrupted = 130
};

} // namespace velmora::cli
