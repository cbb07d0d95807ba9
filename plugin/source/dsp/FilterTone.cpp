#include "FilterTone.h"
#include "OnePole.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kTwoPi = 6.283185307179586476925286766559;

// A corner at or above Nyquist would make the design unstable; hosts running
// below 40 kHz can ask for one, so corners stop just short of it.
double belowNyquist(double frequency, double sampleRate)
{
    return std::min(frequency, 0.49 * sampleRate);
}
} // namespace

FilterTone::Biquad FilterTone::Biquad::highPass(double frequency, double rate)
{
    if (frequency < kHighPassBypassBelow)
        return {};
    const double w = kTwoPi * belowNyquist(frequency, rate) / rate;
    const double cosW = std::cos(w);
    const double alpha = std::sin(w) / std::sqrt(2.0);
    const double norm = 1.0 + alpha;
    Biquad c;
    c.b0 = c.b2 = (1.0 + cosW) / 2.0 / norm;
    c.b1 = -(1.0 + cosW) / norm;
    c.a1 = -2.0 * cosW / norm;
    c.a2 = (1.0 - alpha) / norm;
    return c;
}

FilterTone::Biquad FilterTone::Biquad::lowPass(double frequency, double rate)
{
    if (frequency > kLowPassBypassAbove)
        return {};
    const double w = kTwoPi * belowNyquist(frequency, rate) / rate;
    const double cosW = std::cos(w);
    const double alpha = std::sin(w) / std::sqrt(2.0);
    const double norm = 1.0 + alpha;
    Biquad c;
    c.b0 = c.b2 = (1.0 - cosW) / 2.0 / norm;
    c.b1 = (1.0 - cosW) / norm;
    c.a1 = -2.0 * cosW / norm;
    c.a2 = (1.0 - alpha) / norm;
    return c;
}

void FilterTone::prepare(double rate)
{
    sampleRate = rate > 0.0 ? rate : 44100.0;
    tiltCoeff = velmora::one_pole::forFrequency(kTiltPivotHz, sampleRate);
    reset();
}

void FilterTone::reset()
{
    highPassLeft = highPassRight = lowPassLeft = lowPassRight = History {};
    tiltStateLeft = tiltStateRight = 0.0;
}

void FilterTone::setCutoffs(double highPassHz, double lowPassHz)
{
    highPass = Biquad::highPass(highPassHz, sampleRate);
    lowPass = Biquad::lowPass(lowPassHz, sampleRate);
}

void FilterTone::setTilt(double tiltDb)
{
    const double t = std::clamp(tiltDb, -kTiltRangeDb, kTiltRangeDb);
    tiltLowGain = std::pow(10.0, -t / 40.0);
    tiltHighGain = std::pow(10.0, t / 40.0);
}

void FilterTone::process(double* left, double* right, int numSamples)
{
    if (numSamples < 1)
        return;

    for (int i = 0; i < numSamples; ++i)
    {
        left[i] = highPassLeft.process(highPass, left[i]);
        right[i] = highPassRight.process(highPass, right[i]);
        left[i] = lowPassLeft.process(lowPass, left[i]);
        right[i] = lowPassRight.process(lowPass, right[i]);
    }

    // low * s + high * (x - s), written as x plus the two bands' changes so
    // that a flat tilt gives back x to the last bit.
    const double c = tiltCoeff;
    const double lowChange = tiltLowGain - 1.0;
    const double highChange = tiltHighGain - 1.0;
    for (int i = 0; i < numSamples; ++i)
    {
        tiltStateLeft = (1.0 - c) * left[i] + c * tiltStateLeft;
        left[i] += lowChange * tiltStateLeft + highChange * (left[i] - tiltStateLeft);
        tiltStateRight = (1.0 - c) * right[i] + c * tiltStateRight;
        right[i] += lowChange * tiltStateRight + highChange * (right[i] - tiltStateRight);
    }
}
