#include "HeatChannel.h"
#include "OnePole.h"
#include "Xorshift32.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr double kSilentControls = 0.000001;

double poleFor(double frequency, double sampleRate)
{
    return velmora::one_pole::forFrequency(frequency, sampleRate);
}

double draw(std::uint32_t& x)
{
    return velmora::xorshiftDraw(x);
}

// tanh up to the clip limit, then a shallow straight line so that loud peaks
// keep some of their shape; the negative half clips a little harder.
struct SoftClip
{
    double limit;
    double atLimit;

    explicit SoftClip(double clipLimit) : limit(clipLimit), atLimit(std::tanh(clipLimit)) {}

    double operator()(double y) const
    {
        if (y < 0.0)
            return std::tanh(1.2 * y) / 1.2;
        if (y <= limit)
            return std::tanh(y);
        return atLimit + 0.05 * (y - limit);
    }
};
} // namespace

void HeatChannel::prepare(double newSampleRate, const ChannelConstants& constants)
{
    sampleRate = newSampleRate;
    gainOffset = constants.gainOffset;
    biasScale = constants.biasScale;
    toneScale = constants.toneScale;
    smoothFrequency = constants.smoothFrequency;
    rngState = constants.seed;

    glueLowCoeff = poleFor(800.0, sampleRate);
    glueDownCoeff = velmora::one_pole::forSeconds(0.1, sampleRate);
    glueUpCoeff = velmora::one_pole::forSeconds(0.5, sampleRate);
    reset();
}

void HeatChannel::reset()
{
    toneState = 0.0;
    wander = 0.0;
    wanderVelocity = 0.0;
    previousDriven = 0.0;
    envelope = 0.0;
    smoothState = 0.0;
    glueGain = 1.0;
    glueEnvelope = 0.0;
    glueHeat = 0.0;
    glueDarkState = 0.0;
    glueLowState = 0.0;
}

void HeatChannel::process(double* samples, int numSamples)
{
    if (samples == nullptr || numSamples < 1)
        return;
    const double h = heatDrive;
    const double a = heatAmount;
    const double g = heatTone;
    const double t = glue;
    if (h + a + g + t < kSilentControls)
        return;

    // The controls hold still for the whole call; only the glue's darkening
    // pole follows a state and is recomputed per sample.
    const bool toneOn = g > kSilentControls;
    const double g4 = g * g * g * g;
    const double toneCoeff = poleFor(std::max(1500.0, (1.0 - 0.92 * g4) * 20000.0 * toneScale), sampleRate);

    const bool driveOn = h > kSilentControls || a > kSilentControls;
    const double h2 = h * h;
    const double smoothCoeff = std::exp(-kTwoPi * smoothFrequency / (1.0 + 3.0 * h2) / sampleRate);
    const double driveGain = (1.0 + gainOffset) * (1.0 + 9.0 * h2);
    const double smoothBlend = 0.6 * h2;
    const double driveMix = std::min(1.0, 3.0 * h);
    const SoftClip soft(3.0 - 2.0 * h);

    const bool glueOn = t > kSilentControls;
    const double T = t * t;
    const double glueFloor = 0.3 - 0.2 * T;
    const double glueThreshold = 0.25 - 0.15 * T;
    const double glueExponent = 1.0 / (1.0 + 2.5 * T) - 1.0;

    for (int i = 0; i < numSamples; ++i)
    {
        double f = samples[i];

        if (toneOn)
        {
            toneState = toneCoeff * toneState + (1.0 - toneCoeff) * f;
            f = toneState;
        }

        if (driveOn)
        {
            const double level = std::abs(f);
            envelope += (level - envelope) * (level > envelope ? 0.005 : 0.0005);
            smoothState = smoothCoeff * smoothState + (1.0 - smoothCoeff) * f;

            const double r = draw(rngState);
            wanderVelocity = (wanderVelocity + 0.0004 * a * (0.7 * envelope + 0.3) * (r - 0.5)) * 0.999;
            wander = (wander + wanderVelocity) * 0.9997;

            const double bias = 0.2 * (a * biasScale + wander);
            const double x = ((1.0 - smoothBlend) * f + smoothBlend * smoothState + bias) * driveGain;
            const double mid = 0.5 * (previousDriven + x);
            previousDriven = x;

            double makeUp = envelope * driveGain;
            const double squashed = std::tanh(makeUp);
            makeUp = squashed > 0.01 ? makeUp / squashed : 1.0;

            // The half-step and the full-step sample are averaged, and the
            // clipped bias is taken out again so the drive adds no offset.
            const double out =
                std::min(0.8 * driveGain, makeUp) / driveGain * (0.5 * (soft(mid) + soft(x)) - soft(bias * driveGain));
            f = (1.0 - driveMix) * f + driveMix * out;
        }

        if (glueOn)
        {
            const double input = f;
            const double level = std::abs(input);

            double target = level > glueFloor ? 1.0 - 1.5 * T * (level - glueFloor) : 1.0;
            target = std::max(target, 0.4);
            const double gainCoeff = glueGain > target ? glueDownCoeff : glueUpCoeff;

            glueLowState = glueLowCoeff * glueLowState + (1.0 - glueLowCoeff) * input;
            glueGain = gainCoeff * glueGain + (1.0 - gainCoeff) * target;
            glueEnvelope += (level - glueEnvelope) * (level > glueEnvelope ? 0.002 : 0.0002);

            // Only the band below 800 Hz is turned down, then made up.
            const double makeUp = 0.5 + 0.5 * glueGain;
            double n = (input - glueLowState + glueGain * glueLowState) * (makeUp > 0.5 ? 1.0 / makeUp : 2.0);

            if (glueThreshold > 0.01 && glueEnvelope > glueThreshold)
            {
                const double b = std::pow(glueEnvelope / glueThreshold, glueExponent);
                n = n * b * std::min(3.5, 1.0 / std::max(b, 0.4));
            }

            glueHeat = std::clamp((glueHeat + 0.00008 * T * (input * input)) * (1.0 - 0.00002), 0.0, 0.8);
            const double darkCoeff = poleFor(std::max(4000.0, 18000.0 - 10000.0 * glueHeat), sampleRate);
            glueDarkState = darkCoeff * glueDarkState + (1.0 - darkCoeff) * n;

            const double w = 0.7 * glueHeat * T;
            f = (1.0 - w) * n + w * glueDarkState;
        }

        samples[i] = f;
    }
}
