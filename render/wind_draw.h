// The simulator graph as an enhanced metafile: the whole picture drawn again
// with plain drawing calls (WindDraw) into a metafile of the graph box's size
// (MakeCurPicMF), in colour or in black and white, with the pasted formula
// picture played in at its place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "platform/emf_surface.h"
#include "render/spectrum_plot.h"

namespace quble {

// Picture files in the program folder.
inline constexpr const char* kCurPicFile = "CurPic.emf";
inline constexpr const char* kCurPic2File = "CurPic2.emf";
inline constexpr const char* kSvClipMFFile = "SvClipMF.emf";
inline constexpr const char* kSvClipMFSFFile = "SvClipMFSF.emf";
// Shown (plain message box, the application's title) when a metafile cannot
// be made.
inline constexpr const char* kMetafileFailedMessage = "NECA DE PITIBIRIBA";
// The message of a metafile that could not be made or kept: the program's
// text, then why (the disk is full, the folder is read-only, ...), so the
// user can do something about it.
std::string MetafileFailedText(const std::string& why);

// The pasted formula as the window shows it (Image1), picture units.
struct FormulaPicture {
    bool FormulaShown = false;
    bool FormulaFromExample = false;
    std::string ExampleFormulaPath;
    double Left = 448, Top = 24, Width = 200, Height = 200;
};

// Window-wide values of the picture export.
struct PictureExport {
    bool BWExport = false;
    std::string ProgramFolder;  // where the picture files go
    FormulaPicture formula;
    ScreenMetrics screen;       // the screen the metafile refers to
};

std::string ProgramFile(const std::string& folder, const char* name);

// One colour of the splitting diagram and every segment (x1, y1, x2, y2)
// drawn in it, in the order the diagram draws them.
struct DiagramColourGroup {
    ColorRef colour = 0;
    struct Segment {
        double x1, y1, x2, y2;
    };
    std::vector<Segment> segments;
};
// The root stems, stems and links of every hydrogen's tree grouped by their
// colour (black for all when bw), groups in order of first use. There is no
// limit on the number of colours: a tree with more colours than the usual
// palette keeps every segment.
std::vector<DiagramColourGroup> DiagramLines(const PlotState& plot, const SimulationState& sim, bool bw);

// Draws the simulator graph as the metafile shows it. The graph must have
// been drawn (PlotFinal) with the same state, which lays out the captions and
// labels written here. While it draws, plot.options.BWDrawing follows bwExport;
// afterwards it is false. formula, when given, is called last to add the
// formula picture.
void WindDraw(PlotState& plot, const SimulationState& sim, DrawingSurface& dc, bool bwExport,
              const std::function<void(DrawingSurface&)>& formula = {});

// Plays the formula picture (the example's file or SvClipMF.emf in the
// program folder) into the metafile over Image1's rectangle.
bool Formula(EmfSurface& dc, const PictureExport& ex, std::string* error);

// The page of the graph's metafile: frame in 0.01 mm from the graph box's
// size taken as pixels of the screen, mapping extents as the screen has them.
struct CurPicPage {
    EmfPageSetup setup;
    std::int32_t windowExtX = 0, windowExtY = 0, viewportExtX = 0, viewportExtY = 0;
};
CurPicPage CurPicPageFor(double scaleWidth, double scaleHeight, const ScreenMetrics& screen);

// Makes CurPic.emf in the program folder (colour or black and white after
// ex.BWExport). On failure returns false with the reason in error; the
// window then shows kMetafileFailedMessage and the previous file is kept.
// bytes, when given, receives the metafile.
bool MakeCurPicMF(PlotState& plot, const SimulationState& sim, const PictureExport& ex,
                  std::vector<std::uint8_t>* bytes, std::string* error);

// Keeps a metafile taken from the clipboard as the formula picture file
// (kSvClipMFFile or kSvClipMFSFFile): checked, then written unchanged.
bool SaveClipMF(const std::vector<std::uint8_t>& clipEmf, const std::string& folder, const char* fileName,
                std::string* error);

}  // namespace quble
