#include "tools/core/EntityEdit.h"

#include <cmath>

#include "document/StrokeFont.h"
#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"

namespace {

template <class T>
bool CopyAs(CEntity& dst, const CEntity& src) {
    auto* d = dynamic_cast<T*>(&dst);
    const auto* s = dynamic_cast<const T*>(&src);
    if (d == nullptr || s == nullptr) {
        return false;
    }
    *d = *s;
    return true;
}

bool SameColor(const double a[3], const double b[3]) {
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(a[i] - b[i]) < kGeomTol)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<CEntity> MakeNewEntity(const CTAVDoc& doc, int typeCode) {
    std::unique_ptr<CEntity> e = CreateEntity(typeCode);
    if (auto* arc = dynamic_cast<CArc*>(e.get())) {
        arc->m_axis = ActiveZAxis(doc);
    } else if (auto* text = dynamic_cast<CText*>(e.get())) {
        text->m_axis = ActiveZAxis(doc);
    }
    return e;
}

bool CopyEntityInto(CEntity& dst, const CEntity& src) {
    return CopyAs<CPnt>(dst, src) || CopyAs<CPoly>(dst, src) || CopyAs<CArc>(dst, src) ||
           CopyAs<CText>(dst, src);
}

int CEntityEdit::BeginNew(CTAVDoc& doc, std::unique_ptr<CEntity> entity) {
    if (!entity) {
        return -1;
    }
    doc.GetCurrentColor(entity->m_color);
    entity->m_layer = doc.GetCurrentLayer();
    m_saved = entity->Clone();
    m_live = entity.get();
    // The whole edit is one step; a cancel takes it back.
    doc.BeginStep(stepnames::kNewEntity);
    m_index = doc.AddEntity(std::move(entity));
    m_doc = &doc;
    m_new = true;
    return m_index;
}

bool CEntityEdit::BeginExisting(CTAVDoc& doc, int index) {
    if (index < 0 || index >= doc.GetEntityCount() || doc.GetEntity(index) == nullptr) {
        return false;
    }
    m_doc = &doc;
    m_index = index;
    m_new = false;
    m_live = doc.GetEntity(index);
    m_saved = m_live->Clone();
    doc.BeginStep(stepnames::kEditEntity);
    doc.TouchEntity(index);
    return true;
}

CEntity* CEntityEdit::Entity() const {
    if (m_doc == nullptr || m_index < 0 || m_index >= m_doc->GetEntityCount()) {
        return nullptr;
    }
    CEntity* e = m_doc->GetEntity(m_index);
    return e == m_live ? e : nullptr;
}

const char* CEntityEdit::Commit() {
    CEntity* e = Entity();
    if (e == nullptr) {
        if (m_doc != nullptr) {
            m_doc->EndStep();
        }
        End();
        return nullptr;
    }
    if (const auto* poly = dynamic_cast<const CPoly*>(e)) {
        if (poly->m_closed && poly->GetVertexCount() < 3) {
            return kPolygonTooFew;
        }
        if (!poly->m_closed && poly->GetVertexCount() < 2) {
            return kPolylineTooFew;
        }
    }
    CTAVDoc& doc = *m_doc;
    doc.SetCurrentColor(e->m_color);
    if (m_new) {
        e->m_number = NextEntityNumber();
    }
    if (auto* poly = dynamic_cast<CPoly*>(e); poly != nullptr && poly->m_closed) {
        poly->Tessellate();
        poly->ComputePlane();
    }
    ExtendExtentsBy(doc, *e);
    doc.SetModifiedFlag(true);
    doc.EndStep();
    doc.InvalidateViews();
    End();
    return nullptr;
}

void CEntityEdit::Cancel() {
    if (m_doc == nullptr) {
        return;
    }
    if (CEntity* e = Entity()) {
        CopyEntityInto(*e, *m_saved);
        if (m_new) {
            m_doc->RemoveEntity(m_index);
            m_doc->InvalidateViews();
        }
        // What the edit changed is put back and leaves no step.
        m_doc->CancelStep();
    } else {
        // The table changed under the edit: what happened stays, and stays undoable.
        m_doc->EndStep();
    }
    End();
}

void CEntityEdit::End() {
    m_doc = nullptr;
    m_index = -1;
    m_new = false;
    m_live = nullptr;
    m_saved.reset();
}

void ExtendExtentsBy(CTAVDoc& doc, const CEntity& entity) {
    if (const auto* pnt = dynamic_cast<const CPnt*>(&entity)) {
        doc.ExtendExtents(pnt->m_point);
    } else if (const auto* poly = dynamic_cast<const CPoly*>(&entity)) {
        for (const CPoint3& v : poly->m_vertices) {
            doc.ExtendExtents(v);
        }
    } else if (const auto* arc = dynamic_cast<const CArc*>(&entity)) {
        const CMatrix4 frame = arc->GetFrame();
        const int steps = arc->m_length > 180.0 ? 4 : 2;
        for (int k = 0; k <= steps; ++k) {
            doc.ExtendExtents(arc->PointInFrame(frame, arc->m_length * k / steps));
        }
    } else if (const auto* text = dynamic_cast<const CText*>(&entity)) {
        doc.ExtendExtents(text->m_position);
        double width = 0.0, height = 0.0;
        const int font = text->m_font >= 0 && text->m_font <= 3 ? text->m_font : 3;
        CStrokeFontMetrics::Get().MeasureString(text->m_text, font, width, height);
        CMatrix4 frame;
        frame.SetArbitraryAxisFrame(text->m_position, text->m_axis, text->m_rotation);
        CVec3 extent(width * text->m_height, height * text->m_height, 0.0);
        extent.RotateBy(frame);
        doc.ExtendExtents(text->m_position + extent);
    }
}

int ColorToByte(double c) {
    const double v = c * 255.0 + 0.5;
    if (!(v > 0.0)) {
        return 0;
    }
    return v >= 255.0 ? 255 : static_cast<int>(v);
}

double ByteToColor(int byte) {
    return byte * 0.00392156862745098;
}

bool IntersectPickRay(const CPoint3& picked, const CPoint3& eye, const CPoint3& target,
                      const CPoint3& planePoint, const CVec3& axis, CPoint3& out) {
    const CVec3 dir = eye - target;
    if (dir.IsShorterThan(kGeomTol) || axis.IsShorterThan(kGeomTol)) {
        return false;
    }
    return picked.LineIntersectPlane(planePoint, axis, dir, out);
}

double AngleInEntityFrame(const CPoint3& centre, const CVec3& axis, const CPoint3& p) {
    CMatrix4 frame;
    frame.SetArbitraryAxisFrame(centre, axis, 0.0);
    const CVec3 xAxis(frame.m[0][0], frame.m[1][0], frame.m[2][0]);
    double angle = xAxis.AngleInFrame(p - centre, frame);
    if (angle < 0.0) {
        angle += 360.0;
    }
    return angle >= 360.0 ? angle - 360.0 : angle;
}

double ArcLengthTo(double start, double angle) {
    double length = angle - start;
    if (length < 0.0) {
        length += 360.0;
    }
    return length;
}

SCommonProperties GatherCommonProperties(const CTAVDoc& doc, std::span<const int> selection) {
    SCommonProperties p;
    bool first = true;
    for (int i : selection) {
        if (i < 0 || i >= doc.GetEntityCount()) {
            continue;
        }
        const CEntity& e = *doc.GetEntity(i);
        if (first) {
            first = false;
            p.name = e.m_name;
            p.layer = e.m_layer;
            for (int k = 0; k < 3; ++k) {
                p.color[k] = e.m_color[k];
            }
            p.data = e.m_data;
            continue;
        }
        if (!p.namesDiffer && e.m_name != p.name) {
            p.namesDiffer = 1;
            p.name.clear();
        }
        if (e.m_layer != p.layer) {
            p.layer = -1;
        }
        if (!p.colorsDiffer && !SameColor(e.m_color, p.color)) {
            p.colorsDiffer = 1;
            p.color[0] = p.color[1] = p.color[2] = 1.0;
        }
        if (!p.dataDiffer && !(e.m_data == p.data)) {
            p.dataDiffer = 1;
            p.data = CDataNode();
        }
    }
    return p;
}

int ApplyCommonProperties(CTAVDoc& doc, std::span<const int> selection,
                          const SCommonProperties& props, int layerChoice) {
    int changed = 0;
    const bool setLayer = layerChoice >= 0 && layerChoice < doc.GetLayerCount();
    for (int i : selection) {
        if (i < 0 || i >= doc.GetEntityCount()) {
            continue;
        }
        doc.TouchEntity(i);
        CEntity& e = *doc.GetEntity(i);
        if (!props.namesDiffer) {
            e.m_name = props.name;
        }
        if (setLayer) {
            e.m_layer = layerChoice;
        }
        if (!props.colorsDiffer) {
            for (int k = 0; k < 3; ++k) {
                e.m_color[k] = props.color[k];
            }
        }
        if (!props.dataDiffer) {
            e.m_data = props.data;
        }
        ++changed;
    }
    return changed;
}
