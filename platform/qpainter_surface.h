// The drawing surface on a QPainter: the user scale (ScaleWidth x
// ScaleHeight units, y down) is mapped onto a target rectangle of the paint
// device, so a graph laid out in 663 units fills any widget or image.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <functional>
#include <vector>

#include "platform/drawing_surface.h"

namespace quble {

QColor ToQColor(ColorRef c);

class QPainterSurface : public DrawingSurface {
public:
    // The painter must stay active while the surface is used. Pending lines
    // are drawn at the latest when the surface is destroyed or Flush() runs.
    QPainterSurface(QPainter& painter, const QRectF& target, double scaleWidth, double scaleHeight);
    ~QPainterSurface() override;
    QPainterSurface(const QPainterSurface&) = delete;
    QPainterSurface& operator=(const QPainterSurface&) = delete;

    double ScaleWidth() const override { return scaleWidth_; }
    double ScaleHeight() const override { return scaleHeight_; }
    double DevicePixel() const override;
    double DevicePixelHeight() const override;
    bool ColumnsShow(double x1, double x2) const override;

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
    TextExtent MeasureText(const Font& font, std::string_view text) const override;

    // Draws the thin lines collected so far.
    void Flush();

private:
    QPointF Device(double x, double y) const { return {target_.left() + x * sx_, target_.top() + y * sy_}; }
    QFont ToQFont(const Font& font) const;
    void ApplyPen();
    bool ThinPen() const;
    // Both ends beyond the same side of the picture (with its margin).
    bool Outside(const QPointF& a, const QPointF& b) const {
        return (a.x() < cull_.left() && b.x() < cull_.left()) || (a.x() > cull_.right() && b.x() > cull_.right()) ||
               (a.y() < cull_.top() && b.y() < cull_.top()) || (a.y() > cull_.bottom() && b.y() > cull_.bottom());
    }
    // Every point beyond one and the same side.
    bool WhollyOutside(const PointF* points, std::size_t count) const;
    void AddSegment(const QPointF& a, const QPointF& b);
    // Draws the run if it has a segment, and empties it.
    void DrawRun();
    // Follows a thin row run with anchor a and last point b from points[from]
    // on: b becomes the last point that joins it; returns the index of the
    // first that does not.
    std::size_t RowRunEnd(const PointF* points, std::size_t from, std::size_t count, QPointF a, QPointF& b) const;

    QPainter& painter_;
    QRectF target_;
    double scaleWidth_;
    double scaleHeight_;
    double sx_;
    double sy_;
    QRectF cull_;  // segments wholly beyond one side of this are not drawn
    Pen pen_;
    Font font_;
    QFont qfont_;
    ColorRef textColor_ = 0;
    QPointF current_;
    std::vector<QLineF> pending_;  // thin lines of the current pen, not yet drawn
    std::vector<QPointF> run_;     // polyline being drawn
};

// An image of the given pixel size, filled white, with draw() run on a
// surface whose user scale is scaleWidth x (scaleWidth * height / width).
QImage RenderToImage(QSize size, double scaleWidth, const std::function<void(DrawingSurface&)>& draw);

}  // namespace quble
