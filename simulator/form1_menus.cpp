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

// ---------------------------------------------------------------- graph

void Form1::Slider1_Change(int value) {
    if (session_.Slider1(value)) CalcFirstPlot();
}
void Form1::Slider2_Change(int value) {
    if (quble::Slider2_Change(plot_, value)) CalcFirstPlot();
}
void Form1::Slider3_Change(int value) {
    if (quble::Slider3_Change(plot_, value)) CalcFirstPlot();
}

std::optional<std::string> Form1::RunForm3() {
    if (!form3_) form3_ = new Form3(this, dialogs_, [this] { LinBlack(); });
    return form3_->ShowModal();
}

void Form1::Picture1_DblClick() {
    if (!session_.HasGraph()) return;
    const auto hit = FindBranchAt(plot_, sim_, picture1_->lastX(), picture1_->lastY());
    if (!hit) return;
    const auto chosen = chooseBranchColor ? chooseBranchColor() : RunForm3();
    if (!chosen) return;
    const auto colour = ParseColorText(*chosen);
    if (!colour) return;
    RecolourBranch(sim_, hit->h, hit->level, hit->branch, *colour);
    PlotFinal();
}

void Form1::Label8_DblClick() {
    const auto answer =
        dialogs_->InputBox("Enter the title for this spectrum", "Spectrum Title", plot_.Label8.caption);
    if (!answer || answer->empty() || *answer == plot_.Label8.caption) return;
    plot_.Label8.caption = *answer;
    PlotFinal();
}

void Form1::Label9_DblClick(int index) {
    if (index < 0 || index >= kMaxHydrogens) return;
    const auto answer =
        dialogs_->InputBox("Enter the title for this hydrogen", "Hydrogen Title", plot_.Label9[index].caption);
    if (!answer || answer->empty() || *answer == plot_.Label9[index].caption) return;
    plot_.Label9[index].caption = *answer;
    Label14[index]->setText(Q(*answer) + ":");
    Label1[index]->setText("For " + Q(*answer) + ":");
    PlotFinal();
}

void Form1::Label6_Click(int index) {
    if (index < 0 || index >= static_cast<int>(swatchColors_.size())) return;
    plot_.options.IndPeakColor = swatchColors_[index];
    PlotFinal();
}

// ---------------------------------------------------------------- menus

void Form1::mnuSplitDia_Click() {
    ViewTicks& v = plot_.view;
    const bool on = !v.mnuSplitDia;
    v.mnuSplitDia = on;
    v.mnuJLabels = on;
    v.mnuJLabelsEnabled = on;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuJLabels_Click() {
    plot_.view.mnuJLabels = !plot_.view.mnuJLabels;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuHistogram_Click() {
    plot_.view.mnuHistogram = !plot_.view.mnuHistogram;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuPeakLabels_Click() {
    plot_.view.mnuPeakLabels = !plot_.view.mnuPeakLabels;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuGaussianIndPeak_Click() {
    plot_.view.mnuGaussianIndPeak = !plot_.view.mnuGaussianIndPeak;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuGaussianEnv_Click() {
    plot_.view.mnuGaussianEnv = !plot_.view.mnuGaussianEnv;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuViewExpSp_Click() {
    plot_.view.mnuViewExpSp = !plot_.view.mnuViewExpSp;
    SyncViewMenu();
    CalcFirstPlot();
}

void Form1::mnuLineWidth_Click(int width) {
    if (width < 1 || width > 3) return;
    QAction* own = Action(QString("mnuLineWidth%1").arg(width));
    if (own->isChecked()) return;
    for (int w = 1; w <= 3; ++w) Action(QString("mnuLineWidth%1").arg(w))->setChecked(w == width);
    plot_.options.EnvLineWidth = width;
    PlotFinal();
}

void Form1::mnuPointSize_Click(float radius) {
    const std::array<std::pair<const char*, float>, 4> sizes{
        {{"mnuPointSize1", 1.0f}, {"mnuPointSize1_5", 1.5f}, {"mnuPointSize2", 2.0f}, {"mnuPointSize2_5", 2.5f}}};
    bool known = false;
    for (const auto& [name, r] : sizes) {
        Action(name)->setChecked(r == radius);
        known = known || r == radius;
    }
    if (!known) return;
    for (int w = 1; w <= 3; ++w) Action(QString("mnuLineEx%1").arg(w))->setChecked(false);
    plot_.options.ExpAsPoints = true;
    plot_.options.ExpPointRadius = radius;
    CalcFirstPlot();
}

void Form1::mnuLineEx_Click(int width) {
    if (width < 1 || width > 3) return;
    if (Action(QString("mnuLineEx%1").arg(width))->isChecked()) return;
    for (const char* name : {"mnuPointSize1", "mnuPointSize1_5", "mnuPointSize2", "mnuPointSize2_5"}) {
        Action(name)->setChecked(false);
    }
    for (int w = 1; w <= 3; ++w) Action(QString("mnuLineEx%1").arg(w))->setChecked(w == width);
    plot_.options.ExpAsPoints = false;
    plot_.options.ExpLineWidth = width;
    CalcFirstPlot();
}

void Form1::mnuLorGauEnvColor_Click() {
    if (auto c = dialogs_->ChooseColor(plot_.options.EnvColor)) {
        plot_.options.EnvColor = *c;
        plot_.options.PeakLabelColor = *c;
        PlotFinal();
    }
}

void Form1::mnuGaussianIndPeaks_Click() {
    if (auto c = dialogs_->ChooseColor(plot_.options.IndPeakColor)) {
        plot_.options.IndPeakColor = *c;
        PlotFinal();
    }
}

void Form1::mnuExpSpCol_Click() {
    if (auto c = dialogs_->ChooseColor(plot_.options.ExpColor)) {
        plot_.options.ExpColor = *c;
        PlotFinal();
    }
}

void Form1::mnuSplitDiagra_Click() {
    const std::string crlf = "\r\n";
    dialogs_->MessageBox("Splitting Diagram Color",
                         "To change the colors of the splitting" + crlf + "diagram lines, double click over one" +
                             " of the vertical lines; a color palette" + crlf + "will be shown. Choose a color and" +
                             " click OK." + crlf + "All lines derived from the original" +
                             " one will take the chosen color.",
                         MsgButtons::Ok, MsgIcon::Information);
}

}  // namespace quble
