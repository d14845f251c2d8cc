#include "experimental/graph_reading.h"

#include <cmath>
#include <limits>

#include "core/number_text.h"
#include "platform/emf_surface.h"

namespace quble {
namespace {

bool HasNeighbours(const BrukerSpectrum& s, std::int64_t i) {
    return i >= 2 && i < s.NPont && s.Ygraf.size() == static_cast<std::size_t>(s.NPont) + 1;
}

}  // namespace

std::int64_t NearestPoint(double x, double pixPerPoint, std::int64_t firstShown) {
    if (!(pixPerPoint > 0.0) || !std::isfinite(pixPerPoint) || !std::isfinite(x)) return firstShown;
    const double q = x / pixPerPoint + static_cast<double>(firstShown);
    const double whole = std::floor(q);
    // Far outside any spectrum; callers reject it as beyond the data.
    if (whole > 9.0e15 || whole < -9.0e15) return whole > 0 ? std::numeric_limits<std::int64_t>::max() / 2 : std::numeric_limits<std::int64_t>::min() / 2;
    auto point = static_cast<std::int64_t>(whole);
    if (q - whole > 0.5) ++point;
    return point;
}

bool IsPeakPoint(const BrukerSpectrum& s, std::int64_t i) {
    return HasNeighbours(s, i) && s.Ygraf[i] > s.Ygraf[i - 1] && s.Ygraf[i] > s.Ygraf[i + 1];
}

bool IsTroughPoint(const BrukerSpectrum& s, std::int64_t i) {
    return HasNeighbours(s, i) && s.Ygraf[i] < s.Ygraf[i - 1] && s.Ygraf[i] < s.Ygraf[i + 1];
}

bool IsCrestOrTrough(const BrukerSpectrum& s, std::int64_t i) { return IsPeakPoint(s, i) || IsTroughPoint(s, i); }

std::string RoundedText(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return FormatNumber(RoundHalfEven(value * scale) / scale, '.');
}

std::optional<GraphReading> ReadingAt(const BrukerSpectrum& s, std::int64_t cursorPoint) {
    if (cursorPoint < 2 || cursorPoint > s.NPont || s.XnmrHz.size() != static_cast<std::size_t>(s.NPont) + 1) {
        return std::nullopt;
    }
    GraphReading r;
    r.point = cursorPoint;
    r.peak = IsPeakPoint(s, cursorPoint);
    r.pointText = "Point # " + std::to_string(cursorPoint);
    const double hz = s.XnmrHz[cursorPoint];
    r.hzText = RoundedText(hz, 3) + " Hz";
    // Without acquisition parameters there is no ppm scale to read.
    if (s.SFO1 > 0.0) r.ppmText = RoundedText(hz / s.SFO1, 5) + " ppm";
    return r;
}

std::string SaveYValuesText(const BrukerSpectrum& s) {
    const auto& data = s.BigEndian ? s.BigEndianData : s.LittleEndianData;
    const bool filled = data.size() == static_cast<std::size_t>(s.NPont) + 1;
    std::string out;
    out.reserve(static_cast<std::size_t>(s.NPont) * 14);
    for (std::int64_t i = 1; i <= s.NPont; ++i) {
        const std::int32_t v = filled ? data[static_cast<std::size_t>(i)] : 0;
        if (v >= 0) out += ' ';
        out += std::to_string(v);
        out += " \r\n";
    }
    return out;
}

std::string SaveYValuesFile(const BrukerSpectrum& s, const std::string& path) {
    std::string error;
    try {
        const std::string text = SaveYValuesText(s);
        if (WriteFileAtomically(path, std::vector<std::uint8_t>(text.begin(), text.end()), &error)) return {};
    } catch (const std::bad_alloc&) {
        error = "there is not enough memory for the text";
    }
    return "Cannot write the file\r\n" + path + "\r\n" + error;
}

}  // namespace quble
