#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "tools/core/NumberText.h"

namespace {

struct SParseCase {
    const char* name;
    const char* text;
    bool accepted;
    double value;
};

const SParseCase kParseNumberTextTestCases[] = {
    {"Plain", "12.5", true, 12.5},
    {"Zero", "0", true, 0.0},
    {"ZeroPointZero", "0.0", true, 0.0},
    {"ExponentWithBlanks", " -3e2 ", true, -300.0},
    {"TabsAround", "\t7\t", true, 7.0},
    {"PlusSign", "+4", true, 4.0},
    {"Letters", "abc", false, 0},
    {"DecimalComma", "1,5", false, 0},
    {"TrailingLetter", "12x", false, 0},
    {"NegativeZero", "-0", false, 0},
    {"DotZero", ".0", false, 0},
    {"Hexadecimal", "0x10", false, 0},
    {"Infinity", "inf", false, 0},
    {"NotANumber", "nan", false, 0},
    {"Overflow", "1e400", false, 0},
    {"Empty", "", false, 0},
    {"Blanks", "   ", false, 0},
    {"DoubleSign", "+-1", false, 0},
    {"ThirtyOneChars", "0000000000000000000000000000012", true, 12.0},
    {"ThirtyTwoChars", "00000000000000000000000000000012", false, 0},
};

TEST(ParseNumberTextTest, AcceptsOnlyOneDecimalNumber) {
    for (const SParseCase& c : kParseNumberTextTestCases) {
        SCOPED_TRACE(c.name);
        double v = 777.0;
        EXPECT_EQ(ParseNumberText(c.text, v), c.accepted) << '"' << c.text << '"';
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(v, c.value);
        } else {
            EXPECT_EQ(v, 777.0) << "a refused text must not change the value";
        }
    }
}

TEST(NumberFormatTest, FixedAndG15UseTheDotAndRound) {
    EXPECT_EQ(FormatFixed(12.5, 3), "12.500");
    EXPECT_EQ(FormatFixed(1.005, 2), "1.00");  // the double lies below 1.005
    EXPECT_EQ(FormatFixed(-2.0 / 3.0, 2), "-0.67");
    EXPECT_EQ(FormatFixed(1e300 * 1e300, 3), "0");
    EXPECT_EQ(FormatG15(0.1), "0.1");
    EXPECT_EQ(FormatG15(1e-10), "1e-10");
    EXPECT_EQ(FormatG15(1234567890123456789.0), "1.23456789012346e+18");
    // The range message names both ends.
    EXPECT_EQ(RangeMessage(1e-10, 1e10), "Wprowadź liczbę z zakresu od 1e-10 do 10000000000.");
    EXPECT_EQ(RangeMessage(0, 360), "Wprowadź liczbę z zakresu od 0 do 360.");
}

// A process whose C library locale uses a decimal comma still reads and writes the dot.
TEST(NumberFormatTest, IndependentOfTheCLocale) {
    const char* polish = nullptr;
    for (const char* name : {"pl_PL.UTF-8", "pl_PL.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            polish = name;
            break;
        }
    }
    if (polish == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    double v = 0;
    const bool parsed = ParseNumberText("12.5", v);
    const std::string shown = FormatFixed(12.5, 3);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_TRUE(parsed);
    EXPECT_EQ(v, 12.5);
    EXPECT_EQ(shown, "12.500");
}

}  // namespace
