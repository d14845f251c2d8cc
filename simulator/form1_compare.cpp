// The simulator window's side of the comparison: the opening road from the
// simulator, the transfer of an experimental spectrum onto the graph, the
// marking mode with its cursor and panel, and the match verification. The
// arithmetic lives in the session; this file wires events to it and shows
// its answers.
#include "simulator/form1_window.h"

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "simulator/form1_internal.h"
#include "simulator/input_rules.h"

namespace quble {

using namespace form1detail;

void Form1::BuildComparisonControls(QWidget* central) {
    // The marking panel: shown whenever marking starts, hidden when it ends.
    Frame4 = new QGroupBox("Peaks Marked", central);
    Frame4->setObjectName("Frame4");
    Frame4->setGeometry(584, 60, 190, 118);
    List3 = new QListWidget(Frame4);
    List3->setObjectName("List3");
    List3->setGeometry(6, 18, 110, 94);
    List3->setToolTip("The experimental peaks marked so far (click a marked peak again to erase it)");
    Command3 = new QPushButton("OK", Frame4);
    Command3->setObjectName("Command3");
    Command3->setGeometry(122, 86, 62, 26);
    Command3->setEnabled(false);
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    Frame4->hide();

    connect(picture1_, &GraphBoxBase::mouseDown, this, [this](int button, int, double, double) { Picture1_MouseDown(button); });
}

void Form1::BuildComparisonMenu() {
    QMenu* compare = menuBar()->addMenu("Co&mpare");
    compare->setObjectName("mnuCompare");
    auto add = [this, compare](const QString& name, const QString& caption, std::function<void()> handler) {
        QAction* a = compare->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, std::move(handler));
        return a;
    };
    QAction* mark = add("mnuMarkPeaks", "&Mark Experimental Peaks", [this] {
        // The handler sets the tick itself.
        Action("mnuMarkPeaks")->setChecked(!Action("mnuMarkPeaks")->isChecked());
        mnuMarkPeaks_Click();
    });
    mark->setCheckable(true);
    mark->setEnabled(false);
    add("mnuVerifyMatch", "&Verify Match", [this] { mnuVerifyMatch_Click(); })->setEnabled(false);
    add("mnuMatchDetails", "Match &Details...", [this] { mnuMatchDetails_Click(); })->setEnabled(false);
}

void Form1::SyncComparisonMenu() {
    const bool exp = sim_.ExpPresent;
    Action("mnuMarkPeaks")->setEnabled(exp && session_.HasGraph());
    Action("mnuVerifyMatch")->setEnabled(exp && session_.HasGraph());
    Action("mnuMatchDetails")->setEnabled(!list1_.isEmpty());
    if (frame_.enableMarkButton) frame_.enableMarkButton(exp && session_.HasGraph());
    SyncFitMenu();
}

// ---------------------------------------------------------------- opening

void Form1::mnuOpenExpSpec_Click() {
    if (!frame_.openExperimental) return;
    if (frame_.showExperimentalWindow) frame_.showExperimentalWindow();
    OpeningChoice choice = openingChoice_;
    if (ShowOpeningOptions_) {
        const std::optional<OpeningChoice> answer = dialogs_->OpeningOptions(openingChoice_);
        if (!answer) {
            ReturnToSimulatorLater(false);
            return;
        }
        choice = *answer;
        openingChoice_ = choice;
        if (choice.checkClicked) {
            // Lasts across starts: the settings file's last line.
            SaveShowOpeningOptions(!choice.dontShowAgain);
            if (onShowOpeningOptionsChanged) onShowOpeningOptionsChanged(ShowOpeningOptions_);
        }
    }
    const bool autoTms = choice.OpeningMode == 1 ? true : choice.OpeningMode == 2 ? false : choice.AutoAdjustTMS;
    const bool opened = frame_.openExperimental(autoTms);
    if (!opened) {
        // Abandoned or refused: nothing changed, back to the simulator.
        ReturnToSimulatorLater(false);
        return;
    }
    if (choice.OpeningMode == 3) return;
    ReturnToSimulatorLater(true);
}

void Form1::ReturnToSimulatorLater(bool transfer) {
    transferOnReturn_ = transfer;
    TimerReturn->start();
}

void Form1::TimerReturn_Timer() {
    TimerReturn->stop();
    if (transferOnReturn_ && frame_.transferExperimental) {
        // The experimental window hands its copies over and brings the
        // simulator back; ReceiveExperimentalData runs the transfer.
        frame_.transferExperimental();
        return;
    }
    mnuSimul_Click();
}

// ---------------------------------------------------------------- transfer

void Form1::ReceiveExperimentalData(std::int32_t nPontExp, std::vector<double> expXnmrHz,
                                    std::vector<std::int32_t> expYgraf) {
    session_.ReceiveExperimental(nPontExp, std::move(expXnmrHz), std::move(expYgraf));
    ++transfers_;
    TransfAdjustExpData();
}

void Form1::TransfAdjustExpData() {
    if (session_.MarkingOn()) mnuMarkPeaks_Click();
    list1_.clear();
    if (std::optional<SessionMessage> refused = session_.TransfAdjustExpData()) {
        DetachExperimental();
        dialogs_->MessageBox(refused->title, refused->text, MsgButtons::Ok, MsgIcon::Warning);
        PlotFinal();
        SyncComparisonMenu();
        return;
    }
    mnuPointSize->setEnabled(true);
    Action("mnuExpSpCol")->setEnabled(true);
    plot_.options.PeakLabelColor = plot_.options.EnvColor;
    Command1_Click();
    SyncComparisonMenu();
}

// ---------------------------------------------------------------- marking

// full: the view carries the cursor and the frame's labels (a start, an end
// or a mouse move); a click only answers for the list, OK and redraw.
void Form1::ApplyMarking(const MarkingView& v, bool full) {
    const bool on = session_.MarkingOn();
    Action("mnuMarkPeaks")->setChecked(on);
    if (full) {
        picture1_->SetCursorLine(v.cursorVisible, v.cursorX, v.cursorColor, v.cursorWidth);
        if (v.crossPointer) {
            picture1_->setCursor(Qt::CrossCursor);
        } else if (!on) {
            picture1_->unsetCursor();
        }
        if (frame_.showMarking) {
            FrameMarking m;
            m.on = on;
            m.label1Visible = v.label1Visible;
            m.label2Visible = v.label2Visible;
            m.label3Visible = v.label3Visible;
            m.label1Text = v.label1Text;
            m.label3Text = v.label3Text;
            m.label3Colour = v.label3Color;
            frame_.showMarking(m);
        }
    }
    if (v.listChanged) {
        List3->clear();
        for (const std::string& t : v.markedList) List3->addItem(Q(t));
    }
    Command3->setEnabled(v.okEnabled);
    if (!v.messageTitle.empty()) {
        dialogs_->MessageBox(v.messageTitle, v.messageText, MsgButtons::Ok, MsgIcon::Critical);
    }
    if (v.hidePanel || !on) Frame4->hide();
    if (v.redraw) CalcFirstPlot();
}

void Form1::mnuMarkPeaks_Click() {
    if (!session_.MarkingOn() && !session_.HasGraph()) {
        Action("mnuMarkPeaks")->setChecked(false);
        return;
    }
    const bool starting = !session_.MarkingOn();
    const MarkingView v = session_.ToggleMarking();
    if (starting) {
        // Shown at every start, so the marks and OK are never out of reach.
        Frame4->show();
        Frame4->raise();
    }
    ApplyMarking(v, true);
}

void Form1::Picture1_MouseMove() {
    if (!session_.MarkingOn()) {
        picture1_->SetCursorLine(false);
        picture1_->unsetCursor();
        return;
    }
    ApplyMarking(session_.MarkingMouseMove(picture1_->lastX()), true);
}

void Form1::Picture1_MouseDown(int button) {
    if (!session_.MarkingOn()) return;
    const MarkingView v = session_.MarkingMouseDown(button == 2);
    // A right click away from a peak ends the mode: that view is a full one.
    ApplyMarking(v, !session_.MarkingOn());
}

void Form1::Command3_Click() {
    ApplyMarking(session_.MarkingOk(), true);
}

// ---------------------------------------------------------------- verification

void Form1::mnuVerifyMatch_Click() {
    const MatchResult m = session_.VerifyMatch();
    if (!m.ran) return;
    list1_.clear();
    for (const std::string& line : m.List1) list1_ << Q(line);
    SyncComparisonMenu();
    if (m.match) {
        dialogs_->MessageBox("Match", "The experimental spectrum matches the simulated one.\r\nMatchSumMin = " +
                                          FormatNumber(m.MatchSumMin, decSep_) +
                                          " (below 10 is a match; lower is closer).\r\n\r\n"
                                          "Compare > Match Details... lists the scores.",
                             MsgButtons::Ok, MsgIcon::Information);
    } else if (m.showNoMatch) {
        dialogs_->MessageBox(m.title, m.text, MsgButtons::Ok, MsgIcon::Critical);
    }
}

void Form1::mnuMatchDetails_Click() {
    if (list1_.isEmpty()) return;
    if (!matchDetails_) {
        matchDetails_ = new QDialog(this);
        matchDetails_->setObjectName("frmMatchDetails");
        matchDetails_->setWindowTitle("Match Details");
        auto* column = new QVBoxLayout(matchDetails_);
        auto* text = new QPlainTextEdit(matchDetails_);
        text->setObjectName("List1");
        text->setReadOnly(true);
        column->addWidget(text);
        auto* close = new QPushButton("Close", matchDetails_);
        connect(close, &QPushButton::clicked, matchDetails_, &QDialog::close);
        column->addWidget(close, 0, Qt::AlignRight);
        matchDetails_->resize(320, 300);
    }
    matchDetails_->findChild<QPlainTextEdit*>("List1")->setPlainText(list1_.join("\n"));
    matchDetails_->show();
    matchDetails_->raise();
}

}  // namespace quble
