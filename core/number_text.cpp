#include <algorithm>
#include <cstdio>
#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace quble {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view t) {
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    return t;
}

// Length of the longest prefix of t that reads as [sign] digits [sep digits]
// [e [sign] digits] with at least one mantissa digit; 0 when there is none.
std::size_t NumberPrefix(std::string_view t, char sep) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) { ++i; ++digits; }
    if (i < t.size() && t[i] == sep) {
        ++i;
        while (i < t.size() && IsDigit(t[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < t.size() && IsDigit(t[j])) { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    return i;
}

// Converts a prefix already checked by NumberPrefix; sep is rewritten to '.'.
std::optional<double> Convert(std::string_view number, char sep) {
    std::string s(number);
    if (!s.empty() && s.front() == '+') s.erase(s.begin());
    for (char& c : s) if (c == sep) c = '.';
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Underflow (a negative exponent) reads as zero; overflow is no usable number.
        const auto e = s.find_first_of("eE");
        const bool underflow = e != std::string::npos && e + 1 < s.size() && s[e + 1] == '-';
        return underflow ? std::optional<double>(0.0) : std::nullopt;
    }
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::string_view t = text;
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    std::size_t n = NumberPrefix(t, '.');
    if (n == 0) return 0.0;
    auto v = Convert(t.substr(0, n), '.');
    if (!v) {
        // Too large for a double: keep the sign so clamping still goes the right way.
        return t.front() == '-' ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    }
    return *v;
}

double RoundHalfEven(double value) {
    double r = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) r = 2.0 * std::round(value / 2.0);
    return r;
}


char DecSepFromFormattedHalf(std::string_view formattedHalf) {
    if (formattedHalf.size() >= 2 && (formattedHalf[1] == ',' || formattedHalf[1] == '.')) return formattedHalf[1];
    return '.';
}

std::string RepairSeparator(std::string_view text, char decSep) {
    std::string s(text);
    const char wrong = decSep == ',' ? '.' : ',';
    if (auto p = s.find(wrong); p != std::string::npos) s[p] = decSep;
    return s;
}

std::optional<double> ParseLocaleNumber(std::string_view text, char decSep) {
    std::string_view t = Trim(text);
    if (t.empty()) return std::nullopt;
    std::size_t n = NumberPrefix(t, decSep);
    if (n == 0 || n != t.size()) return std::nullopt;
    return Convert(t, decSep);
}

namespace {
template <class T>
std::string FormatShortest(T value, char decSep) {
    if (value == 0) return "0";  // also turns -0 into 0
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, ec == std::errc() ? ptr : buf);
    for (char& c : s) if (c == '.') c = decSep;
    return s;
}
}  // namespace

std::string FormatNumber(float value, char decSep) { return FormatShortest(value, decSep); }
std::string FormatNumber(double value, char decSep) { return FormatShortest(value, decSep); }

std::string FixedDecimals(double value, int digits, char decSep) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(digits, 0, 17), value);
    std::string s = buf;
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    if (decSep != '.')
        for (char& c : s)
            if (c == '.') c = decSep;
    return s;
}

}  // namespace quble
