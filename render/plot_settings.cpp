#include "render/plot_settings.h"

#include <charconv>

#include "settings/graph_background.h"

namespace quble {

namespace {
ColorRef ColourOr(const std::string& text, ColorRef fallback) {
    unsigned long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v > 0xFFFFFFFFul) return fallback;
    return static_cast<ColorRef>(v);
}
}  // namespace

void ApplySettingsToPlot(const GraphSettings& s, PlotState& plot) {
    ViewTicks& v = plot.view;
    v.mnuSplitDia = s.splitDia;
    v.mnuJLabels = s.jLabels;
    v.mnuJLabelsEnabled = s.jLabelsEnabled;
    v.mnuHistogram = s.histogram;
    v.mnuGaussianIndPeak = s.indPeaks;
    v.mnuPeakLabels = s.peakLabels;
    v.mnuGaussianEnv = s.envelope;
    v.mnuViewExpSp = s.expSpectrum;
    DrawOptions& o = plot.options;
    o.IndPeakColor = ColourOr(s.IndPeakColor, o.IndPeakColor);
    o.EnvColor = ColourOr(s.EnvColor, o.EnvColor);
    o.PeakLabelColor = o.EnvColor;
    o.ExpColor = ColourOr(s.ExpColor, o.ExpColor);
    o.BackColorIndex = s.backColorIndex;
    o.BackColor = BackColorForIndex(s.backColorIndex);
    o.Grid = s.grid;
    o.GridColorCode = s.gridColorCode;
    o.ExpAsPoints = s.ExpAsPoints;
    o.ExpLineWidth = s.ExpLineWidth;
    o.EnvLineWidth = s.EnvLineWidth;
    o.ExpPointRadius = s.ExpPointRadius;
}

}  // namespace quble
