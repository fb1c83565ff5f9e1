#include "tools/core/CoordFrames.h"

#include "document/TAVDoc.h"
#include "tools/core/EditTexts.h"

CMatrix4 MakeWorldToLocal(const CCoordSystem& system) {
    CMatrix4 m = CMatrix4::Identity();
    m.setLocalCSMatrix(system.m_origin, 0, system.m_xPoint, 1, system.m_yPoint);
    if (!m.Invert()) {
        throw CGeometryError(kLcsNoPlane);
    }
    return m;
}

CCoordFrame::CCoordFrame() : m_toLocal(CMatrix4::Identity()), m_toGlobal(CMatrix4::Identity()) {}

CCoordFrame::CCoordFrame(const CMatrix4& worldToLocal)
    : m_toLocal(worldToLocal), m_toGlobal(worldToLocal) {
    m_invertible = m_toGlobal.Invert() != 0;
    if (!m_invertible) {
        m_toGlobal = CMatrix4::Identity();
    }
}

CCoordFrame CCoordFrame::Active(const CTAVDoc& doc) {
    const int i = doc.GetActiveCoordSystem();
    if (i < 0 || i >= doc.GetCoordSystemCount()) {
        return CCoordFrame();
    }
    return CCoordFrame(doc.GetMatrix(i));
}

CPoint3 CCoordFrame::ToLocal(const CPoint3& p) const {
    CPoint3 q = p;
    q.Transform(m_toLocal);
    return q;
}

CPoint3 CCoordFrame::ToGlobal(const CPoint3& p) const {
    CPoint3 q = p;
    q.Transform(m_toGlobal);
    return q;
}

CVec3 CCoordFrame::DirToLocal(const CVec3& v) const {
    CVec3 r = v;
    r.RotateBy(m_toLocal);
    return r;
}

CVec3 CCoordFrame::DirToGlobal(const CVec3& v) const {
    CVec3 r = v;
    r.RotateBy(m_toGlobal);
    return r;
}

CVec3 ActiveZAxis(const CTAVDoc& doc) {
    const int i = doc.GetActiveCoordSystem();
    if (i < 0 || i >= doc.GetCoordSystemCount()) {
        return {0.0, 0.0, 1.0};
    }
    const CCoordSystem& s = doc.GetCoordSystem(i);
    CVec3 z = Cross(s.m_xPoint - s.m_origin, s.m_yPoint - s.m_origin);
    if (z.IsShorterThan(kGeomTol)) {
        return {0.0, 0.0, 1.0};
    }
    z.Normalize();
    return z;
}

const char* CheckCoordSystem(const CTAVDoc& doc, int index, const CCoordSystem& system) {
    if (system.m_name.empty()) {
        return kEmptyName;
    }
    for (int i = 0; i < doc.GetCoordSystemCount(); ++i) {
        if (i != index && doc.GetCoordSystem(i).m_name == system.m_name) {
            return kNameTaken;
        }
    }
    const CVec3 a = system.m_yPoint - system.m_origin;
    const CVec3 b = system.m_xPoint - system.m_origin;
    // Written so that a NaN length is refused too.
    if (!(Cross(b, a).Length() >= kGeomTol)) {
        return kSystemDegenerate;
    }
    return nullptr;
}

int StoreCoordSystem(CTAVDoc& doc, int index, const CCoordSystem& system) {
    const CMatrix4 m = MakeWorldToLocal(system);
    if (index < 0 || index >= doc.GetCoordSystemCount()) {
        return doc.AddCoordSystem(system, m);
    }
    doc.SetCoordSystem(index, system, m);
    return index;
}
