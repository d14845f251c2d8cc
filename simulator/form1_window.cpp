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

namespace quble {

namespace {

// Window layout in pixels: one twip is 1/15 of a pixel, so the rows of the
// input frames, 240 twips apart, are 16 pixels apart.
constexpr int kTwipsPerPixel = 15;
constexpr int kRowStep = 240 / kTwipsPerPixel;
constexpr int FrameHeight(int nh) { return ((nh - 1) * 240 + 615) / kTwipsPerPixel; }
constexpr int kGraphWidth = 663;
constexpr int kGraphHeight = 356;
constexpr int kGraphTop = 184;

constexpr ColorRef kBlinkYellow = 0x0000FFFF;  // &HFFFF
constexpr ColorRef kWindowWhite = 0x00FFFFFF;
constexpr ColorRef kButtonFace = 0x8000000F;

// Colours of the individual-peak palette under the graph; swatch 1 is the
// built-in default.
constexpr std::array<ColorRef, 8> kPeakSwatches{0x00000000, 0x00C0C0C0, 0x00008000, 0x00FF8080,
                                               0x000080FF, 0x00C000C0, 0x008080FF, 0x0000C0C0};

const char* const kOrdinal[4] = {"first", "second", "third", "fourth"};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QRect geo) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geo);
    return l;
}

QLineEdit* MakeBox(QWidget* parent, const QString& name, const QString& tip, QRect geo) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setGeometry(geo);
    b->setTextMargins(0, 0, 0, 0);
    return b;
}

std::optional<ColorRef> ParseColorText(const std::string& text) {
    try {
        std::size_t used = 0;
        const long long v = std::stoll(text, &used);
        if (used != text.size()) return std::nullopt;
        return static_cast<ColorRef>(static_cast<std::uint32_t>(v));
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

// ---------------------------------------------------------------- GraphBox

GraphBox::GraphBox(QWidget* parent) : QWidget(parent) {
    setObjectName("Picture1");
    setFixedSize(kGraphWidth, kGraphHeight);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    picture_ = std::make_unique<QImage>(size(), QImage::Format_RGB32);
    picture_->fill(Qt::white);
}

double GraphBox::ScaleHeight() const { return kPlotScaleWidth * height() / width(); }

void GraphBox::Draw(const std::function<void(DrawingSurface&)>& paint) {
    if (picture_->size() != size()) {
        *picture_ = QImage(size(), QImage::Format_RGB32);
        picture_->fill(Qt::white);
    }
    {
        QPainter p(picture_.get());
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        QPainterSurface surface(p, QRectF(0, 0, width(), height()), ScaleWidth(), ScaleHeight());
        paint(surface);
    }
    update();
}

void GraphBox::ClearPicture(ColorRef background) {
    picture_->fill(ToQColor(background));
    update();
}

QPoint GraphBox::ToPixels(double x, double y) const {
    return QPoint(static_cast<int>(std::lround(x * width() / ScaleWidth())),
                  static_cast<int>(std::lround(y * height() / ScaleHeight())));
}

void GraphBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, *picture_);
}

void GraphBox::resizeEvent(QResizeEvent*) {}

void GraphBox::RememberMouse(const QPointF& pos) {
    lastX_ = pos.x() * ScaleWidth() / width();
    lastY_ = pos.y() * ScaleHeight() / height();
}

void GraphBox::mouseMoveEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    if (onMouseMove) onMouseMove();
}
void GraphBox::mousePressEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    setFocus();
}
void GraphBox::mouseDoubleClickEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    emit doubleClicked();
}

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
    central->setMinimumSize(kGraphWidth + 110, kGraphTop + kGraphHeight + 4);

    // Number of hydrogens.
    Label13 = MakeLabel(central, "Label13", "How many Hydrogens are to be considered (1 to 4)?:", {4, 2, 124, 42});
    Label13->setWordWrap(true);
    Label13->setAutoFillBackground(true);
    Text2 = MakeBox(central, "Text2", "Type here the number of hydrogens in your multiplet, then press \"Enter\"",
                    {130, 12, 36, 20});

    // Chemical shifts.
    Frame2 = new QGroupBox("Chemical Shifts (Hz)", central);
    Frame2->setObjectName("Frame2");
    Frame2->setGeometry(4, 46, 166, FrameHeight(1));
    for (int i = 0; i < kMaxHydrogens; ++i) {
        const int y = 18 + i * kRowStep;
        Label14[i] = MakeLabel(Frame2, QString("Label14_%1").arg(i), QString("H%1:").arg(i + 1), {6, y, 28, 16});
        Text6[i] = MakeBox(Frame2, QString("Text6_%1").arg(i),
                           QString("Type here the chemical shift (in Hz) of the %1 hydrogen, then press \"Enter\"")
                               .arg(kOrdinal[i]),
                           {36, y, 84, 16});
        Text6[i]->setText("2500");
        Label16[i] = MakeLabel(Frame2, QString("Label16_%1").arg(i), "Hz", {124, y, 20, 16});
    }

    // Resolution and width sit just under the shifts and follow the frame.
    Picture4 = new QWidget(central);
    Picture4->setObjectName("Picture4");
    Picture4->setGeometry(4, Frame2->geometry().bottom() + 5, 176, 40);
    Label2 = MakeLabel(Picture4, "Label2", "Resolution:", {0, 0, 126, 18});
    Text3 = MakeBox(Picture4, "Text3", "This number is relevant only for the histogram", {126, 0, 34, 18});
    MakeLabel(Picture4, "Label18", "Hz", {162, 0, 14, 18});
    Label3 = MakeLabel(Picture4, "Label3", "Width at half height:", {0, 20, 126, 18});
    Text4 = MakeBox(Picture4,
                    "Text4",
                    "Type here the supposed value of the width at half height (usually between 0.5 and 2 Hz)",
                    {126, 20, 34, 18});
    MakeLabel(Picture4, "Label19", "Hz", {162, 20, 14, 18});

    // J counts.
    Frame1 = new QGroupBox("How many J values (1 to 10 for each H)?", central);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(176, 2, 248, FrameHeight(1));
    for (int i = 0; i < kMaxHydrogens; ++i) {
        const int y = 18 + i * kRowStep;
        Label1[i] = MakeLabel(Frame1, QString("Label1_%1").arg(i), QString("For H%1:").arg(i + 1), {8, y, 60, 16});
        Text1[i] = MakeBox(Frame1, QString("Text1_%1").arg(i),
                           QString("Type here the number of J values for the %1 hydrogen, then press \"Enter\"")
                               .arg(kOrdinal[i]),
                           {70, y, 36, 16});
        Text1[i]->setText("1");
    }

    // J values: one row per hydrogen, one column per coupling.
    jGrid_ = new QWidget(central);
    jGrid_->setObjectName("JGrid");
    jGrid_->setGeometry(188, 92, 26 + kMaxJ * 28, 16 + kMaxHydrogens * 18);
    for (int k = 0; k < kMaxJ; ++k) {
        Label4[k] = MakeLabel(jGrid_, QString("Label4_%1").arg(k), QString("J%1").arg(k + 1), {26 + k * 28, 0, 27, 14});
        Label4[k]->setAlignment(Qt::AlignCenter);
    }
    for (int h = 0; h < kMaxHydrogens; ++h) {
        const int y = 16 + h * 18;
        Label15[h] = MakeLabel(jGrid_, QString("Label15_%1").arg(h), QString("H%1:").arg(h + 1), {0, y, 25, 17});
        for (int k = 0; k < kMaxJ; ++k) {
            jBox_[h][k] = MakeBox(jGrid_, QString("TextH%1_%2").arg(h + 1).arg(k),
                                  "Type here one of the corresponding J values, then press \"Enter\"",
                                  {26 + k * 28, y, 27, 17});
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
    Command1[0]->setGeometry(492, 150, 80, 26);
    Command1[1]->setGeometry(kGraphWidth + 12, kGraphTop, 88, 28);

    Frame3 = new QGroupBox("Line Shape Mixing", central);
    Frame3->setObjectName("Frame3");
    Frame3->setGeometry(492, 4, 230, 52);
    MakeLabel(Frame3, "Label20", "Gau", {6, 22, 26, 18});
    Slider4 = new QSlider(Qt::Horizontal, Frame3);
    Slider4->setObjectName("Slider4");
    Slider4->setRange(0, 100);
    Slider4->setValue(50);
    Slider4->setGeometry(34, 20, 160, 22);
    Slider4->setToolTip("Lorentzian percentage of the line shape");
    MakeLabel(Frame3, "Label21", "Lor", {198, 22, 26, 18});
    Frame3->hide();
    connect(Slider4, &QSlider::valueChanged, this, [this](int v) { Slider4_Change(v); });

    const int rx = kGraphWidth + 12;
    Slider1w = new QSlider(Qt::Horizontal, central);
    Slider1w->setObjectName("Slider1");
    Slider1w->setToolTip("Horizontal scale of the graph");
    Slider1w->setGeometry(rx, kGraphTop + 40, 88, 22);
    Slider2w = new QSlider(Qt::Vertical, central);
    Slider2w->setObjectName("Slider2");
    Slider2w->setToolTip("Height of the splitting diagram");
    Slider2w->setGeometry(rx + 14, kGraphTop + 70, 22, 150);
    Slider3w = new QSlider(Qt::Vertical, central);
    Slider3w->setObjectName("Slider3");
    Slider3w->setToolTip("Height of the spectrum (higher is smaller)");
    Slider3w->setGeometry(rx + 52, kGraphTop + 70, 22, 150);
    Slider1w->setPageStep(100);
    Slider1w->setSingleStep(20);
    Slider2w->setPageStep(60);
    Slider2w->setSingleStep(3);
    Slider3w->setPageStep(100);
    Slider3w->setSingleStep(20);
    connect(Slider1w, &QSlider::valueChanged, this, [this](int v) { Slider1_Change(v); });
    connect(Slider2w, &QSlider::valueChanged, this, [this](int v) { Slider2_Change(v); });
    connect(Slider3w, &QSlider::valueChanged, this, [this](int v) { Slider3_Change(v); });

    MakeLabel(central, "Label22", "Peaks:", {rx, kGraphTop + 232, 88, 14});
    for (int i = 0; i < static_cast<int>(Label6.size()); ++i) {
        auto* s = MakeLabel(central, QString("Label6_%1").arg(i), "",
                            {rx + (i % 4) * 22, kGraphTop + 248 + (i / 4) * 22, 18, 18});
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
    image1_ = new FormulaImage(picture1_);
    image1_->SetUnitsPerPixel(picture1_->ScaleWidth() / picture1_->width(),
                              picture1_->ScaleHeight() / picture1_->height());
    picture1_->onMouseMove = [this] { image1_->GraphMouseMove(); };
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
    text2Back_ = kWindowWhite;
    label13Back_ = kButtonFace;
    SetBack(Text2, text2Back_);
    SetBack(Label13, label13Back_);
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

    QMenu* palette = menuBar()->addMenu("&Color Palette");
    palette->setObjectName("mnuColorPalette");
    add(palette, "mnuSplitDiagra", "(&Splitting Diagram)", [this] { mnuSplitDiagra_Click(); });
    add(palette, "mnuLorGauEnvColor", "Lorentzian/Gaussian &Envelope", [this] { mnuLorGauEnvColor_Click(); });
    add(palette, "mnuGaussianIndPeaks", "Lorentzian/ Gaussian &Individual Peaks",
        [this] { mnuGaussianIndPeaks_Click(); });
    add(palette, "mnuExpSpCol", "E&xperimental Spectrum", [this] { mnuExpSpCol_Click(); })->setEnabled(false);

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
    plot_.Label8.caption = "Spectrum Title";
    for (int i = 0; i < kMaxHydrogens; ++i) {
        const QString h = QString("H%1").arg(i + 1);
        plot_.Label9[i].caption = S(h);
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
    sim_.ticks = t;
    if (auto* a = Action("mnuLorentzian")) a->setChecked(t.mnuLorentzian);
    if (auto* a = Action("mnuGaussian")) a->setChecked(t.mnuGaussian);
    if (auto* a = Action("mnuLorGauss")) a->setChecked(t.mnuLorGauss);
}

void Form1::SetShapeTicks(LineShape shape) { SetShapeTicksRaw(TicksFor(shape)); }

void Form1::SetMixCaption(int value) {
    plot_.Label12.caption =
        std::to_string(100 - value) + "% Gaussian + " + std::to_string(value) + "% Lorentzian";
}

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
    if (!hasGraph_) return;
    picture1_->Draw([this, recomputeCoordinates](DrawingSurface& s) {
        if (recomputeCoordinates) {
            quble::CalcFirstPlot(plot_, sim_, s);
        } else {
            quble::PlotFinal(plot_, sim_, s);
        }
        // The captions are labels over the graph box; they are painted with it.
        PrtLablsOtherMF(plot_, s);
        const TextExtent e = s.MeasureText(SpectrumTitleFont(), plot_.Label8.caption);
        plot_.Label8.width = e.width;
        plot_.Label8.height = e.height;
    });
}

void Form1::CalcFirstPlot() { Redraw(true); }
void Form1::PlotFinal() { Redraw(false); }
void Form1::LinBlack() { quble::LinBlack(sim_); }

void Form1::DetachExperimental() {
    sim_.ExpPresent = false;
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

    InitPlotGeometry(plot_, picture1_->ScaleHeight());

    for (auto& row : jBox_) {
        for (QLineEdit* b : row) {
            SetTextQuiet(b, "0");
            b->hide();
        }
    }
    for (QLabel* l : Label4) l->hide();
    for (auto& l : plot_.Label9) l.visible = false;
    SetTextQuiet(Text1[0], "1");

    NH_ = 1;
    sim_.NPeakPts = 30;
    sim_.Res = 0.5f;

    const QLocale locale;
    decSep_ = DecSepFromFormattedHalf(S(locale.toString(0.5f)));
    plot_.DecSep = decSep_;
    SetTextQuiet(Text3, FormatNumber(0.1f, decSep_));
    SetTextQuiet(Text4, "1");

    plot_.Slider1.react = plot_.Slider2.react = plot_.Slider3.react = true;
    SyncSliders();

    // Settings: until the settings file is read here, the built-in defaults.
    OrigSet();

    AutoStart();
}

// The program folder is chosen once per run, and the shipped examples are
// sorted into their tree on the first start. A failure is told once; the
// arrangement never deletes or overwrites a file, so nothing is lost and the
// next start tries again.
void Form1::ArrangeExamples() {
    std::string problems;
    if (programFolder_.empty()) {
        const std::filesystem::path exeDir = QCoreApplication::applicationDirPath().toStdString();
        ProgramFolderChoice choice = quble::ProgramFolder(exeDir);
        programFolder_ = choice.folder;
        if (!choice.error.empty()) problems += choice.error;
    }
    const std::filesystem::path exeDir = QCoreApplication::applicationDirPath().toStdString();
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

void Form1::ReceiveExperimentalData(std::int32_t nPontExp, std::vector<double> expXnmrHz,
                                    std::vector<std::int32_t> expYgraf) {
    NPontExp_ = nPontExp;
    ExpXnmrHz_ = std::move(expXnmrHz);
    ExpYgraf_ = std::move(expYgraf);
    ++transfers_;
    TransfAdjustExpData();
}

// The comparison attaches the received spectrum here: the plot window, the
// experimental peaks and the pairing with the simulated maxima.
void Form1::TransfAdjustExpData() {}

// ---------------------------------------------------------------- input

void Form1::Text2_KeyPress(int keyAscii) {
    if (keyAscii != 13) return;
    StopBlinking();
    ResetTitles();
    NH_ = ParseCount(S(Text2->text()), 1, kMaxHydrogens);
    Text2->setText(QString::number(NH_));

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

    Frame1->resize(Frame1->width(), FrameHeight(NH_));
    for (int i = 0; i < NH_; ++i) {
        Text1[i]->show();
        Text1[i]->setText("0");
        Label1[i]->show();
    }
    for (int i = 0; i < NH_; ++i) {
        Label14[i]->show();
        Text6[i]->show();
        Label16[i]->show();
    }
    Frame2->resize(Frame2->width(), FrameHeight(NH_));
    Picture4->move(Picture4->x(), Frame2->y() + Frame2->height() + 60 / kTwipsPerPixel);
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
    if (index < NH_ - 1) {
        FocusAndSelect(Text6[index + 1], !sim_.Calculating);
        return;
    }
    float hi = 0.0f, lo = 0.0f;
    bool any = false;
    for (int i = 0; i < NH_; ++i) {
        auto v = ParseLocaleNumber(S(Text6[i]->text()), decSep_);
        if (!v) continue;
        const float s = static_cast<float>(*v);
        hi = any ? std::max(hi, s) : s;
        lo = any ? std::min(lo, s) : s;
        any = true;
    }
    if (any) list2_ << "AvChemShift=" + Q(FormatNumber((hi + lo) / 2.0f, '.'));
    Frame1->show();
    for (int j = 0; j < NH_; ++j) {
        Text1[j]->show();
        Label1[j]->show();
    }
    if (!sim_.Calculating) FocusAndSelect(Text1[0]);
}

void Form1::Text1_KeyPress(int index, int keyAscii) {
    if (keyAscii != 13 || index < 0 || index >= kMaxHydrogens) return;
    const int h = index + 1;
    sim_.CurH = h;
    NJ_[h] = ParseCount(S(Text1[index]->text()), 1, kMaxJ);
    Text1[index]->setText(QString::number(NJ_[h]));

    for (QLineEdit* b : jBox_[index]) b->hide();
    if (h == 1) {
        for (QLabel* l : Label4) l->hide();
    }
    for (int r = 0; r < h; ++r) Label15[r]->show();
    for (int k = 0; k < NJ_[h]; ++k) {
        jBox_[index][k]->show();
        Label4[k]->show();
    }

    if (sim_.Calculating) return;
    if (index < NH_ - 1) {
        FocusAndSelect(Text1[index + 1]);
    } else {
        FocusAndSelect(JBox(1, 1));
    }
}

void Form1::JBox_KeyPress(int h, int index, int keyAscii) {
    if (keyAscii != 13 || h < 1 || h > kMaxHydrogens || index < 0 || index >= kMaxJ) return;
    sim_.CurH = h;
    if (index < NJ_[h] - 1) {
        FocusAndSelect(JBox(h, index + 2));
    } else if (h < NH_ && h < kMaxHydrogens) {
        FocusAndSelect(JBox(h + 1, 1));
    } else {
        EnableGoButtons(true);
        Command1_Click();
    }
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
    SimulationInput in = ReadBoxes();
    if (auto err = StartProcess(sim_, in)) {
        sim_.Calculating = false;
        ShowInputError(*err);
        return;
    }
    // Show the values used, without treating the write-back as an edit.
    SetTextQuiet(Text3, in.Text3);
    SetTextQuiet(Text4, in.Text4);
    for (int i = 0; i < sim_.NH; ++i) {
        SetTextQuiet(Text6[i], in.Text6[i]);
        SetTextQuiet(Text1[i], in.Text1[i]);
    }
    EnableGoButtons(true);

    // Experimental overlay hand-off (peak pairing) joins here with the
    // comparison code.
    plot_.JText = in.JText;
    plot_.WidthText = in.Text4;
    plot_.DecSep = decSep_;
    AjPlotSize(plot_, sim_);
    hasGraph_ = true;
    Redraw(true);
    plot_.Slider2.react = plot_.Slider3.react = true;
    SyncSliders();
    ++calculations_;

    picture1_->show();
    if (IsActiveForm()) picture1_->setFocus(Qt::OtherFocusReason);
    emit calculationDone();
}

void Form1::mnuLorentzian_Click() {
    SetShapeTicks(LineShape::Lorentzian);
    Frame3->hide();
    HighlightShape(0);
    Command1_Click();
    plot_.Label12.caption = "Lorentzian Line Shape";
    PlotFinal();
}

void Form1::mnuGaussian_Click() {
    SetShapeTicks(LineShape::Gaussian);
    Frame3->hide();
    HighlightShape(1);
    Command1_Click();
    plot_.Label12.caption = "Gaussian Line Shape";
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
    plot_.Label12.caption = "50% Gaussian + 50% Lorentzian";
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
    Command1_Click();
    SetMixCaption(value);
    PlotFinal();
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

// ---------------------------------------------------------------- graph

void Form1::Slider1_Change(int value) {
    if (quble::Slider1_Change(plot_, value)) CalcFirstPlot();
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
    if (!hasGraph_) return;
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

void Form1::mnuOpenExpSpec_Click() {
    if (frame_.openExperimental) frame_.openExperimental();
}
// ---------------------------------------------------------------- pictures

namespace {
std::string AppTitle() {
    const QString n = QCoreApplication::applicationName();
    return n.isEmpty() ? "Quble" : n.toStdString();
}
}  // namespace

void Form1::SetClipboard(Clipboard* c) {
    if (c) {
        clipboard_ = c;
        ownClipboard_.reset();
    } else {
        ownClipboard_ = std::make_unique<QtClipboard>();
        clipboard_ = ownClipboard_.get();
    }
}

ScreenMetrics Form1::Screen() const {
    const QScreen* s = screen();
    if (!s) s = QGuiApplication::primaryScreen();
    return ScreenMetricsOf(s);
}

FormulaPicture Form1::Formula() const {
    FormulaPicture f;
    f.FormulaShown = FormulaShown_;
    f.FormulaFromExample = FormulaFromExample_;
    f.ExampleFormulaPath = ExampleFormulaPath_;
    const QRectF r = image1_->UnitRect();
    f.Left = r.left();
    f.Top = r.top();
    f.Width = r.width();
    f.Height = r.height();
    return f;
}

GraphPicture Form1::CurrentGraphPicture() {
    std::vector<std::uint8_t> emf;
    if (FormulaShown_ && image1_->HasPicture()) emf = image1_->Emf();
    return SimulatorGraphPicture(plot_, sim_, std::move(emf), image1_->UnitRect(), Screen());
}

void Form1::CopyPicture(bool bw) {
    // Without a calculated graph there is nothing to draw.
    if (!hasGraph_) return;
    PictureExport ex;
    ex.BWExport = bw;
    ex.ProgramFolder = programFolder_.string();
    ex.formula = Formula();
    ex.screen = Screen();
    std::vector<std::uint8_t> emf;
    std::string error;
    if (!MakeCurPicMF(plot_, sim_, ex, &emf, &error)) {
        dialogs_->MessageBox(AppTitle(), MetafileFailedText(error));
        return;
    }
    // The same drawing as SVG and PNG, for programs that take no metafile.
    const GraphPicture g = CurrentGraphPicture();
    const QByteArray svg = GraphSvg(g, bw);
    const QByteArray png = GraphPng(g, bw, 2.0 * g.screen.LOGPIXELSX);
    clipboard_->Clear();
    clipboard_->SetMimeData(PictureMimeData(emf, svg, png));
}

void Form1::mnuCopyMF_Click() { CopyPicture(false); }
void Form1::mnuCopyBW_Click() { CopyPicture(true); }

void Form1::mnuCopy_Click() {
    clipboard_->Clear();
    Timer3->start();
}

void Form1::Timer3_Timer() {
    Timer3->stop();
    clipboard_->Clear();
    auto* d = new QMimeData;
    d->setImageData(picture1_->picture());
    clipboard_->SetMimeData(d);
}

bool Form1::ShowFormula(std::vector<std::uint8_t> emf) {
    return image1_->ShowPicture(std::move(emf), 448, 24, 200);
}

void Form1::mnuPaste_Click() {
    std::optional<ClipPicture> pic = TakeClipPicture(clipboard_->MimeData());
    std::string note;
    std::vector<std::uint8_t> emf;
    if (pic) emf = FormulaEmfFromClip(*pic, &note);
    if (emf.empty()) {
        dialogs_->MessageBox("No Picture!", "There is no metafile picture in the clipboard!", MsgButtons::Ok,
                             MsgIcon::Critical);
        return;
    }
    // Saved first: a picture that cannot be kept would vanish from the next
    // export, so it is not shown either.
    std::string error;
    if (!SaveClipMF(emf, programFolder_.string(), kSvClipMFFile, &error)) {
        dialogs_->MessageBox(AppTitle(), MetafileFailedText(error));
        return;
    }
    if (!ShowFormula(std::move(emf))) {
        dialogs_->MessageBox("No Picture!", "There is no metafile picture in the clipboard!", MsgButtons::Ok,
                             MsgIcon::Critical);
        return;
    }
    FormulaShown_ = true;
    FormulaFromExample_ = false;
    Action("mnuDelFormula")->setEnabled(true);
    QCoreApplication::processEvents();
}

void Form1::mnuDelFormula_Click() {
    image1_->ClearPicture();
    FormulaShown_ = false;
    FormulaFromExample_ = false;
    Action("mnuDelFormula")->setEnabled(false);
}

void Form1::ExamplePictureAdd(const std::string& path) {
    ExampleFormulaPath_ = path;
    image1_->ClearPicture();
    std::vector<std::uint8_t> emf;
    if (!ReadFormulaFile(path, &emf, nullptr) || !ShowFormula(std::move(emf))) {
        image1_->ClearPicture();
        FormulaShown_ = FormulaFromExample_ = false;
        Action("mnuDelFormula")->setEnabled(false);
        return;
    }
    FormulaShown_ = FormulaFromExample_ = true;
    Action("mnuDelFormula")->setEnabled(true);
}

void Form1::VerifFormula(const std::filesystem::path& folder) {
    mnuDelFormula_Click();
    if (std::optional<std::filesystem::path> f = FindFormulaBeside(folder)) ExamplePictureAdd(f->string());
}

void Form1::mnuEdit_Show() {
    Action("mnuCopyMF")->setEnabled(hasGraph_);
    Action("mnuCopyBW")->setEnabled(hasGraph_);
    Action("mnuPaste")->setEnabled(HasClipPicture(clipboard_->MimeData()));
    Action("mnuDelFormula")->setEnabled(FormulaShown_);
}

void Form1::mnuExportPicture_Click() {
    if (!hasGraph_) return;
    ExportPictureDialog(*dialogs_, (programFolder_ / "Graph.emf").string(), decSep_,
                        [this] { return CurrentGraphPicture(); });
}


}  // namespace quble
