// The simulator window's input sequence: Enter moves through the boxes,
// counts are clamped, separators repaired, edits invalidate.
#include <QLocale>

#include "tests/gui/form1_fixture.h"

namespace quble::test {
namespace {

// Frame heights follow the rows: (NH - 1) x 240 + 615 twips at 15 twips a pixel.
int FrameHeightFor(int nh) { return ((nh - 1) * 240 + 615) / 15; }

TEST_F(Form1Test, EnterSequenceForOneToFourHydrogens) {
    const std::array<std::array<int, 4>, 4> jCounts{{{3, 0, 0, 0}, {2, 5, 0, 0}, {1, 4, 2, 0}, {2, 1, 3, 2}}};
    for (int nh = 1; nh <= 4; ++nh) {
        SCOPED_TRACE(nh);
        TypeEnter("Text2", QString::number(nh));
        EXPECT_EQ(Focused(), Box("Text6_0"));
        EXPECT_TRUE(W<QGroupBox>("Frame2")->isVisible());
        EXPECT_FALSE(W<QGroupBox>("Frame1")->isVisible());
        EXPECT_EQ(W<QGroupBox>("Frame2")->height(), FrameHeightFor(nh));
        EXPECT_EQ(W<QGroupBox>("Frame1")->height(), FrameHeightFor(nh));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Box(QString("Text6_%1").arg(i))->isVisible(), i < nh) << i;

        for (int i = 0; i < nh; ++i) {
            TypeEnter(QString("Text6_%1").arg(i), QString::number(2500 - 10 * i));
            const QString next = i + 1 < nh ? QString("Text6_%1").arg(i + 1) : QString("Text1_0");
            EXPECT_EQ(Focused(), Box(next)) << i;
        }
        EXPECT_TRUE(W<QGroupBox>("Frame1")->isVisible());
        int maxJ = 0;
        for (int i = 0; i < nh; ++i) {
            TypeEnter(QString("Text1_%1").arg(i), QString::number(jCounts[nh - 1][i]));
            maxJ = std::max(maxJ, jCounts[nh - 1][i]);
            const QString next = i + 1 < nh ? QString("Text1_%1").arg(i + 1) : QString("TextH1_0");
            EXPECT_EQ(Focused(), Box(next)) << i;
        }
        // Column headers J1 up to the largest count; each row shows its own.
        for (int k = 0; k < 10; ++k) {
            EXPECT_EQ(W<QLabel>(QString("Label4_%1").arg(k))->isVisible(), k < maxJ) << k;
        }
        for (int h = 1; h <= 4; ++h) {
            for (int k = 0; k < 10; ++k) {
                const bool shown = h <= nh && k < jCounts[nh - 1][h - 1];
                EXPECT_EQ(form->JBox(h, k + 1)->isVisible(), shown) << h << "," << k;
            }
        }
        // Enter walks the J boxes; only the very last one calculates.
        const int before = form->CalculationCount();
        for (int h = 1; h <= nh; ++h) {
            for (int k = 1; k <= jCounts[nh - 1][h - 1]; ++k) {
                QLineEdit* b = form->JBox(h, k);
                EXPECT_EQ(Focused(), b) << h << "," << k;
                b->setText(QString::number(k + h));
                QTest::keyClick(b, Qt::Key_Return);
            }
        }
        EXPECT_EQ(form->CalculationCount(), before + 1);
        EXPECT_EQ(form->sim().NH, nh);
        EXPECT_TRUE(W<QPushButton>("Command1_0")->isEnabled());
    }
}

TEST_F(Form1Test, ShiftsGiveTheAverageChemicalShift) {
    TypeEnter("Text2", "2");
    TypeEnter("Text6_0", "2500");
    TypeEnter("Text6_1", "2480");
    ASSERT_FALSE(form->List2().isEmpty());
    EXPECT_EQ(form->List2().back(), "AvChemShift=2490");
}

TEST_F(Form1Test, CountsAreClampedAndRounded) {
    const std::vector<std::pair<QString, QString>> hydrogens{
        {"7", "4"}, {"0", "1"}, {"abc", "1"}, {"2.5", "2"}, {"3.5", "4"}, {"-3", "1"}, {"99999999", "4"}};
    for (const auto& [typed, shown] : hydrogens) {
        TypeEnter("Text2", typed);
        EXPECT_EQ(Box("Text2")->text(), shown) << typed.toStdString();
    }
    TypeEnter("Text2", "1");
    TypeEnter("Text6_0", "2500");
    for (const auto& [typed, shown] : std::vector<std::pair<QString, QString>>{{"12", "10"}, {"0", "1"}, {"x", "1"}}) {
        TypeEnter("Text1_0", typed);
        EXPECT_EQ(Box("Text1_0")->text(), shown) << typed.toStdString();
    }
}

TEST_F(Form1Test, EnterInTheLastJBoxCalculatesTheTypedValues) {
    TypeEnter("Text2", "1");
    TypeEnter("Text6_0", "1000");
    TypeEnter("Text1_0", "2");
    TypeEnter("TextH1_0", "7");
    const int before = form->CalculationCount();
    TypeEnter("TextH1_1", "3");
    ASSERT_EQ(form->CalculationCount(), before + 1);
    // Two couplings of 7 and 3 Hz: four lines, 10 Hz from first to last.
    EXPECT_EQ(form->sim().TotalLines, 4);
    EXPECT_NEAR(form->sim().AllPos[4] - form->sim().AllPos[1], 10.0, 1e-4);
    EXPECT_EQ(form->Picture1()->hasFocus(), true);
}

TEST_F(Form1Test, EditingTheHydrogenCountInvalidatesTheInput) {
    ASSERT_TRUE(W<QPushButton>("Command1_0")->isEnabled());
    Type("Text2", "3");
    EXPECT_FALSE(W<QPushButton>("Command1_0")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Command1_1")->isEnabled());
    EXPECT_FALSE(W<QGroupBox>("Frame1")->isVisible());
    EXPECT_FALSE(W<QGroupBox>("Frame2")->isVisible());
    EXPECT_FALSE(form->JBox(1, 1)->isVisible());
    EXPECT_FALSE(W<QLabel>("Label4_0")->isVisible());
}

TEST_F(Form1Test, EditingAJCountDetachesTheExperimentalSpectrum) {
    form->sim().ExpPresent = true;
    Type("Text1_0", "4");
    EXPECT_FALSE(form->sim().ExpPresent);
}

TEST_F(Form1Test, TheCalculationsWriteBackIsNoEdit) {
    // The calculation rewrites "6.4" as the count it used, "6"; that rewrite
    // is not the user's edit and keeps the experimental spectrum attached.
    Box("Text1_0")->setText("6.4");
    form->sim().ExpPresent = true;
    form->Command1_Click();
    EXPECT_EQ(Box("Text1_0")->text(), "6");
    EXPECT_TRUE(form->sim().ExpPresent);
}

TEST_F(Form1Test, NonNumericShiftIsNamedAndNothingIsCalculated) {
    const int before = form->CalculationCount();
    const auto totalBefore = form->sim().TotalLines;
    Box("Text6_0")->setText("18x9");
    dialogs.clear();
    form->Command1_Click();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    const auto& msg = dialogs.asked()[0];
    EXPECT_EQ(msg.kind, ScriptedDialogs::Asked::Kind::Message);
    EXPECT_NE(msg.text.find("chemical shift of H7"), std::string::npos) << msg.text;
    EXPECT_NE(msg.text.find("18x9"), std::string::npos) << msg.text;
    EXPECT_EQ(Focused(), Box("Text6_0"));
    EXPECT_EQ(Box("Text6_0")->text(), "18x9");
    EXPECT_EQ(form->CalculationCount(), before);
    EXPECT_EQ(form->sim().TotalLines, totalBefore);
}

TEST_F(Form1Test, NonNumericJValueFocusesItsBox) {
    form->JBox(1, 3)->setText("2..9");
    form->Command1_Click();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_NE(dialogs.asked()[0].text.find("J3"), std::string::npos);
    EXPECT_EQ(Focused(), form->JBox(1, 3));
    EXPECT_EQ(form->JBox(1, 3)->text(), "2..9");
}

class Form1LocaleTest : public Form1Test {
protected:
    void SetUp() override {}
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(Form1LocaleTest, SeparatorRepairWithBothSeparators) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Open();
    ASSERT_EQ(form->DecSep(), ',');
    EXPECT_EQ(Box("Text6_0")->text(), "1869,25");  // the example uses the window's separator
    EXPECT_EQ(Box("Text3")->text(), "0,1");
    Type("TextH1_0", "7.2");
    EXPECT_EQ(form->JBox(1, 1)->text(), "7,2");
    EXPECT_EQ(form->JBox(1, 1)->cursorPosition(), 3);
    Type("Text4", "1.5");
    EXPECT_EQ(Box("Text4")->text(), "1,5");
    form->Command1_Click();
    EXPECT_FLOAT_EQ(form->sim().Width, 1.5f);
    EXPECT_FLOAT_EQ(form->sim().JVal[1][1], 7.2f);

    form.reset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Open();
    ASSERT_EQ(form->DecSep(), '.');
    Type("TextH1_0", "7,2");
    EXPECT_EQ(form->JBox(1, 1)->text(), "7.2");
    Type("Text6_0", "2500,5");
    EXPECT_EQ(Box("Text6_0")->text(), "2500.5");
}

}  // namespace
}  // namespace quble::test
