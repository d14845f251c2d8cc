// The marking mode driven as the window drives it: start, cursor, clicks,
// OK and end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "compare/compare_run.h"
#include "compare/peak_marking.h"
#include "tests/core/compare_test_util.h"
#include "tests/core/simulation_test_util.h"

namespace quble {
namespace {

struct Setup {
    std::unique_ptr<SimulationState> sim = std::make_unique<SimulationState>();
    PlotState plot;
    CompareState cmp;
    SimulationInput input;
    MarkingState m;
};

// A simulated triplet (J 7) with an experimental triplet and one extra
// small peak, already paired (four slots).
std::unique_ptr<Setup> Triplet() {
    auto s = std::make_unique<Setup>();
    s->sim->ticks = TicksFor(LineShape::Lorentzian);
    InitPlotGeometry(s->plot, kLoadTimePlotHeight);
    s->input = test::MakeInput({{"2500", {"7", "7"}}});
    EXPECT_FALSE(Recalculate(*s->sim, s->plot, s->cmp, s->input));
    test::FillOverlay(s->plot.exp, s->cmp, 4000, 2600.0, 0.05,
                      {{2507.0, 250.0}, {2503.0, 60.0}, {2500.0, 500.0}, {2493.0, 250.0}}, 0.3);
    EXPECT_TRUE(TransfAdjustExpData(*s->sim, s->plot, s->cmp).ok());
    EXPECT_FALSE(Recalculate(*s->sim, s->plot, s->cmp, s->input));
    return s;
}

// Picture x of a frequency.
double XOf(const Setup& s, double hz) { return s.plot.XCenter - (hz - s.sim->AvChemShift) * s.plot.HScale; }

int PointOf(double hz) { return static_cast<int>(std::lround((2600.0 - hz) / 0.05)) + 1; }

TEST(PeakMarking, CursorSnapsToPeaksAndFormatsFrequencies) {
    auto s = Triplet();
    ToggleMarking(s->m, *s->sim, s->plot);
    s->plot.DecSep = ',';
    MarkingView v = MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2507.03));
    EXPECT_TRUE(v.cursorVisible);
    EXPECT_EQ(v.cursorColor, kCursorRed);
    EXPECT_EQ(v.cursorWidth, 3);
    EXPECT_EQ(s->m.CandidateIndex, PointOf(2507.0));
    EXPECT_EQ(v.label3Text, "2507,00");
    EXPECT_TRUE(v.label3Visible);
    EXPECT_FALSE(v.label1Visible);

    // Between peaks, more than a picture unit's points away from any top.
    v = MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2496.5));
    EXPECT_EQ(v.cursorColor, 0u);
    EXPECT_EQ(v.cursorWidth, 1);
    EXPECT_EQ(v.label1Text, "2496,50");

    // Beyond the plotted points the candidate stays at point 2.
    v = MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, 100000.0);
    EXPECT_EQ(s->m.CandidateIndex, 2);

    EXPECT_EQ(CursorHzText(2500.0, '.'), "2500.00");
    EXPECT_EQ(CursorHzText(2500.1, '.'), "2500.10");
    EXPECT_EQ(CursorHzText(-3.456, ','), "-3,46");
}

TEST(PeakMarking, ClicksRemoveAppendSortAndRefuseTooMany) {
    auto s = Triplet();
    ASSERT_EQ(s->sim->NMultRelMax, 4);  // three simulated maxima plus a gap slot for 2503
    MarkingView v = ToggleMarking(s->m, *s->sim, s->plot);
    EXPECT_EQ(v.toggleCaption, "End Mark");
    EXPECT_EQ(s->m.SavedExpPeakCount, 4);
    ASSERT_EQ(s->m.MarkedCount, 4);
    EXPECT_EQ(v.markedList.front(), "2507");
    EXPECT_TRUE(v.okEnabled);

    // A fifth mark is refused with the program's message; nothing changes.
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2507.0));
    ASSERT_TRUE(s->m.cursorRed);
    s->m.MarkedPeaks[1] = 5;  // pretend the drawn peak elsewhere, so 2507 is not yet marked
    std::sort(s->m.MarkedPeaks.begin() + 1, s->m.MarkedPeaks.begin() + 5);
    v = MarkingMouseDown(s->m, *s->sim, s->plot, false);
    EXPECT_EQ(v.messageTitle, "Too many peaks!");
    EXPECT_EQ(v.messageText,
              "The number of peaks in the experimental spectrum\r\nmust be the same as in the simulated spectrum."
              "\r\n\r\nPLEASE ERASE THE WRONG PEAK BEFORE MARKING THE NEW ONE!\r\n\r\n(To erase a marked peak, "
              "just click over it again)");
    EXPECT_EQ(s->m.MarkedCount, 4);
    EXPECT_FALSE(v.redraw);

    // Clicking the small peak again removes it and disables OK.
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2503.0));
    ASSERT_TRUE(s->m.cursorRed);
    v = MarkingMouseDown(s->m, *s->sim, s->plot, false);
    EXPECT_EQ(s->m.MarkedCount, 3);
    EXPECT_FALSE(v.okEnabled);
    EXPECT_TRUE(v.redraw);
    EXPECT_EQ(s->plot.exp.ExpPeakCount, 3);

    // Marking 2507 (clicked last) sorts it first: the list falls in frequency.
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2507.0));
    v = MarkingMouseDown(s->m, *s->sim, s->plot, false);
    ASSERT_EQ(s->m.MarkedCount, 4);
    EXPECT_TRUE(v.okEnabled);
    // Point 5 (the pretended mark) lies highest.
    EXPECT_EQ(v.markedList, (std::vector<std::string>{"2599.8", "2507", "2500", "2493"}));
}

TEST(PeakMarking, RightClickOnABlackCursorEndsAndRestoresTheCount) {
    auto s = Triplet();
    ToggleMarking(s->m, *s->sim, s->plot);
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2503.0));
    MarkingMouseDown(s->m, *s->sim, s->plot, false);  // removes a mark
    ASSERT_EQ(s->plot.exp.ExpPeakCount, 3);

    // A right click on a red cursor does nothing.
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2500.0));
    MarkingView v = MarkingMouseDown(s->m, *s->sim, s->plot, true);
    EXPECT_TRUE(s->m.on);
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2496.5));
    v = MarkingMouseDown(s->m, *s->sim, s->plot, true);
    EXPECT_FALSE(s->m.on);
    EXPECT_EQ(v.toggleCaption, "Mark Experimental Peaks");
    EXPECT_TRUE(v.hidePanel);
    EXPECT_TRUE(v.redraw);
    EXPECT_EQ(s->plot.exp.ExpPeakCount, 4);
}

TEST(PeakMarking, OkDrawsTheMarksAndEndsTheMode) {
    auto s = Triplet();
    ToggleMarking(s->m, *s->sim, s->plot);
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2503.0));
    MarkingMouseDown(s->m, *s->sim, s->plot, false);
    MarkingMouseMove(s->m, *s->sim, s->plot, s->cmp, XOf(*s, 2503.0));
    MarkingMouseDown(s->m, *s->sim, s->plot, false);
    ASSERT_EQ(s->m.MarkedCount, 4);
    const std::vector<int> marks(s->m.MarkedPeaks.begin() + 1, s->m.MarkedPeaks.begin() + 5);
    MarkingView v = MarkingOk(s->m, *s->sim, s->plot);
    EXPECT_FALSE(s->m.on);
    EXPECT_TRUE(v.redraw);
    EXPECT_EQ(s->plot.exp.ExpPeakCount, 4);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(s->plot.exp.ExpPeakIndex[i], marks[i - 1]);
        EXPECT_EQ(s->plot.exp.ExpGapFlag[i], 0);
    }
}

}  // namespace
}  // namespace quble
