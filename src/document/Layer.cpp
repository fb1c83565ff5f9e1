#include "document/Layer.h"

#include "document/Archive.h"
#include "document/StringTable.h"

CLayer::CLayer() : m_name(LoadStr(41489)) {}

void CLayer::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(static_cast<uint32_t>(m_locked));
        ar.WriteU32(static_cast<uint32_t>(m_visible));
        ar.WriteString(m_name);
    } else {
        m_locked = static_cast<int32_t>(ar.ReadU32());
        m_visible = static_cast<int32_t>(ar.ReadU32());
        m_name = ar.ReadString();
    }
}

CClipPlane::CClipPlane() {
    ComputeEquation();
}

CClipPlane::CClipPlane(const CPoint3& point, const CVec3& normal)
    : m_point(point), m_normal(normal) {
    ComputeEquation();
}

CClipPlane::CClipPlane(const std::string& name, int active, const CPoint3& point,
                       const CVec3& normal)
    : m_active(active), m_point(point), m_normal(normal), m_name(name) {
    ComputeEquation();
}

void CClipPlane::ComputeEquation() {
    CVec3 n = m_normal;
    n.Normalize();
    m_equation[0] = -n.x;
    m_equation[1] = -n.y;
    m_equation[2] = -n.z;
    m_equation[3] = n.x * m_point.x + n.y * m_point.y + n.z * m_point.z;
}

void CClipPlane::GetEquation(double out[4]) const {
    for (int i = 0; i < 4; ++i) {
        out[i] = m_equation[i];
    }
}

void CClipPlane::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(static_cast<uint32_t>(m_active));
        ar.WritePoint3(m_point);
        ar.WriteVec3(m_normal);
        ar.WriteString(m_name);
    } else {
        m_active = static_cast<int32_t>(ar.ReadU32());
        const uint32_t flag = m_point.flag;
        m_point = ar.ReadPoint3();
        m_point.flag = flag;
        m_normal = ar.ReadVec3();
        m_name = ar.ReadString();
        ComputeEquation();
    }
}

void CCoordSystem::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WritePoint3(m_origin);
        ar.WritePoint3(m_xPoint);
        ar.WritePoint3(m_yPoint);
        ar.WriteString(m_name);
    } else {
        m_origin = ar.ReadPoint3();
        m_xPoint = ar.ReadPoint3();
        m_yPoint = ar.ReadPoint3();
        m_name = ar.ReadString();
    }
}
