#include "simulator/input_rules.h"

#include <cmath>

namespace quble {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view t) {
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    return t;
}

}  // namespace

int ParseCount(std::string_view text, int lo, int hi) {
    double v = RoundHalfEven(LeadingNumber(text));
    if (std::isnan(v) || v < lo) return lo;
    if (v > hi) return hi;
    return static_cast<int>(v);
}

std::optional<std::string> RepairWidth(std::string_view widthText, char decSep) {
    if (Trim(widthText).empty()) return FormatNumber(0.1f, decSep);
    auto v = ParseLocaleNumber(widthText, decSep);
    if (!v) return std::nullopt;
    if (*v < 0.1) return FormatNumber(0.1f, decSep);
    return std::string(widthText);
}

std::optional<std::string> RepairResolution(std::string_view resText, std::string_view widthText, char decSep) {
    if (Trim(resText).empty()) return FormatNumber(0.01f, decSep);
    auto res = ParseLocaleNumber(resText, decSep);
    if (!res) return std::nullopt;
    auto width = ParseLocaleNumber(widthText, decSep);
    if (width && *width < *res) return std::string(widthText);
    return std::string(resText);
}

}  // namespace quble
