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
