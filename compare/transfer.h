// Bringing an experimental spectrum into the simulator graph: the windows of
// points to draw and to match, its scale, its automatic peaks, and the
// pairing of those peaks with the simulated maxima.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/spectrum_plot.h"
#include "simulator/simulation_state.h"

namespace quble {

struct BrukerSpectrum;

// What the comparison keeps beside the overlay the plot draws (the points,
// the plot window, ExpScale and the drawn peaks live in ExperimentalOverlay).
struct CompareState {
    double HzPerPoint = 0.0;
    int MatchWindowFirst = 1;   // 32-bit point indices
    int MatchWindowLast = 0;
    std::int32_t ExpMaxIntensity = 0;
    // Maxima found automatically in the multiplet's extent (1-based).
    int AutoPeakCount = 0;
    std::vector<int> AutoPeakIndex{0};
    // The extent's point range used for ExpMaxIntensity and the peaks.
    int ExtentFirst = 1;
    int ExtentLast = 0;
};

enum class TransferStatus { Ok, NoPoints, NoSignal };

struct TransferResult {
    TransferStatus status = TransferStatus::Ok;
    // For the window's message box when status is not Ok ("" otherwise).
    std::string title;
    std::string text;
    bool ok() const { return status == TransferStatus::Ok; }
};

// Copies the simulator's share of an opened spectrum (ExpXnmrHz, ExpYgraf,
// 1..NPontExp) into the overlay.
void CopyExperimentalData(const BrukerSpectrum& s, ExperimentalOverlay& overlay, CompareState& cmp);

// Points of the plotted range and of the match range for the current plot
// width and HScale (Slider1 runs the plot part again).
void UpdatePlotWindow(const PlotState& plot, const SimulationState& sim, ExperimentalOverlay& overlay);
void UpdateMatchWindow(const PlotState& plot, const SimulationState& sim, const ExperimentalOverlay& overlay,
                       CompareState& cmp);

// The transfer's arithmetic, on data already in plot.exp: windows, extent
// (the last calculation's, widened by 1 Hz on a copy so that transferring
// twice is transferring once), ExpMaxIntensity, ExpScale and the automatic
// peaks. On success sim.ExpPresent is set and the window recalculates (then
// calls AfterCalculation). On failure ExpPresent is cleared and nothing is
// drawn: the window shows title/text.
// Ending the marking mode and the menu and colour changes stay the window's.
TransferResult TransfAdjustExpData(SimulationState& sim, PlotState& plot, CompareState& cmp);

// The hand-off at the end of each calculation while the overlay is shown:
// ExpScale from the new MaxEnv, and the pairing when the counts differ.
void AfterCalculation(SimulationState& sim, PlotState& plot, const CompareState& cmp);

// Pairs AutoPeakIndex with the simulated maxima into slots, highest
// frequency first; gaps are flagged kNoPeakInSlot. Rewrites SimMaxIndex (and
// its refined positions), SimGapFlag, NMultRelMax, and the overlay's
// ExpPeakIndex, ExpGapFlag and ExpPeakCount. In a slot without a simulated
// peak SimMaxIndex holds kEnvFirst - 1; without an experimental one
// ExpPeakIndex holds -1, so neither is ever read as a real peak.
void ReadjMaxExpSim(SimulationState& sim, ExperimentalOverlay& overlay, const CompareState& cmp);

}  // namespace quble
