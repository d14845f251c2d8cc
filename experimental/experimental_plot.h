// The experimental graph: its view state (which points are shown, the
// scales), the commands that move the view, and the one drawing routine
// that puts the spectrum and its ppm axis on any drawing surface. The
// window, the picture export and the tests all draw through GrafMesmoWnd,
// so what is exported is what is seen.
//
// Units are pixels of the graph picture, origin top left, y downwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "platform/drawing_surface.h"

namespace quble {

enum class ExpDrawStyle { Line, Points, MediumPoints, BigPoints, BigPointsLine };

// Fewer shown points than this make no sensible view; narrowing and
// expanding stop there.
constexpr std::int64_t kMinShownWidth = 7;

struct ExpView {
    std::int64_t FirstShown = 1;
    std::int64_t LastShown = 0;
    double PixPerPoint = 0.0;
    double PixPerPointFull = 0.0;
    double YMult = 0.0;
    double YMultFull = 0.0;
    std::int64_t YOffset = 0;  // pixel row of intensity 0
    double XMult = 0.0;        // pixels per ppm, set by each axis drawing
    double width = 0.0;        // graph picture size the scales were made for
    double height = 0.0;

    std::int64_t ShownWidth() const { return LastShown - FirstShown; }
};

// Full-view scaling (the scaling half of Grafico). A spectrum whose largest
// and smallest intensities are equal cannot be scaled to the height; it is
// drawn as a flat line where the smallest intensity would sit (88 % down).
void FullViewScaling(ExpView& v, const BrukerSpectrum& s, double width, double height);

// Whether the shown range is the whole spectrum.
bool IsFullView(const ExpView& v, std::int32_t nPont);
// The scroll bar: positions 0..ScrollMax, the current one FirstShown - 1.
// ScrollMax lets the view reach the last point (FirstShown up to
// NPont - width), so stepping to the right edge never leaves the bar's
// position beyond its own end. Never negative.
std::int64_t ScrollMax(const ExpView& v, std::int32_t nPont);
// The scroll bar moved to position value: keep the width, move the start.
// A value outside 0..ScrollMax is clamped.
void ScrollTo(ExpView& v, std::int32_t nPont, std::int64_t value);
void RecomputePixPerPoint(ExpView& v);

// Expand the band selStartX..selEndX (pixels). False, and no change, when
// selStartX >= selEndX. A band under kMinShownWidth points keeps the old
// view; a band released beyond the right edge stops at NPont - 1.
bool Expand(ExpView& v, std::int32_t nPont, double selStartX, double selEndX);
// One tenth off each side; refused (no change) below kMinShownWidth points.
void Narrow(ExpView& v);
// One tenth added to each side, within 1..NPont; reaching the last point
// gives the whole spectrum.
void Widen(ExpView& v, std::int32_t nPont);
// Move the window by n points (positive: to higher indices, lower ppm).
// False, and no change, when the window would leave the data.
bool Step(ExpView& v, std::int32_t nPont, std::int64_t n);
// Centre on a point without changing the width; false (no change) when the
// new window would leave the data.
bool CenterOn(ExpView& v, std::int32_t nPont, std::int64_t point);
// Show first..last (the manual reference preparation).
void ShowRange(ExpView& v, std::int64_t first, std::int64_t last);

// The ten-point step button: Shift alone moves 50, any other modifier
// nothing. Modifier bits as the toolkit gives them: 1 Shift, 2 Ctrl, 4 Alt.
std::int64_t TenPointStepSize(int shiftState);

// The one-point step buttons move on every second press only: the first
// press arms them with its sense, the second moves when the sense matches;
// either way the second press disarms.
struct OnePointStepper {
    bool StepArmed = false;
    int StepSense = 0;  // -1 right, 1 left
    // Returns the points to move (0 or -sense).
    std::int64_t Press(int sense);
};

// --- the ppm axis --------------------------------------------------------

struct AxisTick {
    int level = 0;          // 0: 1 ppm, 1: 0.1, 2: 0.01, 3: 0.001
    double value = 0.0;     // ppm
    double x = 0.0;
    int length = 0;         // pixels, downwards from the axis row
    bool labelled = false;
    std::string label;
    double labelX = 0.0;
    double labelY = 0.0;
    double fontHeight = 0.0;
};

struct AxisLayout {
    double yA = 0.0;        // axis row
    double XMult = 0.0;
    double d1 = 0.0;        // ppm of FirstShown
    double span = 0.0;      // ppm from FirstShown to LastShown
    int FdeltaST = 0;
    double Fdelta01ST = 0.0, Fdelta001ST = 0.0, Fdelta0001ST = 0.0;
    int levelsDrawn = 0;    // 1..4
    std::vector<AxisTick> ticks;
};

// Ticks and labels for the shown range; empty (levelsDrawn 0) when the
// spectrum has no usable ppm scale (no acqus, SFMeu 0, span 0).
AxisLayout ComputeAxis(const ExpView& v, const BrukerSpectrum& s, double width, double yShift);

constexpr ColorRef kAxisBlue = 0xFF0000;
inline constexpr const char* kAxisFont = "Times New Roman";

// Draw the spectrum and, when acqus was read, the ppm axis, shifted down by
// yShift pixels (0 on screen).
// Sets v.XMult as the axis is drawn.
void GrafMesmoWnd(DrawingSurface& dc, ExpView& v, const BrukerSpectrum& s, ExpDrawStyle style, double yShift);

// Pixel position of point i in the current view.
double PointX(const ExpView& v, std::int64_t i);
double PointY(const ExpView& v, std::int32_t intensity, double yShift = 0.0);

}  // namespace quble
