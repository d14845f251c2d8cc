// The experimental graph's geometry: full-view scaling, the view commands
// at the data ends, the step buttons, and the ppm axis levels.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "experimental/experimental_plot.h"
#include "platform/recording_surface.h"

namespace quble {
namespace {

// A spectrum of n points whose axis runs from firstPpm down by spanPpm.
BrukerSpectrum Synthetic(std::int32_t n, double firstPpm = 10.0, double spanPpm = 10.0, double sfo1 = 400.0) {
    BrukerSpectrum s;
    s.ReadAcqus = true;
    s.SFO1 = sfo1;
    s.SFMeu = sfo1;
    s.NPont = n;
    const double step = spanPpm * sfo1 / (n - 1);
    s.XnmrHz = HzAxis(firstPpm * sfo1, step, n);
    std::vector<std::int32_t> y(static_cast<std::size_t>(n) + 1, 0);
    for (std::int32_t i = 1; i <= n; ++i) y[i] = static_cast<std::int32_t>(1000.0 * std::sin(i * 0.37)) + 2000;
    s.Ygraf = IntensityArray(std::move(y));
    s.YMax = 3000;
    s.YMin = 1000;
    return s;
}

ExpView Full(const BrukerSpectrum& s, double w = 700.0, double h = 400.0) {
    ExpView v;
    FullViewScaling(v, s, w, h);
    return v;
}

TEST(ExperimentalPlotScaling, LargestAtFivePercentSmallestAtEightyEightAndFlatDataStaysFinite) {
    BrukerSpectrum s = Synthetic(1001);
    const ExpView v = Full(s);
    EXPECT_DOUBLE_EQ(v.PixPerPointFull, 0.7);
    EXPECT_DOUBLE_EQ(PointY(v, s.YMax), 20.0);   // 5 % of 400
    EXPECT_DOUBLE_EQ(PointY(v, s.YMin), 352.0);  // 88 %
    EXPECT_EQ(v.FirstShown, 1);
    EXPECT_EQ(v.LastShown, 1001);

    // All zero: YMax = YMin = 0. A flat line, no division by zero.
    for (auto& y : s.Ygraf.Edit()) y = 0;
    s.YMax = s.YMin = 0;
    ExpView f = Full(s);
    EXPECT_EQ(f.YMultFull, 0.0);
    RecordingSurface dc(700, 400);
    GrafMesmoWnd(dc, f, s, ExpDrawStyle::Line, 0.0);
    bool sawLine = false;
    for (const DrawCall& c : dc.Calls()) {
        if (c.kind != DrawCall::Kind::Polyline) continue;
        sawLine = true;
        ASSERT_EQ(c.points.size(), 1001u);
        for (const PointF& p : c.points) {
            ASSERT_TRUE(std::isfinite(p.y));
            ASSERT_EQ(p.y, 352.0);
        }
    }
    EXPECT_TRUE(sawLine);
}

TEST(ExperimentalPlotView, ExpandLimits) {
    const BrukerSpectrum s = Synthetic(1001);
    ExpView v = Full(s);
    // No band or a band dragged leftwards: nothing.
    EXPECT_FALSE(Expand(v, s.NPont, 100.0, 100.0));
    EXPECT_FALSE(Expand(v, s.NPont, 200.0, 100.0));
    EXPECT_EQ(v.LastShown, 1001);

    // A band of fewer than seven points keeps the old view.
    ExpView narrow = v;
    EXPECT_TRUE(Expand(narrow, s.NPont, 70.0, 70.0 + 6 * 0.7 - 0.1));
    EXPECT_EQ(narrow.FirstShown, 1);
    EXPECT_EQ(narrow.LastShown, 1001);

    // A band released beyond the right edge stops one short of the end.
    ExpView right = v;
    EXPECT_TRUE(Expand(right, s.NPont, 350.0, 760.0));
    EXPECT_EQ(right.FirstShown, 501);
    EXPECT_EQ(right.LastShown, 1000);
    EXPECT_DOUBLE_EQ(right.PixPerPoint, 700.0 / 499.0);
    // The scroll bar reaches the last point from there.
    ScrollTo(right, s.NPont, ScrollMax(right, s.NPont));
    EXPECT_EQ(right.LastShown, 1001);
    ScrollTo(right, s.NPont, 1 << 30);  // clamped
    EXPECT_EQ(right.LastShown, 1001);
    ScrollTo(right, s.NPont, -5);
    EXPECT_EQ(right.FirstShown, 1);

    // An ordinary band.
    EXPECT_TRUE(Expand(v, s.NPont, 70.0, 140.0));
    EXPECT_EQ(v.FirstShown, 101);
    EXPECT_EQ(v.LastShown, 201);
}

TEST(ExperimentalPlotView, NarrowWidenCentreAndStepsStayInsideTheData) {
    const BrukerSpectrum s = Synthetic(1001);
    ExpView v = Full(s);
    Narrow(v);
    EXPECT_EQ(v.FirstShown, 101);
    EXPECT_EQ(v.LastShown, 901);
    for (int i = 0; i < 40; ++i) Narrow(v);
    EXPECT_GE(v.ShownWidth(), kMinShownWidth);
    EXPECT_LT(v.ShownWidth(), 10);

    // Widening until the end is reached gives the whole spectrum.
    for (int i = 0; i < 60 && !IsFullView(v, s.NPont); ++i) {
        Widen(v, s.NPont);
        ASSERT_GE(v.FirstShown, 1);
        ASSERT_LE(v.LastShown, s.NPont);
    }
    EXPECT_TRUE(IsFullView(v, s.NPont));
    EXPECT_DOUBLE_EQ(v.PixPerPoint, v.PixPerPointFull);

    ShowRange(v, 1, 101);
    EXPECT_FALSE(Step(v, s.NPont, -1));
    EXPECT_TRUE(Step(v, s.NPont, 10));
    EXPECT_EQ(v.FirstShown, 11);
    ShowRange(v, 895, 995);
    EXPECT_FALSE(Step(v, s.NPont, 10));  // would pass the last point
    EXPECT_EQ(v.LastShown, 995);
    EXPECT_TRUE(Step(v, s.NPont, 6));
    EXPECT_EQ(v.LastShown, 1001);

    ShowRange(v, 400, 500);
    EXPECT_TRUE(CenterOn(v, s.NPont, 300));
    EXPECT_EQ(v.FirstShown, 250);
    EXPECT_EQ(v.LastShown, 350);
    EXPECT_FALSE(CenterOn(v, s.NPont, 30));
    EXPECT_FALSE(CenterOn(v, s.NPont, 990));
    EXPECT_EQ(v.FirstShown, 250);
}

TEST(ExperimentalPlotView, StepButtons) {
    EXPECT_EQ(TenPointStepSize(0), 10);
    EXPECT_EQ(TenPointStepSize(1), 50);
    EXPECT_EQ(TenPointStepSize(2), 0);
    EXPECT_EQ(TenPointStepSize(4), 0);
    EXPECT_EQ(TenPointStepSize(3), 0);

    OnePointStepper right;
    std::int64_t moved = 0;
    for (int i = 0; i < 10; ++i) moved += right.Press(-1);
    EXPECT_EQ(moved, 5);

    // A press of the other button disarms without moving.
    OnePointStepper mixed;
    EXPECT_EQ(mixed.Press(-1), 0);
    EXPECT_EQ(mixed.Press(1), 0);
    EXPECT_FALSE(mixed.StepArmed);
    EXPECT_EQ(mixed.Press(1), 0);
    EXPECT_EQ(mixed.Press(1), -1);
}

TEST(ExperimentalPlotView, QuarterMillionPointsScrollEndToEnd) {
    for (std::int32_t n : {65536, 131072, 262144}) {
        const BrukerSpectrum s = Synthetic(n);
        ExpView v = Full(s);
        ASSERT_TRUE(Expand(v, n, 0.0, 10.0));
        const std::int64_t w = v.ShownWidth();
        const std::int64_t max = ScrollMax(v, n);
        EXPECT_GT(max, 32767) << n;
        EXPECT_EQ(max, n - 1 - w);
        ScrollTo(v, n, max);
        EXPECT_EQ(v.LastShown, n);
        EXPECT_EQ(v.FirstShown, n - w);
    }
}

// ------------------------------------------------------------------ axis

struct LevelSummary {
    std::set<int> levels;
    std::set<int> labelledLevels;
};
LevelSummary Summarise(const AxisLayout& a) {
    LevelSummary out;
    for (const AxisTick& t : a.ticks) {
        out.levels.insert(t.level);
        if (t.labelled) out.labelledLevels.insert(t.level);
    }
    return out;
}

AxisLayout AxisFor(double firstPpm, double spanPpm) {
    const BrukerSpectrum s = Synthetic(2001, firstPpm, spanPpm);
    const ExpView v = Full(s);
    return ComputeAxis(v, s, 700.0, 0.0);
}

TEST(ExperimentalPlotAxis, TickLevelsFollowTheSpan) {
    const LevelSummary a = Summarise(AxisFor(8.2, 2.5));
    EXPECT_EQ(a.levels, (std::set<int>{0, 1}));
    EXPECT_EQ(a.labelledLevels, (std::set<int>{0, 1}));

    const LevelSummary b = Summarise(AxisFor(7.45, 0.2));
    EXPECT_EQ(b.levels, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(b.labelledLevels, (std::set<int>{0, 1, 2}));

    const LevelSummary c = Summarise(AxisFor(7.45, 0.1));
    EXPECT_EQ(c.levels, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(c.labelledLevels, (std::set<int>{0, 1, 2}));

    // Wide spans: integers only above 14 ppm, no tenth labels from 3 ppm.
    EXPECT_EQ(Summarise(AxisFor(16.0, 15.0)).levels, (std::set<int>{0}));
    const LevelSummary d = Summarise(AxisFor(10.0, 5.0));
    EXPECT_EQ(d.levels, (std::set<int>{0, 1}));
    EXPECT_EQ(d.labelledLevels, (std::set<int>{0}));
}

TEST(ExperimentalPlotAxis, LabelsPositionsAndSkippedCoarserValues) {
    const AxisLayout a = AxisFor(7.45, 0.2);
    EXPECT_NEAR(a.XMult, 3500.0, 1e-6);
    EXPECT_EQ(a.FdeltaST, 7);
    std::vector<std::string> tenths, hundredths;
    for (const AxisTick& t : a.ticks) {
        ASSERT_DOUBLE_EQ(t.x, std::nearbyint((a.d1 - t.value) * a.XMult)) << t.value;
        if (!t.labelled) continue;
        if (t.level == 1) tenths.push_back(t.label);
        if (t.level == 2) hundredths.push_back(t.label);
        if (t.level == 0) {
            EXPECT_EQ(t.label, "7");
            EXPECT_DOUBLE_EQ(t.labelX, t.x - 2.5);
            EXPECT_DOUBLE_EQ(t.labelY, a.yA + 9);
        } else {
            EXPECT_DOUBLE_EQ(t.labelX, t.x - 6);
        }
    }
    EXPECT_EQ(tenths, (std::vector<std::string>{"7.3", "7.2"}));
    // 7.44 .. 7.25, without 7.4 and 7.3 which the tenths carry.
    ASSERT_EQ(hundredths.size(), 18u);
    EXPECT_EQ(hundredths.front(), "7.44");
    EXPECT_EQ(hundredths.back(), "7.25");
    for (const std::string& h : hundredths) {
        EXPECT_NE(h, "7.4");
        EXPECT_NE(h, "7.3");
    }

    // Negative shifts label as well as positive ones.
    const AxisLayout n = AxisFor(0.15, 0.3);
    bool sawMinus = false;
    for (const AxisTick& t : n.ticks) sawMinus = sawMinus || (t.labelled && t.label == "-0.1");
    EXPECT_TRUE(sawMinus);
}

TEST(ExperimentalPlotAxis, DrawnBlueAxisBelowZeroAndNoneWithoutAcqus) {
    BrukerSpectrum s = Synthetic(2001, 8.2, 2.5);
    ExpView v = Full(s);
    RecordingSurface dc(700, 400);
    GrafMesmoWnd(dc, v, s, ExpDrawStyle::Line, 5.0);
    bool axis = false;
    int texts = 0;
    for (const DrawCall& c : dc.Calls()) {
        if (c.kind == DrawCall::Kind::LineTo && c.pen.color == kAxisBlue) {
            axis = true;
            EXPECT_DOUBLE_EQ(c.y1, 5.0 + v.YOffset + 8);
            EXPECT_DOUBLE_EQ(c.x1, 700.0);
        }
        if (c.kind == DrawCall::Kind::TextOut) {
            ++texts;
            EXPECT_EQ(c.font.face, "Times New Roman");
            // No label is cut by the picture's edges.
            EXPECT_GE(c.x1, 0.0) << c.text;
            EXPECT_LE(c.x1 + dc.MeasureText(c.font, c.text).width, 700.0) << c.text;
        }
    }
    EXPECT_TRUE(axis);
    // 8, 7, 6 and the 25 tenths below 8.2 less 8, 7 and 6, less 5.7 whose
    // label would run past the right edge.
    EXPECT_EQ(texts, 3 + 21);
    EXPECT_DOUBLE_EQ(v.XMult, 280.0);

    s.ReadAcqus = false;
    RecordingSurface none(700, 400);
    GrafMesmoWnd(none, v, s, ExpDrawStyle::Line, 0.0);
    for (const DrawCall& c : none.Calls()) {
        EXPECT_NE(c.kind, DrawCall::Kind::TextOut);
        if (c.kind == DrawCall::Kind::LineTo) {
            EXPECT_NE(c.pen.color, kAxisBlue);
        }
    }
}

TEST(ExperimentalPlotDrawing, StylesDrawPointsAndCircles) {
    const BrukerSpectrum s = Synthetic(50);
    ExpView v = Full(s, 980.0);  // 20 pixels per point: no two points share a pixel
    auto count = [&](ExpDrawStyle style, DrawCall::Kind kind, double radius = -1) {
        RecordingSurface dc(980, 400);
        GrafMesmoWnd(dc, v, s, style, 0.0);
        int n = 0;
        for (const DrawCall& c : dc.Calls()) {
            if (c.kind != kind) continue;
            if (radius > 0 && c.x2 - c.x1 != 2 * radius) continue;
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count(ExpDrawStyle::Line, DrawCall::Kind::Polyline), 1);
    EXPECT_EQ(count(ExpDrawStyle::Points, DrawCall::Kind::SetPixel), 49);  // every point after the first
    EXPECT_EQ(count(ExpDrawStyle::MediumPoints, DrawCall::Kind::Ellipse, 2), 50);
    EXPECT_EQ(count(ExpDrawStyle::BigPoints, DrawCall::Kind::Ellipse, 3), 50);
    EXPECT_EQ(count(ExpDrawStyle::BigPoints, DrawCall::Kind::Polyline), 0);
    EXPECT_EQ(count(ExpDrawStyle::BigPointsLine, DrawCall::Kind::Ellipse, 3), 50);
    EXPECT_EQ(count(ExpDrawStyle::BigPointsLine, DrawCall::Kind::Polyline), 1);
}

}  // namespace
}  // namespace quble
