#include "view/gl/PrintPasses.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "document/Cp1250.h"
#include "document/Entity.h"
#include "document/StrokeFont.h"
#include "document/TAVDoc.h"
#include "printing/core/PrintLayout.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/SceneRenderer.h"

static_assert(kFeedbackPassThrough == GL_PASS_THROUGH_TOKEN && kFeedbackPoint == GL_POINT_TOKEN &&
              kFeedbackLine == GL_LINE_TOKEN && kFeedbackPolygon == GL_POLYGON_TOKEN &&
              kFeedbackLineReset == GL_LINE_RESET_TOKEN);

namespace {

// Coordinates beyond this are not sent to GL (they would be infinite as floats).
constexpr double kMaxGlCoordinate = 1e30;

// A line strip that breaks where a vertex cannot be drawn.
class CStrip {
public:
    ~CStrip() { End(); }
    void Vertex(double x, double y, double z) {
        if (!(std::fabs(x) < kMaxGlCoordinate) || !(std::fabs(y) < kMaxGlCoordinate) ||
            !(std::fabs(z) < kMaxGlCoordinate)) {
            End();
            return;
        }
        if (!m_open) {
            glBegin(GL_LINE_STRIP);
            m_open = true;
        }
        glVertex3d(x, y, z);
    }
    void End() {
        if (m_open) {
            glEnd();
            m_open = false;
        }
    }

private:
    bool m_open = false;
};

void EntityColor(const CEntity& e) {
    double c[3];
    for (int i = 0; i < 3; ++i) {
        c[i] = std::isfinite(e.m_color[i]) ? std::clamp(e.m_color[i], 0.0, 1.0) : 0.0;
    }
    glColor3d(c[0], c[1], c[2]);
}

bool Finite(const CPoint3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Codes [first, end) of a stroke text in its plane frame, starting advance font units in.
void DrawCodes(const CStrokeFont& fonts, const std::string& codes, const SCaptureItem& item,
               const CPoint3& local, const CVec3& axis, double rotation, double height, int font) {
    if (!Finite(local) || !std::isfinite(height) || !std::isfinite(rotation) ||
        !std::isfinite(item.advance) || std::fabs(height) > kMaxGlCoordinate) {
        return;
    }
    const int64_t end = std::min<int64_t>(item.end, static_cast<int64_t>(codes.size()));
    if (item.first >= end) {
        return;
    }
    CMatrix4 frame;
    frame.SetArbitraryAxisFrame(local, axis, rotation);
    GLdouble m[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m[c * 4 + r] = frame.m[r][c];
        }
    }
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixd(m);
    glScaled(height, height, height);
    glTranslated(item.advance, 0.0, 0.0);
    glListBase(fonts.GetBase(font));
    glCallLists(static_cast<GLsizei>(end - item.first), GL_UNSIGNED_BYTE,
                codes.data() + item.first);
    glPopMatrix();
}

}  // namespace

CPrintGL::CPrintGL(const CTAVDoc& doc, CCamera& pageCamera) : m_doc(doc), m_camera(pageCamera) {}

CPrintGL::~CPrintGL() {
    End();
}

bool CPrintGL::Begin(const SOptions& options) {
    End();
    m_gl = std::make_unique<COffscreenGL>();
    std::string error;
    bool created = false;
    if (options.raster) {
        // The largest band the context allows, within a few tens of MB.
        for (int side = std::max(64, options.tileSide); side >= 64 && !created; side /= 2) {
            created = m_gl->Create(side, side, error);
            if (created && m_gl->MakeCurrent()) {
                GLint dims[2] = {0, 0};
                glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
                m_gl->DoneCurrent();
                if (dims[0] > 0 && dims[1] > 0 && (side > dims[0] || side > dims[1])) {
                    created = false;
                    m_gl = std::make_unique<COffscreenGL>();
                    continue;
                }
                m_tileSide = side;
            }
        }
    } else {
        created = m_gl->Create(16, 16, error);  // feedback draws nothing into it
    }
    if (!created || !m_gl->MakeCurrent()) {
        m_gl.reset();
        return false;
    }
    m_renderer = std::make_unique<CSceneRenderer>(m_camera);
    m_renderer->SetDocument(&m_doc);
    m_renderer->m_renderMode = std::clamp(options.renderMode, 0, 3);
    m_renderer->m_whiteBackground = options.whiteBackground;
    m_renderer->m_showNames = options.showNames ? 1 : 0;
    m_renderer->m_useDisplayList = true;
    if (options.raster) {
        m_renderer->m_pickList = options.pickList;
        m_renderer->m_currentPick = options.currentPick;
    }
    m_renderer->InitializeGL();
    m_gl->DoneCurrent();
    return true;
}

void CPrintGL::End() {
    if (m_gl && m_renderer && m_gl->MakeCurrent()) {
        m_renderer->ReleaseGL();
        m_gl->DoneCurrent();
    }
    m_renderer.reset();
    m_gl.reset();
}

int64_t CPrintGL::Capture(const std::vector<SCaptureItem>& items, size_t begin, size_t end,
                          std::vector<float>& buffer, int cx, int cy, const SCaptureStyle& style) {
    if (!m_gl || !m_renderer || !m_gl->MakeCurrent()) {
        return -2;
    }
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    cx = std::min(std::max(1, cx), dims[0] > 0 ? dims[0] : 16384);
    cy = std::min(std::max(1, cy), dims[1] > 0 ? dims[1] : 16384);
    glViewport(0, 0, cx, cy);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_STIPPLE);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    // Projection, the page's model-view and the clipping planes in its eye coordinates.
    m_renderer->SetupProjection(true);
    m_renderer->SetupViewingTransform();
    m_renderer->ApplyClipPlanes();
    for (size_t i = begin; i < end && i < items.size(); ++i) {
        DrawItem(items[i], style);
    }
    const GLint count = glRenderMode(GL_RENDER);
    glFlush();
    m_gl->DoneCurrent();
    return count < 0 ? -1 : count;
}

QImage CPrintGL::RenderBand(int vw, int vh, float lineWidth, float pointSize) {
    if (!m_gl || !m_renderer || !m_gl->MakeCurrent()) {
        return {};
    }
    m_renderer->m_pointSize = pointSize;
    glViewport(0, 0, vw, vh);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glDepthFunc(GL_LEQUAL);
    glLineWidth(lineWidth);
    m_renderer->RenderFrame();
    QImage image = m_gl->Image();
    m_gl->DoneCurrent();
    return image;
}

void CPrintGL::DrawItem(const SCaptureItem& item, const SCaptureStyle& style) {
    if (item.entity < 0 || item.entity >= m_doc.GetEntityCount()) {
        return;
    }
    const CEntity& e = *m_doc.GetEntity(item.entity);
    const CVec3 pivot = m_camera.m_pivot;
    EntityColor(e);
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline: {
            const CPoly& poly = static_cast<const CPoly&>(e);
            const int64_t n = static_cast<int64_t>(poly.m_vertices.size());
            if (n == 0) {
                return;
            }
            // Segments [first, end): vertices first..end, the last one wrapping to the first
            // for polygons and for polylines with their marker set.
            CStrip strip;
            for (int64_t j = item.first; j <= item.end; ++j) {
                const CPoint3& v = poly.m_vertices[static_cast<size_t>(j % n)];
                strip.Vertex(v.x - pivot.x, v.y - pivot.y, v.z - pivot.z);
            }
            break;
        }
        case kTypeArc: {
            const CArc& arc = static_cast<const CArc&>(e);
            if (!Finite(arc.m_center) || !std::isfinite(arc.m_radius) ||
                !std::isfinite(arc.m_start) || !std::isfinite(arc.m_length)) {
                return;
            }
            CMatrix4 frame;
            frame.SetArbitraryAxisFrame(arc.m_center - pivot, arc.m_axis, 0.0);
            const int n = PrintArcSegmentCount(arc.m_radius, m_camera.m_pixelsPerUnit, arc.m_length,
                                               style.dpiX, style.preview);
            CStrip strip;
            for (int i = 0; i <= n; ++i) {
                const double a = (arc.m_start + arc.m_length * i / n) * kDegToRad;
                const CPoint3 p =
                    CPoint3(arc.m_radius * std::cos(a), arc.m_radius * std::sin(a), 0.0)
                        .TransformedBy(frame);
                strip.Vertex(p.x, p.y, p.z);
            }
            break;
        }
        case kTypeText: {
            const CText& t = static_cast<const CText&>(e);
            DrawCodes(m_renderer->Fonts(), Utf8ToCp1250(t.m_text), item, t.m_position - pivot,
                      t.m_axis, t.m_rotation, t.m_height, t.m_font);
            break;
        }
        case kTypePoint: {
            const CPnt& pnt = static_cast<const CPnt&>(e);
            const CPoint3 local = pnt.m_point - pivot;
            if (item.points > 0 && Finite(local) && std::fabs(local.x) < kMaxGlCoordinate &&
                std::fabs(local.y) < kMaxGlCoordinate && std::fabs(local.z) < kMaxGlCoordinate) {
                glBegin(GL_POINTS);
                glVertex3d(local.x, local.y, local.z);
                glEnd();
            }
            if (style.showNames && !pnt.m_name.empty()) {
                // The name faces the eye at 2 % of the visible height, as on screen.
                CVec3 axis = m_camera.m_eye - m_camera.m_target;
                axis.Normalize();
                const double height =
                    (m_camera.m_top - m_camera.m_bottom) * m_camera.m_scale * 0.02;
                DrawCodes(m_renderer->Fonts(), Utf8ToCp1250(pnt.m_name), item, local, axis,
                          360.0 - m_camera.m_spinAngle, height, 3);
            }
            break;
        }
        default:
            break;
    }
}
