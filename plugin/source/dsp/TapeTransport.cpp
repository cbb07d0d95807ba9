#include "TapeTransport.h"
#include "OnePole.h"
#include "Xorshift32.h"

#include <algorithm>
#include <cmath>

namespace
{

double poleFor(double frequency, double sampleRate)
{
    return velmora::one_pole::forFrequency(frequency, sampleRate);
}

double draw(std::uint32_t& x)
{
    return velmora::xorshiftDraw(x);
}

// The negative half saturates slightly harder, which gives the tape its
// even-order colour.
double asymmetricTanh(double q)
{
    return q >= 0.0 ? std::tanh(q) : std::tanh(1.15 * q) / 1.15;
}
} // namespace

void TapeTransport::prepare(double newSampleRate, int /*maxBlockSize*/)
{
    sampleRate = newSampleRate;
    emphasisCoeff = poleFor(3180.0, sampleRate);
    noiseSplitCoeff = poleFor(1000.0, sampleRate);
    noiseRumbleCoeff = poleFor(100.0, sampleRate);
    reset();
}

void TapeTransport::reset()
{
    emphasisState = 0.0;
    deemphasisState = 0.0;
    lowpassState = 0.0;
    noiseRumbleState = 0.0;
    noiseToneState = 0.0;
    noiseSplitState = 0.0;
    noiseEnvelope = 0.0;
    rngState = kSeed;
}

void TapeTransport::process(double* samples, int numSamples)
{
    if (samples == nullptr || numSamples < 1)
        return;

    // The controls hold still for the whole call, so everything derived from
    // them is computed once here.
    const double m = drive;
    const double driveNorm = std::max(1.0, 3.0 * std::tanh(m / 3.0));
    const double u = emphasisCoeff;
    const double emphasisDepth = 1.8 * emphasis;
    const double lowpassCoeff = poleFor(std::max(2000.0, 8000.0 + 10000.0 * tone), sampleRate);

    const bool hiss = noiseLevel >= 0.000001 && noiseGain >= 0.000001;
    const double noiseToneCoeff = poleFor(12000.0 + 6000.0 * tone, sampleRate);
    const double level = std::pow(10.0, (26.0 * noiseLevel - 66.0) / 20.0);
    const double gritLevel = 0.1 * noiseLevel;

    for (int i = 0; i < numSamples; ++i)
    {
        const double x = samples[i];

        const double s = asymmetricTanh(x * m / 3.0);
        double y = m * 3.0 * s / driveNorm;

        emphasisState = (1.0 - u) * y + u * emphasisState;
        y = y + emphasisDepth * (y - emphasisState);

        deemphasisState = (1.0 - u) * y + u * deemphasisState;
        const double z = y - emphasisDepth * (y - deemphasisState);

        lowpassState = lowpassCoeff * lowpassState + (1.0 - lowpassCoeff) * z;
        double out = lowpassState;

        if (hiss)
        {
            double n = 2.0 * draw(rngState) - 1.0;

            // Tilted bright, stripped of rumble, then softened by the tone.
            noiseSplitState = noiseSplitCoeff * noiseSplitState + (1.0 - noiseSplitCoeff) * n;
            n = n + 0.5 * (n - noiseSplitState);
            noiseRumbleState = noiseRumbleCoeff * noiseRumbleState + (1.0 - noiseRumbleCoeff) * n;
            n = n - noiseRumbleState;
            noiseToneState = noiseToneCoeff * noiseToneState + (1.0 - noiseToneCoeff) * n;

            // Steady hiss, plus a small noise that rises with the signal.
            const double r = draw(rngState);
            noiseEnvelope = noiseEnvelope + 0.001 * (std::abs(out) - noiseEnvelope);
            out = out + noiseGain * (level * noiseToneState + gritLevel * noiseEnvelope * (2.0 * r - 1.0));
        }

        samples[i] = out;
    }
}
