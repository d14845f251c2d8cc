#include "compare/transfer.h"

#include <algorithm>
#include <cmath>
#include <deque>

#include "experimental/bruker_spectrum.h"
#include "simulator/input_rules.h"

namespace quble {

namespace {

int PointCount(const ExperimentalOverlay& e) {
    return static_cast<int>(std::min(e.ExpXnmrHz.size(), e.ExpYgraf.size())) - 1;
}

// Points whose frequency lies within [low, high] (frequencies fall with the
// index): first = first point at or below high, last = the point before the
// first one at or below low. An empty range is first > last.
void PointRange(const ExperimentalOverlay& e, double high, double low, int& first, int& last) {
    const int n = PointCount(e);
    int t = 1;
    while (t <= n && !(e.ExpXnmrHz[t] <= high)) ++t;
    first = t;
    while (t <= n && !(e.ExpXnmrHz[t] <= low)) ++t;
    last = t - 1;
}

// The extent range compares each point as single precision, as the
// multiplet's extent is single.
void PointRangeSingle(const ExperimentalOverlay& e, float high, float low, int& first, int& last) {
    const int n = PointCount(e);
    int t = 1;
    while (t <= n && !(static_cast<float>(e.ExpXnmrHz[t]) <= high)) ++t;
    first = t;
    while (t <= n && !(static_cast<float>(e.ExpXnmrHz[t]) <= low)) ++t;
    last = t - 1;
}

std::string Hz(float v) { return FormatNumber(v, '.'); }

}  // namespace

void CopyExperimentalData(const BrukerSpectrum& s, ExperimentalOverlay& o, CompareState& cmp) {
    const int n = s.NPontExp > 0 ? s.NPontExp : s.NPont;
    o.ExpXnmrHz.resize(static_cast<std::size_t>(n) + 1);
    o.ExpYgraf.resize(static_cast<std::size_t>(n) + 1);
    o.ExpXnmrHz[0] = 0.0;
    o.ExpYgraf[0] = 0;
    const bool own = !s.ExpYgraf.empty();
    const IntensityArray& y = own ? s.ExpYgraf : s.Ygraf;
    const HzAxis& x = own ? s.ExpXnmrHz : s.XnmrHz;
    for (int t = 1; t <= n; ++t) {
        o.ExpXnmrHz[t] = x[t];
        o.ExpYgraf[t] = static_cast<std::size_t>(t) < y.size() ? y[t] : 0;
    }
    cmp.HzPerPoint = s.HzPerPoint;
}

void UpdatePlotWindow(const PlotState& plot, const SimulationState& sim, ExperimentalOverlay& o) {
    const double half = plot.ScaleWidth / (2.0 * plot.HScale);
    PointRange(o, sim.AvChemShift + half, sim.AvChemShift - half, o.PlotWindowFirst, o.PlotWindowLast);
}

void UpdateMatchWindow(const PlotState& plot, const SimulationState& sim, const ExperimentalOverlay& o,
                       CompareState& cmp) {
    // The match range follows the plot width, not the zoom.
    const double half = plot.ScaleWidth / (2.0 * (30.0 / plot.SliderHUnits));
    PointRange(o, sim.AvChemShift + half, sim.AvChemShift - half, cmp.MatchWindowFirst, cmp.MatchWindowLast);
}

TransferResult TransfAdjustExpData(SimulationState& sim, PlotState& plot, CompareState& cmp) {
    ExperimentalOverlay& o = plot.exp;
    TransferResult r;
    const int n = PointCount(o);

    UpdatePlotWindow(plot, sim, o);
    UpdateMatchWindow(plot, sim, o, cmp);

    // The extent of the last calculation, widened on a copy: the stored
    // extent is the calculation's, so a second transfer widens it no further.
    const float high = sim.HighLineHz + 1.0f;
    const float low = sim.LowLineHz - 1.0f;
    PointRangeSingle(o, high, low, cmp.ExtentFirst, cmp.ExtentLast);

    o.ExpPeakCount = 0;
    o.ExpPeakIndex.assign(1, 0);
    o.ExpGapFlag.assign(1, 0);
    cmp.AutoPeakCount = 0;
    cmp.AutoPeakIndex.assign(1, 0);
    cmp.ExpMaxIntensity = 0;

    auto refuse = [&](TransferStatus st) {
        sim.ExpPresent = false;
        r.status = st;
        r.title = "Transfer Data to Simulator";
        r.text = "The experimental spectrum has no signal in the multiplet's range (" + Hz(low) + " Hz to " +
                 Hz(high) + " Hz).";
        return r;
    };
    if (n < 1 || cmp.ExtentFirst > cmp.ExtentLast) return refuse(TransferStatus::NoPoints);

    std::int32_t tallest = o.ExpYgraf[cmp.ExtentFirst];
    for (int t = cmp.ExtentFirst + 1; t <= cmp.ExtentLast; ++t) tallest = std::max(tallest, o.ExpYgraf[t]);
    cmp.ExpMaxIntensity = tallest;
    if (tallest <= 0) return refuse(TransferStatus::NoSignal);
    o.ExpScale = sim.MaxEnv / static_cast<float>(tallest);

    // A peak ends where a rise turns into a fall; equal neighbours neither
    // start nor end a rise. Each point is compared with its predecessor only
    // where that predecessor exists.
    bool rising = false;
    for (int t = std::max(cmp.ExtentFirst, 2); t <= cmp.ExtentLast; ++t) {
        if (o.ExpYgraf[t] < o.ExpYgraf[t - 1] && rising) {
            rising = false;
            cmp.AutoPeakIndex.push_back(t - 1);
            ++cmp.AutoPeakCount;
        } else if (o.ExpYgraf[t] > o.ExpYgraf[t - 1]) {
            rising = true;
        }
    }
    o.ExpPeakIndex = cmp.AutoPeakIndex;
    o.ExpGapFlag.assign(o.ExpPeakIndex.size(), 0);
    o.ExpPeakCount = cmp.AutoPeakCount;
    sim.ExpPresent = true;
    return r;
}

void AfterCalculation(SimulationState& sim, PlotState& plot, const CompareState& cmp) {
    if (!plot.view.mnuViewExpSp || !sim.ExpPresent) return;
    if (cmp.ExpMaxIntensity > 0) plot.exp.ExpScale = sim.MaxEnv / static_cast<float>(cmp.ExpMaxIntensity);
    if (sim.NMultRelMax != plot.exp.ExpPeakCount) ReadjMaxExpSim(sim, plot.exp, cmp);
}

void ReadjMaxExpSim(SimulationState& sim, ExperimentalOverlay& o, const CompareState& cmp) {
    struct SimPeak {
        int index;
        float pos, y;
    };
    std::deque<int> expQ(cmp.AutoPeakIndex.begin() + 1, cmp.AutoPeakIndex.begin() + 1 + cmp.AutoPeakCount);
    std::deque<SimPeak> simQ;
    for (int p = 1; p <= sim.NMultRelMax; ++p) {
        const bool refined = p < static_cast<int>(sim.SimMaxPos.size());
        const int k = sim.SimMaxIndex[p];
        if (k < kEnvFirst || k > kEnvLast) continue;  // a gap slot of an earlier pairing
        simQ.push_back({k, refined ? sim.SimMaxPos[p] : sim.EnvX(k), refined ? sim.SimMaxY[p] : sim.EnvY(k)});
    }

    std::vector<int> simIdx{0}, simGap{0}, expIdx{0}, expGap{0};
    std::vector<float> simPos{0.0f}, simY{0.0f};
    auto soSim = [&] {
        const SimPeak s = simQ.front();
        simQ.pop_front();
        simIdx.push_back(s.index);
        simPos.push_back(s.pos);
        simY.push_back(s.y);
        simGap.push_back(0);
        expIdx.push_back(-1);
        expGap.push_back(kNoPeakInSlot);
    };
    auto soExp = [&] {
        expIdx.push_back(expQ.front());
        expQ.pop_front();
        expGap.push_back(0);
        simIdx.push_back(kEnvFirst - 1);
        simPos.push_back(0.0f);
        simY.push_back(0.0f);
        simGap.push_back(kNoPeakInSlot);
    };
    auto pair = [&] {
        const SimPeak s = simQ.front();
        simQ.pop_front();
        simIdx.push_back(s.index);
        simPos.push_back(s.pos);
        simY.push_back(s.y);
        simGap.push_back(0);
        expIdx.push_back(expQ.front());
        expQ.pop_front();
        expGap.push_back(0);
    };
    const double centre = sim.AvChemShift;
    auto simHz = [&](const SimPeak& s) { return centre - s.pos; };
    while (!expQ.empty() || !simQ.empty()) {
        if (expQ.empty()) {
            soSim();
            continue;
        }
        if (simQ.empty()) {
            soExp();
            continue;
        }
        const double e = o.ExpXnmrHz[expQ.front()];
        const double s = simHz(simQ.front());
        const double diff = e - s;
        if (std::fabs(diff) >= 1.0) {
            if (diff <= 0) {
                soSim();
            } else {
                soExp();
            }
            continue;
        }
        if (diff > 0 && expQ.size() > 1 && std::fabs(o.ExpXnmrHz[expQ[1]] - s) < std::fabs(diff)) {
            soExp();
        } else if (diff < 0 && simQ.size() > 1 && std::fabs(simHz(simQ[1]) - e) < std::fabs(diff)) {
            soSim();
        } else {
            pair();
        }
    }
    const int n = static_cast<int>(simIdx.size()) - 1;
    sim.SimMaxIndex = std::move(simIdx);
    sim.SimGapFlag = std::move(simGap);
    sim.SimMaxPos = std::move(simPos);
    sim.SimMaxY = std::move(simY);
    sim.NMultRelMax = n;
    o.ExpPeakIndex = std::move(expIdx);
    o.ExpGapFlag = std::move(expGap);
    o.ExpPeakCount = n;
}

}  // namespace quble
