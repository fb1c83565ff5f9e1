#include <gtest/gtest.h>

#include <cmath>

#include "document/TAVDoc.h"
#include "exchange/ImportCommand.h"
#include "exchange/PanelImport.h"
#include "exchange/ShipImportTestUtil.h"
#include "support/RecordingPrompter.h"

using shiptest::CCounterGuard;
using shiptest::Coords;
using shiptest::CTempFile;
using shiptest::PolyAt;
using C = std::vector<std::array<double, 3>>;

namespace {

// One panel with one plate (a triangle, N = 4) and one stiffener, moved by (100, 200, 300).
// Line numbers matter to the error cases below.
const std::vector<std::string> kPanel = {
    "BEGIN PANELS",               // 1
    "PANEL: P1",                  // 2
    "1",                          // 3
    "PLATE: A",                   // 4
    "CONTOUR:",                   // 5
    "4",                          // 6
    "0 0",                        // 7
    "10 0",                       // 8
    "10 5",                       // 9
    "0 0",                        // 10
    "END CONTOUR",                // 11
    "DISTANCE1: 5",               // 12
    "DISTANCE2: 4.5",             // 13
    "END PLATE:",                 // 14
    "BEGIN STIFFENERS",           // 15
    "1",                          // 16
    "STIFFENER: S1",              // 17
    "2",                          // 18
    "0 1",                        // 19
    "10 1",                       // 20
    "END STIFFENER:",             // 21
    "END STIFFENERS",             // 22
    "TRANSFORMATION MATRIX",      // 23
    "1 0 0 0",                    // 24
    "0 1 0 0",                    // 25
    "0 0 1 0",                    // 26
    "100 200 300 1",              // 27
    "END TRANSFORMATION MATRIX",  // 28
    "SYMMETRY: 1",                // 29
    "END PANEL:",                 // 30
};

std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string s;
    for (const std::string& l : lines) {
        s += l + end;
    }
    return s;
}

// kPanel with lines first..last (from 1) replaced by with, then cut after keep lines when
// keep > 0.
std::string Edit(int first, int last, const std::vector<std::string>& with, int keep = 0) {
    std::vector<std::string> lines = kPanel;
    lines.erase(lines.begin() + (first - 1), lines.begin() + last);
    lines.insert(lines.begin() + (first - 1), with.begin(), with.end());
    if (keep > 0) {
        lines.resize(static_cast<size_t>(keep));
    }
    return Join(lines);
}

// kPanel with line n replaced.
std::string Replace(int n, const std::string& with) {
    return Edit(n, n, {with});
}

// kPanel up to line n.
std::string Upto(int n) {
    return Join(std::vector<std::string>(kPanel.begin(), kPanel.begin() + n));
}

struct SImport {
    EImportResult result;
    std::vector<std::string> messages;
};

SImport Import(CTAVDoc& doc, CRecordingPrompter& prompter, const std::string& text) {
    CTempFile file(text, ".pnl");
    SImport r;
    r.result = ImportPanelFile(doc, file.path);
    for (const auto& m : prompter.messages) {
        r.messages.push_back(m.text);
    }
    return r;
}

TEST(PanelImportTest, PlateStiffenerAndPlacement) {
    CCounterGuard counter(40);
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().emplace_back("B", 0, 1);
    doc.SetCurrentLayer(1);
    // N = 5 with five lines: four vertices; the fifth line is never parsed.
    const SImport r = Import(doc, prompter,
                             Edit(6, 10, {"5", "0 0", "10 0", "10 5", "0 5", "closing, not read"}));
    EXPECT_EQ(r.result, EImportResult::Done);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(doc.GetEntityCount(), 2);
    const CPoly& plate = PolyAt(doc, 0);
    EXPECT_EQ(plate.m_closed, 1);
    EXPECT_EQ(plate.m_name, "A");
    EXPECT_EQ(Coords(plate),
              (C{{100, 200, 300}, {110, 200, 300}, {110, 205, 300}, {100, 205, 300}}));
    EXPECT_EQ(plate.m_tessellated, 1);
    EXPECT_FALSE(plate.FillPrimitives().empty());
    EXPECT_EQ(plate.m_planar, 1);
    EXPECT_NEAR(std::fabs(plate.m_normal.z), 1.0, 1e-12);
    const CPoly& stf = PolyAt(doc, 1);
    EXPECT_EQ(stf.m_closed, 0);
    EXPECT_EQ(stf.m_name, "P1 stf: S1");
    EXPECT_EQ(Coords(stf), (C{{100, 201, 300}, {110, 201, 300}}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(doc.GetEntity(i)->m_number, 41 + i);
        EXPECT_EQ(doc.GetEntity(i)->m_layer, 1);
        EXPECT_EQ(doc.GetEntity(i)->m_color[0], 1.0);
        EXPECT_EQ(doc.GetEntity(i)->m_color[2], 1.0);
    }
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetMaxCorner().x, 110.0);
    EXPECT_EQ(doc.GetMinCorner().y, 200.0);
}

TEST(PanelImportTest, MatrixLinesAreColumns) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    // Column 1 sends X to +Y, column 2 sends Y to -X.
    std::vector<std::string> lines = kPanel;
    lines[23] = "0 1 0 0";
    lines[24] = "-1 0 0 0";
    ASSERT_EQ(Import(doc, prompter, Join(lines)).result, EImportResult::Done);
    EXPECT_EQ(Coords(PolyAt(doc, 1)), (C{{99, 200, 300}, {99, 210, 300}}));
}

TEST(PanelImportTest, StiffenersOnlyCrlfAndWindows1250Names) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    std::vector<std::string> lines = {"BEGIN PANELS",
                                      "PANEL: \xA3\xF3"
                                      "d\x9F"};
    lines.insert(lines.end(), kPanel.begin() + 14, kPanel.end());
    lines[4] = "STIFFENER: \x8C\x9C";
    const SImport r = Import(doc, prompter, Join(lines, "\r\n"));
    EXPECT_EQ(r.result, EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 1);
    EXPECT_EQ(PolyAt(doc, 0).m_name, "Łódź stf: Śś");
}

TEST(PanelImportTest, SeveralPanelsAndHowTheFileMayEnd) {
    CCounterGuard counter;
    std::vector<std::string> two = kPanel;
    two.back() = "END PANEL: P1 (text may follow)";
    two.insert(two.end(), kPanel.begin() + 1, kPanel.end());
    two[30] = "PANEL: P2";
    for (const char* tail : {"", "END PANELS\n", "anything else\nPANEL: P3\n"}) {
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        const SImport r = Import(doc, prompter, Join(two) + tail);
        EXPECT_EQ(r.result, EImportResult::Done) << tail;
        EXPECT_TRUE(r.messages.empty()) << tail;
        ASSERT_EQ(doc.GetEntityCount(), 4) << tail;
        EXPECT_EQ(PolyAt(doc, 3).m_name, "P2 stf: S1");
        EXPECT_EQ(doc.GetEntity(3)->m_number, doc.GetEntity(0)->m_number + 3);
    }
    // A file with no panel at all is read and still refreshes the drawing.
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    EXPECT_EQ(Import(doc, prompter, "BEGIN PANELS\r\n").result, EImportResult::Done);
    EXPECT_TRUE(doc.IsModified());
}

struct SSymmetryCase {
    const char* name;
    int code;
    bool original;  // the panel itself is created
    bool mirrored;  // a mirrored panel is created
};

class PanelSymmetryTest : public ::testing::TestWithParam<SSymmetryCase> {};

TEST_P(PanelSymmetryTest, CopiesAndMirrors) {
    const SSymmetryCase& c = GetParam();
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    ASSERT_EQ(Import(doc, prompter, Replace(29, "SYMMETRY: " + std::to_string(c.code))).result,
              EImportResult::Done);
    const C plate{{100, 200, 300}, {110, 200, 300}, {110, 205, 300}};
    const C plateMirror{{100, -200, 300}, {110, -200, 300}, {110, -205, 300}};
    const C stf{{100, 201, 300}, {110, 201, 300}};
    const C stfMirror{{100, -201, 300}, {110, -201, 300}};
    std::vector<C> expected;
    if (c.original) {
        expected.push_back(plate);
        expected.push_back(stf);
    }
    if (c.mirrored) {
        expected.push_back(plateMirror);
        expected.push_back(stfMirror);
    }
    ASSERT_EQ(doc.GetEntityCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CPoly& p = PolyAt(doc, i);
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

INSTANTIATE_TEST_SUITE_P(Codes, PanelSymmetryTest,
                         ::testing::Values(SSymmetryCase{"Code0", 0, true, true},
                                           SSymmetryCase{"Code10", 10, true, true},
                                           SSymmetryCase{"Code2", 2, false, true},
                                           SSymmetryCase{"Code11", 11, false, true},
                                           SSymmetryCase{"Code1", 1, true, false},
                                           SSymmetryCase{"CodeMinus7", -7, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SErrorCase {
    const char* name;
    std::string text;
    std::string message;
    int entities;  // left in the drawing
    bool placed;   // and moved by the matrix
};

class PanelErrorTest : public ::testing::TestWithParam<SErrorCase> {};

TEST_P(PanelErrorTest, StopsWithTheMessageAndKeepsFinishedEntities) {
    const SErrorCase& c = GetParam();
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    const SImport r = Import(doc, prompter, c.text);
    EXPECT_EQ(r.result, EImportResult::Refused);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], c.message);
    ASSERT_EQ(doc.GetEntityCount(), c.entities);
    // What stays is shown and counted like any import.
    EXPECT_EQ(doc.IsModified(), c.entities > 0);
    EXPECT_EQ(prompter.waitDepth, 0);
    for (int i = 0; i < c.entities; ++i) {
        const CPoly& p = PolyAt(doc, i);
        EXPECT_EQ(p.m_number, i + 1);
        EXPECT_EQ(p.m_vertices[0].x >= 100.0, c.placed) << i;
        if (p.m_closed) {
            EXPECT_EQ(Coords(p).size(), 3u);
            EXPECT_EQ(p.m_tessellated, 1);
            EXPECT_EQ(p.FillPrimitives().size(), 1u);
        } else {
            EXPECT_EQ(Coords(p).size(), 2u);
        }
    }
    if (c.entities > 0) {
        EXPECT_EQ(doc.GetMaxCorner().x, c.placed ? 110.0 : 10.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PanelErrorTest,
    ::testing::Values(
        SErrorCase{"EmptyFile", "", "Line: 1. \nWrong .PNL file header!", 0, false},
        SErrorCase{"CurveHeader", Replace(1, "BEGIN CURVES"), "Line: 1. \nWrong .PNL file header!",
                   0, false},
        SErrorCase{"NoPanelName", Replace(2, "PANEL:  "),
                   "Line: 2. \nCan not read name of the panel!", 0, false},
        SErrorCase{"EndAfterName", Upto(2), "Line: 3. \nCan not read 1st line of panel data!", 0,
                   false},
        SErrorCase{"PlateCount", Replace(3, "one"), "Line: 3. \nCan not read number of plates!", 0,
                   false},
        SErrorCase{"ZeroPlates", Replace(3, "0"), "Line: 3. \nPanel must have plates defined!", 0,
                   false},
        SErrorCase{"ContourBegin", Replace(5, "CONTOUR"),
                   "Line: 5. \nCan not read begin of the plate contour!", 0, false},
        SErrorCase{"VertexCount", Replace(6, "four"), "Line: 6. \nCan not read number of vertices!",
                   0, false},
        SErrorCase{"ContourOfOne", Replace(6, "1"),
                   "Line: 6. \nPlate contour must have at least two vertices!", 0, false},
        SErrorCase{"NegativeContour", Replace(6, "-3"),
                   "Line: 6. \nPlate contour must have at least two vertices!", 0, false},
        SErrorCase{"VertexError", Replace(8, "10 x"), "Line: 8. \nVertex coordinates read error!",
                   0, false},
        SErrorCase{"VerticesCut", Upto(8), "Line: 9. \nNot all vertices read!", 0, false},
        SErrorCase{"HugeVertexCount", Edit(6, 6, {"2000000000"}, 10),
                   "Line: 11. \nNot all vertices read!", 0, false},
        SErrorCase{"ContourEnd", Replace(11, "END"), "Line: 11. \nCan not read end of countour!", 1,
                   false},
        SErrorCase{"Thickness1", Replace(12, "DISTANCE1:"),
                   "Line: 12. \nCan not read first part of the plate thickness!", 1, false},
        SErrorCase{"Thickness2", Replace(13, "DISTANCE2 4"),
                   "Line: 13. \nCan not read second part of the plate thickness!", 1, false},
        SErrorCase{"PlateEnd", Replace(14, "END PLATE"),
                   "Line: 14. \nCan not read end of the plate!", 1, false},
        SErrorCase{"StiffenerCount", Replace(16, "x"),
                   "Line: 16. \nCan not read number of Stiffeners!", 1, false},
        SErrorCase{"StiffenerName", Replace(17, "STIFFENER:"),
                   "Line: 17. \nCan not read name of the stiffener!", 1, false},
        SErrorCase{"StiffenerVertexCount", Replace(18, "two"),
                   "Line: 18. \nCan not read number of vertices!", 1, false},
        SErrorCase{"ThreeVertexStiffener", Replace(18, "3"),
                   "Line: 18. \nStiffener must have exactly two vertices!", 1, false},
        SErrorCase{"StiffenerVertex", Replace(20, "10"),
                   "Line: 20. \nVertex coordinates read error!", 1, false},
        SErrorCase{"StiffenerVerticesCut", Upto(19), "Line: 20. \nNot all vertices read!", 1,
                   false},
        SErrorCase{"StiffenerEnd", Replace(21, "END STIFFENERS"),
                   "Line: 21. \nCan not read end of the stiffener!", 2, false},
        SErrorCase{"StiffenersEnd", Replace(22, "END STIFFENER:"),
                   "Line: 22. \nExpecting END STIFFENERS!", 2, false},
        SErrorCase{"MatrixBegin", Replace(23, "TRANSFORMATION"),
                   "Line: 23. \nCan not read begin of transformation matrix!", 2, false},
        SErrorCase{"MatrixBeginWithoutStiffeners", Replace(15, "MATRIX"),
                   "Line: 15. \nCan not read begin of transformation matrix!", 1, false},
        SErrorCase{"MatrixLine2", Replace(25, "0 1 0"),
                   "Line: 25. \nError in the 2 line of transformation matrix!", 2, false},
        SErrorCase{"MatrixCut", Upto(25),
                   "Line: 26. \nCan not read the 3 line of transformation matrix!", 2, false},
        SErrorCase{"MatrixEnd", Replace(28, "END MATRIX"),
                   "Line: 28. \nCan not read end of transformation matrix!", 2, false},
        SErrorCase{"Symmetry", Replace(29, "SYMMETRY: none"),
                   "Line: 29. \nCan not read symmetry of the panel!", 2, false},
        // The panel is placed before its end line is read.
        SErrorCase{"PanelEnd", Replace(30, "END PANELS"), "Line: 30. \nExpecting END PANEL:!", 2,
                   true},
        SErrorCase{"PanelEndCut", Upto(29), "Line: 30. \nExpecting END PANEL:!", 2, true},
        SErrorCase{"SecondPanelName", Join(kPanel) + "PANEL:\n",
                   "Line: 31. \nCan not read name of the panel!", 2, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelImportTest, BadPlateNameLineSkipsThatPlateAndReadingGoesOn) {
    CCounterGuard counter;
    // Two plates announced, one given: the stiffener block stands where the second plate's
    // name should be; after the message it is read as usual.
    {
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        const SImport r = Import(doc, prompter, Replace(3, "2"));
        EXPECT_EQ(r.result, EImportResult::Done);
        EXPECT_EQ(r.messages,
                  std::vector<std::string>{"Line: 15. \nCan not read name of the plate! \nSkipping "
                                           "plate no. 2 in panel: P1."});
        EXPECT_EQ(doc.GetEntityCount(), 2);
    }
    // A stray line before the first plate takes the first plate's turn.
    {
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        const SImport r = Import(doc, prompter, Edit(3, 3, {"2", "stray"}));
        EXPECT_EQ(r.result, EImportResult::Done);
        EXPECT_EQ(r.messages,
                  std::vector<std::string>{"Line: 4. \nCan not read name of the plate! \nSkipping "
                                           "plate no. 1 in panel: P1."});
        EXPECT_EQ(doc.GetEntityCount(), 2);
        EXPECT_EQ(Coords(PolyAt(doc, 0)).size(), 3u);
    }
    // Each bad line takes one plate's turn; the last failed line is the one examined next.
    {
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        const SImport r = Import(doc, prompter, Edit(3, 4, {"2", "PLATE:"}));
        EXPECT_EQ(r.result, EImportResult::Refused);
        EXPECT_EQ(r.messages,
                  (std::vector<std::string>{
                      "Line: 4. \nCan not read name of the plate! \nSkipping plate no. 1 in "
                      "panel: P1.",
                      "Line: 5. \nCan not read name of the plate! \nSkipping plate no. 2 in "
                      "panel: P1.",
                      "Line: 5. \nCan not read begin of transformation matrix!"}));
        EXPECT_EQ(doc.GetEntityCount(), 0);
        EXPECT_FALSE(doc.IsModified());
    }
}

TEST(PanelImportTest, EndOfFileWhilePlatesAreDueSaysSoOnce) {
    for (const char* count : {"3", "2000000000"}) {
        CCounterGuard counter;
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        const SImport r = Import(doc, prompter, Edit(3, 3, {count}, 14));
        EXPECT_EQ(r.result, EImportResult::Refused);
        EXPECT_EQ(
            r.messages,
            std::vector<std::string>{
                "Line: 15. \nUnexpected end of file! \nPlate no. 2 in panel: P1 is missing."});
        // The finished plate stays where the panel plane has it, triangulated.
        ASSERT_EQ(doc.GetEntityCount(), 1);
        EXPECT_EQ(Coords(PolyAt(doc, 0)), (C{{0, 0, 0}, {10, 0, 0}, {10, 5, 0}}));
        EXPECT_EQ(PolyAt(doc, 0).FillPrimitives().size(), 1u);
        EXPECT_TRUE(doc.IsModified());
    }
}

TEST(PanelImportTest, PlateMessagesAreCappedLikeOtherLineMessages) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    std::vector<std::string> lines(kPanel.begin(), kPanel.begin() + 2);
    lines.push_back("25");
    for (int i = 0; i < 25; ++i) {
        lines.push_back("not a plate");
    }
    const SImport r = Import(doc, prompter, Join(lines));
    // Ten plate messages, the stop on the kept line, and the count of the rest.
    ASSERT_EQ(r.messages.size(), 12u);
    EXPECT_EQ(r.messages[9],
              "Line: 13. \nCan not read name of the plate! \nSkipping plate no. 10 in panel: P1.");
    EXPECT_EQ(r.messages[10], "Line: 28. \nCan not read begin of transformation matrix!");
    EXPECT_NE(r.messages[11].find("15"), std::string::npos);
}

TEST(PanelImportTest, NulBytesAndHugeLines) {
    CCounterGuard counter;
    // A name ends at a NUL byte as in a C string; a 3 MiB line is read as far as it is kept.
    std::vector<std::string> lines = kPanel;
    lines[1] = std::string("PANEL: P\0hidden", 15);
    lines[18] = "0 " + std::string(3 << 20, 'x');
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    const SImport r = Import(doc, prompter, Join(lines));
    EXPECT_EQ(r.messages, std::vector<std::string>{"Line: 19. \nVertex coordinates read error!"});
    ASSERT_EQ(doc.GetEntityCount(), 1);
    lines[18] = "0 1";
    CRecordingPrompter p2;
    CTAVDoc doc2(&p2);
    EXPECT_EQ(Import(doc2, p2, Join(lines)).result, EImportResult::Done);
    EXPECT_EQ(PolyAt(doc2, 1).m_name, "P stf: S1");
}

TEST(PanelImportTest, OpenFailuresAndWiring) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    EXPECT_EQ(ImportPanelFile(doc, "/nonexistent/x.pnl"), EImportResult::OpenFailed);
    EXPECT_EQ(ImportPanelFile(doc, "/tmp"), EImportResult::OpenFailed);
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_FALSE(doc.IsModified());
    CCounterGuard counter;
    CTempFile file(Join(kPanel), ".txt");
    EXPECT_EQ(ImportByFilterIndex(doc, 3, file.path), EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(ImportFilterIndexForKind("pnl"), 3);
}

}  // namespace
