#pragma once

#include <QCursor>
#include <cstdint>

class QPainter;

// Cursor resources of the view's tools, drawn here at first use.
namespace viewcursor {
inline constexpr int kPointInput = 130;  // a drawing or measuring operation waits for a point
inline constexpr int kZoom = 131;
inline constexpr int kPan = 132;
inline constexpr int kRotate = 133;
inline constexpr int kSnapped = 134;  // point input with a localized point under the cursor
inline constexpr int kZoomWindow = 135;
}  // namespace viewcursor

// The cursor of resource 130..135; the arrow for any other number.
QCursor ToolCursor(int resource);

// Side of the snap marker in pixels.
inline constexpr int kSnapMarkerSize = 9;
// Colour of the snap marker: magenta, seldom a drawing's own and clear on both backgrounds.
inline constexpr unsigned kSnapMarkerRgb = 0xff00ff;
// The marker of a localized point at pixel (x, y), its shape telling the kind (one snap kind
// bit): a square for points and ends, a triangle for midpoints, a circle for centres, a
// diamond for quadrants, a cross for intersections, a square with a plus for text starts. A
// rim of the background colour sets it off from the lines under it.
void DrawSnapMarker(QPainter& painter, int x, int y, uint16_t kind, bool whiteBackground);
