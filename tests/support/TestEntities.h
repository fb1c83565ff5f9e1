#pragma once

// Entities made in one line, and their coordinates compared in one.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "document/Entity.h"

inline std::unique_ptr<CPnt> MakePnt(const CPoint3& at, const std::string& name = "") {
    auto p = std::make_unique<CPnt>();
    p->m_point = at;
    p->m_name = name;
    return p;
}

// A polyline, or a polygon when closed.
inline std::unique_ptr<CPoly> MakePoly(std::vector<CPoint3> vertices, int closed = 0) {
    auto p = std::make_unique<CPoly>();
    p->m_vertices.assign(vertices.begin(), vertices.end());
    p->m_closed = closed;
    return p;
}

inline std::unique_ptr<CArc> MakeArc(const CPoint3& centre, double radius, double start = 0,
                                     double length = 360) {
    auto a = std::make_unique<CArc>();
    a->m_center = centre;
    a->m_radius = radius;
    a->m_start = start;
    a->m_length = length;
    return a;
}

// A text lying in the XY plane.
inline std::unique_ptr<CText> MakeText(const std::string& text, const CPoint3& at,
                                       double height = 1.0) {
    auto t = std::make_unique<CText>();
    t->m_text = text;
    t->m_position = at;
    t->m_axis = CVec3(0, 0, 1);
    t->m_height = height;
    return t;
}

template <class E>
std::unique_ptr<E> Colored(std::unique_ptr<E> e, double r, double g, double b) {
    e->m_color[0] = r;
    e->m_color[1] = g;
    e->m_color[2] = b;
    return e;
}

// x, y and z of a point or vector within tol.
template <class P>
void ExpectXyz(const P& p, double x, double y, double z, double tol = 1e-9) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
    EXPECT_NEAR(p.z, z, tol);
}

// Sets the entity counter for a test and puts it back afterwards.
class CCounterGuard {
public:
    explicit CCounterGuard(int start = 0) : m_saved(GetLastEntityNumber()) {
        SetLastEntityNumber(start);
    }
    ~CCounterGuard() { SetLastEntityNumber(m_saved); }
    CCounterGuard(const CCounterGuard&) = delete;
    CCounterGuard& operator=(const CCounterGuard&) = delete;

private:
    int m_saved;
};

// Distance of a point from a polyline (from its one point when it has only one).
inline double DistanceToPolyline(const CPoint3& q, const std::vector<CPoint3>& line) {
    double best = (q - line.front()).Length();
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        const CVec3 d = line[i + 1] - line[i];
        const double len2 = Dot(d, d);
        const double t = len2 > 0.0 ? std::clamp(Dot(q - line[i], d) / len2, 0.0, 1.0) : 0.0;
        best = std::min(best, (q - (line[i] + d * t)).Length());
    }
    return best;
}
