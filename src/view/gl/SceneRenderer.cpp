#include "view/gl/SceneRenderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

#ifndef GL_DEPTH_CLAMP
#define GL_DEPTH_CLAMP 0x864F
#endif

// Depth clamping is core from OpenGL 3.2 and an extension before.
bool HasDepthClamp() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (version != nullptr && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 3 || (major == 3 && minor >= 2))) {
        return true;
    }
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return ext != nullptr &&
           (std::strstr(ext, "GL_ARB_depth_clamp") || std::strstr(ext, "GL_NV_depth_clamp"));
}

// Column-major copy of a row-major matrix for glLoadMatrixd / glMultMatrixd.
void ToGL(const CMatrix4& m, GLdouble out[16]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out[c * 4 + r] = m.m[r][c];
        }
    }
}

bool IsWhite(const double c[3]) {
    return c[0] == 1.0 && c[1] == 1.0 && c[2] == 1.0;
}

// Vertices per slice of the scene: drawn directly, a slice ends with glFlush; compiled, it ends
// its list, and the lists are called with glFlush in between. llvmpipe bins a scene up to 36 MB
// before it rasterises and frees that memory afterwards; the C library hands such a heap top back
// to the kernel, and the pages faulted in again cost as much as the drawing. Flushed slices keep
// the binning memory small and reused.
constexpr int kSliceVertices = 30000;

// Line strips from this many vertices keep their own glBegin: as separate lines they would send
// almost every vertex twice, and the vertex work dominates the frame. Shorter strips (polygon
// outlines) stay in the run, where a primitive of their own would cost more than it saves.
constexpr size_t kStripVertices = 16;

// Angle in degrees, 0..360, of a world point in the XY plane of frame.
double AngleInFrameXY(const CMatrix4& frame, const CPoint3& p) {
    CMatrix4 inv = frame;
    inv.Invert();
    const CPoint3 q = p.TransformedBy(inv);
    double a = std::atan2(q.y, q.x) * kRadToDeg;
    return a < 0.0 ? a + 360.0 : a;
}

}  // namespace

void CSceneRenderer::InitializeGL() {
    const GLfloat k = m_whiteBackground ? 1.0f : 0.0f;
    glClearColor(k, k, k, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    m_fonts.BuildFontLists();
    glDepthFunc(GL_LEQUAL);
    glPointSize(m_pointSize);
    GLint planes = 6;
    glGetIntegerv(GL_MAX_CLIP_PLANES, &planes);
    m_depthClamp = HasDepthClamp();
    m_glClipPlanes = std::max(0, static_cast<int>(planes));
    m_maxClipPlanes = m_glClipPlanes;
    if (m_clipPlaneLimit >= 0) {
        m_maxClipPlanes = std::min(m_maxClipPlanes, m_clipPlaneLimit);
    }
}

void CSceneRenderer::ReleaseGL() {
    DeleteSceneLists();
    m_fonts.FreeFontLists();
    m_rebuildList = true;
    m_listDeferred = false;
}

void CSceneRenderer::LimitClipPlanes(int limit) {
    m_clipPlaneLimit = limit;
    m_maxClipPlanes = limit < 0 ? m_glClipPlanes : std::min(m_glClipPlanes, limit);
}

void CSceneRenderer::SetupProjection(bool reset) {
    const double s = m_camera.m_scale;
    SetupProjection(m_camera.m_left * s, m_camera.m_right * s, m_camera.m_bottom * s,
                    m_camera.m_top * s, reset);
}

void CSceneRenderer::SetupProjection(double l, double r, double b, double t, bool reset) {
    glMatrixMode(GL_PROJECTION);
    if (reset) {
        glLoadIdentity();
    }
    const CProjectionBox p = m_camera.Projection(l, r, b, t);
    if (p.perspective) {
        glFrustum(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
    } else {
        glOrtho(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
    }
    glMatrixMode(GL_MODELVIEW);
}

void CSceneRenderer::SetupViewingTransform() {
    GLdouble m[16];
    ToGL(m_camera.ModelViewMatrix(), m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(m);
}

void CSceneRenderer::ApplyClipPlanes() {
    for (int i = 0; i < m_glClipPlanes; ++i) {
        glDisable(GL_CLIP_PLANE0 + static_cast<GLenum>(i));
    }
    if (m_doc == nullptr) {
        return;
    }
    int used = 0;
    for (int i = 0; i < m_doc->GetClipPlaneCount() && used < m_maxClipPlanes; ++i) {
        const CClipPlane& plane = m_doc->GetClipPlane(i);
        if (!plane.m_active) {
            continue;
        }
        CClipPlane local(plane.m_point - m_camera.m_pivot, plane.m_normal);
        double eq[4];
        local.GetEquation(eq);
        const GLenum id = GL_CLIP_PLANE0 + static_cast<GLenum>(used++);
        glClipPlane(id, eq);
        glEnable(id);
    }
}

void CSceneRenderer::ApplyLighting() {
    for (int i = 0; i < 8; ++i) {
        glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDepthFunc(GL_LEQUAL);
    if (m_renderMode != 3) {
        return;
    }
    const CVec3 pos =
        (m_camera.m_eye - m_camera.m_pivot).AsVec() + (m_camera.m_eye - m_camera.m_target);
    const GLfloat ambient[4] = {0, 0, 0, 1};
    const GLfloat one[4] = {1, 1, 1, 1};
    const GLfloat position[4] = {static_cast<GLfloat>(pos.x), static_cast<GLfloat>(pos.y),
                                 static_cast<GLfloat>(pos.z), 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, one);
    glLightfv(GL_LIGHT0, GL_SPECULAR, one);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, one);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 100.0f);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glShadeModel(GL_SMOOTH);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDepthFunc(GL_LESS);
}

void CSceneRenderer::RenderFrame() {
    const GLfloat k = m_whiteBackground ? 1.0f : 0.0f;
    glClearColor(k, k, k, k);
    // The far distance is not a depth value: clear to the back of the depth range.
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    SetupProjection(true);
    if (m_camera.RecentrePivot()) {
        InvalidateDisplayList();
    }
    SetupViewingTransform();
    ApplyClipPlanes();
    ApplyLighting();

    const bool hasScene = m_doc != nullptr && m_doc->GetEntityCount() > 0;
    if (!hasScene) {
        DeleteSceneLists();     // an emptied drawing keeps no stale list
        m_rebuildList = false;  // nothing to compile
        m_listDeferred = false;
    }
    glDisable(GL_LINE_STIPPLE);
    // Set on every frame: printing changes the size between frames.
    glPointSize(m_pointSize);
    if (hasScene && !m_useDisplayList) {
        DrawScene();
    } else if (hasScene) {
        // A view created after its document loaded has no list yet: it is due then too.
        const bool due = m_rebuildList || m_sceneLists.empty();
        if (due && !m_listDeferred) {
            // A compile costs several frames: show the change at once, compile afterwards.
            DrawSceneStreamed();
            m_rebuildList = true;
            m_listDeferred = true;
        } else if (due && !CompileList()) {
            DrawSceneStreamed();  // no list name left
        } else {
            for (unsigned int list : m_sceneLists) {
                glCallList(list);
                glFlush();
            }
        }
    }
    DrawOverlays();
    glFlush();
    glFinish();
}

void CSceneRenderer::RenderWidgetFrame(int width, int height) {
    glViewport(0, 0, width, height);
    // The painter's engine may have changed these since the last frame.
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_SCISSOR_TEST);
    RenderFrame();
    glGetError();
}

void CSceneRenderer::CompileDeferredList() {
    if (m_listDeferred && m_useDisplayList && m_doc != nullptr && m_doc->GetEntityCount() > 0) {
        CompileList();
    }
}

bool CSceneRenderer::CompileList() {
    DeleteSceneLists();
    const GLuint first = glGenLists(1);
    if (first == 0) {
        return false;
    }
    m_sceneLists.push_back(first);
    m_compiling = true;
    glNewList(first, GL_COMPILE);
    DrawSceneStreamed();
    glEndList();
    m_compiling = false;
    ++m_compileCount;
    m_rebuildList = false;
    m_listDeferred = false;
    return true;
}

bool CSceneRenderer::IsDrawable(int index) const {
    return m_doc != nullptr && index >= 0 && index < m_doc->GetEntityCount();
}

void CSceneRenderer::DrawScene() {
    if (m_doc == nullptr) {
        return;
    }
    ForgetState();
    const int count = m_doc->GetEntityCount();
    m_excluded.assign(static_cast<size_t>(count), 0);
    for (const std::vector<int>* list : {&m_pickList, &m_multiSelection}) {
        for (int i : *list) {
            if (i >= 0 && i < count) {
                m_excluded[static_cast<size_t>(i)] = 1;
            }
        }
    }
    const int layers = m_doc->GetLayerCount();
    for (int i = 0; i < count; ++i) {
        if (m_excluded[static_cast<size_t>(i)]) {
            continue;
        }
        const CEntity* e = m_doc->GetEntity(i);
        if (e->m_layer >= 0 && e->m_layer < layers && !m_doc->GetLayer(e->m_layer).m_visible) {
            continue;
        }
        if (m_pass == EPass::kImmediate) {
            glLoadName(static_cast<GLuint>(i));
        }
        e->Draw(*this, 0);
    }
}

void CSceneRenderer::DrawEntities(const std::vector<int>& indices) {
    if (m_doc == nullptr) {
        return;
    }
    ForgetState();
    const int count = m_doc->GetEntityCount();
    const int layers = m_doc->GetLayerCount();
    auto selected = [this](int i) {
        return std::binary_search(m_pickList.begin(), m_pickList.end(), i) ||
               std::binary_search(m_multiSelection.begin(), m_multiSelection.end(), i);
    };
    for (int i : indices) {
        if (i < 0 || i >= count || selected(i)) {
            continue;
        }
        const CEntity* e = m_doc->GetEntity(i);
        if (e->m_layer >= 0 && e->m_layer < layers && !m_doc->GetLayer(e->m_layer).m_visible) {
            continue;
        }
        glLoadName(static_cast<GLuint>(i));
        e->Draw(*this, 0);
    }
}

void CSceneRenderer::DrawOverlays() {
    ForgetState();
    if (m_depthClamp) {
        glEnable(GL_DEPTH_CLAMP);
    }
    for (int i : m_pickList) {
        if (IsDrawable(i)) {
            m_doc->GetEntity(i)->Draw(*this, i == m_currentPick ? 1 : 0);
        }
    }
    for (int i : m_multiSelection) {
        if (IsDrawable(i)) {
            m_doc->GetEntity(i)->Draw(*this, 1);
        }
    }
    if (m_tempEntity != nullptr && m_depthClamp) {
        m_tempEntity->Draw(*this, 1);
    } else if (m_tempEntity != nullptr) {
        // Without clamping: a depth range far beyond anything on the screen, and no depth test,
        // whose values would not compare with the scene's anyway.
        const double s = m_camera.m_scale;
        CProjectionBox p = m_camera.Projection(m_camera.m_left * s, m_camera.m_right * s,
                                               m_camera.m_bottom * s, m_camera.m_top * s);
        const double reach = 1e6 * std::max(1.0, p.farPlane - p.nearPlane);
        p.farPlane += reach;
        if (!p.perspective) {
            p.nearPlane -= reach;
        }
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        if (p.perspective) {
            glFrustum(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
        } else {
            glOrtho(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
        }
        glMatrixMode(GL_MODELVIEW);
        glDisable(GL_DEPTH_TEST);
        m_tempEntity->Draw(*this, 1);
        glEnable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    if (m_depthClamp) {
        glDisable(GL_DEPTH_CLAMP);
    }
}

void CSceneRenderer::SetEntityColor(const CEntity& e) {
    if (m_whiteBackground && IsWhite(e.m_color)) {
        Color(0.0, 0.0, 0.0);
    } else {
        Color(e.m_color[0], e.m_color[1], e.m_color[2]);
    }
}

void CSceneRenderer::SetBackgroundColor() {
    const double k = m_whiteBackground ? 1.0 : 0.0;
    Color(k, k, k);
}

void CSceneRenderer::Vertex(const CPoint3& p) {
    VertexLocal(p.x - m_camera.m_pivot.x, p.y - m_camera.m_pivot.y, p.z - m_camera.m_pivot.z);
}

void CSceneRenderer::VertexLocal(double x, double y, double z) {
    if (m_pass == EPass::kImmediate) {
        const GLdouble v[3] = {x, y, z};
        glVertex3dv(v);
        return;
    }
    if (!m_primWanted) {
        return;
    }
    SBatchVertex v;
    v.p[0] = static_cast<float>(x);
    v.p[1] = static_cast<float>(y);
    v.p[2] = static_cast<float>(z);
    for (int i = 0; i < 3; ++i) {
        v.c[i] = m_color[i];
        v.n[i] = m_normal[i];
    }
    m_prim.push_back(v);
}

void CSceneRenderer::Color(double r, double g, double b) {
    m_color[0] = static_cast<float>(r);
    m_color[1] = static_cast<float>(g);
    m_color[2] = static_cast<float>(b);
    if (m_pass == EPass::kImmediate) {
        glColor3d(r, g, b);
    }
}

void CSceneRenderer::Normal(double x, double y, double z) {
    m_normal[0] = static_cast<float>(x);
    m_normal[1] = static_cast<float>(y);
    m_normal[2] = static_cast<float>(z);
    if (m_pass == EPass::kImmediate) {
        glNormal3d(x, y, z);
    }
}

CSceneRenderer::EPass CSceneRenderer::PassFor(unsigned int mode) {
    switch (mode) {
        case GL_POINTS:
            return EPass::kPoints;
        case GL_LINES:
        case GL_LINE_STRIP:
        case GL_LINE_LOOP:
            return EPass::kLines;
        case GL_TRIANGLES:
        case GL_TRIANGLE_FAN:
        case GL_TRIANGLE_STRIP:
        case GL_QUADS:
        case GL_POLYGON:
            return EPass::kTriangles;
        default:
            return EPass::kStates;  // drawn by no pass
    }
}

unsigned int CSceneRenderer::PassMode(EPass pass) {
    return pass == EPass::kTriangles ? GL_TRIANGLES : pass == EPass::kLines ? GL_LINES : GL_POINTS;
}

void CSceneRenderer::BeginPrim(unsigned int mode) {
    if (m_pass == EPass::kImmediate) {
        glBegin(mode);
        return;
    }
    const EPass pass = PassFor(mode);
    if (m_pass == EPass::kStates) {
        m_passKinds |= 1u << static_cast<int>(pass);
    }
    m_primMode = mode;
    m_primWanted = pass != EPass::kStates && pass == m_pass;
    m_prim.clear();
}

void CSceneRenderer::Put(const SBatchVertex& v) {
    if (!m_colorSent || m_sentColor[0] != v.c[0] || m_sentColor[1] != v.c[1] ||
        m_sentColor[2] != v.c[2]) {
        glColor3fv(v.c);
        std::copy(v.c, v.c + 3, m_sentColor);
        m_colorSent = true;
    }
    if (m_renderMode == 3) {
        glNormal3fv(v.n);
    }
    glVertex3fv(v.p);
}

void CSceneRenderer::EndPrim() {
    if (m_pass == EPass::kImmediate) {
        glEnd();
        return;
    }
    if (!m_primWanted) {
        return;
    }
    m_primWanted = false;
    const std::vector<SBatchVertex>& v = m_prim;
    const size_t n = v.size();
    if ((m_primMode == GL_LINE_STRIP || m_primMode == GL_LINE_LOOP) && n >= kStripVertices) {
        glEnd();
        glBegin(m_primMode);
        for (const SBatchVertex& p : v) {
            Put(p);
        }
        glEnd();
        glBegin(GL_LINES);
    } else {
        PutSeparate();
    }
    if ((m_sliceVertices += static_cast<int>(n)) >= kSliceVertices) {
        NextSlice();
    }
    m_prim.clear();
}

void CSceneRenderer::PutSeparate() {
    const std::vector<SBatchVertex>& v = m_prim;
    const size_t n = v.size();
    switch (m_primMode) {
        case GL_POINTS:
            for (const SBatchVertex& p : v) {
                Put(p);
            }
            break;
        case GL_LINES:
            for (size_t i = 0; i + 1 < n; i += 2) {
                Put(v[i]);
                Put(v[i + 1]);
            }
            break;
        case GL_LINE_STRIP:
        case GL_LINE_LOOP:
            for (size_t i = 1; i < n; ++i) {
                Put(v[i - 1]);
                Put(v[i]);
            }
            if (m_primMode == GL_LINE_LOOP && n > 1) {
                Put(v[n - 1]);
                Put(v[0]);
            }
            break;
        case GL_TRIANGLES:
            for (size_t i = 0; i + 2 < n; i += 3) {
                Put(v[i]);
                Put(v[i + 1]);
                Put(v[i + 2]);
            }
            break;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (size_t i = 2; i < n; ++i) {
                Put(v[0]);
                Put(v[i - 1]);
                Put(v[i]);
            }
            break;
        case GL_TRIANGLE_STRIP:
            for (size_t i = 2; i < n; ++i) {
                Put(v[i % 2 == 0 ? i - 2 : i - 1]);
                Put(v[i % 2 == 0 ? i - 1 : i - 2]);
                Put(v[i]);
            }
            break;
        case GL_QUADS:
            for (size_t i = 3; i < n; i += 4) {
                for (size_t k : {i - 3, i - 2, i - 1, i - 3, i - 1, i}) {
                    Put(v[k]);
                }
            }
            break;
        default:
            break;
    }
}

void CSceneRenderer::NextSlice() {
    glEnd();
    if (!m_compiling) {
        glFlush();
    } else if (const GLuint next = glGenLists(1); next != 0) {
        glEndList();
        glNewList(next, GL_COMPILE);
        m_sceneLists.push_back(next);
    }
    glBegin(PassMode(m_pass));
    m_sliceVertices = 0;
}

void CSceneRenderer::DeleteSceneLists() {
    for (unsigned int list : m_sceneLists) {
        glDeleteLists(list, 1);
    }
    m_sceneLists.clear();
}

void CSceneRenderer::DrawSceneStreamed() {
    float color[3];
    std::copy(m_color, m_color + 3, color);
    const float up[3] = {0.0f, 0.0f, 1.0f};
    // States and texts first: they cannot go between glBegin and glEnd. This pass also notes
    // which kinds of primitive the scene has.
    m_pass = EPass::kStates;
    m_passKinds = 0;
    std::copy(up, up + 3, m_normal);
    DrawScene();
    for (EPass pass : {EPass::kTriangles, EPass::kLines, EPass::kPoints}) {
        if ((m_passKinds & (1u << static_cast<int>(pass))) == 0) {
            continue;
        }
        // Every pass sees the colours and normals in the order the states pass saw them.
        m_pass = pass;
        std::copy(color, color + 3, m_color);
        std::copy(up, up + 3, m_normal);
        m_colorSent = false;
        m_sliceVertices = 0;
        glBegin(PassMode(pass));
        DrawScene();
        glEnd();
    }
    m_pass = EPass::kImmediate;
    ForgetState();
}

void CSceneRenderer::Stipple(bool on) {
    const int state = on ? 1 : 0;
    if (!SendsStates() || m_stippleState == state) {
        return;  // lists of large drawings stay long runs of vertices without state changes
    }
    if (on) {
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, kHighlightStipple);
    } else {
        glDisable(GL_LINE_STIPPLE);
    }
    m_stippleState = state;
}

void CSceneRenderer::ForgetState() {
    m_stippleState = -1;
    m_fillState = -1;
}

CPoint3 CSceneRenderer::CursorOnPlane(const CPoint3& point, const CVec3& normal) const {
    CPoint3 hit = m_cursorPoint;
    m_cursorPoint.LineIntersectPlane(point, normal, m_camera.m_eye - m_camera.m_target, hit);
    return hit;
}

void CSceneRenderer::DrawPnt(const CPnt& pnt, int highlighted) {
    Stipple(false);
    if (highlighted) {
        Color(1.0, 0.0, 0.0);
    } else {
        SetEntityColor(pnt);
    }
    BeginPrim(GL_POINTS);
    Vertex(pnt.m_point);
    EndPrim();
    if (highlighted && m_editHandle == 1) {
        SetEntityColor(pnt);
        BeginPrim(GL_POINTS);
        Vertex(m_cursorPoint);
        EndPrim();
        Stipple(true);
        Color(0.25, 0.25, 1.0);
        BeginPrim(GL_LINES);
        Vertex(pnt.m_point);
        Vertex(m_cursorPoint);
        EndPrim();
        Stipple(false);
    }
    if (m_showNames && !pnt.m_name.empty()) {
        // The name faces the eye at 2 % of the visible height.
        CText name;
        name.m_color[0] = pnt.m_color[0];
        name.m_color[1] = pnt.m_color[1];
        name.m_color[2] = pnt.m_color[2];
        name.m_layer = pnt.m_layer;
        name.m_text = pnt.m_name;
        name.m_position = pnt.m_point;
        name.m_height = (m_camera.m_top - m_camera.m_bottom) * m_camera.m_scale * 0.02;
        name.m_rotation = 360.0 - m_camera.m_spinAngle;
        name.m_axis = m_camera.m_eye - m_camera.m_target;
        name.m_axis.Normalize();
        name.m_font = 3;
        const int handle = m_editHandle;
        m_editHandle = -1;  // the name is not being edited
        DrawText(name, highlighted);
        m_editHandle = handle;
    }
}

void CSceneRenderer::VertexMarkers(const CPoly& poly, int handle) {
    Stipple(false);
    Color(0.25, 0.25, 1.0);
    BeginPrim(GL_POINTS);
    for (int j = 0; j < poly.GetVertexCount(); ++j) {
        if (j != handle) {
            Vertex(poly.m_vertices[static_cast<size_t>(j)]);
        }
    }
    EndPrim();
    if (handle >= 0 && handle < poly.GetVertexCount()) {
        Color(1.0, 0.0, 0.0);
        BeginPrim(GL_POINTS);
        Vertex(m_cursorPoint);
        EndPrim();
    }
}

void CSceneRenderer::DrawPoly(const CPoly& poly, int highlighted) {
    const int n = poly.GetVertexCount();
    const int h = highlighted ? m_editHandle : -1;
    const bool validHandle = h >= 0 && h < n;
    auto vertex = [&](int j) {
        Vertex(validHandle && j == h ? m_cursorPoint : poly.m_vertices[static_cast<size_t>(j)]);
    };

    if (!poly.m_closed) {
        Stipple(highlighted != 0);
        SetEntityColor(poly);
        BeginPrim(GL_LINE_STRIP);
        for (int j = 0; j < n && TakesVertices(); ++j) {
            vertex(j);
        }
        if (poly.m_marker && n > 0) {
            vertex(0);
        }
        EndPrim();
        if (highlighted) {
            VertexMarkers(poly, h);
        }
        return;
    }

    if (m_renderMode >= 1 && m_renderMode <= 3) {
        if (SendsStates() && m_fillState != m_renderMode) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            if (m_renderMode == 3) {
                glPolygonOffset(0.0f, 0.0f);
            } else {
                glPolygonOffset(2.0f, 2.0f);
            }
            m_fillState = m_renderMode;
        }
        if (m_renderMode == 1) {
            SetBackgroundColor();
        } else {
            SetEntityColor(poly);
        }
        const std::vector<CTessPrimitive>* tess = &poly.m_triangulation;
        bool filled = poly.m_tessellated != 0;
        std::vector<CTessPrimitive> moved;
        if (validHandle) {
            // The vertex that follows the cursor changes the shape being filled.
            std::vector<CPoint3> v(poly.m_vertices.begin(), poly.m_vertices.end());
            v[static_cast<size_t>(h)] = m_cursorPoint;
            filled = Tessellate(v, moved);
            tess = &moved;
        } else if (filled && poly.m_fan != 0 && n >= 3) {
            // The fan of the vertices themselves.
            BeginPrim(n > 3 ? GL_TRIANGLE_FAN : GL_TRIANGLES);
            if (m_renderMode == 3) {
                Normal(poly.m_normal.x, poly.m_normal.y, poly.m_normal.z);
            }
            for (int k = 0; k < n && TakesVertices(); ++k) {
                Vertex(poly.FanVertex(k));
            }
            EndPrim();
            filled = false;
        }
        if (filled) {
            for (const CTessPrimitive& prim : *tess) {
                BeginPrim(static_cast<GLenum>(prim.kind));
                if (m_renderMode == 3) {
                    Normal(poly.m_normal.x, poly.m_normal.y, poly.m_normal.z);
                }
                for (size_t k = 0; k < prim.points.size() && TakesVertices(); ++k) {
                    Vertex(prim.points[k]);
                }
                EndPrim();
            }
        }
    }
    if (m_renderMode == 3) {
        return;
    }
    Stipple(highlighted != 0);
    if (m_renderMode == 2 && !highlighted) {
        SetBackgroundColor();
    } else {
        SetEntityColor(poly);
    }
    BeginPrim(GL_LINE_STRIP);
    for (int j = 0; j <= n && n > 0 && TakesVertices(); ++j) {
        vertex(j % n);
    }
    EndPrim();
    if (highlighted) {
        VertexMarkers(poly, h);
    }
}

void CSceneRenderer::DrawArc(const CArc& arc, int highlighted) {
    if (highlighted) {
        Stipple(true);
    } else {
        Stipple(false);
    }
    double radius = arc.m_radius;
    double start = arc.m_start;
    double length = arc.m_length;
    if (highlighted && m_editHandle >= 2 && m_editHandle <= 4) {
        const CPoint3 c = CursorOnPlane(arc.m_center, arc.m_axis);
        if (m_editHandle == 2) {
            radius = c.Distance(arc.m_center);
        } else if (m_editHandle == 3) {
            start = AngleInFrameXY(arc.GetFrame(), c);
        } else {
            length = AngleInFrameXY(arc.GetFrame(), c) - start;
            if (length < 0.0) {
                length += 360.0;
            }
        }
    }
    CMatrix4 frame;
    frame.SetArbitraryAxisFrame(arc.m_center - m_camera.m_pivot, arc.m_axis, 0.0);
    const int n = ArcSegmentCount(radius, m_camera.m_pixelsPerUnit, length);
    SetEntityColor(arc);
    BeginPrim(GL_LINE_STRIP);
    for (int i = 0; i <= n && TakesVertices(); ++i) {
        const double a = (start + length * i / n) * kDegToRad;
        const CPoint3 p =
            CPoint3(radius * std::cos(a), radius * std::sin(a), 0.0).TransformedBy(frame);
        VertexLocal(p.x, p.y, p.z);
    }
    EndPrim();
    if (highlighted) {
        Stipple(false);
        Color(0.25, 0.25, 1.0);
        BeginPrim(GL_POINTS);
        Vertex(arc.m_center);
        EndPrim();
        if (m_editHandle >= 1 && m_editHandle <= 4) {
            Stipple(true);
            BeginPrim(GL_LINES);
            Vertex(arc.m_center);
            Vertex(m_cursorPoint);
            EndPrim();
            Stipple(false);
        }
    }
}

void CSceneRenderer::DrawText(const CText& text, int highlighted) {
    if (highlighted) {
        Stipple(true);
    } else {
        Stipple(false);
    }
    double height = text.m_height;
    double rotation = text.m_rotation;
    if (highlighted && (m_editHandle == 2 || m_editHandle == 3)) {
        const CPoint3 c = CursorOnPlane(text.m_position, text.m_axis);
        if (m_editHandle == 2) {
            height = c.Distance(text.m_position);
        } else {
            CMatrix4 plain;
            plain.SetArbitraryAxisFrame(text.m_position, text.m_axis, 0.0);
            rotation = AngleInFrameXY(plain, c);
        }
    }
    SetEntityColor(text);
    // The strokes come from the font lists: a pass of primitives has no place for them.
    if (SendsStates()) {
        if (m_pass == EPass::kStates) {
            glColor3fv(m_color);
        }
        CMatrix4 frame;
        frame.SetArbitraryAxisFrame(text.m_position - m_camera.m_pivot, text.m_axis, rotation);
        GLdouble m[16];
        ToGL(frame, m);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMultMatrixd(m);
        glScaled(height, height, height);
        m_fonts.DrawString(text.m_text, text.m_font);
        glPopMatrix();
    }
    if (highlighted) {
        Stipple(false);
        Color(0.25, 0.25, 1.0);
        BeginPrim(GL_POINTS);
        Vertex(text.m_position);
        EndPrim();
        if (m_editHandle >= 1 && m_editHandle <= 3) {
            Stipple(true);
            BeginPrim(GL_LINES);
            Vertex(text.m_position);
            Vertex(m_cursorPoint);
            EndPrim();
            Stipple(false);
        }
    }
}
