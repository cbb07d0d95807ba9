#include "ProgressBar.h"

#include <algorithm>

namespace velmora::cli
{
namespace
{
constexpr auto kShowAfter = std::chrono::milliseconds(400);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kWidth = 30;
} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool isEnabled) :
    stream(out), enabled(isEnabled), started(std::chrono::steady_clock::now())
{
}

ProgressBar::~ProgressBar()
{
    finish();
}

void ProgressBar::update(double fraction, const std::string& detail)
{
    if (!enabled)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - started < kShowAfter || (shown && now - lastDrawn < kRedrawEvery))
        return;

    const double f = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(f * kWidth);
    stream << "\r[" << std::string(static_cast<size_t>(filled), '#')
           << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << static_cast<int>(f * 100.0) << "%  "
           << detail << "\x1b[K" << std::flush;
    shown = true;
    lastDrawn = now;
}

void ProgressBar::finish()
{
    if (shown)
        stream << "\r\x1b[K" << std::flush;
    shown = false;
}

} // namespace velmora::cli
