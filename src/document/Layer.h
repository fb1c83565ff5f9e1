#pragma once

#include <cstdint>
#include <string>

#include "geometry/Vec3.h"

class CArchive;

// A named group of entities that can be hidden or locked against picking.
class CLayer {
public:
    // Default name "Warstwa", not locked, visible.
    CLayer();
    CLayer(const std::string& name, int locked, int visible)
        : m_locked(locked), m_visible(visible), m_name(name) {}

    // u32 locked, u32 visible, string name; throws CArchiveException on bad input.
    void Serialize(CArchive& ar);

    int32_t m_locked = 0;
    int32_t m_visible = 1;
    std::string m_name;
};

// An OpenGL user clipping plane; the half-space the normal points into is cut away.
class CClipPlane {
public:
    CClipPlane();
    CClipPlane(const CPoint3& point, const CVec3& normal);
    CClipPlane(const std::string& name, int active, const CPoint3& point, const CVec3& normal);

    // Recomputes (a, b, c, d) from point and normal; a zero normal gives a plane that clips
    // nothing.
    void ComputeEquation();
    // Copies a, b, c, d out, the form glClipPlane takes.
    void GetEquation(double out[4]) const;
    // u32 active, point, normal, string name; the equation is recomputed on load.
    void Serialize(CArchive& ar);

    int32_t m_active = 0;
    CPoint3 m_point;
    CVec3 m_normal{0.0, 0.0, 1.0};
    std::string m_name;
    double m_equation[4] = {0.0, 0.0, 0.0, 0.0};
};

// A local coordinate system given by its origin, a point on +X and a point on the +Y side.
class CCoordSystem {
public:
    CCoordSystem() = default;
    CCoordSystem(const std::string& name, const CPoint3& origin, const CPoint3& xPoint,
                 const CPoint3& yPoint)
        : m_origin(origin), m_xPoint(xPoint), m_yPoint(yPoint), m_name(name) {}

    // Three point3 and the name; flag words are not stored.
    void Serialize(CArchive& ar);

    CPoint3 m_origin{0.0, 0.0, 0.0};
    CPoint3 m_xPoint{1.0, 0.0, 0.0};
    CPoint3 m_yPoint{0.0, 1.0, 0.0};
    std::string m_name;
};
