#include "geometry/Curves.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool Finite(const CPoint3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool Finite(const CVec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

double ArcStepRadians() {
    static const double step = std::min(10.0 * kPi / 180.0, 2.0 * std::acos(1.0 - 1e-3));
    return step;
}

int ArcSegments(double sweepRadians) {
    const double n = std::ceil(std::fabs(sweepRadians) / ArcStepRadians());
    if (!(n >= 1.0)) {
        return 1;
    }
    return n >= kMaxArcSegments ? kMaxArcSegments : static_cast<int>(n);
}

bool AppendEllipseArc(const CPoint3& centre, const CVec3& u, const CVec3& v, double t0,
                      double sweep, std::vector<CPoint3>& out) {
    if (!Finite(centre) || !Finite(u) || !Finite(v) || !std::isfinite(t0) ||
        !std::isfinite(sweep)) {
        return false;
    }
    const int n = ArcSegments(sweep);
    for (int i = 0; i <= n; ++i) {
        const double t = t0 + sweep * i / n;
        const double c = std::cos(t), s = std::sin(t);
        out.emplace_back(centre.x + c * u.x + s * v.x, centre.y + c * u.y + s * v.y,
                         centre.z + c * u.z + s * v.z);
    }
    return true;
}

void AppendBulge(const CPoint3& a, const CPoint3& b, double bulge, const CVec3& normal,
                 std::vector<CPoint3>& out) {
    const CVec3 chord = b - a;
    const double c = chord.Length();
    if (!std::isfinite(bulge) || std::fabs(bulge) > 1e6 || std::fabs(bulge) < 1e-10 ||
        c < kGeomTol || !Finite(a) || !Finite(b)) {
        out.push_back(b);
        return;
    }
    // The included angle and the radius from the chord.
    const double angle = 4.0 * std::atan(bulge);
    const double r = c / (2.0 * std::sin(std::fabs(angle) / 2.0));
    CVec3 n = normal;
    n.Normalize();
    // Towards the centre: perpendicular to the chord in the plane, on the side the arc turns.
    CVec3 side = Cross(n, chord);
    side.Normalize();
    // Negative past half a circle: the centre then lies on the arc's side of the chord.
    const double toCentre = r * std::cos(std::fabs(angle) / 2.0);
    const double sign = bulge > 0 ? 1.0 : -1.0;
    const CPoint3 mid((a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2);
    const CPoint3 centre = mid + side * (sign * toCentre);
    CVec3 u = a - centre;
    const CVec3 v = Cross(n, u) * sign;
    const size_t first = out.size();
    AppendEllipseArc(centre, u, v, 0.0, std::fabs(angle), out);
    if (out.size() > first) {
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(first));  // a itself
        out.back() = b;  // exactly b, as the next segment starts there
    }
}

void AppendBulgedPolyline(const std::vector<CPoint3>& points, const std::vector<double>& bulges,
                          bool closed, std::vector<CPoint3>& out) {
    if (points.empty()) {
        return;
    }
    const CVec3 up(0.0, 0.0, 1.0);
    out.push_back(points[0]);
    for (size_t i = 0; i < points.size(); ++i) {
        const bool last = i + 1 == points.size();
        if (last && (!closed || (points[i] - points[0]).Length() < kGeomTol)) {
            break;
        }
        AppendBulge(points[i], points[last ? 0 : i + 1], i < bulges.size() ? bulges[i] : 0.0, up,
                    out);
    }
}

namespace {

// The curve as a function of its parameter, refined between a and b until the two halves of
// the chord turn by at most half the arc step: then the piece spans at most an arc step of its
// local circle, so it strays at most 1/1000 of the local radius, the rule of arcs. A positive
// tolerance bounds the midpoint's distance from the chord as well.
template <typename F>
void Refine(const F& at, double a, const CPoint3& pa, double b, const CPoint3& pb, double tol,
            int depth, std::vector<CPoint3>& out) {
    const double m = 0.5 * (a + b);
    const CPoint3 pm = at(m);
    const CVec3 chord = pb - pa;
    const double len = chord.Length();
    double deviation = (pm - pa).Length();
    if (len > 0.0) {
        deviation = Cross(pm - pa, chord).Length() / len;
    }
    const CVec3 d1 = pm - pa, d2 = pb - pm;
    const double l1 = d1.Length(), l2 = d2.Length();
    static const double cosHalfStep = std::cos(ArcStepRadians() / 2.0);
    const bool turns = l1 > 0.0 && l2 > 0.0 && Dot(d1, d2) < cosHalfStep * l1 * l2;
    if (depth < 14 && out.size() < kMaxCurvePoints && ((tol > 0.0 && deviation > tol) || turns)) {
        Refine(at, a, pa, m, pm, tol, depth + 1, out);
        Refine(at, m, pm, b, pb, tol, depth + 1, out);
        return;
    }
    out.push_back(pb);
}

// Samples at over [a, b] (four first pieces, so a symmetric bump is not missed), without a.
template <typename F>
void SampleRange(const F& at, double a, double b, double tol, std::vector<CPoint3>& out) {
    CPoint3 prev = at(a);
    for (int i = 1; i <= 4 && out.size() < kMaxCurvePoints; ++i) {
        const double t0 = a + (b - a) * (i - 1) / 4, t1 = a + (b - a) * i / 4;
        const CPoint3 p1 = at(t1);
        Refine(at, t0, prev, t1, p1, tol, 0, out);
        prev = p1;
    }
}

}  // namespace

ESplineFault CheckSpline(const SSpline& s) {
    const int p = s.degree;
    const size_t n = s.control.size();
    if (p < 1 || p > kMaxSplineDegree) {
        return ESplineFault::Degree;
    }
    if (n < static_cast<size_t>(p) + 1) {
        return ESplineFault::TooFewPoints;
    }
    if (s.knots.size() != n + static_cast<size_t>(p) + 1) {
        return ESplineFault::Knots;
    }
    for (size_t i = 0; i < s.knots.size(); ++i) {
        if (!std::isfinite(s.knots[i]) || (i > 0 && s.knots[i] < s.knots[i - 1])) {
            return ESplineFault::Knots;
        }
    }
    if (!(s.knots[static_cast<size_t>(p)] < s.knots[n])) {
        return ESplineFault::Knots;
    }
    if (!s.weights.empty()) {
        if (s.weights.size() != n) {
            return ESplineFault::Weights;
        }
        for (double w : s.weights) {
            if (!(w > 0.0) || !std::isfinite(w)) {
                return ESplineFault::Weights;
            }
        }
    }
    for (const CPoint3& c : s.control) {
        if (!Finite(c)) {
            return ESplineFault::NotFinite;
        }
    }
    return ESplineFault::None;
}

CPoint3 SplinePoint(const SSpline& s, double u) {
    const int p = s.degree;
    const int n = static_cast<int>(s.control.size());
    const std::vector<double>& k = s.knots;
    u = std::clamp(u, k[static_cast<size_t>(p)], k[static_cast<size_t>(n)]);
    // The span: knot[span] <= u < knot[span + 1], the last one closed.
    int span = p;
    while (span < n - 1 && u >= k[static_cast<size_t>(span) + 1]) {
        ++span;
    }
    double d[kMaxSplineDegree + 1][4];
    for (int j = 0; j <= p; ++j) {
        const size_t i = static_cast<size_t>(j + span - p);
        const double w = s.weights.empty() ? 1.0 : s.weights[i];
        d[j][0] = s.control[i].x * w;
        d[j][1] = s.control[i].y * w;
        d[j][2] = s.control[i].z * w;
        d[j][3] = w;
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const double lo = k[static_cast<size_t>(j + span - p)];
            const double hi = k[static_cast<size_t>(j + 1 + span - r)];
            const double alpha = hi > lo ? (u - lo) / (hi - lo) : 0.0;
            for (int c = 0; c < 4; ++c) {
                d[j][c] = (1.0 - alpha) * d[j - 1][c] + alpha * d[j][c];
            }
        }
    }
    const double w = d[p][3] != 0.0 ? d[p][3] : 1.0;
    return {d[p][0] / w, d[p][1] / w, d[p][2] / w};
}

void AppendSpline(const SSpline& s, double tolerance, std::vector<CPoint3>& out) {
    const int p = s.degree;
    const size_t n = s.control.size();
    const auto at = [&s](double u) { return SplinePoint(s, u); };
    out.push_back(at(s.knots[static_cast<size_t>(p)]));
    for (size_t i = static_cast<size_t>(p); i < n && out.size() < kMaxCurvePoints; ++i) {
        if (s.knots[i + 1] > s.knots[i]) {
            SampleRange(at, s.knots[i], s.knots[i + 1], tolerance, out);
        }
    }
}

std::vector<double> ClampedKnots(int n, int degree) {
    std::vector<double> k;
    const int inner = n - degree - 1;
    for (int i = 0; i <= degree; ++i) {
        k.push_back(0.0);
    }
    for (int i = 1; i <= inner; ++i) {
        k.push_back(static_cast<double>(i) / (inner + 1));
    }
    for (int i = 0; i <= degree; ++i) {
        k.push_back(1.0);
    }
    return k;
}

void AppendFitSpline(const std::vector<CPoint3>& fitIn, const CVec3* startTangent,
                     const CVec3* endTangent, bool closed, double tolerance,
                     std::vector<CPoint3>& out) {
    std::vector<CPoint3> fit;
    for (const CPoint3& p : fitIn) {
        // Repeated points add nothing but a zero-length piece.
        if (Finite(p) && (fit.empty() || (p - fit.back()).Length() > 0.0)) {
            fit.push_back(p);
        }
    }
    if (closed && fit.size() > 2 && (fit.front() - fit.back()).Length() > 0.0) {
        fit.push_back(fit.front());
    }
    if (fit.size() < 3) {
        out.insert(out.end(), fit.begin(), fit.end());
        return;
    }
    const size_t n = fit.size();
    std::vector<double> t(n, 0.0);
    for (size_t i = 1; i < n; ++i) {
        t[i] = t[i - 1] + (fit[i] - fit[i - 1]).Length();
    }
    // Second derivatives of each coordinate: a tridiagonal system, natural or clamped ends.
    std::vector<CVec3> m(n);
    for (int c = 0; c < 3; ++c) {
        std::vector<double> a(n, 0.0), b(n, 1.0), cc(n, 0.0), r(n, 0.0);
        const auto coord = [c](const CPoint3& p) { return c == 0 ? p.x : c == 1 ? p.y : p.z; };
        for (size_t i = 1; i + 1 < n; ++i) {
            const double h0 = t[i] - t[i - 1], h1 = t[i + 1] - t[i];
            a[i] = h0 / 6.0;
            b[i] = (h0 + h1) / 3.0;
            cc[i] = h1 / 6.0;
            r[i] =
                (coord(fit[i + 1]) - coord(fit[i])) / h1 - (coord(fit[i]) - coord(fit[i - 1])) / h0;
        }
        const double h0 = t[1] - t[0], hn = t[n - 1] - t[n - 2];
        if (startTangent != nullptr && startTangent->Length() > 0.0) {
            CVec3 d = *startTangent;
            d.Normalize();
            b[0] = h0 / 3.0;
            cc[0] = h0 / 6.0;
            r[0] = (coord(fit[1]) - coord(fit[0])) / h0 - (c == 0 ? d.x : c == 1 ? d.y : d.z);
        }
        if (endTangent != nullptr && endTangent->Length() > 0.0) {
            CVec3 d = *endTangent;
            d.Normalize();
            a[n - 1] = hn / 6.0;
            b[n - 1] = hn / 3.0;
            r[n - 1] = (c == 0   ? d.x
                        : c == 1 ? d.y
                                 : d.z) -
                       (coord(fit[n - 1]) - coord(fit[n - 2])) / hn;
        }
        // Thomas algorithm.
        for (size_t i = 1; i < n; ++i) {
            const double f = a[i] / b[i - 1];
            b[i] -= f * cc[i - 1];
            r[i] -= f * r[i - 1];
        }
        std::vector<double> x(n, 0.0);
        x[n - 1] = r[n - 1] / b[n - 1];
        for (size_t i = n - 1; i-- > 0;) {
            x[i] = (r[i] - cc[i] * x[i + 1]) / b[i];
        }
        for (size_t i = 0; i < n; ++i) {
            (c == 0 ? m[i].x : c == 1 ? m[i].y : m[i].z) = x[i];
        }
    }
    out.push_back(fit[0]);
    for (size_t i = 0; i + 1 < n && out.size() < kMaxCurvePoints; ++i) {
        const double h = t[i + 1] - t[i];
        const auto at = [&, i, h](double u) {
            const double A = (t[i + 1] - u) / h, B = (u - t[i]) / h;
            const auto f = [&](double p0, double p1, double m0, double m1) {
                return A * p0 + B * p1 +
                       ((A * A * A - A) * m0 + (B * B * B - B) * m1) * h * h / 6.0;
            };
            return CPoint3(f(fit[i].x, fit[i + 1].x, m[i].x, m[i + 1].x),
                           f(fit[i].y, fit[i + 1].y, m[i].y, m[i + 1].y),
                           f(fit[i].z, fit[i + 1].z, m[i].z, m[i + 1].z));
        };
        SampleRange(at, t[i], t[i + 1], tolerance, out);
    }
}

void AppendEllipse(const CPoint3& centre, const CVec3& u, const CVec3& v, double t0, double sweep,
                   std::vector<CPoint3>& out) {
    if (!Finite(centre) || !Finite(u) || !Finite(v) || !std::isfinite(t0) ||
        !std::isfinite(sweep)) {
        return;
    }
    const auto at = [&](double t) {
        const double c = std::cos(t), s = std::sin(t);
        return CPoint3(centre.x + c * u.x + s * v.x, centre.y + c * u.y + s * v.y,
                       centre.z + c * u.z + s * v.z);
    };
    out.push_back(at(t0));
    // Pieces of at most a quarter turn, so the turn test never sees a piece bending back.
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2.0))));
    for (int i = 0; i < pieces && out.size() < kMaxCurvePoints; ++i) {
        SampleRange(at, t0 + sweep * i / pieces, t0 + sweep * (i + 1) / pieces, 0.0, out);
    }
}
