// Least-squares fit of a whole first-order simulation (shifts, couplings,
// width, Lorentzian share, an intensity scale and a linear baseline) to the
// points of a spectrum region, with Eigen's Levenberg-Marquardt solver and
// the double-precision model of line_model.h (not the simulator's
// single-precision 701-sample envelope: a fit needs the model at the
// spectrum's own points and its derivatives). The model is evaluated line by
// line at every point, or for many lines on equally spaced points through
// its time signal and one FFT (time_domain_model.h).
#pragma once

#include <atomic>
#include <span>
#include <string>
#include <vector>

namespace quble::analysis {

struct FitHydrogen {
    double shiftHz = 0.0;
    // Values entered more than once are one equivalent coupling: they share
    // one parameter and stay equal.
    std::vector<double> jHz;
    bool fixShift = false;
    // Per entry of jHz (missing entries are free); a tied group is fixed
    // when any of its entries is.
    std::vector<bool> fixJ;
};

// How the model and its derivatives are computed. Automatic takes the time
// domain where it pays (equally spaced points, enough lines times points)
// and the direct sum otherwise; TimeDomain still falls back to the direct sum
// when the points are not equally spaced or the lines are too narrow for a
// reasonable grid.
enum class FitEvaluation { Automatic, Direct, TimeDomain };

struct FitInput {
    std::vector<FitHydrogen> hydrogens;
    double widthHz = 1.0;          // full width at half height
    double lorentzFraction = 1.0;  // 0 Gaussian .. 1 Lorentzian
    // The start of the scale and baseline; with fixScale false the start is
    // found by a linear fit at the starting shape, so 0 is fine.
    double scale = 0.0;
    double baselineHz0 = 0.0;      // baseline value at the region's middle
    double baselineSlope = 0.0;    // per Hz
    bool fixWidth = false;
    bool fixLorentz = false;
    bool fixScale = false;
    bool fixBaseline = false;
    // Each hydrogen its own width, all starting from widthHz: hydrogens of
    // one region are often broadened differently (unresolved couplings,
    // exchange), and one shared width then bends their couplings to make up
    // for it.
    bool separateWidths = false;
    // Let the data decide which couplings are equal: besides the ties as
    // entered, every free coupling is also fitted on its own, and values the
    // data cannot tell apart are tied again; the tie pattern with the lowest
    // Bayesian information criterion wins. Off, entries entered equal stay
    // tied and others stay apart.
    bool chooseTies = false;
    int maxEvaluations = 400;
    FitEvaluation evaluation = FitEvaluation::Automatic;
    // Set from another thread to stop: the result is then not ok, cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

struct FitHydrogenResult {
    double shiftHz = 0.0;
    double shiftSdHz = 0.0;
    std::vector<double> jHz;       // in the order given, tied entries equal
    std::vector<double> jSdHz;
    double widthHz = 0.0;          // the shared width unless separateWidths
    double widthSdHz = 0.0;
};

struct FitResult {
    bool ok = false;
    std::string error;             // when !ok: why nothing was fitted
    std::vector<FitHydrogenResult> hydrogens;
    double widthHz = 0.0, widthSdHz = 0.0;  // with separateWidths: of the first hydrogen
    double lorentzFraction = 0.0, lorentzSd = 0.0;
    double scale = 0.0;
    double baselineHz0 = 0.0, baselineSlope = 0.0;
    double rms = 0.0;              // root mean square residual, data units
    double r2 = 0.0;
    double rss = 0.0;
    int freeParameters = 0;
    int iterations = 0;
    int evaluations = 0;
    bool converged = false;
    bool cancelled = false;
    bool tiesChanged = false;      // chooseTies settled on other ties than entered
    // How the final model was computed: Direct or TimeDomain.
    FitEvaluation evaluation = FitEvaluation::Direct;
    std::vector<double> model;     // fitted curve at each point
    std::vector<double> residual;  // data - model at each point
};

// hz and y are the region's points (any order). Fixed parameters keep their
// start values and have a standard error of 0.
FitResult FitSimulation(std::span<const double> hz, std::span<const double> y, const FitInput& in);

}  // namespace quble::analysis
