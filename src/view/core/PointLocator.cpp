#include "view/core/PointLocator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "geometry/Polygon.h"

namespace {

// Vertices per piece of a polyline in the index: long outlines must not make one huge box.
constexpr int kPieceVertices = 32;
// Items per leaf of the hierarchy.
constexpr int kLeafItems = 4;

CMatrix4 ProjectionMatrix(const CProjectionBox& p, bool& valid) {
    CMatrix4 m;
    const double w = p.right - p.left, h = p.top - p.bottom, d = p.farPlane - p.nearPlane;
    valid = w != 0.0 && h != 0.0 && d != 0.0 && std::isfinite(w) && std::isfinite(h) &&
            std::isfinite(d);
    if (!valid) {
        return CMatrix4::Identity();
    }
    if (p.perspective) {
        const double n = p.nearPlane, f = p.farPlane;
        if (!(n > 0.0) || !(f > 0.0)) {
            valid = false;
            return CMatrix4::Identity();
        }
        m.m[0][0] = 2.0 * n / w;
        m.m[0][2] = (p.right + p.left) / w;
        m.m[1][1] = 2.0 * n / h;
        m.m[1][2] = (p.top + p.bottom) / h;
        m.m[2][2] = -(f + n) / d;
        m.m[2][3] = -2.0 * f * n / d;
        m.m[3][2] = -1.0;
        return m;
    }
    m.m[0][0] = 2.0 / w;
    m.m[0][3] = -(p.right + p.left) / w;
    m.m[1][1] = 2.0 / h;
    m.m[1][3] = -(p.top + p.bottom) / h;
    m.m[2][2] = -2.0 / d;
    m.m[2][3] = -(p.farPlane + p.nearPlane) / d;
    m.m[3][3] = 1.0;
    return m;
}

// gluPickMatrix(x, y, w, h, viewport (0, 0, vw, vh)) with y upwards.
CMatrix4 PickMatrix(double x, double y, double w, double h, double vw, double vh) {
    CMatrix4 m = CMatrix4::Identity();
    m.m[0][0] = vw / w;
    m.m[1][1] = vh / h;
    m.m[0][3] = (vw - 2.0 * x) / w;
    m.m[1][3] = (vh - 2.0 * y) / h;
    return m;
}

void Clip(const CMatrix4& m, double x, double y, double z, double c[4]) {
    for (int r = 0; r < 4; ++r) {
        c[r] = m.m[r][0] * x + m.m[r][1] * y + m.m[r][2] * z + m.m[r][3];
    }
}

// Signed distances of a clip point to the six sides of the frustum (inside >= 0).
void SideDistances(const double c[4], double d[6]) {
    d[0] = c[3] + c[0];
    d[1] = c[3] - c[0];
    d[2] = c[3] + c[1];
    d[3] = c[3] - c[1];
    d[4] = c[3] + c[2];
    d[5] = c[3] - c[2];
}

bool LayerOpen(const CTAVDoc& doc, int layer) {
    if (layer < 0 || layer >= doc.GetLayerCount()) {
        return true;  // drawn like any other
    }
    const CLayer& l = doc.GetLayer(layer);
    return l.m_visible != 0 && l.m_locked == 0;
}

bool SegmentExists(const CPoly& poly, int j) {
    const int n = poly.GetVertexCount();
    return j >= 0 && j < n && (j + 1 < n || poly.m_closed != 0);
}

// Candidates and segments of one piece of an entity, tested against the pick window.
void CollectPiece(const CEntity& e, int entity, int first, int count, uint16_t mask,
                  const CClipTransform& t, std::vector<SSnapCandidate>& cands,
                  std::vector<SSnapSegment>& segs) {
    double depth = 0;
    auto point = [&](const CPoint3& p, int order) {
        if (t.PointHit(p, depth)) {
            cands.push_back({entity, order, static_cast<float>(depth)});
        }
    };
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline: {
            const auto& poly = static_cast<const CPoly&>(e);
            const int n = poly.GetVertexCount();
            const int end = std::min(n, first + count);
            for (int j = std::max(first, 0); j < end; ++j) {
                const CPoint3& v = poly.m_vertices[static_cast<size_t>(j)];
                if (mask & kSnapVertex) {
                    point(v, 2 * j);
                }
                if ((mask & (kSnapMidpoint | kSnapIntersection)) && SegmentExists(poly, j)) {
                    const CPoint3& w = poly.m_vertices[static_cast<size_t>((j + 1) % n)];
                    if (mask & kSnapMidpoint) {
                        point(CPoint3((v.x + w.x) * 0.5, (v.y + w.y) * 0.5, (v.z + w.z) * 0.5),
                              2 * j + 1);
                    }
                    if ((mask & kSnapIntersection) && t.SegmentHit(v, w)) {
                        segs.push_back({entity, j});
                    }
                }
            }
            break;
        }
        case kTypeText:
            if (mask & kSnapTextStart) {
                point(static_cast<const CText&>(e).m_position, 0);
            }
            break;
        case kTypePoint:
            if (mask & kSnapPoint) {
                point(static_cast<const CPnt&>(e).m_point, 0);
            }
            break;
        case kTypeArc: {
            const auto& arc = static_cast<const CArc&>(e);
            CPoint3 p[4];
            if (mask & kSnapArcCentre) {
                point(arc.m_center, 0);
            }
            if (mask & kSnapArcEnds) {
                if (arc.GetStartPoint(p[0])) {
                    point(p[0], 1);
                }
                if (arc.GetEndPoint(p[0])) {
                    point(p[0], 2);
                }
            }
            if ((mask & kSnapMidpoint) && arc.GetMidPoint(p[0])) {
                point(p[0], 3);
            }
            if ((mask & kSnapQuadrants) && arc.GetQuarterPoints(p[0], p[1], p[2], p[3])) {
                for (int q = 0; q < 4; ++q) {
                    point(p[q], 4 + q);
                }
            }
            break;
        }
        default:
            break;
    }
}

void SetBox(CSceneIndex::SItem& item, const CPoint3& p) {
    for (int k = 0; k < 3; ++k) {
        item.mn[k] = item.mx[k] = p[k];
    }
}

void Grow(CSceneIndex::SItem& item, const CPoint3& p) {
    for (int k = 0; k < 3; ++k) {
        item.mn[k] = std::min(item.mn[k], p[k]);
        item.mx[k] = std::max(item.mx[k], p[k]);
    }
}

void Inflate(CSceneIndex::SItem& item, double r) {
    for (int k = 0; k < 3; ++k) {
        item.mn[k] -= r;
        item.mx[k] += r;
    }
}

// A box with a NaN or infinity in it matches every query.
void OpenIfNotFinite(CSceneIndex::SItem& item) {
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(item.mn[k]) || !std::isfinite(item.mx[k])) {
            for (int i = 0; i < 3; ++i) {
                item.mn[i] = -std::numeric_limits<double>::infinity();
                item.mx[i] = std::numeric_limits<double>::infinity();
            }
            return;
        }
    }
}

double Centre(const CSceneIndex::SItem& item, int axis) {
    const double c = (item.mn[axis] + item.mx[axis]) * 0.5;
    return std::isfinite(c) ? c : 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CClipTransform

void CClipTransform::AddDocumentPlanes(const CTAVDoc* doc, int maxClipPlanes) {
    if (doc == nullptr) {
        return;
    }
    for (int i = 0; i < doc->GetClipPlaneCount(); ++i) {
        if (static_cast<int>(m_userPlanes.size()) >= maxClipPlanes) {
            break;
        }
        const CClipPlane& plane = doc->GetClipPlane(i);
        if (!plane.m_active) {
            continue;
        }
        const CClipPlane local(plane.m_point - m_pivot, plane.m_normal);
        std::array<double, 4> eq{};
        local.GetEquation(eq.data());
        m_userPlanes.push_back(eq);
    }
}

CClipTransform CClipTransform::ForLocate(const CCamera& cam, const CTAVDoc* doc, int maxClipPlanes,
                                         double x, double y, double window) {
    CClipTransform t;
    t.m_pivot = cam.m_pivot;
    bool valid = false;
    const CMatrix4 proj = ProjectionMatrix(cam.Projection(), valid);
    const double vw = cam.m_clientWidth, vh = cam.m_clientHeight;
    const CMatrix4 pick = PickMatrix(x, vh - y, window, window, vw, vh);
    t.m_clip = pick * proj * cam.ModelViewMatrix();
    t.m_valid = valid && vw >= 1 && vh >= 1;
    t.AddDocumentPlanes(doc, maxClipPlanes);
    return t;
}

CClipTransform CClipTransform::ForBox(const CCamera& cam, const CTAVDoc* doc, int maxClipPlanes,
                                      double l, double r, double b, double t) {
    CClipTransform c;
    c.m_pivot = cam.m_pivot;
    bool valid = false;
    const CMatrix4 proj = ProjectionMatrix(cam.Projection(l, r, b, t), valid);
    c.m_clip = proj * cam.ModelViewMatrix();
    c.m_valid = valid;
    c.AddDocumentPlanes(doc, maxClipPlanes);
    return c;
}

bool CClipTransform::PointHit(const CPoint3& p, double& depth) const {
    if (!m_valid) {
        return false;
    }
    const double x = p.x - m_pivot.x, y = p.y - m_pivot.y, z = p.z - m_pivot.z;
    double c[4], d[6];
    Clip(m_clip, x, y, z, c);
    SideDistances(c, d);
    for (double v : d) {
        if (!(v >= 0.0)) {
            return false;
        }
    }
    for (const auto& q : m_userPlanes) {
        if (!(q[0] * x + q[1] * y + q[2] * z + q[3] >= 0.0)) {
            return false;
        }
    }
    if (!(c[3] > 0.0)) {
        return false;
    }
    depth = std::clamp((c[2] / c[3] + 1.0) * 0.5, 0.0, 1.0);
    return true;
}

bool CClipTransform::SegmentHit(const CPoint3& a, const CPoint3& b) const {
    if (!m_valid) {
        return false;
    }
    const double ax = a.x - m_pivot.x, ay = a.y - m_pivot.y, az = a.z - m_pivot.z;
    const double bx = b.x - m_pivot.x, by = b.y - m_pivot.y, bz = b.z - m_pivot.z;
    double ca[4], cb[4], da[6], db[6];
    Clip(m_clip, ax, ay, az, ca);
    Clip(m_clip, bx, by, bz, cb);
    SideDistances(ca, da);
    SideDistances(cb, db);
    double t0 = 0.0, t1 = 1.0;
    auto side = [&](double d0, double d1) {
        if (std::isnan(d0) || std::isnan(d1)) {
            return false;
        }
        if (d0 < 0.0 && d1 < 0.0) {
            return false;
        }
        if (d0 < 0.0) {
            t0 = std::max(t0, d0 / (d0 - d1));
        } else if (d1 < 0.0) {
            t1 = std::min(t1, d0 / (d0 - d1));
        }
        return t0 <= t1;
    };
    for (int i = 0; i < 6; ++i) {
        if (!side(da[i], db[i])) {
            return false;
        }
    }
    for (const auto& q : m_userPlanes) {
        if (!side(q[0] * ax + q[1] * ay + q[2] * az + q[3],
                  q[0] * bx + q[1] * by + q[2] * bz + q[3])) {
            return false;
        }
    }
    return true;
}

bool CClipTransform::BoxMayHit(const double mn[3], const double mx[3]) const {
    if (!m_valid) {
        return false;
    }
    bool allOut[6] = {true, true, true, true, true, true};
    for (int k = 0; k < 8; ++k) {
        const double x = ((k & 1) ? mx[0] : mn[0]) - m_pivot.x;
        const double y = ((k & 2) ? mx[1] : mn[1]) - m_pivot.y;
        const double z = ((k & 4) ? mx[2] : mn[2]) - m_pivot.z;
        double c[4], d[6];
        Clip(m_clip, x, y, z, c);
        SideDistances(c, d);
        for (int i = 0; i < 6; ++i) {
            // NaN (an open box) counts as inside.
            allOut[i] = allOut[i] && d[i] < 0.0;
        }
    }
    for (bool out : allOut) {
        if (out) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Candidates

bool SnapCandidatePoint(const CEntity& e, int order, CPoint3& out) {
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline: {
            const auto& poly = static_cast<const CPoly&>(e);
            const int n = poly.GetVertexCount();
            const int j = order / 2;
            if (order < 0 || j >= n) {
                return false;
            }
            const CPoint3& v = poly.m_vertices[static_cast<size_t>(j)];
            if (order % 2 == 0) {
                out = v;
                return true;
            }
            const CPoint3& w = poly.m_vertices[static_cast<size_t>((j + 1) % n)];
            out = CPoint3((v.x + w.x) * 0.5, (v.y + w.y) * 0.5, (v.z + w.z) * 0.5);
            return true;
        }
        case kTypeText:
            out = static_cast<const CText&>(e).m_position;
            return order == 0;
        case kTypePoint:
            out = static_cast<const CPnt&>(e).m_point;
            return order == 0;
        case kTypeArc: {
            const auto& arc = static_cast<const CArc&>(e);
            CPoint3 q[4];
            switch (order) {
                case 0:
                    out = arc.m_center;
                    return true;
                case 1:
                    return arc.GetStartPoint(out) != 0;
                case 2:
                    return arc.GetEndPoint(out) != 0;
                case 3:
                    return arc.GetMidPoint(out) != 0;
                case 4:
                case 5:
                case 6:
                case 7:
                    if (!arc.GetQuarterPoints(q[0], q[1], q[2], q[3])) {
                        return false;
                    }
                    out = q[order - 4];
                    return true;
                default:
                    return false;
            }
        }
        default:
            return false;
    }
}

bool SnapSegmentOf(const CEntity& e, int j, CPoint3& a, CPoint3& b) {
    if (e.GetType() != kTypePolygon && e.GetType() != kTypePolyline) {
        return false;
    }
    const auto& poly = static_cast<const CPoly&>(e);
    if (!SegmentExists(poly, j)) {
        return false;
    }
    a = poly.m_vertices[static_cast<size_t>(j)];
    b = poly.m_vertices[static_cast<size_t>((j + 1) % poly.GetVertexCount())];
    return true;
}

uint16_t SnapCandidateKind(const CEntity& e, int order) {
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline:
            return order % 2 == 0 ? kSnapVertex : kSnapMidpoint;
        case kTypeText:
            return kSnapTextStart;
        case kTypePoint:
            return kSnapPoint;
        case kTypeArc:
            return order == 0   ? kSnapArcCentre
                   : order <= 2 ? kSnapArcEnds
                   : order == 3 ? kSnapMidpoint
                                : kSnapQuadrants;
        default:
            return 0;
    }
}

bool ResolveSnap(const CTAVDoc& doc, std::vector<SSnapCandidate> candidates,
                 std::vector<SSnapSegment> segments, const CPoint3& eye, CPoint3& out,
                 uint16_t* kind) {
    bool pending = false;
    uint16_t found = 0;
    const int count = doc.GetEntityCount();
    // The order GL lists them in: by entity, then by candidate.
    std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
        return a.entity != b.entity ? a.entity < b.entity : a.order < b.order;
    });
    const SSnapCandidate* best = nullptr;
    for (const SSnapCandidate& c : candidates) {
        if (best == nullptr || c.depth < best->depth) {
            best = &c;
        }
    }
    if (best != nullptr && best->entity >= 0 && best->entity < count &&
        SnapCandidatePoint(*doc.GetEntity(best->entity), best->order, out)) {
        pending = true;
        found = SnapCandidateKind(*doc.GetEntity(best->entity), best->order);
    }
    std::sort(segments.begin(), segments.end(), [](const auto& a, const auto& b) {
        return a.entity != b.entity ? a.entity < b.entity : a.j < b.j;
    });
    std::vector<CSegment> segs;
    segs.reserve(segments.size());
    for (const SSnapSegment& s : segments) {
        CSegment seg;
        if (s.entity >= 0 && s.entity < count &&
            SnapSegmentOf(*doc.GetEntity(s.entity), s.j, seg.S, seg.E)) {
            segs.push_back(seg);
        }
    }
    for (size_t i = 0; i < segs.size(); ++i) {
        for (size_t k = i + 1; k < segs.size(); ++k) {
            CPoint3 x;
            if (!IntersectSegments(segs[i], segs[k], x, 1, 1, 0)) {
                continue;
            }
            if (!pending || x.Distance(eye) < out.Distance(eye)) {
                out = x;
                pending = true;
                found = kSnapIntersection;
            }
        }
    }
    if (kind != nullptr) {
        *kind = found;
    }
    return pending;
}

// ---------------------------------------------------------------------------------------------
// CSceneIndex

void CSceneIndex::Clear() {
    m_items.clear();
    m_nodes.clear();
    m_built = false;
    m_entityCount = 0;
}

void CSceneIndex::Build(const CTAVDoc& doc) {
    Clear();
    const int count = doc.GetEntityCount();
    for (int i = 0; i < count; ++i) {
        const CEntity& e = *doc.GetEntity(i);
        SItem item{};
        item.entity = i;
        switch (e.GetType()) {
            case kTypePolygon:
            case kTypePolyline: {
                const auto& poly = static_cast<const CPoly&>(e);
                const int n = poly.GetVertexCount();
                const auto& v = poly.m_vertices;
                for (int first = 0; first < n; first += kPieceVertices) {
                    item.first = first;
                    item.count = std::min(kPieceVertices, n - first);
                    SetBox(item, v[static_cast<size_t>(first)]);
                    const int end = first + item.count;
                    for (int j = first + 1; j < end; ++j) {
                        Grow(item, v[static_cast<size_t>(j)]);
                    }
                    if (end < n) {
                        Grow(item, v[static_cast<size_t>(end)]);  // the piece's last segment
                    } else if (poly.m_closed || poly.m_marker) {
                        Grow(item, v[0]);
                    }
                    OpenIfNotFinite(item);
                    m_items.push_back(item);
                }
                break;
            }
            case kTypeArc: {
                const auto& arc = static_cast<const CArc&>(e);
                SetBox(item, arc.m_center);
                Inflate(item, std::abs(arc.m_radius));
                OpenIfNotFinite(item);
                m_items.push_back(item);
                break;
            }
            case kTypeText: {
                const auto& text = static_cast<const CText&>(e);
                SetBox(item, text.m_position);
                // Any rotation: a sphere around the insertion point that holds every glyph.
                const double chars = static_cast<double>(text.m_text.size());
                Inflate(item, std::abs(text.m_height) * (1.5 * chars + 2.0));
                OpenIfNotFinite(item);
                m_items.push_back(item);
                break;
            }
            case kTypePoint:
                SetBox(item, static_cast<const CPnt&>(e).m_point);
                OpenIfNotFinite(item);
                m_items.push_back(item);
                break;
            default:
                break;
        }
    }
    m_nodes.reserve(m_items.size() / kLeafItems * 2 + 2);
    if (!m_items.empty()) {
        BuildNode(0, static_cast<int>(m_items.size()));
    }
    m_entityCount = count;
    m_built = true;
}

int CSceneIndex::BuildNode(int first, int count) {
    const int index = static_cast<int>(m_nodes.size());
    m_nodes.push_back({});
    SNode node{};
    for (int k = 0; k < 3; ++k) {
        node.mn[k] = std::numeric_limits<double>::infinity();
        node.mx[k] = -std::numeric_limits<double>::infinity();
    }
    double cmin[3], cmax[3];
    for (int k = 0; k < 3; ++k) {
        cmin[k] = std::numeric_limits<double>::infinity();
        cmax[k] = -std::numeric_limits<double>::infinity();
    }
    for (int i = first; i < first + count; ++i) {
        const SItem& it = m_items[static_cast<size_t>(i)];
        for (int k = 0; k < 3; ++k) {
            node.mn[k] = std::min(node.mn[k], it.mn[k]);
            node.mx[k] = std::max(node.mx[k], it.mx[k]);
            cmin[k] = std::min(cmin[k], Centre(it, k));
            cmax[k] = std::max(cmax[k], Centre(it, k));
        }
    }
    if (count <= kLeafItems) {
        node.first = first;
        node.count = count;
        m_nodes[static_cast<size_t>(index)] = node;
        return index;
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k) {
        if (cmax[k] - cmin[k] > cmax[axis] - cmin[axis]) {
            axis = k;
        }
    }
    const int half = count / 2;
    const auto begin = m_items.begin() + first;
    std::nth_element(begin, begin + half, begin + count, [axis](const SItem& a, const SItem& b) {
        return Centre(a, axis) < Centre(b, axis);
    });
    node.count = 0;
    node.first = BuildNode(first, half);
    node.right = BuildNode(first + half, count - half);
    m_nodes[static_cast<size_t>(index)] = node;
    return index;
}

void CSceneIndex::Query(const CClipTransform& t, std::vector<const SItem*>& out) const {
    out.clear();
    if (m_nodes.empty() || !t.IsValid()) {
        return;
    }
    int stack[128];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const SNode& node = m_nodes[static_cast<size_t>(stack[--top])];
        if (!t.BoxMayHit(node.mn, node.mx)) {
            continue;
        }
        if (node.count > 0) {
            for (int i = node.first; i < node.first + node.count; ++i) {
                const SItem& it = m_items[static_cast<size_t>(i)];
                if (node.count == 1 || t.BoxMayHit(it.mn, it.mx)) {
                    out.push_back(&it);
                }
            }
        } else if (top + 2 <= 128) {
            stack[top++] = node.right;
            stack[top++] = node.first;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// CPointLocator

void CPointLocator::Update(const CTAVDoc& doc) {
    if (!m_index.IsBuiltFor(doc.GetEntityCount())) {
        m_index.Build(doc);
    }
}

void CPointLocator::SetWindow(int pixels) {
    m_window = std::clamp(pixels, kLocateWindowMin, kLocateWindowMax);
}

bool CPointLocator::Locate(const CTAVDoc& doc, const CCamera& cam, uint16_t mask, int maxClipPlanes,
                           int x, int y, CPoint3& out) {
    m_lastKind = 0;
    cam.WindowToWorld(x, y, true, &doc, out);
    if (mask == 0) {
        return false;
    }
    Update(doc);
    const CClipTransform t = CClipTransform::ForLocate(cam, &doc, maxClipPlanes, x, y, m_window);
    m_index.Query(t, m_found);
    std::vector<SSnapCandidate> cands;
    std::vector<SSnapSegment> segs;
    for (const CSceneIndex::SItem* it : m_found) {
        const CEntity& e = *doc.GetEntity(it->entity);
        if (!LayerOpen(doc, e.m_layer)) {
            continue;
        }
        CollectPiece(e, it->entity, it->first, it->count, mask, t, cands, segs);
    }
    CPoint3 snapped;
    if (ResolveSnap(doc, std::move(cands), std::move(segs), cam.m_eye, snapped, &m_lastKind)) {
        out = snapped;
        return true;
    }
    return false;
}

bool CPointLocator::LocateBruteForce(const CTAVDoc& doc, const CCamera& cam, uint16_t mask,
                                     int maxClipPlanes, int x, int y, CPoint3& out) const {
    cam.WindowToWorld(x, y, true, &doc, out);
    if (mask == 0) {
        return false;
    }
    const CClipTransform t = CClipTransform::ForLocate(cam, &doc, maxClipPlanes, x, y, m_window);
    std::vector<SSnapCandidate> cands;
    std::vector<SSnapSegment> segs;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        if (LayerOpen(doc, e.m_layer)) {
            CollectPiece(e, i, 0, std::numeric_limits<int>::max(), mask, t, cands, segs);
        }
    }
    CPoint3 snapped;
    if (ResolveSnap(doc, std::move(cands), std::move(segs), cam.m_eye, snapped)) {
        out = snapped;
        return true;
    }
    return false;
}

std::vector<int> CPointLocator::PickCandidates(const CTAVDoc& doc, const CClipTransform& t,
                                               bool withPointNames) {
    Update(doc);
    m_index.Query(t, m_found);
    std::vector<int> out;
    out.reserve(m_found.size());
    for (const CSceneIndex::SItem* it : m_found) {
        out.push_back(it->entity);
    }
    if (withPointNames) {
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            if (doc.GetEntity(i)->GetType() == kTypePoint) {
                out.push_back(i);
            }
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// ---------------------------------------------------------------------------------------------
// Pick windows

void ClickPickBox(const CCamera& cam, int x, int y, double& l, double& r, double& b, double& t) {
    const double s = cam.m_scale;
    const double cx = std::max(cam.m_clientWidth, 1);
    const double cy = std::max(cam.m_clientHeight, 1);
    const double hx = (cam.m_right - cam.m_left) * s * kPickHalfPixels / cx;
    const double hy = (cam.m_top - cam.m_bottom) * s * kPickHalfPixels / cy;
    const CVec3 c = cam.WindowToView(x, y);
    l = c.x - hx;
    r = c.x + hx;
    b = c.y - hy;
    t = c.y + hy;
}

void RectanglePickBox(const CCamera& cam, int x0, int y0, int x1, int y1, double& l, double& r,
                      double& b, double& t) {
    if (x1 == x0) {
        ++x1;
    }
    if (y1 == y0) {
        ++y1;
    }
    const CVec3 a = cam.WindowToView(x0, y0);
    const CVec3 c = cam.WindowToView(x1, y1);
    l = std::min(a.x, c.x);
    r = std::max(a.x, c.x);
    b = std::min(a.y, c.y);
    t = std::max(a.y, c.y);
}
