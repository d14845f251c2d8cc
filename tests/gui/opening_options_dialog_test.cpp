// The "Opening Options" dialog: what OK reports for each option, that only a
// click on the check box counts as one, and that Cancel answers nothing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdlib>

#include "platform/opening_options_dialog.h"
#include "platform/qt_dialogs.h"
#include "platform/scripted_dialogs.h"

using namespace quble;

TEST(OpeningOptionsDialog, OptionsSetModeAndAdjustment) {
    OpeningChoice start{3, false, true, false};
    OpeningOptionsDialog d(start);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Opening Options"));
    EXPECT_TRUE(d.Option3->isChecked());
    EXPECT_TRUE(d.Check1->isChecked());
    EXPECT_EQ(d.Check1->text(), QStringLiteral("Don't show this dialog again (you can recover it from the \"options\" menu)"));
    // Option 3 keeps the adjustment as it was.
    EXPECT_EQ(d.choice(), (OpeningChoice{3, false, true, false}));

    QTest::mouseClick(d.Option1, Qt::LeftButton);
    EXPECT_EQ(d.choice(), (OpeningChoice{1, true, true, false}));
    QTest::mouseClick(d.Option2, Qt::LeftButton);
    EXPECT_EQ(d.choice(), (OpeningChoice{2, false, true, false}));

    // Two clicks leave the tick as it was, but the box was clicked.
    QTest::mouseClick(d.Check1, Qt::LeftButton);
    QTest::mouseClick(d.Check1, Qt::LeftButton);
    EXPECT_EQ(d.choice(), (OpeningChoice{2, false, true, true}));

    if (const char* shot = std::getenv("QUBLE_SCREENSHOT_DIR")) {
        d.show();
        QTest::qWait(50);
        d.grab().save(QString::fromUtf8(shot) + "/opening_options.png");
    }
}

TEST(OpeningOptionsDialog, QtDialogsAnswersOkAndCancel) {
    QtDialogs dialogs;
    auto press = [](const char* name) {
        QTimer::singleShot(0, [name] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<OpeningOptionsDialog*>(w)) {
                    d->findChild<QPushButton*>(QString::fromUtf8(name))->click();
                }
            }
        });
    };
    press("OKButton");
    auto ok = dialogs.OpeningOptions({2, false, false, false});
    ASSERT_TRUE(ok.has_value());
    EXPECT_EQ(ok->OpeningMode, 2);
    press("CancelButton");
    EXPECT_FALSE(dialogs.OpeningOptions({1, true, false, false}).has_value());

    ScriptedDialogs scripted;
    scripted.QueueOpeningChoice(std::nullopt);
    EXPECT_FALSE(scripted.OpeningOptions({}).has_value());
    EXPECT_EQ(scripted.OpeningOptions({3, true, false, true}), (OpeningChoice{3, true, false, false}));
    ASSERT_EQ(scripted.asked().size(), 2u);
    EXPECT_EQ(scripted.asked()[0].kind, ScriptedDialogs::Asked::Kind::OpeningOptions);
    EXPECT_EQ(scripted.asked()[1].title, "Opening Options");
}
