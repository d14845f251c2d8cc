// The formula picture shown over a graph: the image (Image1) stretched to
// its rectangle, a copy of it that follows the pointer while the picture is
// moved (Image2), and the small square handle at its lower-right corner
// (Shape1) that sizes it with the aspect ratio kept. The picture is always a
// metafile; pictures that arrive as pixels or SVG are turned into one first
// (FormulaEmfFromClip), so every export can embed the same picture.
//
// Positions and sizes are in the graph's user units; the widget converts
// them to pixels with the units-per-pixel factors its owner sets. Any window
// with a graph (the simulator's, the experimental one's) can use it.
#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/clipboard.h"

namespace quble {

inline constexpr const char* kMoveTip = "Left Button to Move";
inline constexpr const char* kSizeTip = "Left Button to Size";

// Reads a formula picture file: a metafile whose header and records are
// sound. False with a reason otherwise (missing, unreadable, malformed).
bool ReadFormulaFile(const std::filesystem::path& path, std::vector<std::uint8_t>* emf, std::string* error);

// The picture of a paste as a metafile: an EMF as it came; an SVG drawn on
// pixels (1000 on its longer side, white behind) and a raster image as it
// is, each kept as one bitmap stretched over the frame. note says which.
std::vector<std::uint8_t> FormulaEmfFromClip(const ClipPicture& pic, std::string* note);

// The formula picture file that goes with a spectrum in folder: the first
// name, in name order, whose last four characters are ".emf" exactly (a
// name of four characters or fewer is compared whole). Upper-case ".EMF" is
// not taken.
std::optional<std::filesystem::path> FindFormulaBeside(const std::filesystem::path& folder);
bool IsFormulaFileName(const std::string& name);

// The picture's size from its frame (0.01 mm), the size a picture loader
// gives it; empty when the header is unreadable or the frame is empty.
QSizeF FormulaNaturalSize(const std::vector<std::uint8_t>& emf);

// Where a window shows a formula: the corner at (left, top), the longer side
// longSide units; empty when the picture has no size.
QRectF FormulaRectFor(const std::vector<std::uint8_t>& emf, double left = 448, double top = 24,
                      double longSide = 200);

class FormulaImage : public QWidget {
    Q_OBJECT
public:
    enum class Pointer { Normal, Move, Size };

    // graph: the widget the picture lies over (its parent). The outline and
    // the handle are siblings named image2Name and shapeName.
    FormulaImage(QWidget* graph, const QString& image1Name = "Image1", const QString& image2Name = "Image2",
                 const QString& shapeName = "Shape1");

    // User units of one pixel of the graph widget.
    void SetUnitsPerPixel(double ux, double uy);

    // Shows emf with its longer side longSide units, its corner at (left,
    // top). False (and nothing shown) when the metafile has no size.
    bool ShowPicture(std::vector<std::uint8_t> emf, double left, double top, double longSide = 200.0);
    // Empties and hides the picture.
    void ClearPicture();
    bool HasPicture() const { return !emf_.empty(); }
    const std::vector<std::uint8_t>& Emf() const { return emf_; }

    // Image1's rectangle in user units (Left, Top, Width, Height).
    QRectF UnitRect() const { return rect_; }
    void SetUnitRect(const QRectF& r);
    // Image2's rectangle (the outline while the picture is moved).
    QRectF OutlineRect() const { return outlineRect_; }

    // Image1 as the user sees it: shown and not lifted for a move.
    bool PictureVisible() const { return isVisible() && !lifted_; }
    bool Bordered() const { return border_; }
    Pointer CurrentPointer() const { return pointer_; }
    QWidget* Image2() const { return image2_; }
    QWidget* Shape1() const { return shape1_; }

    // The pointer moved over the graph outside the picture: the handle, the
    // outline and the border go.
    void GraphMouseMove();

    // Handle size in pixels.
    static constexpr int kHandle = 7;

signals:
    // The user moved or sized the picture.
    void rectChanged(QRectF unitRect);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QRect ToPixels(const QRectF& r) const;
    void PlaceHandle();
    void SetPointer(Pointer p);

    QWidget* image2_ = nullptr;
    QWidget* shape1_ = nullptr;
    std::vector<std::uint8_t> emf_;
    QRectF rect_{448, 24, 200, 200};
    QRectF outlineRect_{448, 24, 200, 200};
    double ux_ = 1.0, uy_ = 1.0;
    bool border_ = false;
    bool lifted_ = false;    // hidden for a move; the outline stands in
    bool pressed_ = false;
    Pointer pointer_ = Pointer::Normal;
    Pointer dragPointer_ = Pointer::Normal;
    QPointF pressGlobal_;    // pixels
    QPointF pressLocal_;     // pixels, inside the picture
    QRectF pressRect_;       // user units
};

}  // namespace quble
