#include "tools/core/Measurement.h"

#include <charconv>
#include <cmath>

#include "document/Entity.h"

std::string Format3(double value) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 3);
    if (r.ec != std::errc()) {
        return "0.000";
    }
    return std::string(buf, r.ptr);
}

std::string MeasurementText(int kind, std::span<const CPoint3> vertices, const CPoint3& picked,
                            const CMatrix4* toLocal, CPrompter* prompter) {
    CPoly poly;
    poly.m_vertices.assign(vertices.begin(), vertices.end());
    switch (kind) {
        case kMeasureCoordinates: {
            const CPoint3 p = toLocal ? picked.TransformedBy(*toLocal) : picked;
            return "Wspólrzedne:\n X:\t " + Format3(p.x) + "\n Y:\t " + Format3(p.y) + "\n Z:\t " +
                   Format3(p.z);
        }
        case kMeasureLength: {
            const std::string length = "Długość:\t " + Format3(poly.GetLength(0));
            if (vertices.size() != 2) {
                return length;
            }
            CVec3 d = vertices[1] - vertices[0];
            if (toLocal) {
                d.RotateBy(*toLocal);
            }
            return length + "\n dX:\t " + Format3(d.x) + "\n dY:\t " + Format3(d.y) + "\n dZ:\t " +
                   Format3(d.z);
        }
        case kMeasureArea: {
            // No vertex at all (ended before the first click) measures 0 rather than failing.
            const std::string perimeter = "Obwód:\t " + Format3(poly.GetLength(1));
            double area = 0.0;
            if (!poly.ComputeArea(area, prompter)) {
                return perimeter;
            }
            return perimeter + "\nPole:\t " + Format3(area);
        }
        default:
            return "";
    }
}

SEntityInfo EntityInfo(const CEntity& e, CPrompter* prompter) {
    SEntityInfo info;
    info.type = e.GetType();
    switch (info.type) {
        case kTypePolygon:
        case kTypePolyline: {
            const auto& poly = static_cast<const CPoly&>(e);
            const bool closed = info.type == kTypePolygon;
            info.available = true;
            info.group = closed ? kGroupPolygon : kGroupPolyline;
            info.label1 = closed ? kLabelPerimeter : kLabelLength;
            info.isPerimeter = closed;
            info.lengthOrPerimeter = poly.GetLength(closed ? 1 : 0);
            info.value1 = Format3(info.lengthOrPerimeter);
            info.label2 = kLabelArea;
            double area = 0.0;
            if (poly.ComputeArea(area, prompter)) {
                info.area = area;
                info.value2 = Format3(area);
            }
            return info;
        }
        case kTypeArc: {
            const auto& arc = static_cast<const CArc&>(e);
            const bool circle =
                std::abs(arc.m_start) <= 1e-8 && std::abs(arc.m_length - 360.0) <= 1e-8;
            info.available = true;
            info.group = circle ? kGroupCircle : kGroupArc;
            info.label1 = circle ? kLabelPerimeter : kLabelLength;
            info.isPerimeter = circle;
            info.lengthOrPerimeter = arc.GetArcLength();
            info.value1 = Format3(info.lengthOrPerimeter);
            info.label2 = kLabelArea;
            info.area = arc.GetSectorArea();
            info.value2 = Format3(*info.area);
            return info;
        }
        default:
            return info;
    }
}
