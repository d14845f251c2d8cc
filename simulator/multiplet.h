// One complete calculation: read the input texts, build every hydrogen's
// splitting tree and merged lines (StartProcess, MainNova), then the merged
// spectrum, line shapes, envelope and extrema (FundLinFinal).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "simulator/simulation_state.h"

namespace quble {

// The texts of the simulator's input boxes, as the window holds them. The
// calculation reads them all and writes the repaired ones back (clamped
// counts, width and resolution), so the user sees the values used.
struct SimulationInput {
    std::string Text2 = "1";                                   // number of hydrogens
    std::array<std::string, kMaxHydrogens> Text6{"2500", "2500", "2500", "2500"};  // shifts
    std::array<std::string, kMaxHydrogens> Text1{"1", "1", "1", "1"};              // J counts
    std::array<std::array<std::string, kMaxJ>, kMaxHydrogens> JText{};             // TextH1..TextH4
    std::string Text3 = "0.1";                                 // resolution
    std::string Text4 = "1";                                   // width at half height
    char DecSep = '.';
    // Names used in messages ("H7" rather than "H1" once an example named it).
    std::array<std::string, kMaxHydrogens> HydrogenName{"H1", "H2", "H3", "H4"};

    SimulationInput() {
        for (auto& row : JText) row.fill("0");
    }
};

// A box whose text is not a number. box is the control name ("Text6",
// "TextH2", "Text3", "Text4"), index the control-array index (the J box index
// for TextH1..TextH4, the hydrogen index for Text6), message a sentence for
// the user that names the box.
struct InputError {
    std::string box;
    int index = 0;
    std::string message;
};

// Reads and checks every input box, then computes. On an error nothing in
// state changes and the texts are left as typed (only the counts may have
// been clamped); on success the state holds the new result.
std::optional<InputError> StartProcess(SimulationState& state, SimulationInput& input);

// The lines of hydrogen state.CurH, from the values already in state
// (Shift, NJ, JVal, AvChemShift, Res). Adds to MinPos/MaxPos.
void MainNova(SimulationState& state);

// Merge all hydrogens' lines, synthesise the line shapes and the 701-sample
// envelope, find its maxima and minima. With no shape ticked the previous
// profiles and envelope stay as they are.
void FundLinFinal(SimulationState& state);

// The resolution rule over lines sorted by position: consecutive gaps below
// res (in single precision) form a group that becomes one line at the plain
// mean position with the summed intensity. Returns the new count; entries
// 1..count of pos/inten hold the result.
int MergeLines(float* pos, float* inten, int count, float res);

// Sample half counts for the individual profiles (at most 100).
int LorentzianCount(float halfWidth, float maxLineInt);
int GaussianCount(float gaussSigma, float maxLineInt);

}  // namespace quble
