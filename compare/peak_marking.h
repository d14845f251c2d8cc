// The marking mode: the user marks with the mouse exactly as many
// experimental peaks as the simulation has. The window forwards its events
// here and only draws what the returned views say.
#pragma once

#include <string>
#include <vector>

#include "compare/transfer.h"
#include "render/spectrum_plot.h"
#include "simulator/simulation_state.h"

namespace quble {

struct MarkingState {
    bool on = false;               // the tick of mnuMarkPeaks
    int SavedExpPeakCount = 0;
    std::vector<int> MarkedPeaks{0};  // 1..MarkedCount, ascending point indices
    int MarkedCount = 0;
    int CandidateIndex = 2;
    bool cursorVisible = false;
    bool cursorRed = false;        // on a peak
    bool okEnabled = false;        // Command3
};

// What the window shows after an event.
struct MarkingView {
    // Frame toggle button caption and label visibility.
    std::string toggleCaption;     // "End Mark" / "Mark Experimental Peaks"
    bool label1Visible = false, label2Visible = false, label3Visible = false;
    std::string label1Text, label3Text;  // cursor frequency, snapped point
    ColorRef label3Color = 0;
    // Cursor line.
    bool cursorVisible = false;
    double cursorX = 0.0;
    ColorRef cursorColor = 0;
    int cursorWidth = 1;
    bool crossPointer = false;
    // Marking panel.
    std::vector<std::string> markedList;
    bool listChanged = false;
    bool okEnabled = false;
    bool hidePanel = false;
    // A critical message box to show.
    std::string messageTitle, messageText;
    bool redraw = false;           // run CalcFirstPlot
};

constexpr ColorRef kCursorRed = 0x0000FF;  // RGB 255, 0, 0

// Frequencies "fc" with two decimals in the window's separator: "2500.10".
std::string CursorHzText(double hz, char decSep);

// mnuMarkPeaks_Click: starts or ends the mode.
MarkingView ToggleMarking(MarkingState& m, SimulationState& sim, PlotState& plot);
// Picture1_MouseMove (x in picture units).
MarkingView MarkingMouseMove(MarkingState& m, const SimulationState& sim, const PlotState& plot,
                             const CompareState& cmp, double x);
// Picture1_MouseDown; right = the right button.
MarkingView MarkingMouseDown(MarkingState& m, SimulationState& sim, PlotState& plot, bool right);
// Command3_Click ("OK").
MarkingView MarkingOk(MarkingState& m, SimulationState& sim, PlotState& plot);

}  // namespace quble
