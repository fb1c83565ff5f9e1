// Rendering into a framebuffer object and reading the pixels back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <memory>
#include <sstream>
#include <string>

#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"
#include "view/core/Camera.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/SceneRenderer.h"

namespace {

constexpr int kSize = 200;

std::unique_ptr<CPnt> MakePoint(double x, double y, double z, double r, double g, double b) {
    return Colored(MakePnt({x, y, z}), r, g, b);
}

std::unique_ptr<CPoly> MakeSquare(double half, double z, double r, double g, double b) {
    auto p = MakePoly({{-half, -half, z}, {half, -half, z}, {half, half, z}, {-half, half, z}}, 1);
    p->ComputePlane();
    p->Tessellate();
    return Colored(std::move(p), r, g, b);
}

std::unique_ptr<CPoly> MakeLine(const CPoint3& a, const CPoint3& b, double r, double g, double bl) {
    return Colored(MakePoly({a, b}), r, g, bl);
}

// A 200 x 200 framebuffer looking straight down at the square [-10, 10]² from z = 10.
class GLRender : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_gl.Create(kSize, kSize, error)) << error;
        m_camera.m_left = -10;
        m_camera.m_right = 10;
        m_camera.m_bottom = -10;
        m_camera.m_top = 10;
        m_camera.m_eye = CPoint3(0, 0, 10);
        m_camera.m_far = 20;
        m_camera.Resize(kSize, kSize);
        m_camera.UpdateViewMatrix();
        m_renderer = std::make_unique<CSceneRenderer>(m_camera);
        m_renderer->SetDocument(&m_doc);
        ASSERT_TRUE(m_gl.MakeCurrent());
        m_renderer->InitializeGL();
        glViewport(0, 0, kSize, kSize);
    }
    void TearDown() override {
        if (m_renderer) {
            m_gl.MakeCurrent();
            m_renderer->ReleaseGL();
            m_gl.DoneCurrent();
        }
    }

    // The frame after a change, drawn before the list exists; the list frame that follows must
    // match it pixel for pixel.
    QImage Frame() {
        m_renderer->InvalidateDisplayList();
        m_renderer->RenderFrame();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        const QImage first = m_gl.Image();
        m_renderer->RenderFrame();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_EQ(m_gl.Image(), first) << "the list frame differs from the first frame";
        return first;
    }
    // Pixel of the world point (x, y) on the plan view.
    static QColor At(const QImage& img, double x, double y) {
        return img.pixelColor(static_cast<int>((x + 10) * 10), static_cast<int>((10 - y) * 10));
    }
    static bool IsBlank(const QImage& img, QRgb background) {
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                if ((img.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) {
                    return false;
                }
            }
        }
        return true;
    }

    COffscreenGL m_gl;
    CTAVDoc m_doc;
    CCamera m_camera;
    std::unique_ptr<CSceneRenderer> m_renderer;
};

TEST_F(GLRender, WhiteEntityIsBlackOnWhite) {
    m_doc.AddEntity(MakePoint(0, 0, 0, 1, 1, 1));
    m_renderer->m_whiteBackground = true;
    QImage img = Frame();
    EXPECT_EQ(At(img, 0, 0), QColor(0, 0, 0));
    EXPECT_EQ(At(img, 5, 5), QColor(255, 255, 255));
    m_renderer->m_whiteBackground = false;
    img = Frame();
    EXPECT_EQ(At(img, 0, 0), QColor(255, 255, 255));
    EXPECT_EQ(At(img, 5, 5), QColor(0, 0, 0));
}

TEST_F(GLRender, FillColourPerMode) {
    m_doc.AddEntity(MakeSquare(5, 0, 1, 0, 0));
    m_renderer->m_renderMode = 2;
    EXPECT_EQ(At(Frame(), 1, 1), QColor(255, 0, 0));
    m_renderer->m_renderMode = 1;
    m_renderer->m_whiteBackground = true;
    QImage img = Frame();
    EXPECT_EQ(At(img, 1, 1), QColor(255, 255, 255));
    // The outline keeps the entity colour in mode 1.
    const bool edge = img.pixelColor(49, 100) == QColor(255, 0, 0) ||
                      img.pixelColor(50, 100) == QColor(255, 0, 0);
    EXPECT_TRUE(edge);
    m_renderer->m_renderMode = 0;
    EXPECT_EQ(At(Frame(), 1, 1), QColor(255, 255, 255));
    // Mode 3 is lit: the fill is red-ish, not the plain background.
    m_renderer->m_renderMode = 3;
    const QColor lit = At(Frame(), 1, 1);
    EXPECT_GT(lit.red(), 100);
}

TEST_F(GLRender, HiddenLinesMode) {
    m_doc.AddEntity(MakeSquare(5, 0, 1, 0, 0));
    m_doc.AddEntity(MakeLine(CPoint3(-8, 0.95, -1), CPoint3(8, 0.95, -1), 0, 1, 0));
    m_renderer->m_renderMode = 0;
    QImage img = Frame();
    EXPECT_EQ(At(img, 0, 1), QColor(0, 255, 0));  // seen through the transparent face
    EXPECT_EQ(At(img, -7, 1), QColor(0, 255, 0));
    m_renderer->m_renderMode = 1;
    img = Frame();
    EXPECT_EQ(At(img, 0, 1), QColor(0, 0, 0));  // hidden behind the face
    EXPECT_EQ(At(img, -7, 1), QColor(0, 255, 0));
}

TEST_F(GLRender, ClipPlanesCutTheNormalSideUpToTheLimit) {
    ASSERT_GE(m_renderer->GetMaxClipPlanes(), 8);
    m_doc.AddEntity(MakePoint(-5, 0, 0, 1, 1, 1));
    m_doc.AddEntity(MakePoint(5, 0, 0, 1, 1, 1));
    m_doc.ClipPlanes().emplace_back("cut", 1, CPoint3(1e-3, 0, 0), CVec3(1, 0, 0));
    QImage img = Frame();
    EXPECT_EQ(At(img, -5, 0), QColor(255, 255, 255));
    EXPECT_EQ(At(img, 5, 0), QColor(0, 0, 0));
    // An inactive plane cuts nothing, even one that would cut everything, and takes no slot.
    m_doc.GetClipPlane(0).m_active = 0;
    EXPECT_EQ(At(Frame(), 5, 0), QColor(255, 255, 255));
    m_doc.GetClipPlane(0).m_point = CPoint3(-100, 0, 0);
    // First active plane cuts the right point; the next five cut nothing.
    m_doc.ClipPlanes().emplace_back("p1", 1, CPoint3(1e-3, 0, 0), CVec3(1, 0, 0));
    for (int i = 0; i < 5; ++i) {
        m_doc.ClipPlanes().emplace_back("idle", 1, CPoint3(0, 0, 50), CVec3(0, 0, 1));
    }
    // The seventh and eighth active planes would cut everything.
    m_doc.ClipPlanes().emplace_back("p7", 1, CPoint3(-100, 0, 0), CVec3(1, 0, 0));
    m_doc.ClipPlanes().emplace_back("p8", 1, CPoint3(-100, 0, 0), CVec3(1, 0, 0));
    img = Frame();
    EXPECT_TRUE(IsBlank(img, qRgb(0, 0, 0)));  // all eight apply on this context
    m_renderer->LimitClipPlanes(6);
    img = Frame();
    EXPECT_EQ(At(img, -5, 0), QColor(255, 255, 255));
    EXPECT_EQ(At(img, 5, 0), QColor(0, 0, 0));
}

// Number of line segments the arc sends, counted in feedback mode.
int FeedbackSegments(CSceneRenderer& renderer, const CArc& arc) {
    std::vector<GLfloat> buffer(100000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    renderer.SetupProjection(true);
    renderer.SetupViewingTransform();
    renderer.DrawArc(arc, 0);
    const GLint n = glRenderMode(GL_RENDER);
    int lines = 0;
    for (GLint i = 0; i < n;) {
        const GLfloat token = buffer[static_cast<size_t>(i)];
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            ++lines;
            i += 7;
        } else if (token == GL_POINT_TOKEN) {
            i += 4;
        } else if (token == GL_POLYGON_TOKEN) {
            i += 2 + 3 * static_cast<GLint>(buffer[static_cast<size_t>(i) + 1]);
        } else {
            i += 2;  // pass-through and others
        }
    }
    return lines;
}

TEST_F(GLRender, ArcSegmentCounts) {
    CArc arc = *MakeArc({}, 5, 0, 1);
    EXPECT_EQ(FeedbackSegments(*m_renderer, arc), 8);
    // A full circle of 5 units at 10 px per unit: 2*pi*50/5 + 0.5 = 63.3 segments.
    arc.m_length = 360;
    EXPECT_EQ(FeedbackSegments(*m_renderer, arc), 63);
    // At 1000 px per unit the same circle would need 6283: capped at 300.
    m_camera.m_pixelsPerUnit = 1000;
    EXPECT_EQ(FeedbackSegments(*m_renderer, arc), 300);
}

TEST_F(GLRender, NothingAfterDeletingEveryEntity) {
    m_doc.AddEntity(MakeSquare(5, 0, 1, 0, 0));
    m_doc.AddEntity(MakePoint(7, 7, 0, 1, 1, 1));
    m_renderer->m_renderMode = 2;
    EXPECT_FALSE(IsBlank(Frame(), qRgb(0, 0, 0)));
    m_doc.DeleteAllEntities();
    m_renderer->RenderFrame();  // no rebuild asked: the stale list must not be drawn
    EXPECT_TRUE(IsBlank(m_gl.Image(), qRgb(0, 0, 0)));
}

TEST_F(GLRender, ListCompiledOnceAfterTheFirstFrameAndKeptWhileNavigating) {
    m_doc.AddEntity(MakePoint(1, 1, 0, 1, 1, 1));
    // A view made after its document loaded has no rebuild request, yet draws the scene; the
    // list comes after that frame.
    ASSERT_FALSE(m_renderer->IsRebuildPending());
    m_renderer->RenderFrame();
    EXPECT_EQ(At(m_gl.Image(), 1, 1), QColor(255, 255, 255));
    EXPECT_EQ(m_renderer->GetCompileCount(), 0);
    EXPECT_TRUE(m_renderer->IsListDeferred());
    m_renderer->CompileDeferredList();
    EXPECT_EQ(m_renderer->GetCompileCount(), 1);
    EXPECT_FALSE(m_renderer->IsRebuildPending());
    m_renderer->CompileDeferredList();  // nothing deferred any more
    m_camera.BeginDrag(100, 100);
    m_camera.DragPan(120, 100);
    m_renderer->RenderFrame();
    m_camera.Wheel(120);
    m_renderer->RenderFrame();
    EXPECT_EQ(m_renderer->GetCompileCount(), 1);
    // A pivot far from the target re-centres: drawn directly once, compiled at the next frame.
    m_camera.m_target = CPoint3(1e8, 0, 0);
    m_camera.m_eye = CPoint3(1e8, 0, 10);
    m_camera.UpdateViewMatrix();
    m_renderer->RenderFrame();
    EXPECT_EQ(m_renderer->GetCompileCount(), 1);
    m_renderer->RenderFrame();
    m_renderer->RenderFrame();
    EXPECT_EQ(m_renderer->GetCompileCount(), 2);
}

TEST_F(GLRender, ChangesInARowCompileOnlyOnceSettled) {
    m_doc.AddEntity(MakePoint(1, 1, 0, 1, 1, 1));
    for (int change = 0; change < 3; ++change) {
        m_doc.AddEntity(MakePoint(-1 - change, -1, 0, 1, 0, 0));
        m_renderer->InvalidateDisplayList();
        m_renderer->RenderFrame();
        EXPECT_EQ(At(m_gl.Image(), -1 - change, -1), QColor(255, 0, 0)) << change;
    }
    EXPECT_EQ(m_renderer->GetCompileCount(), 0);
    m_renderer->RenderFrame();
    EXPECT_EQ(m_renderer->GetCompileCount(), 1);
    EXPECT_FALSE(m_renderer->IsListDeferred());
    // Without display lists nothing is deferred or compiled.
    m_renderer->m_useDisplayList = false;
    m_renderer->InvalidateDisplayList();
    m_renderer->RenderFrame();
    EXPECT_FALSE(m_renderer->IsListDeferred());
    m_renderer->CompileDeferredList();
    EXPECT_EQ(m_renderer->GetCompileCount(), 1);
    EXPECT_EQ(At(m_gl.Image(), -3, -1), QColor(255, 0, 0));
}

// A perspective with a zero near plane shows the target, keeping the framing of the window; an
// orthographic view whose far plane is below one keeps the back.
TEST_F(GLRender, CameraEdgeValuesKeepThePicture) {
    m_doc.AddEntity(MakePoint(0, 0, 0, 1, 1, 1));
    m_doc.AddEntity(MakePoint(5, 5, 0, 1, 1, 1));
    m_camera.m_perspective = 1;
    m_camera.m_near = 0;
    const QImage img = Frame();  // Frame checks that GL accepted the frustum
    EXPECT_EQ(At(img, 0, 0), QColor(255, 255, 255));
    EXPECT_EQ(At(img, 5, 5), QColor(255, 255, 255));
    m_camera.m_perspective = 0;
    m_camera.m_eye = CPoint3(0, 0, 0.4);
    m_camera.m_far = 0.5;
    m_camera.UpdateViewMatrix();
    EXPECT_EQ(At(Frame(), 0, 0), QColor(255, 255, 255));
}

TEST_F(GLRender, PointNamesAndTextsUseTheStrokeFonts) {
    m_doc.AddEntity(Colored(MakeText("ŁÓDŹ", {-8, 0, 0}, 3), 1, 0, 0));
    QImage img = Frame();
    int red = 0;
    for (int x = 0; x < kSize; ++x) {
        for (int y = 60; y < 101; ++y) {
            red += img.pixelColor(x, y).red() > 128 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 20);  // strokes above the baseline
    EXPECT_TRUE(m_renderer->Fonts().HasLists());
    EXPECT_NE(m_renderer->Fonts().GetBase(0), m_renderer->Fonts().GetBase(3));
}

TEST_F(GLRender, SelectionOverlaysAndEditHandle) {
    m_doc.AddEntity(MakePoint(-5, 0, 0, 1, 1, 1));
    m_doc.AddEntity(MakeLine(CPoint3(0, -5, 0), CPoint3(0, 5, 0), 0, 1, 0));
    // The current pick is drawn highlighted (a point turns red) and only as an overlay.
    m_renderer->m_pickList = {0};
    m_renderer->m_currentPick = 0;
    QImage img = Frame();
    EXPECT_EQ(At(img, -5, 0), QColor(255, 0, 0));
    // A pick-list entity that is not the current pick keeps its colour.
    m_renderer->m_currentPick = -1;
    EXPECT_EQ(At(Frame(), -5, 0), QColor(255, 255, 255));
    // Vertex 1 of the highlighted polyline follows the cursor: the line now ends at (5, 5),
    // its vertices are marked, the moved one in red.
    m_renderer->m_pickList = {1};
    m_renderer->m_currentPick = 1;
    m_renderer->m_editHandle = 1;
    m_renderer->m_cursorPoint = CPoint3(5, 5, 0);
    img = Frame();
    EXPECT_EQ(At(img, 5, 5), QColor(255, 0, 0));
    EXPECT_EQ(At(img, 0, -5), QColor(64, 64, 255));
    EXPECT_EQ(At(img, 0, 3), QColor(0, 0, 0));  // the old end is gone
}

// The list holds the scene in runs of triangles, lines and points; Frame() checks that the
// first frame, drawn the same way without the list, matches it exactly. Drawing entity by entity
// without the list may differ only where runs reorder equal depths.
TEST_F(GLRender, ListAndDirectDrawingAgree) {
    for (int mode = 0; mode < 4; ++mode) {
        m_doc.DeleteAllEntities();
        // Long enough that the lines after it go out in a new slice: after a flush when drawn
        // directly, in a second list when compiled.
        auto zigzag = std::make_unique<CPoly>();
        for (int k = 0; k < 31000; ++k) {
            zigzag->AddVertex(CPoint3(-9.5 + k % 2, -9.5 + k * 0.0004, 0.2));
        }
        zigzag->m_color[0] = zigzag->m_color[2] = 1;
        m_doc.AddEntity(std::move(zigzag));
        m_doc.AddEntity(MakeSquare(5, 0, 1, 0, 0));
        m_doc.AddEntity(MakeLine(CPoint3(-8, -8, 1), CPoint3(8, 3, -1), 0, 1, 0));
        std::vector<CPoint3> strip;
        for (int k = 0; k < 20; ++k) {
            strip.emplace_back(-9 + k * 0.9, 7 + (k % 2), 0.5);
        }
        m_doc.AddEntity(Colored(MakePoly(strip), 0, 0, 1));
        m_doc.AddEntity(Colored(MakeArc({}, 3), 1, 1, 0));
        m_doc.AddEntity(MakePoint(-7, -3, 0, 1, 1, 1));
        m_doc.AddEntity(Colored(MakeText("AV", {2, -9, 0}, 2), 0, 1, 0));
        m_renderer->m_renderMode = mode;
        m_renderer->m_useDisplayList = true;
        const QImage listed = Frame();
        m_renderer->m_useDisplayList = false;
        const QImage direct = Frame();
        int differing = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                differing += listed.pixel(x, y) != direct.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_LE(differing, 4) << "mode " << mode;
        EXPECT_FALSE(IsBlank(listed, qRgb(0, 0, 0)));
    }
}

// --- tavcli render against stored images ---

std::string DataPath(const std::string& name) {
    return std::string(TAV_SOURCE_DIR) + "/tests/view/gl/data/" + name;
}

// Largest channel difference over the image; -1 when the sizes differ.
int MaxDifference(const QImage& a, const QImage& b, int& differing) {
    differing = 0;
    if (a.size() != b.size()) {
        return -1;
    }
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            worst = std::max(worst, d);
            differing += d > 8 ? 1 : 0;
        }
    }
    return worst;
}

// A small drawing with every entity kind, saved with a tilted camera into dir.
std::string WriteSampleDocument(const CTempDir& dir) {
    CTAVDoc doc;
    doc.AddEntity(MakeSquare(4, 0, 0.9, 0.5, 0.1));
    auto wall = Colored(MakePoly({{-4, 4, 0}, {4, 4, 0}, {4, 4, 4}, {-4, 4, 4}}, 1), 0, 0, 1);
    wall->ComputePlane();
    wall->Tessellate();
    doc.AddEntity(std::move(wall));
    doc.AddEntity(MakeLine(CPoint3(-6, -6, 1), CPoint3(6, 6, 1), 1, 1, 1));
    doc.AddEntity(Colored(MakeArc({0, 0, 2}, 3, 30, 270), 0, 1, 0));
    doc.AddEntity(Colored(MakeText("TAV", {-3, -3, 0.1}, 1.5), 1, 1, 0));
    doc.AddEntity(Colored(MakePnt({5, -5, 0}, "P1"), 1, 0, 1));
    doc.RecomputeExtents();
    CViewState view;
    view.eye = CPoint3(12, -16, 14);
    view.target = CPoint3(0, 0, 1);
    view.clientWidth = 160;
    view.clientHeight = 120;
    view.windowLeft = -10;
    view.windowRight = 10;
    view.windowBottom = -7.5;
    view.windowTop = 7.5;
    view.nearPlane = 0;
    view.farPlane = 60;
    view.targetMarker = 1;
    doc.SetViewState(view);
    EXPECT_TRUE(doc.OnSaveDocument(dir.File("sample.tav")));
    return dir.File("sample.tav");
}

TEST(TavCliRender, MatchesStoredImage) {
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        CTempDir dir;
        const std::string doc = WriteSampleDocument(dir);
        const std::string name = "render_mode" + std::to_string(mode);
        const std::string got = dir.File(name + ".png");
        std::ostringstream out, err;
        ASSERT_EQ(RunTavCli({"render", doc, "-o", got, "--mode", std::to_string(mode), "--names"},
                            out, err),
                  kExitOk)
            << err.str();
        const QImage image =
            QImage(QString::fromStdString(got)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(160, 120));
        const std::string baseline = DataPath(name + ".png");
        if (qEnvironmentVariableIsSet("TAV_UPDATE_BASELINES")) {
            image.save(QString::fromStdString(baseline));
        }
        const QImage expected =
            QImage(QString::fromStdString(baseline)).convertToFormat(QImage::Format_RGB32);
        int differing = 0;
        const int worst = MaxDifference(image, expected, differing);
        // Rasterisers may differ at a few edge pixels.
        const bool same = worst >= 0 && differing <= 40;
        if (!same) {
            image.save(QString::fromStdString(DataPath(name + ".got.png")));
        }
        EXPECT_TRUE(same) << "worst channel difference " << worst << ", " << differing
                          << " pixels differ; got image saved beside " << baseline;
    }
}

TEST(TavCliRenderArgs, SizeAndFitChangeThePicture) {
    CTempDir dir;
    const std::string doc = WriteSampleDocument(dir);
    const std::string got = dir.File("fit.png");
    std::ostringstream out, err;
    ASSERT_EQ(
        RunTavCli({"render", doc, "-o", got, "--size", "90x70", "--fit", "--white"}, out, err),
        kExitOk)
        << err.str();
    const QImage image(QString::fromStdString(got));
    EXPECT_EQ(image.size(), QSize(90, 70));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255));
    // A missing file is refused with the reader's report.
    std::ostringstream err2;
    EXPECT_EQ(RunTavCli({"render", "/nonexistent/x.tav", "-o", got}, out, err2), kExitRefused);
    EXPECT_FALSE(err2.str().empty());
}

}  // namespace
