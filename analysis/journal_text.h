// Multiplets as a paper writes them, "δ 4.28 (dt, J = 8.4, 3.3 Hz, 1H)",
// and back: the text of a simulation for the clipboard, and a reader that
// turns such lines into the simulator's boxes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "simulator/multiplet.h"

namespace quble::analysis {

struct JournalHydrogen {
    double shiftHz = 0.0;
    std::vector<double> jHz;   // every coupling, equal ones repeated (dt: 8.4, 3.3, 3.3)
    int protons = 1;
};

// Couplings equal at the journal's 0.1 Hz, largest first, with how many
// times each occurs.
struct JournalGroup {
    double jHz = 0.0;
    int count = 1;
};
std::vector<JournalGroup> JournalGroups(std::span<const double> jHz);

// "d", "t", "q", "p", "h", "hept", ... for one group of `count` equal
// couplings; "" for a count outside 1..10.
std::string MultiplicityLetter(int count);
// The letters of whole groups ("dt"), "s" with none.
std::string MultiplicityText(std::span<const JournalGroup> groups);

// One hydrogen, shift in ppm (two decimals) from mhz: "δ 4.28 (dt, J = 8.4,
// 3.3 Hz, 1H)".
std::string JournalLine(const JournalHydrogen& h, double mhz);
// Every hydrogen, one line each, joined by "\n".
std::string JournalText(std::span<const JournalHydrogen> hydrogens, double mhz);
// The hydrogens of the simulator's boxes (Text2, Text6, Text1, TextH1..4).
// False, with the hydrogen and box named for the user, when one is not a
// number.
bool HydrogensFromInput(const SimulationInput& input, std::vector<JournalHydrogen>* out, std::string* error);

struct JournalParse {
    bool ok = false;
    std::vector<JournalHydrogen> hydrogens;
    std::string error;   // a sentence for the user
    std::string part;    // the piece of text that could not be read
};

// Reads one or several multiplets (at most four), each "δ 4.28 (dt, J =
// 8.4, 3.3 Hz, 1H)" or a common variant: the δ may be left out, the shift
// may carry "ppm" or "Hz" (ppm without a unit, converted with mhz), the
// items in the brackets may come in any order, and the couplings may be
// written "J = 8.4 and 3.3 Hz" or "J=8.4,3.3Hz". Multiplets are separated by
// new lines, commas or semicolons.
JournalParse ParseJournalText(std::string_view text, double mhz);

// A spectrometer frequency typed by the user, in MHz: a number from 1 to
// 10000 with "." or "," and blanks around it; nothing otherwise.
std::optional<double> ParseSpectrometerMHz(std::string_view text);

// Writes parsed hydrogens into the boxes (a singlet gets one coupling of 0).
// The boxes are changed only when the whole parse succeeded.
bool ApplyJournalToInput(const JournalParse& parse, SimulationInput& input);

}  // namespace quble::analysis
