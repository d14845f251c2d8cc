// The comparison as a user meets it: the opening road from the simulator
// through "Opening Options", the overlay of a transferred example spectrum,
// marking its peaks with the mouse, and the match verification.
#include <QAction>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/gui/frame_fixture.h"
#include "app/main_frame.h"
#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/form100_window.h"
#include "platform/scripted_dialogs.h"
#include "settings/settings_file.h"
#include "simulator/form1_window.h"

namespace quble::test {
namespace {

namespace fs = std::filesystem;

class CompareTest : public FrameWithExamplesTest {
protected:
    int Asked(ScriptedDialogs::Asked::Kind kind) const {
        int n = 0;
        for (const auto& a : dialogs.asked()) n += a.kind == kind;
        return n;
    }
};

TEST_F(CompareTest, OpeningWithAutomaticAdjustmentOverlaysTheSpectrum) {
    OpenFromSimulator(Choice(1), Example1a());
    EXPECT_EQ(Asked(ScriptedDialogs::Asked::Kind::OpeningOptions), 1);
    EXPECT_EQ(form().ExperimentalTransfers(), 1);
    EXPECT_TRUE(form().sim().ExpPresent);
    EXPECT_TRUE(form().Action("mnuMarkPeaks")->isEnabled());
    EXPECT_TRUE(form().Action("mnuExpSpCol")->isEnabled());
    // The automatic calibration put TMS at 0 before the transfer.
    EXPECT_NE(frame->form100()->findChild<QLabel*>("Label5")->text(), "Reference: None");
    const ExperimentalOverlay& e = form().plot().exp;
    EXPECT_GT(e.ExpScale, 0.0f);
    EXPECT_LT(e.PlotWindowFirst, e.PlotWindowLast);
    EXPECT_GT(e.ExpPeakCount, 0);
    // The overlay is on the picture in the experimental colour (blue).
    const QImage& img = form().Picture1()->picture();
    int blue = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) blue += img.pixelColor(x, y) == QColor(0, 0, 255);
    EXPECT_GT(blue, 20);
}

TEST_F(CompareTest, CancelOrARefusedFileChangesNothing) {
    OpenFromSimulator(std::nullopt, {});
    EXPECT_EQ(form().ExperimentalTransfers(), 0);
    EXPECT_FALSE(form().sim().ExpPresent);

    // A file not named 1r, then No in the "File type unsupported" question.
    dialogs.QueueMessageAnswer(MsgAnswer::No);
    OpenFromSimulator(Choice(2), (fs::path(folder) / "Examples" / "ReadMe.txt").generic_string());
    EXPECT_EQ(form().ExperimentalTransfers(), 0);
    EXPECT_FALSE(form().sim().ExpPresent);
    EXPECT_FALSE(frame->form100()->spectrum().OpenCancelled);
}

TEST_F(CompareTest, JustOpeningStaysInTheExperimentalWindow) {
    OpenFromSimulator(Choice(3), Example1a());
    EXPECT_EQ(form().ExperimentalTransfers(), 0);
    EXPECT_GT(frame->form100()->spectrum().NPont, 0);
    EXPECT_FALSE(form().sim().ExpPresent);
}

TEST_F(CompareTest, DontShowAgainSkipsTheDialogWithTheLastChoice) {
    bool told = true;
    form().onShowOpeningOptionsChanged = [&](bool on) { told = on; };
    OpenFromSimulator(Choice(2, true, true), Example1a());
    EXPECT_FALSE(told);
    EXPECT_FALSE(form().ShowOpeningOptions());
    EXPECT_EQ(form().ExperimentalTransfers(), 1);
    dialogs.QueueFile(Example1a());
    form().mnuOpenExpSpec_Click();
    WaitForTheReturn();
    EXPECT_EQ(Asked(ScriptedDialogs::Asked::Kind::OpeningOptions), 1);
    EXPECT_EQ(form().ExperimentalTransfers(), 2);

    // The choice lasts across starts: a complete settings file says so, and
    // the Options menu brings the dialog back.
    const fs::path ini = fs::path(folder) / kSettingsFileName;
    SettingsRead read = ReadSettingsFile(ini);
    ASSERT_TRUE(read.Complete());
    GraphSettings saved;
    ApplySettingsRead(read, saved);
    EXPECT_FALSE(saved.ShowOpeningOptions);
    form().Action("mnuShowOptions")->trigger();
    EXPECT_TRUE(form().ShowOpeningOptions());
    read = ReadSettingsFile(ini);
    ASSERT_TRUE(read.Complete());
    ApplySettingsRead(read, saved);
    EXPECT_TRUE(saved.ShowOpeningOptions);
}

TEST_F(CompareTest, MarkingByMouseKeepsSortedMarksAndEnablesOkAtTheRightCount) {
    OpenFromSimulator(Choice(1), Example1a());
    ASSERT_TRUE(form().sim().ExpPresent);
    form().mnuMarkPeaks_Click();
    EXPECT_TRUE(form().Action("mnuMarkPeaks")->isChecked());
    auto* panel = form().findChild<QWidget*>("Frame4");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(frame->findChild<QPushButton*>("Command23")->text(), "End Mark");
    auto* list = form().findChild<QListWidget*>("List3");
    auto* ok = form().findChild<QPushButton*>("Command3");
    const int wanted = form().sim().NMultRelMax;
    ASSERT_GT(wanted, 1);

    // Clear the marks taken over from the automatic peaks by clicking each.
    GraphBox* g = form().Picture1();
    auto pixelOfHz = [&](double hz) {
        const PlotState& p = form().plot();
        const double x = p.XCenter - (hz - form().sim().AvChemShift) * p.HScale;
        return g->ToPixels(x, p.BaseY / 2);
    };
    auto clickAt = [&](QPoint px, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseMove(g, px);
        QTest::mousePress(g, b, {}, px);
        QTest::mouseRelease(g, b, {}, px);
    };
    const ExperimentalOverlay& e = form().plot().exp;
    std::vector<double> peaksHz;
    for (int i = 1; i <= e.ExpPeakCount; ++i) peaksHz.push_back(e.ExpXnmrHz[e.ExpPeakIndex[i]]);
    ASSERT_GE(static_cast<int>(peaksHz.size()), wanted);
    for (double hz : peaksHz) clickAt(pixelOfHz(hz));
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(ok->isEnabled());
    // Mark them again from the right (lowest frequency) to the left.
    for (int i = wanted - 1; i >= 0; --i) clickAt(pixelOfHz(peaksHz[i]));
    EXPECT_EQ(list->count(), wanted);
    EXPECT_TRUE(ok->isEnabled());
    // The list reads in descending frequency whatever the click order.
    for (int i = 1; i < list->count(); ++i)
        EXPECT_GT(list->item(i - 1)->text().toDouble(), list->item(i)->text().toDouble());
    // One more is refused.
    if (static_cast<int>(peaksHz.size()) > wanted) {
        dialogs.clear();
        clickAt(pixelOfHz(peaksHz[wanted]));
        ASSERT_FALSE(dialogs.asked().empty());
        EXPECT_EQ(dialogs.asked().back().title, "Too many peaks!");
        EXPECT_EQ(list->count(), wanted);
    }
    ok->click();
    EXPECT_FALSE(form().Action("mnuMarkPeaks")->isChecked());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(frame->findChild<QPushButton*>("Command23")->text(), "Mark Experimental Peaks");
    EXPECT_EQ(form().plot().exp.ExpPeakCount, wanted);
}

TEST_F(CompareTest, VerificationSaysSoEitherWayAndShowsItsLines) {
    OpenFromSimulator(Choice(1), Example1a());
    ASSERT_TRUE(form().sim().ExpPresent);
    dialogs.clear();
    form().mnuVerifyMatch_Click();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "Match");
    EXPECT_NE(dialogs.asked()[0].text.find("MatchSumMin = "), std::string::npos);
    ASSERT_FALSE(form().List1().isEmpty());
    EXPECT_TRUE(form().List1().front().startsWith("NMaxExp="));
    form().mnuMatchDetails_Click();
    auto* text = form().findChild<QPlainTextEdit*>("List1");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().contains("MatchSumMin="));

    // Example 2's parameters over the same spectrum do not match.
    form().LoadExample(*FindExample("Example 2"));
    form().Timer2_Timer();
    form().ReceiveExperimentalData(form().NPontExp(), form().ExpXnmrHz(), form().ExpYgraf());
    dialogs.clear();
    form().mnuVerifyMatch_Click();
    ASSERT_FALSE(dialogs.asked().empty());
    EXPECT_EQ(dialogs.asked().back().title, "No Match!");
    EXPECT_EQ(dialogs.asked().back().text, "It seems that this experimental spectrum\r\ndoes not match the simulated one!");
}

}  // namespace
}  // namespace quble::test
