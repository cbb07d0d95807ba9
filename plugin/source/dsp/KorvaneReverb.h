#pragma once

#include "ReverbCore.h"

#include <memory>
#include <vector>

// The engine's reverb: the single-precision network and the buffers that carry
// the engine's double-precision wet signal across to it and back.
class KorvaneReverb
{
public:
    // Replaces the network with a fresh one for the rate (so the tail restarts
    // from silence) and sizes the transfer buffers for the largest block.
    void prepare(double newSampleRate, int newBlockSize);

    // Silences the network, keeping its settings.
    void reset();

    // Runs the network on a stereo block in place: the block is rounded to
    // single precision, processed 100 % wet and widened back. Without a
    // network the block is left as it is.
    void process(double* left, double* right, int numSamples);

    // The voicing of the tail, written with every block's settings:
    // modulation scale and stereo spread, no diffusion inside the loop, and a
    // decay that loses highs and some mids faster than lows.
    static void applyVoicing(korvanedsp::_ReverbCore& network);

    std::unique_ptr<korvanedsp::_ReverbCore> core;
    std::vector<float> inputLeft, inputRight;
    std::vector<float> outputLeft, outputRight;
    double sampleRate = 44100.0;
    int blockSize = 0;
};
