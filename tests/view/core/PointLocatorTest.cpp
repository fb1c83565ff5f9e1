// Point localization without GL: candidate kinds, the window, depth ties and crossings, each
// found alike by the index and by testing every entity.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "document/TAVDoc.h"
#include "support/TestEntities.h"
#include "view/core/PointLocator.h"

namespace {

// 400 x 300 pixels over x -20..20, y -15..15: ten pixels a unit, world origin at (200, 150).
void PlanCamera(CCamera& cam) {
    cam.m_clientWidth = 400;
    cam.m_clientHeight = 300;
    cam.m_left = -20;
    cam.m_right = 20;
    cam.m_bottom = -15;
    cam.m_top = 15;
    cam.m_eye = CPoint3(0, 0, 10);
    cam.m_target = CPoint3(0, 0, 0);
    cam.m_near = 0;
    cam.m_far = 20;
    cam.UpdateViewMatrix();
}

int Px(double x) {
    return static_cast<int>(std::lround(200 + 10 * x));
}
int Py(double y) {
    return static_cast<int>(std::lround(150 - 10 * y));
}

std::unique_ptr<CPoly> Poly(std::initializer_list<CPoint3> v, bool closed) {
    return MakePoly(v, closed ? 1 : 0);
}

std::unique_ptr<CArc> Arc(double r, double start, double length, CVec3 axis = {0, 0, 1}) {
    auto a = MakeArc({}, r, start, length);
    a->m_axis = axis;
    return a;
}

class LocatorTest : public testing::Test {
protected:
    void SetUp() override { PlanCamera(cam); }
    // Locates at the pixel of world (x, y) and checks both ways of searching agree.
    bool At(double x, double y, uint16_t mask, CPoint3& out) {
        CPoint3 brute;
        const bool a = locator.Locate(doc, cam, mask, 6, Px(x), Py(y), out);
        const bool b = locator.LocateBruteForce(doc, cam, mask, 6, Px(x), Py(y), brute);
        EXPECT_EQ(a, b);
        EXPECT_TRUE(out == brute);
        return a;
    }

    CTAVDoc doc;
    CCamera cam;
    CPointLocator locator;
};

TEST_F(LocatorTest, MaskZeroLiesOnGlobalPlane) {
    doc.AddEntity(Poly({{0, 0, 0}, {5, 0, 0}}, false));
    CPoint3 p;
    EXPECT_FALSE(At(0.1, 0, 0, p));
    ExpectXyz(p, 0.1, 0, 0);
}

TEST_F(LocatorTest, MaskZeroLiesOnLocalPlane) {
    CMatrix4 toLocal(CVec3(0, 0, -5));
    doc.AddCoordSystem(CCoordSystem("U", {0, 0, 5}, {1, 0, 5}, {0, 1, 5}), toLocal);
    doc.SetActiveCoordSystem(0);
    CPoint3 p;
    EXPECT_FALSE(At(1, 2, 0, p));
    ExpectXyz(p, 1, 2, 5);
}

TEST_F(LocatorTest, VertexInsideWindowOnly) {
    doc.AddEntity(Poly({{0, 0, 0}, {5, 0, 0}, {5, 5, 0}}, false));
    CPoint3 p;
    EXPECT_TRUE(At(5.1, 0.1, kSnapVertex, p));
    ExpectXyz(p, 5, 0, 0);
    EXPECT_FALSE(At(5.3, 0, kSnapVertex, p));  // three pixels away
    EXPECT_FALSE(At(5.1, 0.1, kSnapPoint | kSnapArcCentre, p));
}

TEST_F(LocatorTest, ClosingSegmentOfPolygonsOnly) {
    for (const bool closed : {false, true}) {
        doc.DeleteAllEntities();
        locator.Invalidate();
        doc.AddEntity(Poly({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, closed));
        // A short line across the closing segment (0,4)-(0,0) at (0,2).
        doc.AddEntity(Poly({{-1, 2, 0}, {1, 2, 0}}, false));
        CPoint3 p;
        EXPECT_EQ(At(0, 2, kSnapIntersection, p), closed);
        if (closed) {
            ExpectXyz(p, 0, 2, 0);
        }
    }
}

TEST_F(LocatorTest, ClosingMidpointOfPolygonOnly) {
    doc.AddEntity(Poly({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}}, false));
    CPoint3 p;
    EXPECT_FALSE(At(2, 2, kSnapMidpoint, p));
    static_cast<CPoly*>(doc.GetEntity(0))->m_closed = 1;
    locator.Invalidate();
    EXPECT_TRUE(At(2, 2, kSnapMidpoint, p));
    ExpectXyz(p, 2, 2, 0);
    EXPECT_TRUE(At(2, 0.1, kSnapMidpoint, p));
    ExpectXyz(p, 2, 0, 0);
}

struct SArcCase {
    const char* name;
    double start, length;
    uint16_t mask;
    double x, y;  // cursor
    bool snaps;
    double ex, ey;  // expected point
};

const double kS = 3 * std::sqrt(0.5);

const SArcCase kArcCases[] = {
    {"circle_centre", 0, 360, kSnapArcCentre, 0.1, 0, true, 0, 0},
    {"circle_no_ends", 0, 360, kSnapArcEnds | kSnapMidpoint, 3, 0, false, 0, 0},
    {"circle_quadrant_0", 0, 360, kSnapQuadrants, 3, 0.1, true, 3, 0},
    {"circle_quadrant_270", 0, 360, kSnapQuadrants, 0, -3, true, 0, -3},
    {"arc_start", 0, 90, kSnapArcEnds, 3, 0.1, true, 3, 0},
    {"arc_end", 0, 90, kSnapArcEnds, 0.1, 3, true, 0, 3},
    {"arc_mid", 0, 90, kSnapMidpoint, kS, kS, true, kS, kS},
    {"arc_no_quadrants", 0, 90, kSnapQuadrants, 3, 0, false, 0, 0},
    {"almost_circle_has_ends", 0, 359.9999, kSnapArcEnds, 3, 0, true, 3, 0},
    {"shifted_circle_is_arc", 1e-12, 360, kSnapQuadrants, 3, 0, false, 0, 0},
};

TEST_F(LocatorTest, CircleAndArcOfferDifferentPoints) {
    for (const SArcCase& c : kArcCases) {
        SCOPED_TRACE(c.name);
        doc.DeleteAllEntities();
        locator.Invalidate();
        doc.AddEntity(Arc(3, c.start, c.length));
        CPoint3 p;
        EXPECT_EQ(At(c.x, c.y, c.mask, p), c.snaps);
        if (c.snaps) {
            ExpectXyz(p, c.ex, c.ey, 0);
        }
    }
}

TEST_F(LocatorTest, ArcWithDownwardAxisSnapsWhereItIsDrawn) {
    // The arbitrary axis frame of (0, 0, -1) has its x axis along -X.
    doc.AddEntity(Arc(3, 0, 90, {0, 0, -1}));
    CPoint3 p;
    EXPECT_TRUE(At(-3, 0, kSnapArcEnds, p));
    ExpectXyz(p, -3, 0, 0);
    EXPECT_FALSE(At(3, 0, kSnapArcEnds, p));
}

TEST_F(LocatorTest, TextAndPointKinds) {
    doc.AddEntity(MakeText("ABC", {1, 1, 0}));
    doc.AddEntity(MakePnt({-1, -1, 0}));
    CPoint3 p;
    EXPECT_TRUE(At(1, 1, kSnapTextStart, p));
    ExpectXyz(p, 1, 1, 0);
    EXPECT_FALSE(At(1, 1, kSnapPoint, p));
    EXPECT_TRUE(At(-1, -1, kSnapPoint, p));
    EXPECT_FALSE(At(-1, -1, kSnapTextStart, p));
}

TEST_F(LocatorTest, EqualDepthTakesFirstListed) {
    doc.AddEntity(MakePnt({0.1, 0.1, 0}));
    doc.AddEntity(MakePnt({0, 0, 0}));
    CPoint3 p;
    EXPECT_TRUE(At(0, 0, kSnapPoint, p));
    ExpectXyz(p, 0.1, 0.1, 0);  // entity 0 although entity 1 lies under the cursor
    static_cast<CPnt*>(doc.GetEntity(1))->m_point.z = 0.5;  // nearer to the eye
    locator.Invalidate();
    EXPECT_TRUE(At(0, 0, kSnapPoint, p));
    ExpectXyz(p, 0, 0, 0.5);
}

TEST_F(LocatorTest, OrderWithinEntityBreaksTies) {
    // Vertex 0, the midpoint of segment 0 and vertex 1 all lie in the window at one depth.
    doc.AddEntity(Poly({{-0.1, 0, 0}, {0.1, 0, 0}}, false));
    CPoint3 p;
    EXPECT_TRUE(At(0, 0, kSnapVertex | kSnapMidpoint, p));
    ExpectXyz(p, -0.1, 0, 0);  // vertex 0 is listed first of all
    EXPECT_TRUE(At(0.05, 0, kSnapMidpoint, p));
    ExpectXyz(p, 0, 0, 0);
}

// The nearer to the eye wins: a crossing at z = 1 over a vertex at 0, or a vertex over a
// crossing at z = -1.
TEST_F(LocatorTest, VertexOrCrossingNearerToEyeWins) {
    for (const double z : {1.0, -1.0}) {
        doc.DeleteAllEntities();
        locator.Invalidate();
        doc.AddEntity(Poly({{-1, -1, z}, {1, 1, z}}, false));
        doc.AddEntity(Poly({{-1, 1, z}, {1, -1, z}}, false));
        doc.AddEntity(MakePnt({0.1, 0, 0}));
        CPoint3 p;
        EXPECT_TRUE(At(0, 0, kSnapPoint | kSnapIntersection, p));
        ExpectXyz(p, z > 0 ? 0 : 0.1, 0, z > 0 ? 1 : 0);
    }
}

TEST_F(LocatorTest, CrossingAloneIsTaken) {
    doc.AddEntity(Poly({{-1, -1, 0}, {1, 1, 0}}, false));
    doc.AddEntity(Poly({{-1, 1, 0}, {1, -1, 0}}, false));
    CPoint3 p;
    EXPECT_TRUE(At(0.1, 0, kSnapIntersection, p));
    ExpectXyz(p, 0, 0, 0);
    EXPECT_FALSE(At(0.1, 0, kSnapVertex, p));
}

TEST_F(LocatorTest, HiddenLockedAndClippedAreLeftOut) {
    doc.Layers().emplace_back("ukryta", 0, 0);
    doc.Layers().emplace_back("zamknieta", 1, 1);
    doc.AddEntity(MakePnt({0, 0, 0}));
    CPoint3 p;
    for (int layer : {1, 2}) {
        doc.GetEntity(0)->m_layer = layer;
        EXPECT_FALSE(At(0, 0, kSnapPoint, p)) << layer;
    }
    doc.GetEntity(0)->m_layer = 0;
    EXPECT_TRUE(At(0, 0, kSnapPoint, p));
    // A plane that cuts away everything with x < 1 (the side its normal points into).
    doc.ClipPlanes().emplace_back("P", 1, CPoint3(1, 0, 0), CVec3(-1, 0, 0));
    EXPECT_FALSE(At(0, 0, kSnapPoint, p));
    doc.GetClipPlane(0).m_active = 0;
    EXPECT_TRUE(At(0, 0, kSnapPoint, p));
    // Beyond the far plane.
    static_cast<CPnt*>(doc.GetEntity(0))->m_point.z = -30;
    locator.Invalidate();
    EXPECT_FALSE(At(0, 0, kSnapPoint, p));
}

TEST_F(LocatorTest, ManyStackedCandidatesStillSnap) {
    for (int i = 0; i < 100; ++i) {
        doc.AddEntity(Poly({{0, 0, 0}, {1e-3 * i, 0.5, 0}}, false));
    }
    CPoint3 p;
    EXPECT_TRUE(At(0, 0, kSnapVertex | kSnapIntersection, p));
    ExpectXyz(p, 0, 0, 0);
}

TEST_F(LocatorTest, NonFiniteCoordinatesNeitherCrashNorSnap) {
    doc.AddEntity(Poly({{NAN, 0, 0}, {0, INFINITY, 0}}, true));
    doc.AddEntity(Arc(NAN, 0, 90));
    static_cast<CArc*>(doc.GetEntity(1))->m_center = CPoint3(0, NAN, 0);
    CPoint3 p;
    EXPECT_FALSE(At(0, 0, 255, p));
}

TEST(PickBoxTest, ClickIsEightPixelsAndEmptyRectangleIsWidened) {
    CCamera cam;
    PlanCamera(cam);
    double l, r, b, t;
    ClickPickBox(cam, 200, 150, l, r, b, t);
    EXPECT_NEAR(l, -0.4, 1e-12);
    EXPECT_NEAR(r, 0.4, 1e-12);
    EXPECT_NEAR(b, -0.4, 1e-12);
    EXPECT_NEAR(t, 0.4, 1e-12);
    RectanglePickBox(cam, 210, 100, 210, 160, l, r, b, t);
    EXPECT_NEAR(r - l, 0.1, 1e-12);
    EXPECT_NEAR(t - b, 6.0, 1e-12);
    EXPECT_TRUE(CClipTransform::ForBox(cam, nullptr, 6, l, r, b, t).IsValid());
    EXPECT_FALSE(CClipTransform::ForBox(cam, nullptr, 6, 1, 1, b, t).IsValid());
}

TEST(PickBoxTest, SegmentThroughBoxHitsWithoutEndsInside) {
    CCamera cam;
    PlanCamera(cam);
    const CClipTransform t = CClipTransform::ForBox(cam, nullptr, 6, -1, 1, -1, 1);
    EXPECT_TRUE(t.SegmentHit({-5, 0, 0}, {5, 0, 0}));
    EXPECT_FALSE(t.SegmentHit({-5, 2, 0}, {5, 2, 0}));
    EXPECT_FALSE(t.SegmentHit({-5, -5, 0}, {-3, 5, 0}));
    double depth = 0;
    EXPECT_TRUE(t.PointHit({0, 0, 0}, depth));
    EXPECT_NEAR(depth, 0.5, 1e-12);  // halfway between near 0 and far 20 at distance 10
}

}  // namespace
