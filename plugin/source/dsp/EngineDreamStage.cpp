// The dream stage: tape, heat, hiss and saturation with a level match, then
// the master wow.
#include "OnePole.h"
#include "VelmoraEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kLevelMatchRampSeconds = 0.1;
constexpr double kEnvelopeAttackSeconds = 0.002;
constexpr double kEnvelopeReleaseSeconds = 0.2;
// Below this the envelopes carry no usable level, and the match goes back
// to unity rather than chasing the ratio of two silences.
constexpr double kAudibleEnvelope = 0.00001;
constexpr float kMinLevelMatch = 0.125f;
constexpr float kMaxLevelMatch = 8.0f;

double clampUnit(float v)
{
    return std::clamp(static_cast<double>(v), 0.0, 1.0);
}

// Peak follower over both channels: 2 ms up, 200 ms down.
double followPeak(double envelope, const double* left, const double* right, int numSamples, double attack,
                  double release)
{
    for (int i = 0; i < numSamples; ++i)
    {
        const double p = std::max(std::abs(left[i]), std::abs(right[i]));
        const double k = p > envelope ? attack : release;
        envelope = k * envelope + (1.0 - k) * p;
    }
    return envelope;
}
} // namespace

void VelmoraEngine::prepareDream()
{
    dreamEffect.prepare(sampleRate, maxBlockSize);
    envelopeAttack = velmora::one_pole::forSeconds(kEnvelopeAttackSeconds, sampleRate);
    envelopeRelease = velmora::one_pole::forSeconds(kEnvelopeReleaseSeconds, sampleRate);
    levelMatchGain.reset(static_cast<int>(std::floor(kLevelMatchRampSeconds * sampleRate)));
    levelMatchGain.setCurrentAndTargetValue(1.0f);
    inputEnvelope = 0.0;
    outputEnvelope = 0.0;
    dreamWasActive = false;
    dreamEnd = 0.0f;
}

void VelmoraEngine::resetDream()
{
    dreamEffect.reset();
    inputEnvelope = 0.0;
    outputEnvelope = 0.0;
    levelMatchGain.setCurrentAndTargetValue(1.0f);
    dreamWasActive = false;
}

void VelmoraEngine::characterDream(int numSamples)
{
    dreamPassBegin(numSamples);
    dreamPassApply(wetLeft.data(), wetRight.data(), numSamples);
    wowPassBegin();
    wowPassApply(wetLeft.data(), wetRight.data(), numSamples);
}

void VelmoraEngine::dreamPassBegin(int numSamples)
{
    const float dreamStart = smoothers.dream.getCurrentValue();
    smoothers.dream.skip(numSamples);
    dreamEnd = smoothers.dream.getCurrentValue();

    const float hissStart = smoothers.hiss.getCurrentValue();
    smoothers.hiss.skip(numSamples);
    const float hissEnd = smoothers.hiss.getCurrentValue();

    const float saturationStart = smoothers.saturation.getCurrentValue();
    smoothers.saturation.skip(numSamples);
    const float saturationEnd = smoothers.saturation.getCurrentValue();

    // Coming back on, the effect starts from rest, so no filter rings on with
    // what it held when it was switched off.
    const bool active = static_cast<double>(dreamStart) >= DreamEffect::kActiveThreshold ||
                        static_cast<double>(dreamEnd) >= DreamEffect::kActiveThreshold;
    if (active && !dreamWasActive)
    {
        dreamEffect.reset();
        inputEnvelope = 0.0;
        outputEnvelope = 0.0;
    }
    dreamWasActive = active;

    dreamEffect.startAmount = clampUnit(dreamStart);
    dreamEffect.endAmount = clampUnit(dreamEnd);
    dreamEffect.hissStart = clampUnit(hissStart);
    dreamEffect.hissEnd = clampUnit(hissEnd);
    dreamEffect.saturationStart = clampUnit(saturationStart);
    dreamEffect.saturationEnd = clampUnit(saturationEnd);
}

void VelmoraEngine::dreamPassApply(double* left, double* right, int numSamples)
{
    if (numSamples >= 1)
        inputEnvelope = followPeak(inputEnvelope, left, right, numSamples, envelopeAttack, envelopeRelease);

    dreamEffect.process(left, right, numSamples);

    if (numSamples >= 1)
        outputEnvelope = followPeak(outputEnvelope, left, right, numSamples, envelopeAttack, envelopeRelease);

    // The match is bounded both ways, so a near-silent output can never be
    // blown up by more than 18 dB.
    float target = 1.0f;
    if (inputEnvelope > kAudibleEnvelope && outputEnvelope > kAudibleEnvelope)
        target = std::clamp(static_cast<float>(inputEnvelope / outputEnvelope), kMinLevelMatch, kMaxLevelMatch);
    levelMatchGain.setTargetValue(target);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto g = static_cast<double>(levelMatchGain.getNextValue());
        left[i] *= g;
        right[i] *= g;
    }
}
