#include "experimental/form100_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>
#include <vector>

#include "experimental/experimental_graph_picture.h"
#include "experimental/form100_util.h"
#include "experimental/graph_reading.h"
#include "platform/formula_image.h"
#include "platform/qt_dialogs.h"

namespace quble {

using form100::Paint;
using form100::PaintText;
using form100::Q;

namespace {

constexpr int kGraphWidth = 720;
constexpr int kGraphHeight = 400;
// Below this the axis labels crowd and a band is hard to drag.
constexpr int kGraphMinWidth = 320;
// The full view puts the lowest point at 88 % of the height and the axis
// labels 8 + 9 pixels under it, 12 pixels tall: below about 270 pixels the
// ppm numbers would be cut at the bottom.
constexpr int kGraphMinHeight = 270;
constexpr const char* kBandTip = "Press right mouse button to expand";
constexpr const char* kGraphTip = "Press left mouse button and drag to define area to be expanded";

int ShiftState(Qt::KeyboardModifiers m) { return GraphBoxBase::ShiftCode(m); }
int ButtonCode(Qt::MouseButtons b) { return GraphBoxBase::ButtonCode(b); }

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

// Widgets side by side at their preferred sizes, wrapping to a new row
// where the width runs out; hidden ones take no room.
class FlowRow : public QLayout {
public:
    FlowRow(QWidget* parent, int spacing) : QLayout(parent), gap_(spacing) { setContentsMargins(0, 0, 0, 0); }
    ~FlowRow() override {
        while (QLayoutItem* item = takeAt(0)) delete item;
    }
    void addItem(QLayoutItem* item) override { items_.push_back(item); }
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int i) const override { return i >= 0 && i < count() ? items_[i] : nullptr; }
    QLayoutItem* takeAt(int i) override {
        if (i < 0 || i >= count()) return nullptr;
        QLayoutItem* item = items_[i];
        items_.erase(items_.begin() + i);
        return item;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
    void setGeometry(const QRect& r) override {
        QLayout::setGeometry(r);
        const int height = Arrange(r, true);
        // The window's minimum must count the rows the present width makes,
        // or a window held at its minimum (maximized in a small workspace)
        // lays the rows below over the graph. Asked again only when the row
        // count changes, so this settles at once.
        if (height != wrappedHeight_) {
            wrappedHeight_ = height;
            invalidate();
            if (QWidget* w = parentWidget()) w->updateGeometry();
        }
    }
    // As wide as the widest widget: the rows take whatever width the window
    // has, they do not ask for it.
    QSize sizeHint() const override { return minimumSize(); }
    QSize minimumSize() const override {
        QSize m;
        for (QLayoutItem* item : items_) {
            if (!item->isEmpty()) m = m.expandedTo(item->minimumSize());
        }
        return {m.width(), std::max(m.height(), wrappedHeight_)};
    }

private:
    int Arrange(const QRect& r, bool place) const {
        int x = r.x(), y = r.y(), rowHeight = 0;
        for (QLayoutItem* item : items_) {
            if (item->isEmpty()) continue;
            const QSize hint = item->sizeHint();
            if (x > r.x() && x + hint.width() > r.right() + 1) {
                x = r.x();
                y += rowHeight + gap_;
                rowHeight = 0;
            }
            if (place) item->setGeometry(QRect(QPoint(x, y), hint));
            x += hint.width() + gap_;
            rowHeight = std::max(rowHeight, hint.height());
        }
        return y + rowHeight - r.y();
    }
    std::vector<QLayoutItem*> items_;
    int gap_;
    int wrappedHeight_ = 0;
};

}  // namespace
ReferenceTable& RefTable() {
    static ReferenceTable table;
    return table;
}

// ------------------------------------------------------------- graph box

ExpGraphBox::ExpGraphBox(QWidget* parent) : GraphBoxBase(parent, QSize(kGraphWidth, kGraphHeight), {}) {
    SetResizable(QSize(kGraphMinWidth, kGraphMinHeight));
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
    BuildControls();
    BuildMenus();
    SetUpKeyboard();
    formula_ = std::make_unique<FormulaPictureController>(
        image4_, programFolder_,
        FormulaPictureController::Placement{kExpFormulaLeft, kExpFormulaTop, 200, kSvClipMFSFFile, true},
        [this](bool on) { Action("mnuDelFormula")->setEnabled(on); });
    formula_->SetDialogs(dialogs_);
    SetClipboard(nullptr);
    runWork = ProgressRunner(this);
    ShowState();
    // The graph's preferred size, not the narrower guess a top level with
    // wrapping rows gets from the toolkit.
    resize(sizeHint());
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

    // Commands above the graph; they wrap to further rows rather than fall
    // off the edge of a narrow window.
    auto* bar = new QWidget(central);
    auto* row = new FlowRow(bar, 3);
    Command1 = button(bar, "Command1", kReadOnCaption, "");
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
    Command1->setMinimumWidth(Command1->fontMetrics().horizontalAdvance(kReadOffCaption) + 16);

    // Title strip.
    Picture7 = new QWidget(central);
    Picture7->setObjectName("Picture7");
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
    column->addWidget(picture1_, 1);
    connect(picture1_, &ExpGraphBox::mouseDown, this,
            [this](int b, int s, double x, double y) { Picture1_MouseDown(b, s, x, y); });
    connect(picture1_, &ExpGraphBox::mouseMove, this,
            [this](int b, int s, double x, double y) { Picture1_MouseMove(b, s, x, y); });
    connect(picture1_, &ExpGraphBox::mouseUp, this,
            [this](int b, int s, double x, double y) { Picture1_MouseUp(b, s, x, y); });
    connect(picture1_, &ExpGraphBox::mouseLeft, this, [this] { Form_MouseMove(); });
    connect(picture1_, &ExpGraphBox::resized, this, [this](QSize size) { Picture1_Resize(size); });

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
    // The byte order in use is shown by its label's colour, which should mark
    // the words, not the whole column.
    legend->addWidget(Label1, 0, 3, Qt::AlignLeft);
    legend->addWidget(Label2, 0, 4, Qt::AlignLeft);
    legend->addWidget(Label4, 1, 0);
    legend->addWidget(Label8, 1, 1);
    legend->addWidget(Label9, 1, 2);
    legend->addWidget(Label6, 1, 3);
    legend->addWidget(Label3, 1, 4);
    column->addWidget(Picture6);

    List3 = new QListWidget(central);
    List3->setObjectName("List3");
    List3->hide();
    List4 = new QListWidget(central);
    List4->setObjectName("List4");
    List4->hide();

    setCentralWidget(central);
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
    BuildAnalysisMenu(data);

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

// ------------------------------------------------------------ view state

void Form100::ShowState() {
    const ExpViewState& st = session_.state();
    const int h = picture1_->height();
    if (st.line.visible) {
        const int w = st.line.width;
        Line2->setGeometry(static_cast<int>(std::lround(st.line.x)) - (w - 1) / 2, 0, w, h);
        Paint(Line2, st.line.color);
        Line2->show();
        Line2->raise();
    } else {
        Line2->hide();
    }
    if (st.hand.visible) {
        Image3->move(st.hand.left, st.hand.top);
        Image3->show();
        Image3->raise();
    } else {
        Image3->hide();
    }
    picture1_->setCursor(st.cross ? Qt::CrossCursor : Qt::ArrowCursor);
    for (QLabel* l : {Label4, Label6, Label8, Label9}) l->setVisible(st.readout.visible);
    for (QLabel* l : {Label6, Label8, Label9}) PaintText(l, st.readout.peak ? kExpRed : kExpBlack);
    Label8->setText(Q(st.readout.pointText));
    Label9->setText(Q(st.readout.hzText));
    Label6->setText(Q(st.readout.ppmText));
    if (st.band.visible) {
        const bool appearing = Image1->isHidden();
        Image1->setGeometry(st.band.left, 0, st.band.width, h);
        Image1->show();
        if (appearing) Image1->raise();
    } else {
        Image1->hide();
    }
    picture1_->setToolTip(st.graphTip ? kGraphTip : "");
    Image1->setToolTip(st.bandTip ? kBandTip : "");
    Command4->setVisible(st.expandVisible);
    if (frameExpandShown_ != st.expandVisible) {
        frameExpandShown_ = st.expandVisible;
        if (frame_.showFrameExpand) frame_.showFrameExpand(st.expandVisible);
    }
    Command12->setVisible(st.narrowWidenVisible);
    Command13->setVisible(st.narrowWidenVisible);
    Command13->setEnabled(st.widenEnabled);
    settingScroll_ = true;
    ScrollBar1->setRange(0, static_cast<int>(st.scroll.max));
    ScrollBar1->setPageStep(static_cast<int>(st.scroll.page));
    ScrollBar1->setValue(static_cast<int>(st.scroll.value));
    settingScroll_ = false;
    ScrollBar1->setVisible(st.scroll.visible);
    Command1->setText(st.ReadCaption());
    Action("mnuDeltaPPM")->setChecked(st.reading);
    Action("mnuFreqHz")->setChecked(st.reading);
    Action("mnuCrestThroughCenter")->setChecked(st.crest);
    Action("mnuLine")->setChecked(st.style == ExpDrawStyle::Line);
    Action("mnuPoints")->setChecked(st.style == ExpDrawStyle::Points);
    Action("mnuMediumPoints")->setChecked(st.style == ExpDrawStyle::MediumPoints);
    Action("mnuBigPoints")->setChecked(st.style == ExpDrawStyle::BigPoints);
    Action("mnuBigPointsLine")->setChecked(st.style == ExpDrawStyle::BigPointsLine);
    if (Label10->text() != Q(st.title)) {
        Label10->setText(Q(st.title));
        // Centred again at once, not only at the next layout pass.
        Picture7->layout()->activate();
    }
    Label5->setText(Q(st.referenceCaption));
    Label3->setText(Q(st.fileSizeText));
    Paint(Label1, st.littleEndianColor);
    Paint(Label2, st.bigEndianColor);
}

void Form100::Tell(const std::vector<ExpMessage>& messages) {
    for (const ExpMessage& m : messages) dialogs_->MessageBox(m.title, m.text, m.buttons, m.icon);
}

void Form100::Apply(const ExpUpdate& u) {
    ShowState();
    if (u.opened) {
        const BrukerSpectrum& s = session_.spectrum();
        List3->clear();
        for (const std::string& l : s.List3) List3->addItem(Q(l));
        List4->clear();
        for (const std::string& l : s.List4) List4->addItem(Q(l));
    }
    if (u.redraw) GrafMesmo();
    if (u.focusGraph) picture1_->setFocus(Qt::OtherFocusReason);
    Tell(u.messages);
    if (u.askFindReference &&
        dialogs_->MessageBox(kFindReferenceTitle, kFindReferenceText, MsgButtons::OkCancel, MsgIcon::Information) ==
            MsgAnswer::Ok) {
        session_.StartPick();
        ShowState();
    }
}

void Form100::Grafico() { Apply(session_.Rescale()); }

void Form100::GrafMesmo() {
    picture1_->Draw([this](DrawingSurface& dc) { session_.Draw(dc); });
    ++redraws_;
}

// -------------------------------------------------------------------- load

void Form100::Form_Load() {
    const std::filesystem::path first = FirstExampleSpectrum(programFolder_);
    lastChosen_ = first.generic_string();
    const ExpUpdate u = session_.Load(first);
    Apply(u);
    if (u.opened) ExamplePictureAdd((first.parent_path() / "Ex1.emf").string());
}

void Form100::OpenFull() {
    std::string start = lastChosen_.empty() ? (programFolder_ / "Examples").generic_string() : lastChosen_;
    for (;;) {
        const std::optional<std::string> chosen = dialogs_->OpenFile("Open", start, "");
        if (!chosen || chosen->empty()) return;
        lastChosen_ = *chosen;
        start = *chosen;
        const OpenResult r = OpenSpectrumFile(*chosen);
        if (r.status != OpenStatus::FileTypeUnsupported) return;
        if (dialogs_->MessageBox(r.title, r.text, MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
            session_.spectrum().OpenCancelled = true;
            return;
        }
    }
}

OpenResult Form100::OpenSpectrumFile(const std::string& path) {
    OpenResult r;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExpUpdate u = session_.Open(path, &r);
    QApplication::restoreOverrideCursor();
    Apply(u);
    if (u.opened) VerifFormula();
    if (u.opened && frame_.spectrumOpened) frame_.spectrumOpened(path);
    return r;
}

void Form100::mnuOpenWRAqF_Click() {
    const std::string start = lastChosen_.empty() ? (programFolder_ / "Examples").generic_string() : lastChosen_;
    const std::optional<std::string> chosen = dialogs_->OpenFile("Open", start, "");
    if (!chosen || chosen->empty()) return;
    lastChosen_ = *chosen;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExpUpdate u = session_.OpenWithoutAcqus(*chosen);
    QApplication::restoreOverrideCursor();
    Apply(u);
}

void Form100::mnuExit_Click() {
    if (frame_.exitProgram) {
        frame_.exitProgram();
    } else {
        QCoreApplication::quit();
    }
}

void Form100::Label1_Click() { ReadInByteOrder(false); }
void Form100::Label2_Click() { ReadInByteOrder(true); }
void Form100::ReadInByteOrder(bool bigEndian) { Apply(session_.ReadInByteOrder(bigEndian)); }

void Form100::Label10_DblClick() {
    const std::optional<std::string> t =
        dialogs_->InputBox("Enter the title for this spectrum", "Spectrum Title", Label10->text().toStdString());
    if (!t || t->empty()) return;
    Apply(session_.SetTitle(*t));
}

// ---------------------------------------------------------- transfer, save

void Form100::HideToSimulator() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->hide();
    } else {
        hide();
    }
}

void Form100::mnuTransferData_Click() {
    if (!session_.PrepareTransfer()) return;
    const BrukerSpectrum& s = session_.spectrum();
    if (frame_.transfer) frame_.transfer(s.NPontExp, s.ExpXnmrHz.ToVector(), s.ExpYgraf.ToVector());
    if (frame_.showSimulatorPanel) frame_.showSimulatorPanel();
    if (frame_.showSimulator) frame_.showSimulator();
    HideToSimulator();
}

void Form100::mnuSave_Click() {
    const BrukerSpectrum& s = session_.spectrum();
    if (s.NPont < 1) return;
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty()) docs = QDir::homePath();
    const std::string start = (docs + "/NMR Y Data.txt").toStdString();
    const std::optional<std::string> path = dialogs_->SaveFile("Save As", start, "Text (*.txt);;All Files(*.*)");
    if (!path || path->empty()) return;
    if (const std::string why = SaveYValuesFile(s, *path); !why.empty()) {
        dialogs_->MessageBox("Error!", why, MsgButtons::Ok, MsgIcon::Critical);
    }
}

void Form100::mnuSimul_Click() {
    if (frame_.showSimulatorPanel) frame_.showSimulatorPanel();
    HideToSimulator();
    if (frame_.showSimulator) frame_.showSimulator();
}

void Form100::mnuExpSp_Click() {
    if (frame_.showExperimentalPanel) frame_.showExperimentalPanel();
}

}  // namespace quble
