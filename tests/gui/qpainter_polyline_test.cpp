// The QPainter surface shortens thin polylines that run along one pixel row;
// the picture must stay the one the plain segments give.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/qpainter_surface.h"
#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"

using namespace quble;

namespace {

// Draws polylines segment by segment, the way the plain surface does.
class SegmentSurface : public QPainterSurface {
public:
    using QPainterSurface::QPainterSurface;
    void Polyline(const PointF* points, std::size_t count) override { DrawingSurface::Polyline(points, count); }
};

template <class Surface>
QImage Draw(const SimulationState& sim, PlotState plot, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    {
        Surface surface(painter, QRectF(QPointF(0, 0), QSizeF(size)), plot.ScaleWidth, plot.ScaleHeight);
        CalcFirstPlot(plot, sim, surface);
    }
    painter.end();
    return image;
}

}  // namespace

TEST(QPainterPolyline, ShortenedRunsDrawTheSamePixels) {
    // Broad Lorentzian profiles of 201 samples with long flat tails, plus a
    // second hydrogen so that tails cross other peaks.
    SimulationInput in;
    in.Text2 = "2";
    in.Text6[0] = "2500";
    in.Text6[1] = "2470.3";
    in.Text1[0] = "3";
    in.Text1[1] = "2";
    const char* j[] = {"7.1", "3.3", "1.2"};
    for (int k = 0; k < 3; ++k) in.JText[0][k] = j[k];
    in.JText[1][0] = "6.4";
    in.JText[1][1] = "6.4";
    in.Text3 = "0.1";
    in.Text4 = "1.3";
    SimulationState sim;
    sim.ticks = TicksFor(LineShape::Lorentzian);
    ASSERT_FALSE(StartProcess(sim, in));
    ASSERT_EQ(sim.NPeakPts, 100);
    PlotState plot;
    InitPlotGeometry(plot, 400.0);
    plot.JText = in.JText;
    plot.view.mnuHistogram = false;  // leave the peaks' own pixels exposed
    AjPlotSize(plot, sim);

    for (QSize size : {QSize(663, 400), QSize(900, 700), QSize(1326, 800)}) {
        const QImage shortened = Draw<QPainterSurface>(sim, plot, size);
        const QImage plain = Draw<SegmentSurface>(sim, plot, size);
        int differing = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) differing += shortened.pixel(x, y) != plain.pixel(x, y);
        }
        // A few pixels may differ where Qt ends a segment (tens in a million).
        EXPECT_LE(differing, size.width() * size.height() / 5000) << size.width() << "x" << size.height();
    }
}
