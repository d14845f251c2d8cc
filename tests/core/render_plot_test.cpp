#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "render_test_util.h"
#include "render/wind_draw.h"
#include "settings/graph_background.h"

using namespace quble;
using namespace quble::test;

namespace {

double TargetHeight(const PlotState& p) {
    const double sh = p.ScaleHeight;
    return (sh - p.TopY) / 2.0 - (sh + p.TopY - p.BaseY + sh / 10.0);
}

float TallestLine(const PlotState& p, const SimulationState& s) {
    float m = 0;
    for (int i = 1; i <= s.TotalLines; ++i) m = std::max(m, p.LineH[i]);
    return m;
}

float TallestEnvelope(const PlotState& p) { return *std::max_element(p.EnvHPix.begin(), p.EnvHPix.end()); }

bool IsBaseline(const DrawCall& c, const PlotState& p) {
    return c.kind == DrawCall::Kind::LineTo && c.x0 == 0.0 && c.x1 == p.ScaleWidth && c.y0 == p.BaseY &&
           c.y1 == p.BaseY;
}

}  // namespace

TEST(PlotGeometry, LoadTimeValuesAndSliders) {
    PlotState p;
    InitPlotGeometry(p, 540.0);
    EXPECT_EQ(p.XCenter, 332);
    EXPECT_FLOAT_EQ(p.BaseY, 510.0f);
    EXPECT_FLOAT_EQ(p.TopY, 30.0f);
    EXPECT_FLOAT_EQ(p.LevelStep, 25.5f);
    EXPECT_FLOAT_EQ(p.VScale, p.LevelStep);
    EXPECT_FLOAT_EQ(p.HScale, 100.0f / 15.0f);
    EXPECT_EQ(p.Slider1.value, 100);
    EXPECT_EQ(p.Slider1.max, 2000);
    EXPECT_EQ(p.Slider1.min, 30);
    EXPECT_EQ(p.Slider2.min, 100);
    EXPECT_EQ(p.Slider2.value, 280);  // 25.5 units x 11 slider units, half to even
    EXPECT_EQ(p.Slider2.max, 842);
    EXPECT_EQ(p.Slider3.max, 842);
    EXPECT_EQ(p.Slider3.value, 562);
    EXPECT_TRUE(p.Slider1.react && p.Slider2.react && p.Slider3.react);
}

TEST(PlotGeometry, TallestOfLinesAndEnvelopeBecomesExactlyF) {
    // Close lines under a wide shape: the envelope outgrows every line.
    Drawn wide(Hs{{"2500", {"0.5"}}}, "0.1", "3");
    ASSERT_TRUE(wide.sim);
    EXPECT_GT(TallestEnvelope(wide.plot), TallestLine(wide.plot, *wide.sim));
    EXPECT_NEAR(TallestEnvelope(wide.plot), TargetHeight(wide.plot), 1e-3);

    // A tall narrow line between envelope samples: the line is the tallest.
    Drawn narrow(Hs{{"2500", {"30"}}, {"2500.013", {"0"}}}, "0.1", "0.1");
    ASSERT_TRUE(narrow.sim);
    EXPECT_GT(TallestLine(narrow.plot, *narrow.sim), TallestEnvelope(narrow.plot));
    EXPECT_NEAR(TallestLine(narrow.plot, *narrow.sim), TargetHeight(narrow.plot), 1e-3);
    EXPECT_EQ(narrow.plot.Slider2.react, false);  // the calculation switches them back on
    EXPECT_EQ(narrow.plot.Slider3.react, false);
}

TEST(PlotGeometry, TenLevelsStayInTheUpperHalf) {
    Drawn d(Hs{{"2500", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}}});
    ASSERT_TRUE(d.sim);
    const double bottom = d.plot.YLev[1][10] + d.plot.LevelStep;
    EXPECT_NEAR(bottom - d.plot.TopY, 0.495 * kTestSH, 1e-3);
}

TEST(PlotSliders, ActOnlyWhenFlaggedAndRescale) {
    PlotState p;
    InitPlotGeometry(p, kTestSH);
    EXPECT_TRUE(Slider1_Change(p, 300));
    EXPECT_FLOAT_EQ(p.HScale, 300.0f / p.SliderHUnits);
    EXPECT_TRUE(Slider2_Change(p, 200));
    EXPECT_FLOAT_EQ(p.LevelStep, 200.0f / p.SliderVUnits);

    const float before = p.VScale;
    EXPECT_TRUE(Slider3_Change(p, p.Slider3.value + 50));
    EXPECT_LT(p.VScale, before);  // a larger value draws smaller

    p.Slider3.react = false;
    const float kept = p.VScale;
    EXPECT_FALSE(Slider3_Change(p, 1));
    EXPECT_EQ(p.VScale, kept);
    EXPECT_EQ(p.Slider3.value, 1);
}

// Zooming out to show hydrogens far apart: only as far as needed, never in,
// and not past the slider's least value.
TEST(PlotSliders, ShowAllLinesZoomsOutOnlyAsFarAsNeeded) {
    Drawn near(Hs{{"1712", {"8.4"}}, {"1690", {"8.4"}}}, "0.1", "1");
    ASSERT_TRUE(near.sim);
    EXPECT_EQ(Slider1ToShowAllLines(near.plot, *near.sim), near.plot.Slider1.value);

    Drawn apart(Hs{{"1712", {"8.4", "3.3"}}, {"1580", {"10.2"}}}, "0.1", "1");
    ASSERT_TRUE(apart.sim);
    const int v = Slider1ToShowAllLines(apart.plot, *apart.sim);
    ASSERT_LT(v, apart.plot.Slider1.value);
    ASSERT_GE(v, apart.plot.Slider1.min);
    // At v the outer lines and three widths lie on the picture; one step
    // larger they would not.
    ASSERT_TRUE(Slider1_Change(apart.plot, v));
    CalcPictureCoordinates(apart.plot, *apart.sim);
    const auto [lo, hi] = std::minmax_element(apart.plot.LineX.begin() + 1, apart.plot.LineX.end());
    const double margin = 3.0 * apart.plot.HScale;
    EXPECT_GE(*lo - margin, 0.0);
    EXPECT_LE(*hi + margin, apart.plot.ScaleWidth);
    double reach = 0.0;
    for (int i = 1; i <= apart.sim->TotalLines; ++i) reach = std::max(reach, std::fabs(double{apart.sim->AllPos[i]}));
    EXPECT_NEAR(reach, 1712.0 + 4.2 + 1.65 - (1712.0 + 1580.0) / 2.0, 0.01);  // from the shifts' midpoint
    EXPECT_GT((reach + 3.0) * (v + 1) / apart.plot.SliderHUnits,
              std::min<double>(apart.plot.XCenter, apart.plot.ScaleWidth - apart.plot.XCenter));

    // Lines further apart than the widest scale shows: the least value.
    Drawn far(Hs{{"2500", {"1"}}, {"500", {"1"}}}, "0.1", "1");
    ASSERT_TRUE(far.sim);
    EXPECT_EQ(Slider1ToShowAllLines(far.plot, *far.sim), far.plot.Slider1.min);
}

TEST(PlotFinalDrawing, BaselineAlwaysAndInForeColour) {
    Drawn d(Hs{{"2500", {"7", "3"}}});
    ASSERT_TRUE(d.sim);
    d.plot.options.ForeColor = 0x00123456;
    d.plot.options.EnvColor = 0x000000FF;
    d.plot.options.Grid = false;
    AllViewTicks(d.plot, false);
    auto calls = d.Draw();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().kind, DrawCall::Kind::Clear);
    auto lines = OfKind(calls, DrawCall::Kind::LineTo);
    // The black line under the titles belongs to the background.
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].y0, d.plot.TopY);
    EXPECT_EQ(lines[0].pen.color, 0u);
    EXPECT_TRUE(IsBaseline(lines[1], d.plot));
    EXPECT_EQ(lines[1].pen.color, 0x00123456u);
    EXPECT_TRUE(OfKind(calls, DrawCall::Kind::Polyline).empty());
    EXPECT_TRUE(OfKind(calls, DrawCall::Kind::TextOut).empty());  // not even the legend

    d.plot.view.mnuHistogram = true;
    lines = OfKind(d.Draw(), DrawCall::Kind::LineTo);
    lines.erase(lines.begin());  // the background's line under the titles
    ASSERT_EQ(lines.size(), 1u + static_cast<std::size_t>(d.sim->TotalLines));
    for (const auto& c : lines) EXPECT_EQ(c.pen.color, 0x00123456u);
    EXPECT_FLOAT_EQ(static_cast<float>(lines[1].x1), d.plot.LineX[1]);
    EXPECT_NEAR(lines[1].y0 - lines[1].y1, d.plot.LineH[1], 1e-4);
}

TEST(PlotFinalDrawing, ElementsInTheirFixedOrder) {
    Drawn d(Hs{{"2520", {"7", "3"}}, {"2480", {"5"}}});
    ASSERT_TRUE(d.sim);
    auto& o = d.plot.options;
    o.IndPeakColor = 0x00AA0000;
    o.EnvColor = 0x000000AA;
    o.PeakLabelColor = 0x0000AA00;
    o.ForeColor = 0x00000001;
    o.EnvLineWidth = 2;
    d.sim->StemColor[1][1][2] = 0x00000002;
    o.Grid = false;
    auto calls = d.Draw();

    // Index of the first and last call matching each element.
    auto span = [&](auto pred) {
        int first = -1, last = -1;
        for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
            if (pred(calls[i])) {
                if (first < 0) first = i;
                last = i;
            }
        }
        EXPECT_GE(first, 0);
        return std::pair{first, last};
    };
    using K = DrawCall::Kind;
    auto diagram = span([](const DrawCall& c) { return c.kind == K::LineTo && c.pen.color == 2u; });
    auto jboxes = span([](const DrawCall& c) { return c.kind == K::Box; });
    auto peaks = span([&](const DrawCall& c) { return c.kind == K::Polyline && c.pen.color == o.IndPeakColor; });
    auto base = span([&](const DrawCall& c) { return IsBaseline(c, d.plot); });
    auto bars = span([&](const DrawCall& c) { return c.kind == K::LineTo && c.pen.color == 1u && c.x0 == c.x1; });
    auto env = span([&](const DrawCall& c) { return c.kind == K::Polyline && c.pen.color == o.EnvColor; });
    auto ticks = span([&](const DrawCall& c) { return c.kind == K::LineTo && c.pen.color == o.PeakLabelColor; });
    auto labels = span([](const DrawCall& c) { return c.kind == K::TextOut && c.font.escapement == 900; });
    auto legend = span([](const DrawCall& c) { return c.kind == K::TextOut && c.text == "Simulated Spectrum"; });

    EXPECT_EQ(calls.front().kind, K::Clear);
    EXPECT_LT(diagram.second, jboxes.first);
    EXPECT_LT(jboxes.second, peaks.first);
    EXPECT_LT(peaks.second, base.first);
    EXPECT_LT(base.first, bars.first);
    EXPECT_LT(bars.second, env.first);
    EXPECT_LT(env.second, ticks.first);
    EXPECT_LT(ticks.second, labels.first);
    EXPECT_LT(labels.second, legend.first);

    EXPECT_EQ(peaks.second - peaks.first + 1, d.sim->TotalLines);
    const auto& envelope = calls[env.first];
    EXPECT_EQ(envelope.points.size(), static_cast<std::size_t>(kEnvSamples));
    EXPECT_EQ(envelope.pen.width, 2.0);
    EXPECT_EQ(calls[peaks.first].points.size(), static_cast<std::size_t>(2 * d.sim->NPeakPts + 1));

    // The diagram of each parent: stem and link of c1, then stem and link of c2.
    const auto& x = d.plot.XPix[1];
    const auto& y = d.plot.YLev[1];
    auto lines = OfKind(calls, K::LineTo);
    lines.erase(lines.begin());  // the background's line under the titles
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0].x0, x[0][1]);  // root stem
    EXPECT_NEAR(lines[0].y1 - lines[0].y0, d.plot.LevelStep, 1e-4);
    EXPECT_EQ(lines[1].x0, x[1][1]);
    EXPECT_EQ(lines[1].x1, x[1][1]);
    EXPECT_EQ(lines[2].x1, x[0][1]);  // link up to the parent's stem end
    EXPECT_NEAR(lines[2].y1, y[0] + d.plot.LevelStep, 1e-4);
    EXPECT_EQ(lines[3].x0, x[1][2]);
    EXPECT_EQ(lines[3].pen.color, 2u);
    EXPECT_EQ(lines[4].x0, x[1][2]);
    EXPECT_EQ(lines[4].x1, x[0][1]);
}

TEST(PlotFinalDrawing, BlackAndWhiteMakesEveryInkBlack) {
    Drawn d(Hs{{"2500", {"7"}}});
    ASSERT_TRUE(d.sim);
    d.plot.options.BWDrawing = true;
    d.plot.options.Grid = false;  // the grid's greys are tested with the background
    d.sim->StemColor[1][1][1] = 0x00FF00FF;
    for (const auto& c : d.Draw()) {
        if (c.kind == DrawCall::Kind::SetPen) {
            EXPECT_EQ(c.pen.color, 0u);
        }
        if (c.kind == DrawCall::Kind::TextOut) {
            EXPECT_EQ(c.color, 0u) << c.text;
        }
    }
}

TEST(PlotFinalDrawing, ExperimentalOverlayFromFedData) {
    Drawn d(Hs{{"2500", {"7"}}});
    ASSERT_TRUE(d.sim);
    auto& e = d.plot.exp;
    e.ExpXnmrHz = {2510.0, 2503.5, 2500.0, 2496.5, 2490.0};
    e.ExpYgraf = {0, 500, 10, 500, 0};
    e.ExpScale = 0.001f;
    e.PlotWindowFirst = 1;
    e.PlotWindowLast = 3;
    d.plot.options.ExpColor = 0x00ABCDEF;
    auto circles = OfKind(d.Draw(), DrawCall::Kind::Ellipse);
    EXPECT_TRUE(circles.empty());  // nothing attached yet

    d.sim->ExpPresent = true;
    circles = OfKind(d.Draw(), DrawCall::Kind::Ellipse);
    ASSERT_EQ(circles.size(), 3u + 5u);  // the plotted range, then the legend's five
    const double x = d.plot.XCenter - (2503.5 - d.sim->AvChemShift) * d.plot.HScale;
    EXPECT_NEAR((circles[0].x1 + circles[0].x2) / 2.0, x, 1e-4);
    EXPECT_NEAR((circles[0].y1 + circles[0].y2) / 2.0, d.plot.BaseY - d.plot.VScale * 500 * 0.001, 1e-3);
    EXPECT_NEAR(circles[0].x2 - circles[0].x1, 2 * 1.5, 1e-9);
    EXPECT_EQ(circles[0].pen.color, 0x00ABCDEFu);

    d.plot.options.ExpAsPoints = false;
    d.plot.options.ExpLineWidth = 3;
    bool found = false;
    for (const auto& c : d.Draw()) {
        if (c.kind == DrawCall::Kind::Polyline && c.pen.color == 0x00ABCDEFu) {
            found = true;
            EXPECT_EQ(c.points.size(), 3u);
            EXPECT_EQ(c.pen.width, 3.0);
        }
    }
    EXPECT_TRUE(found);
}

TEST(PlotFinalDrawing, BackgroundGridInItsOrderSpacingAndFamily) {
    Drawn d(Hs{{"2500", {"7"}}});
    ASSERT_TRUE(d.sim);
    auto& o = d.plot.options;
    o.BackColorIndex = 2;
    o.GridColorCode = 21;
    AllViewTicks(d.plot, false);
    const auto calls = d.Draw();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().kind, DrawCall::Kind::Clear);
    EXPECT_EQ(o.BackColor, 0xD0F0FFu);

    const GridColors g = GridColorsForCode(21);
    const double w = d.plot.ScaleWidth, xc = d.plot.XCenter;
    const double top = d.plot.TopY, base = d.plot.BaseY;
    std::vector<DrawCall> lines = OfKind(calls, DrawCall::Kind::LineTo);
    // Expected sequence, counted the way the grid is defined.
    std::vector<std::pair<ColorRef, bool>> want;  // colour, vertical
    auto vert = [&](double step, ColorRef c) {
        for (double x = xc; x > 0; x -= step) want.push_back({c, true});
        for (double x = xc; x < w; x += step) want.push_back({c, true});
    };
    auto horiz = [&](double step, ColorRef c) {
        for (double y = std::floor(base); y > top; y -= step) want.push_back({c, false});
    };
    vert(3, g[0]);
    vert(30, g[1]);
    want.push_back({g[2], true});
    horiz(3, g[0]);
    horiz(30, g[3]);
    want.push_back({0, false});  // under the titles
    ASSERT_GE(lines.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].pen.color, want[i].first);
        EXPECT_EQ(lines[i].x0 == lines[i].x1, want[i].second);
        if (want[i].second) {
            EXPECT_EQ(lines[i].y0, top);
            EXPECT_EQ(lines[i].y1, base);
        } else {
            EXPECT_EQ(lines[i].x0, 0.0);
            EXPECT_EQ(lines[i].x1, w);
        }
    }
    // Fine verticals three units apart; the centre line at XCenter.
    EXPECT_EQ(lines[1].x0 - lines[0].x0, -3.0);
    const auto centre = std::find_if(lines.begin(), lines.end(),
                                     [&](const DrawCall& c) { return c.pen.color == g[2]; });
    ASSERT_NE(centre, lines.end());
    EXPECT_EQ(centre->x0, xc);

    // No grid: only the line under the titles before the baseline.
    o.Grid = false;
    const auto plain = OfKind(d.Draw(), DrawCall::Kind::LineTo);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].pen.color, 0u);
}

TEST(PlotFinalDrawing, MetafileBackgroundIsFilledAndBlackAndWhiteKeepsTheGridGrey) {
    Drawn d(Hs{{"2500", {"7"}}});
    ASSERT_TRUE(d.sim);
    d.plot.options.BackColorIndex = 1;
    d.plot.options.GridColorCode = 21;
    RecordingSurface colour(kPlotScaleWidth, kTestSH);
    WindDraw(d.plot, *d.sim, colour, false);
    const auto boxes = OfKind(colour.Calls(), DrawCall::Kind::Box);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front().color, 0xF0F0FFu);
    EXPECT_TRUE(boxes.front().filled);
    bool centre = false;
    for (const DrawCall& c : OfKind(colour.Calls(), DrawCall::Kind::LineTo)) centre |= c.pen.color == 0x00C0D0u;
    EXPECT_TRUE(centre);

    RecordingSurface bw(kPlotScaleWidth, kTestSH);
    WindDraw(d.plot, *d.sim, bw, true);
    EXPECT_EQ(OfKind(bw.Calls(), DrawCall::Kind::Box).front().color, 0xFFFFFFu);
    // The lines before the one under the titles are the grid: grey, never black.
    const auto lines = OfKind(bw.Calls(), DrawCall::Kind::LineTo);
    std::size_t grid = 0;
    for (const DrawCall& c : lines) {
        if (c.pen.color == 0) break;
        ++grid;
        EXPECT_EQ(RedOf(c.pen.color), GreenOf(c.pen.color));
        EXPECT_EQ(GreenOf(c.pen.color), BlueOf(c.pen.color));
    }
    EXPECT_GT(grid, 100u);
    EXPECT_FALSE(d.plot.options.BWDrawing);
}
