// Fitting the simulation to the experimental spectrum overlaid on it: which
// points and which start values the fit takes from the last calculation,
// what it writes back into the boxes, and the residual the graph draws under
// its baseline. The solver itself is analysis/simulation_fit.h.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/multiplet_analysis.h"
#include "analysis/simulation_fit.h"
#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"
#include "simulator/simulation_state.h"

namespace quble {

// Which parameters the user lets the fit change. Every J box of a hydrogen
// is one entry; boxes with the same value are one coupling and follow the
// first box's choice.
struct OverlayFitChoice {
    std::array<bool, kMaxHydrogens + 1> varyShift{false, true, true, true, true};
    std::array<std::array<bool, kMaxJ + 1>, kMaxHydrogens + 1> varyJ{};
    bool varyWidth = true;
    bool varyLorentz = true;
    bool varyBaseline = true;
    OverlayFitChoice() {
        for (auto& row : varyJ) row.fill(true);
    }
};

// The start a user is offered: everything free, the Lorentzian share too.
// Measured lines are mostly Lorentzian, and held at a pure Gaussian (as
// several examples start) the fit widens the lines and drowns the small
// couplings instead; a user who wants the share held unticks it.
OverlayFitChoice DefaultFitChoice();

struct OverlayFitSetup {
    analysis::FitInput input;
    std::vector<double> hz, y;      // the points fitted, highest frequency first
    std::vector<int> point;         // their point numbers in the overlay
    double fromHz = 0.0, toHz = 0.0;
};

// The points of the overlay inside the multiplet's range (every hydrogen's
// shift, half the sum of its couplings and four widths either side) and the
// start from the last calculation. Nothing when there is no overlay, no
// calculation, or fewer points than free parameters (error says which).
std::optional<OverlayFitSetup> PrepareOverlayFit(const SimulationState& sim, const ExperimentalOverlay& overlay,
                                                 const OverlayFitChoice& choice, std::string* error);

// The boxes after a fit: every fitted value written back at 0.001 Hz, the
// boxes the fit did not touch as they were. lorentzPercent receives the
// fitted share when it was free.
SimulationInput BoxesFromFit(const SimulationInput& before, const SimulationState& sim,
                             const analysis::FitResult& result, const OverlayFitChoice& choice,
                             int* lorentzPercent);

// One hydrogen from an analysis: its shift at 0.001 Hz, every coupling at
// 0.01 Hz (at most ten; a singlet gets one of 0), the width when it is
// known; resolution and the rest as they were.
SimulationInput BoxesFromAnalysis(const SimulationInput& before, const analysis::MultipletAnalysis& a);

// "RMS = 1.2e+04 (0.8 % of the tallest point), R² = 0.9987"
std::string FitSummary(const analysis::FitResult& result, const OverlayFitSetup& setup, char decSep);

// The residual the graph draws as a thin curve under its baseline.
void SetFitResidual(ExperimentalOverlay& overlay, const OverlayFitSetup& setup, const analysis::FitResult& result);
void ClearFitResidual(ExperimentalOverlay& overlay);

}  // namespace quble
