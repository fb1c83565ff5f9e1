// The selection passes in GL against the fast searches: same hits, same snapped points.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <random>

#include "document/TAVDoc.h"
#include "view/core/PointLocator.h"
#include "view/gl/OffscreenRender.h"
#include "support/ReferenceLocalize.h"
#include "view/gl/PickPass.h"
#include "view/gl/SceneRenderer.h"

namespace {

constexpr int kW = 400, kH = 300;

struct SSceneCase {
    const char* name;
    int perspective;
    bool clipPlane;
};

class PickPass : public testing::TestWithParam<SSceneCase> {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_gl.Create(kW, kH, error)) << error;
        m_camera.m_left = -20;
        m_camera.m_right = 20;
        m_camera.m_bottom = -15;
        m_camera.m_top = 15;
        m_camera.Resize(kW, kH);
        m_camera.m_eye = CPoint3(6, -9, 14);
        m_camera.m_perspective = GetParam().perspective;
        m_camera.m_near = GetParam().perspective ? 12 : 0;
        m_camera.m_far = 40;
        m_camera.UpdateViewMatrix();
        m_renderer = std::make_unique<CSceneRenderer>(m_camera);
        m_renderer->SetDocument(&m_doc);
        ASSERT_TRUE(m_gl.MakeCurrent());
        m_renderer->InitializeGL();
        FillScene();
    }
    void TearDown() override {
        if (m_renderer) {
            m_gl.MakeCurrent();
            m_renderer->ReleaseGL();
            m_gl.DoneCurrent();
        }
    }

    void FillScene() {
        std::uniform_real_distribution<double> u(-10, 10);
        m_doc.Layers().emplace_back("ukryta", 0, 0);
        m_doc.Layers().emplace_back("zamknieta", 1, 1);
        for (int i = 0; i < 160; ++i) {
            std::unique_ptr<CEntity> e;
            switch (i % 4) {
                case 0: {
                    auto p = std::make_unique<CPoly>();
                    CPoint3 v(u(m_rng), u(m_rng), u(m_rng) * 0.2);
                    for (int k = 0; k < 2 + i % 40; ++k) {
                        p->m_vertices.push_back(v);
                        v = v + CVec3(u(m_rng) * 0.3, u(m_rng) * 0.3, u(m_rng) * 0.05);
                    }
                    p->m_closed = i % 8 == 0;
                    e = std::move(p);
                    break;
                }
                case 1: {
                    auto a = std::make_unique<CArc>();
                    a->m_center = CPoint3(u(m_rng), u(m_rng), 0);
                    a->m_radius = std::abs(u(m_rng)) * 0.3 + 0.1;
                    a->m_start = i % 3 ? 30 : 0;
                    a->m_length = i % 3 ? 200 : 360;
                    e = std::move(a);
                    break;
                }
                case 2: {
                    auto p = std::make_unique<CPnt>();
                    p->m_point = CPoint3(u(m_rng), u(m_rng), u(m_rng) * 0.1);
                    e = std::move(p);
                    break;
                }
                default: {
                    auto t = std::make_unique<CText>();
                    t->m_position = CPoint3(u(m_rng), u(m_rng), 0);
                    t->m_axis = CVec3(0, 0, 1);
                    t->m_height = 0.5;
                    t->m_text = "Tekst";
                    t->m_rotation = i * 7.0;
                    e = std::move(t);
                    break;
                }
            }
            e->m_layer = i % 29 == 0 ? 1 : (i % 31 == 0 ? 2 : 0);
            m_doc.AddEntity(std::move(e));
        }
        if (GetParam().clipPlane) {
            m_doc.ClipPlanes().emplace_back("P", 1, CPoint3(1, 0, 0), CVec3(-1, 0.3, 0));
        }
    }

    std::vector<unsigned> Sorted(std::vector<unsigned> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    std::mt19937 m_rng{99};
    COffscreenGL m_gl;
    CTAVDoc m_doc;
    CCamera m_camera;
    std::unique_ptr<CSceneRenderer> m_renderer;
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
    COffscreenGL gl;
    std::string error;
    ASSERT_TRUE(gl.Create(kW, kH, error)) << error;
    CCamera camera;
    camera.m_left = -20;
    camera.m_right = 20;
    camera.m_bottom = -15;
    camera.m_top = 15;
    camera.Resize(kW, kH);
    camera.m_eye = CPoint3(0, 0, 10);
    camera.m_far = 20;
    camera.UpdateViewMatrix();
    CTAVDoc doc;
    for (int i = 0; i < 300; ++i) {
        auto p = std::make_unique<CPoly>();
        p->m_vertices = {CPoint3(-1, -1, i * 0.01), CPoint3(1, 1, i * 0.01)};
        doc.AddEntity(std::move(p));
    }
    CSceneRenderer renderer(camera);
    renderer.SetDocument(&doc);
    ASSERT_TRUE(gl.MakeCurrent());
    renderer.InitializeGL();
    double l, r, b, t;
    ClickPickBox(camera, 200, 150, l, r, b, t);
    EXPECT_EQ(RunPickPass(renderer, camera, l, r, b, t, nullptr).size(), 300u);
    // With a crossing and vertices everywhere the selection buffer of localization is large.
    CPoint3 p;
    EXPECT_TRUE(ReferenceLocalize(renderer, camera, doc, 255, 200, 150, p));
    EXPECT_NEAR(p.x, 0, 1e-9);
    EXPECT_NEAR(p.z, 2.99, 1e-9);  // the midpoint nearest to the eye
    // A drag of no width still picks through a one-pixel-wide window.
    RectanglePickBox(camera, 200, 100, 200, 200, l, r, b, t);
    EXPECT_EQ(RunPickPass(renderer, camera, l, r, b, t, nullptr).size(), 300u);
    renderer.ReleaseGL();
    gl.DoneCurrent();
}

}  // namespace
