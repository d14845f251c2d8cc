#include "simulator/form1_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "examples/program_folder.h"
#include "platform/formula_image.h"
#include "platform/picture_export_dialog.h"
#include "platform/qpainter_surface.h"
#include "platform/qt_dialogs.h"
#include "simulator/form3_dialog.h"
#include "simulator/input_rules.h"
#include "simulator/simulator_picture.h"
#include "simulator/form1_internal.h"

namespace quble {

using namespace form1detail;

// ---------------------------------------------------------------- input

void Form1::Text2_KeyPress(int keyAscii) {
    if (keyAscii != 13) return;
    StopBlinking();
    ResetTitles();
    const int nh = session_.EnterHydrogenCount(S(Text2->text()));
    Text2->setText(QString::number(nh));

    Frame2->hide();
    for (int i = 0; i < kMaxHydrogens; ++i) {
        Text1[i]->hide();
        Label1[i]->hide();
        Label15[i]->hide();
        Label14[i]->hide();
        Text6[i]->hide();
        Label16[i]->hide();
        for (QLineEdit* b : jBox_[i]) b->hide();
    }
    for (QLabel* l : Label4) l->hide();

    for (int i = 0; i < nh; ++i) {
        Text1[i]->show();
        Text1[i]->setText("0");
        Label1[i]->show();
    }
    for (int i = 0; i < nh; ++i) {
        Label14[i]->show();
        Text6[i]->show();
        Label16[i]->show();
    }
    SetFrameRows(nh);
    Frame2->show();
    FocusAndSelect(Text6[0]);
}

void Form1::Text6_KeyPress(int index, int keyAscii) {
    if (keyAscii != 13 || index < 0 || index >= kMaxHydrogens) return;
    sim_.CurH = index + 1;
    // A text that is no number stays as typed; the calculation names it.
    if (auto v = ParseLocaleNumber(S(Text6[index]->text()), decSep_)) {
        const float shift = static_cast<float>(*v);
        Text6[index]->setText(Q(FormatNumber(shift, decSep_)));
    }
    const int nh = session_.NH();
    if (session_.EnterShift(index + 1).kind == FocusTarget::Kind::Shift) {
        FocusAndSelect(Text6[index + 1], !sim_.Calculating);
        return;
    }
    float hi = 0.0f, lo = 0.0f;
    bool any = false;
    for (int i = 0; i < nh; ++i) {
        auto v = ParseLocaleNumber(S(Text6[i]->text()), decSep_);
        if (!v) continue;
        const float s = static_cast<float>(*v);
        hi = any ? std::max(hi, s) : s;
        lo = any ? std::min(lo, s) : s;
        any = true;
    }
    if (any) list2_ << "AvChemShift=" + Q(FormatNumber((hi + lo) / 2.0f, '.'));
    Frame1->show();
    for (int j = 0; j < nh; ++j) {
        Text1[j]->show();
        Label1[j]->show();
    }
    if (!sim_.Calculating) FocusAndSelect(Text1[0]);
}

void Form1::Text1_KeyPress(int index, int keyAscii) {
    if (keyAscii != 13 || index < 0 || index >= kMaxHydrogens) return;
    const int h = index + 1;
    sim_.CurH = h;
    const FocusTarget next = session_.EnterJCount(h, S(Text1[index]->text()));
    const int nj = session_.NJ(h);
    Text1[index]->setText(QString::number(nj));

    for (QLineEdit* b : jBox_[index]) b->hide();
    if (h == 1) {
        for (QLabel* l : Label4) l->hide();
    }
    for (int r = 0; r < h; ++r) Label15[r]->show();
    for (int k = 0; k < nj; ++k) {
        jBox_[index][k]->show();
        Label4[k]->show();
    }

    if (sim_.Calculating) return;
    ApplyFocus(next, true);
}

void Form1::ApplyFocus(const FocusTarget& t, bool allowFocus) {
    switch (t.kind) {
        case FocusTarget::Kind::Shift: FocusAndSelect(Text6.at(t.h - 1), allowFocus); break;
        case FocusTarget::Kind::JCount: FocusAndSelect(Text1.at(t.h - 1), allowFocus); break;
        case FocusTarget::Kind::JBox: FocusAndSelect(JBox(t.h, t.k), allowFocus); break;
        case FocusTarget::Kind::Calculate:
            EnableGoButtons(true);
            Command1_Click();
            break;
        case FocusTarget::Kind::None: break;
    }
}

// The J boxes and their column headers as a layout of counts shows them.
void Form1::ApplyJLayout(const JLayout& l) {
    for (int h = 1; h <= kMaxHydrogens; ++h) {
        const bool used = h <= l.NH;
        Label15[h - 1]->setVisible(used);
        for (int k = 1; k <= kMaxJ; ++k) jBox_[h - 1][k - 1]->setVisible(used && k <= l.counts[h]);
    }
    const int headers = l.headerCount();
    for (int k = 1; k <= kMaxJ; ++k) Label4[k - 1]->setVisible(k <= headers);
}

void Form1::JBox_KeyPress(int h, int index, int keyAscii) {
    if (keyAscii != 13 || h < 1 || h > kMaxHydrogens || index < 0 || index >= kMaxJ) return;
    sim_.CurH = h;
    ApplyFocus(session_.EnterJ(h, index + 1), true);
}

void Form1::TextH1_KeyPress(int index, int keyAscii) { JBox_KeyPress(1, index, keyAscii); }
void Form1::TextH2_KeyPress(int index, int keyAscii) { JBox_KeyPress(2, index, keyAscii); }
void Form1::TextH3_KeyPress(int index, int keyAscii) { JBox_KeyPress(3, index, keyAscii); }
void Form1::TextH4_KeyPress(int index, int keyAscii) { JBox_KeyPress(4, index, keyAscii); }

void Form1::Text3_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command1_Click();
}

void Form1::Text4_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command1_Click();
}

void Form1::Text2_Change() {
    if (quiet_) return;
    Frame1->hide();
    Frame2->hide();
    for (int i = 0; i < kMaxHydrogens; ++i) {
        for (QLineEdit* b : jBox_[i]) b->hide();
        Label15[i]->hide();
    }
    for (QLabel* l : Label4) l->hide();
    EnableGoButtons(false);
}

void Form1::Text1_Change(int) {
    if (quiet_) return;
    sim_.ExpPresent = false;
}

void Form1::Text6_Change(int index) { RepairBox(Text6.at(index)); }
void Form1::TextH_Change(int h, int index) { RepairBox(jBox_.at(h - 1).at(index)); }
void Form1::Text3_Change() { RepairBox(Text3); }
void Form1::Text4_Change() { RepairBox(Text4); }

// ---------------------------------------------------------------- calculation

void Form1::Command1_Click() {
    // A residual belongs to the values it was fitted with.
    ClearFitResidual(plot_.exp);
    SimulationInput in = ReadBoxes();
    CalcOutcome done = session_.Calculate(in);
    if (done.error) {
        ShowInputError(*done.error);
        return;
    }
    // Show the values used, without treating the write-back as an edit.
    SetTextQuiet(Text3, in.Text3);
    SetTextQuiet(Text4, in.Text4);
    for (int i = 0; i < sim_.NH; ++i) {
        SetTextQuiet(Text6[i], in.Text6[i]);
        SetTextQuiet(Text1[i], in.Text1[i]);
    }
    ApplyJLayout(done.layout);
    EnableGoButtons(true);
    Redraw(true);
    plot_.Slider2.react = plot_.Slider3.react = true;
    SyncSliders();

    picture1_->show();
    if (IsActiveForm()) picture1_->setFocus(Qt::OtherFocusReason);
    emit calculationDone();
}

void Form1::mnuLorentzian_Click() {
    SetShapeTicks(LineShape::Lorentzian);
    Frame3->hide();
    HighlightShape(0);
    Command1_Click();
    plot_.Label12.caption = SimulatorSession::ShapeCaption(LineShape::Lorentzian, sim_.Slider4);
    PlotFinal();
}

void Form1::mnuGaussian_Click() {
    SetShapeTicks(LineShape::Gaussian);
    Frame3->hide();
    HighlightShape(1);
    Command1_Click();
    plot_.Label12.caption = SimulatorSession::ShapeCaption(LineShape::Gaussian, sim_.Slider4);
    PlotFinal();
}

void Form1::mnuLorGauss_Click() {
    SetShapeTicks(LineShape::Mixed);
    HighlightShape(2);
    {
        const QSignalBlocker block(Slider4);
        Slider4->setValue(50);
    }
    sim_.Slider4 = 50;
    plot_.Label12.caption = SimulatorSession::MixCaption(50);
    Frame3->show();
    Command1_Click();
}

void Form1::Slider4_Change(int value) {
    value = std::clamp(value, 0, 100);
    if (Slider4->value() != value) {
        const QSignalBlocker block(Slider4);
        Slider4->setValue(value);
    }
    sim_.Slider4 = value;
    // The recalculation hands the focus to the graph; a slider driven by
    // the arrow keys must keep it for the next press.
    const bool driven = Slider4->hasFocus();
    Command1_Click();
    SetMixCaption(value);
    PlotFinal();
    if (driven) Slider4->setFocus(Qt::OtherFocusReason);
}

void Form1::RunLineShapeHandler(const std::string& name) {
    if (name == "mnuGaussian_Click") {
        mnuGaussian_Click();
    } else if (name == "mnuLorentzian_Click") {
        mnuLorentzian_Click();
    } else if (name == "mnuLorGauss_Click") {
        mnuLorGauss_Click();
    }
}

void Form1::Timer2_Timer() {
    Timer2->stop();
    RunLineShapeHandler(lineShapeHandler_);
    Command1_Click();
}

void Form1::TimerLorentzian_Timer() {
    TimerLorentzian->stop();
    mnuLorentzian_Click();
}

void Form1::TimerLorGauss_Timer() {
    TimerLorGauss->stop();
    mnuLorGauss_Click();
}

void Form1::Timer7_Timer() {
    Timer7->stop();
    const int v = std::clamp(static_cast<int>(RoundHalfEven(mixPercent_)), 0, 100);
    {
        const QSignalBlocker block(Slider4);
        Slider4->setValue(v);
    }
    sim_.Slider4 = v;
    SetMixCaption(v);
    Frame3->show();
    Command1_Click();
}

}  // namespace quble
