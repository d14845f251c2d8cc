// Small helpers shared by the drawing files of the simulator graph.
#pragma once

#include "platform/drawing_surface.h"
#include "render/spectrum_plot.h"

namespace quble::render_detail {

// A colour as drawn: black while a black-and-white picture is made.
ColorRef Ink(const PlotState& p, ColorRef c);

// One straight line with the current pen; its end becomes the current point.
void Segment(DrawingSurface& s, double x1, double y1, double x2, double y2);

}  // namespace quble::render_detail
