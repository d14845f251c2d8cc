// The comparison over the worst case the simulator accepts (4096 lines): a
// 262144-point experimental spectrum transferred, paired and drawn; the
// match verification on it; a zoom step of Slider1 with the overlay shown.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>

#include "bench/worst_case.h"
#include "compare/compare_run.h"
#include "compare/transfer.h"
#include "compare/verify_match.h"
#include "platform/qpainter_surface.h"
#include "render/spectrum_plot.h"

namespace {

constexpr int kPoints = 262144;

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "quble_bench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
        new QGuiApplication(argc, argv);
    }
}

struct Fixture {
    quble::SimulationState sim;
    quble::PlotState plot;
    quble::CompareState cmp;
    quble::SimulationInput input = quble::bench::WorstCase();
    quble::ExperimentalOverlay loaded;  // the spectrum as handed over
    QImage image{900, 700, QImage::Format_RGB32};
    bool ok = false;

    Fixture() {
        EnsureApplication();
        sim.ticks = quble::TicksFor(quble::LineShape::Lorentzian);
        quble::InitPlotGeometry(plot, quble::kPlotScaleWidth * image.height() / image.width());
        plot.JText = input.JText;
        ok = !quble::Recalculate(sim, plot, cmp, input) && sim.TotalLines == 4096;
        // The experimental spectrum: the simulated envelope, interpolated
        // onto 262144 points over 1000 Hz and scaled to 32-bit units.
        const double first = sim.AvChemShift + 500.0, step = 1000.0 / kPoints;
        loaded.ExpXnmrHz.assign(kPoints + 1, 0.0);
        loaded.ExpYgraf.assign(kPoints + 1, 0);
        for (int t = 1; t <= kPoints; ++t) {
            const double hz = first - (t - 1) * step;
            const double off = sim.AvChemShift - hz;
            const double s = (off - sim.EnvOrigin) / sim.EnvStep + 100.0;
            double y = 0.0;
            if (s >= quble::kEnvFirst && s < quble::kEnvLast) {
                const int k = static_cast<int>(std::floor(s));
                const double f = s - k;
                y = (1.0 - f) * sim.EnvY(k) + f * sim.EnvY(k + 1);
            }
            loaded.ExpXnmrHz[t] = hz;
            loaded.ExpYgraf[t] = static_cast<std::int32_t>(std::lround(1e6 * y));
        }
        cmp.HzPerPoint = step;
    }

    void Draw() {
        QPainter painter(&image);
        quble::QPainterSurface surface(painter, QRectF(0, 0, image.width(), image.height()), plot.ScaleWidth,
                                       plot.ScaleHeight);
        quble::CalcFirstPlot(plot, sim, surface);
    }

    // The transfer as the window runs it: copy, transfer, recalculate (with
    // pairing), fit and draw.
    bool Transfer() {
        plot.exp = loaded;
        if (!quble::TransfAdjustExpData(sim, plot, cmp).ok()) return false;
        quble::Recalculate(sim, plot, cmp, input);
        Draw();
        return true;
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_TransferPairAndRedraw262144(benchmark::State& state) {
    Fixture& f = Shared();
    if (!f.ok) {
        state.SkipWithError("worst case not computed");
        return;
    }
    for (auto _ : state) {
        if (!f.Transfer()) {
            state.SkipWithError("transfer refused");
            return;
        }
    }
    state.counters["exp_peaks"] = f.cmp.AutoPeakCount;
    state.counters["slots"] = f.sim.NMultRelMax;
}
BENCHMARK(BM_TransferPairAndRedraw262144)->Unit(benchmark::kMillisecond);

void BM_VerifyMatch262144(benchmark::State& state) {
    Fixture& f = Shared();
    if (!f.ok || !f.Transfer()) {
        state.SkipWithError("transfer refused");
        return;
    }
    float score = 0.0f;
    for (auto _ : state) {
        const quble::MatchResult r = quble::VerifyMatch(f.sim, f.plot.exp, f.cmp, '.');
        score = r.MatchSumMin;
        benchmark::DoNotOptimize(score);
    }
    state.counters["match_sum_min"] = score;
}
BENCHMARK(BM_VerifyMatch262144)->Unit(benchmark::kMillisecond);

void BM_Slider1StepWithOverlay(benchmark::State& state) {
    Fixture& f = Shared();
    if (!f.ok || !f.Transfer()) {
        state.SkipWithError("transfer refused");
        return;
    }
    int value = f.plot.Slider1.value;
    for (auto _ : state) {
        value = value >= 300 ? 100 : value + 10;
        if (quble::Slider1_Change(f.plot, value)) {
            quble::UpdatePlotWindow(f.plot, f.sim, f.plot.exp);
            f.Draw();
        }
    }
}
BENCHMARK(BM_Slider1StepWithOverlay)->Unit(benchmark::kMillisecond);

}  // namespace
