// The simulator window's analysis commands: the least-squares fit of the
// simulation to the overlaid spectrum (with Undo), the journal text out to
// the clipboard and back into the boxes, and the multiplet the experimental
// window's analysis sends over. The arithmetic is in the core
// (overlay_fit, analysis/); this file moves texts between boxes and core.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalBlocker>
#include <QSlider>

#include "analysis/journal_text.h"
#include "simulator/fit_dialog.h"
#include "simulator/form1_internal.h"
#include "simulator/form1_window.h"
#include "simulator/input_rules.h"

namespace quble {

using namespace form1detail;

namespace {
constexpr const char* kFitTitle = "Fit to Experimental";
constexpr const char* kCopyTextTitle = "Copy as Text";
constexpr const char* kPasteTextTitle = "Paste Text";
constexpr double kDefaultTextMHz = 400.0;
}  // namespace

void Form1::BuildAnalysisMenu(QMenu* edit) {
    auto add = [this](QMenu* menu, const QString& name, const QString& caption, std::function<void()> handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, std::move(handler));
        return a;
    };
    edit->addSeparator();
    add(edit, "mnuCopyText", "Copy as &Text", [this] { mnuCopyText_Click(); });
    add(edit, "mnuPasteText", "Paste Te&xt", [this] { mnuPasteText_Click(); });
    add(edit, "mnuTextMHz", "Spectrometer &Frequency for Text...", [this] { mnuTextMHz_Click(); });
    edit->addSeparator();
    add(edit, "mnuUndoFit", "&Undo Fit", [this] { mnuUndoFit_Click(); })->setEnabled(false);
    if (QMenu* compare = menuBar()->findChild<QMenu*>("mnuCompare")) {
        compare->addSeparator();
        add(compare, "mnuFit", "&Fit to Experimental...", [this] { mnuFit_Click(); })->setEnabled(false);
    }
    runFitDialog = [this](const OverlayFitChoice& start) -> std::optional<OverlayFitChoice> {
        std::array<std::string, kMaxHydrogens> names;
        for (int h = 1; h <= kMaxHydrogens; ++h) names[h - 1] = session_.HydrogenName(h);
        FitDialog d(this, sim_, names, start);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return d.Choice();
    };
    runWork = ProgressRunner(this);
}

double Form1::TextMHz() const {
    if (sim_.ExpPresent && overlayMHz_ > 0.0) return overlayMHz_;
    return textMHz_ > 0.0 ? textMHz_ : kDefaultTextMHz;
}

// ---------------------------------------------------------------- boxes

void Form1::WriteBoxValues(const SimulationInput& in) {
    for (int i = 0; i < sim_.NH && i < kMaxHydrogens; ++i) {
        SetTextQuiet(Text6[i], in.Text6[i]);
        for (int k = 0; k < kMaxJ; ++k) SetTextQuiet(jBox_[i][k], in.JText[i][k]);
    }
    SetTextQuiet(Text4, in.Text4);
    ShowBoxStarts();
}

void Form1::ShowBoxStarts() {
    // A narrow box scrolled to its end shows "976" of "4.976".
    for (int i = 0; i < kMaxHydrogens; ++i) {
        Text6[i]->setCursorPosition(0);
        for (int k = 0; k < kMaxJ; ++k) jBox_[i][k]->setCursorPosition(0);
    }
    Text4->setCursorPosition(0);
}

void Form1::EnterBoxes(const SimulationInput& in) {
    StopBlinking();
    Text4->setText(Q(in.Text4));
    Text2->setText(Q(in.Text2));
    Text2_KeyPress(13);
    const int nh = session_.NH();
    for (int i = 0; i < nh; ++i) {
        Text1[i]->setText(Q(in.Text1[i]));
        Text1_KeyPress(i, 13);
        Text6[i]->setText(Q(in.Text6[i]));
        Text6_KeyPress(i, 13);
    }
    for (int h = 0; h < kMaxHydrogens; ++h) {
        const int used = h < nh ? session_.NJ(h + 1) : 0;
        for (int k = 0; k < kMaxJ; ++k) {
            jBox_[h][k]->setText(k < used ? Q(in.JText[h][k]) : "0");
            jBox_[h][k]->setVisible(k < used);
        }
    }
    Command1_Click();
    ShowBoxStarts();
}

void Form1::ReceiveAnalysis(const analysis::MultipletAnalysis& a) {
    const SimulationInput in = BoxesFromAnalysis(ReadBoxes(), a);
    ForgetFitUndo();
    EnterBoxes(in);
    ShowAllLines();
}

void Form1::ShowAllLines() {
    if (!session_.HasGraph()) return;
    const int v = Slider1ToShowAllLines(plot_, sim_);
    if (v != Slider1w->value()) Slider1w->setValue(v);
}

void Form1::ForgetFitUndo() {
    undoFit_.reset();
    Action("mnuUndoFit")->setEnabled(false);
}

void Form1::SetOverlayMHz(double mhz) { overlayMHz_ = mhz; }

// ---------------------------------------------------------------- fit

void Form1::SyncFitMenu() {
    if (QAction* fit = Action("mnuFit")) fit->setEnabled(sim_.ExpPresent && session_.HasGraph());
}

void Form1::mnuFit_Click() {
    if (!sim_.ExpPresent || !session_.HasGraph()) {
        dialogs_->MessageBox(kFitTitle, "There is no experimental spectrum on the graph: open one and transfer it first.",
                             MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    if (session_.MarkingOn()) mnuMarkPeaks_Click();
    const std::optional<OverlayFitChoice> choice = runFitDialog(DefaultFitChoice());
    if (!choice) return;
    std::string error;
    std::optional<OverlayFitSetup> setup = PrepareOverlayFit(sim_, plot_.exp, *choice, &error);
    if (!setup) {
        dialogs_->MessageBox(kFitTitle, error, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    analysis::FitResult result;
    const bool finished = runWork(kFitTitle, "Fitting the simulation to the experimental spectrum...",
                                  [&](const std::atomic<bool>& cancel) {
                                      analysis::FitInput in = setup->input;
                                      in.cancel = &cancel;
                                      result = analysis::FitSimulation(setup->hz, setup->y, in);
                                  });
    if (!finished || result.cancelled) return;  // nothing changed
    if (!result.ok) {
        dialogs_->MessageBox(kFitTitle, "The fit failed: " + result.error + ". The boxes are unchanged.",
                             MsgButtons::Ok, MsgIcon::Warning);
        return;
    }

    const SimulationInput before = ReadBoxes();
    undoFit_ = FitUndo{before, sim_.ticks, sim_.Slider4, lineShapeHandler_, sim_.NH, sim_.NJ};
    int lorentz = sim_.Slider4;
    const SimulationInput after = BoxesFromFit(before, sim_, result, *choice, &lorentz);
    WriteBoxValues(after);
    if (choice->varyLorentz) {
        if (!sim_.ticks.mnuLorGauss) mnuLorGauss_Click();
        const QSignalBlocker block(Slider4);
        Slider4->setValue(lorentz);
        sim_.Slider4 = lorentz;
        SetMixCaption(lorentz);
    }
    Command1_Click();
    ShowBoxStarts();
    SetFitResidual(plot_.exp, *setup, result);
    plot_.exp.FitCaption = FitSummary(result, *setup, decSep_);
    lastFit_ = result;
    Action("mnuUndoFit")->setEnabled(true);
    Redraw(false);
}

void Form1::mnuUndoFit_Click() {
    if (!undoFit_) return;
    const FitUndo u = *undoFit_;
    ForgetFitUndo();
    if (u.nh != sim_.NH || u.nj != sim_.NJ) {
        dialogs_->MessageBox("Undo Fit", "The boxes have been laid out anew since the fit: there is nothing to undo.",
                             MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    WriteBoxValues(u.boxes);
    if (u.ticks.mnuLorGauss != sim_.ticks.mnuLorGauss || u.ticks.mnuLorentzian != sim_.ticks.mnuLorentzian) {
        RunLineShapeHandler(u.shapeHandler);
    }
    if (u.ticks.mnuLorGauss) {
        const QSignalBlocker block(Slider4);
        Slider4->setValue(u.slider4);
        sim_.Slider4 = u.slider4;
        SetMixCaption(u.slider4);
    }
    Command1_Click();
    ShowBoxStarts();
}

// ---------------------------------------------------------------- journal text

void Form1::mnuCopyText_Click() {
    std::vector<analysis::JournalHydrogen> hydrogens;
    std::string error;
    if (!analysis::HydrogensFromInput(ReadBoxes(), &hydrogens, &error)) {
        dialogs_->MessageBox(kCopyTextTitle, error, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    auto* mime = new QMimeData;
    mime->setText(Q(analysis::JournalText(hydrogens, TextMHz())));
    clipboard_->SetMimeData(mime);
}

void Form1::mnuPasteText_Click() {
    const QMimeData* mime = clipboard_->MimeData();
    const std::string text = mime && mime->hasText() ? S(mime->text()) : std::string();
    if (text.empty()) {
        dialogs_->MessageBox(kPasteTextTitle,
                             "The clipboard holds no text. Copy a line such as \"\xCE\xB4 4.28 (dt, J = 8.4, 3.3 Hz, 1H)\" "
                             "first.",
                             MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    const analysis::JournalParse parse = analysis::ParseJournalText(text, TextMHz());
    SimulationInput in = ReadBoxes();
    if (!parse.ok || !analysis::ApplyJournalToInput(parse, in)) {
        std::string why = parse.error.empty() ? "The text could not be read." : parse.error;
        if (!parse.part.empty()) why += "\r\n\r\nNot understood: \"" + parse.part + "\"";
        dialogs_->MessageBox(kPasteTextTitle, why + "\r\n\r\nThe boxes are unchanged.", MsgButtons::Ok,
                             MsgIcon::Warning);
        return;
    }
    ForgetFitUndo();
    // New counts drop the overlay, as typing them does; the spectrum handed
    // over is still here, so it goes onto the new multiplet (or the user is
    // told it has no signal there).
    const bool overlaid = sim_.ExpPresent;
    EnterBoxes(in);
    if (overlaid && session_.NPontExp() > 0) TransfAdjustExpData();
    ShowAllLines();
}

void Form1::mnuTextMHz_Click() {
    const double now = TextMHz();
    const std::optional<std::string> answer =
        dialogs_->InputBox("Spectrometer frequency (MHz) for the shifts of Copy as Text and Paste Text.\r\n"
                           "While an experimental spectrum is on the graph, its own frequency is used.",
                           "Spectrometer Frequency", FormatNumber(now, decSep_));
    if (!answer) return;
    const std::optional<double> mhz = analysis::ParseSpectrometerMHz(*answer);
    if (!mhz) {
        dialogs_->MessageBox("Spectrometer Frequency",
                             "\"" + *answer + "\" is not a spectrometer frequency: give a number of MHz from 1 to 10000.",
                             MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    textMHz_ = *mhz;
}

}  // namespace quble
