// The residual of a fit to the overlaid spectrum: a thin curve in the strip
// under the baseline, at the overlay's own vertical scale where it fits (so
// its size reads against the spectrum above), and a legend line with the
// fit's RMS and R².
//
// The same strip holds the caption row (resolution, width, line shape,
// program title), drawn over the graph after it. The curve never runs
// through their text: it takes the band under the captions when that has
// room, else the band between the baseline and the captions, and on a graph
// too low for either it uses the whole strip and is interrupted where a
// caption stands.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/number_text.h"
#include "render/plot_internal.h"
#include "render/spectrum_plot.h"

namespace quble {

using namespace render_detail;

namespace {
// Light enough to read as secondary to the spectrum above.
constexpr ColorRef kResidualGrey = 0x909090;
// Clearance kept between the curve and any caption's text, in user units.
constexpr double kClearance = 1.5;

struct Band {
    double top = 0.0;
    double bottom = 0.0;
    double Height() const { return bottom - top; }
};

// Where the curve may run, and the columns it must leave out.
struct ResidualPlace {
    Band band;
    std::vector<TextBox> blocked;
};

ResidualPlace PlaceResidual(const PlotState& p, const DrawingSurface& s) {
    const Band strip{p.BaseY + 2.0, std::max(p.BaseY + 2.0, p.ScaleHeight - 1.0)};
    std::vector<TextBox> inStrip;
    for (const TextBox& b : BottomCaptionBoxes(p, s)) {
        if (b.bottom > strip.top && b.top < strip.bottom) inStrip.push_back(b);
    }
    if (inStrip.empty()) return {strip, {}};
    double capTop = strip.bottom, capBottom = strip.top;
    for (const TextBox& b : inStrip) {
        capTop = std::min(capTop, b.top);
        capBottom = std::max(capBottom, b.bottom);
    }
    // A band thinner than about a third of a caption line shows no shape.
    const double minimum = std::max(3.0, 0.35 * s.MeasureText(LabelFont(), "0").height);
    const Band below{capBottom + kClearance, strip.bottom};
    if (below.Height() >= minimum) return {below, {}};
    const Band above{strip.top, capTop - kClearance};
    if (above.Height() >= minimum) return {above, {}};
    return {strip, inStrip};
}

bool CrossesBlocked(double x1, double x2, const std::vector<TextBox>& blocked) {
    const double lo = std::min(x1, x2), hi = std::max(x1, x2);
    return std::any_of(blocked.begin(), blocked.end(), [&](const TextBox& b) {
        return hi >= b.left - kClearance && lo <= b.right + kClearance;
    });
}

std::string FactorText(double k, char decSep) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2g", k);
    std::string t = buf;
    for (char& c : t)
        if (c == '.') c = decSep;
    return t;
}
}  // namespace

std::vector<TextBox> BottomCaptionBoxes(const PlotState& p, const DrawingSurface& s) {
    // The places PrtLablsOtherMF writes them at.
    const std::array<std::pair<const GraphLabel*, double>, 4> rows{
        {{&p.Label10, 4.0}, {&p.Label11, 8.0}, {&p.Label12, 12.0}, {&p.Label17, 26.0}}};
    std::vector<TextBox> out;
    for (const auto& [l, offset] : rows) {
        const std::string text = l == &p.Label17 ? std::string(kProgramCaption) : l->caption;
        if (text.empty()) continue;
        const TextExtent e = s.MeasureText(LabelFont(), text);
        const double left = RoundHalfEven(l->left), top = RoundHalfEven(l->top + offset);
        out.push_back({left, top, left + e.width, top + e.height});
    }
    return out;
}

void DrawFitResidual(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const ExperimentalOverlay& e = p.exp;
    if (!sim.ExpPresent || !p.view.mnuViewExpSp || e.ResidualHz.empty()) return;
    const std::size_t n = std::min(e.ResidualHz.size(), e.ResidualY.size());
    const ResidualPlace place = PlaceResidual(p, s);
    const Band& band = place.band;
    const double mid = (band.top + band.bottom) / 2.0;

    std::vector<PointF> raw;  // y: the deviation at the overlay's scale
    raw.reserve(n);
    double largest = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(p.XCenter) - (e.ResidualHz[i] - sim.AvChemShift) * p.HScale;
        if (x < 0.0 || x > p.ScaleWidth) continue;
        const double d = static_cast<double>(p.VScale) * e.ResidualY[i] * e.ExpScale;
        largest = std::max(largest, std::fabs(d));
        raw.push_back({x, d});
    }
    // Scaled down, never up, to the room the band has.
    const double half = band.Height() / 2.0;
    const double k = largest > half && largest > 0.0 ? half / largest : 1.0;

    const ColorRef c = Ink(p, kResidualGrey);
    s.SetPen({c, 0.0});
    std::vector<PointF> run;
    auto flush = [&] {
        if (run.size() >= 2) s.Polyline(run.data(), run.size());
        run.clear();
    };
    for (const PointF& r : raw) {
        const PointF pt{r.x, std::clamp(mid - k * r.y, band.top, band.bottom)};
        if (!place.blocked.empty()) {
            if (CrossesBlocked(pt.x, pt.x, place.blocked)) {
                flush();
                continue;
            }
            if (!run.empty() && CrossesBlocked(run.back().x, pt.x, place.blocked)) flush();
        }
        run.push_back(pt);
    }
    flush();

    Segment(s, 4.0, 60.0, 40.0, 60.0);
    s.SetFont(Font{"Arial", 10.0, 400, false, 0});
    s.SetTextColor(c);
    std::string text = "Residual (under the baseline";
    if (k < 1.0) text += ", \xC3\x97" + FactorText(k, p.DecSep);
    text += ")";
    if (!e.FitCaption.empty()) text += "   " + e.FitCaption;
    s.TextOut(50.0, 54.0, text);
}

}  // namespace quble
