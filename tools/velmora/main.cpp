#include "RenderCommand.h"
#include "Run.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

namespace
{
extern "C" void onInterrupt(int)
{
    velmora::cli::interruptRequested.store(true);
}
} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    const std::vector<std::string> args(argv + 1, argv + argc);
    velmora::cli::Io io { std::cout, std::cerr, isatty(STDERR_FILENO) != 0 };
    return velmora::cli::run(args, io);
}
