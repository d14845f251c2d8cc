// How the simulator's input boxes are read and repaired: pure functions on
// text, so the window only wires them to its controls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/number_text.h"

namespace quble {

// A count box (hydrogens 1..4, J values 1..10): leading number, rounded half
// to even, clamped to [lo, hi]. Clamping happens on the wide value, so a
// number that would not fit a 16-bit integer still clamps to hi or lo.
int ParseCount(std::string_view text, int lo, int hi);

// Width at half height: empty, or a value below 0.1, becomes "0.1".
// Returns the repaired text, or nullopt when the text is not a number.
std::optional<std::string> RepairWidth(std::string_view widthText, char decSep);

// Resolution: empty becomes "0.01"; a resolution above the width becomes the
// width's text. widthText must already be repaired. nullopt: not a number.
std::optional<std::string> RepairResolution(std::string_view resText, std::string_view widthText, char decSep);

}  // namespace quble
