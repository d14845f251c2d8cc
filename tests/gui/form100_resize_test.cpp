// The experimental graph follows the window's size: new scales for the new
// box, the same points in view, the overlays over the same data, and every
// text still whole.
#include <QApplication>
#include <QFrame>

#include <cmath>

#include "experimental/experimental_plot.h"
#include "experimental/graph_reading.h"
#include "tests/gui/form100_fixture.h"

namespace quble::test {
namespace {

class Form100ResizeTest : public Form100Test {
protected:
    void ResizeTo(int w, int h) {
        form->resize(w, h);
        QApplication::processEvents();
        QApplication::processEvents();
    }
    ExpGraphBox* Graph() const { return form->Picture1(); }
    // The shifts of the view's edges: what the user reads off the axis.
    std::pair<double, double> ShownPpm() const {
        const auto& s = form->spectrum();
        return {s.XnmrHz[form->view().FirstShown] / s.SFMeu, s.XnmrHz[form->view().LastShown] / s.SFMeu};
    }
};

TEST_F(Form100ResizeTest, ResizeKeepsTheShownRangeAndMakesTheScalesForTheNewBox) {
    Open(Strychnine());
    const int w0 = Graph()->width();
    ASSERT_GT(w0, 0);
    form->Picture1_MouseDown(1, 0, w0 * 0.3, 10);
    form->Picture1_MouseMove(1, 0, w0 * 0.6, 10);
    form->Picture1_MouseUp(1, 0, w0 * 0.6, 10);
    form->Command4_Click();
    form->Command10_Click();  // a stretch, to be kept
    const ExpView before = form->view();
    const auto ppm = ShownPpm();
    const double stretch = before.YMult / before.YMultFull;

    for (QSize size : {QSize(1400, 900), QSize(760, 520), QSize(1900, 1000)}) {
        SCOPED_TRACE(size.width());
        ResizeTo(size.width(), size.height());
        const ExpView& v = form->view();
        const double gw = Graph()->width(), gh = Graph()->height();
        EXPECT_EQ(v.width, gw);
        EXPECT_EQ(v.height, gh);
        EXPECT_EQ(v.FirstShown, before.FirstShown);
        EXPECT_EQ(v.LastShown, before.LastShown);
        EXPECT_EQ(ShownPpm(), ppm);
        // The last shown point sits on the right edge of the new box.
        EXPECT_NEAR(PointX(v, v.LastShown), gw, 0.5);
        const auto& s = form->spectrum();
        EXPECT_DOUBLE_EQ(v.YMultFull, gh * 0.83 / (static_cast<double>(s.YMax) - s.YMin));
        EXPECT_DOUBLE_EQ(v.YMult / v.YMultFull, stretch);
        // The highest point of the full view stays 5 % below the top.
        EXPECT_NEAR(static_cast<double>(v.YOffset), s.YMax * v.YMultFull + 0.05 * gh, 0.5);
        // Drawn anew at the box's own pixels, not a stretched old picture.
        EXPECT_EQ(Graph()->picture().size(), (QSizeF(Graph()->size()) * Graph()->devicePixelRatioF()).toSize());
    }
    EXPECT_GT(Graph()->width(), w0);
}

TEST_F(Form100ResizeTest, BandAndCursorStayOverTheSameDataAfterAResize) {
    Open(Strychnine());
    const double w0 = Graph()->width();
    form->Picture1_MouseDown(1, 0, 200, 10);
    form->Picture1_MouseMove(1, 0, 400, 10);
    form->Picture1_MouseUp(1, 0, 400, 10);
    auto* band = W<QFrame>("Image1");
    ASSERT_TRUE(band->isVisible());
    const ExpView& v = form->view();
    const std::int64_t firstUnder = NearestPoint(band->x(), v.PixPerPoint, v.FirstShown);
    const std::int64_t lastUnder = NearestPoint(band->x() + band->width(), v.PixPerPoint, v.FirstShown);

    form->Command1_Click();  // reading: the cursor line follows the pointer
    const std::int64_t point = form->view().FirstShown + form->view().ShownWidth() / 3;
    form->Picture1_MouseMove(0, 0, XOf(point), 10);
    auto* line = W<QFrame>("Line2");
    ASSERT_TRUE(line->isVisible());
    const std::string pointText = Text("Label8").toStdString();

    ResizeTo(1500, 900);
    const double sx = Graph()->width() / w0;
    ASSERT_GT(sx, 1.5);
    EXPECT_TRUE(band->isVisible());
    EXPECT_EQ(band->height(), Graph()->height());
    // Over the same points, give or take the half pixel the band snaps to,
    // though wider in pixels.
    const double slack = 0.5 / v.PixPerPoint + 1.0;
    EXPECT_LE(std::llabs(NearestPoint(band->x(), v.PixPerPoint, v.FirstShown) - firstUnder), slack);
    EXPECT_LE(std::llabs(NearestPoint(band->x() + band->width(), v.PixPerPoint, v.FirstShown) - lastUnder), slack);
    EXPECT_NEAR(band->width(), 200 * sx, 2.0);
    // The cursor is over the same point, and Expand uses the moved band.
    EXPECT_TRUE(line->isVisible());
    EXPECT_NEAR(line->x() + line->width() / 2.0, XOf(point), 1.0);
    EXPECT_EQ(line->height(), Graph()->height());
    EXPECT_EQ(Text("Label8").toStdString(), pointText);
    form->Command1_Click();
    form->Command4_Click();
    EXPECT_LE(std::llabs(form->view().FirstShown - firstUnder), slack);
    EXPECT_LE(std::llabs(form->view().LastShown - lastUnder), slack);
}

TEST_F(Form100ResizeTest, NoTextIsClippedAndEveryButtonIsReachableInANarrowWindow) {
    Open(Strychnine());
    for (int width : {1920, 900, 400}) {
        SCOPED_TRACE(width);
        ResizeTo(width, 700);
        const QRect window = form->rect();
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (!w->isVisible()) continue;
            auto* b = qobject_cast<QPushButton*>(w);
            auto* l = qobject_cast<QLabel*>(w);
            if (!b && !(l && !l->text().isEmpty())) continue;
            SCOPED_TRACE(w->objectName().toStdString());
            const QString text = b ? b->text() : l->text();
            EXPECT_GE(w->width(), w->fontMetrics().horizontalAdvance(text)) << text.toStdString();
            const QRect r(w->mapTo(form.get(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(window.contains(r)) << text.toStdString();
        }
        EXPECT_GE(Graph()->width(), 320);
    }
    // However low the window, the ppm numbers under the axis stay whole.
    ResizeTo(900, 120);
    const AxisLayout axis = ComputeAxis(form->view(), form->spectrum(), Graph()->width(), 0.0);
    ASSERT_GT(axis.levelsDrawn, 0);
    for (const AxisTick& t : axis.ticks) {
        // A line of text is about a quarter taller than the font's size.
        if (t.labelled) {
            EXPECT_LE(t.labelY + 1.25 * t.fontHeight, Graph()->height()) << t.label;
        }
    }
}

}  // namespace
}  // namespace quble::test
