#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/EntityEdit.h"

namespace {

// A document with one point and one polyline, saved once so that later saves can be compared.
struct SDocFixture {
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    SDocFixture() {
        doc.AddEntity(Colored(MakePnt({1, 2, 3}, "P1"), 0.5, 0, 0));
        doc.AddEntity(MakePoly({{0, 0, 0}, {4, 0, 0}}));
        doc.Layers().push_back(CLayer("Druga", 0, 1));
        doc.SetCurrentLayer(1);
        const double red[3] = {1, 0, 0};
        doc.SetCurrentColor(red);
        doc.RecomputeExtents();
        doc.SetModifiedFlag(false);
    }
};

TEST(EntityEditTest, NewEntityTakesCurrentColourLayerAndTheLastSlot) {
    SDocFixture f;
    CEntityEdit edit;
    EXPECT_EQ(edit.BeginNew(f.doc, MakeNewEntity(f.doc, kTypePoint)), 2);
    ASSERT_NE(edit.Entity(), nullptr);
    EXPECT_EQ(Describe(*edit.Entity()), "pnt 0 0 0 L1 rgb=1 0 0");
    EXPECT_TRUE(edit.IsNew());
    EXPECT_EQ(f.doc.GetEntityCount(), 3);
    EXPECT_EQ(edit.BeginNew(f.doc, nullptr), -1);
}

TEST(EntityEditTest, NewArcAndTextLieInTheActiveSystemsPlane) {
    SDocFixture f;
    f.doc.SetActiveCoordSystem(StoreCoordSystem(
        f.doc, -1, CCoordSystem("Pion", CPoint3(5, 5, 5), CPoint3(5, 9, 5), CPoint3(5, 5, 8))));
    for (int type : {kTypeArc, kTypeText}) {
        std::unique_ptr<CEntity> e = MakeNewEntity(f.doc, type);
        const CVec3 axis =
            type == kTypeArc ? static_cast<CArc&>(*e).m_axis : static_cast<CText&>(*e).m_axis;
        EXPECT_EQ(Xyz(axis, 12), "1 0 0");
    }
    EXPECT_EQ(MakeNewEntity(f.doc, 99), nullptr);
}

TEST(EntityEditTest, CancelledNewPolygonLeavesTheSavedBytes) {
    SDocFixture f;
    const std::vector<uint8_t> before = f.doc.SaveToBytes();
    const int lastNumber = GetLastEntityNumber();
    CEntityEdit edit;
    edit.BeginNew(f.doc, MakeNewEntity(f.doc, kTypePolygon));
    auto* poly = static_cast<CPoly*>(edit.Entity());
    poly->m_closed = 1;
    for (int i = 0; i < 4; ++i) {
        poly->AddVertex(CPoint3(i, i * i, 0));
    }
    poly->m_color[2] = 0.25;
    edit.Cancel();
    EXPECT_FALSE(edit.IsActive());
    EXPECT_EQ(f.doc.GetEntityCount(), 2);
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_EQ(GetLastEntityNumber(), lastNumber);
    EXPECT_EQ(f.doc.SaveToBytes(), before);
    edit.Cancel();  // a second cancel has nothing to undo
    EXPECT_EQ(f.doc.GetEntityCount(), 2);
}

TEST(EntityEditTest, CancelledEditOfAPointRestoresEverything) {
    SDocFixture f;
    const std::vector<uint8_t> before = f.doc.SaveToBytes();
    CEntityEdit edit;
    ASSERT_TRUE(edit.BeginExisting(f.doc, 0));
    auto* pnt = static_cast<CPnt*>(edit.Entity());
    pnt->m_point = CPoint3(100, 100, 100);
    pnt->m_color[0] = 0.0;
    pnt->m_name = "Q";
    pnt->m_data.SetText("Dane");
    edit.Cancel();
    EXPECT_EQ(Describe(*f.doc.GetEntity(0)), "pnt 1 2 3 name=P1 rgb=0.5 0 0");
    EXPECT_EQ(f.doc.SaveToBytes(), before);
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_FALSE(edit.BeginExisting(f.doc, 2));
    EXPECT_FALSE(edit.BeginExisting(f.doc, -1));
}

struct SVertexCase {
    const char* name;
    int closed;
    int vertices;
    const char* message;
};

const SVertexCase kCommitVertexCountTestCases[] = {
    {"PolylineOfOne", 0, 1, kPolylineTooFew},
    {"PolylineOfTwo", 0, 2, nullptr},
    {"PolygonOfTwo", 1, 2, kPolygonTooFew},
    {"PolygonOfThree", 1, 3, nullptr},
};

TEST(CommitVertexCountTest, TooFewVerticesKeepTheEditOpen) {
    for (const SVertexCase& c : kCommitVertexCountTestCases) {
        SCOPED_TRACE(c.name);
        SDocFixture f;
        CEntityEdit edit;
        edit.BeginNew(f.doc, MakeNewEntity(f.doc, c.closed ? kTypePolygon : kTypePolyline));
        auto* poly = static_cast<CPoly*>(edit.Entity());
        poly->m_closed = c.closed;
        for (int i = 0; i < c.vertices; ++i) {
            poly->AddVertex(CPoint3(i, i % 2, 0));
        }
        const int lastNumber = GetLastEntityNumber();
        const char* msg = edit.Commit();
        if (c.message) {
            ASSERT_NE(msg, nullptr);
            EXPECT_STREQ(msg, c.message);
            EXPECT_TRUE(edit.IsActive());
            EXPECT_FALSE(f.doc.IsModified());
            EXPECT_EQ(GetLastEntityNumber(), lastNumber);
        } else {
            EXPECT_EQ(msg, nullptr);
            EXPECT_FALSE(edit.IsActive());
            EXPECT_TRUE(f.doc.IsModified());
            EXPECT_EQ(poly->m_number, lastNumber + 1);
            EXPECT_EQ(GetLastEntityNumber(), lastNumber + 1);
            EXPECT_EQ(poly->m_tessellated, c.closed);
        }
    }
}

TEST(EntityEditTest, CommitSetsCurrentColourAndExtentsButKeepsNumbersOfOldEntities) {
    SDocFixture f;
    CEntityEdit edit;
    ASSERT_TRUE(edit.BeginExisting(f.doc, 0));
    auto* pnt = static_cast<CPnt*>(edit.Entity());
    const int number = pnt->m_number;
    pnt->m_point = CPoint3(-50, 60, 70);
    pnt->m_color[1] = 0.75;
    EXPECT_EQ(edit.Commit(), nullptr);
    EXPECT_EQ(pnt->m_number, number);
    EXPECT_EQ(CurrentColor(f.doc), "0.5 0.75 0");
    EXPECT_EQ(Box(f.doc), "-50 0 0 / 4 60 70");
}

TEST(EntityEditTest, ArcExtentsUseFivePointsBeyondAHalfTurn) {
    CTAVDoc doc;
    CArc arc = *MakeArc({}, 2, 0, 270);
    ExtendExtentsBy(doc, arc);  // 0, 67.5, 135, 202.5 and 270 degrees
    EXPECT_EQ(Box(doc, 12), Num(2 * std::cos(202.5 * kDegToRad), 12) + " -2 0 / 2 " +
                                Num(2 * std::sin(67.5 * kDegToRad), 12) + " 0");
    CTAVDoc doc2;
    arc.m_length = 90;  // start (2, 0), middle, end (0, 2)
    ExtendExtentsBy(doc2, arc);
    EXPECT_EQ(Box(doc2, 12), "0 0 0 / 2 2 0");
    // A removed slot is left alone.
    SDocFixture f;
    CEntityEdit edit;
    edit.BeginNew(f.doc, MakeNewEntity(f.doc, kTypePoint));
    f.doc.RemoveEntity(0);
    edit.Cancel();
    EXPECT_EQ(Describe(f.doc), "line [0 0 0, 4 0 0]\npnt 0 0 0 L1 rgb=1 0 0\n");
    EXPECT_EQ(edit.Commit(), nullptr);
    // The removal made meanwhile stays a change that can be taken back.
    EXPECT_TRUE(f.doc.IsModified());
    ASSERT_TRUE(f.doc.Undo());
    EXPECT_EQ(Describe(f.doc), "pnt 1 2 3 name=P1 rgb=0.5 0 0\nline [0 0 0, 4 0 0]\n");
}

TEST(PickMathTest, RayMeetsThePlaneAlongTheViewDirection) {
    const CPoint3 eye(0, 0, 10), target(0, 0, 0);
    CPoint3 hit;
    // Plane x = 0 seen from above: the ray runs parallel to it.
    EXPECT_FALSE(
        IntersectPickRay(CPoint3(3, 4, 0), eye, target, CPoint3(0, 0, 0), CVec3(1, 0, 0), hit));
    ASSERT_TRUE(
        IntersectPickRay(CPoint3(3, 4, 0), eye, target, CPoint3(0, 0, 5), CVec3(0, 0, 2), hit));
    EXPECT_EQ(Xyz(hit, 12), "3 4 5");
    EXPECT_FALSE(
        IntersectPickRay(CPoint3(3, 4, 0), eye, eye, CPoint3(0, 0, 5), CVec3(0, 0, 1), hit));
}

TEST(PickMathTest, AnglesAroundTheCentre) {
    const CPoint3 c(10, 10, 0);
    const CVec3 up(0, 0, 1), down(0, 0, -1);
    EXPECT_NEAR(AngleInEntityFrame(c, up, CPoint3(11, 10, 0)), 0, 1e-6);
    EXPECT_NEAR(AngleInEntityFrame(c, up, CPoint3(10, 12, 0)), 90, 1e-6);
    EXPECT_NEAR(AngleInEntityFrame(c, up, CPoint3(10, 9, 0)), 270, 1e-6);
    // Seen from below the frame's X is -X: the same world point lies at 180.
    EXPECT_NEAR(AngleInEntityFrame(c, down, CPoint3(11, 10, 0)), 180, 1e-6);
    EXPECT_EQ(AngleInEntityFrame(c, up, c), 0);
    EXPECT_NEAR(ArcLengthTo(350, 10), 20, 1e-12);
    EXPECT_NEAR(ArcLengthTo(10, 350), 340, 1e-12);
    EXPECT_EQ(ArcLengthTo(45, 45), 0);
}

struct SPropsFixture : SDocFixture {
    std::vector<int> sel;
    SPropsFixture() {
        for (const char* n : {"P1", "P2", "P3"}) {
            sel.push_back(doc.AddEntity(Colored(MakePnt({}, n), 0.2, 0.4, 0)));
        }
    }
    CEntity& E(int k) { return *doc.GetEntity(sel[static_cast<size_t>(k)]); }
};

TEST(CommonPropertiesTest, DifferingNamesStayWhenNotTyped) {
    SPropsFixture f;
    SCommonProperties p = GatherCommonProperties(f.doc, f.sel);
    EXPECT_EQ(p.name, "");
    EXPECT_EQ(p.namesDiffer, 1);
    EXPECT_EQ(p.colorsDiffer, 0);
    EXPECT_EQ(p.color[1], 0.4);
    EXPECT_EQ(p.layer, 0);
    p.color[2] = 1.0;
    EXPECT_EQ(ApplyCommonProperties(f.doc, f.sel, p, p.layer), 3);
    EXPECT_EQ(f.E(0).m_name, "P1");
    EXPECT_EQ(f.E(2).m_name, "P3");
    EXPECT_EQ(f.E(1).m_color[2], 1.0);
    // Colours, layers and data that differ.
    SPropsFixture f2;
    f2.E(1).m_color[0] += 2e-8;
    f2.E(2).m_layer = 1;
    f2.E(0).m_data.SetText("Dane");
    SCommonProperties p2 = GatherCommonProperties(f2.doc, f2.sel);
    EXPECT_EQ(p2.colorsDiffer, 1);
    EXPECT_EQ(p2.color[0], 1.0);
    EXPECT_EQ(p2.color[1], 1.0);
    EXPECT_EQ(p2.layer, -1);
    EXPECT_EQ(p2.dataDiffer, 1);
    EXPECT_EQ(p2.data.GetText(), "");
    p2.name = "X";
    p2.namesDiffer = 0;
    ApplyCommonProperties(f2.doc, f2.sel, p2, p2.layer);
    EXPECT_EQ(f2.E(2).m_layer, 1);
    EXPECT_EQ(f2.E(0).m_layer, 0);
    EXPECT_EQ(f2.E(1).m_color[0], 0.2 + 2e-8);
    EXPECT_EQ(f2.E(0).m_data.GetText(), "Dane");
    EXPECT_EQ(f2.E(1).m_name, "X");
    // Confirmed removal of differing data: the flag is cleared and every entity loses its data.
    p2.data = CDataNode();
    p2.dataDiffer = 0;
    ApplyCommonProperties(f2.doc, f2.sel, p2, -1);
    EXPECT_EQ(f2.E(0).m_data.GetText(), "");
    // Indices that are no longer entities are skipped.
    const std::vector<int> stale = {f2.sel[0], 99, -1};
    EXPECT_EQ(ApplyCommonProperties(f2.doc, stale, p2, 0), 1);
    const SCommonProperties q = GatherCommonProperties(f2.doc, stale);
    EXPECT_EQ(q.namesDiffer, 0);
}

}  // namespace
