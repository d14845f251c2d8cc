#include "settings/settings_file.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>

#include "core/number_text.h"
#include "platform/emf_surface.h"

namespace quble {

namespace {

enum class Kind { Flag, Text, Whole, Single };

constexpr std::array<Kind, kSettingsLines> kKinds = {
    Kind::Flag,  Kind::Flag,  Kind::Flag,  Kind::Flag,  Kind::Flag,  Kind::Flag,  Kind::Flag,   // 1-7
    Kind::Flag,  Kind::Flag,  Kind::Flag,                                                      // 8-10
    Kind::Text,  Kind::Text,  Kind::Text,                                                      // 11-13
    Kind::Whole, Kind::Flag,  Kind::Whole,                                                     // 14-16
    Kind::Flag,  Kind::Flag,  Kind::Flag,  Kind::Flag,                                         // 17-20
    Kind::Flag,  Kind::Flag,  Kind::Flag,                                                      // 21-23
    Kind::Flag,  Kind::Flag,  Kind::Flag,                                                      // 24-26
    Kind::Flag,  Kind::Whole, Kind::Whole, Kind::Single, Kind::Flag,                           // 27-31
};

constexpr std::array<float, 4> kPointRadii = {1.0f, 1.5f, 2.0f, 2.5f};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::optional<long> WholeNumber(std::string_view s) {
    long v = 0;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

// A colour is a decimal number that fits a colour reference; system colours
// (0x80000000 and up) are allowed.
bool IsColourText(std::string_view s) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    const std::optional<long> v = WholeNumber(s);
    return v && *v >= 0 && *v <= static_cast<long>(std::numeric_limits<std::uint32_t>::max());
}

// Whole numbers are checked against what each line may hold; anything else
// would draw with a colour or width the program never offers.
bool InRange(int line, long v) {
    switch (line) {
        case 14: return v >= 0 && v <= 3;
        case 16: return v >= 19 && v <= 22;
        case 28:
        case 29: return v >= 1 && v <= 3;
        default: return false;
    }
}

std::optional<SettingsValue> ParseLine(int line, std::string_view raw) {
    const std::string_view s = Trim(raw);
    switch (kKinds[static_cast<std::size_t>(line - 1)]) {
        case Kind::Flag:
            if (s == "#TRUE#") return SettingsValue{true};
            if (s == "#FALSE#") return SettingsValue{false};
            return std::nullopt;
        case Kind::Text: {
            if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::nullopt;
            const std::string_view inner = s.substr(1, s.size() - 2);
            if (!IsColourText(inner)) return std::nullopt;
            return SettingsValue{std::string(inner)};
        }
        case Kind::Whole: {
            const std::optional<long> v = WholeNumber(s);
            if (!v || !InRange(line, *v)) return std::nullopt;
            return SettingsValue{static_cast<int>(*v)};
        }
        case Kind::Single: {
            // Only "." separates decimals here, whatever the locale.
            if (s.empty() || s.find(',') != std::string_view::npos) return std::nullopt;
            float v = 0;
            const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
            for (float r : kPointRadii)
                if (v == r) return SettingsValue{v};
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool Flag(const SettingsRead& r, int line, bool* out) {
    const auto& v = r.values[static_cast<std::size_t>(line - 1)];
    if (!v) return false;
    *out = std::get<bool>(*v);
    return true;
}

template <typename T>
void Take(const SettingsRead& r, int line, T& out) {
    if (const auto& v = r.values[static_cast<std::size_t>(line - 1)]) out = std::get<T>(*v);
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Whether the file on disk is one we would lose something by overwriting.
bool NeedsBackup(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return false;
    return !ReadSettingsFile(file).Complete();
}

bool WriteText(const std::filesystem::path& file, const std::string& text, std::string* error) {
    if (NeedsBackup(file)) {
        std::filesystem::path bak = file;
        bak += ".bak";
        std::error_code ec;
        std::filesystem::copy_file(file, bak, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            if (error) *error = "The unreadable file could not be kept as " + bak.string() + ": " + ec.message();
            return false;
        }
    }
    return WriteFileAtomically(file.string(), Bytes(text), error);
}

}  // namespace

const char* LineShapeHandlerName(LineShapeChoice shape) {
    switch (shape) {
        case LineShapeChoice::Lorentzian: return "mnuLorentzian_Click";
        case LineShapeChoice::Gaussian: return "mnuGaussian_Click";
        case LineShapeChoice::LorGauss: return "mnuLorGauss_Click";
    }
    return "mnuGaussian_Click";
}

GraphSettings OrigSettings(const std::string& indPeakColor, const GraphSettings& current) {
    GraphSettings s;
    s.IndPeakColor = indPeakColor;
    s.pointSizeTicks = current.pointSizeTicks;
    s.expWidthTicks = current.expWidthTicks;
    return s;
}

SettingsRead ParseSettingsText(const std::string& text) {
    SettingsRead r;
    r.found = true;
    std::size_t pos = 0;
    int line = 0;
    while (line < kSettingsLines && pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        ++line;
        r.values[static_cast<std::size_t>(line - 1)] = ParseLine(line, std::string_view(text).substr(pos, nl - pos));
        pos = nl + 1;
    }
    for (int i = 1; i <= kSettingsLines; ++i)
        if (!r.values[static_cast<std::size_t>(i - 1)]) r.notUnderstood.push_back(i);
    return r;
}

SettingsRead ReadSettingsFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        SettingsRead r;
        for (int i = 1; i <= kSettingsLines; ++i) r.notUnderstood.push_back(i);
        return r;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) {
        SettingsRead r;
        r.found = true;
        r.openError = "it could not be opened for reading";
        for (int i = 1; i <= kSettingsLines; ++i) r.notUnderstood.push_back(i);
        return r;
    }
    // Settings are tiny; anything large is not ours, and is not scanned.
    if (text.tellp() > 64 * 1024) {
        SettingsRead r;
        r.found = true;
        r.openError = "it is far too large to be a settings file";
        for (int i = 1; i <= kSettingsLines; ++i) r.notUnderstood.push_back(i);
        return r;
    }
    return ParseSettingsText(text.str());
}

void ChoosePointSize(GraphSettings& s, int size) {
    for (int k = 0; k < 4; ++k) s.pointSizeTicks[static_cast<std::size_t>(k)] = k == size;
    s.expWidthTicks = {false, false, false};
    s.ExpAsPoints = true;
    s.ExpPointRadius = kPointRadii[static_cast<std::size_t>(size)];
}

void ChooseExpLineWidth(GraphSettings& s, int width) {
    for (int k = 0; k < 3; ++k) s.expWidthTicks[static_cast<std::size_t>(k)] = k == width;
    s.pointSizeTicks = {false, false, false, false};
    s.ExpAsPoints = false;
    s.ExpLineWidth = width + 1;
}

void SetEnvWidthTick(GraphSettings& s, int width, bool ticked) {
    s.envWidthTicks[static_cast<std::size_t>(width)] = ticked;
    if (ticked) s.EnvLineWidth = width + 1;
}

std::string ApplySettingsRead(const SettingsRead& r, GraphSettings& s) {
    bool b = false;
    if (Flag(r, 1, &b)) {
        s.splitDia = b;
        s.jLabels = b;
        s.jLabelsEnabled = b;
    }
    if (Flag(r, 2, &b)) s.jLabels = b;
    if (Flag(r, 3, &b)) s.histogram = b;
    if (Flag(r, 4, &b)) s.indPeaks = b;
    if (Flag(r, 5, &b)) s.peakLabels = b;
    if (Flag(r, 6, &b)) s.envelope = b;
    if (Flag(r, 7, &b)) s.expSpectrum = b;

    std::string handler;
    for (int k = 0; k < 3; ++k) {
        if (Flag(r, 8 + k, &b) && b) {
            s.lineShape = static_cast<LineShapeChoice>(k);
            handler = LineShapeHandlerName(s.lineShape);
        }
    }

    Take(r, 11, s.IndPeakColor);
    Take(r, 12, s.EnvColor);
    Take(r, 13, s.ExpColor);
    Take(r, 14, s.backColorIndex);
    Take(r, 15, s.grid);
    Take(r, 16, s.gridColorCode);

    for (int k = 0; k < 4; ++k)
        if (Flag(r, 17 + k, &b) && b) ChoosePointSize(s, k);
    for (int k = 0; k < 3; ++k)
        if (Flag(r, 21 + k, &b)) SetEnvWidthTick(s, k, b);
    for (int k = 0; k < 3; ++k)
        if (Flag(r, 24 + k, &b) && b) ChooseExpLineWidth(s, k);

    Take(r, 27, s.ExpAsPoints);
    Take(r, 28, s.ExpLineWidth);
    Take(r, 29, s.EnvLineWidth);
    Take(r, 30, s.ExpPointRadius);
    Take(r, 31, s.ShowOpeningOptions);
    return handler;
}

SettingsValues ToValues(const GraphSettings& s) {
    SettingsValues v{};
    const std::array<bool, 7> view = {s.splitDia, s.jLabels, s.histogram, s.indPeaks,
                                      s.peakLabels, s.envelope, s.expSpectrum};
    for (std::size_t i = 0; i < 7; ++i) v[i] = view[i];
    for (int k = 0; k < 3; ++k) v[static_cast<std::size_t>(7 + k)] = static_cast<int>(s.lineShape) == k;
    v[10] = s.IndPeakColor;
    v[11] = s.EnvColor;
    v[12] = s.ExpColor;
    v[13] = s.backColorIndex;
    v[14] = s.grid;
    v[15] = s.gridColorCode;
    for (std::size_t k = 0; k < 4; ++k) v[16 + k] = s.pointSizeTicks[k];
    for (std::size_t k = 0; k < 3; ++k) v[20 + k] = s.envWidthTicks[k];
    for (std::size_t k = 0; k < 3; ++k) v[23 + k] = s.expWidthTicks[k];
    v[26] = s.ExpAsPoints;
    v[27] = s.ExpLineWidth;
    v[28] = s.EnvLineWidth;
    v[29] = s.ExpPointRadius;
    v[30] = s.ShowOpeningOptions;
    return v;
}

std::string FormatValue(const SettingsValue& v) {
    if (const bool* b = std::get_if<bool>(&v)) return *b ? "#TRUE#" : "#FALSE#";
    if (const std::string* t = std::get_if<std::string>(&v)) return "\"" + *t + "\"";
    if (const int* i = std::get_if<int>(&v)) return std::to_string(*i);
    return FormatNumber(std::get<float>(v), '.');
}

std::string FormatSettings(const SettingsValues& values) {
    std::string out;
    for (const SettingsValue& v : values) out += FormatValue(v) + "\r\n";
    return out;
}

std::string SettingsReadProblem(const std::filesystem::path& file, const SettingsRead& read) {
    if (!read.found || read.Complete()) return {};
    std::string text = "The settings file\r\n" + file.string() + "\r\n";
    if (!read.openError.empty()) {
        text += "could not be read: " + read.openError + ".";
    } else {
        text += read.notUnderstood.size() == 1 ? "has a line that was not understood: line "
                                               : "has lines that were not understood: lines ";
        for (std::size_t i = 0; i < read.notUnderstood.size(); ++i) {
            if (i > 0) text += ", ";
            text += std::to_string(read.notUnderstood[i]);
        }
        text += ".";
    }
    text += "\r\nThe built-in settings are used in their place. Saving the preferences"
            "\r\nwrites a complete file and keeps the old one as " + std::string(kSettingsFileName) + ".bak.";
    return text;
}

bool WriteSettingsFile(const std::filesystem::path& file, const GraphSettings& settings, std::string* error) {
    return WriteText(file, FormatSettings(ToValues(settings)), error);
}

bool RewriteShowOpeningOptions(const std::filesystem::path& file, const GraphSettings& inForce, bool show,
                               std::string* error) {
    const SettingsRead read = ReadSettingsFile(file);
    if (!read.openError.empty()) {
        if (error) *error = "The settings file " + file.string() + " " + read.openError + ".";
        return false;
    }
    SettingsValues values = ToValues(inForce);
    for (std::size_t i = 0; i + 1 < values.size(); ++i)
        if (read.values[i]) values[i] = *read.values[i];
    values[kSettingsLines - 1] = show;
    return WriteText(file, FormatSettings(values), error);
}

}  // namespace quble
