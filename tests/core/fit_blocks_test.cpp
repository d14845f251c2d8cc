// The fit of many-coupled hydrogens through their own stretches: when it
// applies, that it gets the truth from a start whose width is a fifth too
// wide, and that ties, fixed values and a cancel survive the detour.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "analysis/fit_blocks.h"
#include "tests/core/analysis_synthetic.h"

namespace {

using quble::analysis::FitHydrogen;
using quble::analysis::FitInput;
using quble::analysis::FitSimulation;
using quble::analysis::StartFromBlocks;
using quble::testing::SynthSpectrum;

struct Region {
    std::vector<double> hz, y;
};

// Two hydrogens of eight couplings (256 lines each) 90 Hz apart at 400 MHz;
// the second has one coupling twice, which the start enters twice too.
SynthSpectrum TwoManyCoupled() {
    SynthSpectrum s;
    s.mhz = 400.0;
    s.points = 32768;
    s.noiseFraction = 0.005;
    s.seed = 3;
    s.multiplets.push_back({1600.0, {1.5, 2.4, 3.3, 4.2, 5.1, 6.0, 6.9, 7.8}, 0.9, 0.8});
    s.multiplets.push_back({1690.0, {1.8, 2.7, 3.6, 3.6, 5.4, 6.3, 7.2, 8.1}, 0.9, 0.8});
    return s;
}

Region Cut(const SynthSpectrum& s, double from, double to) {
    Region r;
    quble::testing::Cut(quble::testing::Synthesize(s), from, to, &r.hz, &r.y);
    return r;
}

// Couplings 0.3 Hz off in turn (the tied pair moved together), shifts 1 Hz
// off, the width 22 % too wide and the Lorentzian share 0.2 short.
FitInput StartOff(const SynthSpectrum& s) {
    FitInput in;
    for (const auto& m : s.multiplets) {
        FitHydrogen h;
        h.shiftHz = m.shiftHz + 1.0;
        for (std::size_t k = 0; k < m.j.size(); ++k) {
            const bool tiedToPrevious = k > 0 && m.j[k] == m.j[k - 1];
            h.jHz.push_back(tiedToPrevious ? h.jHz.back() : m.j[k] + (k % 2 ? -0.3 : 0.3));
        }
        in.hydrogens.push_back(h);
    }
    in.widthHz = 1.1;
    in.lorentzFraction = 0.6;
    return in;
}

double WorstCouplingError(const quble::analysis::FitHydrogenResult& got, const std::vector<double>& truth) {
    std::vector<double> a = got.jHz, b = truth;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    double worst = 0.0;
    for (std::size_t k = 0; k < b.size(); ++k) worst = std::max(worst, std::abs(a[k] - b[k]));
    return worst;
}

TEST(FitBlocks, ManyCoupledHydrogensApartReachTheTruthFromAWideStart) {
    const SynthSpectrum s = TwoManyCoupled();
    const Region r = Cut(s, 1540.0, 1750.0);
    const FitInput in = StartOff(s);

    const auto blocks = StartFromBlocks(r.hz, r.y, in);
    ASSERT_TRUE(blocks.has_value());
    EXPECT_FALSE(blocks->cancelled);
    EXPECT_GT(blocks->evaluations, 0);
    // The stretches alone already bring the shape near the truth.
    EXPECT_NEAR(blocks->start.widthHz, 0.9, 0.05);
    ASSERT_EQ(blocks->start.hydrogens.size(), 2u);
    EXPECT_EQ(blocks->start.hydrogens[1].jHz[2], blocks->start.hydrogens[1].jHz[3]);

    const auto f = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_TRUE(f.converged);
    ASSERT_EQ(f.hydrogens.size(), 2u);
    // The minimum a fit started at the truth finds: the noise moves it off
    // the truth by a few hundredths, and the wide start must end there too.
    FitInput atTruth = in;
    for (std::size_t h = 0; h < 2; ++h) {
        atTruth.hydrogens[h].shiftHz = s.multiplets[h].shiftHz;
        atTruth.hydrogens[h].jHz = s.multiplets[h].j;
    }
    atTruth.widthHz = 0.9;
    atTruth.lorentzFraction = 0.8;
    const auto best = quble::analysis::FitWithTies(r.hz, r.y, atTruth);
    ASSERT_TRUE(best.ok) << best.error;
    EXPECT_LT(f.rss, best.rss * (1.0 + 1e-6));
    for (std::size_t h = 0; h < 2; ++h) {
        EXPECT_NEAR(f.hydrogens[h].shiftHz, best.hydrogens[h].shiftHz, 0.002) << h;
        EXPECT_NEAR(f.hydrogens[h].shiftHz, s.multiplets[h].shiftHz, 0.02) << h;
        ASSERT_EQ(f.hydrogens[h].jHz.size(), 8u);
        EXPECT_LT(WorstCouplingError(f.hydrogens[h], best.hydrogens[h].jHz), 0.002) << h;
        EXPECT_LT(WorstCouplingError(f.hydrogens[h], s.multiplets[h].j), 0.06) << h;
    }
    // Entered twice, the coupling stays one value through the stretches.
    EXPECT_EQ(f.hydrogens[1].jHz[2], f.hydrogens[1].jHz[3]);
    EXPECT_NEAR(f.widthHz, 0.9, 0.02);
    EXPECT_NEAR(f.lorentzFraction, 0.8, 0.05);
    EXPECT_NEAR(f.rms, s.noiseFraction * s.top, 0.1 * s.noiseFraction * s.top);
    // The solver's work in the stretches is counted with the whole fit's.
    EXPECT_GT(f.evaluations, blocks->evaluations);
}

TEST(FitBlocks, FixedValuesStayAsEnteredThroughTheStretches) {
    const SynthSpectrum s = TwoManyCoupled();
    const Region r = Cut(s, 1540.0, 1750.0);
    FitInput in = StartOff(s);
    in.hydrogens[0].fixShift = true;
    in.hydrogens[1].fixJ = {false, false, false, false, false, true};
    ASSERT_TRUE(StartFromBlocks(r.hz, r.y, in).has_value());
    const auto f = FitSimulation(r.hz, r.y, in);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(f.hydrogens[0].shiftHz, in.hydrogens[0].shiftHz);
    EXPECT_EQ(f.hydrogens[0].shiftSdHz, 0.0);
    EXPECT_EQ(f.hydrogens[1].jHz[5], in.hydrogens[1].jHz[5]);
    EXPECT_EQ(f.hydrogens[1].jSdHz[5], 0.0);
}

TEST(FitBlocks, OnlyManyLinedHydrogensApartWithAFreeSharedShapeQualify) {
    const SynthSpectrum s = TwoManyCoupled();
    const Region r = Cut(s, 1540.0, 1750.0);
    const FitInput in = StartOff(s);
    ASSERT_TRUE(StartFromBlocks(r.hz, r.y, in).has_value());

    FitInput near = in;  // 30 Hz apart: each spread of about 37 Hz reaches the other's lines
    near.hydrogens[1].shiftHz = near.hydrogens[0].shiftHz + 30.0;
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, near).has_value());

    FitInput few = in;  // seven couplings each: 128 lines
    for (auto& h : few.hydrogens) h.jHz.pop_back();
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, few).has_value());

    FitInput zeros = in;  // a zero coupling is no coupling
    zeros.hydrogens[0].jHz.back() = 0.0;
    zeros.hydrogens[1].jHz.back() = 0.0;
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, zeros).has_value());

    FitInput held = in;
    held.fixWidth = true;
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, held).has_value());
    held = in;
    held.fixLorentz = true;
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, held).has_value());
    held = in;
    held.separateWidths = true;
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, held).has_value());

    FitInput bad = in;
    bad.widthHz = 0.0;
    EXPECT_FALSE(StartFromBlocks(r.hz, r.y, bad).has_value());
    // The whole fit then refuses it with its own message.
    const auto f = FitSimulation(r.hz, r.y, bad);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.error, "the width must be above 0 Hz");
}

TEST(FitBlocks, CancelStopsInTheStretchesWithoutAResult) {
    const SynthSpectrum s = TwoManyCoupled();
    const Region r = Cut(s, 1540.0, 1750.0);
    FitInput in = StartOff(s);
    const std::atomic<bool> cancel{true};
    in.cancel = &cancel;
    const auto blocks = StartFromBlocks(r.hz, r.y, in);
    ASSERT_TRUE(blocks.has_value());
    EXPECT_TRUE(blocks->cancelled);
    const auto f = FitSimulation(r.hz, r.y, in);
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(f.cancelled);
    EXPECT_TRUE(f.hydrogens.empty());
}

}  // namespace
