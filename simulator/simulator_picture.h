// The simulator graph as an exportable picture (WindDraw on any surface,
// the formula over it), and the same graph built without a window for the
// command line.
#pragma once

#include <QRectF>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "examples/example_sets.h"
#include "platform/formula_image.h"
#include "platform/graph_picture.h"
#include "platform/screen_metrics_qt.h"
#include "render/spectrum_plot.h"
#include "simulator/input_rules.h"
#include "simulator/multiplet.h"
#include "simulator/simulator_session.h"

namespace quble {

// The graph as drawn (PlotFinal has laid out its captions) with the formula
// picture at rect (user units); plot and sim must outlive the result.
GraphPicture SimulatorGraphPicture(PlotState& plot, const SimulationState& sim, std::vector<std::uint8_t> formulaEmf,
                                   const QRectF& formulaRect, const ScreenMetrics& screen);

// What the command line asks for: the boxes of the simulator window, the
// line shape and the captions.
struct SimulatorGraphRequest {
    SimulationInput input;               // DecSep '.'
    LineShape shape = LineShape::Gaussian;
    int lorentzPercent = 50;             // mixed shape only
    std::string title = "Spectrum Title";
    std::vector<std::string> hydrogenNames;  // default "H1".."H4"
    std::vector<std::uint8_t> formulaEmf;    // empty: no formula
    // A processed spectrum (its 1r) drawn over the simulation, transferred
    // as the simulator window transfers it; empty: none.
    std::string overlayPath;
    bool overlayAutoTms = false;
};

// The simulated graph laid out as the window lays it out (graph box of
// 663 x 356 units, the window's default view and colours).
struct SimulatorGraph {
    std::unique_ptr<SimulatorSession> session = std::make_unique<SimulatorSession>();
    SimulationState* sim = &session->sim;
    PlotState& plot = session->plot;
    std::vector<std::uint8_t> formulaEmf;
    QRectF formulaRect;
};
// Needs a QGuiApplication (text is measured with Qt's fonts, as in the
// window). Nothing and the reason when the input is refused.
std::unique_ptr<SimulatorGraph> BuildSimulatorGraph(const SimulatorGraphRequest& request, std::string* error);

// The request of one of the nine examples: its boxes, line shape, title,
// hydrogen names and formula picture (the generator's drawing of it).
SimulatorGraphRequest ExampleGraphRequest(const ExampleSet& example);

}  // namespace quble
