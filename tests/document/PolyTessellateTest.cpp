#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "geometry/Polygon.h"

namespace {

// CPoly::Tessellate must give exactly what the GLU tessellator gives (::Tessellate), whichever
// way it takes: same primitives, kinds, points and flags, same tessellated flag.
void ExpectSameAsTessellator(const std::vector<CPoint3>& outline, const std::string& what) {
    std::vector<CTessPrimitive> expected;
    const bool ok = ::Tessellate(outline, expected);
    CPoly poly;
    poly.m_closed = 1;
    poly.m_vertices.assign(outline.begin(), outline.end());
    poly.m_triangulation.push_back({});  // stale content must go
    poly.m_fan = 7;
    poly.m_tessellated = ok ? 0 : 1;  // and the flag must be set either way
    poly.Tessellate();
    ASSERT_EQ(poly.m_tessellated, ok ? 1 : 0) << what;
    ASSERT_TRUE(poly.m_fan == 0 || poly.m_fan == 1 || poly.m_fan == -1) << what;
    if (poly.m_fan != 0) {
        // A fan keeps no copy of the vertices.
        EXPECT_EQ(poly.m_triangulation.capacity(), 0u) << what;
    }
    const std::vector<CTessPrimitive> got = poly.FillPrimitives();
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (size_t k = 0; k < expected.size(); ++k) {
        const CTessPrimitive& e = expected[k];
        const CTessPrimitive& g = got[k];
        ASSERT_EQ(g.kind, e.kind) << what << " primitive " << k;
        ASSERT_EQ(g.points.size(), e.points.size()) << what << " primitive " << k;
        for (size_t j = 0; j < e.points.size(); ++j) {
            // Bitwise: the same arithmetic must give the same doubles.
            EXPECT_EQ(std::memcmp(&g.points[j].x, &e.points[j].x, 3 * sizeof(double)), 0)
                << what << " point " << j;
            EXPECT_EQ(g.points[j].flag, e.points[j].flag) << what << " point " << j;
        }
    }
}

std::vector<CPoint3> RegularPolygon(size_t n, double r, double z) {
    std::vector<CPoint3> v;
    for (size_t i = 0; i < n; ++i) {
        const double a =
            2.0 * 3.14159265358979323846 * static_cast<double>(i) / static_cast<double>(n);
        v.emplace_back(r * std::cos(a), r * std::sin(a), z);
    }
    return v;
}

TEST(PolyTessellateTest, RandomOutlinesMatchTheTessellator) {
    std::mt19937 rng(4711);
    std::uniform_real_distribution<double> coord(-1e3, 1e3);
    std::uniform_real_distribution<double> survey(-0.5, 0.5);
    std::uniform_int_distribution<int> count(3, 12);
    for (int i = 0; i < 3000; ++i) {
        std::vector<CPoint3> v(static_cast<size_t>(count(rng)));
        if (i % 3 == 0) {
            // Near-planar cells at survey coordinates, as meshes and faces hold them.
            const double ox = 5420000.0 + coord(rng), oy = 6310000.0 + coord(rng);
            v = RegularPolygon(v.size(), 1.0 + survey(rng), 100.0);
            for (CPoint3& p : v) {
                p.x += ox + 0.01 * survey(rng);
                p.y += oy + 0.01 * survey(rng);
                p.z += 1e-3 * survey(rng);
            }
        } else {
            for (CPoint3& p : v) {
                p = CPoint3(coord(rng), coord(rng), i % 3 == 1 ? 0.0 : coord(rng));
            }
        }
        ExpectSameAsTessellator(v, "case " + std::to_string(i));
        if (HasFailure()) {
            return;
        }
    }
}

TEST(PolyTessellateTest, EdgeCasesMatchTheTessellator) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CPoint3 a(1, 2, 3), b(4, 5, 6), c(7, 8, 10);
    const struct {
        const char* name;
        std::vector<CPoint3> outline;
    } cases[] = {
        {"Empty", {}},
        {"OnePoint", {a}},
        {"TwoPoints", {a, b}},
        {"SamePointThrice", {a, a, a}},
        {"Collinear", {a, b, CPoint3(7, 8, 9)}},
        {"Counterclockwise", {CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(0, 1, 0)}},
        {"Clockwise", {CPoint3(0, 0, 0), CPoint3(0, 1, 0), CPoint3(1, 0, 0)}},
        {"Upright", {CPoint3(0, 0, 0), CPoint3(0, 0, 1), CPoint3(0, 1, 0)}},
        {"Underflow", {CPoint3(1e-170, 0, 0), CPoint3(0, 1e-170, 0), CPoint3()}},
        {"Overflow", {CPoint3(1e149, 0, 0), CPoint3(0, 1e149, 0), a}},
        {"OverflowQuad",
         {CPoint3(1e149, 0, 0), CPoint3(0, 1e149, 0), CPoint3(-1e149, 0, 0),
          CPoint3(0, -1e149, 1e149)}},
        {"BeyondRange", {CPoint3(2e150, 0, 0), b, c}},
        {"Infinite", {a, CPoint3(0, inf, 0), c}},
        {"NotANumber", {a, b, CPoint3(0, 0, nan)}},
        {"Square", {CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(1, 1, 0), CPoint3(0, 1, 0)}},
        {"SquareClockwise",
         {CPoint3(0, 0, 0), CPoint3(0, 1, 0), CPoint3(1, 1, 0), CPoint3(1, 0, 0)}},
        // The fan from the first vertex turns both ways: the general path.
        {"Concave", {CPoint3(0, 0, 0), CPoint3(2, 0, 0), CPoint3(1, 0.2, 0), CPoint3(2, 2, 0)}},
        {"Bowtie", {CPoint3(0, 0, 0), CPoint3(1, 1, 0), CPoint3(1, 0, 0), CPoint3(0, 1, 0)}},
        {"RepeatedVertex",
         {CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(1, 0, 0), CPoint3(1, 1, 0)}},
        {"ClosingVertexRepeated",
         {CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(1, 1, 0), CPoint3(0, 0, 0)}},
        {"Circle100", RegularPolygon(100, 5.0, 1.0)},
        {"Circle101", RegularPolygon(101, 5.0, 1.0)},
        {"Circle400", RegularPolygon(400, 5.0, 1.0)},
    };
    for (const auto& c : cases) {
        ExpectSameAsTessellator(c.outline, c.name);
    }
}

}  // namespace
