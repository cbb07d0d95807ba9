#include "DreamEffect.h"
#include "OnePole.h"

#include <algorithm>
#include <cmath>

namespace
{

double poleFor(double frequency, double sampleRate)
{
    return velmora::one_pole::forFrequency(frequency, sampleRate);
}

// Straight lines between the points; the first point's value below the
// first amount, the last one's above the last amount.
template <typename Value, std::size_t N, typename Blend>
Value piecewiseLinear(const std::array<double, N>& amounts, const std::array<Value, N>& values, double x, Blend blend)
{
    if (x <= amounts.front())
        return values.front();
    for (std::size_t i = 1; i < N; ++i)
        if (x <= amounts[i])
            return blend(values[i - 1], values[i], (x - amounts[i - 1]) / (amounts[i] - amounts[i - 1]));
    return values.back();
}

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}
} // namespace

DreamEffect::Settings DreamEffect::settingsAt(double amount)
{
    if (amount <= 0.0)
        return kCurves.front();
    return piecewiseLinear(kCurveAmounts, kCurves, amount,
                           [](const Settings& a, const Settings& b, double t)
                           {
                               return Settings { lerp(a.driveShape, b.driveShape, t),
                                                 lerp(a.emphasis, b.emphasis, t),
                                                 lerp(a.tapeNoiseLevel, b.tapeNoiseLevel, t),
                                                 lerp(a.heatDrive, b.heatDrive, t),
                                                 lerp(a.heatTone, b.heatTone, t),
                                                 lerp(a.glue, b.glue, t) };
                           });
}

double DreamEffect::ageAmountAt(double amount)
{
    if (amount <= 0.0)
        return 0.0;
    return piecewiseLinear(kAgeAmounts, kAgeCurve, amount, lerp);
}

void DreamEffect::prepare(double newSampleRate, int hostBlockSize)
{
    sampleRate = newSampleRate;
    maxBlockSize = std::max(1, hostBlockSize);
    dryLeft.assign(static_cast<std::size_t>(maxBlockSize), 0.0);
    dryRight.assign(static_cast<std::size_t>(maxBlockSize), 0.0);
    dcCoeff = poleFor(60.0, sampleRate);

    tapeLeft.prepare(sampleRate, maxBlockSize);
    tapeRight.prepare(sampleRate, maxBlockSize);
    heatLeft.prepare(sampleRate, HeatChannel::kLeftChannel);
    heatRight.prepare(sampleRate, HeatChannel::kRightChannel);
    reset();
}

void DreamEffect::reset()
{
    tapeLeft.reset();
    tapeRight.reset();
    heatLeft.reset();
    heatRight.reset();
    for (auto* state : { &ageLowA, &ageLowB, &ageLowC, &ageHigh, &agePresence, &dcIn, &dcOut })
        state->fill(0.0);
}

void DreamEffect::process(double* left, double* right, int numSamples)
{
    if (left == nullptr || right == nullptr || numSamples < 1)
        return;
    if (startAmount < kActiveThreshold && endAmount < kActiveThreshold)
        return;

    tapeLeft.tone = kTapeTone;
    tapeRight.tone = kTapeTone;

    const double ageAmount = ageAmountAt(endAmount);
    const double u0 = std::min(1.0, startAmount / kFadeInAmount);
    const double u1 = std::min(1.0, endAmount / kFadeInAmount);

    const int n = std::min(numSamples, maxBlockSize);
    std::copy_n(left, n, dryLeft.begin());
    std::copy_n(right, n, dryRight.begin());

    runChunks(left, right, n);

    blockDc(left, n, 0);
    blockDc(right, n, 1);

    if (ageAmount > 0.0001)
    {
        age(left, n, 0, ageAmount);
        age(right, n, 1, ageAmount);
    }

    if (u0 < 1.0 || u1 < 1.0)
    {
        fadeInFromDry(left, dryLeft.data(), n, u0, u1);
        fadeInFromDry(right, dryRight.data(), n, u0, u1);
    }
}

void DreamEffect::runChunks(double* left, double* right, int n)
{
    for (int i0 = 0; i0 < n; i0 += kChunkSize)
    {
        const int length = std::min(kChunkSize, n - i0);
        const double w = n > 1 ? static_cast<double>(i0) / static_cast<double>(n) : 0.0;
        const double amount = startAmount + (endAmount - startAmount) * w;
        const double saturation = saturationStart + (saturationEnd - saturationStart) * w;
        const double hiss = hissStart + (hissEnd - hissStart) * w;
        const Settings s = settingsAt(amount);

        for (auto* tape : { &tapeLeft, &tapeRight })
        {
            tape->drive = 1.0 + 5.0 * s.driveShape * saturation;
            tape->emphasis = s.emphasis;
            tape->noiseLevel = s.tapeNoiseLevel;
            tape->noiseGain = std::min(1.0, hiss * hiss);
        }
        for (auto* heat : { &heatLeft, &heatRight })
        {
            heat->heatDrive = s.heatDrive * saturation;
            heat->heatAmount = amount;
            heat->heatTone = s.heatTone;
            heat->glue = s.glue;
        }

        tapeLeft.process(left + i0, length);
        tapeRight.process(right + i0, length);
        heatLeft.process(left + i0, length);
        heatRight.process(right + i0, length);
    }
}

void DreamEffect::blockDc(double* samples, int n, std::size_t channel)
{
    double previousIn = dcIn[channel];
    double previousOut = dcOut[channel];
    for (int i = 0; i < n; ++i)
    {
        const double x = samples[i];
        const double y = x - previousIn + dcCoeff * previousOut;
        previousIn = x;
        previousOut = y;
        samples[i] = y;
    }
    dcIn[channel] = previousIn;
    dcOut[channel] = previousOut;
}

// Three gentle low-passes that close as the amount rises, a high-pass that
// thins the bottom, and a small lift above 1.2 kHz to keep the voice forward.
void DreamEffect::age(double* samples, int n, std::size_t channel, double amount)
{
    const double cA = poleFor(std::max(800.0, 20000.0 * std::pow(0.05, amount)), sampleRate);
    const double cB = poleFor(100.0 * amount + 20.0, sampleRate);
    const double cC = poleFor(1200.0, sampleRate);
    const double lift = 0.4 * amount;

    double& lowA = ageLowA[channel];
    double& lowB = ageLowB[channel];
    double& lowC = ageLowC[channel];
    double& high = ageHigh[channel];
    double& presence = agePresence[channel];
    for (int i = 0; i < n; ++i)
    {
        lowA = cA * lowA + (1.0 - cA) * samples[i];
        lowB = cA * lowB + (1.0 - cA) * lowA;
        lowC = cA * lowC + (1.0 - cA) * lowB;
        high = cB * high + (1.0 - cB) * lowC;
        const double x = lowC - high;
        presence = cC * presence + (1.0 - cC) * x;
        samples[i] = x + lift * (x - presence);
    }
}

void DreamEffect::fadeInFromDry(double* samples, const double* dry, int n, double u0, double u1)
{
    const double span = n < 2 ? 0.0 : static_cast<double>(n - 1);
    for (int i = 0; i < n; ++i)
    {
        const double e = n < 2 ? u0 : u0 + (u1 - u0) * static_cast<double>(i) / span;
        samples[i] = dry[i] * (1.0 - e) + samples[i] * e;
    }
}
