// The fit of a calculated simulation to the spectrum overlaid on it: the
// points and start it takes, what it writes back into the boxes, and the
// residual drawn under the baseline.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/line_model.h"
#include "platform/recording_surface.h"
#include "simulator/overlay_fit.h"
#include "simulator/simulator_session.h"
#include "tests/core/simulation_test_util.h"

namespace quble::test {
namespace {

// A Lorentzian dt at 1500 Hz (J 7.2, 2.4, 2.4), width 1.1, on the overlay's
// points 2000 .. 1000 Hz every 0.05 Hz, the session calculated from boxes a
// little off.
struct Fixture {
    SimulatorSession s;
    SimulationInput boxes;
    explicit Fixture(double graphHeight = 356.0) {
        InitPlotGeometry(s.plot, graphHeight);
        s.SetLineShape(LineShape::Lorentzian);
        boxes = MakeInput({{"1500.6", {"7.5", "2.2", "2.2"}}}, "0.1", "1");
        EXPECT_FALSE(s.Calculate(boxes).error);
        const int n = 20001;
        std::vector<double> hz(n);
        for (int i = 0; i < n; ++i) hz[i] = 2000.0 - 0.05 * i;
        const analysis::ModelHydrogen truth{1500.0, {7.2, 2.4, 2.4}};
        const std::vector<double> y = analysis::EvaluateModel(hz, std::span(&truth, 1), 1.1, 1.0, 4.0e6);
        ExperimentalOverlay& o = s.plot.exp;
        o.ExpXnmrHz.assign(n + 1, 0.0);
        o.ExpYgraf.assign(n + 1, 0);
        for (int i = 0; i < n; ++i) {
            o.ExpXnmrHz[i + 1] = hz[i];
            o.ExpYgraf[i + 1] = static_cast<std::int32_t>(std::lround(y[i] + 2000.0));
        }
        o.PlotWindowFirst = 1;
        o.PlotWindowLast = n;
        s.sim.ExpPresent = true;
    }
};

TEST(OverlayFit, TakesTheMultipletsRangeAndWritesTheFitBackIntoTheBoxes) {
    Fixture f;
    std::string error;
    OverlayFitChoice choice = DefaultFitChoice();
    EXPECT_TRUE(choice.varyLorentz);
    std::string e2;
    const auto freedSetup = PrepareOverlayFit(f.s.sim, f.s.plot.exp, choice, &e2);
    ASSERT_TRUE(freedSetup) << e2;
    // Freed from a pure shape, the share still moves and finds the shape.
    const analysis::FitResult freedFit = analysis::FitSimulation(freedSetup->hz, freedSetup->y, freedSetup->input);
    ASSERT_TRUE(freedFit.ok) << freedFit.error;
    EXPECT_NEAR(freedFit.lorentzFraction, 1.0, 0.01);
    choice.varyLorentz = false;
    const auto setup = PrepareOverlayFit(f.s.sim, f.s.plot.exp, choice, &error);
    ASSERT_TRUE(setup) << error;
    // Shift ± half the J sum ± four widths and a hertz.
    EXPECT_NEAR(setup->fromHz, 1500.6 + 5.95 + 5.0, 1e-3);
    EXPECT_NEAR(setup->toHz, 1500.6 - 5.95 - 5.0, 1e-3);
    ASSERT_FALSE(setup->hz.empty());
    EXPECT_LE(setup->hz.front(), setup->fromHz);
    EXPECT_GE(setup->hz.back(), setup->toHz);
    EXPECT_EQ(setup->input.lorentzFraction, 1.0);
    // The two equal boxes start tied: one free coupling for both.
    ASSERT_EQ(setup->input.hydrogens.size(), 1u);
    EXPECT_EQ(setup->input.hydrogens[0].jHz[1], setup->input.hydrogens[0].jHz[2]);

    const analysis::FitResult r = analysis::FitSimulation(setup->hz, setup->y, setup->input);
    ASSERT_TRUE(r.ok) << r.error;
    int lorentz = -1;
    const SimulationInput after = BoxesFromFit(f.boxes, f.s.sim, r, choice, &lorentz);
    EXPECT_EQ(lorentz, -1);  // not fitted, not written
    EXPECT_NEAR(std::stod(after.Text6[0]), 1500.0, 0.002);
    EXPECT_NEAR(std::stod(after.JText[0][0]), 7.2, 0.005);
    EXPECT_EQ(after.JText[0][1], after.JText[0][2]);
    EXPECT_NEAR(std::stod(after.JText[0][1]), 2.4, 0.005);
    EXPECT_NEAR(std::stod(after.Text4), 1.1, 0.002);
    // Three decimals at most for the shift and width, two for a J (its box
    // is sized for "11.28"): the boxes show what a spectrum can tell, whole.
    auto decimals = [](const std::string& t) {
        const auto dot = t.find('.');
        return dot == std::string::npos ? std::size_t{0} : t.size() - dot - 1;
    };
    EXPECT_LE(decimals(after.Text6[0]), 3u) << after.Text6[0];
    EXPECT_LE(decimals(after.Text4), 3u) << after.Text4;
    for (const std::string& t : {after.JText[0][0], after.JText[0][1]}) EXPECT_LE(decimals(t), 2u) << t;
    // Boxes beyond the hydrogen's couplings are left as typed.
    EXPECT_EQ(after.JText[0][3], f.boxes.JText[0][3]);
    EXPECT_EQ(after.Text3, f.boxes.Text3);
    EXPECT_GT(r.r2, 0.9999);
    EXPECT_EQ(FitSummary(r, *setup, ',').rfind("Fit: RMS = ", 0), 0u);
}

TEST(OverlayFit, HeldValuesStayAndWhatCannotBeFittedIsRefused) {
    Fixture f;
    OverlayFitChoice choice = DefaultFitChoice();
    choice.varyShift[1] = false;
    choice.varyJ[1][2] = false;  // held, and so its tied partner
    std::string error;
    const auto setup = PrepareOverlayFit(f.s.sim, f.s.plot.exp, choice, &error);
    ASSERT_TRUE(setup) << error;
    EXPECT_TRUE(setup->input.hydrogens[0].fixShift);
    EXPECT_TRUE(setup->input.hydrogens[0].fixJ[1]);
    EXPECT_TRUE(setup->input.hydrogens[0].fixJ[2]);
    const analysis::FitResult r = analysis::FitSimulation(setup->hz, setup->y, setup->input);
    ASSERT_TRUE(r.ok) << r.error;
    const SimulationInput after = BoxesFromFit(f.boxes, f.s.sim, r, choice, nullptr);
    EXPECT_EQ(after.Text6[0], "1500.6");
    EXPECT_EQ(after.JText[0][1], "2.2");
    EXPECT_EQ(after.JText[0][2], "2.2");
    EXPECT_NE(after.JText[0][0], "7.5");

    // No overlay, or an overlay without points in the range.
    Fixture none;
    none.s.sim.ExpPresent = false;
    EXPECT_FALSE(PrepareOverlayFit(none.s.sim, none.s.plot.exp, choice, &error));
    EXPECT_EQ(error, "There is no experimental spectrum on the graph: open one and transfer it first.");
    Fixture far;
    for (double& hz : far.s.plot.exp.ExpXnmrHz) hz += 5000.0;
    EXPECT_FALSE(PrepareOverlayFit(far.s.sim, far.s.plot.exp, choice, &error));
    EXPECT_EQ(error.rfind("The experimental spectrum has too few points between ", 0), 0u) << error;
}

TEST(OverlayFit, AnAnalysisFillsOneHydrogenAndKeepsTheOtherBoxes) {
    SimulationInput before = MakeInput({{"2500", {"7"}}, {"2400", {"6"}}}, "0.25", "1");
    before.DecSep = ',';
    analysis::MultipletAnalysis a;
    a.centreHz = 1712.00049;
    a.jHz = {8.404, 3.296};
    a.jCount = {1, 2};
    a.widthHz = 1.234;
    SimulationInput in = BoxesFromAnalysis(before, a);
    EXPECT_EQ(in.Text2, "1");
    EXPECT_EQ(in.Text6[0], "1712");
    EXPECT_EQ(in.Text1[0], "3");
    EXPECT_EQ(in.JText[0][0], "8,4");
    EXPECT_EQ(in.JText[0][1], "3,3");
    EXPECT_EQ(in.JText[0][2], "3,3");
    EXPECT_EQ(in.JText[0][3], "0");
    EXPECT_EQ(in.Text4, "1,23");
    EXPECT_EQ(in.Text3, "0.25");
    // A singlet is one coupling of 0; an unknown width keeps the box.
    analysis::MultipletAnalysis s;
    s.centreHz = 1000.0;
    in = BoxesFromAnalysis(before, s);
    EXPECT_EQ(in.Text1[0], "1");
    EXPECT_EQ(in.JText[0][0], "0");
    EXPECT_EQ(in.Text4, "1");
}

TEST(OverlayFit, CancelStopsTheSolverWithoutAResult) {
    Fixture f;
    std::string error;
    auto setup = PrepareOverlayFit(f.s.sim, f.s.plot.exp, DefaultFitChoice(), &error);
    ASSERT_TRUE(setup) << error;
    const std::atomic<bool> cancel{true};
    setup->input.cancel = &cancel;
    const analysis::FitResult r = analysis::FitSimulation(setup->hz, setup->y, setup->input);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelled);
}

TEST(OverlayFit, ResidualIsDrawnUnderTheBaselineOnlyAfterAFit) {
    Fixture f;
    std::string error;
    const auto setup = PrepareOverlayFit(f.s.sim, f.s.plot.exp, DefaultFitChoice(), &error);
    ASSERT_TRUE(setup) << error;
    const analysis::FitResult r = analysis::FitSimulation(setup->hz, setup->y, setup->input);
    ASSERT_TRUE(r.ok);
    auto residualCurves = [&] {
        RecordingSurface surface(f.s.plot.ScaleWidth, f.s.plot.ScaleHeight);
        f.s.Draw(surface, true);
        int below = 0;
        for (const DrawCall& c : surface.Calls()) {
            if (c.kind != DrawCall::Kind::Polyline || c.points.size() < 10) continue;
            const bool allBelow = std::all_of(c.points.begin(), c.points.end(), [&](const PointF& p) {
                return p.y > f.s.plot.BaseY && p.y < f.s.plot.ScaleHeight;
            });
            below += allBelow;
        }
        return below;
    };
    EXPECT_EQ(residualCurves(), 0);
    SetFitResidual(f.s.plot.exp, *setup, r);
    EXPECT_GE(residualCurves(), 1);
    ClearFitResidual(f.s.plot.exp);
    EXPECT_EQ(residualCurves(), 0);
}

// Whether the segment a-b has a point inside the rectangle (Liang-Barsky).
bool SegmentEnters(PointF a, PointF b, double l, double t, double r, double bo) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double pv[4] = {-dx, dx, -dy, dy};
    const double qv[4] = {a.x - l, r - a.x, a.y - t, bo - a.y};
    for (int i = 0; i < 4; ++i) {
        if (pv[i] == 0.0) {
            if (qv[i] < 0.0) return false;
            continue;
        }
        const double u = qv[i] / pv[i];
        if (pv[i] < 0.0) {
            t0 = std::max(t0, u);
        } else {
            t1 = std::min(t1, u);
        }
        if (t0 > t1) return false;
    }
    return true;
}

struct ResidualPicture {
    std::vector<std::vector<PointF>> curves;  // the residual's polylines
    std::vector<std::array<double, 4>> captions;  // text rectangles under the baseline
    std::string legend;
};

// Draws the fixture as the window does (graph, then the captions over it)
// and picks out the residual and the caption row's text rectangles, measured
// from the texts actually written.
ResidualPicture DrawResidual(Fixture& f) {
    RecordingSurface surface(f.s.plot.ScaleWidth, f.s.plot.ScaleHeight);
    f.s.Draw(surface, true);
    ResidualPicture out;
    for (const DrawCall& c : surface.Calls()) {
        if (c.kind == DrawCall::Kind::Polyline && c.pen.color == 0x909090) out.curves.push_back(c.points);
        if (c.kind != DrawCall::Kind::TextOut) continue;
        if (c.text.rfind("Residual", 0) == 0) out.legend = c.text;
        if (c.y1 <= f.s.plot.BaseY) continue;
        const TextExtent e = surface.MeasureText(c.font, c.text);
        out.captions.push_back({c.x1, c.y1, c.x1 + e.width, c.y1 + e.height});
    }
    return out;
}

// The residual shares the strip under the baseline with the caption row:
// at a roomy and at a low graph, with a close fit and with a misfit far
// larger than the strip, no piece of it enters a caption's text.
TEST(OverlayFit, ResidualNeverCrossesTheCaptionsUnderTheGraph) {
    for (const double height : {700.0, 356.0}) {
        for (const double exaggerate : {1.0, 400.0}) {
            SCOPED_TRACE("graph height " + std::to_string(height) + ", residual x" + std::to_string(exaggerate));
            Fixture f(height);
            f.s.plot.Label12.caption = "Lorentzian Line Shape";
            std::string error;
            const auto setup = PrepareOverlayFit(f.s.sim, f.s.plot.exp, DefaultFitChoice(), &error);
            ASSERT_TRUE(setup) << error;
            const analysis::FitResult r = analysis::FitSimulation(setup->hz, setup->y, setup->input);
            ASSERT_TRUE(r.ok);
            SetFitResidual(f.s.plot.exp, *setup, r);
            for (double& y : f.s.plot.exp.ResidualY) y *= exaggerate;
            const ResidualPicture pic = DrawResidual(f);
            // Resolution, width, line shape and the program title.
            ASSERT_EQ(pic.captions.size(), 4u);
            ASSERT_FALSE(pic.curves.empty());
            std::size_t points = 0;
            for (const auto& curve : pic.curves) {
                points += curve.size();
                for (const PointF& pt : curve) {
                    EXPECT_GT(pt.y, f.s.plot.BaseY);
                    EXPECT_LE(pt.y, f.s.plot.ScaleHeight);
                }
                for (std::size_t i = 0; i + 1 < curve.size(); ++i) {
                    for (const auto& box : pic.captions) {
                        ASSERT_FALSE(SegmentEnters(curve[i], curve[i + 1], box[0], box[1], box[2], box[3]))
                            << "segment (" << curve[i].x << ", " << curve[i].y << ") - (" << curve[i + 1].x << ", "
                            << curve[i + 1].y << ") enters the caption at " << box[0] << ", " << box[1];
                    }
                }
            }
            // Even interrupted, the curve keeps part of the multiplet's width.
            EXPECT_GT(points, 20u);
            if (height == 700.0) {
                // Room under the captions: one unbroken curve.
                EXPECT_EQ(pic.curves.size(), 1u);
            }
            // A misfit taller than the room is scaled down and says so, not cut off.
            if (exaggerate > 1.0) {
                EXPECT_NE(pic.legend.find("\xC3\x97"), std::string::npos) << pic.legend;
            }
        }
    }
}

}  // namespace
}  // namespace quble::test
