// Thinning a dense polyline to a few points per pixel column must keep, in
// each column, the first and last point and the lowest and highest, in the
// order the line visits them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "render/polyline_decimate.h"

using namespace quble;

namespace {

struct Extremes {
    double first = 0, last = 0, lo = 1e300, hi = -1e300;
    int n = 0;
};

std::map<double, Extremes> ByColumn(const std::vector<PointF>& pts, double scale, double offset) {
    std::map<double, Extremes> m;
    for (const PointF& p : pts) {
        Extremes& e = m[std::floor(p.x * scale + offset)];
        if (e.n++ == 0) e.first = p.y;
        e.last = p.y;
        e.lo = std::min(e.lo, p.y);
        e.hi = std::max(e.hi, p.y);
    }
    return m;
}

// A noisy line with sharp peaks, 90 points per column like a 65536-point
// spectrum on a 720-pixel graph.
std::vector<PointF> Spectrum(int points, double width) {
    std::vector<PointF> v;
    unsigned seed = 12345;
    for (int i = 0; i < points; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = static_cast<double>((seed >> 16) % 7) - 3.0;
        const double peak = (i % 997 == 500) ? -250.0 : 0.0;
        v.push_back({i * width / (points - 1), 300.0 + noise + peak + 20.0 * std::sin(i * 0.001)});
    }
    return v;
}

bool IsSubsequence(const std::vector<PointF>& part, const std::vector<PointF>& whole) {
    std::size_t k = 0;
    for (const PointF& p : whole) {
        if (k < part.size() && p.x == part[k].x && p.y == part[k].y) ++k;
    }
    return k == part.size();
}

}  // namespace

TEST(PolylineDecimate, KeepsEachColumnsEndsAndExtremesInOrder) {
    const std::vector<PointF> in = Spectrum(65536, 720.0);
    for (double scale : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        std::vector<PointF> out;
        DecimateByColumn(in.data(), in.size(), scale, 0.25, out);
        const auto a = ByColumn(in, scale, 0.25), b = ByColumn(out, scale, 0.25);
        ASSERT_EQ(a.size(), b.size());
        for (const auto& [column, e] : a) {
            const Extremes& d = b.at(column);
            EXPECT_EQ(d.first, e.first) << column;
            EXPECT_EQ(d.last, e.last) << column;
            EXPECT_EQ(d.lo, e.lo) << column;
            EXPECT_EQ(d.hi, e.hi) << column;
            EXPECT_LE(d.n, 4) << column;
        }
        EXPECT_TRUE(IsSubsequence(out, in));
        EXPECT_EQ(out.front().x, in.front().x);
        EXPECT_EQ(out.back().y, in.back().y);
    }
}

TEST(PolylineDecimate, SparseLinesAndEmptyInputStayAsTheyAre) {
    std::vector<PointF> out{{1, 1}};
    DecimateByColumn(nullptr, 0, 1.0, 0.0, out);
    EXPECT_TRUE(out.empty());

    // Four points to a column at most: nothing is left out, even with
    // extremes in the middle and a line that turns back within a column.
    const std::vector<PointF> sparse{{0.1, 5}, {0.4, 9}, {0.6, 1}, {0.9, 4}, {1.2, 3}, {1.1, 8}, {2.5, 2}};
    DecimateByColumn(sparse.data(), sparse.size(), 1.0, 0.0, out);
    ASSERT_EQ(out.size(), sparse.size());
    for (std::size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i].y, sparse[i].y);

    // Five in one column: the lowest and highest survive even when they are
    // the column's first or last point, and nothing is doubled.
    const std::vector<PointF> five{{0.1, 0}, {0.3, 4}, {0.5, 2}, {0.7, 3}, {0.9, 9}};
    DecimateByColumn(five.data(), five.size(), 1.0, 0.0, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].y, 0);
    EXPECT_EQ(out[1].y, 9);
}
