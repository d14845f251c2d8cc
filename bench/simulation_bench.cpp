// Full recalculation of the worst case the simulator accepts: four hydrogens
// with ten distinct coupling constants each (4096 lines), all profiles, the
// 701-sample envelope and its extrema.
#include <benchmark/benchmark.h>

#include <memory>

#include "simulator/multiplet.h"

namespace {

quble::SimulationInput WorstCase() {
    quble::SimulationInput in;
    in.Text2 = "4";
    const char* shifts[] = {"2500", "2440.5", "2391.25", "2330"};
    const char* j[] = {"12.1", "9.3", "7.7", "6.1", "4.9", "3.3", "2.7", "1.9", "1.1", "0.6"};
    for (int h = 0; h < 4; ++h) {
        in.Text6[h] = shifts[h];
        in.Text1[h] = "10";
        for (int k = 0; k < 10; ++k) in.JText[h][k] = j[k];
    }
    in.Text3 = "0";  // nothing merges: 4096 lines
    in.Text4 = "1";
    return in;
}

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
