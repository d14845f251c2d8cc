// The experimental window's multiplet analysis: the band becomes a region of
// points, the analysis runs off the window's thread, and its answer goes to
// the result window, from where it can fill the simulator.
#include <QAction>
#include <QMenu>
#include <QMimeData>

#include <algorithm>
#include <optional>

#include "analysis/spectrum_region.h"
#include "experimental/form100_window.h"
#include "experimental/multiplet_window.h"

namespace quble {

namespace {
constexpr const char* kAnalyseTitle = "Analyse Multiplet";
// A multiplet spans tens of hertz; a band of more points than this is a
// whole spectrum, which no first-order pattern explains and which would
// only keep the user waiting.
constexpr std::size_t kMaxAnalysisPoints = 65536;
}  // namespace

void Form100::BuildAnalysisMenu(QMenu* data) {
    QAction* a = data->addAction("&Analyse Multiplet");
    a->setObjectName("mnuAnalyse");
    a->setToolTip("J analysis of the multiplet under the selection band");
    // Always enabled, so that its shortcut works too: without a band the
    // command says what to do.
    connect(a, &QAction::triggered, this, [this] { mnuAnalyse_Click(); });
}

bool Form100::SelectBandPpm(double fromPpm, double toPpm) {
    const double mhz = spectrum().SFMeu;
    const std::optional<double> x1 = session_.PixelOfHz(std::max(fromPpm, toPpm) * mhz);
    const std::optional<double> x2 = session_.PixelOfHz(std::min(fromPpm, toPpm) * mhz);
    if (!(mhz > 0.0) || !x1 || !x2) return false;
    Picture1_MouseDown(1, 0, *x1, 100);
    Picture1_MouseMove(1, 0, *x2, 100);
    Picture1_MouseUp(1, 0, *x2, 100);
    return true;
}

void Form100::mnuAnalyse_Click() {
    double fromPpm = 0.0, toPpm = 0.0;
    if (!session_.AnalysisRange(&fromPpm, &toPpm)) {
        dialogs_->MessageBox(kAnalyseTitle,
                             "Select the multiplet first: drag across it on the graph, or expand the view onto it.",
                             MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    analysis::SpectrumRegion region;
    std::string error;
    if (!analysis::RegionFromSpectrum(session_.spectrum(), fromPpm, toPpm, &region, &error)) {
        dialogs_->MessageBox(kAnalyseTitle, "The band cannot be analysed: " + error + ".", MsgButtons::Ok,
                             MsgIcon::Warning);
        return;
    }
    if (region.hz.size() > kMaxAnalysisPoints) {
        dialogs_->MessageBox(kAnalyseTitle,
                             "The band holds " + std::to_string(region.hz.size()) + " points; a multiplet needs at most " +
                                 std::to_string(kMaxAnalysisPoints) + ". Select a narrower band around it.",
                             MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    analysis::MultipletAnalysis result;
    const bool finished = runWork(kAnalyseTitle, "Analysing the multiplet...", [&](const std::atomic<bool>&) {
        result = analysis::AnalyseMultiplet(region.hz, region.y, region.mhz, {.noiseSd = region.noiseSd});
    });
    if (!finished) return;  // cancelled: nothing shown, nothing changed
    if (!multiplet_) {
        multiplet_ = new MultipletWindow(this);
        multiplet_->onCopyText = [this](const std::string& text) {
            auto* mime = new QMimeData;
            mime->setText(QString::fromStdString(text));
            clipboard_->SetMimeData(mime);
        };
        multiplet_->onSendToSimulator = [this](const analysis::MultipletAnalysis& a) {
            if (frame_.sendAnalysis) frame_.sendAnalysis(a);
        };
    }
    multiplet_->Show(result, '.');
}

}  // namespace quble
