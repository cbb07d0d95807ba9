#include "DryChorus.h"

#include "ReverbCore.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kTwoPi = 6.283185307179586476925;
constexpr double kBaseSeconds = 0.011;
constexpr double kSweepSeconds = 0.007;
constexpr double kLineSeconds = 0.018; // the longest delay, base plus sweep
constexpr double kMaxMix = 0.55;
} // namespace

void DryChorus::prepare(double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;
    const int needed = static_cast<int>(std::ceil(kLineSeconds * sampleRate)) + 8;
    length = 1;
    while (length < needed)
        length *= 2;
    mask = length - 1;
    bufferLeft.assign(static_cast<size_t>(length), 0.0);
    bufferRight.assign(static_cast<size_t>(length), 0.0);
    reset();
}

void DryChorus::reset()
{
    std::fill(bufferLeft.begin(), bufferLeft.end(), 0.0);
    std::fill(bufferRight.begin(), bufferRight.end(), 0.0);
    writePos = 0;
    phase = kStartPhase;
}

void DryChorus::process(double* left, double* right, int numSamples, float depth, float rate)
{
    if (length == 0)
        return;

    const double d = static_cast<double>(korvanedsp::clampSetting(depth, 0.0f, 1.0f));
    const double width = d * kSweepSeconds * sampleRate;
    const double base = kBaseSeconds * sampleRate;
    const double mix = kMaxMix * d;

    // Held to the control's range: a runaway rate would run the phases off
    // to where sin() no longer means anything.
    const double hz = static_cast<double>(korvanedsp::clampSetting(rate, 0.0f, 10.0f));
    std::array<double, 4> increment {};
    for (size_t v = 0; v < 4; ++v)
        increment[v] = hz * kRateMul[v] / sampleRate;

    const auto readAt = [this](const std::vector<double>& buffer, double delay)
    {
        double position = static_cast<double>(writePos) - delay;
        while (position < 0.0)
            position += static_cast<double>(length);
        const auto whole = static_cast<int>(position);
        const double fraction = position - static_cast<double>(whole);
        const double a = buffer[static_cast<size_t>(whole & mask)];
        const double b = buffer[static_cast<size_t>((whole + 1) & mask)];
        return a + fraction * (b - a);
    };

    for (int i = 0; i < numSamples; ++i)
    {
        const auto w = static_cast<size_t>(writePos);
        bufferLeft[w] = left[i];
        bufferRight[w] = right[i];

        double sumLeft = 0.0;
        double sumRight = 0.0;
        for (size_t v = 0; v < 4; ++v)
        {
            const double phi = phase[v];
            const double delayLeft = base + width * (0.5 + 0.5 * std::sin(kTwoPi * phi));
            const double delayRight = base + width * (0.5 + 0.5 * std::sin(kTwoPi * (phi + 0.25)));
            sumLeft += kWeight[v] * readAt(bufferLeft, delayLeft);
            sumRight += kWeight[v] * readAt(bufferRight, delayRight);
            phase[v] += increment[v];
            if (phase[v] >= 1.0)
                phase[v] -= 1.0;
        }

        left[i] = mix * sumLeft + (1.0 - mix) * left[i];
        right[i] = mix * sumRight + (1.0 - mix) * right[i];
        writePos = (writePos + 1) & mask;
    }
}

float DryChorus::blendTail(float previousWeight, float expanse, double* wetLeft, double* wetRight,
                           const double* chorusLeft, const double* chorusRight, int numSamples)
{
    const float target = korvanedsp::clampSetting(10.0f * expanse, 0.0f, 1.0f);
    const float step = (target - previousWeight) / static_cast<float>(std::max(numSamples, 1));
    for (int i = 0; i < numSamples; ++i)
    {
        const float w = previousWeight + step * static_cast<float>(i + 1);
        const auto wet = static_cast<double>(w);
        const auto dry = static_cast<double>(1.0f - w);
        wetLeft[i] = wet * wetLeft[i] + dry * chorusLeft[i];
        wetRight[i] = wet * wetRight[i] + dry * chorusRight[i];
    }
    return target;
}
