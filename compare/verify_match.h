// Whether the transferred experimental spectrum holds a multiplet that
// matches the simulated one: every experimental maximum of the match window
// is tried as the multiplet's first peak and scored.
#pragma once

#include <string>
#include <vector>

#include "compare/transfer.h"
#include "render/spectrum_plot.h"
#include "simulator/simulation_state.h"

namespace quble {

constexpr float kMatchThreshold = 10.0f;

struct MatchResult {
    bool ran = false;            // false without an experimental spectrum (nothing to show)
    float MatchSumMin = 50000.0f;
    bool match = false;          // MatchSumMin below kMatchThreshold
    std::vector<std::string> List1;  // the diagnostic lines, in order
    // When the user must be told: a critical message box with these texts.
    bool showNoMatch = false;
    std::string title;
    std::string text;
};

// Reads the simulated maxima and minima (the real ones: slots that pairing
// left without a simulated peak are skipped), the overlay's points and the
// match window. The label frequencies are computed here from the maxima, so
// the verdict does not depend on whether peak labels were ever drawn.
MatchResult VerifyMatch(const SimulationState& sim, const ExperimentalOverlay& overlay, const CompareState& cmp,
                        char decSep);

}  // namespace quble
