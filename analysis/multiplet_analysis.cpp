#include "analysis/multiplet_analysis.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include <Eigen/Dense>

#include "analysis/journal_text.h"
#include "analysis/line_model.h"
#include "analysis/simulation_fit.h"

namespace quble::analysis {

namespace {

struct Peak {
    double hz = 0.0;
    double height = 0.0;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// Noise from the first differences: a smooth signal adds little to them,
// so their robust spread is the noise's times sqrt(2).
double NoiseSd(const std::vector<double>& y) {
    std::vector<double> d;
    for (std::size_t i = 1; i < y.size(); ++i) d.push_back(y[i] - y[i - 1]);
    const double med = Median(d);
    for (double& v : d) v = std::abs(v - med);
    return Median(d) / 0.6745 / std::sqrt(2.0);
}

// Local maxima of the 1-2-1 smoothed points standing out from their
// surroundings by more than `minProminence`, with the vertex of a parabola
// through the top three points.
std::vector<Peak> PickPeaks(const std::vector<double>& hz, const std::vector<double>& y, double minProminence) {
    const std::size_t n = y.size();
    std::vector<double> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double l = y[i == 0 ? 0 : i - 1], r = y[i + 1 < n ? i + 1 : i];
        s[i] = 0.25 * l + 0.5 * y[i] + 0.25 * r;
    }
    std::vector<Peak> peaks;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (!(s[i] > s[i - 1] && s[i] >= s[i + 1])) continue;
        double leftMin = s[i], rightMin = s[i];
        std::size_t k = i;
        while (k > 0 && s[k - 1] <= s[i]) leftMin = std::min(leftMin, s[--k]);
        const bool leftEdge = k == 0;
        k = i;
        while (k + 1 < n && s[k + 1] <= s[i]) rightMin = std::min(rightMin, s[++k]);
        const bool rightEdge = k + 1 == n;
        // A side running into the range's end has no saddle there.
        const double saddle = leftEdge ? rightMin : rightEdge ? leftMin : std::max(leftMin, rightMin);
        if (s[i] - saddle < minProminence) continue;
        const double a = s[i - 1], b = s[i], c = s[i + 1];
        const double den = a - 2.0 * b + c;
        double off = den < 0.0 ? 0.5 * (a - c) / den : 0.0;
        off = std::clamp(off, -0.5, 0.5);
        const double step = hz[i + 1] - hz[i];
        peaks.push_back({hz[i] + off * step, b - 0.25 * (a - c) * off});
    }
    return peaks;
}

// Full width at half height of the peak nearest `at`, from where the points
// first fall below half its height on either side; the narrower side is the
// one least widened by neighbours.
double WidthAt(const std::vector<double>& hz, const std::vector<double>& y, double at, double height) {
    const std::size_t n = y.size();
    std::size_t i = static_cast<std::size_t>(std::lower_bound(hz.begin(), hz.end(), at) - hz.begin());
    i = std::min(i, n - 1);
    const double half = 0.5 * height;
    double best = 0.0;
    std::size_t l = i;
    while (l > 0 && y[l] > half) --l;
    if (y[l] <= half && l < i) {
        const double x = hz[l] + (half - y[l]) / (y[l + 1] - y[l]) * (hz[l + 1] - hz[l]);
        best = 2.0 * (at - x);
    }
    std::size_t r = i;
    while (r + 1 < n && y[r] > half) ++r;
    if (y[r] <= half && r > i) {
        const double x = hz[r - 1] + (y[r - 1] - half) / (y[r - 1] - y[r]) * (hz[r] - hz[r - 1]);
        const double w = 2.0 * (x - at);
        best = best > 0.0 ? std::min(best, w) : w;
    }
    return best;
}

// Reads couplings from line positions given in whole units, the classic
// way: the first line is one unit; the nearest line not yet explained by
// the couplings found so far lies one new coupling away from it, and every
// combination with that coupling is then removed. Empty when the lines do
// not decompose.
std::vector<double> DecomposeLines(const std::vector<Peak>& peaks, const std::vector<int>& units, double tol,
                                   int maxCouplings) {
    std::vector<double> pos;
    std::vector<int> left = units;
    for (const auto& p : peaks) pos.push_back(p.hz);
    const std::size_t n = pos.size();
    auto take = [&](double at) {
        std::size_t best = n;
        double bestD = tol;
        for (std::size_t k = 0; k < n; ++k) {
            if (left[k] > 0 && std::abs(pos[k] - at) <= bestD) {
                bestD = std::abs(pos[k] - at);
                best = k;
            }
        }
        if (best == n) return false;
        --left[best];
        return true;
    };
    const double first = pos[0];
    --left[0];
    std::vector<double> combos{0.0};
    std::vector<double> j;
    while (true) {
        std::size_t k = 0;
        while (k < n && left[k] == 0) ++k;
        if (k == n) break;
        if (static_cast<int>(j.size()) == maxCouplings) return {};
        const double c = pos[k] - first;
        if (c < 0.5 * tol) return {};
        std::vector<double> added;
        for (double b : combos) {
            if (!take(first + b + c)) return {};
            added.push_back(b + c);
        }
        combos.insert(combos.end(), added.begin(), added.end());
        j.push_back(c);
    }
    return j;
}

struct Candidate {
    FitResult fit;
    std::vector<double> j;  // as fitted, tied entries equal
    double bic = 0.0;
};

double Bic(const FitResult& f, std::size_t n) {
    const double nn = static_cast<double>(n);
    return nn * std::log(std::max(f.rss, 1e-300) / nn) + f.freeParameters * std::log(nn);
}

// Couplings within `tol` of each other made equal (their mean), so the fit
// ties them.
std::vector<double> TieClose(std::vector<double> j, double tol) {
    std::sort(j.begin(), j.end(), std::greater<>());
    std::size_t i = 0;
    while (i < j.size()) {
        std::size_t e = i + 1;
        while (e < j.size() && j[e - 1] - j[e] <= tol) ++e;
        const double mean = std::accumulate(j.begin() + static_cast<std::ptrdiff_t>(i), j.begin() + static_cast<std::ptrdiff_t>(e), 0.0) /
                            static_cast<double>(e - i);
        for (std::size_t k = i; k < e; ++k) j[k] = mean;
        i = e;
    }
    return j;
}

Candidate FitCouplings(const std::vector<double>& hz, const std::vector<double>& y, double centre,
                       const std::vector<double>& j, double width, double lorentz) {
    FitInput in;
    in.hydrogens.push_back({centre, j, false, {}});
    in.widthHz = width;
    in.lorentzFraction = lorentz;
    in.maxEvaluations = 200;
    Candidate c;
    c.fit = FitSimulation(hz, y, in);
    if (c.fit.ok) {
        c.j = c.fit.hydrogens[0].jHz;
        c.bic = Bic(c.fit, hz.size());
    } else {
        c.bic = 1e300;
    }
    return c;
}

bool Sensible(const Candidate& c, double span) {
    if (!c.fit.ok || c.fit.scale <= 0.0 || c.fit.widthHz > span) return false;
    for (double v : c.j)
        if (!(v > 0.0) || v > span) return false;
    return true;
}

// What a fit leaves unexplained beyond the noise.
double Excess(const FitResult& f, std::size_t n, double sigma) {
    return std::max(0.0, f.rss - static_cast<double>(n - static_cast<std::size_t>(f.freeParameters)) * sigma * sigma);
}

// More couplings must explain most of what fewer leave unexplained: on
// measured lines, whose shape is never exactly the model's, a criterion on
// the residual alone always takes the richer reading.
// The richer reading must also explain the points nearly to the noise, as
// a true first-order pattern does.
double Misfit(const FitResult& f, const std::vector<double>& hz, double sigma) {
    const double mid = 0.5 * (hz.front() + hz.back());
    double signal = 0.0;
    for (std::size_t i = 0; i < f.model.size(); ++i) {
        const double v = f.model[i] - (f.baselineHz0 + f.baselineSlope * (hz[i] - mid));
        signal += v * v;
    }
    return signal > 0.0 ? std::sqrt(Excess(f, hz.size(), sigma) / signal) : 1.0;
}

// The noise both are judged against is the region's estimate, or the richer
// reading's own residual where that is smaller: the estimate comes from the
// first differences, which on finely digitised narrow lines hold the lines'
// slopes as well, and a reading that leaves less than the estimate shows the
// noise to be lower. Judged against the inflated figure, a simpler reading
// that leaves ten times the noise would pass as explaining the points.
bool ClearlyBetter(const Candidate& richer, const Candidate& simpler, const std::vector<double>& hz, double sigma) {
    const std::size_t n = hz.size();
    const double dof = static_cast<double>(n) - static_cast<double>(richer.fit.freeParameters);
    if (dof > 0.0) sigma = std::min(sigma, std::sqrt(richer.fit.rss / dof));
    return richer.bic < simpler.bic - 10.0 && Excess(richer.fit, n, sigma) < 0.5 * Excess(simpler.fit, n, sigma) &&
           Misfit(richer.fit, hz, sigma) < 0.05;
}

std::size_t Distinct(const std::vector<double>& j) {
    std::vector<double> v = j;
    std::sort(v.begin(), v.end());
    return static_cast<std::size_t>(std::unique(v.begin(), v.end(), [](double a, double b) { return std::abs(a - b) <= 1e-9; }) - v.begin());
}

// Tied couplings of *best split where the data tell them apart: a split must
// lower the criterion clearly and leave the two values apart by more than
// their errors. A split that is apart but not clearly better is kept in
// *refused when it beats what is there, for a later reading to start from.
void SplitTies(const std::vector<double>& hz, const std::vector<double>& y, double span, double sigma,
               Candidate* best, std::optional<Candidate>* refused) {
    for (int round = 0; round < 4; ++round) {
        bool improved = false;
        const auto& j = best->j;
        for (std::size_t i = 0; i + 1 < j.size() && !improved; ++i) {
            if (std::abs(j[i] - j[i + 1]) > 1e-9) continue;
            std::size_t e = i;
            while (e < j.size() && std::abs(j[e] - j[i]) <= 1e-9) ++e;
            const double d = std::max(0.15 * best->fit.widthHz, 0.1);
            std::vector<double> trial = j;
            const double others = static_cast<double>(e - i - 1);
            trial[i] = j[i] + d;
            for (std::size_t k = i + 1; k < e; ++k) trial[k] = j[i] - d / others;
            Candidate c = FitCouplings(hz, y, best->fit.hydrogens[0].shiftHz, trial, best->fit.widthHz,
                                       best->fit.lorentzFraction);
            if (!Sensible(c, span)) continue;
            const auto& cj = c.fit.hydrogens[0].jHz;
            const auto& sd = c.fit.hydrogens[0].jSdHz;
            const bool apart = std::abs(cj[i] - cj[i + 1]) > 3.0 * std::hypot(sd[i], sd[i + 1]);
            if (!apart) continue;
            if (ClearlyBetter(c, *best, hz, sigma)) {
                *best = std::move(c);
                improved = true;
            } else if (c.bic < (*refused ? (*refused)->bic : best->bic)) {
                *refused = std::move(c);
            }
        }
        if (!improved) break;
    }
}

// How far the first-order reading is from what the lines themselves show.
// Measured lines are seldom all of one width (a slightly second-order
// partner, exchange, shimming), which leaves a residual no coupling set can
// remove; judged by that residual alone, a sound reading of such lines looks
// no better than noise. So each line of the reading also gets a linearised
// freedom of height, position and width: what this free sum still leaves is
// the misfit of the shape, and the free lines' positions and areas against
// the reading's say whether the couplings and the first-order intensity
// ratios explain them.
struct FreeLines {
    double misfit = 1.0;      // as Misfit(), of the free sum
    double worstShiftHz = 0.0;  // of a line from its first-order position, beyond its error
    double worstArea = 0.0;     // relative area change of a line, beyond its error
    // The free sum's residual variance over the reading's (at most 1): the
    // share of the reading's residual that is noise rather than line shape.
    double noiseShare = 1.0;
};

// A free line's area known no better than ten times itself is not known.
constexpr double kUnknownArea = 10.0;

FreeLines CompareWithFreeLines(const FitResult& f, const std::vector<double>& hz, const std::vector<double>& y,
                               double sigma) {
    FreeLines out;
    const auto& h = f.hydrogens[0];
    const double hw = 0.5 * f.widthHz;
    // Lines of the reading closer than a fifth of the width are one line.
    struct Cluster {
        double at = 0.0, intensity = 0.0;
    };
    std::vector<Cluster> cl;
    auto lines = FirstOrderLines(GroupCouplings(h.jHz));
    std::sort(lines.begin(), lines.end(), [](const ModelLine& a, const ModelLine& b) { return a.offsetHz < b.offsetHz; });
    for (const auto& l : lines) {
        if (!cl.empty() && l.offsetHz + h.shiftHz - cl.back().at < 0.2 * f.widthHz) {
            Cluster& c = cl.back();
            c.at = (c.at * c.intensity + (h.shiftHz + l.offsetHz) * l.intensity) / (c.intensity + l.intensity);
            c.intensity += l.intensity;
        } else {
            cl.push_back({h.shiftHz + l.offsetHz, l.intensity});
        }
    }
    const std::size_t n = hz.size(), k = cl.size();
    const Eigen::Index cols = static_cast<Eigen::Index>(3 * k + 2);
    if (n <= static_cast<std::size_t>(cols) + 2 || !(hw > 0.0)) return out;
    Eigen::MatrixXd a(static_cast<Eigen::Index>(n), cols);
    Eigen::VectorXd b(static_cast<Eigen::Index>(n));
    const double mid = 0.5 * (hz.front() + hz.back());
    const double dp = 0.01 * hw, dw = 0.01 * hw;
    for (std::size_t i = 0; i < n; ++i) {
        const auto r = static_cast<Eigen::Index>(i);
        for (std::size_t c = 0; c < k; ++c) {
            const double d = hz[i] - cl[c].at;
            const auto col = static_cast<Eigen::Index>(3 * c);
            a(r, col) = LineShapeAt(d, hw, f.lorentzFraction);
            a(r, col + 1) = (LineShapeAt(d - dp, hw, f.lorentzFraction) - LineShapeAt(d + dp, hw, f.lorentzFraction)) / (2.0 * dp);
            a(r, col + 2) = (LineShapeAt(d, hw + dw, f.lorentzFraction) - LineShapeAt(d, hw - dw, f.lorentzFraction)) / (2.0 * dw);
        }
        a(r, cols - 2) = 1.0;
        a(r, cols - 1) = hz[i] - mid;
        b[r] = y[i];
    }
    // Columns scaled to unit length keep the normal equations well conditioned.
    Eigen::VectorXd norm = a.colwise().norm().transpose();
    for (Eigen::Index c = 0; c < cols; ++c) {
        if (norm[c] <= 0.0) return out;
        a.col(c) /= norm[c];
    }
    const Eigen::MatrixXd ata = a.transpose() * a;
    Eigen::LDLT<Eigen::MatrixXd> ldlt(ata);
    if (ldlt.info() != Eigen::Success) return out;
    const Eigen::VectorXd x = ldlt.solve(a.transpose() * b);
    const Eigen::VectorXd res = b - a * x;
    const double rss = res.squaredNorm();
    double signal = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double v = f.model[i] - (f.baselineHz0 + f.baselineSlope * (hz[i] - mid));
        signal += v * v;
    }
    const double excess = std::max(0.0, rss - static_cast<double>(n - static_cast<std::size_t>(cols)) * sigma * sigma);
    out.misfit = signal > 0.0 ? std::sqrt(excess / signal) : 1.0;
    const double freeVar = std::max(rss / static_cast<double>(n - static_cast<std::size_t>(cols)), sigma * sigma);
    const double readingVar = f.rss / static_cast<double>(n - static_cast<std::size_t>(f.freeParameters));
    out.noiseShare = readingVar > 0.0 ? std::min(1.0, freeVar / readingVar) : 1.0;
    // Errors of the coefficients, doubled as neighbouring points of a
    // processed spectrum are not independent.
    const Eigen::MatrixXd cov = ldlt.solve(Eigen::MatrixXd::Identity(cols, cols)) * (4.0 * sigma * sigma);
    for (std::size_t c = 0; c < k; ++c) {
        const auto col = static_cast<Eigen::Index>(3 * c);
        const double amp = x[col] / norm[col], sdAmp = std::sqrt(std::max(0.0, cov(col, col))) / norm[col];
        const double pos = x[col + 1] / norm[col + 1], sdPos = std::sqrt(std::max(0.0, cov(col + 1, col + 1))) / norm[col + 1];
        const double wid = x[col + 2] / norm[col + 2], sdWid = std::sqrt(std::max(0.0, cov(col + 2, col + 2))) / norm[col + 2];
        const double expected = f.scale * cl[c].intensity;
        if (!(expected > 0.0)) {
            out.worstArea = std::max(out.worstArea, 1.0);
            continue;
        }
        // Area of a line goes with height times half width.
        const double area = (amp * hw + wid) / (expected * hw);
        const double sdArea = std::hypot(sdAmp * hw, sdWid) / (expected * hw);
        if (!(amp > 0.0)) {
            // A free line below zero where the reading has one is a misfit,
            // unless the free lines cannot tell its area at all: lines a
            // third of a width apart (a ddddd of close couplings) trade
            // heights without bound, and that says nothing of the reading.
            if (sdArea < kUnknownArea) out.worstArea = std::max(out.worstArea, 1.0);
            continue;
        }
        out.worstArea = std::max(out.worstArea, std::abs(area - 1.0) - 3.0 * sdArea);
        const double shift = pos / amp, sdShift = std::abs(shift) * std::hypot(sdPos / std::max(std::abs(pos), 1e-300), sdAmp / amp);
        out.worstShiftHz = std::max(out.worstShiftHz, std::abs(shift) - 3.0 * sdShift);
    }
    return out;
}

}  // namespace

std::vector<double> MultipletAnalysis::AllCouplings() const {
    std::vector<double> all;
    for (std::size_t i = 0; i < jHz.size(); ++i) all.insert(all.end(), static_cast<std::size_t>(jCount[i]), jHz[i]);
    return all;
}

MultipletAnalysis AnalyseMultiplet(std::span<const double> hzIn, std::span<const double> yIn, double mhz,
                                   const AnalysisOptions& options) {
    MultipletAnalysis out;
    if (hzIn.size() != yIn.size() || hzIn.size() < 16 || !(mhz > 0.0)) {
        out.note = "too few points";
        return out;
    }
    // Ascending frequency internally.
    std::vector<std::size_t> order(hzIn.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return hzIn[a] < hzIn[b]; });
    std::vector<double> hz, y;
    for (std::size_t i : order) {
        hz.push_back(hzIn[i]);
        y.push_back(yIn[i]);
    }
    const std::size_t n = hz.size();
    out.fromHz = hz.back();
    out.toHz = hz.front();
    out.fromPpm = out.fromHz / mhz;
    out.toPpm = out.toHz / mhz;
    const double span = hz.back() - hz.front();
    const double step = span / static_cast<double>(n - 1);

    // Baseline through the medians of the two ends.
    const std::size_t endCount = std::max<std::size_t>(3, n / 40);
    std::vector<double> lo(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(endCount));
    std::vector<double> hi(y.end() - static_cast<std::ptrdiff_t>(endCount), y.end());
    const double x0 = 0.5 * (hz[0] + hz[endCount - 1]), x1 = 0.5 * (hz[n - endCount] + hz[n - 1]);
    const double y0 = Median(lo), y1 = Median(hi);
    std::vector<double> yc(n);
    for (std::size_t i = 0; i < n; ++i) yc[i] = y[i] - (y0 + (y1 - y0) * (hz[i] - x0) / (x1 - x0));
    const double sigma = std::max(NoiseSd(yc), 1e-12 * (std::abs(y0) + std::abs(y1) + 1.0));
    // Lines are picked against the whole spectrum's noise where it is known
    // and lower: in a region that is all multiplet the region's own estimate
    // takes the lines' slopes for noise and hides the shallower maxima. The
    // fit quality is still judged against the region's own figure, which
    // also holds what the first-order model cannot (a slightly second-order
    // partner), so that such lines are not taken for a worse reading.
    const double pickSigma = options.noiseSd > 0.0 ? std::min(sigma, options.noiseSd) : sigma;
    out.noiseSd = sigma;

    // The centre of a region that is reported as "m": the middle of the
    // intensity above the noise.
    auto reportM = [&](std::string note, double confidence) {
        double sw = 0.0, sx = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            if (yc[i] > 3.0 * sigma) {
                sw += yc[i];
                sx += yc[i] * hz[i];
            }
        }
        out.firstOrder = false;
        out.multiplicity = "m";
        out.jHz.clear();
        out.jCount.clear();
        out.jSdHz.clear();
        out.centreHz = sw > 0.0 ? sx / sw : 0.5 * (hz.front() + hz.back());
        out.centrePpm = out.centreHz / mhz;
        out.confidence = std::min(confidence, 0.45);
        out.note = std::move(note);
        char buf[160];
        std::snprintf(buf, sizeof buf, "\xCE\xB4 %.2f\xE2\x80\x93%.2f (m, 1H)", out.fromPpm, out.toPpm);
        out.text = buf;
        return out;
    };

    const double top = *std::max_element(yc.begin(), yc.end());
    if (top < 10.0 * sigma) return reportM("no signal above the noise", 0.0);

    auto peaks = PickPeaks(hz, yc, std::max(5.0 * pickSigma, 0.01 * top));
    out.peaks = static_cast<int>(peaks.size());
    if (peaks.empty()) return reportM("no line found", 0.0);
    if (peaks.size() > 128) return reportM("too many lines for a first-order multiplet", 0.1);

    // Start width: the narrower of the tallest and the outermost lines.
    std::vector<double> widths;
    const auto tallest = std::max_element(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.height < b.height; });
    for (const Peak* p : {&peaks.front(), &peaks.back(), &*tallest}) {
        const double w = WidthAt(hz, yc, p->hz, p->height);
        if (w > 0.0) widths.push_back(w);
    }
    double width = widths.empty() ? 4.0 * step : *std::min_element(widths.begin(), widths.end());
    width = std::max(width, 2.0 * step);
    const double centre0 = 0.5 * (peaks.front().hz + peaks.back().hz);
    const double tol = std::max({0.35 * width, 2.0 * step, 0.15});

    // Candidate coupling sets from several readings of the line units.
    std::vector<std::vector<double>> sets;
    auto addSet = [&](std::vector<double> j) {
        j = TieClose(std::move(j), std::max(0.25 * width, 0.1));
        for (const auto& s : sets) {
            if (s.size() == j.size() && std::equal(s.begin(), s.end(), j.begin(), [](double a, double b) { return std::abs(a - b) < 0.02; }))
                return;
        }
        sets.push_back(std::move(j));
    };
    if (peaks.size() == 1) addSet({});
    double total = 0.0;
    for (const auto& p : peaks) total += p.height;
    const double outerUnit = 0.5 * (peaks.front().height + peaks.back().height);
    std::vector<double> unitGuesses{outerUnit};
    const double sumUnits = total / outerUnit;
    const int nGuess = static_cast<int>(std::lround(std::log2(std::max(1.0, sumUnits))));
    for (int k = std::max(0, nGuess - 1); k <= std::min(options.maxCouplings, nGuess + 1); ++k)
        unitGuesses.push_back(total / std::ldexp(1.0, k));
    for (double u : unitGuesses) {
        if (!(u > 0.0)) continue;
        std::vector<int> units;
        for (const auto& p : peaks) units.push_back(std::max(1, static_cast<int>(std::lround(p.height / u))));
        const int sum = std::accumulate(units.begin(), units.end(), 0);
        if (sum > (1 << options.maxCouplings) || (sum & (sum - 1)) != 0) continue;
        auto j = DecomposeLines(peaks, units, tol, options.maxCouplings);
        if (!j.empty() || peaks.size() == 1) addSet(std::move(j));
    }
    // Every line one unit when their number is a power of two.
    if (peaks.size() > 1 && (peaks.size() & (peaks.size() - 1)) == 0) {
        auto j = DecomposeLines(peaks, std::vector<int>(peaks.size(), 1), tol, options.maxCouplings);
        if (!j.empty()) addSet(std::move(j));
    }
    if (sets.empty()) return reportM("the lines do not decompose into first-order couplings", 0.2);

    std::vector<Candidate> cands;
    for (const auto& j : sets) {
        Candidate c = FitCouplings(hz, y, centre0, j, width, 0.7);
        if (Sensible(c, span)) cands.push_back(std::move(c));
    }
    if (cands.empty()) return reportM("no first-order fit", 0.2);
    // Fewest distinct couplings first; a richer reading replaces it only
    // when clearly better.
    std::sort(cands.begin(), cands.end(), [](const Candidate& a, const Candidate& b) {
        const auto da = Distinct(a.j), db = Distinct(b.j);
        return da != db ? da < db : a.bic < b.bic;
    });
    Candidate best = cands.front();
    for (const auto& c : cands) {
        if (Distinct(c.j) == Distinct(best.j) ? c.bic < best.bic : ClearlyBetter(c, best, hz, sigma)) best = c;
    }

    std::optional<Candidate> refused;  // the best split the rules turned down
    SplitTies(hz, y, span, sigma, &best, &refused);

    // One more coupling than the lines showed. Lines hiding a coupling
    // smaller than their width are broadened, and where two of them also
    // merge (a dd whose couplings differ by about that small coupling), a
    // split that is right still leaves the broadening unexplained and is
    // refused, while the tie keeps a fit that only looks good because its
    // lines are as wide as the merged pair. The coupling added to the
    // reading, and to the split the data preferred without it, tells such
    // lines from merely wide ones: with it the right reading explains the
    // points to the noise, which ClearlyBetter demands. Started at half the
    // width, it also finds a larger coupling the peak picking missed.
    // Only where the reading leaves structure: a residual that is noise has
    // first differences as large as itself, one that holds a missed coupling
    // is smoother and larger than its differences. Its steep parts at the
    // lines still add to the differences, so a third more is already
    // structure. A cheap test that spares the exact readings the extra fits.
    const double residualRms = std::sqrt(best.fit.rss / static_cast<double>(n));
    if (residualRms > 1.3 * NoiseSd(best.fit.residual)) {
        std::vector<const Candidate*> bases{&best};
        if (refused && refused->bic < best.bic) bases.push_back(&*refused);
        std::optional<Candidate> hidden;
        for (const Candidate* base : bases) {
            std::vector<double> trial = base->j;
            trial.push_back(0.5 * base->fit.widthHz);
            Candidate c = FitCouplings(hz, y, base->fit.hydrogens[0].shiftHz, trial, 0.7 * base->fit.widthHz,
                                       base->fit.lorentzFraction);
            if (!Sensible(c, span) || !ClearlyBetter(c, best, hz, sigma)) continue;
            if (!hidden || c.bic < hidden->bic) hidden = std::move(c);
        }
        if (hidden) {
            best = std::move(*hidden);
            // The couplings the broadening hid may be what kept a tie.
            SplitTies(hz, y, span, sigma, &best, &refused);
        }
    }

    // A coupling the fit cannot distinguish from the width goes: it would
    // be invented from the line shape, not read from the lines.
    for (int round = 0; round < 8 && !best.j.empty(); ++round) {
        const auto& jr = best.fit.hydrogens[0];
        std::size_t worst = jr.jHz.size();
        for (std::size_t i = 0; i < jr.jHz.size(); ++i) {
            const bool weak = jr.jHz[i] < 0.3 * best.fit.widthHz || jr.jSdHz[i] > 0.25 * jr.jHz[i];
            if (weak && (worst == jr.jHz.size() || jr.jHz[i] < jr.jHz[worst])) worst = i;
        }
        if (worst == jr.jHz.size()) break;
        std::vector<double> fewer = jr.jHz;
        fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(worst));
        Candidate c = FitCouplings(hz, y, jr.shiftHz, fewer, best.fit.widthHz, best.fit.lorentzFraction);
        if (!Sensible(c, span)) break;
        best = std::move(c);
        out.note = "a coupling smaller than the line width is not resolved";
    }

    const FitResult& f = best.fit;
    const auto& h = f.hydrogens[0];
    // Group couplings equal within their errors (and tie them in a last fit).
    {
        std::vector<double> j = h.jHz;
        std::vector<double> sd = h.jSdHz;
        std::vector<std::size_t> idx(j.size());
        std::iota(idx.begin(), idx.end(), 0);
        std::sort(idx.begin(), idx.end(), [&](std::size_t a, std::size_t b) { return j[a] > j[b]; });
        std::vector<double> tied;
        bool changed = false;
        std::size_t i = 0;
        while (i < idx.size()) {
            std::size_t e = i + 1;
            while (e < idx.size() &&
                   j[idx[e - 1]] - j[idx[e]] <= std::max(2.0 * std::hypot(sd[idx[e - 1]], sd[idx[e]]), 1e-9))
                ++e;
            double mean = 0.0;
            for (std::size_t k = i; k < e; ++k) mean += j[idx[k]];
            mean /= static_cast<double>(e - i);
            for (std::size_t k = i; k < e; ++k) {
                if (std::abs(j[idx[k]] - mean) > 1e-9) changed = true;
                tied.push_back(mean);
            }
            i = e;
        }
        if (changed) {
            Candidate c = FitCouplings(hz, y, h.shiftHz, tied, f.widthHz, f.lorentzFraction);
            if (Sensible(c, span)) best = std::move(c);
        }
    }
    const FitResult& fit = best.fit;
    const auto& hr = fit.hydrogens[0];

    // Misfit: the part of the signal the model leaves beyond the noise.
    out.misfit = Misfit(fit, hz, sigma);
    out.r2 = fit.r2;
    if (out.misfit > 0.25) return reportM("no first-order multiplet explains the lines", 0.3 * std::exp(-out.misfit));

    // Distinct couplings with counts, largest first.
    out.firstOrder = true;
    out.centreHz = hr.shiftHz;
    out.centreSdHz = hr.shiftSdHz;
    out.centrePpm = hr.shiftHz / mhz;
    out.widthHz = fit.widthHz;
    out.lorentzFraction = fit.lorentzFraction;
    std::vector<std::size_t> idx(hr.jHz.size());
    std::iota(idx.begin(), idx.end(), 0);
    std::sort(idx.begin(), idx.end(), [&](std::size_t a, std::size_t b) { return hr.jHz[a] > hr.jHz[b]; });
    for (std::size_t k : idx) {
        if (!out.jHz.empty() && std::abs(out.jHz.back() - hr.jHz[k]) <= 1e-9) {
            ++out.jCount.back();
            continue;
        }
        out.jHz.push_back(hr.jHz[k]);
        out.jCount.push_back(1);
        out.jSdHz.push_back(hr.jSdHz[k]);
    }
    std::string letters;
    for (int c : out.jCount) letters += MultiplicityLetter(c);
    out.multiplicity = letters.empty() ? "s" : letters;

    // Confidence: how well the model explains the points, times the chance
    // that every coupling lies within 0.1 Hz given its error (doubled, as
    // neighbouring points of a processed spectrum are not independent),
    // times how clearly the best reading beats the next different one.
    const FreeLines free = CompareWithFreeLines(fit, hz, y, sigma);
    const double shapeMisfit = std::min(out.misfit, free.misfit);
    // 12 % of the signal unexplained even by free lines halves the fit
    // term. A merged hump of many lines taken for one broad singlet leaves
    // about 8 %, which must not pass as near-certain; the free lines take
    // most of the misfit of a sound reading of unequally wide lines.
    const double qFit = 1.0 / (1.0 + std::pow(shapeMisfit / 0.12, 4.0)) /
                        (1.0 + std::pow(std::max(0.0, free.worstShiftHz) / 0.1, 4.0)) /
                        (1.0 + std::pow(std::max(0.0, free.worstArea) / 0.4, 4.0));
    // The errors come from the reading's residual; the part of it the free
    // lines absorb is line shape, whose effect on the positions the free
    // lines' shifts already judge, so only the rest counts as noise here.
    double qJ = 1.0;
    const double sdScale = std::sqrt(free.noiseShare);
    for (double sd : out.jSdHz) qJ *= std::erf(0.1 / (std::sqrt(2.0) * std::max(2.0 * sd * sdScale, 1e-6)));
    double qAlt = 1.0;
    for (const auto& c : cands) {
        if (c.j.size() == best.j.size()) continue;
        const double gap = c.bic - best.bic;
        if (gap < 20.0) qAlt = std::min(qAlt, std::max(0.0, gap) / 20.0);
    }
    out.confidence = std::clamp(qFit * qJ * qAlt, 0.0, 1.0);

    JournalHydrogen jh;
    jh.shiftHz = out.centreHz;
    jh.jHz = out.AllCouplings();
    out.text = JournalLine(jh, mhz);
    return out;
}

}  // namespace quble::analysis
