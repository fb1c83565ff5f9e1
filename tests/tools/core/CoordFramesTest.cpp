#include <gtest/gtest.h>

#include <cmath>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"

namespace {

// Origin (10, 20, 0), axes along the global ones.
CCoordSystem Shifted(const char* name = "Przesuniety") {
    return CCoordSystem(name, CPoint3(10, 20, 0), CPoint3(11, 20, 0), CPoint3(10, 25, 0));
}

// Local X along global Y, local Y along global -X, origin (100, 0, 0).
CCoordSystem Turned() {
    return CCoordSystem("Obrocony", CPoint3(100, 0, 0), CPoint3(100, 5, 0), CPoint3(90, 0, 0));
}

TEST(CoordFrameTest, GlobalFrameIsTheIdentity) {
    CTAVDoc doc;
    const CCoordFrame f = CCoordFrame::Active(doc);
    EXPECT_EQ(Xyz(f.ToLocal(CPoint3(1, 2, 3)), 9), "1 2 3");
    EXPECT_EQ(Xyz(f.ToGlobal(CPoint3(1, 2, 3)), 9), "1 2 3");
    EXPECT_EQ(Xyz(ActiveZAxis(doc)), "0 0 1");
    // A shifted system moves points but not directions.
    CTAVDoc doc2;
    doc2.SetActiveCoordSystem(StoreCoordSystem(doc2, -1, Shifted()));
    const CCoordFrame f2 = CCoordFrame::Active(doc2);
    EXPECT_EQ(Xyz(f2.ToLocal(CPoint3(11, 20, 0)), 9), "1 0 0");
    EXPECT_EQ(Xyz(f2.ToGlobal(CPoint3(0, 0, 0)), 9), "10 20 0");
    EXPECT_EQ(Xyz(f2.DirToLocal(CVec3(0, 0, 2)), 12), "0 0 2");
}

TEST(CoordFrameTest, RotatedSystemRoundTripsPointsFlagsAndDirections) {
    CTAVDoc doc;
    doc.SetActiveCoordSystem(StoreCoordSystem(doc, -1, Turned()));
    const CCoordFrame f = CCoordFrame::Active(doc);
    ASSERT_TRUE(f.IsInvertible());
    EXPECT_EQ(Xyz(f.ToGlobal(CPoint3(0, 0, 0)), 9), "100 0 0");
    EXPECT_EQ(Xyz(f.ToLocal(CPoint3(100, 3, 0)), 9), "3 0 0");
    EXPECT_EQ(Xyz(f.ToLocal(CPoint3(97, 0, 1)), 9), "0 3 1");
    CPoint3 p(-12.25, 7.5, 3.125);
    p.flag = 0;
    EXPECT_EQ(Pt(f.ToGlobal(f.ToLocal(p)), 9), "-12.25 7.5 3.125 f0");
    EXPECT_EQ(Xyz(f.DirToGlobal(f.DirToLocal(CVec3(1, 2, 3))), 12), "1 2 3");
    // A direction does not pick up the origin's offset.
    EXPECT_EQ(Xyz(f.DirToLocal(CVec3(0, 1, 0)), 12), "1 0 0");
}

TEST(CoordFrameTest, ZAxisOfATiltedSystemIsAUnitNormal) {
    CTAVDoc doc;
    doc.SetActiveCoordSystem(StoreCoordSystem(
        doc, -1, CCoordSystem("Pion", CPoint3(0, 0, 0), CPoint3(2, 0, 0), CPoint3(0, 0, 7))));
    EXPECT_EQ(Xyz(ActiveZAxis(doc), 12), "0 -1 0");
    // A singular stored matrix is not invertible.
    CTAVDoc doc2;
    CMatrix4 zero;
    doc2.AddCoordSystem(Shifted(), zero);
    doc2.SetActiveCoordSystem(0);
    const CCoordFrame f = CCoordFrame::Active(doc2);
    EXPECT_FALSE(f.IsInvertible());
    EXPECT_EQ(Xyz(f.ToGlobal(CPoint3(1, 2, 3)), 9), "1 2 3");
}

const CPoint3 kO(0, 0, 0), kX(1, 0, 0), kY(0, 1, 0);

TEST(CheckCoordSystemTest, FirstFailureInOrder) {
    CTAVDoc doc;
    StoreCoordSystem(doc, -1, Shifted("Uklad0"));
    StoreCoordSystem(doc, -1, Shifted("Uklad1"));
    const struct {
        const char* name;
        CCoordSystem system;
        int index;
        const char* message;
    } cases[] = {
        {"Good", CCoordSystem("Nowy", kO, kX, kY), -1, nullptr},
        {"EmptyNameBeforeCollinear", CCoordSystem("", kO, kX, CPoint3(2, 0, 0)), -1, kEmptyName},
        {"TakenNameBeforeCollinear", CCoordSystem("Uklad1", kO, kX, CPoint3(2, 0, 0)), -1,
         kNameTaken},
        {"OwnNameWhenEditing", CCoordSystem("Uklad1", kO, kX, kY), 1, nullptr},
        {"OtherNameWhenEditing", CCoordSystem("Uklad0", kO, kX, kY), 1, kNameTaken},
        {"NameCaseMatters", CCoordSystem("uklad1", kO, kX, kY), -1, nullptr},
        {"Collinear", CCoordSystem("Nowy", kO, kX, CPoint3(2, 0, 0)), -1, kSystemDegenerate},
        {"OriginOnXPoint", CCoordSystem("Nowy", kO, kO, kY), -1, kSystemDegenerate},
        {"NotFinite", CCoordSystem("Nowy", kO, CPoint3(NAN, 0, 0), kY), -1, kSystemDegenerate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(CheckCoordSystem(doc, c.index, c.system), c.message);
    }
}

TEST(StoreCoordSystemTest, ReplacesInPlaceAndRefusesWithoutPlane) {
    CTAVDoc doc;
    EXPECT_EQ(StoreCoordSystem(doc, -1, Shifted("A")), 0);
    EXPECT_EQ(StoreCoordSystem(doc, -1, Turned()), 1);
    EXPECT_EQ(StoreCoordSystem(doc, 0, Turned()), 0);
    EXPECT_EQ(doc.GetCoordSystemCount(), 2);
    EXPECT_TRUE(doc.GetMatrix(0).Equals(doc.GetMatrix(1), 1e-12));
    try {
        StoreCoordSystem(doc, 1, CCoordSystem("Zly", kO, kX, CPoint3(3, 0, 0)));
        FAIL() << "collinear points must throw";
    } catch (const CGeometryError& e) {
        EXPECT_STREQ(e.what(), kLcsNoPlane);
    }
    EXPECT_EQ(doc.GetCoordSystem(1).m_name, "Obrocony");
    EXPECT_EQ(doc.GetCoordSystemCount(), 2);
}

}  // namespace
