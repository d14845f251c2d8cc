#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/graph_background.h"
#include "settings/settings_file.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

// A settings set where every value differs from the built-in one, so a round
// trip that dropped or shifted any line would show.
GraphSettings Unusual() {
    GraphSettings s;
    s.splitDia = false;
    s.jLabels = false;
    s.jLabelsEnabled = false;
    s.histogram = false;
    s.indPeaks = false;
    s.peakLabels = false;
    s.envelope = false;
    s.expSpectrum = false;
    s.lineShape = LineShapeChoice::LorGauss;
    s.IndPeakColor = "4227072";
    s.EnvColor = "33023";
    s.ExpColor = "2147483663";
    s.backColorIndex = 3;
    s.grid = false;
    s.gridColorCode = 22;
    s.pointSizeTicks = {false, false, false, false};
    s.envWidthTicks = {false, false, true};
    s.expWidthTicks = {false, true, false};
    s.ExpAsPoints = false;
    s.ExpLineWidth = 2;
    s.EnvLineWidth = 3;
    s.ExpPointRadius = 2.5f;
    s.ShowOpeningOptions = false;
    return s;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string t;
    for (const auto& l : lines) t += l + "\r\n";
    return t;
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> n{0};
        dir_ = fs::temp_directory_path() / ("quble_settings_" + std::to_string(getpid()) + "_" + std::to_string(n++));
        fs::create_directories(dir_);
        file_ = dir_ / kSettingsFileName;
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    fs::path dir_, file_;
};

}  // namespace

TEST(SettingsFormat, EveryTypeIsWrittenInItsOwnForm) {
    const std::vector<std::string> lines = Lines(FormatSettings(ToValues(Unusual())));
    ASSERT_EQ(lines.size(), 31u);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 14, 26, 30}) EXPECT_EQ(lines[i], "#FALSE#") << "line " << i + 1;
    EXPECT_EQ(lines[9], "#TRUE#");
    EXPECT_EQ(lines[10], "\"4227072\"");
    EXPECT_EQ(lines[11], "\"33023\"");
    EXPECT_EQ(lines[12], "\"2147483663\"");
    EXPECT_EQ(lines[13], "3");
    EXPECT_EQ(lines[15], "22");
    EXPECT_EQ(lines[22], "#TRUE#");  // envelope width 3
    EXPECT_EQ(lines[24], "#TRUE#");  // experimental line width 2
    EXPECT_EQ(lines[27], "2");
    EXPECT_EQ(lines[28], "3");
    EXPECT_EQ(lines[29], "2.5");
    // The single keeps "." whatever the value.
    GraphSettings s;
    s.ExpPointRadius = 1.5f;
    EXPECT_EQ(Lines(FormatSettings(ToValues(s)))[29], "1.5");
    s.ExpPointRadius = 1.0f;
    EXPECT_EQ(Lines(FormatSettings(ToValues(s)))[29], "1");
}

TEST(SettingsFormat, WrittenSetReadsBackToTheSameState) {
    for (const GraphSettings& original : {GraphSettings{}, Unusual(), OrigSettings("8421504")}) {
        const SettingsRead r = ParseSettingsText(FormatSettings(ToValues(original)));
        EXPECT_TRUE(r.Complete());
        GraphSettings back = OrigSettings("0");
        ApplySettingsRead(r, back);
        EXPECT_EQ(back, original);
    }
}

TEST(SettingsRead, LineShapeLinesSetTheHandlerAndTheLastTrueWins) {
    std::vector<std::string> lines = Lines(FormatSettings(ToValues(GraphSettings{})));
    lines[7] = "#TRUE#";   // Lorentzian
    lines[8] = "#FALSE#";
    lines[9] = "#TRUE#";   // and Lorentzian + Gaussian
    GraphSettings s;
    EXPECT_EQ(ApplySettingsRead(ParseSettingsText(Join(lines)), s), "mnuLorGauss_Click");
    EXPECT_EQ(s.lineShape, LineShapeChoice::LorGauss);

    lines[9] = "#FALSE#";
    EXPECT_EQ(ApplySettingsRead(ParseSettingsText(Join(lines)), s), "mnuLorentzian_Click");
    // None true: no handler, the shape in force stays.
    lines[7] = "#FALSE#";
    EXPECT_EQ(ApplySettingsRead(ParseSettingsText(Join(lines)), s), "");
    EXPECT_EQ(s.lineShape, LineShapeChoice::Lorentzian);
}

TEST(SettingsRead, SplittingDiagramOffDisablesJLabelsYetLineTwoSetsTheirTick) {
    std::vector<std::string> lines = Lines(FormatSettings(ToValues(GraphSettings{})));
    lines[0] = "#FALSE#";
    lines[1] = "#TRUE#";
    GraphSettings s;
    ApplySettingsRead(ParseSettingsText(Join(lines)), s);
    EXPECT_FALSE(s.splitDia);
    EXPECT_FALSE(s.jLabelsEnabled);
    EXPECT_TRUE(s.jLabels);
    lines[0] = "#TRUE#";
    lines[1] = "#FALSE#";
    s.jLabelsEnabled = false;
    ApplySettingsRead(ParseSettingsText(Join(lines)), s);
    EXPECT_TRUE(s.jLabelsEnabled);
    EXPECT_FALSE(s.jLabels);
}

TEST(SettingsRead, PointAndLineLinesDeriveTicksThatLines27To30Override) {
    std::vector<std::string> lines = Lines(FormatSettings(ToValues(GraphSettings{})));
    // Lines 17 to 26 all false: the ticks of the layout stay, 27 to 30 decide.
    for (int i = 16; i < 26; ++i) lines[i] = "#FALSE#";
    lines[26] = "#FALSE#";
    lines[27] = "3";
    lines[28] = "2";
    lines[29] = "2";
    GraphSettings s;
    s.pointSizeTicks = {false, false, true, false};
    s.envWidthTicks = {false, true, false};
    ApplySettingsRead(ParseSettingsText(Join(lines)), s);
    EXPECT_EQ(s.pointSizeTicks, (std::array<bool, 4>{false, false, true, false}));
    EXPECT_EQ(s.envWidthTicks, (std::array<bool, 3>{false, false, false}));  // false unticks
    EXPECT_EQ(s.expWidthTicks, (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(s.ExpAsPoints);
    EXPECT_EQ(s.ExpLineWidth, 3);
    EXPECT_EQ(s.EnvLineWidth, 2);
    EXPECT_EQ(s.ExpPointRadius, 2.0f);

    // A point size and then a line width chosen: the line width clears the
    // point ticks, yet line 27 says points, and line 30 the radius.
    lines[17] = "#TRUE#";  // 1.5
    lines[24] = "#TRUE#";  // line width 2
    lines[26] = "#TRUE#";
    lines[29] = "1";
    GraphSettings t;
    ApplySettingsRead(ParseSettingsText(Join(lines)), t);
    EXPECT_EQ(t.pointSizeTicks, (std::array<bool, 4>{false, false, false, false}));
    EXPECT_EQ(t.expWidthTicks, (std::array<bool, 3>{false, true, false}));
    EXPECT_TRUE(t.ExpAsPoints);
    EXPECT_EQ(t.ExpPointRadius, 1.0f);
}

TEST(SettingsRead, DamagedLinesKeepTheirDefaultsAndAreNamed) {
    std::vector<std::string> lines = Lines(FormatSettings(ToValues(Unusual())));
    lines[2] = "TRUE";          // flag without its signs
    lines[10] = "4227072";      // text without quotes
    lines[13] = "\"3\"";        // number as a text
    lines[15] = "40";           // no such grid family
    lines[29] = "1,5";          // comma separator
    lines[30] = "";             // empty
    const SettingsRead r = ParseSettingsText(Join(lines));
    EXPECT_EQ(r.notUnderstood, (std::vector<int>{3, 11, 14, 16, 30, 31}));
    const GraphSettings defaults = OrigSettings("12345");
    GraphSettings s = defaults;
    ApplySettingsRead(r, s);
    const GraphSettings u = Unusual();
    EXPECT_EQ(s.histogram, defaults.histogram);
    EXPECT_EQ(s.IndPeakColor, "12345");
    EXPECT_EQ(s.backColorIndex, defaults.backColorIndex);
    EXPECT_EQ(s.gridColorCode, defaults.gridColorCode);
    EXPECT_EQ(s.ExpPointRadius, defaults.ExpPointRadius);
    EXPECT_EQ(s.ShowOpeningOptions, defaults.ShowOpeningOptions);
    // The readable neighbours are kept.
    EXPECT_EQ(s.indPeaks, u.indPeaks);
    EXPECT_EQ(s.EnvColor, u.EnvColor);
    EXPECT_EQ(s.grid, u.grid);
    EXPECT_EQ(s.EnvLineWidth, u.EnvLineWidth);

    const std::string msg = SettingsReadProblem("/p/QUBLE.ini", r);
    EXPECT_NE(msg.find("/p/QUBLE.ini"), std::string::npos);
    EXPECT_NE(msg.find("lines 3, 11, 14, 16, 30, 31"), std::string::npos);
}

TEST(SettingsRead, ShortFileAndGarbageNameTheMissingLines) {
    std::vector<std::string> lines = Lines(FormatSettings(ToValues(Unusual())));
    lines.resize(20);
    SettingsRead r = ParseSettingsText(Join(lines));
    ASSERT_EQ(r.notUnderstood.size(), 11u);
    EXPECT_EQ(r.notUnderstood.front(), 21);
    GraphSettings s;
    ApplySettingsRead(r, s);
    EXPECT_EQ(s.gridColorCode, 22);
    EXPECT_EQ(s.ShowOpeningOptions, true);

    r = ParseSettingsText(std::string("\x01\xff\0garbage", 11));
    EXPECT_EQ(r.notUnderstood.size(), 31u);
    EXPECT_FALSE(SettingsReadProblem("x", r).empty());
}

TEST_F(SettingsFolder, MissingFileIsQuietAndAllDefaults) {
    const SettingsRead r = ReadSettingsFile(file_);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(SettingsReadProblem(file_, r), "");
    GraphSettings s = OrigSettings("7");
    const GraphSettings before = s;
    EXPECT_EQ(ApplySettingsRead(r, s), "");
    EXPECT_EQ(s, before);
}

TEST_F(SettingsFolder, WriteThenReadAndUnreadableFileIsKeptAsBak) {
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(file_, Unusual(), &err)) << err;
    EXPECT_FALSE(fs::exists(dir_ / "QUBLE.ini.bak"));  // nothing to lose
    GraphSettings s;
    ApplySettingsRead(ReadSettingsFile(file_), s);
    EXPECT_EQ(s, Unusual());

    Spit(file_, "not a settings file\n");
    ASSERT_TRUE(WriteSettingsFile(file_, GraphSettings{}, &err)) << err;
    EXPECT_EQ(Slurp(dir_ / "QUBLE.ini.bak"), "not a settings file\n");
    EXPECT_TRUE(ReadSettingsFile(file_).Complete());
}

TEST_F(SettingsFolder, LineThirtyOneRewriteKeepsTheOthersWithTheirTypes) {
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(file_, Unusual(), &err)) << err;
    const std::vector<std::string> before = Lines(Slurp(file_));
    // What is in force differs from the file; the file's own values stay.
    ASSERT_TRUE(RewriteShowOpeningOptions(file_, GraphSettings{}, true, &err)) << err;
    std::vector<std::string> after = Lines(Slurp(file_));
    ASSERT_EQ(after.size(), 31u);
    EXPECT_EQ(after[30], "#TRUE#");
    after[30] = before[30];
    EXPECT_EQ(after, before);
    EXPECT_EQ(after[10].front(), '"');
}

TEST_F(SettingsFolder, LineThirtyOneRewriteOfAShortOrMissingFileIsComplete) {
    GraphSettings inForce = Unusual();
    std::string err;
    // Missing: the settings in force fill all thirty.
    ASSERT_TRUE(RewriteShowOpeningOptions(file_, inForce, true, &err)) << err;
    SettingsRead r = ReadSettingsFile(file_);
    ASSERT_TRUE(r.Complete());
    GraphSettings s;
    ApplySettingsRead(r, s);
    inForce.ShowOpeningOptions = true;
    EXPECT_EQ(s, inForce);

    // A one-line file (as a careless rewrite would leave) gets whole again,
    // its one readable line kept, and the damaged original backed up.
    Spit(file_, "#TRUE#\r\n");
    ASSERT_TRUE(RewriteShowOpeningOptions(file_, Unusual(), false, &err)) << err;
    r = ReadSettingsFile(file_);
    ASSERT_TRUE(r.Complete());
    GraphSettings t;
    ApplySettingsRead(r, t);
    EXPECT_TRUE(t.splitDia);
    EXPECT_EQ(t.gridColorCode, 22);
    EXPECT_FALSE(t.ShowOpeningOptions);
    EXPECT_EQ(Slurp(dir_ / "QUBLE.ini.bak"), "#TRUE#\r\n");
}

TEST_F(SettingsFolder, ReadOnlyFolderFailsLoudlyAndLeavesTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(file_, Unusual(), &err)) << err;
    const std::string old = Slurp(file_);
    fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    err.clear();
    EXPECT_FALSE(WriteSettingsFile(file_, GraphSettings{}, &err));
    EXPECT_FALSE(err.empty());
    err.clear();
    EXPECT_FALSE(RewriteShowOpeningOptions(file_, GraphSettings{}, true, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(Slurp(file_), old);
}

TEST_F(SettingsFolder, UnwritablePlaceFailsWithAReason) {
    // Works for root too: the folder is not there at all.
    const fs::path gone = dir_ / "no such folder" / kSettingsFileName;
    std::string err;
    EXPECT_FALSE(WriteSettingsFile(gone, GraphSettings{}, &err));
    EXPECT_FALSE(err.empty());
    err.clear();
    EXPECT_FALSE(RewriteShowOpeningOptions(gone, GraphSettings{}, false, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(fs::exists(gone));
}

TEST(GraphBackground, TablesAndOutOfRangeFallBack) {
    EXPECT_EQ(BackColorForIndex(2), 0xD0F0FFu);
    EXPECT_EQ(BackColorForIndex(3), 0x8000000Eu);
    // The system colour is a light one, never the black of an unknown index.
    EXPECT_EQ(ResolveColor(BackColorForIndex(3)), 0xFFFFFFu);
    EXPECT_EQ(BackColorForIndex(9), BackColorForIndex(0));
    EXPECT_EQ(GridColorsForCode(21)[2], 0x00C0D0u);
    EXPECT_EQ(GridColorsForCode(20)[3], 0xB0FFB0u);
    EXPECT_EQ(GridColorsForCode(-1), GridColorsForCode(19));
}
