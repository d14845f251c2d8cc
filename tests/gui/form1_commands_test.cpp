// Commands of the simulator window: start-up, New and its blinking prompt,
// Restart, line shapes and mixing, titles, View and drawing menus, branch
// colours through the "Line Color" dialog, examples.
#include <QAction>
#include <QMenu>
#include <QSlider>

#include "simulator/form3_dialog.h"
#include "tests/gui/form1_fixture.h"

namespace quble::test {
namespace {

const QColor kYellow(255, 255, 0);

TEST_F(Form1Test, StartUpDrawsExample1H7WithGaussianLines) {
    EXPECT_TRUE(form->HasGraph());
    EXPECT_EQ(form->sim().NH, 1);
    EXPECT_EQ(form->sim().NJ[1], 6);
    EXPECT_FLOAT_EQ(form->sim().Shift[1], 1869.25f);
    EXPECT_TRUE(form->sim().ticks.mnuGaussian);
    EXPECT_FALSE(form->sim().ticks.mnuLorentzian);
    EXPECT_EQ(form->Label12Caption(), "Gaussian Line Shape");
    EXPECT_EQ(form->plot().Label8.caption, "15-Deoxygoyazensolide (Example 1/H7)");
    EXPECT_EQ(form->plot().Label9[0].caption, "H7");
    EXPECT_EQ(W<QLabel>("Label1_0")->text(), "For H7:");
    EXPECT_EQ(W<QLabel>("Label14_0")->text(), "H7:");
    EXPECT_EQ(W<QLabel>("Label15_0")->text(), "H7:");
    EXPECT_FALSE(form->JBox(1, 7)->isVisible());
    EXPECT_EQ(form->JBox(1, 6)->text(), "0.5");
    // The envelope (red, 255) and the black tree are on the picture.
    EXPECT_GT(CountPixels(form->Picture1()->picture(), qRgb(255, 0, 0)), 50);
    EXPECT_GT(CountPixels(form->Picture1()->picture(), qRgb(0, 0, 0)), 200);
}

TEST_F(Form1Test, NewClearsAndBlinksUntilEnter) {
    const QColor white = BaseOf(Box("Text2"));
    const QColor labelBack = W<QLabel>("Label13")->palette().color(QPalette::Window);
    ASSERT_NE(labelBack, kYellow);
    form->mnuNew_Click();
    EXPECT_EQ(Box("Text2")->text(), "");
    EXPECT_EQ(Box("Text3")->text(), "0.1");
    EXPECT_EQ(Box("Text4")->text(), "1");
    EXPECT_EQ(Focused(), Box("Text2"));
    EXPECT_TRUE(form->Blinking());
    EXPECT_EQ(BaseOf(Box("Text2")), kYellow);
    EXPECT_EQ(W<QLabel>("Label13")->palette().color(QPalette::Window), kYellow);
    EXPECT_EQ(form->plot().Label8.caption, "Spectrum Title");
    EXPECT_EQ(W<QLabel>("Label1_0")->text(), "For H1:");
    EXPECT_TRUE(form->Timer("Timer4")->isActive());
    EXPECT_EQ(form->Timer("Timer4")->interval(), 500);

    // Two half periods: back to normal, then yellow again.
    form->Timer4_Timer();
    EXPECT_EQ(BaseOf(Box("Text2")), white);
    EXPECT_FALSE(form->Timer("Timer4")->isActive());
    EXPECT_TRUE(form->Timer("Timer5")->isActive());
    form->Timer5_Timer();
    EXPECT_EQ(BaseOf(Box("Text2")), kYellow);
    EXPECT_TRUE(form->Timer("Timer4")->isActive());

    TypeEnter("Text2", "2");
    EXPECT_FALSE(form->Blinking());
    EXPECT_FALSE(form->Timer("Timer4")->isActive());
    EXPECT_FALSE(form->Timer("Timer5")->isActive());
    EXPECT_EQ(BaseOf(Box("Text2")), white);
    EXPECT_EQ(W<QLabel>("Label13")->palette().color(QPalette::Window), labelBack);
}

TEST_F(Form1Test, NewTwiceWhileYellowStillRestoresTheNormalColour) {
    const QColor white = BaseOf(Box("Text2"));
    form->mnuNew_Click();
    form->mnuNew_Click();  // pressed while the box is yellow
    form->Timer4_Timer();
    EXPECT_EQ(BaseOf(Box("Text2")), white);
}

TEST_F(Form1Test, RestartWhileBlinkingRestoresAndReloads) {
    const QColor white = BaseOf(Box("Text2"));
    form->mnuNew_Click();
    form->Timer4_Timer();
    form->Timer5_Timer();  // yellow again
    form->mnuRestart_Click();
    EXPECT_FALSE(form->Blinking());
    EXPECT_FALSE(form->Timer("Timer4")->isActive());
    EXPECT_FALSE(form->Timer("Timer5")->isActive());
    EXPECT_EQ(BaseOf(Box("Text2")), white);
    EXPECT_EQ(Box("Text2")->text(), "1");
    EXPECT_EQ(Box("Text6_0")->text(), "1869.25");
    EXPECT_TRUE(form->Timer("Timer2")->isActive());
    form->Timer2_Timer();
    EXPECT_EQ(form->sim().NJ[1], 6);
}

TEST_F(Form1Test, LineShapeTicksAndCaptions) {
    struct Row {
        void (Form1::*handler)();
        bool lor, gau, mix;
        const char* caption;
        bool frame3;
    };
    const Row rows[] = {{&Form1::mnuLorentzian_Click, true, false, false, "Lorentzian Line Shape", false},
                        {&Form1::mnuLorGauss_Click, true, true, true, "50% Gaussian + 50% Lorentzian", true},
                        {&Form1::mnuGaussian_Click, false, true, false, "Gaussian Line Shape", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.caption);
        (form.get()->*r.handler)();
        EXPECT_EQ(form->Action("mnuLorentzian")->isChecked(), r.lor);
        EXPECT_EQ(form->Action("mnuGaussian")->isChecked(), r.gau);
        EXPECT_EQ(form->Action("mnuLorGauss")->isChecked(), r.mix);
        EXPECT_EQ(form->sim().ticks.mnuLorGauss, r.mix);
        EXPECT_EQ(form->Label12Caption(), r.caption);
        EXPECT_EQ(W<QGroupBox>("Frame3")->isVisible(), r.frame3);
    }
}

TEST_F(Form1Test, MixingSliderCaption) {
    form->mnuLorGauss_Click();
    EXPECT_EQ(W<QSlider>("Slider4")->value(), 50);
    const int before = form->CalculationCount();
    W<QSlider>("Slider4")->setValue(30);
    EXPECT_EQ(form->Label12Caption(), "70% Gaussian + 30% Lorentzian");
    EXPECT_EQ(form->CalculationCount(), before + 1);
    EXPECT_DOUBLE_EQ(form->sim().LorFraction, 0.3);
    form->Slider4_Change(100);
    EXPECT_EQ(form->Label12Caption(), "0% Gaussian + 100% Lorentzian");
}

TEST_F(Form1Test, Example3SetsItsMixingRatioThroughTheTimers) {
    const ExampleSet* ex = FindExample("Example 3");
    ASSERT_NE(ex, nullptr);
    form->LoadExample(*ex);
    EXPECT_TRUE(form->Timer("Timer2")->isActive());
    EXPECT_TRUE(form->Timer("TimerLorGauss")->isActive());
    EXPECT_TRUE(form->Timer("Timer7")->isActive());
    EXPECT_FALSE(form->Timer("TimerLorentzian")->isActive());
    // In the order their delays give.
    form->Timer2_Timer();
    form->TimerLorGauss_Timer();
    form->Timer7_Timer();
    EXPECT_EQ(W<QSlider>("Slider4")->value(), 62);
    EXPECT_EQ(form->Label12Caption(), "38% Gaussian + 62% Lorentzian");
    EXPECT_TRUE(W<QGroupBox>("Frame3")->isVisible());
    EXPECT_EQ(Box("Text4")->text(), "3.1");
    EXPECT_EQ(form->plot().Label8.caption, "Alcohol RVALE-009 (Example 3)");
    EXPECT_EQ(form->sim().NJ[1], 5);
    EXPECT_FALSE(form->Timer("Timer7")->isActive());
}

TEST_F(Form1Test, ExamplesMenuInItsOrder) {
    auto* menu = form->findChild<QMenu*>("mnuOpenNewExample");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Open New Example");
    QStringList captions;
    for (QAction* a : menu->actions()) captions << a->text();
    EXPECT_EQ(captions, (QStringList{"Example 1/H3'b", "Example 1/H5+H3'a", "Example 1/H6", "Example 1/H7",
                                     "Example 1/H8", "Example 2", "Example 3", "Example 4", "Example 5"}));
    // Two hydrogens, mixed shape.
    menu->actions()[1]->trigger();
    form->Timer2_Timer();
    form->TimerLorGauss_Timer();
    EXPECT_EQ(form->sim().NH, 2);
    EXPECT_EQ(W<QLabel>("Label1_1")->text(), "For H3'a:");
    EXPECT_TRUE(form->sim().ticks.mnuLorGauss);
}

TEST_F(Form1Test, TitleEditsThroughTheInputBox) {
    dialogs.QueueInput(std::string("Ethyl acetate"));
    form->Label8_DblClick();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "Spectrum Title");
    EXPECT_EQ(dialogs.asked()[0].text, "Enter the title for this spectrum");
    EXPECT_EQ(dialogs.asked()[0].defaultText, "15-Deoxygoyazensolide (Example 1/H7)");
    EXPECT_EQ(form->plot().Label8.caption, "Ethyl acetate");

    dialogs.QueueInput(std::string(""));
    form->Label8_DblClick();
    dialogs.QueueInput(std::nullopt);  // Cancel
    form->Label8_DblClick();
    EXPECT_EQ(form->plot().Label8.caption, "Ethyl acetate");

    dialogs.clear();
    dialogs.QueueInput(std::string("Ha"));
    form->Label9_DblClick(0);
    EXPECT_EQ(dialogs.asked()[0].title, "Hydrogen Title");
    EXPECT_EQ(dialogs.asked()[0].text, "Enter the title for this hydrogen");
    EXPECT_EQ(form->plot().Label9[0].caption, "Ha");
    EXPECT_EQ(W<QLabel>("Label14_0")->text(), "Ha:");
    EXPECT_EQ(W<QLabel>("Label1_0")->text(), "For Ha:");
    dialogs.QueueInput(std::string(""));
    form->Label9_DblClick(0);
    EXPECT_EQ(form->plot().Label9[0].caption, "Ha");
}

TEST_F(Form1Test, DoubleClickOnTheSpectrumTitleAsksForIt) {
    const GraphLabel& t = form->plot().Label8;
    ASSERT_GT(t.width, 0.0);
    dialogs.QueueInput(std::string("New title"));
    QTest::mouseDClick(form->Picture1(), Qt::LeftButton, {},
                       form->Picture1()->ToPixels(t.left + t.width / 2, t.top + t.height / 2));
    EXPECT_EQ(form->plot().Label8.caption, "New title");
}

TEST_F(Form1Test, SplittingDiagramAndJLabelToggles) {
    form->mnuSplitDia_Click();
    EXPECT_FALSE(form->Action("mnuSplitDia")->isChecked());
    EXPECT_FALSE(form->Action("mnuJLabels")->isChecked());
    EXPECT_FALSE(form->Action("mnuJLabels")->isEnabled());
    // Without the diagram the tree's black lines are gone from the picture.
    const int blackWithout = CountPixels(form->Picture1()->picture(), qRgb(0, 0, 0));
    form->Action("mnuSplitDia")->trigger();
    EXPECT_TRUE(form->Action("mnuSplitDia")->isChecked());
    EXPECT_TRUE(form->Action("mnuJLabels")->isChecked());
    EXPECT_TRUE(form->Action("mnuJLabels")->isEnabled());
    EXPECT_GT(CountPixels(form->Picture1()->picture(), qRgb(0, 0, 0)), blackWithout + 100);
    form->Action("mnuJLabels")->trigger();
    EXPECT_FALSE(form->plot().view.mnuJLabels);
    form->Action("mnuHistogram")->trigger();
    EXPECT_FALSE(form->plot().view.mnuHistogram);
    EXPECT_FALSE(form->Action("mnuHistogram")->isChecked());
}

TEST_F(Form1Test, DrawingOptionMenus) {
    form->Action("mnuLineWidth3")->trigger();
    EXPECT_EQ(form->plot().options.EnvLineWidth, 3);
    EXPECT_FALSE(form->Action("mnuLineWidth1")->isChecked());
    EXPECT_TRUE(form->Action("mnuLineWidth3")->isChecked());
    form->Action("mnuLineWidth3")->trigger();  // already ticked: stays ticked
    EXPECT_TRUE(form->Action("mnuLineWidth3")->isChecked());

    form->mnuLineEx_Click(2);
    EXPECT_FALSE(form->plot().options.ExpAsPoints);
    EXPECT_EQ(form->plot().options.ExpLineWidth, 2);
    EXPECT_FALSE(form->Action("mnuPointSize1_5")->isChecked());
    form->mnuPointSize_Click(2.5f);
    EXPECT_TRUE(form->plot().options.ExpAsPoints);
    EXPECT_FLOAT_EQ(form->plot().options.ExpPointRadius, 2.5f);
    EXPECT_TRUE(form->Action("mnuPointSize2_5")->isChecked());
    EXPECT_FALSE(form->Action("mnuLineEx2")->isChecked());

    dialogs.QueueColor(ColorRef{0x00008000});
    form->mnuLorGauEnvColor_Click();
    EXPECT_EQ(form->plot().options.EnvColor, 0x00008000u);
    EXPECT_EQ(form->plot().options.PeakLabelColor, 0x00008000u);
    form->mnuLorGauEnvColor_Click();  // cancelled
    EXPECT_EQ(form->plot().options.EnvColor, 0x00008000u);

    form->Label6_Click(2);
    EXPECT_EQ(form->plot().options.IndPeakColor, form->SwatchColor(2));
}

TEST_F(Form1Test, SplittingDiagramColourMessage) {
    form->mnuSplitDiagra_Click();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "Splitting Diagram Color");
    EXPECT_EQ(dialogs.asked()[0].text,
              "To change the colors of the splitting\r\ndiagram lines, double click over one of the vertical lines; "
              "a color palette\r\nwill be shown. Choose a color and click OK.\r\nAll lines derived from the "
              "original one will take the chosen color.");
}

// Where a stem of the tree is drawn, in picture pixels.
QPoint StemPixel(const Form1& f, int h, int j, int b) {
    const PlotState& p = f.plot();
    return f.Picture1()->ToPixels(p.XPix[h][j][b], p.YLev[h][j] + p.LevelStep / 2);
}

TEST_F(Form1Test, DoubleClickRecoloursABranchAndWhatHangsBelowIt) {
    int asked = 0;
    form->chooseBranchColor = [&asked] {
        ++asked;
        return std::optional<std::string>("255");
    };
    // Level 2, branch 3: its stem and everything below turn red.
    QTest::mouseDClick(form->Picture1(), Qt::LeftButton, {}, StemPixel(*form, 1, 2, 3));
    ASSERT_EQ(asked, 1);
    const SimulationState& s = form->sim();
    EXPECT_EQ(s.StemColor[1][2][3], 255u);
    EXPECT_EQ(s.LinkColor[1][2][3], 0u);  // its own link to the parent keeps its colour
    EXPECT_EQ(s.StemColor[1][2][4], 0u);
    EXPECT_EQ(s.StemColor[1][3][5], 255u);
    EXPECT_EQ(s.LinkColor[1][3][6], 255u);
    // Level 6 below branch 3 of level 2: branches 33 to 48.
    EXPECT_EQ(s.StemColor[1][6][32], 0u);
    EXPECT_EQ(s.StemColor[1][6][33], 255u);
    EXPECT_EQ(s.StemColor[1][6][48], 255u);
    EXPECT_EQ(s.StemColor[1][6][49], 0u);
    const QPoint at = StemPixel(*form, 1, 2, 3);
    EXPECT_EQ(form->Picture1()->picture().pixel(at) & 0xFFFFFF, 0xFF0000u);

    // The root is not selectable.
    const PlotState& p = form->plot();
    QTest::mouseDClick(form->Picture1(), Qt::LeftButton, {},
                       form->Picture1()->ToPixels(p.XPix[1][0][1], p.YLev[1][0] + p.LevelStep / 2));
    EXPECT_EQ(asked, 1);
}

TEST_F(Form1Test, LineColorDialogChoosesTheBranchColour) {
    // The real dialog, answered from inside its own event loop.
    QTimer::singleShot(0, form.get(), [this] {
        auto* f3 = form->findChild<Form3*>("Form3");
        ASSERT_NE(f3, nullptr);
        EXPECT_EQ(f3->windowTitle(), "Line Color");
        f3->Label1_Click(4);
        EXPECT_EQ(f3->PreviewColor(), 0x0000C000u);
        f3->findChild<QPushButton*>("Command1")->click();
    });
    QTest::mouseDClick(form->Picture1(), Qt::LeftButton, {}, StemPixel(*form, 1, 1, 2));
    EXPECT_EQ(form->sim().StemColor[1][1][2], 0x0000C000u);
    EXPECT_EQ(form->sim().StemColor[1][2][4], 0x0000C000u);
    EXPECT_EQ(form->sim().StemColor[1][1][1], 0u);

    // "Reset all to black" clears every branch, the one clicked included.
    QTimer::singleShot(0, form.get(), [this] {
        form->findChild<Form3*>("Form3")->findChild<QPushButton*>("Command2")->click();
    });
    QTest::mouseDClick(form->Picture1(), Qt::LeftButton, {}, StemPixel(*form, 1, 1, 1));
    EXPECT_EQ(form->sim().StemColor[1][1][2], 0u);
    EXPECT_EQ(form->sim().StemColor[1][2][4], 0u);

    // Closing with the window's close button changes nothing.
    QTimer::singleShot(0, form.get(), [this] {
        auto* f3 = form->findChild<Form3*>("Form3");
        f3->Label1_Click(1);
        f3->reject();
    });
    QTest::mouseDClick(form->Picture1(), Qt::LeftButton, {}, StemPixel(*form, 1, 1, 1));
    EXPECT_EQ(form->sim().StemColor[1][1][1], 0u);
}

}  // namespace
}  // namespace quble::test
