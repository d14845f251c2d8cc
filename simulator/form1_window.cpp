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

// ---------------------------------------------------------------- GraphBox

GraphBox::GraphBox(QWidget* parent)
    : GraphBoxBase(parent, QSize(kGraphWidth, kGraphHeight), {.scaleWidth = 0.0, .antialiased = true}) {
    setObjectName("Picture1");
    SetResizable(QSize(kGraphWidth, kGraphHeight));
}

void GraphBox::paintEvent(QPaintEvent* e) {
    GraphBoxBase::paintEvent(e);
    if (!cursorVisible_) return;
    QPainter p(this);
    const double px = cursorX_ * width() / ScaleWidth();
    p.setPen(QPen(ToQColor(cursorColour_), cursorWidth_));
    p.drawLine(QPointF(px, 0), QPointF(px, height()));
}

void GraphBox::SetCursorLine(bool visible, double x, ColorRef colour, int width) {
    if (visible == cursorVisible_ && (!visible || (x == cursorX_ && colour == cursorColour_ && width == cursorWidth_)))
        return;
    cursorVisible_ = visible;
    cursorX_ = x;
    cursorColour_ = colour;
    cursorWidth_ = width;
    update();
}

// ---------------------------------------------------------------- helpers

void Form1::SetBack(QWidget* w, ColorRef c) {
    QPalette pal = w->palette();
    const QColor q = ToQColor(c);
    pal.setColor(QPalette::Base, q);
    pal.setColor(QPalette::Window, q);
    w->setPalette(pal);
}

void Form1::SetTextQuiet(QLineEdit* box, const std::string& text) {
    const bool was = quiet_;
    quiet_ = true;
    box->setText(Q(text));
    quiet_ = was;
}

void Form1::RepairBox(QLineEdit* box) {
    if (quiet_) return;
    const std::string text = S(box->text());
    const std::string repaired = RepairSeparator(text, decSep_);
    if (repaired == text) return;
    box->setText(Q(repaired));  // a second change finds nothing left to repair
    box->setCursorPosition(static_cast<int>(box->text().size()));
}

bool Form1::IsActiveForm() const {
    const QWidget* top = window();
    if (!top || !top->isActiveWindow()) return false;
    for (QWidget* p = parentWidget(); p; p = p->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) {
            QMdiArea* area = sub->mdiArea();
            return !area || area->activeSubWindow() == sub;
        }
    }
    return true;
}

void Form1::FocusAndSelect(QLineEdit* box, bool allowFocus) {
    box->selectAll();
    if (allowFocus && IsActiveForm()) box->setFocus(Qt::OtherFocusReason);
}

void Form1::ResetTitles() {
    session_.ResetTitles();
    for (int i = 0; i < kMaxHydrogens; ++i) {
        const QString h = QString("H%1").arg(i + 1);
        Label14[i]->setText(h + ":");
        Label1[i]->setText("For " + h + ":");
        Label15[i]->setText(h + ":");
    }
}

void Form1::PaintPrompt(bool yellow) {
    text2Back_ = yellow ? kBlinkYellow : savedTextBack_;
    label13Back_ = yellow ? kBlinkYellow : savedLabelBack_;
    SetBack(Text2, text2Back_);
    SetBack(Label13, label13Back_);
}

void Form1::StopBlinking() {
    Timer4->stop();
    Timer5->stop();
    if (text2Back_ == kBlinkYellow) PaintPrompt(false);
    blinking_ = false;
}

void Form1::EnableGoButtons(bool on) {
    Command1[0]->setEnabled(on);
    Command1[1]->setEnabled(on);
    if (frame_.enableGoButton) frame_.enableGoButton(on);
}

void Form1::HighlightShape(int index) {
    if (frame_.highlightShapeButton) frame_.highlightShapeButton(index);
}

void Form1::SetShapeTicksRaw(const LineShapeTicks& t) {
    sim_.ticks = t;  // the session's simulation state
    if (auto* a = Action("mnuLorentzian")) a->setChecked(t.mnuLorentzian);
    if (auto* a = Action("mnuGaussian")) a->setChecked(t.mnuGaussian);
    if (auto* a = Action("mnuLorGauss")) a->setChecked(t.mnuLorGauss);
}

void Form1::SetShapeTicks(LineShape shape) { SetShapeTicksRaw(TicksFor(shape)); }

void Form1::SetMixCaption(int value) { plot_.Label12.caption = SimulatorSession::MixCaption(value); }

void Form1::SyncViewMenu() {
    const ViewTicks& v = plot_.view;
    const std::array<std::pair<const char*, bool>, 7> ticks{{{"mnuSplitDia", v.mnuSplitDia},
                                                             {"mnuJLabels", v.mnuJLabels},
                                                             {"mnuHistogram", v.mnuHistogram},
                                                             {"mnuGaussianIndPeak", v.mnuGaussianIndPeak},
                                                             {"mnuPeakLabels", v.mnuPeakLabels},
                                                             {"mnuGaussianEnv", v.mnuGaussianEnv},
                                                             {"mnuViewExpSp", v.mnuViewExpSp}}};
    for (const auto& [name, on] : ticks) {
        if (auto* a = Action(name)) a->setChecked(on);
    }
    if (auto* a = Action("mnuJLabels")) a->setEnabled(v.mnuJLabelsEnabled);
    if (auto* a = Action("mnuPeakLabels")) a->setEnabled(v.mnuPeakLabelsEnabled);
}

void Form1::SyncSliders() {
    const std::array<std::pair<QSlider*, const ScaleSlider*>, 3> pairs{
        {{Slider1w, &plot_.Slider1}, {Slider2w, &plot_.Slider2}, {Slider3w, &plot_.Slider3}}};
    for (auto [w, s] : pairs) {
        const QSignalBlocker block(w);
        w->setRange(s->min, std::max(s->min, s->max));
        w->setValue(s->value);
    }
}

void Form1::Redraw(bool recomputeCoordinates) {
    if (!session_.HasGraph()) return;
    picture1_->Draw([this, recomputeCoordinates](DrawingSurface& s) { session_.Draw(s, recomputeCoordinates); });
}

void Form1::CalcFirstPlot() { Redraw(true); }
void Form1::PlotFinal() { Redraw(false); }
void Form1::LinBlack() { quble::LinBlack(sim_); }

void Form1::DetachExperimental() {
    if (session_.MarkingOn()) ApplyMarking(session_.ToggleMarking(), true);
    session_.DetachExperimental();
    ClearFitResidual(plot_.exp);
    list1_.clear();
    SyncComparisonMenu();
    mnuPointSize->setEnabled(false);
    Action("mnuExpSpCol")->setEnabled(false);
}

SimulationInput Form1::ReadBoxes() const {
    SimulationInput in;
    in.Text2 = S(Text2->text());
    for (int i = 0; i < kMaxHydrogens; ++i) {
        in.Text6[i] = S(Text6[i]->text());
        in.Text1[i] = S(Text1[i]->text());
        for (int k = 0; k < kMaxJ; ++k) in.JText[i][k] = S(jBox_[i][k]->text());
        in.HydrogenName[i] = plot_.Label9[i].caption;
    }
    in.Text3 = S(Text3->text());
    in.Text4 = S(Text4->text());
    in.DecSep = decSep_;
    return in;
}

QLineEdit* Form1::NamedBox(const std::string& box, int index) const {
    if (box == "Text6") return Text6.at(index);
    if (box == "Text1") return Text1.at(index);
    if (box == "Text3") return Text3;
    if (box == "Text4") return Text4;
    if (box == "Text2") return Text2;
    if (box.size() == 6 && box.rfind("TextH", 0) == 0) {
        const int h = box[5] - '0';
        if (h >= 1 && h <= kMaxHydrogens && index >= 0 && index < kMaxJ) return jBox_[h - 1][index];
    }
    return nullptr;
}

void Form1::ShowInputError(const InputError& e) {
    dialogs_->MessageBox("Not a Number", e.message, MsgButtons::Ok, MsgIcon::Warning);
    if (QLineEdit* box = NamedBox(e.box, e.index)) {
        box->setVisible(true);
        box->setFocus(Qt::OtherFocusReason);
        box->selectAll();
    }
}

// ---------------------------------------------------------------- events

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        LayOutGraphArea();
        return false;
    }
    if (watched == centralWidget() && event->type() == QEvent::FontChange && inputRow_) {
        // A new font sizes the input area again; the graph follows it.
        SizeInputs();
        SetFrameRows(frameRows_);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            if (watched == Text2) return Text2_KeyPress(13), true;
            if (watched == Text3) return Text3_KeyPress(13), true;
            if (watched == Text4) return Text4_KeyPress(13), true;
            for (int i = 0; i < kMaxHydrogens; ++i) {
                if (watched == Text6[i]) return Text6_KeyPress(i, 13), true;
                if (watched == Text1[i]) return Text1_KeyPress(i, 13), true;
                for (int k = 0; k < kMaxJ; ++k) {
                    if (watched == jBox_[i][k]) return JBox_KeyPress(i + 1, k, 13), true;
                }
            }
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < static_cast<int>(Label6.size()); ++i) {
            if (watched == Label6[i]) return Label6_Click(i), true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the simulator ends the program, as Exit does.
    event->accept();
    mnuExit_Click();
}

// ---------------------------------------------------------------- load

void Form1::Form_Load() {
    // Picture files: added with the picture export.
    ArrangeExamples();

    InitPlotGeometry(plot_, picture1_->ScaleHeight(), picture1_->ScaleWidth());
    image1_->SetUnitsPerPixel(1.0, 1.0);

    for (auto& row : jBox_) {
        for (QLineEdit* b : row) {
            SetTextQuiet(b, "0");
            b->hide();
        }
    }
    for (QLabel* l : Label4) l->hide();
    for (auto& l : plot_.Label9) l.visible = false;
    SetTextQuiet(Text1[0], "1");

    session_.ResetSequence();
    sim_.NPeakPts = 30;
    sim_.Res = 0.5f;

    const QLocale locale;
    decSep_ = DecSepFromFormattedHalf(S(locale.toString(0.5f)));
    plot_.DecSep = decSep_;
    session_.decSep = decSep_;
    session_.ResetBranchColours();
    SetTextQuiet(Text3, FormatNumber(0.1f, decSep_));
    SetTextQuiet(Text4, "1");

    plot_.Slider1.react = plot_.Slider2.react = plot_.Slider3.react = true;
    SyncSliders();

    // Settings: the built-in defaults, then what the settings file keeps.
    OrigSet();
    ReadIni();

    AutoStart();
}

// The program folder is chosen once per run, and the shipped examples are
// sorted into their tree on the first start. A failure is told once; the
// arrangement never deletes or overwrites a file, so nothing is lost and the
// next start tries again.
void Form1::ArrangeExamples() {
    std::string problems;
    const std::filesystem::path exeDir = QCoreApplication::applicationDirPath().toStdString();
    if (programFolder_.empty()) {
        ProgramFolderChoice choice = quble::ProgramFolder(exeDir);
        programFolder_ = choice.folder;
        if (!choice.error.empty()) problems += choice.error;
    }
    if (std::optional<ArrangeResult> r = PrepareExamples(programFolder_, InstalledDataFolders(exeDir)); r && !r->ok) {
        if (!problems.empty()) problems += "\n";
        problems += r->error;
    }
    if (problems.empty() || arrangementTold_) return;
    arrangementTold_ = true;
    std::string text = "The example files could not be arranged in the folder";
    text += "\r\n" + (programFolder_ / kExamplesFolder).string() + ":\r\n";
    for (char c : problems) {
        if (c == '\n') {
            text += "\r\n";
        } else {
            text += c;
        }
    }
    dialogs_->MessageBox("Examples", text, MsgButtons::Ok, MsgIcon::Warning);
}

void Form1::OrigSet() {
    plot_.view = ViewTicks{};
    SyncViewMenu();
    lineShapeHandler_ = "mnuGaussian_Click";
    DrawOptions& o = plot_.options;
    o.IndPeakColor = swatchColors_[1];
    o.EnvColor = 255;
    o.PeakLabelColor = 255;
    o.ExpColor = 16711680;
    o.ExpAsPoints = true;
    o.ExpLineWidth = 1;
    o.EnvLineWidth = 1;
    o.ExpPointRadius = 1.5f;
    o.BackColorIndex = 0;
    o.Grid = true;
    o.GridColorCode = 19;
    ShowOpeningOptions_ = true;
    for (int w = 1; w <= 3; ++w) Action(QString("mnuLineWidth%1").arg(w))->setChecked(w == 1);
    HighlightShape(1);
    PlotFinal();
}

void Form1::AutoStart() {
    if (const ExampleSet* ex = FindExample("Example 1/H7")) {
        // The start-up example keeps the width already in the box.
        ExampleSet startUp = *ex;
        startUp.width.clear();
        LoadExample(startUp);
    }
}

void Form1::LoadExample(const ExampleSet& ex) {
    DetachExperimental();
    // Colours chosen for the previous example's tree are not this one's.
    session_.ResetBranchColours();
    StopBlinking();
    if (!ex.width.empty()) Text4->setText(Q(WithSeparator(ex.width, decSep_)));

    const int nh = static_cast<int>(ex.hydrogens.size());
    Text2->setText(QString::number(nh));
    Text2_KeyPress(13);

    ExamplePictureAdd((programFolder_ / ex.picturePath).string());

    plot_.Label8.caption = ex.title;
    for (int i = 0; i < nh && i < kMaxHydrogens; ++i) {
        const QString name = Q(ex.hydrogens[i].name);
        plot_.Label9[i].caption = ex.hydrogens[i].name;
        Label14[i]->setText(name + ":");
        Label15[i]->setText(name + ":");
        Label1[i]->setText("For " + name + ":");
    }
    for (int i = 0; i < nh && i < kMaxHydrogens; ++i) {
        const ExampleHydrogen& hy = ex.hydrogens[i];
        Text1[i]->setText(QString::number(hy.j.size()));
        Text1_KeyPress(i, 13);
        Text6[i]->setText(Q(WithSeparator(hy.shift, decSep_)));
        Text6_KeyPress(i, 13);
        for (int k = 0; k < kMaxJ; ++k) {
            jBox_[i][k]->setText(k < static_cast<int>(hy.j.size()) ? Q(WithSeparator(hy.j[k], decSep_)) : "0");
        }
    }
    for (int h = 0; h < kMaxHydrogens; ++h) {
        for (int k = 0; k < kMaxJ; ++k) {
            const bool used = h < nh && k < static_cast<int>(ex.hydrogens[h].j.size());
            jBox_[h][k]->setVisible(used);
        }
    }

    Timer2->start();
    switch (ex.shape) {
        case ExampleShape::StartUp: break;
        case ExampleShape::Lorentzian: TimerLorentzian->start(); break;
        case ExampleShape::Mixed: TimerLorGauss->start(); break;
        case ExampleShape::MixedWithRatio:
            TimerLorGauss->start();
            mixPercent_ = ex.mixPercent;
            Timer7->start();
            break;
    }
}

void Form1::mnuNew_Click() {
    DetachExperimental();
    // Until the next calculation there is no graph: a view or colour change
    // must not bring the old one back, nor may Copy export it.
    session_.ForgetGraph();
    session_.ResetBranchColours();
    EnableGoButtons(false);
    mnuDelFormula_Click();
    ResetTitles();
    picture1_->ClearPicture(plot_.options.BackColor);
    for (auto& arr : plot_.LabelH)
        for (auto& l : arr) l.visible = false;
    for (auto& l : plot_.Label9) l.visible = false;
    Text3->setText(Q(FormatNumber(0.1f, decSep_)));
    Text4->setText("1");
    Text2->setText("");

    // A second New while the prompt blinks must not save the yellow as the
    // colour to come back to.
    if (blinking_) StopBlinking();
    savedTextBack_ = text2Back_;
    savedLabelBack_ = label13Back_;
    PaintPrompt(true);
    Text2->setFocus(Qt::OtherFocusReason);
    Timer4->start();
    blinking_ = true;
}

void Form1::Timer4_Timer() {
    Timer4->stop();
    Timer5->start();
    PaintPrompt(false);
}

void Form1::Timer5_Timer() {
    Timer5->stop();
    Timer4->start();
    PaintPrompt(true);
}

void Form1::mnuRestart_Click() {
    DetachExperimental();
    if (blinking_) StopBlinking();
    Form_Load();
}

void Form1::mnuExit_Click() {
    if (frame_.exitProgram) {
        frame_.exitProgram();
    } else {
        QCoreApplication::quit();
    }
}

void Form1::mnuSimul_Click() {
    if (frame_.showSimulatorPanel) frame_.showSimulatorPanel();
    show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->show();
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
    }
}

void Form1::mnuExpSp_Click() {
    if (frame_.showExperimentalPanel) frame_.showExperimentalPanel();
    if (frame_.showExperimentalWindow) frame_.showExperimentalWindow();
}

void Form1::SetFrameLink(FrameLink link) {
    frame_ = std::move(link);
    // The experimental window lives in the frame; a lone window cannot open it.
    Action("mnuOpenExpSpec")->setEnabled(static_cast<bool>(frame_.openExperimental));
    Action("mnuExpSp")->setEnabled(static_cast<bool>(frame_.showExperimentalWindow));
}

}  // namespace quble
