// Journal text: the line a paper prints for each hydrogen, and the reader
// that takes such lines (in their common variants) back into the boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/journal_text.h"
#include "analysis/multiplet_analysis.h"
#include "core/number_text.h"

namespace quble::analysis {
namespace {

const std::string kD = "\xCE\xB4";  // δ

TEST(JournalText, LinesGroupEqualCouplingsLargestFirst) {
    EXPECT_EQ(JournalLine({1712.0, {3.3, 8.4, 3.3}, 1}, 400.0), kD + " 4.28 (dt, J = 8.4, 3.3 Hz, 1H)");
    EXPECT_EQ(JournalLine({1000.0, {}, 3}, 400.0), kD + " 2.50 (s, 3H)");
    // Equal at the printed 0.1 Hz is equal; 7 lines of six equal couplings a septet.
    EXPECT_EQ(JournalLine({800.0, {7.04, 6.96}, 1}, 400.0), kD + " 2.00 (t, J = 7.0 Hz, 1H)");
    EXPECT_EQ(JournalLine({800.0, std::vector<double>(6, 6.8), 1}, 400.0), kD + " 2.00 (hept, J = 6.8 Hz, 1H)");
    EXPECT_EQ(JournalLine({1200.0, {10.0, 9.0, 3.0}, 1}, 600.0), kD + " 2.00 (ddd, J = 10.0, 9.0, 3.0 Hz, 1H)");
    const std::vector<JournalHydrogen> two{{1712.0, {8.4}, 1}, {840.0, {7.0, 7.0, 7.0}, 1}};
    EXPECT_EQ(JournalText(two, 400.0), kD + " 4.28 (d, J = 8.4 Hz, 1H)\n" + kD + " 2.10 (q, J = 7.0 Hz, 1H)");
}

TEST(JournalText, ReadsTheCommonVariants) {
    struct Case {
        std::string text;
        double shiftHz;
        std::vector<double> j;
    };
    const std::vector<Case> cases{
        {kD + " 4.28 (dt, J = 8.4, 3.3 Hz, 1H)", 1712.0, {8.4, 3.3, 3.3}},
        {"4.28 (1H, dt, J = 8.4, 3.3 Hz)", 1712.0, {8.4, 3.3, 3.3}},
        {"4.28 (dt, J = 8.4 and 3.3 Hz, 1H)", 1712.0, {8.4, 3.3, 3.3}},
        {"4.28 (dt, J=8.4,3.3Hz, 1H)", 1712.0, {8.4, 3.3, 3.3}},
        {"4.28 ppm (td, J = 8.4, 3.3 Hz)", 1712.0, {8.4, 8.4, 3.3}},
        {"1712.5 Hz (d, J = 8.4 Hz)", 1712.5, {8.4}},
        {"2.50 (s, 3H)", 1000.0, {}},
        // The couplings of a ddd may be listed one by one.
        {"4.28 (ddd, J = 9.0, 3.0, 1.0 Hz)", 1712.0, {9.0, 3.0, 1.0}},
    };
    for (const Case& c : cases) {
        const JournalParse p = ParseJournalText(c.text, 400.0);
        ASSERT_TRUE(p.ok) << c.text << ": " << p.error;
        ASSERT_EQ(p.hydrogens.size(), 1u) << c.text;
        EXPECT_NEAR(p.hydrogens[0].shiftHz, c.shiftHz, 1e-9) << c.text;
        EXPECT_EQ(p.hydrogens[0].jHz, c.j) << c.text;
    }
    // Several multiplets, one per line or after a heading.
    const JournalParse many =
        ParseJournalText("1H NMR (400 MHz, CDCl3) " + kD + " 4.28 (dt, J = 8.4, 3.3 Hz, 1H), 2.10 (q, J = 7.0 Hz, 2H)",
                         400.0);
    ASSERT_TRUE(many.ok) << many.error;
    ASSERT_EQ(many.hydrogens.size(), 2u);
    EXPECT_EQ(many.hydrogens[1].protons, 2);
    EXPECT_EQ(many.hydrogens[1].jHz, (std::vector<double>{7.0, 7.0, 7.0}));
}

TEST(JournalText, NamesWhatItCannotReadAndLeavesTheBoxes) {
    struct Bad {
        std::string text, part;
    };
    const std::vector<Bad> bad{
        {"4.28 (dt, J = eight Hz)", "J = eight Hz"},
        {"4.28 (dt, J = 8.4 Hz)", "4.28 (dt, J = 8.4 Hz)"},    // dt needs two couplings
        {"4.40-4.20 (m, 2H)", "4.40-4.20 (m, 2H)"},
        {"four (d, J = 8 Hz)", "four (d, J = 8 Hz)"},
        {"4.28 (d, J = 8.4 Hz, blue)", "blue"},
    };
    for (const Bad& b : bad) {
        const JournalParse p = ParseJournalText(b.text, 400.0);
        EXPECT_FALSE(p.ok) << b.text;
        EXPECT_FALSE(p.error.empty()) << b.text;
        EXPECT_EQ(p.part, b.part) << b.text;
        SimulationInput in;
        in.Text6[0] = "1234";
        EXPECT_FALSE(ApplyJournalToInput(p, in));
        EXPECT_EQ(in.Text6[0], "1234");
    }
    // Five multiplets do not fit the four hydrogens.
    const JournalParse five = ParseJournalText("1 (s), 2 (s), 3 (s), 4 (s), 5 (s)", 400.0);
    SimulationInput in;
    EXPECT_FALSE(five.ok && ApplyJournalToInput(five, in));
    EXPECT_EQ(in.Text2, "1");
}

TEST(JournalText, OutAndBackInGivesTheSameBoxes) {
    SimulationInput in;
    in.Text2 = "2";
    in.Text6 = {"1712", "840", "2500", "2500"};
    in.Text1 = {"3", "3", "1", "1"};
    in.JText[0] = {"8.4", "3.3", "3.3", "0", "0", "0", "0", "0", "0", "0"};
    in.JText[1] = {"7", "7", "7", "0", "0", "0", "0", "0", "0", "0"};
    std::vector<JournalHydrogen> hs;
    std::string error;
    ASSERT_TRUE(HydrogensFromInput(in, &hs, &error)) << error;
    const std::string text = JournalText(hs, 400.0);
    SimulationInput back;
    const JournalParse p = ParseJournalText(text, 400.0);
    ASSERT_TRUE(ApplyJournalToInput(p, back)) << p.error;
    EXPECT_EQ(back.Text2, in.Text2);
    for (int h = 0; h < 2; ++h) {
        EXPECT_EQ(back.Text6[h], in.Text6[h]);
        EXPECT_EQ(back.Text1[h], in.Text1[h]);
        EXPECT_EQ(back.JText[h], in.JText[h]);
    }
    // A box that is not a number is named by its hydrogen.
    in.HydrogenName[1] = "H7";
    in.JText[1][2] = "7,x";
    EXPECT_FALSE(HydrogensFromInput(in, &hs, &error));
    EXPECT_EQ(error, "J3 of H7 \"7,x\" is not a number.");
}

TEST(JournalText, ResultTextsAndTheFrequencyTakeEitherSeparator) {
    MultipletAnalysis a;
    a.firstOrder = true;
    a.multiplicity = "dt";
    a.centreHz = 1712.004;
    a.centrePpm = 4.28001;
    a.jHz = {8.4, 3.3};
    a.jCount = {1, 2};
    a.jSdHz = {0.021, -0.0001};
    a.confidence = 0.966;
    const MultipletTexts t = DescribeAnalysis(a, ',');
    EXPECT_EQ(t.centre, kD + " 4,2800 ppm (1712,00 Hz)");
    EXPECT_EQ(t.couplings, "8,40 \xC2\xB1 0,02 Hz, 3,30 \xC2\xB1 0,00 Hz (\xC3\x97" "2)");
    EXPECT_EQ(t.confidence, "0,97");
    MultipletAnalysis noise;
    noise.fromPpm = 1.2;
    noise.toPpm = 1.1;
    EXPECT_EQ(DescribeAnalysis(noise, '.').multiplicity, "m (no first-order pattern explains 1.200 to 1.100 ppm)");
    EXPECT_EQ(DescribeAnalysis(noise, '.').couplings, "none");

    EXPECT_EQ(ParseSpectrometerMHz(" 400 "), 400.0);
    EXPECT_EQ(ParseSpectrometerMHz("600,13"), 600.13);
    EXPECT_EQ(ParseSpectrometerMHz("499.87"), 499.87);
    for (const char* bad : {"", "fast", "0.5", "20000", "400 MHz", "4,0.0"})
        EXPECT_FALSE(ParseSpectrometerMHz(bad).has_value()) << bad;
}

}  // namespace
}  // namespace quble::analysis
