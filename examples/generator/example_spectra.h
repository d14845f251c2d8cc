// Our own example spectra: six processed 1H spectra of a 500 MHz instrument,
// made from a table of true lines with seeded noise, written in the layout a
// spectrometer uses for a processed spectrum ("1r", "procs", "acqus").
//
// The true couplings and widths of the example multiplets are close to the
// values of the simulator's examples but deliberately not equal to them, so
// that laying a simulation over a spectrum shows a real difference. Every
// number that reaches a file comes from this table, integer arithmetic or
// correctly rounded formatting, so two runs give the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quble::examplegen {

// One multiplet of a spectrum: first order, every coupling splitting every
// line in two halves. Its area is `protons` (in hydrogens).
struct TrueMultiplet {
    std::string name;            // "H7", "TMS", "CHCl3", "OCH3"
    double shiftHz = 0.0;        // from TMS
    std::vector<double> j;       // Hz
    double protons = 1.0;
    double widthHz = 1.0;        // full width at half height
    double gaussFraction = 0.0;  // share of the Gaussian in the line shape
    std::string exampleCaption;  // "Example 1/H7" when it is the multiplet of an example
};

struct SpectrumRecipe {
    std::string suffix;          // "1a": files "1r_1a", "acqus_1a", "procs_1a"
    std::string compound;        // "15-Deoxygoyazensolide"
    std::string label;           // "Example 1a"
    std::int32_t si = 65536;     // points of 1r
    std::int32_t td = 65536;     // acquired points (real + imaginary)
    int bytordp = 0;             // 0 little endian, 1 big endian
    double bf1 = 500.13;         // MHz
    double o1 = 0.0;             // Hz, transmitter offset from BF1
    double swh = 10000.0;        // Hz
    // Where TMS lies on the axis built from O1 and SW_h alone.
    double tmsProvisionalHz = 0.0;
    // The spectrometer's own reference, SR = (SF - BF1) x 1e6, written as SF.
    // It misses TMS by a few tenths of a Hz, as the lock reference does.
    double srHz = 0.0;
    double lb = 0.3;             // line broadening of the processing (recorded only)
    std::int32_t nc = -3;        // NC_proc
    double maxIntensity = 4e8;   // tallest point of the noise-free spectrum
    double noiseSigma = 2e4;     // Gaussian noise, in data units
    double baseline[3] = {0, 0, 0};  // c0 + c1 t + c2 t^2, t from -1 (left) to 1, in data units
    std::uint64_t seed = 1;
    std::int64_t date = 0;       // acquisition time, seconds since 1970
    std::string dateText;        // the same time as text, for the "$$" lines
    std::vector<TrueMultiplet> lines;
};

// The six spectra in the shipped order 1a, 1b, 2, 3, 4, 5.
const std::vector<SpectrumRecipe>& ExampleRecipes();

// The names of the files the generator writes: every shipped name, the
// formula pictures included.
std::vector<std::string> GeneratedFileNames();

// Frequency of point i (1 = leftmost) on the axis built from O1 and SW_h.
double ProvisionalHz(const SpectrumRecipe& r, std::int64_t i);

// The noise-free line spectrum (no baseline, unscaled) at a shift in Hz from
// TMS: the sum of every line's profile, each of area `protons`.
double ModelAt(const SpectrumRecipe& r, double shiftHz);

// The data points of 1r, point 1 first: the model scaled to maxIntensity,
// plus baseline and noise, rounded to 32-bit integers.
std::vector<std::int32_t> Synthesize(const SpectrumRecipe& r);

// The bytes of 1r in the recipe's byte order.
std::string OneRBytes(const SpectrumRecipe& r, const std::vector<std::int32_t>& data);
std::string AcqusText(const SpectrumRecipe& r);
std::string ProcsText(const SpectrumRecipe& r, std::int32_t ymax, std::int32_t ymin);
std::string ReadMeText();

struct WriteResult {
    bool ok = true;
    std::string error;
    std::vector<std::string> written;  // file names, in writing order
};
// Writes every generated file into folder (made when missing), replacing
// files of the same names.
WriteResult WriteExampleFiles(const std::filesystem::path& folder);

}  // namespace quble::examplegen
