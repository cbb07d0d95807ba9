#include "VelmoraEngine.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocksPerSecond = static_cast<int>(kRate) / kBlock; // 93 blocks = 0.992 s

juce::AudioBuffer<float> noiseBlock()
{
    juce::AudioBuffer<float> buffer(2, kBlock);
    std::uint32_t x = 1;
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kBlock; ++i)
        {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            buffer.setSample(c, i, static_cast<float>(x) * (0.2f / 4294967296.0f) - 0.1f);
        }
    return buffer;
}

// One iteration is (about) one second of stereo audio at 48 kHz in 512-sample
// blocks, so the reported time is the cost per second of audio.
void runEngine(benchmark::State& state, const ParameterSnapshot& params)
{
    VelmoraEngine engine;
    engine.params = params;
    engine.prepare(kRate, kBlock);
    const auto input = noiseBlock();
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

void BM_EngineDefaults(benchmark::State& state)
{
    runEngine(state, ParameterSnapshot {});
}
BENCHMARK(BM_EngineDefaults)->Unit(benchmark::kMillisecond);
} // namespace
