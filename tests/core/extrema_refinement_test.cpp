// The maxima and minima that labels, pairing and verification use are the
// true extrema of the summed line shape, not merely the nearest grid sample.
#include <gtest/gtest.h>

#include <cmath>

#include "simulator/extrema_refinement.h"
#include "render/spectrum_plot.h"
#include "tests/core/simulation_test_util.h"

namespace quble {
namespace {

// Brute force: the extremum of the exact sum on a 0.0005 Hz raster around x.
std::pair<double, double> Brute(const SimulationState& s, double x, double reach, double sign) {
    double bx = x, bv = sign * ExactEnvelopeAt(s, x);
    for (double u = x - reach; u <= x + reach; u += 0.0005) {
        const double v = sign * ExactEnvelopeAt(s, u);
        if (v > bv) {
            bv = v;
            bx = u;
        }
    }
    return {bx, sign * bv};
}

TEST(ExtremaRefinement, NarrowLineBetweenGridSamplesIsFoundAtItsTrueTop) {
    // A doublet 100 Hz wide spreads the grid to 1/3 Hz; a 0.1 Hz wide line at
    // 2483.45 falls between two samples.
    auto s = test::Compute({{"2500", {"100"}}, {"2483.45", {"0"}}}, "0.01", "0.1", LineShape::Lorentzian);
    ASSERT_TRUE(s);
    int found = 0;
    for (int p = 1; p <= s->NMultRelMax; ++p) {
        const float hz = SimMaxHz(*s, p);
        if (std::fabs(hz - 2483.45f) < 0.2f) {
            ++found;
            EXPECT_NEAR(hz, 2483.45, 0.01);
            EXPECT_NEAR(s->SimMaxY[p], 1.0, 0.001);
            EXPECT_EQ(PeakLabelTexts(*s, '.')[p], " 2483.5");
        }
    }
    EXPECT_EQ(found, 1);
}

TEST(ExtremaRefinement, AgreesWithAFineRasterForEveryShape) {
    const std::vector<std::vector<test::HydrogenSpec>> systems = {
        {{"2500", {"7", "7"}}},
        {{"1869.25", {"4.86", "2.96", "3.05", "2.64", "0.82", "0.38"}}},
        {{"3000.2", {"3.22", "1.58", "1.58", "1.58"}}, {"3005.8", {"1.30", "1.18", "1.18", "1.18"}}},
    };
    for (LineShape shape : {LineShape::Lorentzian, LineShape::Gaussian, LineShape::Mixed}) {
        for (const auto& hs : systems) {
            auto s = test::Compute(hs, "0.1", "0.7", shape, 30);
            ASSERT_TRUE(s);
            ASSERT_GT(s->NMultRelMax, 0);
            for (int p = 1; p <= s->NMultRelMax; ++p) {
                const auto [x, y] = Brute(*s, s->EnvX(s->SimMaxIndex[p]), s->EnvStep, 1.0);
                EXPECT_NEAR(s->SimMaxPos[p], x, 0.01);
                EXPECT_NEAR(s->SimMaxY[p], y, 0.001 * y);
                // Never lower than the grid's own sample.
                EXPECT_GE(s->SimMaxY[p], s->EnvY(s->SimMaxIndex[p]) * (1.0f - 1e-6f));
            }
            for (int p = 1; p <= s->NMultRelMin; ++p) {
                const auto [x, y] = Brute(*s, s->EnvX(s->SimMinIndex[p]), s->EnvStep, -1.0);
                EXPECT_NEAR(s->SimMinPos[p], x, 0.01);
                EXPECT_NEAR(s->SimMinY[p], y, 0.001 * std::max(y, 1e-6));
            }
        }
    }
}

}  // namespace
}  // namespace quble
