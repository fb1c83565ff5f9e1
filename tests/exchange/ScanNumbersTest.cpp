#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "exchange/ScanNumbers.h"

namespace {

// The fast scanner must agree with sscanf on every text a file may hold, quirks included
// ("infinit", which scanf refuses half-read, is the one form left out).
TEST(ScanNumbersTest, DoublesAgreeWithScanf) {
    const char* texts[] = {
        "1",     " \t12.5x",  "+3",     "-0",    "1.",    ".5",      "1e3",
        "1E-2 ", "1e",        "-.5e+2", "+-1",   "x1",    "",        "   ",
        "inf",   "-Infinity", "nan",    "0x1p3", "1e999", "-1e-400", "5420000.123456789",
        "12,5",  "+.e1",      "."};
    for (const char* t : texts) {
        double expected = -12345.0;
        int consumed = 0;
        const int n = std::sscanf(t, "%lf%n", &expected, &consumed);
        std::string_view view(t);
        double got = -12345.0;
        const bool ok = ScanDouble(view, got);
        EXPECT_EQ(ok, n == 1) << '"' << t << '"';
        if (ok && n == 1) {
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(got)) << t;
            } else {
                EXPECT_EQ(got, expected) << t;
            }
            EXPECT_EQ(view.data() - t, consumed) << t;
        } else {
            EXPECT_EQ(view.data(), t) << t;  // nothing consumed
        }
    }
}

// Plain decimals take a shortcut; it must give strtod's value to the bit and stop where strtod
// stops, at the limits of the shortcut (19 digits, 2^53, 22 decimals) and beyond them.
TEST(ScanNumbersTest, PlainDecimalsAgreeWithStrtod) {
    std::mt19937 rng(2024);
    std::vector<std::string> texts = {"9007199254740992",
                                      "9007199254740993",
                                      "9007199254740991.5",
                                      "0.9007199254740993",
                                      "1234567890123456789",
                                      "12345678901234567890",
                                      "0.0000000000000000001",
                                      "0.00000000000000000000001",
                                      "4503599627370496.5",
                                      "5420000.125",
                                      "6310000.999999999999",
                                      "0000000000000001",
                                      "1.7976931348623157",
                                      "00000.",
                                      "7.",
                                      ".0000001"};
    const char* tails[] = {"", " 5", "x", ".", ".5", ",1", "\t", "-", "e", "E+", "e7"};
    std::uniform_int_distribution<int> digit(0, 9), length(1, 24), tail(0, 10), coin(0, 3);
    for (int i = 0; i < 20000; ++i) {
        std::string t;
        const int n = length(rng);
        const int point = coin(rng) == 0 ? -1 : std::uniform_int_distribution<int>(0, n)(rng);
        for (int k = 0; k < n; ++k) {
            if (k == point) {
                t += '.';
            }
            t += static_cast<char>('0' + digit(rng));
        }
        if (point == n) {
            t += '.';
        }
        texts.push_back(t + tails[tail(rng)]);
    }
    for (const std::string& t : texts) {
        for (const std::string& signed_ : {t, "-" + t}) {
            char* end = nullptr;
            const double expected = std::strtod(signed_.c_str(), &end);
            std::string_view view(signed_);
            double got = 0.0;
            ASSERT_TRUE(ScanDouble(view, got)) << signed_;
            ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << signed_;
            // A dangling exponent is taken as scanf takes it; otherwise strtod's end.
            if (*end != 'e' && *end != 'E') {
                ASSERT_EQ(view.data(), end) << signed_;
            }
        }
    }
}

// Instrument words take their own shortcut: where it answers, ScanDouble gives the same value
// (the sign of zero included); everything else is left to ScanDouble.
TEST(ScanNumbersTest, SignedSixteenDigitsAgreeWithScanDouble) {
    std::vector<std::string> taken = {"+0000000000012345", "-0000000000000000",
                                      "+0000000000000000", "+9007199254740992",
                                      "-9007199254740992", "-0000001234567890"};
    std::mt19937_64 rng(5);
    for (int i = 0; i < 2000; ++i) {
        const unsigned long long m = rng() % 9007199254740993ULL;
        char text[32];
        std::snprintf(text, sizeof text, "%c%016llu", i % 2 ? '-' : '+', m);
        taken.emplace_back(text);
    }
    for (const std::string& t : taken) {
        double fast = 0.5, general = 0.25;
        ASSERT_TRUE(ScanSignedSixteenDigits(t, fast)) << t;
        std::string_view view(t);
        ASSERT_TRUE(ScanDouble(view, general)) << t;
        EXPECT_EQ(fast, general) << t;
        EXPECT_EQ(std::signbit(fast), std::signbit(general)) << t;
    }
    for (const char* t :
         {"+9007199254740993", "+9999999999999999", "0000000000012345+", " 000000000012345",
          "+000000000001234", "+00000000000123456", "+00000000/0012345", "+0000000:00012345",
          "+000000000001234 ", "++000000000012345", "+0000000000012.45", "", "+"}) {
        double out = 0.5;
        EXPECT_FALSE(ScanSignedSixteenDigits(t, out)) << '"' << t << '"';
        EXPECT_EQ(out, 0.5) << t;
    }
}

TEST(ScanNumbersTest, IntsStopAtFullStop) {
    std::string_view t = " 7 1 2 3.5";
    int v[4];
    for (int& x : v) {
        ASSERT_TRUE(ScanInt(t, x));
    }
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[3], 3);
    EXPECT_EQ(t, ".5");
    int x = 0;
    EXPECT_FALSE(ScanInt(t, x));

    std::string_view plus = "+42";
    EXPECT_TRUE(ScanInt(plus, x));
    EXPECT_EQ(x, 42);
    std::string_view big = "99999999999";
    EXPECT_FALSE(ScanInt(big, x));
    std::string_view minInt = "-2147483648";
    EXPECT_TRUE(ScanInt(minInt, x));
    EXPECT_EQ(x, -2147483647 - 1);
    std::string_view sign = "- 5";
    EXPECT_FALSE(ScanInt(sign, x));

    // Around the nine digits read without the general conversion, and the ends of int.
    const struct {
        const char* text;
        bool ok;
        int value;
        size_t rest;
    } cases[] = {
        {"999999999", true, 999999999, 0},     {"-999999999 1", true, -999999999, 2},
        {"1000000000", true, 1000000000, 0},   {"2147483647x", true, 2147483647, 1},
        {"2147483648", false, 0, 0},           {"-2147483649", false, 0, 0},
        {"000000000012.5", true, 12, 2},       {"0000000001234567890", true, 1234567890, 0},
        {"12345678901234567890", false, 0, 0}, {"-0", true, 0, 0},
    };
    for (const auto& c : cases) {
        std::string_view view = c.text;
        int got = -7;
        ASSERT_EQ(ScanInt(view, got), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(got, c.value) << c.text;
            EXPECT_EQ(view.size(), c.rest) << c.text;
        } else {
            EXPECT_EQ(got, -7) << c.text;
            EXPECT_EQ(view, c.text);
        }
    }
}

// Ints of every length from 1 to 12 digits (leading zeros included), with white space and a
// sign before them and anything after, against strtoll and the ends of int: the nine-digit
// shortcut and the general conversion meet around ten digits.
TEST(ScanNumbersTest, IntsAgreeWithStrtoll) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> digit(0, 9), length(1, 12), pick(0, 5);
    const char* heads[] = {"", " ", "\t ", "+", "-", " -"};
    const char* tails[] = {"", " 5 6 7 8 9", ".5", "x", "\xc3\xa9", "-3"};
    for (int i = 0; i < 20000; ++i) {
        std::string number;
        const int n = length(rng);
        for (int k = 0; k < n; ++k) {
            number += static_cast<char>('0' + digit(rng));
        }
        const std::string text = std::string(heads[pick(rng)]) + number + tails[pick(rng)];
        char* end = nullptr;
        const long long expected = std::strtoll(text.c_str(), &end, 10);
        const bool fits = expected >= -2147483648LL && expected <= 2147483647LL;
        std::string_view view(text);
        int got = -7;
        ASSERT_EQ(ScanInt(view, got), fits) << '"' << text << '"';
        if (fits) {
            ASSERT_EQ(got, expected) << text;
            ASSERT_EQ(view.data(), end) << text;
        } else {
            ASSERT_EQ(got, -7) << text;
            ASSERT_EQ(view.data(), text.data()) << text;
        }
    }
}

TEST(ScanNumbersTest, LongNumbersStayWhole) {
    // Out-of-range values longer than any buffer are still one number each.
    const std::string digits(1000, '9');
    const std::string tiny = "0." + std::string(600, '0') + "1";
    double v[3] = {0, 0, 0};
    EXPECT_EQ(ScanDoubles(digits + " 5", v, 3), 2);
    EXPECT_TRUE(std::isinf(v[0]));
    EXPECT_EQ(v[1], 5.0);
    EXPECT_EQ(ScanDoubles(tiny + " 5", v, 3), 2);
    double expected = 0;
    std::sscanf(tiny.c_str(), "%lf", &expected);
    EXPECT_EQ(v[0], expected);
    EXPECT_EQ(v[1], 5.0);
}

TEST(ScanNumbersTest, RowsAndBlanks) {
    double v[4] = {0, 0, 0, 0};
    EXPECT_EQ(ScanDoubles("1 2 3", v, 4), 3);
    EXPECT_EQ(v[2], 3.0);
    EXPECT_EQ(ScanDoubles("1 a 3", v, 4), 1);
    EXPECT_EQ(ScanDoubles("", v, 4), 0);
    EXPECT_TRUE(IsBlank(" \t\r"));
    EXPECT_FALSE(IsBlank(" x"));
}

}  // namespace
