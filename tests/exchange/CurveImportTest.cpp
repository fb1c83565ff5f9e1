#include "exchange/CurveImport.h"

#include <gtest/gtest.h>

#include "exchange/ReaderTestUtil.h"

namespace {

// One curve with two contours, moved by (100, 200, 300). Line numbers matter to the cases.
const std::vector<std::string> kCurve = Split(
    "BEGIN CURVES|CURVE: K1|2|CONTOUR:|4|0 0|1 0|1 1|0 0|"          // 1-9
    "END CONTOUR|CONTOUR:|2|5 5|6 5|END CONTOUR|"                   // 10-15
    "TRANSFORMATION MATRIX|1 0 0 0|0 1 0 0|0 0 1 0|100 200 300 1|"  // 16-20
    "END TRANSFORMATION MATRIX|END CURVE:");                        // 21-22

std::string Replace(int n, const std::string& with) {
    return Edit(kCurve, n, n, {with});
}

std::string Upto(int n) {
    return ::Upto(kCurve, n);
}

struct SCurveRun : SReaderRun {
    explicit SCurveRun(int counter = 0) : SReaderRun(ImportCurveFile, ".crv", counter) {}
};

const Coords3 kFirst{{100, 200, 300}, {101, 200, 300}, {101, 201, 300}, {100, 200, 300}};
const Coords3 kSecond{{105, 205, 300}, {106, 205, 300}};

TEST(CurveImportTest, EveryContourIsAnOpenPolylineOfTheCurve) {
    SCurveRun r(7);
    r.doc.Layers().emplace_back("B", 0, 1);
    r.doc.SetCurrentLayer(1);
    // A third contour, and CRLF line ends.
    r.Run(Upto(2) +
          Join({"3", "CONTOUR:", "4", "0 0", "1 0", "1 1", "0 0", "END CONTOUR", "CONTOUR:", "2",
                "5 5", "6 5", "END CONTOUR", "CONTOUR:", "0", "END CONTOUR"},
               "\r\n") +
          Join(std::vector<std::string>(kCurve.begin() + 15, kCurve.end()), "\r\n"));
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    // Every node is a vertex; a last node equal to the first does not close the polyline.
    EXPECT_EQ(Describe(r.doc),
              "line [100 200 300, 101 200 300, 101 201 300, 100 200 300] L1 #8 name=K1 rgb=1 1 1\n"
              "line [105 205 300, 106 205 300] L1 #9 name=K1 rgb=1 1 1\n"
              "line [] L1 #10 name=K1 rgb=1 1 1\n");
}

TEST(CurveImportTest, MatrixColumnsSeveralCurvesAndNames) {
    std::vector<std::string> second(kCurve.begin() + 1, kCurve.end());
    second[0] =
        "CURVE: \xA3\xF3"
        "d\x9F";
    second[15] = "0 1 0 0";   // X goes to +Y
    second[16] = "-1 0 0 0";  // Y goes to -X
    SCurveRun r;
    EXPECT_EQ(r.Run(Join(kCurve) + Join(second) + "END CURVES\nCURVE: never read\n"),
              EImportResult::Done);
    ASSERT_EQ(r.doc.GetEntityCount(), 4);
    EXPECT_EQ(PolyAt(r.doc, 3).m_name, "Łódź");
    EXPECT_EQ(Coords(PolyAt(r.doc, 3)), (Coords3{{95, 205, 300}, {95, 206, 300}}));
    SCurveRun empty;  // a header alone
    EXPECT_EQ(empty.Run("BEGIN CURVES\n"), EImportResult::Done);
    EXPECT_TRUE(empty.messages.empty());
}

struct SStopCase {
    const char* name;
    std::string text;
    std::string message;  // "" for a silent stop
    int entities;         // left in the drawing
    bool placed;          // and moved by the matrix
};

TEST(CurveImportTest, StopsWithTheMessageAndWhatStays) {
    const SStopCase cases[] = {
        {"EmptyFile", "", "Wrong .CRV file header!", 0, false},
        {"PanelHeader", Replace(1, "BEGIN PANELS"), "Wrong .CRV file header!", 0, false},
        {"NoName", Replace(2, "CURVE:"), "Can not read name of the curve!", 0, false},
        {"EndAfterName", Upto(2), "", 0, false},
        {"ContourCount", Replace(3, "two"), "Can not read number of contours!", 0, false},
        {"ContourHead", Replace(4, "CONTOUR"), "Can not read head of contour!", 0, false},
        {"ContourHeadCut", Upto(3), "Can not read head of contour!", 0, false},
        {"EndBeforeNodeCount", Upto(4), "", 0, false},
        {"EndBeforeSecondNodeCount", Upto(11), "", 1, false},
        {"NodeCount", Replace(5, "x"), "Can not read number of nodes!", 0, false},
        {"NegativeNodeCount", Replace(12, "-2"), "Number of nodes can not be negative!", 1, false},
        {"VerticesCut", Upto(13), "Not all vertices read!", 1, false},
        {"HugeNodeCount", Edit(kCurve, 12, 12, {"2000000000"}, 14), "Not all vertices read!", 1,
         false},
        {"VertexError", Replace(14, "6;5"), "Vertex coordinates read error!", 1, false},
        {"ContourEnd", Replace(15, "END"), "Can not read end of countour!", 2, false},
        {"MatrixBegin", Replace(16, "MATRIX"), "Can not read begin of transformation matrix!", 2,
         false},
        {"MatrixLine4", Replace(20, "100 200 300"), "Error in the 4 line of transformation matrix!",
         2, false},
        {"MatrixCut", Upto(17), "Can not read the 2 line of transformation matrix!", 2, false},
        {"MatrixEnd", Replace(21, "END"), "Can not read end of transformation matrix!", 2, false},
        // The curve is placed before its end line is read.
        {"CurveEnd", Replace(22, "END CURVES"), "Can not read end of curve!", 2, true},
        {"CurveEndCut", Upto(21), "Can not read end of curve!", 2, true},
        {"SecondCurveCut", Join(kCurve) + "CURVE: K2\n", "", 2, true},
    };
    for (const SStopCase& c : cases) {
        SCOPED_TRACE(c.name);
        SCurveRun r;
        r.Run(c.text);
        EXPECT_EQ(r.result, c.message.empty() ? EImportResult::Done : EImportResult::Refused);
        EXPECT_EQ(r.messages, c.message.empty() ? std::vector<std::string>{}
                                                : std::vector<std::string>{c.message});
        ASSERT_EQ(r.doc.GetEntityCount(), c.entities);
        // A silent stop finishes normally; an error stop finishes whatever stays.
        EXPECT_EQ(r.doc.IsModified(), c.message.empty() || c.entities > 0);
        const Coords3 expected[2] = {
            c.placed ? kFirst : Coords3{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}},
            c.placed ? kSecond : Coords3{{5, 5, 0}, {6, 5, 0}}};
        for (int i = 0; i < c.entities; ++i) {
            EXPECT_EQ(Coords(PolyAt(r.doc, i)), expected[i]) << i;
            EXPECT_EQ(PolyAt(r.doc, i).m_number, i + 1);
        }
    }
}

}  // namespace
