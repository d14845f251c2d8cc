#include "experimental/form100_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QScreen>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <fstream>

#include "experimental/experimental_graph_picture.h"
#include "experimental/graph_reading.h"
#include "platform/formula_image.h"
#include "platform/picture_export_dialog.h"
#include "platform/qpainter_surface.h"
#include "platform/qt_dialogs.h"
#include "simulator/simulator_picture.h"

namespace quble {

namespace {

constexpr ColorRef kButtonFace = 0x8000000F;
constexpr ColorRef kYellow = 65535;
constexpr ColorRef kRed = 255;
constexpr ColorRef kBlue = 0xFF0000;

constexpr int kGraphWidth = 720;
constexpr int kGraphHeight = 400;
constexpr const char* kReadOn = "Read Data From Graph";
constexpr const char* kReadOff = "Don't Read Data From Graph";
constexpr const char* kBandTip = "Press right mouse button to expand";
constexpr const char* kGraphTip = "Press left mouse button and drag to define area to be expanded";

QString Q(const std::string& s) { return QString::fromStdString(s); }

int ShiftState(Qt::KeyboardModifiers m) {
    int s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

int ButtonCode(Qt::MouseButtons b) {
    int c = 0;
    if (b & Qt::LeftButton) c |= 1;
    if (b & Qt::RightButton) c |= 2;
    if (b & Qt::MiddleButton) c |= 4;
    return c;
}

void Paint(QWidget* w, ColorRef c) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(ResolveColor(c)));
    w->setPalette(pal);
}

void PaintText(QLabel* l, ColorRef c) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, ToQColor(c));
    l->setPalette(pal);
}

// A small hand pointing up at the reference peak.
QPixmap HandPixmap() {
    QPixmap pm(24, 28);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 224, 189));
    QPainterPath path;
    path.addRoundedRect(QRectF(9, 1, 6, 14), 3, 3);      // the finger
    path.addRoundedRect(QRectF(4, 11, 16, 15), 4, 4);    // the fist
    p.drawPath(path.simplified());
    return pm;
}

}  // namespace

ReferenceTable& RefTable() {
    static ReferenceTable table;
    return table;
}

// ------------------------------------------------------------- graph box

ExpGraphBox::ExpGraphBox(QWidget* parent) : QWidget(parent) {
    setFixedSize(kGraphWidth, kGraphHeight);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    picture_ = std::make_unique<QImage>(kGraphWidth, kGraphHeight, QImage::Format_RGB32);
    picture_->fill(Qt::white);
}

const QImage& ExpGraphBox::picture() const { return *picture_; }

void ExpGraphBox::Draw(const std::function<void(DrawingSurface&)>& paint) {
    {
        QPainter p(picture_.get());
        QPainterSurface surface(p, QRectF(0, 0, picture_->width(), picture_->height()), picture_->width(),
                                picture_->height());
        paint(surface);
    }
    update();
}

void ExpGraphBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, *picture_);
}

void ExpGraphBox::mousePressEvent(QMouseEvent* e) {
    emit mouseDown(ButtonCode(e->button()), ShiftState(e->modifiers()), e->position().x(), e->position().y());
}
void ExpGraphBox::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(ButtonCode(e->buttons()), ShiftState(e->modifiers()), e->position().x(), e->position().y());
}
void ExpGraphBox::mouseReleaseEvent(QMouseEvent* e) {
    emit mouseUp(ButtonCode(e->button()), ShiftState(e->modifiers()), e->position().x(), e->position().y());
}
void ExpGraphBox::leaveEvent(QEvent*) { emit mouseLeft(); }

// -------------------------------------------------------------- RefDialog

RefDialog::RefDialog(QWidget* parent, Dialogs& dialogs, const ReferenceTable& table)
    : QDialog(parent), dialogs_(dialogs), table_(table) {
    setObjectName("RefDialog");
    setWindowTitle("Adjust Spectrum Data to Reference Peak");
    auto* grid = new QGridLayout(this);
    auto* l1 = new QLabel("Choose or Type Reference:", this);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName("Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    auto* l2 = new QLabel("Chemical Shift (ppm):", this);
    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    Option1 = new QRadioButton("Auto Adjustment", this);
    Option1->setObjectName("Option1");
    Option2 = new QRadioButton("Manual Adjustment", this);
    Option2->setObjectName("Option2");
    auto* l3 = new QLabel("Number of points to search when looking for reference peak", this);
    l3->setWordWrap(true);
    Text2 = new QLineEdit("240", this);
    Text2->setObjectName("Text2");
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    grid->addWidget(l1, 0, 0);
    grid->addWidget(Combo1, 1, 0);
    grid->addWidget(l2, 0, 1);
    grid->addWidget(Text1, 1, 1);
    grid->addWidget(Option1, 2, 0);
    grid->addWidget(Option2, 3, 0);
    grid->addWidget(l3, 4, 0);
    grid->addWidget(Text2, 4, 1);
    grid->addWidget(OKButton, 5, 0);
    grid->addWidget(CancelButton, 5, 1);

    connect(Combo1, &QComboBox::editTextChanged, this, [this](const QString& t) { Combo1_Change(t); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    Combo1->lineEdit()->installEventFilter(this);

    for (int i = 0; i < table_.RefCount && i < kRefCapacity; ++i) Combo1->addItem(Q(table_.RefNames[i]));
    const QString first = table_.RefCount > 0 ? Q(table_.RefNames[0]) : QString();
    Combo1->setEditText(first);
    Combo1_Change(first);  // setEditText does not signal when the text is unchanged
    if (table_.RefCount > 0) Text1->setText(Q(table_.RefShiftTexts[0]));
}

void RefDialog::Combo1_Change(const QString& text) {
    const RefTextChange c = OnReferenceTextChange(table_, text.toStdString());
    Option1->setEnabled(c.autoEnabled);
    Option2->setEnabled(c.autoEnabled);
    if (c.autoSelected) {
        Option1->setChecked(true);
    } else {
        Option2->setChecked(true);
    }
    if (c.matched) {
        RefName = c.RefName;
        Text1->setText(Q(c.Text1));
        RefShift = c.RefShift;
    }
}

void RefDialog::Combo1_KeyPress(int keyAscii) {
    if (keyAscii != 13) return;
    Text1->selectAll();
    Text1->setFocus(Qt::OtherFocusReason);
}

bool RefDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Combo1->lineEdit() && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            Combo1_KeyPress(13);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RefDialog::OKButton_Click() {
    const RefDialogOk r = OnReferenceDialogOk(Combo1->currentText().toStdString(), Text1->text().toStdString(),
                                              Option1->isChecked(), Text2->text().toStdString());
    if (!r.accepted) {
        dialogs_.MessageBox(r.title, r.text, MsgButtons::Ok, MsgIcon::Critical);
        Paint(Text1, kYellow);
        QPalette pal = Text1->palette();
        pal.setColor(QPalette::Base, ToQColor(kYellow));
        Text1->setPalette(pal);
        Text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    RefName = r.RefName;
    Text1->setText(Q(r.Text1));
    RefShift = r.RefShift;
    AutoAdjustTMS = r.AutoAdjustTMS;
    Text2->setText(Q(r.Text2));
    NPointsSearch = r.NPointsSearch;
    RefCancelled = false;
    accept();
}

void RefDialog::CancelButton_Click() {
    RefCancelled = true;
    reject();
}

// ---------------------------------------------------------------- Form100

Form100::Form100(QWidget* parent, Dialogs* dialogs, std::filesystem::path programFolder, bool runLoad)
    : QMainWindow(parent), programFolder_(std::move(programFolder)) {
    setObjectName("Form100");
    setWindowTitle("Experimental Spectrum");
    if (dialogs) {
        dialogs_ = dialogs;
    } else {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    SetClipboard(nullptr);
    BuildControls();
    BuildMenus();
    if (runLoad) Form_Load();
}

Form100::~Form100() = default;

QAction* Form100::Action(const QString& name) const { return findChild<QAction*>(name); }

std::filesystem::path Form100::FirstExampleSpectrum(const std::filesystem::path& programFolder) {
    return programFolder / "Examples" / "1a_15-Deoxygoyazensolide (Example 1a)" / "1r";
}

void Form100::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("Form100Client");
    central->setMouseTracking(true);
    central->installEventFilter(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(3);

    auto button = [&](QWidget* parent, const QString& name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(name);
        if (!tip.isEmpty()) b->setToolTip(tip);
        return b;
    };

    // Commands above the graph.
    auto* bar = new QWidget(central);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    Command1 = button(bar, "Command1", kReadOn, "");
    Command2 = button(bar, "Command2", "Line", "Experimental spectrum drawn as a line");
    Command5 = button(bar, "Command5", "Points", "Experimental spectrum drawn as points");
    Command6 = button(bar, "Command6", "Medium Points", "Experimental spectrum drawn as medium points");
    Command14 = button(bar, "Command14", "Big Points", "Experimental spectrum drawn as big points");
    Command15 = button(bar, "Command15", "Big Points + Line", "Experimental spectrum drawn as big points and a line");
    Command3 = button(bar, "Command3", "Full Spectrum", "");
    Command4 = button(bar, "Command4", "Expand", "");
    Command12 = button(bar, "Command12", "Narrow", "Show a narrower region");
    Command13 = button(bar, "Command13", "Widen", "Show a wider region");
    Command10 = button(bar, "Command10", "Stretch", "Stretch vertically");
    Command11 = button(bar, "Command11", "Shrink", "Shrink vertically");
    for (QPushButton* b : {Command1, Command2, Command5, Command6, Command14, Command15, Command3, Command4, Command12,
                           Command13, Command10, Command11}) {
        row->addWidget(b);
    }
    row->addStretch(1);
    column->addWidget(bar);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command14, &QPushButton::clicked, this, [this] { Command14_Click(); });
    connect(Command15, &QPushButton::clicked, this, [this] { Command15_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command12, &QPushButton::clicked, this, [this] { Command12_Click(); });
    connect(Command13, &QPushButton::clicked, this, [this] { Command13_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    Command4->hide();
    Command13->setEnabled(false);
    // Room for both captions, so the row does not jump when reading toggles.
    Command1->setMinimumWidth(Command1->fontMetrics().horizontalAdvance(kReadOff) + 16);

    // Title strip.
    Picture7 = new QWidget(central);
    Picture7->setObjectName("Picture7");
    Picture7->setFixedWidth(kGraphWidth);
    Picture7->setMouseTracking(true);
    Picture7->installEventFilter(this);
    Paint(Picture7, 0x00FFFFFF);
    auto* titleRow = new QHBoxLayout(Picture7);
    titleRow->setContentsMargins(0, 2, 0, 2);
    Label10 = new QLabel(Picture7);
    Label10->setObjectName("Label10");
    Label10->setToolTip("Double click to edit");
    QFont tf("Arial");
    tf.setPixelSize(13);
    tf.setWeight(QFont::Black);
    Label10->setFont(tf);
    Label10->installEventFilter(this);
    // Centred in the strip, whatever its text.
    titleRow->addStretch(1);
    titleRow->addWidget(Label10);
    titleRow->addStretch(1);
    column->addWidget(Picture7);

    // The graph with its overlays.
    picture1_ = new ExpGraphBox(central);
    picture1_->setObjectName("Picture1");
    picture1_->setToolTip(kGraphTip);
    column->addWidget(picture1_);
    connect(picture1_, &ExpGraphBox::mouseDown, this,
            [this](int b, int s, double x, double y) { Picture1_MouseDown(b, s, x, y); });
    connect(picture1_, &ExpGraphBox::mouseMove, this,
            [this](int b, int s, double x, double y) { Picture1_MouseMove(b, s, x, y); });
    connect(picture1_, &ExpGraphBox::mouseUp, this,
            [this](int b, int s, double x, double y) { Picture1_MouseUp(b, s, x, y); });
    connect(picture1_, &ExpGraphBox::mouseLeft, this, [this] { Form_MouseMove(); });

    Image1 = new QFrame(picture1_);
    Image1->setObjectName("Image1");
    Image1->setFrameShape(QFrame::Box);
    Image1->setToolTip(kBandTip);
    Image1->installEventFilter(this);
    Image1->hide();

    Line2 = new QFrame(picture1_);
    Line2->setObjectName("Line2");
    Line2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Line2->hide();

    Image3 = new QLabel(picture1_);
    Image3->setObjectName("Image3");
    Image3->setPixmap(HandPixmap());
    Image3->setFixedSize(24, 28);
    Image3->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image3->hide();

    // The formula picture; the graph's user units are its pixels.
    image4_ = new FormulaImage(picture1_, "Image4", "Image5", "Shape1");
    image4_->SetUnitsPerPixel(1.0, 1.0);

    // Steps and scroll bar.
    auto* steps = new QWidget(central);
    steps->setFixedWidth(kGraphWidth);
    auto* stepRow = new QHBoxLayout(steps);
    stepRow->setContentsMargins(0, 0, 0, 0);
    stepRow->setSpacing(2);
    Command9[0] = button(steps, "Command9_0", "<<", "Move 10 points to the left (Shift: 50)");
    Command9[1] = button(steps, "Command9_1", "<", "Move one point to the left (press twice)");
    ScrollBar1 = new QScrollBar(Qt::Horizontal, steps);
    ScrollBar1->setObjectName("ScrollBar1");
    Command8[1] = button(steps, "Command8_1", ">", "Move one point to the right (press twice)");
    Command8[0] = button(steps, "Command8_0", ">>", "Move 10 points to the right (Shift: 50)");
    for (QPushButton* b : {Command9[0], Command9[1], Command8[1], Command8[0]}) b->setFixedWidth(32);
    stepRow->addWidget(Command9[0]);
    stepRow->addWidget(Command9[1]);
    stepRow->addWidget(ScrollBar1, 1);
    stepRow->addWidget(Command8[1]);
    stepRow->addWidget(Command8[0]);
    column->addWidget(steps);
    for (int i = 0; i < 2; ++i) {
        connect(Command8[i], &QPushButton::clicked, this,
                [this, i] { Command8_Click(i, ShiftState(QApplication::keyboardModifiers())); });
        connect(Command9[i], &QPushButton::clicked, this,
                [this, i] { Command9_Click(i, ShiftState(QApplication::keyboardModifiers())); });
    }
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int v) { ScrollBar1_Change(v); });
    ScrollBar1->hide();
    // Keep the row's height when the bar is hidden.
    QSizePolicy sp = ScrollBar1->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    ScrollBar1->setSizePolicy(sp);

    // Legend strip: reference, axis legend, readout, file size, byte order.
    Picture6 = new QWidget(central);
    Picture6->setObjectName("Picture6");
    Picture6->setFixedWidth(kGraphWidth);
    Picture6->setMouseTracking(true);
    Picture6->installEventFilter(this);
    auto* legend = new QGridLayout(Picture6);
    legend->setContentsMargins(0, 0, 0, 0);
    auto label = [&](const QString& name, const QString& text) {
        auto* l = new QLabel(text, Picture6);
        l->setObjectName(name);
        return l;
    };
    Label5 = label("Label5", "Reference: None");
    Label11 = label("Label11", QString::fromUtf8("\xCE\xB4"));
    Label12 = label("Label12", "(ppm)");
    QFont lf("Times New Roman");
    lf.setPixelSize(14);
    Label11->setFont(lf);
    Label12->setFont(lf);
    Label3 = label("Label3", "");
    Label1 = label("Label1", "Little endian");
    Label2 = label("Label2", "Big endian");
    Label1->installEventFilter(this);
    Label2->installEventFilter(this);
    Label1->setToolTip("Click to read the data as little endian");
    Label2->setToolTip("Click to read the data as big endian");
    Label4 = label("Label4", "Chemical Shift:");
    Label8 = label("Label8", "");
    Label9 = label("Label9", "");
    Label6 = label("Label6", "");
    auto* axisLegend = new QWidget(Picture6);
    auto* al = new QHBoxLayout(axisLegend);
    al->setContentsMargins(0, 0, 0, 0);
    al->addStretch(1);
    al->addWidget(Label11);
    al->addWidget(Label12);
    al->addStretch(1);
    legend->addWidget(Label5, 0, 0);
    legend->addWidget(axisLegend, 0, 1, 1, 2);
    legend->addWidget(Label1, 0, 3);
    legend->addWidget(Label2, 0, 4);
    legend->addWidget(Label4, 1, 0);
    legend->addWidget(Label8, 1, 1);
    legend->addWidget(Label9, 1, 2);
    legend->addWidget(Label6, 1, 3);
    legend->addWidget(Label3, 1, 4);
    column->addWidget(Picture6);
    ShowReadout(false);

    List3 = new QListWidget(central);
    List3->setObjectName("List3");
    List3->hide();
    List4 = new QListWidget(central);
    List4->setObjectName("List4");
    List4->hide();

    column->addStretch(1);
    setCentralWidget(central);
    PaintByteOrderLabels();
}

void Form100::BuildMenus() {
    auto add = [this](QMenu* menu, const QString& name, const QString& caption, std::function<void()> fn,
                      bool checkable = false) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(checkable);
        connect(a, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
        return a;
    };

    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    add(file, "mnuOpenFull", "&Open", [this] { mnuOpenFull_Click(); });
    add(file, "mnuOpenWRAqF", "Open Without Reading acqus File", [this] { mnuOpenWRAqF_Click(); })->setVisible(false);
    add(file, "mnuSave", "Save Current &Y values As...", [this] { mnuSave_Click(); });
    add(file, "mnuExportPicture", "Export Picture...", [this] { mnuExportPicture_Click(); });
    file->addSeparator();
    add(file, "mnuExit", "E&xit", [this] { mnuExit_Click(); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("mnuEdit");
    add(edit, "mnuCopy", "&Copy", [this] { mnuCopy_Click(); });
    add(edit, "mnuPaste", "&Paste", [this] { mnuPaste_Click(); });
    add(edit, "mnuDelFormula", "&Delete Formula", [this] { mnuDelFormula_Click(); })->setEnabled(false);
    connect(edit, &QMenu::aboutToShow, this, [this] { mnuEdit_Show(); });

    QMenu* graph = menuBar()->addMenu("&Graph");
    graph->setObjectName("mnuGraph");
    add(graph, "mnuLine", "&Line", [this] { SetStyle(ExpDrawStyle::Line); }, true)->setChecked(true);
    add(graph, "mnuPoints", "&Points", [this] { SetStyle(ExpDrawStyle::Points); }, true);
    add(graph, "mnuMediumPoints", "&Medium Points", [this] { SetStyle(ExpDrawStyle::MediumPoints); }, true);
    add(graph, "mnuBigPoints", "&Big Points", [this] { SetStyle(ExpDrawStyle::BigPoints); }, true);
    add(graph, "mnuBigPointsLine", "Big Points &+ Line", [this] { SetStyle(ExpDrawStyle::BigPointsLine); }, true);

    QAction* adjust = menuBar()->addAction("&Reference");
    adjust->setObjectName("mnuAdjust");
    connect(adjust, &QAction::triggered, this, [this] { mnuAdjust_Click(); });

    QMenu* data = menuBar()->addMenu("&Data");
    data->setObjectName("mnuData");
    add(data, "mnuDeltaPPM", "&Chemical Shift (ppm and Hz)", [this] { mnuDeltaPPM_Click(); }, true);
    add(data, "mnuFreqHz", "Frequency (Hz)", [this] { FreqHzToggled(); }, true)->setVisible(false);
    data->addSeparator();
    add(data, "mnuTransferData", "&Transfer Data to Simulator", [this] { mnuTransferData_Click(); });

    QMenu* center = menuBar()->addMenu("Center");
    center->setObjectName("mnuCenter");
    add(center, "mnuCrestThroughCenter", "On Crest or Through", [this] { CrestToggled(); }, true);
    center->menuAction()->setVisible(false);

    QMenu* window = menuBar()->addMenu("&Window");
    window->setObjectName("mnuWindow");
    add(window, "mnuSimul", "Spectrum &Simulation", [this] { mnuSimul_Click(); });
    add(window, "mnuExpSp", "&Experimental Spectrum", [this] { mnuExpSp_Click(); });
}

// ------------------------------------------------------------------ events

bool Form100::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (watched == Label10 && t == QEvent::MouseButtonDblClick) {
        Label10_DblClick();
        return true;
    }
    if (watched == Label1 && t == QEvent::MouseButtonRelease) {
        Label1_Click();
        return true;
    }
    if (watched == Label2 && t == QEvent::MouseButtonRelease) {
        Label2_Click();
        return true;
    }
    if (watched == Image1) {
        if (t == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            Image1_MouseDown(ButtonCode(me->button()));
            return true;
        }
        if (t == QEvent::MouseMove) {
            // The band lies over the graph: the drag goes on through it.
            auto* me = static_cast<QMouseEvent*>(event);
            const QPointF p = Image1->mapToParent(me->position());
            Picture1_MouseMove(ButtonCode(me->buttons()), ShiftState(me->modifiers()), p.x(), p.y());
            return true;
        }
    }
    if (t == QEvent::MouseMove && (watched == centralWidget() || watched == Picture7 || watched == Picture6)) {
        Form_MouseMove();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form100::closeEvent(QCloseEvent* event) {
    // The end of this window ends the program, as its Exit does.
    event->accept();
    mnuExit_Click();
}

// -------------------------------------------------------------------- load

void Form100::Form_Load() {
    spec_.BigEndian = true;
    PaintByteOrderLabels();
    spec_.NPointsSearch = 240;
    const std::filesystem::path first = FirstExampleSpectrum(programFolder_);
    lastChosen_ = first.generic_string();
    spec_.SpectrumPath = lastChosen_;
    spec_.ReadAcqus = true;
    std::error_code ec;
    if (std::filesystem::is_regular_file(first, ec)) {
        const OpenResult r = OpenNMRFile(spec_);
        if (r.ok()) {
            AfterOpening(r);
            ExamplePictureAdd((first.parent_path() / "Ex1.emf").string());
            return;
        }
        ShowFailure(r);
    }
    // Without the example the window starts empty; the user opens a file.
    Label10->setText("");
    EnterFullViewControls();
    Grafico();
}

void Form100::OpenFull() {
    std::string start = lastChosen_.empty() ? (programFolder_ / "Examples").generic_string() : lastChosen_;
    OpenResult r;
    for (;;) {
        const std::optional<std::string> chosen = dialogs_->OpenFile("Open", start, "");
        if (!chosen || chosen->empty()) return;
        lastChosen_ = *chosen;
        start = *chosen;
        r = OpenSpectrumFile(*chosen);
        if (r.status != OpenStatus::FileTypeUnsupported) return;
        if (dialogs_->MessageBox(r.title, r.text, MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
            spec_.OpenCancelled = true;
            return;
        }
    }
}

OpenResult Form100::OpenSpectrumFile(const std::string& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const OpenResult r = quble::OpenFull(spec_, path);
    QApplication::restoreOverrideCursor();
    if (r.ok()) {
        AfterOpening(r);
        VerifFormula();
    } else if (r.status != OpenStatus::FileTypeUnsupported) {
        ShowFailure(r);
    }
    return r;
}

void Form100::mnuOpenWRAqF_Click() {
    const std::string start = lastChosen_.empty() ? (programFolder_ / "Examples").generic_string() : lastChosen_;
    const std::optional<std::string> chosen = dialogs_->OpenFile("Open", start, "");
    if (!chosen || chosen->empty()) return;
    lastChosen_ = *chosen;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const OpenResult r = OpenWithoutAcqus(spec_, *chosen);
    QApplication::restoreOverrideCursor();
    if (!r.ok()) {
        ShowFailure(r);
        return;
    }
    AfterOpening(r);
    // Without a real axis there is nothing sound to expand or zoom to.
    Command4->hide();
    Image1->hide();
    Command12->hide();
    Command13->hide();
    if (frame_.showFrameExpand) frame_.showFrameExpand(false);
}

void Form100::AfterOpening(const OpenResult& r) {
    pickReference_ = false;
    HideHand();
    HideCursorLine();
    SetCross(false);
    Image1->hide();
    ShowExpandButtons(false);
    if (spec_.ReadAcqus) SetTitle(spec_.Title);
    Label3->setText(Q("File Size: " + std::to_string(spec_.FileSizeBytes) + " Bytes"));
    SetReferenceCaption(spec_.ReferenceCaption);
    PaintByteOrderLabels();
    List3->clear();
    for (const std::string& l : spec_.List3) List3->addItem(Q(l));
    List4->clear();
    for (const std::string& l : spec_.List4) List4->addItem(Q(l));
    Command12->show();
    Command13->show();
    EnterFullViewControls();
    Grafico();
    TellReference(r.reference);
}

void Form100::TellReference(const ReferenceOutcome& o) {
    if (!o.message.empty()) dialogs_->MessageBox("Reference", o.message, MsgButtons::Ok, MsgIcon::Information);
}

void Form100::ShowFailure(const OpenResult& r) {
    const std::string title = r.title.empty() ? std::string("Error!") : r.title;
    const std::string text = r.text.empty() ? std::string("The spectrum could not be opened.") : r.text;
    dialogs_->MessageBox(title, text, MsgButtons::Ok, MsgIcon::Critical);
}

void Form100::mnuExit_Click() {
    if (frame_.exitProgram) {
        frame_.exitProgram();
    } else {
        QCoreApplication::quit();
    }
}

void Form100::PaintByteOrderLabels() {
    label1Color_ = spec_.BigEndian ? kButtonFace : kYellow;
    label2Color_ = spec_.BigEndian ? kYellow : kButtonFace;
    Paint(Label1, label1Color_);
    Paint(Label2, label2Color_);
}

void Form100::Label1_Click() { ReadInByteOrder(false); }

void Form100::Label2_Click() { ReadInByteOrder(true); }

void Form100::ReadInByteOrder(bool bigEndian) {
    if (spec_.NPont < 1) {
        spec_.BigEndian = bigEndian;
        PaintByteOrderLabels();
        return;
    }
    const ReferenceOutcome o = ForceByteOrder(spec_, bigEndian);
    // The axis was rebuilt from the acquisition values: any calibration is gone.
    if (!o.adjusted) spec_.ReferenceCaption = "Reference: None";
    SetReferenceCaption(spec_.ReferenceCaption);
    PaintByteOrderLabels();
    Grafico();
}

void Form100::Label10_DblClick() {
    const std::optional<std::string> t =
        dialogs_->InputBox("Enter the title for this spectrum", "Spectrum Title", Label10->text().toStdString());
    if (!t || t->empty()) return;
    SetTitle(*t);
}

void Form100::SetReferenceCaption(const std::string& caption) { Label5->setText(Q(caption)); }

void Form100::SetTitle(const std::string& title) {
    spec_.Title = title;
    Label10->setText(Q(title));
    // Centred again at once, not only at the next layout pass.
    Picture7->layout()->activate();
}

// -------------------------------------------------------------------- view

void Form100::Grafico() {
    FullViewScaling(view_, spec_, picture1_->width(), picture1_->height());
    GrafMesmo();
}

void Form100::GrafMesmo() {
    picture1_->Draw([this](DrawingSurface& dc) {
        dc.Clear(0x00FFFFFF);
        GrafMesmoWnd(dc, view_, spec_, style_, 0.0);
    });
    ++redraws_;
}

void Form100::SetStyle(ExpDrawStyle style) {
    style_ = style;
    Action("mnuLine")->setChecked(style == ExpDrawStyle::Line);
    Action("mnuPoints")->setChecked(style == ExpDrawStyle::Points);
    Action("mnuMediumPoints")->setChecked(style == ExpDrawStyle::MediumPoints);
    Action("mnuBigPoints")->setChecked(style == ExpDrawStyle::BigPoints);
    Action("mnuBigPointsLine")->setChecked(style == ExpDrawStyle::BigPointsLine);
    GrafMesmo();
}

void Form100::Command2_Click() { SetStyle(ExpDrawStyle::Line), FocusGraph(); }
void Form100::Command5_Click() { SetStyle(ExpDrawStyle::Points), FocusGraph(); }
void Form100::Command6_Click() { SetStyle(ExpDrawStyle::MediumPoints), FocusGraph(); }
void Form100::Command14_Click() { SetStyle(ExpDrawStyle::BigPoints), FocusGraph(); }
void Form100::Command15_Click() { SetStyle(ExpDrawStyle::BigPointsLine), FocusGraph(); }

void Form100::FocusGraph() { picture1_->setFocus(Qt::OtherFocusReason); }

void Form100::ShowExpandButtons(bool on) {
    Command4->setVisible(on);
    if (frame_.showFrameExpand) frame_.showFrameExpand(on);
}

void Form100::UpdateScrollBar() {
    settingScroll_ = true;
    ScrollBar1->setRange(0, static_cast<int>(ScrollMax(view_, spec_.NPont)));
    ScrollBar1->setPageStep(static_cast<int>(std::max<std::int64_t>(1, view_.ShownWidth())));
    ScrollBar1->setValue(static_cast<int>(view_.FirstShown - 1));
    settingScroll_ = false;
}

void Form100::EnterFullViewControls() {
    ScrollBar1->hide();
    Command13->setEnabled(false);
    scrollReady_ = false;
}

void Form100::AfterViewChange() {
    if (IsFullView(view_, spec_.NPont)) {
        EnterFullViewControls();
    } else {
        UpdateScrollBar();
        ScrollBar1->show();
        Command13->setEnabled(true);
        scrollReady_ = true;
    }
    GrafMesmo();
    FocusGraph();
}

void Form100::Command4_Click() {
    if (!(selStartX_ < selEndX_) || spec_.NPont < 2) return;
    ScrollBar1->hide();
    Command13->setEnabled(false);
    scrollReady_ = false;
    Expand(view_, spec_.NPont, selStartX_, selEndX_);
    UpdateScrollBar();
    GrafMesmo();
    ShowExpandButtons(false);
    Image1->hide();
    picture1_->setToolTip("");
    Image1->setToolTip("");
    Command12->show();
    Command13->show();
    ScrollBar1->show();
    Command13->setEnabled(true);
    scrollReady_ = true;
    FocusGraph();
}

void Form100::Command3_Click() {
    if (spec_.NPont < 2) return;
    view_.PixPerPoint = view_.PixPerPointFull;
    view_.FirstShown = 1;
    view_.LastShown = spec_.NPont;
    view_.YMult = view_.YMultFull;
    EnterFullViewControls();
    GrafMesmo();
    FocusGraph();
}

void Form100::Command12_Click() {
    if (spec_.NPont < 2) return;
    Narrow(view_);
    UpdateScrollBar();
    ScrollBar1->show();
    Command13->setEnabled(true);
    scrollReady_ = true;
    GrafMesmo();
    FocusGraph();
}

void Form100::Command13_Click() {
    if (spec_.NPont < 2) return;
    Widen(view_, spec_.NPont);
    scrollReady_ = false;
    AfterViewChange();
}

void Form100::Command10_Click() {
    view_.YMult *= 1.5;
    GrafMesmo();
    FocusGraph();
}

void Form100::Command11_Click() {
    view_.YMult /= 1.5;
    GrafMesmo();
    FocusGraph();
}

void Form100::Command8_Click(int index, int shift) {
    if (spec_.NPont < 2 || view_.LastShown >= spec_.NPont) return;
    bool moved = false;
    if (index == 0) {
        moved = Step(view_, spec_.NPont, TenPointStepSize(shift));
    } else if (index == 1) {
        moved = Step(view_, spec_.NPont, stepper_.Press(-1));
    }
    if (moved) {
        if (ScrollBar1->isVisible() || scrollReady_) UpdateScrollBar();
        GrafMesmo();
    }
    FocusGraph();
}

void Form100::Command9_Click(int index, int shift) {
    if (spec_.NPont < 2 || view_.FirstShown <= 1) return;
    bool moved = false;
    if (index == 0) {
        moved = Step(view_, spec_.NPont, -TenPointStepSize(shift));
    } else if (index == 1) {
        moved = Step(view_, spec_.NPont, stepper_.Press(1));
    }
    if (moved) {
        if (ScrollBar1->isVisible() || scrollReady_) UpdateScrollBar();
        GrafMesmo();
    }
    FocusGraph();
}

void Form100::ScrollBar1_Change(int value) {
    if (!scrollReady_ || settingScroll_ || spec_.NPont < 2) return;
    ScrollTo(view_, spec_.NPont, value);
    GrafMesmo();
}

// Triggering a checkable action toggles its mark first, as the menu does.
void Form100::mnuCrestThroughCenter_Click() { Action("mnuCrestThroughCenter")->trigger(); }

void Form100::CrestToggled() {
    if (Action("mnuCrestThroughCenter")->isChecked()) {
        ShowReadout(false);
    } else {
        HideCursorLine();
    }
}

// ------------------------------------------------------------------- mouse

bool Form100::HandVisible() const { return !Image3->isHidden(); }

void Form100::SetCross(bool on) {
    cross_ = on;
    picture1_->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
}

void Form100::SetCursorLine(double x, ColorRef color, int width) {
    lineColor_ = color;
    lineWidth_ = width;
    const int left = static_cast<int>(std::lround(x)) - (width - 1) / 2;
    Line2->setGeometry(left, 0, width, picture1_->height());
    Paint(Line2, color);
    Line2->show();
    Line2->raise();
}

void Form100::HideCursorLine() { Line2->hide(); }

void Form100::ShowReadout(bool on) {
    for (QLabel* l : {Label4, Label6, Label8, Label9}) l->setVisible(on);
}

void Form100::ShowHand(double x, std::int64_t point) {
    const double top = static_cast<double>(view_.YOffset) - static_cast<double>(spec_.Ygraf[point]) * view_.YMult + 15.0;
    Image3->move(static_cast<int>(std::lround(x - 12.0)), static_cast<int>(std::lround(top)));
    Image3->show();
    Image3->raise();
}

void Form100::HideHand() { Image3->hide(); }

bool Form100::ReadingActive() const {
    return Action("mnuDeltaPPM")->isChecked() || Action("mnuFreqHz")->isChecked();
}

void Form100::Picture1_MouseDown(int button, int shift, double x, double y) {
    (void)shift, (void)y;
    if (button == 1) {
        if (pickReference_ && HandVisible()) {
            CalibrateAtCursor();
            return;
        }
        if (HandVisible() || cross_) return;
        selStartX_ = x;
        selecting_ = true;
        Image1->setGeometry(static_cast<int>(std::lround(x)), 0, 0, picture1_->height());
        Image1->show();
        Image1->raise();
        return;
    }
    if (button == 2) {
        if (pickReference_) {
            CancelPick();
            return;
        }
        if (cross_ && !HandVisible()) {
            if (spec_.NPont >= 2 && CenterOn(view_, spec_.NPont, cursorPoint_)) {
                scrollReady_ = false;
                UpdateScrollBar();
                ScrollBar1->show();
                Command13->setEnabled(true);
                scrollReady_ = true;
                GrafMesmo();
            }
            Action("mnuCrestThroughCenter")->setChecked(false);
            SetCross(false);
            HideCursorLine();
            return;
        }
        Image1->hide();
        ShowExpandButtons(false);
    }
}

void Form100::Picture1_MouseMove(int buttons, int shift, double x, double y) {
    (void)shift, (void)y;
    image4_->GraphMouseMove();
    if (buttons == 0) {
        if (spec_.NPont < 2) return;
        if (pickReference_) {
            SetCursorLine(x, lineColor_, lineWidth_);
            const std::int64_t cp = NearestPoint(x, view_.PixPerPoint, view_.FirstShown);
            if (cp > spec_.NPont || cp < 2) return;
            cursorPoint_ = cp;
            if (IsPeakPoint(spec_, cp)) {
                SetCursorLine(x, kRed, 3);
                SetCross(true);
                ShowHand(x, cp);
            } else {
                SetCursorLine(x, kBlack, 1);
                SetCross(false);
                HideHand();
            }
            return;
        }
        if (Action("mnuCrestThroughCenter")->isChecked()) {
            const std::int64_t cp = NearestPoint(x, view_.PixPerPoint, view_.FirstShown);
            cursorPoint_ = cp;
            const bool mark = IsCrestOrTrough(spec_, cp);
            SetCursorLine(x, mark ? kYellow : kBlue, 1);
            SetCross(mark);
            return;
        }
        if (ReadingActive()) {
            picture1_->setToolTip("");
            SetCursorLine(x, lineColor_, 1);
            const std::int64_t cp = NearestPoint(x, view_.PixPerPoint, view_.FirstShown);
            cursorPoint_ = cp;
            const std::optional<GraphReading> r = ReadingAt(spec_, cp);
            if (!r) return;
            ShowReadout(true);
            SetCursorLine(x, r->peak ? kYellow : kBlue, 1);
            SetCross(r->peak);
            for (QLabel* l : {Label6, Label8, Label9}) PaintText(l, r->peak ? kRed : kBlack);
            Label8->setText(Q(r->pointText));
            Label9->setText(Q(r->hzText));
            Label6->setText(Q(r->ppmText));
            return;
        }
        ShowReadout(false);
        return;
    }
    if ((buttons & 1) && selecting_ && x >= selStartX_ && x <= picture1_->width()) {
        Image1->setGeometry(static_cast<int>(std::lround(selStartX_)), 0,
                            static_cast<int>(std::lround(x - selStartX_)), picture1_->height());
    }
}

void Form100::Picture1_MouseUp(int button, int shift, double x, double y) {
    (void)shift, (void)y;
    if (button != 1 || !selecting_) return;
    selecting_ = false;
    selEndX_ = x;
    ShowExpandButtons(true);
}

void Form100::Image1_MouseDown(int button) {
    if (button == 1) {
        Image1->hide();
        selecting_ = false;
    } else if (button == 2) {
        Command4_Click();
    }
}

void Form100::Form_MouseMove() {
    if (pickReference_) return;
    HideCursorLine();
    ShowReadout(false);
}

// ------------------------------------------------------------- calibration

Form100::RefChoice Form100::RunRefDialog() {
    RefDialog d(this, *dialogs_, RefTable());
    d.exec();
    RefChoice c;
    // Closed without OK or Cancel counts as Cancel.
    c.RefCancelled = d.result() != QDialog::Accepted || d.RefCancelled;
    c.RefName = d.RefName;
    c.RefShift = d.RefShift;
    c.AutoAdjustTMS = d.AutoAdjustTMS;
    c.NPointsSearch = d.NPointsSearch;
    return c;
}

void Form100::mnuAdjust_Click() {
    if (spec_.NPont < 2 || !spec_.ReadAcqus) return;
    const RefChoice c = runRefDialog ? runRefDialog() : RunRefDialog();
    if (c.RefCancelled) return;
    refName_ = c.RefName;
    refShift_ = c.RefShift;
    spec_.NPointsSearch = c.NPointsSearch;
    spec_.AutoAdjustTMS = c.AutoAdjustTMS;
    if (spec_.AutoAdjustTMS) {
        const ReferenceOutcome o = FindAdjReference(spec_);
        spec_.AutoAdjustTMS = false;
        SetReferenceCaption(spec_.ReferenceCaption);
        GrafMesmo();
        TellReference(o);
        return;
    }
    if (const std::optional<ShownRange> range = FindAdjReferenceGeral(spec_, refShift_)) {
        scrollReady_ = false;
        ShowRange(view_, range->FirstShown, range->LastShown);
        UpdateScrollBar();
        GrafMesmo();
        scrollReady_ = true;
        ScrollBar1->show();
        Command12->show();
        Command13->show();
        Command13->setEnabled(true);
    }
    const std::string crlf = "\r\n";
    const MsgAnswer a = dialogs_->MessageBox(
        "Find Reference",
        "Left click over the desired reference peak," + crlf + "when the line is red and the hand is visible." +
            crlf + crlf + "To cancel the operation after closing this box," + crlf + "use the right mouse button.",
        MsgButtons::OkCancel, MsgIcon::Information);
    if (a == MsgAnswer::Ok) pickReference_ = true;
}

void Form100::CalibrateAtCursor() {
    HideHand();
    SetCursorLine(Line2->geometry().center().x(), kBlue, 1);
    CalibrateAtPoint(spec_, cursorPoint_, refShift_, refName_);
    pickReference_ = false;
    SetCross(false);
    SetReferenceCaption(spec_.ReferenceCaption);
    GrafMesmo();
    TurnReadingOn();
}

void Form100::CancelPick() {
    pickReference_ = false;
    HideHand();
    lineColor_ = kBlue;
    lineWidth_ = 1;
    if (!Line2->isHidden()) SetCursorLine(Line2->geometry().center().x(), kBlue, 1);
    SetCross(false);
    TurnReadingOn();
}

void Form100::TurnReadingOn() {
    if (Command1->text() == kReadOn) Command1_Click();
}

// ---------------------------------------------------------- reading, transfer

void Form100::Command1_Click() {
    QAction* ppm = Action("mnuDeltaPPM");
    if (Command1->text() == kReadOn) {
        Command1->setText(kReadOff);
        ppm->setChecked(true);
    } else {
        Command1->setText(kReadOn);
        ppm->setChecked(false);
        SetCross(false);
    }
    FocusGraph();
}

void Form100::mnuFreqHz_Click() { Action("mnuFreqHz")->trigger(); }

void Form100::FreqHzToggled() {
    if (!Action("mnuFreqHz")->isChecked()) {
        HideCursorLine();
        ShowReadout(false);
    }
}

void Form100::mnuTransferData_Click() {
    if (spec_.NPont < 1) return;
    // The copies carry any manual calibration over.
    spec_.ExpXnmrHz = spec_.XnmrHz;
    spec_.ExpYgraf = spec_.Ygraf;
    spec_.NPontExp = spec_.NPont;
    if (frame_.transfer) frame_.transfer(spec_.NPontExp, spec_.ExpXnmrHz.ToVector(), spec_.ExpYgraf.ToVector());
    if (frame_.showSimulatorPanel) frame_.showSimulatorPanel();
    if (frame_.showSimulator) frame_.showSimulator();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->hide();
    } else {
        hide();
    }
}

void Form100::mnuSave_Click() {
    if (spec_.NPont < 1) return;
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty()) docs = QDir::homePath();
    const std::string start = (docs + "/NMR Y Data.txt").toStdString();
    const std::optional<std::string> path = dialogs_->SaveFile("Save As", start, "Text (*.txt);;All Files(*.*)");
    if (!path || path->empty()) return;
    if (const std::string why = SaveYValuesFile(spec_, *path); !why.empty()) {
        dialogs_->MessageBox("Error!", why, MsgButtons::Ok, MsgIcon::Critical);
    }
}

void Form100::mnuSimul_Click() {
    if (frame_.showSimulatorPanel) frame_.showSimulatorPanel();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->hide();
    } else {
        hide();
    }
    if (frame_.showSimulator) frame_.showSimulator();
}

void Form100::mnuExpSp_Click() {
    if (frame_.showExperimentalPanel) frame_.showExperimentalPanel();
}

// ---------------------------------------------------------------- pictures

namespace {
// The plain message box of a failed metafile carries the application's title.
std::string AppTitle() {
    const QString n = QCoreApplication::applicationName();
    return n.isEmpty() ? "Quble" : n.toStdString();
}
constexpr const char* kNoPictureTitle = "No Picture!";
constexpr const char* kNoPictureText = "There is no metafile picture in the clipboard!";
}  // namespace

void Form100::SetClipboard(Clipboard* c) {
    if (c) {
        clipboard_ = c;
        return;
    }
    if (!ownClipboard_) ownClipboard_ = std::make_unique<QtClipboard>();
    clipboard_ = ownClipboard_.get();
}

ScreenMetrics Form100::Screen() const {
    const QScreen* s = screen();
    if (!s) s = QGuiApplication::primaryScreen();
    return ScreenMetricsOf(s);
}

ExpFormula Form100::Formula() const {
    ExpFormula f;
    f.ExpFormulaShown = ExpFormulaShown_;
    f.ExpFormulaFromExample = ExpFormulaFromExample_;
    f.ExpExampleFormulaPath = ExpExampleFormulaPath_;
    const QRectF r = image4_->UnitRect();
    f.Left = r.left();
    f.Top = r.top();
    f.Width = r.width();
    f.Height = r.height();
    return f;
}

ExpFrameLayout Form100::FrameLayout() const {
    ExpFrameLayout f;
    f.graphWidth = picture1_->width();
    f.graphHeight = picture1_->height();
    f.titleHeight = Picture7->height();
    f.legendHeight = Picture6->height();
    f.title = Label10->text().toStdString();
    // Positions as the strips hold them now; a label that has not been laid
    // out yet (a window never shown) is centred or left at its default.
    if (Label10->isVisibleTo(this) && Label10->width() > 0 && Picture7->layout()) {
        Picture7->layout()->activate();
        f.titleLeft = Label10->x();
        f.titleTop = Label10->y();
    }
    f.reference = Label5->text().toStdString();
    f.referenceLeft = Label5->x();
    f.referenceTop = Label5->y();
    const QPoint delta = Label11->mapTo(Picture6, QPoint(0, 0));
    f.deltaLeft = delta.x();
    f.deltaTop = delta.y();
    return f;
}

GraphPicture Form100::CurrentGraphPicture() const {
    std::vector<std::uint8_t> emf;
    if (ExpFormulaShown_ && image4_->HasPicture()) emf = image4_->Emf();
    return ExperimentalGraphPicture(view_, spec_, style_, FrameLayout(), std::move(emf), image4_->UnitRect(),
                                    Screen());
}

bool Form100::MakeCurPic2MF(std::vector<std::uint8_t>* bytes) {
    std::string error;
    if (!quble::MakeCurPic2MF(view_, spec_, style_, FrameLayout(), Formula(), Screen(), programFolder_.string(),
                              bytes, &error)) {
        dialogs_->MessageBox(AppTitle(), MetafileFailedText(error));
        return false;
    }
    return true;
}

void Form100::mnuCopy_Click() {
    std::vector<std::uint8_t> emf;
    if (!MakeCurPic2MF(&emf)) return;
    // The same drawing as SVG and PNG, for programs that take no metafile.
    const GraphPicture g = CurrentGraphPicture();
    const QByteArray svg = GraphSvg(g, false);
    const QByteArray png = GraphPng(g, false, 2.0 * g.screen.LOGPIXELSX);
    clipboard_->Clear();
    clipboard_->SetMimeData(PictureMimeData(emf, svg, png));
}

bool Form100::SaveClipFormulaSF(const std::vector<std::uint8_t>& emf, std::string* error) {
    return SaveClipMF(emf, programFolder_.string(), kSvClipMFSFFile, error);
}

bool Form100::ShowFormula(std::vector<std::uint8_t> emf) {
    const bool shown = image4_->ShowPicture(std::move(emf), kExpFormulaLeft, kExpFormulaTop, 200);
    if (shown) image4_->raise();
    return shown;
}

void Form100::mnuPaste_Click() {
    std::optional<ClipPicture> pic = TakeClipPicture(clipboard_->MimeData());
    std::vector<std::uint8_t> emf;
    if (pic) emf = FormulaEmfFromClip(*pic, nullptr);
    // An EMF without a size would show as nothing: no picture either.
    if (emf.empty() || FormulaNaturalSize(emf).isEmpty()) {
        dialogs_->MessageBox(kNoPictureTitle, kNoPictureText, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    // Kept first: a picture that cannot be saved would vanish from the next
    // copy, so it is not shown either and the current formula stays.
    if (std::string error; !SaveClipFormulaSF(emf, &error)) {
        dialogs_->MessageBox(AppTitle(), MetafileFailedText(error));
        return;
    }
    ShowFormula(std::move(emf));
    ExpFormulaShown_ = true;
    ExpFormulaFromExample_ = false;
    Action("mnuDelFormula")->setEnabled(true);
    QCoreApplication::processEvents();
}

void Form100::mnuDelFormula_Click() {
    image4_->ClearPicture();
    ExpFormulaShown_ = false;
    ExpFormulaFromExample_ = false;
    Action("mnuDelFormula")->setEnabled(false);
}

void Form100::ExamplePictureAdd(const std::string& path) {
    ExpExampleFormulaPath_ = path;
    image4_->ClearPicture();
    std::vector<std::uint8_t> emf;
    if (!ReadFormulaFile(path, &emf, nullptr) || !ShowFormula(std::move(emf))) {
        image4_->ClearPicture();
        ExpFormulaShown_ = ExpFormulaFromExample_ = false;
        Action("mnuDelFormula")->setEnabled(false);
        return;
    }
    ExpFormulaShown_ = ExpFormulaFromExample_ = true;
    Action("mnuDelFormula")->setEnabled(true);
}

void Form100::VerifFormula() {
    mnuDelFormula_Click();
    const std::filesystem::path folder = std::filesystem::path(spec_.SpectrumPath).parent_path();
    if (std::optional<std::filesystem::path> f = FindFormulaBeside(folder)) ExamplePictureAdd(f->string());
}

void Form100::mnuEdit_Show() {
    const bool paste = HasClipPicture(clipboard_->MimeData());
    Action("mnuPaste")->setEnabled(paste);
    if (frame_.enableFramePaste) frame_.enableFramePaste(paste);
    Action("mnuDelFormula")->setEnabled(ExpFormulaShown_);
}

void Form100::mnuExportPicture_Click() {
    ExportPictureDialog(*dialogs_, (programFolder_ / "Spectrum.emf").string(),
                        QLocale::system().decimalPoint().at(0).toLatin1(),
                        [this] { return CurrentGraphPicture(); });
}

}  // namespace quble
