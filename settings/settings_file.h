// The user's display preferences and their file "QUBLE.ini": 31 values, one
// per line, no keys. Flags are #TRUE#/#FALSE#, texts are quoted, whole
// numbers are digits and the point radius is a single with "." as decimal
// separator.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quble {

inline constexpr const char* kSettingsFileName = "QUBLE.ini";
inline constexpr int kSettingsLines = 31;

enum class LineShapeChoice { Lorentzian = 0, Gaussian = 1, LorGauss = 2 };
// "mnuLorentzian_Click", "mnuGaussian_Click", "mnuLorGauss_Click".
const char* LineShapeHandlerName(LineShapeChoice shape);

// Everything the file holds, as the program keeps it while running: the view
// ticks, the line shape, the colours as decimal texts, the background, the
// point-size and line-width menu ticks and the values drawing uses.
struct GraphSettings {
    // Lines 1 to 7.
    bool splitDia = true;
    bool jLabels = true;
    bool jLabelsEnabled = true;  // follows the splitting diagram; not stored
    bool histogram = true;
    bool indPeaks = true;
    bool peakLabels = true;
    bool envelope = true;
    bool expSpectrum = true;
    // Lines 8 to 10: exactly one is written true.
    LineShapeChoice lineShape = LineShapeChoice::Gaussian;
    // Lines 11 to 13 (the peak-label colour always takes EnvColor).
    std::string IndPeakColor = "12632256";
    std::string EnvColor = "255";
    std::string ExpColor = "16711680";
    // Lines 14 to 16.
    int backColorIndex = 0;
    bool grid = true;
    int gridColorCode = 19;
    // Lines 17 to 26: the menu ticks of point sizes 1, 1.5, 2, 2.5, envelope
    // widths 1..3 and experimental line widths 1..3.
    std::array<bool, 4> pointSizeTicks{false, true, false, false};
    std::array<bool, 3> envWidthTicks{true, false, false};
    std::array<bool, 3> expWidthTicks{false, false, false};
    // Lines 27 to 31.
    bool ExpAsPoints = true;
    int ExpLineWidth = 1;
    int EnvLineWidth = 1;
    float ExpPointRadius = 1.5f;
    bool ShowOpeningOptions = true;

    bool operator==(const GraphSettings&) const = default;
};

// The built-in defaults; the individual-peak colour is the window's swatch.
// Point-size ticks are the window's layout (OrigSet leaves them alone), so
// they are taken from current.
GraphSettings OrigSettings(const std::string& indPeakColor, const GraphSettings& current = GraphSettings{});

// One line's value, of the line's fixed type.
using SettingsValue = std::variant<bool, std::string, int, float>;
using SettingsValues = std::array<SettingsValue, kSettingsLines>;

// What a read found: every line that could be understood, the 1-based
// numbers of those that could not, and whether the file could be opened.
struct SettingsRead {
    std::array<std::optional<SettingsValue>, kSettingsLines> values{};
    std::vector<int> notUnderstood;
    bool found = false;      // the file exists
    std::string openError;   // non-empty: it exists but could not be read
    bool Complete() const { return found && openError.empty() && notUnderstood.empty(); }
};

// Parses the text of a settings file. A line is understood only in its own
// type and within its range; lines past the 31st are ignored.
SettingsRead ParseSettingsText(const std::string& text);
SettingsRead ReadSettingsFile(const std::filesystem::path& file);

// Applies what was read onto settings in the order the window does it:
// lines 1 to 16, then 17 to 26 deriving ticks and drawing values, then 27
// to 31 overriding those values. Lines not understood leave settings alone.
// Returns the line-shape handler name of the last true line of 8 to 10, or
// an empty text when none was true.
std::string ApplySettingsRead(const SettingsRead& read, GraphSettings& settings);

// The rules of lines 17 to 26 for one chosen value, shared with the options
// dialog's Apply. size is 0..3 for 1, 1.5, 2, 2.5; width 0..2 for 1..3.
void ChoosePointSize(GraphSettings& s, int size);
void ChooseExpLineWidth(GraphSettings& s, int width);
void SetEnvWidthTick(GraphSettings& s, int width, bool ticked);

SettingsValues ToValues(const GraphSettings& s);
std::string FormatValue(const SettingsValue& v);
std::string FormatSettings(const SettingsValues& values);

// The user-facing text for a read that was not whole, or empty when the
// read was whole or the file simply is not there yet.
std::string SettingsReadProblem(const std::filesystem::path& file, const SettingsRead& read);

// Writes the whole set atomically. When the file already there cannot be
// read in full, it is first kept as "QUBLE.ini.bak". False with error set
// when anything failed; the old file is then left whole.
bool WriteSettingsFile(const std::filesystem::path& file, const GraphSettings& settings, std::string* error);

// Rewrites the last value. The other thirty keep the file's own text where
// it is understood and take the values in force where it is not, so the
// result is always a complete file.
bool RewriteShowOpeningOptions(const std::filesystem::path& file, const GraphSettings& inForce, bool show,
                               std::string* error);

}  // namespace quble
