#include "MasterWow.h"
#include "Xorshift32.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kWalkKick = 0.0002;
constexpr double kVelocityDecay = 0.999;
constexpr double kWanderDecay = 0.9999;
constexpr int kGuardSamples = 4; // room for the interpolator's taps beyond the longest delay
} // namespace

double MasterWow::depthForDreamAmount(double dreamAmount)
{
    const double q = std::clamp(dreamAmount, 0.0, 1.0);
    double base = 0.0;
    if (q > 0.0)
    {
        for (size_t i = 1; i < kDepthBaseCurve.size(); ++i)
        {
            const auto& lo = kDepthBaseCurve[i - 1];
            const auto& hi = kDepthBaseCurve[i];
            if (q <= hi.amount)
            {
                base = lo.base + (hi.base - lo.base) * (q - lo.amount) / (hi.amount - lo.amount);
                break;
            }
        }
    }
    const double r = std::clamp(base, 0.0, 1.0);
    return r * r * r;
}

void MasterWow::prepare(double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;
    bufferLength = static_cast<int>(kMaxDelaySeconds * sampleRate) + kGuardSamples;
    bufferLeft.assign(static_cast<size_t>(bufferLength), 0.0);
    bufferRight.assign(static_cast<size_t>(bufferLength), 0.0);
    reset();
}

void MasterWow::reset()
{
    std::fill(bufferLeft.begin(), bufferLeft.end(), 0.0);
    std::fill(bufferRight.begin(), bufferRight.end(), 0.0);
    writeLeft = writeRight = 0;
    phase1 = kStartPhases[0];
    phase2 = kStartPhases[1];
    phase3 = kStartPhases[2];
    wanderLeft = velocityLeft = wanderRight = velocityRight = 0.0;
    rngLanes = { kSeedLeft, kSeedRight, 0, 0 };
}

double MasterWow::nextDraw(std::size_t lane)
{
    return velmora::xorshiftDraw(rngLanes[lane]);
}

double MasterWow::delayFor(double lfo, double wander) const
{
    const double d = 1.0 + depth * kDepthScaleSeconds * sampleRate * (lfo + randomAmount * wander);
    // Written so that a non-finite delay also lands on the floor.
    if (!(d >= kMinDelay))
        return kMinDelay;
    return std::min(d, static_cast<double>(bufferLength - kGuardSamples));
}

void MasterWow::advanceWrite()
{
    if (++writeLeft >= bufferLength)
        writeLeft = 0;
    if (++writeRight >= bufferLength)
        writeRight = 0;
}

int MasterWow::ringIndex(int position) const
{
    while (position < 0)
        position += bufferLength;
    while (position >= bufferLength)
        position -= bufferLength;
    return position;
}

double MasterWow::readTaps(const std::vector<double>& buffer, int write, double delay) const
{
    // Three-point quadratic interpolation centred on the tap k samples back,
    // with a one sample newer and c one sample older. Below one sample of delay
    // the newer tap would be a sample not yet written (the ring's oldest
    // instead), so the centre stays at one sample back and the curve is
    // evaluated a fraction ahead of it, through the three newest samples.
    const int k = std::max(1, static_cast<int>(delay));
    const double f = delay - k;
    const double a = buffer[static_cast<size_t>(ringIndex(write - k + 1))];
    const double b = buffer[static_cast<size_t>(ringIndex(write - k))];
    const double c = buffer[static_cast<size_t>(ringIndex(write - k - 1))];
    return b + f * (c - a) / 2.0 + f * f * ((a + c) / 2.0 - b);
}

void MasterWow::processStereo(double* left, double* right, int numSamples)
{
    if (left == nullptr || right == nullptr || numSamples < 1 || bufferLength < 1)
        return;

    if (depth < kSilentDepth)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            bufferLeft[static_cast<size_t>(writeLeft)] = left[i];
            bufferRight[static_cast<size_t>(writeRight)] = right[i];
            advanceWrite();
        }
        return;
    }

    const double step1 = kTwoPi * rate * kSineRateRatios[0] / sampleRate;
    const double step2 = kTwoPi * rate * kSineRateRatios[1] / sampleRate;
    const double step3 = kTwoPi * rate * kSineRateRatios[2] / sampleRate;

    for (int i = 0; i < numSamples; ++i)
    {
        const double lfo = kSineWeights[0] * std::sin(phase1) + kSineWeights[1] * std::sin(phase2) +
                           kSineWeights[2] * std::sin(phase3);

        phase1 += step1;
        phase2 += step2;
        phase3 += step3;
        while (phase1 > kTwoPi)
            phase1 -= kTwoPi;
        while (phase2 > kTwoPi)
            phase2 -= kTwoPi;
        while (phase3 > kTwoPi)
            phase3 -= kTwoPi;

        velocityLeft = (velocityLeft + (nextDraw(0) - 0.5) * kWalkKick) * kVelocityDecay;
        wanderLeft = (wanderLeft + velocityLeft) * kWanderDecay;
        velocityRight = (velocityRight + (nextDraw(1) - 0.5) * kWalkKick) * kVelocityDecay;
        wanderRight = (wanderRight + velocityRight) * kWanderDecay;

        const double delayLeft = delayFor(lfo, wanderLeft);
        const double delayRight = delayFor(lfo, wanderRight);

        bufferLeft[static_cast<size_t>(writeLeft)] = left[i];
        bufferRight[static_cast<size_t>(writeRight)] = right[i];
        left[i] = readTaps(bufferLeft, writeLeft, delayLeft);
        right[i] = readTaps(bufferRight, writeRight, delayRight);

        advanceWrite();
    }
}
