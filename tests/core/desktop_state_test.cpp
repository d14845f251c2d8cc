// What a drop onto a window stands for, and the per-user state file: the
// recent spectra, the window places, and a damaged file that must never
// stop the program.
#include <gtest/gtest.h>

#include "scratch_folder.h"
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/drop_paths.h"
#include "platform/user_state.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

using Scratch = quble::test::ScratchFolder;

}  // namespace

TEST(DropPaths, EveryFolderOfAnExperimentLeadsToItsSpectrum) {
    Scratch s;
    const fs::path r = s.File("sample/10/pdata/1/1r");
    s.File("sample/10/pdata/1/procs");
    s.File("sample/10/acqus");
    EXPECT_EQ(SpectrumFileFor(r), r);
    EXPECT_EQ(SpectrumFileFor(s / "sample/10/pdata/1"), r);
    EXPECT_EQ(SpectrumFileFor(s / "sample/10/pdata"), r);
    EXPECT_EQ(SpectrumFileFor(s / "sample/10"), r);
    // The sample folder holds experiments, not one spectrum: which one is not
    // for the program to guess.
    EXPECT_TRUE(SpectrumFileFor(s / "sample").empty());
    EXPECT_TRUE(SpectrumFileFor(s / "sample/10/acqus").empty());
    EXPECT_TRUE(SpectrumFileFor(s / "nowhere").empty());
    EXPECT_TRUE(SpectrumFileFor({}).empty());
}

TEST(DropPaths, ProcessingNumberOneFirstThenTheLowestThatHoldsASpectrum) {
    Scratch s;
    s.File("a/pdata/2/1r");
    s.File("a/pdata/1/1r");
    EXPECT_EQ(SpectrumFileFor(s / "a"), s / "a/pdata/1/1r");

    s.File("b/pdata/12/1r");
    s.File("b/pdata/3/1r");
    s.File("b/pdata/2/procs");  // no spectrum in 2
    s.File("b/pdata/notes/1r");  // not a processing number
    EXPECT_EQ(SpectrumFileFor(s / "b"), s / "b/pdata/3/1r");
    EXPECT_EQ(SpectrumFileFor(s / "b/pdata"), s / "b/pdata/3/1r");

    s.File("c/pdata/1/procs");
    EXPECT_TRUE(SpectrumFileFor(s / "c").empty());
}

TEST(DropPaths, NamesAreMatchedExactlyAsTheOpenCommandDoes) {
    Scratch s;
    EXPECT_TRUE(SpectrumFileFor(s.File("x/1R")).empty());
    EXPECT_TRUE(SpectrumFileFor(s.File("x/1r.bak")).empty());
    s.File("y/PDATA/1/1r");
    EXPECT_TRUE(SpectrumFileFor(s / "y").empty());
}

TEST(DropPaths, PicturesByTheirEndingInAnyCase) {
    Scratch s;
    EXPECT_TRUE(IsFormulaPictureFile(s.File("f.emf")));
    EXPECT_TRUE(IsFormulaPictureFile(s.File("f.SVG")));
    EXPECT_TRUE(IsFormulaPictureFile(s.File("f.Png")));
    EXPECT_FALSE(IsFormulaPictureFile(s.File("f.jpg")));
    EXPECT_FALSE(IsFormulaPictureFile(s.File("emf")));
    EXPECT_FALSE(IsFormulaPictureFile(s / "missing.png"));
    fs::create_directories(s / "folder.png");
    EXPECT_FALSE(IsFormulaPictureFile(s / "folder.png"));
}

TEST(DropPaths, ASpectrumAmongTheDroppedWinsOverPictures) {
    Scratch s;
    const fs::path pic = s.File("Ex1.emf");
    const fs::path r = s.File("e/pdata/1/1r");
    const fs::path junk = s.File("readme.txt");

    DropTarget t = ClassifyDrop({junk, pic, s / "e"});
    EXPECT_EQ(t.kind, DropKind::Spectrum);
    EXPECT_EQ(t.path, r);

    t = ClassifyDrop({junk, pic});
    EXPECT_EQ(t.kind, DropKind::Picture);
    EXPECT_EQ(t.path, pic);
    // Where there is no graph, a picture is nothing.
    EXPECT_EQ(ClassifyDrop({pic}, false).kind, DropKind::None);
    EXPECT_EQ(ClassifyDrop({junk}).kind, DropKind::None);
    EXPECT_EQ(ClassifyDrop({}).kind, DropKind::None);
    // A folder named with its trailing separator, as some file managers send it.
    t = ClassifyDrop({fs::path((s / "e").string() + "/")});
    EXPECT_EQ(t.path, r);
}

TEST(UserStateFile, XdgConfigHomeWhenAbsoluteElseTheHomeConfigFolder) {
    EXPECT_EQ(UserStateFileFor("/x/conf", "/home/u"), fs::path("/x/conf/quble/state.json"));
    EXPECT_EQ(UserStateFileFor(nullptr, "/home/u"), fs::path("/home/u/.config/quble/state.json"));
    EXPECT_EQ(UserStateFileFor("", "/home/u"), fs::path("/home/u/.config/quble/state.json"));
    EXPECT_EQ(UserStateFileFor("relative/conf", "/home/u"), fs::path("/home/u/.config/quble/state.json"));
    EXPECT_TRUE(UserStateFileFor(nullptr, nullptr).empty());
}

TEST(RecentSpectra, NewestFirstOnceEachAtMostEight) {
    std::vector<std::string> list;
    AddRecentSpectrum(list, "/a/1r");
    AddRecentSpectrum(list, "/b/1r");
    AddRecentSpectrum(list, "/a/1r");
    EXPECT_EQ(list, (std::vector<std::string>{"/a/1r", "/b/1r"}));
    AddRecentSpectrum(list, "");
    EXPECT_EQ(list.size(), 2u);
    for (int i = 0; i < 10; ++i) AddRecentSpectrum(list, "/s" + std::to_string(i) + "/1r");
    ASSERT_EQ(list.size(), kMaxRecentSpectra);
    EXPECT_EQ(list.front(), "/s9/1r");
    EXPECT_EQ(list.back(), "/s2/1r");
    EXPECT_TRUE(RemoveRecentSpectrum(list, "/s5/1r"));
    EXPECT_FALSE(RemoveRecentSpectrum(list, "/s5/1r"));
    EXPECT_EQ(list.size(), kMaxRecentSpectra - 1);
    EXPECT_EQ(std::find(list.begin(), list.end(), "/s5/1r"), list.end());
}

TEST(UserStateFile, RoundTripThroughAFolderThatDoesNotExistYet) {
    Scratch s;
    const fs::path file = s / "conf/quble/state.json";
    UserState st;
    st.recentSpectra = {"/data/ümlaut & co/pdata/1/1r", "/b/1r"};
    st.windows["MDIForm1"] = {{-20, 30, 1200, 800}, true};
    st.windows["Form1Window"] = {{0, 0, 779, 600}, false};
    std::string error;
    ASSERT_TRUE(SaveUserState(file, st, &error)) << error;
    EXPECT_FALSE(fs::exists(fs::path(file.string() + ".new")));
    std::string warning;
    EXPECT_EQ(LoadUserState(file, &warning), st);
    EXPECT_TRUE(warning.empty()) << warning;

    // A second save replaces the first whole.
    st.recentSpectra.pop_back();
    st.windows.erase("Form1Window");
    ASSERT_TRUE(SaveUserState(file, st, &error));
    EXPECT_EQ(LoadUserState(file), st);
}

TEST(UserStateFile, SaveFailsWithAReasonWhereNoFolderCanBeMade) {
    Scratch s;
    const fs::path blocker = s.File("plainfile");
    std::string error;
    EXPECT_FALSE(SaveUserState(blocker / "quble" / "state.json", UserState{}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SaveUserState({}, UserState{}, &error));
}

TEST(UserStateFile, DamageGivesAnEmptyOrPartialStateWithAWarning) {
    Scratch s;
    std::string warning;
    EXPECT_EQ(LoadUserState(s / "missing.json", &warning), UserState{});
    EXPECT_TRUE(warning.empty());

    for (const char* text : {"", "{", "[1,2]", "\"text\"", "\xff\xfe garbage", "{\"recentSpectra\": [\"/a\"]"}) {
        const fs::path f = s.File("bad.json", text);
        EXPECT_EQ(LoadUserState(f, &warning), UserState{}) << text;
        EXPECT_FALSE(warning.empty()) << text;
    }

    // Sound entries are kept, damaged ones dropped.
    const fs::path f = s.File("partial.json", R"({
        "recentSpectra": ["/a/1r", 7, "", "/a/1r", "/b/1r"],
        "windows": {
            "MDIForm1": {"x": 10, "y": 20, "width": 900, "height": 700, "maximized": true},
            "Form1Window": {"x": 0, "y": 0, "width": -5, "height": 600},
            "Form100Window": {"x": "0", "y": 0, "width": 500, "height": 400},
            "Huge": {"x": 0, "y": 0, "width": 99999999999, "height": 400},
            "NoFlag": {"x": 1, "y": 2, "width": 3, "height": 4}
        }
    })");
    const UserState st = LoadUserState(f, &warning);
    EXPECT_FALSE(warning.empty());
    EXPECT_EQ(st.recentSpectra, (std::vector<std::string>{"/a/1r", "/b/1r"}));
    ASSERT_EQ(st.windows.size(), 2u);
    EXPECT_EQ(st.windows.at("MDIForm1"), (WindowPlace{{10, 20, 900, 700}, true}));
    EXPECT_EQ(st.windows.at("NoFlag"), (WindowPlace{{1, 2, 3, 4}, false}));

    // Too long a list is cut to its newest entries.
    std::string many = "{\"recentSpectra\": [";
    for (int i = 0; i < 12; ++i) many += (i ? ",\"/" : "\"/") + std::to_string(i) + "\"";
    many += "]}";
    const UserState cut = LoadUserState(s.File("many.json", many));
    ASSERT_EQ(cut.recentSpectra.size(), kMaxRecentSpectra);
    EXPECT_EQ(cut.recentSpectra.front(), "/0");
}

TEST(FitInside, MovedOntoTheAreaAndShrunkOnlyWhenTooBig) {
    const ScreenRect screen{0, 0, 1280, 800};
    EXPECT_EQ(FitInside({100, 50, 800, 600}, screen), (ScreenRect{100, 50, 800, 600}));
    // Left on a screen that is gone: brought back whole.
    EXPECT_EQ(FitInside({1900, 900, 800, 600}, screen), (ScreenRect{480, 200, 800, 600}));
    EXPECT_EQ(FitInside({-300, -40, 800, 600}, screen), (ScreenRect{0, 0, 800, 600}));
    EXPECT_EQ(FitInside({200, 100, 1920, 1080}, screen), (ScreenRect{0, 0, 1280, 800}));
    // A second screen to the left, with its own origin.
    const ScreenRect left{-1920, 0, 1920, 1080};
    EXPECT_EQ(FitInside({-100, 10, 400, 300}, left), (ScreenRect{-400, 10, 400, 300}));
    EXPECT_EQ(FitInside({5, 5, 10, 10}, ScreenRect{}), (ScreenRect{5, 5, 10, 10}));
}

TEST(FitInside, NotCutBelowItsContentsUnlessTheUserMadeItSmaller) {
    const ScreenRect workspace{0, 0, 500, 400};
    const ScreenSize least{700, 300};
    // Too wide for the workspace: kept at what its contents need, from the
    // left edge, so the workspace scrolls to the rest; the height, which has
    // room above its least, is cut as before.
    EXPECT_EQ(FitInside({150, 80, 900, 600}, workspace, least), (ScreenRect{0, 0, 700, 400}));
    // Made narrower than its contents by the user: that width stays, and it
    // is still cut to the workspace where it does not fit.
    EXPECT_EQ(FitInside({150, 80, 600, 600}, workspace, least), (ScreenRect{0, 0, 600, 400}));
    EXPECT_EQ(FitInside({150, 80, 450, 250}, workspace, least), (ScreenRect{50, 80, 450, 250}));
    // A least that fits changes nothing, in an area with its own origin too.
    const ScreenRect shifted{-200, 100, 1000, 800};
    EXPECT_EQ(FitInside({900, 50, 800, 600}, shifted, {400, 300}), (ScreenRect{0, 100, 800, 600}));
    EXPECT_EQ(FitInside({900, 50, 1200, 600}, shifted, {1100, 900}), (ScreenRect{-200, 100, 1100, 600}));
    EXPECT_EQ(FitInside({5, 5, 10, 10}, ScreenRect{}, least), (ScreenRect{5, 5, 10, 10}));
}
