#include "DryChorus.h"
#include "KorvaneReverb.h"
#include "ReverbCore.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <vector>

namespace
{
using namespace velmora::bench;

template <typename Sample>
std::vector<Sample> noiseOf(std::uint32_t seed)
{
    const auto x = noise(seed, 0.1);
    return std::vector<Sample>(x.begin(), x.end());
}

// The network alone, voiced and set as the engine sets it at the controls'
// defaults. One iteration is (about) one second of stereo audio at 48 kHz in
// 512-sample blocks, so the reported time is the cost per second of audio.
void BM_ReverbCore(benchmark::State& state)
{
    const juce::ScopedNoDenormals noDenormals;
    korvanedsp::_ReverbCore core;
    core.initialise(kRate);
    core.decayTime = 3.99f;
    core.size = 2.0f;
    core.damp = 0.903f * 0.8f;
    core.earlyDiffusion = 1.0f;
    core.modDepth = 0.5f;
    core.modRate = 1.0f;
    KorvaneReverb::applyVoicing(core);

    const auto left = noiseOf<float>(1);
    const auto right = noiseOf<float>(2);
    std::vector<float> outLeft(kBlock), outRight(kBlock);
    const float* inputs[2] = { left.data(), right.data() };
    float* outputs[2] = { outLeft.data(), outRight.data() };
    for (auto _ : state)
    {
        for (int b = 0; b < kBlocksPerSecond; ++b)
            core.compute(kBlock, inputs, outputs);
        benchmark::DoNotOptimize(outLeft.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
}
BENCHMARK(BM_ReverbCore)->Unit(benchmark::kMillisecond);

// The ensemble alone at the default depth and rate: four voices, eight sines
// per sample.
void BM_DryChorus(benchmark::State& state)
{
    const juce::ScopedNoDenormals noDenormals;
    DryChorus chorus;
    chorus.prepare(kRate);
    const auto left = noiseOf<double>(3);
    const auto right = noiseOf<double>(4);
    std::vector<double> blockLeft(kBlock), blockRight(kBlock);
    for (auto _ : state)
    {
        for (int b = 0; b < kBlocksPerSecond; ++b)
        {
            blockLeft = left;
            blockRight = right;
            chorus.process(blockLeft.data(), blockRight.data(), kBlock, 0.5f, 1.0f);
        }
        benchmark::DoNotOptimize(blockLeft.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
}
BENCHMARK(BM_DryChorus)->Unit(benchmark::kMillisecond);
} // namespace
