#include "exchange/DxfBlocks.h"

#include <cmath>
#include <cstdio>

#include "geometry/Curves.h"

namespace {

constexpr double kDegToRadian = 0.017453292519943295;
constexpr double kRadianToDeg = 57.29577951308232;
// Larger scales and coordinates of a reference are not drawings but damage (NaN fails too).
constexpr double kMaxScale = 1e12;
constexpr double kMaxCoordinate = 1e15;

// ASCII letters folded, as names are compared.
std::string Folded(const std::string& name) {
    std::string f = name;
    for (char& c : f) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return f;
}

CVec3 Column(const CMatrix4& m, int c) {
    return {m.m[0][c], m.m[1][c], m.m[2][c]};
}

CVec3 Linear(const CMatrix4& m, const CVec3& v) {
    CVec3 r = v;
    r.RotateBy(m);
    return r;
}

bool FiniteMatrix(const CMatrix4& m) {
    for (const auto& row : m.m) {
        for (double v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

// The angle (degrees, 0..360) of world direction d in the XY plane of frame f.
double AngleInFrame(const CMatrix4& f, const CVec3& d) {
    const double x = Dot(Column(f, 0), d);
    const double y = Dot(Column(f, 1), d);
    double a = std::atan2(y, x) * kRadianToDeg;
    if (a < 0.0) {
        a += 360.0;
    }
    return a >= 360.0 ? 0.0 : a;
}

std::unique_ptr<CEntity> PlacedArc(const CArc& arc, const CMatrix4& m) {
    const CMatrix4 f = arc.GetFrame();
    const CVec3 u = Linear(m, Column(f, 0));
    const CVec3 v = Linear(m, Column(f, 1));
    const double lu = u.Length(), lv = v.Length();
    const CPoint3 centre = arc.m_center.TransformedBy(m);
    const bool round = lu > kGeomTol && std::fabs(lu - lv) <= 1e-9 * std::max(lu, lv) &&
                       std::fabs(Dot(u, v)) <= 1e-9 * lu * lv;
    if (round) {
        auto c = std::make_unique<CArc>(arc);
        CVec3 axis = Cross(u, v);
        axis.Normalize();
        c->m_center = centre;
        c->m_axis = axis;
        c->m_radius = arc.m_radius * lu;
        if (!arc.IsFullCircle()) {
            CMatrix4 g;
            g.SetArbitraryAxisFrame(centre, axis, 0.0);
            const CVec3 start = Linear(m, arc.PointInFrame(f, 0.0) - arc.m_center);
            c->m_start = AngleInFrame(g, start);
        }
        return c;
    }
    // Unequal scaling makes an ellipse: a polyline along it.
    auto p = std::make_unique<CPoly>();
    static_cast<CEntity&>(*p) = static_cast<const CEntity&>(arc);
    std::vector<CPoint3> points;
    AppendEllipseArc(centre, u * arc.m_radius, v * arc.m_radius, arc.m_start * kDegToRadian,
                     arc.m_length * kDegToRadian, points);
    p->m_vertices.assign(points.begin(), points.end());
    return p;
}

std::unique_ptr<CEntity> PlacedText(const CText& text, const CMatrix4& m) {
    auto c = std::make_unique<CText>(text);
    CMatrix4 f;
    f.SetArbitraryAxisFrame(text.m_position, text.m_axis, text.m_rotation);
    const CVec3 u = Linear(m, Column(f, 0));
    const CVec3 v = Linear(m, Column(f, 1));
    CVec3 axis = Cross(u, v);
    if (axis.IsShorterThan(kGeomTol)) {
        axis = Linear(m, text.m_axis);
    }
    axis.Normalize();
    c->m_position = text.m_position.TransformedBy(m);
    c->m_axis = axis;
    CMatrix4 g;
    g.SetArbitraryAxisFrame(c->m_position, axis, 0.0);
    c->m_rotation = AngleInFrame(g, u);
    // The height is measured across the line of text.
    CVec3 across = Cross(axis, u);
    across.Normalize();
    c->m_height = text.m_height * std::fabs(Dot(v, across));
    return c;
}

}  // namespace

SDxfBlock& CDxfBlockTable::Define(const std::string& name, const CPoint3& base) {
    auto block = std::make_unique<SDxfBlock>();
    block->name = name;
    block->base = base;
    const std::string key = Folded(name);
    const auto it = m_index.find(key);
    if (it != m_index.end()) {
        m_blocks[it->second] = std::move(block);
        return *m_blocks[it->second];
    }
    m_index.emplace(key, m_blocks.size());
    m_blocks.push_back(std::move(block));
    return *m_blocks.back();
}

const SDxfBlock* CDxfBlockTable::Find(const std::string& name) const {
    const auto it = m_index.find(Folded(name));
    return it == m_index.end() ? nullptr : m_blocks[it->second].get();
}

CMatrix4 PlacementMatrix(const SDxfPlacement& place, const CPoint3& base, int column, int row) {
    if (place.translationOnly) {
        return CMatrix4(place.point.AsVec());
    }
    CMatrix4 ocs;
    ocs.SetArbitraryAxisFrame(CPoint3(0.0, 0.0, 0.0), place.extrusion, 0.0);
    const CMatrix4 rotation(place.rotation * kDegToRadian, 2);
    CMatrix4 scale;
    scale.SetIdentity();
    scale.m[0][0] = place.scale.x;
    scale.m[1][1] = place.scale.y;
    scale.m[2][2] = place.scale.z;
    // The array is laid out along the rotated axes, not scaled.
    const CVec3 cell(column * place.columnSpacing, row * place.rowSpacing, 0.0);
    CVec3 shift = cell;
    shift.RotateBy(rotation);
    const CMatrix4 toPoint(place.point.AsVec() + shift);
    const CMatrix4 fromBase(CVec3(-base.x, -base.y, -base.z));
    return ocs * toPoint * rotation * scale * fromBase;
}

std::unique_ptr<CEntity> PlacedShape(const CEntity& e, const CMatrix4& m) {
    switch (e.GetType()) {
        case kTypeArc:
            return PlacedArc(static_cast<const CArc&>(e), m);
        case kTypeText:
            return PlacedText(static_cast<const CText&>(e), m);
        case kTypePolygon:
        case kTypePolyline: {
            auto c = e.Clone();
            auto& p = static_cast<CPoly&>(*c);
            p.Transform(m);
            if (p.m_closed) {
                p.Tessellate();
                p.ComputePlane();
            }
            return c;
        }
        default: {
            auto c = e.Clone();
            c->Transform(m);
            return c;
        }
    }
}

// A copy has no name: the handle names the definition's entity, which every reference
// shares, not an entity of the drawing.
std::unique_ptr<CEntity> PlacedCopy(const CEntity& e, const CMatrix4& m) {
    std::unique_ptr<CEntity> c = PlacedShape(e, m);
    c->m_name = CEntityName();
    return c;
}

bool CDxfExploder::Explode(const SDxfReference& ref) {
    CMatrix4 identity;
    identity.SetIdentity();
    std::vector<const SDxfBlock*> path;
    return Explode(ref, identity, path);
}

bool CDxfExploder::Explode(const SDxfReference& ref, const CMatrix4& outer,
                           std::vector<const SDxfBlock*>& path) {
    char text[600];
    const auto report = [&](const char* format) {
        std::snprintf(text, sizeof text, format, ref.block.substr(0, 400).c_str());
        m_report(ref.line, text);
    };
    const SDxfBlock* block = m_blocks.Find(ref.block);
    if (block == nullptr) {
        report(kBlockMissing);
        return true;
    }
    for (const SDxfBlock* b : path) {
        if (b == block) {
            report(kBlockCycle);
            return true;
        }
    }
    if (static_cast<int>(path.size()) >= kMaxDepth) {
        report(kBlockTooDeep);
        return true;
    }
    const SDxfPlacement& place = ref.place;
    const CVec3& s = place.scale;
    const auto usable = [](double v, double limit) { return std::fabs(v) <= limit; };
    const auto scale = [&](double v) { return v != 0.0 && usable(v, kMaxScale); };
    if (!scale(s.x) || !scale(s.y) || !scale(s.z) || !usable(place.rotation, kMaxCoordinate) ||
        !usable(place.columnSpacing, kMaxCoordinate) || !usable(place.rowSpacing, kMaxCoordinate) ||
        !usable(place.point.x, kMaxCoordinate) || !usable(place.point.y, kMaxCoordinate) ||
        !usable(place.point.z, kMaxCoordinate)) {
        report(kBlockBadPlacement);
        return true;
    }
    // Cells that coincide are drawn once.
    const int columns = place.columnSpacing == 0.0 ? 1 : std::max(1, place.columns);
    const int rows = place.rowSpacing == 0.0 ? 1 : std::max(1, place.rows);
    path.push_back(block);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const CMatrix4 m = outer * PlacementMatrix(place, block->base, column, row);
            if (!FiniteMatrix(m)) {
                report(kBlockBadPlacement);
                path.pop_back();
                return true;
            }
            for (const SDxfBlockItem& item : block->items) {
                // Layer "0" and colour BYBLOCK belong to whatever references the block.
                const std::string& layer = item.layer == "0" ? ref.layer : item.layer;
                const SDxfColor& color = item.color.ByBlock() ? ref.color : item.color;
                if (item.reference) {
                    SDxfReference nested = *item.reference;
                    nested.layer = layer;
                    nested.color = color;
                    if (!Explode(nested, m, path)) {
                        path.pop_back();
                        return false;
                    }
                } else if (item.entity && !m_emit(PlacedCopy(*item.entity, m), layer, color)) {
                    path.pop_back();
                    return false;
                }
            }
        }
    }
    path.pop_back();
    return true;
}
