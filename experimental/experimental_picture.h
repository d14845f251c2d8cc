// The experimental window as a picture: the title strip, the graph and the
// legend strip stacked as the window shows them, drawn by the window's own
// drawing routine (GrafMesmoWnd, shifted below the title), the formula
// picture at its place, and the frame with its texts (Moldura). CurPic2.emf
// in the program folder is this picture as an enhanced metafile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/experimental_plot.h"
#include "platform/drawing_surface.h"
#include "platform/emf_surface.h"
#include "platform/picture_files.h"
#include "render/wind_draw.h"

namespace quble {

// Where the strips and the labels lie, in pixels of the window. Label
// positions are relative to the strip that holds them: the title (Label10)
// to the title strip (Picture7), the reference (Label5) and the axis legend
// (Label11) to the legend strip (Picture6).
struct ExpFrameLayout {
    double graphWidth = 720;    // Picture1
    double graphHeight = 400;
    double titleHeight = 22;    // Picture7
    double legendHeight = 40;   // Picture6
    std::string title;
    double titleLeft = -1;      // negative: centred in the strip as the window centres it
    double titleTop = 2;
    std::string reference = "Reference: None";
    double referenceLeft = 0, referenceTop = 2;
    double deltaLeft = 340, deltaTop = 2;

    // W and H of the frame: the graph's width, the three heights added.
    double FrameWidth() const;
    double FrameHeight() const;
    // The picture's user units: the frame plus the three-pixel shadow.
    double PictureWidth() const { return FrameWidth() + 2; }
    double PictureHeight() const { return FrameHeight() + 3; }
};

// The layout of a window that was never shown (the command line): the
// window's default strip sizes and label places, the spectrum's title and
// reference caption.
ExpFrameLayout DefaultExpFrameLayout(const BrukerSpectrum& s);

inline constexpr const char* kTitleFont = "Arial";
inline constexpr int kTitleWeight = 900;

// The frame, its drop shadow and the frame texts (axis legend, reference,
// title).
void Moldura(DrawingSurface& dc, const ExpFrameLayout& f);

// The whole picture: the graph (its view as on screen) shifted below the
// title strip, then formula(dc) when the spectrum has its ppm axis (a
// spectrum opened without acqus shows no formula), then the frame. The view
// is taken by value: drawing it must not change the window's. bw draws the
// blue axis black as well.
void DrawExperimentalPicture(DrawingSurface& dc, ExpView view, const BrukerSpectrum& s, ExpDrawStyle style,
                             const ExpFrameLayout& f, const std::function<void(DrawingSurface&)>& formula,
                             bool bw = false);

// The formula picture of the experimental window: its flags, the example
// file, and Image4's rectangle in graph pixels.
struct ExpFormula {
    bool ExpFormulaShown = false;
    bool ExpFormulaFromExample = false;
    std::string ExpExampleFormulaPath;
    double Left = 100, Top = 40, Width = 200, Height = 200;
};
// The formula file a picture plays: the example's, or SvClipMFSF.emf in the
// program folder.
std::string ExpFormulaFile(const ExpFormula& f, const std::string& programFolder);

// Makes CurPic2.emf in programFolder: frame and mapping from the picture's
// size on the screen (as CurPic.emf), the picture drawn into it with the
// formula file embedded over Image4's rectangle moved below the title. On
// failure returns false with the reason; nothing half-written is left and
// an older CurPic2.emf stays as it was. bytes, when given, receives the
// metafile.
bool MakeCurPic2MF(const ExpView& view, const BrukerSpectrum& s, ExpDrawStyle style, const ExpFrameLayout& f,
                   const ExpFormula& formula, const ScreenMetrics& screen, const std::string& programFolder,
                   std::vector<std::uint8_t>* bytes, std::string* error);

}  // namespace quble
