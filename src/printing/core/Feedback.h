#pragma once

// Vector printing without GL: how much feedback the scene may produce, how it is cut into
// captures under a fixed buffer, and the walk of a GL_3D_COLOR feedback buffer that turns its
// tokens into printer lines grouped by pen.

#include <cstdint>
#include <string>
#include <vector>

#include "printing/core/PrintLayout.h"

class CTAVDoc;
class CEntity;

// Tokens of a feedback buffer, with OpenGL's values (the GL side asserts they agree).
inline constexpr int kFeedbackPassThrough = 0x0700;
inline constexpr int kFeedbackPoint = 0x0701;
inline constexpr int kFeedbackLine = 0x0702;
inline constexpr int kFeedbackPolygon = 0x0703;
inline constexpr int kFeedbackLineReset = 0x0707;

// Floats per vertex of GL_3D_COLOR feedback in RGBA mode: x, y, z, r, g, b, a.
inline constexpr int kFeedbackVertexFloats = 7;
// Largest feedback buffer of one capture, in floats (32 MB).
inline constexpr int64_t kFeedbackCapFloats = int64_t{8} * 1024 * 1024;
// Half side of the square printed for a point, in print units (kPrintUnitDpi).
inline constexpr int kPrintPointHalf = 6;

// A pen in device dots: its width and half the side of a point's square across and down.
struct SPrintPen {
    double width = 1.0;
    int halfX = kPrintPointHalf, halfY = kPrintPointHalf;
};
// The pen of penUnits print units on a device of dpiX x dpiY dots per inch, the square's
// halves rounded to whole dots (at least one).
SPrintPen MakePrintPen(int penUnits, int dpiX, int dpiY);

// Lines (L) and points (P) one entity may feed back: polygon n, polyline n - 1 (n with its
// marker), text its characters times the largest glyph vertex count, arc 300, point 1 point
// plus, with names shown, its name's characters times that count.
void EstimateEntityFeedback(const CEntity& e, bool showNames, int64_t& lines, int64_t& points);
// Floats for L lines and P points with a tenth to spare: 15 (L + 1 + L/10) + 8 (P + 1 + P/10).
int64_t FeedbackFloats(int64_t lines, int64_t points);
// The estimate for every entity of doc on a visible layer (64 bits, never overflows for a
// document that fits in memory).
int64_t EstimateFeedbackFloats(const CTAVDoc& doc, bool showNames);

// A part of one entity captured in one go. Polygons and polylines: segments [first, end) (the
// segment i runs from vertex i to vertex i + 1, modulo n); texts and point names: the
// Windows-1250 codes [first, end), starting advance font units to the right; arcs: all.
struct SCaptureItem {
    int entity = 0;
    int64_t first = 0, end = 0;
    double advance = 0;
    int64_t lines = 0, points = 0;
};

// The items of the entities on visible layers, in document order, each estimated under
// maxItemFloats (long polylines and texts are cut).
std::vector<SCaptureItem> PlanCaptureItems(const CTAVDoc& doc, bool showNames,
                                           int64_t maxItemFloats);
// Consecutive runs [begin, end) of items whose estimate fits capFloats (an item that alone
// exceeds it makes a run of its own).
std::vector<std::pair<size_t, size_t>> PlanCaptureBatches(const std::vector<SCaptureItem>& items,
                                                          int64_t capFloats);

// Printer lines grouped by pen, in order of first use.
class CDeviceLines {
public:
    struct SGroup {
        uint32_t rgb = 0;         // 0xRRGGBB
        double width = 1.0;       // device dots
        std::vector<int> coords;  // x1, y1, x2, y2 per line
    };

    // Adds a line drawn with the pen (rgb, width).
    void Add(uint32_t rgb, double width, int x1, int y1, int x2, int y2);
    const std::vector<SGroup>& Groups() const { return m_groups; }
    // Number of lines held.
    int64_t LineCount() const { return m_lines; }
    void Clear();

private:
    std::vector<SGroup> m_groups;
    int m_last = -1;
    int64_t m_lines = 0;
};

// Polylines of device points: run k is sizes[k] points (x, y) following those of the runs
// before it in points.
struct SDevicePolylines {
    std::vector<int> points;
    std::vector<int> sizes;
};

// How far, in device units, a printed polyline may pass from a point of the lines it stands
// for: half a step of the device, below what truncating to whole units already moves them.
inline constexpr double kPrintPathTolerance = 0.5;

// The lines (x1, y1, x2, y2 each) of one pen as polylines for the page. A line that starts
// where the last one ended continues it; lines of zero length are left out, as they draw
// nothing. Within a run, a point is dropped when the segment between the points kept around
// it passes within tolerance of it and of every other dropped point between them; the ends of
// every run stay. Arcs and stroke-font texts captured with far more vertices than the device
// can show shrink to what it can. Replaces out.
void ChainDeviceLines(const std::vector<int>& coords, double tolerance, SDevicePolylines& out);

// What a walk met.
struct SFeedbackWalk {
    int64_t lines = 0;       // lines printed
    int64_t points = 0;      // points printed (4 lines each)
    int64_t skipped = 0;     // primitives dropped for non-finite values
    bool truncated = false;  // the buffer ended inside a token
};

// Walks count floats of a GL_3D_COLOR feedback buffer (view pixels, y up) and adds the lines
// on the device. Line and line-reset tokens give a line, point tokens inside the pw x ph page a
// square outline of the pen's halves; pass-through skips one value, polygons their vertices,
// other tokens one vertex. Pens: solid, the pen's width, black in black and white, otherwise
// the first vertex's colour (component x 255 + 0.5, truncated) with white as black. Never reads
// past count; a negative count reads nothing.
SFeedbackWalk WalkFeedback(const float* buffer, int64_t count, const SDeviceMapping& mapping,
                           bool blackWhite, const SPrintPen& pen, CDeviceLines& out);

// The pen colour of a feedback colour under the rules above.
uint32_t FeedbackPenColor(float r, float g, float b, bool blackWhite);
