// Print layout: area, scale, page grid, page windows, device mapping and the settings check.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "printing/core/PrintLayout.h"
#include "printing/core/PrintSettings.h"
#include "printing/output/PrintJob.h"
#include "support/Describe.h"
#include "support/PlanView.h"
#include "view/core/Camera.h"

namespace {

// A plan view of cx x cy pixels showing w x h units centred on the target.
CCamera PlanCamera(double w, double h, int cx = 900, int cy = 200) {
    CCamera cam;
    cam.LoadState(PlanState(w, h, cx, cy));
    return cam;
}

CPrintSettings Scale(double mm, double units) {
    CPrintSettings s;
    s.m_fit = 0;
    s.m_mmOnPaper = mm;
    s.m_drawingUnits = units;
    return s;
}

TEST(PrintGrid, PagesAndLastSizes) {
    const struct {
        const char* name;
        double w, h;            // area in units
        double mm, units;       // scale (mm = 0: fit)
        double paperW, paperH;  // mm
        int64_t nx, ny;
        double lastW, lastH;  // last column / row in units
    } cases[] = {
        {"three_columns_last_50", 450, 100, 1, 1, 200, 287, 3, 1, 50, 100},
        {"remainder_exactly_1mm_adds_nothing", 401, 100, 1, 1, 200, 287, 2, 1, 200, 100},
        {"remainder_1_01mm_adds_a_column", 401.01, 100, 1, 1, 200, 287, 3, 1, 1.01, 100},
        {"half_millimetre_is_one_page", 0.5, 0.5, 1, 1, 200, 287, 1, 1, 0.5, 0.5},
        {"scale_2mm_per_unit", 150, 100, 2, 1, 200, 287, 2, 1, 50, 100},
        {"fit_portrait_width_limits", 400, 100, 0, 0, 200, 287, 1, 1, 400, 100},
        {"fit_landscape_width_limits", 400, 100, 0, 0, 287, 200, 1, 1, 400, 100},
        {"fit_height_limits", 100, 400, 0, 0, 287, 200, 1, 1, 100, 400},
        {"a_thousand_pages_is_allowed", 200 * 1000, 10, 1, 1, 200, 287, 1000, 1, 200, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPrintSettings s = c.mm > 0 ? Scale(c.mm, c.units) : CPrintSettings{};
        CPrintLayout layout;
        const SPrintRefusal r =
            PreparePrintLayout(s, PrintViewOf(PlanCamera(c.w, c.h)), c.paperW, c.paperH, layout);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(layout.nx, c.nx);
        EXPECT_EQ(layout.ny, c.ny);
        EXPECT_NEAR(layout.lastColumnWidth, c.lastW, 1e-9);
        EXPECT_NEAR(layout.lastRowHeight, c.lastH, 1e-9);
    }
}

TEST(PrintLayout, FitFillsThePageAlongTheLargerRatio) {
    CPrintLayout portrait, landscape;
    ASSERT_TRUE(
        PreparePrintLayout(CPrintSettings{}, PrintViewOf(PlanCamera(400, 100)), 200, 287, portrait)
            .ok);
    EXPECT_DOUBLE_EQ(portrait.s, 2.0);  // 400 / 200 beats 100 / 287
    ASSERT_TRUE(
        PreparePrintLayout(CPrintSettings{}, PrintViewOf(PlanCamera(100, 400)), 287, 200, landscape)
            .ok);
    EXPECT_DOUBLE_EQ(landscape.s, 2.0);  // 400 / 200 beats 100 / 287
    EXPECT_NEAR(landscape.lastRowHeight / landscape.s, 200.0, 1e-9);
}

CPrintSettings Window(double x1, double y1, double x2, double y2) {
    CPrintSettings s;
    s.m_areaMode = 1;
    s.m_x1 = x1;
    s.m_y1 = y1;
    s.m_x2 = x2;
    s.m_y2 = y2;
    return s;
}

const double kNaN = std::nan("");

TEST(PrintRefusals, NothingIsLaidOut) {
    const struct {
        const char* name;
        CPrintSettings settings;
        double w, h, paperW, paperH;
        unsigned id;
        const char* start;
    } cases[] = {
        {"zero_scale", Scale(0, 1), 10, 10, 200, 287, 41523, kPrintScaleMsg},
        {"empty_window", Window(5, 0, 5, 10), 10, 10, 200, 287, 41524, kPrintWindowMsg},
        {"nan_window", Window(0, 0, kNaN, 10), 10, 10, 200, 287, 41524, kPrintWindowMsg},
        {"zero_paper", CPrintSettings{}, 10, 10, 0, 287, 0, "Rozmiar papieru"},
        {"nan_paper", CPrintSettings{}, 10, 10, 200, kNaN, 0, "Rozmiar papieru"},
        {"collapsed_screen", CPrintSettings{}, 0, 10, 200, 287, 0, "Obszar"},
        {"infinite_screen", CPrintSettings{}, 1e308 * 10, 10, 200, 287, 0, "Obszar"},
        {"1001_pages", Scale(1, 1), 200 * 1001, 10, 200, 287, 0,
         "Wydruk w tej skali zająłby 1001 stron"},
        {"pages_beyond_int64", Scale(1e6, 1e-6), 1e5, 1e5, 200, 287, 0, "Wydruk w tej skali"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPrintLayout layout;
        const SPrintRefusal r = PreparePrintLayout(c.settings, PrintViewOf(PlanCamera(c.w, c.h)),
                                                   c.paperW, c.paperH, layout);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.messageId, c.id);
        EXPECT_EQ(r.message.rfind(c.start, 0), 0u) << r.message;
    }
}

// The page (1-based) whose window shows world point q, and where in its window.
int64_t PageShowing(const CPrintLayout& layout, const CCamera& cam, const CPoint3& q) {
    int64_t found = 0;
    for (int64_t p = 1; p <= layout.PageCount(); ++p) {
        CCamera page = cam;
        ApplyPageCamera(page, PrintPage(layout, p));
        double x = 0, y = 0;
        page.ProjectToWindowF(q, x, y);
        if (x > 0 && x < page.m_clientWidth && y > 0 && y < page.m_clientHeight) {
            EXPECT_EQ(found, 0) << "pages overlap at " << q.x << ", " << q.y;
            found = p;
        }
    }
    return found;
}

TEST(PrintLayout, PagesTileTheAreaRowByRowFromTheTopLeft) {
    // 450 x 350 units at 1:1 on 200 x 287 mm: 3 columns (last 50), 2 rows (last 63).
    const CCamera cam = PlanCamera(450, 350);
    CPrintLayout layout;
    ASSERT_TRUE(PreparePrintLayout(Scale(1, 1), PrintViewOf(cam), 200, 287, layout).ok);
    ASSERT_EQ(layout.nx, 3);
    ASSERT_EQ(layout.ny, 2);
    // The area runs from x = -225 (left) and y = 175 (top).
    for (double a = 2.5; a < 450; a += 5) {
        for (double b = 2.5; b < 350; b += 5) {
            const int64_t col = a < 200 ? 1 : a < 400 ? 2 : 3;
            const int64_t row = b < 287 ? 1 : 2;
            ASSERT_EQ(PageShowing(layout, cam, CPoint3(-225 + a, 175 - b, 0)), (row - 1) * 3 + col)
                << a << ", " << b;
        }
    }
    const SPrintPage last = PrintPage(layout, 6);
    EXPECT_EQ(Xyz(CVec3(last.column, last.row, last.width), 9) + " " + Num(last.height, 9),
              "3 2 50 63");
}

TEST(PrintLayout, DeviceMappingPutsTheViewportOnThePrintedRectangle) {
    CPrintLayout layout;
    ASSERT_TRUE(
        PreparePrintLayout(Scale(1, 1), PrintViewOf(PlanCamera(100, 50)), 200, 280, layout).ok);
    const SPrintPage page = PrintPage(layout, 1);
    CPrintSettings centred = Scale(1, 1);
    // 10 dots per mm, a 400 x 100 client area.
    const SDeviceMapping m = ComputeDeviceMapping(centred, layout, page, 2000, 2800, 400, 100);
    EXPECT_DOUBLE_EQ(m.printedW, 1000);
    EXPECT_DOUBLE_EQ(m.printedH, 500);
    // The device dots of a view position, or "refused".
    const auto map = [](const SDeviceMapping& d, double vx, double vy) {
        int x = 0, y = 0;
        return d.Map(vx, vy, x, y) ? std::to_string(x) + " " + std::to_string(y) : "refused";
    };
    EXPECT_EQ(map(m, 0, 0), "500 1650");       // bottom left of the view
    EXPECT_EQ(map(m, 400, 100), "1500 1150");  // top right

    CPrintSettings shifted = centred;
    shifted.m_centreH = 0;
    shifted.m_shiftRight = 12.5;
    shifted.m_centreV = 0;
    shifted.m_shiftDown = 3;
    const SDeviceMapping s = ComputeDeviceMapping(shifted, layout, page, 2000, 2800, 400, 100);
    EXPECT_EQ(map(s, 0, 100), "125 30");  // top left
    // Truncation as the printer dots are whole; non-finite and far values are refused.
    EXPECT_EQ(map(s, 0.3, 99.99), "125 30");
    EXPECT_EQ(map(s, std::nan(""), 0), "refused");
    EXPECT_EQ(map(s, 1e300, 0), "refused");

    // Shifts are held to 0..1000 mm; a shift that is not a number counts as 0.
    shifted.m_shiftRight = 5000;
    shifted.m_shiftDown = std::nan("");
    const SDeviceMapping held = ComputeDeviceMapping(shifted, layout, page, 2000, 2800, 400, 100);
    EXPECT_DOUBLE_EQ(held.offX, 10000);
    EXPECT_DOUBLE_EQ(held.offY, 500);
    shifted.m_shiftRight = -3;
    EXPECT_DOUBLE_EQ(ComputeDeviceMapping(shifted, layout, page, 2000, 2800, 400, 100).offX, 0);
}

// A camera looking at target from eye with a spin.
CCamera ViewFrom(const CPoint3& eye, const CPoint3& target, double spin) {
    CCamera cam = PlanCamera(100, 100, 400, 300);
    cam.m_eye = eye;
    cam.m_target = target;
    cam.m_spinAngle = spin;
    cam.m_pivot = CVec3(3, -2, 1);  // the pivot must not matter
    cam.UpdateViewMatrix();
    return cam;
}

TEST(PrintWindowFrame, PickedPointPrintsAtThePageCentre) {
    const struct {
        const char* name;
        CPoint3 eye, target;
        double spin;
        CPoint3 q;  // the point picked around
    } cases[] = {
        {"plan_spin_0", {0, 0, 10}, {0, 0, 0}, 0, {12, -4, 0}},
        {"plan_spin_90", {0, 0, 10}, {0, 0, 0}, 90, {12, -4, 0}},
        {"plan_off_target", {50, 20, 10}, {50, 20, 0}, 30, {12, -4, 5}},
        {"tilted_spun", {30, -40, 25}, {5, 5, 2}, 37, {17, 9, -3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CCamera cam = ViewFrom(c.eye, c.target, c.spin);
        double qx = 0, qy = 0;
        WorldToPrintPlane(PrintViewOf(cam), c.q, qx, qy);
        // A window drawn on the screen around the point's pixel gives the same plane coordinates.
        double px = 0, py = 0;
        cam.ProjectToWindowF(c.q, px, py);
        CPoint3 w;
        cam.WindowToWorld(px, py, false, nullptr, w);
        double wx = 0, wy = 0;
        WorldToPrintPlane(PrintViewOf(cam), w, wx, wy);
        EXPECT_LT(std::hypot(wx - qx, wy - qy), 1e-6);

        CPrintSettings s = Window(qx - 7, qy - 3, qx + 7, qy + 3);
        CPrintLayout layout;
        ASSERT_TRUE(PreparePrintLayout(s, PrintViewOf(cam), 200, 287, layout).ok);
        ASSERT_EQ(layout.PageCount(), 1);
        CCamera page = cam;
        ApplyPageCamera(page, PrintPage(layout, 1));
        double x = 0, y = 0;
        page.ProjectToWindowF(c.q, x, y);
        EXPECT_LT(std::hypot(x - 200, y - 150), 1e-6);
    }
}

TEST(PrintLayout, PlanFrameIsTheWorldTurnedBySpin) {
    double x = 0, y = 0;
    WorldToPrintPlane(PrintViewOf(ViewFrom({0, 0, 5}, {0, 0, 0}, 0)), CPoint3(3, 4, 9), x, y);
    EXPECT_EQ(Num(x, 12) + " " + Num(y, 12), "3 4");
    // Turning the view by 90 degrees turns what is to the right.
    WorldToPrintPlane(PrintViewOf(ViewFrom({0, 0, 5}, {0, 0, 0}, 90)), CPoint3(3, 4, 9), x, y);
    EXPECT_NEAR(std::hypot(x, y), 5, 1e-12);
    EXPECT_NEAR(std::fabs(x), 4, 1e-12);
    const CPoint3 back = PrintPlaneToWorld(PrintViewOf(ViewFrom({0, 0, 5}, {0, 0, 0}, 90)), x, y);
    EXPECT_EQ(Num(back.x, 12) + " " + Num(back.y, 12), "3 4");
}

CPrintSettings With(CPrintSettings s, int fit, double mm, double units) {
    s.m_fit = fit;
    s.m_mmOnPaper = mm;
    s.m_drawingUnits = units;
    return s;
}

CPrintSettings Screen(CPrintSettings s) {
    s.m_areaMode = 0;
    return s;
}

TEST(PrintSettingsCheck, MessageAndFocus) {
    const struct {
        const char* name;
        CPrintSettings settings;
        bool picking;
        unsigned id;
        int focus;
    } cases[] = {
        {"defaults", CPrintSettings{}, false, 0, 0},
        {"mm_zero", With({}, 0, 0, 1), false, 41523, 1107},
        {"mm_negative_units_bad_too", With({}, 0, -1, -1), false, 41523, 1107},
        {"units_negative", With({}, 0, 1, -2), false, 41523, 1108},
        {"units_nan", With({}, 0, 1, std::nan("")), false, 41523, 1108},
        {"fit_ignores_scale", With({}, 1, 0, 0), false, 0, 0},
        {"x2_equals_x1", Window(1, 0, 1, 5), false, 41524, 1104},
        {"y2_below_y1", Window(0, 5, 1, 4), false, 41524, 1105},
        {"both_bad_x_first", Window(2, 5, 1, 4), false, 41524, 1104},
        {"pick_skips_window", Window(2, 5, 1, 4), true, 0, 0},
        {"pick_still_checks_scale", With(Window(2, 5, 1, 4), 0, 1, 0), true, 41523, 1108},
        {"screen_ignores_window", Screen(Window(2, 5, 1, 4)), false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SPrintCheck r = ValidatePrintSettings(c.settings, c.picking);
        EXPECT_EQ(r.ok, c.id == 0);
        EXPECT_EQ(r.messageId, c.id);
        EXPECT_EQ(r.focusId, c.focus);
        EXPECT_STREQ(r.message, c.id == 41523 ? kPrintScaleMsg : c.id ? kPrintWindowMsg : "");
    }
}

TEST(PrintSettings, PenWidthAutoIsOne) {
    CPrintSettings s;
    std::set<int> widths;
    for (int index : {-1, 0, 1}) {
        s.m_lineWidthIndex = index;
        widths.insert(s.PenWidth());
    }
    EXPECT_EQ(widths, std::set<int>{1});
    s.m_lineWidthIndex = 8;
    EXPECT_EQ(s.PenWidth(), 8);
    s.m_lineWidthIndex = 9;
    EXPECT_EQ(s.PenWidth(), 1);
}

}  // namespace
