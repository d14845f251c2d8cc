// A graph as a picture to export: one drawing routine that can draw onto any
// drawing surface, the formula picture laid over it, and the writers of the
// four file forms (EMF, SVG, PDF, PNG) and of the clipboard renderings. The
// simulator graph is one source; the experimental graph plugs in the same
// way with its own drawing routine.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "platform/emf_surface.h"

namespace quble {

enum class PictureFormat { Emf, Svg, Pdf, Png };

// By the file name's extension, in any case: .emf, .svg, .pdf, .png.
std::optional<PictureFormat> PictureFormatForPath(const std::string& path);

struct GraphPicture {
    // The drawing's user units; one unit is one pixel of the screen, as the
    // window shows the graph, so the picture's size in inches is
    // scaleWidth / screen.LOGPIXELSX.
    double scaleWidth = 0;
    double scaleHeight = 0;
    ScreenMetrics screen;
    // Draws the whole graph (black and white when bw) and calls formula at
    // the point where the formula picture belongs.
    std::function<void(DrawingSurface& dc, bool bw, const std::function<void(DrawingSurface&)>& formula)> draw;
    // The formula picture (empty: none) and its rectangle in user units.
    std::vector<std::uint8_t> formulaEmf;
    QRectF formulaRect;
};

// The metafile: frame from the size in inches, MM_ANISOTROPIC mapping onto
// the screen (as CurPic.emf), the formula embedded.
std::vector<std::uint8_t> GraphEmf(const GraphPicture& g, bool bw);
// The drawing on a white image of the picture's size at dpi (dots per inch
// recorded in the image).
QImage GraphImage(const GraphPicture& g, bool bw, double dpi);
QByteArray GraphPng(const GraphPicture& g, bool bw, double dpi);
// An SVG of the picture's size (96 dpi pixels), vector all through.
QByteArray GraphSvg(const GraphPicture& g, bool bw);
// A one-page PDF of exactly the picture's size, checked complete; empty
// with the reason in error otherwise.
QByteArray GraphPdfBytes(const GraphPicture& g, bool bw, std::string* error);
// The same written whole to path, or not at all.
bool GraphPdf(const GraphPicture& g, bool bw, const QString& path, std::string* error);

// The picture in the given form at path; dpi only matters for PNG. Written
// whole or not at all (a failed export leaves an older file as it was).
bool ExportGraphPicture(const GraphPicture& g, const std::string& path, PictureFormat format, bool bw, double dpi,
                        std::string* error);

// The pixel size of a PNG at dpi.
QSize GraphPixelSize(const GraphPicture& g, double dpi);

}  // namespace quble
