#pragma once

// Results of the measuring commands and of "Informacje" as texts, from the points or the
// entity alone, so the view, the dialog and tavcli show the same numbers. Numbers are written
// with a point whatever the process locale is.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/Vec3.h"
#include "view/core/PointInput.h"

class CEntity;
class CPrompter;

// Texts of "Informacje".
inline constexpr char kInfoCaption[] = "Informacja:";
inline constexpr char kGroupPolygon[] = "Poligon";
inline constexpr char kGroupPolyline[] = "Łamana";
inline constexpr char kGroupArc[] = "Łuk";
inline constexpr char kGroupCircle[] = "Okrąg";
inline constexpr char kLabelPerimeter[] = "Obwód:";
inline constexpr char kLabelLength[] = "Długość:";
inline constexpr char kLabelArea[] = "Pole powierzchni:";

// A number as "%.3lf" in the C locale ("4.000", never "4,000").
std::string Format3(double value);

// The result box text of a measurement: kind 1 the picked point (in the local system when
// toLocal is given), kind 2 the length of the vertices (with dX, dY, dZ for exactly two,
// rotated into the local system), kind 3 perimeter and area of the closed outline, or the
// perimeter alone after message 41511 (shown through prompter, may be null) when the area
// cannot be computed. Empty for kind 0 or an unknown kind.
std::string MeasurementText(int kind, std::span<const CPoint3> vertices, const CPoint3& picked,
                            const CMatrix4* toLocal, CPrompter* prompter);

// What "Informacje" shows of one entity.
struct SEntityInfo {
    bool available = false;  // false for points and texts: nothing is shown
    std::string group;       // the group box: "Poligon", "Łamana", "Łuk" or "Okrąg"
    std::string label1, value1;
    std::string label2, value2;  // value2 is empty when the area could not be computed
    int type = 0;                // the entity's type code
    // Numbers behind the rows: length (polylines, arcs) or perimeter (polygons, circles),
    // and the area when it was computed.
    double lengthOrPerimeter = 0.0;
    bool isPerimeter = false;
    std::optional<double> area;
};

// The information of an entity; an area that cannot be computed shows 41511 through prompter
// (may be null) and leaves row 2 empty.
SEntityInfo EntityInfo(const CEntity& e, CPrompter* prompter);
