// The dream stage's parts: the tape model, the heat model (one per channel,
// at the settings of the top of the dream range) and the whole effect.
#include "DreamEffect.h"
#include "HeatChannel.h"
#include "TapeTransport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocksPerSecond = static_cast<int>(kRate) / kBlock; // 93 blocks = 0.992 s

struct StereoBlock
{
    std::vector<double> left, right;
};

StereoBlock noiseBlock()
{
    StereoBlock b { std::vector<double>(kBlock), std::vector<double>(kBlock) };
    std::uint32_t x = 1;
    const auto next = [&x]
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return static_cast<double>(x) * (0.6 / 4294967296.0) - 0.3;
    };
    for (int i = 0; i < kBlock; ++i)
    {
        b.left[static_cast<size_t>(i)] = next();
        b.right[static_cast<size_t>(i)] = next();
    }
    return b;
}

// One iteration is (about) one second of stereo audio at 48 kHz in 512-sample
// blocks, so the reported time is the cost per second of audio. Each block is
// a fresh copy of the same noise, as a host would hand it over.
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
            processBlock(work.left.data(), work.right.data());
        }
        benchmark::DoNotOptimize(work.left.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
}

// Dream 1 with full saturation: the hardest drive and emphasis, with or
// without the hiss.
void BM_TapeTransport(benchmark::State& state)
{
    TapeTransport left, right;
    for (auto* tape : { &left, &right })
    {
        tape->prepare(kRate, kBlock);
        tape->drive = 3.25;
        tape->emphasis = 0.375;
        tape->noiseLevel = 0.03;
        tape->noiseGain = state.range(0) != 0 ? 1.0 : 0.0;
    }
    runSecond(state,
              [&](double* l, double* r)
              {
                  left.process(l, kBlock);
                  right.process(r, kBlock);
              });
}
BENCHMARK(BM_TapeTransport)->Arg(0)->Arg(1)->ArgName("hiss")->Unit(benchmark::kMicrosecond);

// Dream 1 with full saturation: tone, drive and glue all on.
void BM_HeatChannel(benchmark::State& state)
{
    HeatChannel left, right;
    left.prepare(kRate, HeatChannel::kLeftChannel);
    right.prepare(kRate, HeatChannel::kRightChannel);
    for (auto* heat : { &left, &right })
    {
        heat->heatDrive = 0.25;
        heat->heatAmount = 1.0;
        heat->heatTone = 0.45;
        heat->glue = 0.35;
    }
    runSecond(state,
              [&](double* l, double* r)
              {
                  left.process(l, kBlock);
                  right.process(r, kBlock);
              });
}
BENCHMARK(BM_HeatChannel)->Unit(benchmark::kMicrosecond);

// The whole effect at a steady dream amount (in percent), full saturation
// and full hiss (heard only above 80 %).
void BM_DreamEffect(benchmark::State& state)
{
    DreamEffect effect;
    effect.prepare(kRate, kBlock);
    effect.startAmount = effect.endAmount = static_cast<double>(state.range(0)) / 100.0;
    effect.saturationStart = effect.saturationEnd = 1.0;
    effect.hissStart = effect.hissEnd = 1.0;
    runSecond(state, [&](double* l, double* r) { effect.process(l, r, kBlock); });
}
BENCHMARK(BM_DreamEffect)->Arg(30)->Arg(100)->ArgName("dream%")->Unit(benchmark::kMicrosecond);

} // namespace
