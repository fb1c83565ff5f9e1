#include "printing/output/PrintJob.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "document/Progress.h"
#include "document/TAVDoc.h"
#include "printing/output/PageCompression.h"
#include "view/gl/PrintPasses.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Pixels added around each off-screen band so that points and lines crossing its edge are
// drawn whole (a point of a 1200-dpi picture is 48 pixels wide). The inner part is used, and on
// the right and at the bottom also the margin: the next band then lands on the same picture, so
// filtered scaling (the print preview) shows no seam where they meet.
constexpr int kBandMargin = 32;
}  // namespace

void ApplyPageCamera(CCamera& camera, const SPrintPage& page) {
    // The pivot at the target keeps what GL receives small and stops the renderer from moving
    // it (which would rebuild the matrix without the page translation).
    camera.m_pivot = camera.m_target.AsVec();
    camera.UpdateViewMatrix();
    camera.m_left = -page.width / 2.0;
    camera.m_right = page.width / 2.0;
    camera.m_bottom = -page.height / 2.0;
    camera.m_top = page.height / 2.0;
    camera.m_scale = 1.0;
    camera.UpdatePixelsPerUnit();
    camera.m_viewMatrix = CMatrix4(page.translation) * camera.m_viewMatrix;
}

SPrintView PrintViewOf(const CCamera& camera) {
    SPrintView v;
    v.viewMatrix = camera.m_viewMatrix;
    v.target = camera.m_target;
    v.left = camera.m_left;
    v.right = camera.m_right;
    v.bottom = camera.m_bottom;
    v.top = camera.m_top;
    v.scale = camera.m_scale;
    return v;
}

SPrintDevice DescribePrintDevice(const QPagedPaintDevice& device) {
    SPrintDevice d;
    const QPageLayout layout = device.pageLayout();
    const QRectF mm = layout.paintRect(QPageLayout::Millimeter);
    const QRect px = layout.paintRectPixels(device.logicalDpiX());
    d.paperW = mm.width();
    d.paperH = mm.height();
    d.pw = px.width();
    d.ph = px.height();
    d.dpiX = device.logicalDpiX();
    d.dpiY = device.logicalDpiY();
    return d;
}

CPrintJob::CPrintJob(const CTAVDoc& doc, const CCamera& camera, const CPrintSettings& settings,
                     const SPrintJobOptions& options)
    : m_doc(doc), m_camera(camera), m_settings(settings), m_options(options) {}

CPrintJob::~CPrintJob() {
    OnEndPrinting();
}

bool CPrintJob::IsRaster() const {
    return m_options.forceRaster || m_options.renderMode != 0;
}

void CPrintJob::AddMessage(const std::string& text) {
    // A message repeated on every page is said once.
    if (std::find(m_messages.begin(), m_messages.end(), text) == m_messages.end()) {
        m_messages.push_back(text);
    }
}

SPrintRefusal CPrintJob::OnPreparePrinting(const SPrintDevice& device) {
    m_device = device;
    SPrintRefusal r = PreparePrintLayout(m_settings, PrintViewOf(m_camera), device.paperW,
                                         device.paperH, m_layout);
    if (r.ok && !(device.pw >= 1.0 && device.ph >= 1.0)) {
        r.ok = false;
        r.message = kPrintUnknownPaperMsg;
    }
    return r;
}

bool CPrintJob::OnBeginPrinting() {
    OnEndPrinting();
    m_cancelled = false;
    m_pageCamera = m_camera;
    m_gl = std::make_unique<CPrintGL>(m_doc, m_pageCamera);
    CPrintGL::SOptions o;
    o.raster = IsRaster();
    o.tileSide = m_options.rasterTileSide;
    o.renderMode = m_options.renderMode;
    o.whiteBackground = m_options.whiteBackground;
    o.showNames = m_options.showNames;
    o.pickList = m_options.pickList;
    o.currentPick = m_options.currentPick;
    if (!m_gl->Begin(o)) {
        m_gl.reset();
        AddMessage(kPrintNoContextMsg);
        return false;
    }
    if (!IsRaster()) {
        const int64_t want = std::min(std::max<int64_t>(m_options.captureCapFloats, 64),
                                      EstimateFeedbackFloats(m_doc, m_options.showNames));
        m_items = PlanCaptureItems(m_doc, m_options.showNames, want);
        try {
            m_buffer.assign(static_cast<size_t>(want), 0.0f);
        } catch (const std::bad_alloc&) {
            m_buffer.clear();  // each page then reports the shortage and stays empty
        }
    }
    return true;
}

void CPrintJob::OnEndPrinting() {
    m_gl.reset();
    std::vector<float>().swap(m_buffer);
    m_items.clear();
    m_lines.Clear();
}

bool CPrintJob::OnPrint(QPainter& painter, int64_t page) {
    if (!m_gl || page < 1 || page > PageCount()) {
        return false;
    }
    const SPrintPage p = PrintPage(m_layout, page);
    m_pageCamera = m_camera;
    ApplyPageCamera(m_pageCamera, p);
    const int cx = std::max(1, m_camera.m_clientWidth);
    const int cy = std::max(1, m_camera.m_clientHeight);
    const SDeviceMapping map =
        ComputeDeviceMapping(m_settings, m_layout, p, m_device.pw, m_device.ph, cx, cy);
    return IsRaster() ? PrintRaster(painter, p, map) : PrintVector(painter, p, map);
}

bool CPrintJob::Tick(double withinPage) {
    if (m_meter && !m_meter->Update((static_cast<double>(m_pagesDone) + withinPage) /
                                    static_cast<double>(m_pagesTotal))) {
        m_cancelled = true;
    }
    return !m_cancelled;
}

bool CPrintJob::PrintVector(QPainter& painter, const SPrintPage&, const SDeviceMapping& map) {
    if (m_buffer.empty()) {
        AddMessage(kPrintNoMemoryMsg);
        return false;
    }
    const auto batches = PlanCaptureBatches(m_items, static_cast<int64_t>(m_buffer.size()));
    for (size_t b = 0; b < batches.size(); ++b) {
        if (!Tick(static_cast<double>(b) / static_cast<double>(batches.size()))) {
            return false;
        }
        const auto& [begin, end] = batches[b];
        if (!CaptureRange(begin, end, map, painter)) {
            if (m_error == 0) {
                AddMessage(kPrintNoMemoryMsg);
            }
            return false;
        }
    }
    return true;
}

bool CPrintJob::CaptureRange(size_t begin, size_t end, const SDeviceMapping& map,
                             QPainter& painter) {
    const Clock::time_point t0 = Clock::now();
    const CPrintGL::SCaptureStyle style{m_options.showNames, m_options.preview, m_device.dpiX};
    const int64_t count = m_gl->Capture(m_items, begin, end, m_buffer, m_camera.m_clientWidth,
                                        m_camera.m_clientHeight, style);
    ++m_stats.captures;
    m_stats.captureSeconds += Since(t0);
    if (count == -2) {
        m_error = 5;
        return false;
    }
    if (count < 0) {
        // The buffer ran over: capture the halves one after the other.
        if (end - begin <= 1) {
            return false;
        }
        const size_t mid = begin + (end - begin) / 2;
        return CaptureRange(begin, mid, map, painter) && CaptureRange(mid, end, map, painter);
    }
    const Clock::time_point t1 = Clock::now();
    WalkFeedback(m_buffer.data(), count, map, m_settings.m_blackWhite != 0,
                 MakePrintPen(m_settings.PenWidth(), m_device.dpiX, m_device.dpiY), m_lines);
    m_stats.mappingSeconds += Since(t1);
    Flush(painter);
    return true;
}

void CPrintJob::Flush(QPainter& painter) {
    if (m_options.lineTap) {
        m_options.lineTap(m_lines);
    }
    const Clock::time_point t0 = Clock::now();
    for (const CDeviceLines::SGroup& g : m_lines.Groups()) {
        if (g.coords.empty()) {
            continue;
        }
        // A solid opaque pen: the PDF writer strokes it, other pens become filled outlines.
        QPen pen(QColor(static_cast<int>((g.rgb >> 16) & 0xFF),
                        static_cast<int>((g.rgb >> 8) & 0xFF), static_cast<int>(g.rgb & 0xFF)));
        pen.setWidthF(g.width);
        pen.setStyle(Qt::SolidLine);
        pen.setCosmetic(false);
        // Corners of a path as full as the squared ends of separate lines made them.
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        // One path per pen, of polylines: less than half the page content of separate
        // lines, which the PDF writer has to compress.
        ChainDeviceLines(g.coords, kPrintPathTolerance, m_polylines);
        QPainterPath path;
        const int* p = m_polylines.points.data();
        for (const int size : m_polylines.sizes) {
            m_stats.drawn += size - 1;
            path.moveTo(p[0], p[1]);
            for (int k = 1; k < size; ++k) {
                path.lineTo(p[2 * k], p[2 * k + 1]);
            }
            p += 2 * size;
        }
        painter.drawPath(path);
    }
    m_stats.segments += m_lines.LineCount();
    m_lines.Clear();
    m_stats.paintSeconds += Since(t0);
}

bool CPrintJob::PrintRaster(QPainter& painter, const SPrintPage& page, const SDeviceMapping& map) {
    const int deviceDpi = std::max(1, m_device.dpiX);
    const int dpi =
        m_options.rasterDpi > 0 ? m_options.rasterDpi : std::min(deviceDpi, kPrintMaxRasterDpi);
    const double s = m_layout.s;
    const double mmW = page.width / s;
    const double mmH = page.height / s;
    // The picture of the page at its printed size.
    const double fw = std::ceil(mmW / 25.4 * dpi);
    const double fh = std::ceil(mmH / 25.4 * dpi);
    if (!(fw >= 1.0) || !(fh >= 1.0) || fw > 1e6 || fh > 1e6) {
        return false;
    }
    const int iw = static_cast<int>(fw);
    const int ih = static_cast<int>(fh);
    // Lines and points as wide as the vector method prints them.
    const auto lineWidth = static_cast<float>(PrintUnitsToDots(m_settings.PenWidth(), dpi));
    const auto pointSize = static_cast<float>(PrintUnitsToDots(2 * kPrintPointHalf, dpi));
    const int inner = m_gl->TileSide() - 2 * kBandMargin;
    if (inner < 1) {
        return false;
    }
    const int64_t bands =
        static_cast<int64_t>((iw + inner - 1) / inner) * ((ih + inner - 1) / inner);
    int64_t band = 0;
    bool ok = true;
    for (int y0 = 0; y0 < ih && ok; y0 += inner) {
        for (int x0 = 0; x0 < iw && ok; x0 += inner) {
            if (!Tick(static_cast<double>(band++) / static_cast<double>(bands))) {
                return false;
            }
            const int x1 = std::min(iw, x0 + inner);
            const int y1 = std::min(ih, y0 + inner);
            const int vw = x1 - x0 + 2 * kBandMargin;
            const int vh = y1 - y0 + 2 * kBandMargin;
            // The band's window inside the page window, margins included.
            const double ux = page.width / iw;
            const double uy = page.height / ih;
            m_pageCamera.m_left = -page.width / 2.0 + (x0 - kBandMargin) * ux;
            m_pageCamera.m_right = -page.width / 2.0 + (x1 + kBandMargin) * ux;
            m_pageCamera.m_top = page.height / 2.0 - (y0 - kBandMargin) * uy;
            m_pageCamera.m_bottom = page.height / 2.0 - (y1 + kBandMargin) * uy;
            m_pageCamera.m_clientWidth = vw;
            m_pageCamera.m_clientHeight = vh;
            m_pageCamera.UpdatePixelsPerUnit();
            const Clock::time_point t0 = Clock::now();
            const QImage full = m_gl->RenderBand(vw, vh, lineWidth, pointSize);
            if (full.isNull()) {
                m_error = 5;
                ok = false;
                break;
            }
            m_stats.captureSeconds += Since(t0);
            ++m_stats.tiles;
            const Clock::time_point t1 = Clock::now();
            // The framebuffer image is top-down; the viewport sits at its bottom left.
            const int extraX = std::min(kBandMargin, iw - x1);
            const int extraY = std::min(kBandMargin, ih - y1);
            const QImage band = full.copy(kBandMargin, full.height() - vh + kBandMargin,
                                          x1 - x0 + extraX, y1 - y0 + extraY);
            const double kx = map.printedW / iw;
            const double ky = map.printedH / ih;
            const QRectF target(map.offX + x0 * kx, map.offY - map.printedH + y0 * ky,
                                (x1 - x0 + extraX) * kx, (y1 - y0 + extraY) * ky);
            painter.drawImage(target, band);
            m_stats.paintSeconds += Since(t1);
        }
    }
    return ok;
}

SPrintRefusal CPrintJob::Run(QPagedPaintDevice& device, int64_t first, int64_t last) {
    SPrintRefusal r = OnPreparePrinting(DescribePrintDevice(device));
    if (!r.ok) {
        return r;
    }
    if (!OnBeginPrinting()) {
        r.ok = false;
        r.messageId = kPrintNoContextMsgId;
        r.message = kPrintNoContextMsg;
        return r;
    }
    if (last <= 0 || last > PageCount()) {
        last = PageCount();
    }
    first = std::clamp<int64_t>(first, 1, last);
    const CFastPageCompression fastPages;
    QPainter painter;
    if (!painter.begin(&device)) {
        OnEndPrinting();
        r.ok = false;
        r.message = kPrintCannotStartMsg;
        return r;
    }
    m_pagesTotal = last - first + 1;
    if (m_options.progress != nullptr) {
        m_meter = std::make_unique<CProgressMeter>(m_options.progress, kPrintProgressTitle);
    }
    for (int64_t p = first; p <= last; ++p) {
        m_pagesDone = p - first;
        // A stop between pages begins no further page.
        if (!Tick(0.0)) {
            break;
        }
        if (p > first) {
            device.newPage();
        }
        OnPrint(painter, p);
        if (m_cancelled) {
            break;
        }
    }
    if (m_cancelled && m_options.abortDevice) {
        m_options.abortDevice();
    }
    const Clock::time_point t0 = Clock::now();
    painter.end();
    m_stats.paintSeconds += Since(t0);
    OnEndPrinting();
    m_meter.reset();
    if (m_cancelled) {
        r.ok = false;
        r.cancelled = true;
    }
    return r;
}
