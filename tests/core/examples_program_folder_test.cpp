// The first-run arrangement of the shipped example files and the choice of
// the program folder.
#include <gtest/gtest.h>

#include "scratch_folder.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "examples/program_folder.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

using ScratchDir = quble::test::ScratchFolder;

void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

std::string ReadText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Each shipped file holds its own name, so that a file that arrives under
// another name still tells where it came from.
void Ship(const fs::path& folder, bool withPictures) {
    for (const auto& n : ShippedFileNames()) {
        if (withPictures || !IsExamplePicture(n)) WriteText(folder / n, n);
    }
}

// Every path below root, "/" separated, folders marked with a trailing "/".
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(e.path(), root).generic_string();
        if (e.is_directory()) rel += "/";
        out.insert(rel);
    }
    return out;
}

const char* const kFolder1a = "Examples/1a_15-Deoxygoyazensolide (Example 1a)/";
const char* const kFolder1b = "Examples/1b_15-Deoxygoyazensolide (Example 1b)/";

std::set<std::string> ExpectedTree(bool withPictures) {
    std::set<std::string> t{"Examples/", "Examples/ReadMe.txt"};
    const std::vector<std::string> folders = {
        kFolder1a, kFolder1b, "Examples/2_bqw75a (Example 2)/", "Examples/3_Alcohol RVALE-009 (Example 3)/",
        "Examples/4_Mesylate RVALE-011 (Example 4)/", "Examples/5_Lactam RVALE-007 (Example 5)/"};
    const std::vector<std::string> pictures = {"Ex1.emf", "Ex1.emf", "Ex2.emf", "Ex3.emf", "Ex4.emf", "Ex5.emf"};
    for (std::size_t i = 0; i < folders.size(); ++i) {
        t.insert(folders[i]);
        for (const char* f : {"1r", "acqus", "procs"}) t.insert(folders[i] + f);
        if (withPictures) t.insert(folders[i] + pictures[i]);
    }
    return t;
}

}  // namespace

TEST(ExamplesShippedNames, ListAndRequiredNames) {
    const auto& names = ShippedFileNames();
    ASSERT_EQ(names.size(), 24u);
    EXPECT_EQ(names.front(), "Ex1.emf");
    EXPECT_EQ(names[1], "ReadMe.txt");
    EXPECT_EQ(names.back(), "Ex5.emf");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 24u);

    // Pictures are exactly Ex1.emf .. Ex5.emf.
    std::vector<std::string> pictures;
    for (const auto& n : names) {
        if (IsExamplePicture(n)) pictures.push_back(n);
    }
    EXPECT_EQ(pictures, (std::vector<std::string>{"Ex1.emf", "Ex2.emf", "Ex3.emf", "Ex4.emf", "Ex5.emf"}));
    EXPECT_FALSE(IsExamplePicture("Ex6.emf"));
    EXPECT_FALSE(IsExamplePicture("ex1.emf"));

    EXPECT_EQ(RequiredShippedFiles(true), names);
    const auto withoutPictures = RequiredShippedFiles(false);
    EXPECT_EQ(withoutPictures.size(), 19u);
    EXPECT_EQ(RequiredShippedFiles(), RequiredShippedFiles(kExamplePicturesShipped));
}

TEST(ExamplesFirstRun, TrueOnlyWithEveryRequiredFileAndNoExamplesFolder) {
    ScratchDir d;
    Ship(d.path(), false);
    EXPECT_TRUE(FirstRun(d.path(), RequiredShippedFiles(false)));
    // With pictures required, their absence is enough to say no.
    EXPECT_FALSE(FirstRun(d.path(), RequiredShippedFiles(true)));
    Ship(d.path(), true);
    EXPECT_TRUE(FirstRun(d.path(), RequiredShippedFiles(true)));

    // Any single missing name makes it false.
    for (const auto& n : ShippedFileNames()) {
        fs::rename(d.path() / n, d.path() / "aside");
        EXPECT_FALSE(FirstRun(d.path(), RequiredShippedFiles(true))) << n;
        fs::rename(d.path() / "aside", d.path() / n);
    }
    // Names compare exactly: another case is another file.
    fs::rename(d.path() / "ReadMe.txt", d.path() / "README.TXT");
    EXPECT_FALSE(FirstRun(d.path(), RequiredShippedFiles(false)));
    fs::rename(d.path() / "README.TXT", d.path() / "ReadMe.txt");
    // A folder that carries a shipped name is not the file.
    fs::remove(d.path() / "1r_3");
    fs::create_directory(d.path() / "1r_3");
    EXPECT_FALSE(FirstRun(d.path(), RequiredShippedFiles(false)));
    fs::remove(d.path() / "1r_3");
    WriteText(d.path() / "1r_3", "1r_3");

    fs::create_directory(d.path() / "Examples");
    EXPECT_TRUE(FolderFind(d.path(), "Examples"));
    EXPECT_FALSE(FolderFind(d.path(), "examples"));
    EXPECT_FALSE(FirstRun(d.path(), RequiredShippedFiles(true)));
}

TEST(ExamplesFirstRun, NothingMovesUnlessItIsTheFirstRun) {
    {
        ScratchDir d;
        Ship(d.path(), true);
        fs::remove(d.path() / "procs_4");
        const auto before = Tree(d.path());
        EXPECT_FALSE(ArrangeOnFirstRun(d.path()).has_value());
        EXPECT_EQ(Tree(d.path()), before);
    }
    {
        ScratchDir d;
        Ship(d.path(), true);
        fs::create_directory(d.path() / "Examples");
        const auto before = Tree(d.path());
        EXPECT_FALSE(ArrangeOnFirstRun(d.path()).has_value());
        EXPECT_EQ(Tree(d.path()), before);
        // Called directly, the arrangement refuses to work over it as well.
        const auto r = ArrangeFiles(d.path());
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("already exists"), std::string::npos);
        EXPECT_EQ(Tree(d.path()), before);
        EXPECT_EQ(r.stayed.size(), 24u);
    }
}

TEST(ExamplesArrangeFiles, BuildsTheTreeWithPictures) {
    ScratchDir d;
    Ship(d.path(), true);
    const auto r = ArrangeOnFirstRun(d.path());
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->ok) << r->error;
    EXPECT_TRUE(r->error.empty());
    EXPECT_TRUE(r->stayed.empty());
    EXPECT_EQ(Tree(d.path()), ExpectedTree(true));

    // Each file arrived under its new name from the right source.
    EXPECT_EQ(ReadText(d.path() / "Examples/ReadMe.txt"), "ReadMe.txt");
    EXPECT_EQ(ReadText(d.path() / kFolder1a / "1r"), "1r_1a");
    EXPECT_EQ(ReadText(d.path() / kFolder1b / "procs"), "procs_1b");
    EXPECT_EQ(ReadText(d.path() / "Examples/3_Alcohol RVALE-009 (Example 3)/acqus"), "acqus_3");
    EXPECT_EQ(ReadText(d.path() / "Examples/5_Lactam RVALE-007 (Example 5)/Ex5.emf"), "Ex5.emf");
    // Example 1's picture is in both of its folders.
    EXPECT_EQ(ReadText(d.path() / kFolder1a / "Ex1.emf"), "Ex1.emf");
    EXPECT_EQ(ReadText(d.path() / kFolder1b / "Ex1.emf"), "Ex1.emf");

    // Afterwards it is never the first run again.
    EXPECT_FALSE(FirstRun(d.path(), RequiredShippedFiles(true)));
    EXPECT_FALSE(ArrangeOnFirstRun(d.path()).has_value());
}

TEST(ExamplesArrangeFiles, PicturesAreOptionalUntilShipped) {
    ScratchDir d;
    Ship(d.path(), false);
    WriteText(d.path() / "Ex3.emf", "Ex3.emf");  // one picture already made
    const auto r = ArrangeOnFirstRun(d.path(), RequiredShippedFiles(false));
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->ok) << r->error;
    auto expected = ExpectedTree(false);
    expected.insert("Examples/3_Alcohol RVALE-009 (Example 3)/Ex3.emf");
    EXPECT_EQ(Tree(d.path()), expected);
}

TEST(ExamplesArrangeFiles, FolderThatCannotBeMadeMovesNothingAndUndoesTheFolders) {
    ScratchDir d;
    Ship(d.path(), true);
    const auto before = Tree(d.path());
    FolderOps ops = RealFolderOps();
    const auto real = ops.createFolder;
    ops.createFolder = [real](const fs::path& p) {
        if (p.filename() == "3_Alcohol RVALE-009 (Example 3)") return std::make_error_code(std::errc::permission_denied);
        return real(p);
    };
    const auto r = ArrangeFiles(d.path(), ops);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("3_Alcohol RVALE-009 (Example 3)"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("no example file was moved"), std::string::npos) << r.error;
    EXPECT_EQ(r.stayed.size(), 24u);
    // The empty folders made before the failure are gone, so the next start
    // tries again.
    EXPECT_EQ(Tree(d.path()), before);
    EXPECT_TRUE(FirstRun(d.path(), RequiredShippedFiles(true)));
}

TEST(ExamplesArrangeFiles, FileThatCannotBeMovedStaysAndIsReported) {
    ScratchDir d;
    Ship(d.path(), true);
    FolderOps ops = RealFolderOps();
    const auto realMove = ops.moveFile;
    const auto realCopy = ops.copyFile;
    ops.moveFile = [realMove](const fs::path& from, const fs::path& to) {
        if (from.filename() == "acqus_4") return std::make_error_code(std::errc::permission_denied);
        return realMove(from, to);
    };
    ops.copyFile = [](const fs::path&, const fs::path&) { return std::make_error_code(std::errc::no_space_on_device); };
    const auto r = ArrangeFiles(d.path(), ops);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.stayed, std::vector<std::string>{"acqus_4"});
    EXPECT_EQ(ReadText(d.path() / "acqus_4"), "acqus_4");
    EXPECT_NE(r.error.find("\"acqus_4\" could not be moved"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("stayed in"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("\"Ex1.emf\" could not be copied"), std::string::npos) << r.error;

    // Everything else went on: the failed copy still lets Ex1.emf reach 1b,
    // and the other files of example 4 are in place.
    auto expected = ExpectedTree(true);
    expected.erase(std::string(kFolder1a) + "Ex1.emf");
    expected.erase("Examples/4_Mesylate RVALE-011 (Example 4)/acqus");
    expected.insert("acqus_4");
    EXPECT_EQ(Tree(d.path()), expected);
}

TEST(ExamplesArrangeFiles, MissingFilesAreReportedNotInvented) {
    ScratchDir d;
    Ship(d.path(), false);
    fs::remove(d.path() / "1r_2");
    const auto r = ArrangeFiles(d.path());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("\"1r_2\" was not in the program folder"), std::string::npos) << r.error;
    EXPECT_FALSE(fs::exists(d.path() / "Examples/2_bqw75a (Example 2)/1r"));
    EXPECT_TRUE(fs::exists(d.path() / "Examples/2_bqw75a (Example 2)/acqus"));
    EXPECT_TRUE(r.stayed.empty());
}

TEST(ExamplesArrangeFiles, RealMoveAndCopyNeverOverwrite) {
    ScratchDir d;
    WriteText(d.path() / "a", "a");
    WriteText(d.path() / "b", "b");
    const auto ops = RealFolderOps();
    EXPECT_TRUE(ops.moveFile(d.path() / "a", d.path() / "b"));
    EXPECT_TRUE(ops.copyFile(d.path() / "a", d.path() / "b"));
    EXPECT_EQ(ReadText(d.path() / "a"), "a");
    EXPECT_EQ(ReadText(d.path() / "b"), "b");
    EXPECT_TRUE(ops.createFolder(d.path() / "a"));  // a file is in the way
    EXPECT_FALSE(ops.moveFile(d.path() / "a", d.path() / "c"));
    EXPECT_FALSE(fs::exists(d.path() / "a"));
    EXPECT_EQ(ReadText(d.path() / "c"), "a");
}

TEST(ExamplesProgramFolder, WritableExecutableFolderIsUsedAsItIs) {
    ScratchDir d;
    Ship(d.path(), false);
    EXPECT_TRUE(FolderWritable(d.path()));
    EXPECT_FALSE(FolderWritable(d.path() / "missing"));
    EXPECT_FALSE(FolderWritable(d.path() / "ReadMe.txt"));
    const auto c = ChooseProgramFolder(d.path(), d.path() / "user");
    EXPECT_EQ(c.folder, d.path());
    EXPECT_FALSE(c.perUser);
    EXPECT_TRUE(c.copied.empty());
    EXPECT_FALSE(fs::exists(d.path() / "user"));
    // The probe file is not left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path()), fs::directory_iterator()), 19);
}

TEST(ExamplesProgramFolder, PerUserFolderIsSeededOnceWithoutOverwriting) {
    ScratchDir exe;
    ScratchDir home;
    Ship(exe.path(), true);
    const fs::path user = home.path() / "share" / "quble";

    auto c = SeedUserFolder(exe.path(), user);
    EXPECT_EQ(c.folder, user);
    EXPECT_TRUE(c.perUser);
    EXPECT_TRUE(c.error.empty()) << c.error;
    EXPECT_EQ(c.copied, RequiredShippedFiles(true));
    EXPECT_TRUE(FirstRun(user));
    EXPECT_TRUE(FirstRun(exe.path()));  // the shipped files are copied, not moved

    // A file the user already has is kept; only missing ones are copied.
    WriteText(user / "ReadMe.txt", "mine");
    fs::remove(user / "procs_5");
    c = SeedUserFolder(exe.path(), user);
    EXPECT_EQ(c.copied, std::vector<std::string>{"procs_5"});
    EXPECT_EQ(ReadText(user / "ReadMe.txt"), "mine");

    // Once arranged there, nothing is copied again.
    ASSERT_TRUE(ArrangeOnFirstRun(user).has_value());
    c = SeedUserFolder(exe.path(), user);
    EXPECT_TRUE(c.copied.empty());
    EXPECT_FALSE(fs::exists(user / "1r_1a"));
}

TEST(ExamplesProgramFolder, SeedsFromAnArrangedTreeAndReportsAnUnusableFolder) {
    ScratchDir exe;
    ScratchDir home;
    Ship(exe.path(), true);
    ASSERT_TRUE(ArrangeOnFirstRun(exe.path()).has_value());
    const auto arranged = Tree(exe.path());

    const fs::path user = home.path() / "quble";
    const auto c = SeedUserFolder(exe.path(), user);
    EXPECT_EQ(c.folder, user);
    EXPECT_EQ(c.copied, std::vector<std::string>{"Examples"});
    EXPECT_EQ(Tree(user), arranged);

    // A file where the folder should be: the executable's folder is kept.
    WriteText(home.path() / "blocked", "x");
    const auto bad = SeedUserFolder(exe.path(), home.path() / "blocked" / "quble");
    EXPECT_EQ(bad.folder, exe.path());
    EXPECT_FALSE(bad.perUser);
    EXPECT_FALSE(bad.error.empty());
}

TEST(ExamplesProgramFolder, UserDataFolderFollowsXdgThenHome) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::optional<std::string> xdg = oldXdg ? std::optional<std::string>(oldXdg) : std::nullopt;
    const std::optional<std::string> home = oldHome ? std::optional<std::string>(oldHome) : std::nullopt;

    ::setenv("XDG_DATA_HOME", "/data/u", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(UserDataFolder(), fs::path("/data/u/quble"));
    ::setenv("XDG_DATA_HOME", "relative/path", 1);  // ignored, as XDG asks
    EXPECT_EQ(UserDataFolder(), fs::path("/home/u/.local/share/quble"));
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataFolder(), fs::path("/home/u/.local/share/quble"));
    ::unsetenv("HOME");
    EXPECT_TRUE(UserDataFolder().empty());

    if (xdg) ::setenv("XDG_DATA_HOME", xdg->c_str(), 1);
    if (home) ::setenv("HOME", home->c_str(), 1);
}

TEST(ExamplesOnlyTheProgram, SeededFromTheFirstDataFolderThatHoldsTheShippedFiles) {
    ScratchDir program, incomplete, data;
    WriteText(program.path() / "quble", "the program");
    Ship(incomplete.path(), true);
    fs::remove(incomplete.path() / "acqus_3");
    Ship(data.path(), true);
    const auto dataBefore = Tree(data.path());

    const auto r = PrepareExamples(program.path(), {program.path() / "none", incomplete.path(), data.path()});
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->ok) << r->error;
    std::set<std::string> want = ExpectedTree(true);
    want.insert("quble");
    EXPECT_EQ(Tree(program.path()), want);
    EXPECT_EQ(ReadText(program.path() / "Examples/3_Alcohol RVALE-009 (Example 3)/acqus"), "acqus_3");
    EXPECT_EQ(Tree(data.path()), dataBefore);  // the installation is only read
    // Arranged once: the next start does nothing.
    EXPECT_FALSE(PrepareExamples(program.path(), {data.path()}).has_value());

    // An installed "Examples" tree is copied as it is.
    ScratchDir second;
    const auto t = PrepareExamples(second.path(), {program.path()});
    ASSERT_TRUE(t.has_value());
    EXPECT_TRUE(t->ok) << t->error;
    EXPECT_EQ(Tree(second.path()), ExpectedTree(true));
}

TEST(ExamplesOnlyTheProgram, SaysWhereTheExamplesAreExpectedWhenNoneAreFound) {
    ScratchDir program;
    WriteText(program.path() / "quble", "the program");
    const fs::path share = program.path() / "nowhere" / "quble";
    const auto r = PrepareExamples(program.path(), {share});
    ASSERT_TRUE(r.has_value());
    EXPECT_FALSE(r->ok);
    EXPECT_NE(r->error.find("No example files were found"), std::string::npos) << r->error;
    EXPECT_NE(r->error.find("\"" + (program.path() / "Examples").string() + "\""), std::string::npos) << r->error;
    EXPECT_NE(r->error.find("\"" + share.string() + "\""), std::string::npos) << r->error;
    EXPECT_EQ(Tree(program.path()), std::set<std::string>{"quble"});

    // Part of a set: the missing names are told, nothing moves.
    Ship(program.path(), true);
    fs::remove(program.path() / "procs_4");
    fs::remove(program.path() / "1r_5");
    const auto before = Tree(program.path());
    const auto p = PrepareExamples(program.path(), {});
    ASSERT_TRUE(p.has_value());
    EXPECT_FALSE(p->ok);
    EXPECT_NE(p->error.find("\"procs_4\", \"1r_5\" are missing"), std::string::npos) << p->error;
    EXPECT_EQ(Tree(program.path()), before);
}

TEST(ExamplesOnlyTheProgram, InstalledDataFoldersBesideTheProgramThenXdg) {
    const char* old = std::getenv("XDG_DATA_DIRS");
    const std::optional<std::string> keep = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_DATA_DIRS", "/opt/share:relative:/usr/share/", 1);
    EXPECT_EQ(InstalledDataFolders("/opt/quble/bin"),
              (std::vector<fs::path>{"/opt/quble/share/quble", "/opt/share/quble", "/usr/share/quble"}));
    ::unsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(InstalledDataFolders("/usr/bin"), (std::vector<fs::path>{"/usr/share/quble", "/usr/local/share/quble"}));
    if (keep) ::setenv("XDG_DATA_DIRS", keep->c_str(), 1);
}
