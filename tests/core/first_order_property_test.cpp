// Compares the calculation with an independent brute-force first-order model
// on a few thousand random systems: every combination of +J/2 and -J/2 for
// each hydrogen, then the resolution rule, in double precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "simulation_test_util.h"
#include "simulator/input_rules.h"

using namespace quble;
using namespace quble::test;

namespace {

struct Line {
    double pos;
    double inten;
};

// Returns false when some gap lies so close to the resolution that single and
// double precision may legitimately disagree about it.
bool MergeModel(std::vector<Line>& lines, double res) {
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.pos < b.pos; });
    std::vector<Line> out;
    std::size_t i = 0;
    while (i < lines.size()) {
        std::size_t j = i;
        while (j + 1 < lines.size()) {
            const double gap = lines[j + 1].pos - lines[j].pos;
            if (res > 0 && std::fabs(gap - res) < 2e-3) return false;
            if (gap >= res) break;
            ++j;
        }
        double sp = 0, si = 0;
        for (std::size_t q = i; q <= j; ++q) {
            sp += lines[q].pos;
            si += lines[q].inten;
        }
        out.push_back({sp / static_cast<double>(j - i + 1), si});
        i = j + 1;
    }
    lines = out;
    return true;
}

}  // namespace

TEST(FirstOrderModel, AgreesWithBruteForceOnRandomSystems) {
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> nhDist(1, 4), njDist(1, 7), shiftDist(240000, 260000), jDist(0, 15000);
    const double resolutions[] = {0.0, 0.01, 0.1, 0.25, 0.5, 1.0};
    int compared = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int nh = nhDist(rng);
        std::vector<HydrogenSpec> hs(nh);
        std::vector<double> shifts(nh);
        std::vector<std::vector<double>> js(nh);
        for (int h = 0; h < nh; ++h) {
            shifts[h] = shiftDist(rng) / 100.0;
            hs[h].shift = FormatNumber(shifts[h], '.');
            const int nj = njDist(rng);
            for (int k = 0; k < nj; ++k) {
                // Repeats are common so that binomial merging is exercised.
                const double j = (k > 0 && rng() % 3 == 0) ? js[h][k - 1] : jDist(rng) / 1000.0;
                js[h].push_back(j);
                hs[h].j.push_back(FormatNumber(j, '.'));
            }
        }
        const double res = resolutions[rng() % 6];
        const std::string resText = FormatNumber(res, '.');

        // The model, in double precision.
        const double hi = *std::max_element(shifts.begin(), shifts.end());
        const double lo = *std::min_element(shifts.begin(), shifts.end());
        const double av = (hi + lo) / 2.0;
        std::vector<Line> all;
        bool clear = true;
        for (int h = 0; h < nh && clear; ++h) {
            const int nj = static_cast<int>(js[h].size());
            std::vector<Line> lines;
            for (int mask = 0; mask < (1 << nj); ++mask) {
                double p = av - shifts[h];
                for (int k = 0; k < nj; ++k) p += ((mask >> k) & 1 ? 0.5 : -0.5) * js[h][k];
                lines.push_back({p, 1.0 / (1 << nj)});
            }
            clear = MergeModel(lines, res);
            all.insert(all.end(), lines.begin(), lines.end());
        }
        if (!clear || !MergeModel(all, res)) continue;

        auto s = Compute(hs, resText, "2", LineShape::Lorentzian);
        ASSERT_TRUE(s);
        ASSERT_EQ(s->TotalLines, static_cast<int>(all.size())) << "trial " << trial;
        for (int i = 1; i <= s->TotalLines; ++i) {
            ASSERT_NEAR(s->AllPos[i], all[i - 1].pos, 1e-3) << "trial " << trial << " line " << i;
            ASSERT_NEAR(s->AllInt[i], all[i - 1].inten, 1e-6) << "trial " << trial << " line " << i;
        }
        ++compared;
    }
    // Nearly every system must have been compared, not skipped as ambiguous.
    EXPECT_GT(compared, 2500);
}
