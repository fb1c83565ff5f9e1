#include "view/core/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/Describe.h"
#include "support/PlanView.h"

namespace {

// A camera on a 400 x 300 client with a window of the same aspect.
CCamera MakeCamera(int cx = 400, int cy = 300) {
    CViewState s = PlanState(40, 30, cx, cy);
    s.nearPlane = 0;  // a new camera's depth range
    s.farPlane = 2;
    return CameraOf(s);
}

// The rows of the view matrix for the view's x, y and z axes, to 12 decimals.
std::string Axes(const CCamera& cam) {
    std::string s;
    for (int i = 0; i < 3; ++i) {
        const auto& r = cam.m_viewMatrix.m[i];
        s += (i ? " | " : "") + Xyz(CVec3(r[0], r[1], r[2]), 12);
    }
    return s;
}

// "x y" of the window position of p, to the given decimals.
std::string Win(const CCamera& cam, const CPoint3& p, int decimals = 9) {
    double x = 0, y = 0;
    cam.ProjectToWindowF(p, x, y);
    return Num(x, decimals) + " " + Num(y, decimals);
}

TEST(CameraMatrix, NewViewIsPlanWithWorldAxes) {
    CCamera cam;
    EXPECT_EQ(Axes(cam), "1 0 0 | 0 1 0 | 0 0 1");
    // The model-view matrix moves the scene back by the eye distance.
    cam.m_eye = CPoint3(0, 0, 7);
    cam.UpdateViewMatrix();
    EXPECT_DOUBLE_EQ(cam.ModelViewMatrix().m[2][3], -7.0);
    // A spin turns the screen axes: world +x now points up the screen.
    cam.m_eye = CPoint3(0, 0, 1);
    cam.m_spinAngle = 90;
    cam.UpdateViewMatrix();
    EXPECT_EQ(Xyz(CPoint3(1, 0, 0).TransformedBy(cam.m_viewMatrix), 12), "0 1 0");
    // A side view keeps Z up.
    cam.m_spinAngle = 0;
    cam.m_eye = CPoint3(0, -10, 0);
    cam.UpdateViewMatrix();
    EXPECT_EQ(Axes(cam), "1 0 0 | 0 0 1 | 0 -1 0");
}

TEST(CameraMapping, WindowAndProjectAreInverse) {
    CCamera cam = MakeCamera();
    cam.m_eye = CPoint3(3, -4, 12);
    cam.m_target = CPoint3(1e6, 2e6, 300);
    cam.m_eye += cam.m_target.AsVec();
    cam.m_pivot = CVec3(1e6, 2e6, 0);
    cam.m_spinAngle = 33;
    cam.m_scale = 1.7;
    cam.UpdateViewMatrix();
    for (const auto& px : {std::pair{0.0, 0.0}, {123.5, 77.25}, {399.0, 299.0}, {-50.0, 410.0}}) {
        CPoint3 w;
        ASSERT_TRUE(cam.WindowToWorld(px.first, px.second, false, nullptr, w));
        EXPECT_EQ(Win(cam, w, 6), Num(px.first) + " " + Num(px.second));
    }
    // Whole pixels are truncated, not rounded.
    int ix = 0, iy = 0;
    CPoint3 w;
    cam.WindowToWorld(10.75, 20.75, false, nullptr, w);
    cam.ProjectToWindow(w, ix, iy);
    EXPECT_EQ(ix, 10);
    EXPECT_EQ(iy, 20);
    // The window corners are the scaled window.
    cam = MakeCamera();
    cam.m_scale = 2.0;
    EXPECT_EQ(Xyz(cam.WindowToView(0, 0), 12), "-40 30 0");
    EXPECT_EQ(Xyz(cam.WindowToView(400, 300), 12), "40 -30 0");
}

TEST(CameraMapping, WorldPointOnReferencePlane) {
    CCamera cam = MakeCamera();
    cam.m_target = CPoint3(0, 0, 5);
    cam.m_eye = CPoint3(0, -10, 15);
    cam.UpdateViewMatrix();
    CPoint3 p;
    ASSERT_TRUE(cam.WindowToWorld(200, 150, true, nullptr, p));
    // The line of sight through the centre pixel passes through the target.
    EXPECT_EQ(Xyz(p, 9), "0 5 0");

    // With a local system active the plane is its XY plane (here z = 2).
    CTAVDoc doc;
    const int i =
        doc.AddCoordSystem(CCoordSystem("U", CPoint3(0, 0, 2), CPoint3(1, 0, 2), CPoint3(0, 1, 2)),
                           CMatrix4::Identity());
    doc.SetActiveCoordSystem(i);
    ASSERT_TRUE(cam.WindowToWorld(200, 150, true, &doc, p));
    EXPECT_EQ(Xyz(p, 9), "0 3 2");

    // A line of sight parallel to the plane meets nothing.
    cam.m_eye = CPoint3(0, -10, 5);
    cam.UpdateViewMatrix();
    EXPECT_FALSE(cam.WindowToWorld(200, 150, true, nullptr, p));
}

// The box keeps 8 pixels from the binding edges: 16 of 400 pixels leave 0.96 of the width, 16 of
// 200 leave 0.92 of the height.
TEST(CameraFitBox, Window) {
    const struct {
        const char* name;
        CPoint3 mn, mx;
        int cx, cy;
        double left, right, bottom, top;
    } cases[] = {
        // Tall box on a wide window: the height decides; a wide box: the width.
        {"tall", {0, 0, 0}, {10, 30, 0}, 400, 200, -30 / 0.92, 30 / 0.92, -15 / 0.92, 15 / 0.92},
        {"wide", {0, 0, 0}, {100, 10, 0}, 400, 200, -50 / 0.96, 50 / 0.96, -25 / 0.96, 25 / 0.96},
        // The margins change which side decides: 100 x 49 fits 400 x 200 by its width alone,
        // but not 384 x 184.
        {"margins",
         {0, 0, 0},
         {100, 49, 0},
         400,
         200,
         -49 / .92,
         49 / .92,
         -24.5 / .92,
         24.5 / .92},
        // A flat line along x: ratio is "infinite", the width decides.
        {"line", {-5, 2, 0}, {5, 2, 0}, 200, 400, -5 / 0.92, 5 / 0.92, -10 / 0.92, 10 / 0.92},
        // A window too small for margins fits exactly.
        {"tiny", {0, 0, 0}, {4, 2, 0}, 16, 16, -2, 2, -2, 2},
        // A single point: the window is sized in pixels.
        {"point", {1, 1, 1}, {1, 1, 1}, 200, 100, -200, 200, -50, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CCamera cam = MakeCamera(c.cx, c.cy);
        cam.m_scale = 3.0;
        cam.FitBox(c.mn, c.mx);
        EXPECT_NEAR(cam.m_left, c.left, 1e-9);
        EXPECT_NEAR(cam.m_right, c.right, 1e-9);
        EXPECT_NEAR(cam.m_bottom, c.bottom, 1e-9);
        EXPECT_NEAR(cam.m_top, c.top, 1e-9);
        EXPECT_EQ(cam.m_scale, 1.0);
        EXPECT_EQ(cam.m_near, 0.0);
        EXPECT_NEAR(cam.m_pixelsPerUnit, c.cx / (c.right - c.left), 1e-9);
    }
    // The far plane reaches the far corner; a point box falls back to 2.
    CCamera farCam = MakeCamera();
    farCam.FitBox(CPoint3(0, 0, 0), CPoint3(3, 4, 0));
    EXPECT_NEAR(farCam.m_far, 5.0, 1e-12);
    farCam.FitBox(CPoint3(0, 0, 0), CPoint3(0, 0, 0));
    EXPECT_EQ(farCam.m_far, 2.0);
}

// After "Pokaż wszystko" on a new view, every corner of the box lies in the depth range.
TEST(CameraZoomAll, FittedBoxIsInsideTheDepthRange) {
    for (int perspective = 0; perspective < 2; ++perspective) {
        for (int plan = 0; plan < 2; ++plan) {
            CTAVDoc doc;
            doc.SetExtents(CPoint3(0, 0, 0), CPoint3(10, 10, 10));
            CCamera cam = MakeCamera();
            cam.m_perspective = perspective;
            cam.ZoomAll(doc, false, plan != 0);
            EXPECT_EQ(cam.HistorySize(), 1);
            const CMatrix4 mv = cam.ModelViewMatrix();
            const CProjectionBox pb = cam.Projection();
            for (int i = 0; i < 8; ++i) {
                const CPoint3 c(i & 1 ? 10 : 0, i & 2 ? 10 : 0, i & 4 ? 10 : 0);
                const double depth = -(c - cam.m_pivot).TransformedBy(mv).z;
                EXPECT_GE(depth, pb.nearPlane) << perspective << plan << i;
                EXPECT_LE(depth, pb.farPlane) << perspective << plan << i;
            }
            EXPECT_NEAR(cam.m_target.x, 5, 1e-12);
            EXPECT_NEAR(cam.m_target.z, 5, 1e-12);
        }
    }
}

TEST(CameraZoomAll, PlanLooksDownAtTheBoxCentre) {
    CTAVDoc doc;
    doc.SetExtents(CPoint3(0, 0, 0), CPoint3(6, 8, 0));
    CCamera cam = MakeCamera();
    cam.m_eye = CPoint3(5, -5, 5);
    cam.m_spinAngle = 20;
    cam.UpdateViewMatrix();
    cam.ZoomAll(doc, false, true);
    EXPECT_EQ(cam.m_spinAngle, 0.0);
    EXPECT_EQ(Xyz(cam.m_eye - cam.m_target, 12), "0 0 5");
    EXPECT_EQ(Axes(cam).substr(0, 5), "1 0 0");

    // Empty document: distance 1.
    CTAVDoc empty;
    cam.ZoomAll(empty, true, true);
    EXPECT_EQ(Xyz(cam.m_eye - cam.m_target, 12), "0 0 1");
    // In a local system its X axis runs right.
    CTAVDoc tilted;
    tilted.SetExtents(CPoint3(0, 0, 0), CPoint3(10, 10, 10));
    // A tilted system: x along (1,1,0), y up the z axis.
    const CCoordSystem cs("U", CPoint3(1, 1, 1), CPoint3(2, 2, 1), CPoint3(1, 1, 2));
    tilted.SetActiveCoordSystem(tilted.AddCoordSystem(cs, CMatrix4::Identity()));
    CCamera local = MakeCamera();
    local.ZoomAll(tilted, false, true);
    double ox = 0, oy = 0, xx = 0, xy = 0, yx = 0, yy = 0;
    local.ProjectToWindowF(cs.m_origin, ox, oy);
    local.ProjectToWindowF(cs.m_xPoint, xx, xy);
    local.ProjectToWindowF(cs.m_yPoint, yx, yy);
    EXPECT_GT(xx, ox);
    EXPECT_NEAR(xy, oy, 1e-9);
    EXPECT_LT(yy, oy);  // the system's y runs up the screen
    EXPECT_NEAR(yx, ox, 1e-9);
}

TEST(CameraHistory, KeepsTheNewestHundredAndPopsWithTheirPivot) {
    CCamera cam = MakeCamera();
    for (int i = 0; i <= 100; ++i) {
        cam.m_scale = i + 1;  // the view pushed at step i has scale i + 1
        cam.PushView();
    }
    EXPECT_EQ(cam.HistorySize(), 100);
    cam.m_scale = 500;
    for (int i = 0; i < 101; ++i) {
        cam.PopView();
    }
    EXPECT_EQ(cam.HistorySize(), 0);
    // The oldest surviving entry was pushed at step 1.
    EXPECT_EQ(cam.m_scale, 2.0);
    // A pop says whether the pivot changed and recomputes the pixels.
    CCamera pop = MakeCamera();
    EXPECT_FALSE(pop.PopView());
    pop.PushView();
    const double ppu = pop.m_pixelsPerUnit;
    pop.m_target = CPoint3(1e9, 0, 0);
    pop.m_eye = CPoint3(1e9, 0, 1);
    pop.UpdateViewMatrix();
    ASSERT_TRUE(pop.RecentrePivot());
    pop.m_scale = 4.0;
    pop.UpdatePixelsPerUnit();
    pop.PushView();
    EXPECT_FALSE(pop.PopView());  // same pivot: the list stays valid
    EXPECT_TRUE(pop.PopView());
    EXPECT_EQ(pop.m_pivot.x, 0.0);
    EXPECT_DOUBLE_EQ(pop.m_pixelsPerUnit, ppu);
    // The restored matrix projects the origin to the window centre again.
    EXPECT_EQ(Win(pop, CPoint3(0, 0, 0), 6), "200 150");
    // The pivot recentres only far from the target.
    pop = MakeCamera();  // 10 pixels per unit: limit 0.3 / 1e-6 units
    pop.m_target = CPoint3(2.9e5, 0, 0);
    EXPECT_FALSE(pop.RecentrePivot());
    pop.m_target = CPoint3(0, -3.1e5, 0);
    EXPECT_TRUE(pop.RecentrePivot());
    EXPECT_EQ(Xyz(pop.m_pivot), "0 -310000 0");
}

TEST(CameraWheel, NotchesAccumulateAndRestoreTheScale) {
    CCamera cam = MakeCamera();
    EXPECT_FALSE(cam.Wheel(60));
    EXPECT_EQ(cam.m_scale, 1.0);
    EXPECT_TRUE(cam.Wheel(60));
    EXPECT_NEAR(cam.m_scale, std::pow(2.0, 1.0 / 12.0), 1e-15);
    EXPECT_EQ(cam.HistorySize(), 1);
    cam.m_scale = 0.37;
    for (int i = 0; i < 10; ++i) {
        cam.Wheel(120);
    }
    for (int i = 0; i < 10; ++i) {
        cam.Wheel(-120);
    }
    EXPECT_NEAR(cam.m_scale / 0.37, 1.0, 1e-12);
    // Twelve notches away from the user double the visible area.
    cam.m_scale = 1.0;
    for (int i = 0; i < 12; ++i) {
        cam.Wheel(120);
    }
    EXPECT_NEAR(cam.m_scale, 2.0, 1e-12);
    // A fast wheel sends several notches at once.
    cam.Wheel(-360);
    EXPECT_NEAR(cam.m_scale, std::pow(2.0, 0.75), 1e-12);
}

TEST(CameraDrag, PanAndZoom) {
    CCamera cam = MakeCamera();
    cam.m_eye = CPoint3(10, 0, 10);
    cam.UpdateViewMatrix();
    const CPoint3 p(1, 2, 0);
    double x0 = 0, y0 = 0;
    cam.ProjectToWindowF(p, x0, y0);
    cam.BeginDrag(100, 100);
    cam.DragPan(130, 80);
    EXPECT_EQ(Win(cam, p), Num(x0 + 30, 9) + " " + Num(y0 - 20, 9));
    EXPECT_NEAR((cam.m_eye - cam.m_target).Length(), std::sqrt(200.0), 1e-9);
    // Zoom by the window height.
    cam = MakeCamera();
    cam.BeginDrag(10, 0);
    cam.DragZoom(10, 300);
    EXPECT_NEAR(cam.m_scale, 4.0, 1e-12);
    EXPECT_NEAR(cam.m_pixelsPerUnit, 2.5, 1e-12);
}

TEST(CameraDrag, RotateNearTheCentreOrOutside) {
    CCamera cam = MakeCamera();  // target projects to (200, 150)
    cam.BeginDrag(240, 150);     // 40 px from the centre
    const CPoint3 eye = cam.m_eye;
    EXPECT_FALSE(cam.DragRotate(100, 20));
    EXPECT_EQ(cam.m_spinAngle, 0.0);
    EXPECT_EQ(Xyz(cam.m_eye), Xyz(eye));
    cam.BeginDrag(300, 150);                 // 100 px out
    EXPECT_FALSE(cam.DragRotate(205, 150));  // cursor within 10 px of the centre
    // Outside the circle a rotation spins about the view direction.
    cam = MakeCamera();
    cam.BeginDrag(300, 150);               // right of the centre
    ASSERT_TRUE(cam.DragRotate(200, 20));  // straight above, further out
    // A quarter turn anticlockwise on screen (y runs down): the model turns with it.
    EXPECT_NEAR(cam.m_spinAngle, 90.0, 1e-9);
    EXPECT_EQ(Xyz(cam.m_eye - cam.m_target, 12), "0 0 1");
}

TEST(CameraDrag, RotateInsideTiltsAboutTarget) {
    CCamera cam = MakeCamera();
    cam.m_eye = CPoint3(0, 0, 10);
    cam.UpdateViewMatrix();
    cam.BeginDrag(200, 50);                 // 100 px above the centre
    ASSERT_TRUE(cam.DragRotate(200, 100));  // pulled halfway in
    // Eye stays at its distance and tilts by 45 degrees; the target does not move.
    const CVec3 e = cam.m_eye - cam.m_target;
    EXPECT_NEAR(e.Length(), 10, 1e-9);
    EXPECT_NEAR(e.z, 10 * std::cos(45 * kDegToRad), 1e-9);
    EXPECT_NEAR(std::fabs(e.y), 10 * std::sin(45 * kDegToRad), 1e-9);
    EXPECT_EQ(Xyz(cam.m_target), "0 0 0");
    // Pulling back to the press point restores the start exactly.
    ASSERT_TRUE(cam.DragRotate(200, 50));
    EXPECT_EQ(Xyz(cam.m_eye - cam.m_target, 9), "0 0 10");
    EXPECT_NEAR(std::fmod(cam.m_spinAngle + 180.0, 360.0) - 180.0, 0.0, 1e-9);
}

// Tilting by a drag straight towards the centre keeps world x running to the right, from
// above and from below the centre alike (not upside down).
TEST(CameraDrag, VerticalTiltKeepsScreenAxes) {
    for (const int startY : {50, 250}) {
        CCamera cam = MakeCamera();
        cam.m_eye = CPoint3(0, 0, 10);
        cam.UpdateViewMatrix();
        cam.BeginDrag(200, startY);
        ASSERT_TRUE(cam.DragRotate(200, startY == 50 ? 100 : 200));
        EXPECT_EQ(Win(cam, CPoint3(5, 0, 0)), "250 150") << startY;
        // The grabbed edge came towards the eye: pulling the top edge down turns the model's
        // z axis down the screen, pushing the bottom edge up turns it up.
        double x = 0, y = 0;
        cam.ProjectToWindowF(CPoint3(0, 0, 5), x, y);
        EXPECT_EQ(y > 150, startY == 50) << startY;
    }
}

TEST(CameraZoomWindow, ScalesAndCentresAndResizeRefits) {
    CCamera cam = MakeCamera();
    EXPECT_FALSE(cam.ZoomWindow(10, 10, 10, 50));
    EXPECT_FALSE(cam.ZoomWindow(10, 10, 50, 10));
    CPoint3 centreBefore;
    cam.WindowToWorld(300, 75, false, nullptr, centreBefore);
    ASSERT_TRUE(cam.ZoomWindow(250, 50, 350, 100));
    EXPECT_NEAR(cam.m_scale, 0.25, 1e-12);  // max(100/400, 50/300)
    EXPECT_EQ(Win(cam, centreBefore), "200 150");
    // A resize refits around the centre and ignores a zero size.
    CCamera resized = MakeCamera(400, 300);
    EXPECT_FALSE(resized.Resize(0, 300));
    EXPECT_FALSE(resized.Resize(300, 0));
    const auto window = [&resized] {
        return std::to_string(resized.m_clientWidth) + " " +
               Xyz(CVec3(resized.m_left, resized.m_right, resized.m_bottom), 12) + " " +
               Num(resized.m_top, 12) + " ppu " + Num(resized.m_pixelsPerUnit, 12);
    };
    EXPECT_EQ(window(), "400 -20 20 -15 15 ppu 10");
    // Wider: the height stays.
    ASSERT_TRUE(resized.Resize(600, 300));
    EXPECT_EQ(window(), "600 -30 30 -15 15 ppu 10");
    // Taller than wide: the width stays.
    ASSERT_TRUE(resized.Resize(300, 600));
    EXPECT_EQ(window(), "300 -30 30 -60 60 ppu 5");
}

TEST(CameraProjection, PerspectiveFramingAndStateRoundTrip) {
    CCamera cam = MakeCamera();
    cam.m_eye = CPoint3(0, 0, 50);
    cam.m_far = 100;
    CProjectionBox p = cam.Projection();
    EXPECT_FALSE(p.perspective);
    EXPECT_EQ(p.nearPlane, 0.0);
    EXPECT_EQ(p.left, -20.0);
    cam.m_perspective = 1;
    p = cam.Projection();
    EXPECT_GT(p.nearPlane, 0.0);
    // The frustum's width at the target distance is the window's width.
    EXPECT_NEAR(p.left / p.nearPlane * 50.0, -20.0, 1e-9);
    EXPECT_NEAR(p.top / p.nearPlane * 50.0, 15.0, 1e-9);
    // A positive near is passed unchanged.
    cam.m_near = 5;
    p = cam.Projection();
    EXPECT_EQ(p.nearPlane, 5.0);
    EXPECT_EQ(p.left, -20.0);
    // The state round-trips through the document.
    CViewState s;
    s.eye = CPoint3(1, 2, 3);
    s.target = CPoint3(4, 5, 6);
    s.windowLeft = -7;
    s.windowRight = 9;
    s.spinAngle = 12;
    s.scale = 0.5;
    s.perspective = 1;
    s.clientWidth = 320;
    s.clientHeight = 160;
    CCamera loaded;
    loaded.LoadState(s);
    EXPECT_EQ(loaded.m_aspect, 2.0);
    EXPECT_NEAR(loaded.m_pixelsPerUnit, 320 / 16.0 / 0.5, 1e-12);
    CViewState back;
    loaded.StoreState(back);
    EXPECT_TRUE(back.eye == s.eye);
    EXPECT_EQ(back.windowRight, 9.0);
    EXPECT_EQ(back.spinAngle, 12.0);
    EXPECT_EQ(back.clientWidth, 320);
    EXPECT_EQ(back.perspective, 1);
}

TEST(ArcSegments, Count) {
    const struct {
        const char* name;
        double radius, ppu, length;
        int segments;
    } cases[] = {
        {"one_degree", 100, 1, 1, 8},
        // Circumference 2*pi*100 px / 5 = 125.66, plus 0.5: 126 segments.
        {"circle_100px", 100, 1, 360, 126},
        {"half", 100, 1, 180, 63},
        {"window_filling", 1000, 1, 360, 300},
        {"negative", 10, 1, -90, 8},
        {"nan", NAN, 1, 360, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ArcSegmentCount(c.radius, c.ppu, c.length), c.segments);
    }
}

}  // namespace
