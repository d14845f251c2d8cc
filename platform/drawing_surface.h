// The abstract drawing surface every graph is drawn onto. It offers what a
// picture box and a GDI device context give the drawing code: pens, fonts,
// a current point with move and line, boxes, ellipses, pixels and text, in
// the surface's own user units (the simulator graph is 663 units wide).
// Back ends: QPainter (screen, PNG, SVG), a metafile writer, and a recorder
// for tests. Nothing here depends on a toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quble {

using ColorRef = std::uint32_t;  // 0x00BBGGRR

constexpr int RedOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr ColorRef Rgb(int r, int g, int b) {
    return static_cast<ColorRef>(r & 0xFF) | (static_cast<ColorRef>(g & 0xFF) << 8) |
           (static_cast<ColorRef>(b & 0xFF) << 16);
}

// System colours (0x80000000 + index) resolved to the light desktop scheme the
// program was designed on; any other value is returned without its top byte.
ColorRef ResolveColor(ColorRef c);

struct PointF {
    double x = 0.0;
    double y = 0.0;
};

struct Pen {
    ColorRef color = 0;
    double width = 1.0;  // user units; 0 or 1 is the thinnest line
    bool operator==(const Pen&) const = default;
};

struct Font {
    std::string face = "Arial";
    double height = 11.0;  // character height in user units
    int weight = 400;      // 400 normal, 700 bold
    bool underline = false;
    int escapement = 0;    // tenths of a degree, counter-clockwise; 900 runs upward
    bool operator==(const Font&) const = default;
};

struct TextExtent {
    double width = 0.0;
    double height = 0.0;  // line height (ascent + descent)
};

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Size of the drawing area in user units (ScaleWidth, ScaleHeight).
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;

    // Fill the whole area.
    virtual void Clear(ColorRef background) = 0;

    virtual void SetPen(const Pen& pen) = 0;
    virtual void MoveTo(double x, double y) = 0;
    // Line from the current point with the current pen; the end becomes the
    // current point.
    virtual void LineTo(double x, double y) = 0;
    // Connected lines through the points with the current pen; the last point
    // becomes the current point. The default goes through MoveTo/LineTo.
    virtual void Polyline(const PointF* points, std::size_t count);
    // Rectangle outline (filled = false) or filled rectangle in one colour.
    virtual void Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) = 0;
    // Ellipse outline inside the rectangle, with the current pen.
    virtual void Ellipse(double x1, double y1, double x2, double y2) = 0;
    virtual void SetPixel(double x, double y, ColorRef color) = 0;

    virtual void SetFont(const Font& font) = 0;
    virtual void SetTextColor(ColorRef color) = 0;
    // Text with its top-left corner at (x, y) before rotation by the font's
    // escapement about that point.
    virtual void TextOut(double x, double y, std::string_view text) = 0;
    virtual TextExtent MeasureText(const Font& font, std::string_view text) const = 0;

    // User units per device pixel, for drawing that may leave out what a
    // raster cannot show; 0 for back ends that keep every coordinate (files,
    // the recording surface).
    virtual double DevicePixel() const { return 0.0; }
    // The same for the height of a device pixel row.
    virtual double DevicePixelHeight() const { return 0.0; }

    // False when nothing drawn between the two x (user units, either order)
    // can show because the back end cuts away everything wholly beside its
    // picture; callers may then leave such drawing out. Back ends that keep
    // every coordinate answer true.
    virtual bool ColumnsShow(double /*x1*/, double /*x2*/) const { return true; }
};

}  // namespace quble
