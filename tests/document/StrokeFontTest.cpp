#include "document/StrokeFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct SPoint {
    double x;
    double y;
    bool operator==(const SPoint&) const = default;
};

using Strip = std::vector<SPoint>;
using Glyph = std::vector<Strip>;

struct SParsed {
    std::vector<Glyph> glyphs;
    size_t pairsUsed = 0;
    std::string error;  // first format violation, empty when none
};

// Splits a table the way the display-list builder walks it, checking the format on the way.
SParsed Parse(int font) {
    SParsed out;
    size_t pairCount = 0;
    const double* t = GetStrokeFontTable(font, pairCount);
    Glyph glyph;
    Strip strip;
    bool afterTerminator = false;
    size_t i = 0;
    for (; i < pairCount; ++i) {
        const SPoint p{t[2 * i], t[2 * i + 1]};
        if (p.x == -1.0 && p.y == -1.0) {
            if (afterTerminator) {
                out.glyphs.push_back(glyph);
                glyph.clear();
                afterTerminator = false;
                continue;
            }
            // An empty strip is only allowed as the whole of an empty glyph.
            if (strip.empty() && !glyph.empty() && out.error.empty()) {
                out.error = "empty strip at pair " + std::to_string(i);
            }
            if (strip.size() == 1 && out.error.empty()) {
                out.error = "one-vertex strip at pair " + std::to_string(i);
            }
            if (!strip.empty()) {
                glyph.push_back(strip);
            }
            strip.clear();
            afterTerminator = true;
            continue;
        }
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            if (out.error.empty()) {
                out.error = "non-finite value at pair " + std::to_string(i);
            }
        }
        strip.push_back(p);
        afterTerminator = false;
    }
    if (!strip.empty() || afterTerminator) {
        out.error = "table does not end with a glyph terminator";
    }
    out.pairsUsed = i;
    return out;
}

const SParsed& Parsed(int font) {
    static const std::vector<SParsed> all = [] {
        std::vector<SParsed> v;
        for (int f = 0; f < kStrokeFontCount; ++f) {
            v.push_back(Parse(f));
        }
        return v;
    }();
    return all[font];
}

const Glyph& GlyphOf(int font, unsigned char code) {
    return Parsed(font).glyphs.at(code);
}

std::vector<SPoint> Vertices(const Glyph& g) {
    std::vector<SPoint> v;
    for (const Strip& s : g) {
        v.insert(v.end(), s.begin(), s.end());
    }
    return v;
}

double MinX(const Glyph& g) {
    double m = std::numeric_limits<double>::infinity();
    for (const SPoint& p : Vertices(g)) {
        m = std::min(m, p.x);
    }
    return m;
}

double MinY(const Glyph& g) {
    double m = std::numeric_limits<double>::infinity();
    for (const SPoint& p : Vertices(g)) {
        m = std::min(m, p.y);
    }
    return m;
}

double MaxY(const Glyph& g) {
    double m = -std::numeric_limits<double>::infinity();
    for (const SPoint& p : Vertices(g)) {
        m = std::max(m, p.y);
    }
    return m;
}

const CStrokeFontMetrics& M() {
    return CStrokeFontMetrics::Get();
}

// --- Table format, per font -----------------------------------------------------------------

class StrokeFontTableTest : public ::testing::TestWithParam<int> {};

TEST_P(StrokeFontTableTest, HoldsExactly256WellFormedGlyphs) {
    const int font = GetParam();
    size_t pairCount = 0;
    ASSERT_NE(GetStrokeFontTable(font, pairCount), nullptr);
    const SParsed& parsed = Parsed(font);
    EXPECT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.glyphs.size(), 256u);
    EXPECT_EQ(parsed.pairsUsed, pairCount);
}

TEST_P(StrokeFontTableTest, VerticesStayClearOfTheTerminator) {
    // x >= 0 and y above -0.34 keep every real vertex away from (-1, -1).
    const int font = GetParam();
    for (int code = 0; code < 256; ++code) {
        for (const SPoint& p : Vertices(GlyphOf(font, static_cast<unsigned char>(code)))) {
            EXPECT_GE(p.x, 0.0) << "code " << code;
            EXPECT_GE(p.y, -0.34) << "code " << code;
            EXPECT_LE(p.y, 1.4) << "code " << code;
        }
    }
}

TEST_P(StrokeFontTableTest, GlyphsStartAtTheOrigin) {
    const int font = GetParam();
    for (int code = 0; code < 256; ++code) {
        const Glyph& g = GlyphOf(font, static_cast<unsigned char>(code));
        if (!g.empty()) {
            EXPECT_NEAR(MinX(g), 0.0, 1e-12) << "code " << code;
        }
    }
}

TEST_P(StrokeFontTableTest, MetricsMatchTheTable) {
    const int font = GetParam();
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<unsigned char>(code);
        const std::vector<SPoint> v = Vertices(GlyphOf(font, c));
        EXPECT_EQ(M().GlyphVertexCount(font, c), static_cast<int>(v.size())) << "code " << code;
        EXPECT_LE(M().GlyphVertexCount(font, c), M().MaxGlyphVertexCount());
        if (v.empty() || code == ' ') {
            continue;
        }
        double maxX = 0.0;
        for (const SPoint& p : v) {
            maxX = std::max(maxX, p.x);
        }
        EXPECT_DOUBLE_EQ(M().GlyphWidth(font, c), maxX) << "code " << code;
        EXPECT_DOUBLE_EQ(M().GlyphHeight(font, c), MaxY(GlyphOf(font, c)) - MinY(GlyphOf(font, c)))
            << "code " << code;
    }
}

TEST_P(StrokeFontTableTest, EveryPrintableAsciiCharacterHasStrokes) {
    const int font = GetParam();
    for (int code = 33; code <= 126; ++code) {
        EXPECT_GT(M().GlyphVertexCount(font, static_cast<unsigned char>(code)), 1)
            << "code " << code;
    }
}

TEST_P(StrokeFontTableTest, Proportions) {
    const int font = GetParam();
    const Glyph& h = GlyphOf(font, 'H');
    EXPECT_NEAR(MinY(h), 0.0, 1e-9);
    EXPECT_NEAR(MaxY(h), 1.0, 0.02);
    EXPECT_NEAR(M().GlyphHeight(font, 'H'), 1.0, 0.02);
    const Glyph& x = GlyphOf(font, 'x');
    EXPECT_NEAR(MinY(x), 0.0, 1e-9);
    EXPECT_NEAR(MaxY(x), 0.667, 0.01);
    EXPECT_NEAR(MinY(GlyphOf(font, 'p')), -0.333, 0.01);
    EXPECT_NEAR(MaxY(GlyphOf(font, 'p')), 0.667, 0.01);
    // Widths follow the letter shapes, not a fixed pitch.
    EXPECT_GT(M().GlyphWidth(font, 'M'), M().GlyphWidth(font, 'I') + 0.3);
}

INSTANTIATE_TEST_SUITE_P(Fonts, StrokeFontTableTest, ::testing::Values(0, 1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(GetStrokeFontName(info.param));
                         });

// --- Relations between the fonts ------------------------------------------------------------

struct SNarrowCase {
    const char* name;
    int wide;
    int narrow;
};

class StrokeFontNarrowTest : public ::testing::TestWithParam<SNarrowCase> {};

TEST_P(StrokeFontNarrowTest, IsTheWideFontScaledInX) {
    const SNarrowCase& c = GetParam();
    EXPECT_NEAR(M().GlyphWidth(c.narrow, 'M'), 0.85 * M().GlyphWidth(c.wide, 'M'), 1e-9);
    size_t wideCount = 0;
    size_t narrowCount = 0;
    const double* wide = GetStrokeFontTable(c.wide, wideCount);
    const double* narrow = GetStrokeFontTable(c.narrow, narrowCount);
    ASSERT_EQ(wideCount, narrowCount);
    for (size_t i = 0; i < wideCount; ++i) {
        const double wx = wide[2 * i];
        const double wy = wide[2 * i + 1];
        if (wx == -1.0 && wy == -1.0) {
            ASSERT_EQ(narrow[2 * i], -1.0) << "pair " << i;
            ASSERT_EQ(narrow[2 * i + 1], -1.0) << "pair " << i;
            continue;
        }
        ASSERT_NEAR(narrow[2 * i], 0.85 * wx, 1e-9) << "pair " << i;
        ASSERT_EQ(narrow[2 * i + 1], wy) << "pair " << i;
    }
    for (int code = 0; code < 256; ++code) {
        const auto ch = static_cast<unsigned char>(code);
        if (M().GlyphVertexCount(c.wide, ch) > 0 && code != ' ') {
            EXPECT_NEAR(M().GlyphWidth(c.narrow, ch), 0.85 * M().GlyphWidth(c.wide, ch), 1e-9);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, StrokeFontNarrowTest,
                         ::testing::Values(SNarrowCase{"Slanted", 0, 1},
                                           SNarrowCase{"Upright", 2, 3}),
                         [](const ::testing::TestParamInfo<SNarrowCase>& info) {
                             return std::string(info.param.name);
                         });

struct SSlantCase {
    int font;
    double expectedShift;  // x of the top of 'I' minus x of its bottom, per unit of height
};

class StrokeFontSlantTest : public ::testing::TestWithParam<SSlantCase> {};

TEST_P(StrokeFontSlantTest, StemOfCapitalIFollowsTheSlant) {
    const SSlantCase& c = GetParam();
    const std::vector<SPoint> v = Vertices(GlyphOf(c.font, 'I'));
    ASSERT_FALSE(v.empty());
    const auto [bottom, top] = std::minmax_element(
        v.begin(), v.end(), [](const SPoint& a, const SPoint& b) { return a.y < b.y; });
    const double shift = (top->x - bottom->x) / (top->y - bottom->y);
    EXPECT_NEAR(shift, c.expectedShift, 0.01);
    if (c.expectedShift > 0) {
        EXPECT_GT(top->x, bottom->x);
    }
}

const double kTan15 = std::tan(15.0 * 3.14159265358979323846 / 180.0);

INSTANTIATE_TEST_SUITE_P(Fonts, StrokeFontSlantTest,
                         ::testing::Values(SSlantCase{0, kTan15}, SSlantCase{1, 0.85 * kTan15},
                                           SSlantCase{2, 0.0}, SSlantCase{3, 0.0}),
                         [](const ::testing::TestParamInfo<SSlantCase>& info) {
                             return std::string(GetStrokeFontName(info.param.font));
                         });

// --- Polish letters ---------------------------------------------------------------------------

enum class EMark { kAbove, kBelow, kThrough };

struct SLetterCase {
    const char* name;
    unsigned char code;
    unsigned char base;
    EMark mark;
};

class StrokeFontPolishTest : public ::testing::TestWithParam<SLetterCase> {};

TEST_P(StrokeFontPolishTest, IsTheBaseLetterWithItsMark) {
    const SLetterCase& c = GetParam();
    for (int font = 0; font < kStrokeFontCount; ++font) {
        SCOPED_TRACE(GetStrokeFontName(font));
        const Glyph& letter = GlyphOf(font, c.code);
        const Glyph& base = GlyphOf(font, c.base);
        ASSERT_FALSE(letter.empty());
        EXPECT_NE(Vertices(letter), Vertices(base));
        EXPECT_GT(letter.size(), base.size());
        switch (c.mark) {
            case EMark::kAbove:  // acute or dot: higher, same baseline
                EXPECT_GT(MaxY(letter), MaxY(base) + 0.05);
                EXPECT_DOUBLE_EQ(MinY(letter), MinY(base));
                break;
            case EMark::kBelow:  // ogonek: below the baseline, same top
                EXPECT_LT(MinY(letter), MinY(base) - 0.1);
                EXPECT_GE(MinY(letter), -0.34);
                EXPECT_DOUBLE_EQ(MaxY(letter), MaxY(base));
                break;
            case EMark::kThrough:  // stroke across the stem, inside the letter's height
                EXPECT_DOUBLE_EQ(MinY(letter), MinY(base));
                EXPECT_DOUBLE_EQ(MaxY(letter), MaxY(base));
                break;
        }
        // The mark sits on the letter, not beside it: widths stay comparable.
        EXPECT_LT(M().GlyphWidth(font, c.code), M().GlyphWidth(font, c.base) + 0.3);
    }
}

INSTANTIATE_TEST_SUITE_P(Letters, StrokeFontPolishTest,
                         ::testing::Values(SLetterCase{"A_ogonek", 0xA5, 'A', EMark::kBelow},
                                           SLetterCase{"a_ogonek", 0xB9, 'a', EMark::kBelow},
                                           SLetterCase{"C_acute", 0xC6, 'C', EMark::kAbove},
                                           SLetterCase{"c_acute", 0xE6, 'c', EMark::kAbove},
                                           SLetterCase{"E_ogonek", 0xCA, 'E', EMark::kBelow},
                                           SLetterCase{"e_ogonek", 0xEA, 'e', EMark::kBelow},
                                           SLetterCase{"L_stroke", 0xA3, 'L', EMark::kThrough},
                                           SLetterCase{"l_stroke", 0xB3, 'l', EMark::kThrough},
                                           SLetterCase{"N_acute", 0xD1, 'N', EMark::kAbove},
                                           SLetterCase{"n_acute", 0xF1, 'n', EMark::kAbove},
                                           SLetterCase{"O_acute", 0xD3, 'O', EMark::kAbove},
                                           SLetterCase{"o_acute", 0xF3, 'o', EMark::kAbove},
                                           SLetterCase{"S_acute", 0x8C, 'S', EMark::kAbove},
                                           SLetterCase{"s_acute", 0x9C, 's', EMark::kAbove},
                                           SLetterCase{"Z_acute", 0x8F, 'Z', EMark::kAbove},
                                           SLetterCase{"z_acute", 0x9F, 'z', EMark::kAbove},
                                           SLetterCase{"Z_dot", 0xAF, 'Z', EMark::kAbove},
                                           SLetterCase{"z_dot", 0xBF, 'z', EMark::kAbove}),
                         [](const ::testing::TestParamInfo<SLetterCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(StrokeFontPolishTest, AcuteAndDotAboveAreDifferentMarks) {
    for (int font = 0; font < kStrokeFontCount; ++font) {
        EXPECT_NE(Vertices(GlyphOf(font, 0x8F)), Vertices(GlyphOf(font, 0xAF)));
        EXPECT_NE(Vertices(GlyphOf(font, 0x9F)), Vertices(GlyphOf(font, 0xBF)));
    }
}

TEST(StrokeFontCoverageTest, SignsSurveyorsWriteHaveStrokes) {
    // degree, plus-minus, multiplication, division, micro, section, euro
    for (unsigned char code : {0xB0, 0xB1, 0xD7, 0xF7, 0xB5, 0xA7, 0x80}) {
        for (int font = 0; font < kStrokeFontCount; ++font) {
            EXPECT_GT(M().GlyphVertexCount(font, code), 1) << "code " << int(code);
        }
    }
}

// --- Metrics and measuring ------------------------------------------------------------------

TEST(StrokeFontMetricsTest, BlanksAndEmptyGlyphs) {
    for (int font = 0; font < kStrokeFontCount; ++font) {
        // space, a control code, an undefined code, the no-break space
        for (unsigned char code : {0x20, 0x00, 0x81, 0xA0}) {
            EXPECT_EQ(M().GlyphWidth(font, code), 0.55) << "code " << int(code);
            EXPECT_EQ(M().GlyphHeight(font, code), 0.0) << "code " << int(code);
            EXPECT_EQ(M().GlyphVertexCount(font, code), 0) << "code " << int(code);
        }
    }
}

TEST(StrokeFontMetricsTest, MaxGlyphVertexCountIsReachedBySomeGlyph) {
    int best = 0;
    for (int font = 0; font < kStrokeFontCount; ++font) {
        for (int code = 0; code < 256; ++code) {
            best = std::max(best, M().GlyphVertexCount(font, static_cast<unsigned char>(code)));
        }
    }
    EXPECT_EQ(M().MaxGlyphVertexCount(), best);
    EXPECT_GT(best, 20);
}

TEST(StrokeFontMetricsTest, OutOfRangeFontIndicesUseTheLastFont) {
    size_t count3 = 0;
    size_t count = 0;
    const double* table3 = GetStrokeFontTable(3, count3);
    for (int font : {4, 7, -1, 1000}) {
        EXPECT_EQ(GetStrokeFontTable(font, count), table3);
        EXPECT_EQ(count, count3);
        EXPECT_STREQ(GetStrokeFontName(font), "font4_085");
        EXPECT_EQ(M().GlyphWidth(font, 'W'), M().GlyphWidth(3, 'W'));
        double w = 0;
        double h = 0;
        double w3 = 0;
        double h3 = 0;
        M().MeasureString("Zażółć", font, w, h);
        M().MeasureString("Zażółć", 3, w3, h3);
        EXPECT_EQ(w, w3);
        EXPECT_EQ(h, h3);
    }
    EXPECT_NE(M().GlyphWidth(2, 'W'), M().GlyphWidth(3, 'W'));
}

TEST(StrokeFontMetricsTest, FontNames) {
    EXPECT_STREQ(GetStrokeFontName(0), "font1_10i");
    EXPECT_STREQ(GetStrokeFontName(1), "font2_085i");
    EXPECT_STREQ(GetStrokeFontName(2), "font3_10");
    EXPECT_STREQ(GetStrokeFontName(3), "font4_085");
}

struct SMeasureCase {
    const char* name;
    std::string utf8;
    std::string codes;  // the same text in Windows-1250
};

class StrokeFontMeasureTest : public ::testing::TestWithParam<SMeasureCase> {};

TEST_P(StrokeFontMeasureTest, SumsAdvancesOfTheWindows1250Codes) {
    const SMeasureCase& c = GetParam();
    for (int font = 0; font < kStrokeFontCount; ++font) {
        double expectedWidth = 0.0;
        double expectedHeight = 0.0;
        for (size_t i = 0; i < c.codes.size(); ++i) {
            const auto code = static_cast<unsigned char>(c.codes[i]);
            expectedWidth += M().GlyphWidth(font, code) + 0.2;
            expectedHeight = std::max(expectedHeight, M().GlyphHeight(font, code));
        }
        expectedWidth -= 0.2;
        double w = -5;
        double h = -5;
        M().MeasureString(c.utf8, font, w, h);
        EXPECT_NEAR(w, expectedWidth, 1e-12) << GetStrokeFontName(font);
        EXPECT_EQ(h, expectedHeight) << GetStrokeFontName(font);
        double cw = -5;
        double ch = -5;
        M().MeasureCodes(c.codes, font, cw, ch);
        EXPECT_EQ(cw, w);
        EXPECT_EQ(ch, h);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, StrokeFontMeasureTest,
                         ::testing::Values(SMeasureCase{"SingleLetter", "A", "A"},
                                           SMeasureCase{"TwoLetters", "AB", "AB"},
                                           SMeasureCase{"Spaces", "  ", "  "},
                                           SMeasureCase{"PolishWord", "Łódź",
                                                        "\xA3\xF3"
                                                        "d\x9F"},
                                           SMeasureCase{"Degrees", "12°30'",
                                                        "12\xB0"
                                                        "30'"},
                                           SMeasureCase{"Unmappable", "a→b", "a?b"}),
                         [](const ::testing::TestParamInfo<SMeasureCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(StrokeFontMeasureTest, TwoLettersAreTwoWidthsAndOneGap) {
    double w = 0;
    double h = 0;
    M().MeasureString("AB", 2, w, h);
    EXPECT_EQ(w, M().GlyphWidth(2, 'A') + 0.2 + M().GlyphWidth(2, 'B'));
    EXPECT_EQ(h, std::max(M().GlyphHeight(2, 'A'), M().GlyphHeight(2, 'B')));
}

TEST(StrokeFontMeasureTest, EmptyTextMeasuresZero) {
    for (int font : {0, 3, 9}) {
        double w = 7;
        double h = 7;
        M().MeasureString("", font, w, h);
        EXPECT_EQ(w, 0.0);
        EXPECT_EQ(h, 0.0);
        w = h = 7;
        M().MeasureCodes("", font, w, h);
        EXPECT_EQ(w, 0.0);
        EXPECT_EQ(h, 0.0);
    }
}

TEST(StrokeFontMeasureTest, HeightIsTheTallestGlyphNotTheCombinedExtent) {
    // 'A' spans 0..1 and 'g' -0.333..0.667: together 1.333, but the tallest glyph is 1.0.
    double w = 0;
    double h = 0;
    M().MeasureString("Ag", 2, w, h);
    EXPECT_EQ(h, std::max(M().GlyphHeight(2, 'A'), M().GlyphHeight(2, 'g')));
    EXPECT_LT(h, 1.1);
}

TEST(StrokeFontMeasureTest, Utf8LetterIsOneCode) {
    // "ż" is two UTF-8 bytes but one Windows-1250 code (0xBF), hence no gap.
    double w = 0;
    double h = 0;
    M().MeasureString("\xC5\xBC", 0, w, h);
    EXPECT_EQ(w, M().GlyphWidth(0, 0xBF));
    EXPECT_EQ(h, M().GlyphHeight(0, 0xBF));
    double bytesWidth = 0;
    double bytesHeight = 0;
    M().MeasureCodes("\xC5\xBC", 0, bytesWidth, bytesHeight);
    EXPECT_GT(bytesWidth, w + 0.2);
}

}  // namespace
