// quble-cli export draws with the display settings of a settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_test_util.h"
#include "emf_test_util.h"
#include "settings/graph_background.h"
#include "settings/settings_file.h"

namespace quble::test {
namespace {

namespace fs = std::filesystem;

std::set<std::uint32_t> PensOf(const fs::path& emf) { return PenColours(Records(ReadAll(emf))); }

bool Has(const std::set<std::uint32_t>& v, std::uint32_t c) { return v.count(c) > 0; }

TEST(CliExportSettings, TheNamedFileDecidesGridEnvelopeAndErrors) {
    const ScratchFolder scratch("cli_settings");
    const fs::path& dir = scratch.path();
    GraphSettings s;
    s.gridColorCode = 21;
    s.EnvColor = "65280";
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(dir / "a.ini", s, &err)) << err;
    s.grid = false;
    ASSERT_TRUE(WriteSettingsFile(dir / "b.ini", s, &err)) << err;

    const std::string graph = "--h 2500:7 --width 1 --resolution 0.1 --shape gaussian";
    ASSERT_EQ(ExportStatus(graph + " --settings '" + (dir / "a.ini").string() + "' --out '" + (dir / "a.emf").string() + "'"), 0);
    const auto a = PensOf(dir / "a.emf");
    for (ColorRef c : GridColorsForCode(21)) EXPECT_TRUE(Has(a, c)) << std::hex << c;
    EXPECT_TRUE(Has(a, 65280u));
    EXPECT_FALSE(Has(a, 255u));  // the default envelope red is gone

    ASSERT_EQ(ExportStatus(graph + " --settings '" + (dir / "b.ini").string() + "' --out '" + (dir / "b.emf").string() + "'"), 0);
    const auto b = PensOf(dir / "b.emf");
    EXPECT_FALSE(Has(b, GridColorsForCode(21)[2]));
    EXPECT_TRUE(Has(b, 65280u));

    // A named file that is not there is refused; a damaged one is used as far as it goes.
    EXPECT_EQ(ExportStatus(graph + " --settings '" + (dir / "none.ini").string() + "' --out '" + (dir / "c.emf").string() + "'"), 2);
    EXPECT_FALSE(fs::exists(dir / "c.emf"));
    EXPECT_EQ(ExportStatus(graph + " --settings --out '" + (dir / "c.emf").string() + "'"), 2);
}

}  // namespace
}  // namespace quble::test

namespace quble::test {
namespace {

int Cli(const std::string& args) { return RunCli(args).status; }

std::string TextsOf(const fs::path& emf) { return JoinedTexts(Records(ReadAll(emf))); }

// An example that keeps the start-up shape is drawn in the shape the file
// chooses, as the window starts in it; an example with its own shape and
// explicit parameters keep theirs.
TEST(CliSettingsLineShape, StartUpExamplesFollowTheFileAndCompareChecksIt) {
    const ScratchFolder scratch("cli_settings_shape");
    const fs::path& dir = scratch.path();
    GraphSettings lor;
    lor.lineShape = LineShapeChoice::Lorentzian;
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(dir / "lor.ini", lor, &err)) << err;
    ASSERT_TRUE(WriteSettingsFile(dir / "gau.ini", GraphSettings{}, &err)) << err;

    const std::string h7 = "export --example 'Example 1/H7' --settings '";
    ASSERT_EQ(Cli(h7 + (dir / "lor.ini").string() + "' --out '" + (dir / "l.emf").string() + "'"), 0);
    ASSERT_EQ(Cli(h7 + (dir / "gau.ini").string() + "' --out '" + (dir / "g.emf").string() + "'"), 0);
    EXPECT_NE(TextsOf(dir / "l.emf").find("|Lorentzian Line Shape|"), std::string::npos);
    EXPECT_NE(TextsOf(dir / "g.emf").find("|Gaussian Line Shape|"), std::string::npos);
    ASSERT_EQ(Cli("export --h 2500:7 --shape gaussian --settings '" + (dir / "lor.ini").string() + "' --out '" +
                  (dir / "p.emf").string() + "'"),
              0);
    EXPECT_NE(TextsOf(dir / "p.emf").find("|Gaussian Line Shape|"), std::string::npos);

    // compare reads the file too: a named file that is missing is refused.
    const std::string gaba = std::string(QUBLE_TEST_DATA) + "/realdata/gaba-1h-d2o/1H/pdata/1/1r";
    EXPECT_EQ(Cli("compare --1r '" + gaba + "' --example 'Example 1/H7' --settings '" +
                  (dir / "missing.ini").string() + "' --json"),
              2);
    EXPECT_EQ(Cli("compare --1r '" + gaba + "' --example 'Example 1/H7' --settings --json"), 2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quble::test
