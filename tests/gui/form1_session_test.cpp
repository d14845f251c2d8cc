// What the simulator window shows follows its model: the J boxes of every
// calculation, no graph after New, branch colours per example.
#include <QAction>

#include "examples/example_sets.h"
#include "tests/gui/form1_fixture.h"

namespace quble::test {
namespace {

TEST_F(Form1Test, GoLaysOutTheJBoxesFromTheCountsItUses) {
    // Example 1/H7 shows six J boxes; the count box is edited without Enter.
    Type("Text1_0", "8");
    form->Command1_Click();
    EXPECT_EQ(form->sim().NJ[1], 8);
    EXPECT_TRUE(form->JBox(1, 7)->isVisible());
    EXPECT_TRUE(form->JBox(1, 8)->isVisible());
    EXPECT_FALSE(form->JBox(1, 9)->isVisible());
    EXPECT_TRUE(W<QLabel>("Label4_7")->isVisible());

    Type("Text1_0", "3");
    form->Command1_Click();
    EXPECT_TRUE(form->JBox(1, 3)->isVisible());
    for (int k = 4; k <= 10; ++k) EXPECT_FALSE(form->JBox(1, k)->isVisible()) << k;
    EXPECT_FALSE(W<QLabel>("Label4_3")->isVisible());
    // Enter in the last box shown calculates.
    const int n = form->CalculationCount();
    form->TextH1_KeyPress(2);
    EXPECT_EQ(form->CalculationCount(), n + 1);
}

TEST_F(Form1Test, AfterNewNoViewChangeBringsTheOldGraphBack) {
    form->mnuNew_Click();
    ASSERT_FALSE(form->HasGraph());
    form->mnuHistogram_Click();
    form->mnuSplitDia_Click();
    form->Slider1_Change(form->plot().Slider1.value + 1);
    form->Label6_Click(3);
    // Only the cleared background: no red envelope, no black tree.
    EXPECT_EQ(CountPixels(form->Picture1()->picture(), qRgb(255, 0, 0)), 0);
    EXPECT_EQ(CountPixels(form->Picture1()->picture(), qRgb(0, 0, 0)), 0);
    EXPECT_FALSE(form->Action("mnuCopyMF")->isEnabled() && form->HasGraph());
}

TEST_F(Form1Test, BranchColoursDoNotCarryOverToTheNextExample) {
    form->LoadExample(*FindExample("Example 4"));
    form->Timer2_Timer();
    form->TimerLorGauss_Timer();
    const int h = 1;
    RecolourBranch(form->sim(), h, 1, 1, 0x000000FF);
    form->Command1_Click();
    EXPECT_EQ(form->sim().StemColor[h][1][1], 0x000000FFu) << "a recalculation keeps the colour";

    form->LoadExample(*FindExample("Example 5"));
    form->Timer2_Timer();
    form->TimerLorGauss_Timer();
    for (int k = 0; k <= form->sim().NJ[h]; ++k) {
        for (int b = 1; b <= (1 << k); ++b) EXPECT_EQ(form->sim().StemColor[h][k][b], kBlack) << k << "/" << b;
    }
}

}  // namespace
}  // namespace quble::test
