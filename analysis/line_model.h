// An exact first-order model of one or more hydrogens in double precision:
// every coupling splits every line into two halves of equal intensity, so a
// hydrogen's lines always sum to 1. Couplings with the same value are kept as
// one group whose lines follow the binomial distribution, which is the same
// spectrum with far fewer lines to evaluate.
//
// Line shapes follow the simulator: a Lorentzian I / (1 + (x/hw)^2) and a
// Gaussian I exp(ln 0.5 (x/hw)^2) of the same half width at half height hw,
// mixed as f Lorentzian + (1 - f) Gaussian; a line's peak height is its
// intensity.
#pragma once

#include <span>
#include <vector>

namespace quble::analysis {

// A set of equal couplings of one hydrogen.
struct CouplingGroup {
    double jHz = 0.0;
    int count = 1;
};

// Equal values (to 1e-9 Hz) gathered in first-seen order; zeros are no
// coupling and are left out.
std::vector<CouplingGroup> GroupCouplings(std::span<const double> jHz);

struct ModelLine {
    double offsetHz = 0.0;   // from the hydrogen's shift
    double intensity = 0.0;
};

// The lines of one hydrogen, relative to its shift, coincident lines of
// different groups not merged (positions move independently in a fit).
std::vector<ModelLine> FirstOrderLines(std::span<const CouplingGroup> groups);

// Height of a unit line at distance d (Hz) from its centre.
double LineShapeAt(double d, double halfWidthHz, double lorentzFraction);

// Whole multiplets of several hydrogens at the given frequencies (Hz),
// heights scaled by `scale`.
struct ModelHydrogen {
    double shiftHz = 0.0;
    std::vector<double> jHz;
};
std::vector<double> EvaluateModel(std::span<const double> hz, std::span<const ModelHydrogen> hydrogens,
                                  double widthHz, double lorentzFraction, double scale);

}  // namespace quble::analysis
