#include "platform/recording_surface.h"

namespace quble {

DrawCall RecordingSurface::Make(DrawCall::Kind kind) const {
    DrawCall c;
    c.kind = kind;
    c.pen = pen_;
    c.font = font_;
    c.color = textColor_;
    return c;
}

void RecordingSurface::Clear(ColorRef background) {
    DrawCall c = Make(DrawCall::Kind::Clear);
    c.color = background;
    calls_.push_back(std::move(c));
}

void RecordingSurface::SetPen(const Pen& pen) {
    pen_ = pen;
    calls_.push_back(Make(DrawCall::Kind::SetPen));
}

void RecordingSurface::MoveTo(double x, double y) {
    DrawCall c = Make(DrawCall::Kind::MoveTo);
    c.x1 = x;
    c.y1 = y;
    current_ = {x, y};
    calls_.push_back(std::move(c));
}

void RecordingSurface::LineTo(double x, double y) {
    DrawCall c = Make(DrawCall::Kind::LineTo);
    c.x0 = current_.x;
    c.y0 = current_.y;
    c.x1 = x;
    c.y1 = y;
    current_ = {x, y};
    calls_.push_back(std::move(c));
}

void RecordingSurface::Polyline(const PointF* points, std::size_t count) {
    if (count == 0) return;
    DrawCall c = Make(DrawCall::Kind::Polyline);
    c.points.assign(points, points + count);
    current_ = points[count - 1];
    calls_.push_back(std::move(c));
}

void RecordingSurface::Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) {
    DrawCall c = Make(DrawCall::Kind::Box);
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    c.color = color;
    c.filled = filled;
    calls_.push_back(std::move(c));
}

void RecordingSurface::Ellipse(double x1, double y1, double x2, double y2) {
    DrawCall c = Make(DrawCall::Kind::Ellipse);
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    calls_.push_back(std::move(c));
}

void RecordingSurface::SetPixel(double x, double y, ColorRef color) {
    DrawCall c = Make(DrawCall::Kind::SetPixel);
    c.x1 = x;
    c.y1 = y;
    c.color = color;
    current_ = {x, y};
    calls_.push_back(std::move(c));
}

void RecordingSurface::SetFont(const Font& font) {
    font_ = font;
    calls_.push_back(Make(DrawCall::Kind::SetFont));
}

void RecordingSurface::SetTextColor(ColorRef color) {
    textColor_ = color;
    calls_.push_back(Make(DrawCall::Kind::SetTextColor));
}

void RecordingSurface::TextOut(double x, double y, std::string_view text) {
    DrawCall c = Make(DrawCall::Kind::TextOut);
    c.x1 = x;
    c.y1 = y;
    c.text = std::string(text);
    calls_.push_back(std::move(c));
}

TextExtent RecordingSurface::MeasureText(const Font& font, std::string_view text) const {
    return {0.55 * font.height * static_cast<double>(text.size()), 1.15 * font.height};
}

}  // namespace quble
