#include "SpectralPitchShifter.h"
#include "VelmoraEngine.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocksPerSecond = static_cast<int>(kRate) / kBlock; // 93 blocks = 0.992 s

// juce::dsp::FFT's engine is chosen when juce_dsp is compiled (VELMORA_FFTW).
#if JUCE_DSP_USE_STATIC_FFTW
constexpr const char* kFftEngine = "FFTW";
#else
constexpr const char* kFftEngine = "JUCE fallback FFT";
#endif

std::vector<double> noise(size_t frames, std::uint32_t seed)
{
    std::vector<double> x(frames);
    for (auto& v : x)
    {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        v = static_cast<double>(seed) * (0.2 / 4294967296.0) - 0.1;
    }
    return x;
}

// One iteration is (about) one second of one channel at 48 kHz through one
// shifter, both layers on, in 512-sample blocks.
void BM_PitchShifterOneChannel(benchmark::State& state)
{
    SpectralPitchShifter shifter;
    shifter.prepare(kRate);
    shifter.gainUp = 0.5f;
    shifter.gainDown = 0.5f;
    const auto input = noise(kBlock, 1);
    std::vector<double> output(kBlock);
    for (auto _ : state)
    {
        for (int b = 0; b < kBlocksPerSecond; ++b)
            shifter.process(input.data(), output.data(), kBlock);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
    state.SetLabel(kFftEngine);
}
BENCHMARK(BM_PitchShifterOneChannel)->Unit(benchmark::kMillisecond);

// The whole engine with both octave layers and the shimmer on; one iteration
// is (about) one second of stereo audio at 48 kHz in 512-sample blocks.
// Argument: the shimmer path (1 into the reverb, 0 on top of it).
void BM_EngineOctaveLayersAndShimmer(benchmark::State& state)
{
    ParameterSnapshot params;
    params.ascend = 1.0f;
    params.descend = 1.0f;
    params.shimmer = 0.9f; // the parameter at 1, times 0.9
    params.shimmer_path = state.range(0) != 0;

    VelmoraEngine engine;
    engine.params = params;
    engine.prepare(kRate, kBlock);

    juce::AudioBuffer<float> input(2, kBlock);
    for (int c = 0; c < 2; ++c)
    {
        const auto x = noise(kBlock, static_cast<std::uint32_t>(c + 1));
        for (int i = 0; i < kBlock; ++i)
            input.setSample(c, i, static_cast<float>(x[static_cast<size_t>(i)]));
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
    state.SetLabel(kFftEngine);
}
BENCHMARK(BM_EngineOctaveLayersAndShimmer)->Arg(1)->Arg(0)->ArgName("shimmer_path")->Unit(benchmark::kMillisecond);
} // namespace
