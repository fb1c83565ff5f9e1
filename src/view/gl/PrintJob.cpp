#include "view/gl/PrintJob.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPainterPath>
#include <QPen>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "document/Cp1250.h"
#include "document/Entity.h"
#include "document/StrokeFont.h"
#include "document/TAVDoc.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/PageCompression.h"
#include "view/gl/SceneRenderer.h"

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
// Coordinates beyond this are not sent to GL (they would be infinite as floats).
constexpr double kMaxGlCoordinate = 1e30;

// A line strip that breaks where a vertex cannot be drawn.
class CStrip {
public:
    ~CStrip() { End(); }
    void Vertex(double x, double y, double z) {
        if (!(std::fabs(x) < kMaxGlCoordinate) || !(std::fabs(y) < kMaxGlCoordinate) ||
            !(std::fabs(z) < kMaxGlCoordinate)) {
            End();
            return;
        }
        if (!m_open) {
            glBegin(GL_LINE_STRIP);
            m_open = true;
        }
        glVertex3d(x, y, z);
    }
    void End() {
        if (m_open) {
            glEnd();
            m_open = false;
        }
    }

private:
    bool m_open = false;
};

void EntityColor(const CEntity& e) {
    double c[3];
    for (int i = 0; i < 3; ++i) {
        c[i] = std::isfinite(e.m_color[i]) ? std::clamp(e.m_color[i], 0.0, 1.0) : 0.0;
    }
    glColor3d(c[0], c[1], c[2]);
}

bool Finite(const CPoint3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Codes [first, end) of a stroke text in its plane frame, starting advance font units in.
void DrawCodes(const CStrokeFont& fonts, const std::string& codes, const SCaptureItem& item,
               const CPoint3& local, const CVec3& axis, double rotation, double height, int font) {
    if (!Finite(local) || !std::isfinite(height) || !std::isfinite(rotation) ||
        !std::isfinite(item.advance) || std::fabs(height) > kMaxGlCoordinate) {
        return;
    }
    const int64_t end = std::min<int64_t>(item.end, static_cast<int64_t>(codes.size()));
    if (item.first >= end) {
        return;
    }
    CMatrix4 frame;
    frame.SetArbitraryAxisFrame(local, axis, rotation);
    GLdouble m[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m[c * 4 + r] = frame.m[r][c];
        }
    }
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixd(m);
    glScaled(height, height, height);
    glTranslated(item.advance, 0.0, 0.0);
    glListBase(fonts.GetBase(font));
    glCallLists(static_cast<GLsizei>(end - item.first), GL_UNSIGNED_BYTE,
                codes.data() + item.first);
    glPopMatrix();
}

}  // namespace

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
    SPrintRefusal r =
        PreparePrintLayout(m_settings, m_camera, device.paperW, device.paperH, m_layout);
    if (r.ok && !(device.pw >= 1.0 && device.ph >= 1.0)) {
        r.ok = false;
        r.message = kPrintUnknownPaperMsg;
    }
    return r;
}

bool CPrintJob::OnBeginPrinting() {
    OnEndPrinting();
    m_gl = std::make_unique<COffscreenGL>();
    std::string error;
    bool created = false;
    if (IsRaster()) {
        // The largest band the context allows, within a few tens of MB.
        for (int side = std::max(64, m_options.rasterTileSide); side >= 64 && !created; side /= 2) {
            created = m_gl->Create(side, side, error);
            if (created && m_gl->MakeCurrent()) {
                GLint dims[2] = {0, 0};
                glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
                m_gl->DoneCurrent();
                if (dims[0] > 0 && dims[1] > 0 && (side > dims[0] || side > dims[1])) {
                    created = false;
                    m_gl = std::make_unique<COffscreenGL>();
                    continue;
                }
                m_tileSide = side;
            }
        }
    } else {
        created = m_gl->Create(16, 16, error);  // feedback draws nothing into it
    }
    if (!created || !m_gl->MakeCurrent()) {
        m_gl.reset();
        AddMessage(kPrintNoContextMsg);
        return false;
    }
    m_pageCamera = m_camera;
    m_renderer = std::make_unique<CSceneRenderer>(m_pageCamera);
    m_renderer->SetDocument(&m_doc);
    m_renderer->m_renderMode = std::clamp(m_options.renderMode, 0, 3);
    m_renderer->m_whiteBackground = m_options.whiteBackground;
    m_renderer->m_showNames = m_options.showNames ? 1 : 0;
    m_renderer->m_useDisplayList = true;
    if (IsRaster()) {
        m_renderer->m_pickList = m_options.pickList;
        m_renderer->m_currentPick = m_options.currentPick;
    }
    m_renderer->InitializeGL();
    m_gl->DoneCurrent();
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
    if (m_gl && m_renderer && m_gl->MakeCurrent()) {
        m_renderer->ReleaseGL();
        m_gl->DoneCurrent();
    }
    m_renderer.reset();
    m_gl.reset();
    std::vector<float>().swap(m_buffer);
    m_items.clear();
    m_lines.Clear();
}

bool CPrintJob::OnPrint(QPainter& painter, int64_t page) {
    if (!m_gl || !m_renderer || page < 1 || page > PageCount()) {
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

bool CPrintJob::PrintVector(QPainter& painter, const SPrintPage&, const SDeviceMapping& map) {
    if (m_buffer.empty()) {
        AddMessage(kPrintNoMemoryMsg);
        return false;
    }
    if (!m_gl->MakeCurrent()) {
        m_error = 5;
        return false;
    }
    const GLint maxDims[2] = {16384, 16384};
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    const int cx =
        std::min(std::max(1, m_camera.m_clientWidth), dims[0] > 0 ? dims[0] : maxDims[0]);
    const int cy =
        std::min(std::max(1, m_camera.m_clientHeight), dims[1] > 0 ? dims[1] : maxDims[1]);
    glViewport(0, 0, cx, cy);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_STIPPLE);
    bool ok = true;
    for (const auto& [begin, end] :
         PlanCaptureBatches(m_items, static_cast<int64_t>(m_buffer.size()))) {
        if (!CaptureRange(begin, end, map, painter)) {
            ok = false;
            AddMessage(kPrintNoMemoryMsg);
            break;
        }
    }
    m_gl->DoneCurrent();
    return ok;
}

bool CPrintJob::CaptureRange(size_t begin, size_t end, const SDeviceMapping& map,
                             QPainter& painter) {
    const Clock::time_point t0 = Clock::now();
    glFeedbackBuffer(static_cast<GLsizei>(m_buffer.size()), GL_3D_COLOR, m_buffer.data());
    glRenderMode(GL_FEEDBACK);
    // Projection, the page's model-view and the clipping planes in its eye coordinates.
    m_renderer->SetupProjection(true);
    m_renderer->SetupViewingTransform();
    m_renderer->ApplyClipPlanes();
    for (size_t i = begin; i < end; ++i) {
        DrawItem(m_items[i]);
    }
    const GLint count = glRenderMode(GL_RENDER);
    glFlush();
    ++m_stats.captures;
    m_stats.captureSeconds += Since(t0);
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

void CPrintJob::DrawItem(const SCaptureItem& item) {
    if (item.entity < 0 || item.entity >= m_doc.GetEntityCount()) {
        return;
    }
    const CEntity& e = *m_doc.GetEntity(item.entity);
    const CVec3 pivot = m_pageCamera.m_pivot;
    EntityColor(e);
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline: {
            const CPoly& poly = static_cast<const CPoly&>(e);
            const int64_t n = static_cast<int64_t>(poly.m_vertices.size());
            if (n == 0) {
                return;
            }
            // Segments [first, end): vertices first..end, the last one wrapping to the first
            // for polygons and for polylines with their marker set.
            CStrip strip;
            for (int64_t j = item.first; j <= item.end; ++j) {
                const CPoint3& v = poly.m_vertices[static_cast<size_t>(j % n)];
                strip.Vertex(v.x - pivot.x, v.y - pivot.y, v.z - pivot.z);
            }
            break;
        }
        case kTypeArc: {
            const CArc& arc = static_cast<const CArc&>(e);
            if (!Finite(arc.m_center) || !std::isfinite(arc.m_radius) ||
                !std::isfinite(arc.m_start) || !std::isfinite(arc.m_length)) {
                return;
            }
            CMatrix4 frame;
            frame.SetArbitraryAxisFrame(arc.m_center - pivot, arc.m_axis, 0.0);
            const int n = PrintArcSegmentCount(arc.m_radius, m_pageCamera.m_pixelsPerUnit,
                                               arc.m_length, m_device.dpiX, m_options.preview);
            CStrip strip;
            for (int i = 0; i <= n; ++i) {
                const double a = (arc.m_start + arc.m_length * i / n) * kDegToRad;
                const CPoint3 p =
                    CPoint3(arc.m_radius * std::cos(a), arc.m_radius * std::sin(a), 0.0)
                        .TransformedBy(frame);
                strip.Vertex(p.x, p.y, p.z);
            }
            break;
        }
        case kTypeText: {
            const CText& t = static_cast<const CText&>(e);
            DrawCodes(m_renderer->Fonts(), Utf8ToCp1250(t.m_text), item, t.m_position - pivot,
                      t.m_axis, t.m_rotation, t.m_height, t.m_font);
            break;
        }
        case kTypePoint: {
            const CPnt& pnt = static_cast<const CPnt&>(e);
            const CPoint3 local = pnt.m_point - pivot;
            if (item.points > 0 && Finite(local) && std::fabs(local.x) < kMaxGlCoordinate &&
                std::fabs(local.y) < kMaxGlCoordinate && std::fabs(local.z) < kMaxGlCoordinate) {
                glBegin(GL_POINTS);
                glVertex3d(local.x, local.y, local.z);
                glEnd();
            }
            if (m_options.showNames && !pnt.m_name.empty()) {
                // The name faces the eye at 2 % of the visible height, as on screen.
                CVec3 axis = m_pageCamera.m_eye - m_pageCamera.m_target;
                axis.Normalize();
                const double height =
                    (m_pageCamera.m_top - m_pageCamera.m_bottom) * m_pageCamera.m_scale * 0.02;
                DrawCodes(m_renderer->Fonts(), Utf8ToCp1250(pnt.m_name), item, local, axis,
                          360.0 - m_pageCamera.m_spinAngle, height, 3);
            }
            break;
        }
        default:
            break;
    }
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
    const auto lineWidth = static_cast<GLfloat>(PrintUnitsToDots(m_settings.PenWidth(), dpi));
    m_renderer->m_pointSize = static_cast<float>(PrintUnitsToDots(2 * kPrintPointHalf, dpi));
    const int inner = m_tileSide - 2 * kBandMargin;
    if (inner < 1) {
        return false;
    }
    bool ok = true;
    for (int y0 = 0; y0 < ih && ok; y0 += inner) {
        for (int x0 = 0; x0 < iw && ok; x0 += inner) {
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
            if (!m_gl->MakeCurrent()) {
                m_error = 5;
                ok = false;
                break;
            }
            glViewport(0, 0, vw, vh);
            glEnable(GL_DEPTH_TEST);
            glDisable(GL_NORMALIZE);
            glDepthFunc(GL_LEQUAL);
            glLineWidth(lineWidth);
            m_renderer->RenderFrame();
            const QImage full = m_gl->Image();
            m_gl->DoneCurrent();
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
    for (int64_t p = first; p <= last; ++p) {
        if (p > first) {
            device.newPage();
        }
        OnPrint(painter, p);
    }
    const Clock::time_point t0 = Clock::now();
    painter.end();
    m_stats.paintSeconds += Since(t0);
    OnEndPrinting();
    return r;
}
