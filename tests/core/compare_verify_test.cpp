// The match verification on synthetic spectra: a spectrum shaped like the
// simulation matches wherever it lies in the window and however tall it is;
// a different multiplet does not.
#include <gtest/gtest.h>

#include <string>

#include "compare/compare_run.h"
#include "compare/verify_match.h"
#include "tests/core/compare_test_util.h"
#include "tests/core/simulation_test_util.h"

namespace quble {
namespace {

using test::ExpLine;
using test::FillOverlay;

struct Scene {
    std::unique_ptr<SimulationState> sim = std::make_unique<SimulationState>();
    PlotState plot;
    CompareState cmp;
    SimulationInput input;
};

Scene Simulated(const std::vector<test::HydrogenSpec>& hs, const std::string& width = "1") {
    Scene s;
    s.sim->ticks = TicksFor(LineShape::Lorentzian);
    InitPlotGeometry(s.plot, kLoadTimePlotHeight);
    s.input = test::MakeInput(hs, "0.1", width);
    EXPECT_FALSE(Recalculate(*s.sim, s.plot, s.cmp, s.input));
    return s;
}

MatchResult Transfer(Scene& s, const std::vector<ExpLine>& lines, double hw = 0.5) {
    FillOverlay(s.plot.exp, s.cmp, 16000, 2800.0, 0.05, lines, hw);
    EXPECT_TRUE(TransfAdjustExpData(*s.sim, s.plot, s.cmp).ok());
    EXPECT_FALSE(Recalculate(*s.sim, s.plot, s.cmp, s.input));
    return VerifyMatch(*s.sim, s.plot.exp, s.cmp, '.');
}

// A 1:2:1 triplet (J 7) at centre, heights scaled.
std::vector<ExpLine> Triplet(double centre, double scale) {
    return {{centre + 7.0, 250.0 * scale}, {centre, 500.0 * scale}, {centre - 7.0, 250.0 * scale}};
}

TEST(VerifyMatch, MatchingTripletScoresLowAndListsItsDiagnostics) {
    Scene s = Simulated({{"2500", {"7", "7"}}});
    const MatchResult r = Transfer(s, Triplet(2500.0, 1000.0));
    ASSERT_TRUE(r.ran);
    EXPECT_TRUE(r.match);
    EXPECT_LT(r.MatchSumMin, 1.0f);
    EXPECT_FALSE(r.showNoMatch);
    ASSERT_GE(r.List1.size(), 5u);
    EXPECT_EQ(r.List1[0], "NMaxExp=3");
    EXPECT_EQ(r.List1[1], "NMultRelMax=3");
    EXPECT_EQ(r.List1[2], "NMultRelMin=2");
    EXPECT_EQ(r.List1[3].rfind("MatchSum(1)=", 0), 0u) << r.List1[3];
    EXPECT_EQ(r.List1.back().rfind("MatchSumMin=", 0), 0u);
    // The value is the shortest text of the single-precision score.
    EXPECT_EQ(std::stof(r.List1.back().substr(12)), r.MatchSumMin);

    // The same triplet twice as wide apart does not match.
    Scene wide = Simulated({{"2500", {"7", "7"}}});
    const MatchResult w = Transfer(wide, {{2514.0, 250000.0}, {2500.0, 500000.0}, {2486.0, 250000.0}});
    EXPECT_FALSE(w.match);
    EXPECT_TRUE(w.showNoMatch);
    EXPECT_EQ(w.title, "No Match!");
    EXPECT_EQ(w.text, "It seems that this experimental spectrum\r\ndoes not match the simulated one!");
    EXPECT_GE(w.MatchSumMin, kMatchThreshold);
}

TEST(VerifyMatch, ShiftedMultipletScoresItsCentreDeviation) {
    // A doublet 0.4 Hz off-centre: the score grows by the deviation / 3.
    Scene near = Simulated({{"2500", {"10"}}});
    const MatchResult a = Transfer(near, {{2505.0, 1000.0}, {2495.0, 1000.0}});
    Scene off = Simulated({{"2500", {"10"}}});
    const MatchResult b = Transfer(off, {{2505.4, 1000.0}, {2495.4, 1000.0}});
    ASSERT_TRUE(a.match);
    EXPECT_NEAR(b.MatchSumMin - a.MatchSumMin, 0.4 / 3.0, 0.02);
}

TEST(VerifyMatch, SingletVerdictDoesNotDependOnAbsoluteIntensity) {
    Scene small = Simulated({{"2500", {"0"}}});
    const MatchResult a = Transfer(small, {{2500.3, 500.0}});
    Scene tall = Simulated({{"2500", {"0"}}});
    const MatchResult b = Transfer(tall, {{2500.3, 50000000.0}});
    EXPECT_EQ(a.List1[1], "NMultRelMax=1");
    EXPECT_TRUE(a.match);
    EXPECT_TRUE(b.match);
    EXPECT_NEAR(a.MatchSumMin, b.MatchSumMin, 1e-3);
    EXPECT_NEAR(a.MatchSumMin, 0.3 / 3.0, 0.02);
}

TEST(VerifyMatch, NothingWithoutASpectrumAndNoMatchWithoutMaxima) {
    Scene s = Simulated({{"2500", {"7"}}});
    const MatchResult none = VerifyMatch(*s.sim, s.plot.exp, s.cmp, '.');
    EXPECT_FALSE(none.ran);
    EXPECT_TRUE(none.List1.empty());
    EXPECT_FALSE(none.showNoMatch);

    // A signal that only rises through the window: no maximum at all.
    FillOverlay(s.plot.exp, s.cmp, 16000, 2800.0, 0.05, {});
    for (int t = 1; t <= 16000; ++t) s.plot.exp.ExpYgraf[t] = t;
    ASSERT_TRUE(TransfAdjustExpData(*s.sim, s.plot, s.cmp).ok());
    const MatchResult r = VerifyMatch(*s.sim, s.plot.exp, s.cmp, '.');
    EXPECT_EQ(r.MatchSumMin, 50000.0f);
    EXPECT_EQ(r.List1.back(), "MatchSumMin=50000");
    EXPECT_TRUE(r.showNoMatch);
}

TEST(VerifyMatch, LabelFrequenciesComeFromTheMaximaWithAnySeparator) {
    Scene s = Simulated({{"2500", {"7", "7"}}});
    Transfer(s, Triplet(2500.0, 1000.0));
    const MatchResult dot = VerifyMatch(*s.sim, s.plot.exp, s.cmp, '.');
    const MatchResult comma = VerifyMatch(*s.sim, s.plot.exp, s.cmp, ',');
    EXPECT_EQ(dot.List1, comma.List1);
    // No label was ever drawn in this graph.
    EXPECT_TRUE(s.plot.PeakLabelText.empty());
}

}  // namespace
}  // namespace quble
