#include "geometry/Polygon.h"

#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <deque>
#include <new>

// ---- plane ----

namespace {

// The cosine AngleTo takes the arc cosine of, given the lengths la and lb of a and b, and
// whether AngleTo gives anything but 0.
bool AngleCosine(const CVec3& a, double la, const CVec3& b, double lb, double& c) {
    if (la < kGeomTol || lb < kGeomTol) {
        return false;
    }
    c = (Dot(a, b) / la) / lb;
    return true;
}

// ClearAngle with the lengths the caller has already.
bool ClearAngle(const CVec3& a, double la, const CVec3& b, double lb) {
    double c = 0.0;
    if (!AngleCosine(a, la, b, lb, c)) {
        return false;
    }
    if (std::fabs(c) < 0.93) {
        return true;
    }
    if (std::fabs(c) > 0.95) {
        return false;
    }
    const double angle = a.AngleTo(b);
    return angle > 20.0 && angle < 160.0;
}

}  // namespace

// a.AngleTo(b) strictly between 20 and 160 degrees. The arc cosine is slow and only needed
// where the cosine is near cos 20° = 0.9397; elsewhere its sign and size decide, with the
// same answer.
bool ClearAngle(const CVec3& a, const CVec3& b) {
    return ClearAngle(a, a.Length(), b, b.Length());
}

// a.AngleTo(b) > 90, decided by the cosine's sign unless it is within rounding of 0.
bool ObtuseAngle(const CVec3& a, const CVec3& b) {
    double c = 0.0;
    if (!AngleCosine(a, a.Length(), b, b.Length(), c)) {
        return false;
    }
    if (c < -1e-9 || c > 1e-9) {
        return c < 0.0;
    }
    return a.AngleTo(b) > 90.0;
}

namespace {

// ComputeBestPlaneGeneral for three vertices when the first edge pair makes the clear angle,
// as in almost every mesh triangle: the same arithmetic in the same order. The general sum
// then has one term, the reference normal itself, which never turns against itself (the
// cosine with itself is 1, or NaN where the lengths overflow), so the normal is its double.
// False when the general search has to decide.
bool TriangleBestPlane(const CPoint3& a, const CPoint3& b, const CPoint3& c, CVec3& outNormal,
                       CPoint3& outPoint) {
    const CVec3 ab = b - a;
    const CVec3 ac = c - a;
    // Distance(p, q) is the length of p - q, whose components are those of q - p negated.
    const double lab = ab.Length();
    const double lbc = (c - b).Length();
    const double lac = ac.Length();
    // The general sum starts from 0, which adds nothing to a length.
    const double perimeter = lab + lbc + lac;
    const double minLen = 0.1 * perimeter / 3.0;
    if (lab <= minLen || lac <= minLen || !ClearAngle(ab, lab, ac, lac)) {
        return false;
    }
    CVec3 normal = Cross(ab, ac);
    normal += normal;
    normal.Normalize();
    CPoint3 centroid;
    centroid += a;
    centroid += b;
    centroid += c;
    centroid /= 3.0;
    outNormal = normal;
    outPoint = centroid;
    return true;
}

}  // namespace

bool ComputeBestPlane(std::span<const CPoint3> v, CVec3& outNormal, CPoint3& outPoint) {
    if (v.size() == 3 && TriangleBestPlane(v[0], v[1], v[2], outNormal, outPoint)) {
        return true;
    }
    return ComputeBestPlaneGeneral(v, outNormal, outPoint);
}

bool ComputeBestPlaneGeneral(std::span<const CPoint3> v, CVec3& outNormal, CPoint3& outPoint) {
    const size_t n = v.size();
    if (n < 3) {
        return false;
    }
    CPoint3 centroid;
    double perimeter = 0;
    for (size_t i = 0; i < n; ++i) {
        centroid += v[i];
        perimeter += v[i].Distance(v[i + 1 < n ? i + 1 : 0]);
    }
    centroid /= static_cast<double>(n);
    // Edges and chords shorter than a tenth of the mean edge say little about the plane.
    const double minLen = 0.1 * perimeter / static_cast<double>(n);

    // Reference normal from the first edge pair that makes a clear angle.
    CVec3 normal;
    bool found = false;
    for (size_t i = 0; i < n && !found; ++i) {
        const CVec3 ab = v[i + 1 < n ? i + 1 : 0] - v[i];
        const double lab = ab.Length();
        if (lab <= minLen) {
            continue;
        }
        for (size_t k = i + 2 < n ? i + 2 : i + 2 - n; k < n; ++k) {
            const CVec3 ac = v[k] - v[i];
            const double lac = ac.Length();
            if (lac <= minLen) {
                continue;
            }
            if (ClearAngle(ab, lab, ac, lac)) {
                normal = Cross(ab, ac);
                found = true;
                break;
            }
        }
    }
    if (!found) {
        return false;
    }

    // Sum every edge/chord normal, each turned to agree with the running sum, so one
    // reflex vertex cannot flip the result.
    for (size_t i = 0; i + 2 < n; ++i) {
        const CVec3 edge = v[i + 1] - v[i];
        for (size_t k = i + 2; k < n; ++k) {
            CVec3 nik = Cross(edge, v[k] - v[i]);
            if (ObtuseAngle(normal, nik)) {
                nik = -nik;
            }
            normal += nik;
        }
    }
    normal.Normalize();
    outNormal = normal;
    outPoint = centroid;
    return true;
}

void ComputePlane(std::span<const CPoint3> v, CVec3& outNormal, bool& outPlanar) {
    CVec3 normal;
    CPoint3 centroid;
    if (!ComputeBestPlane(v, normal, centroid)) {
        outNormal = CVec3();
        outPlanar = false;
        return;
    }
    outNormal = normal;
    outPlanar = true;
    for (const CPoint3& p : v) {
        if (!p.IsOnPlane(centroid, normal, kGeomTol)) {
            outPlanar = false;
            break;
        }
    }
}

// ---- tessellation ----

namespace {

// Everything the callbacks of one tessellation write to.
struct CTessRun {
    std::vector<CTessPrimitive> primitives;
    // Vertices made by the combine callback; a deque never moves what it already holds.
    std::deque<std::array<GLdouble, 3>> combined;
    bool ok = true;
};

// Callbacks must not let an exception unwind through the C library.
void GLAPIENTRY OnTessBegin(GLenum kind, void* data) {
    auto* run = static_cast<CTessRun*>(data);
    try {
        run->primitives.push_back(CTessPrimitive{static_cast<uint32_t>(kind), {}});
    } catch (...) {
        run->ok = false;
    }
}

void GLAPIENTRY OnTessVertex(void* vertex, void* data) {
    auto* run = static_cast<CTessRun*>(data);
    if (!run->ok || run->primitives.empty()) {
        return;
    }
    const auto* c = static_cast<const GLdouble*>(vertex);
    try {
        run->primitives.back().points.emplace_back(c[0], c[1], c[2]);
    } catch (...) {
        run->ok = false;
    }
}

void GLAPIENTRY OnTessEnd(void*) {}

void GLAPIENTRY OnTessCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4],
                              void** outVertex, void* data) {
    auto* run = static_cast<CTessRun*>(data);
    try {
        run->combined.push_back({coords[0], coords[1], coords[2]});
        *outVertex = run->combined.back().data();
    } catch (...) {
        run->ok = false;
        *outVertex = nullptr;
    }
}

void GLAPIENTRY OnTessError(GLenum, void* data) {
    static_cast<CTessRun*>(data)->ok = false;
}

// One tessellator per thread: creating one per polygon costs more than tessellating a quad.
class CThreadTess {
public:
    CThreadTess() = default;
    CThreadTess(const CThreadTess&) = delete;
    CThreadTess& operator=(const CThreadTess&) = delete;
    ~CThreadTess() { Discard(); }

    // The thread's tessellator with our callbacks, or null when GLU has no memory.
    GLUtesselator* Get() {
        if (!m_tess) {
            m_tess = gluNewTess();
            if (m_tess) {
                gluTessCallback(m_tess, GLU_TESS_BEGIN_DATA,
                                reinterpret_cast<_GLUfuncptr>(&OnTessBegin));
                gluTessCallback(m_tess, GLU_TESS_VERTEX_DATA,
                                reinterpret_cast<_GLUfuncptr>(&OnTessVertex));
                gluTessCallback(m_tess, GLU_TESS_END_DATA,
                                reinterpret_cast<_GLUfuncptr>(&OnTessEnd));
                gluTessCallback(m_tess, GLU_TESS_COMBINE_DATA,
                                reinterpret_cast<_GLUfuncptr>(&OnTessCombine));
                gluTessCallback(m_tess, GLU_TESS_ERROR_DATA,
                                reinterpret_cast<_GLUfuncptr>(&OnTessError));
            }
        }
        return m_tess;
    }

    // After an error the tessellator may hold state (and a stale polygon pointer) that it
    // would report on its next use; start over with a fresh one instead.
    void Discard() {
        if (m_tess) {
            gluDeleteTess(m_tess);
            m_tess = nullptr;
        }
    }

private:
    GLUtesselator* m_tess = nullptr;
};

thread_local CThreadTess t_tess;

}  // namespace

// GLU keeps the first vertices of a polygon in a cache (TESS_MAX_CACHE of its sources, which is
// kTessFanLimit) and, when the polygon is that one contour, tries to render it as a single fan
// before it builds its mesh.
// What GLU's cached path does, with the same arithmetic in the same order, so the result is
// the same to the bit: the normal as the sum of the fan triangles from the first vertex (each
// turned to agree with the sum so far), then the orientation of every fan triangle against
// it. Returns false when the triangles disagree: then GLU builds its mesh, and so must the
// caller. Mesh triangles and quads, faces and most drawn outlines never get that far. Else fan
// is GLU's order of the fan: 1 as the vertices run, -1 reversed, 0 when there is nothing to
// fill (every fan triangle degenerate).
bool TessellateAsFan(std::span<const CPoint3> v, int& fan) {
    const size_t n = v.size();
    if (n < 3 || n > kTessFanLimit) {
        return false;
    }
    for (const CPoint3& p : v) {
        // What the tessellator refuses goes the general way, which says so; the comparison is
        // false for infinities and NaN too.
        if (!(std::fabs(p.x) <= GLU_TESS_MAX_COORD && std::fabs(p.y) <= GLU_TESS_MAX_COORD &&
              std::fabs(p.z) <= GLU_TESS_MAX_COORD)) {
            return false;
        }
    }
    const CPoint3& v0 = v[0];
    double norm[3] = {0.0, 0.0, 0.0};
    int sign = 0;
    for (int check = 0; check < 2; ++check) {
        double xc = v[1].x - v0.x, yc = v[1].y - v0.y, zc = v[1].z - v0.z;
        for (size_t k = 2; k < n; ++k) {
            const double xp = xc, yp = yc, zp = zc;
            xc = v[k].x - v0.x;
            yc = v[k].y - v0.y;
            zc = v[k].z - v0.z;
            const double n0 = yp * zc - zp * yc;
            const double n1 = zp * xc - xp * zc;
            const double n2 = xp * yc - yp * xc;
            const double dot = n0 * norm[0] + n1 * norm[1] + n2 * norm[2];
            if (!check) {
                if (dot >= 0) {
                    norm[0] += n0;
                    norm[1] += n1;
                    norm[2] += n2;
                } else {
                    norm[0] -= n0;
                    norm[1] -= n1;
                    norm[2] -= n2;
                }
            } else if (dot != 0) {
                if (dot > 0) {
                    if (sign < 0) {
                        return false;
                    }
                    sign = 1;
                } else {
                    if (sign > 0) {
                        return false;
                    }
                    sign = -1;
                }
            }
        }
    }
    fan = sign;
    return true;
}

static_assert(kTessTriangles == GL_TRIANGLES && kTessTriangleStrip == GL_TRIANGLE_STRIP &&
              kTessTriangleFan == GL_TRIANGLE_FAN);

bool Tessellate(std::span<const CPoint3> v, std::vector<CTessPrimitive>& out) {
    out.clear();
    if (v.size() < 3) {
        return true;
    }
    // GLU clamps or misorders what it cannot compare; refuse such input up front.
    std::vector<std::array<GLdouble, 3>> coords(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            const double c = v[i][j];
            if (!std::isfinite(c) || std::fabs(c) > GLU_TESS_MAX_COORD) {
                return false;
            }
            coords[i][static_cast<size_t>(j)] = c;
        }
    }
    GLUtesselator* tess = t_tess.Get();
    if (!tess) {
        return false;
    }
    CTessRun run;
    gluTessBeginPolygon(tess, &run);
    gluTessBeginContour(tess);
    for (auto& c : coords) {
        gluTessVertex(tess, c.data(), c.data());
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
    if (!run.ok) {
        t_tess.Discard();
        return false;
    }
    out = std::move(run.primitives);
    return true;
}

// ---- segments and containment ----

int IntersectSegments(const CSegment& A, const CSegment& B, CPoint3& out, int clampA, int clampB,
                      int skipCoplanarTest) {
    constexpr double e = 1e-5;
    const CVec3 dA = A.E - A.S;
    const CVec3 dB = B.E - B.S;
    const CVec3 w = B.S - A.S;
    const CVec3 cross = Cross(dA, dB);
    // The negated comparisons also turn NaN input away.
    if (!skipCoplanarTest && !(std::fabs(Dot(w, cross)) < e)) {
        return 0;
    }
    if (!(cross.Length() >= e)) {
        return 0;  // parallel
    }
    // Solve in the first coordinate pair that sees the segments cross clearly; when every pair
    // is below e (possible while |cross| is not) take the best conditioned one.
    int j = -1;
    int best = 0;
    double bestDet = -1;
    for (int t = 0; t < 3; ++t) {
        const int k = (t + 1) % 3;
        const double det = std::fabs(dA[t] * dB[k] - dA[k] * dB[t]);
        if (det >= e) {
            j = t;
            break;
        }
        if (det > bestDet) {
            bestDet = det;
            best = t;
        }
    }
    if (j < 0) {
        j = best;
    }
    const int k = (j + 1) % 3;
    const double D = dA[j] * dB[k] - dA[k] * dB[j];
    const double s = (w[j] * dB[k] - w[k] * dB[j]) / D;
    const double u = (w[j] * dA[k] - w[k] * dA[j]) / D;
    // Start included, end excluded: consecutive polygon edges do not meet at their vertex.
    if (clampA && !(s >= -kGeomTol && s < 1.0)) {
        return 0;
    }
    if (clampB && !(u >= -kGeomTol && u < 1.0)) {
        return 0;
    }
    out = A.S + dA * s;
    return 1;
}

namespace {

// Quadrant of q around p, counter-clockwise from the upper right.
int Quadrant(const CPoint3& q, const CPoint3& p) {
    if (q.x <= p.x) {
        return q.y > p.y ? 1 : 2;
    }
    return q.y > p.y ? 0 : 3;
}

// Winding test on vertices already mapped into the frame; p likewise.
bool PointInMapped(const std::vector<CPoint3>& q, const CPoint3& p) {
    const size_t n = q.size();
    if (n == 0) {
        return false;
    }
    int sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const CPoint3& qa = q[i];
        const CPoint3& qb = q[(i + 1) % n];
        const int a = Quadrant(qa, p);
        const int b = Quadrant(qb, p);
        int delta = b - a;
        if (delta == -3) {
            delta = 1;
        } else if (delta == 3) {
            delta = -1;
        } else if (delta == 2 || delta == -2) {
            // Opposite quadrants: the side of p on which the edge passes decides the sense.
            // qa.y != qb.y here, since one lies above p and the other not.
            const double x = qb.x - (qb.y - p.y) * (qa.x - qb.x) / (qa.y - qb.y);
            if (x > p.x) {
                delta = a - b;
            }
        }
        sum += delta;
    }
    return sum == 4 || sum == -4;
}

}  // namespace

int PointInPolygon(std::span<const CPoint3> v, const CPoint3& P, const CMatrix4& M) {
    std::vector<CPoint3> q;
    q.reserve(v.size());
    for (const CPoint3& p : v) {
        q.push_back(p.TransformedBy(M));
    }
    return PointInMapped(q, P.TransformedBy(M)) ? 1 : 0;
}

// ---- area ----

namespace {

double TriangleArea(const CPoint3& a, const CPoint3& b, const CPoint3& c) {
    return 0.5 * Cross(b - a, c - a).Length();
}

}  // namespace

EAreaResult ComputeArea(std::span<const CPoint3> v, double& outArea) {
    outArea = 0;
    CVec3 normal;
    bool planar = false;
    ComputePlane(v, normal, planar);
    if (normal.IsShorterThan(kGeomTol)) {
        return EAreaResult::NoPlane;
    }
    CMatrix4 frame;
    frame.SetPlaneFrame(v[0], normal, 0);

    // The working outline, and the same vertices mapped into the plane frame for the
    // containment tests (mapped once instead of on every test).
    std::vector<CPoint3> w(v.begin(), v.end());
    std::vector<CPoint3> mapped;
    mapped.reserve(w.size());
    for (const CPoint3& p : w) {
        mapped.push_back(p.TransformedBy(frame));
    }
    auto erase = [&](size_t i) {
        w.erase(w.begin() + static_cast<std::ptrdiff_t>(i));
        mapped.erase(mapped.begin() + static_cast<std::ptrdiff_t>(i));
    };

    double area = 0;
    const size_t passLimit = 2 * v.size();
    size_t passes = 0;
    while (w.size() > 3) {
        // Stop as soon as a triangle is left: clipping further (after removing a duplicate in
        // the same pass) would drop the last triangle.
        for (size_t i = 0; w.size() > 3 && i + 2 < w.size();) {
            if ((w[i + 1] - w[i]).Length() < kGeomTol) {
                erase(i);  // duplicate vertex
                continue;
            }
            const size_t count = w.size();
            const CSegment diagonal{w[i], w[i + 2]};
            bool blocked = false;
            CPoint3 hit;
            // Every edge but the two of the candidate ear; the clamping ignores the edges
            // that merely touch the diagonal's ends.
            for (size_t k = i + 2; k < count + i && !blocked; ++k) {
                const CSegment edge{w[k % count], w[(k + 1) % count]};
                blocked = IntersectSegments(diagonal, edge, hit, 1, 1, 0) != 0;
            }
            if (!blocked) {
                CPoint3 mid = w[i];
                mid += w[i + 2];
                mid /= 2;
                if (PointInMapped(mapped, mid.TransformedBy(frame))) {
                    area += TriangleArea(w[i], w[i + 1], w[i + 2]);
                    erase(i + 1);
                }
            }
            ++i;
        }
        if (++passes > passLimit) {
            break;  // self-intersecting or far from planar
        }
    }
    if (w.size() != 3) {
        return EAreaResult::NotReducible;
    }
    outArea = area + TriangleArea(w[0], w[1], w[2]);
    return EAreaResult::Ok;
}
