#include <gtest/gtest.h>

#include <cmath>

#include "document/TAVDoc.h"
#include "exchange/AscImport.h"
#include "exchange/ImportCommand.h"
#include "exchange/ShipImportTestUtil.h"
#include "support/RecordingPrompter.h"

using shiptest::CCounterGuard;
using shiptest::Coords;
using shiptest::CTempFile;
using shiptest::PolyAt;
using C = std::vector<std::array<double, 3>>;

namespace {

// Four nodes numbered from 100; elements refer to them by position 1..4.
const std::string kNodes =
    "4\n"
    "100 0 0 0\n"
    "101 10 0 0\n"
    "102 10 10 0\n"
    "103 0 10 0\n";

const std::array<double, 3> kN[5] = {{0, 0, 0}, {0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};

struct SImport {
    EImportResult result;
    std::vector<std::string> messages;
};

SImport Import(CTAVDoc& doc, CRecordingPrompter& prompter, const std::string& text) {
    CTempFile file(text, ".asc");
    SImport r;
    r.result = ImportAscFile(doc, file.path);
    for (const auto& m : prompter.messages) {
        r.messages.push_back(m.text);
    }
    return r;
}

struct SElementCase {
    const char* name;
    const char* line;
    std::vector<int> nodes;  // positions of the vertices; empty: no entity
};

class AscElementTest : public ::testing::TestWithParam<SElementCase> {};

TEST_P(AscElementTest, KindByConvertedValues) {
    const SElementCase& c = GetParam();
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    const SImport r = Import(doc, prompter, kNodes + c.line + "\n");
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    if (c.nodes.empty()) {
        EXPECT_EQ(doc.GetEntityCount(), 0);
        return;
    }
    ASSERT_EQ(doc.GetEntityCount(), 1);
    const CPoly& p = PolyAt(doc, 0);
    C expected;
    for (int n : c.nodes) {
        expected.push_back(kN[n]);
    }
    EXPECT_EQ(Coords(p), expected);
    EXPECT_EQ(p.m_closed, c.nodes.size() > 2 ? 1 : 0);
    EXPECT_EQ(p.m_name, "");
    EXPECT_EQ(p.m_number, 1);
    EXPECT_EQ(p.m_color[0], 1.0);
    if (p.m_closed) {
        EXPECT_EQ(p.m_tessellated, 1);
        EXPECT_FALSE(p.FillPrimitives().empty());
        EXPECT_EQ(p.m_planar, 1);
        EXPECT_NEAR(std::fabs(p.m_normal.z), 1.0, 1e-12);
    } else {
        EXPECT_TRUE(p.FillPrimitives().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AscElementTest,
    ::testing::Values(SElementCase{"Line", "7 1 2", {1, 2}},
                      SElementCase{"Triangle", "8 1 2 3", {1, 2, 3}},
                      SElementCase{"Rectangle", "9 1 2 3 4", {1, 2, 3, 4}},
                      SElementCase{"RectangleReversed", "9 4 3 2 1", {4, 3, 2, 1}},
                      // "%d" stops at the full stop: four values, a triangle.
                      SElementCase{"StopsAtFullStop", "7 1 2 3.5", {1, 2, 3}},
                      SElementCase{"BlanksAndPlus", "  \t+7 +1\t 2  ", {1, 2}},
                      SElementCase{"TextAfterValues", "7 2 3 4 1 and more", {2, 3, 4, 1}},
                      SElementCase{"SixValues", "7 1 2 3 4 1", {1, 2, 3, 4}},
                      SElementCase{"TwoValues", "7 1", {}}, SElementCase{"OneValue", "7", {}},
                      SElementCase{"Blank", "   ", {}}, SElementCase{"Empty", "", {}},
                      SElementCase{"Text", "END", {}},
                      SElementCase{"IntOverflow", "7 1 99999999999", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AscImportTest, MeshInFileOrderWithCrlfAndBlankLines) {
    CCounterGuard counter(10);
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
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
    const SImport r = Import(doc, prompter, text);
    EXPECT_EQ(r.result, EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(Coords(PolyAt(doc, 0)), (C{{5432109.123, 6543210.987, 101.25},
                                         {5432119.123, 6543210.987, 101.25},
                                         {5432109.123, 6543220.987, 101.25}}));
    EXPECT_EQ(Coords(PolyAt(doc, 1)),
              (C{{5432109.123, 6543220.987, 101.25}, {5432109.123, 6543210.987, 101.25}}));
    EXPECT_EQ(doc.GetEntity(0)->m_number, 11);
    EXPECT_EQ(doc.GetEntity(1)->m_number, 12);
    EXPECT_EQ(doc.GetEntity(1)->m_layer, 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetMaxCorner().y, 6543220.987);
}

struct SSkipCase {
    const char* name;
    std::string text;
    int entities;
    int skipped;
};

class AscSkipTest : public ::testing::TestWithParam<SSkipCase> {};

// The reader never looks outside its node list: elements that would are skipped and counted.
TEST_P(AscSkipTest, BadPositionsAreSkippedAndCounted) {
    const SSkipCase& c = GetParam();
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    const SImport r = Import(doc, prompter, c.text);
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), c.entities);
    if (c.skipped == 0) {
        EXPECT_TRUE(r.messages.empty());
    } else {
        EXPECT_EQ(r.messages, std::vector<std::string>{std::to_string(c.skipped) +
                                                       " elements were skipped: they refer to "
                                                       "nodes outside the node list or to node "
                                                       "lines that could not be read."});
    }
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        for (const CPoint3& v : PolyAt(doc, i).m_vertices) {
            EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, AscSkipTest,
    ::testing::Values(
        SSkipCase{"PositionZero", kNodes + "1 0 1\n1 1 2\n", 1, 1},
        SSkipCase{"PositionPastTheList", kNodes + "1 1 5\n1 2 3 4 5\n1 4 3\n", 1, 2},
        SSkipCase{"NegativePosition", kNodes + "1 -1 2 3\n", 0, 1},
        SSkipCase{"NodeLineNotScanned", "3\n1 0 0 0\n2 x 1 1\n3 1 1\n1 1 3\n1 1 2\n1 2 3\n", 0, 3},
        SSkipCase{"BlankNodeLine", "2\n1 0 0 0\n\n1 1 2\n", 0, 1},
        SSkipCase{"NoNodeCount", "nodes\n1 1 2\n2 1 2 3\n3 x\n", 0, 2},
        SSkipCase{"NegativeNodeCount", "-4\n1 1 2\n", 0, 1},
        // Too few node lines: the element lines are read as nodes, nothing is left over.
        SSkipCase{"FewerNodeLinesThanCount", "9\n1 0 0 0\n2 1 0 0\n1 1 2\n", 0, 0},
        SSkipCase{"HugeNodeCount", "2000000000\n1 0 0 0\n", 0, 0},
        // A count beyond int does not scan: no nodes, and the node line reads as an element.
        SSkipCase{"NodeCountBeyondInt", "1000000000000\n1 0 0 0\n", 0, 1},
        SSkipCase{"EmptyFile", "", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AscImportTest, BinaryBytesAndHugeLines) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    // A NUL ends what a line says; a 3 MiB line of digits is one element line that does not
    // convert; neither takes the reader outside its node list.
    const std::string text = kNodes + std::string("1 1 2\0 3 4\n", 11) + std::string(3 << 20, '9') +
                             "\n\xff\xfe\x01\n2 4 3 2 1\n";
    const SImport r = Import(doc, prompter, text);
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(PolyAt(doc, 0).GetVertexCount(), 2);
    EXPECT_EQ(PolyAt(doc, 1).GetVertexCount(), 4);
}

TEST(AscImportTest, OpenFailuresAndWiring) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    EXPECT_EQ(ImportAscFile(doc, "/nonexistent/x.asc"), EImportResult::OpenFailed);
    EXPECT_EQ(ImportAscFile(doc, "/tmp"), EImportResult::OpenFailed);
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_FALSE(doc.IsModified());
    CCounterGuard counter;
    CTempFile file(kNodes + "1 1 2 3\n", ".pnt");
    EXPECT_EQ(ImportByFilterIndex(doc, 7, file.path), EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), 1);
    EXPECT_EQ(ImportFilterIndexForKind(".asc"), 7);
}

}  // namespace
