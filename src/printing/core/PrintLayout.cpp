#include "printing/core/PrintLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Row i of the view's rotation: the view's axes in world coordinates.
CVec3 ViewAxis(const SPrintView& view, int i) {
    const CMatrix4& m = view.viewMatrix;
    return {m.m[i][0], m.m[i][1], m.m[i][2]};
}

bool Positive(double v) {
    return v > 0.0 && std::isfinite(v);
}

// Columns (or rows) for an extent of mm millimetres on pages of page mm. A remainder of 1 mm or
// less adds no page; fewer than one page still makes one.
void CountPages(double mm, double page, double s, int64_t& count, double& pageSize,
                double& lastSize) {
    const double whole = std::trunc(mm / page);
    count = static_cast<int64_t>(whole);
    pageSize = page * s;
    const double r = std::fmod(mm, page);
    if (r > 1.0) {
        ++count;
        lastSize = r * s;
    } else if (count == 0) {
        count = 1;  // the whole area is smaller than a millimetre
        lastSize = mm * s;
    } else {
        lastSize = pageSize;
    }
}

}  // namespace

void WorldToPrintPlane(const SPrintView& view, const CPoint3& p, double& x, double& y) {
    x = Dot(ViewAxis(view, 0), p.AsVec());
    y = Dot(ViewAxis(view, 1), p.AsVec());
}

CPoint3 PrintPlaneToWorld(const SPrintView& view, double x, double y) {
    const CVec3 v = ViewAxis(view, 0) * x + ViewAxis(view, 1) * y;
    return {v.x, v.y, v.z};
}

SPrintRefusal PreparePrintLayout(const CPrintSettings& settings, const SPrintView& view,
                                 double paperW, double paperH, CPrintLayout& layout) {
    SPrintRefusal refusal;
    auto refuse = [&refusal](unsigned id, std::string text) {
        refusal.ok = false;
        refusal.messageId = id;
        refusal.message = std::move(text);
        return refusal;
    };
    if (!Positive(paperW) || !Positive(paperH)) {
        return refuse(0, kPrintUnknownPaperMsg);
    }
    layout = CPrintLayout{};
    layout.paperW = paperW;
    layout.paperH = paperH;
    const double scale = view.scale;
    if (settings.m_areaMode == 1) {
        layout.w = settings.m_x2 - settings.m_x1;
        layout.h = settings.m_y2 - settings.m_y1;
        if (!Positive(layout.w) || !Positive(layout.h)) {
            return refuse(kPrintWindowMsgId, kPrintWindowMsg);
        }
        const CPoint3 centre = PrintPlaneToWorld(view, (settings.m_x1 + settings.m_x2) / 2.0,
                                                 (settings.m_y1 + settings.m_y2) / 2.0);
        const CVec3 d = view.target - centre;
        const double dx = Dot(ViewAxis(view, 0), d);
        const double dy = Dot(ViewAxis(view, 1), d);
        layout.origin = CVec3(dx + layout.w / 2.0, dy - layout.h / 2.0, 0.0);
    } else {
        layout.w = (view.right - view.left) * scale;
        layout.h = (view.top - view.bottom) * scale;
        if (!Positive(layout.w) || !Positive(layout.h)) {
            return refuse(0, "Obszar drukowania jest pusty.");
        }
        // The screen's own left and top edges, which are -w/2 and h/2 for a centred window.
        layout.origin = CVec3(-view.left * scale, -view.top * scale, 0.0);
    }
    if (settings.m_fit) {
        layout.s = std::max(layout.w / paperW, layout.h / paperH);
    } else {
        if (!Positive(settings.m_mmOnPaper) || !Positive(settings.m_drawingUnits)) {
            return refuse(kPrintScaleMsgId, kPrintScaleMsg);
        }
        layout.s = settings.m_drawingUnits / settings.m_mmOnPaper;
    }
    if (!Positive(layout.s) || !std::isfinite(layout.origin.x) || !std::isfinite(layout.origin.y)) {
        return refuse(kPrintScaleMsgId, kPrintScaleMsg);
    }
    const double wmm = layout.w / layout.s;
    const double hmm = layout.h / layout.s;
    // Page counts beyond the limit are refused before they are turned into integers.
    const double across = std::ceil(wmm / paperW);
    const double down = std::ceil(hmm / paperH);
    if (!std::isfinite(across) || !std::isfinite(down) ||
        across * down > static_cast<double>(kPrintMaxPages) * 4.0) {
        const double pages = across * down;
        return refuse(0, TooManyPagesMessage(std::isfinite(pages) && pages < 9e18
                                                 ? static_cast<int64_t>(pages)
                                                 : INT64_MAX));
    }
    CountPages(wmm, paperW, layout.s, layout.nx, layout.pageWidth, layout.lastColumnWidth);
    CountPages(hmm, paperH, layout.s, layout.ny, layout.pageHeight, layout.lastRowHeight);
    if (layout.PageCount() > kPrintMaxPages) {
        return refuse(0, TooManyPagesMessage(layout.PageCount()));
    }
    return refusal;
}

SPrintPage PrintPage(const CPrintLayout& layout, int64_t page) {
    const int64_t nx = std::max<int64_t>(1, layout.nx);
    const int64_t ny = std::max<int64_t>(1, layout.ny);
    page = std::clamp<int64_t>(page, 1, nx * ny);
    SPrintPage p;
    p.column = page % nx;
    if (p.column == 0) {
        p.column = nx;
    }
    p.row = page / nx + (p.column < nx ? 1 : 0);
    p.width = p.column == nx ? layout.lastColumnWidth : layout.pageWidth;
    p.height = p.row == ny ? layout.lastRowHeight : layout.pageHeight;
    p.translation = layout.origin +
                    CVec3(-(p.width / 2.0 + static_cast<double>(p.column - 1) * layout.pageWidth),
                          p.height / 2.0 + static_cast<double>(p.row - 1) * layout.pageHeight, 0.0);
    return p;
}

bool SDeviceMapping::Map(double x, double y, int& dx, int& dy) const {
    const double fx = offX + x * kx;
    const double fy = offY - y * ky;
    // Lines GL has clipped stay near the page; anything far off is garbage, not a line.
    constexpr double kLimit = 1e9;
    if (!(std::fabs(fx) < kLimit) || !(std::fabs(fy) < kLimit)) {
        return false;
    }
    dx = static_cast<int>(fx);
    dy = static_cast<int>(fy);
    return true;
}

SDeviceMapping ComputeDeviceMapping(const CPrintSettings& settings, const CPrintLayout& layout,
                                    const SPrintPage& page, double pw, double ph, int cx, int cy) {
    SDeviceMapping m;
    m.pw = pw;
    m.ph = ph;
    m.dpmX = layout.paperW > 0 ? pw / layout.paperW : 0.0;
    m.dpmY = layout.paperH > 0 ? ph / layout.paperH : 0.0;
    const double s = layout.s > 0 ? layout.s : 1.0;
    m.kx = cx > 0 ? m.dpmX * page.width / cx / s : 0.0;
    m.ky = cy > 0 ? m.dpmY * page.height / cy / s : 0.0;
    m.printedW = page.width / s * m.dpmX;
    m.printedH = page.height / s * m.dpmY;
    // Shifts outside 0..1000 mm are held to it; one that is not a number is 0.
    auto shift = [](double mm) {
        return std::isfinite(mm) ? std::clamp(mm, 0.0, kPrintMaxShiftMm) : 0.0;
    };
    const double shiftRight = shift(settings.m_shiftRight);
    const double shiftDown = shift(settings.m_shiftDown);
    m.offX = settings.m_centreH ? (pw - m.printedW) / 2.0 : shiftRight * m.dpmX;
    m.offY = (settings.m_centreV ? (ph - m.printedH) / 2.0 : shiftDown * m.dpmY) + m.printedH;
    return m;
}

int PrintArcSegmentCount(double radius, double pixelsPerUnit, double lengthDeg, int logPixelsX,
                         bool preview) {
    double n = std::trunc((pixelsPerUnit * radius * 2.0 * kPi / 5.0 + 0.5) * lengthDeg / 360.0);
    if (!preview) {
        n *= static_cast<double>(logPixelsX / 12);
    }
    if (!(n >= 8.0)) {
        return 8;  // also NaN
    }
    return n >= 300.0 ? 300 : static_cast<int>(n);
}
