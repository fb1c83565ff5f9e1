#pragma once

// Entities, layers and messages as canonical text, so that a test compares a whole value in one
// assertion. Fields at their default are left out; numbers are exact (the shortest text that
// reads back as the same double) or, given decimals >= 0, rounded to that many places.

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/Layer.h"
#include "document/TAVDoc.h"
#include "support/RecordingPrompter.h"

inline std::string Num(double v, int decimals = -1) {
    char buf[400];
    if (decimals < 0) {
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    }
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s == "-0" ? "0" : s;
}

// "x y z" of a point or vector.
template <class P>
std::string Xyz(const P& p, int decimals = -1) {
    return Num(p.x, decimals) + " " + Num(p.y, decimals) + " " + Num(p.z, decimals);
}

// A point with its flag word when that is not 1.
inline std::string Pt(const CPoint3& p, int decimals = -1) {
    return Xyz(p, decimals) + (p.flag != 1 ? " f" + std::to_string(p.flag) : "");
}

// The texts of a data tree: "\"root\"{\"child\"{...}, ...}".
inline std::string DescribeData(const CDataNode& n) {
    std::string s = "\"" + n.GetText() + "\"";
    for (int i = 0; i < n.GetChildCount(); ++i) {
        s += (i ? ", " : "{") + DescribeData(n.GetChild(i));
    }
    return n.GetChildCount() ? s + "}" : s;
}

// One line: "pnt 1 2 3", "line [0 0 0, 1 0 0]", "polygon [...] planar n=0 0 1 tess fan=1",
// "arc c=1 2 3 r=4 300+120 axis=0 0 -1", "text \"abc\" at=1 2 0 h=1 axis=0 0 1 rot=30 font=3",
// then what every entity has: " L2 #41 name=1A rgb=1 0 0 data=..." when not the default.
inline std::string Describe(const CEntity& e, int decimals = -1) {
    std::string s;
    if (const auto* p = dynamic_cast<const CPnt*>(&e)) {
        s = "pnt " + Pt(p->m_point, decimals);
    } else if (const auto* l = dynamic_cast<const CPoly*>(&e)) {
        s = l->m_closed ? "polygon [" : "line [";
        for (size_t i = 0; i < l->m_vertices.size(); ++i) {
            s += (i ? ", " : "") + Pt(l->m_vertices[i], decimals);
        }
        s += "]";
        if (l->m_closed > 1) {
            s += " closed=" + std::to_string(l->m_closed);
        }
        if (l->m_marker) {
            s += " marker=" + std::to_string(l->m_marker);
        }
        if (l->m_planar) {
            s += " planar n=" + Xyz(l->m_normal, decimals);
        }
        if (l->m_tessellated) {
            s += " tess";
        }
        if (l->m_fan) {
            s += " fan=" + std::to_string(l->m_fan);
        }
    } else if (const auto* a = dynamic_cast<const CArc*>(&e)) {
        s = "arc c=" + Xyz(a->m_center, decimals) + " r=" + Num(a->m_radius, decimals) + " " +
            Num(a->m_start, decimals) + "+" + Num(a->m_length, decimals);
        if (a->m_axis.x != 0 || a->m_axis.y != 0 || a->m_axis.z != 1) {
            s += " axis=" + Xyz(a->m_axis, decimals);
        }
    } else if (const auto* t = dynamic_cast<const CText*>(&e)) {
        s = "text \"" + t->m_text + "\" at=" + Pt(t->m_position, decimals) +
            " h=" + Num(t->m_height, decimals) + " axis=" + Xyz(t->m_axis, decimals);
        if (t->m_rotation != 0) {
            s += " rot=" + Num(t->m_rotation, decimals);
        }
        if (t->m_font) {
            s += " font=" + std::to_string(t->m_font);
        }
    } else {
        s = "type " + std::to_string(e.GetType());
    }
    if (e.m_layer) {
        s += " L" + std::to_string(e.m_layer);
    }
    if (e.m_number) {
        s += " #" + std::to_string(e.m_number);
    }
    if (!e.m_name.empty()) {
        s += " name=" + e.m_name.str();
    }
    if (e.m_color[0] != 0 || e.m_color[1] != 0 || e.m_color[2] != 0) {
        s += " rgb=" + Num(e.m_color[0], decimals) + " " + Num(e.m_color[1], decimals) + " " +
             Num(e.m_color[2], decimals);
    }
    if (e.m_reserved != 1) {
        s += " reserved=" + std::to_string(e.m_reserved);
    }
    if (!(e.m_data == CDataNode())) {
        s += " data=" + DescribeData(e.m_data);
    }
    return s;
}

// Every entity of the document, one line each.
inline std::string Describe(const CTAVDoc& doc, int decimals = -1) {
    std::string s;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        s += Describe(*doc.GetEntity(i), decimals) + "\n";
    }
    return s;
}

// "name" with " locked" or " hidden" (or the raw values when they are neither 0 nor 1).
inline std::string Describe(const CLayer& l) {
    std::string s = l.m_name;
    if (l.m_locked) {
        s += l.m_locked == 1 ? " locked" : " locked=" + std::to_string(l.m_locked);
    }
    if (l.m_visible != 1) {
        s += l.m_visible == 0 ? " hidden" : " visible=" + std::to_string(l.m_visible);
    }
    return s;
}

// The document's layers joined by "; ".
inline std::string DescribeLayers(const CTAVDoc& doc) {
    std::string s;
    for (int i = 0; i < doc.GetLayerCount(); ++i) {
        s += (i ? "; " : "") + Describe(doc.GetLayer(i));
    }
    return s;
}

// "min x y z / max x y z", exact or rounded to decimals.
inline std::string Box(const CTAVDoc& doc, int decimals = -1) {
    return Xyz(doc.GetMinCorner(), decimals) + " / " + Xyz(doc.GetMaxCorner(), decimals);
}

// "a b c d" of a clip plane's equation (a zero component may be -0).
inline std::string Equation(const CClipPlane& p, int decimals = -1) {
    double eq[4];
    p.GetEquation(eq);
    return Xyz(CVec3(eq[0], eq[1], eq[2]), decimals) + " " + Num(eq[3], decimals);
}

// "r g b" of the colour new entities take.
inline std::string CurrentColor(const CTAVDoc& doc) {
    double rgb[3];
    doc.GetCurrentColor(rgb);
    return Num(rgb[0]) + " " + Num(rgb[1]) + " " + Num(rgb[2]);
}

// The texts of the messages shown, in order.
inline std::vector<std::string> MessageTexts(const CRecordingPrompter& p) {
    std::vector<std::string> out;
    for (const auto& m : p.messages) {
        out.push_back(m.text);
    }
    return out;
}
