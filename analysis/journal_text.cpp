#include "analysis/journal_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/number_text.h"
#include "simulator/input_rules.h"

namespace quble::analysis {

namespace {

constexpr std::string_view kDelta = "\xCE\xB4";  // δ in UTF-8

// Longest names first so that "hept" is not read as "h" then "ept".
struct Letter {
    std::string_view text;
    int count;
};
constexpr std::array<Letter, 16> kLetters{{{"undec", 10}, {"quint", 4}, {"sext", 5}, {"sept", 6}, {"hept", 6},
                                           {"oct", 7}, {"non", 8}, {"dec", 9}, {"d", 1}, {"t", 2}, {"q", 3},
                                           {"p", 4}, {"h", 5}, {"s", 0}, {"m", -1}, {"b", -2}}};

std::string Fixed(double v, int decimals) { return FixedDecimals(v, decimals); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view p) {
    if (s.size() < p.size()) return false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(p[i])))
            return false;
    }
    return true;
}

// A decimal number at the start of s (a comma is never a decimal separator
// here: it separates couplings). Advances s past it.
bool TakeNumber(std::string_view& s, double* v) {
    s = Trim(s);
    std::size_t n = 0;
    if (n < s.size() && (s[n] == '-' || s[n] == '+')) ++n;
    const std::size_t digitsFrom = n;
    while (n < s.size() && (std::isdigit(static_cast<unsigned char>(s[n])) || s[n] == '.')) ++n;
    if (n == digitsFrom) return false;
    std::string_view num = s.substr(0, n);
    if (num.front() == '+') num.remove_prefix(1);
    double value = 0.0;
    const auto r = std::from_chars(num.data(), num.data() + num.size(), value);
    if (r.ec != std::errc() || r.ptr != num.data() + num.size() || !std::isfinite(value)) return false;
    *v = value;
    s.remove_prefix(n);
    return true;
}

bool TakeWord(std::string_view& s, std::string_view word) {
    const std::string_view t = Trim(s);
    if (!StartsWithNoCase(t, word)) return false;
    s = t.substr(word.size());
    return true;
}

// "dt", "br s", "app t": the counts of the groups in order, or nullopt.
bool ReadLetters(std::string_view token, std::vector<int>* counts) {
    std::string compact;
    for (char c : token) {
        if (!std::isspace(static_cast<unsigned char>(c))) compact += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string_view s = compact;
    if (s.starts_with("br")) s.remove_prefix(2);
    if (s.starts_with("app")) s.remove_prefix(3);
    if (s.starts_with(".")) s.remove_prefix(1);
    if (s.empty()) return false;
    counts->clear();
    while (!s.empty()) {
        bool matched = false;
        for (const auto& l : kLetters) {
            if (l.count < -1 || !s.starts_with(l.text)) continue;
            counts->push_back(l.count);
            s.remove_prefix(l.text.size());
            matched = true;
            break;
        }
        if (!matched) return false;
    }
    // "s" and "m" stand alone.
    if (counts->size() > 1 && std::any_of(counts->begin(), counts->end(), [](int c) { return c <= 0; })) return false;
    return true;
}

// Splits at top-level separators (outside brackets).
std::vector<std::string_view> SplitEntries(std::string_view text) {
    std::vector<std::string_view> out;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') ++depth;
        if (c == ')') depth = std::max(0, depth - 1);
        if (depth == 0 && (c == ',' || c == ';' || c == '\n' || c == '\r')) {
            out.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(text.substr(start));
    std::vector<std::string_view> kept;
    for (auto e : out) {
        e = Trim(e);
        if (e == "." ) continue;
        while (!e.empty() && e.back() == '.') e = Trim(e.substr(0, e.size() - 1));
        if (!e.empty()) kept.push_back(e);
    }
    return kept;
}

JournalParse Fail(std::string error, std::string_view part) {
    JournalParse p;
    p.error = std::move(error);
    p.part = std::string(part);
    return p;
}

// Numbers of a coupling list, separated by commas, "and" or spaces, with an
// optional "Hz" at the end. False when something else is in it.
bool ReadCouplingNumbers(std::string_view s, std::vector<double>* out, bool* endsWithHz) {
    *endsWithHz = false;
    bool any = false;
    while (true) {
        s = Trim(s);
        if (s.empty()) return any;
        if (TakeWord(s, "Hz")) {
            *endsWithHz = true;
            return any && Trim(s).empty();
        }
        if (any && TakeWord(s, "and")) continue;
        if (any && !s.empty() && s.front() == ',') {
            s.remove_prefix(1);
            continue;
        }
        double v = 0.0;
        if (!TakeNumber(s, &v)) return false;
        out->push_back(v);
        any = true;
    }
}

}  // namespace

std::vector<JournalGroup> JournalGroups(std::span<const double> jHz) {
    std::vector<JournalGroup> groups;
    for (double j : jHz) {
        if (!std::isfinite(j)) continue;
        const double r = std::round(std::abs(j) * 10.0) / 10.0;
        if (r == 0.0) continue;
        auto it = std::find_if(groups.begin(), groups.end(), [&](const JournalGroup& g) { return g.jHz == r; });
        if (it == groups.end()) groups.push_back({r, 1});
        else ++it->count;
    }
    std::stable_sort(groups.begin(), groups.end(), [](const JournalGroup& a, const JournalGroup& b) { return a.jHz > b.jHz; });
    return groups;
}

std::string MultiplicityLetter(int count) {
    static constexpr std::array<std::string_view, 11> names{"", "d", "t", "q", "p", "h", "hept", "oct", "non", "dec", "undec"};
    return count >= 1 && count <= 10 ? std::string(names[static_cast<std::size_t>(count)]) : std::string();
}

std::string MultiplicityText(std::span<const JournalGroup> groups) {
    if (groups.empty()) return "s";
    std::string s;
    for (const auto& g : groups) s += MultiplicityLetter(g.count);
    return s;
}

std::string JournalLine(const JournalHydrogen& h, double mhz) {
    const auto groups = JournalGroups(h.jHz);
    std::string s = std::string(kDelta) + " " + Fixed(h.shiftHz / mhz, 2) + " (" + MultiplicityText(groups);
    if (!groups.empty()) {
        s += ", J = ";
        for (std::size_t i = 0; i < groups.size(); ++i) s += (i ? ", " : "") + Fixed(groups[i].jHz, 1);
        s += " Hz";
    }
    return s + ", " + std::to_string(h.protons) + "H)";
}

std::string JournalText(std::span<const JournalHydrogen> hydrogens, double mhz) {
    std::string s;
    for (const auto& h : hydrogens) s += (s.empty() ? "" : "\n") + JournalLine(h, mhz);
    return s;
}

bool HydrogensFromInput(const SimulationInput& input, std::vector<JournalHydrogen>* out, std::string* error) {
    const auto count = ParseLocaleNumber(input.Text2, input.DecSep);
    if (!count || *count < 1 || *count > kMaxHydrogens) {
        *error = "The number of hydrogens \"" + input.Text2 + "\" is not a number from 1 to 4.";
        return false;
    }
    std::vector<JournalHydrogen> hs;
    for (int h = 0; h < static_cast<int>(*count); ++h) {
        JournalHydrogen jh;
        const auto shift = ParseLocaleNumber(input.Text6[static_cast<std::size_t>(h)], input.DecSep);
        if (!shift) {
            *error = "The shift of " + input.HydrogenName[static_cast<std::size_t>(h)] + " \"" +
                     input.Text6[static_cast<std::size_t>(h)] + "\" is not a number.";
            return false;
        }
        jh.shiftHz = *shift;
        const auto nj = ParseLocaleNumber(input.Text1[static_cast<std::size_t>(h)], input.DecSep);
        const int n = nj ? std::clamp(static_cast<int>(*nj), 1, kMaxJ) : 1;
        for (int k = 0; k < n; ++k) {
            const auto j = ParseLocaleNumber(input.JText[static_cast<std::size_t>(h)][static_cast<std::size_t>(k)], input.DecSep);
            if (!j) {
                *error = "J" + std::to_string(k + 1) + " of " + input.HydrogenName[static_cast<std::size_t>(h)] + " \"" +
                         input.JText[static_cast<std::size_t>(h)][static_cast<std::size_t>(k)] + "\" is not a number.";
                return false;
            }
            if (*j != 0.0) jh.jHz.push_back(*j);
        }
        hs.push_back(std::move(jh));
    }
    *out = std::move(hs);
    return true;
}

JournalParse ParseJournalText(std::string_view text, double mhz) {
    if (!(mhz > 0.0) || !std::isfinite(mhz)) return Fail("The spectrometer frequency must be above 0 MHz.", "");
    // A heading such as "1H NMR (400 MHz, CDCl3) δ" ends at the first δ.
    if (const auto d = text.find(kDelta); d != std::string_view::npos) {
        const std::string_view before = Trim(text.substr(0, d));
        if (before.find("NMR") != std::string_view::npos || before.empty()) text = text.substr(d);
    }
    const auto entries = SplitEntries(text);
    if (entries.empty()) return Fail("There is no multiplet in the text.", text);
    if (entries.size() > static_cast<std::size_t>(kMaxHydrogens))
        return Fail("The text holds more than four multiplets; the simulator takes at most four hydrogens.",
                    entries[kMaxHydrogens]);
    JournalParse result;
    for (const std::string_view entry : entries) {
        std::string_view s = entry;
        if (TakeWord(s, kDelta) || TakeWord(s, "delta")) {
            if (!s.empty() && (s.front() == 'H' || s.front() == 'h')) s.remove_prefix(1);
        }
        double shift = 0.0;
        if (!TakeNumber(s, &shift)) return Fail("The shift of \"" + std::string(entry) + "\" is not a number.", entry);
        s = Trim(s);
        if (!s.empty() && (s.starts_with("\xE2\x80\x93") || s.front() == '-'))  // a range: "4.40-4.20 (m)"
            return Fail("\"" + std::string(entry) + "\" is a range, not one shift; a range has no couplings to simulate.",
                        entry);
        double shiftHz = shift * mhz;
        if (TakeWord(s, "ppm")) {
        } else if (TakeWord(s, "Hz")) {
            shiftHz = shift;
        }
        s = Trim(s);
        if (s.empty() || s.front() != '(' || s.back() != ')')
            return Fail("\"" + std::string(entry) + "\" has no multiplicity and couplings in brackets after the shift.",
                        entry);
        const std::string_view inside = s.substr(1, s.size() - 2);
        std::vector<int> letters;
        bool haveLetters = false;
        std::vector<double> j;
        int protons = 1;
        bool inJ = false;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= inside.size(); ++i) {
            if (i < inside.size() && inside[i] != ',') continue;
            const std::string_view token = Trim(inside.substr(start, i - start));
            start = i + 1;
            if (token.empty()) continue;
            std::string_view t = token;
            bool hz = false;
            if (t.front() == 'J' || t.front() == 'j') {
                t.remove_prefix(1);
                // "J = ", "J=", "JHH =", "³J ="
                while (!t.empty() && t.front() != '=' && !std::isdigit(static_cast<unsigned char>(t.front())) &&
                       std::isalpha(static_cast<unsigned char>(t.front())))
                    t.remove_prefix(1);
                t = Trim(t);
                if (!t.empty() && t.front() == '=') t.remove_prefix(1);
                if (!ReadCouplingNumbers(t, &j, &hz))
                    return Fail("The couplings \"" + std::string(token) + "\" are not numbers in Hz.", token);
                inJ = !hz;
                continue;
            }
            if (inJ) {
                std::vector<double> more;
                if (ReadCouplingNumbers(t, &more, &hz)) {
                    j.insert(j.end(), more.begin(), more.end());
                    inJ = !hz;
                    continue;
                }
            }
            inJ = false;
            {
                std::string_view p = t;
                double n = 0.0;
                if (TakeNumber(p, &n) && Trim(p) == "H" && n >= 1 && n == std::floor(n) && n <= 100) {
                    protons = static_cast<int>(n);
                    continue;
                }
            }
            if (!haveLetters && ReadLetters(t, &letters)) {
                haveLetters = true;
                continue;
            }
            return Fail("\"" + std::string(token) + "\" in \"" + std::string(entry) + "\" is not a multiplicity, coupling or number of hydrogens.",
                        token);
        }
        for (double v : j) {
            if (!(v > 0.0) || v > 1000.0)
                return Fail("The coupling " + Fixed(v, 2) + " Hz of \"" + std::string(entry) + "\" is not above 0 Hz.", entry);
        }
        JournalHydrogen h;
        h.shiftHz = shiftHz;
        h.protons = protons;
        if (!haveLetters) {
            h.jHz = j;  // no letters: each coupling a doublet
        } else if (letters.size() == 1 && letters[0] == -1) {
            return Fail("\"" + std::string(entry) + "\" is a multiplet (m) without couplings to simulate.", entry);
        } else if (letters.size() == 1 && letters[0] == 0) {
            if (!j.empty()) return Fail("\"" + std::string(entry) + "\" is a singlet but lists couplings.", entry);
        } else {
            int total = 0;
            for (int c : letters) total += c;
            if (j.size() == letters.size()) {
                for (std::size_t g = 0; g < letters.size(); ++g) h.jHz.insert(h.jHz.end(), static_cast<std::size_t>(letters[g]), j[g]);
            } else if (static_cast<int>(j.size()) == total) {
                h.jHz = j;
            } else {
                return Fail("The multiplicity of \"" + std::string(entry) + "\" needs " + std::to_string(letters.size()) +
                                " coupling constants, the text gives " + std::to_string(j.size()) + ".",
                            entry);
            }
        }
        if (h.jHz.size() > static_cast<std::size_t>(kMaxJ))
            return Fail("\"" + std::string(entry) + "\" has more than ten couplings.", entry);
        result.hydrogens.push_back(std::move(h));
    }
    result.ok = true;
    return result;
}

std::optional<double> ParseSpectrometerMHz(std::string_view text) {
    const std::string_view t = Trim(text);
    const char sep = t.find(',') != std::string_view::npos ? ',' : '.';
    const std::optional<double> v = ParseLocaleNumber(t, sep);
    if (!v || !(*v >= 1.0 && *v <= 10000.0)) return std::nullopt;
    return v;
}

bool ApplyJournalToInput(const JournalParse& parse, SimulationInput& input) {
    if (!parse.ok || parse.hydrogens.empty() || parse.hydrogens.size() > static_cast<std::size_t>(kMaxHydrogens)) return false;
    SimulationInput next = input;
    next.Text2 = std::to_string(parse.hydrogens.size());
    for (std::size_t h = 0; h < parse.hydrogens.size(); ++h) {
        const auto& jh = parse.hydrogens[h];
        next.Text6[h] = FormatNumber(jh.shiftHz, next.DecSep);
        const std::size_t n = std::max<std::size_t>(1, jh.jHz.size());
        next.Text1[h] = std::to_string(n);
        for (std::size_t k = 0; k < static_cast<std::size_t>(kMaxJ); ++k)
            next.JText[h][k] = k < jh.jHz.size() ? FormatNumber(jh.jHz[k], next.DecSep) : "0";
    }
    input = std::move(next);
    return true;
}

}  // namespace quble::analysis
