// The residual of a fit to the overlaid spectrum: a thin curve in the strip
// under the baseline, at the overlay's own vertical scale so its size reads
// against the spectrum above, and a legend line with the fit's RMS and R².
#include <algorithm>
#include <cmath>
#include <vector>

#include "render/plot_internal.h"
#include "render/spectrum_plot.h"

namespace quble {

using namespace render_detail;

namespace {
// Light enough that the captions in the same strip stay legible.
constexpr ColorRef kResidualGrey = 0x909090;
}

void DrawFitResidual(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const ExperimentalOverlay& e = p.exp;
    if (!sim.ExpPresent || !p.view.mnuViewExpSp || e.ResidualHz.empty()) return;
    const std::size_t n = std::min(e.ResidualHz.size(), e.ResidualY.size());
    const double top = p.BaseY + 2.0;
    const double bottom = std::max(top, p.ScaleHeight - 3.0);
    const double mid = (top + bottom) / 2.0;
    const ColorRef c = Ink(p, kResidualGrey);
    s.SetPen({c, 0.0});
    std::vector<PointF> pts;
    pts.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(p.XCenter) - (e.ResidualHz[i] - sim.AvChemShift) * p.HScale;
        if (x < 0.0 || x > p.ScaleWidth) continue;
        const double y = mid - static_cast<double>(p.VScale) * e.ResidualY[i] * e.ExpScale;
        pts.push_back({x, std::clamp(y, top, bottom)});
    }
    if (pts.size() >= 2) s.Polyline(pts.data(), pts.size());

    Segment(s, 4.0, 60.0, 40.0, 60.0);
    s.SetFont(Font{"Arial", 10.0, 400, false, 0});
    s.SetTextColor(c);
    std::string text = "Residual (under the baseline)";
    if (!e.FitCaption.empty()) text += "   " + e.FitCaption;
    s.TextOut(50.0, 54.0, text);
}

}  // namespace quble
