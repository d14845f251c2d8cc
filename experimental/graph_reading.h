// Reading the experimental graph under the mouse and writing the
// intensities out as text: pure functions the window wires to its labels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "experimental/bruker_spectrum.h"

namespace quble {

// Data point nearest to the mouse: q = x / pixPerPoint + firstShown, rounded
// down, and up only when the fraction is above one half (exactly one half
// stays down). A non-positive or non-finite pixPerPoint gives firstShown.
std::int64_t NearestPoint(double x, double pixPerPoint, std::int64_t firstShown);

// Strict local maximum / minimum of Ygraf. The first and last points lack a
// neighbour and are never peaks or troughs; indices outside the data neither.
bool IsPeakPoint(const BrukerSpectrum& s, std::int64_t i);
bool IsTroughPoint(const BrukerSpectrum& s, std::int64_t i);
bool IsCrestOrTrough(const BrukerSpectrum& s, std::int64_t i);

// Value rounded to the given number of decimals (a half to the even
// neighbour) in its shortest decimal form.
std::string RoundedText(double value, int decimals);

struct GraphReading {
    std::int64_t point = 0;
    bool peak = false;            // line yellow, cross pointer, red texts
    std::string pointText;        // Label8: "Point # 123"
    std::string hzText;           // Label9: "1234.567 Hz"
    std::string ppmText;          // Label6: "7.27 ppm"
};
// nullopt for points outside 2..NPont (the reading starts at point 2).
std::optional<GraphReading> ReadingAt(const BrukerSpectrum& s, std::int64_t cursorPoint);

// Content of the "Save Current Y values" file: one line per point with the
// raw intensity of the current byte order, a blank before a non-negative
// value, a blank after every value, CR LF after every line.
std::string SaveYValuesText(const BrukerSpectrum& s);
// Writes that text to path, whole or not at all (an older file stays as it
// was). Returns the message to show when it could not be written, empty
// when it was.
std::string SaveYValuesFile(const BrukerSpectrum& s, const std::string& path);

}  // namespace quble
