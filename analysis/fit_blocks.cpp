#include "analysis/fit_blocks.h"

#include <cmath>
#include <vector>

namespace quble::analysis {

namespace {

std::size_t Lines(const FitHydrogen& h) {
    std::size_t lines = 1;
    for (double j : h.jHz)
        if (std::abs(j) >= 1e-12 && lines < (std::size_t{1} << 20)) lines *= 2;
    return lines;
}

double HalfSpread(const FitHydrogen& h) {
    double spread = 0.0;
    for (double j : h.jHz) spread += 0.5 * std::abs(j);
    return spread;
}

}  // namespace

std::optional<BlockStart> StartFromBlocks(std::span<const double> hz, std::span<const double> y, const FitInput& in) {
    if (in.fixWidth || in.fixLorentz || in.separateWidths || in.hydrogens.empty()) return std::nullopt;
    if (!(in.widthHz > 0.0) || !std::isfinite(in.widthHz) || hz.size() != y.size()) return std::nullopt;
    std::size_t most = 0;
    for (const auto& h : in.hydrogens) most = std::max(most, Lines(h));
    if (most < kBlocksFromLines) return std::nullopt;
    // A stretch reaches five widths beyond its outer lines, where their
    // Lorentzian is down to 1 %; it must not hold another hydrogen's lines.
    const std::size_t nh = in.hydrogens.size();
    std::vector<double> lo(nh), hi(nh);
    for (std::size_t h = 0; h < nh; ++h) {
        const auto& fh = in.hydrogens[h];
        if (!std::isfinite(fh.shiftHz)) return std::nullopt;
        lo[h] = fh.shiftHz - HalfSpread(fh) - 5.0 * in.widthHz;
        hi[h] = fh.shiftHz + HalfSpread(fh) + 5.0 * in.widthHz;
        if (!std::isfinite(lo[h]) || !std::isfinite(hi[h])) return std::nullopt;
    }
    for (std::size_t a = 0; a < nh; ++a) {
        for (std::size_t b = 0; b < nh; ++b) {
            const double s = in.hydrogens[b].shiftHz, spread = HalfSpread(in.hydrogens[b]);
            if (a != b && s - spread <= hi[a] && s + spread >= lo[a]) return std::nullopt;
        }
    }

    BlockStart out;
    out.start = in;
    double widthSum = 0.0, lorentzSum = 0.0;
    int fitted = 0;
    for (std::size_t h = 0; h < nh; ++h) {
        std::vector<double> bhz, by;
        for (std::size_t i = 0; i < hz.size(); ++i) {
            if (hz[i] >= lo[h] && hz[i] <= hi[h]) {
                bhz.push_back(hz[i]);
                by.push_back(y[i]);
            }
        }
        FitInput block = in;
        block.hydrogens = {in.hydrogens[h]};
        block.chooseTies = false;
        // Scale and baseline are the stretch's own.
        block.scale = 0.0;
        block.fixScale = false;
        // Every run's effort counts in the whole fit's; a cancel ends it at once.
        auto run = [&](const FitInput& i) {
            FitResult r = FitWithTies(bhz, by, i);
            out.evaluations += r.evaluations;
            out.iterations += r.iterations;
            if (r.cancelled) out.cancelled = true;
            return r;
        };
        // Trial shapes around the start: the couplings settle at each with the
        // shape held, which they do quickly, and the best is released.
        FitResult best;
        double bestWidth = in.widthHz, bestLorentz = in.lorentzFraction;
        for (double w : {0.8, 1.0, 1.25}) {
            for (double f : {0.3, 0.6, 0.9}) {
                FitInput trial = block;
                trial.widthHz = w * in.widthHz;
                trial.lorentzFraction = f;
                trial.fixWidth = trial.fixLorentz = true;
                trial.maxEvaluations = 30;
                FitResult r = run(trial);
                if (r.cancelled) return out;
                if (r.ok && (!best.ok || r.rss < best.rss)) {
                    best = std::move(r);
                    bestWidth = trial.widthHz;
                    bestLorentz = f;
                }
            }
        }
        if (!best.ok) return std::nullopt;  // too few points and the like: the whole fit says why
        FitInput released = block;
        released.hydrogens[0].shiftHz = best.hydrogens[0].shiftHz;
        released.hydrogens[0].jHz = best.hydrogens[0].jHz;
        released.widthHz = bestWidth;
        released.lorentzFraction = bestLorentz;
        FitResult r = run(released);
        if (r.cancelled) return out;
        const FitResult& use = r.ok && r.rss <= best.rss ? r : best;
        out.start.hydrogens[h].shiftHz = use.hydrogens[0].shiftHz;
        out.start.hydrogens[h].jHz = use.hydrogens[0].jHz;
        widthSum += use.widthHz;
        lorentzSum += use.lorentzFraction;
        ++fitted;
    }
    out.start.widthHz = widthSum / fitted;
    out.start.lorentzFraction = lorentzSum / fitted;
    return out;
}

FitResult FitSimulation(std::span<const double> hz, std::span<const double> y, const FitInput& in) {
    const auto blocks = StartFromBlocks(hz, y, in);
    if (!blocks) return FitWithTies(hz, y, in);
    if (blocks->cancelled) {
        FitResult r;
        r.error = "the fit was cancelled";
        r.cancelled = true;
        return r;
    }
    FitResult r = FitWithTies(hz, y, blocks->start);
    if (!r.ok && !r.cancelled) return FitWithTies(hz, y, in);
    r.iterations += blocks->iterations;
    r.evaluations += blocks->evaluations;
    return r;
}

}  // namespace quble::analysis
