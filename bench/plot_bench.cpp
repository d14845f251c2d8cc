// Redrawing the simulator graph for the worst case the simulator accepts:
// four hydrogens with ten distinct coupling constants each, 4096 lines, each
// with its individual peak, onto an image of a typical window size and of a
// full-HD screen through the QPainter surface.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <memory>

#include "platform/qpainter_surface.h"
#include "render/spectrum_plot.h"
#include "bench/worst_case.h"
#include "simulator/multiplet.h"

namespace {

using quble::bench::WorstCase;

// Text needs a GUI application; one is made if the runner has none.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "quble_bench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
        new QGuiApplication(argc, argv);  // lives for the whole run
    }
}

struct Fixture {
    quble::SimulationState sim;
    quble::PlotState plot;
    QImage image;
    bool ok = false;

    explicit Fixture(const benchmark::State& st)
        : image(static_cast<int>(st.range(0)), static_cast<int>(st.range(1)), QImage::Format_RGB32) {
        EnsureApplication();
        // Lorentzian: the widest profiles, 201 samples per line.
        sim.ticks = quble::TicksFor(quble::LineShape::Lorentzian);
        quble::SimulationInput in = WorstCase();
        ok = !quble::StartProcess(sim, in) && sim.TotalLines == 4096 && sim.NPeakPts == quble::kMaxPeakPts;
        quble::InitPlotGeometry(plot, quble::kPlotScaleWidth * image.height() / image.width());
        plot.JText = in.JText;
    }

    void Draw(bool fit) {
        QPainter painter(&image);
        quble::QPainterSurface surface(painter, QRectF(0, 0, image.width(), image.height()), plot.ScaleWidth,
                                       plot.ScaleHeight);
        if (fit) {
            quble::AjPlotSize(plot, sim);
            quble::CalcFirstPlot(plot, sim, surface);
        } else {
            quble::PlotFinal(plot, sim, surface);
        }
    }
};

// What the window does after every calculation: fit, convert, draw.
void BM_PlotAfterCalculation(benchmark::State& st) {
    Fixture f(st);
    if (!f.ok) st.SkipWithError("worst case did not give 4096 lines of 201 samples");
    for (auto _ : st) {
        f.Draw(true);
        benchmark::DoNotOptimize(f.image.constBits());
    }
    st.counters["lines"] = f.sim.TotalLines;
}

// Calculation and drawing together, the whole wait after pressing Enter.
void BM_RecalculateAndPlot(benchmark::State& st) {
    Fixture f(st);
    if (!f.ok) st.SkipWithError("worst case did not give 4096 lines of 201 samples");
    for (auto _ : st) {
        quble::SimulationInput in = WorstCase();
        auto err = quble::StartProcess(f.sim, in);
        benchmark::DoNotOptimize(err);
        f.Draw(true);
        benchmark::DoNotOptimize(f.image.constBits());
    }
}

// An appearance change: PlotFinal only.
void BM_PlotFinalOnly(benchmark::State& st) {
    Fixture f(st);
    if (!f.ok) st.SkipWithError("worst case did not give 4096 lines of 201 samples");
    f.Draw(true);
    for (auto _ : st) {
        f.Draw(false);
        benchmark::DoNotOptimize(f.image.constBits());
    }
}

}  // namespace

// A window of typical size and a maximised one on a full-HD screen.
#define QUBLE_GRAPH_SIZES ->Args({900, 700})->Args({1920, 1080})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_PlotAfterCalculation) QUBLE_GRAPH_SIZES;
BENCHMARK(BM_RecalculateAndPlot) QUBLE_GRAPH_SIZES;
BENCHMARK(BM_PlotFinalOnly) QUBLE_GRAPH_SIZES;
#undef QUBLE_GRAPH_SIZES
