// quble-cli simulate, run as a program: its JSON lines must be the
// first-order lines of the system, and bad arguments must be refused.
#include <gtest/gtest.h>

#include "cli_test_util.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using quble::test::CliRun;
using quble::test::RunCli;

struct Line {
    double hz, inten;
};

std::vector<Line> ParseLines(const std::string& json) {
    std::vector<Line> lines;
    const std::regex item(R"(\{"hz":([-0-9.e+]+),"intensity":([-0-9.e+]+)\})");
    const auto start = json.find("\"lines\":[");
    const auto end = json.find(']', start);
    const std::string part = json.substr(start, end - start);
    for (auto it = std::sregex_iterator(part.begin(), part.end(), item); it != std::sregex_iterator(); ++it) {
        lines.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    }
    return lines;
}

// Every +-J/2 combination, then lines closer than res merged at their mean.
std::vector<Line> Model(const std::vector<std::pair<double, std::vector<double>>>& hs, double res) {
    auto merge = [res](std::vector<Line> v) {
        std::sort(v.begin(), v.end(), [](const Line& a, const Line& b) { return a.hz > b.hz; });
        std::vector<Line> out;
        for (std::size_t i = 0; i < v.size();) {
            std::size_t j = i;
            while (j + 1 < v.size() && v[j].hz - v[j + 1].hz < res) ++j;
            double s = 0, t = 0;
            for (std::size_t q = i; q <= j; ++q) {
                s += v[q].hz;
                t += v[q].inten;
            }
            out.push_back({s / static_cast<double>(j - i + 1), t});
            i = j + 1;
        }
        return out;
    };
    std::vector<Line> all;
    for (const auto& [shift, js] : hs) {
        std::vector<Line> v;
        for (int mask = 0; mask < (1 << js.size()); ++mask) {
            double f = shift;
            for (std::size_t k = 0; k < js.size(); ++k) f += ((mask >> k) & 1 ? 0.5 : -0.5) * js[k];
            v.push_back({f, 1.0 / (1 << js.size())});
        }
        for (const Line& l : merge(v)) all.push_back(l);
    }
    return merge(all);
}

}  // namespace

TEST(CliSimulate, LinesAgreeWithTheFirstOrderModel) {
    const CliRun r = RunCli("simulate --h 2500:7,7,3.1 --h 2478.5:6.2,1.4 --h 2491:0.8 --width 1 --resolution 0.1 "
                         "--shape mixed --lorentz-percent 30 --json");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto lines = ParseLines(r.out);
    const auto model = Model({{2500, {7, 7, 3.1}}, {2478.5, {6.2, 1.4}}, {2491, {0.8}}}, 0.1);
    ASSERT_EQ(lines.size(), model.size());
    for (std::size_t i = 0; i < model.size(); ++i) {
        EXPECT_NEAR(lines[i].hz, model[i].hz, 1e-3) << i;  // highest frequency first, as AllPos runs
        EXPECT_NEAR(lines[i].inten, model[i].inten, 1e-6) << i;
    }
    // 701 envelope samples of each kind, and the sample count of the mixture.
    const std::regex hz(R"("envelope":\{"hz":\[([^\]]*)\])");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, hz));
    EXPECT_EQ(std::count(m[1].first, m[1].second, ','), 700);
    EXPECT_NE(r.out.find("\"n_peak_pts\":100"), std::string::npos);
}

TEST(CliSimulate, BadArgumentsExitWithStatusTwo) {
    for (const char* args : {"simulate --h 2500:7x --shape gaussian", "simulate --width 1 --shape gaussian",
                             "simulate --h 2500:7 --shape square", "simulate --h 2500:7 --shape gaussian --lorentz-percent 30",
                             "simulate --h 2500:7 --shape mixed --lorentz-percent 130",
                             "simulate --h 2500:1,1,1,1,1,1,1,1,1,1,1 --shape gaussian", "simulate --h 2500:7", "frobnicate"}) {
        EXPECT_EQ(RunCli(args).status, 2) << args;
    }
}
