// The program from the keyboard: shortcuts reach the command of the window
// that has the focus (both child windows share the frame and the keys), Tab
// follows the Enter sequence, and a slider driven by keys keeps the focus.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "tests/gui/frame_fixture.h"
#include "app/main_frame.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/form100_window.h"
#include "platform/clipboard.h"
#include "platform/scripted_dialogs.h"
#include "simulator/form1_window.h"

namespace quble::test {
namespace {

class KeyboardTest : public FrameWithExamplesTest {
protected:
    void SetUp() override {
        FrameWithExamplesTest::SetUp();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        form().SetClipboard(&clipboard);
    }
    QWidget* Focused() const { return QApplication::focusWidget(); }
    QLineEdit* Box(const char* name) { return form().findChild<QLineEdit*>(name); }

    FakeClipboard clipboard;
};

TEST_F(KeyboardTest, ShortcutsReachTheCommandsOfTheFocusedWindowAndShowInTheMenus) {
    form().Picture1()->setFocus();
    const int calculations = form().CalculationCount();
    QTest::keyClick(form().Picture1(), Qt::Key_F5);
    EXPECT_EQ(form().CalculationCount(), calculations + 1);
    EXPECT_EQ(form().Action("mnuGo")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(form().Action("mnuCopyBW")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    EXPECT_EQ(form().Action("mnuNew")->shortcut(), QKeySequence(QKeySequence::New));

    QTest::keyClick(form().Picture1(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_NE(clipboard.MimeData(), nullptr);
    EXPECT_FALSE(clipboard.MimeData()->formats().isEmpty());

    // In a box, Ctrl+C is the box's own copy: the picture stays as it was.
    clipboard.Clear();
    Box("Text6_0")->setFocus();
    Box("Text6_0")->selectAll();
    QTest::keyClick(Box("Text6_0"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard.MimeData(), nullptr);

    // The experimental window's keys are its own.
    frame->ShowExperimental();
    Form100& exp = *frame->form100();
    exp.Picture1()->setFocus();
    QTest::keyClick(exp.Picture1(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_FALSE(dialogs.asked().empty());
    EXPECT_EQ(dialogs.asked().back().title, "Analyse Multiplet");
    const int after = form().CalculationCount();
    QTest::keyClick(exp.Picture1(), Qt::Key_F5);
    EXPECT_EQ(form().CalculationCount(), after);  // F5 is the simulator's
}

TEST_F(KeyboardTest, TabFollowsTheEnterSequenceAndSlidersKeepTheFocus) {
    form().findChild<QLineEdit*>("Text2")->setFocus();
    QTest::keyClick(Focused(), Qt::Key_Tab);
    EXPECT_EQ(Focused(), Box("Text6_0"));
    QTest::keyClick(Focused(), Qt::Key_Tab);
    EXPECT_EQ(Focused(), Box("Text1_0"));
    QTest::keyClick(Focused(), Qt::Key_Tab);
    EXPECT_EQ(Focused(), Box("TextH1_0"));

    form().mnuLorGauss_Click();
    auto* slider = form().findChild<QSlider*>("Slider4");
    ASSERT_TRUE(slider->isVisible());
    slider->setFocus();
    const int start = slider->value();
    const int calculations = form().CalculationCount();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(Focused(), Qt::Key_Right);
    EXPECT_EQ(Focused(), slider);
    EXPECT_EQ(slider->value(), start + 2);
    EXPECT_EQ(form().sim().Slider4, start + 2);
    EXPECT_EQ(form().CalculationCount(), calculations + 2);
    EXPECT_TRUE(slider->toolTip().contains(QString("%1 %").arg(start + 2))) << slider->toolTip().toStdString();
}

}  // namespace
}  // namespace quble::test
