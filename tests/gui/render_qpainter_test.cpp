// The simulator graph drawn through QPainter into an image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "platform/qpainter_surface.h"
#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"

using namespace quble;

namespace {

// Example 1/H7 with the Gaussian shape.
struct H7 {
    SimulationState sim;
    PlotState plot;
    bool ok = false;

    explicit H7(double scaleHeight) {
        SimulationInput in;
        in.Text2 = "1";
        in.Text6[0] = "1869.25";
        in.Text1[0] = "6";
        const char* j[] = {"5.0", "3.1", "2.9", "2.8", "0.7", "0.5"};
        for (int k = 0; k < 6; ++k) in.JText[0][k] = j[k];
        in.Text3 = "0.1";
        in.Text4 = "1";
        sim.ticks = TicksFor(LineShape::Gaussian);
        ok = !StartProcess(sim, in);
        InitPlotGeometry(plot, scaleHeight);
        plot.JText = in.JText;
        plot.WidthText = in.Text4;
        plot.options.IndPeakColor = 0x00C0C0C0;
        if (ok) AjPlotSize(plot, sim);
    }
};

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
}

// Whether a pixel of roughly this colour lies within r pixels of (x, y).
bool ColourNear(const QImage& img, double x, double y, QColor c, int r) {
    const int cx = static_cast<int>(std::lround(x)), cy = static_cast<int>(std::lround(y));
    for (int yy = std::max(0, cy - r); yy <= std::min(img.height() - 1, cy + r); ++yy)
        for (int xx = std::max(0, cx - r); xx <= std::min(img.width() - 1, cx + r); ++xx)
            if (Near(img.pixelColor(xx, yy), c)) return true;
    return false;
}

}  // namespace

TEST(QPainterPlot, EnvelopeMaximumLandsWhereTheScaleSays) {
    const QSize size(900, 700);
    const double sh = kPlotScaleWidth * size.height() / size.width();
    H7 h7(sh);
    ASSERT_TRUE(h7.ok);
    ASSERT_GE(h7.sim.NMultRelMax, 1);

    const QImage img = RenderToImage(size, kPlotScaleWidth, [&](DrawingSurface& s) {
        ASSERT_DOUBLE_EQ(s.ScaleHeight(), sh);
        CalcFirstPlot(h7.plot, h7.sim, s);
    });
    const double px = size.width() / kPlotScaleWidth;
    const double py = size.height() / sh;

    // The tallest maximum of the envelope, in pixels.
    int best = h7.sim.SimMaxIndex[1];
    for (int i = 1; i <= h7.sim.NMultRelMax; ++i)
        if (h7.sim.EnvY(h7.sim.SimMaxIndex[i]) > h7.sim.EnvY(best)) best = h7.sim.SimMaxIndex[i];
    const double x = h7.plot.EnvXPixAt(best) * px;
    const double y = (h7.plot.BaseY - h7.plot.EnvHPixAt(best)) * py;
    const QColor red(255, 0, 0);
    EXPECT_TRUE(ColourNear(img, x, y, red, 2));

    // The baseline in the foreground colour, the background elsewhere.
    EXPECT_TRUE(ColourNear(img, 5, h7.plot.BaseY * py, QColor(0, 0, 0), 1));
    // (below the baseline the grid does not reach)
    EXPECT_EQ(img.pixelColor(static_cast<int>(x), static_cast<int>((h7.plot.BaseY + 12) * py)),
              QColor(255, 255, 0xEF));
    // Nothing above the tallest maximum but its tick and label.
    EXPECT_FALSE(ColourNear(img, x + 40 * px, y - 20 * py, red, 3));
}

TEST(QPainterPlot, UserScaleFillsTheTargetRectangle) {
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    {
        QPainterSurface s(painter, QRectF(100, 50, 200, 100), 663.0, 331.5);
        s.SetPen({0x000000FF, 1.0});
        s.MoveTo(0, 165.75);
        s.LineTo(663, 165.75);  // across the middle of the target only
        const TextExtent e = s.MeasureText(Font{"Arial", 22.0, 400, false, 0}, "WWWW");
        EXPECT_GT(e.width, 0.0);
        EXPECT_GT(e.height, 10.0);  // in user units: about twice the pixel height here
    }
    painter.end();
    EXPECT_EQ(img.pixelColor(200, 100), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(50, 100), QColor(Qt::white));   // left of the target
    EXPECT_EQ(img.pixelColor(350, 100), QColor(Qt::white));  // right of the target
}
