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

struct SSceneCase {
    const char* name;
    int perspective;
    bool clipPlane;
};

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

class PickPass : public testing::TestWithParam<SSceneCase> {
protected:
    void SetUp() override {
        FillScene(m_doc, m_rng, GetParam().clipPlane);
        ASSERT_TRUE(m_scene.ok);
    }

    std::mt19937 m_rng{99};
    CTAVDoc m_doc;
    CCamera m_camera =
        ViewFrom({6, -9, 14}, GetParam().perspective, GetParam().perspective ? 12 : 0, 40);
    SGlScene m_scene{m_doc, m_camera};
    CSceneRenderer* m_renderer = &m_scene.renderer;
    CPointLocator m_locator;
};

TEST_P(PickPass, IndexedPickEqualsFullPass) {
    std::uniform_int_distribution<int> px(0, kW - 1), py(0, kH - 1), d(-60, 60);
    int hitSome = 0;
    for (int k = 0; k < 1000; ++k) {
        const int x = px(m_rng), y = py(m_rng);
        double l, r, b, t;
        if (k % 2 == 0) {
            ClickPickBox(m_camera, x, y, l, r, b, t);
        } else {
            RectanglePickBox(m_camera, x, y, x + d(m_rng), y + d(m_rng), l, r, b, t);
        }
        const CClipTransform clip =
            CClipTransform::ForBox(m_camera, &m_doc, m_renderer->GetMaxClipPlanes(), l, r, b, t);
        const std::vector<int> candidates = m_locator.PickCandidates(m_doc, clip, false);
        const auto fast = Sorted(RunPickPass(*m_renderer, m_camera, l, r, b, t, &candidates));
        const auto full = Sorted(RunPickPass(*m_renderer, m_camera, l, r, b, t, nullptr));
        ASSERT_EQ(fast, full) << "at " << x << "," << y << " pick " << k;
        hitSome += full.empty() ? 0 : 1;
    }
    EXPECT_GT(hitSome, 100);
}

TEST_P(PickPass, LocatorEqualsSelectionBuffer) {
    std::uniform_int_distribution<int> px(0, kW - 1), py(0, kH - 1);
    int snapped = 0, differing = 0;
    for (int k = 0; k < 1000; ++k) {
        const int x = px(m_rng), y = py(m_rng);
        CPoint3 a, b;
        const bool fa =
            m_locator.Locate(m_doc, m_camera, 255, m_renderer->GetMaxClipPlanes(), x, y, a);
        const bool fb = ReferenceLocalize(*m_renderer, m_camera, m_doc, 255, x, y, b);
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

INSTANTIATE_TEST_SUITE_P(Scenes, PickPass,
                         testing::Values(SSceneCase{"ortho", 0, false},
                                         SSceneCase{"perspective", 1, false},
                                         SSceneCase{"clip_plane", 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

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
