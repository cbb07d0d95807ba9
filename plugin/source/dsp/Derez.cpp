#include "Derez.h"
#include "OnePole.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora
{

void Derez::Biquad::setLowpass(double cutoffHz, double rate)
{
    const double w = 2.0 * std::numbers::pi * cutoffHz / rate;
    const double cosW = std::cos(w);
    const double alpha = std::sin(w) / std::numbers::sqrt2;
    const double norm = 1.0 + alpha;
    b0 = (1.0 - cosW) / 2.0 / norm;
    b1 = (1.0 - cosW) / norm;
    b2 = b0;
    a1 = -2.0 * cosW / norm;
    a2 = (1.0 - alpha) / norm;
}

double Derez::quantise(double v, double e)
{
    const double q = std::round(std::clamp(v / e, -1.0, 1.0) * kLevels);
    return q * e / kLevels;
}

void Derez::prepare(double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;
    envelopeAttack = velmora::one_pole::forSeconds(0.001, sampleRate);
    envelopeRelease = velmora::one_pole::forSeconds(0.1, sampleRate);

    const double cutoffA = std::min(kMaxCutoffRatio * sampleRate, kCutoffA);
    const double cutoffB = std::min(kMaxCutoffRatio * sampleRate, kCutoffB);
    for (Biquad* section : { &leftA1, &leftA2, &rightA1, &rightA2 })
        section->setLowpass(cutoffA, sampleRate);
    for (Biquad* section : { &leftB1, &leftB2, &rightB1, &rightB2 })
        section->setLowpass(cutoffB, sampleRate);

    reset();
}

void Derez::reset()
{
    clearState();
    active = false;
}

void Derez::clearState()
{
    for (Biquad* section : { &leftA1, &leftA2, &rightA1, &rightA2, &leftB1, &leftB2, &rightB1, &rightB2 })
        section->clear();
    holdPhaseA = holdPhaseB = 0.0;
    heldLeftA = heldRightA = heldLeftB = heldRightB = 0.0;
    envelopeLeft = envelopeRight = kEnvelopeFloor;
}

double Derez::followEnvelope(double x, double& envelope) const
{
    const double level = std::abs(x);
    const double c = level > envelope ? envelopeAttack : envelopeRelease;
    envelope = std::max(c * envelope + (1.0 - c) * level, kEnvelopeFloor);
    return envelope;
}

void Derez::processStereo(double* left, double* right, int numSamples, float startAmount, float endAmount)
{
    if (left == nullptr || right == nullptr || numSamples < 1)
        return;

    if (startAmount < kSilentAmount && endAmount < kSilentAmount)
    {
        active = false;
        return;
    }

    // Coming back after a silent stretch starts from rest rather than from
    // whatever was held when it stopped.
    if (!active)
        clearState();
    active = true;

    const double periodA = sampleRate / kHoldRateA;
    const double periodB = sampleRate / kHoldRateB;
    // The first sample already takes one step; the last lands on endAmount.
    const double step = (static_cast<double>(endAmount) - static_cast<double>(startAmount)) / numSamples;
    double d = startAmount;

    for (int i = 0; i < numSamples; ++i)
    {
        d += step;
        const double mix = std::min(1.0, std::max(0.0, 2.0 * d));
        const double blend = std::min(1.0, std::max(0.0, 2.0 * d - 1.0));

        const double x = left[i];
        const double y = right[i];
        const double eLeft = followEnvelope(x, envelopeLeft);
        const double eRight = followEnvelope(y, envelopeRight);

        const double filteredLeftA = leftA2.process(leftA1.process(x));
        const double filteredRightA = rightA2.process(rightA1.process(y));
        holdPhaseA += 1.0;
        if (holdPhaseA >= periodA)
        {
            holdPhaseA -= periodA;
            heldLeftA = quantise(filteredLeftA, eLeft);
            heldRightA = quantise(filteredRightA, eRight);
        }

        const double filteredLeftB = leftB2.process(leftB1.process(x));
        const double filteredRightB = rightB2.process(rightB1.process(y));
        holdPhaseB += 1.0;
        if (holdPhaseB >= periodB)
        {
            holdPhaseB -= periodB;
            heldLeftB = quantise(filteredLeftB, eLeft);
            heldRightB = quantise(filteredRightB, eRight);
        }

        const double wetLeft = heldLeftA + (heldLeftB - heldLeftA) * blend;
        const double wetRight = heldRightA + (heldRightB - heldRightA) * blend;
        left[i] = x + (wetLeft - x) * mix;
        right[i] = y + (wetRight - y) * mix;
    }
}

} // namespace velmora
