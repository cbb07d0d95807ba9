// The whole engine, at its defaults and with its heaviest stages all on.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

namespace
{
using namespace velmora::bench;

void BM_EngineDefaults(benchmark::State& state)
{
    runEngineSecond(state, ParameterSnapshot {});
}
BENCHMARK(BM_EngineDefaults)->Unit(benchmark::kMillisecond);

// Every character stage active: full drive, full dream with hiss, derez.
ParameterSnapshot characterAll()
{
    ParameterSnapshot p;
    p.drive = 1.0f;
    p.dream = 1.0f;
    p.hiss = 0.5f;
    p.derez = 0.5f;
    return p;
}

void BM_EngineCharacterAll(benchmark::State& state)
{
    runEngineSecond(state, characterAll());
}
BENCHMARK(BM_EngineCharacterAll)->Unit(benchmark::kMillisecond);

// Everything at once: the character chain, both octave layers, the shimmer
// into the reverb, ducking and the filters after the effects.
void BM_EngineEverything(benchmark::State& state)
{
    ParameterSnapshot p = characterAll();
    p.ascend = p.descend = 1.0f;
    p.shimmer = 0.9f;
    p.ducking_amount = 0.5f;
    p.filter_path = true;
    runEngineSecond(state, p);
}
BENCHMARK(BM_EngineEverything)->Unit(benchmark::kMillisecond);
} // namespace
