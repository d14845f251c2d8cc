#include "simulator/options_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <charconv>

#include "platform/qpainter_surface.h"
#include "settings/graph_background.h"
#include "simulator/background_window.h"
#include "simulator/form1_window.h"

namespace quble {

namespace {

ColorRef ColourOf(const std::string& text) {
    unsigned long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size() ? static_cast<ColorRef>(v) : 0;
}

constexpr std::array<double, 4> kRadii = {1.0, 1.5, 2.0, 2.5};

}  // namespace

DrawSample::DrawSample(QWidget* parent, bool point, double size) : QWidget(parent), point_(point), size_(size) {
    setMinimumSize(40, 14);
}

void DrawSample::SetColor(ColorRef c) {
    color_ = c;
    update();
}

void DrawSample::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = ToQColor(ResolveColor(color_));
    const double y = height() / 2.0;
    if (point_) {
        // Drawn at twice the graph's scale so the four sizes can be told apart.
        const double r = 2.0 * size_;
        p.setPen(QPen(c, 1.0));
        for (int k = 0; k < 3; ++k) p.drawEllipse(QPointF(8.0 + 12.0 * k, y), r, r);
    } else {
        p.setPen(QPen(c, size_));
        p.drawLine(QPointF(2, y), QPointF(width() - 2, y));
    }
}

OptionsWindow::OptionsWindow(Form1* form, Dialogs* dialogs) : QDialog(form), form_(form), dialogs_(dialogs) {
    setObjectName("frmOptions");
    setWindowTitle("Set Options for Graph");
    setModal(true);
    auto* top = new QVBoxLayout(this);

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("mnuFile");
    auto item = [&](const char* name, const char* caption, std::function<void()> f) {
        QAction* a = file->addAction(caption);
        a->setObjectName(name);
        if (f) connect(a, &QAction::triggered, this, f);
    };
    item("mnuSavePreferences", "&Save Preferences", [this] { mnuSavePreferences_Click(); });
    item("mnuRecover", "&Recover Original Settings", nullptr);
    file->addSeparator();
    item("mnuOK", "&OK", [this] { cmdOK_Click(); });
    item("mnuCancel", "&Cancel", [this] { cmdCancel_Click(); });
    item("mnuApply", "&Apply", [this] { cmdApply_Click(); });
    top->setMenuBar(bar);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("tabs");
    top->addWidget(tabs);

    // What is shown.
    auto* viewPage = new QWidget;
    auto* viewLay = new QVBoxLayout(viewPage);
    const std::array<const char*, 7> checkCaptions = {"Splitting Diagram",
                                                      "J (Hz) Labels",
                                                      "Histogram",
                                                      "Lorentzian/Gaussian Individual Peaks",
                                                      "Peak Labels",
                                                      "Simulated Spectrum (Lor/Gau Envelope)",
                                                      "Experimental Spectrum"};
    for (int i = 0; i < 7; ++i) {
        auto* c = new QCheckBox(checkCaptions[static_cast<std::size_t>(i)], viewPage);
        c->setObjectName(QString("Check1_%1").arg(i));
        connect(c, &QCheckBox::clicked, this, [this, i] { Check1_Click(i); });
        check1_[static_cast<std::size_t>(i)] = c;
        viewLay->addWidget(c);
    }
    viewLay->addStretch();
    tabs->addTab(viewPage, "View");

    // Lines and points.
    auto* linePage = new QWidget;
    auto* lineLay = new QVBoxLayout(linePage);
    auto radio = [this](QWidget* parent, int n, const QString& caption) {
        auto* r = new QRadioButton(caption, parent);
        r->setObjectName(QString("Option%1").arg(n));
        option_[static_cast<std::size_t>(n)] = r;
        return r;
    };
    auto* shapeFrame = new QGroupBox("Choose Line Shape for Simulated Spectrum", linePage);
    shapeFrame->setObjectName("Frame1");
    auto* shapeLay = new QHBoxLayout(shapeFrame);
    shapeLay->addWidget(radio(shapeFrame, 1, "Lorentzian"));
    shapeLay->addWidget(radio(shapeFrame, 2, "Gaussian"));
    shapeLay->addWidget(radio(shapeFrame, 3, "Lorentzian + Gaussian"));
    lineLay->addWidget(shapeFrame);

    auto* envFrame = new QGroupBox("Choose Line Width for the Simulated Spectrum", linePage);
    envFrame->setObjectName("Frame2");
    auto* envLay = new QGridLayout(envFrame);
    for (int k = 0; k < 3; ++k) {
        envLay->addWidget(radio(envFrame, 8 + k, QString::number(k + 1)), k, 0);
        envSamples_[static_cast<std::size_t>(k)] = new DrawSample(envFrame, false, k + 1);
        envLay->addWidget(envSamples_[static_cast<std::size_t>(k)], k, 1);
    }
    lineLay->addWidget(envFrame);

    auto* expFrame = new QGroupBox("Choose Point Size or Line Width for the Experimental Spectrum", linePage);
    expFrame->setObjectName("Frame3");
    auto* expLay = new QGridLayout(expFrame);
    expLay->addWidget(new QLabel("Point Size", expFrame), 0, 0, 1, 2);
    expLay->addWidget(new QLabel("Line Width", expFrame), 0, 2, 1, 2);
    const std::array<const char*, 4> sizeCaptions = {"1", "1.5", "2", "2.5"};
    for (int k = 0; k < 4; ++k) {
        expLay->addWidget(radio(expFrame, 4 + k, sizeCaptions[static_cast<std::size_t>(k)]), k + 1, 0);
        pointSamples_[static_cast<std::size_t>(k)] = new DrawSample(expFrame, true, kRadii[static_cast<std::size_t>(k)]);
        expLay->addWidget(pointSamples_[static_cast<std::size_t>(k)], k + 1, 1);
    }
    for (int k = 0; k < 3; ++k) {
        expLay->addWidget(radio(expFrame, 11 + k, QString::number(k + 1)), k + 1, 2);
        expLineSamples_[static_cast<std::size_t>(k)] = new DrawSample(expFrame, false, k + 1);
        expLay->addWidget(expLineSamples_[static_cast<std::size_t>(k)], k + 1, 3);
    }
    lineLay->addWidget(expFrame);
    lineLay->addStretch();
    tabs->addTab(linePage, "Lines and Points");

    // Option buttons exclude their siblings: each frame is one choice, and
    // the experimental points and lines share a frame, so one of the seven.

    // Colours and background.
    auto* colourPage = new QWidget;
    auto* colourLay = new QVBoxLayout(colourPage);
    auto* colourFrame = new QGroupBox("Colors ", colourPage);
    colourFrame->setObjectName("Frame4");
    auto* cl = new QGridLayout(colourFrame);
    const std::array<const char*, 3> colourCaptions = {"Lorentzian/Gaussian Individual Peaks",
                                                       "Simulated Spectrum (Lor/Gau Envelope)",
                                                       "Experimental Spectrum "};
    for (int k = 0; k < 3; ++k) {
        auto* l = new QLabel(colourCaptions[static_cast<std::size_t>(k)], colourFrame);
        l->setObjectName(QString("Label1_%1").arg(k));
        l->setAutoFillBackground(true);
        l->setFrameShape(QFrame::Box);
        l->setMinimumHeight(24);
        label1_[static_cast<std::size_t>(k)] = l;
        auto* b = new QPushButton("Change", colourFrame);
        b->setObjectName(QString("Command1_%1").arg(k));
        connect(b, &QPushButton::clicked, this, [this, k] { Command1_Click(k); });
        cl->addWidget(l, k, 0);
        cl->addWidget(b, k, 1);
    }
    auto* bgLabel = new QLabel("Graph Background", colourFrame);
    bgLabel->setObjectName("Label2");
    picture2_ = new GridPreview(colourFrame);
    picture2_->setObjectName("Picture2");
    auto* bgChange = new QPushButton("Change", colourFrame);
    bgChange->setObjectName("Command1_3");
    connect(bgChange, &QPushButton::clicked, this, [this] { Command1_Click(3); });
    cl->addWidget(bgLabel, 3, 0);
    cl->addWidget(picture2_, 4, 0);
    cl->addWidget(bgChange, 4, 1);
    colourLay->addWidget(colourFrame);
    colourLay->addStretch();
    tabs->addTab(colourPage, "Colors");

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const char* caption, std::function<void()> f) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, f);
        buttons->addWidget(b);
        return b;
    };
    button("CmdSave", "Save Preferences", [this] { CmdSave_Click(); });
    button("Command2", "Restore Original Settings", [this] { Command2_Click(); });
    buttons->addStretch();
    button("cmdOK", "OK", [this] { cmdOK_Click(); })->setDefault(true);
    button("cmdCancel", "Cancel", [this] { cmdCancel_Click(); });
    button("cmdApply", "Apply", [this] { cmdApply_Click(); });
    top->addLayout(buttons);

    saved_ = form_->CurrentSettings();
    ToControls(saved_);
}

void OptionsWindow::ToControls(const GraphSettings& s) {
    const std::array<bool, 7> view = {s.splitDia, s.jLabels, s.histogram, s.indPeaks,
                                      s.peakLabels, s.envelope, s.expSpectrum};
    for (std::size_t i = 0; i < 7; ++i) check1_[i]->setChecked(view[i]);
    check1_[1]->setEnabled(s.jLabelsEnabled);
    option_[1 + static_cast<std::size_t>(s.lineShape)]->setChecked(true);
    // Option buttons follow the menu ticks; with none ticked none is chosen.
    auto setGroup = [this](int first, int count, const bool* ticks) {
        for (int k = 0; k < count; ++k) {
            QRadioButton* r = option_[static_cast<std::size_t>(first + k)];
            r->setAutoExclusive(false);
            r->setChecked(ticks[k]);
            r->setAutoExclusive(true);
        }
    };
    setGroup(8, 3, s.envWidthTicks.data());
    for (int k = 4; k <= 13; ++k) option_[static_cast<std::size_t>(k)]->setAutoExclusive(false);
    for (int k = 0; k < 4; ++k) option_[static_cast<std::size_t>(4 + k)]->setChecked(s.pointSizeTicks[static_cast<std::size_t>(k)]);
    for (int k = 0; k < 3; ++k) option_[static_cast<std::size_t>(11 + k)]->setChecked(s.expWidthTicks[static_cast<std::size_t>(k)]);
    for (int k = 4; k <= 13; ++k) option_[static_cast<std::size_t>(k)]->setAutoExclusive(true);
    SetSwatch(0, ColourOf(s.IndPeakColor));
    SetSwatch(1, ColourOf(s.EnvColor));
    SetSwatch(2, ColourOf(s.ExpColor));
    ShowBackground();
}

void OptionsWindow::ShowBackground() {
    const DrawOptions& o = form_->plot().options;
    picture2_->Show(BackColorForIndex(o.BackColorIndex), o.Grid, o.GridColorCode);
}

void OptionsWindow::SetSwatch(int index, ColorRef c) {
    swatch_[static_cast<std::size_t>(index)] = c;
    QLabel* l = label1_[static_cast<std::size_t>(index)];
    // The caption stays readable on any swatch colour.
    const QColor q = ToQColor(ResolveColor(c));
    const QColor text = q.lightness() < 140 ? Qt::white : Qt::black;
    l->setStyleSheet(QString("QLabel { background-color: %1; color: %2; border: 1px solid black; }")
                         .arg(q.name(), text.name()));
    if (index == 1)
        for (DrawSample* d : envSamples_) d->SetColor(c);
    if (index == 2) {
        for (DrawSample* d : pointSamples_) d->SetColor(c);
        for (DrawSample* d : expLineSamples_) d->SetColor(c);
    }
}

void OptionsWindow::Check1_Click(int index) {
    if (index != 0) return;
    const bool on = check1_[0]->isChecked();
    check1_[1]->setChecked(on);
    check1_[1]->setEnabled(on);
}

GraphSettings OptionsWindow::FromControls() const {
    GraphSettings s = form_->CurrentSettings();
    s.splitDia = check1_[0]->isChecked();
    s.jLabelsEnabled = s.splitDia;
    s.jLabels = check1_[1]->isChecked();
    s.histogram = check1_[2]->isChecked();
    s.indPeaks = check1_[3]->isChecked();
    s.peakLabels = check1_[4]->isChecked();
    s.envelope = check1_[5]->isChecked();
    s.expSpectrum = check1_[6]->isChecked();
    for (int k = 0; k < 3; ++k)
        if (option_[static_cast<std::size_t>(1 + k)]->isChecked()) s.lineShape = static_cast<LineShapeChoice>(k);
    s.IndPeakColor = std::to_string(swatch_[0]);
    s.EnvColor = std::to_string(swatch_[1]);
    s.ExpColor = std::to_string(swatch_[2]);
    for (int k = 0; k < 4; ++k)
        if (option_[static_cast<std::size_t>(4 + k)]->isChecked()) ChoosePointSize(s, k);
    for (int k = 0; k < 3; ++k) SetEnvWidthTick(s, k, option_[static_cast<std::size_t>(8 + k)]->isChecked());
    for (int k = 0; k < 3; ++k)
        if (option_[static_cast<std::size_t>(11 + k)]->isChecked()) ChooseExpLineWidth(s, k);
    return s;
}

void OptionsWindow::cmdApply_Click() { form_->ApplyOptions(FromControls()); }

void OptionsWindow::cmdOK_Click() {
    cmdApply_Click();
    closing_ = true;
    accept();
}

void OptionsWindow::cmdCancel_Click() {
    form_->ApplyOptions(saved_);
    form_->SpecBackground();
    closing_ = true;
    QDialog::reject();
}

void OptionsWindow::reject() {
    if (!closing_) cmdCancel_Click();
}

void OptionsWindow::Command1_Click(int index) {
    if (index >= 0 && index < 3) {
        const std::optional<ColorRef> c = dialogs_->ChooseColor(swatch_[static_cast<std::size_t>(index)]);
        if (c) SetSwatch(index, *c);
        return;
    }
    if (index != 3) return;
    if (!form5_) {
        BackgroundLink link;
        link.backIndex = [this] { return form_->plot().options.BackColorIndex; };
        link.grid = [this] { return form_->plot().options.Grid; };
        link.gridCode = [this] { return form_->plot().options.GridColorCode; };
        link.set = [this](int backIndex, bool grid, int code) {
            DrawOptions& o = form_->plot().options;
            o.BackColorIndex = backIndex;
            o.Grid = grid;
            o.GridColorCode = code;
            form_->SpecBackground();
        };
        form5_ = new Form5(this, std::move(link));
        connect(form5_, &QDialog::accepted, this, [this] { ShowBackground(); });
    }
    form5_->open();
}

bool OptionsWindow::AskSaveWholeSet() {
    return dialogs_->MessageBox(kSaveWholeSetTitle, kSaveWholeSetText, MsgButtons::YesNo, MsgIcon::Question) ==
           MsgAnswer::Yes;
}

void OptionsWindow::CmdSave_Click() {
    if (!AskSaveWholeSet()) return;
    cmdApply_Click();
    form_->WriteIni(FromControls());
}

void OptionsWindow::mnuSavePreferences_Click() {
    if (!AskSaveWholeSet()) return;
    form_->WriteIni(FromControls());
}

void OptionsWindow::Command2_Click() {
    form_->OrigSet();
    form_->CalcFirstPlot();
    closing_ = true;
    accept();
}

}  // namespace quble
