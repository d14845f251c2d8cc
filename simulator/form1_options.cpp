// The simulator window's side of the preferences: the settings file read at
// start, written on request, and the line-31 rewrite.
#include <QAction>

#include "render/plot_settings.h"
#include "settings/graph_background.h"
#include "simulator/form1_window.h"
#include "simulator/options_window.h"

namespace quble {

namespace {

bool Ticked(const Form1& f, const QString& name) {
    const QAction* a = f.Action(name);
    return a && a->isChecked();
}

void Tick(const Form1& f, const QString& name, bool on) {
    if (QAction* a = f.Action(name)) a->setChecked(on);
}

const std::array<const char*, 4> kPointSizeItems = {"mnuPointSize1", "mnuPointSize1_5", "mnuPointSize2",
                                                    "mnuPointSize2_5"};

}  // namespace

std::filesystem::path Form1::SettingsFile() const { return programFolder_ / kSettingsFileName; }

GraphSettings Form1::CurrentSettings() const {
    GraphSettings s;
    const ViewTicks& v = plot_.view;
    s.splitDia = v.mnuSplitDia;
    s.jLabels = v.mnuJLabels;
    s.jLabelsEnabled = v.mnuJLabelsEnabled;
    s.histogram = v.mnuHistogram;
    s.indPeaks = v.mnuGaussianIndPeak;
    s.peakLabels = v.mnuPeakLabels;
    s.envelope = v.mnuGaussianEnv;
    s.expSpectrum = v.mnuViewExpSp;
    s.lineShape = sim_.ticks.mnuLorentzian ? LineShapeChoice::Lorentzian
                  : sim_.ticks.mnuLorGauss ? LineShapeChoice::LorGauss
                                           : LineShapeChoice::Gaussian;
    const DrawOptions& o = plot_.options;
    s.IndPeakColor = std::to_string(o.IndPeakColor);
    s.EnvColor = std::to_string(o.EnvColor);
    s.ExpColor = std::to_string(o.ExpColor);
    s.backColorIndex = o.BackColorIndex;
    s.grid = o.Grid;
    s.gridColorCode = o.GridColorCode;
    for (std::size_t k = 0; k < 4; ++k) s.pointSizeTicks[k] = Ticked(*this, kPointSizeItems[k]);
    for (int k = 0; k < 3; ++k) {
        s.envWidthTicks[static_cast<std::size_t>(k)] = Ticked(*this, QString("mnuLineWidth%1").arg(k + 1));
        s.expWidthTicks[static_cast<std::size_t>(k)] = Ticked(*this, QString("mnuLineEx%1").arg(k + 1));
    }
    s.ExpAsPoints = o.ExpAsPoints;
    s.ExpLineWidth = o.ExpLineWidth;
    s.EnvLineWidth = o.EnvLineWidth;
    s.ExpPointRadius = o.ExpPointRadius;
    s.ShowOpeningOptions = ShowOpeningOptions_;
    return s;
}

void Form1::ApplySettings(const GraphSettings& s) {
    // The graph's part is the command line's too.
    ApplySettingsToPlot(s, plot_);
    SyncViewMenu();
    for (std::size_t k = 0; k < 4; ++k) Tick(*this, kPointSizeItems[k], s.pointSizeTicks[k]);
    for (int k = 0; k < 3; ++k) {
        Tick(*this, QString("mnuLineWidth%1").arg(k + 1), s.envWidthTicks[static_cast<std::size_t>(k)]);
        Tick(*this, QString("mnuLineEx%1").arg(k + 1), s.expWidthTicks[static_cast<std::size_t>(k)]);
    }
    ShowOpeningOptions_ = s.ShowOpeningOptions;
}

// Read once while the window loads, over the built-in defaults: what cannot
// be read keeps its default, and the user hears of it once.
void Form1::ReadIni() {
    const std::filesystem::path file = SettingsFile();
    const SettingsRead read = ReadSettingsFile(file);
    GraphSettings s = CurrentSettings();
    const std::string handler = ApplySettingsRead(read, s);
    ApplySettings(s);
    if (!handler.empty()) lineShapeHandler_ = handler;
    if (const std::string problem = SettingsReadProblem(file, read); !problem.empty()) {
        dialogs_->MessageBox("Settings", problem, MsgButtons::Ok, MsgIcon::Warning);
    }
}

bool Form1::WriteIni(const GraphSettings& s) {
    std::string error;
    if (WriteSettingsFile(SettingsFile(), s, &error)) return true;
    dialogs_->MessageBox("Settings",
                         "The preferences could not be saved in\r\n" + SettingsFile().string() + ":\r\n" + error,
                         MsgButtons::Ok, MsgIcon::Warning);
    return false;
}

void Form1::SaveShowOpeningOptions(bool show) {
    ShowOpeningOptions_ = show;
    std::string error;
    if (RewriteShowOpeningOptions(SettingsFile(), CurrentSettings(), show, &error)) return;
    dialogs_->MessageBox("Settings",
                         "The choice about the \"Opening Options\" dialog could not be saved in\r\n" +
                             SettingsFile().string() + ":\r\n" + error,
                         MsgButtons::Ok, MsgIcon::Warning);
}

void Form1::mnuShowOptions_Click() { SaveShowOpeningOptions(true); }

void Form1::SpecBackground() {
    plot_.options.BackColor = BackColorForIndex(plot_.options.BackColorIndex);
    if (session_.HasGraph()) {
        PlotFinal();
    } else {
        picture1_->ClearPicture(plot_.options.BackColor);
    }
}

void Form1::ApplyOptions(const GraphSettings& s) {
    ApplySettings(s);
    // The chosen shape's command runs even when it is already the shape.
    RunLineShapeHandler(LineShapeHandlerName(s.lineShape));
    CalcFirstPlot();
}

void Form1::mnuOptions_Click() {
    // One dialog at a time; it copies the settings as they are when it opens.
    if (findChild<OptionsWindow*>("frmOptions", Qt::FindDirectChildrenOnly)) return;
    auto* d = new OptionsWindow(this, dialogs_);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

}  // namespace quble
