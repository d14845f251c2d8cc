// How the simulator's input boxes are read and repaired: pure functions on
// text, so the window only wires them to its controls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quble {

// Leading number of a text, locale-independent ("." is the decimal point):
// blanks, an optional sign, digits, an optional fraction and exponent.
// A text that does not start with a number gives 0.
double LeadingNumber(std::string_view text);

// Round to the nearest whole number, a half to the even neighbour.
double RoundHalfEven(double value);

// A count box (hydrogens 1..4, J values 1..10): leading number, rounded half
// to even, clamped to [lo, hi]. Clamping happens on the wide value, so a
// number that would not fit a 16-bit integer still clamps to hi or lo.
int ParseCount(std::string_view text, int lo, int hi);

// The decimal separator of a locale, found as the second character of 0.5
// formatted by that locale.
char DecSepFromFormattedHalf(std::string_view formattedHalf);

// Separator repair while typing: replace the first wrong separator only.
std::string RepairSeparator(std::string_view text, char decSep);

// A locale number: optional blanks, sign, digits with decSep as the decimal
// separator, optional exponent, optional blanks. Anything else (letters, a
// second separator, the other separator, an empty text) is not a number.
std::optional<double> ParseLocaleNumber(std::string_view text, char decSep);

// Shortest decimal text that reads back as the same value, with decSep.
std::string FormatNumber(float value, char decSep);
std::string FormatNumber(double value, char decSep);

// Width at half height: empty, or a value below 0.1, becomes "0.1".
// Returns the repaired text, or nullopt when the text is not a number.
std::optional<std::string> RepairWidth(std::string_view widthText, char decSep);

// Resolution: empty becomes "0.01"; a resolution above the width becomes the
// width's text. widthText must already be repaired. nullopt: not a number.
std::optional<std::string> RepairResolution(std::string_view resText, std::string_view widthText, char decSep);

}  // namespace quble
