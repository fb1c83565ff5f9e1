#pragma once

// Curves that the drawing has no entity for, as polylines: elliptic arcs (and so circular arcs
// seen under unequal scaling, and polyline bulges). One tolerance for all: the chord strays from
// the curve by at most 1/1000 of its radius, and no segment spans more than 10 degrees.

#include <vector>

#include "geometry/Vec3.h"

// Largest angle a segment of an arc spans, in radians: the smaller of 10 degrees and the angle
// whose chord strays 1/1000 of the radius (2 acos 0.999, about 5.1 degrees).
double ArcStepRadians();

// Segments for sweep radians of an arc: at least one, at most kMaxArcSegments.
inline constexpr int kMaxArcSegments = 4096;
int ArcSegments(double sweepRadians);

// Points of the elliptic arc centre + cos(t) u + sin(t) v for t from t0 over sweep (radians,
// negative runs clockwise), both ends included, appended to out. Non-finite input adds nothing
// and gives false.
bool AppendEllipseArc(const CPoint3& centre, const CVec3& u, const CVec3& v, double t0,
                      double sweep, std::vector<CPoint3>& out);

// The points of a polyline segment from a to b with bulge (the tangent of a quarter of the
// included angle, positive counter-clockwise about normal), without a, with b; a bulge of 0 (or
// one so small the arc is a chord) gives b alone. Non-finite or absurd bulges (|bulge| > 1e6)
// are taken as straight.
void AppendBulge(const CPoint3& a, const CPoint3& b, double bulge, const CVec3& normal,
                 std::vector<CPoint3>& out);
