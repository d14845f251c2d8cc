#include <QAction>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/scripted_dialogs.h"
#include "settings/settings_file.h"
#include "simulator/form1_window.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Form1Settings : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> n{0};
        folder = fs::temp_directory_path() / ("quble_f1set_" + std::to_string(getpid()) + "_" + std::to_string(n++));
        fs::create_directories(folder / "Examples");
    }
    void TearDown() override {
        form.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    void Start() {
        form = std::make_unique<Form1>(nullptr, &dialogs, false);
        form->SetProgramFolder(folder);
        form->show();
        form->Form_Load();
        form->Timer2_Timer();
    }
    bool Ticked(const char* name) const { return form->Action(name)->isChecked(); }

    fs::path folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
};

GraphSettings Saved() {
    GraphSettings s;
    s.splitDia = false;
    s.jLabels = true;  // ticked, yet the diagram is off
    s.histogram = false;
    s.lineShape = LineShapeChoice::Lorentzian;
    s.EnvColor = "65280";
    s.backColorIndex = 1;
    s.gridColorCode = 20;
    s.pointSizeTicks = {false, false, false, false};
    s.expWidthTicks = {false, false, true};
    s.envWidthTicks = {false, true, false};
    s.ExpAsPoints = false;
    s.ExpLineWidth = 3;
    s.EnvLineWidth = 2;
    s.ShowOpeningOptions = false;
    return s;
}

}  // namespace

TEST_F(Form1Settings, StartAppliesTheFileToMenusAndGraph) {
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(folder / kSettingsFileName, Saved(), &err)) << err;
    Start();
    EXPECT_TRUE(dialogs.asked().empty());
    EXPECT_FALSE(Ticked("mnuSplitDia"));
    EXPECT_TRUE(Ticked("mnuJLabels"));
    EXPECT_FALSE(form->Action("mnuJLabels")->isEnabled());
    EXPECT_FALSE(Ticked("mnuHistogram"));
    EXPECT_TRUE(Ticked("mnuLineWidth2"));
    EXPECT_FALSE(Ticked("mnuLineWidth1"));
    EXPECT_TRUE(Ticked("mnuLineEx3"));
    EXPECT_FALSE(Ticked("mnuPointSize1_5"));
    EXPECT_EQ(form->LineShapeHandler(), "mnuLorentzian_Click");
    const DrawOptions& o = form->plot().options;
    EXPECT_EQ(o.EnvColor, 65280u);
    EXPECT_EQ(o.PeakLabelColor, 65280u);
    EXPECT_EQ(o.BackColorIndex, 1);
    EXPECT_EQ(o.BackColor, 0xF0F0FFu);
    EXPECT_EQ(o.GridColorCode, 20);
    EXPECT_FALSE(o.ExpAsPoints);
    EXPECT_EQ(o.ExpLineWidth, 3);
    EXPECT_EQ(o.EnvLineWidth, 2);
    EXPECT_FALSE(form->ShowOpeningOptions_);
    // What the window now holds writes back as the file it read.
    EXPECT_EQ(FormatSettings(ToValues(form->CurrentSettings())), Slurp(folder / kSettingsFileName));
}

TEST_F(Form1Settings, DamagedFileIsToldOnceAndStartsOnDefaults) {
    {
        std::ofstream out(folder / kSettingsFileName, std::ios::binary);
        out << "#FALSE#\r\nmaybe\r\n";
    }
    Start();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    const auto& a = dialogs.asked()[0];
    EXPECT_EQ(a.title, "Settings");
    EXPECT_NE(a.text.find((folder / kSettingsFileName).string()), std::string::npos);
    EXPECT_NE(a.text.find("lines 2, 3, 4"), std::string::npos);
    EXPECT_FALSE(Ticked("mnuSplitDia"));  // line 1 was readable
    EXPECT_TRUE(Ticked("mnuHistogram"));
    EXPECT_TRUE(form->HasGraph());
}

TEST_F(Form1Settings, ShowOpeningOptionsRewritesLine31AndReportsFailure) {
    std::string err;
    ASSERT_TRUE(WriteSettingsFile(folder / kSettingsFileName, Saved(), &err)) << err;
    Start();
    // A menu change not saved stays out of the file.
    form->mnuHistogram_Click();
    form->Action("mnuShowOptions")->trigger();
    EXPECT_TRUE(form->ShowOpeningOptions_);
    const SettingsRead r = ReadSettingsFile(folder / kSettingsFileName);
    ASSERT_TRUE(r.Complete());
    GraphSettings back;
    ApplySettingsRead(r, back);
    GraphSettings want = Saved();
    want.ShowOpeningOptions = true;
    back.jLabelsEnabled = want.jLabelsEnabled;
    EXPECT_EQ(back, want);
    EXPECT_TRUE(dialogs.asked().empty());

    form->SetProgramFolder(folder / "gone");
    form->SaveShowOpeningOptions(false);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_NE(dialogs.asked()[0].text.find("could not be saved"), std::string::npos);
}
