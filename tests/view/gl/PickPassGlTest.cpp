// The selection passes in GL against the fast searches: same hits, same snapped points.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <random>

#include "document/TAVDoc.h"
#include "support/ReferenceLocalize.h"
#include "support/TestEntities.h"
#include "view/core/PointLocator.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/PickPass.h"
#include "view/gl/SceneRenderer.h"

namespace {

constexpr int kW = 400, kH = 300;

// A 400 x 300 view of x -20..20, y -15..15 from eye.
CCamera ViewFrom(const CPoint3& eye, int perspective, double nearPlane, double farPlane) {
    CCamera camera;
    camera.m_left = -20;
    camera.m_right = 20;
    camera.m_bottom = -15;
    camera.m_top = 15;
    camera.Resize(kW, kH);
    camera.m_eye = eye;
    camera.m_perspective = perspective;
    camera.m_near = nearPlane;
    camera.m_far = farPlane;
    camera.UpdateViewMatrix();
    return camera;
}

// An offscreen context with a renderer of doc; the GL objects go with it.
struct SGlScene {
    SGlScene(CTAVDoc& doc, CCamera& camera) : renderer(camera) {
        std::string error;
        ok = gl.Create(kW, kH, error) && gl.MakeCurrent();
        EXPECT_TRUE(ok) << error;
        renderer.SetDocument(&doc);
        if (ok) {
            renderer.InitializeGL();
        }
    }
    ~SGlScene() {
        if (ok) {
            gl.MakeCurrent();
            renderer.ReleaseGL();
            gl.DoneCurrent();
        }
    }
    COffscreenGL gl;
    CSceneRenderer renderer;
    bool ok = false;
};

// 160 polylines, polygons, arcs, points and texts, some on a hidden or a locked layer.
void FillScene(CTAVDoc& doc, std::mt19937& rng, bool clipPlane) {
    std::uniform_real_distribution<double> u(-10, 10);
    doc.Layers().emplace_back("ukryta", 0, 0);
    doc.Layers().emplace_back("zamknieta", 1, 1);
    for (int i = 0; i < 160; ++i) {
        std::unique_ptr<CEntity> e;
        if (i % 4 == 0) {
            std::vector<CPoint3> v{{u(rng), u(rng), u(rng) * 0.2}};
            for (int k = 1; k < 2 + i % 40; ++k) {
                v.push_back(v.back() + CVec3(u(rng) * 0.3, u(rng) * 0.3, u(rng) * 0.05));
            }
            e = MakePoly(v, i % 8 == 0);
        } else if (i % 4 == 1) {
            const CPoint3 c(u(rng), u(rng), 0);
            e = MakeArc(c, std::abs(u(rng)) * 0.3 + 0.1, i % 3 ? 30 : 0, i % 3 ? 200 : 360);
        } else if (i % 4 == 2) {
            e = MakePnt({u(rng), u(rng), u(rng) * 0.1});
        } else {
            auto t = MakeText("Tekst", {u(rng), u(rng), 0}, 0.5);
            t->m_rotation = i * 7.0;
            e = std::move(t);
        }
        e->m_layer = i % 29 == 0 ? 1 : (i % 31 == 0 ? 2 : 0);
        doc.AddEntity(std::move(e));
    }
    if (clipPlane) {
        doc.ClipPlanes().emplace_back("P", 1, CPoint3(1, 0, 0), CVec3(-1, 0.3, 0));
    }
}

std::vector<unsigned> Sorted(std::vector<unsigned> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Over 1000 random clicks and drags the indexed pick finds what the full pass finds, and over
// 1000 random pixels the locator snaps where the selection buffer does.
TEST(PickPass, FastSearchesEqualTheGlPasses) {
    const struct {
        const char* name;
        int perspective;
        bool clipPlane;
    } cases[] = {{"ortho", 0, false}, {"perspective", 1, false}, {"clip_plane", 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng{99};
        CTAVDoc doc;
        FillScene(doc, rng, c.clipPlane);
        const std::mt19937 afterFill = rng;
        CCamera camera = ViewFrom({6, -9, 14}, c.perspective, c.perspective ? 12 : 0, 40);
        SGlScene scene{doc, camera};
        ASSERT_TRUE(scene.ok);
        CSceneRenderer& renderer = scene.renderer;
        CPointLocator locator;
        std::uniform_int_distribution<int> px(0, kW - 1), py(0, kH - 1), d(-60, 60);
        int hitSome = 0;
        for (int k = 0; k < 1000; ++k) {
            const int x = px(rng), y = py(rng);
            double l, r, b, t;
            if (k % 2 == 0) {
                ClickPickBox(camera, x, y, l, r, b, t);
            } else {
                RectanglePickBox(camera, x, y, x + d(rng), y + d(rng), l, r, b, t);
            }
            const CClipTransform clip =
                CClipTransform::ForBox(camera, &doc, renderer.GetMaxClipPlanes(), l, r, b, t);
            const std::vector<int> candidates = locator.PickCandidates(doc, clip, false);
            const auto fast = Sorted(RunPickPass(renderer, camera, l, r, b, t, &candidates));
            const auto full = Sorted(RunPickPass(renderer, camera, l, r, b, t, nullptr));
            ASSERT_EQ(fast, full) << "at " << x << "," << y << " pick " << k;
            hitSome += full.empty() ? 0 : 1;
        }
        EXPECT_GT(hitSome, 100);
        rng = afterFill;
        int snapped = 0, differing = 0;
        for (int k = 0; k < 1000; ++k) {
            const int x = px(rng), y = py(rng);
            CPoint3 a, b;
            const bool fa = locator.Locate(doc, camera, 255, renderer.GetMaxClipPlanes(), x, y, a);
            const bool fb = ReferenceLocalize(renderer, camera, doc, 255, x, y, b);
            ASSERT_EQ(fa, fb) << "at " << x << "," << y;
            if (!(a == b)) {
                ++differing;
                ADD_FAILURE() << "at " << x << "," << y << ": " << a.x << " " << a.y << " " << a.z
                              << " against " << b.x << " " << b.y << " " << b.z;
            }
            snapped += fa ? 1 : 0;
        }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(snapped, 50);
    }
}

// More than 62 entities under one click: every one is counted.
TEST(PickPassStack, HundredStackedEntitiesAreAllHit) {
    CCamera camera = ViewFrom({0, 0, 10}, 0, 0, 20);
    CTAVDoc doc;
    for (int i = 0; i < 300; ++i) {
        doc.AddEntity(MakePoly({{-1, -1, i * 0.01}, {1, 1, i * 0.01}}));
    }
    SGlScene scene(doc, camera);
    ASSERT_TRUE(scene.ok);
    double l, r, b, t;
    ClickPickBox(camera, 200, 150, l, r, b, t);
    EXPECT_EQ(RunPickPass(scene.renderer, camera, l, r, b, t, nullptr).size(), 300u);
    // With a crossing and vertices everywhere the selection buffer of localization is large.
    CPoint3 p;
    EXPECT_TRUE(ReferenceLocalize(scene.renderer, camera, doc, 255, 200, 150, p));
    EXPECT_NEAR(p.x, 0, 1e-9);
    EXPECT_NEAR(p.z, 2.99, 1e-9);  // the midpoint nearest to the eye
    // A drag of no width still picks through a one-pixel-wide window.
    RectanglePickBox(camera, 200, 100, 200, 200, l, r, b, t);
    EXPECT_EQ(RunPickPass(scene.renderer, camera, l, r, b, t, nullptr).size(), 300u);
}

}  // namespace
