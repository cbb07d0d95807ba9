#include "DisplayMeasurements.h"

#include <algorithm>
#include <cmath>

namespace
{
// Release coefficients: what the level keeps of itself and takes of a lower
// new value.
struct Release
{
    float keep, take;
};
constexpr Release kMeterRelease { 0.95f, 0.05f };
constexpr Release kBandRelease { 0.92f, 0.08f };
constexpr Release kSpectrumRelease { 0.88f, 0.12f };

constexpr float kBassLimitHz = 300.0f;
constexpr float kMidLimitHz = 2000.0f;
constexpr float kBandScale = 0.04f;
constexpr float kBandGain = 5.0f;
constexpr float kSpectrumScale = 0.25f;
constexpr float kLogSpectrumLowest = 3.68887949f; // ln 40
constexpr int kHighestBin = DisplayMeasurements::fftSize / 2 - 1;

// Instant attack, exponential release.
void follow(std::atomic<float>& level, float value, Release release)
{
    const float stored = level.load(std::memory_order_relaxed);
    level.store(value > stored ? value : stored * release.keep + value * release.take, std::memory_order_relaxed);
}

// Clamps to 0..1; a value that is not a number reads as 0, so one bad frame
// cannot stick in a smoothed level for good.
float unitRange(float x)
{
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

// The integer part of a bin position, kept to the bins a transform has, so
// that no rate can turn it into an index out of range.
int binIndex(float position, int highest)
{
    if (!(position >= 0.0f))
        return 0;
    if (position >= static_cast<float>(highest))
        return highest;
    return static_cast<int>(position);
}
} // namespace

void DisplayMeasurements::prepare(double sampleRate)
{
    analysisSampleRate = sampleRate;
    fftData.fill(0.0f);
    fftFillIndex = 0;
}

void DisplayMeasurements::measure(const juce::AudioBuffer<float>& buffer, Levels levels)
{
    const int channels = buffer.getNumChannels();
    const int n = buffer.getNumSamples();
    float peakLeft = 0.0f, peakRight = 0.0f, peakMid = 0.0f;

    if (channels > 0)
    {
        const float* left = buffer.getReadPointer(0);
        const float* right = channels > 1 ? buffer.getReadPointer(1) : left;
        for (int i = 0; i < n; ++i)
        {
            peakLeft = std::max(peakLeft, std::abs(left[i]));
            peakRight = std::max(peakRight, std::abs(right[i]));
            peakMid = std::max(peakMid, std::abs((left[i] + right[i]) * 0.5f));
        }
    }

    follow(levels.left, peakLeft, kMeterRelease);
    follow(levels.right, peakRight, kMeterRelease);
    follow(levels.mid, peakMid, kMeterRelease);
}

void DisplayMeasurements::measureInput(const juce::AudioBuffer<float>& buffer)
{
    measure(buffer, { inRms, inL, inR });
}

void DisplayMeasurements::measureOutput(const juce::AudioBuffer<float>& buffer)
{
    measure(buffer, { outRms, outL, outR });
}

void DisplayMeasurements::feedSpectrum(const juce::AudioBuffer<float>& buffer)
{
    const int channels = buffer.getNumChannels();
    if (channels == 0)
        return;
    const float scale = 1.0f / static_cast<float>(channels);
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += buffer.getSample(c, i);
        pushSampleToFFT(sum * scale);
    }
}

void DisplayMeasurements::pushSampleToFFT(float sample)
{
    fftData[static_cast<size_t>(fftFillIndex)] = sample;
    if (++fftFillIndex < fftSize)
        return;
    fftFillIndex = 0;
    analyse();
}

// What the framework's frequency-only forward transform leaves in fftData,
// negative frequencies included: the magnitude of bin k in element k, zeros
// above the transform size.
void DisplayMeasurements::frequencyOnlyTransform()
{
    for (size_t i = 0; i < transformInput.size(); ++i)
        transformInput[i] = { fftData[i], 0.0f };

    auto* bins = reinterpret_cast<juce::dsp::Complex<float>*>(fftData.data());
    forwardFFT.perform(transformInput.data(), bins, false);

    // Element k is written after bin k is read, and bin k / 2 (the only one
    // element k overlaps) was read before it.
    for (size_t k = 0; k < static_cast<size_t>(fftSize); ++k)
        fftData[k] = std::abs(bins[k]);
    std::fill(fftData.begin() + fftSize, fftData.end(), 0.0f);
}

void DisplayMeasurements::analyse()
{
    frequencyOnlyTransform();
    const float* magnitude = fftData.data();

    const float binWidth = static_cast<float>(analysisSampleRate) / static_cast<float>(fftSize);
    const int bassLimit = binIndex(kBassLimitHz / binWidth, fftSize / 2);
    const int midLimit = binIndex(kMidLimitHz / binWidth, fftSize / 2);

    float sums[3] = {};
    int counts[3] = {};
    for (int k = 1; k <= kHighestBin; ++k)
    {
        const int band = k < bassLimit ? 0 : (k < midLimit ? 1 : 2);
        sums[band] += magnitude[k];
        ++counts[band];
    }

    std::atomic<float>* bands[3] = { &bass, &mid, &high };
    for (int b = 0; b < 3; ++b)
    {
        const float average = counts[b] > 0 ? sums[b] / static_cast<float>(counts[b]) : 0.0f;
        follow(*bands[b], unitRange(average * kBandScale * kBandGain), kBandRelease);
    }

    // Log-spaced bands from 40 Hz to the Nyquist frequency.
    const float nyquist = static_cast<float>(analysisSampleRate * 0.5);
    const float span = std::log(nyquist) - kLogSpectrumLowest;
    for (int b = 0; b < numSpectrumBands; ++b)
    {
        const float lo =
            std::exp(span * static_cast<float>(b) / static_cast<float>(numSpectrumBands) + kLogSpectrumLowest);
        const float hi =
            std::exp(span * static_cast<float>(b + 1) / static_cast<float>(numSpectrumBands) + kLogSpectrumLowest);

        int first = binIndex(lo / binWidth, kHighestBin);
        if (first < 2)
            first = 1;
        const int last = std::max(binIndex(hi / binWidth, kHighestBin), first);

        float sum = 0.0f;
        for (int k = first; k <= last; ++k)
            sum += magnitude[k];
        const float value = sum / static_cast<float>(last - first + 1) * kSpectrumScale;
        follow(spectrum[static_cast<size_t>(b)], unitRange(value), kSpectrumRelease);
    }
}

void DisplayMeasurements::clearLevels()
{
    for (auto* level : { &inRms, &outRms, &inL, &inR, &outL, &outR, &bass, &mid, &high })
        level->store(0.0f, std::memory_order_relaxed);
    for (auto& band : spectrum)
        band.store(0.0f, std::memory_order_relaxed);
}
