#include <gtest/gtest.h>

#include <cmath>

#include "simulation_test_util.h"

using namespace quble;
using namespace quble::test;

TEST(MultipletLines, DoubletTripletQuartet) {
    auto d = Compute({{"2500", {"7"}}}, "0.01");
    ASSERT_TRUE(d);
    ASSERT_EQ(d->TotalLines, 2);
    EXPECT_FLOAT_EQ(d->AllPos[1], -3.5f);  // 3.5 Hz above 2500 Hz
    EXPECT_FLOAT_EQ(d->AllPos[2], 3.5f);
    EXPECT_FLOAT_EQ(d->AllInt[1], 0.5f);
    EXPECT_FLOAT_EQ(d->CentreHz - d->AllPos[1], 2503.5f);

    auto t = Compute({{"2500", {"7", "7"}}}, "0.01");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->TotalLines, 3);
    EXPECT_FLOAT_EQ(t->AllPos[1], -7.0f);
    EXPECT_FLOAT_EQ(t->AllPos[2], 0.0f);
    EXPECT_FLOAT_EQ(t->AllPos[3], 7.0f);
    EXPECT_FLOAT_EQ(t->AllInt[1], 0.25f);
    EXPECT_FLOAT_EQ(t->AllInt[2], 0.5f);
    EXPECT_FLOAT_EQ(t->AllInt[3], 0.25f);

    auto q = Compute({{"2500", {"7", "7", "7"}}}, "0.01");
    ASSERT_TRUE(q);
    ASSERT_EQ(q->TotalLines, 4);
    const float pos[] = {-10.5f, -3.5f, 3.5f, 10.5f};
    const float inten[] = {0.125f, 0.375f, 0.375f, 0.125f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(q->AllPos[i + 1], pos[i]);
        EXPECT_FLOAT_EQ(q->AllInt[i + 1], inten[i]);
    }
    // The unmerged extremes cover every hydrogen and always include 0.
    EXPECT_FLOAT_EQ(q->MinPos, -10.5f);
    EXPECT_FLOAT_EQ(q->MaxPos, 10.5f);
    EXPECT_FLOAT_EQ(q->HighLineHz, 2510.5f);
    EXPECT_FLOAT_EQ(q->LowLineHz, 2489.5f);
}

TEST(MultipletLines, ResolutionRuleIsStrictAndChains) {
    // Lines 0.5 Hz apart with resolution 0.5 stay apart; 0.499 merges them.
    auto apart = Compute({{"2500", {"0.5"}}}, "0.5", "1");
    ASSERT_TRUE(apart);
    EXPECT_EQ(apart->TotalLines, 2);
    auto merged = Compute({{"2500", {"0.499"}}}, "0.5", "1");
    ASSERT_TRUE(merged);
    ASSERT_EQ(merged->TotalLines, 1);
    EXPECT_FLOAT_EQ(merged->AllInt[1], 1.0f);

    // Four lines 0.6 Hz apart merge into one although the outer two are 1.8 Hz apart.
    auto chain = Compute({{"2500", {"1.2", "0.6"}}}, "1", "1");
    ASSERT_TRUE(chain);
    ASSERT_EQ(chain->TotalLines, 1);
    EXPECT_NEAR(chain->AllPos[1], 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(chain->AllInt[1], 1.0f);
    EXPECT_FLOAT_EQ(chain->MinPos, -0.9f);  // extremes come from the unmerged lines

    // Resolution 0 keeps even coincident lines apart.
    auto zero = Compute({{"2500", {"7", "7"}}}, "0");
    ASSERT_TRUE(zero);
    ASSERT_EQ(zero->TotalLines, 4);
    EXPECT_FLOAT_EQ(zero->AllPos[2], 0.0f);
    EXPECT_FLOAT_EQ(zero->AllPos[3], 0.0f);
    EXPECT_FLOAT_EQ(zero->AllInt[2], 0.25f);
}

TEST(MultipletLines, MergedPositionIsTheUnweightedMean) {
    // Lines at -1, 0, 0, 1 relative (J 1, 1) with resolution 1.5: one group of
    // four, mean 0; a second case with an asymmetric group checks the mean is
    // not weighted by intensity.
    std::vector<float> pos = {0, 0.0f, 0.2f, 0.3f, 5.0f};
    std::vector<float> inten = {0, 0.1f, 0.6f, 0.3f, 1.0f};
    const int n = MergeLines(pos.data(), inten.data(), 4, 0.15f);
    ASSERT_EQ(n, 3);
    EXPECT_FLOAT_EQ(pos[1], 0.0f);
    EXPECT_FLOAT_EQ(pos[2], 0.25f);
    EXPECT_FLOAT_EQ(inten[2], 0.9f);
    EXPECT_FLOAT_EQ(pos[3], 5.0f);
}

TEST(MultipletLines, HydrogensAreOrderedAndMergedAcrossEachOther) {
    auto two = Compute({{"2480", {"7"}}, {"2500", {"7"}}});
    ASSERT_TRUE(two);
    EXPECT_FLOAT_EQ(two->AvChemShift, 2490.0f);
    EXPECT_EQ(two->Order[1], 2);
    EXPECT_EQ(two->Order[2], 1);
    EXPECT_FLOAT_EQ(two->SortedShift[1], 2500.0f);

    auto equal = Compute({{"2500", {"7"}}, {"2500", {"3"}}});
    ASSERT_TRUE(equal);
    EXPECT_EQ(equal->Order[1], 1);
    EXPECT_EQ(equal->Order[2], 1);  // the first hydrogen with that shift, twice

    // Lines of different hydrogens 0.05 Hz apart merge with resolution 0.1.
    auto cross = Compute({{"2500", {"7"}}, {"2500.05", {"7"}}}, "0.1");
    ASSERT_TRUE(cross);
    ASSERT_EQ(cross->TotalLines, 2);
    EXPECT_NEAR(cross->AllPos[1], -3.5f, 5e-4);
    EXPECT_FLOAT_EQ(cross->AllInt[1], 1.0f);
}

TEST(MultipletLines, TreeBranchesSplitAroundTheirParent) {
    auto s = Compute({{"2500", {"7", "2"}}});
    ASSERT_TRUE(s);
    EXPECT_FLOAT_EQ(s->Pos[1][0][1], 0.0f);
    EXPECT_FLOAT_EQ(s->Pos[1][1][1], -3.5f);  // left child takes the odd branch
    EXPECT_FLOAT_EQ(s->Pos[1][1][2], 3.5f);
    EXPECT_FLOAT_EQ(s->Pos[1][2][1], -4.5f);
    EXPECT_FLOAT_EQ(s->Pos[1][2][2], -2.5f);
    EXPECT_FLOAT_EQ(s->Pos[1][2][3], 2.5f);
    EXPECT_FLOAT_EQ(s->Pos[1][2][4], 4.5f);
}

TEST(MultipletInput, RepairsAreWrittenBack) {
    SimulationState s;
    SimulationInput in = MakeInput({{"2500", {"7"}}}, "2", "0.05");
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(in.Text4, "0.1");
    EXPECT_EQ(in.Text3, "0.1");  // resolution never above the width
    EXPECT_FLOAT_EQ(s.Res, 0.1f);
    EXPECT_FLOAT_EQ(s.HalfWidth, 0.05f);

    SimulationInput lowered = MakeInput({{"2500", {"7"}}}, "2", "1");
    ASSERT_FALSE(StartProcess(s, lowered));
    EXPECT_EQ(lowered.Text3, "1");

    SimulationInput empty = MakeInput({{"2500,0", {"7,5"}}}, "", "", ',');
    ASSERT_FALSE(StartProcess(s, empty));
    EXPECT_EQ(empty.Text3, "0,01");
    EXPECT_EQ(empty.Text4, "0,1");
    EXPECT_EQ(empty.Text6[0], "2500");
    EXPECT_FLOAT_EQ(s.JVal[1][1], 7.5f);
}

TEST(MultipletInput, HydrogenCountIsAlwaysOneToFour) {
    for (const char* text : {"0", "", "abc", "-3"}) {
        SimulationState s;
        SimulationInput in = MakeInput({{"2500", {"7"}}});
        in.Text2 = text;
        ASSERT_FALSE(StartProcess(s, in)) << text;
        EXPECT_EQ(s.NH, 1) << text;
    }
    SimulationState s;
    SimulationInput in = MakeInput({{"2500", {"7"}}, {"2400", {"5"}}, {"2300", {"4"}}, {"2200", {"3"}}});
    in.Text2 = "99999";
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(s.NH, 4);
    EXPECT_EQ(s.TotalLines, 8);
}

TEST(MultipletInput, JCountsAreClampedAndWrittenBack) {
    SimulationState s;
    SimulationInput in = MakeInput({{"2500", {"7"}}});
    in.Text1[0] = "12";
    for (auto& j : in.JText[0]) j = "1";
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(in.Text1[0], "10");
    EXPECT_EQ(s.NJ[1], 10);
    in.Text1[0] = "70000";  // beyond 16 bits
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(s.NJ[1], 10);
}

TEST(MultipletInput, TextThatIsNotANumberStopsTheCalculationAndNamesTheBox) {
    SimulationState s;
    SimulationInput good = MakeInput({{"2500", {"7"}}});
    ASSERT_FALSE(StartProcess(s, good));
    const auto before = Lines(s);

    struct Case {
        std::string box;
        int index;
        void (*spoil)(SimulationInput&);
    };
    const Case cases[] = {
        {"Text6", 1, [](SimulationInput& in) { in.Text6[1] = "25OO"; }},
        {"TextH2", 2, [](SimulationInput& in) { in.JText[1][2] = "7x"; }},
        {"Text4", 0, [](SimulationInput& in) { in.Text4 = "1,5"; }},  // wrong separator
        {"Text3", 0, [](SimulationInput& in) { in.Text3 = "fine"; }},
        {"Text6", 0, [](SimulationInput& in) { in.Text6[0] = "1e30"; }},  // no NMR shift
    };
    for (const auto& c : cases) {
        SimulationInput in = MakeInput({{"2500", {"7"}}, {"2400", {"5", "4", "3"}}});
        c.spoil(in);
        const SimulationInput typed = in;
        auto err = StartProcess(s, in);
        ASSERT_TRUE(err) << c.box;
        EXPECT_EQ(err->box, c.box);
        EXPECT_EQ(err->index, c.index);
        EXPECT_FALSE(err->message.empty());
        EXPECT_EQ(in.Text6, typed.Text6);  // nothing typed is lost
        EXPECT_EQ(in.JText, typed.JText);
        EXPECT_EQ(in.Text3, typed.Text3);
        EXPECT_EQ(in.Text4, typed.Text4);
        EXPECT_EQ(Lines(s), before);  // the previous result stands
        EXPECT_EQ(s.NH, 1);
    }
    // The message uses the hydrogen's own name.
    SimulationInput named = MakeInput({{"abc", {"7"}}});
    named.HydrogenName[0] = "H7";
    auto err = StartProcess(s, named);
    ASSERT_TRUE(err);
    EXPECT_NE(err->message.find("H7"), std::string::npos);
    EXPECT_NE(err->message.find("\"abc\""), std::string::npos);
}

TEST(MultipletInput, JValuesBeyondTheCountAreNotRead) {
    SimulationState s;
    SimulationInput in = MakeInput({{"2500", {"7"}}});
    in.JText[0][1] = "garbage";  // box 2 is hidden with one J value
    EXPECT_FALSE(StartProcess(s, in));
}

TEST(BranchColours, SurviveARecalculationOfTheSameTreeOnly) {
    SimulationState s;
    SimulationInput in = MakeInput({{"2500", {"7", "3"}}});
    ASSERT_FALSE(StartProcess(s, in));
    s.StemColor[1][2][3] = 255;
    s.LinkColor[1][2][3] = 255;
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(s.StemColor[1][2][3], 255u);
    in.Text1[0] = "1";
    ASSERT_FALSE(StartProcess(s, in));
    in.Text1[0] = "2";
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(s.StemColor[1][2][3], 0u);
    EXPECT_EQ(s.LinkColor[1][2][3], 0u);
}
