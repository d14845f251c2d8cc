// The frame window forwards its buttons and toolbar to the simulator; the
// About box.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "platform/scripted_dialogs.h"
#include "simulator/form1_window.h"

namespace quble::test {
namespace {

constexpr ColorRef kFace = 0x8000000F;
constexpr ColorRef kGreen = 0x00C0FFC0;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A program folder of the test's own: the one beside the test program
        // holds a settings file and examples that every earlier test of the
        // same run may have changed, and the frame reads both while it loads.
        ASSERT_TRUE(dir.isValid());
        const std::string folder = dir.path().toStdString();
        ASSERT_TRUE(examplegen::WriteExampleFiles(folder).ok);
        ASSERT_TRUE(ArrangeOnFirstRun(folder).has_value());
        frame = std::make_unique<MainFrame>(&dialogs, folder);
        frame->show();
        frame->form1()->Timer2_Timer();
    }
    QPushButton* Button(const QString& name) const {
        auto* b = frame->findChild<QPushButton*>(name);
        EXPECT_NE(b, nullptr) << name.toStdString();
        return b;
    }
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainFrame> frame;
};

TEST_F(FrameTest, CaptionPlacementAndButtons) {
    EXPECT_EQ(frame->windowTitle(), "QUBLE2 - Quble");
    EXPECT_EQ(frame->form1Window()->geometry(), QRect(0, 0, 779, 600));
    const std::vector<std::tuple<QString, QString, QString>> buttons{
        {"Command1", "Go", "Make all calculations and plot the graph"},
        {"Command2_0", "Lorentzian", "Lorentzian line shape for simulated spectrum and individual peaks"},
        {"Command2_1", "Gaussian", "Gaussian line shape for simulated spectrum and individual peaks"},
        {"Command2_2", "Lorentzian+Gaussian",
         "Mixed Lorentzian + Gaussian line shape for simulated spectrum and individual peaks"},
        {"Command5", "New", "Start a new spectrum"},
        {"Command6", "Restart", "Start the program again, with example 1"}};
    for (const auto& [name, caption, tip] : buttons) {
        EXPECT_EQ(Button(name)->text(), caption);
        EXPECT_EQ(Button(name)->toolTip(), tip);
        EXPECT_TRUE(Button(name)->isEnabled()) << name.toStdString();
    }
    EXPECT_TRUE(Button("Command3")->isEnabled());
    EXPECT_TRUE(Button("Command4")->isEnabled());
    EXPECT_TRUE(Button("Command24")->isEnabled());
    EXPECT_TRUE(frame->findChild<QWidget*>("Picture1")->isVisible());
    EXPECT_FALSE(frame->findChild<QWidget*>("Picture2")->isVisible());
    // The start-up line shape is Gaussian.
    EXPECT_EQ(frame->ShapeButtonColor(1), kGreen);
    EXPECT_EQ(frame->ShapeButtonColor(0), kFace);
}

TEST_F(FrameTest, GaussianButtonRunsOnlyGaussianAndHighlightsOnlyItself) {
    Button("Command2_0")->click();
    ASSERT_TRUE(frame->form1()->sim().ticks.mnuLorentzian);
    const int before = frame->form1()->CalculationCount();
    Button("Command2_1")->click();
    const Form1& f = *frame->form1();
    EXPECT_EQ(f.CalculationCount(), before + 1);
    EXPECT_TRUE(f.sim().ticks.mnuGaussian);
    EXPECT_FALSE(f.sim().ticks.mnuLorentzian);
    EXPECT_FALSE(f.sim().ticks.mnuLorGauss);
    EXPECT_EQ(f.Label12Caption(), "Gaussian Line Shape");
    EXPECT_EQ(frame->ShapeButtonColor(0), kFace);
    EXPECT_EQ(frame->ShapeButtonColor(1), kGreen);
    EXPECT_EQ(frame->ShapeButtonColor(2), kFace);
    EXPECT_EQ(Button("Command2_1")->palette().color(QPalette::Button), QColor(192, 255, 192));

    // The menu of the simulator highlights the frame's buttons too.
    frame->form1()->mnuLorGauss_Click();
    EXPECT_EQ(frame->ShapeButtonColor(2), kGreen);
    EXPECT_EQ(frame->ShapeButtonColor(1), kFace);
}

TEST_F(FrameTest, GoFollowsTheSimulatorsInvalidation) {
    frame->findChild<QLineEdit*>("Text2")->setText("2");
    EXPECT_FALSE(Button("Command1")->isEnabled());
    frame->form1()->Command1_Click();
    EXPECT_TRUE(Button("Command1")->isEnabled());
}

TEST_F(FrameTest, ToolbarKeys) {
    Form1& f = *frame->form1();
    int n = f.CalculationCount();
    frame->Toolbar1_ButtonClick("Go");
    EXPECT_EQ(f.CalculationCount(), ++n);
    frame->Toolbar1_ButtonClick("go");
    frame->Toolbar1_ButtonClick("Print");
    frame->Toolbar1_ButtonClick("");
    EXPECT_EQ(f.CalculationCount(), n);
    for (const auto& a : dialogs.asked()) ADD_FAILURE() << "asked: " << a.title << ": " << a.text;
    auto* go = frame->findChild<QAction*>("Toolbar1_Go");
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->data().toString(), "Go");
    go->trigger();
    EXPECT_EQ(f.CalculationCount(), n + 1);
}

TEST_F(FrameTest, ToolbarGoFollowsTheWindowsGoButtons) {
    Form1& f = *frame->form1();
    auto* go = frame->findChild<QAction*>("Toolbar1_Go");
    ASSERT_NE(go, nullptr);
    f.mnuNew_Click();
    EXPECT_FALSE(go->isEnabled());
    const int n = f.CalculationCount();
    // Neither the button nor the key sent directly draws the hidden old example.
    go->trigger();
    frame->Toolbar1_ButtonClick("Go");
    EXPECT_EQ(f.CalculationCount(), n);
    EXPECT_FALSE(f.HasGraph());

    f.mnuRestart_Click();
    f.Timer2_Timer();
    EXPECT_TRUE(go->isEnabled());
    frame->findChild<QLineEdit*>("Text2")->setText("2");
    EXPECT_FALSE(go->isEnabled());
}

TEST_F(FrameTest, NewAndRestartButtons) {
    Button("Command5")->click();
    EXPECT_TRUE(frame->form1()->Blinking());
    Button("Command6")->click();
    EXPECT_FALSE(frame->form1()->Blinking());
    frame->form1()->Timer2_Timer();
    EXPECT_EQ(frame->form1()->sim().NJ[1], 6);
}

TEST(AboutBoxTest, TextsAndSystemInfo) {
    ScriptedDialogs dialogs;
    QApplication::setApplicationName("Quble");
    AboutBox box(nullptr, dialogs);
    EXPECT_EQ(box.windowTitle(), "About Quble");
    EXPECT_EQ(box.findChild<QLabel*>("lblVersion")->text(), "Version 2.0.0");
    EXPECT_EQ(box.findChild<QLabel*>("lblTitle")->text(), "Quble");
    EXPECT_EQ(box.findChild<QLabel*>("lblDescription")->text(),
              "This program can calculate and plot NMR first order multiplets starting from information about "
              "chemical shifts and coupling constants values. It can also plot the experimental spectrum on the "
              "same graph, thus providing a picture for visual comparing calculated and experimental curves.");
    auto* sys = box.findChild<QPushButton*>("cmdSysInfo");
    EXPECT_EQ(sys->text(), "&System Info...");
    sys->click();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].text, "System Information Is Unavailable At This Time");
}

}  // namespace
}  // namespace quble::test

namespace quble::test {
namespace {

// Saves a picture of the frame when QUBLE_SCREENSHOT_DIR names a folder, so
// the states below can be looked at by eye.
void Snapshot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("QUBLE_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(QString::fromUtf8(dir) + "/" + name + ".png"));
}

TEST_F(FrameTest, FourHydrogensRecolouredAndNew) {
    Form1& f = *frame->form1();
    Snapshot(*frame, "startup");
    f.findChild<QLineEdit*>("Text2")->setText("4");
    f.Text2_KeyPress(13);
    const char* shifts[4] = {"2510", "2490", "2470", "2452"};
    const int counts[4] = {2, 3, 1, 2};
    for (int i = 0; i < 4; ++i) {
        f.findChild<QLineEdit*>(QString("Text6_%1").arg(i))->setText(shifts[i]);
        f.Text6_KeyPress(i);
    }
    for (int i = 0; i < 4; ++i) {
        f.findChild<QLineEdit*>(QString("Text1_%1").arg(i))->setText(QString::number(counts[i]));
        f.Text1_KeyPress(i);
        for (int k = 1; k <= counts[i]; ++k) f.JBox(i + 1, k)->setText(QString::number(7.5 - 2 * k + i));
    }
    f.TextH4_KeyPress(1);
    ASSERT_EQ(f.sim().NH, 4);
    for (const GraphLabel& l : f.plot().Label9) EXPECT_TRUE(l.visible);
    // Titles sit over their trees, left to right by decreasing shift.
    EXPECT_LT(f.plot().Label9[0].left, f.plot().Label9[3].left);
    Snapshot(*frame, "four_hydrogens");

    f.chooseBranchColor = [] { return std::optional<std::string>(std::to_string(0x00C000C0)); };
    const PlotState& p = f.plot();
    f.Picture1()->setFocus();
    QTest::mouseDClick(f.Picture1(), Qt::LeftButton, {},
                       f.Picture1()->ToPixels(p.XPix[2][1][1], p.YLev[2][1] + p.LevelStep / 2));
    EXPECT_EQ(f.sim().StemColor[2][1][1], 0x00C000C0u);
    EXPECT_EQ(f.sim().StemColor[2][3][4], 0x00C000C0u);
    Snapshot(*frame, "recoloured");

    frame->Command5_Click();
    EXPECT_EQ(f.findChild<QLineEdit*>("Text2")->text(), "");
    Snapshot(*frame, "new");
}

}  // namespace
}  // namespace quble::test
