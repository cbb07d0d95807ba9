// The character chain's drive, derez and master wow, each alone on its own
// buffers, as the engine drives them.
#include "Derez.h"
#include "DriveEffect.h"
#include "MasterWow.h"

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
            processBlock(work.left.data(), work.right.data(), b);
        }
        benchmark::DoNotOptimize(work.left.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlocksPerSecond * kBlock);
}

// A steady amount: the coefficients are set once per block.
void BM_DriveSteady(benchmark::State& state)
{
    DriveEffect drive;
    drive.prepare(kRate);
    runSecond(state,
              [&drive](double* left, double* right, int)
              {
                  drive.setCoefficients(0.5);
                  drive.startAmount = drive.endAmount = 0.5;
                  drive.process(left, right, kBlock);
              });
}
BENCHMARK(BM_DriveSteady)->Unit(benchmark::kMillisecond);

// A moving amount: the coefficients are recomputed every 32 samples.
void BM_DriveGliding(benchmark::State& state)
{
    DriveEffect drive;
    drive.prepare(kRate);
    runSecond(state,
              [&drive](double* left, double* right, int block)
              {
                  const double start = (block % 2 == 0) ? 0.2 : 0.8;
                  drive.setCoefficients(start);
                  drive.startAmount = start;
                  drive.endAmount = 1.0 - start;
                  drive.process(left, right, kBlock);
              });
}
BENCHMARK(BM_DriveGliding)->Unit(benchmark::kMillisecond);

// Both branches blended, the dearest setting.
void BM_Derez(benchmark::State& state)
{
    velmora::Derez derez;
    derez.prepare(kRate);
    runSecond(state,
              [&derez](double* left, double* right, int) { derez.processStereo(left, right, kBlock, 0.75f, 0.75f); });
}
BENCHMARK(BM_Derez)->Unit(benchmark::kMillisecond);

// The wow at full dream depth with its random wander.
void BM_MasterWow(benchmark::State& state)
{
    MasterWow wow;
    wow.prepare(kRate);
    wow.depth = MasterWow::depthForDreamAmount(1.0);
    wow.rate = 0.5;
    wow.randomAmount = 1.0;
    runSecond(state, [&wow](double* left, double* right, int) { wow.processStereo(left, right, kBlock); });
}
BENCHMARK(BM_MasterWow)->Unit(benchmark::kMillisecond);
} // namespace
