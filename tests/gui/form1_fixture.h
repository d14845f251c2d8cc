// Shared set-up of the simulator-window tests: a shown, active Form1 whose
// dialogs answer from a script, after its start-up calculation.
#pragma once

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "platform/scripted_dialogs.h"
#include "simulator/form1_window.h"

namespace quble::test {

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override { Open(); }

    void Open() {
        // The program folder is the test's own before the window loads: the
        // one beside the test program is shared by every test of a run.
        if (folder.empty()) {
            ASSERT_TRUE(dir.isValid());
            folder = dir.path().toStdString();
            ASSERT_TRUE(examplegen::WriteExampleFiles(folder).ok);
            ASSERT_TRUE(ArrangeOnFirstRun(folder).has_value());
        }
        form = std::make_unique<Form1>(nullptr, &dialogs, false);
        form->SetProgramFolder(folder);
        form->Form_Load();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        // The start-up example is calculated by its 10 ms timer; run it now.
        form->Timer2_Timer();
    }

    template <class T = QLineEdit>
    T* W(const QString& name) const {
        T* w = form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit* Box(const QString& name) const { return W<QLineEdit>(name); }

    // Types a text into a box the way a user does (replacing what is there)
    // and presses Enter.
    void TypeEnter(const QString& name, const QString& text) {
        QLineEdit* b = Box(name);
        b->setFocus();
        b->selectAll();
        QTest::keyClicks(b, text);
        QTest::keyClick(b, Qt::Key_Return);
    }
    void Type(const QString& name, const QString& text) {
        QLineEdit* b = Box(name);
        b->setFocus();
        b->selectAll();
        QTest::keyClicks(b, text);
    }
    QWidget* Focused() const { return QApplication::focusWidget(); }

    QTemporaryDir dir;
    std::string folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
};

inline QColor BaseOf(QWidget* w) { return w->palette().color(QPalette::Base); }

// Whether the picture holds a pixel of this colour (exactly) anywhere.
inline int CountPixels(const QImage& img, QRgb rgb) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) n += (line[x] & 0xFFFFFF) == (rgb & 0xFFFFFF);
    }
    return n;
}

}  // namespace quble::test
