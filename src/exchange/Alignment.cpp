#include "exchange/Alignment.h"

#include <cmath>

#include "exchange/ScanNumbers.h"

namespace {

bool IsFinite(const CPoint3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The three points span a plane. Written so that NaN, infinities and overflow fail too: the
// frame built from such points would put every imported point at NaN.
bool FormsSystem(const CPoint3& origin, const CPoint3& p1, const CPoint3& p2) {
    if (!IsFinite(origin) || !IsFinite(p1) || !IsFinite(p2)) {
        return false;
    }
    const double len = Cross(p1 - origin, p2 - origin).Length();
    return std::isfinite(len) && len >= kGeomTol;
}

bool AxesDiffer(int a, int b) {
    return a >= 0 && a <= 2 && b >= 0 && b <= 2 && a != b;
}

void SkipBlanks(std::string_view& t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) {
        t.remove_prefix(1);
    }
}

// "X,Y,Z" with nothing else but blanks.
bool ParseTriple(std::string_view t, CPoint3& p) {
    double v[3];
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            SkipBlanks(t);
            if (t.empty() || t.front() != ',') {
                return false;
            }
            t.remove_prefix(1);
        }
        if (!ScanDouble(t, v[i])) {
            return false;
        }
    }
    SkipBlanks(t);
    if (!t.empty()) {
        return false;
    }
    p = CPoint3(v[0], v[1], v[2]);
    return true;
}

// "X,Y,Z@A".
bool ParseAxisPoint(std::string_view t, CPoint3& p, int& axis) {
    const size_t at = t.rfind('@');
    if (at == std::string_view::npos || !ParseTriple(t.substr(0, at), p)) {
        return false;
    }
    std::string_view a = t.substr(at + 1);
    SkipBlanks(a);
    while (!a.empty() && (a.back() == ' ' || a.back() == '\t')) {
        a.remove_suffix(1);
    }
    if (a.size() != 1) {
        return false;
    }
    switch (a.front()) {
        case 'X':
        case 'x':
            axis = 0;
            return true;
        case 'Y':
        case 'y':
            axis = 1;
            return true;
        case 'Z':
        case 'z':
            axis = 2;
            return true;
        default:
            return false;
    }
}

}  // namespace

const char* CheckAlignment(const SAlignment& a) {
    if (!FormsSystem(a.modelOrigin, a.modelFirstPoint, a.modelSecondPoint)) {
        return kAlignModelNotSystem;
    }
    if (!FormsSystem(a.drawingOrigin, a.drawingFirstPoint, a.drawingSecondPoint)) {
        return kAlignDrawingNotSystem;
    }
    if (!AxesDiffer(a.modelFirstAxis, a.modelSecondAxis)) {
        return kAlignModelSameAxis;
    }
    if (!AxesDiffer(a.drawingFirstAxis, a.drawingSecondAxis)) {
        return kAlignDrawingSameAxis;
    }
    return nullptr;
}

bool BuildPlacementMatrix(const SAlignment& a, CMatrix4& out) {
    if (CheckAlignment(a) != nullptr) {
        return false;
    }
    CMatrix4 s, d;
    try {
        s.setLocalCSMatrix(a.modelOrigin, a.modelFirstAxis, a.modelFirstPoint, a.modelSecondAxis,
                           a.modelSecondPoint);
        d.setLocalCSMatrix(a.drawingOrigin, a.drawingFirstAxis, a.drawingFirstPoint,
                           a.drawingSecondAxis, a.drawingSecondPoint);
    } catch (const CGeometryError&) {
        return false;
    }
    // An orthonormal frame always inverts; the test only guards against the impossible.
    if (!s.Invert()) {
        return false;
    }
    out = d * s;
    return true;
}

CPoint3 PlacePoint(const CMatrix4& m, bool leftHanded, const CPoint3& p) {
    CPoint3 q = p.TransformedBy(m);
    if (leftHanded) {
        q.y = -q.y;
    }
    return q;
}

bool ParseDrawingFrame(const std::string& text, SAlignment& a, std::string& error) {
    const std::string_view t(text);
    const size_t s1 = t.find(';');
    const size_t s2 = s1 == std::string_view::npos ? s1 : t.find(';', s1 + 1);
    if (s2 == std::string_view::npos || t.find(';', s2 + 1) != std::string_view::npos) {
        error = "expected three parts separated by ';': \"OX,OY,OZ;X1,Y1,Z1@A;X2,Y2,Z2@B\"";
        return false;
    }
    CPoint3 origin, p1, p2;
    int axis1 = 0, axis2 = 0;
    if (!ParseTriple(t.substr(0, s1), origin)) {
        error = "the origin is not three numbers: \"" + text.substr(0, s1) + "\"";
        return false;
    }
    if (!ParseAxisPoint(t.substr(s1 + 1, s2 - s1 - 1), p1, axis1)) {
        error =
            "the first axis point is not X,Y,Z@AXIS: \"" + text.substr(s1 + 1, s2 - s1 - 1) + "\"";
        return false;
    }
    if (!ParseAxisPoint(t.substr(s2 + 1), p2, axis2)) {
        error = "the second axis point is not X,Y,Z@AXIS: \"" + text.substr(s2 + 1) + "\"";
        return false;
    }
    a.drawingOrigin = origin;
    a.drawingFirstPoint = p1;
    a.drawingFirstAxis = axis1;
    a.drawingSecondPoint = p2;
    a.drawingSecondAxis = axis2;
    return true;
}
