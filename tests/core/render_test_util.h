// A simulated result fitted to a graph box and drawn onto a recorder.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/recording_surface.h"
#include "render/spectrum_plot.h"
#include "simulation_test_util.h"

namespace quble::test {

constexpr double kTestSH = 500.0;
using Hs = std::vector<HydrogenSpec>;

struct Drawn {
    std::unique_ptr<SimulationState> sim;
    PlotState plot;
    RecordingSurface surface{kPlotScaleWidth, kTestSH};

    // Fit and convert as after a calculation; nothing is drawn yet.
    explicit Drawn(std::vector<HydrogenSpec> hs, const std::string& res = "0.1", const std::string& width = "1",
                   char sep = '.') {
        sim = std::make_unique<SimulationState>();
        sim->ticks = TicksFor(LineShape::Gaussian);
        SimulationInput in = MakeInput(hs, res, width, sep);
        if (StartProcess(*sim, in)) sim.reset();
        InitPlotGeometry(plot, kTestSH);
        plot.DecSep = sep;
        plot.WidthText = in.Text4;
        plot.JText = in.JText;
        if (sim) {
            AjPlotSize(plot, *sim);
            CalcPictureCoordinates(plot, *sim);
        }
    }

    const std::vector<DrawCall>& Draw() {
        surface.Reset();
        PlotFinal(plot, *sim, surface);
        return surface.Calls();
    }
};

inline std::vector<DrawCall> OfKind(const std::vector<DrawCall>& calls, DrawCall::Kind kind) {
    std::vector<DrawCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](const DrawCall& c) { return c.kind == kind; });
    return out;
}

inline void AllViewTicks(PlotState& p, bool on) {
    p.view = ViewTicks{on, on, true, on, on, on, true, on, on};
}

}  // namespace quble::test
