#pragma once

#include <QCursor>

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
