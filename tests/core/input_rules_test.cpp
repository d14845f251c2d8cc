#include "simulator/input_rules.h"

#include <gtest/gtest.h>

using namespace quble;

TEST(CountBoxes, ClampAndRoundHalfToEven) {
    EXPECT_EQ(ParseCount("7", 1, 4), 4);
    EXPECT_EQ(ParseCount("0", 1, 4), 1);
    EXPECT_EQ(ParseCount("abc", 1, 4), 1);
    EXPECT_EQ(ParseCount("", 1, 4), 1);
    EXPECT_EQ(ParseCount("2.5", 1, 4), 2);
    EXPECT_EQ(ParseCount("3.5", 1, 4), 4);
    EXPECT_EQ(ParseCount("1.5", 1, 4), 2);
    EXPECT_EQ(ParseCount("  3xyz", 1, 4), 3);   // leading number only
    EXPECT_EQ(ParseCount("12", 1, 10), 10);
    EXPECT_EQ(ParseCount("0", 1, 10), 1);
    EXPECT_EQ(ParseCount("9.5", 1, 10), 10);
    EXPECT_EQ(ParseCount("8.5", 1, 10), 8);
    // The count is read with "." whatever the locale: "2,7" is 2.
    EXPECT_EQ(ParseCount("2,7", 1, 4), 2);
}

TEST(CountBoxes, ValuesBeyondSixteenBitsClampInsteadOfWrapping) {
    EXPECT_EQ(ParseCount("70000", 1, 4), 4);
    EXPECT_EQ(ParseCount("65539", 1, 10), 10);  // would wrap to 3 in 16 bits
    EXPECT_EQ(ParseCount("-40000", 1, 4), 1);
    EXPECT_EQ(ParseCount("1e300", 1, 4), 4);
    EXPECT_EQ(ParseCount("1e999", 1, 4), 4);
    EXPECT_EQ(ParseCount("-1e999", 1, 4), 1);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(1.5), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
    EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5001), 3.0);
}

TEST(DecimalSeparator, FoundFromFormattedHalf) {
    EXPECT_EQ(DecSepFromFormattedHalf("0,5"), ',');
    EXPECT_EQ(DecSepFromFormattedHalf("0.5"), '.');
    EXPECT_EQ(DecSepFromFormattedHalf(""), '.');
}

TEST(DecimalSeparator, RepairReplacesOnlyTheFirstWrongSeparator) {
    EXPECT_EQ(RepairSeparator("7.2", ','), "7,2");
    EXPECT_EQ(RepairSeparator("7,2", '.'), "7.2");
    EXPECT_EQ(RepairSeparator("7.2.3", ','), "7,2.3");
    EXPECT_EQ(RepairSeparator("7,2", ','), "7,2");
    EXPECT_EQ(RepairSeparator("", '.'), "");
}

TEST(LocaleNumbers, ParseOnlyWholeNumbersInTheLocaleForm) {
    EXPECT_DOUBLE_EQ(*ParseLocaleNumber("7,25", ','), 7.25);
    EXPECT_DOUBLE_EQ(*ParseLocaleNumber(" -3.5 ", '.'), -3.5);
    EXPECT_DOUBLE_EQ(*ParseLocaleNumber("+2", '.'), 2.0);
    EXPECT_DOUBLE_EQ(*ParseLocaleNumber("1e3", '.'), 1000.0);
    EXPECT_DOUBLE_EQ(*ParseLocaleNumber(".5", '.'), 0.5);
    EXPECT_DOUBLE_EQ(*ParseLocaleNumber("5.", '.'), 5.0);
    EXPECT_FALSE(ParseLocaleNumber("7.25", ','));
    EXPECT_FALSE(ParseLocaleNumber("7,25", '.'));
    EXPECT_FALSE(ParseLocaleNumber("", '.'));
    EXPECT_FALSE(ParseLocaleNumber("   ", '.'));
    EXPECT_FALSE(ParseLocaleNumber("abc", '.'));
    EXPECT_FALSE(ParseLocaleNumber("7x", '.'));
    EXPECT_FALSE(ParseLocaleNumber("1.2.3", '.'));
    EXPECT_FALSE(ParseLocaleNumber("inf", '.'));
    EXPECT_FALSE(ParseLocaleNumber("nan", '.'));
    EXPECT_FALSE(ParseLocaleNumber("-", '.'));
    EXPECT_FALSE(ParseLocaleNumber("1e999", '.'));
}

TEST(LocaleNumbers, FormatShortestWithTheSeparator) {
    EXPECT_EQ(FormatNumber(0.1f, '.'), "0.1");
    EXPECT_EQ(FormatNumber(0.1f, ','), "0,1");
    EXPECT_EQ(FormatNumber(1869.25f, ','), "1869,25");
    EXPECT_EQ(FormatNumber(2500.0f, '.'), "2500");
    EXPECT_EQ(FormatNumber(-0.0f, '.'), "0");
    EXPECT_EQ(FormatNumber(0.3f, '.'), "0.3");  // not 0.300000012
}

TEST(WidthAndResolution, RepairsFollowTheRules) {
    EXPECT_EQ(*RepairWidth("", '.'), "0.1");
    EXPECT_EQ(*RepairWidth("0.05", '.'), "0.1");
    EXPECT_EQ(*RepairWidth("0,05", ','), "0,1");
    EXPECT_EQ(*RepairWidth("-3", '.'), "0.1");
    EXPECT_EQ(*RepairWidth("0.1", '.'), "0.1");
    EXPECT_EQ(*RepairWidth("1.5", '.'), "1.5");
    EXPECT_FALSE(RepairWidth("wide", '.'));

    EXPECT_EQ(*RepairResolution("", "1", '.'), "0.01");
    EXPECT_EQ(*RepairResolution("2", "1", '.'), "1");
    EXPECT_EQ(*RepairResolution("1", "1", '.'), "1");
    EXPECT_EQ(*RepairResolution("0.5", "1", '.'), "0.5");
    EXPECT_EQ(*RepairResolution("2,5", "1,5", ','), "1,5");
    EXPECT_FALSE(RepairResolution("fine", "1", '.'));
}
