// The simulator graph: fitting the scales (AjPlotSize), converting to picture
// coordinates (CalcFirstPlot) and drawing everything in its fixed order
// (PlotFinal) onto a DrawingSurface, in picture units (663 wide, y down).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "simulator/simulation_state.h"

namespace quble {

// One scale slider: its range, value and whether a change is acted on.
struct ScaleSlider {
    int min = 0;
    int max = 100;
    int value = 0;
    bool react = false;  // the reaction flag
};

// The View menu ticks that gate the elements of the picture.
struct ViewTicks {
    bool mnuSplitDia = true;
    bool mnuJLabels = true;
    bool mnuJLabelsEnabled = true;
    bool mnuHistogram = true;
    bool mnuGaussianIndPeak = true;
    bool mnuPeakLabels = true;
    bool mnuPeakLabelsEnabled = true;
    bool mnuGaussianEnv = true;
    bool mnuViewExpSp = true;
};

// Colours and drawing options (settings file values).
struct DrawOptions {
    ColorRef EnvColor = 255;             // red
    ColorRef IndPeakColor = 0x00C0C0C0;  // overwritten from the swatch at start-up
    ColorRef ExpColor = 16711680;        // blue
    ColorRef PeakLabelColor = 255;
    ColorRef ForeColor = 0;              // the graph box's foreground colour
    ColorRef BackColor = 0x00FFFFFF;     // plain background until the options dialog exists
    int EnvLineWidth = 1;
    bool ExpAsPoints = true;
    float ExpPointRadius = 1.5f;
    int ExpLineWidth = 1;
    bool BWDrawing = false;              // every colour black (black-and-white export)
};

// A caption drawn on the graph (the window's labels): what it says and where
// its top-left corner is, in picture units.
struct GraphLabel {
    std::string caption;
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    bool visible = false;
};

struct PlotState {
    // Geometry (picture units).
    double ScaleWidth = 663.0;
    double ScaleHeight = 0.0;  // SH
    int XCenter = 0;
    float BaseY = 0, TopY = 0, LevelStep = 0, HScale = 0, VScale = 0;
    float SliderHUnits = 0, SliderVUnits = 0;
    ScaleSlider Slider1, Slider2, Slider3;

    ViewTicks view;
    DrawOptions options;

    // Picture coordinates filled by CalcFirstPlot (1-based like the core).
    SimulationState::Tree XPix{};
    std::array<std::array<float, kMaxJ + 1>, kMaxHydrogens + 1> YLev{};
    std::vector<float> LineX, LineH;
    std::array<float, kEnvSamples> EnvXPix{}, EnvHPix{};  // sample s at [s + 100]

    // Captions: Label8 (spectrum title), Label9(0..3) (hydrogen titles),
    // Label10 (resolution), Label11 (width), Label12 (line shape),
    // Label17 (program title); J labels LabelH1..LabelH4, entries 1..10.
    GraphLabel Label8, Label10, Label11, Label12, Label17;
    std::array<GraphLabel, kMaxHydrogens> Label9;
    std::array<std::array<GraphLabel, kMaxJ + 1>, 4> LabelH;  // [0] = LabelH1 ... [3] = LabelH4

    // The J texts as typed (J labels show them verbatim), [h-1][k-1].
    std::array<std::array<std::string, kMaxJ>, kMaxHydrogens> JText{};
    std::string WidthText = "1";  // text of Text4
    char DecSep = '.';

    std::vector<std::string> PeakLabelText;  // 1..NMultRelMax
};

// Sets the load-time geometry and slider ranges for a graph box of the given
// user-scale height (width 663).
void InitPlotGeometry(PlotState& plot, double scaleHeight);

void AjPlotSize(PlotState& plot, const SimulationState& sim);
// Converts to picture coordinates, then draws (PlotFinal).
void CalcFirstPlot(PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
void PlotFinal(PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
void LinBlack(SimulationState& sim);

// Slider changes: act only when the slider's reaction flag is set; return
// whether the scale changed (the caller then runs CalcFirstPlot).
bool Slider1_Change(PlotState& plot, int value);
bool Slider2_Change(PlotState& plot, int value);
bool Slider3_Change(PlotState& plot, int value);

}  // namespace quble
