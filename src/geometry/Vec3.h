#pragma once

// Vectors, points and 4x4 matrices in double precision, and the builders of local frames.
// Matrices are row-major with column vectors: a point p maps to M·p, translation in column 3.

#include <cmath>
#include <cstdint>
#include <stdexcept>

class CMatrix4;

// One geometric tolerance for zero lengths and equality.
constexpr double kGeomTol = 1e-8;
// Degrees to radians and back (exact to double precision).
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
// 180 / 3.1415926535 and twice that truncated pi: the angle helpers have always used these,
// so stored and compared angles depend on them. Do not "fix" them.
constexpr double kAngleRadToDeg = 57.29577951471995;
constexpr double kAngleTwoPi = 6.283185307;

// Message texts of the local frame builders, exactly as users have always seen them.
inline constexpr const char* kLcsInvalidAxis = "setLocalCSMatrix: Invalid axis index!";
inline constexpr const char* kLcsNoPlane =
    "setLocalCSMatrix: Given points does not define the plane of the local coordinate sytem!";
inline constexpr const char* kLcsNoSecondAxis =
    "setLocalCSMatrix: Can not calculate index of the second axis of the local coordinate "
    "sytem!";
inline constexpr const char* kLcsZeroAxis =
    "setLocalCSMatrix: Z or X axis versor is of zero length!";
inline constexpr const char* kLcsNotPerpendicular =
    "setLocalCSMatrix: Z axis versor not perpendicular to X axis versor!";

// Raised by the frame builders; what() is one of the kLcs* texts.
class CGeometryError : public std::runtime_error {
public:
    // Carries the given message text unchanged.
    explicit CGeometryError(const char* text) : std::runtime_error(text) {}
};

// A free vector (direction or displacement).
class CVec3 {
public:
    double x = 0, y = 0, z = 0;

    // The zero vector.
    CVec3() = default;
    // The vector (x, y, z).
    CVec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    // Component i (0 = x, 1 = y, 2 = z); any other i addresses z.
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    // Component i, read only.
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    // Component-wise sum.
    CVec3 operator+(const CVec3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    // Component-wise difference.
    CVec3 operator-(const CVec3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    // The opposite vector.
    CVec3 operator-() const { return {-x, -y, -z}; }
    // Scaled by s.
    CVec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    // Divided by s; s = 0 is not guarded (gives inf/NaN).
    CVec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    // Adds b in place.
    CVec3& operator+=(const CVec3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    // Subtracts b in place.
    CVec3& operator-=(const CVec3& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }

    // Euclidean length.
    double Length() const { return std::sqrt(x * x + y * y + z * z); }
    // Scales to unit length; a vector of length <= kGeomTol is left unchanged, silently.
    void Normalize() {
        const double len = Length();
        if (len <= kGeomTol) {
            return;
        }
        x /= len;
        y /= len;
        z /= len;
    }
    // True when Length() < tol.
    bool IsShorterThan(double tol) const { return Length() < tol; }
    // Becomes the unit vector of axis i (0..2); other i give the zero vector.
    void SetAxis(int i);
    // In place by the 3x3 part of m (translation ignored).
    void RotateBy(const CMatrix4& m);
    // Angle to b in degrees, in [0, 180]; 0 when either vector is shorter than kGeomTol.
    double AngleTo(const CVec3& b) const;
    // Directed angle from this to b in the XY plane of frame m, degrees in (-360, 360),
    // negative when b's polar angle is smaller; 0 for short vectors or a singular frame.
    double AngleInFrame(const CVec3& b, const CMatrix4& m) const;
};

// s · v.
inline CVec3 operator*(double s, const CVec3& v) {
    return v * s;
}
// Scalar product.
inline double Dot(const CVec3& a, const CVec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
// Vector product a × b (right-handed).
inline CVec3 Cross(const CVec3& a, const CVec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A position with a 32-bit flag word that is stored with point entities.
class CPoint3 {
public:
    double x = 0, y = 0, z = 0;
    uint32_t flag = 1;

    // The origin with flag 1.
    CPoint3() = default;
    // The point (x, y, z) with flag 1.
    CPoint3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    // The point at the tip of v from the origin, flag 1.
    explicit CPoint3(const CVec3& v) : x(v.x), y(v.y), z(v.z) {}

    // Coordinate i (0 = x, 1 = y, 2 = z); any other i addresses z.
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    // Coordinate i, read only.
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    // Moves to the origin; the flag is kept.
    void SetZero() { x = y = z = 0; }
    // The coordinates as a vector from the origin.
    CVec3 AsVec() const { return {x, y, z}; }

    // Displacement from q to this point.
    CVec3 operator-(const CPoint3& q) const { return {x - q.x, y - q.y, z - q.z}; }
    // This point moved by -v (flag 1).
    CPoint3 operator-(const CVec3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    // This point moved by v (flag 1).
    CPoint3 operator+(const CVec3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    // Moves by v in place (flag kept).
    CPoint3& operator+=(const CVec3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    // Adds q's coordinates in place, e.g. to sum a centroid (flag kept).
    CPoint3& operator+=(const CPoint3& q) {
        x += q.x;
        y += q.y;
        z += q.z;
        return *this;
    }
    // Divides the coordinates by s in place; s = 0 is not guarded.
    CPoint3& operator/=(double s) {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }
    // Coordinates scaled by s (flag 1).
    CPoint3 operator*(double s) const { return {x * s, y * s, z * s}; }
    // Coordinates divided by s (flag 1); s = 0 is not guarded.
    CPoint3 operator/(double s) const { return {x / s, y / s, z / s}; }

    // True when every coordinate differs by less than kGeomTol; the flag is not compared.
    bool operator==(const CPoint3& q) const { return Equals(q, kGeomTol); }
    // True when every coordinate differs by less than tol.
    bool Equals(const CPoint3& q, double tol) const;
    // Euclidean distance to q.
    double Distance(const CPoint3& q) const { return (*this - q).Length(); }

    // m·p as a new point (flag 1).
    CPoint3 TransformedBy(const CMatrix4& m) const;
    // m·p in place (flag kept).
    void Transform(const CMatrix4& m);

    // Intersection of the line through this point with direction D and the plane through Q
    // with normal N; false (out untouched) when the line is parallel to the plane.
    bool LineIntersectPlane(const CPoint3& Q, const CVec3& N, const CVec3& D, CPoint3& out) const;
    // True when |N·(p − Q)| <= tol; N is not normalized, so tol scales with |N|. The signed
    // distance from the difference: comparing |N·Q| with |N·P| would also accept the mirror
    // plane through -Q, and loses digits at survey coordinates.
    bool IsOnPlane(const CPoint3& Q, const CVec3& N, double tol) const {
        return std::fabs(Dot(N, *this - Q)) <= tol;
    }
};

// A 4x4 matrix, m[row][col]; row 3 is (0, 0, 0, 1) for every matrix built here.
class CMatrix4 {
public:
    double m[4][4];

    // The ZERO matrix (not identity).
    CMatrix4() { SetZero(); }
    // Identity with column 3 = translation.
    explicit CMatrix4(const CVec3& translation);
    // Identity with the 3x3 block filled by a, b, c as columns (asColumns != 0) or rows.
    CMatrix4(const CVec3& a, const CVec3& b, const CVec3& c, int asColumns);
    // Rotation by angleRad about axis 0/1/2 (right-hand rule); other axes give the identity.
    CMatrix4(double angleRad, int axis);
    // The same rotation from its sine and cosine.
    CMatrix4(double sinA, double cosA, int axis);

    // The identity matrix.
    static CMatrix4 Identity();
    // Becomes the identity.
    void SetIdentity();
    // All 16 elements 0.
    void SetZero();
    // Identity with m[axis][axis] = -1; an axis outside 0..3 gives the identity.
    void SetMirror(int axis);

    // Pointer to the four doubles of row i (0..3).
    double* Row(int i) { return m[i]; }
    // Read-only row i.
    const double* Row(int i) const { return m[i]; }

    // this·b (b is applied first).
    CMatrix4 Multiply(const CMatrix4& b) const;
    // this·b.
    CMatrix4 operator*(const CMatrix4& b) const { return Multiply(b); }
    // True when every element differs from b's by at most tol.
    bool Equals(const CMatrix4& b, double tol) const;

    // Inverts in place by Gauss-Jordan with full pivoting; returns 1, or 0 and leaves the
    // matrix unchanged when it is singular (a zero or non-finite pivot).
    int Invert();

    // Local-to-world frame: axis axisA points from origin to p1, axis axisB lies in the plane
    // of the three points, right-handed. Throws CGeometryError (kLcsInvalidAxis, kLcsNoPlane)
    // and then leaves *this unchanged.
    void setLocalCSMatrix(const CPoint3& origin, int axisA, const CPoint3& p1, int axisB,
                          const CPoint3& p2);
    // Local-to-world frame from Z and X directions (accepted within 1 degree of perpendicular,
    // not re-orthogonalized). Throws CGeometryError (kLcsZeroAxis, kLcsNotPerpendicular) and
    // then leaves *this unchanged.
    void setLocalCSMatrix(const CPoint3& origin, const CVec3& zAxis, const CVec3& xAxis);
    // Maps the plane through P with normal N onto a plane parallel to XY (shape and area kept,
    // offset meaningless); angleDeg first turns about world Z, so only 0 keeps a tilted plane
    // flat. A zero N gives the unrotated frame. Never throws.
    void SetPlaneFrame(const CPoint3& P, const CVec3& N, double angleDeg);
    // Entity frame by the DXF arbitrary axis algorithm, rotated by angleDeg about its Z, origin
    // P. A zero N gives a degenerate (singular) matrix. Never throws.
    void SetArbitraryAxisFrame(const CPoint3& P, const CVec3& N, double angleDeg);
};
