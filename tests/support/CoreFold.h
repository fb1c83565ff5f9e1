#pragma once

// A document's box and current colour as text, compared in one assertion.

#include <string>

#include "support/Describe.h"

// "min x y z / max x y z", exact or rounded to decimals.
inline std::string Box(const CTAVDoc& doc, int decimals = -1) {
    return Xyz(doc.GetMinCorner(), decimals) + " / " + Xyz(doc.GetMaxCorner(), decimals);
}

// "r g b" of the colour new entities take.
inline std::string CurrentColor(const CTAVDoc& doc) {
    double rgb[3];
    doc.GetCurrentColor(rgb);
    return Num(rgb[0]) + " " + Num(rgb[1]) + " " + Num(rgb[2]);
}
