#include "view/core/Camera.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

CVec3 UnitOr(CVec3 v, int axis) {
    v.Normalize();
    if (v.IsShorterThan(kGeomTol)) {
        v.SetAxis(axis);
    }
    return v;
}

// Rotation part of m applied to v.
CVec3 Rotate(const CMatrix4& m, const CVec3& v) {
    CVec3 r = v;
    r.RotateBy(m);
    return r;
}

CMatrix4 Inverse(CMatrix4 m) {
    m.Invert();
    return m;
}

// The view matrix without its translation: a world direction to view axes.
CMatrix4 RotationOnly(const CMatrix4& m) {
    CMatrix4 r = m;
    r.m[0][3] = r.m[1][3] = r.m[2][3] = 0.0;
    return r;
}

double Mod360(double a) {
    a = std::fmod(a, 360.0);
    return a < 0.0 ? a + 360.0 : a;
}

}  // namespace

CCamera::CCamera() {
    UpdateViewMatrix();
}

void CCamera::LoadState(const CViewState& s) {
    m_target = s.target;
    m_eye = s.eye;
    m_left = s.windowLeft;
    m_right = s.windowRight;
    m_bottom = s.windowBottom;
    m_top = s.windowTop;
    m_spinAngle = s.spinAngle;
    m_near = s.nearPlane;
    m_far = s.farPlane;
    m_viewAngle = s.viewAngle;
    m_scale = s.scale;
    m_perspective = s.perspective;
    m_clientWidth = s.clientWidth;
    m_clientHeight = s.clientHeight;
    if (m_clientWidth >= 1 && m_clientHeight >= 1) {
        m_aspect = static_cast<double>(m_clientWidth) / m_clientHeight;
    }
    UpdatePixelsPerUnit();
    UpdateViewMatrix();
}

void CCamera::StoreState(CViewState& s) const {
    s.target = m_target;
    s.eye = m_eye;
    s.windowLeft = m_left;
    s.windowRight = m_right;
    s.windowBottom = m_bottom;
    s.windowTop = m_top;
    s.spinAngle = m_spinAngle;
    s.nearPlane = m_near;
    s.farPlane = m_far;
    s.viewAngle = m_viewAngle;
    s.scale = m_scale;
    s.perspective = m_perspective;
    s.clientWidth = m_clientWidth;
    s.clientHeight = m_clientHeight;
}

void CCamera::UpdateViewMatrix() {
    const CVec3 up(0, 0, 1);
    const CVec3 z = UnitOr(m_eye - m_target, 2);
    const CVec3 x = UnitOr(Cross(up, z), 0);
    const CVec3 y = UnitOr(Cross(z, x), 1);
    const CMatrix4 r(x, y, z, 0);
    const CMatrix4 s(m_spinAngle * kDegToRad, 2);
    const CMatrix4 t(m_pivot - m_target.AsVec());
    m_viewMatrix = s * r * t;
}

CMatrix4 CCamera::ModelViewMatrix() const {
    const CMatrix4 back(CVec3(0, 0, -(m_eye - m_target).Length()));
    return back * m_viewMatrix;
}

CProjectionBox CCamera::Projection() const {
    const double s = m_scale;
    return Projection(m_left * s, m_right * s, m_bottom * s, m_top * s);
}

CProjectionBox CCamera::Projection(double l, double r, double b, double t) const {
    CProjectionBox p{l, r, b, t, m_near, m_far, m_perspective != 0};
    if (p.perspective && !(m_near > 0.0)) {
        // glFrustum refuses near <= 0; keep the target plane framed as the window says.
        const double dist = (m_eye - m_target).Length();
        if (dist > kGeomTol) {
            double nearPlane = dist * kPerspectiveNearFraction;
            if (m_far > 0.0 && nearPlane >= m_far) {
                nearPlane = m_far * kPerspectiveNearFraction;
            }
            const double k = nearPlane / dist;
            p = {l * k, r * k, b * k, t * k, nearPlane, m_far, true};
        } else {
            p.nearPlane = m_far > 0.0 ? m_far * kPerspectiveNearFraction : 1e-3;
        }
    }
    return p;
}

CVec3 CCamera::WindowToView(double x, double y) const {
    const double s = m_scale;
    const double cx = std::max(m_clientWidth, 1);
    const double cy = std::max(m_clientHeight, 1);
    return {m_left * s + (m_right - m_left) * s * x / cx,
            m_top * s - (m_top - m_bottom) * s * y / cy, 0.0};
}

void CCamera::ProjectToWindowF(const CPoint3& p, double& x, double& y) const {
    const CPoint3 q = (p - m_pivot).TransformedBy(m_viewMatrix);
    const double s = m_scale;
    x = (q.x - m_left * s) / (m_right - m_left) / s * m_clientWidth;
    y = (m_top * s - q.y) / (m_top - m_bottom) / s * m_clientHeight;
}

void CCamera::ProjectToWindow(const CPoint3& p, int& x, int& y) const {
    double fx = 0, fy = 0;
    ProjectToWindowF(p, fx, fy);
    // Far off-screen points clamp instead of overflowing the conversion.
    fx = std::clamp(std::isnan(fx) ? 0.0 : fx, -1e9, 1e9);
    fy = std::clamp(std::isnan(fy) ? 0.0 : fy, -1e9, 1e9);
    x = static_cast<int>(fx);
    y = static_cast<int>(fy);
}

bool CCamera::WindowToWorld(double x, double y, bool onPlane, const CTAVDoc* doc,
                            CPoint3& out) const {
    const CMatrix4 inv = Inverse(m_viewMatrix);
    out = CPoint3(WindowToView(x, y)).TransformedBy(inv) + m_pivot;
    if (!onPlane) {
        return true;
    }
    CPoint3 origin;
    CVec3 normal;
    GetReferencePlane(doc, origin, normal);
    CPoint3 hit;
    if (!out.LineIntersectPlane(origin, normal, m_eye - m_target, hit)) {
        return false;
    }
    out = hit;
    return true;
}

bool CCamera::Resize(int cx, int cy) {
    if (cx < 1 || cy < 1) {
        return false;
    }
    m_aspect = static_cast<double>(cx) / cy;
    if (m_aspect >= 1.0) {
        const double c = (m_left + m_right) / 2.0;
        const double half = m_aspect * (m_top - m_bottom) / 2.0;
        m_left = c - half;
        m_right = c + half;
    } else {
        const double c = (m_bottom + m_top) / 2.0;
        const double half = (m_right - m_left) / 2.0 / m_aspect;
        m_bottom = c - half;
        m_top = c + half;
    }
    m_clientWidth = cx;
    m_clientHeight = cy;
    UpdatePixelsPerUnit();
    return true;
}

void CCamera::UpdatePixelsPerUnit() {
    const double w = m_right - m_left;
    m_pixelsPerUnit = (w > 0.0 && m_scale != 0.0) ? m_clientWidth / w / m_scale : 1.0;
}

bool CCamera::RecentrePivot() {
    const CVec3 d = m_target - CPoint3(m_pivot);
    const double limit = 3.0 / m_pixelsPerUnit;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) * 1e-6 > limit) {
            m_pivot = m_target.AsVec();
            UpdateViewMatrix();
            return true;
        }
    }
    return false;
}

void CCamera::FitBox(const CPoint3& minCorner, const CPoint3& maxCorner) {
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    for (int i = 0; i < 8; ++i) {
        const CPoint3 c((i & 1) ? maxCorner.x : minCorner.x, (i & 2) ? maxCorner.y : minCorner.y,
                        (i & 4) ? maxCorner.z : minCorner.z);
        const CPoint3 q = (c - m_pivot).TransformedBy(m_viewMatrix);
        for (int k = 0; k < 2; ++k) {
            lo[k] = i == 0 ? q[k] : std::min(lo[k], q[k]);
            hi[k] = i == 0 ? q[k] : std::max(hi[k], q[k]);
        }
    }
    const double dx = hi[0] - lo[0];
    const double dy = hi[1] - lo[1];
    if (dx >= kGeomTol || dy >= kGeomTol) {
        // The share of the window inside the margins, in each direction.
        const int m2 = 2 * kFitMarginPixels;
        const bool room = m_clientWidth > m2 && m_clientHeight > m2;
        const double fx = room ? static_cast<double>(m_clientWidth - m2) / m_clientWidth : 1.0;
        const double fy = room ? static_cast<double>(m_clientHeight - m2) / m_clientHeight : 1.0;
        const double ratio = dy < kGeomTol ? 9e16 : (dx / fx) / (dy / fy);
        if (ratio < m_aspect) {
            m_bottom = -dy / fy / 2;
            m_top = dy / fy / 2;
            m_left = -dy / fy * m_aspect / 2;
            m_right = dy / fy * m_aspect / 2;
        } else {
            m_left = -dx / fx / 2;
            m_right = dx / fx / 2;
            m_bottom = -dx / fx / m_aspect / 2;
            m_top = dx / fx / m_aspect / 2;
        }
    } else {
        m_left = -m_clientWidth * m_aspect / 2;
        m_right = m_clientWidth * m_aspect / 2;
        m_bottom = -m_clientHeight / 2.0;
        m_top = m_clientHeight / 2.0;
    }
    m_scale = 1.0;
    const double w = m_right - m_left;
    m_pixelsPerUnit = (w > 0.0 && m_clientWidth >= 1) ? m_clientWidth / w : 1.0;
    m_near = 0.0;
    const double a = (minCorner - m_pivot).TransformedBy(m_viewMatrix).AsVec().Length();
    const double b = (maxCorner - m_pivot).TransformedBy(m_viewMatrix).AsVec().Length();
    m_far = std::max(a, b);
    if (m_far < 0.001) {
        m_far = 2.0;
    }
}

void CCamera::FitDepthRange(const CPoint3& minCorner, const CPoint3& maxCorner) {
    // Distances from the eye along the line of sight to the eight corners.
    const CVec3 dir = UnitOr(m_target - m_eye, 2);
    double dmin = 0, dmax = 0;
    for (int i = 0; i < 8; ++i) {
        const CPoint3 c((i & 1) ? maxCorner.x : minCorner.x, (i & 2) ? maxCorner.y : minCorner.y,
                        (i & 4) ? maxCorner.z : minCorner.z);
        const double d = Dot(c - m_eye, dir);
        dmin = i == 0 ? d : std::min(dmin, d);
        dmax = i == 0 ? d : std::max(dmax, d);
    }
    const double dist = (m_eye - m_target).Length();
    const double towardEye = dist - dmin;  // how far the box reaches from the target to the eye
    if (m_perspective && towardEye > 0.0 && dist < 2.0 * towardEye) {
        // A perspective cannot show what lies behind the eye: step back along the line of
        // sight; the window keeps framing the target plane.
        const double back = 2.0 * towardEye - dist;
        m_eye = m_target + UnitOr(m_eye - m_target, 2) * (2.0 * towardEye);
        dmin += back;
        dmax += back;
        UpdateViewMatrix();
    }
    const double margin = 0.01 * (dmax - dmin) + 1e-3;
    // Orthographic views may look from inside the box: a negative near keeps what lies
    // behind the eye. Perspective cannot, and keeps near 0 (see Projection).
    m_near = (dmin - margin < 0.0 && !m_perspective) ? dmin - margin : 0.0;
    m_far = std::max(dmax + margin, m_far);
    if (m_far < 0.001) {
        m_far = 2.0;
    }
}

bool CCamera::IsNewDocumentCamera(const CViewState& s) {
    const CViewState d;
    const auto same = [](const CPoint3& a, const CPoint3& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    };
    return same(s.target, d.target) && same(s.eye, d.eye) && s.windowLeft == d.windowLeft &&
           s.windowRight == d.windowRight && s.windowBottom == d.windowBottom &&
           s.windowTop == d.windowTop && s.spinAngle == d.spinAngle && s.nearPlane == d.nearPlane &&
           s.farPlane == d.farPlane && s.viewAngle == d.viewAngle && s.scale == d.scale &&
           s.perspective == d.perspective;
}

void CCamera::ZoomAll(CTAVDoc& doc, bool recomputeExtents, bool plan, bool pushView) {
    if (pushView) {
        PushView();
    }
    if (recomputeExtents) {
        doc.RecomputeExtents();
    }
    const CPoint3 mn = doc.GetMinCorner();
    const CPoint3 mx = doc.GetMaxCorner();
    FitBox(mn, mx);
    const CPoint3 centre = (mn + mx.AsVec()) * 0.5;
    if (!plan) {
        const CVec3 shift = centre - m_target;
        m_eye += shift;
        m_target = centre;
    } else {
        m_spinAngle = 0.0;
        m_target = centre;
        const double diag = (mx - mn).Length();
        const double dist = diag < 0.001 ? 1.0 : diag * 0.5;
        CVec3 z(0, 0, 1);
        const int active = doc.GetActiveCoordSystem();
        if (active >= 0 && active < doc.GetCoordSystemCount()) {
            const CCoordSystem& cs = doc.GetCoordSystem(active);
            const CVec3 xs = UnitOr(cs.m_xPoint - cs.m_origin, 0);
            const CVec3 zs = Cross(cs.m_xPoint - cs.m_origin, cs.m_yPoint - cs.m_origin);
            if (!zs.IsShorterThan(kGeomTol)) {
                z = UnitOr(zs, 2);
                // Spin so the system's x axis runs to the right on the screen.
                const CVec3 xa = UnitOr(Cross(CVec3(0, 0, 1), z), 0);
                const CVec3 ya = UnitOr(Cross(z, xa), 1);
                m_spinAngle = Mod360(std::atan2(-Dot(xs, ya), Dot(xs, xa)) * kRadToDeg);
            }
        }
        m_eye = m_target + z * dist;
    }
    UpdateViewMatrix();
    FitDepthRange(mn, mx);
}

CCameraHistoryEntry CCamera::Snapshot() const {
    CCameraHistoryEntry e;
    e.target = m_target;
    e.eye = m_eye;
    e.left = m_left;
    e.right = m_right;
    e.bottom = m_bottom;
    e.top = m_top;
    e.aspect = m_aspect;
    e.spinAngle = m_spinAngle;
    e.nearPlane = m_near;
    e.farPlane = m_far;
    e.viewAngle = m_viewAngle;
    e.scale = m_scale;
    e.pivot = m_pivot;
    e.viewMatrix = m_viewMatrix;
    return e;
}

void CCamera::PushView() {
    m_history.push_front(Snapshot());
    if (m_history.size() > static_cast<size_t>(kHistoryLimit)) {
        m_history.pop_back();
    }
}

bool CCamera::PopView() {
    if (m_history.empty()) {
        return false;
    }
    const CCameraHistoryEntry e = m_history.front();
    m_history.pop_front();
    const CVec3 oldPivot = m_pivot;
    m_target = e.target;
    m_eye = e.eye;
    m_left = e.left;
    m_right = e.right;
    m_bottom = e.bottom;
    m_top = e.top;
    m_aspect = e.aspect;
    m_spinAngle = e.spinAngle;
    m_near = e.nearPlane;
    m_far = e.farPlane;
    m_viewAngle = e.viewAngle;
    m_scale = e.scale;
    m_pivot = e.pivot;
    m_viewMatrix = e.viewMatrix;
    UpdatePixelsPerUnit();
    return oldPivot.x != m_pivot.x || oldPivot.y != m_pivot.y || oldPivot.z != m_pivot.z;
}

void CCamera::BeginDrag(int x, int y) {
    m_startX = x;
    m_startY = y;
    m_startScale = m_scale;
    m_startLeft = m_left;
    m_startRight = m_right;
    m_startBottom = m_bottom;
    m_startTop = m_top;
    m_startSpin = m_spinAngle;
    m_startEye = m_eye;
    m_startTarget = m_target;
    m_startViewMatrix = m_viewMatrix;
    ProjectToWindow(m_target, m_rotateCentreX, m_rotateCentreY);
}

void CCamera::DragPan(int x, int y) {
    const double cx = std::max(m_clientWidth, 1);
    const double cy = std::max(m_clientHeight, 1);
    const double tx = -(m_right - m_left) * (x - m_startX) / cx * m_scale;
    const double ty = (m_top - m_bottom) * (y - m_startY) / cy * m_scale;
    const CMatrix4 move =
        Inverse(m_startViewMatrix) * CMatrix4(CVec3(tx, ty, 0)) * m_startViewMatrix;
    m_eye = m_startEye.TransformedBy(move);
    m_target = m_startTarget.TransformedBy(move);
    UpdateViewMatrix();
}

void CCamera::DragZoom(int, int y) {
    const double cy = std::max(m_clientHeight, 1);
    m_scale = m_startScale * std::pow(2.0, 2.0 * (y - m_startY) / cy);
    UpdatePixelsPerUnit();
}

double CCamera::DirectionAngle(double ux, double uy) {
    const double len = std::hypot(ux, uy);
    if (len == 0.0) {
        return 0.0;
    }
    const double a = std::acos(std::clamp(uy / len, -1.0, 1.0)) * kRadToDeg;
    return ux < 0.0 ? 360.0 - a : a;
}

bool CCamera::DragRotate(int x, int y) {
    const double mx = m_rotateCentreX, my = m_rotateCentreY;
    const double r0 = std::hypot(mx - m_startX, my - m_startY);
    const double r1 = std::hypot(mx - x, my - y);
    if (!(r0 > 50.0 && r1 > 10.0)) {
        return false;
    }
    const double delta = Mod360(DirectionAngle(mx - x, my - y) -
                                DirectionAngle(mx - m_startX, my - m_startY) + 360.0);
    if (r1 >= r0) {
        m_eye = m_startEye;
        m_spinAngle = Mod360(m_startSpin + delta);
        UpdateViewMatrix();
        return true;
    }
    const double psi = std::atan2((y - my) / r1, (x - mx) / r1);
    const double theta = (1.0 - r1 / r0) * 90.0 * kDegToRad;
    const CMatrix4 w =
        CMatrix4(-psi, 2) * CMatrix4(theta, 1) * CMatrix4(psi, 2) * CMatrix4(-delta * kDegToRad, 2);
    const CMatrix4 v = RotationOnly(m_startViewMatrix);
    const CMatrix4 vInv = Inverse(v);
    const CVec3 e = Rotate(vInv * w * v, m_startEye - m_target);
    m_eye = m_target + e;
    // Keep the dragged screen x axis where the trackball put it.
    const CVec3 u = Rotate(vInv * w, CVec3(1, 0, 0));
    const CVec3 z = UnitOr(m_eye - m_target, 2);
    const CVec3 xa = UnitOr(Cross(CVec3(0, 0, 1), z), 0);
    // Only a u along the line of sight has no angle; one opposite to the automatic axis has
    // 180 degrees (a test on the cross product alone would turn the picture upside down when
    // the drag runs straight up or down).
    double a = 0.0;
    const CVec3 ya = UnitOr(Cross(z, xa), 1);
    const double ux = Dot(u, xa), uy = Dot(u, ya);
    const double len = std::hypot(ux, uy);
    if (len > kGeomTol) {
        a = std::acos(std::clamp(ux / len, -1.0, 1.0)) * kRadToDeg;
        if (uy < 0.0) {
            a = 360.0 - a;
        }
    }
    m_spinAngle = Mod360(360.0 - a);
    UpdateViewMatrix();
    return true;
}

bool CCamera::ZoomWindow(int x0, int y0, int x1, int y1) {
    if (x0 == x1 || y0 == y1) {
        return false;
    }
    const double cx = std::max(m_clientWidth, 1);
    const double cy = std::max(m_clientHeight, 1);
    int mx = 0, my = 0;
    ProjectToWindow(m_target, mx, my);
    const double dx = (x0 + x1) / 2.0 - mx;
    const double dy = (y0 + y1) / 2.0 - my;
    // The camera moves so that the rectangle's centre comes to the target's position.
    const double tx = (m_right - m_left) * dx / cx * m_scale;
    const double ty = -(m_top - m_bottom) * dy / cy * m_scale;
    const CMatrix4 move = Inverse(m_viewMatrix) * CMatrix4(CVec3(tx, ty, 0)) * m_viewMatrix;
    m_eye = m_eye.TransformedBy(move);
    m_target = m_target.TransformedBy(move);
    m_scale *= std::max(std::abs(x1 - x0) / cx, std::abs(y1 - y0) / cy);
    UpdatePixelsPerUnit();
    UpdateViewMatrix();
    return true;
}

bool CCamera::Wheel(int delta) {
    m_wheelAccumulator += delta;
    if (m_wheelAccumulator < kWheelNotch && m_wheelAccumulator > -kWheelNotch) {
        return false;
    }
    PushView();
    m_scale *= std::pow(2.0, m_wheelAccumulator / 1440.0);
    m_wheelAccumulator = 0;
    UpdatePixelsPerUnit();
    return true;
}

void GetReferencePlane(const CTAVDoc* doc, CPoint3& origin, CVec3& normal) {
    origin = CPoint3(0, 0, 0);
    normal = CVec3(0, 0, 1);
    if (doc == nullptr) {
        return;
    }
    const int active = doc->GetActiveCoordSystem();
    if (active < 0 || active >= doc->GetCoordSystemCount()) {
        return;
    }
    const CCoordSystem& cs = doc->GetCoordSystem(active);
    CVec3 n = Cross(cs.m_xPoint - cs.m_origin, cs.m_yPoint - cs.m_origin);
    n.Normalize();
    if (n.IsShorterThan(kGeomTol)) {
        return;
    }
    origin = cs.m_origin;
    normal = n;
}

int ArcSegmentCount(double radius, double pixelsPerUnit, double lengthDeg) {
    const double full = radius * pixelsPerUnit * 2.0 * kPi / 5.0 + 0.5;
    const double n = full * (lengthDeg * kDegToRad) / (2.0 * kPi);
    if (!(n >= 8.0)) {
        return 8;  // also NaN
    }
    return n >= 300.0 ? 300 : static_cast<int>(n);
}
