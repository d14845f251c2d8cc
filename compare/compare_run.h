// The simulator window's road from an opened spectrum to a verdict, without
// a window: the load-time graph, one calculation, the transfer, the
// recalculation that pairs the peaks, then the match verification.
#pragma once

#include <memory>
#include <string>

#include "compare/transfer.h"
#include "compare/verify_match.h"
#include "examples/example_sets.h"
#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"
#include "simulator/simulation_state.h"

namespace quble {

struct CompareRequest {
    SimulationInput input;   // DecSep '.'
    LineShape shape = LineShape::Gaussian;
    int lorentzPercent = 50;
    std::string spectrumPath;  // the 1r file
    bool autoTms = false;
};

// The boxes and line shape of an example set (start-up shape: Gaussian).
void FillFromExample(const ExampleSet& example, CompareRequest& request);

struct CompareRun {
    // Set when something stopped the road; the title and text are the
    // program's message.
    enum class Stop { None, Input, Open, Transfer } stop = Stop::None;
    std::string title, text;

    std::unique_ptr<SimulationState> sim = std::make_unique<SimulationState>();
    PlotState plot;
    CompareState cmp;
    MatchResult match;
};

// The graph box the simulator window has when it is loaded.
constexpr double kLoadTimePlotHeight = 356.0;

// Runs a calculation as the window's calculate command does while an
// experimental spectrum is attached: StartProcess, the overlay hand-off,
// then the plot's scales and picture coordinates.
std::optional<InputError> Recalculate(SimulationState& sim, PlotState& plot, const CompareState& cmp,
                                      SimulationInput& input);

CompareRun RunCompare(const CompareRequest& request);

}  // namespace quble
