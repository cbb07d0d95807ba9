// The filter and tone pass, the ducker and the output limiter, each alone.
#include "Ducker.h"
#include "FilterTone.h"
#include "OutputLimiter.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
using namespace velmora::bench;

// One iteration is about one second of stereo audio at 48 kHz.
void BM_FilterTone(benchmark::State& state)
{
    FilterTone f;
    f.prepare(kRate);
    const auto inLeft = noise(1), inRight = noise(2);
    std::vector<double> left(kBlock), right(kBlock);
    for (auto _ : state)
        for (int b = 0; b < kBlocksPerSecond; ++b)
        {
            f.setCutoffs(80.0 + b, 4000.0 - b); // coefficients move every block, as they do while automated
            f.setTilt(3.0);
            left = inLeft;
            right = inRight;
            f.process(left.data(), right.data(), kBlock);
            benchmark::DoNotOptimize(left.data());
        }
}
BENCHMARK(BM_FilterTone)->Unit(benchmark::kMicrosecond);

void BM_Ducker(benchmark::State& state)
{
    Ducker d;
    d.prepare(kRate);
    const auto keyLeft = noise(3), keyRight = noise(4), inLeft = noise(5), inRight = noise(6);
    std::vector<double> left(kBlock), right(kBlock);
    const auto amount = static_cast<float>(state.range(0)) / 100.0f;
    for (auto _ : state)
        for (int b = 0; b < kBlocksPerSecond; ++b)
        {
            left = inLeft;
            right = inRight;
            d.process(keyLeft.data(), keyRight.data(), left.data(), right.data(), kBlock, amount);
            benchmark::DoNotOptimize(left.data());
        }
}
BENCHMARK(BM_Ducker)->Arg(0)->Arg(100)->ArgName("amount%")->Unit(benchmark::kMicrosecond);

void BM_OutputLimiter(benchmark::State& state)
{
    OutputLimiter limiter;
    limiter.prepare(kRate);
    const auto inLeft = noise(7), inRight = noise(8);
    std::vector<float> left(kBlock), right(kBlock);
    for (auto _ : state)
        for (int b = 0; b < kBlocksPerSecond; ++b)
        {
            limiter.process(inLeft.data(), inRight.data(), 3.0, left.data(), right.data(), kBlock);
            benchmark::DoNotOptimize(left.data());
        }
}
BENCHMARK(BM_OutputLimiter)->Unit(benchmark::kMicrosecond);
} // namespace
