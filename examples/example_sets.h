// The nine example parameter sets offered under "Open New Example".
// Shifts, J values and widths are kept as whole and fractional parts so
// that the boxes can be filled with the window's decimal separator.
#pragma once

#include <string>
#include <vector>

namespace quble {

enum class ExampleShape {
    StartUp,   // the line shape named in the settings file at start-up
    Lorentzian,
    Mixed,     // Lorentzian + Gaussian with the mixing ratio unchanged
    MixedWithRatio,
};

struct ExampleHydrogen {
    std::string name;                 // "H7"
    std::string shift;                // "1869.25" (with "." as separator)
    std::vector<std::string> j;       // "5.0", "3.1", ...
};

struct ExampleSet {
    std::string menuName;             // mnuEx1
    std::string caption;              // "Example 1/H7"
    std::string handler;              // "mnuEx1_Click"
    std::string title;                // Label8
    std::vector<ExampleHydrogen> hydrogens;
    std::string width;                // "1"
    ExampleShape shape = ExampleShape::StartUp;
    int mixPercent = 0;               // Lorentzian percentage for MixedWithRatio
    std::string picturePath;          // relative to the program folder, "/" separated
};

// In menu order: Example 1/H3'b, 1/H5+H3'a, 1/H6, 1/H7, 1/H8, 2, 3, 4, 5.
const std::vector<ExampleSet>& ExampleSets();
// By caption ("Example 1/H7") or by menu name ("mnuEx1"); nullptr when unknown.
const ExampleSet* FindExample(const std::string& captionOrMenuName);

// Text for a box: the value with "." replaced by the window's separator.
std::string WithSeparator(const std::string& dotted, char decSep);

}  // namespace quble
