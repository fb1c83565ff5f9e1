#pragma once

// The camera of a 3D view without any GL: eye, target, pivot, window and scale, the matrices
// built from them, the window mapping, fitting, history and the mouse navigation arithmetic.
// The view feeds it mouse positions in pixels (x to the right, y downwards).

#include <deque>

#include "document/TAVDoc.h"
#include "geometry/Vec3.h"

// One entry of the view history (the camera as it was before a navigation step).
struct CCameraHistoryEntry {
    CPoint3 target;
    CPoint3 eye;
    double left = 0, right = 0, bottom = 0, top = 0;
    double aspect = 1.0;
    double spinAngle = 0;
    double nearPlane = 0, farPlane = 2.0;
    double viewAngle = 40.0;
    double scale = 1.0;
    CVec3 pivot;
    CMatrix4 viewMatrix;
};

// The six numbers handed to glOrtho or glFrustum.
struct CProjectionBox {
    double left = 0, right = 0, bottom = 0, top = 0, nearPlane = 0, farPlane = 0;
    bool perspective = false;
};

class CCamera {
public:
    // Most history entries kept; older ones are dropped.
    static constexpr int kHistoryLimit = 100;
    // Pixels a fitted box keeps from the window's edges, so markers and texts at its edge show.
    static constexpr int kFitMarginPixels = 8;
    // Wheel delta of one notch.
    static constexpr int kWheelNotch = 120;
    // Near distance used in perspective when the stored near is not positive, as a fraction of
    // the eye distance.
    static constexpr double kPerspectiveNearFraction = 0.01;

    // A new view: eye (0,0,1) above the target at the origin, the window of a new document.
    CCamera();

    // --- state exchanged with the document ---
    // Takes eye, target, window, spin, near, far, view angle, scale, perspective and client
    // size from the saved state, then rebuilds the view matrix.
    void LoadState(const CViewState& state);
    // Writes the same fields back (render mode, marker and mask are left to the caller).
    void StoreState(CViewState& state) const;

    // --- matrices ---
    // Rebuilds the view matrix from eye, target, spin angle and pivot.
    void UpdateViewMatrix();
    // The model-view matrix: the view matrix moved back by the eye distance.
    CMatrix4 ModelViewMatrix() const;
    // The projection with the scaled window; a perspective with near <= 0 gets a small
    // positive near and a window scaled to keep the framing at the target distance.
    CProjectionBox Projection() const;
    // Same rule for an explicit (already scaled) window, as picking passes it.
    CProjectionBox Projection(double l, double r, double b, double t) const;

    // --- window mapping (pixels: x right, y down) ---
    // View coordinates (z = 0) of a window pixel.
    CVec3 WindowToView(double x, double y) const;
    // Window position of a world point, unrounded.
    void ProjectToWindowF(const CPoint3& p, double& x, double& y) const;
    // Window position of a world point, truncated to whole pixels.
    void ProjectToWindow(const CPoint3& p, int& x, int& y) const;
    // World point under a pixel; with onPlane, where the line of sight through it meets the
    // reference plane of doc (its active system's XY plane, else z = 0). Returns false when the
    // line runs parallel to that plane (out is then the unprojected point).
    bool WindowToWorld(double x, double y, bool onPlane, const CTAVDoc* doc, CPoint3& out) const;

    // --- size and fitting ---
    // Refits the window to a new client size around its centre; false (nothing changed) for a
    // width or height below 1.
    bool Resize(int cx, int cy);
    // Client width / (right - left) / scale, or 1.0 when undefined.
    void UpdatePixelsPerUnit();
    // Moves the pivot to the target when the target is too far from it for the pixel size;
    // returns true when it moved (the scene list must then be rebuilt).
    bool RecentrePivot();
    // Fits the window to a box seen in the current direction, kFitMarginPixels clear of each
    // edge (none in a window too small for it); near 0, far from the corners.
    void FitBox(const CPoint3& minCorner, const CPoint3& maxCorner);
    // "Pokaż wszystko" (plan = false) or "Plan" (plan = true) on the document's box: pushes the
    // view, optionally recomputes the extents, fits, recentres the target and chooses near and
    // far so the box lies inside the depth range.
    void ZoomAll(CTAVDoc& doc, bool recomputeExtents, bool plan, bool pushView = true);
    // True when state holds the camera of a new document (eye, target, window, spin, depth
    // range, view angle, scale and projection exactly as a new document has them).
    static bool IsNewDocumentCamera(const CViewState& state);

    // --- history ---
    void PushView();
    // Restores the newest entry; returns true when the pivot changed (rebuild the scene list).
    // Does nothing and returns false with an empty history.
    bool PopView();
    int HistorySize() const { return static_cast<int>(m_history.size()); }
    void ClearHistory() { m_history.clear(); }

    // --- mouse navigation ---
    // Remembers the drag start (press point, camera copies, rotation centre).
    void BeginDrag(int x, int y);
    // Pan so the model follows the cursor from the drag start.
    void DragPan(int x, int y);
    // Zoom by dragging: the full window height downwards shows four times as much.
    void DragZoom(int x, int y);
    // Rotate about the viewing direction or tilt about the target (trackball); false when the
    // press or the cursor is too close to the rotation centre.
    bool DragRotate(int x, int y);
    // Zooms to the rectangle between the two corners; false (no change) for an empty one.
    bool ZoomWindow(int x0, int y0, int x1, int y1);
    // Adds a wheel delta; once a notch or more has gathered, pushes the view and scales by
    // 2^(sum/1440). Returns true when the scale changed.
    bool Wheel(int delta);

    // Direction angle of a window vector in degrees: acos(uy/|u|), 360 minus it when ux < 0.
    static double DirectionAngle(double ux, double uy);

    // --- fields (the view and the dialogs read and write them directly) ---
    CPoint3 m_target{0, 0, 0};
    CPoint3 m_eye{0, 0, 1};
    CVec3 m_pivot;
    CMatrix4 m_viewMatrix = CMatrix4::Identity();
    double m_left = -50, m_right = 50, m_bottom = -50, m_top = 50;
    double m_aspect = 1.0;
    double m_spinAngle = 0;
    double m_near = 0, m_far = 2.0;
    double m_viewAngle = 40.0;
    double m_scale = 1.0;
    int m_perspective = 0;
    double m_pixelsPerUnit = 1.0;
    int m_clientWidth = 50, m_clientHeight = 50;
    int m_wheelAccumulator = 0;

    // Drag-start copies.
    int m_startX = 0, m_startY = 0;
    CPoint3 m_startEye, m_startTarget;
    CMatrix4 m_startViewMatrix = CMatrix4::Identity();
    double m_startLeft = 0, m_startRight = 0, m_startBottom = 0, m_startTop = 0;
    double m_startSpin = 0, m_startScale = 1.0;
    int m_rotateCentreX = 0, m_rotateCentreY = 0;

private:
    CCameraHistoryEntry Snapshot() const;
    // Near and far enclosing the box with a margin, for the current eye and target.
    void FitDepthRange(const CPoint3& minCorner, const CPoint3& maxCorner);

    std::deque<CCameraHistoryEntry> m_history;  // newest first
};

// Origin and unit normal of the document's reference plane: the XY plane of the active
// coordinate system, or z = 0 in the global frame (also when the system is degenerate).
void GetReferencePlane(const CTAVDoc* doc, CPoint3& origin, CVec3& normal);

// Number of line segments of an arc: about 5 pixels each, 8 to 300.
int ArcSegmentCount(double radius, double pixelsPerUnit, double lengthDeg);
