// The J analysis and the least-squares fit on regions of 2000 points of a
// synthetic 400 MHz spectrum: an eight-line ddd analysed; one hydrogen with
// six couplings and four hydrogens with ten couplings each fitted from a
// start 0.3 Hz (couplings) and 1 Hz (shifts) off, and each of those four alone
// on its own points.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/multiplet_analysis.h"
#include "analysis/simulation_fit.h"
#include "tests/core/analysis_synthetic.h"

namespace {

using quble::testing::SynthMultiplet;
using quble::testing::SynthSpectrum;

constexpr std::size_t kRegionPoints = 2000;

struct Region {
    std::vector<double> hz, y;
};

// kRegionPoints points of the spectrum centred on centreHz.
Region CentredRegion(const SynthSpectrum& s, double centreHz) {
    const quble::testing::SynthData d = quble::testing::Synthesize(s);
    std::size_t mid = 1;
    for (std::size_t i = 1; i < d.hz.size(); ++i) {
        if (std::abs(d.hz[i] - centreHz) < std::abs(d.hz[mid] - centreHz)) mid = i;
    }
    Region r;
    for (std::size_t i = mid - kRegionPoints / 2; i < mid + kRegionPoints / 2; ++i) {
        r.hz.push_back(d.hz[i]);
        r.y.push_back(d.y[i]);
    }
    return r;
}

SynthSpectrum Spectrum400(std::vector<SynthMultiplet> multiplets) {
    SynthSpectrum s;
    s.mhz = 400.0;
    s.points = 32768;  // 0.146 Hz a point: 2000 points span 293 Hz
    s.noiseFraction = 0.005;
    s.multiplets = std::move(multiplets);
    return s;
}

void BM_AnalyseMultipletDdd(benchmark::State& state) {
    const SynthSpectrum s = Spectrum400({{1700.0, {10.2, 6.1, 2.9}, 0.9, 0.8}});
    const Region r = CentredRegion(s, 1700.0);
    for (auto _ : state) {
        auto a = quble::analysis::AnalyseMultiplet(r.hz, r.y, s.mhz);
        benchmark::DoNotOptimize(a);
    }
}
BENCHMARK(BM_AnalyseMultipletDdd)->Unit(benchmark::kMillisecond);

// sign -1 turns every error of the start round.
quble::analysis::FitInput StartOffTruth(const SynthSpectrum& s, double sign = 1.0) {
    quble::analysis::FitInput in;
    for (const SynthMultiplet& m : s.multiplets) {
        quble::analysis::FitHydrogen h;
        h.shiftHz = m.shiftHz + sign * 1.0;
        for (std::size_t k = 0; k < m.j.size(); ++k) h.jHz.push_back(m.j[k] + sign * (k % 2 ? -0.3 : 0.3));
        in.hydrogens.push_back(h);
    }
    in.widthHz = 1.1;
    in.lorentzFraction = 0.6;
    return in;
}

// The counters say whether the fit got there: the solver's iterations and
// the largest coupling and shift errors against the synthetic truth (the
// spectrum's first multiplets, one for each hydrogen fitted).
void RunFit(benchmark::State& state, const SynthSpectrum& s, const Region& r, const quble::analysis::FitInput& in) {
    quble::analysis::FitResult f;
    for (auto _ : state) {
        f = quble::analysis::FitSimulation(r.hz, r.y, in);
        if (!f.ok) state.SkipWithError(f.error.c_str());
        benchmark::DoNotOptimize(f);
    }
    double worstJ = 0.0, worstShift = 0.0;
    for (std::size_t h = 0; f.ok && h < f.hydrogens.size(); ++h) {
        worstShift = std::max(worstShift, std::abs(f.hydrogens[h].shiftHz - s.multiplets[h].shiftHz));
        // Couplings of one hydrogen that trade places give the same spectrum:
        // compare them in order of size.
        std::vector<double> got = f.hydrogens[h].jHz, want = s.multiplets[h].j;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        for (std::size_t k = 0; k < want.size(); ++k) worstJ = std::max(worstJ, std::abs(got[k] - want[k]));
    }
    state.counters["lm_iterations"] = f.iterations;
    state.counters["converged"] = f.converged ? 1 : 0;
    state.counters["worst_j_err_hz"] = worstJ;
    state.counters["worst_shift_err_hz"] = worstShift;
    state.counters["rms_over_noise"] = f.rms / (s.noiseFraction * s.top);
}

void RunFit(benchmark::State& state, const SynthSpectrum& s, double centreHz, const quble::analysis::FitInput& in) {
    RunFit(state, s, CentredRegion(s, centreHz), in);
}

SynthSpectrum OneHydrogenSixCouplings() {
    return Spectrum400({{1700.0, {12.1, 9.2, 7.1, 5.3, 3.2, 1.6}, 0.9, 0.8}});
}

void BM_FitOneHydrogenSixCouplings(benchmark::State& state) {
    const SynthSpectrum s = OneHydrogenSixCouplings();
    RunFit(state, s, 1700.0, StartOffTruth(s));
}
BENCHMARK(BM_FitOneHydrogenSixCouplings)->Unit(benchmark::kMillisecond);

// The same fit with the model's evaluation forced, for the choice between
// the two (the threshold in simulation_fit.cpp).
void BM_FitOneHydrogenSixCouplingsForced(benchmark::State& state) {
    const SynthSpectrum s = OneHydrogenSixCouplings();
    quble::analysis::FitInput in = StartOffTruth(s);
    in.evaluation = state.range(0) ? quble::analysis::FitEvaluation::TimeDomain : quble::analysis::FitEvaluation::Direct;
    RunFit(state, s, 1700.0, in);
}
BENCHMARK(BM_FitOneHydrogenSixCouplingsForced)->Arg(0)->Arg(1)->ArgName("time_domain")->Unit(benchmark::kMillisecond);

// Four hydrogens of ten couplings each, neighbouring couplings `step` Hz
// apart and each hydrogen's `offset` Hz above the one before.
SynthSpectrum FourHydrogensTenCouplings(double first, double step, double offset) {
    std::vector<SynthMultiplet> ms;
    for (int h = 0; h < 4; ++h) {
        SynthMultiplet m;
        m.shiftHz = 1600.0 + 62.0 * h;
        for (int k = 0; k < 10; ++k) m.j.push_back(first + step * k + offset * h);
        m.widthHz = 0.9;
        m.lorentzFraction = 0.8;
        ms.push_back(m);
    }
    return Spectrum400(std::move(ms));
}

void BM_FitFourHydrogensTenCouplings(benchmark::State& state) {
    const SynthSpectrum s = FourHydrogensTenCouplings(1.1, 0.57, 0.13);
    RunFit(state, s, 1600.0 + 1.5 * 62.0, StartOffTruth(s));
}
BENCHMARK(BM_FitFourHydrogensTenCouplings)->Unit(benchmark::kMillisecond);

// The same size of problem, well posed: neighbouring couplings of a hydrogen
// lie 0.8 Hz apart, more than the start's alternating 0.3 Hz errors can
// close, so the start keeps them in their order.
void BM_FitFourHydrogensTenDistinctCouplings(benchmark::State& state) {
    const SynthSpectrum s = FourHydrogensTenCouplings(1.2, 0.8, 0.11);
    RunFit(state, s, 1600.0 + 1.5 * 62.0, StartOffTruth(s));
}
BENCHMARK(BM_FitFourHydrogensTenDistinctCouplings)->Unit(benchmark::kMillisecond);

// The same over other noise and the start's errors the other way round: a
// start that works for one draw only would show here.
void BM_FitFourHydrogensTenDistinctCouplingsDraws(benchmark::State& state) {
    SynthSpectrum s = FourHydrogensTenCouplings(1.2, 0.8, 0.11);
    s.seed = static_cast<std::uint32_t>(state.range(0));
    RunFit(state, s, 1600.0 + 1.5 * 62.0, StartOffTruth(s, state.range(1) ? 1.0 : -1.0));
}
BENCHMARK(BM_FitFourHydrogensTenDistinctCouplingsDraws)
    ->ArgsProduct({{2, 3, 4}, {0, 1}})
    ->ArgNames({"seed", "plus"})
    ->Unit(benchmark::kMillisecond);

// One hydrogen of the well-posed four on its own points only: its started
// shift +- half its started couplings' sum +- five started widths, where the
// Lorentzian of its outer lines is down to 1 % and the neighbours' lines
// barely reach. A lone hydrogen of ten couplings takes the same way as each
// of the four in the whole fit (analysis/fit_blocks.cpp): trial shapes, then
// everything free, here without the joint fit after it.
void BM_FitOneHydrogenOfFourTenDistinctCouplings(benchmark::State& state) {
    SynthSpectrum s = FourHydrogensTenCouplings(1.2, 0.8, 0.11);
    const auto h = static_cast<std::size_t>(state.range(0));
    quble::analysis::FitInput in = StartOffTruth(s);
    in.hydrogens = {in.hydrogens[h]};
    double spread = 0.0;
    for (double j : in.hydrogens[0].jHz) spread += 0.5 * j;
    const double lo = in.hydrogens[0].shiftHz - spread - 5.0 * in.widthHz;
    const double hi = in.hydrogens[0].shiftHz + spread + 5.0 * in.widthHz;
    const quble::testing::SynthData d = quble::testing::Synthesize(s);
    Region r;
    for (std::size_t i = 1; i < d.hz.size(); ++i) {
        if (d.hz[i] >= lo && d.hz[i] <= hi) {
            r.hz.push_back(d.hz[i]);
            r.y.push_back(d.y[i]);
        }
    }
    std::swap(s.multiplets[0], s.multiplets[h]);  // the truth RunFit compares with
    RunFit(state, s, r, in);
}
BENCHMARK(BM_FitOneHydrogenOfFourTenDistinctCouplings)->DenseRange(0, 3)->ArgName("hydrogen")->Unit(benchmark::kMillisecond);

}  // namespace
