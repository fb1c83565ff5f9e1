// Point localization without GL: candidate kinds, the window, depth ties and crossings, each
// found alike by the index and by testing every entity.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/PlanView.h"
#include "support/TestEntities.h"
#include "view/core/PointLocator.h"

namespace {

// 400 x 300 pixels over x -20..20, y -15..15: ten pixels a unit, world origin at (200, 150).
CCamera PlanCamera() {
    CViewState s = PlanState(40, 30, 400, 300);
    s.eye = CPoint3(0, 0, 10);
    s.nearPlane = 0;
    s.farPlane = 20;
    CCamera cam;
    cam.LoadState(s);
    return cam;
}

int Px(double x) {
    return static_cast<int>(std::lround(200 + 10 * x));
}
int Py(double y) {
    return static_cast<int>(std::lround(150 - 10 * y));
}

std::unique_ptr<CArc> Arc(double r, double start, double length, CVec3 axis = {0, 0, 1}) {
    auto a = MakeArc({}, r, start, length);
    a->m_axis = axis;
    return a;
}

class LocatorTest : public testing::Test {
protected:
    // Locates at the pixel of world (x, y), checks both ways of searching agree and gives the
    // point found (to 9 decimals) or "none"; the point is kept in last either way.
    std::string At(double x, double y, uint16_t mask) {
        CPoint3 brute;
        const bool a = locator.Locate(doc, cam, mask, 6, Px(x), Py(y), last);
        const bool b = locator.LocateBruteForce(doc, cam, mask, 6, Px(x), Py(y), brute);
        EXPECT_EQ(a, b);
        EXPECT_TRUE(last == brute);
        return a ? Xyz(last, 9) : "none";
    }
    // Starts the drawing over with the given entities.
    void Scene(std::vector<std::unique_ptr<CEntity>> entities) {
        doc.DeleteAllEntities();
        locator.Invalidate();
        doc.AppendEntities(entities);
    }

    CTAVDoc doc;
    CCamera cam = PlanCamera();
    CPointLocator locator;
    CPoint3 last;
};

template <class... E>
std::vector<std::unique_ptr<CEntity>> List(std::unique_ptr<E>... e) {
    std::vector<std::unique_ptr<CEntity>> v;
    (v.push_back(std::move(e)), ...);
    return v;
}

// With nothing to snap to the point lies on the global plane, or the active system's.
TEST_F(LocatorTest, MaskZeroLiesOnThePlane) {
    doc.AddEntity(MakePoly({{0, 0, 0}, {5, 0, 0}}));
    EXPECT_EQ(At(0.1, 0, 0), "none");
    EXPECT_EQ(Xyz(last, 9), "0.1 0 0");
    CMatrix4 toLocal(CVec3(0, 0, -5));
    doc.AddCoordSystem(CCoordSystem("U", {0, 0, 5}, {1, 0, 5}, {0, 1, 5}), toLocal);
    doc.SetActiveCoordSystem(0);
    EXPECT_EQ(At(1, 2, 0), "none");
    EXPECT_EQ(Xyz(last, 9), "1 2 5");
}

TEST_F(LocatorTest, VerticesMidpointsAndTheClosingSegment) {
    doc.AddEntity(MakePoly({{0, 0, 0}, {5, 0, 0}, {5, 5, 0}}));
    EXPECT_EQ(At(5.1, 0.1, kSnapVertex), "5 0 0");
    EXPECT_EQ(At(5.3, 0, kSnapVertex), "none");  // three pixels away
    EXPECT_EQ(At(5.1, 0.1, kSnapPoint | kSnapArcCentre), "none");
    // Only a polygon has the closing segment's midpoint.
    Scene(List(MakePoly({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}})));
    EXPECT_EQ(At(2, 2, kSnapMidpoint), "none");
    static_cast<CPoly*>(doc.GetEntity(0))->m_closed = 1;
    locator.Invalidate();
    EXPECT_EQ(At(2, 2, kSnapMidpoint), "2 2 0");
    EXPECT_EQ(At(2, 0.1, kSnapMidpoint), "2 0 0");
    // A short line across the closing segment (0,4)-(0,0) at (0,2) crosses a polygon only.
    for (const bool closed : {false, true}) {
        Scene(List(MakePoly({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, closed),
                   MakePoly({{-1, 2, 0}, {1, 2, 0}})));
        EXPECT_EQ(At(0, 2, kSnapIntersection), closed ? "0 2 0" : "none");
    }
}

TEST_F(LocatorTest, CircleAndArcOfferDifferentPoints) {
    const double s = 3 * std::sqrt(0.5);
    const std::string mid = Xyz(CPoint3(s, s, 0), 9);
    const struct {
        const char* name;
        double start, length;
        uint16_t mask;
        double x, y;  // cursor
        std::string snapped;
    } cases[] = {
        {"circle_centre", 0, 360, kSnapArcCentre, 0.1, 0, "0 0 0"},
        {"circle_no_ends", 0, 360, kSnapArcEnds | kSnapMidpoint, 3, 0, "none"},
        {"circle_quadrant_0", 0, 360, kSnapQuadrants, 3, 0.1, "3 0 0"},
        {"circle_quadrant_270", 0, 360, kSnapQuadrants, 0, -3, "0 -3 0"},
        {"arc_start", 0, 90, kSnapArcEnds, 3, 0.1, "3 0 0"},
        {"arc_end", 0, 90, kSnapArcEnds, 0.1, 3, "0 3 0"},
        {"arc_mid", 0, 90, kSnapMidpoint, s, s, mid},
        {"arc_no_quadrants", 0, 90, kSnapQuadrants, 3, 0, "none"},
        {"almost_circle_has_ends", 0, 359.9999, kSnapArcEnds, 3, 0, "3 0 0"},
        {"shifted_circle_is_arc", 1e-12, 360, kSnapQuadrants, 3, 0, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene(List(Arc(3, c.start, c.length)));
        EXPECT_EQ(At(c.x, c.y, c.mask), c.snapped);
    }
    // The arbitrary axis frame of (0, 0, -1) has its x axis along -X.
    Scene(List(Arc(3, 0, 90, {0, 0, -1})));
    EXPECT_EQ(At(-3, 0, kSnapArcEnds), "-3 0 0");
    EXPECT_EQ(At(3, 0, kSnapArcEnds), "none");
}

TEST_F(LocatorTest, TextAndPointKinds) {
    doc.AddEntity(MakeText("ABC", {1, 1, 0}));
    doc.AddEntity(MakePnt({-1, -1, 0}));
    EXPECT_EQ(At(1, 1, kSnapTextStart), "1 1 0");
    EXPECT_EQ(At(1, 1, kSnapPoint), "none");
    EXPECT_EQ(At(-1, -1, kSnapPoint), "-1 -1 0");
    EXPECT_EQ(At(-1, -1, kSnapTextStart), "none");
}

// The nearer to the eye wins; at one depth the entity listed first, and within an entity the
// candidate listed first.
TEST_F(LocatorTest, DepthThenOrderBreaksTies) {
    doc.AddEntity(MakePnt({0.1, 0.1, 0}));
    doc.AddEntity(MakePnt({0, 0, 0}));
    EXPECT_EQ(At(0, 0, kSnapPoint), "0.1 0.1 0");  // although entity 1 lies under the cursor
    static_cast<CPnt*>(doc.GetEntity(1))->m_point.z = 0.5;  // nearer to the eye
    locator.Invalidate();
    EXPECT_EQ(At(0, 0, kSnapPoint), "0 0 0.5");
    // Vertex 0, the midpoint of segment 0 and vertex 1 all lie in the window at one depth.
    Scene(List(MakePoly({{-0.1, 0, 0}, {0.1, 0, 0}})));
    EXPECT_EQ(At(0, 0, kSnapVertex | kSnapMidpoint), "-0.1 0 0");
    EXPECT_EQ(At(0.05, 0, kSnapMidpoint), "0 0 0");
    // A crossing at z = 1 over a vertex at 0, or a vertex over a crossing at z = -1.
    for (const double z : {1.0, -1.0}) {
        Scene(List(MakePoly({{-1, -1, z}, {1, 1, z}}), MakePoly({{-1, 1, z}, {1, -1, z}}),
                   MakePnt({0.1, 0, 0})));
        EXPECT_EQ(At(0, 0, kSnapPoint | kSnapIntersection), z > 0 ? "0 0 1" : "0.1 0 0");
    }
    // A crossing alone is taken.
    Scene(List(MakePoly({{-1, -1, 0}, {1, 1, 0}}), MakePoly({{-1, 1, 0}, {1, -1, 0}})));
    EXPECT_EQ(At(0.1, 0, kSnapIntersection), "0 0 0");
    EXPECT_EQ(At(0.1, 0, kSnapVertex), "none");
}

TEST_F(LocatorTest, HiddenLockedAndClippedAreLeftOut) {
    doc.Layers().emplace_back("ukryta", 0, 0);
    doc.Layers().emplace_back("zamknieta", 1, 1);
    doc.AddEntity(MakePnt({0, 0, 0}));
    for (int layer : {1, 2}) {
        doc.GetEntity(0)->m_layer = layer;
        EXPECT_EQ(At(0, 0, kSnapPoint), "none") << layer;
    }
    doc.GetEntity(0)->m_layer = 0;
    EXPECT_EQ(At(0, 0, kSnapPoint), "0 0 0");
    // A plane that cuts away everything with x < 1 (the side its normal points into).
    doc.ClipPlanes().emplace_back("P", 1, CPoint3(1, 0, 0), CVec3(-1, 0, 0));
    EXPECT_EQ(At(0, 0, kSnapPoint), "none");
    doc.GetClipPlane(0).m_active = 0;
    EXPECT_EQ(At(0, 0, kSnapPoint), "0 0 0");
    // Beyond the far plane.
    static_cast<CPnt*>(doc.GetEntity(0))->m_point.z = -30;
    locator.Invalidate();
    EXPECT_EQ(At(0, 0, kSnapPoint), "none");
}

// Many stacked candidates still snap; non-finite coordinates neither crash nor snap.
TEST_F(LocatorTest, StackedAndNonFiniteCandidates) {
    for (int i = 0; i < 100; ++i) {
        doc.AddEntity(MakePoly({{0, 0, 0}, {1e-3 * i, 0.5, 0}}));
    }
    EXPECT_EQ(At(0, 0, kSnapVertex | kSnapIntersection), "0 0 0");
    auto arc = Arc(NAN, 0, 90);
    arc->m_center = CPoint3(0, NAN, 0);
    Scene(List(MakePoly({{NAN, 0, 0}, {0, INFINITY, 0}}, 1), std::move(arc)));
    EXPECT_EQ(At(0, 0, 255), "none");
}

TEST(PickBoxTest, ClickIsEightPixelsAndEmptyRectangleIsWidened) {
    const CCamera cam = PlanCamera();
    double l, r, b, t;
    ClickPickBox(cam, 200, 150, l, r, b, t);
    EXPECT_EQ(Xyz(CVec3(l, r, b), 12) + " " + Num(t, 12), "-0.4 0.4 -0.4 0.4");
    RectanglePickBox(cam, 210, 100, 210, 160, l, r, b, t);
    EXPECT_EQ(Num(r - l, 12) + " " + Num(t - b, 12), "0.1 6");
    EXPECT_TRUE(CClipTransform::ForBox(cam, nullptr, 6, l, r, b, t).IsValid());
    EXPECT_FALSE(CClipTransform::ForBox(cam, nullptr, 6, 1, 1, b, t).IsValid());
}

TEST(PickBoxTest, SegmentThroughBoxHitsWithoutEndsInside) {
    const CCamera cam = PlanCamera();
    const CClipTransform t = CClipTransform::ForBox(cam, nullptr, 6, -1, 1, -1, 1);
    EXPECT_TRUE(t.SegmentHit({-5, 0, 0}, {5, 0, 0}));
    EXPECT_FALSE(t.SegmentHit({-5, 2, 0}, {5, 2, 0}));
    EXPECT_FALSE(t.SegmentHit({-5, -5, 0}, {-3, 5, 0}));
    double depth = 0;
    EXPECT_TRUE(t.PointHit({0, 0, 0}, depth));
    EXPECT_NEAR(depth, 0.5, 1e-12);  // halfway between near 0 and far 20 at distance 10
}

}  // namespace
