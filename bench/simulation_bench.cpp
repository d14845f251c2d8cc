// Full recalculation of the worst case the simulator accepts: four hydrogens
// with ten distinct coupling constants each (4096 lines), all profiles, the
// 701-sample envelope and its extrema.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/worst_case.h"
#include "simulator/multiplet.h"

namespace {

using quble::bench::WorstCase;

void Recalculate(benchmark::State& st, quble::LineShape shape) {
    auto s = std::make_unique<quble::SimulationState>();
    s->ticks = quble::TicksFor(shape);
    s->Slider4 = 30;
    for (auto _ : st) {
        quble::SimulationInput in = WorstCase();
        auto err = quble::StartProcess(*s, in);
        benchmark::DoNotOptimize(err);
        benchmark::DoNotOptimize(s->EnvYData.data());
    }
    if (s->TotalLines != 4096) st.SkipWithError("worst case did not give 4096 lines");
    st.counters["lines"] = s->TotalLines;
}

void BM_RecalculateLorentzian(benchmark::State& st) { Recalculate(st, quble::LineShape::Lorentzian); }
void BM_RecalculateGaussian(benchmark::State& st) { Recalculate(st, quble::LineShape::Gaussian); }
void BM_RecalculateMixed(benchmark::State& st) { Recalculate(st, quble::LineShape::Mixed); }

}  // namespace

BENCHMARK(BM_RecalculateLorentzian)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecalculateGaussian)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecalculateMixed)->Unit(benchmark::kMillisecond);
