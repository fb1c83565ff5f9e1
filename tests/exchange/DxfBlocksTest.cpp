// DXF drawings as CAD programs write them: block references (nested, mirrored, arrays, cycles),
// dimensions through their blocks, the layer table's states and colours, binary files and files
// cut short.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <span>
#include <sstream>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "exchange/DxfBlocks.h"
#include "exchange/DxfImport.h"
#include "exchange/DxfTestSupport.h"
#include "exchange/ImportSession.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string N(double v) {
    return std::to_string(v);
}

std::string Section(const char* name, const std::string& body) {
    return Dxf(std::string("0|SECTION|2|") + name) + body + Dxf("0|ENDSEC");
}

std::string File(const std::string& tables, const std::string& blocks,
                 const std::string& entities) {
    return (tables.empty() ? "" : Section("TABLES", tables)) +
           (blocks.empty() ? "" : Section("BLOCKS", blocks)) + Section("ENTITIES", entities) +
           Dxf("0|EOF");
}

std::string Block(const char* name, double bx, double by, const std::string& body) {
    return Dxf(std::string("0|BLOCK|8|0|2|") + name + "|70|0|10|" + N(bx) + "|20|" + N(by) +
               "|30|0") +
           body + Dxf("0|ENDBLK|8|0");
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& layer = "0",
                 int color = -1) {
    return Dxf("0|LINE|8|" + layer + (color >= 0 ? "|62|" + std::to_string(color) : "") + "|10|" +
               N(x1) + "|20|" + N(y1) + "|30|0|11|" + N(x2) + "|21|" + N(y2) + "|31|0");
}

std::string Insert(const std::string& block, double x, double y, const std::string& more = "",
                   const std::string& layer = "0") {
    return Dxf("0|INSERT|8|" + layer + "|2|" + block + "|10|" + N(x) + "|20|" + N(y) + "|30|0") +
           (more.empty() ? "" : Dxf(more));
}

SImportResult ReadText(const std::string& text, int64_t budget = 0) {
    SImportOptions options;
    options.entityBudget = budget;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
    return ReadDxfFile(SImportSource::Memory(bytes, "test.dxf"), options);
}

struct SRead {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    EImportResult result = EImportResult::Refused;
    std::vector<std::string> lineMessages;

    explicit SRead(const std::string& text, int64_t budget = 0) {
        SImportResult r = ReadText(text, budget);
        for (const SImportMessage& m : r.messages) {
            if (m.kind == SImportMessage::EKind::Line) {
                lineMessages.push_back(m.text);
            }
        }
        result = MergeImport(doc, r, "test.dxf");
    }
    const CPoly& Poly(int i) const { return dynamic_cast<const CPoly&>(*doc.GetEntity(i)); }
    const std::string& LayerOf(int i) const {
        return doc.GetLayer(doc.GetEntity(i)->m_layer).m_name;
    }
};

void ExpectPoint(const CPoint3& p, double x, double y, double z = 0.0) {
    ExpectXyz(p, x, y, z);
}

TEST(DxfBlocks, NestedMirroredRotatedAndScaled) {
    // A: a line (0,0)-(1,0). B: A at (1,0) mirrored in x and turned 30 degrees. Model: B at
    // (10,10) scaled 2 about B's base (1,1).
    const std::string blocks =
        Block("A", 0, 0, Line(0, 0, 1, 0)) + Block("B", 1, 1, Insert("A", 1, 0, "41|-1|50|30"));
    SRead r(File("", blocks, Insert("B", 10, 10, "41|2|42|2|43|2")));
    EXPECT_EQ(r.result, EImportResult::Done);
    ASSERT_EQ(r.doc.GetEntityCount(), 1);
    // In B: A's (x, 0) goes to (1,0) + R30 (-x, 0); then in the model 10 + 2 (q - (1,1)).
    const auto place = [](double x) {
        const double c = std::cos(kPi / 6), s = std::sin(kPi / 6);
        const double qx = 1 - x * c, qy = -x * s;
        return CPoint3(10 + 2 * (qx - 1), 10 + 2 * (qy - 1), 0);
    };
    const CPoly& line = r.Poly(0);
    ASSERT_EQ(line.GetVertexCount(), 2);
    ExpectPoint(line.m_vertices[0], place(0).x, place(0).y);
    ExpectPoint(line.m_vertices[1], place(1).x, place(1).y);
}

TEST(DxfBlocks, ArraysAttributesAndDefinitions) {
    const std::string blocks =
        Block("P", 0, 0,
              Dxf("0|POINT|8|0|10|0|20|0|30|0|0|ATTDEF|8|0|10|0|20|0|30|0|40|1|1|definicja|2|TAG"));
    // Three columns 5 apart and two rows 2 apart, turned 90 degrees; then a reference with an
    // attribute; then one whose spacing is 0 (every cell at one place).
    const std::string entities =
        Insert("P", 100, 0, "70|3|71|2|44|5|45|2|50|90") + Insert("P", 0, 0, "66|1") +
        Dxf("0|ATTRIB|8|T|10|1|20|2|30|0|40|0.5|1|wartosc|2|TAG|0|SEQEND|8|0") +
        Insert("P", 50, 0, "70|40|71|40");
    SRead r(File("", blocks, entities));
    // Cells along the turned axes: column c at (100, 5c), row r at (-2r, 0) from there. The
    // definition draws nothing; the attribute is on its own layer.
    EXPECT_EQ(Describe(r.doc, 9),
              "pnt 100 0 0 L1 #1 rgb=1 1 1\n"
              "pnt 100 5 0 L1 #2 rgb=1 1 1\n"
              "pnt 100 10 0 L1 #3 rgb=1 1 1\n"
              "pnt 98 0 0 L1 #4 rgb=1 1 1\n"
              "pnt 98 5 0 L1 #5 rgb=1 1 1\n"
              "pnt 98 10 0 L1 #6 rgb=1 1 1\n"
              "pnt 0 0 0 L1 #7 rgb=1 1 1\n"
              "text \"wartosc\" at=1 2 0 h=0.5 axis=0 0 1 font=3 L2 #8 rgb=1 1 1\n"
              "pnt 50 0 0 L1 #9 rgb=1 1 1\n");
    EXPECT_EQ(DescribeLayers(r.doc), "Warstwa1; 0; T");
}

TEST(DxfBlocks, DimensionsThroughTheirBlocksAndLeaders) {
    const std::string blocks = Block("*D1", 0, 0, Line(0, 0, 4, 0) + Line(0, 0, 0, 1));
    const std::string entities =
        Dxf("0|DIMENSION|8|WYMIARY|2|*D1|10|4|20|1|30|0|70|32|"
            "0|LEADER|8|0|76|3|10|0|20|0|30|0|10|1|20|1|30|0|10|2|20|1|30|0");
    SRead r(File("", blocks, entities));
    // Entities of the dimension's block on layer 0 go to the dimension's layer.
    EXPECT_EQ(Describe(r.doc, 9),
              "line [0 0 0, 4 0 0] L1 #1 rgb=1 1 1\n"
              "line [0 0 0, 0 1 0] L1 #2 rgb=1 1 1\n"
              "line [0 0 0, 1 1 0, 2 1 0] L2 #3 rgb=1 1 1\n");
    EXPECT_EQ(DescribeLayers(r.doc), "Warstwa1; WYMIARY; 0");
}

TEST(DxfBlocks, LayerTableColoursAndStates) {
    const std::string tables =
        Dxf("0|TABLE|2|LAYER|70|4|0|LAYER|2|CZERWONA|70|0|62|1|0|LAYER|2|ZAMROZONA|70|1|62|3|"
            "0|LAYER|2|WYLACZONA|70|0|62|-5|0|LAYER|2|ISTNIEJACA|70|1|62|7|"
            "0|LAYER|2|PRAWDZIWA|70|0|62|7|420|1193046|0|ENDTAB");
    const std::string blocks = Block("K", 0, 0, Line(0, 0, 1, 0, "0", 0) + Line(0, 0, 1, 1, "0"));
    const std::string entities = Line(0, 0, 1, 0, "CZERWONA") + Line(0, 0, 1, 0, "ZAMROZONA") +
                                 Line(0, 0, 1, 0, "wylaczona", 2) + Line(0, 0, 1, 0, "ISTNIEJACA") +
                                 Line(0, 0, 1, 0, "PRAWDZIWA") +
                                 Insert("K", 0, 0, "62|4", "CZERWONA");
    SRead r(File(tables, blocks, entities));
    // By layer; frozen: hidden, its colour; off: hidden, its own colour 2, named as the table;
    // colour 7; a true colour; a block's BYBLOCK takes the reference's colour 4; a block's
    // BYLAYER on layer 0 takes the reference's layer.
    EXPECT_EQ(Describe(r.doc, 9),
              "line [0 0 0, 1 0 0] L1 #1 rgb=1 0 0\n"
              "line [0 0 0, 1 0 0] L2 #2 rgb=0 1 0\n"
              "line [0 0 0, 1 0 0] L3 #3 rgb=1 1 0\n"
              "line [0 0 0, 1 0 0] L4 #4 rgb=1 1 1\n"
              "line [0 0 0, 1 0 0] L5 #5 rgb=0.070588235 0.203921569 0.337254902\n"
              "line [0 0 0, 1 0 0] L1 #6 rgb=0 1 1\n"
              "line [0 0 0, 1 1 0] L1 #7 rgb=1 0 0\n");
    EXPECT_EQ(DescribeLayers(r.doc),
              "Warstwa1; CZERWONA; ZAMROZONA hidden; WYLACZONA hidden; ISTNIEJACA hidden; "
              "PRAWDZIWA");
    // A layer the drawing already has keeps its own state.
    CRecordingPrompter p2;
    CTAVDoc doc(&p2);
    doc.Layers().emplace_back("istniejaca", 0, 1);
    SImportResult res = ReadText(File(tables, "", Line(0, 0, 1, 0, "ISTNIEJACA")));
    MergeImport(doc, res, "t");
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1; istniejaca");
    EXPECT_EQ(doc.GetEntity(0)->m_layer, 1);
}

// What block references that cannot be drawn leave: a message, and the rest of the file.
TEST(DxfBlocks, CyclesMissingBlocksAndBadPlacements) {
    const std::string blocks = Block("A", 0, 0, Line(0, 0, 1, 0) + Insert("B", 0, 0)) +
                               Block("B", 0, 0, Line(0, 0, 0, 1) + Insert("A", 0, 0));
    const std::string entities = Insert("A", 0, 0) + Insert("BRAK", 0, 0) +
                                 Insert("A", 0, 0, "41|0") + Insert("A", 0, 0, "42|1e300") +
                                 Line(5, 5, 6, 6);
    SRead r(File("", blocks, entities));
    EXPECT_EQ(r.result, EImportResult::Done);
    // A's line, B's line, and the line after the references. A missing block might come later
    // in the file: it is said at the end.
    EXPECT_EQ(Describe(r.doc),
              "line [0 0 0, 1 0 0] L1 #1 rgb=1 1 1\n"
              "line [0 0 0, 0 1 0] L1 #2 rgb=1 1 1\n"
              "line [5 5 0, 6 6 0] L1 #3 rgb=1 1 1\n");
    EXPECT_EQ(r.lineMessages,
              (std::vector<std::string>{
                  "Line: 82. \nBlock \"A\" refers to itself; the reference that closes the "
                  "circle is left out.",
                  "Line: 128. \nThe reference to block \"A\" has a zero or invalid scale, "
                  "rotation or position; it is left out.",
                  "Line: 142. \nThe reference to block \"A\" has a zero or invalid scale, "
                  "rotation or position; it is left out.",
                  "Line: 116. \nBlock \"BRAK\" is not defined; its reference is left out."}));
}

// A block of many entities referenced many times, and a huge array: the budget ends it with a
// message, what was made stays, and the rest of the file is read.
TEST(DxfBlocks, BombsStopAtTheBudget) {
    std::string body;
    for (int i = 0; i < 100; ++i) {
        body += Line(i, 0, i, 1);
    }
    std::string entities;
    for (int i = 0; i < 100; ++i) {
        entities += Insert("B", 0, 10.0 * i);
    }
    entities += Insert("B", 0, 0, "70|32767|71|32767|44|1|45|1");
    entities += Line(-1, -1, -2, -2);
    SRead r(File("", Block("B", 0, 0, body), entities), 2500);
    EXPECT_EQ(r.result, EImportResult::Done);
    ASSERT_EQ(r.doc.GetEntityCount(), 2500 + 1);
    ASSERT_EQ(r.lineMessages.size(), 1u);
    EXPECT_NE(r.lineMessages[0].find("2500 were made"), std::string::npos);
}

TEST(DxfBlocks, FileCutShortIsIncompleteWithWhatWasRead) {
    const std::string whole = File("", "", Line(0, 0, 1, 1) + Line(2, 2, 3, 3));
    // Cut inside the section, the line in progress is dropped; before the EOF record, kept.
    const std::pair<std::string, int> cases[] = {{whole.substr(0, whole.find("ENDSEC")), 1},
                                                 {whole.substr(0, whole.rfind("EOF")), 2}};
    for (const auto& [cut, kept] : cases) {
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        SImportResult res = ReadText(cut);
        EXPECT_EQ(res.outcome, EImportOutcome::Incomplete);
        EXPECT_EQ(MergeImport(doc, res, "t"), EImportResult::Refused);
        EXPECT_EQ(doc.GetEntityCount(), kept);
        ASSERT_FALSE(prompter.messages.empty());
        EXPECT_NE(prompter.messages[0].text.find("before its end of file record"),
                  std::string::npos);
        EXPECT_EQ(prompter.messages[0].text.rfind("Line: ", 0), 0u);
        EXPECT_TRUE(doc.IsModified());
    }
}

// The same drawing written by ezdxf as text, binary R12 and binary R2000 reads the same.
TEST(DxfBlocks, BinaryFilesReadAsTheirTextForm) {
    const auto read = [](const char* name) {
        std::ifstream in(std::string(TAV_SOURCE_DIR "/tests/exchange/data/") + name,
                         std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return std::make_unique<SRead>(ss.str());
    };
    const auto text = read("ezdxf_blocks_r12.dxf");
    ASSERT_GT(text->doc.GetEntityCount(), 3);
    for (const char* name : {"ezdxf_blocks_r12_bin.dxf", "ezdxf_blocks_r2000_bin.dxf"}) {
        const auto bin = read(name);
        EXPECT_EQ(bin->result, EImportResult::Done) << name;
        ASSERT_EQ(bin->doc.GetEntityCount(), text->doc.GetEntityCount()) << name;
        for (int i = 0; i < text->doc.GetEntityCount(); ++i) {
            const CEntity& a = *text->doc.GetEntity(i);
            const CEntity& b = *bin->doc.GetEntity(i);
            EXPECT_EQ(a.GetType(), b.GetType()) << name << i;
            EXPECT_EQ(text->LayerOf(i), bin->LayerOf(i)) << name << i;
            if (a.GetType() == kTypePolyline) {
                const auto& pa = static_cast<const CPoly&>(a);
                const auto& pb = static_cast<const CPoly&>(b);
                ASSERT_EQ(pa.GetVertexCount(), pb.GetVertexCount());
                for (int k = 0; k < pa.GetVertexCount(); ++k) {
                    // The text form has 16 significant digits, the binary the exact double.
                    EXPECT_NEAR(pa.m_vertices[k].x, pb.m_vertices[k].x, 1e-9) << name << i;
                    EXPECT_NEAR(pa.m_vertices[k].y, pb.m_vertices[k].y, 1e-9) << name << i;
                }
            }
        }
    }
}

// Placing entities: arcs stay arcs under similar maps (mirrored ones too), become polylines
// under unequal scaling; texts keep their height across their line.
TEST(DxfBlocks, PlacedCopies) {
    const CArc arc = *MakeArc({1, 0, 0}, 2, 0, 90);
    SDxfPlacement mirror;
    mirror.scale = CVec3(-1, 1, 1);
    const auto m = PlacedCopy(arc, PlacementMatrix(mirror, CPoint3(0, 0, 0), 0, 0));
    const auto& a = dynamic_cast<const CArc&>(*m);
    CPoint3 s, e;
    a.GetStartPoint(s);
    a.GetEndPoint(e);
    // The mirrored arc runs from (-1, 2) to (-3, 0): the same points, the other way.
    const bool forward = std::fabs(s.x + 3) < 1e-9;
    ExpectPoint(forward ? s : e, -3, 0);
    ExpectPoint(forward ? e : s, -1, 2);
    EXPECT_NEAR(a.m_radius, 2, 1e-12);
    SDxfPlacement stretch;
    stretch.scale = CVec3(2, 1, 1);
    const auto p = PlacedCopy(arc, PlacementMatrix(stretch, CPoint3(0, 0, 0), 0, 0));
    const auto& poly = dynamic_cast<const CPoly&>(*p);
    ExpectPoint(poly.m_vertices.front(), 6, 0);
    ExpectPoint(poly.m_vertices.back(), 2, 2);
    const CText text = *MakeText("", {1, 1, 0}, 2);
    SDxfPlacement turn;
    turn.rotation = 90;
    turn.scale = CVec3(3, 3, 3);
    const auto t = PlacedCopy(text, PlacementMatrix(turn, CPoint3(0, 0, 0), 0, 0));
    const auto& placed = dynamic_cast<const CText&>(*t);
    ExpectPoint(placed.m_position, -3, 3);
    EXPECT_NEAR(placed.m_height, 6, 1e-9);
    EXPECT_NEAR(placed.m_rotation, 90, 1e-9);
}

}  // namespace
