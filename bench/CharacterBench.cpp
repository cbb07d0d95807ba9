// The character chain's drive, derez and master wow, each alone on its own
// buffers, as the engine drives them.
#include "Derez.h"
#include "DriveEffect.h"
#include "MasterWow.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
using namespace velmora::bench;

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
