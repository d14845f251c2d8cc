// Numbers as text, independent of any window: the leading number of a
// text, rounding, locale separators and the shortest decimal form.
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

// value with exactly `digits` decimals and decSep, as a table or a journal
// prints it; a value that rounds to zero never shows a minus sign.
std::string FixedDecimals(double value, int digits, char decSep = '.');

}  // namespace quble
