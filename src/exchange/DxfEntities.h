#pragma once

// Kinds of DXF entities read from their whole record (the pairs after their code 0) rather
// than pair by pair: curves (ELLIPSE, SPLINE), hatch boundaries, multi-line texts, and the
// placement of aligned single-line texts. Everything here is geometry from values: no
// document, no messages with line numbers (the reader adds those).

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/Vec3.h"

// The pairs of one record: group code and value as the file has it (not decoded).
using DxfRecord = std::vector<std::pair<int, std::string>>;

// A number of a record's value as "%lf" reads it; false (out untouched) for anything else or a
// value that is not finite.
bool RecordDouble(std::string_view value, double& out);
// An integer as "%d" reads it.
bool RecordInt(std::string_view value, int& out);

// True when an extrusion gives an entity its own coordinate system: not the world's, and not
// a zero extrusion, which defines no plane and counts as the world's.
bool HasOwnFrame(const CVec3& extrusion);
// The frame of that system (DXF's arbitrary axis algorithm); none for the world's.
std::optional<CMatrix4> OwnFrame(const CVec3& extrusion);

// A curve as points in world coordinates; closed ones end on their first point.
struct SDxfCurve {
    std::vector<CPoint3> points;
    bool closed = false;
};

// ELLIPSE and SPLINE. An empty result text means the curve was read; otherwise it says why
// the entity is left out ("SPLINE left out: ...").
std::string ReadEllipse(const DxfRecord& record, SDxfCurve& out);
std::string ReadSpline(const DxfRecord& record, SDxfCurve& out);

// HATCH: its boundary paths as closed curves. solidFill: a solid fill whose paths do not lie
// inside one another, so each path may be a filled area. A non-empty text reports paths left
// out; the paths read before the fault are kept.
struct SDxfHatch {
    std::vector<SDxfCurve> paths;
    bool solidFill = false;
};
std::string ReadHatch(const DxfRecord& record, SDxfHatch& out);

// Where a single-line text (TEXT, ATTRIB, ATTDEF) stands: its start point on the baseline,
// height and rotation (degrees) in its own coordinate system, from the first point p1, the
// alignment point p2 (when the file gives one), the horizontal (72) and vertical (73, or 74
// for attributes) justification and the text (UTF-8) measured with the stroke font.
struct STextPlacement {
    CPoint3 position;
    double height = 0.0;
    double rotation = 0.0;
};
STextPlacement PlaceText(const CPoint3& p1, const CPoint3* p2, double height, double rotation,
                         int horizontal, int vertical, std::string_view utf8, int font);

// MTEXT: its lines (UTF-8, formatting removed), each with its start point on the baseline in
// world coordinates, and the height, rotation (degrees about the extrusion) and extrusion all
// lines share. text: the decoded value (codes 3 then 1). cut: the text was longer than is read.
struct SDxfTextLine {
    CPoint3 position;
    std::string text;
};
struct SDxfMText {
    std::vector<SDxfTextLine> lines;
    double height = 0.0;
    double rotation = 0.0;
    CVec3 extrusion{0.0, 0.0, 1.0};
    bool cut = false;
};
void LayoutMText(const DxfRecord& record, std::string_view text, int font, SDxfMText& out);
