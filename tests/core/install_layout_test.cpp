// An installed program: its folder is the package manager's, so every user
// gets a program folder of their own, seeded from the installed examples;
// and the user guide is found in the installed data folder.
#include <gtest/gtest.h>

#include "scratch_folder.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "examples/program_folder.h"
#include "platform/help_paths.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

using Scratch = quble::test::ScratchFolder;
using quble::test::WriteFile;

std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) out.insert(fs::relative(e.path(), root).generic_string());
    return out;
}

// Sets an environment variable for one scope and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvVar() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A prefix as `cmake --install` leaves it: the program in bin, the flat
// shipped files in share/quble.
fs::path InstallPrefix(const fs::path& prefix) {
    WriteFile(prefix / "bin" / "quble", "the program");
    for (const auto& n : ShippedFileNames()) WriteFile(prefix / "share" / "quble" / n, n);
    return prefix / "bin";
}

TEST(InstalledProgramFolder, OnlyABinFolderWithInstalledDataIsAnInstallation) {
    Scratch s;
    const fs::path bin = InstallPrefix(s.path() / "usr");
    EXPECT_TRUE(InstalledLayout(bin));
    EXPECT_TRUE(InstalledLayout(bin / ""));  // a trailing separator names the same folder

    // The build tree stages the examples in share/quble too, but its
    // programs live in app/, which stays their program folder.
    WriteFile(s.path() / "build" / "app" / "quble", "built");
    fs::create_directories(s.path() / "build" / "share" / "quble");
    EXPECT_FALSE(InstalledLayout(s.path() / "build" / "app"));
    EXPECT_EQ(ProgramFolderPath(s.path() / "build" / "app", s.path() / "user"), s.path() / "build" / "app");

    // A bin folder without the installed data (a copied program) is a
    // portable program folder.
    fs::create_directories(s.path() / "portable" / "bin");
    EXPECT_FALSE(InstalledLayout(s.path() / "portable" / "bin"));
    EXPECT_FALSE(InstalledLayout(""));
}

TEST(InstalledProgramFolder, EachUserIsSeededFromTheInstallationEvenWhenBinIsWritable) {
    Scratch s;
    const fs::path bin = InstallPrefix(s.path() / "usr");
    const auto installedBefore = Tree(s.path() / "usr");
    ASSERT_TRUE(FolderWritable(bin));  // as for root, or a prefix in the home

    const fs::path home = s.path() / "home" / "ann";
    EnvVar h("HOME", home.string());
    EnvVar x("XDG_DATA_HOME", std::nullopt);
    EnvVar d("XDG_DATA_DIRS", (s.path() / "nowhere").string());
    const fs::path user = home / ".local" / "share" / "quble";
    ASSERT_EQ(UserDataFolder(), user);

    const ProgramFolderChoice c = ProgramFolder(bin);
    EXPECT_EQ(c.folder, user);
    EXPECT_TRUE(c.perUser);
    EXPECT_TRUE(c.error.empty()) << c.error;
    EXPECT_EQ(ProgramFolderPath(bin, UserDataFolder()), c.folder);  // what a reader of the settings opens

    // The start-up step then arranges the installed examples in the user's
    // folder, and leaves the installation exactly as it was.
    const auto r = PrepareExamples(c.folder, InstalledDataFolders(bin));
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->ok) << r->error;
    EXPECT_TRUE(fs::is_regular_file(user / "Examples" / "1a_15-Deoxygoyazensolide (Example 1a)" / "1r"));
    EXPECT_TRUE(fs::is_regular_file(user / "Examples" / "5_Lactam RVALE-007 (Example 5)" / "Ex5.emf"));
    EXPECT_FALSE(fs::exists(user / "1r_1a"));
    EXPECT_EQ(Tree(s.path() / "usr"), installedBefore);

    // The next start finds the arrangement and copies nothing.
    WriteFile(user / "Examples" / "ReadMe.txt", "read");
    EXPECT_EQ(ProgramFolder(bin).folder, user);
    EXPECT_FALSE(PrepareExamples(user, InstalledDataFolders(bin)).has_value());

    // A second user gets a folder of their own.
    EnvVar x2("XDG_DATA_HOME", (s.path() / "bob-data").string());
    const ProgramFolderChoice b = ProgramFolder(bin);
    EXPECT_EQ(b.folder, s.path() / "bob-data" / "quble");
    ASSERT_TRUE(PrepareExamples(b.folder, InstalledDataFolders(bin)).has_value());
    EXPECT_TRUE(fs::is_regular_file(b.folder / "Examples" / "ReadMe.txt"));
    EXPECT_EQ(Tree(s.path() / "usr"), installedBefore);
}

TEST(UserGuide, FoundInTheFirstDataFolderThatHoldsIt) {
    Scratch s;
    const fs::path a = s.path() / "a", b = s.path() / "b", c = s.path() / "c";
    fs::create_directories(a / "help" / "index.html");  // a folder by that name is no guide
    WriteFile(b / "help" / "index.html", "<html>");
    WriteFile(c / "help" / "index.html", "<html>");
    EXPECT_EQ(FindUserGuide({s.path() / "none", fs::path(), a, b, c}), b / "help" / "index.html");
    EXPECT_EQ(FindUserGuide({c, b}), c / "help" / "index.html");
    EXPECT_TRUE(FindUserGuide({a, s.path() / "none"}).empty());
    EXPECT_TRUE(FindUserGuide({}).empty());

    // A link to a guide counts; a dangling one does not.
    fs::create_directories(s.path() / "l" / "help");
    fs::create_symlink(b / "help" / "index.html", s.path() / "l" / "help" / "index.html");
    fs::create_directories(s.path() / "m" / "help");
    fs::create_symlink(s.path() / "gone.html", s.path() / "m" / "help" / "index.html");
    EXPECT_EQ(FindUserGuide({s.path() / "m", s.path() / "l"}), s.path() / "l" / "help" / "index.html");
}

TEST(UserGuide, BesideTheProgramBeforeTheDesktopDataFoldersAndToldWhenMissing) {
    Scratch s;
    const fs::path bin = InstallPrefix(s.path() / "opt");
    WriteFile(s.path() / "xdg" / "quble" / "help" / "index.html", "<html>");
    EnvVar d("XDG_DATA_DIRS", (s.path() / "xdg").string());
    EXPECT_EQ(FindUserGuideFor(bin), s.path() / "xdg" / "quble" / "help" / "index.html");
    WriteFile(s.path() / "opt" / "share" / "quble" / "help" / "index.html", "<html>");
    EXPECT_EQ(FindUserGuideFor(bin), s.path() / "opt" / "share" / "quble" / "help" / "index.html");

    const std::string one = UserGuideMissingText({"/usr/share/quble"});
    EXPECT_EQ(one, "The user guide was not found. It is installed as \"help/index.html\" in the program's data "
                   "folder: \"/usr/share/quble\".");
    const std::string two = UserGuideMissingText({"/a/quble", "/b/quble"});
    EXPECT_NE(two.find("one of: \"/a/quble\", \"/b/quble\"."), std::string::npos) << two;
}

}  // namespace
