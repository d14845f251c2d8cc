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

// ---------------------------------------------------------------- Form1

Form1::Form1(QWidget* parent, Dialogs* dialogs, bool runLoad) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Spectrum Simulation");
    SetDialogs(dialogs);
    SetClipboard(nullptr);
    swatchColors_ = kPeakSwatches;
    BuildControls();
    BuildMenus();
    BuildTimers();
    if (runLoad) Form_Load();
}

Form1::~Form1() = default;

void Form1::SetDialogs(Dialogs* d) {
    if (d) {
        dialogs_ = d;
    } else {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
}

QAction* Form1::Action(const QString& name) const { return findChild<QAction*>(name); }
QTimer* Form1::Timer(const QString& name) const { return findChild<QTimer*>(name); }

void Form1::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("Form1Client");
    QFont small = central->font();
    small.setPointSizeF(8.0);
    central->setFont(small);
    setCentralWidget(central);
    // The smallest size follows the input area's (LayoutInputs).

    // Number of hydrogens.
    Label13 = MakeLabel(central, "Label13", "How many Hydrogens are to be considered (1 to 4)?:");
    Label13->setWordWrap(true);
    Label13->setAutoFillBackground(true);
    Text2 = MakeBox(central, "Text2", "Type here the number of hydrogens in your multiplet, then press \"Enter\"");

    // Chemical shifts.
    Frame2 = new QGroupBox("Chemical Shifts (Hz)", central);
    Frame2->setObjectName("Frame2");
    for (int i = 0; i < kMaxHydrogens; ++i) {
        Label14[i] = MakeLabel(Frame2, QString("Label14_%1").arg(i), QString("H%1:").arg(i + 1));
        Text6[i] = MakeBox(Frame2, QString("Text6_%1").arg(i),
                           QString("Type here the chemical shift (in Hz) of the %1 hydrogen, then press \"Enter\"")
                               .arg(kOrdinal[i]));
        Text6[i]->setText("2500");
        Label16[i] = MakeLabel(Frame2, QString("Label16_%1").arg(i), "Hz");
    }

    // Resolution and width sit just under the shifts and follow the frame.
    Picture4 = new QWidget(central);
    Picture4->setObjectName("Picture4");
    Label2 = MakeLabel(Picture4, "Label2", "Resolution:");
    Text3 = MakeBox(Picture4, "Text3", "This number is relevant only for the histogram");
    MakeLabel(Picture4, "Label18", "Hz");
    Label3 = MakeLabel(Picture4, "Label3", "Width at half height:");
    Text4 = MakeBox(Picture4,
                    "Text4",
                    "Type here the supposed value of the width at half height (usually between 0.5 and 2 Hz)");
    MakeLabel(Picture4, "Label19", "Hz");

    // J counts.
    Frame1 = new QGroupBox("How many J values (1 to 10 for each H)?", central);
    Frame1->setObjectName("Frame1");
    for (int i = 0; i < kMaxHydrogens; ++i) {
        Label1[i] = MakeLabel(Frame1, QString("Label1_%1").arg(i), QString("For H%1:").arg(i + 1));
        Text1[i] = MakeBox(Frame1, QString("Text1_%1").arg(i),
                           QString("Type here the number of J values for the %1 hydrogen, then press \"Enter\"")
                               .arg(kOrdinal[i]));
        Text1[i]->setText("1");
    }

    // J values: one row per hydrogen, one column per coupling.
    jGrid_ = new QWidget(central);
    jGrid_->setObjectName("JGrid");
    for (int k = 0; k < kMaxJ; ++k) {
        Label4[k] = MakeLabel(jGrid_, QString("Label4_%1").arg(k), QString("J%1").arg(k + 1));
        Label4[k]->setAlignment(Qt::AlignCenter);
    }
    for (int h = 0; h < kMaxHydrogens; ++h) {
        Label15[h] = MakeLabel(jGrid_, QString("Label15_%1").arg(h), QString("H%1:").arg(h + 1));
        for (int k = 0; k < kMaxJ; ++k) {
            jBox_[h][k] = MakeBox(jGrid_, QString("TextH%1_%2").arg(h + 1).arg(k),
                                  "Type here one of the corresponding J values, then press \"Enter\"");
            jBox_[h][k]->setText("0");
        }
    }

    // Go buttons, the mixing slider and the scale sliders.
    for (int i = 0; i < 2; ++i) {
        Command1[i] = new QPushButton("Go", central);
        Command1[i]->setObjectName(QString("Command1_%1").arg(i));
        Command1[i]->setToolTip("Make all calculations and plot the graph");
        connect(Command1[i], &QPushButton::clicked, this, [this] { Command1_Click(); });
    }
    // The column beside the graph moves with the graph's right edge.
    rightColumn_ = new QWidget(central);
    rightColumn_->setObjectName("GraphControls");
    rightColumn_->setGeometry(kGraphWidth + 12, kGraphTop, 100, 340);
    Command1[1]->setParent(rightColumn_);
    Command1[1]->setGeometry(0, 0, 88, 28);

    Frame3 = new QGroupBox("Line Shape Mixing", central);
    Frame3->setObjectName("Frame3");
    MakeLabel(Frame3, "Label20", "Gau");
    Slider4 = new QSlider(Qt::Horizontal, Frame3);
    Slider4->setObjectName("Slider4");
    Slider4->setRange(0, 100);
    Slider4->setValue(50);
    Slider4->setToolTip("Lorentzian percentage of the line shape");
    MakeLabel(Frame3, "Label21", "Lor");
    Frame3->hide();
    connect(Slider4, &QSlider::valueChanged, this, [this](int v) { Slider4_Change(v); });

    const int rx = 0;
    const int top = 0;
    Slider1w = new QSlider(Qt::Horizontal, rightColumn_);
    Slider1w->setObjectName("Slider1");
    Slider1w->setToolTip("Horizontal scale of the graph");
    Slider1w->setGeometry(rx, top + 40, 88, 22);
    Slider2w = new QSlider(Qt::Vertical, rightColumn_);
    Slider2w->setObjectName("Slider2");
    Slider2w->setToolTip("Height of the splitting diagram");
    Slider2w->setGeometry(rx + 14, top + 70, 22, 150);
    Slider3w = new QSlider(Qt::Vertical, rightColumn_);
    Slider3w->setObjectName("Slider3");
    Slider3w->setToolTip("Height of the spectrum (higher is smaller)");
    Slider3w->setGeometry(rx + 52, top + 70, 22, 150);
    Slider1w->setPageStep(100);
    Slider1w->setSingleStep(20);
    Slider2w->setPageStep(60);
    Slider2w->setSingleStep(3);
    Slider3w->setPageStep(100);
    Slider3w->setSingleStep(20);
    connect(Slider1w, &QSlider::valueChanged, this, [this](int v) { Slider1_Change(v); });
    connect(Slider2w, &QSlider::valueChanged, this, [this](int v) { Slider2_Change(v); });
    connect(Slider3w, &QSlider::valueChanged, this, [this](int v) { Slider3_Change(v); });

    MakeLabel(rightColumn_, "Label22", "Peaks:", {rx, top + 232, 88, 14});
    for (int i = 0; i < static_cast<int>(Label6.size()); ++i) {
        auto* s = MakeLabel(rightColumn_, QString("Label6_%1").arg(i), "",
                            {rx + (i % 4) * 22, top + 248 + (i / 4) * 22, 18, 18});
        s->setAutoFillBackground(true);
        s->setFrameShape(QFrame::Box);
        s->setToolTip("Colour of the individual peaks");
        s->setCursor(Qt::PointingHandCursor);
        SetBack(s, swatchColors_[i]);
        s->installEventFilter(this);
        Label6[i] = s;
    }

    picture1_ = new GraphBox(central);
    picture1_->move(4, kGraphTop);
    connect(picture1_, &GraphBoxBase::resized, this, [this] { Picture1_Resize(); });
    image1_ = new FormulaImage(picture1_);
    image1_->SetUnitsPerPixel(picture1_->ScaleWidth() / picture1_->width(),
                              picture1_->ScaleHeight() / picture1_->height());
    picture1_->onMouseMove = [this] {
        image1_->GraphMouseMove();
        Picture1_MouseMove();
    };
    BuildComparisonControls(central);
    LayoutInputs();
    connect(picture1_, &GraphBox::doubleClicked, this, [this] {
        const double x = picture1_->lastX(), y = picture1_->lastY();
        auto inside = [x, y](const GraphLabel& l) {
            return l.visible && x >= l.left && x <= l.left + l.width && y >= l.top && y <= l.top + l.height;
        };
        if (inside(plot_.Label8)) return Label8_DblClick();
        for (int i = 0; i < kMaxHydrogens; ++i) {
            if (inside(plot_.Label9[i])) return Label9_DblClick(i);
        }
        Picture1_DblClick();
    });

    // Enter and edits.
    for (QLineEdit* b : {Text2, Text3, Text4}) b->installEventFilter(this);
    for (int i = 0; i < kMaxHydrogens; ++i) {
        Text6[i]->installEventFilter(this);
        Text1[i]->installEventFilter(this);
        for (auto* b : jBox_[i]) b->installEventFilter(this);
    }
    connect(Text2, &QLineEdit::textChanged, this, [this] { Text2_Change(); });
    connect(Text3, &QLineEdit::textChanged, this, [this] { Text3_Change(); });
    connect(Text4, &QLineEdit::textChanged, this, [this] { Text4_Change(); });
    for (int i = 0; i < kMaxHydrogens; ++i) {
        connect(Text6[i], &QLineEdit::textChanged, this, [this, i] { Text6_Change(i); });
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
        for (int k = 0; k < kMaxJ; ++k) {
            connect(jBox_[i][k], &QLineEdit::textChanged, this, [this, i, k] { TextH_Change(i + 1, k); });
        }
    }
    central->installEventFilter(this);

    text2Back_ = kWindowWhite;
    label13Back_ = kButtonFace;
    SetBack(Text2, text2Back_);
    SetBack(Label13, label13Back_);
}

void Form1::LayOutGraphArea() {
    QWidget* central = centralWidget();
    if (!central || !picture1_ || !rightColumn_) return;
    const int w = std::max(kGraphWidth, central->width() - 4 - kGraphColumn);
    PlaceMarkingPanel();
    const int top = GraphTop();
    const int h = std::max(kGraphHeight, central->height() - top - 4);
    picture1_->setGeometry(4, top, w, h);
    rightColumn_->move(4 + w + 8, top);
}

void Form1::Picture1_Resize() {
    if (!image1_) return;
    // Before the load has set the geometry up there is nothing to refit.
    if (plot_.ScaleHeight > 0) {
        const double oldWidth = plot_.ScaleWidth;
        ResizePlotGeometry(plot_, picture1_->ScaleWidth(), picture1_->ScaleHeight());
        // The formula keeps its distance from the right edge (it sits in the
        // top right corner, clear of the diagram), within the box.
        QRectF r = image1_->UnitRect();
        const double dx = plot_.ScaleWidth - oldWidth;
        if (dx != 0 && !r.isEmpty()) {
            r.moveLeft(std::clamp(r.left() + dx, 0.0, std::max(0.0, plot_.ScaleWidth - r.width())));
            image1_->SetUnitRect(r);
        }
        SyncSliders();
    }
    image1_->SetUnitsPerPixel(picture1_->ScaleWidth() / picture1_->width(),
                              picture1_->ScaleHeight() / picture1_->height());
    if (session_.HasGraph()) {
        CalcFirstPlot();
    } else {
        picture1_->ClearPicture(plot_.options.BackColor);
    }
}

void Form1::BuildMenus() {
    auto add = [this](QMenu* menu, const QString& name, const QString& caption, std::function<void()> handler,
                      bool checkable = false) {
        auto* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(checkable);
        // Handlers set the ticks themselves (some act only when unticked),
        // so the automatic toggle of a click is undone first.
        connect(a, &QAction::triggered, this, [a, handler] {
            if (a->isCheckable()) a->setChecked(!a->isChecked());
            handler();
        });
        return a;
    };

    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    add(file, "mnuNew", "&New", [this] { mnuNew_Click(); });
    add(file, "mnuRestart", "&Restart", [this] { mnuRestart_Click(); });
    file->addSeparator();
    QMenu* examples = file->addMenu("Open New Example");
    examples->setObjectName("mnuOpenNewExample");
    for (const ExampleSet& ex : ExampleSets()) {
        const ExampleSet* e = &ex;
        add(examples, Q(ex.menuName), Q(ex.caption), [this, e] { LoadExample(*e); });
    }
    // Enabled once the frame offers the experimental window (SetFrameLink).
    add(file, "mnuOpenExpSpec", "&Open Experimental Spectrum", [this] { mnuOpenExpSpec_Click(); })
        ->setEnabled(false);
    file->addSeparator();
    add(file, "mnuExportPicture", "Export Picture...", [this] { mnuExportPicture_Click(); });
    file->addSeparator();
    add(file, "mnuExit", "E&xit", [this] { mnuExit_Click(); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("mnuEdit");
    add(edit, "mnuCopyMF", "&Copy", [this] { mnuCopyMF_Click(); });
    add(edit, "mnuCopyBW", "Copy &Black and White", [this] { mnuCopyBW_Click(); });
    add(edit, "mnuCopy", "Copy as Bitmap", [this] { mnuCopy_Click(); })->setVisible(false);
    add(edit, "mnuPaste", "&Paste (Formula)", [this] { mnuPaste_Click(); });
    add(edit, "mnuDelFormula", "&Delete Formula", [this] { mnuDelFormula_Click(); })->setEnabled(false);
    connect(edit, &QMenu::aboutToShow, this, [this] { mnuEdit_Show(); });

    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("mnuView");
    add(view, "mnuSplitDia", "&Splitting Diagram", [this] { mnuSplitDia_Click(); }, true);
    add(view, "mnuJLabels", "&J (Hz) Labels", [this] { mnuJLabels_Click(); }, true);
    add(view, "mnuHistogram", "&Histogram", [this] { mnuHistogram_Click(); }, true);
    add(view, "mnuGaussianIndPeak", "Lorentzian/Gaussian &Individual Peaks", [this] { mnuGaussianIndPeak_Click(); },
        true);
    add(view, "mnuPeakLabels", "&Peak Labels", [this] { mnuPeakLabels_Click(); }, true);
    add(view, "mnuGaussianEnv", "Si&mulated Spectrum (Lor/Gau Envelope)", [this] { mnuGaussianEnv_Click(); }, true);
    add(view, "mnuViewExpSp", "&Experimental Spectrum", [this] { mnuViewExpSp_Click(); }, true);
    view->addSeparator();
    add(view, "mnuSetGraphOptions", "Set Graph &Options", [this] { mnuOptions_Click(); });

    QMenu* shape = menuBar()->addMenu("Line &Shape");
    shape->setObjectName("mnuLineShape");
    add(shape, "mnuLorentzian", "&Lorentzian", [this] { mnuLorentzian_Click(); }, true);
    add(shape, "mnuGaussian", "&Gaussian", [this] { mnuGaussian_Click(); }, true);
    add(shape, "mnuLorGauss", "Lorentzian + G&aussian", [this] { mnuLorGauss_Click(); }, true);

    QMenu* drawing = menuBar()->addMenu("&Drawing");
    drawing->setObjectName("mnuDrawing");
    QMenu* width = drawing->addMenu("Line &Width");
    width->setObjectName("mnuLineWidth");
    for (int w = 1; w <= 3; ++w) {
        add(width, QString("mnuLineWidth%1").arg(w), QString("&%1").arg(w), [this, w] { mnuLineWidth_Click(w); },
            true);
    }
    mnuPointSize = drawing->addMenu("E&xperimental Spectrum");
    mnuPointSize->setObjectName("mnuPointSize");
    const std::array<std::pair<const char*, float>, 4> sizes{
        {{"1", 1.0f}, {"1_5", 1.5f}, {"2", 2.0f}, {"2_5", 2.5f}}};
    const std::array<const char*, 4> sizeCaptions{"Point Size &1", "Point Size 1&.5", "Point Size &2",
                                                  "Point Size 2.&5"};
    for (int i = 0; i < 4; ++i) {
        const float r = sizes[i].second;
        add(mnuPointSize, QString("mnuPointSize%1").arg(sizes[i].first), sizeCaptions[i],
            [this, r] { mnuPointSize_Click(r); }, true);
    }
    QMenu* line = mnuPointSize->addMenu("&Line");
    line->setObjectName("mnuLineEx");
    for (int w = 1; w <= 3; ++w) {
        add(line, QString("mnuLineEx%1").arg(w), QString("Line Width &%1").arg(w), [this, w] { mnuLineEx_Click(w); },
            true);
    }
    mnuPointSize->setEnabled(false);
    // The layout's ticks: envelope width 1, experimental points of radius 1.5.
    Action("mnuLineWidth1")->setChecked(true);
    Action("mnuPointSize1_5")->setChecked(true);
    drawing->addSeparator();
    add(drawing, "mnuSetGraphOptions2", "Set &Graph Options", [this] { mnuOptions_Click(); });

    QMenu* palette = menuBar()->addMenu("&Color Palette");
    palette->setObjectName("mnuColorPalette");
    add(palette, "mnuSplitDiagra", "(&Splitting Diagram)", [this] { mnuSplitDiagra_Click(); });
    add(palette, "mnuLorGauEnvColor", "Lorentzian/Gaussian &Envelope", [this] { mnuLorGauEnvColor_Click(); });
    add(palette, "mnuGaussianIndPeaks", "Lorentzian/ Gaussian &Individual Peaks",
        [this] { mnuGaussianIndPeaks_Click(); });
    add(palette, "mnuExpSpCol", "E&xperimental Spectrum", [this] { mnuExpSpCol_Click(); })->setEnabled(false);

    BuildComparisonMenu();
    BuildAnalysisMenu(edit);
    SetUpKeyboard();

    // Visible: once "Don't show this dialog again" was ticked, this is the
    // only way to have the opening dialog back.
    QMenu* options = menuBar()->addMenu("&Options");
    options->setObjectName("mnuOptions");
    add(options, "mnuShowOptions", "Show &Options When Opening Experimental Spectrum",
        [this] { mnuShowOptions_Click(); });

    QMenu* window = menuBar()->addMenu("&Window");
    window->setObjectName("mnuWindow");
    add(window, "mnuSimul", "Spectrum &Simulation", [this] { mnuSimul_Click(); });
    // Enabled once the frame offers the experimental window (SetFrameLink).
    add(window, "mnuExpSp", "&Experimental Spectrum", [this] { mnuExpSp_Click(); })->setEnabled(false);

    SyncViewMenu();
    SetShapeTicksRaw(sim_.ticks);
}

void Form1::BuildTimers() {
    auto make = [this](const char* name, int ms, void (Form1::*handler)()) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(ms);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    Timer2 = make("Timer2", 10, &Form1::Timer2_Timer);
    TimerLorentzian = make("TimerLorentzian", 100, &Form1::TimerLorentzian_Timer);
    TimerLorGauss = make("TimerLorGauss", 200, &Form1::TimerLorGauss_Timer);
    Timer7 = make("Timer7", 400, &Form1::Timer7_Timer);
    Timer4 = make("Timer4", 500, &Form1::Timer4_Timer);
    Timer5 = make("Timer5", 500, &Form1::Timer5_Timer);
    // The bitmap copy waits for the clipboard's clearing to go through.
    Timer3 = make("Timer3", 1, &Form1::Timer3_Timer);
    // The simulator comes back after the opening's own events have finished.
    TimerReturn = make("TimerReturn", 1, &Form1::TimerReturn_Timer);
}

}  // namespace quble
