#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/drop_filter.h"
#include "app/flow_layout.h"
#include "experimental/form100_window.h"
#include "experimental/reference_calibration.h"
#include "platform/qpainter_surface.h"
#include "platform/help_qt.h"
#include "platform/qt_dialogs.h"
#include "simulator/form1_window.h"

namespace quble {

namespace {

constexpr ColorRef kButtonFace = 0x8000000F;
constexpr ColorRef kShapeHighlight = 0x00C0FFC0;  // RGB(192, 255, 192)
constexpr int kTwipsPerPixel = 15;

}  // namespace

MainFrame::MainFrame(Dialogs* dialogs) : MainFrame(dialogs, {}) {}

MainFrame::MainFrame(Dialogs* dialogs, std::filesystem::path programFolder) : programFolder_(std::move(programFolder)) {
    setObjectName("MDIForm1");
    setWindowTitle("QUBLE2 - Quble");
    if (dialogs) {
        dialogs_ = dialogs;
    } else {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }

    auto* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    QAction* guide = help->addAction("&User Guide");
    guide->setObjectName("mnuUserGuide");
    guide->setShortcut(Qt::Key_F1);
    // Whichever window has the focus, the analysis windows' too.
    guide->setShortcutContext(Qt::ApplicationShortcut);
    connect(guide, &QAction::triggered, this, [this] { mnuUserGuide_Click(); });
    guideOpener_ = [](QString* error) { return OpenUserGuide(error); };
    QAction* about = help->addAction("&About Quble...");
    about->setObjectName("mnuAbout");
    connect(about, &QAction::triggered, this, [this] { ShowAbout(); });

    toolbar1_ = addToolBar("Toolbar1");
    toolbar1_->setObjectName("Toolbar1");
    toolbar1_->setMovable(false);
    const std::array<std::pair<const char*, const char*>, 3> keys{
        {{"Open", "Open experimental spectrum"}, {"Copy", "Copy color picture to clipboard"},
         {"Go", "Make all calculations and plot the graph"}}};
    for (const auto& [key, tip] : keys) {
        QAction* a = toolbar1_->addAction(key);
        a->setObjectName(QString("Toolbar1_") + key);
        a->setData(QString(key));
        a->setToolTip(tip);
        const QString k = key;
        connect(a, &QAction::triggered, this, [this, k] { Toolbar1_ButtonClick(k); });
    }

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);

    // Simulator panel.
    picture1_ = new QWidget(central);
    picture1_->setObjectName("Picture1");
    // Rows that wrap: every button stays within reach at any frame width.
    auto* row1 = new FlowLayout(picture1_);
    command1_ = MakeButton(picture1_, "Command1", "Go", "Make all calculations and plot the graph");
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    const std::array<std::pair<const char*, const char*>, 3> shapes{
        {{"Lorentzian", "Lorentzian line shape for simulated spectrum and individual peaks"},
         {"Gaussian", "Gaussian line shape for simulated spectrum and individual peaks"},
         {"Lorentzian+Gaussian", "Mixed Lorentzian + Gaussian line shape for simulated spectrum and individual peaks"}}};
    for (int i = 0; i < 3; ++i) {
        command2_[i] = MakeButton(picture1_, QString("Command2_%1").arg(i), shapes[i].first, shapes[i].second);
        command2_[i]->setAutoFillBackground(true);
        connect(command2_[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
    }
    auto* c3 = MakeButton(picture1_, "Command3", "Open Spectrum", "Open experimental spectrum");
    connect(c3, &QPushButton::clicked, this, [this] { form1_->mnuOpenExpSpec_Click(); });
    auto* c4 = MakeButton(picture1_, "Command4", "Copy", "Copy color picture to clipboard");
    connect(c4, &QPushButton::clicked, this, [this] { form1_->mnuCopyMF_Click(); });
    auto* c24 = MakeButton(picture1_, "Command24", "Copy B&&W", "Copy black & white picture to clipboard");
    connect(c24, &QPushButton::clicked, this, [this] { form1_->mnuCopyBW_Click(); });
    auto* c5 = MakeButton(picture1_, "Command5", "New", "Start a new spectrum");
    connect(c5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    auto* c6 = MakeButton(picture1_, "Command6", "Restart", "Start the program again, with example 1");
    connect(c6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    auto* c21 = MakeButton(picture1_, "Command21", "Paste", "Paste Formula or any other picture");
    connect(c21, &QPushButton::clicked, this, [this] { form1_->mnuPaste_Click(); });
    c21->hide();
    command23_ = MakeButton(picture1_, "Command23", "Mark Experimental Peaks",
                            "Mark the experimental peaks that belong to the simulated multiplet");
    command23_->setEnabled(false);
    connect(command23_, &QPushButton::clicked, this, [this] { form1_->mnuMarkPeaks_Click(); });
    for (int i = 1; i <= 3; ++i) {
        auto* l = new QLabel(picture1_);
        l->setObjectName(QString("Label%1").arg(i));
        l->setMinimumWidth(70);
        l->hide();
        // In the row, after the mark button: they read as its status.
        row1->addWidget(l);
        panelLabels_[i - 1] = l;
    }
    panelLabels_[1]->setText("Marking peaks");
    column->addWidget(picture1_);

    // Experimental panel: every button forwards to the experimental window,
    // which is created by the first of them used.
    picture2_ = new QWidget(central);
    picture2_->setObjectName("Picture2");
    new FlowLayout(picture2_);
    auto exp = [this](const QString& name, const QString& caption, const QString& tip,
                      std::function<void(Form100&)> command) {
        QPushButton* b = MakeButton(picture2_, name, caption, tip);
        connect(b, &QPushButton::clicked, this, [this, command = std::move(command)] { command(*EnsureForm100()); });
        return b;
    };
    exp("Command22", "Open", "Open a new spectrum", [](Form100& f) { f.mnuOpenFull_Click(); });
    exp("Command20", "Transfer Data to Simulator", "", [](Form100& f) { f.mnuTransferData_Click(); });
    exp("Command7", "Copy", "Copy picture to clipboard", [](Form100& f) { f.mnuCopy_Click(); });
    // Never shown; the experimental window's Edit menu enables it with "&Paste".
    command8_ = exp("Command8", "Paste", "", [](Form100& f) { f.mnuPaste_Click(); });
    command8_->hide();
    command9_ = exp("Command9", "Expand", "", [](Form100& f) { f.Command4_Click(); });
    command9_->hide();
    exp("Command10", "Full Spectrum", "", [](Form100& f) { f.Command3_Click(); });
    exp("Command11", "Line", "Experimental spectrum drawn as a line", [](Form100& f) { f.Command2_Click(); });
    exp("Command12", "Points", "Experimental spectrum drawn as points", [](Form100& f) { f.Command5_Click(); });
    exp("Command13", "Medium Points", "Experimental spectrum drawn as medium points",
        [](Form100& f) { f.Command6_Click(); });
    exp("Command14", "Big Points", "Experimental spectrum drawn as big points", [](Form100& f) { f.Command14_Click(); });
    exp("Command15", "Big Points + Line", "Experimental spectrum drawn as big points and a line",
        [](Form100& f) { f.Command15_Click(); });
    exp("Command16", "Narrow", "Show a narrower region", [](Form100& f) { f.Command12_Click(); });
    exp("Command17", "Widen", "Show a wider region", [](Form100& f) { f.Command13_Click(); });
    exp("Command18", "Stretch", "Stretch vertically", [](Form100& f) { f.Command10_Click(); });
    exp("Command19", "Shrink", "Shrink vertically", [](Form100& f) { f.Command11_Click(); });
    picture2_->hide();
    column->addWidget(picture2_);

    mdi_ = new QMdiArea(central);
    mdi_->setObjectName("MDIArea");
    // A workspace smaller than its windows scrolls to them.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    column->addWidget(mdi_, 1);
    setCentralWidget(central);

    for (int i = 0; i < 3; ++i) shapeColors_[i] = kButtonFace;
    MDIForm_Load();
    AcceptDrops(this, false, [this](const DropTarget& t) { HandleDrop(t, this); });
}

MainFrame::~MainFrame() = default;

QPushButton* MainFrame::MakeButton(QWidget* panel, const QString& name, const QString& caption, const QString& tip) {
    auto* b = new QPushButton(caption, panel);
    b->setObjectName(name);
    if (!tip.isEmpty()) b->setToolTip(tip);
    panel->layout()->addWidget(b);
    return b;
}

void MainFrame::MDIForm_Load() {
    form1_ = new Form1(nullptr, dialogs_, false);
    if (!programFolder_.empty()) form1_->SetProgramFolder(programFolder_);
    Form1::FrameLink link;
    link.highlightShapeButton = [this](int i) { HighlightShapeButton(i); };
    // The toolbar's Go follows the window's: after New or an edited count
    // there is nothing sound to calculate from.
    link.enableGoButton = [this](bool on) {
        command1_->setEnabled(on);
        if (QAction* go = toolbar1_->findChild<QAction*>("Toolbar1_Go")) go->setEnabled(on);
    };
    link.showSimulatorPanel = [this] { ShowPanels(true); };
    link.showExperimentalPanel = [this] { ShowPanels(false); };
    link.exitProgram = [] { QCoreApplication::quit(); };
    link.openExperimental = [this](bool autoTms) { return OpenExperimental(autoTms); };
    link.transferExperimental = [this] {
        if (form100_) form100_->mnuTransferData_Click();
    };
    link.showMarking = [this](const FrameMarking& m) { ShowMarking(m); };
    link.enableMarkButton = [this](bool on) { command23_->setEnabled(on); };
    link.showExperimentalWindow = [this] { ShowExperimental(); };
    form1_->SetFrameLink(std::move(link));

    form1Sub_ = mdi_->addSubWindow(form1_);
    form1Sub_->setObjectName("Form1Window");
    KeepWholeWhenMaximized(form1Sub_);
    form1Sub_->setGeometry(0, 0, 11685 / kTwipsPerPixel, 9000 / kTwipsPerPixel);
    form1Sub_->show();
    AcceptDrops(form1_, true, [this](const DropTarget& t) { HandleDrop(t, form1_); });
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (w && w == form1Sub_) ShowPanels(true);  // Form_Activate
        if (w && w == form100Sub_) ShowPanels(false);
    });
    RefTable() = MakeReferenceTable();
    form1_->Form_Load();
}

Form100* MainFrame::EnsureForm100() {
    if (form100_) return form100_;
    ++form100Creations_;
    form100_ = new Form100(nullptr, dialogs_, form1_->ProgramFolder(), false);
    Form100::FrameLink link;
    link.showSimulatorPanel = [this] { ShowPanels(true); };
    link.showExperimentalPanel = [this] { ShowPanels(false); };
    link.showSimulator = [this] { form1_->mnuSimul_Click(); };
    link.showFrameExpand = [this](bool on) { command9_->setVisible(on); };
    link.transfer = [this](std::int32_t n, const std::vector<double>& x, const std::vector<std::int32_t>& y) {
        form1_->SetOverlayMHz(form100_->spectrum().SFMeu);
        form1_->ReceiveExperimentalData(n, x, y);
    };
    // The boxes first: the transfer takes the multiplet's range from the
    // calculation they give.
    link.sendAnalysis = [this](const analysis::MultipletAnalysis& a) {
        form1_->ReceiveAnalysis(a);
        form100_->mnuTransferData_Click();
    };
    link.exitProgram = [] { QCoreApplication::quit(); };
    link.enableFramePaste = [this](bool on) { command8_->setEnabled(on); };
    link.spectrumOpened = [this](const std::string& path) { SpectrumOpened(path); };
    form100_->SetFrameLink(std::move(link));
    // One clipboard for both windows.
    form100_->SetClipboard(&form1_->clipboard());
    form100Sub_ = mdi_->addSubWindow(form100_);
    form100Sub_->setObjectName("Form100Window");
    KeepWholeWhenMaximized(form100Sub_);
    form100_->Form_Load();
    form100Sub_->adjustSize();
    form100Sub_->move(0, 0);
    if (!ApplyPlace(form100Sub_)) FillWorkspace(form100Sub_);
    KeepInWorkspace(form100Sub_);
    AcceptDrops(form100_, true, [this](const DropTarget& t) { HandleDrop(t, form100_); });
    AddRecentMenu();
    ShowExperimental();
    return form100_;
}

void MainFrame::ShowExperimental() {
    if (!form100_) {
        EnsureForm100();
        return;
    }
    ShowPanels(false);
    form100_->show();
    form100Sub_->show();
    mdi_->setActiveSubWindow(form100Sub_);
}

bool MainFrame::OpenExperimental(bool autoAdjustTMS) {
    ShowExperimental();
    BrukerSpectrum& opened = form100_->spectrum();
    opened.AutoAdjustTMS = autoAdjustTMS;
    const int before = form100_->session().OpeningCount();
    form100_->OpenFull();
    // The flag is the simulator's to read and reset.
    opened.OpenCancelled = false;
    return form100_->session().OpeningCount() > before;
}

void MainFrame::ShowMarking(const FrameMarking& m) {
    command23_->setText(m.on ? "End Mark" : "Mark Experimental Peaks");
    panelLabels_[0]->setVisible(m.label1Visible);
    panelLabels_[0]->setText(QString::fromStdString(m.label1Text));
    panelLabels_[1]->setVisible(m.label2Visible);
    panelLabels_[2]->setVisible(m.label3Visible);
    panelLabels_[2]->setText(QString::fromStdString(m.label3Text));
    QPalette pal = panelLabels_[2]->palette();
    pal.setColor(QPalette::WindowText, ToQColor(m.label3Colour));
    panelLabels_[2]->setPalette(pal);
}

void MainFrame::ShowPanels(bool simulator) {
    picture1_->setVisible(simulator);
    picture2_->setVisible(!simulator);
}

void MainFrame::HighlightShapeButton(int index) {
    for (int i = 0; i < 3; ++i) {
        shapeColors_[i] = i == index ? kShapeHighlight : kButtonFace;
        QPalette pal = command2_[i]->palette();
        pal.setColor(QPalette::Button, ToQColor(shapeColors_[i]));
        command2_[i]->setPalette(pal);
    }
}

void MainFrame::Command1_Click() { form1_->Command1_Click(); }

void MainFrame::Command2_Click(int index) {
    if (index < 0 || index > 2) return;
    HighlightShapeButton(index);
    QApplication::processEvents();
    switch (index) {
        case 0: form1_->mnuLorentzian_Click(); break;
        case 1: form1_->mnuGaussian_Click(); break;
        case 2: form1_->mnuLorGauss_Click(); break;
    }
}

void MainFrame::Command5_Click() { form1_->mnuNew_Click(); }
void MainFrame::Command6_Click() { form1_->mnuRestart_Click(); }

void MainFrame::Toolbar1_ButtonClick(const QString& key) {
    if (key == "Open") {
        form1_->mnuOpenExpSpec_Click();
    } else if (key == "Copy") {
        form1_->mnuCopyMF_Click();
    } else if (key == "Go") {
        // A disabled button must not calculate when the key is sent directly.
        if (QAction* go = toolbar1_->findChild<QAction*>("Toolbar1_Go"); go && !go->isEnabled()) return;
        form1_->Command1_Click();
    }
}

void MainFrame::ShowAbout() {
    AboutBox box(this, *dialogs_);
    box.exec();
}

}  // namespace quble
