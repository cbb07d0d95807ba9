#include "OutputLimiter.h"
#include "OnePole.h"

#include <algorithm>
#include <cmath>

void OutputLimiter::prepare(double sampleRate)
{
    envAttack = velmora::one_pole::forSeconds(0.001, sampleRate);
    envRelease = velmora::one_pole::forSeconds(0.05, sampleRate);
    gainAttack = velmora::one_pole::forSeconds(0.001, sampleRate);
    gainRelease = velmora::one_pole::forSeconds(0.05, sampleRate);
    reset();
}

void OutputLimiter::reset()
{
    envelope = 0.0;
    gain = 1.0;
}

void OutputLimiter::process(const double* wetLeft, const double* wetRight, double outputGain, float* outLeft,
                            float* outRight, int numSamples)
{
    for (int i = 0; i < numSamples; ++i)
    {
        const double x = outputGain * wetLeft[i];
        const double y = outputGain * wetRight[i];
        const double peak = std::max(std::abs(x), std::abs(y));

        const double ce = peak > envelope ? envAttack : envRelease;
        envelope = ce * envelope + (1.0 - ce) * peak;

        const double target = envelope > 1.0 ? 1.0 / envelope : 1.0;
        const double cg = gain > target ? gainAttack : gainRelease;
        gain = cg * gain + (1.0 - cg) * target;

        outLeft[i] = static_cast<float>(x * gain);
        outRight[i] = static_cast<float>(y * gain);
    }
}
