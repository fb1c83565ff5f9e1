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

// A polyline in the xy plane whose segment from points[i] has bulges[i] (missing ones are 0),
// first point included; closed adds the segment back to the first point unless the last point
// is the first already.
void AppendBulgedPolyline(const std::vector<CPoint3>& points, const std::vector<double>& bulges,
                          bool closed, std::vector<CPoint3>& out);

// A B-spline (NURBS when weights are given) of degree 1 to kMaxSplineDegree: control points,
// one weight per control point or none (all 1), knots count = control points + degree + 1.
inline constexpr int kMaxSplineDegree = 20;
struct SSpline {
    int degree = 3;
    std::vector<CPoint3> control;
    std::vector<double> weights;
    std::vector<double> knots;
};

// Why a spline cannot be drawn; None when it can.
enum class ESplineFault { None, Degree, TooFewPoints, Knots, Weights, NotFinite };
ESplineFault CheckSpline(const SSpline& s);

// The point at parameter u (clamped to the knots' valid range [knot[degree], knot[n]]) by de
// Boor's algorithm; the spline must pass CheckSpline.
CPoint3 SplinePoint(const SSpline& s, double u);

// Points along the valid range by the rule of arcs applied to the local radius of curvature
// (and, when tolerance > 0, chords straying at most tolerance), both ends included, at most
// kMaxCurvePoints in all.
inline constexpr size_t kMaxCurvePoints = 200000;
void AppendSpline(const SSpline& s, double tolerance, std::vector<CPoint3>& out);

// Clamped uniform knots for n control points and the degree (open splines without knots).
std::vector<double> ClampedKnots(int n, int degree);

// The cubic spline through fit points (chord-length parameters, natural ends unless tangents
// are given; closed repeats the first point at the end), as points along it, appended to out.
// Fewer than two points give the points themselves.
void AppendFitSpline(const std::vector<CPoint3>& fit, const CVec3* startTangent,
                     const CVec3* endTangent, bool closed, double tolerance,
                     std::vector<CPoint3>& out);

// The elliptic arc centre + cos(t) u + sin(t) v, t from t0 over sweep radians, by the rule of
// arcs at its local radius (a thin ellipse gets its points at its tips), both ends included.
// Non-finite input adds nothing.
void AppendEllipse(const CPoint3& centre, const CVec3& u, const CVec3& v, double t0, double sweep,
                   std::vector<CPoint3>& out);
