// Frequency labels on the maxima of the envelope (and on the marked
// experimental peaks), and the legend in the upper left corner.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "render/plot_internal.h"
#include "render/spectrum_plot.h"
#include "core/number_text.h"

namespace quble {

namespace {

using render_detail::Ink;
using render_detail::Segment;

constexpr float kNoTick = std::numeric_limits<float>::quiet_NaN();

// Screen twips per pixel the label offsets were laid out for (96 dots per
// inch); the picture's units stand for those pixels.
constexpr double kTwipsPerPixel = 15.0;

Font UpwardFont(int weight, bool underline) { return Font{"Arial", 11.0, weight, underline, 900}; }

template <class T>
T At(const std::vector<T>& v, int i, T missing) {
    return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : missing;
}

bool ValidSample(int k) { return k >= kEnvFirst && k <= kEnvLast; }

// Frequency rounded to one decimal, a half rounded up.
float RoundOneDecimal(float hz) {
    const float tenfold = 10.0f * hz;
    float t = std::floor(tenfold);
    if (tenfold - t >= 0.5f) t += 1.0f;
    const float v = t / 10.0f;
    return v == 0.0f ? 0.0f : v;  // no "-0"
}

// Hz of experimental peak j, NaN when the peak or its point is unknown.
double ExpPeakHz(const ExperimentalOverlay& e, int j) {
    const int point = At(e.ExpPeakIndex, j, -1);
    return At(e.ExpXnmrHz, point, std::numeric_limits<double>::quiet_NaN());
}

std::int32_t ExpPeakIntensity(const ExperimentalOverlay& e, int j) {
    return At(e.ExpYgraf, At(e.ExpPeakIndex, j, -1), std::int32_t{0});
}

bool ExperimentalShown(const PlotState& p, const SimulationState& sim) { return p.view.mnuViewExpSp && sim.ExpPresent; }

}  // namespace

std::string PeakLabelFor(float hz, char decSep) {
    const float v = RoundOneDecimal(hz);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string text(buf, ec == std::errc() ? end : buf);
    if (v >= 0.0f) text.insert(text.begin(), ' ');
    if (auto dot = text.find('.'); dot != std::string::npos) {
        text[dot] = decSep;
    } else {
        text += decSep;
        text += '0';
    }
    return text;
}

float SimMaxHz(const SimulationState& sim, int i) {
    // The refined position when the calculation left one, else the grid's.
    if (i >= 1 && i < static_cast<int>(sim.SimMaxPos.size()) && i <= sim.NMultRelMax) {
        return sim.AvChemShift - sim.SimMaxPos[i];
    }
    const int k = At(sim.SimMaxIndex, i, kEnvFirst - 1);
    return ValidSample(k) ? sim.AvChemShift - sim.EnvX(k) : std::numeric_limits<float>::quiet_NaN();
}

std::vector<std::string> PeakLabelTexts(const SimulationState& sim, char decSep) {
    std::vector<std::string> out(static_cast<std::size_t>(std::max(sim.NMultRelMax, 0)) + 1);
    for (int i = 1; i <= sim.NMultRelMax; ++i) {
        if (At(sim.SimGapFlag, i, 0) == kNoPeakInSlot) continue;
        const float hz = SimMaxHz(sim, i);
        if (!std::isnan(hz)) out[i] = PeakLabelFor(hz, decSep);
    }
    return out;
}

void DrawPeakLabels(PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const double sh = p.ScaleHeight;
    const int nmax = sim.NMultRelMax;
    ExperimentalOverlay& e = p.exp;
    p.PeakLabelText.assign(static_cast<std::size_t>(nmax) + 1, std::string());
    if (static_cast<int>(p.LabelSide.size()) < nmax + 1) p.LabelSide.resize(nmax + 1, 0);

    s.SetPen({Ink(p, p.options.PeakLabelColor), 1.0});
    for (int i = 1; i <= nmax; ++i) {
        if (At(sim.SimGapFlag, i, 0) == kNoPeakInSlot || At(e.ExpGapFlag, i, 0) == kNoPeakInSlot) p.LabelSide[i] = 0;
        const int k = At(sim.SimMaxIndex, i, kEnvFirst - 1);
        if (!ValidSample(k)) continue;
        const double top = p.BaseY - p.EnvHPixAt(k);
        if (p.view.mnuGaussianEnv) Segment(s, p.EnvXPixAt(k), top - sh / 33.0, p.EnvXPixAt(k), top - sh / 198.0);

        const float hz = SimMaxHz(sim, i);
        p.PeakLabelText[i] = PeakLabelFor(hz, p.DecSep);
        if (sim.ExpPresent && i <= e.ExpPeakCount) {
            const double expHz = ExpPeakHz(e, i);
            if (!std::isnan(expHz)) {
                p.LabelSide[i] = RoundOneDecimal(hz) >= RoundOneDecimal(static_cast<float>(expHz)) ? 1 : -1;
            }
        }
    }

    if (ExperimentalShown(p, sim)) {
        e.ExpTickLen = static_cast<float>(sh / 33.0 - sh / 198.0);
        e.ExpLabelX.assign(static_cast<std::size_t>(std::max(e.ExpPeakCount, 0)) + 1, kNoTick);
        e.ExpLabelY.assign(e.ExpLabelX.size(), kNoTick);
        s.SetPen({Ink(p, p.options.ExpColor), 1.0});
        for (int j = 1; j <= e.ExpPeakCount; ++j) {
            const double hz = ExpPeakHz(e, j);
            if (At(e.ExpGapFlag, j, 0) == kNoPeakInSlot || std::isnan(hz)) continue;
            e.ExpLabelX[j] = static_cast<float>(p.XCenter - (hz - sim.AvChemShift) * p.HScale);
            e.ExpLabelY[j] = static_cast<float>(p.BaseY - static_cast<double>(p.VScale) * ExpPeakIntensity(e, j) * e.ExpScale -
                                                sh / 198.0);
            Segment(s, e.ExpLabelX[j], e.ExpLabelY[j] - e.ExpTickLen, e.ExpLabelX[j], e.ExpLabelY[j]);
        }
    }

    PrtPeakLabels(p, sim, s);
}

void PrtPeakLabels(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const double sh = p.ScaleHeight;
    const ExperimentalOverlay& e = p.exp;
    const ColorRef simColour = Ink(p, p.options.PeakLabelColor);
    const ColorRef expColour = Ink(p, p.options.ExpColor);
    const Font a = UpwardFont(400, false);
    const Font b = UpwardFont(700, true);
    s.SetFont(a);
    s.SetTextColor(simColour);

    const bool env = p.view.mnuGaussianEnv;
    const bool expShown = ExperimentalShown(p, sim);
    const double h = 11.0 * (20.0 / kTwipsPerPixel) / 2.0;
    const double d = expShown && env ? 6.0 : 0.0;

    for (int i = 1; i <= sim.NMultRelMax; ++i) {
        const int k = At(sim.SimMaxIndex, i, kEnvFirst - 1);
        if (!ValidSample(k)) continue;
        double xs = p.EnvXPixAt(k) - h;
        double ys = p.BaseY - p.EnvHPixAt(k) - sh / 32.0;
        const double shift = d * At(p.LabelSide, i, 0);
        const double tickX = At(e.ExpLabelX, i, kNoTick);
        double xe = tickX - h;
        double ye = At(e.ExpLabelY, i, kNoTick) - e.ExpTickLen;
        if (env && expShown && std::fabs(tickX - p.EnvXPixAt(k)) < 12.0) {
            const double m = (p.EnvXPixAt(k) + tickX) / 2.0;
            xs = m - h - shift;
            xe = m - h + shift;
            ys = ye = std::min(ys, ye);
        }
        if (env && At(sim.SimGapFlag, i, 0) != kNoPeakInSlot) {
            s.TextOut(RoundHalfEven(xs), RoundHalfEven(ys), At(p.PeakLabelText, i, std::string()));
        }
        if (expShown && At(e.ExpGapFlag, i, 0) != kNoPeakInSlot && i <= e.ExpPeakCount && !std::isnan(xe) &&
            !std::isnan(ye)) {
            s.SetFont(b);
            s.SetTextColor(expColour);
            s.TextOut(RoundHalfEven(xe), RoundHalfEven(ye),
                      PeakLabelFor(static_cast<float>(ExpPeakHz(e, i)), p.DecSep) + " ");
            s.SetFont(a);
            s.SetTextColor(simColour);
        }
    }
}

void Legenda(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const ColorRef envColour = Ink(p, p.options.EnvColor);
    const ColorRef expColour = Ink(p, p.options.ExpColor);
    const bool env = p.view.mnuGaussianEnv;
    const bool expShown = ExperimentalShown(p, sim);

    if (env) {
        s.SetPen({envColour, static_cast<double>(p.options.EnvLineWidth)});
        Segment(s, 4.0, 32.0, 40.0, 32.0);
    }
    if (expShown) {
        if (p.options.ExpAsPoints) {
            s.SetPen({expColour, 0.0});
            const double radius = p.options.ExpPointRadius;
            const double r = radius == 1.0 ? radius * 1.4 : radius * 1.2;
            for (int i = 1; i <= 5; ++i) {
                const double x = 8.0 * i;
                s.Ellipse(RoundHalfEven(x - r), RoundHalfEven(46.0 - r), RoundHalfEven(x + r), RoundHalfEven(46.0 + r));
            }
        } else {
            s.SetPen({expColour, static_cast<double>(p.options.ExpLineWidth)});
            Segment(s, 4.0, 46.0, 40.0, 46.0);
        }
    }

    const Font small{"Arial", 10.0, 400, false, 0};
    const Font boldUnderlined{"Arial", 11.0, 700, true, 0};
    const Font regular{"Arial", 11.0, 400, false, 0};
    s.SetFont(small);
    s.SetTextColor(envColour);
    if (env) {
        s.TextOut(50.0, 25.0, "Simulated Spectrum");
        s.SetFont(regular);
        s.TextOut(155.0, 24.0, "(1234)");
    }
    if (expShown) {
        s.SetTextColor(expColour);
        s.SetFont(small);
        s.TextOut(50.0, 40.0, "Experimental Spectrum");
        s.SetFont(boldUnderlined);
        s.TextOut(170.0, 39.0, "(1234)");
    }
}

}  // namespace quble
