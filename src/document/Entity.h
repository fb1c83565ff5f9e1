#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/DataNode.h"
#include "document/EntityName.h"
#include "document/EntityPool.h"
#include "geometry/Polygon.h"
#include "geometry/Vec3.h"

class CArchive;
class CPrompter;

// A polygon's vertices, kept with the entities.
using CVertexList = std::vector<CPoint3, CEntityAllocator<CPoint3>>;
class CPnt;
class CPoly;
class CArc;
class CText;

// Type codes written before each entity in a document file.
enum EEntityType : int {
    kTypePolygon = 100,
    kTypePolyline = 101,
    kTypeText = 102,
    kTypeArc = 103,
    kTypePoint = 104,
};

// Text of the exception raised by out-of-range vertex indices.
inline constexpr char kPolyIndexMessage[] = "CPoly[] index out of range!";

// Raised by CPoly vertex access with an index out of range; nothing is changed.
class CPolyIndexError : public std::out_of_range {
public:
    CPolyIndexError() : std::out_of_range(kPolyIndexMessage) {}
};

// Whatever draws entities (the view, the printer) implements this; entities call back the
// method of their own kind, so the document layer needs no graphics code.
class CDrawContext {
public:
    virtual ~CDrawContext() = default;
    virtual void DrawPnt(const CPnt& pnt, int highlighted) = 0;
    virtual void DrawPoly(const CPoly& poly, int highlighted) = 0;
    virtual void DrawArc(const CArc& arc, int highlighted) = 0;
    virtual void DrawText(const CText& text, int highlighted) = 0;
};

// Receiver of an entity's DXF records; the DXF writer implements it per entity kind.
class CDxfSink {
public:
    virtual ~CDxfSink() = default;
    virtual void WritePnt(const CPnt& pnt, const std::string& layerName, int colorNumber) = 0;
    virtual void WritePoly(const CPoly& poly, const std::string& layerName, int colorNumber) = 0;
    virtual void WriteArc(const CArc& arc, const std::string& layerName, int colorNumber) = 0;
    virtual void WriteText(const CText& text, const std::string& layerName, int colorNumber) = 0;
};

// The process-wide last entity number: creators take NextEntityNumber(), loads raise it.
int GetLastEntityNumber();
// Sets the counter (0 when a new document starts).
void SetLastEntityNumber(int number);
// Increments the counter and returns the new value.
int NextEntityNumber();
// Raises the counter to number when that is larger.
void RaiseLastEntityNumber(int number);

// Common base of every drawing entity.
class CEntity {
public:
    CEntity() = default;
    CEntity(const CEntity&) = default;
    CEntity& operator=(const CEntity&) = default;
    virtual ~CEntity() = default;

    // Entities live in the entity pool (see EntityPool.h).
    static void* operator new(std::size_t size) { return AllocateEntityStorage(size); }
    static void operator delete(void* p, std::size_t size) noexcept { FreeEntityStorage(p, size); }

    // Applies an affine transform to the geometry.
    virtual void Transform(const CMatrix4& m) = 0;
    // Draws through the context; highlighted is nonzero for the current pick.
    virtual void Draw(CDrawContext& dc, int highlighted) const = 0;
    // Type code (EEntityType).
    virtual int GetType() const = 0;
    // Hands the entity to the DXF writer.
    virtual void WriteDxf(CDxfSink& sink, const std::string& layerName, int colorNumber) const = 0;
    // Stores or loads the version 2.x record; throws CArchiveException on bad input.
    virtual void Serialize(CArchive& ar);
    // Loads the version 1.1.0 record (no reserved value); throws CArchiveException.
    virtual void LoadOld(CArchive& ar);
    // Deep copy, attribute data included.
    virtual std::unique_ptr<CEntity> Clone() const = 0;

    int32_t m_reserved = 1;
    int32_t m_layer = 0;
    int32_t m_number = 0;
    CEntityName m_name;
    double m_color[3] = {0.0, 0.0, 0.0};
    CDataNode m_data;

protected:
    void StoreBase(CArchive& ar);
    void LoadBase(CArchive& ar, bool oldFormat);
};

// A named survey point (type 104).
class CPnt : public CEntity {
public:
    void Transform(const CMatrix4& m) override;
    void Draw(CDrawContext& dc, int highlighted) const override { dc.DrawPnt(*this, highlighted); }
    int GetType() const override { return kTypePoint; }
    void WriteDxf(CDxfSink& sink, const std::string& layerName, int colorNumber) const override {
        sink.WritePnt(*this, layerName, colorNumber);
    }
    void Serialize(CArchive& ar) override;
    void LoadOld(CArchive& ar) override;
    std::unique_ptr<CEntity> Clone() const override { return std::make_unique<CPnt>(*this); }

    // The point, flag word included.
    CPoint3& GetPoint() { return m_point; }
    const CPoint3& GetPoint() const { return m_point; }
    void SetPoint(const CPoint3& p) { m_point = p; }

    CPoint3 m_point;
};

// A polyline (type 101) or, with the closed flag set, a polygon (type 100).
class CPoly : public CEntity {
public:
    void Transform(const CMatrix4& m) override;
    void Draw(CDrawContext& dc, int highlighted) const override { dc.DrawPoly(*this, highlighted); }
    int GetType() const override { return m_closed ? kTypePolygon : kTypePolyline; }
    void WriteDxf(CDxfSink& sink, const std::string& layerName, int colorNumber) const override {
        sink.WritePoly(*this, layerName, colorNumber);
    }
    void Serialize(CArchive& ar) override;
    // Loads the old record; the caller sets the closed flag from the record's group.
    void LoadOld(CArchive& ar) override;
    std::unique_ptr<CEntity> Clone() const override { return std::make_unique<CPoly>(*this); }

    // Number of vertices.
    int GetVertexCount() const { return static_cast<int>(m_vertices.size()); }
    // Vertex i; throws CPolyIndexError when i is out of range.
    CPoint3& operator[](int i);
    const CPoint3& operator[](int i) const;
    // Grows with (0, 0, 0) flag-1 vertices or shrinks; negative n throws CPolyIndexError.
    void SetVertexCount(int n);
    // Appends a copy of p.
    void AddVertex(const CPoint3& p) { m_vertices.push_back(p); }
    // Inserts before index i (0..count); throws CPolyIndexError otherwise.
    void InsertVertex(int i, const CPoint3& p);
    // Removes vertex i; throws CPolyIndexError when out of range.
    void RemoveVertex(int i);
    // Sum of the edge lengths, plus the closing edge when closing is nonzero; 0 without edges.
    double GetLength(int closing) const;

    // Best-fit plane through the vertices: 1 with unit normal and centroid, 0 when none.
    int ComputeBestPlane(CVec3& outNormal, CPoint3& outPoint) const;
    // Stores the plane normal and the planar flag.
    void ComputePlane();
    // Replaces the triangulation from the current vertices and sets the tessellated flag.
    void Tessellate();
    // The fill as primitives with their points: m_triangulation, or the fan spelt out.
    std::vector<CTessPrimitive> FillPrimitives() const;
    // Vertex k (0..n-1) of the fan in its fill order; only when m_fan is set.
    const CPoint3& FanVertex(int k) const {
        const int n = GetVertexCount();
        return m_vertices[static_cast<size_t>(m_fan > 0 || k == 0 ? k : n - k)];
    }
    // Area by ear clipping: 1 and the area, or 0; message 41511 through prompter when the
    // polygon cannot be reduced (prompter may be null).
    int ComputeArea(double& outArea, CPrompter* prompter) const;
    // 1 when P lies inside the polygon seen in the XY plane of frame m.
    int PointInPolygon(const CPoint3& P, const CMatrix4& m) const;

    int32_t m_closed = 0;
    int32_t m_marker = 0;
    CVertexList m_vertices;
    CVec3 m_normal;
    int32_t m_planar = 0;
    int32_t m_tessellated = 0;
    // The fill when m_fan is 0; empty when the fill is the fan of the vertices themselves.
    std::vector<CTessPrimitive> m_triangulation;
    // With the tessellated flag set: 1 when the fill is the fan of vertex 0, 1, ..., n - 1,
    // -1 when it is that of vertex 0, n - 1, ..., 1 (triangles for n = 3), 0 otherwise. Most
    // outlines fill that way, and then keep no copy of their vertices.
    int32_t m_fan = 0;

private:
    void ReadVertices(CArchive& ar);
};

// An arc or circle (type 103) in the plane of its axis.
class CArc : public CEntity {
public:
    void Transform(const CMatrix4& m) override;
    void Draw(CDrawContext& dc, int highlighted) const override { dc.DrawArc(*this, highlighted); }
    int GetType() const override { return kTypeArc; }
    void WriteDxf(CDxfSink& sink, const std::string& layerName, int colorNumber) const override {
        sink.WriteArc(*this, layerName, colorNumber);
    }
    void Serialize(CArchive& ar) override;
    void LoadOld(CArchive& ar) override;
    std::unique_ptr<CEntity> Clone() const override { return std::make_unique<CArc>(*this); }

    // Start angle exactly 0 and angular length exactly 360.
    bool IsFullCircle() const { return m_start == 0.0 && m_length == 360.0; }
    // Point at the start angle; 0 (out untouched) for a full circle.
    int GetStartPoint(CPoint3& out) const;
    // Point halfway along; 0 for a full circle.
    int GetMidPoint(CPoint3& out) const;
    // Point at start + length; 0 for a full circle.
    int GetEndPoint(CPoint3& out) const;
    // Point at start + offset degrees; always 1.
    int GetPointAt(CPoint3& out, double offsetDeg) const;
    // Points at 0, 90, 180, 270 degrees of a full circle; 0 (outputs untouched) otherwise.
    int GetQuarterPoints(CPoint3& p0, CPoint3& p1, CPoint3& p2, CPoint3& p3) const;
    double GetArcLength() const;
    double GetSectorArea() const;
    // The arc's plane frame (centre, axis, no rotation) in which its points are computed.
    CMatrix4 GetFrame() const;
    // Point at start + offset degrees, given the frame from GetFrame.
    CPoint3 PointInFrame(const CMatrix4& frame, double offsetDeg) const;

    CPoint3 m_center;
    CVec3 m_axis{0.0, 0.0, 1.0};
    double m_radius = 1.0;
    double m_start = 0.0;
    double m_length = 360.0;

private:
    void SerializeOwn(CArchive& ar);
};

// A 3D stroke-font text (type 102).
class CText : public CEntity {
public:
    void Transform(const CMatrix4& m) override;
    void Draw(CDrawContext& dc, int highlighted) const override { dc.DrawText(*this, highlighted); }
    int GetType() const override { return kTypeText; }
    void WriteDxf(CDxfSink& sink, const std::string& layerName, int colorNumber) const override {
        sink.WriteText(*this, layerName, colorNumber);
    }
    void Serialize(CArchive& ar) override;
    void LoadOld(CArchive& ar) override;
    std::unique_ptr<CEntity> Clone() const override { return std::make_unique<CText>(*this); }

    // Number of characters of the text.
    int GetTextLength() const;

    std::string m_text;
    CPoint3 m_position;
    CVec3 m_axis;
    double m_rotation = 0.0;
    double m_height = 1.0;
    int32_t m_font = 0;

private:
    void SerializeOwn(CArchive& ar);
};

// Constructs an empty entity for a type code 100..104; nullptr for any other code.
std::unique_ptr<CEntity> CreateEntity(int typeCode);
