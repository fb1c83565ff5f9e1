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
    const auto fail = [&out](const std::string& what, size_t i) {
        if (out.error.empty()) {
            out.error = what + " at pair " + std::to_string(i);
        }
    };
    Glyph glyph;
    Strip strip;
    bool afterTerminator = false;
    for (size_t i = 0; i < pairCount; ++i) {
        const SPoint p{t[2 * i], t[2 * i + 1]};
        if (p.x == -1.0 && p.y == -1.0) {
            if (afterTerminator) {
                out.glyphs.push_back(glyph);
                glyph.clear();
                afterTerminator = false;
                continue;
            }
            // An empty strip is only allowed as the whole of an empty glyph.
            if (strip.empty() && !glyph.empty()) {
                fail("empty strip", i);
            }
            if (strip.size() == 1) {
                fail("one-vertex strip", i);
            }
            if (!strip.empty()) {
                glyph.push_back(strip);
            }
            strip.clear();
            afterTerminator = true;
            continue;
        }
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            fail("non-finite value", i);
        }
        strip.push_back(p);
        afterTerminator = false;
    }
    if (!strip.empty() || afterTerminator) {
        out.error = "table does not end with a glyph terminator";
    }
    out.pairsUsed = pairCount;
    return out;
}

const Glyph& GlyphOf(int font, unsigned char code) {
    static const std::vector<SParsed> all = [] {
        std::vector<SParsed> v;
        for (int f = 0; f < kStrokeFontCount; ++f) {
            v.push_back(Parse(f));
        }
        return v;
    }();
    return all[static_cast<size_t>(font)].glyphs.at(code);
}

std::vector<SPoint> Vertices(const Glyph& g) {
    std::vector<SPoint> v;
    for (const Strip& s : g) {
        v.insert(v.end(), s.begin(), s.end());
    }
    return v;
}

// The extent of a glyph's vertices: min x, min y, max x, max y.
struct SBox {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
};

SBox Box(const Glyph& g) {
    SBox b;
    for (const SPoint& p : Vertices(g)) {
        b = {std::min(b.x0, p.x), std::min(b.y0, p.y), std::max(b.x1, p.x), std::max(b.y1, p.y)};
    }
    return b;
}

const CStrokeFontMetrics& M() {
    return CStrokeFontMetrics::Get();
}

// Every table holds exactly 256 well-formed glyphs that start at x = 0 and keep clear of the
// terminator (-1, -1); the metrics are those of the table; letters have their proportions.
TEST(StrokeFontTableTest, GlyphsAndMetrics) {
    for (int font = 0; font < kStrokeFontCount; ++font) {
        SCOPED_TRACE(font);
        size_t pairCount = 0;
        ASSERT_NE(GetStrokeFontTable(font, pairCount), nullptr);
        const SParsed parsed = Parse(font);
        EXPECT_EQ(parsed.error, "");
        ASSERT_EQ(parsed.glyphs.size(), 256u);
        EXPECT_EQ(parsed.pairsUsed, pairCount);
        for (int code = 0; code < 256; ++code) {
            SCOPED_TRACE("code " + std::to_string(code));
            const auto c = static_cast<unsigned char>(code);
            const Glyph& g = GlyphOf(font, c);
            const std::vector<SPoint> v = Vertices(g);
            const SBox b = Box(g);
            EXPECT_EQ(M().GlyphVertexCount(font, c), static_cast<int>(v.size()));
            EXPECT_LE(M().GlyphVertexCount(font, c), M().MaxGlyphVertexCount());
            if (code >= 33 && code <= 126) {
                EXPECT_GT(v.size(), 1u);  // every printable ASCII character has strokes
            }
            if (v.empty()) {
                continue;
            }
            EXPECT_NEAR(b.x0, 0.0, 1e-12);
            EXPECT_GE(b.y0, -0.34);
            EXPECT_LE(b.y1, 1.4);
            if (code != ' ') {
                EXPECT_DOUBLE_EQ(M().GlyphWidth(font, c), b.x1);
                EXPECT_DOUBLE_EQ(M().GlyphHeight(font, c), b.y1 - b.y0);
            }
        }
        const SBox h = Box(GlyphOf(font, 'H')), x = Box(GlyphOf(font, 'x')),
                   p = Box(GlyphOf(font, 'p'));
        EXPECT_NEAR(h.y0, 0.0, 1e-9);
        EXPECT_NEAR(h.y1, 1.0, 0.02);
        EXPECT_NEAR(M().GlyphHeight(font, 'H'), 1.0, 0.02);
        EXPECT_NEAR(x.y0, 0.0, 1e-9);
        EXPECT_NEAR(x.y1, 0.667, 0.01);
        EXPECT_NEAR(p.y0, -0.333, 0.01);
        EXPECT_NEAR(p.y1, 0.667, 0.01);
        // Widths follow the letter shapes, not a fixed pitch.
        EXPECT_GT(M().GlyphWidth(font, 'M'), M().GlyphWidth(font, 'I') + 0.3);
        // Signs surveyors write: degree, plus-minus, times, division, micro, section, euro.
        for (unsigned char code : {0xB0, 0xB1, 0xD7, 0xF7, 0xB5, 0xA7, 0x80}) {
            EXPECT_GT(M().GlyphVertexCount(font, code), 1) << "code " << int(code);
        }
        // Blanks and empty glyphs: space, a control code, an undefined code, the no-break space.
        for (unsigned char code : {0x20, 0x00, 0x81, 0xA0}) {
            EXPECT_EQ(M().GlyphWidth(font, code), 0.55) << "code " << int(code);
            EXPECT_EQ(M().GlyphHeight(font, code), 0.0) << "code " << int(code);
            EXPECT_EQ(M().GlyphVertexCount(font, code), 0) << "code " << int(code);
        }
        // Acute and dot above are different marks.
        EXPECT_NE(Vertices(GlyphOf(font, 0x8F)), Vertices(GlyphOf(font, 0xAF)));
        EXPECT_NE(Vertices(GlyphOf(font, 0x9F)), Vertices(GlyphOf(font, 0xBF)));
    }
}

// The narrow fonts are their wide ones scaled by 0.85 in x; the slanted fonts lean by 15
// degrees (the narrow one by 0.85 of it), the upright ones not at all.
TEST(StrokeFontTest, NarrowAndSlantedFonts) {
    const double tan15 = std::tan(15.0 * 3.14159265358979323846 / 180.0);
    for (auto [wide, narrow] : {std::pair{0, 1}, {2, 3}}) {
        SCOPED_TRACE(narrow);
        size_t wideCount = 0, narrowCount = 0;
        const double* w = GetStrokeFontTable(wide, wideCount);
        const double* n = GetStrokeFontTable(narrow, narrowCount);
        ASSERT_EQ(wideCount, narrowCount);
        for (size_t i = 0; i < wideCount; ++i) {
            const bool terminator = w[2 * i] == -1.0 && w[2 * i + 1] == -1.0;
            ASSERT_NEAR(n[2 * i], terminator ? -1.0 : 0.85 * w[2 * i], 1e-9) << "pair " << i;
            ASSERT_EQ(n[2 * i + 1], w[2 * i + 1]) << "pair " << i;
        }
        for (int code = 0; code < 256; ++code) {
            const auto ch = static_cast<unsigned char>(code);
            if (M().GlyphVertexCount(wide, ch) > 0 && code != ' ') {
                EXPECT_NEAR(M().GlyphWidth(narrow, ch), 0.85 * M().GlyphWidth(wide, ch), 1e-9);
            }
        }
    }
    const double slant[4] = {tan15, 0.85 * tan15, 0.0, 0.0};
    for (int font = 0; font < kStrokeFontCount; ++font) {
        const std::vector<SPoint> v = Vertices(GlyphOf(font, 'I'));
        ASSERT_FALSE(v.empty());
        const auto [bottom, top] = std::minmax_element(
            v.begin(), v.end(), [](const SPoint& a, const SPoint& b) { return a.y < b.y; });
        EXPECT_NEAR((top->x - bottom->x) / (top->y - bottom->y), slant[font], 0.01) << font;
    }
}

enum class EMark { kAbove, kBelow, kThrough };

constexpr EMark kA = EMark::kAbove, kB = EMark::kBelow, kT = EMark::kThrough;

TEST(StrokeFontPolishTest, IsTheBaseLetterWithItsMark) {
    const struct {
        const char* name;
        unsigned char code;
        unsigned char base;
        EMark mark;
    } cases[] = {
        {"A_ogonek", 0xA5, 'A', kB}, {"a_ogonek", 0xB9, 'a', kB}, {"C_acute", 0xC6, 'C', kA},
        {"c_acute", 0xE6, 'c', kA},  {"E_ogonek", 0xCA, 'E', kB}, {"e_ogonek", 0xEA, 'e', kB},
        {"L_stroke", 0xA3, 'L', kT}, {"l_stroke", 0xB3, 'l', kT}, {"N_acute", 0xD1, 'N', kA},
        {"n_acute", 0xF1, 'n', kA},  {"O_acute", 0xD3, 'O', kA},  {"o_acute", 0xF3, 'o', kA},
        {"S_acute", 0x8C, 'S', kA},  {"s_acute", 0x9C, 's', kA},  {"Z_acute", 0x8F, 'Z', kA},
        {"z_acute", 0x9F, 'z', kA},  {"Z_dot", 0xAF, 'Z', kA},    {"z_dot", 0xBF, 'z', kA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int font = 0; font < kStrokeFontCount; ++font) {
            SCOPED_TRACE(GetStrokeFontName(font));
            const Glyph& letter = GlyphOf(font, c.code);
            const Glyph& base = GlyphOf(font, c.base);
            ASSERT_FALSE(letter.empty());
            EXPECT_NE(Vertices(letter), Vertices(base));
            EXPECT_GT(letter.size(), base.size());
            const SBox l = Box(letter), b = Box(base);
            switch (c.mark) {
                case EMark::kAbove:  // acute or dot: higher, same baseline
                    EXPECT_GT(l.y1, b.y1 + 0.05);
                    EXPECT_DOUBLE_EQ(l.y0, b.y0);
                    break;
                case EMark::kBelow:  // ogonek: below the baseline, same top
                    EXPECT_LT(l.y0, b.y0 - 0.1);
                    EXPECT_GE(l.y0, -0.34);
                    EXPECT_DOUBLE_EQ(l.y1, b.y1);
                    break;
                case EMark::kThrough:  // stroke across the stem, inside the letter's height
                    EXPECT_DOUBLE_EQ(l.y0, b.y0);
                    EXPECT_DOUBLE_EQ(l.y1, b.y1);
                    break;
            }
            // The mark sits on the letter, not beside it: widths stay comparable.
            EXPECT_LT(M().GlyphWidth(font, c.code), M().GlyphWidth(font, c.base) + 0.3);
        }
    }
}

TEST(StrokeFontMetricsTest, MaxVertexCountNamesAndOutOfRangeFonts) {
    int best = 0;
    for (int font = 0; font < kStrokeFontCount; ++font) {
        for (int code = 0; code < 256; ++code) {
            best = std::max(best, M().GlyphVertexCount(font, static_cast<unsigned char>(code)));
        }
    }
    EXPECT_EQ(M().MaxGlyphVertexCount(), best);
    EXPECT_GT(best, 20);
    EXPECT_STREQ(GetStrokeFontName(0), "font1_10i");
    EXPECT_STREQ(GetStrokeFontName(1), "font2_085i");
    EXPECT_STREQ(GetStrokeFontName(2), "font3_10");
    EXPECT_STREQ(GetStrokeFontName(3), "font4_085");
    // Font indices out of range use the last font.
    size_t count3 = 0, count = 0;
    const double* table3 = GetStrokeFontTable(3, count3);
    for (int font : {4, 7, -1, 1000}) {
        EXPECT_EQ(GetStrokeFontTable(font, count), table3);
        EXPECT_EQ(count, count3);
        EXPECT_STREQ(GetStrokeFontName(font), "font4_085");
        EXPECT_EQ(M().GlyphWidth(font, 'W'), M().GlyphWidth(3, 'W'));
        double w = 0, h = 0, w3 = 0, h3 = 0;
        M().MeasureString("Zażółć", font, w, h);
        M().MeasureString("Zażółć", 3, w3, h3);
        EXPECT_EQ(w, w3);
        EXPECT_EQ(h, h3);
    }
    EXPECT_NE(M().GlyphWidth(2, 'W'), M().GlyphWidth(3, 'W'));
}

// The width sums the glyph widths and a gap of 0.2 between glyphs; the height is the tallest
// glyph's, not the combined extent ('A' spans 0..1 and 'g' -0.333..0.667).
TEST(StrokeFontMeasureTest, SumsAdvancesOfTheWindows1250Codes) {
    const struct {
        const char* name;
        std::string utf8;
        std::string codes;  // the same text in Windows-1250
    } cases[] = {
        {"Empty", "", ""},
        {"SingleLetter", "A", "A"},
        {"TwoLetters", "AB", "AB"},
        {"Spaces", "  ", "  "},
        {"TallestGlyph", "Ag", "Ag"},
        {"PolishWord", "Łódź",
         "\xA3\xF3"
         "d\x9F"},
        {"OneCodeForTwoBytes", "\xC5\xBC", "\xBF"},
        {"Degrees", "12°30'",
         "12\xB0"
         "30'"},
        {"Unmappable", "a→b", "a?b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int font : {0, 1, 2, 3, 9}) {
            double expectedWidth = 0.0, expectedHeight = 0.0;
            for (size_t i = 0; i < c.codes.size(); ++i) {
                const auto code = static_cast<unsigned char>(c.codes[i]);
                expectedWidth += M().GlyphWidth(font, code) + (i > 0 ? 0.2 : 0.0);
                expectedHeight = std::max(expectedHeight, M().GlyphHeight(font, code));
            }
            double w = -5, h = -5, cw = -5, ch = -5;
            M().MeasureString(c.utf8, font, w, h);
            EXPECT_NEAR(w, expectedWidth, 1e-12) << font;
            EXPECT_EQ(h, expectedHeight) << font;
            M().MeasureCodes(c.codes, font, cw, ch);
            EXPECT_EQ(cw, w);
            EXPECT_EQ(ch, h);
        }
    }
    // "ż" is two UTF-8 bytes but one Windows-1250 code: measured as codes it is two glyphs.
    double w = 0, h = 0, bytesWidth = 0, bytesHeight = 0;
    M().MeasureString("\xC5\xBC", 0, w, h);
    M().MeasureCodes("\xC5\xBC", 0, bytesWidth, bytesHeight);
    EXPECT_GT(bytesWidth, w + 0.2);
    EXPECT_LT(h, 1.1);
}

}  // namespace
