// The time-domain model against the direct line sum of line_model.h, its
// derivatives against finite differences, and fits through either model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/line_model.h"
#include "analysis/simulation_fit.h"
#include "analysis/time_domain_model.h"
#include "tests/core/analysis_synthetic.h"

namespace {

using quble::analysis::EvaluateModel;
using quble::analysis::FindUniformAxis;
using quble::analysis::FitEvaluation;
using quble::analysis::FitInput;
using quble::analysis::FitSimulation;
using quble::analysis::ModelHydrogen;
using quble::analysis::TimeDomainHydrogen;
using quble::analysis::TimeDomainModel;

// n points from lowHz on, 0.146 Hz apart as on a 400 MHz 32k spectrum.
std::vector<double> Axis(double lowHz, std::size_t n, double step = 0.146484375) {
    std::vector<double> hz(n);
    for (std::size_t i = 0; i < n; ++i) hz[i] = lowHz + step * static_cast<double>(i);
    return hz;
}

// Two hydrogens, one with a tied pair, near the middle of a 600-point axis
// starting at 1000 Hz (88 Hz wide).
std::vector<ModelHydrogen> TwoHydrogens() {
    return {{1030.0, {7.4, 2.1, 2.1}}, {1052.3, {11.0, 5.2, 1.3}}};
}

std::vector<TimeDomainHydrogen> AsTimeDomain(const std::vector<ModelHydrogen>& hs, double widthHz) {
    std::vector<TimeDomainHydrogen> out;
    for (const auto& h : hs) {
        TimeDomainHydrogen t;
        t.shiftHz = h.shiftHz;
        t.halfWidthHz = 0.5 * widthHz;
        t.groups = quble::analysis::GroupCouplings(h.jHz);
        out.push_back(t);
    }
    return out;
}

std::vector<double> TimeDomainValues(const std::vector<double>& hz, const std::vector<TimeDomainHydrogen>& hs,
                                     double f) {
    const auto axis = FindUniformAxis(hz);
    EXPECT_TRUE(axis.has_value());
    TimeDomainModel model(*axis, hz.size());
    std::vector<double> v(hz.size(), 0.0);
    EXPECT_TRUE(model.Evaluate(hs, f, -1, v, nullptr, 0));
    return v;
}

// Largest difference over the largest value.
double RelativeError(const std::vector<double>& got, const std::vector<double>& want) {
    double top = 0.0, worst = 0.0;
    for (std::size_t i = 0; i < want.size(); ++i) {
        top = std::max(top, std::abs(want[i]));
        worst = std::max(worst, std::abs(got[i] - want[i]));
    }
    return worst / top;
}

TEST(TimeDomainModel, MatchesTheDirectSumForEveryShape) {
    const auto hz = Axis(1000.0, 600);
    const auto hs = TwoHydrogens();
    for (double f : {1.0, 0.0, 0.6}) {
        const auto want = EvaluateModel(hz, hs, 0.9, f, 1.0);
        const auto got = TimeDomainValues(hz, AsTimeDomain(hs, 0.9), f);
        EXPECT_LT(RelativeError(got, want), 3e-7) << "f " << f;
        // The folded Lorentzian tails are taken off: a point between the
        // multiplets, where they would show most, matches as closely.
        EXPECT_NEAR(got[300], want[300], 1e-6 * want[300]) << "f " << f;
    }
    // A model that is off by a little is told apart: the tolerance above is
    // far tighter than a 0.01 Hz shift.
    auto moved = hs;
    moved[0].shiftHz += 0.01;
    EXPECT_GT(RelativeError(TimeDomainValues(hz, AsTimeDomain(moved, 0.9), 0.6), EvaluateModel(hz, hs, 0.9, 0.6, 1.0)),
              1e-3);
}

TEST(TimeDomainModel, NarrowLinesRefineTheGridAndFallingPointsAreReadBackwards) {
    const auto hz = Axis(1000.0, 600);
    const auto axis = *FindUniformAxis(hz);
    TimeDomainModel model(axis, hz.size());
    // Lines much narrower than the point spacing need a finer model grid.
    EXPECT_EQ(model.GridFor(2.0).oversample, 1);
    EXPECT_GT(model.GridFor(0.05).oversample, 4);
    EXPECT_GE(model.GridFor(0.05).size, 4u * 600u * static_cast<std::size_t>(model.GridFor(0.05).oversample));
    EXPECT_EQ(model.GridFor(1e-9).size, 0u);  // absurd: left to the direct sum
    const auto hs = TwoHydrogens();
    for (double width : {0.1, 0.25}) {
        const auto want = EvaluateModel(hz, hs, width, 0.7, 1.0);
        EXPECT_LT(RelativeError(TimeDomainValues(hz, AsTimeDomain(hs, width), 0.7), want), 3e-7) << width;
    }
    std::vector<double> falling(hz.rbegin(), hz.rend());
    const auto fallingAxis = FindUniformAxis(falling);
    ASSERT_TRUE(fallingAxis.has_value());
    EXPECT_TRUE(fallingAxis->descending);
    EXPECT_DOUBLE_EQ(fallingAxis->lowHz, hz.front());
    const auto want = EvaluateModel(falling, hs, 0.9, 0.6, 1.0);
    EXPECT_LT(RelativeError(TimeDomainValues(falling, AsTimeDomain(hs, 0.9), 0.6), want), 3e-7);
}

TEST(TimeDomainModel, UnequalStepsAreNoUniformAxis) {
    auto hz = Axis(1000.0, 50);
    EXPECT_TRUE(FindUniformAxis(hz).has_value());
    hz[20] += 0.01;
    EXPECT_FALSE(FindUniformAxis(hz).has_value());
    EXPECT_FALSE(FindUniformAxis(std::vector<double>{1.0}).has_value());
    EXPECT_FALSE(FindUniformAxis(std::vector<double>{2.0, 2.0, 2.0}).has_value());
}

// Every derivative column against central differences of the model itself.
TEST(TimeDomainModel, DerivativesMatchFiniteDifferences) {
    const auto hz = Axis(1000.0, 600);
    const std::size_t n = hz.size();
    TimeDomainModel model(*FindUniformAxis(hz), n);
    auto hs = AsTimeDomain(TwoHydrogens(), 0.9);
    hs[1].halfWidthHz = 0.6;  // widths apart, so a shared column would show a mix-up
    // The second hydrogen kept at equal area: its amplitude falls as its
    // width grows, which its width column has to carry.
    hs[1].amplitude = 0.75;
    hs[1].amplitudeSlope = -0.75 / 0.6;
    // Columns: 0 shift H1, 1 shift H2, 2 width H1, 3 width H2, 4.. couplings, last f.
    int next = 0;
    for (auto& h : hs) h.shiftColumn = next++;
    for (auto& h : hs) h.halfWidthColumn = next++;
    for (auto& h : hs) {
        h.jColumns.clear();
        for (std::size_t g = 0; g < h.groups.size(); ++g) h.jColumns.push_back(next++);
    }
    const int fColumn = next++;
    const double f = 0.6;
    std::vector<double> values(n, 0.0), jac(n * static_cast<std::size_t>(next), 0.0);
    ASSERT_TRUE(model.Evaluate(hs, f, fColumn, values, jac.data(), next));
    const auto plain = TimeDomainValues(hz, hs, f);
    EXPECT_LT(RelativeError(values, plain), 1e-12);

    // Moves one parameter of the model by d and returns the values.
    auto moved = [&](int column, double d) {
        auto h2 = hs;
        double f2 = f;
        for (auto& h : h2) {
            if (h.shiftColumn == column) h.shiftHz += d;
            if (h.halfWidthColumn == column) {
                h.halfWidthHz += d;
                h.amplitude += h.amplitudeSlope * d;
            }
            for (std::size_t g = 0; g < h.groups.size(); ++g)
                if (h.jColumns[g] == column) h.groups[g].jHz += d;
        }
        if (column == fColumn) f2 += d;
        return TimeDomainValues(hz, h2, f2);
    };
    for (int c = 0; c < next; ++c) {
        const double d = 1e-5;
        const auto up = moved(c, d), down = moved(c, -d);
        std::vector<double> numeric(n), analytic(n);
        for (std::size_t i = 0; i < n; ++i) {
            numeric[i] = (up[i] - down[i]) / (2.0 * d);
            analytic[i] = jac[static_cast<std::size_t>(c) * n + i];
        }
        EXPECT_LT(RelativeError(analytic, numeric), 1e-5) << "column " << c;
    }
}

struct Region {
    std::vector<double> hz, y;
};

quble::testing::SynthSpectrum TwoMultiplets() {
    quble::testing::SynthSpectrum s;
    s.mhz = 400.0;
    s.points = 32768;
    s.noiseFraction = 0.005;
    s.seed = 11;
    s.multiplets.push_back({1700.0, {8.4, 3.3, 3.3}, 0.9, 0.7});
    s.multiplets.push_back({1722.5, {10.0, 6.0, 4.0}, 1.1, 0.7});
    return s;
}

Region Cut(const quble::testing::SynthSpectrum& s, double from, double to) {
    Region r;
    quble::testing::Cut(quble::testing::Synthesize(s), from, to, &r.hz, &r.y);
    return r;
}

FitInput StartOff() {
    FitInput in;
    in.hydrogens.push_back({1701.0, {8.7, 3.0, 3.0}, false, {}});
    in.hydrogens.push_back({1721.5, {10.3, 5.7, 4.3}, false, {}});
    in.widthHz = 1.2;
    in.lorentzFraction = 0.5;
    in.separateWidths = true;
    return in;
}

TEST(FitEvaluation, TimeDomainAndDirectFitsAgree) {
    const auto s = TwoMultiplets();
    const auto r = Cut(s, 1660.0, 1760.0);  // falling points, as a spectrum stores them
    auto in = StartOff();
    in.evaluation = FitEvaluation::Direct;
    const auto direct = FitSimulation(r.hz, r.y, in);
    in.evaluation = FitEvaluation::TimeDomain;
    const auto td = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(direct.ok) << direct.error;
    ASSERT_TRUE(td.ok) << td.error;
    EXPECT_EQ(direct.evaluation, FitEvaluation::Direct);
    EXPECT_EQ(td.evaluation, FitEvaluation::TimeDomain);
    EXPECT_TRUE(direct.converged);
    EXPECT_TRUE(td.converged);
    for (std::size_t h = 0; h < 2; ++h) {
        const auto& a = direct.hydrogens[h];
        const auto& b = td.hydrogens[h];
        // Both find the truth, and each other to a small part of the
        // parameters' own uncertainty.
        EXPECT_NEAR(a.shiftHz, s.multiplets[h].shiftHz, 0.02) << h;
        EXPECT_NEAR(b.shiftHz, a.shiftHz, 0.1 * a.shiftSdHz + 1e-6) << h;
        EXPECT_NEAR(b.widthHz, a.widthHz, 0.1 * a.widthSdHz + 1e-6) << h;
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_NEAR(a.jHz[k], s.multiplets[h].j[k], 0.02) << h << k;
            EXPECT_NEAR(b.jHz[k], a.jHz[k], 0.1 * a.jSdHz[k] + 1e-6) << h << k;
        }
    }
    EXPECT_NEAR(td.lorentzFraction, direct.lorentzFraction, 0.1 * direct.lorentzSd + 1e-6);
    EXPECT_NEAR(td.rss / direct.rss, 1.0, 1e-3);
    // The model returned is the time domain's, at the points in their order.
    ASSERT_EQ(td.model.size(), r.hz.size());
    EXPECT_NEAR(td.model[r.hz.size() / 3], direct.model[r.hz.size() / 3], 1e-4 * s.top);
}

TEST(FitEvaluation, UnequallySpacedPointsFallBackToTheDirectSum) {
    const auto s = TwoMultiplets();
    auto r = Cut(s, 1660.0, 1760.0);
    // Every fifth point dropped: the rest is no longer one grid.
    Region sparse;
    for (std::size_t i = 0; i < r.hz.size(); ++i) {
        if (i % 5 == 2) continue;
        sparse.hz.push_back(r.hz[i]);
        sparse.y.push_back(r.y[i]);
    }
    auto in = StartOff();
    in.evaluation = FitEvaluation::TimeDomain;
    const auto forced = FitSimulation(sparse.hz, sparse.y, in);
    in.evaluation = FitEvaluation::Direct;
    const auto direct = FitSimulation(sparse.hz, sparse.y, in);
    ASSERT_TRUE(forced.ok) << forced.error;
    EXPECT_EQ(forced.evaluation, FitEvaluation::Direct);
    EXPECT_EQ(forced.rss, direct.rss);
    EXPECT_EQ(forced.hydrogens[1].jHz, direct.hydrogens[1].jHz);
    EXPECT_NEAR(forced.hydrogens[0].jHz[0], 8.4, 0.02);
    // Automatic takes the direct sum for a problem this small.
    in.evaluation = FitEvaluation::Automatic;
    EXPECT_EQ(FitSimulation(r.hz, r.y, in).evaluation, FitEvaluation::Direct);
}

// One hydrogen with six couplings from couplings 0.3 Hz and the shift 1 Hz
// off: the shifts-first stage brings every coupling home.
TEST(FitEvaluation, SixCouplingsFromAStartOffConverge) {
    quble::testing::SynthSpectrum s;
    s.mhz = 400.0;
    s.points = 32768;
    s.noiseFraction = 0.005;
    s.multiplets.push_back({1700.0, {12.1, 9.2, 7.1, 5.3, 3.2, 1.6}, 0.9, 0.8});
    const auto r = Cut(s, 1650.0, 1750.0);
    for (auto mode : {FitEvaluation::Direct, FitEvaluation::TimeDomain, FitEvaluation::Automatic}) {
        FitInput in;
        in.evaluation = mode;
        in.hydrogens.push_back({1701.0, {}, false, {}});
        for (std::size_t k = 0; k < 6; ++k) in.hydrogens[0].jHz.push_back(s.multiplets[0].j[k] + (k % 2 ? -0.3 : 0.3));
        in.widthHz = 1.1;
        in.lorentzFraction = 0.6;
        const auto f = FitSimulation(r.hz, r.y, in);
        ASSERT_TRUE(f.ok) << f.error;
        EXPECT_TRUE(f.converged);
        // 64 lines: Automatic takes the time domain.
        EXPECT_EQ(f.evaluation, mode == FitEvaluation::Direct ? FitEvaluation::Direct : FitEvaluation::TimeDomain);
        EXPECT_NEAR(f.hydrogens[0].shiftHz, 1700.0, 0.02);
        for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(f.hydrogens[0].jHz[k], s.multiplets[0].j[k], 0.02) << k;
    }
}

}  // namespace
