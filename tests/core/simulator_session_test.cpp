// The simulator's model without a window: where each Enter sends the focus,
// which J boxes a calculation lays out, and what survives New, examples and
// recalculation.
#include <gtest/gtest.h>

#include "platform/recording_surface.h"
#include "simulator/simulator_session.h"
#include "tests/core/simulation_test_util.h"

namespace quble::test {
namespace {

using Kind = FocusTarget::Kind;

SimulatorSession ReadySession() {
    SimulatorSession s;
    InitPlotGeometry(s.plot, 356.0 * kPlotScaleWidth / 663.0);
    return s;
}

TEST(SimulatorSession, EnterSequenceWalksShiftsCountsAndJBoxes) {
    SimulatorSession s;
    EXPECT_EQ(s.EnterHydrogenCount("3"), 3);
    EXPECT_EQ(s.EnterShift(1).kind, Kind::Shift);
    EXPECT_EQ(s.EnterShift(2).h, 3);
    EXPECT_EQ(s.EnterShift(3).kind, Kind::JCount);

    const FocusTarget afterFirst = s.EnterJCount(1, "2");
    EXPECT_EQ(afterFirst.kind, Kind::JCount);
    EXPECT_EQ(afterFirst.h, 2);
    s.EnterJCount(2, "1");
    const FocusTarget last = s.EnterJCount(3, "12");  // clamped to 10
    EXPECT_EQ(s.NJ(3), 10);
    EXPECT_EQ(last.kind, Kind::JBox);
    EXPECT_EQ(last.h, 1);
    EXPECT_EQ(last.k, 1);

    EXPECT_EQ(s.EnterJ(1, 1).k, 2);
    const FocusTarget nextH = s.EnterJ(1, 2);
    EXPECT_EQ(nextH.kind, Kind::JBox);
    EXPECT_EQ(nextH.h, 2);
    EXPECT_EQ(s.EnterJ(2, 1).h, 3);
    EXPECT_EQ(s.EnterJ(3, 9).k, 10);
    EXPECT_EQ(s.EnterJ(3, 10).kind, Kind::Calculate);
}

TEST(SimulatorSession, HydrogenCountResetsTitlesAndClamps) {
    SimulatorSession s;
    s.plot.Label8.caption = "Old";
    s.plot.Label9[2].caption = "H3'a";
    EXPECT_EQ(s.EnterHydrogenCount("7"), 4);
    EXPECT_EQ(s.plot.Label8.caption, "Spectrum Title");
    EXPECT_EQ(s.HydrogenName(3), "H3");
    EXPECT_EQ(s.EnterHydrogenCount("abc"), 1);
}

TEST(SimulatorSession, CalculationLaysOutTheCountsItUsed) {
    SimulatorSession s = ReadySession();
    s.EnterHydrogenCount("1");
    s.EnterJCount(1, "6");
    // The count box now says 8 but Enter was never pressed there.
    SimulationInput in = MakeInput({{"2500", {"7", "7", "3", "3", "1", "1", "0.5", "0.5"}}});
    const CalcOutcome done = s.Calculate(in);
    ASSERT_FALSE(done.error);
    EXPECT_EQ(done.layout.counts[1], 8);
    EXPECT_EQ(done.layout.headerCount(), 8);
    EXPECT_EQ(s.NJ(1), 8);
    // And the next Enter follows the new count.
    EXPECT_EQ(s.EnterJ(1, 7).kind, Kind::JBox);
    EXPECT_EQ(s.EnterJ(1, 8).kind, Kind::Calculate);

    SimulationInput fewer = MakeInput({{"2500", {"7", "7", "3"}}});
    EXPECT_EQ(s.Calculate(fewer).layout.counts[1], 3);
}

TEST(SimulatorSession, RefusedInputChangesNothingAndNamesTheBox) {
    SimulatorSession s = ReadySession();
    SimulationInput good = MakeInput({{"2500", {"7"}}});
    ASSERT_FALSE(s.Calculate(good).error);
    const int lines = s.sim.TotalLines;
    SimulationInput bad = MakeInput({{"25x0", {"7", "3"}}});
    const CalcOutcome done = s.Calculate(bad);
    ASSERT_TRUE(done.error);
    EXPECT_EQ(done.error->box, "Text6");
    EXPECT_EQ(s.sim.TotalLines, lines);
    EXPECT_EQ(s.CalculationCount(), 1);
}

TEST(SimulatorSession, NoGraphAfterNewUntilTheNextCalculation) {
    SimulatorSession s = ReadySession();
    SimulationInput in = MakeInput({{"2500", {"7", "3"}}});
    ASSERT_FALSE(s.Calculate(in).error);
    RecordingSurface drawn(kPlotScaleWidth, 356.0);
    s.Draw(drawn, true);
    EXPECT_FALSE(drawn.Calls().empty());

    s.ForgetGraph();
    RecordingSurface after(kPlotScaleWidth, 356.0);
    s.Draw(after, true);
    s.Draw(after, false);
    EXPECT_TRUE(after.Calls().empty());
    EXPECT_FALSE(s.HasGraph());
}

TEST(SimulatorSession, BranchColoursSurviveARecalculationButNotAReset) {
    SimulatorSession s = ReadySession();
    SimulationInput in = MakeInput({{"2500", {"7", "3"}}});
    ASSERT_FALSE(s.Calculate(in).error);
    RecolourBranch(s.sim, 1, 1, 1, 0x000000FF);
    SimulationInput again = MakeInput({{"2500", {"7", "3"}}});
    ASSERT_FALSE(s.Calculate(again).error);
    EXPECT_EQ(s.sim.StemColor[1][1][1], 0x000000FFu);

    // A new example of the same tree shape starts black.
    s.ResetBranchColours();
    SimulationInput other = MakeInput({{"1800", {"5", "2"}}});
    ASSERT_FALSE(s.Calculate(other).error);
    EXPECT_EQ(s.sim.StemColor[1][1][1], kBlack);
    EXPECT_EQ(s.sim.StemColor[1][2][1], kBlack);
}

TEST(SimulatorSession, ShapeCaptions) {
    EXPECT_EQ(SimulatorSession::ShapeCaption(LineShape::Lorentzian, 30), "Lorentzian Line Shape");
    EXPECT_EQ(SimulatorSession::ShapeCaption(LineShape::Mixed, 30), "70% Gaussian + 30% Lorentzian");
    SimulatorSession s;
    s.SetMixing(130);
    EXPECT_EQ(s.sim.Slider4, 100);
    EXPECT_EQ(s.plot.Label12.caption, "0% Gaussian + 100% Lorentzian");
}

}  // namespace
}  // namespace quble::test
