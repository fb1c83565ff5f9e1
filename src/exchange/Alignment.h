#pragma once

// Three-point alignment of an imported point set: the user names an origin and points on two
// axes of the set's own reference system, and where the same three points lie in the drawing.
// The placement matrix maps the set's coordinates into the drawing's.

#include <string>

#include "geometry/Vec3.h"

// The fields of the alignment dialog, with its defaults (which give the identity placement).
// Axes are 0, 1, 2 for X, Y, Z.
struct SAlignment {
    CPoint3 modelOrigin{0.0, 0.0, 0.0};
    int modelFirstAxis = 0;
    CPoint3 modelFirstPoint{1.0, 0.0, 0.0};
    int modelSecondAxis = 1;
    CPoint3 modelSecondPoint{0.0, 1.0, 0.0};
    bool leftHanded = false;  // "układ lewoskrętny": Y of every placed point is negated
    CPoint3 drawingOrigin{0.0, 0.0, 0.0};
    int drawingFirstAxis = 0;
    CPoint3 drawingFirstPoint{1.0, 0.0, 0.0};
    int drawingSecondAxis = 1;
    CPoint3 drawingSecondPoint{0.0, 1.0, 0.0};
};

// Messages of the checks, in the order the checks run.
inline constexpr const char* kAlignModelNotSystem =
    "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!";
inline constexpr const char* kAlignDrawingNotSystem =
    "Trzy punkty w modelu nie tworza ukladu wspólrzednych!";
inline constexpr const char* kAlignModelSameAxis =
    "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych importowanego modelu!";
inline constexpr const char* kAlignDrawingSameAxis =
    "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!";

// Runs the dialog's four checks in order; the message of the first that fails, or nullptr when
// the values form two usable systems. Non-finite or overflowing coordinates fail the point
// checks, and an axis outside 0..2 fails the axis checks.
const char* CheckAlignment(const SAlignment& a);

// The placement matrix M = D · S⁻¹ (S, D the model's and the drawing's local-to-world frames);
// false (out untouched) when the values do not pass CheckAlignment.
bool BuildPlacementMatrix(const SAlignment& a, CMatrix4& out);

// Where an imported point lands: M·p, with Y negated when the system is left-handed.
CPoint3 PlacePoint(const CMatrix4& m, bool leftHanded, const CPoint3& p);

// Reads the drawing side from "OX,OY,OZ;X1,Y1,Z1@A;X2,Y2,Z2@B" (A, B one of X, Y, Z, any case;
// blanks allowed around the parts). False (a untouched, reason in error) when the text does
// not have that form.
bool ParseDrawingFrame(const std::string& text, SAlignment& a, std::string& error);
