#pragma once

#include <array>
#include <vector>

// A four-voice stereo chorus of the reverb's input. At short decay settings
// the reverb stage crossfades from the network to this ensemble, so the
// effect keeps its width and movement when the tail is turned right down.
class DryChorus
{
public:
    // Per voice: gain, rate multiplier, and start phase.
    static constexpr std::array<double, 4> kWeight { 0.4, 0.3, 0.2, 0.1 };
    static constexpr std::array<double, 4> kRateMul { 1.0, 0.89, 1.13, 0.73 };
    static constexpr std::array<double, 4> kStartPhase { 0.0, 0.25, 0.5, 0.75 };

    // Sizes the lines for the rate (44.1 kHz if the rate is not positive) and clears.
    void prepare(double newSampleRate);

    // Clears the lines and restarts the voices at their start phases.
    void reset();

    // Processes a stereo block in place. depth (0..1) sets both the sweep and
    // the share of the ensemble in the output; at depth 0 the block passes
    // unchanged. rate is in Hz.
    void process(double* left, double* right, int numSamples, float depth, float rate);

    // The tail blend: crossfades wet (the network's output) into chorus as
    // the decay setting `expanse` (seconds) goes from 0.1 down to 0. The weight
    // of the reverb ramps across the block from `previousWeight`; the new weight
    // is returned for the next block.
    static float blendTail(float previousWeight, float expanse, double* wetLeft, double* wetRight,
                           const double* chorusLeft, const double* chorusRight, int numSamples);

    double sampleRate = 44100.0;
    int length = 0;
    int mask = 0;
    int writePos = 0;
    std::array<double, 4> phase = kStartPhase;
    std::vector<double> bufferLeft, bufferRight;
};
