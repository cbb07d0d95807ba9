#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>
#include <cstdint>

// What the page shows of the audio: six level meters around the engine,
// three coarse band levels and a 60-band spectrum of the output, all smoothed
// for display, and a heartbeat that tells a reader whether audio is flowing.
//
// The audio thread writes everything. A reader on another thread loads each
// level on its own (a relaxed atomic each: a level may be a block old and no
// reader needs a consistent set) and may store zeros when it decides audio
// has stopped; the next block or analysis overwrites them. The sample buffer
// and the transform belong to the audio thread and to preparation.
class DisplayMeasurements
{
public:
    static constexpr int fftOrder = 11;
    static constexpr int fftSize = 1 << fftOrder; // 2048
    static constexpr int numSpectrumBands = 60;

    // Sets the rate that maps frequencies to bins and restarts sample
    // collection; the levels keep their values.
    void prepare(double sampleRate);

    // Input levels, before the engine; output levels, after it.
    void measureInput(const juce::AudioBuffer<float>& buffer);
    void measureOutput(const juce::AudioBuffer<float>& buffer);

    // Feeds the analyser with the average of all channels, sample by sample.
    void feedSpectrum(const juce::AudioBuffer<float>& buffer);

    // Appends one sample; every fftSize samples updates the bands and the
    // spectrum from one transform of those samples (no overlap, no window).
    void pushSampleToFFT(float sample);

    // The reader's reset, for when it decides audio has stopped.
    void clearLevels();

    // Meters: smoothed block peaks, linear, not clamped. The mid levels carry
    // "Rms" in their names, the page's keys, though they are peaks too.
    std::atomic<float> inRms { 0.0f };
    std::atomic<float> outRms { 0.0f };
    std::atomic<float> inL { 0.0f };
    std::atomic<float> inR { 0.0f };
    std::atomic<float> outL { 0.0f };
    std::atomic<float> outR { 0.0f };

    // Band levels and spectrum, 0 to 1, lowest band first.
    std::atomic<float> bass { 0.0f };
    std::atomic<float> mid { 0.0f };
    std::atomic<float> high { 0.0f };
    std::array<std::atomic<float>, numSpectrumBands> spectrum {};

    std::atomic<std::int32_t> heartbeat { 0 };

    juce::dsp::FFT forwardFFT { fftOrder };
    std::array<float, 2 * fftSize> fftData {};
    int fftFillIndex = 0;
    double analysisSampleRate = 44100.0;

private:
    // The frame as complex input to the transform. The framework's
    // frequency-only call runs a real-input transform, which some back ends
    // (FFTW's buffered real plans) serve by allocating scratch on every call;
    // the complex transform allocates nothing and gives the same magnitudes.
    std::array<juce::dsp::Complex<float>, fftSize> transformInput {};

    void frequencyOnlyTransform();

    struct Levels
    {
        std::atomic<float>& mid;
        std::atomic<float>& left;
        std::atomic<float>& right;
    };

    static void measure(const juce::AudioBuffer<float>& buffer, Levels levels);
    void analyse();
};
