#include "exchange/PanelImport.h"

#include <gtest/gtest.h>

#include "exchange/ReaderTestUtil.h"

namespace {

// One panel with one plate (a triangle, N = 4) and one stiffener, moved by (100, 200, 300).
// Line numbers matter to the error cases below.
const std::vector<std::string> kPanel = Split(
    "BEGIN PANELS|PANEL: P1|1|PLATE: A|CONTOUR:|4|0 0|10 0|"            // 1-8
    "10 5|0 0|END CONTOUR|DISTANCE1: 5|DISTANCE2: 4.5|END PLATE:|"      // 9-14
    "BEGIN STIFFENERS|1|STIFFENER: S1|2|0 1|10 1|END STIFFENER:|"       // 15-21
    "END STIFFENERS|TRANSFORMATION MATRIX|1 0 0 0|0 1 0 0|0 0 1 0|"     // 22-26
    "100 200 300 1|END TRANSFORMATION MATRIX|SYMMETRY: 1|END PANEL:");  // 27-30

std::string Replace(int n, const std::string& with) {
    return Edit(kPanel, n, n, {with});
}

std::string Upto(int n) {
    return ::Upto(kPanel, n);
}

struct SPanelRun : SReaderRun {
    explicit SPanelRun(int counter = 0) : SReaderRun(ImportPanelFile, ".pnl", counter) {}
};

TEST(PanelImportTest, PlateStiffenerAndPlacement) {
    SPanelRun r(40);
    r.doc.Layers().emplace_back("B", 0, 1);
    r.doc.SetCurrentLayer(1);
    // N = 5 with five lines: four vertices; the fifth line is never parsed.
    r.Run(Edit(kPanel, 6, 10, {"5", "0 0", "10 0", "10 5", "0 5", "closing, not read"}));
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(Describe(r.doc, 12),
              "polygon [100 200 300, 110 200 300, 110 205 300, 100 205 300] planar n=0 0 1 tess "
              "fan=1 L1 #41 name=A rgb=1 1 1\n"
              "line [100 201 300, 110 201 300] L1 #42 name=P1 stf: S1 rgb=1 1 1\n");
    EXPECT_FALSE(PolyAt(r.doc, 0).FillPrimitives().empty());
    EXPECT_TRUE(r.doc.IsModified());
    EXPECT_EQ(r.doc.GetMaxCorner().x, 110.0);
    EXPECT_EQ(r.doc.GetMinCorner().y, 200.0);
}

TEST(PanelImportTest, MatrixLinesAreColumns) {
    SPanelRun r;
    // Column 1 sends X to +Y, column 2 sends Y to -X.
    ASSERT_EQ(r.Run(Edit(kPanel, 24, 25, {"0 1 0 0", "-1 0 0 0"})), EImportResult::Done);
    EXPECT_EQ(Coords(PolyAt(r.doc, 1)), (Coords3{{99, 200, 300}, {99, 210, 300}}));
}

TEST(PanelImportTest, StiffenersOnlyCrlfAndWindows1250Names) {
    std::vector<std::string> lines = {"BEGIN PANELS",
                                      "PANEL: \xA3\xF3"
                                      "d\x9F"};
    lines.insert(lines.end(), kPanel.begin() + 14, kPanel.end());
    lines[4] = "STIFFENER: \x8C\x9C";
    SPanelRun r;
    EXPECT_EQ(r.Run(Join(lines, "\r\n")), EImportResult::Done);
    ASSERT_EQ(r.doc.GetEntityCount(), 1);
    EXPECT_EQ(PolyAt(r.doc, 0).m_name, "Łódź stf: Śś");
}

TEST(PanelImportTest, SeveralPanelsAndHowTheFileMayEnd) {
    std::vector<std::string> two = kPanel;
    two.back() = "END PANEL: P1 (text may follow)";
    two.insert(two.end(), kPanel.begin() + 1, kPanel.end());
    two[30] = "PANEL: P2";
    for (const char* tail : {"", "END PANELS\n", "anything else\nPANEL: P3\n"}) {
        SPanelRun r;
        EXPECT_EQ(r.Run(Join(two) + tail), EImportResult::Done) << tail;
        EXPECT_TRUE(r.messages.empty()) << tail;
        ASSERT_EQ(r.doc.GetEntityCount(), 4) << tail;
        EXPECT_EQ(PolyAt(r.doc, 3).m_name, "P2 stf: S1");
        EXPECT_EQ(r.doc.GetEntity(3)->m_number, r.doc.GetEntity(0)->m_number + 3);
    }
    // A file with no panel at all is read and still refreshes the drawing.
    SPanelRun r;
    EXPECT_EQ(r.Run("BEGIN PANELS\r\n"), EImportResult::Done);
    EXPECT_TRUE(r.doc.IsModified());
}

TEST(PanelImportTest, SymmetryCopiesAndMirrors) {
    const struct {
        int code;
        bool original;  // the panel itself is created
        bool mirrored;  // a mirrored panel is created
    } cases[] = {{0, true, true},   {10, true, true}, {2, false, true},
                 {11, false, true}, {1, true, false}, {-7, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        SPanelRun r;
        ASSERT_EQ(r.Run(Replace(29, "SYMMETRY: " + std::to_string(c.code))), EImportResult::Done);
        std::vector<Coords3> expected;
        for (const double s : {1.0, -1.0}) {
            if (s > 0 ? c.original : c.mirrored) {
                expected.push_back({{100, 200 * s, 300}, {110, 200 * s, 300}, {110, 205 * s, 300}});
                expected.push_back({{100, 201 * s, 300}, {110, 201 * s, 300}});
            }
        }
        ASSERT_EQ(r.doc.GetEntityCount(), static_cast<int>(expected.size()));
        for (int i = 0; i < r.doc.GetEntityCount(); ++i) {
            const CPoly& p = PolyAt(r.doc, i);
            EXPECT_EQ(Coords(p), expected[static_cast<size_t>(i)]) << i;
            EXPECT_EQ(p.m_number, i + 1);
            EXPECT_EQ(p.m_name, i % 2 ? "P1 stf: S1" : "A");
            EXPECT_EQ(p.m_closed, i % 2 ? 0 : 1);
            if (p.m_closed) {
                // The triangulation follows the placed vertices, mirrored ones included.
                const std::vector<CTessPrimitive> fill = p.FillPrimitives();
                ASSERT_EQ(fill.size(), 1u);
                for (const CPoint3& t : fill[0].points) {
                    EXPECT_EQ(t.y < 0, p.m_vertices[0].y < 0);
                }
            }
        }
    }
}

struct SErrorCase {
    const char* name;
    std::string text;
    int line;
    std::string message;
    int entities;  // left in the drawing
    bool placed;   // and moved by the matrix
};

const SErrorCase kErrors[] = {
    {"EmptyFile", "", 1, "Wrong .PNL file header!", 0, false},
    {"CurveHeader", Replace(1, "BEGIN CURVES"), 1, "Wrong .PNL file header!", 0, false},
    {"NoPanelName", Replace(2, "PANEL:  "), 2, "Can not read name of the panel!", 0, false},
    {"EndAfterName", Upto(2), 3, "Can not read 1st line of panel data!", 0, false},
    {"PlateCount", Replace(3, "one"), 3, "Can not read number of plates!", 0, false},
    {"ZeroPlates", Replace(3, "0"), 3, "Panel must have plates defined!", 0, false},
    {"ContourBegin", Replace(5, "CONTOUR"), 5, "Can not read begin of the plate contour!", 0,
     false},
    {"VertexCount", Replace(6, "four"), 6, "Can not read number of vertices!", 0, false},
    {"ContourOfOne", Replace(6, "1"), 6, "Plate contour must have at least two vertices!", 0,
     false},
    {"NegativeContour", Replace(6, "-3"), 6, "Plate contour must have at least two vertices!", 0,
     false},
    {"VertexError", Replace(8, "10 x"), 8, "Vertex coordinates read error!", 0, false},
    {"VerticesCut", Upto(8), 9, "Not all vertices read!", 0, false},
    {"HugeVertexCount", Edit(kPanel, 6, 6, {"2000000000"}, 10), 11, "Not all vertices read!", 0,
     false},
    {"ContourEnd", Replace(11, "END"), 11, "Can not read end of countour!", 1, false},
    {"Thickness1", Replace(12, "DISTANCE1:"), 12, "Can not read first part of the plate thickness!",
     1, false},
    {"Thickness2", Replace(13, "DISTANCE2 4"), 13,
     "Can not read second part of the plate thickness!", 1, false},
    {"PlateEnd", Replace(14, "END PLATE"), 14, "Can not read end of the plate!", 1, false},
    {"StiffenerCount", Replace(16, "x"), 16, "Can not read number of Stiffeners!", 1, false},
    {"StiffenerName", Replace(17, "STIFFENER:"), 17, "Can not read name of the stiffener!", 1,
     false},
    {"StiffenerVertexCount", Replace(18, "two"), 18, "Can not read number of vertices!", 1, false},
    {"ThreeVertexStiffener", Replace(18, "3"), 18, "Stiffener must have exactly two vertices!", 1,
     false},
    {"StiffenerVertex", Replace(20, "10"), 20, "Vertex coordinates read error!", 1, false},
    {"StiffenerVerticesCut", Upto(19), 20, "Not all vertices read!", 1, false},
    {"StiffenerEnd", Replace(21, "END STIFFENERS"), 21, "Can not read end of the stiffener!", 2,
     false},
    {"StiffenersEnd", Replace(22, "END STIFFENER:"), 22, "Expecting END STIFFENERS!", 2, false},
    {"MatrixBegin", Replace(23, "TRANSFORMATION"), 23,
     "Can not read begin of transformation matrix!", 2, false},
    {"MatrixBeginWithoutStiffeners", Replace(15, "MATRIX"), 15,
     "Can not read begin of transformation matrix!", 1, false},
    {"MatrixLine2", Replace(25, "0 1 0"), 25, "Error in the 2 line of transformation matrix!", 2,
     false},
    {"MatrixCut", Upto(25), 26, "Can not read the 3 line of transformation matrix!", 2, false},
    {"MatrixEnd", Replace(28, "END MATRIX"), 28, "Can not read end of transformation matrix!", 2,
     false},
    {"Symmetry", Replace(29, "SYMMETRY: none"), 29, "Can not read symmetry of the panel!", 2,
     false},
    // The panel is placed before its end line is read.
    {"PanelEnd", Replace(30, "END PANELS"), 30, "Expecting END PANEL:!", 2, true},
    {"PanelEndCut", Upto(29), 30, "Expecting END PANEL:!", 2, true},
    {"SecondPanelName", Join(kPanel) + "PANEL:\n", 31, "Can not read name of the panel!", 2, true},
};

TEST(PanelImportTest, ErrorsStopWithTheMessageAndKeepFinishedEntities) {
    for (const SErrorCase& c : kErrors) {
        SCOPED_TRACE(c.name);
        SPanelRun r;
        EXPECT_EQ(r.Run(c.text), EImportResult::Refused);
        EXPECT_EQ(r.messages,
                  std::vector<std::string>{"Line: " + std::to_string(c.line) + ". \n" + c.message});
        ASSERT_EQ(r.doc.GetEntityCount(), c.entities);
        // What stays is shown and counted like any import.
        EXPECT_EQ(r.doc.IsModified(), c.entities > 0);
        EXPECT_EQ(r.prompter.waitDepth, 0);
        for (int i = 0; i < c.entities; ++i) {
            const CPoly& p = PolyAt(r.doc, i);
            EXPECT_EQ(p.m_number, i + 1);
            EXPECT_EQ(p.m_vertices[0].x >= 100.0, c.placed) << i;
            EXPECT_EQ(Coords(p).size(), p.m_closed ? 3u : 2u);
            if (p.m_closed) {
                EXPECT_EQ(p.m_tessellated, 1);
                EXPECT_EQ(p.FillPrimitives().size(), 1u);
            }
        }
        if (c.entities > 0) {
            EXPECT_EQ(r.doc.GetMaxCorner().x, c.placed ? 110.0 : 10.0);
        }
    }
}

std::string SkippedPlate(int line, int plate) {
    return "Line: " + std::to_string(line) +
           ". \nCan not read name of the plate! \nSkipping plate no. " + std::to_string(plate) +
           " in panel: P1.";
}

TEST(PanelImportTest, BadPlateNameLineSkipsThatPlateAndReadingGoesOn) {
    // Two plates announced, one given: the stiffener block stands where the second plate's
    // name should be; after the message it is read as usual. A stray line before the first
    // plate takes the first plate's turn.
    const struct {
        std::string text;
        std::vector<std::string> messages;
    } goOn[] = {{Replace(3, "2"), {SkippedPlate(15, 2)}},
                {Edit(kPanel, 3, 3, {"2", "stray"}), {SkippedPlate(4, 1)}}};
    for (const auto& c : goOn) {
        SPanelRun r;
        EXPECT_EQ(r.Run(c.text), EImportResult::Done);
        EXPECT_EQ(r.messages, c.messages);
        ASSERT_EQ(r.doc.GetEntityCount(), 2);
        EXPECT_EQ(Coords(PolyAt(r.doc, 0)).size(), 3u);
    }
    // Each bad line takes one plate's turn; the last failed line is the one examined next.
    SPanelRun r;
    EXPECT_EQ(r.Run(Edit(kPanel, 3, 4, {"2", "PLATE:"})), EImportResult::Refused);
    EXPECT_EQ(r.messages, (std::vector<std::string>{
                              SkippedPlate(4, 1), SkippedPlate(5, 2),
                              "Line: 5. \nCan not read begin of transformation matrix!"}));
    EXPECT_EQ(r.doc.GetEntityCount(), 0);
    EXPECT_FALSE(r.doc.IsModified());
}

TEST(PanelImportTest, EndOfFileWhilePlatesAreDueSaysSoOnce) {
    for (const char* count : {"3", "2000000000"}) {
        SPanelRun r;
        EXPECT_EQ(r.Run(Edit(kPanel, 3, 3, {count}, 14)), EImportResult::Refused);
        EXPECT_EQ(
            r.messages,
            std::vector<std::string>{
                "Line: 15. \nUnexpected end of file! \nPlate no. 2 in panel: P1 is missing."});
        // The finished plate stays where the panel plane has it, triangulated.
        ASSERT_EQ(r.doc.GetEntityCount(), 1);
        EXPECT_EQ(Coords(PolyAt(r.doc, 0)), (Coords3{{0, 0, 0}, {10, 0, 0}, {10, 5, 0}}));
        EXPECT_EQ(PolyAt(r.doc, 0).FillPrimitives().size(), 1u);
        EXPECT_TRUE(r.doc.IsModified());
    }
}

TEST(PanelImportTest, PlateMessagesAreCappedLikeOtherLineMessages) {
    std::vector<std::string> lines(kPanel.begin(), kPanel.begin() + 2);
    lines.push_back("25");
    lines.insert(lines.end(), 25, "not a plate");
    SPanelRun r;
    r.Run(Join(lines));
    // Ten plate messages, the stop on the kept line, and the count of the rest.
    ASSERT_EQ(r.messages.size(), 12u);
    EXPECT_EQ(r.messages[9], SkippedPlate(13, 10));
    EXPECT_EQ(r.messages[10], "Line: 28. \nCan not read begin of transformation matrix!");
    EXPECT_NE(r.messages[11].find("15"), std::string::npos);
}

TEST(PanelImportTest, NulBytesAndHugeLines) {
    // A name ends at a NUL byte as in a C string; a 3 MiB line is read as far as it is kept.
    std::vector<std::string> lines = kPanel;
    lines[1] = std::string("PANEL: P\0hidden", 15);
    lines[18] = "0 " + std::string(3 << 20, 'x');
    SPanelRun r;
    r.Run(Join(lines));
    EXPECT_EQ(r.messages, std::vector<std::string>{"Line: 19. \nVertex coordinates read error!"});
    ASSERT_EQ(r.doc.GetEntityCount(), 1);
    lines[18] = "0 1";
    SPanelRun ok;
    EXPECT_EQ(ok.Run(Join(lines)), EImportResult::Done);
    EXPECT_EQ(PolyAt(ok.doc, 1).m_name, "P stf: S1");
}

}  // namespace
