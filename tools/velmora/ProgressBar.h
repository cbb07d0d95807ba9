#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace velmora::cli
{

// A one-line progress bar on a terminal. It stays hidden for short jobs and
// redraws at most ten times a second.
class ProgressBar
{
public:
    ProgressBar(std::ostream& out, bool enabled);
    ~ProgressBar();

    // fraction: 0..1 of the known work; detail: what is being done.
    void update(double fraction, const std::string& detail);
    void finish();

private:
    std::ostream& stream;
    bool enabled;
    bool shown = false;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
};

} // namespace velmora::cli
