// A graph fitted to a box and then resized matches one fitted at the new
// size from the start, and keeps what the user zoomed.
#include <gtest/gtest.h>

#include "render/spectrum_plot.h"
#include "simulator/simulator_session.h"
#include "tests/core/simulation_test_util.h"

namespace quble::test {
namespace {

std::unique_ptr<SimulatorSession> Calculated(double w, double h) {
    auto s = std::make_unique<SimulatorSession>();
    InitPlotGeometry(s->plot, h, w);
    SimulationInput in = MakeInput({{"2500", {"7", "7", "3"}}, {"2440", {"5", "1.5"}}});
    EXPECT_FALSE(s->Calculate(in).error.has_value());
    return s;
}

TEST(PlotResize, ResizedGeometryEqualsOneFittedAtThatSize) {
    auto resized = Calculated(663, 356);
    ResizePlotGeometry(resized->plot, 1250, 700);
    const auto fresh = Calculated(1250, 700);
    const PlotState& a = resized->plot;
    const PlotState& b = fresh->plot;
    EXPECT_EQ(a.XCenter, b.XCenter);
    EXPECT_FLOAT_EQ(a.BaseY, b.BaseY);
    EXPECT_FLOAT_EQ(a.TopY, b.TopY);
    EXPECT_NEAR(a.LevelStep, b.LevelStep, 1e-4);
    EXPECT_NEAR(a.VScale, b.VScale, b.VScale * 1e-5);
    EXPECT_FLOAT_EQ(a.HScale, b.HScale);
    for (auto [sa, sb] : {std::pair{&a.Slider1, &b.Slider1}, {&a.Slider2, &b.Slider2}, {&a.Slider3, &b.Slider3}}) {
        EXPECT_EQ(sa->min, sb->min);
        EXPECT_EQ(sa->max, sb->max);
        EXPECT_EQ(sa->value, sb->value);
    }
    EXPECT_NEAR(a.Label11.left, b.Label11.left, 1e-9);
    EXPECT_NEAR(a.Label11.top, b.Label11.top, 1e-3);
    EXPECT_NEAR(a.Label9[0].top, b.Label9[0].top, 1e-3);
}

TEST(PlotResize, UserScalesSurviveAndTheSmallestScaleFollowsTheWidth) {
    auto s = Calculated(663, 356);
    PlotState& p = s->plot;
    // The window lets the vertical sliders act again after a calculation.
    p.Slider2.react = p.Slider3.react = true;
    ASSERT_TRUE(Slider1_Change(p, 700));
    ASSERT_TRUE(Slider3_Change(p, p.Slider3.max / 3));
    const float vShare = p.VScale / static_cast<float>(p.ScaleHeight);
    const int v2 = p.Slider2.value, v3 = p.Slider3.value;

    ResizePlotGeometry(p, 1400, 900);
    EXPECT_EQ(p.Slider1.value, 700);
    EXPECT_EQ(p.Slider2.value, v2);
    EXPECT_EQ(p.Slider3.value, v3);
    EXPECT_NEAR(p.VScale / p.ScaleHeight, vShare, 1e-6);
    // As many pixels per Hz at the smallest scale as on the load-time box.
    EXPECT_EQ(p.Slider1.min, Slider1MinimumFor(1400));
    EXPECT_NEAR(p.Slider1.min / p.SliderHUnits, 30 / (9945.0 / 663), 0.05);

    // Below the smallest box's lower end, a zoom is raised to it.
    Slider1_Change(p, p.Slider1.min);
    ResizePlotGeometry(p, 663, 356);
    EXPECT_EQ(p.Slider1.min, 30);
    EXPECT_EQ(p.Slider1.value, 30);
    // A degenerate size is ignored rather than turned into infinities.
    ResizePlotGeometry(p, 0, 356);
    EXPECT_DOUBLE_EQ(p.ScaleWidth, 663);
}

}  // namespace
}  // namespace quble::test
