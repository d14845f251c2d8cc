// The simulator's graph box follows the window: its geometry is fitted to
// each new size, what the user zoomed stays in view, and a wide multiplet
// fits a wide box.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "form1_fixture.h"
#include "platform/recording_surface.h"
#include "render/spectrum_plot.h"

namespace quble::test {
namespace {

class Form1ResizeTest : public Form1Test {
protected:
    // A multiplet of nh hydrogens 100 Hz apart from 2500 Hz down, each with
    // the couplings 1..nj Hz.
    void LoadMultiplet(int nh, int nj) {
        ExampleSet ex;
        ex.title = "Resize";
        ex.width = "1";
        for (int h = 0; h < nh; ++h) {
            ExampleHydrogen hy;
            hy.name = "H" + std::to_string(h + 1);
            hy.shift = std::to_string(2500 - 100 * h);
            for (int k = 1; k <= nj; ++k) hy.j.push_back(std::to_string(k));
            ex.hydrogens.push_back(hy);
        }
        form->LoadExample(ex);
        form->Timer2_Timer();
        ASSERT_EQ(form->sim().NH, nh);
        ASSERT_EQ(form->sim().maxNJ, nj);
    }

    void ResizeWindow(int w, int h) {
        form->resize(w, h);
        QApplication::processEvents();
    }

    // Height of the tallest merged line or envelope sample.
    float TallestHeight() const {
        const SimulationState& s = form->sim();
        const PlotState& p = form->plot();
        float hmax = 0.0f;
        for (int i = 1; i <= s.TotalLines; ++i) hmax = std::max(hmax, p.VScale * s.AllInt[i]);
        for (int k = kEnvFirst; k <= kEnvLast; ++k) hmax = std::max(hmax, p.VScale * s.EnvY(k));
        return hmax;
    }

    // Everything of the splitting diagram, the J labels and the hydrogen
    // titles lies within the box's width.
    ::testing::AssertionResult DiagramFits() {
        PlotState& p = form->plot();
        RecordingSurface rec(p.ScaleWidth, p.ScaleHeight);
        CalcFirstPlot(p, form->sim(), rec);
        const double w = p.ScaleWidth;
        const SimulationState& s = form->sim();
        for (int h = 1; h <= s.NH; ++h) {
            for (int b = 1; b <= (1 << s.NJ[h]); ++b) {
                const float x = p.XPix[h][s.NJ[h]][b];
                if (x < 0 || x > w) return ::testing::AssertionFailure() << "branch at x " << x << " of " << w;
            }
        }
        for (const auto& labels : p.LabelH) {
            for (const GraphLabel& l : labels) {
                if (l.visible && (l.left < 0 || l.left + l.width > w))
                    return ::testing::AssertionFailure() << "J label " << l.caption << " at " << l.left;
            }
        }
        for (const DrawCall& c : rec.Calls()) {
            if (c.kind != DrawCall::Kind::TextOut) continue;
            const double tw = rec.MeasureText(c.font, c.text).width;
            if (c.x1 < 0 || c.x1 + tw > w)
                return ::testing::AssertionFailure() << "text \"" << c.text << "\" at " << c.x1 << " of " << w;
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Form1ResizeTest, GeometryFollowsTheBoxAndKeepsTheFit) {
    LoadMultiplet(1, 10);
    for (QSize size : {QSize(1400, 1000), QSize(1920, 1080), QSize(900, 640)}) {
        ResizeWindow(size.width(), size.height());
        const GraphBox* box = form->Picture1();
        const PlotState& p = form->plot();
        SCOPED_TRACE(testing::Message() << box->width() << " x " << box->height());
        ASSERT_GT(box->width(), 663);
        EXPECT_DOUBLE_EQ(p.ScaleWidth, box->width());
        EXPECT_DOUBLE_EQ(p.ScaleHeight, box->height());
        const double sh = p.ScaleHeight;
        EXPECT_EQ(p.XCenter, static_cast<int>(std::lround((p.ScaleWidth + 1) / 2)));
        EXPECT_NEAR(p.BaseY, sh - sh / 18, 1e-3);
        EXPECT_NEAR(p.TopY, sh / 18, 1e-3);
        // The tallest line is F tall for the new height.
        const double f = (sh - p.TopY) / 2 - (sh + p.TopY - p.BaseY + sh / 10);
        EXPECT_NEAR(TallestHeight(), f, f * 1e-4);
        // Ten levels of the diagram take 0.495 of the height, within half.
        const float bottom = p.YLev[1][10] + p.LevelStep;
        EXPECT_NEAR(bottom - p.TopY, 0.495 * sh, 1e-3 * sh);
        // The sliders show the scales of the new size.
        EXPECT_EQ(form->findChild<QSlider*>("Slider2")->minimum(), static_cast<int>(std::lround(sh / 59.4)));
        EXPECT_NEAR(p.Slider2.value, p.LevelStep * p.SliderVUnits, 0.5);
        EXPECT_NEAR(p.HScale, p.Slider1.value / p.SliderHUnits, 1e-4);
        // The picture shown is the box's size, not a stretched one.
        EXPECT_EQ(box->picture().size(), box->size() * box->devicePixelRatioF());
    }
}

TEST_F(Form1ResizeTest, ZoomStaysInViewAndCaptionsKeepTheirPlaces) {
    LoadMultiplet(2, 3);
    form->findChild<QSlider*>("Slider1")->setValue(500);
    form->findChild<QSlider*>("Slider3")->setValue(form->plot().Slider3.max / 2);
    const PlotState& p = form->plot();
    auto rootShare = [&p] { return (p.XPix[1][0][1] - p.XCenter) / p.ScaleWidth; };
    const double shareBefore = rootShare();
    const double heightShareBefore = TallestHeight() / p.ScaleHeight;
    const double titleShare = p.Label8.left / p.ScaleWidth;
    const double captionFromBase = p.Label10.top - p.BaseY;
    const int slider3 = p.Slider3.value;

    // Bigger, then back to the smallest window: the same at each size,
    // nothing lost on the way.
    struct Step {
        QSize window;
        int leastBox, mostBox;  // the graph box's width
    };
    for (const Step& step : {Step{QSize(1600, 1000), 1001, 1 << 20}, Step{QSize(100, 100), 663, 663}}) {
        ResizeWindow(step.window.width(), step.window.height());
        SCOPED_TRACE(testing::Message() << step.window.width() << " x " << step.window.height());
        ASSERT_GE(form->Picture1()->width(), step.leastBox);
        ASSERT_LE(form->Picture1()->width(), step.mostBox);
        EXPECT_EQ(p.Slider1.value, 500);
        EXPECT_EQ(form->findChild<QSlider*>("Slider1")->value(), 500);
        EXPECT_EQ(p.Slider3.value, slider3);
        EXPECT_NEAR(rootShare(), shareBefore, 2e-3);
        EXPECT_NEAR(TallestHeight() / p.ScaleHeight, heightShareBefore, 1e-4);
        EXPECT_NEAR(p.Label8.left / p.ScaleWidth, titleShare, 1e-9);
        EXPECT_NEAR(p.Label10.top - p.BaseY, captionFromBase, 1e-3);
    }
}

TEST_F(Form1ResizeTest, FourHydrogensFitAWideBoxAtTheSmallestScale) {
    LoadMultiplet(4, 10);
    auto* slider = form->findChild<QSlider*>("Slider1");
    slider->setValue(slider->minimum());
    // On the smallest box the multiplet does not fit: the case that asks for
    // a bigger box.
    ASSERT_EQ(form->Picture1()->width(), 663);
    EXPECT_FALSE(DiagramFits());

    ResizeWindow(1400, 1000);
    slider->setValue(slider->minimum());
    EXPECT_EQ(slider->minimum(), Slider1MinimumFor(form->plot().ScaleWidth));
    EXPECT_TRUE(DiagramFits());
}

TEST_F(Form1ResizeTest, ScaleControlsFollowTheGraphsRightEdge) {
    ResizeWindow(1500, 900);
    const GraphBox* box = form->Picture1();
    for (const char* name : {"Command1_1", "Slider1", "Slider2", "Slider3", "Label6_7"}) {
        auto* w = form->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        const QRect r(w->mapTo(form->centralWidget(), QPoint(0, 0)), w->size());
        EXPECT_GT(r.left(), box->geometry().right()) << name;
        EXPECT_LE(r.right(), form->centralWidget()->width()) << name;
    }
}

// Every example's names, counts and couplings are shown whole: no label or
// button narrower than its text, no J box that scrolls its value.
TEST_F(Form1ResizeTest, NoExampleTextIsClipped) {
    for (const ExampleSet& ex : ExampleSets()) {
        SCOPED_TRACE(ex.caption);
        form->LoadExample(ex);
        form->Timer2_Timer();
        for (QLabel* l : form->findChildren<QLabel*>()) {
            if (!l->isVisible() || l->wordWrap() || l->text().isEmpty()) continue;
            EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString() << " \""
                                                         << l->text().toStdString() << "\"";
        }
        for (QPushButton* b : form->findChildren<QPushButton*>()) {
            if (b->isVisible()) {
                // The style's padding is a few pixels each side.
                EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 8, b->width())
                    << b->objectName().toStdString();
            }
        }
        for (QLineEdit* b : form->findChildren<QLineEdit*>()) {
            if (!b->isVisible() || b->text().isEmpty()) continue;
            // Frame and text margins take a few pixels of each side.
            const int room = b->contentsRect().width() - 4;
            EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), room)
                << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
        }
    }
}

}  // namespace
}  // namespace quble::test
