#include "compare/verify_match.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace quble {

namespace {

std::string Shortest(float v) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

// A label's text read back as a number: its spacing is what the user sees.
float LabelValue(const std::string& text, char decSep) {
    std::string t = text;
    for (char& c : t) {
        if (c == decSep) c = '.';
    }
    return std::strtof(t.c_str(), nullptr);
}

struct SimPeak {
    float hz;   // frequency
    float y;    // height
};

struct ExpMax {
    double hz = 0.0;
    double y = 0.0;  // may be raised from 0 to 1 before dividing
    int t = 0;
};

}  // namespace

MatchResult VerifyMatch(const SimulationState& sim, const ExperimentalOverlay& o, const CompareState& cmp,
                        char decSep) {
    MatchResult r;
    if (!sim.ExpPresent) return r;
    r.ran = true;

    // Simulated maxima (label frequency, height) and minima (frequency,
    // height), 1-based.
    const std::vector<std::string> labels = PeakLabelTexts(sim, decSep);
    std::vector<SimPeak> smax{{0.0f, 0.0f}}, smin{{0.0f, 0.0f}};
    for (int p = 1; p <= sim.NMultRelMax; ++p) {
        if (p < static_cast<int>(sim.SimGapFlag.size()) && sim.SimGapFlag[p] == kNoPeakInSlot) continue;
        const int k = sim.SimMaxIndex[p];
        if (k < kEnvFirst || k > kEnvLast || labels[p].empty()) continue;
        const bool refined = p < static_cast<int>(sim.SimMaxY.size());
        smax.push_back({LabelValue(labels[p], decSep), refined ? sim.SimMaxY[p] : sim.EnvY(k)});
    }
    for (int p = 1; p <= sim.NMultRelMin; ++p) {
        const int k = sim.SimMinIndex[p];
        const bool refined = p < static_cast<int>(sim.SimMinPos.size());
        smin.push_back({sim.AvChemShift - (refined ? sim.SimMinPos[p] : sim.EnvX(k)), refined ? sim.SimMinY[p] : sim.EnvY(k)});
    }
    const int nmax = static_cast<int>(smax.size()) - 1;
    const int nmin = static_cast<int>(smin.size()) - 1;

    const int n = static_cast<int>(std::min(o.ExpXnmrHz.size(), o.ExpYgraf.size())) - 1;
    const int a = std::max(cmp.MatchWindowFirst, 1);
    const int b = std::min(cmp.MatchWindowLast, n);
    auto y = [&](int t) { return o.ExpYgraf[t]; };
    auto f = [&](int t) { return o.ExpXnmrHz[t]; };

    // A maximum whose top may be two equal points: it only sizes the lists
    // but is reported.
    int P = 0;
    for (int t = a + 1; t <= b - 2; ++t) {
        if (y(t) > y(t - 1) && (y(t) > y(t + 1) || (y(t) == y(t + 1) && y(t) > y(t + 2)))) ++P;
    }
    r.List1.push_back("NMaxExp=" + std::to_string(P));
    r.List1.push_back("NMultRelMax=" + std::to_string(nmax));
    r.List1.push_back("NMultRelMin=" + std::to_string(nmin));

    std::vector<ExpMax> mx(1);
    for (int t = a + 1; t <= b - 1; ++t) {
        if (y(t) > y(t - 1) && y(t) > y(t + 1)) mx.push_back({f(t), static_cast<double>(y(t)), t});
    }
    const int M = static_cast<int>(mx.size()) - 1;

    std::vector<int> sel(static_cast<std::size_t>(std::max(nmax, 1)) + 1, 0);
    std::vector<int> minima;
    float best_total = 50000.0f;
    for (int c = 1; c <= M && nmax >= 1; ++c) {
        float posErr = 0.0f, intErr = 0.0f, total = 0.0f;
        float w = 1.0f;
        sel[1] = c;
        double tallest = -1000000.0;
        double sumHz = mx[c].hz;
        float best = 1000000.0f;
        for (int k = 2; k <= nmax; ++k) {
            best = 1000000.0f;
            const double simSpacing = static_cast<double>(smax[1].hz) - smax[k].hz;
            // The nearest spacing is where the distance stops falling. When it
            // still falls at the last maximum, that last one is the nearest;
            // a candidate with no maximum after it keeps the initial distance,
            // so it cannot match.
            int j = c + 1;
            for (; j <= M; ++j) {
                const float d = static_cast<float>(std::fabs((mx[c].hz - mx[j].hz) - simSpacing));
                if (d < best) {
                    best = d;
                } else {
                    break;
                }
            }
            sel[k] = j > c + 1 ? j - 1 : c;
            if (j > c + 1) {
                tallest = std::max(tallest, mx[sel[k]].y);
                sumHz += mx[sel[k]].hz;
            }
            if (mx[sel[k]].y == 0.0) mx[sel[k]].y = 1.0;
            const double e = std::fabs(mx[sel[1]].y / mx[sel[k]].y -
                                       static_cast<double>(smax[1].y) / static_cast<double>(smax[k].y));
            intErr += static_cast<float>(e);
            posErr += best;
            total = posErr + intErr;
            if (sel[k] - sel[1] == k - 1) w *= 0.7f;
        }
        total = w * total;
        total += static_cast<float>(std::fabs(sumHz / nmax - sim.AvChemShift) / 3.0);

        // Valleys between the candidate's first and last peaks.
        minima.assign(1, 0);
        const double lastHz = mx[sel[nmax]].hz;
        for (int t = a + 1; t <= b - 1; ++t) {
            if (f(t) > mx[c].hz) continue;
            if (f(t) < lastHz) break;
            if (y(t) < y(t - 1) && y(t) <= y(t + 1)) minima.push_back(t);
        }
        const int q = static_cast<int>(minima.size()) - 1;
        minima.push_back(b);
        float minIntErr = 0.0f, minPosErr = 0.0f;
        for (int k = 2; k <= nmin; ++k) {
            float bestMin = 1000000.0f;
            const double simSpacing = static_cast<double>(smin[1].hz) - smin[k].hz;
            int j = 2;
            for (; j <= q + 1; ++j) {
                const float d = static_cast<float>(std::fabs((f(minima[1]) - f(minima[j])) - simSpacing));
                if (d < bestMin) {
                    bestMin = d;
                } else {
                    break;
                }
            }
            const int chosen = minima[j - 1];
            double divisor = y(chosen);
            if (divisor == 0.0) divisor = 1.0;
            const double e = std::fabs(y(minima[1]) / divisor -
                                       static_cast<double>(smin[1].y) / static_cast<double>(smin[k].y));
            minIntErr += static_cast<float>(e);
            minPosErr += bestMin;
        }
        total += minPosErr + minIntErr;
        total += 0.3f * static_cast<float>(std::abs(nmin - q));
        // The height factor favours candidates whose chosen peaks are the
        // tall ones. When no further peak was chosen (a simulated singlet),
        // the candidate's own height stands for them: a fixed stand-in would
        // make the verdict depend on the spectrum's absolute intensity.
        if (tallest == -1000000.0) tallest = mx[c].y;
        // Peaks taller than anything in the multiplet's own range belong to
        // another signal (a solvent line in the match window): they earn no
        // bonus, or a range holding only noise would match beside them.
        const double height = std::fabs(static_cast<double>(cmp.ExpMaxIntensity) / tallest);
        total = static_cast<float>(total * std::max(1.0, height));

        if (total < kMatchThreshold) r.List1.push_back("MatchSum(" + std::to_string(c) + ")=" + Shortest(total));
        best_total = std::min(best_total, total);
    }
    r.MatchSumMin = best_total;
    r.List1.push_back("MatchSumMin=" + Shortest(r.MatchSumMin));
    r.match = r.MatchSumMin < kMatchThreshold;
    if (!r.match) {
        r.showNoMatch = true;
        r.title = "No Match!";
        r.text = "It seems that this experimental spectrum\r\ndoes not match the simulated one!";
    }
    return r;
}

}  // namespace quble
