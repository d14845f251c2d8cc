// The analysis as a user meets it: a band of the experimental spectrum
// analysed and sent to the simulator, the fit of the simulation to the
// overlay with its residual, Undo and Cancel, and journal text through the
// clipboard.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "tests/gui/frame_fixture.h"
#include "app/main_frame.h"
#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/form100_window.h"
#include "experimental/multiplet_window.h"
#include "platform/clipboard.h"
#include "platform/scripted_dialogs.h"
#include "simulator/form1_window.h"

namespace quble::test {
namespace {


// The work on the window's thread, as if it took no time.
bool RunAtOnce(const QString&, const QString&, const CancellableWork& work) {
    std::atomic<bool> cancel{false};
    work(cancel);
    return true;
}

class AnalysisWindowsTest : public FrameWithExamplesTest {
protected:
    void SetUp() override {
        FrameWithExamplesTest::SetUp();
        form().SetClipboard(&clipboard);
        form().runWork = RunAtOnce;
        form().runFitDialog = [](const OverlayFitChoice& c) { return std::optional<OverlayFitChoice>(c); };
    }
    void OpenExample1a() {
        OpenFromSimulator(Choice(1), Example1a());
        ASSERT_TRUE(form().sim().ExpPresent);
        frame->form100()->runWork = RunAtOnce;
    }
    std::string Box(QLineEdit* b) const { return b->text().toStdString(); }
    std::string ShiftBox(int h) { return Box(form().findChild<QLineEdit*>(QString("Text6_%1").arg(h - 1))); }
    std::vector<std::string> JBoxes(int h) {
        std::vector<std::string> v;
        for (int k = 1; k <= form().sim().NJ[h]; ++k) v.push_back(Box(form().JBox(h, k)));
        return v;
    }
    // Pixel of the experimental graph nearest to a frequency in the shown view.
    double PixelAt(double hz) {
        const std::optional<double> x = frame->form100()->session().PixelOfHz(hz);
        EXPECT_TRUE(x.has_value()) << hz;
        return x.value_or(0.0);
    }
    void DragBand(double hiHz, double loHz) {
        Form100& f = *frame->form100();
        const double x1 = PixelAt(hiHz), x2 = PixelAt(loHz);
        f.Picture1_MouseDown(1, 0, x1, 100);
        f.Picture1_MouseMove(1, 0, x2, 100);
        f.Picture1_MouseUp(1, 0, x2, 100);
    }

    FakeClipboard clipboard;
};

TEST_F(AnalysisWindowsTest, BandAnalysedThenSentToTheSimulatorOverlaysAtOnce) {
    OpenExample1a();
    Form100& exp = *frame->form100();
    const ExampleSet& h7 = *FindExample("Example 1/H7");
    const double shift = std::stod(h7.hydrogens[0].shift);
    double spread = 0.0;
    for (const auto& j : h7.hydrogens[0].j) spread += std::stod(j) / 2.0;

    // Nothing selected in the full view: the user is told what to do.
    exp.Command3_Click();
    exp.mnuAnalyse_Click();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "Analyse Multiplet");
    EXPECT_EQ(LastMessage()->text,
              "Select the multiplet first: drag across it on the graph, or expand the view onto it.");
    EXPECT_EQ(exp.AnalysisWindow(), nullptr);

    // A coarse band in the full view, expanded; then a band in the expanded view.
    DragBand(shift + spread + 30.0, shift - spread - 30.0);
    exp.Command4_Click();
    DragBand(shift + spread + 6.0, shift - spread - 6.0);
    exp.mnuAnalyse_Click();
    MultipletWindow* w = exp.AnalysisWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Multiplet Analysis");
    const analysis::MultipletAnalysis& a = w->result();
    ASSERT_TRUE(a.firstOrder) << a.multiplicity << " " << a.note;
    EXPECT_NEAR(a.centreHz, shift, 0.5);
    EXPECT_EQ(w->LabelMultiplicity->text().toStdString(), a.multiplicity);
    EXPECT_EQ(w->TextJournal->text().toStdString(), a.text);
    EXPECT_TRUE(w->CommandSend->isEnabled());
    // Copy Text puts the journal line on the shared clipboard.
    QTest::mouseClick(w->CommandCopy, Qt::LeftButton);
    ASSERT_NE(clipboard.MimeData(), nullptr);
    EXPECT_EQ(clipboard.MimeData()->text().toStdString(), a.text);

    const int transfers = form().ExperimentalTransfers();
    QTest::mouseClick(w->CommandSend, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(form().sim().NH, 1);
    EXPECT_NEAR(std::stod(ShiftBox(1)), a.centreHz, 0.001);
    const std::vector<double> all = a.AllCouplings();
    ASSERT_EQ(form().sim().NJ[1], static_cast<int>(all.size()));
    for (std::size_t k = 0; k < all.size(); ++k) EXPECT_NEAR(form().sim().JVal[1][k + 1], all[k], 0.006);
    EXPECT_EQ(form().ExperimentalTransfers(), transfers + 1);
    EXPECT_TRUE(form().sim().ExpPresent);

    // Its journal line pasted back keeps the spectrum on the graph, at the
    // spectrum's own frequency.
    EXPECT_DOUBLE_EQ(form().TextMHz(), exp.spectrum().SFMeu);
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(a.text));
    clipboard.SetMimeData(mime);
    form().mnuPasteText_Click();
    EXPECT_TRUE(form().sim().ExpPresent);
    EXPECT_NEAR(form().sim().Shift[1], a.centreHz, 0.005 * exp.spectrum().SFMeu);
}

TEST_F(AnalysisWindowsTest, FitFromAWrongStartMovesTowardTheTruthAndUndoRestoresTheBoxes) {
    OpenExample1a();
    // The values the example spectrum was made from.
    const examplegen::TrueMultiplet* truth = nullptr;
    for (const auto& recipe : examplegen::ExampleRecipes())
        for (const auto& m : recipe.lines)
            if (m.exampleCaption == "Example 1/H7" && !truth) truth = &m;
    ASSERT_NE(truth, nullptr);
    double trueSpan = 0.0;
    for (double j : truth->j) trueSpan += j;
    // The start a user would give: a shift 1 Hz off and every J 0.3 Hz off.
    const ExampleSet& h7 = *FindExample("Example 1/H7");
    form().findChild<QLineEdit*>("Text6_0")->setText(QString::number(truth->shiftHz + 1.0));
    for (std::size_t k = 0; k < h7.hydrogens[0].j.size(); ++k)
        form().JBox(1, static_cast<int>(k) + 1)->setText(QString::number(std::stod(h7.hydrogens[0].j[k]) + 0.3));
    form().Command1_Click();
    const std::string startShift = ShiftBox(1);
    const std::vector<std::string> startJ = JBoxes(1);
    EXPECT_FALSE(form().Action("mnuUndoFit")->isEnabled());
    ASSERT_TRUE(form().Action("mnuFit")->isEnabled());

    // Every value held: only scale and baseline move, which gives the misfit
    // of the start and leaves the boxes as they are.
    form().runFitDialog = [](const OverlayFitChoice&) {
        OverlayFitChoice c;
        c.varyShift.fill(false);
        for (auto& row : c.varyJ) row.fill(false);
        c.varyWidth = c.varyLorentz = false;
        return std::optional<OverlayFitChoice>(c);
    };
    form().mnuFit_Click();
    ASSERT_TRUE(form().LastFit() && form().LastFit()->ok);
    const double startRms = form().LastFit()->rms;
    EXPECT_EQ(ShiftBox(1), startShift);
    EXPECT_EQ(JBoxes(1), startJ);

    // Accepted as offered, which frees the Lorentzian share too: the
    // example starts Gaussian, and its lines are partly Lorentzian.
    form().runFitDialog = [](const OverlayFitChoice& c) { return std::optional<OverlayFitChoice>(c); };
    ASSERT_FALSE(form().sim().ticks.mnuLorGauss);
    form().mnuFit_Click();
    EXPECT_TRUE(form().sim().ticks.mnuLorGauss);
    const analysis::FitResult& fit = *form().LastFit();
    ASSERT_TRUE(fit.ok) << fit.error;
    EXPECT_LT(fit.rms, 0.5 * startRms);
    EXPECT_GT(fit.r2, 0.95);
    EXPECT_NEAR(std::stod(ShiftBox(1)), truth->shiftHz, 0.3);
    double span = 0.0;
    for (const std::string& j : JBoxes(1)) span += std::stod(j);
    EXPECT_NEAR(span, trueSpan, 0.3);
    // What the fit wrote is shown whole in every box.
    for (QLineEdit* b : form().findChildren<QLineEdit*>()) {
        if (!b->isVisible() || b->text().isEmpty()) continue;
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->contentsRect().width() - 4)
            << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
    }
    EXPECT_NEAR(fit.lorentzFraction, 1.0 - truth->gaussFraction, 0.1);
    // The boxes are what was calculated, the residual lies under the baseline.
    EXPECT_FLOAT_EQ(form().sim().Shift[1], std::stof(ShiftBox(1)));
    const ExperimentalOverlay& e = form().plot().exp;
    EXPECT_FALSE(e.ResidualHz.empty());
    EXPECT_EQ(e.ResidualHz.size(), e.ResidualY.size());
    EXPECT_EQ(e.FitCaption.rfind("Fit: RMS = ", 0), 0u) << e.FitCaption;
    EXPECT_NE(e.FitCaption.find("R\xC2\xB2 = "), std::string::npos);

    // Undo goes back to the boxes before the last fit, which were the start.
    ASSERT_TRUE(form().Action("mnuUndoFit")->isEnabled());
    form().mnuUndoFit_Click();
    EXPECT_EQ(ShiftBox(1), startShift);
    EXPECT_EQ(JBoxes(1), startJ);
    EXPECT_FALSE(form().sim().ticks.mnuLorGauss);  // and the shape before it
    EXPECT_TRUE(form().plot().exp.ResidualHz.empty());
    EXPECT_FALSE(form().Action("mnuUndoFit")->isEnabled());
}

TEST_F(AnalysisWindowsTest, ACancelledOrRefusedFitChangesNothing) {
    // Without an overlay the user is told, and nothing runs.
    form().mnuFit_Click();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "Fit to Experimental");
    EXPECT_EQ(LastMessage()->text, "There is no experimental spectrum on the graph: open one and transfer it first.");
    EXPECT_FALSE(form().LastFit().has_value());

    OpenExample1a();
    const std::string shift = ShiftBox(1);
    const std::vector<std::string> j = JBoxes(1);
    const int calculations = form().CalculationCount();
    // Cancel raised while the solver runs: it stops and its answer is dropped.
    form().runWork = [](const QString&, const QString&, const CancellableWork& work) {
        std::atomic<bool> cancel{true};
        work(cancel);
        return false;
    };
    form().mnuFit_Click();
    // The choice dialog cancelled.
    form().runWork = RunAtOnce;
    form().runFitDialog = [](const OverlayFitChoice&) { return std::optional<OverlayFitChoice>(); };
    form().mnuFit_Click();
    EXPECT_EQ(ShiftBox(1), shift);
    EXPECT_EQ(JBoxes(1), j);
    EXPECT_EQ(form().CalculationCount(), calculations);
    EXPECT_FALSE(form().LastFit().has_value());
    EXPECT_TRUE(form().plot().exp.ResidualHz.empty());
    EXPECT_FALSE(form().Action("mnuUndoFit")->isEnabled());
}

TEST_F(AnalysisWindowsTest, JournalTextGoesOutAndComesBackAndMalformedTextChangesNothing) {
    // A journal line pasted fills the boxes at the frequency the user set.
    dialogs.QueueInput(std::string("500"));
    form().mnuTextMHz_Click();
    EXPECT_DOUBLE_EQ(form().TextMHz(), 500.0);
    auto* mime = new QMimeData;
    mime->setText(QString::fromUtf8("\xCE\xB4 4.28 (dt, J = 8.4, 3.3 Hz, 1H); 2.10 (1H, q, J=7.0Hz)"));
    clipboard.SetMimeData(mime);
    form().mnuPasteText_Click();
    ASSERT_EQ(form().sim().NH, 2);
    EXPECT_FLOAT_EQ(form().sim().Shift[1], 2140.0f);
    ASSERT_EQ(form().sim().NJ[1], 3);
    EXPECT_FLOAT_EQ(form().sim().JVal[1][1], 8.4f);
    EXPECT_FLOAT_EQ(form().sim().JVal[1][3], 3.3f);
    EXPECT_FLOAT_EQ(form().sim().Shift[2], 1050.0f);
    EXPECT_EQ(form().sim().NJ[2], 3);
    // 1090 Hz apart, wider than the widest scale: the graph zooms out as far
    // as the slider goes, and so does its slider.
    auto* slider = form().findChild<QSlider*>("Slider1");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), form().plot().Slider1.min);
    EXPECT_FLOAT_EQ(form().plot().HScale, static_cast<float>(slider->value()) / form().plot().SliderHUnits);

    // Copied back, the same lines in the usual form.
    form().mnuCopyText_Click();
    const std::string copied = clipboard.MimeData()->text().toStdString();
    EXPECT_EQ(copied, "\xCE\xB4 4.28 (dt, J = 8.4, 3.3 Hz, 1H)\n\xCE\xB4 2.10 (q, J = 7.0 Hz, 1H)");

    // Text that cannot be read is named, and the boxes stay.
    const std::string shift = ShiftBox(1);
    auto* bad = new QMimeData;
    bad->setText("4.28 (dt, J = eight Hz)");
    clipboard.SetMimeData(bad);
    form().mnuPasteText_Click();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "Paste Text");
    EXPECT_NE(LastMessage()->text.find("The boxes are unchanged."), std::string::npos);
    EXPECT_EQ(ShiftBox(1), shift);
    EXPECT_EQ(form().sim().NH, 2);

    // A frequency that is not one is refused and the old one kept.
    dialogs.QueueInput(std::string("fast"));
    form().mnuTextMHz_Click();
    EXPECT_EQ(LastMessage()->title, "Spectrometer Frequency");
    EXPECT_DOUBLE_EQ(form().TextMHz(), 500.0);
}

}  // namespace
}  // namespace quble::test
