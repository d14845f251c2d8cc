#include "simulator/extrema_refinement.h"

#include <algorithm>
#include <cmath>

namespace quble {

namespace {

// A Gaussian term is exactly zero in single precision beyond this many half
// widths, as in the envelope.
constexpr double kGaussReach = 12.5;

double LorentzSum(const SimulationState& s, double x) {
    double sum = 0.0;
    const double inv = 1.0 / s.HalfWidth;
    for (int i = 1; i <= s.TotalLines; ++i) {
        const double u = (x - s.AllPos[i]) * inv;
        sum += s.AllInt[i] / (1.0 + u * u);
    }
    return sum;
}

double GaussSum(const SimulationState& s, double x) {
    double sum = 0.0;
    const double inv = 1.0 / s.HalfWidth;
    const double c = std::log(0.5);
    const double reach = kGaussReach * s.HalfWidth;
    // Lines are sorted by position: only those within reach contribute.
    const float* first = s.AllPos.data() + 1;
    const float* last = first + s.TotalLines;
    const float* lo = std::lower_bound(first, last, static_cast<float>(x - reach));
    for (const float* p = lo; p != last && *p <= x + reach; ++p) {
        const int i = static_cast<int>(p - s.AllPos.data());
        const double u = (x - *p) * inv;
        sum += s.AllInt[i] * std::exp(c * u * u);
    }
    return sum;
}

// Golden-section search for the extremum of f on [a, b]; sign = +1 for a
// maximum, -1 for a minimum. Returns the abscissa.
template <class F>
double GoldenSection(F f, double a, double b, double sign, double tol) {
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = sign * f(c), fd = sign * f(d);
    for (int it = 0; it < 200 && b - a > tol; ++it) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - g * (b - a);
            fc = sign * f(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + g * (b - a);
            fd = sign * f(d);
        }
    }
    return (a + b) / 2.0;
}

// The extremum of the exact sum between the grid neighbours of sample k.
// The bracket may hold more than one bump when lines are much narrower than
// the grid step, so it is first sampled at a fraction of the half width and
// the search then narrows around the best sample.
void RefineOne(const SimulationState& s, int k, double sign, float& pos, float& y) {
    const int lo = std::max(k - 1, kEnvFirst), hi = std::min(k + 1, kEnvLast);
    const double a = s.EnvX(lo), b = s.EnvX(hi);
    // Lorentzian tails reach every line, which makes each evaluation cost
    // all lines. Lines more than 20 brackets and 40 half widths away add a
    // sum that is smooth over the bracket: a parabola through three exact
    // values stands for it (the interpolation error of each such line is
    // below 1e-7 of its height, as it goes with the cube of bracket over
    // distance), and only the near lines are summed at every step.
    const LineShapeTicks& t = s.ticks;
    const double lorShare = t.mnuLorGauss ? s.Slider4 / 100.0 : t.mnuLorentzian ? 1.0 : 0.0;
    const double gaussShare = t.mnuLorGauss ? 1.0 - s.Slider4 / 100.0 : t.mnuGaussian ? 1.0 : 0.0;
    const double mid = 0.5 * (a + b);
    const double reach = std::max(20.0 * (b - a), 40.0 * static_cast<double>(s.HalfWidth));
    const float* first = s.AllPos.data() + 1;
    const float* last = first + s.TotalLines;
    const float* nearLo = std::lower_bound(first, last, static_cast<float>(mid - reach));
    const float* nearHi = std::upper_bound(nearLo, last, static_cast<float>(mid + reach));
    const double inv = 1.0 / s.HalfWidth;
    auto lorentzOf = [&](double x, const float* p0, const float* p1) {
        double sum = 0.0;
        for (const float* q = p0; q != p1; ++q) {
            const double u = (x - *q) * inv;
            sum += s.AllInt[q - s.AllPos.data()] / (1.0 + u * u);
        }
        return sum;
    };
    auto farAt = [&](double x) { return lorentzOf(x, first, nearLo) + lorentzOf(x, nearHi, last); };
    double fa = 0.0, fm = 0.0, fb = 0.0;
    if (lorShare > 0.0 && b > a) {
        fa = farAt(a);
        fm = farAt(mid);
        fb = farAt(b);
    }
    auto farSum = [&](double x) {
        if (!(b > a)) return 0.0;
        const double u = (x - mid) / (0.5 * (b - a));  // -1 at a, 1 at b
        return fm + 0.5 * u * (fb - fa) + 0.5 * u * u * (fa + fb - 2.0 * fm);
    };
    auto f = [&](double x) {
        double v = 0.0;
        if (lorShare > 0.0) v += lorShare * (lorentzOf(x, nearLo, nearHi) + farSum(x));
        if (gaussShare > 0.0) v += gaussShare * GaussSum(s, x);
        return v;
    };
    // A third of the half width apart, a sample always falls on the upper
    // part of each bump; bumps closer than that have merged anyway.
    const double step = std::max(static_cast<double>(s.HalfWidth) / 3.0, (b - a) / 4000.0);
    const int n = std::max(2, static_cast<int>(std::ceil((b - a) / step)));
    const double h = (b - a) / n;
    double bestX = s.EnvX(k), bestV = sign * f(bestX);
    for (int j = 0; j <= n; ++j) {
        const double x = a + j * h;
        const double v = sign * f(x);
        if (v > bestV) {
            bestV = v;
            bestX = x;
        }
    }
    // 1e-4 Hz is a hundredth of the precision the labels and the pairing use.
    const double x = GoldenSection(f, std::max(a, bestX - h), std::min(b, bestX + h), sign, 1e-4);
    const double v = sign * f(x);
    if (v >= bestV) {
        pos = static_cast<float>(x);
        y = static_cast<float>(sign * v);
    } else {
        pos = static_cast<float>(bestX);
        y = static_cast<float>(sign * bestV);
    }
}

}  // namespace

double ExactEnvelopeAt(const SimulationState& s, double x) {
    const LineShapeTicks& t = s.ticks;
    if (t.mnuLorGauss) {
        const double f = s.Slider4 / 100.0;
        return f * LorentzSum(s, x) + (1.0 - f) * GaussSum(s, x);
    }
    if (t.mnuLorentzian) return LorentzSum(s, x);
    if (t.mnuGaussian) return GaussSum(s, x);
    return 0.0;
}

void RefineExtrema(SimulationState& s) {
    s.SimMaxPos.assign(static_cast<std::size_t>(s.NMultRelMax) + 1, 0.0f);
    s.SimMaxY.assign(s.SimMaxPos.size(), 0.0f);
    s.SimMinPos.assign(static_cast<std::size_t>(s.NMultRelMin) + 1, 0.0f);
    s.SimMinY.assign(s.SimMinPos.size(), 0.0f);
    for (int p = 1; p <= s.NMultRelMax; ++p) RefineOne(s, s.SimMaxIndex[p], 1.0, s.SimMaxPos[p], s.SimMaxY[p]);
    for (int p = 1; p <= s.NMultRelMin; ++p) RefineOne(s, s.SimMinIndex[p], -1.0, s.SimMinPos[p], s.SimMinY[p]);
}

}  // namespace quble
