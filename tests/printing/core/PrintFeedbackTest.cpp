// Vector printing without GL: the feedback estimate, the capture plan, the buffer walk and pens.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "document/Entity.h"
#include "document/Layer.h"
#include "document/StrokeFont.h"
#include "document/TAVDoc.h"
#include "printing/core/Feedback.h"
#include "support/Describe.h"
#include "support/TestEntities.h"

namespace {

// (x, y) -> (10 + 2x, 100 - 3y) on a 1000 x 1000 page.
SDeviceMapping TestMapping() {
    SDeviceMapping m;
    m.pw = 1000;
    m.ph = 1000;
    m.kx = 2;
    m.ky = 3;
    m.offX = 10;
    m.offY = 100;
    return m;
}

void Vertex(std::vector<float>& b, float x, float y, float r = 0, float g = 0, float bl = 0) {
    b.insert(b.end(), {x, y, 0.5f, r, g, bl, 1.0f});
}

void Line(std::vector<float>& b, float token, float x1, float y1, float x2, float y2, float r = 0,
          float g = 0, float bl = 0) {
    b.push_back(token);
    Vertex(b, x1, y1, r, g, bl);
    Vertex(b, x2, y2, r, g, bl);
}

// Each pen's lines: "RRGGBB w<width>: x1 y1 x2 y2 ...", the pens joined by "; ".
std::string Groups(const CDeviceLines& lines) {
    std::string s;
    for (const auto& g : lines.Groups()) {
        char rgb[16];
        std::snprintf(rgb, sizeof rgb, "%06X", g.rgb);
        s += (s.empty() ? "" : "; ") + std::string(rgb) + " w" + Num(g.width) + ":";
        for (int c : g.coords) {
            s += " " + std::to_string(c);
        }
    }
    return s;
}

TEST(FeedbackWalk, EachTokenKind) {
    std::vector<float> b;
    Line(b, GL_LINE_TOKEN, 1, 2, 3, 4);
    Line(b, GL_LINE_RESET_TOKEN, 0, 0, 5, 0);
    b.insert(b.end(), {float(GL_PASS_THROUGH_TOKEN), 12345.0f});
    b.insert(b.end(), {float(GL_POLYGON_TOKEN), 3.0f});
    for (int i = 0; i < 3; ++i) {
        Vertex(b, 9, 9);
    }
    b.push_back(float(GL_BITMAP_TOKEN));
    Vertex(b, 9, 9);
    b.push_back(float(GL_POINT_TOKEN));
    Vertex(b, 100, 100);  // (210, -200): off the page
    b.push_back(float(GL_POINT_TOKEN));
    Vertex(b, 50, 10);  // (110, 70)
    Line(b, GL_LINE_TOKEN, 7, 8, 9, 10);
    CDeviceLines out;
    const SPrintPen pen{2.5, 6, 4};  // a device with fewer dots down than across
    const SFeedbackWalk w =
        WalkFeedback(b.data(), static_cast<int64_t>(b.size()), TestMapping(), false, pen, out);
    EXPECT_EQ(w.lines, 3);
    EXPECT_EQ(w.points, 1);
    EXPECT_FALSE(w.truncated);
    EXPECT_EQ(Groups(out),
              "000000 w2.5: 12 94 16 88 10 100 20 100 "                   // the two lines
              "104 66 116 66 116 66 116 74 116 74 104 74 104 74 104 66 "  // the square
              "24 76 28 70");
}

TEST(FeedbackCut, NeverReadsPastTheCount) {
    const struct {
        const char* name;
        int64_t keep;  // floats of the buffer given as its count
        int64_t lines;
        bool truncated;
    } cases[] = {
        {"whole", 30, 2, false},
        {"second_vertex_cut", 29, 1, true},
        {"token_only", 16, 1, true},
        {"empty", 0, 0, false},
        {"overflowed_minus_one", -1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> full;
        Line(full, GL_LINE_TOKEN, 1, 2, 3, 4);
        Line(full, GL_LINE_TOKEN, 5, 6, 7, 8);
        // Only the counted floats exist, so reading further is caught by the sanitizers.
        std::vector<float> b(full.begin(), full.begin() + std::max<int64_t>(0, c.keep));
        CDeviceLines out;
        const SFeedbackWalk w = WalkFeedback(b.empty() ? nullptr : b.data(), c.keep, TestMapping(),
                                             false, SPrintPen{}, out);
        EXPECT_EQ(w.lines, c.lines);
        EXPECT_EQ(out.LineCount(), c.lines);
        EXPECT_EQ(w.truncated, c.truncated);
    }
}

TEST(FeedbackWalk, NonFiniteValuesAreSkippedNotConverted) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> b;
    Line(b, GL_LINE_TOKEN, nan, 2, 3, 4);
    Line(b, GL_LINE_TOKEN, 1, 2, 3, inf);
    Line(b, GL_LINE_TOKEN, 1e30f, 2, 3, 4);  // maps beyond any device
    b.push_back(float(GL_POINT_TOKEN));
    Vertex(b, nan, 1);
    b.push_back(nan);  // a token that is not one: one vertex skipped
    Vertex(b, 0, 0);
    Line(b, GL_LINE_TOKEN, 0, 0, 1, 0, nan, 0.5f, 0);  // a NaN colour draws black
    CDeviceLines out;
    const SFeedbackWalk w = WalkFeedback(b.data(), static_cast<int64_t>(b.size()), TestMapping(),
                                         false, SPrintPen{}, out);
    EXPECT_EQ(w.skipped, 4);
    EXPECT_EQ(w.lines, 1);
    EXPECT_EQ(Groups(out), "008000 w1: 10 100 12 100");
    // A polygon count beyond the buffer ends the walk.
    std::vector<float> huge = {float(GL_POLYGON_TOKEN), 1e9f};
    CDeviceLines hugeOut;
    const SFeedbackWalk hugeWalk =
        WalkFeedback(huge.data(), 2, TestMapping(), false, SPrintPen{}, hugeOut);
    EXPECT_TRUE(hugeWalk.truncated);
    EXPECT_EQ(hugeOut.LineCount(), 0);
}

TEST(FeedbackPen, Colour) {
    const struct {
        const char* name;
        float r, g, b;
        bool blackWhite;
        uint32_t rgb;
    } cases[] = {
        {"half_rounds_up", 0.5f, 0, 0, false, 0x800000u},
        {"just_below_half", 0.498f, 0, 0, false, 0x7F0000u},
        {"white_prints_black", 1, 1, 1, false, 0},
        {"near_white_stays", 1, 1, 0.99f, false, 0xFFFFFCu},
        {"black_and_white", 0.2f, 0.9f, 0.1f, true, 0},
        {"out_of_range_clamped", 2, -1, 1, false, 0xFF00FFu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FeedbackPenColor(c.r, c.g, c.b, c.blackWhite), c.rgb);
    }
}

// Widths and squares keep their size on paper: units of 1/300 inch at any resolution.

TEST(PrintPenSize, InDeviceDots) {
    const struct {
        const char* name;
        int units, dpiX, dpiY;
        double width;
        int halfX, halfY;
    } cases[] = {
        {"one_at_300", 1, 300, 300, 1.0, 6, 6},
        {"one_at_1200", 1, 1200, 1200, 4.0, 24, 24},
        {"eight_at_1200", 8, 1200, 1200, 32.0, 24, 24},
        {"eight_at_600_by_300", 8, 600, 300, 16.0, 12, 6},
        {"screen_72_rounds_the_square", 1, 72, 72, 0.24, 1, 1},
        {"square_half_rounds_up", 2, 325, 325, 2.0 * 325 / 300, 7, 7},
        {"one_dot_devices_keep_a_square", 1, 1, 1, 1.0 / 300, 1, 1},
        {"unknown_resolution_as_300", 3, 0, -5, 3.0, 6, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SPrintPen pen = MakePrintPen(c.units, c.dpiX, c.dpiY);
        EXPECT_DOUBLE_EQ(pen.width, c.width);
        EXPECT_EQ(pen.halfX, c.halfX);
        EXPECT_EQ(pen.halfY, c.halfY);
    }
}

TEST(FeedbackWalk, OnePenPerColourAndWidth) {
    std::vector<float> b;
    Line(b, GL_LINE_TOKEN, 0, 0, 1, 1, 1, 0, 0);
    Line(b, GL_LINE_TOKEN, 0, 0, 1, 1, 0, 0, 1);
    Line(b, GL_LINE_TOKEN, 0, 0, 1, 1, 1, 0, 0);
    Line(b, GL_LINE_TOKEN, 0, 0, 1, 1, 1, 1, 1);  // white -> black
    CDeviceLines colour;
    WalkFeedback(b.data(), static_cast<int64_t>(b.size()), TestMapping(), false, SPrintPen{3.0},
                 colour);
    EXPECT_EQ(Groups(colour),
              "FF0000 w3: 10 100 12 97 10 100 12 97; 0000FF w3: 10 100 12 97; "
              "000000 w3: 10 100 12 97");
    CDeviceLines mono;
    WalkFeedback(b.data(), static_cast<int64_t>(b.size()), TestMapping(), true, SPrintPen{}, mono);
    EXPECT_EQ(Groups(mono), "000000 w1: 10 100 12 97 10 100 12 97 10 100 12 97 10 100 12 97");
}

std::unique_ptr<CPoly> Poly(int n, bool closed, int layer = 0) {
    auto p = std::make_unique<CPoly>();
    p->m_closed = closed ? 1 : 0;
    p->m_layer = layer;
    for (int i = 0; i < n; ++i) {
        p->m_vertices.emplace_back(i, i % 2, 0);
    }
    return p;
}

// ---- lines into polylines ----

std::vector<std::vector<int>> Runs(const SDevicePolylines& p) {
    std::vector<std::vector<int>> runs;
    size_t at = 0;
    for (int size : p.sizes) {
        runs.emplace_back(p.points.begin() + static_cast<long>(at),
                          p.points.begin() + static_cast<long>(at + 2 * static_cast<size_t>(size)));
        at += 2 * static_cast<size_t>(size);
    }
    EXPECT_EQ(at, p.points.size());
    return runs;
}

TEST(ChainDeviceLines, JoinsContinuationsAndDropsZeroLengthLines) {
    SDevicePolylines out;
    out.points = {7, 7};  // replaced, not appended to
    out.sizes = {1};
    ChainDeviceLines({0,  0,  10, 0,   // a run of three lines with a turn
                      10, 0,  10, 0,   // zero length inside the run: left out
                      10, 0,  10, 10,  //
                      10, 10, 0,  10,  //
                      5,  5,  5,  5,   // zero length alone: nothing at all
                      20, 0,  30, 0,   // starts elsewhere: a new run
                      0,  10, 0,  0,   // the end of the first run, but not its continuation
                      0,  0,  10, 0},  // continues the last one: closes a square
                     0.5, out);
    const std::vector<std::vector<int>> expected = {
        {0, 0, 10, 0, 10, 10, 0, 10}, {20, 0, 30, 0}, {0, 10, 0, 0, 10, 0}};
    EXPECT_EQ(Runs(out), expected);

    ChainDeviceLines({}, 0.5, out);
    EXPECT_TRUE(out.points.empty());
    EXPECT_TRUE(out.sizes.empty());
    ChainDeviceLines({1, 1, 1, 1, 2, 2}, 0.5, out);  // zero length, then a partial line
    EXPECT_TRUE(out.sizes.empty());
    // Only what the tolerance allows is dropped.
    // A diagonal staircase: each corner lies 0.71 units off the diagonal.
    std::vector<int> stairs;
    for (int k = 0; k < 10; ++k) {
        stairs.insert(stairs.end(), {k, k, k + 1, k, k + 1, k, k + 1, k + 1});
    }
    SDevicePolylines out2;
    ChainDeviceLines(stairs, 0.5, out2);
    ASSERT_EQ(out2.sizes.size(), 1u);
    EXPECT_EQ(out2.sizes[0], 21);  // every corner kept
    ChainDeviceLines(stairs, 0.75, out2);
    EXPECT_EQ(Runs(out2), (std::vector<std::vector<int>>{{0, 0, 10, 10}}));

    // Collinear points go, a spike back and a right angle stay.
    ChainDeviceLines({0, 0, 5, 0, 5, 0, 9, 0, 9, 0, 2, 0, 2, 0, 2, 8}, 0.5, out2);
    EXPECT_EQ(Runs(out2), (std::vector<std::vector<int>>{{0, 0, 9, 0, 2, 0, 2, 8}}));

    // A long straight run is cut into bounded stretches but stays straight.
    std::vector<int> straight;
    for (int k = 0; k < 100; ++k) {
        straight.insert(straight.end(), {k, 0, k + 1, 0});
    }
    ChainDeviceLines(straight, 0.5, out2);
    ASSERT_EQ(out2.sizes.size(), 1u);
    EXPECT_LT(out2.sizes[0], 10);
    EXPECT_EQ(out2.points.front(), 0);
    EXPECT_EQ(out2.points[out2.points.size() - 2], 100);
}

TEST(ChainDeviceLines, EveryPointStaysWithinTheToleranceOfItsRun) {
    // A random walk of small steps, as a finely captured arc or text gives after truncation.
    uint32_t seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 16) % static_cast<uint32_t>(n));
    };
    std::vector<int> coords;
    int x = 500, y = 500;
    for (int k = 0; k < 2000; ++k) {
        const int nx = x + next(5) - 2, ny = y + next(5) - 2;
        coords.insert(coords.end(), {x, y, nx, ny});
        x = nx;
        y = ny;
    }
    for (double tolerance : {0.5, 1.0, 3.0}) {
        SDevicePolylines out;
        ChainDeviceLines(coords, tolerance, out);
        ASSERT_EQ(out.sizes.size(), 1u);
        const std::vector<int>& p = out.points;
        EXPECT_LT(p.size(), coords.size() / 2);
        // The ends stay; every point of the walk lies near some kept segment.
        EXPECT_EQ(p[0], 500);
        EXPECT_EQ(p[p.size() - 1], y);
        for (size_t i = 0; i < coords.size(); i += 4) {
            double best = 1e30;
            for (size_t k = 0; k + 3 < p.size(); k += 2) {
                const double dx = p[k + 2] - p[k], dy = p[k + 3] - p[k + 1];
                const double px = coords[i] - p[k], py = coords[i + 1] - p[k + 1];
                const double len2 = dx * dx + dy * dy;
                const double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
                best = std::min(best, std::hypot(px - t * dx, py - t * dy));
            }
            ASSERT_LE(best, tolerance + 1e-9) << "point " << i / 4;
        }
    }
}

TEST(FeedbackEstimate, EntitiesOfVisibleLayers) {
    CTAVDoc doc;
    doc.Layers().assign({CLayer("0", 0, 1), CLayer("ukryta", 0, 0)});
    doc.AddEntity(Poly(4, true));   // 4
    doc.AddEntity(Poly(3, false));  // 2
    auto marked = Poly(3, false);
    marked->m_marker = 1;
    doc.AddEntity(std::move(marked));         // 3
    doc.AddEntity(std::make_unique<CArc>());  // 300
    doc.AddEntity(MakePnt({}, "P12"));
    doc.AddEntity(MakeText("żab", {}));  // three characters, four bytes
    doc.AddEntity(Poly(50, false, 1));   // hidden
    const int64_t g = CStrokeFontMetrics::Get().MaxGlyphVertexCount();
    const int64_t l = 4 + 2 + 3 + 300 + 3 * g;
    EXPECT_EQ(EstimateFeedbackFloats(doc, false), 15 * (l + 1 + l / 10) + 8 * (1 + 1));
    const int64_t ln = l + 3 * g;
    EXPECT_EQ(EstimateFeedbackFloats(doc, true), 15 * (ln + 1 + ln / 10) + 8 * (1 + 1));
    // 64 bits: a count far beyond 32 bits stays exact.
    EXPECT_EQ(FeedbackFloats(int64_t{1} << 33, 0),
              15 * ((int64_t{1} << 33) + 1 + (int64_t{1} << 33) / 10) + 8);
}

TEST(FeedbackPlan, MillionVertexPolylineStaysUnderTheCap) {
    CTAVDoc doc;
    doc.AddEntity(Poly(1000000, false));
    doc.AddEntity(Poly(5, true));
    const int64_t cap = kFeedbackCapFloats / 8;  // forces several items
    const std::vector<SCaptureItem> items = PlanCaptureItems(doc, false, cap);
    ASSERT_GT(items.size(), 2u);
    int64_t segments = 0, next = 0;
    for (const SCaptureItem& item : items) {
        EXPECT_LE(FeedbackFloats(item.lines, item.points), cap);
        if (item.entity == 0) {
            EXPECT_EQ(item.first, next);  // consecutive ranges, no gap, no overlap
            next = item.end;
            segments += item.end - item.first;
        }
    }
    EXPECT_EQ(segments, 999999);
    const auto batches = PlanCaptureBatches(items, cap);
    size_t expectBegin = 0;
    for (const auto& [begin, end] : batches) {
        EXPECT_EQ(begin, expectBegin);
        int64_t l = 0, p = 0;
        for (size_t i = begin; i < end; ++i) {
            l += items[i].lines;
            p += items[i].points;
        }
        EXPECT_LE(FeedbackFloats(l, p), cap);
        expectBegin = end;
    }
    EXPECT_EQ(expectBegin, items.size());
}

TEST(FeedbackPlan, LongTextCutWithAdvances) {
    CTAVDoc doc;
    auto text = std::make_unique<CText>();
    text->m_text = std::string(1000000, 'W');
    text->m_font = 2;
    doc.AddEntity(std::move(text));
    const std::vector<SCaptureItem> items = PlanCaptureItems(doc, false, kFeedbackCapFloats);
    ASSERT_GT(items.size(), 1u);
    const double step = CStrokeFontMetrics::Get().GlyphWidth(2, 'W') + kStrokeGlyphGap;
    for (const SCaptureItem& item : items) {
        EXPECT_NEAR(item.advance, step * static_cast<double>(item.first), 1e-6 * item.first);
        EXPECT_LE(FeedbackFloats(item.lines, item.points), kFeedbackCapFloats);
    }
    EXPECT_EQ(items.back().end, 1000000);
}

// 2 pi 10 / 5 + 0.5 = 13.066: a full circle of radius 10 at 1 pixel per unit has 13.

TEST(PrintArcCount, Segments) {
    const struct {
        const char* name;
        double radius, ppu, length;
        int dpi;
        bool preview;
        int n;
    } cases[] = {
        {"preview_screen_count", 10, 1, 360, 600, true, 13},
        {"600_dpi_times_50", 10, 1, 90, 600, false, 150},
        {"72_dpi_times_6", 10, 1, 360, 72, false, 78},
        {"at_least_8", 0.001, 1, 10, 600, true, 8},
        {"at_most_300", 10, 1, 360, 1200, false, 300},
        {"huge_radius", 1e12, 1, 360, 600, false, 300},
        {"nan_radius", std::nan(""), 1, 360, 600, false, 8},
        {"low_dpi_zero_factor", 10, 1, 360, 11, false, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PrintArcSegmentCount(c.radius, c.ppu, c.length, c.dpi, c.preview), c.n);
    }
}

}  // namespace
