#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "platform/scripted_dialogs.h"
#include "settings/graph_background.h"
#include "settings/settings_file.h"
#include "simulator/background_window.h"
#include "simulator/form1_window.h"
#include "simulator/options_window.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> n{0};
        folder = fs::temp_directory_path() / ("quble_opt_" + std::to_string(getpid()) + "_" + std::to_string(n++));
        fs::create_directories(folder / "Examples");
        form = std::make_unique<Form1>(nullptr, &dialogs, false);
        form->SetProgramFolder(folder);
        form->show();
        form->Form_Load();
        form->Timer2_Timer();
        ASSERT_TRUE(form->HasGraph());
        form->Action("mnuSetGraphOptions")->trigger();
        dlg = form->findChild<OptionsWindow*>("frmOptions");
        ASSERT_NE(dlg, nullptr);
    }
    void TearDown() override {
        form.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    template <class T>
    T* W(const char* name) const {
        T* w = dlg->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Pages of other tabs are hidden, so buttons are clicked as a program does.
    void Click(const char* name) { W<QAbstractButton>(name)->click(); }

    fs::path folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    OptionsWindow* dlg = nullptr;
};

}  // namespace

TEST_F(OptionsTest, CaptionsFramesAndMenuAreTheProgramsOwn) {
    EXPECT_EQ(dlg->windowTitle(), "Set Options for Graph");
    const std::pair<const char*, const char*> captions[] = {
        {"Check1_0", "Splitting Diagram"},
        {"Check1_1", "J (Hz) Labels"},
        {"Check1_2", "Histogram"},
        {"Check1_3", "Lorentzian/Gaussian Individual Peaks"},
        {"Check1_4", "Peak Labels"},
        {"Check1_5", "Simulated Spectrum (Lor/Gau Envelope)"},
        {"Check1_6", "Experimental Spectrum"},
        {"Option1", "Lorentzian"},
        {"Option2", "Gaussian"},
        {"Option3", "Lorentzian + Gaussian"},
        {"Option4", "1"},
        {"Option5", "1.5"},
        {"Option6", "2"},
        {"Option7", "2.5"},
        {"Option8", "1"},
        {"Option10", "3"},
        {"Option11", "1"},
        {"Option13", "3"},
        {"Command1_0", "Change"},
        {"Command1_3", "Change"},
        {"cmdOK", "OK"},
        {"cmdCancel", "Cancel"},
        {"cmdApply", "Apply"},
        {"CmdSave", "Save Preferences"},
        {"Command2", "Restore Original Settings"},
    };
    for (const auto& [name, text] : captions) EXPECT_EQ(W<QAbstractButton>(name)->text(), text) << name;
    std::vector<QString> frames;
    for (QGroupBox* g : dlg->findChildren<QGroupBox*>()) frames.push_back(g->title());
    for (const char* f : {"Choose Line Shape for Simulated Spectrum", "Choose Line Width for the Simulated Spectrum",
                          "Choose Point Size or Line Width for the Experimental Spectrum", "Colors "})
        EXPECT_NE(std::find(frames.begin(), frames.end(), QString(f)), frames.end()) << f;
    EXPECT_EQ(W<QLabel>("Label1_0")->text(), "Lorentzian/Gaussian Individual Peaks");
    EXPECT_EQ(W<QLabel>("Label1_2")->text(), "Experimental Spectrum ");
    EXPECT_EQ(W<QLabel>("Label2")->text(), "Graph Background");
    const std::pair<const char*, const char*> items[] = {{"mnuSavePreferences", "&Save Preferences"},
                                                         {"mnuRecover", "&Recover Original Settings"},
                                                         {"mnuOK", "&OK"},
                                                         {"mnuCancel", "&Cancel"},
                                                         {"mnuApply", "&Apply"}};
    for (const auto& [name, text] : items) EXPECT_EQ(W<QAction>(name)->text(), text) << name;
    // The Drawing menu's entry opens it too, but never a second one.
    form->Action("mnuSetGraphOptions2")->trigger();
    EXPECT_EQ(form->findChildren<OptionsWindow*>().size(), 1);
    EXPECT_EQ(form->Action("mnuSetGraphOptions2")->text(), "Set &Graph Options");
    EXPECT_EQ(form->Action("mnuSetGraphOptions")->text(), "Set Graph &Options");
}

TEST_F(OptionsTest, ControlsStartFromTheCurrentSettings) {
    EXPECT_TRUE(W<QRadioButton>("Option2")->isChecked());   // Gaussian
    EXPECT_TRUE(W<QRadioButton>("Option5")->isChecked());   // points of 1.5
    EXPECT_TRUE(W<QRadioButton>("Option8")->isChecked());   // envelope width 1
    EXPECT_FALSE(W<QRadioButton>("Option11")->isChecked());
    EXPECT_TRUE(W<QCheckBox>("Check1_6")->isChecked());
    EXPECT_EQ(dlg->FromControls(), form->CurrentSettings());
}

TEST_F(OptionsTest, SplittingDiagramOffTakesJLabelsAlongOnApply) {
    ASSERT_TRUE(W<QCheckBox>("Check1_1")->isChecked());
    Click("Check1_0");
    EXPECT_FALSE(W<QCheckBox>("Check1_1")->isChecked());
    EXPECT_FALSE(W<QCheckBox>("Check1_1")->isEnabled());
    Click("cmdApply");
    EXPECT_FALSE(form->Action("mnuSplitDia")->isChecked());
    EXPECT_FALSE(form->Action("mnuJLabels")->isChecked());
    EXPECT_FALSE(form->Action("mnuJLabels")->isEnabled());
    Click("Check1_0");
    EXPECT_TRUE(W<QCheckBox>("Check1_1")->isEnabled());
    EXPECT_TRUE(W<QCheckBox>("Check1_1")->isChecked());
}

TEST_F(OptionsTest, ApplyRunsTheChosenShapeEvenWhenActive) {
    const int before = form->CalculationCount();
    Click("cmdApply");
    EXPECT_GT(form->CalculationCount(), before);
    Click("Option1");
    Click("cmdApply");
    EXPECT_TRUE(form->Action("mnuLorentzian")->isChecked());
    EXPECT_FALSE(form->Action("mnuGaussian")->isChecked());
}

TEST_F(OptionsTest, ColourChangeAndLineChoicesReachTheGraph) {
    dialogs.QueueColor(ColorRef{0x00AA00});
    Click("Command1_1");
    ASSERT_FALSE(dialogs.asked().empty());
    EXPECT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Kind::Color);
    dialogs.QueueColor(std::nullopt);  // cancelled: nothing changes
    Click("Command1_2");
    Click("Option12");
    Click("Option10");
    Click("cmdOK");
    EXPECT_FALSE(dlg->isVisible());
    const DrawOptions& o = form->plot().options;
    EXPECT_EQ(o.EnvColor, 0x00AA00u);
    EXPECT_EQ(o.PeakLabelColor, 0x00AA00u);
    EXPECT_EQ(o.ExpColor, 16711680u);
    EXPECT_FALSE(o.ExpAsPoints);
    EXPECT_EQ(o.ExpLineWidth, 2);
    EXPECT_EQ(o.EnvLineWidth, 3);
    EXPECT_TRUE(form->Action("mnuLineEx2")->isChecked());
    EXPECT_FALSE(form->Action("mnuPointSize1_5")->isChecked());
    EXPECT_TRUE(form->Action("mnuLineWidth3")->isChecked());
    EXPECT_FALSE(form->Action("mnuLineWidth1")->isChecked());
}

TEST_F(OptionsTest, CancelAfterApplyReturnsToTheOpeningState) {
    const GraphSettings opening = form->CurrentSettings();
    Click("Check1_2");
    Click("Option3");
    dialogs.QueueColor(ColorRef{0x123456});
    Click("Command1_0");
    Click("cmdApply");
    ASSERT_FALSE(form->Action("mnuHistogram")->isChecked());
    // The background dialog changes the graph at once.
    Click("Command1_3");
    Form5* f5 = dlg->BackgroundDialog();
    ASSERT_NE(f5, nullptr);
    f5->Label1_Click(2);
    f5->Picture1_Click(4);
    ASSERT_EQ(form->plot().options.BackColorIndex, 2);
    ASSERT_FALSE(form->plot().options.Grid);
    f5->Command1_Click();
    form->ShowOpeningOptions_ = false;
    Click("cmdCancel");
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(form->CurrentSettings(), opening);
    EXPECT_EQ(form->plot().options.BackColor, BackColorForIndex(0));
    EXPECT_TRUE(form->Action("mnuGaussian")->isChecked());
    EXPECT_TRUE(form->Action("mnuHistogram")->isChecked());
}

TEST_F(OptionsTest, SaveAsksFirstAndWritesOnlyOnYes) {
    const fs::path file = folder / kSettingsFileName;
    Click("Check1_4");
    dialogs.QueueMessageAnswer(MsgAnswer::No);
    Click("CmdSave");
    ASSERT_EQ(dialogs.asked().size(), 1u);
    const auto& q = dialogs.asked()[0];
    EXPECT_EQ(q.title, "Save the whole set?");
    EXPECT_EQ(q.text,
              "If you choose 'Yes', the whole set of options will be saved,\r\n"
              "and these will become the default settings for opening the\r\n"
              "program. Do you want to proceed?");
    EXPECT_EQ(q.buttons, MsgButtons::YesNo);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(form->Action("mnuPeakLabels")->isChecked());  // No applies nothing

    dialogs.QueueMessageAnswer(MsgAnswer::Yes);
    Click("CmdSave");
    EXPECT_FALSE(form->Action("mnuPeakLabels")->isChecked());  // applied first
    const SettingsRead r = ReadSettingsFile(file);
    ASSERT_TRUE(r.Complete());
    GraphSettings back = form->CurrentSettings();
    back.peakLabels = true;
    ApplySettingsRead(r, back);
    EXPECT_EQ(back, form->CurrentSettings());

    // The menu's save writes the controls without applying them.
    Click("Check1_2");
    dialogs.QueueMessageAnswer(MsgAnswer::Yes);
    W<QAction>("mnuSavePreferences")->trigger();
    EXPECT_TRUE(form->Action("mnuHistogram")->isChecked());
    GraphSettings saved;
    ApplySettingsRead(ReadSettingsFile(file), saved);
    EXPECT_FALSE(saved.histogram);
}

TEST_F(OptionsTest, SaveIntoAMissingFolderIsTold) {
    form->SetProgramFolder(folder / "gone");
    dialogs.QueueMessageAnswer(MsgAnswer::Yes);
    Click("CmdSave");
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[1].title, "Settings");
    EXPECT_NE(dialogs.asked()[1].text.find("could not be saved"), std::string::npos);
}

TEST_F(OptionsTest, RestoreOriginalSettingsClosesOnTheDefaults) {
    Click("Check1_2");
    Click("Option13");
    Click("cmdApply");
    form->plot().options.GridColorCode = 22;
    Click("Command2");
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(form->Action("mnuHistogram")->isChecked());
    EXPECT_TRUE(form->plot().options.ExpAsPoints);
    EXPECT_EQ(form->plot().options.ExpPointRadius, 1.5f);
    EXPECT_EQ(form->plot().options.GridColorCode, 19);
    EXPECT_EQ(form->LineShapeHandler(), "mnuGaussian_Click");
}

TEST_F(OptionsTest, BackgroundDialogChoicesAndPreviews) {
    Click("Command1_3");
    Form5* f5 = dlg->BackgroundDialog();
    ASSERT_NE(f5, nullptr);
    EXPECT_EQ(f5->windowTitle(), "Graph Background");
    std::vector<QString> frames;
    for (QGroupBox* g : f5->findChildren<QGroupBox*>()) frames.push_back(g->title());
    EXPECT_EQ(frames, (std::vector<QString>{"Graph Back Color", "Graph Background Grid Color"}));
    EXPECT_EQ(f5->findChild<QLabel*>("Label2")->text(), "No Grid");
    EXPECT_EQ(f5->findChild<QPushButton*>("Command1")->text(), "OK");

    QTest::mouseClick(f5->findChild<GridPreview*>("Label1_1"), Qt::LeftButton);
    EXPECT_EQ(form->plot().options.BackColorIndex, 1);
    EXPECT_EQ(form->plot().options.BackColor, 0xF0F0FFu);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f5->Preview(k)->Back(), 0xF0F0FFu);
    QTest::mouseClick(f5->Preview(3), Qt::LeftButton);
    EXPECT_EQ(form->plot().options.GridColorCode, 22);
    EXPECT_TRUE(form->plot().options.Grid);
    // The graph on screen shows that family's centre line.
    const QImage img = form->Picture1()->grab().toImage();
    const QColor centre(0xC0, 0xC0, 0xC0);
    int found = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) found += img.pixelColor(x, y) == centre;
    EXPECT_GT(found, 0);
    QTest::mouseClick(f5->Preview(4), Qt::LeftButton);
    EXPECT_FALSE(form->plot().options.Grid);
    QTest::mouseClick(f5->Preview(0), Qt::LeftButton);
    QTest::mouseClick(f5->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    const GridPreview* p2 = dlg->findChild<GridPreview*>("Picture2");
    EXPECT_EQ(p2->Back(), 0xF0F0FFu);
    EXPECT_TRUE(p2->Grid());
    EXPECT_EQ(p2->GridCode(), 19);
}
