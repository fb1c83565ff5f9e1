#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "support/Describe.h"
#include "tools/core/NumberText.h"

namespace {

// A refused text leaves the value alone.
TEST(ParseNumberTextTest, AcceptsOnlyOneDecimalNumber) {
    const struct {
        const char* name;
        const char* text;
        const char* value;
    } cases[] = {
        {"Plain", "12.5", "12.5"},
        {"Zero", "0", "0"},
        {"ZeroPointZero", "0.0", "0"},
        {"ExponentWithBlanks", " -3e2 ", "-300"},
        {"TabsAround", "\t7\t", "7"},
        {"PlusSign", "+4", "4"},
        {"Letters", "abc", "refused"},
        {"DecimalComma", "1,5", "refused"},
        {"TrailingLetter", "12x", "refused"},
        {"NegativeZero", "-0", "refused"},
        {"DotZero", ".0", "refused"},
        {"Hexadecimal", "0x10", "refused"},
        {"Infinity", "inf", "refused"},
        {"NotANumber", "nan", "refused"},
        {"Overflow", "1e400", "refused"},
        {"Empty", "", "refused"},
        {"Blanks", "   ", "refused"},
        {"DoubleSign", "+-1", "refused"},
        {"ThirtyOneChars", "0000000000000000000000000000012", "12"},
        {"ThirtyTwoChars", "00000000000000000000000000000012", "refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double v = 777.0;
        const bool accepted = ParseNumberText(c.text, v);
        EXPECT_EQ(accepted ? Num(v) : "refused", c.value);
        EXPECT_TRUE(accepted || v == 777.0);
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
