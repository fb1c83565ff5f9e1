#include "cli/DocJson.h"

#include <map>
#include <string>

#include "document/DataNode.h"
#include "document/Entity.h"
#include "document/TAVDoc.h"

using nlohmann::ordered_json;

namespace {

ordered_json Xyz(double x, double y, double z) {
    return ordered_json::array({x, y, z});
}
ordered_json Xyz(const CPoint3& p) {
    return Xyz(p.x, p.y, p.z);
}
ordered_json Xyz(const CVec3& v) {
    return Xyz(v.x, v.y, v.z);
}

ordered_json Extents(const CTAVDoc& doc) {
    return {{"min", Xyz(doc.GetMinCorner())}, {"max", Xyz(doc.GetMaxCorner())}};
}

ordered_json EntityJson(const CEntity& e) {
    ordered_json j;
    j["type"] = e.GetType();
    j["number"] = e.m_number;
    j["layer"] = e.m_layer;
    j["name"] = e.m_name.str();
    j["color"] = Xyz(e.m_color[0], e.m_color[1], e.m_color[2]);
    j["reserved"] = e.m_reserved;
    j["data"] = DataNodeJson(e.m_data);
    switch (e.GetType()) {
        case kTypePoint: {
            const auto& p = static_cast<const CPnt&>(e);
            j["point"] = Xyz(p.m_point);
            j["flag"] = p.m_point.flag;
            break;
        }
        case kTypePolygon:
        case kTypePolyline: {
            const auto& p = static_cast<const CPoly&>(e);
            j["closed"] = p.m_closed;
            j["marker"] = p.m_marker;
            ordered_json vertices = ordered_json::array();
            for (const CPoint3& v : p.m_vertices) {
                vertices.push_back(ordered_json::array({v.x, v.y, v.z, v.flag}));
            }
            j["vertices"] = std::move(vertices);
            j["normal"] = Xyz(p.m_normal);
            j["planar"] = p.m_planar;
            break;
        }
        case kTypeArc: {
            const auto& a = static_cast<const CArc&>(e);
            j["center"] = Xyz(a.m_center);
            j["axis"] = Xyz(a.m_axis);
            j["radius"] = a.m_radius;
            j["start"] = a.m_start;
            j["length"] = a.m_length;
            break;
        }
        case kTypeText: {
            const auto& t = static_cast<const CText&>(e);
            j["text"] = t.m_text;
            j["position"] = Xyz(t.m_position);
            j["axis"] = Xyz(t.m_axis);
            j["rotation"] = t.m_rotation;
            j["height"] = t.m_height;
            j["font"] = t.m_font;
            break;
        }
        default:
            break;
    }
    return j;
}

}  // namespace

ordered_json DataNodeJson(const CDataNode& node) {
    ordered_json children = ordered_json::array();
    for (const CDataNode& child : node.GetChildren()) {
        children.push_back(DataNodeJson(child));
    }
    return {{"text", node.GetText()},
            {"maxLength", node.GetMaxLength()},
            {"flags", node.GetFlags()},
            {"kind", node.GetKind()},
            {"childLimit", node.GetChildLimit()},
            {"template", GetDataTemplateIndex(node.GetTemplate())},
            {"children", std::move(children)}};
}

ordered_json DocumentInfoJson(const CTAVDoc& doc) {
    std::map<int, int> byType;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        ++byType[doc.GetEntity(i)->GetType()];
    }
    ordered_json entities = ordered_json::object();
    for (const auto& [type, count] : byType) {
        entities[std::to_string(type)] = count;
    }
    ordered_json j;
    j["header"] = doc.GetLoadedHeader();
    j["layers"] = doc.GetLayerCount();
    j["entities"] = std::move(entities);
    j["extents"] = Extents(doc);
    return j;
}

ordered_json DocumentDumpJson(const CTAVDoc& doc) {
    ordered_json j;
    j["header"] = doc.GetLoadedHeader();
    j["currentLayer"] = doc.GetCurrentLayer();
    j["activeCoordSystem"] = doc.GetActiveCoordSystem();

    ordered_json layers = ordered_json::array();
    for (int i = 0; i < doc.GetLayerCount(); ++i) {
        const CLayer& l = doc.GetLayer(i);
        layers.push_back({{"name", l.m_name}, {"locked", l.m_locked}, {"visible", l.m_visible}});
    }
    j["layers"] = std::move(layers);

    ordered_json systems = ordered_json::array();
    ordered_json matrices = ordered_json::array();
    for (int i = 0; i < doc.GetCoordSystemCount(); ++i) {
        const CCoordSystem& s = doc.GetCoordSystem(i);
        systems.push_back({{"name", s.m_name},
                           {"origin", Xyz(s.m_origin)},
                           {"xPoint", Xyz(s.m_xPoint)},
                           {"yPoint", Xyz(s.m_yPoint)}});
        ordered_json m = ordered_json::array();
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                m.push_back(doc.GetMatrix(i).m[r][c]);
            }
        }
        matrices.push_back(std::move(m));
    }
    j["coordSystems"] = std::move(systems);

    ordered_json planes = ordered_json::array();
    for (int i = 0; i < doc.GetClipPlaneCount(); ++i) {
        const CClipPlane& p = doc.GetClipPlane(i);
        double eq[4];
        p.GetEquation(eq);
        planes.push_back({{"name", p.m_name},
                          {"active", p.m_active},
                          {"point", Xyz(p.m_point)},
                          {"normal", Xyz(p.m_normal)},
                          {"equation", ordered_json::array({eq[0], eq[1], eq[2], eq[3]})}});
    }
    j["clipPlanes"] = std::move(planes);
    j["matrices"] = std::move(matrices);

    ordered_json entities = ordered_json::array();
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        entities.push_back(EntityJson(*doc.GetEntity(i)));
    }
    j["entities"] = std::move(entities);

    const CViewState& v = doc.ViewState();
    j["view"] = {{"renderMode", v.renderMode},
                 {"targetPoint", Xyz(v.target)},
                 {"eyePoint", Xyz(v.eye)},
                 {"clientWidth", v.clientWidth},
                 {"clientHeight", v.clientHeight},
                 {"windowLeft", v.windowLeft},
                 {"windowRight", v.windowRight},
                 {"windowBottom", v.windowBottom},
                 {"windowTop", v.windowTop},
                 {"spinAngle", v.spinAngle},
                 {"near", v.nearPlane},
                 {"far", v.farPlane},
                 {"viewAngle", v.viewAngle},
                 {"scale", v.scale},
                 {"perspectiveFlag", v.perspective},
                 {"targetMarkerFlag", v.targetMarker},
                 {"localizationMask", v.localizationMask}};
    j["extents"] = Extents(doc);
    return j;
}
