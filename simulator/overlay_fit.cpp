#include "simulator/overlay_fit.h"

#include <algorithm>
#include <cmath>

#include "core/number_text.h"

namespace quble {

namespace {

// Box text of a fitted value: a thousandth of a hertz is below anything a
// spectrum resolves, and a longer text would not fit the box.
std::string BoxText(double v, char decSep, double steps = 1000.0) {
    double r = std::nearbyint(v * steps) / steps;
    if (r == 0.0) r = 0.0;  // no "-0"
    return FormatNumber(r, decSep);
}

// A J box is sized for texts like "11.28": a fitted coupling goes in to a
// hundredth, which is finer than its standard error in any real spectrum.
std::string JBoxText(double v, char decSep) { return BoxText(v, decSep, 100.0); }

int FreeCount(const analysis::FitInput& in) {
    int n = 0;
    for (const auto& h : in.hydrogens) {
        if (!h.fixShift) ++n;
        std::vector<double> seen;
        for (std::size_t k = 0; k < h.jHz.size(); ++k) {
            if (k < h.fixJ.size() && h.fixJ[k]) continue;
            if (std::find(seen.begin(), seen.end(), h.jHz[k]) != seen.end()) continue;
            seen.push_back(h.jHz[k]);
            ++n;
        }
    }
    if (!in.fixWidth) ++n;
    if (!in.fixLorentz) ++n;
    if (!in.fixScale) ++n;
    if (!in.fixBaseline) n += 2;
    return n;
}

}  // namespace

OverlayFitChoice DefaultFitChoice() { return {}; }

std::optional<OverlayFitSetup> PrepareOverlayFit(const SimulationState& sim, const ExperimentalOverlay& overlay,
                                                 const OverlayFitChoice& choice, std::string* error) {
    const std::size_t n = std::min(overlay.ExpXnmrHz.size(), overlay.ExpYgraf.size());
    if (!sim.ExpPresent || n < 2) {
        *error = "There is no experimental spectrum on the graph: open one and transfer it first.";
        return std::nullopt;
    }
    if (sim.NH < 1 || !(sim.Width > 0.0f)) {
        *error = "There is no calculated multiplet to start from: press Go first.";
        return std::nullopt;
    }
    OverlayFitSetup s;
    analysis::FitInput& in = s.input;
    double hi = -1e300, lo = 1e300;
    for (int h = 1; h <= sim.NH; ++h) {
        analysis::FitHydrogen fh;
        fh.shiftHz = sim.Shift[h];
        fh.fixShift = !choice.varyShift[h];
        double spread = 0.0;
        for (int k = 1; k <= sim.NJ[h]; ++k) {
            const double j = sim.JVal[h][k];
            fh.jHz.push_back(j);
            // A zero box is no coupling: there is nothing to fit.
            fh.fixJ.push_back(!choice.varyJ[h][k] || j == 0.0);
            spread += std::fabs(j) / 2.0;
        }
        // A tied group follows its first box.
        for (std::size_t k = 1; k < fh.jHz.size(); ++k)
            for (std::size_t m = 0; m < k; ++m)
                if (fh.jHz[m] == fh.jHz[k]) {
                    fh.fixJ[k] = fh.fixJ[m];
                    break;
                }
        hi = std::max(hi, fh.shiftHz + spread);
        lo = std::min(lo, fh.shiftHz - spread);
        in.hydrogens.push_back(std::move(fh));
    }
    in.widthHz = sim.Width;
    in.lorentzFraction = sim.ticks.mnuLorGauss ? sim.Slider4 / 100.0 : sim.ticks.mnuLorentzian ? 1.0 : 0.0;
    in.fixWidth = !choice.varyWidth;
    in.fixLorentz = !choice.varyLorentz;
    in.fixBaseline = !choice.varyBaseline;
    const double margin = 4.0 * sim.Width + 1.0;
    s.toHz = lo - margin;
    s.fromHz = hi + margin;
    for (std::size_t i = 1; i < n; ++i) {
        const double f = overlay.ExpXnmrHz[i];
        if (f > s.fromHz || f < s.toHz || !std::isfinite(f)) continue;
        s.hz.push_back(f);
        s.y.push_back(static_cast<double>(overlay.ExpYgraf[i]));
        s.point.push_back(static_cast<int>(i));
    }
    const int free = FreeCount(in);
    if (free == 0) {
        *error = "Every parameter is held fixed: there is nothing to fit.";
        return std::nullopt;
    }
    if (static_cast<int>(s.hz.size()) < std::max(8, 2 * free)) {
        *error = "The experimental spectrum has too few points between " + FormatNumber(s.toHz, '.') + " Hz and " +
                 FormatNumber(s.fromHz, '.') + " Hz to fit " + std::to_string(free) + " parameters.";
        return std::nullopt;
    }
    return s;
}

SimulationInput BoxesFromFit(const SimulationInput& before, const SimulationState& sim,
                             const analysis::FitResult& r, const OverlayFitChoice& choice, int* lorentzPercent) {
    SimulationInput out = before;
    const char sep = before.DecSep;
    const int nh = std::min<int>(sim.NH, static_cast<int>(r.hydrogens.size()));
    for (int h = 1; h <= nh; ++h) {
        const analysis::FitHydrogenResult& fh = r.hydrogens[static_cast<std::size_t>(h - 1)];
        if (choice.varyShift[h]) out.Text6[h - 1] = BoxText(fh.shiftHz, sep);
        for (int k = 1; k <= sim.NJ[h] && k <= static_cast<int>(fh.jHz.size()); ++k) {
            if (sim.JVal[h][k] == 0.0f) continue;
            // A coupling fitted below zero is the same splitting.
            const std::string t = JBoxText(std::fabs(fh.jHz[static_cast<std::size_t>(k - 1)]), sep);
            if (t != JBoxText(sim.JVal[h][k], sep)) out.JText[h - 1][k - 1] = t;
        }
    }
    if (choice.varyWidth) out.Text4 = BoxText(std::fabs(r.widthHz), sep);
    if (lorentzPercent && choice.varyLorentz)
        *lorentzPercent = static_cast<int>(std::clamp(std::nearbyint(r.lorentzFraction * 100.0), 0.0, 100.0));
    return out;
}

SimulationInput BoxesFromAnalysis(const SimulationInput& before, const analysis::MultipletAnalysis& a) {
    SimulationInput in = before;
    const char sep = before.DecSep;
    in.Text2 = "1";
    in.Text6[0] = BoxText(a.centreHz, sep);
    std::vector<double> j = a.AllCouplings();
    if (j.size() > static_cast<std::size_t>(kMaxJ)) j.resize(kMaxJ);
    // The simulator needs at least one box.
    if (j.empty()) j.push_back(0.0);
    in.Text1[0] = std::to_string(j.size());
    for (int k = 0; k < kMaxJ; ++k)
        in.JText[0][k] =
            k < static_cast<int>(j.size()) ? FormatNumber(std::nearbyint(j[k] * 100.0) / 100.0, sep) : "0";
    if (a.widthHz > 0.0) in.Text4 = FormatNumber(std::nearbyint(a.widthHz * 100.0) / 100.0, sep);
    return in;
}

std::string FitSummary(const analysis::FitResult& r, const OverlayFitSetup& s, char decSep) {
    double tallest = 0.0;
    for (double v : s.y) tallest = std::max(tallest, std::fabs(v));
    std::string text = "Fit: RMS = " + FixedDecimals(r.rms, 0, decSep);
    if (tallest > 0.0) text += " (" + FixedDecimals(100.0 * r.rms / tallest, 2, decSep) + " % of the tallest point)";
    text += ", R\xC2\xB2 = " + FixedDecimals(r.r2, 4, decSep);
    return text;
}

void SetFitResidual(ExperimentalOverlay& o, const OverlayFitSetup& s, const analysis::FitResult& r) {
    o.ResidualHz = s.hz;
    o.ResidualY = r.residual;
    o.ResidualY.resize(o.ResidualHz.size(), 0.0);
}

void ClearFitResidual(ExperimentalOverlay& o) {
    o.ResidualHz.clear();
    o.ResidualY.clear();
    o.FitCaption.clear();
}

}  // namespace quble
