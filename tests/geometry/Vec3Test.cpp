#include "geometry/Vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "support/Describe.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CVec3 Column(const CMatrix4& m, int c) {
    return {m.m[0][c], m.m[1][c], m.m[2][c]};
}

// The rotation's x, y and z columns to 12 decimals.
std::string Columns(const CMatrix4& m) {
    return Xyz(Column(m, 0), 12) + " | " + Xyz(Column(m, 1), 12) + " | " + Xyz(Column(m, 2), 12);
}

bool SameBits(const CMatrix4& a, const CMatrix4& b) {
    return std::memcmp(a.m, b.m, sizeof a.m) == 0;
}

CMatrix4 Translated(const CMatrix4& rotation, const CPoint3& origin) {
    return CMatrix4(origin.AsVec()) * rotation;
}

CMatrix4 Mirror(int axis) {
    CMatrix4 m;
    m.SetMirror(axis);
    return m;
}

// A frame builder run on a set matrix must refuse with text and leave the matrix as it was.
void ExpectRefused(const std::function<void(CMatrix4&)>& build, const char* text) {
    CMatrix4 m(CVec3(1, 2, 3));
    const CMatrix4 before = m;
    try {
        build(m);
        ADD_FAILURE() << "no exception for " << text;
    } catch (const CGeometryError& e) {
        EXPECT_STREQ(e.what(), text);
    }
    EXPECT_TRUE(SameBits(m, before));
}

// A frame builder must be a proper rotation: orthonormal columns, determinant +1.
void ExpectRightHandedRotation(const CMatrix4& m) {
    const CVec3 x = Column(m, 0), y = Column(m, 1), z = Column(m, 2);
    EXPECT_NEAR(x.Length(), 1, 1e-12);
    EXPECT_NEAR(y.Length(), 1, 1e-12);
    EXPECT_NEAR(Dot(x, y), 0, 1e-12);
    EXPECT_NEAR(Dot(Cross(x, y), z), 1, 1e-12);
    EXPECT_EQ(m.m[3][0], 0);
    EXPECT_EQ(m.m[3][3], 1);
}

}  // namespace

TEST(Vec3, ExactMessageTexts) {
    EXPECT_STREQ(kLcsInvalidAxis, "setLocalCSMatrix: Invalid axis index!");
    EXPECT_STREQ(kLcsNoPlane,
                 "setLocalCSMatrix: Given points does not define the plane of the local "
                 "coordinate sytem!");
    EXPECT_STREQ(kLcsNoSecondAxis,
                 "setLocalCSMatrix: Can not calculate index of the second axis of the local "
                 "coordinate sytem!");
    EXPECT_STREQ(kLcsZeroAxis, "setLocalCSMatrix: Z or X axis versor is of zero length!");
    EXPECT_STREQ(kLcsNotPerpendicular,
                 "setLocalCSMatrix: Z axis versor not perpendicular to X axis versor!");
    EXPECT_STREQ(CGeometryError(kLcsNoPlane).what(), kLcsNoPlane);
}

TEST(Vec3, NormalizeAndAngleToKeepTheirEdgeCases) {
    CVec3 tiny(1e-9, 0, 0);
    tiny.Normalize();
    EXPECT_EQ(tiny.x, 1e-9);
    CVec3 v(3, 0, -4);
    v.Normalize();
    EXPECT_EQ(Xyz(v, 12), "0.6 0 -0.8");
    EXPECT_TRUE(CVec3(0, 1e-9, 0).IsShorterThan(1e-8));
    EXPECT_FALSE(CVec3(0, 2e-8, 0).IsShorterThan(1e-8));
    // (a·a/|a|)/|a| rounds to 1.0000000000000002 for these; acos would give NaN.
    for (double s : {1.0, 0.7}) {
        const CVec3 a(s, s, s);
        EXPECT_EQ(a.AngleTo(a), 0.0) << s;
        EXPECT_NEAR(a.AngleTo(-a), 180.0, 1e-6) << s;
    }
    EXPECT_NEAR(CVec3(1, 0, 0).AngleTo(CVec3(0, 5, 0)), 90.0, 1e-6);
    EXPECT_EQ(CVec3(1, 0, 0).AngleTo(CVec3(0, 1e-9, 0)), 0.0);
    // The truncated factor is kept on purpose: 180 degrees comes out slightly above 180.
    EXPECT_DOUBLE_EQ(CVec3(1, 0, 0).AngleTo(CVec3(-1, 0, 0)), kPi * kAngleRadToDeg);
}

const CMatrix4 kId = CMatrix4::Identity();

TEST(AngleInFrameTest, DirectedAngle) {
    const struct {
        const char* name;
        CVec3 a, b;
        CMatrix4 frame;
        double expected;
    } cases[] = {
        {"x_to_minus_y", {1, 0, 0}, {0, -1, 0}, kId, 270},
        {"minus_y_to_x", {0, -1, 0}, {1, 0, 0}, kId, -270},
        {"x_to_y", {2, 0, 0}, {0, 3, 0}, kId, 90},
        // In a frame turned 90 degrees about Z, world Y is the frame's X.
        {"rotated_frame", {0, 1, 0}, {-1, 0, 0}, {kPi / 2, 2}, 90},
        {"mirrored_frame", {1, 0, 0}, {0, 1, 0}, Mirror(1), 270},
        {"short_vector", {1e-9, 0, 0}, {0, 1, 0}, kId, 0},
        {"singular_frame", {1, 0, 0}, {0, 1, 0}, CMatrix4(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double got = c.a.AngleInFrame(c.b, c.frame);
        ASSERT_FALSE(std::isnan(got));
        EXPECT_NEAR(got, c.expected, 1e-6);
    }
}

TEST(Point3, FlagSurvivesCopiesAndInPlaceWork) {
    CPoint3 p(1, 2, 3);
    EXPECT_EQ(p.flag, 1u);
    p.flag = 7;
    CPoint3 copy = p;
    const CMatrix4 move(CVec3(10, 0, 0));
    copy.Transform(move);
    EXPECT_EQ(copy.x, 11);
    copy += CVec3(1, 1, 1);
    copy.SetZero();
    EXPECT_EQ(copy.flag, 7u);
    // New points start over at 1.
    for (const CPoint3& q :
         {p.TransformedBy(move), p + CVec3(1, 0, 0), p - CVec3(1, 0, 0), p * 2}) {
        EXPECT_EQ(q.flag, 1u);
    }
    // IsOnPlane rejects the mirror plane and takes survey coordinates.
    const CVec3 up(0, 0, 1);
    EXPECT_TRUE(CPoint3(7, 8, 5).IsOnPlane(CPoint3(0, 0, 5), up, 1e-8));
    EXPECT_FALSE(CPoint3(7, 8, -5).IsOnPlane(CPoint3(0, 0, 5), up, 1e-8));
    EXPECT_FALSE(CPoint3(7, 8, 5 + 1e-7).IsOnPlane(CPoint3(0, 0, 5), up, 1e-8));
    // Survey coordinates: a point 1e-9 off the plane is still on it.
    CVec3 n(1, 1, 0);
    n.Normalize();
    const CPoint3 q(3.5e6, 5.6e6, 120);
    const CPoint3 inPlane = q + CVec3(-2, 2, 7) + n * 1e-9;
    EXPECT_TRUE(inPlane.IsOnPlane(q, n, 1e-8));
    EXPECT_FALSE((inPlane + n * 1e-7).IsOnPlane(q, n, 1e-8));
}

TEST(Point3, EqualityTolerance) {
    const CPoint3 p(1e6, 2e6, 3);
    EXPECT_TRUE(p == CPoint3(1e6, 2e6, 3 + 0.5e-8));
    EXPECT_FALSE(p == CPoint3(1e6, 2e6, 3 + 2e-8));
    EXPECT_FALSE(p == CPoint3(1e6 + 0.001, 2e6, 3));
    EXPECT_TRUE(p.Equals(CPoint3(1e6 + 0.001, 2e6, 3), 0.01));
    EXPECT_DOUBLE_EQ(CPoint3(1, 1, 1).Distance(CPoint3(4, 5, 1)), 5);
    const CPoint3 start(1, 2, 10);
    CPoint3 out(-1, -1, -1);
    // Parallel to the plane z = 3: no result, out untouched.
    EXPECT_FALSE(start.LineIntersectPlane(CPoint3(0, 0, 3), CVec3(0, 0, 1), CVec3(1, 1, 0), out));
    EXPECT_EQ(out.x, -1);
    ASSERT_TRUE(start.LineIntersectPlane(CPoint3(0, 0, 3), CVec3(0, 0, 2), CVec3(1, 0, -1), out));
    EXPECT_EQ(Xyz(out.AsVec(), 12), "8 2 3");
}

TEST(Matrix4, ConstructionConventions) {
    const CMatrix4 zero;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(zero.m[i / 4][i % 4], 0) << i;
    }
    // Right-hand rule about each axis.
    CVec3 v(1, 0, 0);
    v.RotateBy(CMatrix4(kPi / 2, 2));
    EXPECT_EQ(Xyz(v, 12), "0 1 0");
    v.RotateBy(CMatrix4(kPi / 2, 0));
    EXPECT_EQ(Xyz(v, 12), "0 0 1");
    v.RotateBy(CMatrix4(1.0, 0.0, 1));
    EXPECT_EQ(Xyz(v, 12), "1 0 0");
    EXPECT_TRUE(CMatrix4(0.3, 5).Equals(CMatrix4::Identity(), 0));
    // A·B applies B first: translate, then turn.
    const CPoint3 p =
        CPoint3(0, 0, 0).TransformedBy(CMatrix4(kPi / 2, 2) * CMatrix4(CVec3(1, 0, 0)));
    EXPECT_EQ(Xyz(p.AsVec(), 12), "0 1 0");
    const CMatrix4 rows(CVec3(1, 2, 3), CVec3(4, 5, 6), CVec3(7, 8, 9), 0);
    const CMatrix4 cols(CVec3(1, 2, 3), CVec3(4, 5, 6), CVec3(7, 8, 9), 1);
    EXPECT_EQ(rows.m[0][2], 3);
    EXPECT_EQ(cols.m[2][0], 3);
    EXPECT_EQ(cols.m[3][3], 1);
}

TEST(InvertSingularTest, ReturnsZeroAndKeepsMatrix) {
    const struct {
        const char* name;
        double m[4][4];
    } cases[] = {
        {"zero_row", {{1, 2, 3, 4}, {0, 0, 0, 0}, {5, 6, 7, 8}, {0, 0, 0, 1}}},
        {"equal_rows", {{1, 2, 4, 0}, {2, 4, 8, 0}, {0, 1, 1, 0}, {0, 0, 0, 1}}},
        {"zero", {}},
        {"nan", {{kNaN, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMatrix4 m;
        std::memcpy(m.m, c.m, sizeof m.m);
        const CMatrix4 before = m;
        EXPECT_EQ(m.Invert(), 0);
        EXPECT_TRUE(SameBits(m, before));
    }
}

TEST(Matrix4, InvertRandomAndPivoting) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int t = 0; t < 20; ++t) {
        CMatrix4 a;
        for (int i = 0; i < 16; ++i) {
            a.m[i / 4][i % 4] = u(rng) + (i % 5 == 0 ? 4 : 0);  // diagonally dominant
        }
        CMatrix4 inv = a;
        ASSERT_EQ(inv.Invert(), 1);
        EXPECT_TRUE((a * inv).Equals(CMatrix4::Identity(), 1e-12)) << t;
        EXPECT_TRUE((inv * a).Equals(CMatrix4::Identity(), 1e-12)) << t;
    }
    // Zero diagonal: only row and column exchanges make this invertible.
    CMatrix4 p;
    p.m[0][1] = 2;
    p.m[1][2] = -3;
    p.m[2][0] = 0.5;
    p.m[3][3] = 1;
    p.m[0][3] = 1e6;
    p.m[2][3] = -7;
    CMatrix4 inv = p;
    ASSERT_EQ(inv.Invert(), 1);
    EXPECT_TRUE((p * inv).Equals(CMatrix4::Identity(), 1e-9));
    EXPECT_DOUBLE_EQ(inv.m[1][0], 0.5);
    EXPECT_DOUBLE_EQ(inv.m[1][3], -5e5);
}

TEST(ThreePointFrameTest, BuildsRightHandedFrame) {
    const CPoint3 o(10, 20, 30), survey(6543210.123, 5432109.876, 212.5);
    const struct {
        const char* name;
        CPoint3 origin;
        int axisA;
        CVec3 toP1;
        int axisB;
        CVec3 toP2;
        CMatrix4 rotation;  // expected 3x3 part
    } cases[] = {
        {"x_then_y", o, 0, {5, 0, 0}, 1, {3, 7, 0}, kId},
        {"z_then_x", o, 2, {0, -3, 0}, 0, {5, 1, 0}, {kPi / 2, 0}},
        // p2 only fixes the plane: Z is X × Y, not the direction to p2.
        {"x_then_z", o, 0, {2, 2, 0}, 2, {1, 1, 3}, {kPi / 4, 2}},
        {"y_then_z", {}, 1, {0, 4, 0}, 2, {0, 1, 2}, kId},
        {"survey_offset_1e6", survey, 0, {0, 12.5, 0}, 1, {-4, 3, 0}, {kPi / 2, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CPoint3 p1 = c.origin + c.toP1;
        CMatrix4 m;
        m.setLocalCSMatrix(c.origin, c.axisA, p1, c.axisB, c.origin + c.toP2);
        ExpectRightHandedRotation(m);
        EXPECT_TRUE(m.Equals(Translated(c.rotation, c.origin), 1e-12));
        // Axis axisA points at p1: its local point maps back onto p1.
        CPoint3 local;
        local[c.axisA] = c.toP1.Length();
        EXPECT_NEAR(local.TransformedBy(m).Distance(p1), 0, 1e-8);
    }
}

TEST(ThreePointFailureTest, ThrowsAndKeepsMatrix) {
    const struct {
        const char* name;
        int axisA;
        CVec3 toP1;  // from (1e6, 1e6, 0)
        int axisB;
        CVec3 toP2;
        const char* text;
    } cases[] = {
        {"equal_axes", 1, {1, 0, 0}, 1, {0, 1, 0}, kLcsInvalidAxis},
        {"negative_axis", -1, {1, 0, 0}, 1, {0, 1, 0}, kLcsInvalidAxis},
        {"axis_3", 0, {1, 0, 0}, 3, {0, 1, 0}, kLcsInvalidAxis},
        {"collinear", 0, {1, 1, 0}, 1, {5, 5, 0}, kLcsNoPlane},
        {"p1_at_origin", 0, {}, 1, {0, 1, 0}, kLcsNoPlane},
        {"nan", 0, {kNaN, 0, 0}, 1, {0, 1, 0}, kLcsNoPlane},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CPoint3 o(1e6, 1e6, 0);
        ExpectRefused(
            [&](CMatrix4& m) { m.setLocalCSMatrix(o, c.axisA, o + c.toP1, c.axisB, o + c.toP2); },
            c.text);
    }
}

TEST(Matrix4, AxisPairFrame) {
    const CPoint3 origin(5e5, 6e6, 100);
    CMatrix4 m;
    m.setLocalCSMatrix(origin, CVec3(0, 0, 2), CVec3(3, 0, 0));
    EXPECT_TRUE(m.Equals(Translated(CMatrix4::Identity(), origin), 1e-15));

    // 89.5 degrees is close enough and is taken as it is, not straightened.
    const double tilt = 0.5 * kDegToRad;
    const CVec3 x(std::cos(tilt), 0, std::sin(tilt));
    m.setLocalCSMatrix(origin, CVec3(0, 0, 1), x * 4);
    EXPECT_NEAR(Column(m, 0).Length(), 1, 1e-15);
    EXPECT_DOUBLE_EQ(m.m[0][0], x.x);
    EXPECT_DOUBLE_EQ(m.m[2][0], x.z);
    EXPECT_GT(std::fabs(Dot(Column(m, 0), Column(m, 2))), 1e-3);

    const double tooFar = 1.1 * kDegToRad;
    const struct {
        CVec3 z, x;
        const char* text;
    } failures[] = {
        {{0, 0, 1}, {std::cos(tooFar), 0, std::sin(tooFar)}, kLcsNotPerpendicular},
        // Parallel axes whose cosine rounds past 1 must not slip through as NaN.
        {{1, 1, 1}, {1, 1, 1}, kLcsNotPerpendicular},
        {{0, 0, 1e-9}, {1, 0, 0}, kLcsZeroAxis},
        {{0, 0, 1}, {0, 0, 0}, kLcsZeroAxis},
    };
    for (const auto& c : failures) {
        ExpectRefused([&](CMatrix4& m) { m.setLocalCSMatrix(CPoint3(), c.z, c.x); }, c.text);
    }
}

TEST(Matrix4, ArbitraryAxisFrame) {
    const CPoint3 p(3.1e6, 5.2e6, 44);
    CMatrix4 m;
    m.SetArbitraryAxisFrame(p, CVec3(0, 0, 5), 0);
    EXPECT_TRUE(m.Equals(Translated(CMatrix4::Identity(), p), 1e-15));

    m.SetArbitraryAxisFrame(p, CVec3(0, 0, -1), 0);
    EXPECT_EQ(Columns(m), "-1 0 0 | 0 1 0 | 0 0 -1");

    // Far from Z the world Z axis is used: X lies horizontal.
    m.SetArbitraryAxisFrame(p, CVec3(1, 0, 0), 0);
    EXPECT_EQ(Columns(m), "0 1 0 | 0 0 1 | 1 0 0");
    ExpectRightHandedRotation(m);

    // Just inside the 1/64 box the world Y axis is used.
    m.SetArbitraryAxisFrame(p, CVec3(0.015, 0, 1), 0);
    EXPECT_NEAR(Column(m, 1).y, 1, 1e-3);
    EXPECT_NEAR(Column(m, 0).z, -0.015, 1e-3);

    // The angle turns the frame about its own Z; the origin stays.
    m.SetArbitraryAxisFrame(p, CVec3(0, 0, -1), 90);
    EXPECT_EQ(Columns(m), "0 1 0 | 1 0 0 | 0 0 -1");
    EXPECT_EQ(m.m[0][3], p.x);
    EXPECT_EQ(m.m[1][3], p.y);
}

TEST(Matrix4, PlaneFrameFlattensThePlane) {
    const CPoint3 p(4.5e5, 5.5e6, 210);
    CMatrix4 m;
    for (const CVec3& n : {CVec3(0, 0, 1), CVec3()}) {
        m.SetPlaneFrame(p, n, 0);
        EXPECT_TRUE(m.Equals(Translated(CMatrix4::Identity(), p), 1e-15));
    }
    // Points of a tilted plane land at one height, with their distances kept.
    const CVec3 n(0.3, -0.5, 0.8);
    CVec3 u = Cross(n, CVec3(1, 0, 0));
    u.Normalize();
    CVec3 w = Cross(n, u);
    w.Normalize();
    m.SetPlaneFrame(p, n * 7, 0);
    const CPoint3 a = p.TransformedBy(m);
    const CPoint3 b = (p + u * 10).TransformedBy(m);
    const CPoint3 c = (p + w * 3 - u * 4).TransformedBy(m);
    EXPECT_NEAR(b.z, a.z, 1e-8);
    EXPECT_NEAR(c.z, a.z, 1e-8);
    EXPECT_NEAR(a.Distance(b), 10, 1e-8);
    EXPECT_NEAR(a.Distance(c), 5, 1e-8);
}
