// Frame times of a large drawing: 10^6 polyline segments and 10^5 filled polygons at survey
// coordinates, drawn offscreen (800 x 600) in render mode 2. Prints the median frame with and
// without the scene display list, the frame that shows a change before the list is compiled,
// the compile time of the list, the frame of a minimal program that draws the same vertices from
// one vertex array (the practical limit of this GL), whether navigation recompiles the list,
// open + first frame against the file load alone, and whether the first frame and the list
// frames differ in any pixel.
// Needs a display with OpenGL (xvfb-run). Usage: tav_render_bench [frames] (default 9).

#include <GL/gl.h>

#include <QDir>
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "view/core/Camera.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/SceneRenderer.h"

namespace {

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

constexpr double kOx = 5420000.0, kOy = 6310000.0;

// 1000 polylines of 1000 segments and 10^5 tessellated quads, on a 1000 m square.
void BuildDrawing(CTAVDoc& doc) {
    for (int i = 0; i < 1000; ++i) {
        auto p = std::make_unique<CPoly>();
        p->m_vertices.reserve(1001);
        for (int k = 0; k <= 1000; ++k) {
            p->AddVertex(CPoint3(kOx + k, kOy + i + 0.3 * (k % 2), 1.0));
        }
        p->m_color[0] = p->m_color[1] = p->m_color[2] = 0.8;
        doc.AddEntity(std::move(p));
    }
    for (int i = 0; i < 100000; ++i) {
        auto p = std::make_unique<CPoly>();
        p->m_closed = 1;
        const double x = kOx + (i % 316) * 3.16, y = kOy + (i / 316) * 3.16;
        p->AddVertex(CPoint3(x, y, 0));
        p->AddVertex(CPoint3(x + 2, y, 0));
        p->AddVertex(CPoint3(x + 2, y + 2, 0));
        p->AddVertex(CPoint3(x, y + 2, 0));
        p->m_color[0] = 0.9;
        p->m_color[1] = 0.5;
        p->ComputePlane();
        p->Tessellate();
        doc.AddEntity(std::move(p));
    }
    doc.RecomputeExtents();
}

// The same lines and triangles as float arrays relative to the pivot, drawn in one go.
struct CMinimalScene {
    std::vector<float> lines, lineColors, tris, triColors;

    void Build(const CTAVDoc& doc, const CVec3& pivot) {
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            const auto* p = static_cast<const CPoly*>(doc.GetEntity(i));
            auto push = [&](std::vector<float>& v, std::vector<float>& c, const CPoint3& q) {
                v.insert(v.end(),
                         {static_cast<float>(q.x - pivot.x), static_cast<float>(q.y - pivot.y),
                          static_cast<float>(q.z - pivot.z)});
                c.insert(c.end(),
                         {static_cast<float>(p->m_color[0]), static_cast<float>(p->m_color[1]),
                          static_cast<float>(p->m_color[2])});
            };
            const int n = p->GetVertexCount();
            const int segments = p->m_closed ? n : n - 1;
            for (int j = 0; j < segments; ++j) {
                push(lines, lineColors, p->m_vertices[static_cast<size_t>(j)]);
                push(lines, lineColors, p->m_vertices[static_cast<size_t>((j + 1) % n)]);
            }
            if (p->m_closed) {
                for (const CTessPrimitive& prim : p->FillPrimitives()) {
                    // Quads come back as fans or triangles; fans are unrolled.
                    const auto& v = prim.points;
                    if (prim.kind == GL_TRIANGLES) {
                        for (const CPoint3& q : v) {
                            push(tris, triColors, q);
                        }
                    } else {
                        for (size_t k = 2; k < v.size(); ++k) {
                            const bool fan = prim.kind == GL_TRIANGLE_FAN;
                            push(tris, triColors, fan ? v[0] : v[k - 2]);
                            push(tris, triColors, v[k - 1]);
                            push(tris, triColors, v[k]);
                        }
                    }
                }
            }
        }
    }
    void Draw() const {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(2.0f, 2.0f);
        glVertexPointer(3, GL_FLOAT, 0, tris.data());
        glColorPointer(3, GL_FLOAT, 0, triColors.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(tris.size() / 3));
        glVertexPointer(3, GL_FLOAT, 0, lines.data());
        glColorPointer(3, GL_FLOAT, 0, lineColors.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lines.size() / 3));
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
};

std::vector<unsigned char> ReadPixels() {
    std::vector<unsigned char> pixels(800 * 600 * 4);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(3, std::atoi(argv[1])) : 9;
    QGuiApplication app(argc, argv);
    const std::string path = QDir::tempPath().toStdString() + "/tav_render_bench.tav";
    {
        CTAVDoc doc;
        BuildDrawing(doc);
        CViewState view;
        view.clientWidth = 800;
        view.clientHeight = 600;
        doc.SetViewState(view);
        if (!doc.OnSaveDocument(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    // Load alone.
    std::vector<double> loads;
    for (int i = 0; i < 3; ++i) {
        CTAVDoc doc;
        const auto t0 = Clock::now();
        doc.OnOpenDocument(path);
        loads.push_back(Ms(t0, Clock::now()));
    }

    COffscreenGL gl;
    std::string error;
    if (!gl.Create(800, 600, error) || !gl.MakeCurrent()) {
        std::fprintf(stderr, "no GL: %s\n", error.c_str());
        return 1;
    }
    std::printf("GL: %s / %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    // Open + first frame, as a window showing the file would.
    CTAVDoc doc;
    CCamera camera;
    CSceneRenderer renderer(camera);
    const auto o0 = Clock::now();
    doc.OnOpenDocument(path);
    camera.LoadState(doc.ViewState());
    camera.Resize(800, 600);
    camera.ZoomAll(doc, true, false);
    renderer.SetDocument(&doc);
    renderer.m_renderMode = 2;
    renderer.InitializeGL();
    glViewport(0, 0, 800, 600);
    renderer.RenderFrame();
    const double openAndFirst = Ms(o0, Clock::now());
    const std::vector<unsigned char> firstPixels = ReadPixels();
    // What the view does once the first frame is on screen.
    const auto c0 = Clock::now();
    renderer.CompileDeferredList();
    const double firstCompile = Ms(c0, Clock::now());
    renderer.RenderFrame();
    const std::vector<unsigned char> listPixels = ReadPixels();
    long differing = 0;
    for (size_t i = 0; i < firstPixels.size(); i += 4) {
        differing += std::equal(&firstPixels[i], &firstPixels[i] + 3, &listPixels[i]) ? 0 : 1;
    }

    // A change: the frame that shows it, then the compile.
    std::vector<double> changed, compiled, listed, direct, minimal;
    for (int i = 0; i < 3; ++i) {
        renderer.InvalidateDisplayList();
        const auto t0 = Clock::now();
        renderer.RenderFrame();
        const auto t1 = Clock::now();
        renderer.CompileDeferredList();
        changed.push_back(Ms(t0, t1));
        compiled.push_back(Ms(t1, Clock::now()));
    }
    for (int i = 0; i < frames; ++i) {
        const auto t0 = Clock::now();
        renderer.RenderFrame();
        listed.push_back(Ms(t0, Clock::now()));
    }
    // Navigation: pan, zoom, rotate between frames; then back to the fitted camera so every
    // timing below draws the same picture.
    const CCamera fitted = camera;
    const int compilesBefore = renderer.GetCompileCount();
    camera.BeginDrag(400, 300);
    camera.DragPan(420, 310);
    renderer.RenderFrame();
    camera.Wheel(240);
    renderer.RenderFrame();
    camera.BeginDrag(400, 100);
    camera.DragRotate(420, 120);
    renderer.RenderFrame();
    const int navigationCompiles = renderer.GetCompileCount() - compilesBefore;
    camera = fitted;

    renderer.m_useDisplayList = false;
    for (int i = 0; i < std::max(3, frames / 3); ++i) {
        const auto t0 = Clock::now();
        renderer.RenderFrame();
        direct.push_back(Ms(t0, Clock::now()));
    }

    CMinimalScene scene;
    scene.Build(doc, camera.m_pivot);
    for (int i = 0; i < frames; ++i) {
        const auto t0 = Clock::now();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderer.SetupProjection(true);
        renderer.SetupViewingTransform();
        scene.Draw();
        glFlush();
        glFinish();
        minimal.push_back(Ms(t0, Clock::now()));
    }
    renderer.ReleaseGL();
    gl.DoneCurrent();

    const double load = Median(loads);
    const double list = Median(listed);
    const double compile = Median(compiled);
    const double noList = Median(direct);
    const double floor = Median(minimal);
    std::printf("entities %d (1000 polylines x 1000 segments, 100000 quads), medians:\n",
                doc.GetEntityCount());
    std::printf("  file load alone           %9.1f ms\n", load);
    std::printf("  open + first frame        %9.1f ms  (%.2fx the load; target <= 2x)\n",
                openAndFirst, openAndFirst / load);
    std::printf("  then the list compile     %9.1f ms\n", firstCompile);
    std::printf("  frame after a change      %9.1f ms  (drawn without the list)\n",
                Median(changed));
    std::printf("  frame with display list   %9.1f ms\n", list);
    std::printf("  frame without list        %9.1f ms  (%.2fx the list frame)\n", noList,
                noList / list);
    std::printf("  list compile              %9.1f ms\n", compile);
    std::printf("  minimal vertex-array frame%9.1f ms\n", floor);
    std::printf("  list frame / minimal      %9.2f x  (target <= 1.5x)\n", list / floor);
    std::printf("  recompiles while panning, zooming, rotating: %d\n", navigationCompiles);
    std::printf("  pixels where the first frame and the list frame differ: %ld\n", differing);
    std::remove(path.c_str());
    return 0;
}
