#include <cmath>

#include "render/plot_internal.h"
#include "render/spectrum_plot.h"
#include "settings/graph_background.h"

namespace quble {

using render_detail::Segment;

namespace {
// Black-and-white pictures keep the grid in the grey of each colour's
// brightness: drawn in black, it would bury the spectrum.
ColorRef GridInk(const PlotState& p, ColorRef c) {
    if (!p.options.BWDrawing) return c;
    const ColorRef r = ResolveColor(c);
    const int grey = (299 * RedOf(r) + 587 * GreenOf(r) + 114 * BlueOf(r)) / 1000;
    return Rgb(grey, grey, grey);
}
}  // namespace

void SpecBackground(PlotState& p, DrawingSurface& s, bool fill) {
    DrawOptions& o = p.options;
    o.BackColor = BackColorForIndex(o.BackColorIndex);
    // The captions on the graph are painted transparently over it, so they
    // take the back colour without being told.
    const double w = p.ScaleWidth;
    if (fill) {
        // A black-and-white picture is printed on white paper.
        s.Box(0, 0, w, p.ScaleHeight, o.BWDrawing ? 0x00FFFFFF : o.BackColor, true);
    } else {
        s.Clear(o.BackColor);
    }

    if (o.Grid) {
        const GridColors g = GridColorsForCode(o.GridColorCode);
        const double xc = p.XCenter, top = p.TopY, base = p.BaseY;
        auto verticals = [&](double step, ColorRef c) {
            s.SetPen({GridInk(p, c), 1.0});
            for (double x = xc; x > 0; x -= step) Segment(s, x, top, x, base);
            for (double x = xc; x < w; x += step) Segment(s, x, top, x, base);
        };
        auto horizontals = [&](double step, ColorRef c) {
            s.SetPen({GridInk(p, c), 1.0});
            // Upward from the whole part of the baseline; a base above the
            // top (no room yet) draws nothing.
            for (double y = std::floor(base); y > top; y -= step) Segment(s, 0, y, w, y);
        };
        verticals(3.0, g[0]);
        verticals(30.0, g[1]);
        s.SetPen({GridInk(p, g[2]), 1.0});
        Segment(s, xc, top, xc, base);
        horizontals(3.0, g[0]);
        horizontals(30.0, g[3]);
    }

    s.SetPen({0, 1.0});
    Segment(s, 0, p.TopY, w, p.TopY);
}

}  // namespace quble
