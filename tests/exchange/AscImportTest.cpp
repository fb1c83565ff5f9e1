#include "exchange/AscImport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "exchange/ReaderTestUtil.h"

namespace {

// Four nodes numbered from 100; elements refer to them by position 1..4.
const std::string kNodes = "4\n100 0 0 0\n101 10 0 0\n102 10 10 0\n103 0 10 0\n";

std::string Skipped(int n) {
    return std::to_string(n) +
           " elements were skipped: they refer to nodes outside the node list or to node lines "
           "that could not be read.";
}

struct SAscRun : SReaderRun {
    explicit SAscRun(int counter = 0) : SReaderRun(ImportAscFile, ".asc", counter) {}
};

TEST(AscImportTest, ElementKindByConvertedValues) {
    const std::pair<const char*, const char*> cases[] = {
        {"7 1 2", "line [0 0 0, 10 0 0]"},
        {"8 1 2 3", "polygon [0 0 0, 10 0 0, 10 10 0] planar n=0 0 1 tess fan=1"},
        {"9 1 2 3 4", "polygon [0 0 0, 10 0 0, 10 10 0, 0 10 0] planar n=0 0 1 tess fan=1"},
        {"9 4 3 2 1", "polygon [0 10 0, 10 10 0, 10 0 0, 0 0 0] planar n=0 0 -1 tess fan=1"},
        // "%d" stops at the full stop: four values, a triangle.
        {"7 1 2 3.5", "polygon [0 0 0, 10 0 0, 10 10 0] planar n=0 0 1 tess fan=1"},
        {"  \t+7 +1\t 2  ", "line [0 0 0, 10 0 0]"},
        {"7 2 3 4 1 and more",
         "polygon [10 0 0, 10 10 0, 0 10 0, 0 0 0] planar n=0 0 1 tess fan=1"},
        {"7 1 2 3 4 1", "polygon [0 0 0, 10 0 0, 10 10 0, 0 10 0] planar n=0 0 1 tess fan=1"},
        {"7 1", nullptr},
        {"7", nullptr},
        {"   ", nullptr},
        {"", nullptr},
        {"END", nullptr},
        {"7 1 99999999999", nullptr},
    };
    for (const auto& [line, entity] : cases) {
        SCOPED_TRACE(line);
        SAscRun r;
        EXPECT_EQ(r.Run(kNodes + line + "\n"), EImportResult::Done);
        EXPECT_TRUE(r.messages.empty());
        EXPECT_EQ(Describe(r.doc, 12), entity ? entity + std::string(" #1 rgb=1 1 1\n") : "");
        if (entity) {
            EXPECT_EQ(PolyAt(r.doc, 0).FillPrimitives().empty(), !PolyAt(r.doc, 0).m_closed);
        }
    }
}

TEST(AscImportTest, MeshInFileOrderWithCrlfAndBlankLines) {
    SAscRun r(10);
    CTAVDoc& doc = r.doc;
    doc.Layers().emplace_back("B", 0, 1);
    doc.SetCurrentLayer(1);
    // Survey-grid magnitudes keep every digit: single precision would lose about half a metre.
    const std::string text =
        "3\r\n"
        "1 5432109.123 6543210.987 101.25\r\n"
        "2 5432119.123 6543210.987 101.25\r\n"
        "3 5432109.123 6543220.987 101.25\r\n"
        "\r\n"
        "1 1 2 3\r\n"
        "2 3 1\r\n";
    EXPECT_EQ(r.Run(text), EImportResult::Done);
    EXPECT_EQ(Describe(doc),
              "polygon [5432109.123 6543210.987 101.25, 5432119.123 6543210.987 101.25, "
              "5432109.123 6543220.987 101.25] planar n=0 0 1 tess fan=1 L1 #11 rgb=1 1 1\n"
              "line [5432109.123 6543220.987 101.25, 5432109.123 6543210.987 101.25] L1 #12 "
              "rgb=1 1 1\n");
}

// The reader never looks outside its node list: elements that would are skipped and counted.
TEST(AscImportTest, BadPositionsAreSkippedAndCounted) {
    const struct {
        std::string text;
        int entities;
        int skipped;
    } cases[] = {
        {kNodes + "1 0 1\n1 1 2\n", 1, 1},
        {kNodes + "1 1 5\n1 2 3 4 5\n1 4 3\n", 1, 2},
        {kNodes + "1 -1 2 3\n", 0, 1},
        {"3\n1 0 0 0\n2 x 1 1\n3 1 1\n1 1 3\n1 1 2\n1 2 3\n", 0, 3},  // node lines not scanned
        {"2\n1 0 0 0\n\n1 1 2\n", 0, 1},
        {"nodes\n1 1 2\n2 1 2 3\n3 x\n", 0, 2},
        {"-4\n1 1 2\n", 0, 1},
        // Too few node lines: the element lines are read as nodes, nothing is left over.
        {"9\n1 0 0 0\n2 1 0 0\n1 1 2\n", 0, 0},
        {"2000000000\n1 0 0 0\n", 0, 0},
        // A count beyond int does not scan: no nodes, and the node line reads as an element.
        {"1000000000000\n1 0 0 0\n", 0, 1},
        {"", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SAscRun r;
        EXPECT_EQ(r.Run(c.text), EImportResult::Done);
        EXPECT_EQ(r.doc.GetEntityCount(), c.entities);
        EXPECT_EQ(r.messages, c.skipped ? std::vector<std::string>{Skipped(c.skipped)}
                                        : std::vector<std::string>{});
        for (int i = 0; i < r.doc.GetEntityCount(); ++i) {
            for (const CPoint3& v : PolyAt(r.doc, i).m_vertices) {
                EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
            }
        }
    }
}

TEST(AscImportTest, BinaryBytesAndHugeLines) {
    SAscRun r;
    const CTAVDoc& doc = r.doc;
    // A NUL ends what a line says; a 3 MiB line of digits is one element line that does not
    // convert; neither takes the reader outside its node list.
    const std::string text = kNodes + std::string("1 1 2\0 3 4\n", 11) + std::string(3 << 20, '9') +
                             "\n\xff\xfe\x01\n2 4 3 2 1\n";
    EXPECT_EQ(r.Run(text), EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(PolyAt(doc, 0).GetVertexCount(), 2);
    EXPECT_EQ(PolyAt(doc, 1).GetVertexCount(), 4);
}

// A mesh of many chunks' worth of lines, with bad node lines and bad positions spread across
// it: every element comes out in file order with its own nodes, numbered in that order, and the
// skipped ones are counted once, whichever thread decoded them.
TEST(AscImportTest, LargeMeshKeepsFileOrderAcrossChunks) {
    constexpr int kSide = 131;  // 17161 nodes: several chunks, the last one partial
    constexpr int kNodeCount = kSide * kSide;
    auto coord = [](int position) {  // position 1..kNodeCount
        const int r = (position - 1) / kSide, c = (position - 1) % kSide;
        return std::array<double, 3>{5420000.25 + c, 6310000.5 + r, 0.125 * ((r * 7 + c) % 50)};
    };
    auto badNode = [](int position) { return position % 997 == 0; };
    std::string text = std::to_string(kNodeCount) + "\n";
    char buf[128];
    for (int p = 1; p <= kNodeCount; ++p) {
        const auto v = coord(p);
        std::snprintf(buf, sizeof buf, "%d %.3f ", p, v[0]);
        text += buf;
        std::snprintf(buf, sizeof buf, "%.3f %.3f\n", v[1], v[2]);
        text += badNode(p) ? "x\n" : buf;
    }
    std::vector<std::vector<int>> expected;
    int skipped = 0;
    for (int e = 0; e < 3 * kNodeCount; ++e) {
        const int a = 1 + (e * 37) % (kNodeCount - kSide - 1);
        // A triangle, a rectangle, a line, a triangle past the node list now and then, and a
        // line that is no element.
        const int past = e % 11 == 3 ? kNodeCount + 1 : a + 1;
        const std::vector<int> shapes[5] = {{a, a + 1, a + kSide + 1},
                                            {a, a + 1, a + kSide + 1, a + kSide},
                                            {a, a + kSide},
                                            {a, past, a + kSide},
                                            {}};
        const std::vector<int>& corners = shapes[e % 5];
        if (corners.empty()) {
            text += "\n";
            continue;
        }
        text += std::to_string(e + 1);
        bool usable = true;
        for (int c : corners) {
            text += " " + std::to_string(c);
            usable = usable && c <= kNodeCount && !badNode(c);
        }
        text += e % 2 ? "\r\n" : "\n";
        if (usable) {
            expected.push_back(corners);
        } else {
            ++skipped;
        }
    }
    ASSERT_GT(skipped, 100);

    SAscRun r(100);
    const CTAVDoc& doc = r.doc;
    EXPECT_EQ(r.Run(text), EImportResult::Done);
    EXPECT_EQ(r.messages, std::vector<std::string>{Skipped(skipped)});
    ASSERT_EQ(doc.GetEntityCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CPoly& poly = PolyAt(doc, i);
        const auto& corners = expected[static_cast<size_t>(i)];
        Coords3 want;
        for (int c : corners) {
            want.push_back(coord(c));
        }
        ASSERT_EQ(Coords(poly), want) << "element " << i;
        ASSERT_EQ(poly.m_number, 101 + i);
        ASSERT_EQ(poly.m_closed, corners.size() >= 3 ? 1 : 0);
        if (poly.m_closed) {
            ASSERT_EQ(poly.m_tessellated, 1) << "element " << i;
        }
    }
}

}  // namespace
