// Shared set-up of the tests that drive the whole program: the frame with its
// two windows over a program folder holding the generated examples, the
// simulator after its start-up calculation (Example 1/H7), and the opening
// road from the simulator through "Opening Options".
#pragma once

#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/main_frame.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "platform/scripted_dialogs.h"
#include "simulator/form1_window.h"

namespace quble::test {

class FrameWithExamplesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path().toStdString();
        ASSERT_TRUE(examplegen::WriteExampleFiles(folder).ok);
        ASSERT_TRUE(ArrangeOnFirstRun(folder).has_value());
        // The settings file and the examples are this test's, from the
        // start: the frame reads them while it loads.
        frame = std::make_unique<MainFrame>(&dialogs, folder);
        // Room for both child windows side by side, so that no workspace
        // scroll bar lies over a graph the tests click on.
        frame->resize(1800, 1300);
        frame->show();
        form().Timer2_Timer();
        ASSERT_TRUE(form().HasGraph());
    }
    Form1& form() { return *frame->form1(); }
    std::string Example1a() const {
        return (std::filesystem::path(folder) / "Examples" / "1a_15-Deoxygoyazensolide (Example 1a)" / "1r")
            .generic_string();
    }
    // Runs the opening road with one answer of "Opening Options" and one file.
    void OpenFromSimulator(std::optional<OpeningChoice> choice, std::optional<std::string> file) {
        dialogs.QueueOpeningChoice(choice);
        if (choice) dialogs.QueueFile(std::move(file));
        form().mnuOpenExpSpec_Click();
        WaitForTheReturn();
    }
    // The return to the simulator waits for the current event to end; on a
    // busy machine the repaints before it outlast any fixed wait.
    void WaitForTheReturn() {
        auto* back = form().findChild<QTimer*>("TimerReturn");
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([back] { return !back->isActive(); }, 10000));
        QTest::qWait(20);
    }
    static OpeningChoice Choice(int mode, bool dontShow = false, bool clicked = false) {
        OpeningChoice c;
        c.OpeningMode = mode;
        c.AutoAdjustTMS = mode == 1;
        c.dontShowAgain = dontShow;
        c.checkClicked = clicked;
        return c;
    }
    const ScriptedDialogs::Asked* LastMessage() const {
        for (auto it = dialogs.asked().rbegin(); it != dialogs.asked().rend(); ++it)
            if (it->kind == ScriptedDialogs::Asked::Kind::Message) return &*it;
        return nullptr;
    }

    QTemporaryDir dir;
    std::string folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainFrame> frame;
};

}  // namespace quble::test
