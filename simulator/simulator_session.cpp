#include "simulator/simulator_session.h"

#include <algorithm>
#include <cmath>

#include "simulator/input_rules.h"

namespace quble {

int JLayout::headerCount() const {
    int n = 0;
    for (int h = 1; h <= NH; ++h) n = std::max(n, counts[h]);
    return n;
}

int SimulatorSession::EnterHydrogenCount(const std::string& text) {
    ResetTitles();
    NH_ = ParseCount(text, 1, kMaxHydrogens);
    return NH_;
}

FocusTarget SimulatorSession::EnterJCount(int h, const std::string& text) {
    if (h < 1 || h > kMaxHydrogens) return {};
    NJ_[h] = ParseCount(text, 1, kMaxJ);
    if (h < NH_) return {FocusTarget::Kind::JCount, h + 1, 0};
    return {FocusTarget::Kind::JBox, 1, 1};
}

FocusTarget SimulatorSession::EnterShift(int h) const {
    if (h < NH_) return {FocusTarget::Kind::Shift, h + 1, 0};
    return {FocusTarget::Kind::JCount, 1, 0};
}

FocusTarget SimulatorSession::EnterJ(int h, int k) const {
    if (h < 1 || h > kMaxHydrogens || k < 1 || k > kMaxJ) return {};
    if (k < NJ_[h]) return {FocusTarget::Kind::JBox, h, k + 1};
    if (h < NH_) return {FocusTarget::Kind::JBox, h + 1, 1};
    return {FocusTarget::Kind::Calculate, 0, 0};
}

JLayout SimulatorSession::CurrentLayout() const {
    JLayout l;
    l.NH = NH_;
    l.counts = NJ_;
    return l;
}

void SimulatorSession::ResetSequence() {
    NH_ = 1;
    NJ_ = {0, 1, 1, 1, 1};
}

CalcOutcome SimulatorSession::Calculate(SimulationInput& input) {
    CalcOutcome out;
    input.DecSep = decSep;
    if (auto err = StartProcess(sim, input)) {
        sim.Calculating = false;
        out.error = std::move(err);
        out.layout = CurrentLayout();
        return out;
    }
    // The boxes follow the counts this calculation used, whether or not each
    // count was confirmed with Enter: a J box the graph labels is on screen,
    // and no box the graph ignores is.
    NH_ = sim.NH;
    for (int h = 1; h <= kMaxHydrogens; ++h) {
        if (h <= sim.NH) NJ_[h] = sim.NJ[h];
    }
    out.layout = CurrentLayout();

    plot.JText = input.JText;
    plot.WidthText = input.Text4;
    plot.DecSep = decSep;
    AfterCalculation(sim, plot, cmp_);
    AjPlotSize(plot, sim);
    hasGraph_ = true;
    ++calculations_;
    return out;
}

void SimulatorSession::Draw(DrawingSurface& surface, bool recomputeCoordinates) {
    if (!hasGraph_) return;
    if (recomputeCoordinates) {
        CalcFirstPlot(plot, sim, surface);
    } else {
        PlotFinal(plot, sim, surface);
    }
    // The captions are labels over the graph box; they are drawn with it so
    // every picture carries them.
    PrtLablsOtherMF(plot, surface);
    const TextExtent e = surface.MeasureText(SpectrumTitleFont(), plot.Label8.caption);
    plot.Label8.width = e.width;
    plot.Label8.height = e.height;
}

void SimulatorSession::SetLineShape(LineShape shape) { sim.ticks = TicksFor(shape); }

void SimulatorSession::SetMixing(int percent) {
    percent = std::clamp(percent, 0, 100);
    sim.Slider4 = percent;
    plot.Label12.caption = MixCaption(percent);
}

std::string SimulatorSession::MixCaption(int lorentzPercent) {
    return std::to_string(100 - lorentzPercent) + "% Gaussian + " + std::to_string(lorentzPercent) + "% Lorentzian";
}

std::string SimulatorSession::ShapeCaption(LineShape shape, int lorentzPercent) {
    switch (shape) {
        case LineShape::Lorentzian: return "Lorentzian Line Shape";
        case LineShape::Gaussian: return "Gaussian Line Shape";
        case LineShape::Mixed: break;
    }
    return MixCaption(lorentzPercent);
}

void SimulatorSession::ResetTitles() {
    plot.Label8.caption = "Spectrum Title";
    for (int i = 0; i < kMaxHydrogens; ++i) plot.Label9[i].caption = "H" + std::to_string(i + 1);
}

void SimulatorSession::ResetBranchColours() {
    for (auto& h : sim.StemColor)
        for (auto& level : h) level.fill(kBlack);
    for (auto& h : sim.LinkColor)
        for (auto& level : h) level.fill(kBlack);
}

void SimulatorSession::ReceiveExperimental(std::int32_t nPontExp, std::vector<double> xnmrHz,
                                           std::vector<std::int32_t> ygraf) {
    NPontExp_ = nPontExp;
    ExpXnmrHz_ = std::move(xnmrHz);
    ExpYgraf_ = std::move(ygraf);
}

void SimulatorSession::DetachExperimental() {
    sim.ExpPresent = false;
    marking_ = MarkingState{};
    cmp_ = CompareState{};
    plot.exp = ExperimentalOverlay{};
}

// ---------------------------------------------------------------- comparison

std::optional<SessionMessage> SimulatorSession::TransfAdjustExpData() {
    if (marking_.on) quble::ToggleMarking(marking_, sim, plot);
    if (!hasGraph_) return SessionMessage{"No Simulation", "Calculate a simulated spectrum before comparing.", false};
    // The overlay works on the copies the experimental window handed over;
    // they stay here, so a refused transfer leaves them for the next try.
    const std::size_t n = static_cast<std::size_t>(std::max(NPontExp_, 0));
    ExperimentalOverlay& o = plot.exp;
    o.ExpXnmrHz.assign(n + 1, 0.0);
    o.ExpYgraf.assign(n + 1, 0);
    for (std::size_t t = 1; t <= n && t < ExpXnmrHz_.size() && t < ExpYgraf_.size(); ++t) {
        o.ExpXnmrHz[t] = ExpXnmrHz_[t];
        o.ExpYgraf[t] = ExpYgraf_[t];
    }
    if (n >= 2 && ExpXnmrHz_.size() > 2) cmp_.HzPerPoint = std::fabs(ExpXnmrHz_[1] - ExpXnmrHz_[2]);
    const TransferResult r = quble::TransfAdjustExpData(sim, plot, cmp_);
    if (!r.ok()) {
        DetachExperimental();
        return SessionMessage{r.title, r.text, false};
    }
    return std::nullopt;
}

MarkingView SimulatorSession::ToggleMarking() { return quble::ToggleMarking(marking_, sim, plot); }

MarkingView SimulatorSession::MarkingMouseMove(double x) {
    return quble::MarkingMouseMove(marking_, sim, plot, cmp_, x);
}

MarkingView SimulatorSession::MarkingMouseDown(bool right) {
    return quble::MarkingMouseDown(marking_, sim, plot, right);
}

MarkingView SimulatorSession::MarkingOk() { return quble::MarkingOk(marking_, sim, plot); }

MatchResult SimulatorSession::VerifyMatch() const {
    if (!hasGraph_) return MatchResult{};
    return quble::VerifyMatch(sim, plot.exp, cmp_, decSep);
}

bool SimulatorSession::Slider1(int value) {
    if (!quble::Slider1_Change(plot, value)) return false;
    if (sim.ExpPresent) UpdatePlotWindow(plot, sim, plot.exp);
    return true;
}

}  // namespace quble
