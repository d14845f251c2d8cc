#include <gtest/gtest.h>

#include <cmath>

#include "render_test_util.h"

using namespace quble;
using namespace quble::test;

namespace {

const GraphLabel& JLabel(const PlotState& p, int array, int k) { return p.LabelH[array][k]; }

}  // namespace

TEST(JLabels, ShownOnlyWithDiagramAndLabelTicks) {
    Drawn d(Hs{{"2500", {"7", "3"}}});
    ASSERT_TRUE(d.sim);
    d.plot.view.mnuJLabels = false;
    EXPECT_TRUE(OfKind(d.Draw(), DrawCall::Kind::Box).empty());
    EXPECT_FALSE(JLabel(d.plot, 0, 1).visible);

    d.plot.view.mnuJLabels = true;
    d.plot.view.mnuSplitDia = false;
    EXPECT_TRUE(OfKind(d.Draw(), DrawCall::Kind::Box).empty());

    d.plot.view.mnuSplitDia = true;
    auto boxes = OfKind(d.Draw(), DrawCall::Kind::Box);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].color, 0x00FFFFFFu);
    EXPECT_TRUE(JLabel(d.plot, 0, 1).visible && JLabel(d.plot, 0, 2).visible);

    // Hidden again at the start of the next picture.
    d.plot.view.mnuJLabels = false;
    d.Draw();
    EXPECT_FALSE(JLabel(d.plot, 0, 1).visible);
}

TEST(JLabels, ArraysFollowTheShiftOrder) {
    EXPECT_EQ(JLabelArrayFor(1, 1), 0);
    EXPECT_EQ(JLabelArrayFor(2, 2), 1);
    EXPECT_EQ(JLabelArrayFor(3, 2), 2);
    EXPECT_EQ(JLabelArrayFor(3, 3), 1);
    EXPECT_EQ(JLabelArrayFor(4, 3), 3);
    EXPECT_EQ(JLabelArrayFor(4, 4), 1);
    EXPECT_EQ(JLabelArrayFor(2, 3), -1);

    // Hydrogens typed out of shift order; captions show the typed text.
    Drawn d(Hs{{"2400", {"2"}}, {"2600", {"4"}}, {"2500", {"7,50"}}}, "0,1", "1", ',');
    ASSERT_TRUE(d.sim);
    d.Draw();
    EXPECT_EQ(JLabel(d.plot, 0, 1).caption, "J1 = 4 Hz");     // highest shift, leftmost
    EXPECT_EQ(JLabel(d.plot, 2, 1).caption, "J1 = 7,50 Hz");  // inner
    EXPECT_EQ(JLabel(d.plot, 1, 1).caption, "J1 = 2 Hz");     // rightmost
    const auto& x = d.plot.XPix[3][1];
    const GraphLabel& inner = JLabel(d.plot, 2, 1);
    EXPECT_NEAR(inner.left + inner.width / 2.0, (x[1] + x[2]) / 2.0, 1e-4);
    EXPECT_EQ(inner.top, d.plot.YLev[3][1]);
}

TEST(JLabels, LeftLabelFallsBackToTheRootWhenPastTheEdge) {
    Drawn d(Hs{{"2500", {"1", "100"}}});
    ASSERT_TRUE(d.sim);
    const auto calls = d.Draw();
    const double gap = d.plot.ScaleWidth / 50.0;
    const GraphLabel& first = JLabel(d.plot, 0, 1);
    const GraphLabel& second = JLabel(d.plot, 0, 2);
    EXPECT_NEAR(first.left, d.plot.XPix[1][1][1] - gap - first.width, 1e-4);
    EXPECT_GE(first.left, 0.0);
    EXPECT_LT(d.plot.XPix[1][2][1] - gap - second.width, 0.0);
    EXPECT_NEAR(second.left, d.plot.XPix[1][0][1] - second.width / 2.0, 1e-4);

    // Box behind and caption at the label's corner.
    auto texts = OfKind(calls, DrawCall::Kind::TextOut);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "J2 = 100 Hz");
    EXPECT_EQ(texts[1].x1, second.left);
    EXPECT_EQ(texts[1].y1, second.top);
    EXPECT_EQ(texts[1].font, LabelFont());
    auto boxes = OfKind(calls, DrawCall::Kind::Box);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].x2 - boxes[1].x1, second.width);
    EXPECT_TRUE(boxes[1].filled);
}

TEST(JLabels, RightLabelFallsBackWhenPastTheRightEdge) {
    Drawn beyond(Hs{{"2560", {"4"}}, {"2500", {"20"}}});
    ASSERT_TRUE(beyond.sim);
    beyond.Draw();
    const GraphLabel& r = JLabel(beyond.plot, 1, 1);
    EXPECT_NEAR(r.left, beyond.plot.XPix[2][0][1] - r.width / 2.0, 1e-4);

    Drawn inside(Hs{{"2560", {"4"}}, {"2500", {"2"}}});
    ASSERT_TRUE(inside.sim);
    inside.Draw();
    const GraphLabel& ok = JLabel(inside.plot, 1, 1);
    EXPECT_NEAR(ok.left, inside.plot.XPix[2][1][2] + inside.plot.ScaleWidth / 50.0, 1e-4);
    EXPECT_LE(ok.left + ok.width, inside.plot.ScaleWidth);
}

TEST(CaptionWriters, JLabelsAndOtherCaptions) {
    Drawn d(Hs{{"2500", {"7.5", "3"}}});
    ASSERT_TRUE(d.sim);
    d.plot.Label12.caption = "Gaussian Line Shape";
    d.Draw();
    EXPECT_EQ(d.plot.Label10.caption, "Resolution = 0.1 Hz  ");
    EXPECT_EQ(d.plot.Label11.caption, "Width at half height = 1 Hz  ");

    d.surface.Reset();
    PrtLablsHzMF(d.plot, *d.sim, d.surface);
    auto texts = OfKind(d.surface.Calls(), DrawCall::Kind::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "J2 = 3 Hz");
    EXPECT_EQ(texts[1].x1, std::nearbyint(JLabel(d.plot, 0, 2).left));
    EXPECT_EQ(texts[1].color, 0u);

    d.surface.Reset();
    PrtLablsOtherMF(d.plot, d.surface);
    texts = OfKind(d.surface.Calls(), DrawCall::Kind::TextOut);
    ASSERT_EQ(texts.size(), 6u);  // three captions, program title, one hydrogen, spectrum title
    EXPECT_EQ(texts[0].text, "Resolution = 0.1 Hz  ");
    EXPECT_EQ(texts[1].y1, std::nearbyint(d.plot.Label11.top + 8));
    EXPECT_EQ(texts[2].text, "Gaussian Line Shape");
    EXPECT_EQ(texts[3].text, "Quble - KVT");
    EXPECT_EQ(texts[3].y1, std::nearbyint(d.plot.Label17.top + 26));
    EXPECT_EQ(texts[4].text, "H1");
    EXPECT_EQ(texts[4].font.weight, 700);
    EXPECT_EQ(texts[5].font, SpectrumTitleFont());
    // The hydrogen title is centred over its root.
    EXPECT_NEAR(d.plot.Label9[0].left + d.plot.Label9[0].width / 2.0, d.plot.XPix[1][0][1], 1e-4);
}

TEST(BranchColours, DoubleClickFindsStemsOnly) {
    Drawn d(Hs{{"2500", {"7", "0.1"}}, {"2500", {"7", "0.1"}}});
    ASSERT_TRUE(d.sim);
    const PlotState& p = d.plot;
    const SimulationState& s = *d.sim;
    const double mid = p.LevelStep / 2.0;

    EXPECT_FALSE(FindBranchAt(p, s, p.XPix[1][0][1], p.YLev[1][0] + mid));  // root stem
    const double linkX = (p.XPix[1][1][2] + p.XPix[1][0][1]) / 2.0;
    const double linkY = (p.YLev[1][1] + p.YLev[1][0] + p.LevelStep) / 2.0;
    EXPECT_FALSE(FindBranchAt(p, s, linkX, linkY));                                            // slanted link
    EXPECT_FALSE(FindBranchAt(p, s, p.XPix[1][1][2], p.YLev[1][1] + p.LevelStep + 0.5));       // below the stem
    EXPECT_FALSE(FindBranchAt(p, s, p.XPix[1][1][2] + p.ScaleWidth / 330.0 + 0.01, p.YLev[1][1] + mid));

    // Both trees coincide and level 2's pairs lie within the tolerance:
    // hydrogen 1 and the lower branch number win.
    auto hit = FindBranchAt(p, s, (p.XPix[1][2][3] + p.XPix[1][2][4]) / 2.0, p.YLev[1][2] + mid);
    ASSERT_TRUE(hit);
    EXPECT_EQ(*hit, (BranchHit{1, 2, 3}));
    hit = FindBranchAt(p, s, p.XPix[1][1][2], p.YLev[1][1]);
    ASSERT_TRUE(hit);
    EXPECT_EQ(*hit, (BranchHit{1, 1, 2}));
}

TEST(BranchColours, RecolourSubtreeKeepsOwnLink) {
    auto s = Compute({{"2500", {"7", "3", "1"}}});
    ASSERT_TRUE(s);
    const ColorRef c = 0x000000FF;

    RecolourBranch(*s, 1, 3, 5, c);  // last level: only its stem
    EXPECT_EQ(s->StemColor[1][3][5], c);
    EXPECT_EQ(s->LinkColor[1][3][5], 0u);
    EXPECT_EQ(s->StemColor[1][3][6], 0u);

    RecolourBranch(*s, 1, 1, 2, c);
    EXPECT_EQ(s->StemColor[1][1][2], c);
    EXPECT_EQ(s->LinkColor[1][1][2], 0u);
    for (int q = 3; q <= 4; ++q) EXPECT_EQ(s->LinkColor[1][2][q], c);
    for (int q = 5; q <= 8; ++q) EXPECT_EQ(s->StemColor[1][3][q], c);
    for (int q = 1; q <= 2; ++q) EXPECT_EQ(s->StemColor[1][2][q], 0u);  // the sibling's subtree
    EXPECT_EQ(s->StemColor[1][1][1], 0u);

    LinBlack(*s);
    EXPECT_EQ(s->StemColor[1][1][2], 0u);
    EXPECT_EQ(s->LinkColor[1][3][8], 0u);
}

TEST(PeakLabels, OneDecimalHalfUpWithTheLocaleSeparator) {
    EXPECT_EQ(PeakLabelFor(2501.25f, '.'), " 2501.3");
    EXPECT_EQ(PeakLabelFor(2500.0f, '.'), " 2500.0");
    EXPECT_EQ(PeakLabelFor(2501.25f, ','), " 2501,3");
    EXPECT_EQ(PeakLabelFor(2500.0f, ','), " 2500,0");
    EXPECT_EQ(PeakLabelFor(2499.94f, '.'), " 2499.9");
    EXPECT_EQ(PeakLabelFor(-3.25f, '.'), "-3.2");
    EXPECT_EQ(PeakLabelFor(0.02f, '.'), " 0.0");
}

TEST(PeakLabels, TickAndUpwardTextAboveEachMaximum) {
    Drawn d(Hs{{"2500", {"0"}}}, "0,1", "1", ',');
    ASSERT_TRUE(d.sim);
    ASSERT_EQ(d.sim->NMultRelMax, 1);
    d.plot.options.PeakLabelColor = 0x00000077;
    const auto calls = d.Draw();
    const int k = d.sim->SimMaxIndex[1];
    const double x = d.plot.EnvXPixAt(k);
    const double top = d.plot.BaseY - d.plot.EnvHPixAt(k);

    bool tick = false;
    for (const auto& c : OfKind(calls, DrawCall::Kind::LineTo)) {
        if (c.pen.color == 0x77u) {
            tick = true;
            EXPECT_EQ(c.x0, x);
            EXPECT_NEAR(c.y0, top - kTestSH / 33.0, 1e-3);
            EXPECT_NEAR(c.y1, top - kTestSH / 198.0, 1e-3);
        }
    }
    EXPECT_TRUE(tick);
    bool label = false;
    for (const auto& c : OfKind(calls, DrawCall::Kind::TextOut)) {
        if (c.font.escapement != 900) continue;
        label = true;
        EXPECT_EQ(c.text, " 2500,0");
        EXPECT_EQ(c.color, 0x77u);
        EXPECT_EQ(c.x1, std::nearbyint(x - 11.0 * 20.0 / 15.0 / 2.0));
    }
    EXPECT_TRUE(label);

    d.plot.view.mnuPeakLabelsEnabled = false;
    for (const auto& c : OfKind(d.Draw(), DrawCall::Kind::TextOut)) EXPECT_NE(c.font.escapement, 900);
}

TEST(PeakLabels, SharedPlaceWithAnExperimentalPeak) {
    Drawn d(Hs{{"2500", {"0"}}});
    ASSERT_TRUE(d.sim);
    auto& e = d.plot.exp;
    e.ExpXnmrHz = {2500.2};
    e.ExpYgraf = {1000};
    e.ExpScale = 0.001f;
    e.PlotWindowFirst = e.PlotWindowLast = 0;
    e.ExpPeakCount = 1;
    e.ExpPeakIndex = {0, 0};
    e.ExpGapFlag = {0, 0};
    d.sim->ExpPresent = true;

    std::vector<DrawCall> upward;
    for (const auto& c : OfKind(d.Draw(), DrawCall::Kind::TextOut))
        if (c.font.escapement == 900) upward.push_back(c);
    ASSERT_EQ(upward.size(), 2u);
    EXPECT_EQ(upward[1].text, " 2500.2 ");
    EXPECT_TRUE(upward[1].font.underline);
    EXPECT_NEAR(std::fabs(upward[0].x1 - upward[1].x1), 12.0, 1.0);
    EXPECT_EQ(upward[0].y1, upward[1].y1);
    EXPECT_EQ(d.plot.LabelSide[1], -1);  // the simulated peak lies below the experimental one

    // Without the envelope the simulated label goes, the experimental tick stays.
    d.plot.view.mnuGaussianEnv = false;
    const auto calls = d.Draw();
    int ticks = 0;
    for (const auto& c : OfKind(calls, DrawCall::Kind::LineTo)) ticks += c.pen.color == d.plot.options.ExpColor;
    EXPECT_EQ(ticks, 1);
    upward.clear();
    for (const auto& c : OfKind(calls, DrawCall::Kind::TextOut))
        if (c.font.escapement == 900) upward.push_back(c);
    ASSERT_EQ(upward.size(), 1u);
    EXPECT_EQ(upward[0].text, " 2500.2 ");
}

TEST(Legend, TextsOnlyForShownCurves) {
    Drawn d(Hs{{"2500", {"7"}}});
    ASSERT_TRUE(d.sim);
    AllViewTicks(d.plot, false);
    d.plot.view.mnuGaussianEnv = true;
    auto texts = OfKind(d.Draw(), DrawCall::Kind::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Simulated Spectrum");
    EXPECT_EQ(texts[0].x1, 50);
    EXPECT_EQ(texts[0].y1, 25);
    EXPECT_EQ(texts[0].font.height, 10);
    EXPECT_EQ(texts[1].text, "(1234)");
    EXPECT_EQ(texts[1].x1, 155);
    EXPECT_EQ(texts[1].y1, 24);

    d.plot.view.mnuGaussianEnv = false;
    d.plot.view.mnuViewExpSp = true;
    d.sim->ExpPresent = true;
    d.plot.options.ExpPointRadius = 1.0f;
    const auto calls = d.Draw();
    texts = OfKind(calls, DrawCall::Kind::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Experimental Spectrum");
    EXPECT_EQ(texts[0].y1, 40);
    EXPECT_EQ(texts[1].text, "(1234)");
    EXPECT_EQ(texts[1].x1, 170);
    EXPECT_TRUE(texts[1].font.underline);
    auto circles = OfKind(calls, DrawCall::Kind::Ellipse);
    ASSERT_EQ(circles.size(), 5u);
    EXPECT_EQ(circles[0].x1, 7);  // 8 - 1.4 rounded
    EXPECT_EQ(circles[4].x2, 41);
    EXPECT_EQ(circles[0].y1, 45);
}
