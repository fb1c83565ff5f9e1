#include "geometry/Polygon.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#include "support/Describe.h"

namespace {

using Outline = std::vector<CPoint3>;

const Outline kSquare{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const Outline kSquareCw{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
const Outline kL{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
const Outline kBowTie{{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};

// The outline moved into a tilted plane far from the origin, as survey data lies.
Outline Placed(const Outline& v) {
    CMatrix4 m;
    m.setLocalCSMatrix(CPoint3(6.4e6, 5.5e6, 230), CVec3(0.2, -0.4, 1), CVec3(1, 0.5, 0));
    Outline out;
    for (const CPoint3& p : v) {
        out.push_back(p.TransformedBy(m));
    }
    return out;
}

// Reference area of an outline in z = 0.
double Shoelace(const Outline& v) {
    double s = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const CPoint3& a = v[i];
        const CPoint3& b = v[(i + 1) % v.size()];
        s += a.x * b.y - b.x * a.y;
    }
    return std::fabs(s) / 2;
}

double Triangle(const CPoint3& a, const CPoint3& b, const CPoint3& c) {
    return 0.5 * Cross(b - a, c - a).Length();
}

// Total area of what the tessellator emitted, by primitive kind.
double TessellatedArea(const std::vector<CTessPrimitive>& prims) {
    double area = 0;
    for (const CTessPrimitive& p : prims) {
        const auto& q = p.points;
        for (size_t i = 2; i < q.size(); ++i) {
            if (p.kind == GL_TRIANGLES && i % 3 == 2) {
                area += Triangle(q[i - 2], q[i - 1], q[i]);
            } else if (p.kind == GL_TRIANGLE_STRIP) {
                area += Triangle(q[i - 2], q[i - 1], q[i]);
            } else if (p.kind == GL_TRIANGLE_FAN) {
                area += Triangle(q[0], q[i - 1], q[i]);
            }
        }
    }
    return area;
}

}  // namespace

TEST(Polygon, PlaneNormalAndPlanarity) {
    const struct {
        const char* name;
        Outline v;
        CVec3 normal;  // expected; (0, 0, 0) when there is no plane
        bool planar;
    } cases[] = {
        {"square_ccw", kSquare, {0, 0, 1}, true},
        {"square_cw", kSquareCw, {0, 0, -1}, true},
        {"concave_L", kL, {0, 0, 1}, true},
        {"lifted_1e_6", {{0, 0, 0}, {1, 0, 0}, {1, 1, 1e-6}, {0, 1, 0}}, {0, 0, 1}, false},
        {"survey_offset_1e6",
         {{6e6, 5e6, 300}, {6e6 + 20, 5e6, 300}, {6e6 + 20, 5e6 + 9, 300}},
         {0, 0, 1},
         true},
        // A vertical wall: the XZ plane, normal -y for this winding.
        {"vertical", {{0, 0, 0}, {4, 0, 0}, {4, 0, 3}, {0, 0, 3}}, {0, -1, 0}, true},
        // A tiny first edge is skipped when looking for the reference normal.
        {"short_first_edge",
         {{0, 0, 0}, {1e-3, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}},
         {0, 0, 1},
         true},
        {"collinear", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {0, 0, 0}, false},
        {"coincident", {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}, {0, 0, 0}, false},
        {"two_vertices", {{0, 0, 0}, {1, 0, 0}}, {0, 0, 0}, false},
        {"empty", {}, {0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CVec3 n(9, 9, 9);
        bool planar = !c.planar;
        ComputePlane(c.v, n, planar);
        // Loose enough for the slightly tilted normal of the lifted square.
        EXPECT_LT((n - c.normal).Length(), 1e-6);
        EXPECT_EQ(planar, c.planar);
    }
}

TEST(Polygon, BestPlaneCentroidAndFailure) {
    CVec3 n;
    CPoint3 c(7, 7, 7);
    ASSERT_TRUE(ComputeBestPlane(kL, n, c));
    EXPECT_EQ(Xyz(n, 15) + " / " + Xyz(c, 15), "0 0 1 / 1 1 0");
    // A failure leaves both.
    n = CVec3(4, 5, 6);
    c = CPoint3(7, 7, 7);
    EXPECT_FALSE(ComputeBestPlane(Outline{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, n, c));
    EXPECT_EQ(Xyz(n) + " / " + Xyz(c), "4 5 6 / 7 7 7");
}

// The plane's angle tests give AngleTo's answers everywhere: at the bounds themselves, where
// the cosine alone stops deciding, and for odd vectors.
TEST(Polygon, AngleTestsAgreeWithTheArcCosine) {
    const auto check = [](const CVec3& a, const CVec3& b) {
        const double angle = a.AngleTo(b);
        ASSERT_EQ(ClearAngle(a, b), angle > 20.0 && angle < 160.0)
            << a.x << " " << a.y << " " << a.z << " / " << b.x << " " << b.y << " " << b.z;
        ASSERT_EQ(ObtuseAngle(a, b), angle > 90.0)
            << a.x << " " << a.y << " " << a.z << " / " << b.x << " " << b.y << " " << b.z;
    };
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double kPi = std::acos(-1.0);
    // Angles at the bounds, at the cosines where the shortcut hands over, and a little off each.
    std::vector<double> angles = {20.0, 90.0, 160.0, 0.0, 180.0};
    for (double c : {0.93, 0.95, -0.93, -0.95, 1e-9, -1e-9}) {
        angles.push_back(std::acos(c) * 180.0 / kPi);
    }
    for (double base : std::vector<double>(angles)) {
        for (int k = -300; k <= 300; ++k) {
            angles.push_back(base + k * 1e-14 * std::max(1.0, base));
            angles.push_back(base + k * 1e-9);
        }
    }
    for (double deg : angles) {
        const double t = deg * kPi / 180.0;
        for (double len : {1.0, 3.7e-8, 2.5e6}) {
            const CVec3 a(len * unit(rng) + len * 2, 0, 0);
            const CVec3 dir(std::cos(t), std::sin(t), 0);
            check(a, CVec3(dir.x * len, dir.y * len, 0));
            // The same pair turned out of the XY plane.
            check(CVec3(a.x * 0.6, a.x * 0.8, 0),
                  CVec3((0.6 * dir.x - 0.8 * dir.y) * len, (0.8 * dir.x + 0.6 * dir.y) * len,
                        1e-3 * len * unit(rng)));
        }
    }
    for (int i = 0; i < 200000; ++i) {
        check(CVec3(unit(rng), unit(rng), unit(rng)), CVec3(unit(rng), unit(rng), unit(rng)));
    }
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const CVec3& odd : {CVec3(0, 0, 0), CVec3(1e-9, 0, 0), CVec3(inf, 0, 0), CVec3(-inf, 1, 0),
                             CVec3(nan, 1, 1), CVec3(1e200, 1e200, 0), CVec3(-1e200, 1e200, 0)}) {
        for (const CVec3& other : {CVec3(1, 0, 0), CVec3(-1, 0, 0), CVec3(0, 1, 0),
                                   CVec3(1e200, 0, 0), CVec3(-1e300, -1e300, 0)}) {
            check(odd, other);
            check(other, odd);
        }
    }
}

// Triangles take a shortcut to their plane; it must give the general search's result to the
// bit, or decline: mesh triangles at survey coordinates, slivers around the 20 degree bound,
// short edges around the tenth of the mean, degenerate and non-finite corners.
TEST(Polygon, TrianglePlaneMatchesTheGeneralSearch) {
    const auto same = [](double a, double b) {
        return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
    };
    int checked = 0, planes = 0;
    const auto check = [&](const CPoint3& a, const CPoint3& b, const CPoint3& c) {
        const Outline t{a, b, c};
        CVec3 n1(9, 9, 9), n2(9, 9, 9);
        CPoint3 c1(9, 9, 9), c2(9, 9, 9);
        const bool r1 = ComputeBestPlane(t, n1, c1);
        const bool r2 = ComputeBestPlaneGeneral(t, n2, c2);
        ++checked;
        planes += r1 ? 1 : 0;
        ASSERT_EQ(r1, r2) << a.x << " " << a.y << " " << b.x << " " << b.y << " " << c.x;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(same(n1[i], n2[i]) && same(c1[i], c2[i]))
                << i << ": " << n1[i] << " " << n2[i] << " " << c1[i] << " " << c2[i];
        }
    };
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double kPi = std::acos(-1.0);
    for (int i = 0; i < 100000; ++i) {
        const CPoint3 base(5.42e6 + 1e3 * unit(rng), 6.31e6 + 1e3 * unit(rng), 100 * unit(rng));
        const double s = std::pow(10.0, 5 * unit(rng));
        check(base, CPoint3(base.x + s * unit(rng), base.y + s * unit(rng), base.z + s * unit(rng)),
              CPoint3(base.x + s * unit(rng), base.y + s * unit(rng), base.z + s * unit(rng)));
    }
    // The angle at the first corner around 20 and 160 degrees, and a first edge around the
    // tenth of the mean edge length.
    for (double deg : {20.0, 160.0}) {
        for (int k = -50; k <= 50; ++k) {
            const double t = (deg + k * 1e-9) * kPi / 180.0;
            check(CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(std::cos(t), std::sin(t), 0));
            check(CPoint3(0, 0, 0), CPoint3(3, 0, 0), CPoint3(std::cos(t), std::sin(t), 0.5));
        }
    }
    for (int k = -50; k <= 50; ++k) {
        const double e = 0.1 * 2.0 / 3.0 * (1 + k * 1e-15);
        check(CPoint3(0, 0, 0), CPoint3(e, 0, 0), CPoint3(0, 1, 0));
        check(CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(0, e, 0));
    }
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<CPoint3> odd = {{0, 0, 0},      {1, 0, 0},    {0, 1, 0},     {1, 1, 0},
                                      {2, 2, 0},      {0, 0, 1e-9}, {1e200, 0, 0}, {0, 1e200, 0},
                                      {-1e300, 1, 0}, {inf, 0, 0},  {0, -inf, 0},  {nan, 0, 0},
                                      {0.5, 1e-12, 0}};
    for (const CPoint3& a : odd) {
        for (const CPoint3& b : odd) {
            for (const CPoint3& c : odd) {
                check(a, b, c);
            }
        }
    }
    // Most of them have a plane, and some only by the general search (the first corner's
    // angle not clear).
    EXPECT_GT(planes, checked / 2);
    CVec3 n;
    CPoint3 c;
    // Only the third corner makes a clear angle (157 degrees).
    ASSERT_TRUE(ComputeBestPlane(Outline{{0, 0, 0}, {1, 0, 0}, {0.5, 0.1, 0}}, n, c));
    EXPECT_NEAR(n.z, 1.0, 1e-12);
    EXPECT_NEAR(c.y, 0.1 / 3, 1e-15);
}

constexpr EAreaResult kOk = EAreaResult::Ok, kNoPlane = EAreaResult::NoPlane;

TEST(Polygon, AreaByEarClipping) {
    const struct {
        const char* name;
        Outline v;
        EAreaResult result;
        double area;
    } cases[] = {
        {"square_ccw", kSquare, kOk, 1},
        {"square_cw", kSquareCw, kOk, 1},
        {"last_repeated", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 0}}, kOk, 1},
        {"closed_by_first", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}}, kOk, 1},
        // Removing the duplicate leaves a triangle in the same pass; it must not be clipped.
        {"duplicate_first", {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, kOk, 0.5},
        {"triangle", {{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}, kOk, 6},
        {"concave_L", kL, kOk, 3},
        {"survey_offset_1e6", Placed(kL), kOk, 3},
        {"collinear_midpoint", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, kOk, 4},
        {"bow_tie", kBowTie, EAreaResult::NotReducible, 0},
        {"collinear", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, kNoPlane, 0},
        {"two_vertices", {{0, 0, 0}, {1, 0, 0}}, kNoPlane, 0},
        {"empty", {}, kNoPlane, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double area = -1;
        EXPECT_EQ(ComputeArea(c.v, area), c.result);
        EXPECT_NEAR(area, c.area, 1e-9);
    }
}

// Ears must be checked against every edge of the outline, not only those after the ear:
// otherwise an ear that swallows an earlier notch is clipped and the area comes out too big.
TEST(Polygon, AreaOfNotchedOutline) {
    const Outline v{{0.6823, 0.6725, 0}, {0.8487, 0.7718, 0}, {0.9105, 0.0776, 0},
                    {0.6932, 0.1143, 0}, {0.3731, 0.0340, 0}, {0.0505, 0.1488, 0},
                    {0.5214, 0.3522, 0}, {0.5054, 0.3090, 0}, {0.4607, 0.1700, 0},
                    {0.5552, 0.3907, 0}, {0.0813, 0.1928, 0}, {0.2784, 0.3511, 0},
                    {0.2957, 0.4402, 0}, {0.4008, 0.4613, 0}};
    double area = 0;
    ASSERT_EQ(ComputeArea(v, area), EAreaResult::Ok);
    EXPECT_NEAR(area, Shoelace(v), 1e-12);
}

TEST(Polygon, AreaOfRandomSimpleOutlines) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> u(0, 1);
    // Orientation of c against the line a-b, for untangling.
    auto side = [](const CPoint3& a, const CPoint3& b, const CPoint3& c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    };
    auto crosses = [&](const CPoint3& a, const CPoint3& b, const CPoint3& c, const CPoint3& d) {
        return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
    };
    for (int t = 0; t < 300; ++t) {
        const size_t n = 5 + rng() % 10;
        Outline v;
        for (size_t i = 0; i < n; ++i) {
            v.emplace_back(u(rng) * 100, u(rng) * 100, 0);
        }
        // Reverse the stretch between crossing edges until none cross: a simple outline.
        for (bool changed = true; changed;) {
            changed = false;
            for (size_t i = 0; i < n && !changed; ++i) {
                for (size_t j = i + 2; j < n && !changed; ++j) {
                    if ((i == 0 && j == n - 1) || !crosses(v[i], v[i + 1], v[j], v[(j + 1) % n])) {
                        continue;
                    }
                    std::reverse(v.begin() + static_cast<long>(i) + 1,
                                 v.begin() + static_cast<long>(j) + 1);
                    changed = true;
                }
            }
        }
        double area = 0;
        ASSERT_EQ(ComputeArea(v, area), EAreaResult::Ok) << t;
        EXPECT_NEAR(area, Shoelace(v), 1e-8) << t;
        ASSERT_EQ(ComputeArea(Placed(v), area), EAreaResult::Ok) << t;
        EXPECT_NEAR(area, Shoelace(v), 1e-6) << t;
    }
}

const CPoint3 kE6(6e6, 5e6, 100);
const CSegment kSurveyA{kE6, kE6 + CVec3(10, 10, 0)},
    kSurveyB{kE6 + CVec3(10, 0, 0), kE6 + CVec3(0, 10, 0)};
const CSegment kTinyA{{0, 0, 0}, {0.01, 0, 0}}, kTinyB{{5e-3, -4e-4, -4e-4}, {5e-3, 4e-4, 4e-4}};

TEST(Polygon, SegmentIntersection) {
    const struct {
        const char* name;
        CSegment a, b;
        const char* flags;  // 'a', 'b': clamp to segment a, b; 's': skip the coplanarity test
        int result;
        CPoint3 point;
    } cases[] = {
        {"end_excluded", {{0, 0, 0}, {1, 0, 0}}, {{1, 0, 0}, {1, 1, 0}}, "ab", 0, {}},
        {"start_included", {{1, 0, 0}, {1, 1, 0}}, {{0, 0, 0}, {2, 0, 0}}, "ab", 1, {1, 0, 0}},
        {"crossing", {{0, 0, 0}, {2, 0, 0}}, {{1, -1, 0}, {1, 1, 0}}, "ab", 1, {1, 0, 0}},
        {"beyond_end", {{0, 0, 0}, {2, 0, 0}}, {{3, -1, 0}, {3, 1, 0}}, "ab", 0, {}},
        {"beyond_end_unclamped",
         {{0, 0, 0}, {2, 0, 0}},
         {{3, -1, 0}, {3, 1, 0}},
         "b",
         1,
         {3, 0, 0}},
        {"parallel", {{0, 0, 0}, {2, 0, 0}}, {{0, 1, 0}, {2, 1, 0}}, "", 0, {}},
        {"overlapping", {{0, 0, 0}, {2, 0, 0}}, {{1, 0, 0}, {3, 0, 0}}, "ab", 0, {}},
        {"skew", {{0, 0, 0}, {2, 0, 0}}, {{1, -1, 1}, {1, 1, 1}}, "ab", 0, {}},
        // Without the coplanarity test the crossing in the first solvable plane counts.
        {"skew_unchecked", {{0, 0, 0}, {2, 0, 0}}, {{1, -1, 1}, {1, 1, 1}}, "abs", 1, {1, 0, 0}},
        {"vertical_plane", {{0, 5, 0}, {2, 5, 2}}, {{0, 5, 2}, {2, 5, 0}}, "ab", 1, {1, 5, 1}},
        {"survey_offset_1e6", kSurveyA, kSurveyB, "ab", 1, kE6 + CVec3(5, 5, 0)},
        // Every coordinate pair sees less than the tolerance, the 3D cross product does not.
        {"tiny_segments", kTinyA, kTinyB, "ab", 1, {0.005, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = c.flags;
        const auto has = [&f](char k) { return f.find(k) != std::string::npos ? 1 : 0; };
        CPoint3 out(-7, -7, -7);
        ASSERT_EQ(IntersectSegments(c.a, c.b, out, has('a'), has('b'), has('s')), c.result);
        const CPoint3 expected = c.result ? c.point : CPoint3(-7, -7, -7);
        EXPECT_NEAR(out.Distance(expected), 0, 1e-9);
    }
}

TEST(Polygon, PointInPolygon) {
    const CMatrix4 id = CMatrix4::Identity();
    EXPECT_EQ(PointInPolygon(kSquare, CPoint3(0.5, 0.5, 0), id), 1);
    EXPECT_EQ(PointInPolygon(kSquareCw, CPoint3(0.5, 0.5, 0), id), 1);
    EXPECT_EQ(PointInPolygon(kSquare, CPoint3(1.5, 0.5, 0), id), 0);
    EXPECT_EQ(PointInPolygon(kSquare, CPoint3(-0.5, 2, 0), id), 0);
    EXPECT_EQ(PointInPolygon(kL, CPoint3(1.5, 1.5, 0), id), 0);  // in the notch
    EXPECT_EQ(PointInPolygon(kL, CPoint3(0.5, 1.5, 0), id), 1);
    EXPECT_EQ(PointInPolygon({}, CPoint3(0, 0, 0), id), 0);
    // A wall seen from the side is a line; laid flat by its plane frame it has an inside.
    const Outline wall{{0, 0, 0}, {4, 0, 0}, {4, 0, 3}, {0, 0, 3}};
    EXPECT_EQ(PointInPolygon(wall, CPoint3(2, 0, 1), id), 0);
    CMatrix4 flat;
    flat.SetPlaneFrame(wall[0], CVec3(0, -1, 0), 0);
    EXPECT_EQ(PointInPolygon(wall, CPoint3(2, 0, 1), flat), 1);
    EXPECT_EQ(PointInPolygon(wall, CPoint3(5, 0, 1), flat), 0);
}

TEST(Polygon, TessellationCoversTheOutline) {
    const struct {
        const char* name;
        Outline v;
        double area;
    } cases[] = {
        {"square", kSquare, 1},
        {"square_cw", kSquareCw, 1},
        {"concave_L", kL, 3},
        {"survey_offset_1e6", Placed(kL), 3},
        {"repeated_vertex", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {0, 1, 0}}, 1},
        // The crossing needs a new vertex; both lobes are filled (odd winding).
        {"bow_tie", kBowTie, 0.5},
        {"two_vertices", {{0, 0, 0}, {1, 0, 0}}, 0},
        {"empty", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CTessPrimitive> prims(2);  // stale content must go
        ASSERT_TRUE(Tessellate(c.v, prims));
        EXPECT_NEAR(TessellatedArea(prims), c.area, 1e-6);
        for (const CTessPrimitive& p : prims) {
            EXPECT_TRUE(p.kind == GL_TRIANGLES || p.kind == GL_TRIANGLE_FAN ||
                        p.kind == GL_TRIANGLE_STRIP);
            for (const CPoint3& q : p.points) {
                EXPECT_EQ(q.flag, 1u);
            }
        }
    }
}

TEST(Polygon, TessellateRefusesUnusableCoordinatesAndCutsAtCrossings) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<CTessPrimitive> prims(1);
    EXPECT_FALSE(Tessellate(Outline{{0, 0, 0}, {1, 0, 0}, {1, nan, 0}}, prims));
    EXPECT_TRUE(prims.empty());
    EXPECT_FALSE(Tessellate(Outline{{0, 0, 0}, {1e200, 0, 0}, {0, 1, 0}}, prims));
    EXPECT_FALSE(Tessellate(Outline{{0, 0, 0}, {HUGE_VAL, 0, 0}, {0, 1, 0}}, prims));
    // Nothing stale is left behind for the next polygon.
    ASSERT_TRUE(Tessellate(kSquare, prims));
    EXPECT_NEAR(TessellatedArea(prims), 1, 1e-12);
    // A bow tie is cut at its crossing.
    ASSERT_TRUE(Tessellate(kBowTie, prims));
    bool crossing = false;
    for (const CTessPrimitive& p : prims) {
        for (const CPoint3& q : p.points) {
            crossing = crossing || q.Equals(CPoint3(0.5, 0.5, 0), 1e-12);
        }
    }
    EXPECT_TRUE(crossing);
}

TEST(Polygon, TessellateOnAnotherThread) {
    double area = -1;
    std::thread worker([&] {
        std::vector<CTessPrimitive> prims;
        if (Tessellate(kL, prims)) {
            area = TessellatedArea(prims);
        }
    });
    worker.join();
    EXPECT_NEAR(area, 3, 1e-12);
}
