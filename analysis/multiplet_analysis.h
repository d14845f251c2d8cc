// J analysis of one multiplet in a spectrum region: its centre, coupling
// constants with standard errors, multiplicity and how far to trust them.
//
// The method: a linear baseline through the ends of the range, peaks
// picked with sub-point refinement, first-order coupling sets read from the
// peak positions and their intensities in whole line units (the outermost
// line of a first-order multiplet is always one unit), each set fitted to
// the points with the full line-shape model (simulation_fit.h), and the
// best fit kept by its information criterion. Equal couplings are tied;
// a tie is split when the data demand it, and a coupling the fit cannot
// tell from the width is left out rather than reported.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace quble::analysis {

struct MultipletAnalysis {
    // False for noise, a pattern no first-order multiplet explains, or too
    // few points: multiplicity "m", no couplings, a confidence below 0.5.
    bool firstOrder = false;
    std::string multiplicity = "m";   // "dt", "s", "m"
    double centreHz = 0.0, centrePpm = 0.0;
    double fromHz = 0.0, toHz = 0.0;  // the range analysed, high to low
    double fromPpm = 0.0, toPpm = 0.0;
    // Distinct couplings, largest first, with how many equivalent partners
    // each has (a dt is 8.4 once and 3.3 twice) and their standard errors.
    std::vector<double> jHz;
    std::vector<int> jCount;
    std::vector<double> jSdHz;
    double centreSdHz = 0.0;
    double widthHz = 0.0;             // full width at half height of one line
    double lorentzFraction = 1.0;
    // Probability-like: near 1 when the fit explains the points to the noise
    // and every coupling is known to better than 0.1 Hz.
    double confidence = 0.0;
    double r2 = 0.0;
    double misfit = 0.0;              // share of the signal the model leaves unexplained beyond noise
    double noiseSd = 0.0;
    int peaks = 0;                    // maxima picked
    std::string note;                 // e.g. a coupling smaller than the width left unresolved
    std::string text;                 // journal line, 1H

    // Every coupling in the simulator's form, equal ones repeated.
    std::vector<double> AllCouplings() const;
};

struct AnalysisOptions {
    int maxCouplings = 8;
    // The whole spectrum's noise (SpectrumRegion::noiseSd), 0 when unknown:
    // lines are picked against it where it is below the region's own.
    double noiseSd = 0.0;
};

// hz and y are the region's points in any order (the spectrum's own falling
// axis is fine); mhz converts Hz to ppm.
MultipletAnalysis AnalyseMultiplet(std::span<const double> hz, std::span<const double> y, double mhz,
                                   const AnalysisOptions& options = {});

// What a result window shows of an analysis, decSep '.' or ','. The centre
// "δ 3.7375 ppm (1869.25 Hz)", the couplings "4.97 ± 0.04 Hz, 2.79 ± 0.04 Hz
// (×2)", "none" without any; a result no first-order pattern explains names
// its range.
struct MultipletTexts {
    std::string centre, multiplicity, couplings, confidence, note;
};
MultipletTexts DescribeAnalysis(const MultipletAnalysis& a, char decSep);

}  // namespace quble::analysis
