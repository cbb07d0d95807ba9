#pragma once

// Shared by the benchmarks: one iteration is (about) one second of stereo
// audio at 48 kHz in 512-sample blocks, so the reported time is the cost per
// second of audio.

#include "VelmoraEngine.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::bench
{

inline constexpr double kRate = 48000.0;
inline constexpr int kBlock = 512;
inline constexpr int kBlocksPerSecond = static_cast<int>(kRate) / kBlock; // 93 blocks = 0.992 s

struct StereoBlock
{
    std::vector<double> left, right;
};

// Reproducible white noise, peaking at `level`.
inline std::vector<double> noise(std::uint32_t seed, double level = 0.3, int length = kBlock)
{
    std::vector<double> x(static_cast<std::size_t>(length));
    for (auto& v : x)
    {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        v = static_cast<double>(seed) * (2.0 * level / 4294967296.0) - level;
    }
    return x;
}

inline StereoBlock noiseBlock(double level = 0.3)
{
    return { noise(1, level), noise(2, level) };
}

// Runs processBlock(left, right, blockIndex) on a fresh copy of the same
// noise block, as a host would hand it over, one second per iteration.
template <typename ProcessBlock>
void runSecond(benchmark::State& state, ProcessBlock&& processBlock)
{
    const StereoBlock input = noiseBlock();
    StereoBlock work = input;
    for (auto _ : state)
    {
        for (int b = 0; b < kBlocksPerSecond; ++b)
        {
            work.left = input.left;
            work.right = input.right;
            processBlock(work.left.data(), work.right.data(), b);
        }
        benchmark::DoNotOptimize(work.left.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
}

// The whole engine on a steady noise block at the given settings.
inline void runEngineSecond(benchmark::State& state, const ParameterSnapshot& params)
{
    VelmoraEngine engine;
    engine.params = params;
    engine.prepare(kRate, kBlock);
    const auto block = noiseBlock(0.1);
    juce::AudioBuffer<float> input(2, kBlock);
    for (int i = 0; i < kBlock; ++i)
    {
        input.setSample(0, i, static_cast<float>(block.left[static_cast<std::size_t>(i)]));
        input.setSample(1, i, static_cast<float>(block.right[static_cast<std::size_t>(i)]));
    }
    juce::AudioBuffer<float> buffer(2, kBlock);
    for (auto _ : state)
    {
        for (int b = 0; b < kBlocksPerSecond; ++b)
        {
            buffer.makeCopyOf(input, true);
            engine.processBlock(buffer);
        }
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
}

} // namespace velmora::bench
