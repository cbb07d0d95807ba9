#pragma once

#include "VelmoraEngine.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace velmora::test
{

// A stereo signal as two float vectors.
struct Stereo
{
    std::vector<float> left, right;

    size_t size() const { return left.size(); }
    static Stereo silence(size_t frames) { return { std::vector<float>(frames), std::vector<float>(frames) }; }
};

// Reproducible white noise at the given peak level.
Stereo noise(size_t frames, float level, std::uint32_t seed = 1);

Stereo impulse(size_t frames, size_t at, float level);

Stereo sine(size_t frames, double frequency, double sampleRate, float level);

// Drives an engine the way its owner does: writes the snapshot, then
// processes the signal block by block. `beforeBlock` may change the snapshot.
struct EngineHarness
{
    explicit EngineHarness(double sampleRate = 48000.0, int blockSize = 512,
                           const ParameterSnapshot& initial = ParameterSnapshot {});

    Stereo run(const Stereo& input, const std::function<void(int block, ParameterSnapshot&)>& beforeBlock = {});

    std::unique_ptr<VelmoraEngine> engine;
    double sampleRate;
    int blockSize;
};

double peak(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX);
double rms(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX);

} // namespace velmora::test
