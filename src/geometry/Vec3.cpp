#include "geometry/Vec3.h"

#include <algorithm>
#include <cmath>
#include <utility>

// ---- CVec3 ----

void CVec3::SetAxis(int i) {
    x = y = z = 0;
    if (i >= 0 && i <= 2) {
        (*this)[i] = 1;
    }
}

void CVec3::RotateBy(const CMatrix4& mat) {
    const double v[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        (*this)[i] = mat.m[i][0] * v[0] + mat.m[i][1] * v[1] + mat.m[i][2] * v[2];
    }
}

// Rounding can push the cosine of (nearly) parallel vectors past 1, and acos would give NaN.
static double ClampedAcos(double c) {
    return std::acos(std::clamp(c, -1.0, 1.0));
}

double CVec3::AngleTo(const CVec3& b) const {
    const double la = Length();
    const double lb = b.Length();
    if (la < kGeomTol || lb < kGeomTol) {
        return 0;
    }
    return ClampedAcos((Dot(*this, b) / la) / lb) * kAngleRadToDeg;
}

// Polar angle of v in the XY plane, in [0, 2π).
static double PolarAngle(const CVec3& v) {
    const double a = ClampedAcos(v.x / v.Length());
    return v.y < 0 ? kAngleTwoPi - a : a;
}

double CVec3::AngleInFrame(const CVec3& b, const CMatrix4& frame) const {
    if (IsShorterThan(kGeomTol) || b.IsShorterThan(kGeomTol)) {
        return 0;
    }
    CMatrix4 inv = frame;
    inv.Invert();  // a singular frame stays as it is; the length checks below catch collapse
    CVec3 a1 = *this;
    CVec3 b1 = b;
    a1.RotateBy(inv);
    b1.RotateBy(inv);
    if (a1.IsShorterThan(kGeomTol) || b1.IsShorterThan(kGeomTol)) {
        return 0;
    }
    return std::fmod(PolarAngle(b1) - PolarAngle(a1), kAngleTwoPi) * kAngleRadToDeg;
}

// ---- CPoint3 ----

bool CPoint3::Equals(const CPoint3& q, double tol) const {
    return std::fabs(x - q.x) < tol && std::fabs(y - q.y) < tol && std::fabs(z - q.z) < tol;
}

CPoint3 CPoint3::TransformedBy(const CMatrix4& mat) const {
    CPoint3 r;
    for (int i = 0; i < 3; ++i) {
        r[i] = mat.m[i][0] * x + mat.m[i][1] * y + mat.m[i][2] * z + mat.m[i][3];
    }
    return r;
}

void CPoint3::Transform(const CMatrix4& mat) {
    const CPoint3 r = TransformedBy(mat);
    x = r.x;
    y = r.y;
    z = r.z;
}

bool CPoint3::LineIntersectPlane(const CPoint3& Q, const CVec3& N, const CVec3& D,
                                 CPoint3& out) const {
    const double d = Dot(N, D);
    if (std::fabs(d) < kGeomTol) {
        return false;
    }
    const double t = Dot(N, Q - *this) / d;
    out = *this + D * t;
    return true;
}

// ---- CMatrix4 ----

CMatrix4::CMatrix4(const CVec3& t) {
    SetIdentity();
    m[0][3] = t.x;
    m[1][3] = t.y;
    m[2][3] = t.z;
}

CMatrix4::CMatrix4(const CVec3& a, const CVec3& b, const CVec3& c, int asColumns) {
    SetIdentity();
    const CVec3* v[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i) {
            if (asColumns) {
                m[i][k] = (*v[k])[i];
            } else {
                m[k][i] = (*v[k])[i];
            }
        }
    }
}

CMatrix4::CMatrix4(double angleRad, int axis)
    : CMatrix4(std::sin(angleRad), std::cos(angleRad), axis) {}

CMatrix4::CMatrix4(double s, double c, int axis) {
    SetIdentity();
    switch (axis) {
        case 0:
            m[1][1] = c;
            m[1][2] = -s;
            m[2][1] = s;
            m[2][2] = c;
            break;
        case 1:
            m[0][0] = c;
            m[0][2] = s;
            m[2][0] = -s;
            m[2][2] = c;
            break;
        case 2:
            m[0][0] = c;
            m[0][1] = -s;
            m[1][0] = s;
            m[1][1] = c;
            break;
        default:
            break;
    }
}

CMatrix4 CMatrix4::Identity() {
    CMatrix4 r;
    r.SetIdentity();
    return r;
}

void CMatrix4::SetIdentity() {
    SetZero();
    for (int i = 0; i < 4; ++i) {
        m[i][i] = 1;
    }
}

void CMatrix4::SetZero() {
    for (auto& row : m) {
        for (double& e : row) {
            e = 0;
        }
    }
}

void CMatrix4::SetMirror(int axis) {
    SetIdentity();
    if (axis >= 0 && axis <= 3) {
        m[axis][axis] = -1;
    }
}

CMatrix4 CMatrix4::Multiply(const CMatrix4& b) const {
    CMatrix4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) {
                s += m[i][k] * b.m[k][j];
            }
            r.m[i][j] = s;
        }
    }
    return r;
}

bool CMatrix4::Equals(const CMatrix4& b, double tol) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!(std::fabs(m[i][j] - b.m[i][j]) <= tol)) {
                return false;
            }
        }
    }
    return true;
}

int CMatrix4::Invert() {
    const CMatrix4 saved = *this;
    int used[4] = {0, 0, 0, 0};
    int rowOf[4] = {0, 0, 0, 0};
    int colOf[4] = {0, 0, 0, 0};
    auto fail = [&] {
        *this = saved;
        return 0;
    };

    for (int step = 0; step < 4; ++step) {
        // Largest remaining element; the first one wins ties.
        double big = -1;
        int prow = -1;
        int pcol = -1;
        for (int r = 0; r < 4; ++r) {
            if (used[r] == 1) {
                continue;
            }
            for (int c = 0; c < 4; ++c) {
                if (used[c] == 0) {
                    if (std::fabs(m[r][c]) > big) {
                        big = std::fabs(m[r][c]);
                        prow = r;
                        pcol = c;
                    }
                } else if (used[c] > 1) {
                    return fail();
                }
            }
        }
        if (prow < 0) {
            return fail();  // only NaNs left
        }
        ++used[pcol];
        if (prow != pcol) {
            for (int c = 0; c < 4; ++c) {
                std::swap(m[prow][c], m[pcol][c]);
            }
        }
        rowOf[step] = prow;
        colOf[step] = pcol;

        const double pivot = m[pcol][pcol];
        if (pivot == 0.0 || !std::isfinite(pivot)) {
            return fail();
        }
        const double inv = 1.0 / pivot;
        m[pcol][pcol] = 1.0;
        for (int c = 0; c < 4; ++c) {
            m[pcol][c] *= inv;
        }
        for (int r = 0; r < 4; ++r) {
            if (r == pcol) {
                continue;
            }
            const double f = m[r][pcol];
            m[r][pcol] = 0.0;
            for (int c = 0; c < 4; ++c) {
                m[r][c] -= m[pcol][c] * f;
            }
        }
    }
    for (int step = 3; step >= 0; --step) {
        if (rowOf[step] != colOf[step]) {
            for (int r = 0; r < 4; ++r) {
                std::swap(m[r][rowOf[step]], m[r][colOf[step]]);
            }
        }
    }
    return 1;
}

// Orders an axis pair so that Cross(e[lo], e[hi]) is the remaining axis of a right-handed
// frame; returns that remaining axis.
static int OrderAxisPair(int a, int b, int& lo, int& hi) {
    lo = std::min(a, b);
    hi = std::max(a, b);
    if (hi - lo == 2) {
        std::swap(lo, hi);
    }
    return (hi + 1) % 3;
}

// T(origin)·R with the three axes as the columns of R.
static CMatrix4 FrameFromAxes(const CPoint3& origin, const CVec3& ex, const CVec3& ey,
                              const CVec3& ez) {
    CMatrix4 r(ex, ey, ez, 1);
    r.m[0][3] = origin.x;
    r.m[1][3] = origin.y;
    r.m[2][3] = origin.z;
    return r;
}

void CMatrix4::setLocalCSMatrix(const CPoint3& origin, int axisA, const CPoint3& p1, int axisB,
                                const CPoint3& p2) {
    if (axisA < 0 || axisA > 2 || axisB < 0 || axisB > 2 || axisA == axisB) {
        throw CGeometryError(kLcsInvalidAxis);
    }
    CVec3 e[3];
    e[axisA] = p1 - origin;
    e[axisB] = p2 - origin;

    int lo = 0;
    int hi = 0;
    const int c = OrderAxisPair(axisA, axisB, lo, hi);
    e[c] = Cross(e[lo], e[hi]);
    // Written so that NaN coordinates are refused too.
    if (!(e[c].Length() >= kGeomTol)) {
        throw CGeometryError(kLcsNoPlane);
    }
    e[axisA].Normalize();
    e[c].Normalize();

    if (OrderAxisPair(c, axisA, lo, hi) != axisB) {
        throw CGeometryError(kLcsNoSecondAxis);
    }
    e[axisB] = Cross(e[lo], e[hi]);
    e[axisB].Normalize();

    *this = FrameFromAxes(origin, e[0], e[1], e[2]);
}

void CMatrix4::setLocalCSMatrix(const CPoint3& origin, const CVec3& zAxis, const CVec3& xAxis) {
    const double lz = zAxis.Length();
    const double lx = xAxis.Length();
    if (!(lz >= kGeomTol) || !(lx >= kGeomTol)) {
        throw CGeometryError(kLcsZeroAxis);
    }
    if (!(std::fabs(90.0 - zAxis.AngleTo(xAxis)) <= 1.0)) {
        throw CGeometryError(kLcsNotPerpendicular);
    }
    const CVec3 X = xAxis / lx;
    const CVec3 Z = zAxis / lz;
    CVec3 Y = Cross(Z, X);
    Y.Normalize();
    *this = FrameFromAxes(origin, X, Y, Z);
}

void CMatrix4::SetPlaneFrame(const CPoint3& P, const CVec3& N, double angleDeg) {
    CVec3 Z = N;
    Z.Normalize();
    CVec3 X = Cross(CVec3(0, 0, 1), Z);
    X.Normalize();
    CVec3 Y = Cross(Z, X);
    Y.Normalize();
    CVec3* axes[3] = {&X, &Y, &Z};
    for (int i = 0; i < 3; ++i) {
        if (axes[i]->IsShorterThan(kGeomTol)) {
            axes[i]->SetAxis(i);
        }
    }
    const CMatrix4 rt(X, Y, Z, 0);
    const CMatrix4 t(P.AsVec());
    const CMatrix4 rz(angleDeg * kDegToRad, 2);
    *this = rt * t * rz;
}

void CMatrix4::SetArbitraryAxisFrame(const CPoint3& P, const CVec3& N, double angleDeg) {
    constexpr double kArbitraryAxisLimit = 1.0 / 64.0;
    CVec3 Z = N;
    Z.Normalize();
    CVec3 X;
    if (std::fabs(Z.x) < kArbitraryAxisLimit && std::fabs(Z.y) < kArbitraryAxisLimit) {
        X = Cross(CVec3(0, 1, 0), Z);
    } else {
        X = Cross(CVec3(0, 0, 1), Z);
    }
    X.Normalize();
    CVec3 Y = Cross(Z, X);
    Y.Normalize();
    const CMatrix4 rz(angleDeg * kDegToRad, 2);
    *this = FrameFromAxes(P, X, Y, Z) * rz;
}
