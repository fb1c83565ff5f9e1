// Picking and point localization on a large drawing: 10^5 entities with 10^6 vertices at survey
// coordinates (polylines, polygons, arcs, points, texts), seen offscreen at 1200 x 800 after
// "Pokaż wszystko" and at 10x zoom, orthographic and in perspective. For 1000 random cursor
// positions each: the median of point localization (mask 255) with the scene index (4 and 25
// pixel windows) and by the brute-force loop, a click pick with the index and by the full GL
// selection pass, and a whole-window rectangle; the index build (after an edit) and, as the
// yardstick, a full redraw without the display list. Needs a display with OpenGL (xvfb-run).
// Usage: interaction [positions] (default 1000).

#include <GL/gl.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "support/ReferenceLocalize.h"
#include "view/core/Camera.h"
#include "view/core/PointLocator.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/PickPass.h"
#include "view/gl/SceneRenderer.h"

namespace {

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

constexpr int kWidth = 1200, kHeight = 800;
constexpr double kOx = 5420000.0, kOy = 6310000.0;

// 80000 polylines and 10000 polygons of 11 vertices, 4000 arcs, 4000 points, 2000 texts on a
// 2 km square.
void BuildDrawing(CTAVDoc& doc) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(0, 2000), step(-3, 3), unit(0, 1);
    for (int i = 0; i < 90000; ++i) {
        auto p = std::make_unique<CPoly>();
        p->m_closed = i % 9 == 0 ? 1 : 0;
        CPoint3 v(kOx + pos(rng), kOy + pos(rng), unit(rng) * 5);
        for (int k = 0; k < 11; ++k) {
            p->AddVertex(v);
            v = v + CVec3(step(rng), step(rng), 0);
        }
        doc.AddEntity(std::move(p));
    }
    for (int i = 0; i < 10000; ++i) {
        const CPoint3 c(kOx + pos(rng), kOy + pos(rng), 0);
        if (i % 5 < 2) {
            auto a = std::make_unique<CArc>();
            a->m_center = c;
            a->m_radius = 0.5 + unit(rng) * 3;
            a->m_start = i % 2 ? 0 : 45;
            a->m_length = i % 2 ? 360 : 120;
            doc.AddEntity(std::move(a));
        } else if (i % 5 < 4) {
            auto p = std::make_unique<CPnt>();
            p->m_point = c;
            doc.AddEntity(std::move(p));
        } else {
            auto t = std::make_unique<CText>();
            t->m_position = c;
            t->m_axis = CVec3(0, 0, 1);
            t->m_height = 1.5;
            t->m_text = "P" + std::to_string(i);
            doc.AddEntity(std::move(t));
        }
    }
    doc.RecomputeExtents();
}

// Median and 99th percentile in ms of f over samples calls.
template <typename F>
std::pair<double, double> TimesMs(int samples, F f) {
    std::vector<double> t;
    for (int i = 0; i < samples; ++i) {
        const auto a = Clock::now();
        f(i);
        t.push_back(Ms(a, Clock::now()));
    }
    std::sort(t.begin(), t.end());
    return {Median(t), t[static_cast<size_t>((t.size() - 1) * 99 / 100)]};
}

template <typename F>
double MedianMs(int samples, F f) {
    return TimesMs(samples, f).first;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int positions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    COffscreenGL gl;
    std::string error;
    if (!gl.Create(kWidth, kHeight, error) || !gl.MakeCurrent()) {
        std::fprintf(stderr, "interaction: %s\n", error.empty() ? "no context" : error.c_str());
        return 1;
    }
    CTAVDoc doc;
    BuildDrawing(doc);
    int64_t vertices = 0;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        if (const auto* p = dynamic_cast<const CPoly*>(doc.GetEntity(i))) {
            vertices += p->GetVertexCount();
        }
    }
    std::printf("entities %d, polyline vertices %lld, %d positions\n", doc.GetEntityCount(),
                static_cast<long long>(vertices), positions);

    CPointLocator locator;
    const double build = MedianMs(3, [&](int) {
        locator.Invalidate();
        locator.Update(doc);
    });
    std::printf("index build (after an edit): %.1f ms, %d pieces\n", build,
                locator.Index().ItemCount());

    std::printf("%-26s %8s %8s %8s %8s %8s %9s %9s %8s %8s %9s %8s %8s\n", "view", "frame",
                "locate", "loc p99", "loc 25px", "25px p99", "loc brute", "loc GL", "click",
                "clk p99", "click GL", "window", "snapped");
    for (int perspective = 0; perspective < 2; ++perspective) {
        for (int zoom = 0; zoom < 2; ++zoom) {
            CCamera camera;
            camera.Resize(kWidth, kHeight);
            camera.m_eye = CPoint3(600, -800, 2000);  // an oblique look from 2.2 km
            camera.UpdateViewMatrix();
            camera.ZoomAll(doc, true, false);
            camera.m_perspective = perspective;
            if (perspective) {
                camera.m_near = 0;  // the projection frames the target plane as in ortho
            }
            if (zoom) {
                camera.m_scale /= 10.0;
                camera.UpdatePixelsPerUnit();
            }
            camera.RecentrePivot();
            camera.UpdateViewMatrix();
            CSceneRenderer renderer(camera);
            renderer.SetDocument(&doc);
            renderer.InitializeGL();
            renderer.m_useDisplayList = false;
            const double frame = MedianMs(3, [&](int) {
                renderer.RenderFrame();
                glFinish();
            });
            std::mt19937 rng(11);
            std::uniform_int_distribution<int> px(0, kWidth - 1), py(0, kHeight - 1);
            std::vector<std::pair<int, int>> at(static_cast<size_t>(positions));
            for (auto& p : at) {
                p = {px(rng), py(rng)};
            }
            int snapped = 0;
            const auto locate = TimesMs(positions, [&](int i) {
                CPoint3 out;
                snapped += locator.Locate(doc, camera, 255, 6, at[i].first, at[i].second, out);
            });
            // The largest search window the user may choose.
            locator.SetWindow(kLocateWindowMax);
            const auto locateWide = TimesMs(positions, [&](int i) {
                CPoint3 out;
                locator.Locate(doc, camera, 255, 6, at[i].first, at[i].second, out);
            });
            locator.SetWindow(kLocateWindowMin);
            const double brute = MedianMs(5, [&](int i) {
                CPoint3 out;
                locator.LocateBruteForce(doc, camera, 255, 6, at[i].first, at[i].second, out);
            });
            const double glLocate = MedianMs(3, [&](int i) {
                CPoint3 out;
                ReferenceLocalize(renderer, camera, doc, 255, at[i].first, at[i].second, out);
            });
            auto click = [&](int i, bool full) {
                double l, r, b, t;
                ClickPickBox(camera, at[i].first, at[i].second, l, r, b, t);
                if (full) {
                    return RunPickPass(renderer, camera, l, r, b, t, nullptr).size();
                }
                const CClipTransform clip = CClipTransform::ForBox(camera, &doc, 6, l, r, b, t);
                const std::vector<int> cands = locator.PickCandidates(doc, clip, false);
                return RunPickPass(renderer, camera, l, r, b, t, &cands).size();
            };
            const auto pick = TimesMs(positions, [&](int i) { click(i, false); });
            const double pickFull = MedianMs(5, [&](int i) { click(i, true); });
            const double window = MedianMs(3, [&](int) {
                double l, r, b, t;
                RectanglePickBox(camera, 0, 0, kWidth - 1, kHeight - 1, l, r, b, t);
                const CClipTransform clip = CClipTransform::ForBox(camera, &doc, 6, l, r, b, t);
                const std::vector<int> cands = locator.PickCandidates(doc, clip, false);
                RunPickPass(renderer, camera, l, r, b, t, &cands);
            });
            char name[64];
            std::snprintf(name, sizeof name, "%s, %s", perspective ? "perspective" : "ortho",
                          zoom ? "10x zoom" : "Pokaż wszystko");
            std::printf(
                "%-26s %8.1f %8.3f %8.3f %8.3f %8.3f %9.1f %9.1f %8.3f %8.3f %9.1f %8.1f "
                "%8d\n",
                name, frame, locate.first, locate.second, locateWide.first, locateWide.second,
                brute, glLocate, pick.first, pick.second, pickFull, window, snapped);
            renderer.ReleaseGL();
        }
    }
    std::printf("times in ms (medians); frame = full redraw without the display list\n");
    gl.DoneCurrent();
    return 0;
}
