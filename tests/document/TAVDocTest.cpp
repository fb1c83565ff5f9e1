#include "document/TAVDoc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "document/Archive.h"
#include "document/StrokeFont.h"
#include "support/ArchiveBytes.h"
#include "support/Describe.h"
#include "support/Recorders.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

const std::string k41522 = "Unrecognized header in document file.\nCan not read document!";

// Where the type code of the first entity of a document without tables lies: after the header
// line, the seven integers, the layer array and three empty arrays.
const size_t kFirstTypeCode = std::strlen(kHeader211) + 1 + 28 + 2 + 8 + 1 + 8 + 6;

// Writes the view state record of a default document by hand.
void WriteDefaultViewState(CArchive& ar, bool withMask = true) {
    ar.WriteU32(0);
    for (double d : {0.0, 0.0, 0.0, 0.0, 0.0, 1.0}) {
        ar.WriteF64(d);
    }
    ar.WriteU32(50);
    ar.WriteU32(50);
    for (double d : {-50.0, 50.0, -50.0, 50.0, 0.0, 0.0, 2.0, 40.0, 1.0}) {
        ar.WriteF64(d);
    }
    ar.WriteU32(0);
    ar.WriteU32(0);
    if (withMask) {
        ar.WriteU16(0);
    }
}

void WriteLayer(CArchive& ar, const char* cp1250Name) {
    ar.WriteU32(0);
    ar.WriteU32(1);
    ar.WriteU8(static_cast<uint8_t>(std::strlen(cp1250Name)));
    ar.WriteRaw(cp1250Name, std::strlen(cp1250Name));
}

Bytes EmptyDocumentBytes(const std::string& header) {
    CArchive ar;
    ar.WriteLine(header);
    for (int32_t v : {1, 0, 0, -1, 0, 0, 0}) {
        ar.WriteI32(v);
    }
    ar.WriteCount(1);
    WriteLayer(ar, "Warstwa1");
    for (int i = 0; i < 3; ++i) {
        ar.WriteCount(0);
    }
    WriteDefaultViewState(ar);
    return ar.Buffer();
}

// A drawing with every entity kind, data trees, Polish names, a system and a plane.
void FillDocument(CTAVDoc& doc) {
    doc.Layers().emplace_back("Ściany", 1, 0);
    doc.SetCurrentLayer(1);
    CMatrix4 m = CMatrix4::Identity();
    m.m[0][3] = -100.0;
    doc.AddCoordSystem(
        CCoordSystem("Układ Ł", CPoint3(100, 0, 0), CPoint3(101, 0, 0), CPoint3(100, 1, 0)), m);
    doc.SetActiveCoordSystem(0);
    doc.ClipPlanes().emplace_back("Cięcie", 1, CPoint3(0, 0, 5), CVec3(0, 0, 2));

    auto pnt = MakePnt({5420000.125, 6310000.5, 12.75}, "Pkt żółty");
    pnt->m_point.flag = 3;
    pnt->m_number = 10;
    pnt->m_data.BuildObjectTree(4);
    pnt->m_data.GetChild(1).AddChild(*GetDataTemplate(3)->GetChildren().data());
    doc.AddEntity(std::move(pnt));
    auto poly = MakePoly({{0, 0, 1}, {2, 0, 1}, {2, 1, 1}, {1, 1, 1}, {1, 2, 1}}, 1);
    poly->m_layer = 1;
    poly->m_number = 11;
    poly->m_data.BuildObjectTree(3);
    doc.AddEntity(std::move(poly));
    auto line = MakePoly({{-1, -1, -1}, {-2, 3, 0}});
    line->m_number = 12;
    line->m_marker = 1;
    doc.AddEntity(std::move(line));
    doc.AddEntity(std::make_unique<CPoly>());  // no vertices, as DXF imports make
    auto arc = MakeArc({10, 10, 0}, 2, 45, 270);
    arc->m_number = 13;
    doc.AddEntity(std::move(arc));
    auto text = MakeText("Zażółć gęślą jaźń", {3, 4, 5}, 0.5);
    text->m_font = 1;
    text->m_name = "tekst";
    text->m_number = 14;
    doc.AddEntity(std::move(text));

    CViewState v;
    v.renderMode = 3;
    v.eye = CPoint3(1, 2, 3);
    v.spinAngle = 12.5;
    v.perspective = 1;
    v.localizationMask = 0x1234;
    doc.SetViewState(v);
    doc.RecomputeExtents();
}

Bytes FilledBytes() {
    CTAVDoc doc;
    FillDocument(doc);
    return doc.SaveToBytes();
}

// Patches one of the seven integers after the header of a saved document.
Bytes WithHeaderInt(Bytes bytes, int index, int32_t value) {
    std::memcpy(bytes.data() + std::strlen(kHeader211) + 1 + 4 * index, &value, 4);
    return bytes;
}

TEST(DocumentNew, ConstructionAndReset) {
    CTAVDoc doc;
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1");
    EXPECT_EQ(Box(doc), "0 0 0 / 0 0 0");  // construction leaves the box at the origin
    EXPECT_EQ(CurrentColor(doc), "1 1 1");

    FillDocument(doc);
    const double red[3] = {1, 0, 0};
    doc.SetCurrentColor(red);
    CCounterGuard counter(55);
    ASSERT_EQ(doc.OnNewDocument(), 1);
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1");
    EXPECT_EQ(doc.GetEntityCount() + doc.GetCoordSystemCount() + doc.GetClipPlaneCount(), 0);
    EXPECT_EQ(doc.GetActiveCoordSystem(), -1);
    EXPECT_EQ(doc.GetCurrentLayer(), 0);
    EXPECT_EQ(GetLastEntityNumber(), 0);
    EXPECT_EQ(CurrentColor(doc), "1 1 1");
    EXPECT_EQ(Box(doc), "0 0 -1 / 0 0 1");
    EXPECT_EQ(doc.ViewState().renderMode, 3);  // the saved view is kept
}

// An empty document is saved byte for byte; 2.0.1 documents load like 2.1.1 ones and are saved
// as the current version.
TEST(DocumentFile, EmptyDocumentBytesAndVersions) {
    CTAVDoc doc;
    doc.OnNewDocument();
    EXPECT_EQ(doc.SaveToBytes(), EmptyDocumentBytes(kHeader211));
    for (const char* header : {kHeader201, kHeader211}) {
        CTAVDoc back;
        back.LoadFromBytes(EmptyDocumentBytes(header));
        EXPECT_EQ(back.GetLoadedHeader(), header);
        EXPECT_EQ(DescribeLayers(back), "Warstwa1");
        EXPECT_EQ(back.SaveToBytes(), EmptyDocumentBytes(kHeader211));
    }
}

TEST(DocumentFile, UnknownHeadersRefusedWith41522) {
    std::vector<Bytes> files = {Bytes(10, 'x')};  // not even a line end
    for (const std::string& h : std::vector<std::string>{
             "TAV Document ver. 2.1.1 ", "TAV Document ver. 2.1.2", "TAV Document ver. 1.0.0",
             "tav document ver. 2.1.1", "", std::string(200, 'A')}) {
        files.push_back(EmptyDocumentBytes(h));
    }
    for (const Bytes& file : files) {
        SCOPED_TRACE(std::string(file.begin(), file.begin() + 12));
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        FillDocument(doc);
        EXPECT_EQ(CatchArchive([&] { doc.LoadFromBytes(file); }).Cause(),
                  CArchiveException::badIndex);
        EXPECT_EQ(prompter.beeps, 1);
        EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>{k41522});
        EXPECT_EQ(doc.GetEntityCount(), 6);  // nothing replaced
    }
}

TEST(DocumentFile, RoundTripOfEveryKindIsByteStable) {
    const Bytes first = FilledBytes();
    CTAVDoc back;
    back.LoadFromBytes(first);
    EXPECT_EQ(back.SaveToBytes(), first);

    // Polygons get their plane and triangulation on load.
    EXPECT_EQ(Describe(back),
              "pnt 5420000.125 6310000.5 12.75 f3 #10 name=Pkt żółty "
              "data=\"Zbiornik\"{\"dane\", \"modernizacje\"{\"Datę\"}}\n"
              "polygon [0 0 1, 2 0 1, 2 1 1, 1 1 1, 1 2 1] planar n=0 0 1 tess fan=1 L1 #11 "
              "data=\"Działka\"{\"Województwo\", \"Jednostka ewidencyjna\", \"Obręb\", "
              "\"Działka Nr\", \"Nr jednostki rejestrowej\", \"Nr księgi wieczystej\", "
              "\"Właściciel\", \"Użytkownik\", \"Położenie\", \"Rodzaj użytków i klasa gruntu\", "
              "\"Powierzchnia użytkowa\", \"Powierzchnia działki\"}\n"
              "line [-1 -1 -1, -2 3 0] marker=1 #12\n"
              "line []\n"
              "arc c=10 10 0 r=2 45+270 #13\n"
              "text \"Zażółć gęślą jaźń\" at=3 4 5 h=0.5 axis=0 0 1 font=1 #14 name=tekst\n");
    EXPECT_EQ(DescribeLayers(back), "Warstwa1; Ściany locked hidden");
    EXPECT_EQ(back.GetCurrentLayer(), 1);
    EXPECT_EQ(back.GetActiveCoordSystem(), 0);
    EXPECT_EQ(back.GetCoordSystem(0).m_name, "Układ Ł");
    EXPECT_EQ(back.GetMatrix(0).m[0][3], -100.0);
    EXPECT_EQ(
        static_cast<const CPnt&>(*back.GetEntity(0)).m_data.GetChild(1).GetChild(0).GetTemplate(),
        GetDataTemplate(2));
    EXPECT_EQ(back.ViewState().localizationMask, 0x1234);
    EXPECT_EQ(back.ViewState().spinAngle, 12.5);

    // Loading raises the entity counter, a failed load leaves it.
    CCounterGuard counter(2);
    back.LoadFromBytes(first);
    EXPECT_EQ(GetLastEntityNumber(), 14);
    SetLastEntityNumber(2);
    EXPECT_THROW(back.LoadFromBytes(Bytes(first.begin(), first.end() - 3)), CArchiveException);
    EXPECT_EQ(GetLastEntityNumber(), 2);
}

// A 1.1.0 file: three polygons and two points, no type codes, matrices after the entities and
// a view state without the localization mask.
Bytes OldFileBytes() {
    CArchive ar;
    ar.WriteLine(kHeader110);
    // layers, current, systems, active, planes; polygons, polylines, texts, arcs, points
    for (int32_t v : {1, 0, 0, -1, 0, 3, 0, 0, 0, 2}) {
        ar.WriteI32(v);
    }
    ar.WriteU32(0);  // matrices
    ar.WriteCount(1);
    WriteLayer(ar, "Warstwa1");
    ar.WriteCount(0);
    ar.WriteCount(0);
    const auto base = [&](int number) {
        const Bytes b = EntityRecord(0, number, "", {1, 1, 1}, {}, {}, false);
        ar.WriteRaw(b.data(), b.size());
    };
    ar.WriteCount(3);
    for (int k = 0; k < 3; ++k) {
        base(k + 1);
        ar.WriteU32(3);
        for (auto [x, y] : {std::pair{0.0, 0.0}, {4.0, 0.0}, {0.0, 3.0}}) {
            ar.WritePoint3(CPoint3(x + k, y, 0.0));
            ar.WriteU32(1);
        }
    }
    for (int g = 0; g < 3; ++g) {
        ar.WriteCount(0);
    }
    ar.WriteCount(7);  // the group's own count is ignored; the header's decides
    for (int k = 0; k < 2; ++k) {
        base(10 + k);
        ar.WritePoint3(CPoint3(100.0 + k, 200.0, 300.0));
        ar.WriteU32(1);
    }
    ar.WriteCount(0);  // matrices
    WriteDefaultViewState(ar, false);
    return ar.Buffer();
}

TEST(DocumentFile, Version110PolygonsThenPoints) {
    CTAVDoc doc;
    doc.LoadFromBytes(OldFileBytes());
    EXPECT_EQ(doc.GetLoadedHeader(), kHeader110);
    EXPECT_EQ(Describe(doc),
              "polygon [0 0 0, 4 0 0, 0 3 0] planar n=0 0 1 tess fan=1 #1 rgb=1 1 1\n"
              "polygon [1 0 0, 5 0 0, 1 3 0] planar n=0 0 1 tess fan=1 #2 rgb=1 1 1\n"
              "polygon [2 0 0, 6 0 0, 2 3 0] planar n=0 0 1 tess fan=1 #3 rgb=1 1 1\n"
              "pnt 100 200 300 #10 rgb=1 1 1\n"
              "pnt 101 200 300 #11 rgb=1 1 1\n");
    EXPECT_EQ(doc.ViewState().localizationMask, 0);
    EXPECT_EQ(Box(doc), "0 0 0 / 101 200 300");
}

TEST(DocumentFile, TruncatedAtEveryOffsetIsRefused) {
    for (const Bytes& bytes : {FilledBytes(), OldFileBytes()}) {
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            CTAVDoc back;
            EXPECT_THROW(back.LoadFromBytes(Bytes(bytes.begin(), bytes.begin() + long(cut))),
                         CArchiveException)
                << "cut at " << cut;
            EXPECT_EQ(back.GetEntityCount(), 0);
            EXPECT_EQ(back.GetLayerCount(), 1);
        }
    }
}

// Unknown codes are refused; a closed polygon stored with the polyline code is a polygon.
TEST(DocumentFile, TypeCodes) {
    CTAVDoc doc;
    doc.AddEntity(MakePoly({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, 1));
    Bytes bytes = doc.SaveToBytes();
    uint32_t code = 0;
    std::memcpy(&code, bytes.data() + kFirstTypeCode, 4);
    ASSERT_EQ(code, 100u);
    for (uint32_t bad : {99u, 105u, 0u, 0xFFFFFFFFu}) {
        std::memcpy(bytes.data() + kFirstTypeCode, &bad, 4);
        CTAVDoc back;
        EXPECT_EQ(CatchArchive([&] { back.LoadFromBytes(bytes); }).what(),
                  "Unknown entity type code " + std::to_string(bad) + " at byte " +
                      std::to_string(kFirstTypeCode) + " (entity 1).");
    }
    const uint32_t polyline = 101;
    std::memcpy(bytes.data() + kFirstTypeCode, &polyline, 4);
    CTAVDoc back;
    back.LoadFromBytes(bytes);
    EXPECT_EQ(Describe(back), "polygon [0 0 0, 1 0 0, 1 1 0] planar n=0 0 1 tess fan=1\n");
}

TEST(DocumentFile, CountsAndIndicesAreCheckedBeforeUse) {
    const Bytes bytes = FilledBytes();  // 2 layers, 1 system, 1 plane, 1 matrix
    const struct {
        const char* name;
        int index;
        int32_t value;
    } cases[] = {
        {"layer count beyond array", 0, 3},   {"no layers", 0, 0},
        {"current layer negative", 1, -1},    {"current layer too big", 1, 2},
        {"system count beyond array", 2, 2},  {"active system too big", 3, 1},
        {"active system below -1", 3, -2},    {"plane count beyond array", 4, 2},
        {"matrix count beyond array", 5, 2},  {"matrices fewer than systems", 5, 0},
        {"huge entity count", 6, 0x7FFFFFFF},
    };
    for (const auto& c : cases) {
        CTAVDoc back;
        EXPECT_THROW(back.LoadFromBytes(WithHeaderInt(bytes, c.index, c.value)), CArchiveException)
            << c.name;
    }
    // Smaller in-use counts than the arrays are legal; the unused tail is dropped.
    CTAVDoc back;
    back.LoadFromBytes(
        WithHeaderInt(WithHeaderInt(WithHeaderInt(WithHeaderInt(bytes, 4, 0), 2, 0), 3, -1), 5, 0));
    EXPECT_EQ(back.GetClipPlaneCount(), 0);
    EXPECT_EQ(back.GetCoordSystemCount(), 0);

    // A layer array count with the 0xFFFF escape claiming four billion layers.
    Bytes big = EmptyDocumentBytes(kHeader211);
    const long at = long(std::strlen(kHeader211) + 1 + 28);
    big.erase(big.begin() + at, big.begin() + at + 2);
    big.insert(big.begin() + at, 6, 0xFF);
    EXPECT_THROW(back.LoadFromBytes(big), CArchiveException);

    CTAVDoc doc;
    doc.AddEntity(MakePnt({}));
    doc.GetEntity(0)->m_layer = 1;  // only layer 0 exists
    EXPECT_STREQ(CatchArchive([&] { back.LoadFromBytes(doc.SaveToBytes()); }).what(),
                 "Entity 1 refers to layer 1, which does not exist.");
}

TEST(DocumentExtents, PointsArcsAndEmptyPolylines) {
    // A single point is widened after load.
    CTAVDoc doc;
    doc.AddEntity(MakePnt({1, 2, 3}));
    CTAVDoc back;
    back.LoadFromBytes(doc.SaveToBytes());
    EXPECT_EQ(Box(back), "1 2 2 / 1 2 4");

    // 270 degrees from 0: points at 0, 67.5, 135, 202.5 and 270 degrees.
    CTAVDoc arcs;
    arcs.AddEntity(MakePnt({0, 0, 0}));
    arcs.AddEntity(MakeArc({10, 0, 0}, 1, 0, 270));
    arcs.RecomputeExtents();
    EXPECT_EQ(Box(arcs, 12), "0 -1 0 / 11 " + Num(std::sin(67.5 * kDegToRad), 12) + " 0");
    // 90 degrees from 0: start, mid (45) and end only.
    static_cast<CArc&>(*arcs.GetEntity(1)).m_length = 90;
    arcs.RecomputeExtents();
    EXPECT_EQ(Box(arcs, 12), "0 0 0 / 11 1 0");

    // A circle seeds the box with centre +- r when it comes first.
    CTAVDoc circle;
    circle.AddEntity(MakeArc({5, 5, 5}, 2));
    circle.RecomputeExtents();
    EXPECT_EQ(Box(circle), "3 3 3 / 7 7 7");

    // Nothing has a point: the box stays; an empty polyline adds nothing, not -1.
    CTAVDoc empty;
    empty.SetExtents(CPoint3(-7, -7, -7), CPoint3(7, 7, 7));
    empty.AddEntity(std::make_unique<CPoly>());
    empty.RecomputeExtents();
    EXPECT_EQ(Box(empty), "-7 -7 -7 / 7 7 7");
    EXPECT_EQ(empty.EstimateVertexCount(0), 0);
    empty.AddEntity(MakePnt({1, 1, 1}));
    empty.RecomputeExtents();
    EXPECT_EQ(Box(empty), "1 1 1 / 1 1 1");
}

TEST(DocumentExtents, TextBoxFromFontMetricsAndVertexEstimate) {
    CTAVDoc doc;
    auto t = MakeText("Ab", {10, 20, 0}, 2.0);
    t->m_font = 9;  // outside 0..3: the fourth font
    doc.AddEntity(std::move(t));
    doc.RecomputeExtents();
    double w = 0, h = 0;
    CStrokeFontMetrics::Get().MeasureString("Ab", 3, w, h);
    ASSERT_GT(w, 0.0);
    EXPECT_EQ(Box(doc, 9), "10 20 0 / " + Num(10 + 2 * w, 9) + " " + Num(20 + 2 * h, 9) + " 0");
    // Rotated by 90 degrees the width runs along +y and the height along -x.
    static_cast<CText&>(*doc.GetEntity(0)).m_rotation = 90;
    doc.RecomputeExtents();
    EXPECT_EQ(Box(doc, 9), Num(10 - 2 * h, 9) + " 20 0 / 10 " + Num(20 + 2 * w, 9) + " 0");
    // Points and the vertex estimate.
    CTAVDoc filled;
    FillDocument(filled);
    EXPECT_EQ(filled.GetPointCount(), 1);
    const int64_t g = CStrokeFontMetrics::Get().MaxGlyphVertexCount();
    ASSERT_GT(g, 0);
    // polygon 5 + polyline 1 + empty polyline 0 + arc 300 + text 17 characters
    EXPECT_EQ(filled.EstimateVertexCount(0), 5 + 1 + 300 + 17 * g);
    EXPECT_EQ(filled.EstimateVertexCount(1), 5 + 1 + 300 + 17 * g + 9 * g);  // "Pkt żółty"
}

TEST(DocumentTables, DeleteCoordSystemKeepsActiveValid) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    for (int i = 0; i < 3; ++i) {
        CMatrix4 m = CMatrix4::Identity();
        m.m[0][3] = i;
        doc.AddCoordSystem(
            CCoordSystem("S" + std::to_string(i), CPoint3(), CPoint3(1, 0, 0), CPoint3(0, 1, 0)),
            m);
    }
    doc.SetActiveCoordSystem(2);
    EXPECT_EQ(doc.DeleteCoordSystem(3), -2);
    EXPECT_EQ(doc.DeleteCoordSystem(-1), -2);
    EXPECT_TRUE(prompter.questions.empty());  // index checked before asking

    prompter.answers = {false};
    EXPECT_EQ(doc.DeleteCoordSystem(0), -2);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, "Czy na prawdę chcesz usunąć tą uklad wspólrzednych?");
    EXPECT_EQ(doc.GetCoordSystemCount(), 3);

    EXPECT_EQ(doc.DeleteCoordSystem(0), 0);  // one before the active one
    EXPECT_EQ(doc.GetActiveCoordSystem(), 1);
    EXPECT_EQ(doc.GetCoordSystem(1).m_name, "S2");
    EXPECT_EQ(doc.GetMatrix(1).m[0][3], 2.0);  // the matrix went with its system

    EXPECT_EQ(doc.DeleteCoordSystem(1), 0);  // the active, last one
    EXPECT_EQ(doc.GetActiveCoordSystem(), -1);
    EXPECT_EQ(doc.GetCoordSystem(0).m_name, "S1");
    EXPECT_EQ(doc.GetMatrix(0).m[0][3], 1.0);
    EXPECT_EQ(doc.DeleteCoordSystem(0), -1);  // the table is empty
    EXPECT_EQ(doc.GetCoordSystemCount(), 0);

    prompter.questions.clear();
    doc.ClipPlanes().emplace_back("a", 1, CPoint3(), CVec3(0, 0, 1));
    doc.ClipPlanes().emplace_back("b", 0, CPoint3(), CVec3(0, 0, 1));
    EXPECT_EQ(doc.DeleteClipPlane(2), -2);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(doc.DeleteClipPlane(1), 0);
    EXPECT_EQ(prompter.questions.at(0).text,
              "Czy na prawdę chcesz usunąć tą plaszczyznę odcinającą?");
    EXPECT_EQ(doc.DeleteClipPlane(0), -1);

    EXPECT_EQ(doc.MakeCoordSystemName(), "Uklad0");
    for (const char* name : {"Uklad1", "Uklad2"}) {
        doc.AddCoordSystem(CCoordSystem(name, {}, {1, 0, 0}, {0, 1, 0}), CMatrix4());
    }
    EXPECT_EQ(doc.MakeCoordSystemName(), "Uklad3");
    doc.GetCoordSystem(1).m_name = "uklad2";  // case matters
    EXPECT_EQ(doc.MakeCoordSystemName(), "Uklad2");
}

TEST(ParseNumberedNameTest, Cases) {
    const struct {
        const char* name;
        const char* prefix;
        int min, max;
        int result, number;
        const char* rest;
    } cases[] = {
        {"P105a", "P", 101, -1, 1, 105, "a"},
        {"P5", "P", 1, 100, 1, 5, ""},
        {"P105", "P", 1, 100, 0, -1, ""},                  // above max
        {"P0", "P", 1, 100, 0, -1, ""},                    // below min
        {"Pa", "P", 1, -1, 0, -1, ""},                     // no digits
        {"X5", "P", 1, -1, 0, -1, ""},                     // other prefix
        {"I12a", "I", -1, -1, 1, -1, "12a"},               // no number: everything after the prefix
        {"12b", "", 0, -1, 1, 12, "b"},                    // empty prefix matches
        {"", "", -1, -1, 1, -1, ""},                       //
        {"P", "PP", 0, -1, 0, -1, ""},                     // shorter than the prefix
        {"P007x", "P", 0, -1, 1, 7, "x"},                  //
        {"P99999999999999999999", "P", 0, -1, 0, -1, ""},  // beyond int: no match
        {"P2147483647", "P", 0, -1, 1, 2147483647, ""},
        {"P-5", "P", 0, -1, 0, -1, ""},  // digits only, no sign
    };
    for (const auto& c : cases) {
        int number = 42;
        std::string rest = "unchanged";
        EXPECT_EQ(ParseNumberedName(c.name, c.prefix, c.min, c.max, number, rest), c.result)
            << c.name;
        EXPECT_EQ(number, c.number) << c.name;
        if (c.result) {
            EXPECT_EQ(rest, c.rest) << c.name;
        }
    }
}

// Stores a camera of its own, so that a save shows which view was asked.
class CountingObserver : public CCountingObserver {
public:
    void StoreViewState(CTAVDoc& doc) override {
        CCountingObserver::StoreViewState(doc);
        CViewState v = doc.ViewState();
        v.scale = 7.5;
        doc.SetViewState(v);
    }
};

TEST(DocumentViews, ObserversHearNewOpenAndSave) {
    CTempDir dir;
    CTAVDoc doc;
    CountingObserver first, second;
    doc.AddObserver(&first);
    doc.AddObserver(&second);
    doc.AddObserver(&first);  // once only
    FillDocument(doc);
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("a.tav")));
    EXPECT_EQ(first.stored, 1);  // only the first view stores its camera
    EXPECT_EQ(second.stored, 0);
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.OnOpenDocument(dir.File("a.tav")));
    EXPECT_EQ(doc.ViewState().scale, 7.5);
    EXPECT_EQ(first.hints, std::vector<int>{1});
    EXPECT_EQ(second.pickResets, 1);
    EXPECT_EQ(second.invalidated, 1);
    EXPECT_EQ(first.removed, 1);

    doc.OnNewDocument();
    EXPECT_EQ(first.hints, (std::vector<int>{1, 1}));
    EXPECT_EQ(second.pickResets, 2);
    EXPECT_EQ(first.removed, 2);
    doc.RemoveObserver(&first);
    doc.UpdateAllViews(0);
    EXPECT_EQ(first.hints.size(), 2u);
    EXPECT_EQ(second.hints.back(), 0);
}

TEST(DocumentSave, FailedSaveKeepsTheOldFile) {
    CTempDir dir;
    const std::string path = dir.File("keep.tav");
    CTAVDoc doc;
    FillDocument(doc);
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const std::string before = ReadFile(path);

    CRecordingPrompter prompter;
    CTAVDoc other(&prompter);
    // A target inside a "folder" that is a file cannot be written even by root.
    EXPECT_FALSE(other.OnSaveDocument(path + "/sub.tav"));
    ASSERT_EQ(prompter.fileErrors.size(), 1u);
    EXPECT_EQ(ReadFile(path), before);
    // A read-only folder refuses the temporary file; the old file stays (when not root).
    if (geteuid() != 0) {
        fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(other.OnSaveDocument(path));
        fs::permissions(dir.path, fs::perms::owner_all);
        EXPECT_EQ(ReadFile(path), before);
    }
    // Saving over a directory fails at the rename and leaves no temporary file behind.
    fs::create_directory(dir.File("d.tav"));
    EXPECT_FALSE(other.OnSaveDocument(dir.File("d.tav")));
    EXPECT_EQ(dir.FileCount(), 2);  // keep.tav and d.tav
}

TEST(DocumentSave, OpenFailuresKeepContentAndUnmappableCharactersAreSaidOnce) {
    CTempDir dir;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    FillDocument(doc);
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("missing.tav")));
    ASSERT_EQ(prompter.fileErrors.size(), 1u);
    EXPECT_EQ(doc.GetEntityCount(), 6);
    EXPECT_FALSE(doc.OnOpenDocument(dir.Write("bad.tav", "TAV Document ver. 2.1.1\n\x01")));
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_EQ(doc.GetEntityCount(), 6);

    // Characters cp1250 lacks are said once per save.
    doc.OnNewDocument();
    doc.AddEntity(MakePnt({}, "Ж1"));
    doc.AddEntity(MakePnt({}, "Ж2"));
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("x.tav")));
    EXPECT_EQ(prompter.messages.size(), 1u);
    CTAVDoc back;
    ASSERT_TRUE(back.OnOpenDocument(dir.File("x.tav")));
    EXPECT_EQ(back.GetEntity(0)->m_name, "?1");
}

// A list appended whole: an empty drawing takes it as it is, a drawing with entities gets it
// after them, in order; the list is left empty either way.
TEST(DocumentEntities, AppendedListsKeepTheirOrder) {
    CTAVDoc doc;
    const auto list = [](int first, int count) {
        std::vector<std::unique_ptr<CEntity>> v;
        for (int i = 0; i < count; ++i) {
            v.push_back(MakePnt({}));
            v.back()->m_number = first + i;
        }
        return v;
    };
    auto a = list(1, 3);
    const CEntity* firstOfA = a[0].get();
    doc.AppendEntities(a);
    EXPECT_TRUE(a.empty());
    ASSERT_EQ(doc.GetEntityCount(), 3);
    EXPECT_EQ(doc.GetEntity(0), firstOfA);
    auto b = list(4, 2);
    doc.AppendEntities(b);
    EXPECT_TRUE(b.empty());
    ASSERT_EQ(doc.GetEntityCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(doc.GetEntity(i)->m_number, i + 1);
    }
    std::vector<std::unique_ptr<CEntity>> none;
    doc.AppendEntities(none);
    EXPECT_EQ(doc.GetEntityCount(), 5);
}

}  // namespace
