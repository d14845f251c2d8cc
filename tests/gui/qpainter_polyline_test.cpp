// The QPainter surface shortens thin polylines that run along one pixel row;
// the picture must stay the one the plain segments give.
#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <QPainter>

#include "platform/qpainter_surface.h"
#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"

using namespace quble;

namespace {

// Draws polylines segment by segment, the way the plain surface does, and
// is handed every sample of every peak, as a file is.
class SegmentSurface : public QPainterSurface {
public:
    using QPainterSurface::QPainterSurface;
    void Polyline(const PointF* points, std::size_t count) override { DrawingSurface::Polyline(points, count); }
    double DevicePixelHeight() const override { return 0.0; }
};

// Segment by segment as above, and every peak computed and handed over: what
// the picture looks like when nothing is culled before Qt clips it.
class UnculledSurface : public SegmentSurface {
public:
    using SegmentSurface::SegmentSurface;
    bool ColumnsShow(double, double) const override { return true; }
};

int DifferingPixels(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    }
    return differing;
}

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

    // Heights that put the baseline at different fractions of a pixel row.
    for (QSize size : {QSize(663, 400), QSize(900, 700), QSize(1326, 800), QSize(777, 451), QSize(900, 703)}) {
        const QImage shortened = Draw<QPainterSurface>(sim, plot, size);
        const QImage plain = Draw<SegmentSurface>(sim, plot, size);
        const int differing = DifferingPixels(shortened, plain);
        // A few pixels may differ where Qt ends a segment, and where a tail
        // just under half a row high is drawn on the baseline (tens in a
        // million).
        EXPECT_LE(differing, size.width() * size.height() / 5000) << size.width() << "x" << size.height();
    }
}

TEST(QPainterPolyline, PeaksBesideAZoomedPictureAreLeftOutWithoutChangingIt) {
    // Zoomed in on the middle of a wide three-hydrogen system, most peaks and
    // whole hydrogens lie beside the picture, on both sides.
    SimulationInput in;
    in.Text2 = "3";
    const char* shift[] = {"2500", "2440", "2380"};
    for (int h = 0; h < 3; ++h) {
        in.Text6[h] = shift[h];
        in.Text1[h] = "3";
        in.JText[h][0] = "9.5";
        in.JText[h][1] = "4.25";
        in.JText[h][2] = "1.5";
    }
    in.Text3 = "0.1";
    in.Text4 = "1";
    SimulationState sim;
    sim.ticks = TicksFor(LineShape::Lorentzian);
    ASSERT_FALSE(StartProcess(sim, in));
    PlotState plot;
    InitPlotGeometry(plot, 400.0);
    plot.JText = in.JText;
    plot.view.mnuHistogram = false;
    AjPlotSize(plot, sim);
    const QSize size(663, 400);
    const int fullView = plot.Slider1.value;
    for (int zoom : {fullView, 4 * fullView, 16 * fullView}) {
        ASSERT_TRUE(Slider1_Change(plot, zoom));
        const QImage culled = Draw<QPainterSurface>(sim, plot, size);
        const QImage unculled = Draw<UnculledSurface>(sim, plot, size);
        // The row-run shortening may move a few end pixels; leaving peaks out
        // must move none of them beyond that.
        EXPECT_LE(DifferingPixels(culled, unculled), size.width() * size.height() / 5000) << "zoom " << zoom;
        // And something is drawn: a blank picture would pass the comparison.
        int inked = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) inked += culled.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_GT(inked, 1000) << "zoom " << zoom;
    }
}

TEST(QPainterPolyline, ColumnsShowAnswersAsThePictureIsCut) {
    QImage image(200, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    QPainterSurface s(painter, QRectF(0, 0, 200, 100), 200, 100);
    EXPECT_TRUE(s.ColumnsShow(10, 20));
    EXPECT_TRUE(s.ColumnsShow(-50, 50));    // reaches in from the left
    EXPECT_TRUE(s.ColumnsShow(150, 900));   // runs out to the right
    EXPECT_TRUE(s.ColumnsShow(-100, 300));  // spans the whole picture
    EXPECT_FALSE(s.ColumnsShow(-100, -20));
    EXPECT_FALSE(s.ColumnsShow(220, 400));
    // Within the margin kept for wide pens it still shows.
    EXPECT_TRUE(s.ColumnsShow(-6, -2));
    EXPECT_TRUE(s.ColumnsShow(std::nan(""), 500));
}
