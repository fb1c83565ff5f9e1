#include "document/Entity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "document/Archive.h"
#include "support/ArchiveBytes.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Bytes = std::vector<uint8_t>;

CPoly Square(int closed) {
    return *MakePoly({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, closed);
}

template <typename T>
T Reload(const Bytes& bytes) {
    CArchive ar(bytes);
    T e;
    e.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    return e;
}

CMatrix4 Scale(double x, double y, double z) {
    CMatrix4 m = CMatrix4::Identity();
    m.m[0][0] = x;
    m.m[1][1] = y;
    m.m[2][2] = z;
    return m;
}

TEST(EntityTypes, CodesAndDefaults) {
    EXPECT_EQ(Square(0).GetType(), 101);
    EXPECT_EQ(Square(1).GetType(), 100);
    // A closed polygon is made for 100; the rest are the default entities of their kind.
    const char* made[] = {"polygon []", "line []", "text \"\" at=0 0 0 h=1 axis=0 0 0",
                          "arc c=0 0 0 r=1 0+360", "pnt 0 0 0"};
    for (int code : {100, 101, 102, 103, 104}) {
        auto e = CreateEntity(code);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->GetType(), code);
        EXPECT_EQ(Describe(*e), made[code - 100]);
    }
    EXPECT_TRUE(CArc().IsFullCircle());
    EXPECT_EQ(CreateEntity(99), nullptr);
    EXPECT_EQ(CreateEntity(105), nullptr);
}

TEST(PolyVertices, IndexErrorsChangeNothing) {
    CPoly p = Square(0);
    EXPECT_THROW(p[4], CPolyIndexError);
    EXPECT_THROW(p[-1], CPolyIndexError);
    EXPECT_THROW(p.RemoveVertex(4), CPolyIndexError);
    EXPECT_THROW(p.InsertVertex(5, CPoint3()), CPolyIndexError);
    EXPECT_THROW(p.InsertVertex(-1, CPoint3()), CPolyIndexError);
    EXPECT_THROW(p.SetVertexCount(-1), CPolyIndexError);
    EXPECT_EQ(p.GetVertexCount(), 4);
    try {
        p[7];
        FAIL();
    } catch (const CPolyIndexError& e) {
        EXPECT_STREQ(e.what(), "CPoly[] index out of range!");
    }
    p.InsertVertex(4, CPoint3(9, 9, 9));  // at the end is allowed
    p.InsertVertex(0, CPoint3(-1, -1, 0));
    EXPECT_EQ(Describe(p), "line [-1 -1 0, 0 0 0, 1 0 0, 1 1 0, 0 1 0, 9 9 9]");
    p.RemoveVertex(0);
    p[3].flag = 2;
    p.SetVertexCount(7);
    EXPECT_EQ(Describe(p), "line [0 0 0, 1 0 0, 1 1 0, 0 1 0 f2, 9 9 9, 0 0 0, 0 0 0]");
    p.SetVertexCount(2);
    EXPECT_EQ(Describe(p), "line [0 0 0, 1 0 0]");
    p.SetVertexCount(0);
    EXPECT_EQ(Describe(p), "line []");
}

TEST(PolyMeasures, LengthAreaPlaneAndTriangulation) {
    CPoly sq = Square(1);
    EXPECT_DOUBLE_EQ(sq.GetLength(1), 4.0);
    EXPECT_DOUBLE_EQ(sq.GetLength(0), 3.0);
    EXPECT_EQ(MakePoly({{5, 5, 5}})->GetLength(1), 0.0);
    // DXF imports make polylines without vertices; their perimeter is 0, not an exception.
    EXPECT_EQ(CPoly().GetLength(1), 0.0);
    EXPECT_EQ(CPoly().GetLength(0), 0.0);

    CRecordingPrompter prompter;
    double area = 0;
    EXPECT_EQ(sq.ComputeArea(area, &prompter), 1);
    EXPECT_DOUBLE_EQ(area, 1.0);
    EXPECT_TRUE(prompter.messages.empty());
    const auto bow = MakePoly({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, 1);
    EXPECT_EQ(bow->ComputeArea(area, &prompter), 0);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "UWAGA!\nNie obliczono pola powierzchni.\nWierzcholki nie leżą w jedej "
              "płaszczyźnie, krawędzie sie przecinają, \nalbo łamana jest wklęsła.");
    EXPECT_EQ(bow->ComputeArea(area, nullptr), 0);  // no prompter, no crash

    sq.ComputePlane();
    sq.Tessellate();
    EXPECT_EQ(sq.m_planar, 1);
    EXPECT_NEAR(sq.m_normal.z, 1.0, 1e-12);
    EXPECT_EQ(sq.m_tessellated, 1);
    EXPECT_FALSE(sq.FillPrimitives().empty());
    // A copy carries the cached plane and triangulation.
    CPoly copy = sq;
    EXPECT_EQ(copy.FillPrimitives().size(), sq.FillPrimitives().size());
    EXPECT_EQ(copy.m_planar, 1);
}

TEST(ArcPoints, ArcsAndTheFullCircleRule) {
    CArc a = *MakeArc({}, 2.0, 90.0, 90.0);
    CPoint3 p, q0, q1, q2, q3;
    ASSERT_EQ(a.GetStartPoint(p), 1);
    ExpectXyz(p, 0, 2, 0);
    ASSERT_EQ(a.GetMidPoint(p), 1);
    ExpectXyz(p, -std::sqrt(2.0), std::sqrt(2.0), 0);
    ASSERT_EQ(a.GetEndPoint(p), 1);
    ExpectXyz(p, -2, 0, 0);
    EXPECT_NEAR(a.GetArcLength(), kPi, 1e-12);
    EXPECT_NEAR(a.GetSectorArea(), kPi, 1e-12);
    EXPECT_EQ(a.GetQuarterPoints(q0, q1, q2, q3), 0);
    // A negative length gives positive measures.
    a.m_length = -90.0;
    EXPECT_NEAR(a.GetArcLength(), kPi, 1e-12);
    EXPECT_NEAR(a.GetSectorArea(), kPi, 1e-12);
    // Seen from below X is mirrored.
    CArc down = *MakeArc({}, 1, 0, 90);
    down.m_axis = CVec3(0, 0, -1);
    down.GetStartPoint(p);
    ExpectXyz(p, -1, 0, 0);
    down.GetEndPoint(p);
    ExpectXyz(p, 0, 1, 0);
    // A full circle has no start, middle or end, only quarter points.
    CArc circle = *MakeArc({10, 20, 30}, 3.0);
    CPoint3 at(7, 7, 7);
    EXPECT_EQ(circle.GetStartPoint(at), 0);
    EXPECT_EQ(circle.GetMidPoint(at), 0);
    EXPECT_EQ(circle.GetEndPoint(at), 0);
    ExpectXyz(at, 7, 7, 7);  // untouched
    CPoint3 c0, c1, c2, c3;
    ASSERT_EQ(circle.GetQuarterPoints(c0, c1, c2, c3), 1);
    EXPECT_EQ(Xyz(c0, 12) + ", " + Xyz(c1, 12) + ", " + Xyz(c2, 12) + ", " + Xyz(c3, 12),
              "13 20 30, 10 23 30, 7 20 30, 10 17 30");
    EXPECT_EQ(circle.GetPointAt(at, 90.0), 1);  // no full-circle test
    ExpectXyz(at, 10, 23, 30);
    circle.m_length = 359.999;
    EXPECT_EQ(circle.GetStartPoint(at), 1);
    EXPECT_EQ(circle.GetQuarterPoints(c0, c1, c2, c3), 0);
    circle.m_length = 360.0;
    circle.m_start = 1e-300;  // only exactly 0 and 360 make a circle
    EXPECT_EQ(circle.GetStartPoint(at), 1);
}

// Scales stretch an arc's radius by the image of its X axis, a text's height by that of its Y
// axis; mirrors keep the angles; points keep their flags.
TEST(EntityTransform, ArcTextPointAndPoly) {
    const CArc a = *MakeArc({1, 2, 3}, 2.0, 30.0, 45.0);
    CArc scaled = a;
    scaled.Transform(Scale(3, 3, 3));
    EXPECT_EQ(Describe(scaled), "arc c=3 6 9 r=6 30+45 axis=0 0 3");  // axis not normalized
    CMatrix4 mirror;
    mirror.SetMirror(0);
    CArc mirrored = a;
    mirrored.Transform(mirror);
    EXPECT_EQ(Describe(mirrored), "arc c=-1 2 3 r=2 30+45");
    CArc squashed = a;
    squashed.Transform(Scale(0.5, 4.0, 1));
    EXPECT_EQ(squashed.m_radius, 1.0);

    CMatrix4 m = Scale(5, 3, 1);  // stretching X leaves a text's height alone
    m.m[0][3] = 10.0;
    CText t = *MakeText("", {1, 1, 1}, 2.0);
    t.m_rotation = 15.0;
    t.Transform(m);
    EXPECT_EQ(Describe(t), "text \"\" at=15 3 1 h=6 axis=0 0 1 rot=15");
    CPnt p = *MakePnt({1, 2, 3});
    p.m_point.flag = 7;
    p.Transform(m);
    EXPECT_EQ(Describe(p), "pnt 15 6 3 f7");
    CPoly poly = Square(0);
    poly[2].flag = 9;
    poly.Transform(m);
    EXPECT_EQ(Describe(poly), "line [10 0 0, 15 0 0, 15 3 0 f9, 10 3 0]");
}

TEST(EntityCopy, DeepCopiesDataTreeAndCounterRules) {
    CPnt src = *MakePnt({}, "Ż1");
    src.m_data.BuildObjectTree(3);
    src.m_data.GetChild(6).AddChild(CDataNode());
    src.m_color[1] = 0.5;
    src.m_layer = 2;
    src.m_number = 41;
    src.m_reserved = 77;
    std::unique_ptr<CEntity> clone = src.Clone();
    auto& copy = static_cast<CPnt&>(*clone);
    EXPECT_EQ(Describe(copy), Describe(src));
    EXPECT_NE(Describe(src).find("L2 #41 name=Ż1 rgb=0 0.5 0 reserved=77 data="),
              std::string::npos);
    copy.m_data.GetChild(6).GetChild(0).SetText("changed");
    copy.m_data.RemoveChild(0);
    EXPECT_EQ(src.m_data.GetChildCount(), 12);
    EXPECT_EQ(src.m_data.GetChild(6).GetChild(0).GetText(), "");
    EXPECT_FALSE(copy.m_data == src.m_data);
    CPnt assigned;
    assigned = src;
    EXPECT_TRUE(assigned.m_data == src.m_data);
    // The entity counter.
    CCounterGuard counter;
    EXPECT_EQ(NextEntityNumber(), 1);
    EXPECT_EQ(NextEntityNumber(), 2);
    RaiseLastEntityNumber(1);
    EXPECT_EQ(GetLastEntityNumber(), 2);
    RaiseLastEntityNumber(40);
    EXPECT_EQ(GetLastEntityNumber(), 40);
    // Loading an entity raises the counter to its number.
    CPnt numbered;
    numbered.m_number = 500;
    const Bytes bytes = Stored(numbered);
    SetLastEntityNumber(3);
    Reload<CPnt>(bytes);
    EXPECT_EQ(GetLastEntityNumber(), 500);
    SetLastEntityNumber(900);
    Reload<CPnt>(bytes);
    EXPECT_EQ(GetLastEntityNumber(), 900);
}

TEST(EntityRecords, PointAndTextByteLayout) {
    CPnt p = *Colored(MakePnt({1.5, -2.0, 3.0}, "Ł"), 0.25, 0, 0);
    p.m_layer = 1;
    p.m_number = 7;
    p.m_point.flag = 0x10;
    const Bytes point = EntityRecord(1, 7, "\xA3", {0.25, 0, 0}, {1.5, -2.0, 3.0}, {0x10});
    EXPECT_EQ(Stored(p), point);
    EXPECT_EQ(Describe(Reload<CPnt>(point)), "pnt 1.5 -2 3 f16 L1 #7 name=Ł rgb=0.25 0 0");

    // A text ends with its string.
    CText t = *MakeText("ąb", {1, 2, 3}, 2.5);
    t.m_rotation = 30;
    t.m_font = 2;
    Bytes text = EntityRecord(0, 0, "", {}, {1, 2, 3, 0, 0, 1, 30, 2.5}, {2});
    text.insert(text.end(), {0x02, 0xB9, 'b'});
    EXPECT_EQ(Stored(t), text);
    CText textBack = Reload<CText>(text);
    EXPECT_EQ(Describe(textBack), "text \"ąb\" at=1 2 3 h=2.5 axis=0 0 1 rot=30 font=2");
    EXPECT_EQ(textBack.GetTextLength(), 2);
}

TEST(EntityRecords, PolyAndArcRoundTrip) {
    CPoly p = Square(1);
    p.m_marker = 1;
    p[1].flag = 3;
    const Bytes bytes = Stored(p);
    // base, closed, marker, count, 4 x (point3, flag)
    EXPECT_EQ(bytes.size(), EntityRecord(0, 0, "", {}, {}, {}).size() + 12 + 4 * 28);
    CPoly back = Reload<CPoly>(bytes);
    EXPECT_EQ(Describe(back), "polygon [0 0 0, 1 0 0 f3, 1 1 0, 0 1 0] marker=1");
    EXPECT_EQ(Stored(back), bytes);

    CArc a = *MakeArc({1e6, 2e6, 3.25}, 12.5, 10, 270);
    a.m_axis = CVec3(0.1, 0.2, 0.9);
    const Bytes arcBytes = Stored(a);
    CArc arcBack = Reload<CArc>(arcBytes);
    EXPECT_EQ(Stored(arcBack), arcBytes);
    EXPECT_EQ(Describe(arcBack), "arc c=1e+06 2e+06 3.25 r=12.5 10+270 axis=0.1 0.2 0.9");
}

TEST(EntityRecords, OldFormatLyingCountsAndTruncations) {
    const Bytes bytes = EntityRecord(0, 12, "A", {1, 0, 0}, {}, {2}, false);
    CArchive tail;
    for (double d : {1.0, 2.0, 3.0}) {
        tail.WriteF64(d);
    }
    tail.WriteU32(1);
    for (double d : {4.0, 5.0, 6.0}) {
        tail.WriteF64(d);
    }
    tail.WriteU32(5);
    Bytes all = bytes;
    all.insert(all.end(), tail.Buffer().begin(), tail.Buffer().end());
    CArchive ar(all);
    CPoly p;
    p.LoadOld(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(Describe(p), "line [1 2 3, 4 5 6 f5] #12 name=A rgb=1 0 0");
    // Closed, marker, and a vertex count far beyond the bytes left: refused, as is every cut.
    const Bytes lying = EntityRecord(0, 1, "", {}, {}, {0, 0, 0xFFFFFFF0});
    CArchive lyingAr(lying);
    CPoly lyingPoly;
    lyingPoly.AddVertex(CPoint3(1, 1, 1));
    EXPECT_THROW(lyingPoly.Serialize(lyingAr), CArchiveException);
    EXPECT_EQ(lyingPoly.GetVertexCount(), 1);  // vertices untouched

    CText t = *MakeText("Zażółć gęślą jaźń", {});
    t.m_data.BuildObjectTree(4);
    const Bytes text = Stored(t);
    for (size_t cut = 0; cut < text.size(); ++cut) {
        const Bytes part(text.begin(), text.begin() + static_cast<long>(cut));
        CArchive in(part);
        CText back;
        EXPECT_THROW(back.Serialize(in), CArchiveException) << "cut at " << cut;
    }
}

}  // namespace
