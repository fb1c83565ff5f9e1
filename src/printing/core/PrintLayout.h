#pragma once

// Where the print area lies and how it is cut into pages: the print plane frame, the area and
// its origin, the scale, the page grid, each page's window and the mapping of view pixels to
// printer dots. No GL, no Qt.

#include <cstdint>
#include <string>

#include "geometry/Vec3.h"
#include "printing/core/PrintSettings.h"

// What printing takes of the view being printed.
struct SPrintView {
    CMatrix4 viewMatrix;  // rows 0..2 of its rotation are the view's axes in world coordinates
    CPoint3 target;
    double left = 0, right = 0, bottom = 0, top = 0;  // the window before scaling
    double scale = 1.0;
};

// Print plane coordinates (x, y) of a world point: the frame through the world origin turned
// as the view is (its x to the right, y up, z towards the eye), spin included.
void WorldToPrintPlane(const SPrintView& view, const CPoint3& p, double& x, double& y);
// The world point of print plane coordinates (x, y, 0).
CPoint3 PrintPlaneToWorld(const SPrintView& view, double x, double y);

// One job's area, scale and page grid.
struct CPrintLayout {
    double paperW = 0, paperH = 0;  // printable size in mm
    double w = 0, h = 0;            // print area in drawing units
    CVec3 origin;                   // view-space shift that puts the area's top left at page 1
    double s = 1.0;                 // drawing units per mm of paper
    int64_t nx = 1, ny = 1;         // pages across and down
    double pageWidth = 0, pageHeight = 0;  // drawing units on a full page
    double lastColumnWidth = 0, lastRowHeight = 0;

    int64_t PageCount() const { return nx * ny; }
};

// Outcome of preparing a job: ok, or a message (with its id, 0 for the program's own texts).
struct SPrintRefusal {
    bool ok = true;
    unsigned messageId = 0;
    std::string message;
    bool cancelled = false;  // not ok because the user stopped the job: nothing to say
};

// The layout of a job on paper of W x H mm for what the view shows. Refuses a non-positive or
// non-finite paper size, area or scale, and more than kPrintMaxPages pages; never divides by
// zero. Every job has at least one column and one row.
SPrintRefusal PreparePrintLayout(const CPrintSettings& settings, const SPrintView& view,
                                 double paperW, double paperH, CPrintLayout& layout);

// One page of a job: its column and row (from 1), its window in drawing units and the
// translation put before the view matrix.
struct SPrintPage {
    int64_t column = 1, row = 1;
    double width = 0, height = 0;
    CVec3 translation;
};

// Page p (from 1, row by row from the top left); p outside 1..PageCount() is clamped.
SPrintPage PrintPage(const CPrintLayout& layout, int64_t page);

// Printer dots of a page: paint rectangle pw x ph dots on paper of W x H mm, the page window
// shown in a client area of cx x cy pixels.
struct SDeviceMapping {
    double pw = 0, ph = 0;
    double dpmX = 0, dpmY = 0;          // dots per mm
    double kx = 0, ky = 0;              // dots per view pixel
    double printedW = 0, printedH = 0;  // PW, PH: the page window's size in dots
    double offX = 0, offY = 0;          // left edge, and bottom edge of the printed rectangle

    // Device point of a view pixel (x right, y up), truncated; false for non-finite or
    // unreasonably distant results (nothing is converted then).
    bool Map(double x, double y, int& dx, int& dy) const;
};

// The mapping of a page: centred or shifted by the settings' millimetres.
SDeviceMapping ComputeDeviceMapping(const CPrintSettings& settings, const CPrintLayout& layout,
                                    const SPrintPage& page, double pw, double ph, int cx, int cy);

// Segments of a printed arc: the screen count (about 5 pixels each) multiplied by
// logPixelsX / 12 unless previewing, then held to 8..300.
int PrintArcSegmentCount(double radius, double pixelsPerUnit, double lengthDeg, int logPixelsX,
                         bool preview);
