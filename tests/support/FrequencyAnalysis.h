#pragma once

#include <juce_dsp/juce_dsp.h>

#include <cmath>
#include <vector>

namespace velmora::test
{

// The power spectrum of kSpectrumSize samples of x from `from` on, through a
// Hann window: kSpectrumSize / 2 + 1 bins, rate / kSpectrumSize apart.
constexpr int kSpectrumOrder = 14;
constexpr int kSpectrumSize = 1 << kSpectrumOrder;

template <typename Sample>
std::vector<double> powerSpectrum(const std::vector<Sample>& x, size_t from)
{
    juce::dsp::FFT fft(kSpectrumOrder);
    std::vector<float> a(2 * kSpectrumSize, 0.0f);
    for (size_t i = 0; i < kSpectrumSize; ++i)
    {
        const double w =
            0.5 * (1.0 - std::cos(2.0 * juce::MathConstants<double>::pi * static_cast<double>(i) / kSpectrumSize));
        a[i] = static_cast<float>(static_cast<double>(x[from + i]) * w);
    }
    fft.performFrequencyOnlyForwardTransform(a.data(), true);
    std::vector<double> power(kSpectrumSize / 2 + 1);
    for (size_t k = 0; k < power.size(); ++k)
        power[k] = static_cast<double>(a[k]) * static_cast<double>(a[k]);
    return power;
}

// The frequency of the strongest component (parabolic interpolation of the
// peak bin's magnitude).
template <typename Sample>
double peakFrequency(const std::vector<Sample>& x, size_t from, double sampleRate)
{
    const auto power = powerSpectrum(x, from);
    size_t best = 1;
    for (size_t k = 1; k + 1 < power.size(); ++k)
        if (power[k] > power[best])
            best = k;
    const double l = std::sqrt(power[best - 1]), c = std::sqrt(power[best]), r = std::sqrt(power[best + 1]);
    const double offset = 0.5 * (l - r) / (l - 2.0 * c + r);
    return (static_cast<double>(best) + offset) * sampleRate / kSpectrumSize;
}

// The share of the energy within +-bandwidth of a frequency.
template <typename Sample>
double energyShareNear(const std::vector<Sample>& x, size_t from, double sampleRate, double frequency, double bandwidth)
{
    const auto power = powerSpectrum(x, from);
    double near = 0.0, total = 0.0;
    for (size_t k = 0; k < power.size(); ++k)
    {
        total += power[k];
        if (std::abs(static_cast<double>(k) * sampleRate / kSpectrumSize - frequency) <= bandwidth)
            near += power[k];
    }
    return total > 0.0 ? near / total : 0.0;
}

} // namespace velmora::test
