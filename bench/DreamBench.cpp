// The dream stage's parts: the tape model, the heat model (one per channel,
// at the settings of the top of the dream range) and the whole effect.
#include "DreamEffect.h"
#include "HeatChannel.h"
#include "TapeTransport.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
using namespace velmora::bench;

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
              [&](double* l, double* r, int)
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
              [&](double* l, double* r, int)
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
    runSecond(state, [&](double* l, double* r, int) { effect.process(l, r, kBlock); });
}
BENCHMARK(BM_DreamEffect)->Arg(30)->Arg(100)->ArgName("dream%")->Unit(benchmark::kMicrosecond);

} // namespace
