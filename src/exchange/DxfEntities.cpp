#include "exchange/DxfEntities.h"

#include <algorithm>
#include <cmath>

#include "document/StrokeFont.h"
#include "exchange/DxfPairs.h"
#include "exchange/DxfText.h"
#include "exchange/ScanNumbers.h"
#include "geometry/Curves.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsDefaultExtrusion(const CVec3& e) {
    return std::fabs(e.x) <= 1e-8 && std::fabs(e.y) <= 1e-8 && std::fabs(e.z - 1.0) <= 1e-8;
}

// Reads a record in order: each call takes the next pair when it has the code asked for.
class CRecordCursor {
public:
    explicit CRecordCursor(const DxfRecord& r, size_t at = 0) : m_r(r), m_i(at) {}
    bool AtCode(int code) const { return m_i < m_r.size() && m_r[m_i].first == code; }
    bool AtEnd() const { return m_i >= m_r.size(); }
    size_t Left() const { return m_r.size() - m_i; }
    int NextCode(size_t ahead = 0) const {
        return m_i + ahead < m_r.size() ? m_r[m_i + ahead].first : -1;
    }
    bool Double(int code, double& out) {
        if (!AtCode(code)) {
            return false;
        }
        return RecordDouble(m_r[m_i++].second, out);
    }
    bool Int(int code, int& out) {
        if (!AtCode(code)) {
            return false;
        }
        return RecordInt(m_r[m_i++].second, out);
    }
    bool Point(int code, CPoint3& p) {
        p = CPoint3(0.0, 0.0, 0.0);
        return Double(code, p.x) && Double(code + 10, p.y);
    }
    void Skip() { ++m_i; }

private:
    const DxfRecord& m_r;
    size_t m_i;
};

// A count read from the file, no larger than the pairs that could hold its items: a wrong
// count must not reserve memory the record cannot fill.
size_t Bounded(int count, size_t left) {
    return count <= 0 ? 0 : std::min(static_cast<size_t>(count), left);
}

const char* SplineFaultText(ESplineFault f) {
    switch (f) {
        case ESplineFault::Degree:
            return "its degree is not 1 to 20";
        case ESplineFault::TooFewPoints:
            return "it has fewer control points than its degree needs";
        case ESplineFault::Knots:
            return "its knots do not match its control points";
        case ESplineFault::Weights:
            return "its weights do not match its control points";
        case ESplineFault::NotFinite:
        case ESplineFault::None:
            break;
    }
    return "its points are not numbers";
}

// Points of a spline from control points (knots as given, clamped uniform when none) or, failing
// that, through its fit points. Empty text on success, else the fault.
std::string SplinePoints(SSpline s, const std::vector<CPoint3>& fit, const CVec3* t0,
                         const CVec3* t1, bool closed, std::vector<CPoint3>& out) {
    ESplineFault fault = ESplineFault::TooFewPoints;
    if (!s.control.empty()) {
        if (s.knots.empty() && s.degree >= 1 && s.degree <= kMaxSplineDegree &&
            s.control.size() > static_cast<size_t>(s.degree)) {
            s.knots = ClampedKnots(static_cast<int>(s.control.size()), s.degree);
        }
        fault = CheckSpline(s);
        if (fault == ESplineFault::None) {
            AppendSpline(s, 0.0, out);
            return {};
        }
    }
    if (fit.size() >= 2) {
        AppendFitSpline(fit, t0, t1, closed, 0.0, out);
        return out.size() >= 2 ? std::string() : std::string(SplineFaultText(fault));
    }
    return SplineFaultText(fault);
}

// A closed curve ends exactly where it starts.
void Close(SDxfCurve& c) {
    if (c.points.size() >= 2) {
        const double span = (c.points.back() - c.points.front()).Length();
        if (span > 1e-9 * (1.0 + std::fabs(c.points.front().x) + std::fabs(c.points.front().y) +
                           std::fabs(c.points.front().z))) {
            c.points.push_back(c.points.front());
        } else {
            c.points.back() = c.points.front();
        }
        c.closed = true;
    }
}

CVec3 Transformed(const CVec3& v, const CMatrix4& frame) {
    const CPoint3 o = CPoint3(0.0, 0.0, 0.0).TransformedBy(frame);
    return CPoint3(v.x, v.y, v.z).TransformedBy(frame) - o;
}

// One edge or polyline of a hatch path, in the hatch's own 2D coordinates (z = 0).
using Edge = std::vector<CPoint3>;

bool ReadLineEdge(CRecordCursor& c, Edge& e) {
    CPoint3 a, b;
    if (!c.Point(10, a) || !c.Point(11, b)) {
        return false;
    }
    e = {a, b};
    return true;
}

// Arcs and elliptic arcs of a hatch keep their angles counter-clockwise; a clockwise one is
// stored with its angles mirrored (360 - angle, start and end swapped) and runs the other way.
bool ReadArcEdge(CRecordCursor& c, bool elliptic, Edge& e) {
    CPoint3 centre, major(1.0, 0.0, 0.0);
    double radius = 1.0, ratio = 1.0, start = 0.0, end = 360.0;
    int ccw = 1;
    if (!c.Point(10, centre)) {
        return false;
    }
    if (elliptic ? !(c.Point(11, major) && c.Double(40, ratio)) : !c.Double(40, radius)) {
        return false;
    }
    if (!c.Double(50, start) || !c.Double(51, end)) {
        return false;
    }
    c.Int(73, ccw);
    if (ccw == 0) {
        const double s = 360.0 - end;
        end = 360.0 - start;
        start = s;
    }
    CVec3 u = elliptic ? CVec3(major.x, major.y, 0.0) : CVec3(radius, 0.0, 0.0);
    if (!(u.Length() > 0.0) || !(ratio > 0.0)) {
        return false;
    }
    const CVec3 v = CVec3(-u.y, u.x, 0.0) * ratio;
    double t0 = start * kDegToRad, t1 = end * kDegToRad;
    if (elliptic) {
        // The angles of an elliptic edge are true angles: their parameters lie off them.
        t0 = std::atan2(std::sin(t0) / ratio, std::cos(t0));
        t1 = std::atan2(std::sin(t1) / ratio, std::cos(t1));
    }
    double sweep = t1 - t0;
    if (std::fabs(end - start) >= 360.0 - 1e-9) {
        sweep = 2.0 * kPi;
    } else {
        sweep = std::fmod(sweep, 2.0 * kPi);
        if (sweep <= 0.0) {
            sweep += 2.0 * kPi;
        }
    }
    AppendEllipse(centre, u, v, t0, sweep, e);
    if (ccw == 0) {
        std::reverse(e.begin(), e.end());
    }
    return e.size() >= 2;
}

bool ReadSplineEdge(CRecordCursor& c, Edge& e) {
    SSpline s;
    int rational = 0, periodic = 0, knots = 0, controls = 0;
    if (!c.Int(94, s.degree)) {
        return false;
    }
    c.Int(73, rational);
    c.Int(74, periodic);
    if (!c.Int(95, knots) || !c.Int(96, controls)) {
        return false;
    }
    for (size_t i = Bounded(knots, c.Left()); i > 0 && c.AtCode(40); --i) {
        double k = 0.0;
        c.Double(40, k);
        s.knots.push_back(k);
    }
    for (size_t i = Bounded(controls, c.Left()); i > 0 && c.AtCode(10); --i) {
        CPoint3 p;
        c.Point(10, p);
        s.control.push_back(p);
        double w = 1.0;
        if (c.AtCode(42)) {
            c.Double(42, w);
            s.weights.push_back(w);
        }
    }
    if (!s.weights.empty() && s.weights.size() != s.control.size()) {
        s.weights.clear();
    }
    std::vector<CPoint3> fit;
    // A count 97 here holds fit points (newer files); the path's own 97, which counts its
    // source objects, is followed by handles (330), not by points.
    if (c.AtCode(97) && c.NextCode(1) != 330) {
        int count = 0;
        c.Int(97, count);
        for (size_t i = Bounded(count, c.Left()); i > 0 && c.AtCode(11); --i) {
            CPoint3 p;
            c.Point(11, p);
            fit.push_back(p);
        }
    }
    CPoint3 t0, t1;
    const bool hasT0 = c.AtCode(12) && c.Point(12, t0);
    const bool hasT1 = c.AtCode(13) && c.Point(13, t1);
    const CVec3 v0 = t0 - CPoint3(0.0, 0.0, 0.0), v1 = t1 - CPoint3(0.0, 0.0, 0.0);
    return SplinePoints(std::move(s), fit, hasT0 ? &v0 : nullptr, hasT1 ? &v1 : nullptr, false, e)
        .empty();
}

// Joins edges end to end in the order given, turning an edge round when its far end meets
// the path: files do not all keep the edges' directions.
void ChainEdge(Edge& path, Edge& edge) {
    if (edge.empty()) {
        return;
    }
    if (path.empty()) {
        path = std::move(edge);
        return;
    }
    const CPoint3 end = path.back();
    if ((edge.back() - end).Length() < (edge.front() - end).Length()) {
        std::reverse(edge.begin(), edge.end());
    }
    const double gap = (edge.front() - end).Length();
    path.insert(path.end(), edge.begin() + (gap <= kGeomTol ? 1 : 0), edge.end());
}

// Reads one boundary path; false when its layout is broken.
bool ReadHatchPath(CRecordCursor& c, Edge& path) {
    int flags = 0;
    if (!c.Int(92, flags)) {
        return false;
    }
    if (flags & 2) {
        int hasBulge = 0, closed = 1, count = 0;
        c.Int(72, hasBulge);
        c.Int(73, closed);
        if (!c.Int(93, count)) {
            return false;
        }
        std::vector<CPoint3> vertices;
        std::vector<double> bulges;
        for (size_t i = Bounded(count, c.Left()); i > 0 && c.AtCode(10); --i) {
            CPoint3 p;
            if (!c.Point(10, p)) {
                return false;
            }
            double bulge = 0.0;
            if (c.AtCode(42)) {
                c.Double(42, bulge);
            }
            vertices.push_back(p);
            bulges.push_back(bulge);
        }
        if (vertices.empty()) {
            return false;
        }
        // Every boundary is closed, whatever flag 73 says.
        AppendBulgedPolyline(vertices, bulges, true, path);
    } else {
        int count = 0;
        if (!c.Int(93, count)) {
            return false;
        }
        for (size_t i = Bounded(count, c.Left()); i > 0; --i) {
            int type = 0;
            if (!c.Int(72, type)) {
                return false;
            }
            Edge e;
            const bool ok = type == 1   ? ReadLineEdge(c, e)
                            : type == 2 ? ReadArcEdge(c, false, e)
                            : type == 3 ? ReadArcEdge(c, true, e)
                            : type == 4 ? ReadSplineEdge(c, e)
                                        : false;
            if (!ok) {
                return false;
            }
            ChainEdge(path, e);
        }
    }
    // The objects the boundary came from.
    int sources = 0;
    if (c.Int(97, sources)) {
        while (c.AtCode(330)) {
            c.Skip();
        }
    }
    return path.size() >= 2;
}

// Even-odd test of a point against a closed path in the xy plane.
bool Inside(const CPoint3& p, const Edge& path) {
    bool in = false;
    for (size_t i = 0, j = path.size() - 1; i < path.size(); j = i++) {
        const CPoint3& a = path[i];
        const CPoint3& b = path[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            in = !in;
        }
    }
    return in;
}

}  // namespace

bool RecordDouble(std::string_view value, double& out) {
    double v = 0.0;
    if (ScanDouble(value, v) && std::isfinite(v)) {
        out = v;
        return true;
    }
    return false;
}

bool RecordInt(std::string_view value, int& out) {
    return ScanDxfGroupCode(value, out);
}

bool HasOwnFrame(const CVec3& extrusion) {
    return !(IsDefaultExtrusion(extrusion) || extrusion.Length() < kGeomTol);
}

std::optional<CMatrix4> OwnFrame(const CVec3& extrusion) {
    if (!HasOwnFrame(extrusion)) {
        return std::nullopt;
    }
    CMatrix4 m;
    m.SetArbitraryAxisFrame(CPoint3(0.0, 0.0, 0.0), extrusion, 0.0);
    return m;
}

std::string ReadEllipse(const DxfRecord& record, SDxfCurve& out) {
    CPoint3 centre;
    CVec3 major(1.0, 0.0, 0.0), extrusion(0.0, 0.0, 1.0);
    double ratio = 1.0, start = 0.0, end = 2.0 * kPi;
    for (const auto& [code, value] : record) {
        double* target = code == 10    ? &centre.x
                         : code == 20  ? &centre.y
                         : code == 30  ? &centre.z
                         : code == 11  ? &major.x
                         : code == 21  ? &major.y
                         : code == 31  ? &major.z
                         : code == 40  ? &ratio
                         : code == 41  ? &start
                         : code == 42  ? &end
                         : code == 210 ? &extrusion.x
                         : code == 220 ? &extrusion.y
                         : code == 230 ? &extrusion.z
                                       : nullptr;
        if (target != nullptr) {
            RecordDouble(value, *target);
        }
    }
    if (extrusion.Length() < kGeomTol) {
        extrusion = CVec3(0.0, 0.0, 1.0);
    }
    CVec3 minor = Cross(extrusion, major);
    const double length = major.Length();
    if (!(length > kGeomTol) || !(ratio * length > kGeomTol) || !(minor.Length() > kGeomTol)) {
        return "ELLIPSE left out: an axis has no length.";
    }
    minor.Normalize();
    minor = minor * (ratio * length);
    double sweep = end - start;
    const bool full = std::fabs(sweep) >= 2.0 * kPi - 1e-9 || std::fabs(sweep) < 1e-12;
    if (full) {
        sweep = 2.0 * kPi;
    } else {
        sweep = std::fmod(sweep, 2.0 * kPi);
        if (sweep <= 0.0) {
            sweep += 2.0 * kPi;
        }
    }
    AppendEllipse(centre, major, minor, start, sweep, out.points);
    if (full) {
        Close(out);
    }
    return {};
}

std::string ReadSpline(const DxfRecord& record, SDxfCurve& out) {
    SSpline s;
    int flags = 0;
    std::vector<CPoint3> fit;
    CVec3 t0, t1;
    bool hasT0 = false, hasT1 = false;
    for (const auto& [code, value] : record) {
        double v = 0.0;
        switch (code) {
            case 70:
                RecordInt(value, flags);
                break;
            case 71:
                RecordInt(value, s.degree);
                break;
            case 40:
                if (RecordDouble(value, v)) {
                    s.knots.push_back(v);
                }
                break;
            case 41:
                if (RecordDouble(value, v)) {
                    s.weights.push_back(v);
                }
                break;
            case 10:
            case 11:
                (code == 10 ? s.control : fit).emplace_back(0.0, 0.0, 0.0);
                RecordDouble(value, (code == 10 ? s.control : fit).back().x);
                break;
            case 20:
            case 30:
                if (!s.control.empty()) {
                    RecordDouble(value, code == 20 ? s.control.back().y : s.control.back().z);
                }
                break;
            case 21:
            case 31:
                if (!fit.empty()) {
                    RecordDouble(value, code == 21 ? fit.back().y : fit.back().z);
                }
                break;
            case 12:
            case 22:
            case 32:
                hasT0 = true;
                RecordDouble(value, code == 12 ? t0.x : code == 22 ? t0.y : t0.z);
                break;
            case 13:
            case 23:
            case 33:
                hasT1 = true;
                RecordDouble(value, code == 13 ? t1.x : code == 23 ? t1.y : t1.z);
                break;
            default:
                break;
        }
    }
    const bool closed = (flags & 1) != 0;
    const std::string fault = SplinePoints(std::move(s), fit, hasT0 ? &t0 : nullptr,
                                           hasT1 ? &t1 : nullptr, closed, out.points);
    if (!fault.empty()) {
        out.points.clear();
        return "SPLINE left out: " + fault + ".";
    }
    if (closed && !out.points.empty() &&
        (out.points.back() - out.points.front()).Length() <= 1e-6 * (1.0 + out.points.size())) {
        Close(out);
    }
    return {};
}

std::string ReadHatch(const DxfRecord& record, SDxfHatch& out) {
    CVec3 extrusion(0.0, 0.0, 1.0);
    double elevation = 0.0;
    int solid = 0, paths = 0;
    size_t at = 0;
    for (; at < record.size() && record[at].first != 91; ++at) {
        const auto& [code, value] = record[at];
        if (code == 30) {
            RecordDouble(value, elevation);
        } else if (code == 210 || code == 220 || code == 230) {
            RecordDouble(value, code == 210   ? extrusion.x
                                : code == 220 ? extrusion.y
                                              : extrusion.z);
        } else if (code == 70) {
            RecordInt(value, solid);
        }
    }
    CRecordCursor c(record, at);
    if (!c.Int(91, paths)) {
        return "HATCH left out: it has no boundary paths.";
    }
    std::vector<Edge> read;
    std::string fault;
    for (size_t i = Bounded(paths, c.Left()); i > 0; --i) {
        Edge path;
        if (!ReadHatchPath(c, path)) {
            fault = "HATCH boundary paths after the " + std::to_string(read.size()) +
                    " read are left out: they cannot be read.";
            break;
        }
        read.push_back(std::move(path));
    }
    bool nested = false;
    if (solid == 1 && read.size() > 1) {
        // Holes and islands make a filled polygon wrong; quadratic, so only for a few paths.
        nested = read.size() > 64;
        for (size_t i = 0; i < read.size() && !nested; ++i) {
            for (size_t j = 0; j < read.size() && !nested; ++j) {
                nested = i != j && Inside(read[i].front(), read[j]);
            }
        }
    }
    out.solidFill = solid == 1 && !nested;
    const std::optional<CMatrix4> frame = OwnFrame(extrusion);
    for (Edge& path : read) {
        SDxfCurve curve;
        curve.points = std::move(path);
        for (CPoint3& p : curve.points) {
            p.z = elevation;
            if (frame) {
                p = p.TransformedBy(*frame);
            }
        }
        Close(curve);
        out.paths.push_back(std::move(curve));
    }
    return fault;
}

STextPlacement PlaceText(const CPoint3& p1, const CPoint3* p2, double height, double rotation,
                         int horizontal, int vertical, std::string_view utf8, int font) {
    STextPlacement t{p1, height, rotation};
    if (p2 == nullptr || (horizontal == 0 && vertical == 0) || horizontal < 0 || horizontal > 5 ||
        vertical < 0 || vertical > 3) {
        return t;
    }
    double unitWidth = 0.0, unitHeight = 0.0;
    CStrokeFontMetrics::Get().MeasureString(utf8, font, unitWidth, unitHeight);
    if (horizontal == 3 || horizontal == 5) {
        // Aligned and fit run from the first point to the second; aligned scales the height
        // to the length, fit keeps it but lowers it where the text would run past the second
        // point (the stroke font cannot be narrowed alone).
        const double dx = p2->x - p1.x, dy = p2->y - p1.y;
        const double length = std::hypot(dx, dy);
        if (length > kGeomTol) {
            t.rotation = std::atan2(dy, dx) / kDegToRad;
            if (unitWidth > 0.0 && (horizontal == 3 || length < unitWidth * height)) {
                t.height = length / unitWidth;
            }
        }
        return t;
    }
    const double width = unitWidth * height;
    double dx = horizontal == 1 || horizontal == 4 ? -width / 2 : horizontal == 2 ? -width : 0.0;
    double dy = 0.0;
    if (horizontal == 4) {
        dy = -height / 2;
    } else if (vertical == 1) {
        dy = height / 3;  // bottom: the descenders end on the point
    } else if (vertical == 2) {
        dy = -height / 2;
    } else if (vertical == 3) {
        dy = -height;
    }
    const double a = rotation * kDegToRad;
    t.position = CPoint3(p2->x + dx * std::cos(a) - dy * std::sin(a),
                         p2->y + dx * std::sin(a) + dy * std::cos(a), p2->z);
    return t;
}

namespace {

// The columns of an MTEXT: newer files keep them in an embedded object after code 101, older
// ones in the ACAD application's extended data; the defined height is code 46 or extended data.
struct SMTextColumns {
    int type = 0;  // 1 static, 2 dynamic
    int count = 0;
    double width = 0.0, gutter = 0.0, defined = 0.0;
    std::vector<double> heights;  // dynamic columns of their own heights
    double Height(int k) const {
        const size_t i = static_cast<size_t>(k);
        return i < heights.size() && heights[i] > 0.0 ? heights[i] : defined;
    }
};

SMTextColumns ReadMTextColumns(const DxfRecord& record) {
    SMTextColumns c;
    bool embedded = false;
    for (size_t i = 0; i < record.size(); ++i) {
        const auto& [code, value] = record[i];
        if (code == 101) {
            embedded = true;
        } else if (!embedded && code == 46) {
            RecordDouble(value, c.defined);
        } else if (embedded && code == 71) {
            RecordInt(value, c.type);
        } else if (embedded && code == 72) {
            RecordInt(value, c.count);
        } else if (embedded && code == 44) {
            RecordDouble(value, c.width);
        } else if (embedded && code == 45) {
            RecordDouble(value, c.gutter);
        } else if (embedded && code == 46 && c.heights.size() < 1000) {
            double h = 0.0;
            RecordDouble(value, h);
            c.heights.push_back(h);
        } else if (code == 1070 && i + 1 < record.size()) {
            // Extended data: a key (1070) and its value (1070 or 1040).
            int key = 0;
            RecordInt(value, key);
            const std::string& next = record[i + 1].second;
            if (key == 75) {
                RecordInt(next, c.type);
            } else if (key == 76) {
                RecordInt(next, c.count);
            } else if (key == 48) {
                RecordDouble(next, c.width);
            } else if (key == 49) {
                RecordDouble(next, c.gutter);
            } else if (key == 46) {
                RecordDouble(next, c.defined);
            } else if (key == 50) {
                int n = 0;
                RecordInt(next, n);
                for (size_t k = i + 2; k < record.size() && record[k].first == 1040 &&
                                       c.heights.size() < static_cast<size_t>(std::max(n, 0)) &&
                                       c.heights.size() < 1000;
                     ++k) {
                    double h = 0.0;
                    RecordDouble(record[k].second, h);
                    c.heights.push_back(h);
                }
            }
        }
    }
    if (c.type != 1 && c.type != 2) {
        c.count = 0;
    }
    c.count = std::min(c.count, 1000);
    if (!std::isfinite(c.width) || !std::isfinite(c.gutter) || c.gutter < 0.0) {
        c.count = 0;
    }
    return c;
}

}  // namespace

void LayoutMText(const DxfRecord& record, std::string_view text, int font, SDxfMText& out) {
    CPoint3 insert;
    CVec3 direction;
    bool hasDirection = false;
    double width = 0.0, spacing = 1.0, rotation = 0.0;
    int attachment = 1;
    for (const auto& [code, value] : record) {
        if (code == 101) {
            break;  // an embedded object (columns) reuses the codes
        }
        switch (code) {
            case 10:
            case 20:
            case 30:
                RecordDouble(value, code == 10 ? insert.x : code == 20 ? insert.y : insert.z);
                break;
            case 11:
            case 21:
            case 31:
                hasDirection = true;
                RecordDouble(value, code == 11   ? direction.x
                                    : code == 21 ? direction.y
                                                 : direction.z);
                break;
            case 210:
            case 220:
            case 230:
                RecordDouble(value, code == 210   ? out.extrusion.x
                                    : code == 220 ? out.extrusion.y
                                                  : out.extrusion.z);
                break;
            case 40:
                RecordDouble(value, out.height);
                break;
            case 41:
                RecordDouble(value, width);
                break;
            case 44:
                RecordDouble(value, spacing);
                break;
            case 50:
                RecordDouble(value, rotation);  // degrees, whatever references say
                break;
            case 71:
                RecordInt(value, attachment);
                break;
            default:
                break;
        }
    }
    if (attachment < 1 || attachment > 9) {
        attachment = 1;
    }
    if (!(spacing > 0.0) || spacing > 100.0) {
        spacing = 1.0;
    }
    if (out.extrusion.Length() < kGeomTol) {
        out.extrusion = CVec3(0.0, 0.0, 1.0);
    }
    // The text's own axes in the world: the extrusion's system turned by the rotation, or by
    // the direction (which wins) seen in that system.
    const std::optional<CMatrix4> frame = OwnFrame(out.extrusion);
    const CVec3 ax = frame ? Transformed(CVec3(1.0, 0.0, 0.0), *frame) : CVec3(1.0, 0.0, 0.0);
    const CVec3 ay = frame ? Transformed(CVec3(0.0, 1.0, 0.0), *frame) : CVec3(0.0, 1.0, 0.0);
    if (hasDirection && (std::fabs(Dot(direction, ax)) + std::fabs(Dot(direction, ay))) > 0.0) {
        rotation = std::atan2(Dot(direction, ay), Dot(direction, ax)) / kDegToRad;
    }
    out.rotation = rotation;
    const double a = rotation * kDegToRad;
    const CVec3 xdir = ax * std::cos(a) + ay * std::sin(a);
    const CVec3 ydir = ay * std::cos(a) - ax * std::sin(a);

    out.cut = text.size() > kMaxMTextBytes;
    const CStrokeFontMetrics& metrics = CStrokeFontMetrics::Get();
    const double h = out.height;
    const auto measure = [&](std::string_view s) {
        double w = 0.0, ignored = 0.0;
        metrics.MeasureString(s, font, w, ignored);
        return w * h;
    };
    const double space = (kStrokeBlankWidth + 2 * kStrokeGlyphGap) * h;
    std::vector<std::pair<std::string, double>> lines;
    std::vector<bool> paragraphBreaks;
    std::vector<std::string> paragraphs = MTextParagraphs(text, &paragraphBreaks);
    std::vector<bool> columnBreaks;  // of the lines: a column break began it
    for (size_t p = 0; p < paragraphs.size(); ++p) {
        std::string& paragraph = paragraphs[p];
        columnBreaks.resize(lines.size() + 1, false);
        columnBreaks.back() = paragraphBreaks[p];
        if (!(width > 0.0) || measure(paragraph) <= width) {
            const double w = measure(paragraph);
            lines.emplace_back(std::move(paragraph), w);
            continue;
        }
        // Wrapped at blanks to the reference width; a word wider than that stands alone.
        std::string line;
        double lineWidth = 0.0;
        size_t i = 0;
        while (i < paragraph.size()) {
            const size_t blank = std::min(paragraph.find(' ', i), paragraph.size());
            const std::string_view word(paragraph.data() + i, blank - i);
            i = blank + 1;
            if (word.empty()) {
                continue;
            }
            const double w = measure(word);
            if (!line.empty() && lineWidth + space + w > width) {
                lines.emplace_back(std::move(line), lineWidth);
                line.clear();
                lineWidth = 0.0;
            }
            if (!line.empty()) {
                line += ' ';
                lineWidth += space;
            }
            line += word;
            lineWidth += w;
        }
        lines.emplace_back(std::move(line), lineWidth);
    }
    // Lines are 5/3 of the height apart, times the spacing factor; the attachment point is a
    // corner, edge middle or centre of the box from the first line's top to the last baseline.
    const double pitch = h * 5.0 / 3.0 * spacing;
    const double box = h + pitch * static_cast<double>(lines.size() - 1);
    const int row = (attachment - 1) / 3, column = (attachment - 1) % 3;
    const double top = row == 0 ? 0.0 : row == 1 ? box / 2 : box;
    columnBreaks.resize(lines.size(), false);
    // Columns (top attachments only): a line goes on in the next column after a column break
    // or where it would pass the column's height.
    const SMTextColumns columns = ReadMTextColumns(record);
    const bool flow = columns.count >= 2 && columns.width > 0.0 && row == 0;
    int col = 0;
    size_t rowInColumn = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (flow && i > 0 && col + 1 < columns.count) {
            const double height = columns.Height(col);
            const double bottom = h + pitch * static_cast<double>(rowInColumn);
            if (columnBreaks[i] || (height > 0.0 && bottom > height + 1e-9 * height)) {
                ++col;
                rowInColumn = 0;
            }
        }
        const size_t at = flow ? rowInColumn++ : i;
        if (lines[i].first.empty()) {
            continue;
        }
        double x = column == 0 ? 0.0 : column == 1 ? -lines[i].second / 2 : -lines[i].second;
        if (flow) {
            x += col * (columns.width + columns.gutter);
        }
        const double y = top - h - pitch * static_cast<double>(at);
        out.lines.push_back({insert + xdir * x + ydir * y, std::move(lines[i].first)});
    }
}
