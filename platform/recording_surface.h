// A drawing surface that draws nothing and remembers every call, so tests can
// check what a picture consists of and in which order it was drawn.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"

namespace quble {

struct DrawCall {
    enum class Kind { Clear, SetPen, MoveTo, LineTo, Polyline, Box, Ellipse, SetPixel, SetFont, SetTextColor, TextOut };
    Kind kind = Kind::Clear;
    // Coordinates: MoveTo/LineTo/SetPixel/TextOut use x1, y1; LineTo also
    // keeps the start point in x0, y0; Box/Ellipse use x1..y2.
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::vector<PointF> points;  // Polyline
    Pen pen;                     // the pen in force (SetPen, lines, ellipses)
    Font font;                   // the font in force (SetFont, TextOut)
    ColorRef color = 0;          // Clear, Box, SetPixel, SetTextColor; TextOut: the text colour
    bool filled = false;         // Box
    std::string text;            // TextOut
};

class RecordingSurface : public DrawingSurface {
public:
    RecordingSurface(double scaleWidth, double scaleHeight) : width_(scaleWidth), height_(scaleHeight) {}

    double ScaleWidth() const override { return width_; }
    double ScaleHeight() const override { return height_; }

    void Clear(ColorRef background) override;
    void SetPen(const Pen& pen) override;
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void Polyline(const PointF* points, std::size_t count) override;
    void Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) override;
    void Ellipse(double x1, double y1, double x2, double y2) override;
    void SetPixel(double x, double y, ColorRef color) override;
    void SetFont(const Font& font) override;
    void SetTextColor(ColorRef color) override;
    void TextOut(double x, double y, std::string_view text) override;
    // A fixed approximation: each character 0.55 of the font height wide, the
    // line 1.15 of the height tall.
    TextExtent MeasureText(const Font& font, std::string_view text) const override;

    const std::vector<DrawCall>& Calls() const { return calls_; }
    void Reset() { calls_.clear(); }

private:
    DrawCall Make(DrawCall::Kind kind) const;

    double width_;
    double height_;
    Pen pen_;
    Font font_;
    ColorRef textColor_ = 0;
    PointF current_;
    std::vector<DrawCall> calls_;
};

}  // namespace quble
