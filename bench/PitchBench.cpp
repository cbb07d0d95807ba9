#include "SpectralPitchShifter.h"
#include "VelmoraEngine.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
using namespace velmora::bench;

// juce::dsp::FFT's engine is chosen when juce_dsp is compiled (VELMORA_FFTW).
#if JUCE_DSP_USE_STATIC_FFTW
constexpr const char* kFftEngine = "FFTW";
#else
constexpr const char* kFftEngine = "JUCE fallback FFT";
#endif

// One iteration is (about) one second of one channel at 48 kHz through one
// shifter, both layers on, in 512-sample blocks.
void BM_PitchShifterOneChannel(benchmark::State& state)
{
    SpectralPitchShifter shifter;
    shifter.prepare(kRate);
    shifter.gainUp = 0.5f;
    shifter.gainDown = 0.5f;
    const auto input = noise(1, 0.1);
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

    runEngineSecond(state, params);
    state.SetLabel(kFftEngine);
}
BENCHMARK(BM_EngineOctaveLayersAndShimmer)->Arg(1)->Arg(0)->ArgName("shimmer_path")->Unit(benchmark::kMillisecond);
} // namespace
