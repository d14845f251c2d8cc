// The transfer onto the simulated graph and the pairing of the peaks.
#include <gtest/gtest.h>

#include <cmath>

#include "compare/compare_run.h"
#include "compare/transfer.h"
#include "tests/core/compare_test_util.h"
#include "tests/core/simulation_test_util.h"

namespace quble {
namespace {

using test::ExpLine;
using test::FillOverlay;

struct Graph {
    std::unique_ptr<SimulationState> sim;
    PlotState plot;
    CompareState cmp;
    SimulationInput input;
};

// A doublet at 2500 Hz (J 7) and the window's load-time graph.
Graph Doublet(const std::vector<test::HydrogenSpec>& hs = {{"2500", {"7"}}}) {
    Graph g;
    g.sim = std::make_unique<SimulationState>();
    g.sim->ticks = TicksFor(LineShape::Lorentzian);
    InitPlotGeometry(g.plot, kLoadTimePlotHeight);
    g.input = test::MakeInput(hs);
    EXPECT_FALSE(Recalculate(*g.sim, g.plot, g.cmp, g.input));
    return g;
}

std::vector<double> PeakHz(const Graph& g) {
    std::vector<double> out;
    for (int i = 1; i <= g.cmp.AutoPeakCount; ++i) out.push_back(g.plot.exp.ExpXnmrHz[g.cmp.AutoPeakIndex[i]]);
    return out;
}

TEST(CompareTransfer, WindowsScaleAndAutomaticPeaksOfADoublet) {
    Graph g = Doublet();
    // 0.05 Hz per point from 2700 Hz down, the doublet's lines at 2503.5 and 2496.5.
    FillOverlay(g.plot.exp, g.cmp, 8000, 2700.0, 0.05, {{2503.5, 1000.0}, {2496.5, 800.0}});
    const TransferResult r = TransfAdjustExpData(*g.sim, g.plot, g.cmp);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(g.sim->ExpPresent);
    EXPECT_EQ(PeakHz(g), (std::vector<double>{2700.0 - 3930 * 0.05, 2700.0 - 4070 * 0.05}));
    // The taller line carries the other's Lorentzian tail 7 Hz away.
    const std::int32_t tallest = static_cast<std::int32_t>(std::lround(1000.0 + 800.0 / (1.0 + 14.0 * 14.0)));
    EXPECT_EQ(g.cmp.ExpMaxIntensity, tallest);
    EXPECT_FLOAT_EQ(g.plot.exp.ExpScale, g.sim->MaxEnv / static_cast<float>(tallest));
    EXPECT_EQ(g.plot.exp.ExpPeakCount, 2);

    // The plot range is half the box width each side at the load-time zoom;
    // the match range 165.75 Hz each side.
    const ExperimentalOverlay& e = g.plot.exp;
    const double half = g.plot.ScaleWidth / (2.0 * g.plot.HScale);
    EXPECT_LE(e.ExpXnmrHz[e.PlotWindowFirst], 2500.0 + half);
    EXPECT_GT(e.ExpXnmrHz[e.PlotWindowFirst - 1], 2500.0 + half);
    EXPECT_GE(e.ExpXnmrHz[e.PlotWindowLast], 2500.0 - half);
    EXPECT_LT(e.ExpXnmrHz[e.PlotWindowLast + 1], 2500.0 - half);
    EXPECT_NEAR(e.ExpXnmrHz[g.cmp.MatchWindowFirst], 2500.0 + 165.75, 0.0501);
    EXPECT_NEAR(e.ExpXnmrHz[g.cmp.MatchWindowLast], 2500.0 - 165.75, 0.0501);

    // A second transfer before any new calculation sees the same extent.
    const int first = g.cmp.ExtentFirst, last = g.cmp.ExtentLast;
    ASSERT_TRUE(TransfAdjustExpData(*g.sim, g.plot, g.cmp).ok());
    EXPECT_EQ(g.cmp.ExtentFirst, first);
    EXPECT_EQ(g.cmp.ExtentLast, last);
    EXPECT_NEAR(e.ExpXnmrHz[first], 2504.5, 0.0501);
    EXPECT_NEAR(e.ExpXnmrHz[last], 2495.5, 0.0501);
}

TEST(CompareTransfer, PointIndicesBeyondSixteenBitsAndPlateaus) {
    Graph g = Doublet();
    // 200000 points: the doublet lies near point 100000.
    FillOverlay(g.plot.exp, g.cmp, 200000, 7500.0, 0.05, {{2503.5, 1000.0}, {2496.5, 1000.0}});
    ASSERT_TRUE(TransfAdjustExpData(*g.sim, g.plot, g.cmp).ok());
    ASSERT_EQ(g.cmp.AutoPeakCount, 2);
    EXPECT_GT(g.cmp.ExtentFirst, 32767);
    EXPECT_EQ(g.cmp.AutoPeakIndex[1], 99931);

    // A flat top of three equal points is one peak, at its last point; equal
    // neighbours on the flank start nothing.
    ExperimentalOverlay& e = g.plot.exp;
    FillOverlay(e, g.cmp, 400, 2510.0, 0.05, {});
    const int top = 131;  // 2503.5 Hz
    for (int t : {top - 3, top + 3}) e.ExpYgraf[t] = 10;
    for (int t : {top - 2, top + 2}) e.ExpYgraf[t] = 50;
    for (int t : {top - 1, top, top + 1}) e.ExpYgraf[t] = 90;
    e.ExpYgraf[250] = e.ExpYgraf[251] = 40;  // a step up then flat then down
    e.ExpYgraf[252] = 40;
    ASSERT_TRUE(TransfAdjustExpData(*g.sim, g.plot, g.cmp).ok());
    EXPECT_EQ(g.cmp.AutoPeakCount, 2);
    EXPECT_EQ(g.cmp.AutoPeakIndex[1], top + 1);
    EXPECT_EQ(g.cmp.AutoPeakIndex[2], 252);
}

TEST(CompareTransfer, NoSignalOrNoPointInTheExtentIsRefused) {
    Graph g = Doublet();
    // All zero inside the multiplet's range.
    FillOverlay(g.plot.exp, g.cmp, 4000, 2600.0, 0.05, {});
    TransferResult r = TransfAdjustExpData(*g.sim, g.plot, g.cmp);
    EXPECT_EQ(r.status, TransferStatus::NoSignal);
    EXPECT_FALSE(g.sim->ExpPresent);
    EXPECT_EQ(r.text, "The experimental spectrum has no signal in the multiplet's range (2495.5 Hz to 2504.5 Hz).");
    EXPECT_EQ(g.plot.exp.ExpPeakCount, 0);

    // The spectrum ends above the multiplet.
    FillOverlay(g.plot.exp, g.cmp, 1000, 3000.0, 0.05, {{2900.0, 100.0}});
    r = TransfAdjustExpData(*g.sim, g.plot, g.cmp);
    EXPECT_EQ(r.status, TransferStatus::NoPoints);
    EXPECT_FALSE(g.sim->ExpPresent);

    // A peak at the very first point has no predecessor and is no peak.
    FillOverlay(g.plot.exp, g.cmp, 200, 2504.0, 0.05, {{2504.0, 1000.0}});
    ASSERT_TRUE(TransfAdjustExpData(*g.sim, g.plot, g.cmp).ok());
    EXPECT_EQ(g.cmp.AutoPeakCount, 0);
}

TEST(ComparePairing, SlotsInFrequencyOrderWithGapsAndTheSubHertzRule) {
    Graph g = Doublet();
    // Experimental peaks at 2503.6, 2500 (no simulated partner) and 2496.2.
    FillOverlay(g.plot.exp, g.cmp, 800, 2520.0, 0.05, {{2503.6, 1000.0}, {2500.0, 300.0}, {2496.2, 900.0}}, 0.3);
    ASSERT_TRUE(TransfAdjustExpData(*g.sim, g.plot, g.cmp).ok());
    ASSERT_EQ(g.cmp.AutoPeakCount, 3);
    ASSERT_FALSE(Recalculate(*g.sim, g.plot, g.cmp, g.input));
    const SimulationState& s = *g.sim;
    const ExperimentalOverlay& e = g.plot.exp;
    ASSERT_EQ(s.NMultRelMax, 3);
    ASSERT_EQ(e.ExpPeakCount, 3);
    EXPECT_EQ(s.SimGapFlag[2], kNoPeakInSlot);
    EXPECT_EQ(e.ExpGapFlag[2], 0);
    EXPECT_NEAR(e.ExpXnmrHz[e.ExpPeakIndex[2]], 2500.0, 0.03);
    for (int n : {1, 3}) {
        EXPECT_EQ(s.SimGapFlag[n], 0);
        EXPECT_EQ(e.ExpGapFlag[n], 0);
    }
    EXPECT_NEAR(SimMaxHz(s, 1), 2503.5, 0.01);
    EXPECT_NEAR(SimMaxHz(s, 3), 2496.5, 0.01);
    EXPECT_NEAR(e.ExpXnmrHz[e.ExpPeakIndex[3]], 2496.2, 0.03);
    // The empty simulated slot names no sample, so nothing reads it as a peak.
    EXPECT_LT(s.SimMaxIndex[2], kEnvFirst);

    // Two experimental peaks within a hertz of the simulated one: the nearer
    // one is paired, the farther higher-frequency one stands alone.
    Graph h = Doublet({{"2500", {"20"}}});
    FillOverlay(h.plot.exp, h.cmp, 3000, 2530.0, 0.02, {{2510.8, 500.0}, {2510.1, 900.0}, {2490.0, 900.0}}, 0.1);
    ASSERT_TRUE(TransfAdjustExpData(*h.sim, h.plot, h.cmp).ok());
    ASSERT_FALSE(Recalculate(*h.sim, h.plot, h.cmp, h.input));
    ASSERT_EQ(h.sim->NMultRelMax, 3);
    EXPECT_EQ(h.sim->SimGapFlag[1], kNoPeakInSlot);
    EXPECT_NEAR(h.plot.exp.ExpXnmrHz[h.plot.exp.ExpPeakIndex[2]], 2510.1, 0.02);
    EXPECT_EQ(h.plot.exp.ExpGapFlag[2], 0);
    EXPECT_EQ(h.sim->SimGapFlag[2], 0);
}

TEST(ComparePairing, MoreThanFiftySlotsGrowTheLists) {
    // Six couplings of distinct sizes: 64 maxima; 64 experimental peaks
    // offset by 2 Hz so that none pairs.
    Graph g = Doublet({{"2500", {"40", "20", "10", "5", "2.5", "1.25"}}});
    g.sim->ticks = TicksFor(LineShape::Lorentzian);
    g.input.Text4 = "0.1";
    ASSERT_FALSE(Recalculate(*g.sim, g.plot, g.cmp, g.input));
    ASSERT_EQ(g.sim->NMultRelMax, 64);
    std::vector<ExpLine> lines;
    for (int p = 1; p <= g.sim->NMultRelMax; ++p) lines.push_back({SimMaxHz(*g.sim, p) + 0.6, 1000.0});
    lines.push_back({2600.0, 10.0});
    FillOverlay(g.plot.exp, g.cmp, 20000, 2700.0, 0.02, lines, 0.05);
    ASSERT_TRUE(TransfAdjustExpData(*g.sim, g.plot, g.cmp).ok());
    ASSERT_EQ(g.cmp.AutoPeakCount, 64);
    ReadjMaxExpSim(*g.sim, g.plot.exp, g.cmp);
    EXPECT_EQ(g.sim->NMultRelMax, 64);
    for (int n = 1; n <= 64; ++n) ASSERT_EQ(g.plot.exp.ExpGapFlag[n], 0) << n;
}

}  // namespace
}  // namespace quble
