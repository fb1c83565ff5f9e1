#include "document/Entity.h"

#include <cmath>
#include <span>

#include "document/Archive.h"
#include "document/Cp1250.h"
#include "document/Prompter.h"
#include "document/StringTable.h"

// The entity pool hands out storage aligned to 8 bytes.
static_assert(alignof(CPnt) <= 8 && alignof(CPoly) <= 8 && alignof(CArc) <= 8 &&
              alignof(CText) <= 8 && alignof(CPoint3) <= 8);

namespace {

int g_lastEntityNumber = 0;

// A vertex on disk: point3 and its flag word.
constexpr uint64_t kVertexBytes = 3 * 8 + 4;

}  // namespace

int GetLastEntityNumber() {
    return g_lastEntityNumber;
}

void SetLastEntityNumber(int number) {
    g_lastEntityNumber = number;
}

int NextEntityNumber() {
    return ++g_lastEntityNumber;
}

void RaiseLastEntityNumber(int number) {
    if (number > g_lastEntityNumber) {
        g_lastEntityNumber = number;
    }
}

// ---------------------------------------------------------------------------------------------
// CEntity

// On disk the data tree comes first and the colour last, unlike the field order.
void CEntity::StoreBase(CArchive& ar) {
    m_data.Serialize(ar);
    ar.WriteU32(static_cast<uint32_t>(m_reserved));
    ar.WriteI32(m_layer);
    ar.WriteI32(m_number);
    ar.WriteString(m_name);
    ar.WriteF64(m_color[0]);
    ar.WriteF64(m_color[1]);
    ar.WriteF64(m_color[2]);
}

void CEntity::LoadBase(CArchive& ar, bool oldFormat) {
    m_data.Serialize(ar);
    if (!oldFormat) {
        m_reserved = static_cast<int32_t>(ar.ReadU32());
    }
    m_layer = ar.ReadI32();
    m_number = ar.ReadI32();
    m_name = ar.ReadString();
    m_color[0] = ar.ReadF64();
    m_color[1] = ar.ReadF64();
    m_color[2] = ar.ReadF64();
    RaiseLastEntityNumber(m_number);
}

void CEntity::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreBase(ar);
    } else {
        LoadBase(ar, false);
    }
}

void CEntity::LoadOld(CArchive& ar) {
    LoadBase(ar, true);
}

std::unique_ptr<CEntity> CreateEntity(int typeCode) {
    switch (typeCode) {
        case kTypePolygon:
        case kTypePolyline: {
            auto poly = std::make_unique<CPoly>();
            poly->m_closed = typeCode == kTypePolygon ? 1 : 0;
            return poly;
        }
        case kTypeText:
            return std::make_unique<CText>();
        case kTypeArc:
            return std::make_unique<CArc>();
        case kTypePoint:
            return std::make_unique<CPnt>();
        default:
            return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// CPnt

void CPnt::Transform(const CMatrix4& m) {
    m_point.Transform(m);
}

void CPnt::Serialize(CArchive& ar) {
    CEntity::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WritePoint3(m_point);
        ar.WriteU32(m_point.flag);
    } else {
        m_point = ar.ReadPoint3();
        m_point.flag = ar.ReadU32();
    }
}

void CPnt::LoadOld(CArchive& ar) {
    CEntity::LoadOld(ar);
    m_point = ar.ReadPoint3();
    m_point.flag = ar.ReadU32();
}

// ---------------------------------------------------------------------------------------------
// CPoly

CPoint3& CPoly::operator[](int i) {
    if (i < 0 || i >= GetVertexCount()) {
        throw CPolyIndexError();
    }
    return m_vertices[static_cast<size_t>(i)];
}

const CPoint3& CPoly::operator[](int i) const {
    if (i < 0 || i >= GetVertexCount()) {
        throw CPolyIndexError();
    }
    return m_vertices[static_cast<size_t>(i)];
}

void CPoly::SetVertexCount(int n) {
    if (n < 0) {
        throw CPolyIndexError();
    }
    if (n == 0) {
        CVertexList().swap(m_vertices);
        return;
    }
    m_vertices.resize(static_cast<size_t>(n));
}

void CPoly::InsertVertex(int i, const CPoint3& p) {
    if (i < 0 || i > GetVertexCount()) {
        throw CPolyIndexError();
    }
    m_vertices.insert(m_vertices.begin() + i, p);
}

void CPoly::RemoveVertex(int i) {
    if (i < 0 || i >= GetVertexCount()) {
        throw CPolyIndexError();
    }
    m_vertices.erase(m_vertices.begin() + i);
}

double CPoly::GetLength(int closing) const {
    const size_t n = m_vertices.size();
    // No vertices gives 0 rather than an exception: DXF imports make such polylines.
    if (n == 0) {
        return 0.0;
    }
    double length = 0.0;
    for (size_t i = 1; i < n; ++i) {
        length += m_vertices[i].Distance(m_vertices[i - 1]);
    }
    if (closing) {
        length += m_vertices[0].Distance(m_vertices[n - 1]);
    }
    return length;
}

int CPoly::ComputeBestPlane(CVec3& outNormal, CPoint3& outPoint) const {
    return ::ComputeBestPlane(m_vertices, outNormal, outPoint) ? 1 : 0;
}

void CPoly::ComputePlane() {
    bool planar = false;
    ::ComputePlane(m_vertices, m_normal, planar);
    m_planar = planar ? 1 : 0;
}

void CPoly::Tessellate() {
    int fan = 0;
    if (TessellateAsFan(m_vertices, fan)) {
        m_tessellated = 1;
        m_fan = fan;
        if (m_triangulation.capacity() != 0) {
            std::vector<CTessPrimitive>().swap(m_triangulation);
        }
        return;
    }
    std::vector<CTessPrimitive> result;
    const bool ok = ::Tessellate(m_vertices, result);
    m_tessellated = ok ? 1 : 0;
    m_fan = 0;
    m_triangulation = std::move(result);
}

std::vector<CTessPrimitive> CPoly::FillPrimitives() const {
    const size_t n = m_vertices.size();
    if (m_fan == 0 || n < 3) {
        return m_triangulation;
    }
    CTessPrimitive prim;
    prim.kind = n > 3 ? kTessTriangleFan : kTessTriangles;
    prim.points.reserve(n);
    for (int k = 0; k < static_cast<int>(n); ++k) {
        const CPoint3& v = FanVertex(k);
        prim.points.emplace_back(v.x, v.y, v.z);
    }
    return {std::move(prim)};
}

int CPoly::ComputeArea(double& outArea, CPrompter* prompter) const {
    const EAreaResult result = ::ComputeArea(m_vertices, outArea);
    if (result == EAreaResult::NotReducible && prompter) {
        prompter->ShowMessage(LoadStr(41511), CPrompter::EIcon::Warning);
    }
    return result == EAreaResult::Ok ? 1 : 0;
}

int CPoly::PointInPolygon(const CPoint3& P, const CMatrix4& m) const {
    return ::PointInPolygon(m_vertices, P, m);
}

void CPoly::Transform(const CMatrix4& m) {
    for (CPoint3& v : m_vertices) {
        v.Transform(m);
    }
}

void CPoly::ReadVertices(CArchive& ar) {
    const uint32_t count = ar.ReadU32();
    ar.CheckAvailable(count, kVertexBytes, "vertex count");
    CVertexList vertices(count);
    for (CPoint3& v : vertices) {
        v = ar.ReadPoint3();
        v.flag = ar.ReadU32();
    }
    m_vertices = std::move(vertices);
}

void CPoly::Serialize(CArchive& ar) {
    CEntity::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteU32(static_cast<uint32_t>(m_closed));
        ar.WriteU32(static_cast<uint32_t>(m_marker));
        ar.WriteU32(static_cast<uint32_t>(m_vertices.size()));
        for (const CPoint3& v : m_vertices) {
            ar.WritePoint3(v);
            ar.WriteU32(v.flag);
        }
    } else {
        m_closed = static_cast<int32_t>(ar.ReadU32());
        m_marker = static_cast<int32_t>(ar.ReadU32());
        ReadVertices(ar);
    }
}

void CPoly::LoadOld(CArchive& ar) {
    CEntity::LoadOld(ar);
    ReadVertices(ar);
}

// ---------------------------------------------------------------------------------------------
// CArc

void CArc::Transform(const CMatrix4& m) {
    m_center.Transform(m);
    m_axis.RotateBy(m);
    CVec3 r(m_radius, 0.0, 0.0);
    r.RotateBy(m);
    m_radius = r.Length();
}

CMatrix4 CArc::GetFrame() const {
    CMatrix4 frame;
    frame.SetArbitraryAxisFrame(m_center, m_axis, 0.0);
    return frame;
}

CPoint3 CArc::PointInFrame(const CMatrix4& frame, double offsetDeg) const {
    const double a = (m_start + offsetDeg) * kDegToRad;
    return CPoint3(m_radius * std::cos(a), m_radius * std::sin(a), 0.0).TransformedBy(frame);
}

int CArc::GetPointAt(CPoint3& out, double offsetDeg) const {
    out = PointInFrame(GetFrame(), offsetDeg);
    return 1;
}

int CArc::GetStartPoint(CPoint3& out) const {
    if (IsFullCircle()) {
        return 0;
    }
    return GetPointAt(out, 0.0);
}

int CArc::GetMidPoint(CPoint3& out) const {
    if (IsFullCircle()) {
        return 0;
    }
    return GetPointAt(out, 0.5 * m_length);
}

int CArc::GetEndPoint(CPoint3& out) const {
    if (IsFullCircle()) {
        return 0;
    }
    return GetPointAt(out, m_length);
}

int CArc::GetQuarterPoints(CPoint3& p0, CPoint3& p1, CPoint3& p2, CPoint3& p3) const {
    if (!IsFullCircle()) {
        return 0;
    }
    GetPointAt(p0, 0.0);
    GetPointAt(p1, 90.0);
    GetPointAt(p2, 180.0);
    GetPointAt(p3, 270.0);
    return 1;
}

double CArc::GetArcLength() const {
    return std::abs(m_length * m_radius * 0.017453292519943295);
}

double CArc::GetSectorArea() const {
    return std::abs(m_length * m_radius * m_radius * 0.008726646259971648);
}

void CArc::SerializeOwn(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WritePoint3(m_center);
        ar.WriteVec3(m_axis);
        ar.WriteF64(m_radius);
        ar.WriteF64(m_start);
        ar.WriteF64(m_length);
    } else {
        const uint32_t flag = m_center.flag;
        m_center = ar.ReadPoint3();
        m_center.flag = flag;
        m_axis = ar.ReadVec3();
        m_radius = ar.ReadF64();
        m_start = ar.ReadF64();
        m_length = ar.ReadF64();
    }
}

void CArc::Serialize(CArchive& ar) {
    CEntity::Serialize(ar);
    SerializeOwn(ar);
}

void CArc::LoadOld(CArchive& ar) {
    CEntity::LoadOld(ar);
    SerializeOwn(ar);
}

// ---------------------------------------------------------------------------------------------
// CText

void CText::Transform(const CMatrix4& m) {
    m_position.Transform(m);
    m_axis.RotateBy(m);
    CVec3 h(0.0, m_height, 0.0);
    h.RotateBy(m);
    m_height = h.Length();
}

int CText::GetTextLength() const {
    return static_cast<int>(Utf8CharCount(m_text));
}

// The string comes last in a text record.
void CText::SerializeOwn(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WritePoint3(m_position);
        ar.WriteVec3(m_axis);
        ar.WriteF64(m_rotation);
        ar.WriteF64(m_height);
        ar.WriteU32(static_cast<uint32_t>(m_font));
        ar.WriteString(m_text);
    } else {
        const uint32_t flag = m_position.flag;
        m_position = ar.ReadPoint3();
        m_position.flag = flag;
        m_axis = ar.ReadVec3();
        m_rotation = ar.ReadF64();
        m_height = ar.ReadF64();
        m_font = static_cast<int32_t>(ar.ReadU32());
        m_text = ar.ReadString();
    }
}

void CText::Serialize(CArchive& ar) {
    CEntity::Serialize(ar);
    SerializeOwn(ar);
}

void CText::LoadOld(CArchive& ar) {
    CEntity::LoadOld(ar);
    SerializeOwn(ar);
}
