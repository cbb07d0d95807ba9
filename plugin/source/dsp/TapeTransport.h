#pragma once

#include <cstdint>

// One channel of the tape model: a saturating drive, a pre-emphasis and a
// matching de-emphasis around 3.18 kHz, a fixed tape low-pass and hiss whose
// grit rises with the signal. The dream stage owns one per channel and writes
// the controls before every 32-sample chunk.
class TapeTransport
{
public:
    // Both channels' hiss generators start from this seed, after prepare and
    // after every reset.
    static constexpr std::uint32_t kSeed = 0xdeadbeefu;

    // Stores the rate, sets the emphasis pole and clears every state. The
    // block size is not needed: the model keeps no buffers.
    void prepare(double newSampleRate, int maxBlockSize);

    // All filter and noise states to 0 and the hiss generator reseeded.
    void reset();

    // In place. Does nothing without samples.
    void process(double* samples, int numSamples);

    double sampleRate = 44100.0;
    double drive = 1.0;      // >= 1
    double tone = 0.25;      // 0..1, brightness of the tape low-pass and of the hiss
    double emphasis = 0.0;   // 0..0.375
    double noiseLevel = 0.0; // 0..0.03
    double noiseGain = 0.0;  // 0..1
    double emphasisCoeff = 0.0;
    double emphasisState = 0.0;
    double deemphasisState = 0.0;
    double lowpassState = 0.0;
    double noiseRumbleState = 0.0;
    double noiseToneState = 0.0;
    double noiseSplitState = 0.0;
    double noiseEnvelope = 0.0;
    std::uint32_t rngState = kSeed;

private:
    // Poles that depend only on the rate, kept so the hiss does not pay two
    // exp calls per sample.
    double noiseSplitCoeff = 0.0;
    double noiseRumbleCoeff = 0.0;
};
