// Least-squares fit of a whole simulation: recovery from a wrong start,
// tied and fixed parameters, honest standard errors, the example spectra.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "analysis/simulation_fit.h"
#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "tests/core/analysis_synthetic.h"

namespace {

using quble::analysis::FitHydrogen;
using quble::analysis::FitInput;
using quble::analysis::FitSimulation;
using quble::testing::SynthSpectrum;

struct Region {
    std::vector<double> hz, y;
};

Region Cut(const SynthSpectrum& s, double from, double to) {
    Region r;
    quble::testing::Cut(quble::testing::Synthesize(s), from, to, &r.hz, &r.y);
    return r;
}

SynthSpectrum TwoHydrogens(std::uint32_t seed) {
    SynthSpectrum s;
    s.mhz = 500.0;
    s.points = 65536;
    s.noiseFraction = 0.005;
    s.seed = seed;
    s.multiplets.push_back({1700.0, {8.4, 3.3, 3.3}, 0.9, 0.7});
    s.multiplets.push_back({1722.5, {10.0, 6.0, 4.0}, 0.9, 0.7});
    return s;
}

TEST(AnalysisFit, RecoversShiftsAndCouplingsFromAWrongStart) {
    const auto s = TwoHydrogens(1);
    const auto r = Cut(s, 1670.0, 1750.0);
    FitInput in;
    in.hydrogens.push_back({1701.0, {8.7, 3.0, 3.0}, false, {}});
    in.hydrogens.push_back({1721.5, {10.3, 6.3, 3.7}, false, {}});
    in.widthHz = 1.2;
    in.lorentzFraction = 0.5;
    const auto f = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_TRUE(f.converged);
    for (std::size_t h = 0; h < 2; ++h) {
        EXPECT_NEAR(f.hydrogens[h].shiftHz, s.multiplets[h].shiftHz, 0.02) << h;
        ASSERT_EQ(f.hydrogens[h].jHz.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(f.hydrogens[h].jHz[k], s.multiplets[h].j[k], 0.02) << h << k;
    }
    // Entered twice, tied: the two 3.3 Hz couplings stay one value.
    EXPECT_EQ(f.hydrogens[0].jHz[1], f.hydrogens[0].jHz[2]);
    EXPECT_NEAR(f.widthHz, 0.9, 0.02);
    EXPECT_NEAR(f.lorentzFraction, 0.7, 0.05);
    EXPECT_GT(f.r2, 0.999);
    EXPECT_GT(f.iterations, 0);
    ASSERT_EQ(f.residual.size(), r.y.size());
    // The residual is data minus model, and its RMS is the noise's.
    EXPECT_NEAR(f.residual[10], r.y[10] - f.model[10], 1e-6 * s.top);
    EXPECT_NEAR(f.rms, s.noiseFraction * s.top, 0.1 * s.noiseFraction * s.top);
}

TEST(AnalysisFit, FixedParametersKeepTheirValues) {
    const auto s = TwoHydrogens(2);
    const auto r = Cut(s, 1670.0, 1750.0);
    FitInput in;
    in.hydrogens.push_back({1700.0, {8.0, 3.3, 3.3}, true, {true, false, false}});
    in.hydrogens.push_back({1722.5, {10.0, 6.0, 4.0}, false, {}});
    in.widthHz = 0.9;
    in.fixWidth = true;
    const auto f = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.hydrogens[0].shiftHz, 1700.0);
    EXPECT_EQ(f.hydrogens[0].jHz[0], 8.0);
    EXPECT_EQ(f.hydrogens[0].jSdHz[0], 0.0);
    EXPECT_EQ(f.hydrogens[0].shiftSdHz, 0.0);
    EXPECT_EQ(f.widthHz, 0.9);
    // The wrong fixed coupling shows in the quality.
    const auto free = FitSimulation(r.hz, r.y, [&] { auto i = in; i.hydrogens[0].fixJ.clear(); return i; }());
    ASSERT_TRUE(free.ok);
    EXPECT_LT(free.rms, 0.5 * f.rms);
    EXPECT_NEAR(free.hydrogens[0].jHz[0], 8.4, 0.02);
}

// Hydrogens broadened differently, and two boxes entered equal whose
// couplings differ: with a width each and the ties left to the data, the
// fit still finds every value.
TEST(AnalysisFit, SeparateWidthsAndTiesChosenByTheData) {
    SynthSpectrum s;
    s.mhz = 500.0;
    s.points = 65536;
    s.noiseFraction = 0.005;
    s.seed = 7;
    s.multiplets.push_back({1700.0, {8.4, 3.6, 3.0}, 0.8, 0.7});
    // One proton each: the broader hydrogen's lines are lower by the ratio
    // of the widths, so both integrate alike, as the fit assumes.
    s.multiplets.push_back({1722.5, {10.0, 6.0, 4.0}, 1.4, 0.7, 0.0, 0.8 / 1.4});
    const auto r = Cut(s, 1670.0, 1750.0);
    FitInput in;
    in.hydrogens.push_back({1700.5, {8.6, 3.3, 3.3}, false, {}});
    in.hydrogens.push_back({1722.0, {10.2, 6.2, 3.8}, false, {}});
    in.widthHz = 1.0;
    in.lorentzFraction = 0.5;
    in.separateWidths = true;
    in.chooseTies = true;
    const auto f = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_TRUE(f.tiesChanged);
    for (std::size_t h = 0; h < 2; ++h) {
        auto got = f.hydrogens[h].jHz, want = s.multiplets[h].j;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 0.02) << h << k;
        EXPECT_NEAR(f.hydrogens[h].widthHz, s.multiplets[h].widthHz, 0.03) << h;
        EXPECT_NEAR(f.hydrogens[h].shiftHz, s.multiplets[h].shiftHz, 0.02) << h;
    }
    // As entered, the tie holds and one width cannot serve both.
    in.separateWidths = in.chooseTies = false;
    const auto tied = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(tied.ok);
    EXPECT_EQ(tied.hydrogens[0].jHz[1], tied.hydrogens[0].jHz[2]);
    EXPECT_GT(tied.rms, 2.0 * f.rms);
}

// The Jacobian's errors match the scatter of fits to spectra differing
// only in their noise.
TEST(AnalysisFit, StandardErrorsMatchTheScatterOverNoiseSeeds) {
    std::vector<double> j0, shift0;
    double sdJ = 0.0, sdShift = 0.0;
    const int runs = 16;
    for (int k = 0; k < runs; ++k) {
        auto s = TwoHydrogens(static_cast<std::uint32_t>(50 + k));
        s.noiseFraction = 0.02;
        const auto r = Cut(s, 1670.0, 1750.0);
        FitInput in;
        in.hydrogens.push_back({1700.0, {8.4, 3.3, 3.3}, false, {}});
        in.hydrogens.push_back({1722.5, {10.0, 6.0, 4.0}, false, {}});
        in.widthHz = 0.9;
        in.lorentzFraction = 0.7;
        const auto f = FitSimulation(r.hz, r.y, in);
        ASSERT_TRUE(f.ok);
        j0.push_back(f.hydrogens[0].jHz[0]);
        shift0.push_back(f.hydrogens[0].shiftHz);
        sdJ += f.hydrogens[0].jSdHz[0] / runs;
        sdShift += f.hydrogens[0].shiftSdHz / runs;
    }
    auto spread = [](const std::vector<double>& v) {
        double m = 0.0, q = 0.0;
        for (double x : v) m += x / static_cast<double>(v.size());
        for (double x : v) q += (x - m) * (x - m) / static_cast<double>(v.size() - 1);
        return std::sqrt(q);
    };
    EXPECT_GT(sdJ, 0.0);
    EXPECT_NEAR(spread(j0) / sdJ, 1.0, 0.6);
    EXPECT_NEAR(spread(shift0) / sdShift, 1.0, 0.6);
}

TEST(AnalysisFit, RefusesWhatCannotBeFitted) {
    const std::vector<double> hz{1, 2, 3}, y{1, 2, 3};
    FitInput in;
    EXPECT_EQ(FitSimulation(hz, y, in).error, "no hydrogen to fit");
    in.hydrogens.push_back({2.0, {1.0}, false, {}});
    EXPECT_FALSE(FitSimulation(hz, y, in).ok);  // 3 points, 6 free parameters
    const std::vector<double> bad{1, NAN, 3};
    EXPECT_EQ(FitSimulation(hz, bad, in).error, "the region holds a value that is not a number");
    in.widthHz = 0.0;
    EXPECT_EQ(FitSimulation(hz, y, in).error, "the width must be above 0 Hz");
}

// The example spectra the build ships: each example multiplet fitted from
// the simulator example's boxes comes back to the generator's true values.
// Each hydrogen gets its own width (the generator broadens them
// differently) and the data choose the ties (the boxes tie couplings the
// truth has apart, and the reverse).
// Where a multiplet's lines and the visible part of their shape reach.
struct Extent {
    double lo, hi;
};
Extent ExtentOf(const quble::examplegen::TrueMultiplet& m) {
    double spread = 0.0;
    for (double j : m.j) spread += std::abs(j) / 2.0;
    return {m.shiftHz - spread - 5.0 * m.widthHz - 2.0, m.shiftHz + spread + 5.0 * m.widthHz + 2.0};
}

// The fit still missed from the boxes' start: 1b's H7, whose boxes hold
// 2.9 and 3.1 Hz apart, comes out with its 2.96 and 3.05 Hz couplings tied
// at 2.99 by the data's choice of ties (as entered they come apart, 2.90
// and 3.07), just beyond 0.05 Hz of the larger one. Started at the truth
// with the two apart, the fit ends at the same 2.90 +- 0.04 and 3.07 +- 0.02
// Hz, and without the noise it reaches the truth from the boxes: this noise
// draw puts the least-squares minimum there, so no start reaches the truth.
bool StillMissed(const std::string& caption, const std::string& label) {
    return caption == "Example 1/H7" && label == "Example 1b";
}

// Fits every example spectrum's example multiplets from the example's boxes
// and checks the recipe's truth to `tol` Hz (and the widths to 5 %);
// `missed` chooses the known misses or the rest, `noiseFree` leaves out the
// noise and baseline. Returns how many were fitted.
int FitExampleSpectra(bool missed, bool noiseFree = false, double tol = 0.05) {
    namespace eg = quble::examplegen;
    int fitted = 0;
    for (const auto& set : quble::ExampleSets()) {
        for (const auto& recipe : eg::ExampleRecipes()) {
            if (StillMissed(set.caption, recipe.label) != missed) continue;
            std::vector<const eg::TrueMultiplet*> truth;
            for (const auto& m : recipe.lines)
                if (m.exampleCaption == set.caption) truth.push_back(&m);
            if (truth.size() != set.hydrogens.size()) continue;
            // The region is the set's own multiplets, not the whole span
            // between them: hydrogens of one example may lie ppm apart with
            // other signals between, which the fit does not model.
            std::vector<Extent> windows;
            for (const auto* m : truth) windows.push_back(ExtentOf(*m));
            auto drawn = recipe;
            if (noiseFree) {
                drawn.noiseSigma = 0.0;
                for (double& b : drawn.baseline) b = 0.0;
            }
            const auto data = eg::Synthesize(drawn);
            FitInput in;
            for (std::size_t h = 0; h < truth.size(); ++h) {
                FitHydrogen fh;
                fh.shiftHz = std::stod(set.hydrogens[h].shift);
                for (const auto& j : set.hydrogens[h].j) fh.jHz.push_back(std::stod(j));
                in.hydrogens.push_back(fh);
            }
            in.widthHz = std::stod(set.width);
            in.lorentzFraction = 1.0 - truth[0]->gaussFraction;
            in.separateWidths = true;
            in.chooseTies = true;
            Region r;
            for (std::size_t i = 0; i < data.size(); ++i) {
                const double f = eg::ProvisionalHz(recipe, static_cast<std::int64_t>(i) + 1) - recipe.tmsProvisionalHz;
                for (const auto& w : windows) {
                    if (f >= w.lo && f <= w.hi) {
                        r.hz.push_back(f);
                        r.y.push_back(data[i]);
                        break;
                    }
                }
            }
            const auto f = FitSimulation(r.hz, r.y, in);
            EXPECT_TRUE(f.ok) << set.caption << " " << recipe.label;
            if (!f.ok) continue;
            for (std::size_t h = 0; h < truth.size(); ++h) {
                // The boxes hold each coupling once; the truth lists the same
                // ones, possibly in another order.
                auto got = f.hydrogens[h].jHz, want = truth[h]->j;
                std::sort(got.begin(), got.end());
                std::sort(want.begin(), want.end());
                EXPECT_EQ(got.size(), want.size()) << set.caption;
                if (got.size() != want.size()) continue;
                for (std::size_t k = 0; k < want.size(); ++k)
                    EXPECT_NEAR(got[k], want[k], tol) << set.caption << " " << recipe.label << " H" << h << " J" << k;
                EXPECT_NEAR(f.hydrogens[h].shiftHz, truth[h]->shiftHz, tol) << set.caption;
                EXPECT_NEAR(f.hydrogens[h].widthHz, truth[h]->widthHz, 0.05 * truth[h]->widthHz)
                    << set.caption << " " << recipe.label << " H" << h;
            }
            std::printf("%s %s: rms %.3g r2 %.6f iterations %d\n", set.caption.c_str(), recipe.label.c_str(), f.rms, f.r2,
                        f.iterations);
            ++fitted;
        }
    }
    return fitted;
}

TEST(AnalysisFit, ExampleSpectraGiveTheirTrueValues) {
    // Every example multiplet in its spectrum, 1a and 1b counted apart, but for the one still missed.
    EXPECT_EQ(FitExampleSpectra(false), 13);
}

TEST(AnalysisFit, DISABLED_ExampleFitsStillMissed) { EXPECT_EQ(FitExampleSpectra(true), 1); }

// Without the noise the model is the generator's: every example, the missed
// one too, comes back from its boxes to a tenth of the tolerance.
TEST(AnalysisFit, WithoutTheNoiseEveryExampleComesBackToItsTruth) {
    EXPECT_EQ(FitExampleSpectra(false, true, 0.005) + FitExampleSpectra(true, true, 0.005), 14);
}

}  // namespace
