#include "analysis/line_model.h"

#include <cmath>
#include <numbers>

namespace quble::analysis {

std::vector<CouplingGroup> GroupCouplings(std::span<const double> jHz) {
    std::vector<CouplingGroup> groups;
    for (double j : jHz) {
        if (!std::isfinite(j) || std::abs(j) < 1e-12) continue;
        bool found = false;
        for (auto& g : groups) {
            if (std::abs(g.jHz - j) <= 1e-9) {
                ++g.count;
                found = true;
                break;
            }
        }
        if (!found) groups.push_back({j, 1});
    }
    return groups;
}

std::vector<ModelLine> FirstOrderLines(std::span<const CouplingGroup> groups) {
    std::vector<ModelLine> lines{{0.0, 1.0}};
    for (const auto& g : groups) {
        std::vector<ModelLine> next;
        next.reserve(lines.size() * static_cast<std::size_t>(g.count + 1));
        // Binomial weights C(m, k) / 2^m for offsets (m - 2k) J / 2.
        double w = std::ldexp(1.0, -g.count);
        for (int k = 0; k <= g.count; ++k) {
            const double off = 0.5 * (g.count - 2 * k) * g.jHz;
            for (const auto& l : lines) next.push_back({l.offsetHz + off, l.intensity * w});
            w = w * (g.count - k) / (k + 1);
        }
        lines.swap(next);
    }
    return lines;
}

double LineShapeAt(double d, double halfWidthHz, double lorentzFraction) {
    const double u = d / halfWidthHz;
    const double lor = 1.0 / (1.0 + u * u);
    const double gau = std::exp(-std::numbers::ln2 * u * u);
    return lorentzFraction * lor + (1.0 - lorentzFraction) * gau;
}

std::vector<double> EvaluateModel(std::span<const double> hz, std::span<const ModelHydrogen> hydrogens,
                                  double widthHz, double lorentzFraction, double scale) {
    std::vector<double> y(hz.size(), 0.0);
    const double hw = 0.5 * std::abs(widthHz);
    for (const auto& h : hydrogens) {
        const auto groups = GroupCouplings(h.jHz);
        for (const auto& l : FirstOrderLines(groups)) {
            const double centre = h.shiftHz + l.offsetHz;
            const double a = scale * l.intensity;
            for (std::size_t i = 0; i < hz.size(); ++i) y[i] += a * LineShapeAt(hz[i] - centre, hw, lorentzFraction);
        }
    }
    return y;
}

}  // namespace quble::analysis
