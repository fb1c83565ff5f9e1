#pragma once

// Draws a document with OpenGL 1.1 through the entities' Draw calls: the frame, the four render
// modes, lighting, clipping planes, the scene display list, the stroke fonts and the overlays
// of selected and temporary entities. Needs a current GL context but no window, so the view,
// tavcli render and printing share it. Every call below expects the context to be current.

#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "view/core/Camera.h"
#include "view/gl/StrokeFontGL.h"

// Stipple pattern of highlighted lines.
inline constexpr unsigned short kHighlightStipple = 0xC3C3;
// Size of drawn points in pixels.
inline constexpr float kPointSize = 5.0f;

class CSceneRenderer : public CDrawContext {
public:
    // Draws what camera sees; the camera must outlive the renderer.
    explicit CSceneRenderer(CCamera& camera) : m_camera(camera) {}
    ~CSceneRenderer() override = default;
    CSceneRenderer(const CSceneRenderer&) = delete;
    CSceneRenderer& operator=(const CSceneRenderer&) = delete;

    // The document drawn; may be null (nothing is drawn).
    void SetDocument(const CTAVDoc* doc) { m_doc = doc; }
    const CTAVDoc* GetDocument() const { return m_doc; }

    // Context set-up: clear colour, depth test, the font lists, the clip-plane limit.
    void InitializeGL();
    // Frees the scene and font lists; call before the context goes away.
    void ReleaseGL();
    // Planes the context offers (GL_MAX_CLIP_PLANES), or the lower limit set for tests.
    int GetMaxClipPlanes() const { return m_maxClipPlanes; }
    // Applies at most limit planes (never more than the context offers); -1 lifts the limit.
    void LimitClipPlanes(int limit);

    // One frame up to glFinish: clear, projection, pivot, model-view, planes, lights, scene,
    // overlays. Swapping and window overlays are the caller's. When the scene list is due (after
    // a change, or none yet), the frame draws the scene directly with the commands the list will
    // hold and leaves the compile to CompileDeferredList or the next frame.
    void RenderFrame();
    // A frame of a window whose painter shares the context: the viewport of width x height
    // pixels, the state the painter may have changed put back, the frame, the GL error read and
    // not reported.
    void RenderWidgetFrame(int width, int height);
    // True while a frame has shown the scene without its due list.
    bool IsListDeferred() const { return m_listDeferred; }
    // Compiles the deferred list without drawing; nothing when none is deferred.
    void CompileDeferredList();
    // Every visible entity that is not selected, each after glLoadName(index).
    void DrawScene();
    // The same for the given entities only (ascending indices; others are ignored).
    void DrawEntities(const std::vector<int>& indices);
    // Projection from the camera; reset loads the identity first.
    void SetupProjection(bool reset);
    // Projection with an explicit, already scaled window (picking).
    void SetupProjection(double l, double r, double b, double t, bool reset);
    // Model-view from the camera.
    void SetupViewingTransform();
    // Disables every plane, then enables the document's active ones in order up to the limit.
    void ApplyClipPlanes();
    // Disables the lights; render mode 3 turns on the light at twice the eye distance.
    void ApplyLighting();

    // The scene list is compiled again; the next frame shows the change without waiting for it.
    void InvalidateDisplayList() {
        m_rebuildList = true;
        m_listDeferred = false;
    }
    bool IsRebuildPending() const { return m_rebuildList; }
    // Name of the first list of the compiled scene (it comes in slices), 0 = none.
    unsigned int GetSceneList() const { return m_sceneLists.empty() ? 0 : m_sceneLists.front(); }
    // Number of scene-list compilations so far (navigation must not add to it).
    int GetCompileCount() const { return m_compileCount; }

    // The stroke fonts of this context.
    const CStrokeFont& Fonts() const { return m_fonts; }

    // CDrawContext
    void DrawPnt(const CPnt& pnt, int highlighted) override;
    void DrawPoly(const CPoly& poly, int highlighted) override;
    void DrawArc(const CArc& arc, int highlighted) override;
    void DrawText(const CText& text, int highlighted) override;

    // --- display state, set by the owner ---
    int m_renderMode = 0;  // 0..3
    bool m_whiteBackground = false;
    bool m_useDisplayList = true;
    int m_showNames = 0;
    float m_pointSize = kPointSize;  // pixels; printing makes it a size on paper
    int m_editHandle = -1;
    CPoint3 m_cursorPoint;
    int m_currentPick = -1;
    std::vector<int> m_pickList;        // ascending
    std::vector<int> m_multiSelection;  // ascending
    const CEntity* m_tempEntity = nullptr;
    // Overlays ignore the near and far planes (GL_DEPTH_CLAMP): the rubber lines of point input
    // reach the reference plane, which may lie far outside the drawing's depth range. Set by
    // InitializeGL from what the context offers; without it the temporary entity is drawn with
    // a widened depth range and no depth test.
    bool m_depthClamp = false;

private:
    struct SBatchVertex {
        float p[3];
        float c[3];
        float n[3];
    };
    // What a traversal of the scene sends to GL: everything at once (picking, overlays, no
    // list), only states and texts, or only the primitives of one kind, split into separate
    // triangles, lines or points.
    enum class EPass { kImmediate, kStates, kTriangles, kLines, kPoints };
    // The pass that draws primitives of mode (kStates: none does); the mode a pass draws with.
    static EPass PassFor(unsigned int mode);
    static unsigned int PassMode(EPass pass);

    // Entity colour, black for white on a white background.
    void SetEntityColor(const CEntity& e);
    void SetBackgroundColor();
    // A point already relative to the pivot.
    void VertexLocal(double x, double y, double z);
    // glColor / glNormal / glBegin / glEnd, or their counterparts of the current pass.
    void Color(double r, double g, double b);
    void Normal(double x, double y, double z);
    void BeginPrim(unsigned int mode);
    void EndPrim();
    // False when the current pass drops the vertices of the primitive just begun (loops that
    // compute them may stop).
    bool TakesVertices() const { return m_pass == EPass::kImmediate || m_primWanted; }
    // False in the passes that send primitives only (states cannot go inside glBegin/glEnd).
    bool SendsStates() const { return m_pass == EPass::kImmediate || m_pass == EPass::kStates; }
    // One vertex of the current kind's run, with its colour when that changed.
    void Put(const SBatchVertex& v);
    // The primitive just ended as separate points, lines or triangles.
    void PutSeparate();
    // The scene as the lists hold it: states and texts, then all triangles, all lines and all
    // points, each kind in one glBegin/glEnd (long line strips apart) cut into slices of a few
    // thousand vertices, so the lists replay as a few long draws. Carries no names.
    void DrawSceneStreamed();
    // Ends the slice: flushes when drawing, starts the next list when compiling.
    void NextSlice();
    void DeleteSceneLists();
    // Compiles the scene lists; false when GL has no list name left.
    bool CompileList();
    // Line stipple on or off, skipping calls that change nothing.
    void Stipple(bool on);
    // The GL state is unknown (a list starts, or a list was called).
    void ForgetState();
    // The point sent to GL: p - pivot.
    void Vertex(const CPoint3& p);
    void VertexMarkers(const CPoly& poly, int handle);
    void DrawOverlays();
    bool IsDrawable(int index) const;
    // Where the line of sight through the cursor point meets the plane (point, normal).
    CPoint3 CursorOnPlane(const CPoint3& point, const CVec3& normal) const;

    CCamera& m_camera;
    const CTAVDoc* m_doc = nullptr;
    CStrokeFont m_fonts;
    std::vector<unsigned int> m_sceneLists;  // called in order, with glFlush after each
    bool m_compiling = false;                // slices end their list instead of flushing
    bool m_rebuildList = false;
    bool m_listDeferred = false;
    int m_compileCount = 0;
    int m_glClipPlanes = 6;   // what the context offers
    int m_maxClipPlanes = 6;  // what is applied
    int m_clipPlaneLimit = -1;
    int m_stippleState = -1;  // -1 unknown, 0 off, 1 on
    int m_fillState = -1;     // render mode the polygon fill state was set for, -1 unknown
    EPass m_pass = EPass::kImmediate;
    unsigned int m_passKinds = 0;  // bit per primitive kind the states pass met
    unsigned int m_primMode = 0;
    bool m_primWanted = false;
    float m_color[3] = {1.0f, 1.0f, 1.0f};
    float m_normal[3] = {0.0f, 0.0f, 1.0f};
    std::vector<SBatchVertex> m_prim;
    float m_sentColor[3] = {0.0f, 0.0f, 0.0f};
    bool m_colorSent = false;
    int m_sliceVertices = 0;       // vertices of the current slice
    std::vector<char> m_excluded;  // per entity: drawn as an overlay, not in the scene
};
