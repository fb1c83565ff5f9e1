#pragma once

// Planar polygon geometry over a vertex list: plane and planarity, area by ear clipping,
// tessellation for filling, and the segment and point-in-polygon tests behind them.
// The polygon is closed implicitly: the last vertex connects back to the first.

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/Vec3.h"

// Primitive kinds of a tessellation, with OpenGL's values.
inline constexpr uint32_t kTessTriangles = 0x0004;
inline constexpr uint32_t kTessTriangleStrip = 0x0005;
inline constexpr uint32_t kTessTriangleFan = 0x0006;
// Outlines of up to this many vertices may be filled as one fan (see TessellateAsFan).
inline constexpr size_t kTessFanLimit = 100;

// One primitive of a tessellation: kind is the primitive reported by the tessellator
// (kTessTriangles, kTessTriangleFan or kTessTriangleStrip), points in emitted order (flag 1).
struct CTessPrimitive {
    uint32_t kind = 0;
    std::vector<CPoint3> points;
};

// A segment from S to E.
struct CSegment {
    CPoint3 S, E;
};

// Outcome of ComputeArea.
enum class EAreaResult {
    Ok,           // area computed
    NoPlane,      // fewer than three usable vertices or no plane found
    NotReducible  // ear clipping gave up (self-intersecting or badly non-planar outline)
};

// a.AngleTo(b) > 20 && a.AngleTo(b) < 160, and a.AngleTo(b) > 90, with the same answers but
// without the arc cosine where the cosine alone decides.
bool ClearAngle(const CVec3& a, const CVec3& b);
bool ObtuseAngle(const CVec3& a, const CVec3& b);

// Best-fit plane: unit normal and the centroid; false (outputs untouched) for fewer than three
// vertices or when no two edges make an angle between 20 and 160 degrees.
bool ComputeBestPlane(std::span<const CPoint3> v, CVec3& outNormal, CPoint3& outPoint);
// The same without the shortcut for triangles, which must agree with it to the bit.
bool ComputeBestPlaneGeneral(std::span<const CPoint3> v, CVec3& outNormal, CPoint3& outPoint);

// Plane normal ((0, 0, 0) when there is none) and whether every vertex lies within 1e-8 of
// the plane through the centroid.
void ComputePlane(std::span<const CPoint3> v, CVec3& outNormal, bool& outPlanar);

// The tessellator's shortcut for one outline of 3 to kTessFanLimit vertices, to the bit: true
// when it would fill the outline as a single fan, with fan = 1 as the vertices run, -1 reversed,
// 0 when there is nothing to fill. False when it would build its mesh (Tessellate then gives
// the triangles) or refuses a coordinate.
bool TessellateAsFan(std::span<const CPoint3> v, int& fan);

// Triangulates the outline with the GLU tessellator (default winding rule); out is replaced.
// Returns false with an empty out when the tessellator reports an error or a coordinate is
// not finite or beyond GLU's range; fewer than three vertices give true and an empty out.
bool Tessellate(std::span<const CPoint3> v, std::vector<CTessPrimitive>& out);

// Area by ear clipping in the polygon's plane; outArea is 0 unless the result is Ok. The
// caller reports NotReducible to the user.
EAreaResult ComputeArea(std::span<const CPoint3> v, double& outArea);

// 1 and the intersection point when the segments meet, else 0 (out untouched). Unless
// skipCoplanarTest, they must be coplanar (triple product < 1e-5); parallel ones never meet.
// A clamped segment includes its start and excludes its end (1e-8 slack at the start).
int IntersectSegments(const CSegment& A, const CSegment& B, CPoint3& out, int clampA, int clampB,
                      int skipCoplanarTest);

// 1 when P lies inside the outline as seen in the XY plane of frame M (winding count +-1),
// else 0; an empty outline gives 0.
int PointInPolygon(std::span<const CPoint3> v, const CPoint3& P, const CMatrix4& M);
