// The simulator graph: fitting the scales (AjPlotSize), converting to picture
// coordinates (CalcFirstPlot) and drawing everything in its fixed order
// (PlotFinal) onto a DrawingSurface, in picture units (one per pixel of the
// graph box, at least 663 wide, y down).
//
// Also the texts drawn over it: J labels beside the splitting diagram,
// frequency labels on the maxima, the legend, and the procedures that write
// the window's captions into any surface (used by the picture export).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "simulator/simulation_state.h"

namespace quble {

// The graph box's width (user units, one per pixel) at load and its
// smallest width; the window's box grows from it.
constexpr double kPlotScaleWidth = 663.0;

// A slot of the peak pairing that has no peak on one side.
constexpr int kNoPeakInSlot = -1000;

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
    ColorRef BackColor = 0x00EFFFFF;     // follows BackColorIndex (SpecBackground)
    int BackColorIndex = 0;              // 0..3, the graph back colour
    bool Grid = true;                    // background grid drawn
    int GridColorCode = 19;              // grid colour family, 19..22
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

// The experimental spectrum as the comparison code hands it over, plus what
// the peak labels keep of its peaks. Empty until that code feeds it; the
// drawing only reads it while SimulationState::ExpPresent holds.
struct ExperimentalOverlay {
    // Points, indexed by point number exactly as the comparison code numbers
    // them (Hz of each point, raw 32-bit intensity).
    std::vector<double> ExpXnmrHz;
    std::vector<std::int32_t> ExpYgraf;
    int PlotWindowFirst = 0;   // range of points drawn
    int PlotWindowLast = -1;
    float ExpScale = 1.0f;     // intensity units -> simulated intensity units
    // Marked peaks, 1-based: the point number of each peak, and per pairing
    // slot the gap flag (kNoPeakInSlot when the slot has no experimental peak).
    int ExpPeakCount = 0;
    std::vector<int> ExpPeakIndex{0};
    std::vector<int> ExpGapFlag{0};
    // Tick positions of the experimental peaks, filled by the peak-label step.
    std::vector<float> ExpLabelX{0.0f};
    std::vector<float> ExpLabelY{0.0f};
    float ExpTickLen = 0.0f;
    // After a fit: data minus model at the fitted points (intensity units
    // of ExpYgraf), drawn under the baseline, and the fit's RMS and R².
    std::vector<double> ResidualHz, ResidualY;
    std::string FitCaption;
};

struct PlotState {
    // Geometry (picture units).
    double ScaleWidth = kPlotScaleWidth;
    double ScaleHeight = 0.0;  // SH
    int XCenter = 0;
    float BaseY = 0, TopY = 0, LevelStep = 0, HScale = 0, VScale = 0;
    float SliderHUnits = 0, SliderVUnits = 0;
    ScaleSlider Slider1, Slider2, Slider3;

    ViewTicks view;
    DrawOptions options;

    // Picture coordinates filled by CalcFirstPlot (1-based like the core).
    // The individual peaks are not stored: PkXPix/PkHPix below derive them
    // from the core's profile table on demand.
    SimulationState::Tree XPix{};
    std::array<std::array<float, kMaxJ + 1>, kMaxHydrogens + 1> YLev{};
    std::vector<float> LineX, LineH;                      // 0..TotalLines
    std::array<float, kEnvSamples> EnvXPix{}, EnvHPix{};  // sample s at [s + 100]
    float EnvXPixAt(int s) const { return EnvXPix[s - kEnvFirst]; }
    float EnvHPixAt(int s) const { return EnvHPix[s - kEnvFirst]; }

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

    // Peak labels, 1..NMultRelMax.
    std::vector<std::string> PeakLabelText;
    std::vector<int> LabelSide{0};  // 0, +1, -1: side of a simulated label sharing its place

    ExperimentalOverlay exp;

    // Scratch buffer for polylines, kept to avoid an allocation per redraw.
    std::vector<PointF> scratch;
};

// Fonts of the graph's texts. The box's own font (J labels, resolution,
// width and line-shape captions) is Arial 11, regular.
Font LabelFont();           // Arial 11, 400
Font HydrogenTitleFont();   // Arial 11, 700
Font SpectrumTitleFont();   // Arial 13, 700

// Sets the load-time geometry, slider ranges and caption positions for a
// graph box of the given user-scale height and width.
void InitPlotGeometry(PlotState& plot, double scaleHeight, double scaleWidth = kPlotScaleWidth);

// Fits the geometry to a graph box of a new size, as if it had been loaded
// at that size, while keeping what the user chose: the horizontal slider
// value (so the same stretch of Hz stays in view, drawn with more pixels),
// the vertical scales in proportion to the height (the tallest line stays
// exactly as tall, relative to the box, as the last fit made it) and the
// captions at the same places relative to the box. The horizontal slider's
// smallest value follows the width, so a wider box can show a wider
// multiplet whole. Does not redraw.
void ResizePlotGeometry(PlotState& plot, double scaleWidth, double scaleHeight);
// Smallest value of the horizontal scale slider for a box of this width:
// the smallest scale is as many pixels per Hz as on the load-time box.
int Slider1MinimumFor(double scaleWidth);

void AjPlotSize(PlotState& plot, const SimulationState& sim);
// Converts to picture coordinates, then draws (PlotFinal).
void CalcFirstPlot(PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
// Converts to picture coordinates only (CalcFirstPlot without the drawing).
void CalcPictureCoordinates(PlotState& plot, const SimulationState& sim);
void PlotFinal(PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
// The graph's back colour from its index, the grid when it is on, and the
// black line under the titles. PlotFinal starts with it; the metafile
// drawing calls it with fill = true, since a metafile has no back colour.
void SpecBackground(PlotState& plot, DrawingSurface& surface, bool fill = false);
void LinBlack(SimulationState& sim);
// The residual of the last fit to the overlay, under the baseline, with its
// legend line; nothing before a fit.
void DrawFitResidual(const PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
// A caption's text rectangle in user units.
struct TextBox {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};
// The program title written into the caption row.
inline constexpr const char* kProgramCaption = "Quble - KVT";
// The text rectangles of the caption row under the baseline (resolution,
// width, line shape, program title) as PrtLablsOtherMF writes them on this
// surface; empty captions have none.
std::vector<TextBox> BottomCaptionBoxes(const PlotState& plot, const DrawingSurface& surface);

// Sample k (-NPeakPts..NPeakPts) of line m's individual peak in picture units.
float PkXPix(const PlotState& plot, const SimulationState& sim, int k, int m);
float PkHPix(const PlotState& plot, const SimulationState& sim, int k, int m);

// Slider changes: the value is always taken; the scale only changes when the
// slider's reaction flag is set. Returns whether it changed (the caller then
// runs CalcFirstPlot).
bool Slider1_Change(PlotState& plot, int value);
// The horizontal slider's value at which every line of the calculation, and
// three widths either side, lies on the picture: the present value when they
// already do, else the largest smaller one, but not below the slider's
// minimum. Zooms out only, so a scale the user chose is kept where it serves.
int Slider1ToShowAllLines(const PlotState& plot, const SimulationState& sim);
bool Slider2_Change(PlotState& plot, int value);
bool Slider3_Change(PlotState& plot, int value);

// --- splitting diagram and J labels ---

// Places, boxes and prints the J labels of every hydrogen and shows them.
void AjJLabelsHz(PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
// The J-label array (0 = LabelH1 .. 3 = LabelH4) that serves hydrogen Order(i)
// when there are nh hydrogens, or -1 when no array serves position i.
int JLabelArrayFor(int nh, int i);
// Writes the J labels' captions (export).
void PrtLablsHzMF(const PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
// Writes resolution, width, line shape, program title, hydrogen titles and
// spectrum title (export, or on screen over the graph).
void PrtLablsOtherMF(const PlotState& plot, DrawingSurface& surface);

// A stem of the splitting diagram (level >= 1) under a double click.
struct BranchHit {
    int h = 0;
    int level = 0;
    int branch = 0;
    bool operator==(const BranchHit&) const = default;
};
std::optional<BranchHit> FindBranchAt(const PlotState& plot, const SimulationState& sim, double x, double y);
// Colours the stem of branch (h, j, b) and every stem and link below it; the
// branch's own link to its parent keeps its colour.
void RecolourBranch(SimulationState& sim, int h, int j, int b, ColorRef colour);

// --- peak labels and legend ---

// A frequency with one decimal, half rounded up: " 2501.3" (a leading blank
// for values >= 0), the decimal point written as decSep.
std::string PeakLabelFor(float hz, char decSep);
// Frequency (Hz) of simulated maximum i: the true top of the line shape
// when the calculation refined it, else its envelope sample.
float SimMaxHz(const SimulationState& sim, int i);
// The label texts of simulated maxima 1..NMultRelMax (entry 0 and slots
// without a simulated peak empty), whether or not the labels are drawn.
std::vector<std::string> PeakLabelTexts(const SimulationState& sim, char decSep);
// The peak-label step of PlotFinal: ticks, texts, then PrtPeakLabels.
void DrawPeakLabels(PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
void PrtPeakLabels(const PlotState& plot, const SimulationState& sim, DrawingSurface& surface);
void Legenda(const PlotState& plot, const SimulationState& sim, DrawingSurface& surface);

}  // namespace quble
