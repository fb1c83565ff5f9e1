#include <gtest/gtest.h>

#include "document/TAVDoc.h"
#include "exchange/CurveImport.h"
#include "exchange/ImportCommand.h"
#include "exchange/ShipImportTestUtil.h"
#include "support/RecordingPrompter.h"

using shiptest::CCounterGuard;
using shiptest::Coords;
using shiptest::CTempFile;
using shiptest::PolyAt;
using C = std::vector<std::array<double, 3>>;

namespace {

// One curve with two contours, moved by (100, 200, 300). Line numbers in the comments.
const std::vector<std::string> kCurve = {
    "BEGIN CURVES",               // 1
    "CURVE: K1",                  // 2
    "2",                          // 3
    "CONTOUR:",                   // 4
    "4",                          // 5
    "0 0",                        // 6
    "1 0",                        // 7
    "1 1",                        // 8
    "0 0",                        // 9
    "END CONTOUR",                // 10
    "CONTOUR:",                   // 11
    "2",                          // 12
    "5 5",                        // 13
    "6 5",                        // 14
    "END CONTOUR",                // 15
    "TRANSFORMATION MATRIX",      // 16
    "1 0 0 0",                    // 17
    "0 1 0 0",                    // 18
    "0 0 1 0",                    // 19
    "100 200 300 1",              // 20
    "END TRANSFORMATION MATRIX",  // 21
    "END CURVE:",                 // 22
};

std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string s;
    for (const std::string& l : lines) {
        s += l + end;
    }
    return s;
}

// kCurve with lines first..last (from 1) replaced by with, then cut after keep lines when
// keep > 0.
std::string Edit(int first, int last, const std::vector<std::string>& with, int keep = 0) {
    std::vector<std::string> lines = kCurve;
    lines.erase(lines.begin() + (first - 1), lines.begin() + last);
    lines.insert(lines.begin() + (first - 1), with.begin(), with.end());
    if (keep > 0) {
        lines.resize(static_cast<size_t>(keep));
    }
    return Join(lines);
}

std::string Replace(int n, const std::string& with) {
    return Edit(n, n, {with});
}

std::string Upto(int n) {
    return Join(std::vector<std::string>(kCurve.begin(), kCurve.begin() + n));
}

struct SImport {
    EImportResult result;
    std::vector<std::string> messages;
};

SImport Import(CTAVDoc& doc, CRecordingPrompter& prompter, const std::string& text) {
    CTempFile file(text, ".crv");
    SImport r;
    r.result = ImportCurveFile(doc, file.path);
    for (const auto& m : prompter.messages) {
        r.messages.push_back(m.text);
    }
    return r;
}

const C kFirst{{100, 200, 300}, {101, 200, 300}, {101, 201, 300}, {100, 200, 300}};
const C kSecond{{105, 205, 300}, {106, 205, 300}};

TEST(CurveImportTest, EveryContourIsAnOpenPolylineOfTheCurve) {
    CCounterGuard counter(7);
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().emplace_back("B", 0, 1);
    doc.SetCurrentLayer(1);
    // A third contour, and CRLF line ends.
    const SImport r = Import(
        doc, prompter,
        Join(std::vector<std::string>(kCurve.begin(), kCurve.begin() + 2)) +
            Join({"3", "CONTOUR:", "4", "0 0", "1 0", "1 1", "0 0", "END CONTOUR", "CONTOUR:", "2",
                  "5 5", "6 5", "END CONTOUR", "CONTOUR:", "0", "END CONTOUR"},
                 "\r\n") +
            Join(std::vector<std::string>(kCurve.begin() + 15, kCurve.end()), "\r\n"));
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(doc.GetEntityCount(), 3);
    // Every node is a vertex; a last node equal to the first does not close the polyline.
    EXPECT_EQ(Coords(PolyAt(doc, 0)), kFirst);
    EXPECT_EQ(Coords(PolyAt(doc, 1)), kSecond);
    EXPECT_EQ(Coords(PolyAt(doc, 2)), C{});
    for (int i = 0; i < 3; ++i) {
        const CPoly& p = PolyAt(doc, i);
        EXPECT_EQ(p.m_closed, 0);
        EXPECT_EQ(p.m_name, "K1");
        EXPECT_EQ(p.m_number, 8 + i);
        EXPECT_EQ(p.m_layer, 1);
        EXPECT_EQ(p.m_color[1], 1.0);
    }
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetMaxCorner().x, 106.0);
}

TEST(CurveImportTest, MatrixColumnsSeveralCurvesAndNames) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    std::vector<std::string> second = kCurve;
    second.erase(second.begin());
    second[0] =
        "CURVE: \xA3\xF3"
        "d\x9F";
    second[15] = "0 1 0 0";   // X goes to +Y
    second[16] = "-1 0 0 0";  // Y goes to -X
    const SImport r =
        Import(doc, prompter, Join(kCurve) + Join(second) + "END CURVES\nCURVE: never read\n");
    EXPECT_EQ(r.result, EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 4);
    EXPECT_EQ(PolyAt(doc, 3).m_name, "Łódź");
    EXPECT_EQ(Coords(PolyAt(doc, 3)), (C{{95, 205, 300}, {95, 206, 300}}));
}

TEST(CurveImportTest, HeaderOnlyStillRefreshes) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    EXPECT_EQ(Import(doc, prompter, "BEGIN CURVES\n").result, EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(prompter.messages.empty());
}

struct SStopCase {
    const char* name;
    std::string text;
    std::string message;  // "" for a silent stop
    int entities;         // left in the drawing
    bool placed;          // and moved by the matrix
};

class CurveStopTest : public ::testing::TestWithParam<SStopCase> {};

TEST_P(CurveStopTest, MessageAndWhatStays) {
    const SStopCase& c = GetParam();
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    const SImport r = Import(doc, prompter, c.text);
    if (c.message.empty()) {
        EXPECT_EQ(r.result, EImportResult::Done);
        EXPECT_TRUE(r.messages.empty());
    } else {
        EXPECT_EQ(r.result, EImportResult::Refused);
        EXPECT_EQ(r.messages, std::vector<std::string>{c.message});
    }
    ASSERT_EQ(doc.GetEntityCount(), c.entities);
    // A silent stop finishes normally; an error stop finishes whatever stays.
    EXPECT_EQ(doc.IsModified(), c.message.empty() || c.entities > 0);
    const C expected[2] = {c.placed ? kFirst : C{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}},
                           c.placed ? kSecond : C{{5, 5, 0}, {6, 5, 0}}};
    for (int i = 0; i < c.entities; ++i) {
        EXPECT_EQ(Coords(PolyAt(doc, i)), expected[i]) << i;
        EXPECT_EQ(PolyAt(doc, i).m_number, i + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CurveStopTest,
    ::testing::Values(
        SStopCase{"EmptyFile", "", "Wrong .CRV file header!", 0, false},
        SStopCase{"PanelHeader", Replace(1, "BEGIN PANELS"), "Wrong .CRV file header!", 0, false},
        SStopCase{"NoName", Replace(2, "CURVE:"), "Can not read name of the curve!", 0, false},
        SStopCase{"EndAfterName", Upto(2), "", 0, false},
        SStopCase{"ContourCount", Replace(3, "two"), "Can not read number of contours!", 0, false},
        SStopCase{"ContourHead", Replace(4, "CONTOUR"), "Can not read head of contour!", 0, false},
        SStopCase{"ContourHeadCut", Upto(3), "Can not read head of contour!", 0, false},
        SStopCase{"EndBeforeNodeCount", Upto(4), "", 0, false},
        SStopCase{"EndBeforeSecondNodeCount", Upto(11), "", 1, false},
        SStopCase{"NodeCount", Replace(5, "x"), "Can not read number of nodes!", 0, false},
        SStopCase{"NegativeNodeCount", Replace(12, "-2"), "Number of nodes can not be negative!", 1,
                  false},
        SStopCase{"VerticesCut", Upto(13), "Not all vertices read!", 1, false},
        SStopCase{"HugeNodeCount", Edit(12, 12, {"2000000000"}, 14), "Not all vertices read!", 1,
                  false},
        SStopCase{"VertexError", Replace(14, "6;5"), "Vertex coordinates read error!", 1, false},
        SStopCase{"ContourEnd", Replace(15, "END"), "Can not read end of countour!", 2, false},
        SStopCase{"MatrixBegin", Replace(16, "MATRIX"),
                  "Can not read begin of transformation matrix!", 2, false},
        SStopCase{"MatrixLine4", Replace(20, "100 200 300"),
                  "Error in the 4 line of transformation matrix!", 2, false},
        SStopCase{"MatrixCut", Upto(17), "Can not read the 2 line of transformation matrix!", 2,
                  false},
        SStopCase{"MatrixEnd", Replace(21, "END"), "Can not read end of transformation matrix!", 2,
                  false},
        // The curve is placed before its end line is read.
        SStopCase{"CurveEnd", Replace(22, "END CURVES"), "Can not read end of curve!", 2, true},
        SStopCase{"CurveEndCut", Upto(21), "Can not read end of curve!", 2, true},
        SStopCase{"SecondCurveCut", Join(kCurve) + "CURVE: K2\n", "", 2, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CurveImportTest, OpenFailuresAndWiring) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    EXPECT_EQ(ImportCurveFile(doc, "/nonexistent/x.crv"), EImportResult::OpenFailed);
    EXPECT_EQ(ImportCurveFile(doc, "/tmp"), EImportResult::OpenFailed);
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_FALSE(doc.IsModified());
    CCounterGuard counter;
    CTempFile file(Join(kCurve), ".pnt");
    EXPECT_EQ(ImportByFilterIndex(doc, 4, file.path), EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(ImportFilterIndexForKind("CRV"), 4);
}

}  // namespace
