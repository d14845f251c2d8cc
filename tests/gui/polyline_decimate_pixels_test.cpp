// A dense thin polyline drawn through the QPainter surface (thinned to a few
// points per device pixel column) must light, column by column, the rows the
// full polyline lights, at device pixel ratios 1 and 2.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <vector>

#include "platform/qpainter_surface.h"

using namespace quble;

namespace {

// Draws polylines segment by segment, the way the plain surface does.
class SegmentSurface : public QPainterSurface {
public:
    using QPainterSurface::QPainterSurface;
    void Polyline(const PointF* points, std::size_t count) override { DrawingSurface::Polyline(points, count); }
};

std::vector<PointF> NoisySpectrum(int points, double width, double height) {
    std::vector<PointF> v;
    unsigned seed = 99;
    for (int i = 0; i < points; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = static_cast<double>((seed >> 16) % 9) - 4.0;
        const double peak = (i % 1500 == 700) ? -0.7 * height : 0.0;
        v.push_back({i * width / (points - 1), 0.85 * height + noise + peak});
    }
    return v;
}

template <class Surface>
QImage Draw(const std::vector<PointF>& pts, QSize logical, qreal dpr) {
    QImage image((QSizeF(logical) * dpr).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    QPainter painter(&image);
    {
        Surface s(painter, QRectF(QPointF(0, 0), QSizeF(logical)), logical.width(), logical.height());
        s.SetPen(Pen{0, 1.0});
        s.Polyline(pts.data(), pts.size());
    }
    return image;
}

struct Span {
    int top = -1, bottom = -1;
};

Span Column(const QImage& im, int x) {
    Span s;
    for (int y = 0; y < im.height(); ++y) {
        if (qGray(im.pixel(x, y)) < 128) {
            if (s.top < 0) s.top = y;
            s.bottom = y;
        }
    }
    return s;
}

}  // namespace

TEST(PolylineDecimatePixels, EveryColumnKeepsItsHighestAndLowestLitRow) {
    const QSize size(720, 400);
    const std::vector<PointF> pts = NoisySpectrum(65536, size.width(), size.height());
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage thinned = Draw<QPainterSurface>(pts, size, dpr);
        const QImage full = Draw<SegmentSurface>(pts, size, dpr);
        int lit = 0, differing = 0;
        for (int x = 0; x < full.width(); ++x) {
            const Span a = Column(full, x), b = Column(thinned, x);
            EXPECT_NEAR(b.top, a.top, 1) << x;
            EXPECT_NEAR(b.bottom, a.bottom, 1) << x;
            for (int y = 0; y < full.height(); ++y) {
                lit += qGray(full.pixel(x, y)) < 128;
                differing += full.pixel(x, y) != thinned.pixel(x, y);
            }
        }
        ASSERT_GT(lit, full.width());
        // Only where Qt ends a segment may a pixel differ.
        EXPECT_LE(differing, lit / 50);
    }
}
