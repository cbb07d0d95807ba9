#pragma once

#include <juce_dsp/juce_dsp.h>

#include <vector>

// One channel of octave shifting: a phase vocoder that analyses overlapping
// 4096-sample frames and resynthesises each frame twice, every partial moved
// up an octave and moved down an octave. The owner sets the two gains and
// drives it one sample at a time; the output lags the input by one frame.
//
// Partials above a quarter of the sample rate have no place an octave up and
// are dropped from that layer.
class SpectralPitchShifter
{
public:
    static constexpr int kFftOrder = 12;
    static constexpr int kFrameSize = 1 << kFftOrder; // 4096
    static constexpr int kHopSize = kFrameSize / 4;   // overlap 4
    static constexpr int kNumBins = kFrameSize / 2 + 1;
    static constexpr int kOutputRingSize = 2 * kFrameSize;
    // Overlap-add of a squared Hann window at a hop of a quarter frame sums to 1.5.
    static constexpr float kOverlapGain = 0.6666667f;

    SpectralPitchShifter();

    // Stores the rate, sizes the rings and work arrays, fills the window and
    // clears. Allocates: never call it on the audio thread.
    void prepare(double newSampleRate);

    // Silence and a fresh hop: the next frame runs kHopSize samples from now.
    // The gains and the phase spin are kept.
    void clear() noexcept;

    // Pushes one input sample, runs a frame when the hop is complete, and pops
    // one output sample (the two layers weighted by their gains).
    double processSample(double x) noexcept
    {
        inputRing[static_cast<size_t>(inputWritePos)] = x;
        inputWritePos = (inputWritePos + 1) & (kFrameSize - 1);

        if (hopCounter-- <= 1)
        {
            processFFTFrame();
            hopCounter = kHopSize;
        }

        const auto r = static_cast<size_t>(outputReadPos);
        const double y = static_cast<double>(gainDown) * outDown[r] + static_cast<double>(gainUp) * outUp[r];
        outDown[r] = 0.0;
        outUp[r] = 0.0;
        outputReadPos = (outputReadPos + 1) & (kOutputRingSize - 1);
        return y;
    }

    void process(const double* input, double* output, int numSamples) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
            output[i] = processSample(input[i]);
    }

    // Analysis of the last kFrameSize inputs and both resyntheses, added into
    // the output rings from the current read position on.
    void processFFTFrame() noexcept;

    juce::dsp::FFT fft { kFftOrder };
    std::vector<double> inputRing;   // kFrameSize; inputWritePos is also the oldest sample
    std::vector<double> outUp;       // kOutputRingSize overlap-add ring, octave up
    std::vector<double> outDown;     // kOutputRingSize overlap-add ring, octave down
    std::vector<float> window;       // periodic Hann, analysis and synthesis
    std::vector<float> lastPhase;    // kNumBins analysis phases of the previous frame
    std::vector<float> sumPhaseUp;   // kNumBins running synthesis phases, octave up
    std::vector<float> sumPhaseDown; // kNumBins running synthesis phases, octave down
    int inputWritePos = 0;
    int outputReadPos = 0;
    int hopCounter = kHopSize;
    float gainUp = 0.0f;
    float gainDown = 0.0f;
    float phaseSpin = 0.0f; // each frame turns every synthesis phase by 0.001 * phaseSpin radians
    double sampleRate = 44100.0;

    // Maps a phase to [-pi, pi] by whole turns, rounding half turns away from
    // zero.
    static float wrapPhase(float phase) noexcept;

private:
    using Complex = juce::dsp::Complex<float>;

    // A frame's work arrays, sized at prepare: a frame allocates nothing and
    // keeps its ~140 KB off the audio thread's stack.
    std::vector<Complex> timeDomain; // kFrameSize
    std::vector<Complex> spectrum;   // kFrameSize
    std::vector<float> magnitude, advance;
    std::vector<float> magnitudeUp, advanceUp;
    std::vector<float> magnitudeDown, advanceDown;
    std::vector<Complex> binsUp, binsDown; // kNumBins

    void synthesisBins(const float* binMagnitude, const float* binAdvance, float* sumPhase, Complex* bins) noexcept;
};
