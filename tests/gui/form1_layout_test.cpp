// The simulator window's input area at the window's own font and a bigger
// one: every caption, name and value shown whole, no two controls on top of
// each other, a J grid that keeps its size as counts change, and an area
// compact enough for the first-start window beside the frame.
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>
#include <vector>

#include "tests/gui/form1_fixture.h"

namespace quble::test {
namespace {

// The controls of the input area, by the names the window gives them.
std::vector<QWidget*> InputWidgets(const Form1& form) {
    std::vector<QWidget*> out;
    for (const char* name : {"Label13", "Text2", "Frame2", "Picture4", "Frame1", "JGrid", "Command1_0", "Frame3"}) {
        if (auto* w = form.findChild<QWidget*>(name)) out.push_back(w);
    }
    return out;
}

QRect InCentral(const Form1& form, const QWidget* w) {
    return QRect(w->mapTo(form.centralWidget(), QPoint(0, 0)), w->size());
}

// The width a line edit gives its text: its contents less the style's frame,
// its text margins and the 2 px Qt keeps free at each side.
int TextRoom(const QLineEdit* b) {
    QStyleOptionFrame opt;
    opt.initFrom(b);
    opt.rect = b->contentsRect();
    opt.lineWidth = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, b);
    const QRect r = b->style()->subElementRect(QStyle::SE_LineEditContents, &opt, b);
    const QMargins m = b->textMargins();
    return r.width() - m.left() - m.right() - 4;
}

class Form1LayoutTest : public Form1Test {
protected:
    // Lets the layouts take the sizes a change asked for.
    void Settle() {
        QApplication::processEvents();
        form->centralWidget()->layout()->activate();
        QApplication::processEvents();
    }

    void SetFontScale(double scale) {
        QFont f = form->centralWidget()->font();
        f.setPointSizeF(8.0 * scale);
        form->centralWidget()->setFont(f);
        Settle();
    }

    // Every shown label's and box's text fits its control; a wrapped label
    // is tall enough for its lines.
    void ExpectTextsFit(const std::string& where) {
        SCOPED_TRACE(where);
        for (QWidget* area : InputWidgets(*form)) {
            QList<QLabel*> labels = area->findChildren<QLabel*>();
            if (auto* l = qobject_cast<QLabel*>(area)) labels.push_back(l);
            for (QLabel* l : labels) {
                if (!l->isVisible() || l->text().isEmpty()) continue;
                const std::string what = l->objectName().toStdString() + " \"" + l->text().toStdString() + "\"";
                if (l->wordWrap()) {
                    EXPECT_LE(l->heightForWidth(l->contentsRect().width()), l->contentsRect().height()) << what;
                } else {
                    EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width()) << what;
                }
            }
            QList<QLineEdit*> boxes = area->findChildren<QLineEdit*>();
            if (auto* b = qobject_cast<QLineEdit*>(area)) boxes.push_back(b);
            for (QLineEdit* b : boxes) {
                if (!b->isVisible() || b->text().isEmpty()) continue;
                EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), TextRoom(b))
                    << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
                EXPECT_GE(b->height(), b->fontMetrics().height()) << b->objectName().toStdString();
            }
            for (QGroupBox* g : area->findChildren<QGroupBox*>() + QList<QGroupBox*>{qobject_cast<QGroupBox*>(area)}) {
                if (g && g->isVisible()) {
                    EXPECT_GE(g->width(), g->minimumSizeHint().width()) << g->objectName().toStdString();
                }
            }
        }
        auto* go = W<QPushButton>("Command1_0");
        if (go->isVisible()) {
            // The style's padding is a few pixels each side.
            EXPECT_LE(go->fontMetrics().horizontalAdvance(go->text()) + 8, go->width());
            EXPECT_GE(go->height(), go->fontMetrics().height() + 4);
        }
    }

    // No two shown controls of the input area cover each other, nor the
    // graph; inside each frame no two shown controls do either.
    void ExpectNoOverlap(const std::string& where) {
        SCOPED_TRACE(where);
        std::vector<QWidget*> shown;
        for (QWidget* w : InputWidgets(*form)) {
            if (w->isVisible()) shown.push_back(w);
        }
        const QRect graph = form->Picture1()->geometry();
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const QRect a = InCentral(*form, shown[i]);
            EXPECT_FALSE(a.intersects(graph)) << shown[i]->objectName().toStdString();
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                EXPECT_FALSE(a.intersects(InCentral(*form, shown[j])))
                    << shown[i]->objectName().toStdString() << " / " << shown[j]->objectName().toStdString();
            }
            std::vector<QWidget*> inner;
            for (QWidget* c : shown[i]->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (c->isVisible()) inner.push_back(c);
            }
            for (std::size_t p = 0; p < inner.size(); ++p) {
                EXPECT_TRUE(shown[i]->rect().contains(inner[p]->geometry())) << inner[p]->objectName().toStdString();
                for (std::size_t q = p + 1; q < inner.size(); ++q) {
                    EXPECT_FALSE(inner[p]->geometry().intersects(inner[q]->geometry()))
                        << inner[p]->objectName().toStdString() << " / " << inner[q]->objectName().toStdString();
                }
            }
        }
    }

    void CheckEveryExample(double scale) {
        SetFontScale(scale);
        for (const ExampleSet& ex : ExampleSets()) {
            form->LoadExample(ex);
            form->Timer2_Timer();
            Settle();
            const std::string where = ex.caption + " at x" + std::to_string(scale);
            ExpectTextsFit(where);
            ExpectNoOverlap(where);
        }
        // All four hydrogens with ten couplings each: the fullest input area.
        TypeEnter("Text2", "4");
        for (int i = 0; i < 4; ++i) TypeEnter(QString("Text6_%1").arg(i), QString::number(2500.25 + i));
        for (int i = 0; i < 4; ++i) TypeEnter(QString("Text1_%1").arg(i), "10");
        for (int h = 1; h <= 4; ++h) {
            for (int k = 1; k <= 10; ++k) form->JBox(h, k)->setText("8.95");
        }
        Settle();
        ExpectTextsFit("four hydrogens at x" + std::to_string(scale));
        ExpectNoOverlap("four hydrogens at x" + std::to_string(scale));
    }

    int InputRight() const {
        int right = 0;
        for (QWidget* w : InputWidgets(*form)) right = std::max(right, InCentral(*form, w).right() + 1);
        return right;
    }
};

TEST_F(Form1LayoutTest, EveryExampleFitsAtTheWindowsFont) { CheckEveryExample(1.0); }

TEST_F(Form1LayoutTest, EveryExampleFitsAtOneAndAHalfTimesTheFont) { CheckEveryExample(1.5); }

TEST_F(Form1LayoutTest, TheGraphStartsUnderTheInputAreaAtABigFont) {
    const int before = form->Picture1()->y();
    SetFontScale(1.5);
    TypeEnter("Text2", "4");
    Settle();
    int bottom = 0;
    for (QWidget* w : InputWidgets(*form)) bottom = std::max(bottom, InCentral(*form, w).bottom());
    EXPECT_GT(form->Picture1()->y(), bottom);
    EXPECT_GT(form->Picture1()->y(), before);
    // The window keeps room for the smallest graph under the taller area.
    EXPECT_GE(form->centralWidget()->minimumHeight(), form->Picture1()->y() + 356);
    // Back at the window's font the graph returns to its place.
    SetFontScale(1.0);
    EXPECT_EQ(form->Picture1()->y(), before);
}

TEST_F(Form1LayoutTest, HiddenJBoxesKeepTheGridsSize) {
    QWidget* grid = W<QWidget>("JGrid");
    TypeEnter("Text2", "4");
    for (int i = 0; i < 4; ++i) TypeEnter(QString("Text6_%1").arg(i), QString::number(2500 + i));
    for (int i = 0; i < 4; ++i) TypeEnter(QString("Text1_%1").arg(i), "10");
    Settle();
    const QRect full = InCentral(*form, grid);
    const QRect lastBox = InCentral(*form, form->JBox(4, 10));
    ASSERT_TRUE(form->JBox(4, 10)->isVisible());
    for (const char* count : {"1", "3"}) {
        SCOPED_TRACE(count);
        TypeEnter("Text2", count);
        for (int i = 0; i < std::atoi(count); ++i) TypeEnter(QString("Text6_%1").arg(i), "2500");
        for (int i = 0; i < std::atoi(count); ++i) TypeEnter(QString("Text1_%1").arg(i), "2");
        Settle();
        EXPECT_FALSE(form->JBox(1, 3)->isVisible());
        EXPECT_EQ(InCentral(*form, grid), full);
        // A shown box keeps its place in its column.
        EXPECT_EQ(InCentral(*form, form->JBox(1, 1)).x(), lastBox.x() - 9 * (lastBox.width() + 1));
    }
}

TEST_F(Form1LayoutTest, FramesFollowTheCountWithoutMovingTheGridOrGraph) {
    TypeEnter("Text2", "1");
    Settle();
    const QRect grid = InCentral(*form, W<QWidget>("JGrid"));
    const int graphTop = form->Picture1()->y();
    const int widthsTop = InCentral(*form, W<QWidget>("Picture4")).y();
    for (int nh = 2; nh <= 4; ++nh) {
        SCOPED_TRACE(nh);
        TypeEnter("Text2", QString::number(nh));
        Settle();
        EXPECT_EQ(InCentral(*form, W<QWidget>("JGrid")), grid);
        EXPECT_EQ(form->Picture1()->y(), graphTop);
        // Resolution and width stay right under the shifts.
        auto* shifts = W<QGroupBox>("Frame2");
        const int under = InCentral(*form, W<QWidget>("Picture4")).y();
        EXPECT_GT(under, InCentral(*form, shifts).bottom());
        EXPECT_LE(under, InCentral(*form, shifts).bottom() + 8);
        EXPECT_EQ(under, widthsTop + 16 * (nh - 1));
    }
}

TEST_F(Form1LayoutTest, InputAreaStaysWithinTheFirstStartWidth) {
    // The mixing frame and the marking panel take their places too.
    form->findChild<QGroupBox*>("Frame3")->show();
    form->findChild<QGroupBox*>("Frame4")->show();
    TypeEnter("Text2", "4");
    Settle();
    EXPECT_LE(InputRight(), 777);
    const QRect panel = InCentral(*form, form->findChild<QGroupBox*>("Frame4"));
    EXPECT_LE(panel.right() + 1, 777);
    for (QWidget* w : InputWidgets(*form)) {
        EXPECT_FALSE(panel.intersects(InCentral(*form, w))) << w->objectName().toStdString();
    }
    EXPECT_LE(form->centralWidget()->minimumWidth(), 777);
    // At a bigger font the window asks for the room the area needs.
    SetFontScale(1.5);
    EXPECT_GE(form->centralWidget()->minimumWidth(), InputRight());
}

}  // namespace
}  // namespace quble::test
