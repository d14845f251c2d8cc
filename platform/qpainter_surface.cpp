#include "platform/qpainter_surface.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPen>
#include <QString>

#include <algorithm>
#include <cmath>

namespace quble {

namespace {
constexpr std::size_t kBatch = 2048;
// How far (device pixels) the points a thin run joins into one segment may
// stray from its first one within their pixel row. Measured against Qt's
// own segments: up to 0.6 the pixels are the same but for the few where Qt
// ends a segment; from 0.75 a sloping tail starts to step a row early.
constexpr double kRowJoin = 0.45;
}

QColor ToQColor(ColorRef c) {
    const ColorRef r = ResolveColor(c);
    return QColor(RedOf(r), GreenOf(r), BlueOf(r));
}

namespace {

// Vector devices (SVG, PDF) keep every coordinate.
bool IsRaster(const QPainter& painter) {
    const QPaintDevice* d = painter.device();
    const int kind = d ? d->devType() : 0;
    return kind == QInternal::Image || kind == QInternal::Widget || kind == QInternal::Pixmap;
}

}  // namespace

double QPainterSurface::DevicePixel() const {
    if (!IsRaster(painter_)) return 0.0;
    const QTransform t = painter_.deviceTransform();
    const double scale = sx_ * std::hypot(t.m11(), t.m12());
    return scale > 0.0 ? 1.0 / scale : 0.0;
}

double QPainterSurface::DevicePixelHeight() const {
    if (!IsRaster(painter_)) return 0.0;
    const QTransform t = painter_.deviceTransform();
    const double scale = sy_ * std::hypot(t.m21(), t.m22());
    return scale > 0.0 ? 1.0 / scale : 0.0;
}

bool QPainterSurface::ColumnsShow(double x1, double x2) const {
    // The same test the polylines and lines are culled by, so that leaving
    // the drawing out changes no pixel; not a number shows.
    const double a = Device(x1, 0.0).x(), b = Device(x2, 0.0).x();
    return !((a < cull_.left() && b < cull_.left()) || (a > cull_.right() && b > cull_.right()));
}

QPainterSurface::QPainterSurface(QPainter& painter, const QRectF& target, double scaleWidth, double scaleHeight)
    : painter_(painter),
      target_(target),
      scaleWidth_(scaleWidth),
      scaleHeight_(scaleHeight),
      sx_(scaleWidth > 0 ? target.width() / scaleWidth : 1.0),
      sy_(scaleHeight > 0 ? target.height() / scaleHeight : 1.0) {
    // Lines beyond the picture cost time and show nothing; a margin keeps the
    // ends of wide pens that reach in.
    cull_ = target_.adjusted(-8.0, -8.0, 8.0, 8.0);
    painter_.save();
    painter_.setClipRect(target_, Qt::IntersectClip);
    painter_.setBrush(Qt::NoBrush);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    ApplyPen();
    pending_.reserve(kBatch);
}

QPainterSurface::~QPainterSurface() {
    Flush();
    painter_.restore();
}

bool QPainterSurface::ThinPen() const { return pen_.width <= 1.0; }

void QPainterSurface::ApplyPen() {
    QPen qpen(ToQColor(pen_.color));
    qpen.setCosmetic(true);
    // Widths are user units; 0 and 1 both mean the thinnest line.
    qpen.setWidthF(ThinPen() ? 1.0 : std::max(1.0, pen_.width * std::min(sx_, sy_)));
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
    painter_.setPen(qpen);
    painter_.setRenderHint(QPainter::Antialiasing, !ThinPen());
}

void QPainterSurface::Flush() {
    if (pending_.empty()) return;
    painter_.drawLines(pending_.data(), static_cast<int>(pending_.size()));
    pending_.clear();
}

void QPainterSurface::Clear(ColorRef background) {
    pending_.clear();  // covered anyway
    painter_.fillRect(target_, ToQColor(background));
}

void QPainterSurface::SetPen(const Pen& pen) {
    if (pen == pen_) return;
    Flush();
    pen_ = pen;
    ApplyPen();
}

void QPainterSurface::MoveTo(double x, double y) { current_ = Device(x, y); }

bool QPainterSurface::WhollyOutside(const PointF* points, std::size_t count) const {
    // Every segment of such a polyline would be skipped one by one; a peak
    // far beside the picture is common when zoomed in, so the test is made
    // once. A point that is not a number keeps the polyline.
    bool left = true, right = true, above = true, below = true;
    for (std::size_t i = 0; i < count; ++i) {
        const QPointF d = Device(points[i].x, points[i].y);
        left = left && d.x() < cull_.left();
        right = right && d.x() > cull_.right();
        above = above && d.y() < cull_.top();
        below = below && d.y() > cull_.bottom();
        if (!(left || right || above || below)) return false;
    }
    return true;
}

std::size_t QPainterSurface::RowRunEnd(const PointF* points, std::size_t from, std::size_t count, QPointF a,
                                       QPointF& b) const {
    // The tests of Polyline for one point after another, without early
    // outs, as most of the points of a tail pass them all.
    const double left = target_.left(), top = target_.top();
    const double cl = cull_.left(), cr = cull_.right(), ct = cull_.top(), cb = cull_.bottom();
    const double ax = a.x(), ay = a.y(), row = std::floor(ay), rowEnd = row + 1.0;
    double bx = b.x(), by = b.y();
    std::size_t j = from;
    for (; j < count; ++j) {
        const double qx = left + points[j].x * sx_;
        const double qy = top + points[j].y * sy_;
        const bool outside = ((bx < cl) & (qx < cl)) | ((bx > cr) & (qx > cr)) | ((by < ct) & (qy < ct)) |
                             ((by > cb) & (qy > cb));
        const bool joins =
            (qy >= row) & (qy < rowEnd) & (std::fabs(qy - ay) < kRowJoin) & ((bx - ax) * (qx - bx) > 0.0);
        if (outside | !joins) break;
        bx = qx;
        by = qy;
    }
    b = QPointF(bx, by);
    return j;
}

void QPainterSurface::DrawRun() {
    if (run_.size() > 1) painter_.drawPolyline(run_.data(), static_cast<int>(run_.size()));
    run_.clear();
}

void QPainterSurface::AddSegment(const QPointF& a, const QPointF& b) {
    if (Outside(a, b)) return;
    pending_.emplace_back(a, b);
    // Drawn in batches small enough to stay in the cache.
    if (pending_.size() >= kBatch) Flush();
}

void QPainterSurface::LineTo(double x, double y) {
    const QPointF to = Device(x, y);
    if (ThinPen()) {
        AddSegment(current_, to);
    } else {
        painter_.drawLine(current_, to);
    }
    current_ = to;
}

void QPainterSurface::Polyline(const PointF* points, std::size_t count) {
    if (count == 0) return;
    Flush();
    if (WhollyOutside(points, count)) {
        current_ = Device(points[count - 1].x, points[count - 1].y);
        return;
    }
    // Runs of segments that reach into the picture, each drawn as one
    // polyline; the rest is skipped.
    run_.clear();
    run_.reserve(count);
    QPointF prev = Device(points[0].x, points[0].y);
    run_.push_back(prev);
    const bool thin = ThinPen();
    for (std::size_t i = 1; i < count; ++i) {
        const QPointF next = Device(points[i].x, points[i].y);
        if (Outside(prev, next)) DrawRun();
        // A thin line that runs on along one pixel row covers the same pixels
        // as one segment from the row's first point to its last: the flat
        // tails of thousands of peak profiles then cost one segment each.
        const std::size_t n = run_.size();
        if (thin && n >= 2) {
            const QPointF a = run_[n - 2];
            QPointF b = run_[n - 1];
            const double row = std::floor(a.y());
            const bool joins = b.y() >= row && b.y() < row + 1.0 && next.y() >= row && next.y() < row + 1.0 &&
                               std::fabs(next.y() - a.y()) < kRowJoin && (b.x() - a.x()) * (next.x() - b.x()) > 0.0;
            if (joins) {
                // The rest of such a row (a profile's whole tail) is followed
                // without touching the run.
                b = next;
                const std::size_t j = RowRunEnd(points, i + 1, count, a, b);
                run_[n - 1] = b;
                prev = b;
                i = j - 1;
                continue;
            }
        }
        run_.push_back(next);
        prev = next;
    }
    DrawRun();
    current_ = prev;
}

void QPainterSurface::Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) {
    Flush();
    const QRectF r = QRectF(Device(x1, y1), Device(x2, y2)).normalized();
    if (filled) {
        painter_.fillRect(r, ToQColor(color));
        return;
    }
    painter_.save();
    QPen qpen(ToQColor(color));
    qpen.setCosmetic(true);
    painter_.setPen(qpen);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.drawRect(r);
    painter_.restore();
}

void QPainterSurface::Ellipse(double x1, double y1, double x2, double y2) {
    Flush();
    const bool aa = painter_.testRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.drawEllipse(QRectF(Device(x1, y1), Device(x2, y2)).normalized());
    painter_.setRenderHint(QPainter::Antialiasing, aa);
}

void QPainterSurface::SetPixel(double x, double y, ColorRef color) {
    Flush();
    const QPointF p = Device(x, y);
    painter_.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1.0, 1.0), ToQColor(color));
    current_ = p;
}

QFont QPainterSurface::ToQFont(const Font& font) const {
    QFont f(QString::fromStdString(font.face));
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.height * sy_))));
    f.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setUnderline(font.underline);
    return f;
}

void QPainterSurface::SetFont(const Font& font) {
    font_ = font;
    qfont_ = ToQFont(font);
}

void QPainterSurface::SetTextColor(ColorRef color) { textColor_ = color; }

void QPainterSurface::TextOut(double x, double y, std::string_view text) {
    Flush();
    painter_.save();
    painter_.setFont(qfont_);
    painter_.setPen(ToQColor(textColor_));
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.translate(Device(x, y));
    if (font_.escapement != 0) painter_.rotate(-font_.escapement / 10.0);
    const QFontMetricsF metrics(qfont_, painter_.device());
    painter_.drawText(QPointF(0.0, metrics.ascent()), QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    painter_.restore();
}

TextExtent QPainterSurface::MeasureText(const Font& font, std::string_view text) const {
    const QFontMetricsF metrics(ToQFont(font), painter_.device());
    const QString s = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    return {metrics.horizontalAdvance(s) / sx_, metrics.height() / sy_};
}

QImage RenderToImage(QSize size, double scaleWidth, const std::function<void(DrawingSurface&)>& draw) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const double scaleHeight = scaleWidth * size.height() / std::max(1, size.width());
    {
        QPainterSurface surface(painter, QRectF(QPointF(0, 0), QSizeF(size)), scaleWidth, scaleHeight);
        draw(surface);
    }
    painter.end();
    return image;
}

}  // namespace quble
