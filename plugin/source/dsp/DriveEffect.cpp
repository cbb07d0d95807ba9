#include "DriveEffect.h"
#include "OnePole.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kLowpassTopHz = 20000.0; // at amount 0; 0.3 of it (6 kHz) at amount 1
constexpr double kDcBlockerHz = 30.0;
constexpr double kMaxExtraGain = 11.0; // input gain 1 + 11 a^2: 12 at full drive
constexpr double kEvenWeightAtFull = 0.08;
constexpr double kNegativeHardness = 1.15;
} // namespace

double DriveEffect::satTrimForAmount(double amount)
{
    const double x = amount < 0.0 ? 0.0 : 20.0 * std::min(amount, 1.0);
    const int i = std::min(19, static_cast<int>(x));
    const auto k = static_cast<size_t>(i);
    return kTrim[k] + (kTrim[k + 1] - kTrim[k]) * (x - i);
}

void DriveEffect::prepare(double newSampleRate)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;
    dcCoeff = velmora::one_pole::forFrequency(kDcBlockerHz, sampleRate);
    reset();
}

void DriveEffect::reset()
{
    amount = startAmount = endAmount = 0.0;
    inputGain = outputGain = 1.0;
    trim = 1.0;
    lowpassCoeff = 0.0;
    lowpassLeft = lowpassRight = 0.0;
    dcInLeft = dcOutLeft = dcInRight = dcOutRight = 0.0;
}

void DriveEffect::setCoefficients(double a)
{
    amount = a;
    inputGain = 1.0 + kMaxExtraGain * a * a;
    outputGain = 1.0 / inputGain;
    trim = satTrimForAmount(a);
    lowpassCoeff = std::exp(-kTwoPi * kLowpassTopHz * std::pow(0.3, a) / sampleRate);
}

double DriveEffect::processSample(double input, double evenWeight, double& lowpass, double& dcIn, double& dcOut) const
{
    const double x = input * inputGain;
    // The negative half saturates slightly harder; the Gaussian term adds a
    // small even-order component.
    const double s = x >= 0.0 ? std::tanh(x) : std::tanh(kNegativeHardness * x) / kNegativeHardness;
    const double y = (s + evenWeight * (std::exp(-x * x / 2.0) - 1.0)) * outputGain;

    lowpass = (1.0 - lowpassCoeff) * y + lowpassCoeff * lowpass;

    const double out = lowpass - dcIn + dcCoeff * dcOut;
    dcIn = lowpass;
    dcOut = out;
    return out * trim;
}

void DriveEffect::process(double* left, double* right, int numSamples)
{
    if (left == nullptr || right == nullptr || numSamples < 1)
        return;

    for (int i0 = 0; i0 < numSamples; i0 += kSubBlock)
    {
        if (startAmount != endAmount)
        {
            const double fraction = numSamples < 2 ? 0.0 : static_cast<double>(i0) / numSamples;
            setCoefficients(startAmount + (endAmount - startAmount) * fraction);
        }

        const double evenWeight = kEvenWeightAtFull * (inputGain - 1.0) / kMaxExtraGain;
        const int end = std::min(numSamples, i0 + kSubBlock);
        for (int i = i0; i < end; ++i)
        {
            left[i] = processSample(left[i], evenWeight, lowpassLeft, dcInLeft, dcOutLeft);
            right[i] = processSample(right[i], evenWeight, lowpassRight, dcInRight, dcOutRight);
        }
    }
}
