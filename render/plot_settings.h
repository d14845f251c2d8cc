// The preferences as the graph draws them: view ticks, colours, widths and
// the background, for drawings made without the window (the command line).
#pragma once

#include "render/spectrum_plot.h"
#include "settings/settings_file.h"

namespace quble {

void ApplySettingsToPlot(const GraphSettings& s, PlotState& plot);

}  // namespace quble
