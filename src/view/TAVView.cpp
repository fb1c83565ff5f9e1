#include "view/TAVView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>

#include "document/Prompter.h"
#include "view/FrameServices.h"
#include "view/ViewCursors.h"
#include "view/ViewDialogs.h"
#include "view/core/PointInput.h"
#include "view/gl/OffscreenRender.h"
#include "view/gl/PickPass.h"

namespace {

// Idle text of the status bar.
constexpr char kReady[] = "Gotowy";

// One frame at a time in the whole process.
bool g_drawing = false;

QSurfaceFormat ViewFormat() {
    QSurfaceFormat format = CompatibilityFormat();
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

template <int Mode>
void RunMode(CTAVView& v) {
    v.SetRenderMode(Mode);
}
template <int Mode>
void UpdateMode(const CTAVView& v, bool&, int& checked) {
    checked = v.GetRenderMode() == Mode ? 1 : 0;
}
template <int Tool>
void RunTool(CTAVView& v) {
    v.SetTool(Tool);
}
template <int Tool>
void UpdateTool(const CTAVView& v, bool&, int& checked) {
    checked =
        v.GetTool() == Tool || (Tool == kToolPan && v.GetTool() == kToolPanTwoButtons) ? 1 : 0;
}
void NoCheck(const CTAVView&, bool&, int& checked) {
    checked = -1;
}

const CTAVView::SViewCommand kCommands[] = {
    {32775, RunMode<0>, UpdateMode<0>},
    {32776, RunMode<1>, UpdateMode<1>},
    {32777, RunMode<2>, UpdateMode<2>},
    {32778, RunMode<3>, UpdateMode<3>},
    {32779, RunTool<kToolSelect>, UpdateTool<kToolSelect>},
    {32780, RunTool<kToolPan>, UpdateTool<kToolPan>},
    {32781, RunTool<kToolZoom>, UpdateTool<kToolZoom>},
    {32782, RunTool<kToolRotate>, UpdateTool<kToolRotate>},
    {32783, [](CTAVView& v) { v.OnZoomWindow(); }, NoCheck},
    {32784, [](CTAVView& v) { v.OnZoomAll(); }, NoCheck},
    {32785, [](CTAVView& v) { v.OnProjection(); }, NoCheck},
    {32786, [](CTAVView& v) { v.OnViewPoint(); }, NoCheck},
    {32807, [](CTAVView& v) { v.OnPointNames(); },
     [](const CTAVView& v, bool&, int& checked) { checked = v.Renderer().m_showNames ? 1 : 0; }},
    {32809, [](CTAVView& v) { v.OnPlan(); }, NoCheck},
    {32812, [](CTAVView& v) { v.OnPrevious(); },
     [](const CTAVView& v, bool& enabled, int& checked) {
         enabled = v.Camera().HistorySize() > 0;
         checked = -1;
     }},
};

}  // namespace

std::span<const CTAVView::SViewCommand> CTAVView::Commands() {
    return kCommands;
}

CTAVView::CTAVView(CTAVDoc& doc, QWidget* parent) : QOpenGLWidget(parent), m_doc(&doc) {
    setFormat(ViewFormat());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(50, 50);
    m_renderer.SetDocument(&doc);
    // The saved camera, refitted to the size it was saved with; the real size follows.
    const CViewState& s = doc.ViewState();
    m_camera.LoadState(s);
    m_camera.Resize(s.clientWidth, s.clientHeight);
    m_renderer.m_renderMode = std::clamp(static_cast<int>(s.renderMode), 0, 3);
    m_targetMarker = s.targetMarker;
    m_localizationMask = s.localizationMask;
    m_entitiesSeen = doc.GetEntityCount();
    // Files written without a view (tavcli convert) carry a new document's camera, which
    // shows nothing of a drawing at survey coordinates.
    m_fitOnResize = m_entitiesSeen > 0 && CCamera::IsNewDocumentCamera(s);
    doc.AddObserver(this);
    UpdateCursor();
}

CTAVView::~CTAVView() {
    ReleaseGL();
    m_doc->RemoveObserver(this);
}

void CTAVView::RecordError(int error) {
    if (m_lastError == 0) {
        m_lastError = error;
    }
}

void CTAVView::ReleaseGL() {
    if (!m_glReady) {
        return;
    }
    makeCurrent();
    m_renderer.ReleaseGL();
    doneCurrent();
    m_glReady = false;
}

void CTAVView::initializeGL() {
    if (context() == nullptr || !context()->isValid()) {
        RecordError(4);
        return;
    }
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &CTAVView::ReleaseGL,
            Qt::DirectConnection);
    const CFrameServices* frame = GetFrameServices();
    m_renderer.m_whiteBackground = frame && frame->IsBackgroundWhite();
    m_renderer.InitializeGL();
    m_glReady = true;
}

void CTAVView::CompileDeferredList() {
    if (!m_glReady || !m_renderer.IsListDeferred()) {
        return;
    }
    makeCurrent();
    m_renderer.CompileDeferredList();
    doneCurrent();
}

void CTAVView::resizeGL(int w, int h) {
    if (m_skipResize) {
        return;
    }
    m_camera.Resize(w, h);
    // Every size the window passes through before the user takes the camera is fitted anew.
    if (m_fitOnResize && w > 0 && h > 0) {
        FitToDrawing();
    }
}

void CTAVView::KeepCamera() {
    m_fitOnResize = false;
}

void CTAVView::FitToDrawing() {
    m_camera.ZoomAll(*m_doc, true, false, false);
    update();
}

void CTAVView::paintGL() {
    if (g_drawing || !m_glReady) {
        return;
    }
    g_drawing = true;
    struct SGuard {
        ~SGuard() { g_drawing = false; }
    } guard;
    ++m_paintCount;
    // A window shown before its context existed had no resizeGL for its size.
    if (m_fitOnResize &&
        (m_camera.m_clientWidth != width() || m_camera.m_clientHeight != height())) {
        m_camera.Resize(width(), height());
        FitToDrawing();
    }
    const CFrameServices* frame = GetFrameServices();
    m_renderer.m_whiteBackground = frame && frame->IsBackgroundWhite();
    m_renderer.m_useDisplayList = !frame || frame->IsDisplayListUsed();

    QPainter painter(this);
    painter.beginNativePainting();
    const qreal dpr = devicePixelRatioF();
    m_renderer.RenderWidgetFrame(static_cast<int>(width() * dpr), static_cast<int>(height() * dpr));
    painter.endNativePainting();
    if (m_renderer.IsListDeferred()) {
        // Once this frame is on screen; the compile draws nothing, so no paint follows.
        QTimer::singleShot(0, this, &CTAVView::CompileDeferredList);
    }

    if (m_dragging &&
        (m_tool == kToolSelect || m_tool == kToolZoomWindow || m_tool == kToolPrintWindow)) {
        const QColor ink = m_renderer.m_whiteBackground ? Qt::black : Qt::white;
        painter.setPen(QPen(ink, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(m_pressPos, m_cursorPos).normalized());
    }
    if (m_targetMarker) {
        int x = 0, y = 0;
        m_camera.ProjectToWindow(m_camera.m_target, x, y);
        DrawTargetMarker(painter, x, y);
    }
    if (m_tool == kToolPointInput && m_localizedPending) {
        int x = 0, y = 0;
        m_camera.ProjectToWindow(m_localizedPoint, x, y);
        DrawSnapMarker(painter, x, y, m_localizedKind, m_renderer.m_whiteBackground);
    }
}

void CTAVView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const Qt::MouseButton b = event->button();
    if (b != Qt::LeftButton && b != Qt::MiddleButton) {
        return;
    }
    KeepCamera();
    m_pressPos = m_cursorPos = p;
    if (b == Qt::LeftButton) {
        m_dragging = true;
    }
    m_camera.PushView();
    m_camera.BeginDrag(p.x(), p.y());
    if (b == Qt::LeftButton) {
        if (m_tool == kToolPointInput && m_localizedPending) {
            m_pickedPoint = m_localizedPoint;
        } else {
            m_camera.WindowToWorld(p.x(), p.y(), true, m_doc, m_pickedPoint);
        }
    }
}

void CTAVView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const Qt::MouseButtons b = event->buttons();
    if (b & (Qt::LeftButton | Qt::MiddleButton)) {
        if ((b & Qt::LeftButton) && (b & Qt::RightButton) && m_tool != kToolPanTwoButtons) {
            m_previousTool = m_tool;
            m_tool = kToolPanTwoButtons;
            UpdateCursor();
        } else if ((b & Qt::MiddleButton) && m_tool != kToolPanTwoButtons &&
                   m_tool != kToolRotateMiddle) {
            m_previousTool = m_tool;
            m_tool = kToolRotateMiddle;
            UpdateCursor();
        }
        switch (m_tool) {
            case kToolPan:
            case kToolPanTwoButtons:
                m_camera.DragPan(p.x(), p.y());
                break;
            case kToolZoom:
                m_camera.DragZoom(p.x(), p.y());
                break;
            case kToolRotate:
            case kToolRotateMiddle:
                m_camera.DragRotate(p.x(), p.y());
                break;
            default:
                break;
        }
        update();
    }
    m_cursorPos = p;
    m_renderer.m_cursorPoint = LocalizePoint(p.x(), p.y());
    ShowCoordinates();
    if (m_doc->GetBusy()) {
        update();
    }
}

void CTAVView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const Qt::MouseButtons held = event->buttons();
    switch (event->button()) {
        case Qt::LeftButton:
            if (m_tool == kToolZoomWindow && m_dragging) {
                m_camera.ZoomWindow(m_pressPos.x(), m_pressPos.y(), p.x(), p.y());
                ReturnToPreviousTool();
                SetStatus(kReady);
            } else if (m_tool == kToolPrintWindow && m_dragging) {
                FinishWindowPick(m_pressPos, p);
            } else if (m_tool == kToolSelect) {
                // Selecting leaves no history entry.
                if (m_camera.PopView()) {
                    InvalidateDisplayList();
                }
                if (m_dragging) {
                    PickAt(m_pressPos.x(), m_pressPos.y(), p.x(), p.y(),
                           (event->modifiers() & Qt::ShiftModifier) != 0);
                }
            } else if (m_tool == kToolPanTwoButtons && !(held & Qt::RightButton)) {
                ReturnToPreviousTool();
            } else if (m_tool == kToolPointInput && m_dragging && m_measurePoly) {
                AddMeasurePoint();
            } else if (m_tool == kToolPointInput && m_dragging && m_entityDialog) {
                m_dragging = false;
                emit pointPicked(m_renderer.m_editHandle);
            }
            m_dragging = false;
            update();
            break;
        case Qt::MiddleButton:
            if (m_tool == kToolRotateMiddle) {
                ReturnToPreviousTool();
            }
            UpdateCursor();
            break;
        case Qt::RightButton:
            OnRightButtonUp(p);
            if (m_tool == kToolPanTwoButtons && !(held & Qt::LeftButton)) {
                ReturnToPreviousTool();
            }
            break;
        default:
            break;
    }
}

void CTAVView::wheelEvent(QWheelEvent* event) {
    KeepCamera();
    if (m_camera.Wheel(event->angleDelta().y())) {
        update();
    }
    event->accept();
}

void CTAVView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        OnDeleteSelected();
        return;
    }
    if (event->key() != Qt::Key_Escape) {
        QOpenGLWidget::keyReleaseEvent(event);
        return;
    }
    ClearSelection(true);
    if (m_measurePoly && m_doc->GetBusy()) {
        AbandonMeasurement();
    }
    m_tool = kToolSelect;
    UpdateCursor();
    update();
    SetStatus(kReady);
}

void CTAVView::enterEvent(QEnterEvent* event) {
    m_cursorOverView = 1;
    QOpenGLWidget::enterEvent(event);
}

void CTAVView::ReturnToPreviousTool() {
    m_tool = m_previousTool;
    UpdateCursor();
}

void CTAVView::UpdateCursor() {
    m_cursorOverView = 1;
    int& resource = m_cursorResource;
    resource = 0;
    switch (m_tool) {
        case kToolPointInput:
            resource = m_localizedPending ? viewcursor::kSnapped : viewcursor::kPointInput;
            break;
        case kToolPan:
        case kToolPanTwoButtons:
            resource = viewcursor::kPan;
            break;
        case kToolZoom:
            resource = viewcursor::kZoom;
            break;
        case kToolRotate:
        case kToolRotateMiddle:
            resource = viewcursor::kRotate;
            break;
        case kToolZoomWindow:
            resource = viewcursor::kZoomWindow;
            break;
        default:
            break;
    }
    setCursor(ToolCursor(resource));
    // Tool changes move the check marks of the tool commands.
    NotifyCommandState();
}

void CTAVView::NotifyCommandState() const {
    if (CFrameServices* frame = GetFrameServices()) {
        frame->CommandStateChanged();
    }
}

void CTAVView::SetStatus(const std::string& text) const {
    if (CFrameServices* frame = GetFrameServices()) {
        frame->SetStatusText(text);
    }
}

void CTAVView::ShowCoordinates() {
    CFrameServices* frame = GetFrameServices();
    if (frame == nullptr) {
        return;
    }
    CPoint3 p = m_renderer.m_cursorPoint;
    const int active = m_doc->GetActiveCoordSystem();
    if (active >= 0 && active < m_doc->GetCoordSystemCount()) {
        p = p.TransformedBy(m_doc->GetMatrix(active));
    }
    char text[128];
    std::snprintf(text, sizeof text, "  %10.3f, %10.3f, %10.3f", p.x, p.y, p.z);
    frame->SetCoordinateText(text);
}

bool CTAVView::BeepIfBusy() const {
    if (m_doc->GetBusy()) {
        m_doc->Prompter().Beep();
        return true;
    }
    return false;
}

void CTAVView::SetRenderMode(int mode) {
    if (BeepIfBusy()) {
        return;
    }
    if (mode != m_renderer.m_renderMode) {
        m_renderer.m_renderMode = mode;
        InvalidateDisplayList();
        update();
    }
}

void CTAVView::OnPointNames() {
    m_renderer.m_showNames = m_renderer.m_showNames ? 0 : 1;
    InvalidateDisplayList();
    update();
}

void CTAVView::SetToolQuiet(int tool) {
    m_tool = tool;
    UpdateCursor();
}

void CTAVView::SetTool(int tool) {
    if (BeepIfBusy()) {
        return;
    }
    m_tool = tool;
    UpdateCursor();
}

void CTAVView::OnZoomWindow() {
    if (BeepIfBusy()) {
        return;
    }
    m_previousTool = m_tool;
    m_tool = kToolZoomWindow;
    UpdateCursor();
    SetStatus(kZoomWindowPrompt);
}

void CTAVView::OnZoomAll() {
    if (BeepIfBusy()) {
        return;
    }
    KeepCamera();
    m_camera.ZoomAll(*m_doc, true, false);
    update();
}

void CTAVView::OnPlan() {
    if (BeepIfBusy()) {
        return;
    }
    KeepCamera();
    m_camera.ZoomAll(*m_doc, true, true);
    update();
}

void CTAVView::OnPrevious() {
    KeepCamera();
    // Works while the document is busy too.
    if (m_camera.PopView()) {
        InvalidateDisplayList();
    }
    update();
}

void CTAVView::OnViewPoint() {
    if (BeepIfBusy()) {
        return;
    }
    KeepCamera();
    SViewPointValues values;
    values.eye = m_camera.m_eye;
    values.target = m_camera.m_target;
    values.targetMarker = m_targetMarker;
    values.spinAngle = m_camera.m_spinAngle;
    values.viewAngle = m_camera.m_viewAngle;
    values.scale = m_camera.m_scale;
    const int active = m_doc->GetActiveCoordSystem();
    const CMatrix4* toLocal =
        active >= 0 && active < m_doc->GetCoordSystemCount() ? &m_doc->GetMatrix(active) : nullptr;
    CViewPointDlg dlg(values, toLocal, m_doc->Prompter(), this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    const SViewPointValues& v = dlg.Values();
    m_camera.m_eye = v.eye;
    m_camera.m_target = v.target;
    m_targetMarker = v.targetMarker;
    m_camera.m_spinAngle = v.spinAngle;
    m_camera.m_viewAngle = v.viewAngle;
    m_camera.m_scale = v.scale;
    m_camera.UpdatePixelsPerUnit();
    m_camera.UpdateViewMatrix();
    update();
}

void CTAVView::OnProjection() {
    if (BeepIfBusy()) {
        return;
    }
    KeepCamera();
    SProjectionValues values{m_camera.m_near, m_camera.m_far, m_camera.m_perspective,
                             m_camera.m_viewAngle};
    CProjectionDlg dlg(values, this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_camera.m_near = dlg.Values().nearPlane;
    m_camera.m_far = dlg.Values().farPlane;
    m_camera.m_perspective = dlg.Values().perspective;
    m_camera.m_viewAngle = dlg.Values().viewAngle;
    update();
}

void CTAVView::OnDocumentUpdate(int hint) {
    m_locator.Invalidate();
    const int count = m_doc->GetEntityCount();
    // The first entities of a drawing (an import into an empty one) are shown whole.
    if (hint == 1 && m_entitiesSeen == 0 && count > 0 && width() > 0 && height() > 0) {
        FitToDrawing();
        m_fitOnResize = true;
    }
    m_entitiesSeen = count;
    update();
    NotifyCommandState();
}

void CTAVView::OnDocumentStateChanged() {
    NotifyCommandState();
}

void CTAVView::InvalidateDisplayList() {
    m_locator.Invalidate();  // the document's entities may have changed
    m_renderer.InvalidateDisplayList();
}

void CTAVView::ResetCurrentPick() {
    m_renderer.m_currentPick = -1;
}

void CTAVView::OnEntitiesRemoved() {
    m_locator.Invalidate();
    m_cycleIndex = 0;
    m_renderer.m_currentPick = -1;
    m_renderer.m_pickList.clear();
    m_renderer.m_multiSelection.clear();
    InvalidateDisplayList();
}

void CTAVView::StoreViewState(CTAVDoc& doc) {
    CViewState s = doc.ViewState();
    m_camera.StoreState(s);
    s.renderMode = m_renderer.m_renderMode;
    s.targetMarker = m_targetMarker;
    s.localizationMask = m_localizationMask;
    doc.SetViewState(s);
}

// ---------------------------------------------------------------------------------------------
// Selection, point input and measurement

SSelectionRefs CTAVView::Selection() {
    return {m_renderer.m_pickList, m_renderer.m_multiSelection, m_renderer.m_currentPick,
            m_cycleIndex, m_renderer.m_editHandle};
}

void CTAVView::ClearSelection(bool all) {
    if (::ClearSelection(Selection(), all)) {
        m_renderer.InvalidateDisplayList();
    }
}

CPoint3 CTAVView::LocalizePoint(int x, int y) {
    CPoint3 p;
    if (m_tool != kToolPointInput) {
        m_camera.WindowToWorld(x, y, true, m_doc, p);
        return p;
    }
    const int was = m_localizedPending;
    m_localizedPending = m_locator.Locate(*m_doc, m_camera, m_localizationMask,
                                          m_renderer.GetMaxClipPlanes(), x, y, p)
                             ? 1
                             : 0;
    const uint16_t kindWas = m_localizedKind;
    const CPoint3 pointWas = m_localizedPoint;
    m_localizedKind = m_localizedPending ? m_locator.LastKind() : 0;
    if (m_localizedPending) {
        m_localizedPoint = p;
    }
    if (was != m_localizedPending) {
        UpdateCursor();
    }
    // The snap marker moves with what was found.
    if (was != m_localizedPending || kindWas != m_localizedKind ||
        (m_localizedPending && !(pointWas == m_localizedPoint))) {
        update();
    }
    return p;
}

void CTAVView::PickAt(int x0, int y0, int x, int y, bool shift) {
    double l = 0, r = 0, b = 0, t = 0;
    if (std::abs(x - x0) < kClickTolerance && std::abs(y - y0) < kClickTolerance) {
        ClickPickBox(m_camera, x, y, l, r, b, t);
    } else {
        RectanglePickBox(m_camera, x0, y0, x, y, l, r, b, t);
    }
    if (!m_glReady || context() == nullptr) {
        RecordError(5);
        return;
    }
    makeCurrent();
    // Only what the index finds near the pick window is drawn into the selection buffer.
    const CClipTransform clip =
        CClipTransform::ForBox(m_camera, m_doc, m_renderer.GetMaxClipPlanes(), l, r, b, t);
    const std::vector<int> candidates =
        m_locator.PickCandidates(*m_doc, clip, m_renderer.m_showNames != 0);
    const std::vector<unsigned> names = RunPickPass(m_renderer, m_camera, l, r, b, t, &candidates);
    doneCurrent();
    const SPickOutcome outcome = ApplyPick(Selection(), shift, names, *m_doc);
    SetStatus(outcome.status);
    if (outcome.changed) {
        m_renderer.InvalidateDisplayList();
    }
    update();
}

void CTAVView::OnNextPick() {
    if (NextPick(Selection())) {
        update();
    }
}

void CTAVView::OnClearSelection() {
    if (BeepIfBusy()) {
        return;
    }
    ClearSelection(true);
    update();
}

void CTAVView::OnDeleteSelected() {
    if (DeleteSelection(*m_doc, Selection()) > 0) {
        m_renderer.InvalidateDisplayList();
        SetStatus(kReady);
    }
    update();
}

void CTAVView::OnMeasure(int kind) {
    if (BeepIfBusy() || kind < kMeasureCoordinates || kind > kMeasureArea) {
        return;
    }
    m_measureKind = kind;
    ClearSelection(false);
    m_tool = kToolPointInput;
    m_measurePoly = std::make_unique<CPoly>();
    m_measurePoly->m_color[0] = m_measurePoly->m_color[1] = m_measurePoly->m_color[2] = 1.0;
    m_measurePoly->AddVertex(CPoint3(0, 0, 0));
    // The rubber line of an area closes back to the first point.
    m_measurePoly->m_marker = kind == kMeasureArea ? 1 : 0;
    m_renderer.m_tempEntity = m_measurePoly.get();
    m_renderer.m_editHandle = 0;
    m_doc->SetBusy(1);
    UpdateCursor();
    SetStatus(kind == kMeasureCoordinates ? kPromptPoint : kPromptVertex);
    update();
}

void CTAVView::AddMeasurePoint() {
    CVertexList& v = m_measurePoly->m_vertices;
    if (v.empty()) {
        v.push_back(m_pickedPoint);
    } else {
        v.back() = m_pickedPoint;
    }
    v.push_back(m_pickedPoint);
    m_renderer.m_editHandle = static_cast<int>(v.size()) - 1;
    if (m_measureKind == kMeasureCoordinates) {
        QMetaObject::invokeMethod(this, &CTAVView::OnMeasureEnd, Qt::QueuedConnection);
    }
    update();
}

void CTAVView::AbandonMeasurement() {
    m_renderer.m_tempEntity = nullptr;
    m_measurePoly.reset();
    m_measureKind = 0;
    m_renderer.m_editHandle = -1;
    m_localizedPending = 0;
    m_tool = kToolSelect;
    m_doc->SetBusy(0);
    UpdateCursor();
    update();
}

void CTAVView::OnMeasureEnd() {
    if (!m_measurePoly || m_measureKind == 0) {
        return;  // abandoned while the message was on its way
    }
    update();
    const int active = m_doc->GetActiveCoordSystem();
    const CMatrix4* toLocal =
        active >= 0 && active < m_doc->GetCoordSystemCount() ? &m_doc->GetMatrix(active) : nullptr;
    const SFrameCommandHooks& hooks = FrameCommandHooks();
    const std::string text = hooks.measurementText
                                 ? hooks.measurementText(m_measureKind, m_measurePoly->m_vertices,
                                                         m_pickedPoint, toLocal, &m_doc->Prompter())
                                 : std::string();
    m_measureKind = 0;
    m_renderer.m_tempEntity = nullptr;
    m_measurePoly.reset();
    SetStatus(kReady);
    if (!text.empty() && hooks.showInfo) {
        hooks.showInfo(kMeasureCaption, text);
    } else if (!text.empty()) {
        m_doc->Prompter().ShowMessage(text, CPrompter::EIcon::Information);
    }
    ClearSelection(false);
    m_localizedPending = 0;
    m_tool = kToolSelect;
    m_doc->SetBusy(0);
    UpdateCursor();
    update();
}

void CTAVView::OnRightButtonUp(const QPoint& p) {
    if (m_renderer.m_tempEntity != nullptr && m_doc->GetBusy()) {
        if (!m_measurePoly || m_tool == kToolPanTwoButtons) {
            return;  // another operation's points, or the end of a two-button pan
        }
        if (m_measureKind == kMeasureCoordinates) {
            // No point was taken yet: nothing to report.
            AbandonMeasurement();
            SetStatus(kReady);
            return;
        }
        CVertexList& v = m_measurePoly->m_vertices;
        if (!v.empty()) {
            v.pop_back();
        }
        m_renderer.m_editHandle = static_cast<int>(v.size());
        QMetaObject::invokeMethod(this, &CTAVView::OnMeasureEnd, Qt::QueuedConnection);
        return;
    }
    if (m_tool == kToolPanTwoButtons) {
        return;
    }
    std::unique_ptr<QMenu> menu = BuildPopupMenu();
    if (!menu) {
        return;
    }
    const QPoint global = mapToGlobal(p);
    QAction* chosen = m_popupRunner ? m_popupRunner(*menu, global) : menu->exec(global);
    if (chosen != nullptr && chosen->isEnabled()) {
        RunCommandId(chosen->data().toUInt());
    }
}

std::unique_ptr<QMenu> CTAVView::BuildPopupMenu() {
    auto menu = std::make_unique<QMenu>();
    const SFrameCommandHooks& hooks = FrameCommandHooks();
    auto add = [](QMenu& m, unsigned id, const char* text, bool enabled, int checked) {
        QAction* a = m.addAction(QString::fromUtf8(text));
        a->setData(id);
        a->setEnabled(enabled);
        if (checked >= 0) {
            a->setCheckable(true);
            a->setChecked(checked == 1);
        }
        return a;
    };
    auto byTable = [&hooks](unsigned id, bool fallback) {
        int checked = -1;
        return hooks.query ? hooks.query(id, checked) : fallback;
    };
    const SSelectionRefs sel = Selection();
    if (HasSelection(sel)) {
        add(*menu, 32771, kNextText, m_renderer.m_pickList.size() >= 2, -1);
        menu->addSeparator();
        add(*menu, 32773, "Edytuj wybrane", byTable(32773, false), -1);
        add(*menu, 32774, "Edytuj Dane", byTable(32774, false), -1);
        menu->addSeparator();
        add(*menu, 32772, "Kasuj wybór", byTable(32772, true), -1);
        menu->addSeparator();
        add(*menu, 32797, kInfoText, CanShowInfo(*m_doc, m_renderer.m_currentPick), -1);
        return menu;
    }
    if (m_doc->GetBusy()) {
        return nullptr;
    }
    const struct {
        unsigned id;
        const char* text;
        int tool;
    } tools[] = {{32779, "Wybierz", kToolSelect},
                 {32780, "Przesuń", kToolPan},
                 {32781, "Zoom", kToolZoom},
                 {32782, "Obracaj", kToolRotate},
                 {32783, "Zoom okno", kToolZoomWindow}};
    for (const auto& t : tools) {
        add(*menu, t.id, t.text, true, m_tool == t.tool ? 1 : 0);
    }
    menu->addSeparator();
    QMenu* modes = menu->addMenu(QStringLiteral("Widok"));
    const char* modeTexts[] = {"Przezroczysty", "Ukryte linie niewidoczne", "Wypelniony kolorem",
                               "Wypelniony i cieniowany"};
    for (int m = 0; m < 4; ++m) {
        add(*modes, 32775 + static_cast<unsigned>(m), modeTexts[m], true,
            m_renderer.m_renderMode == m ? 1 : 0);
    }
    menu->addSeparator();
    add(*menu, 32784, "Wszystko", true, -1);
    return menu;
}

void CTAVView::RunCommandId(unsigned id) {
    const SFrameCommandHooks& hooks = FrameCommandHooks();
    if (hooks.run) {
        hooks.run(id);
        return;
    }
    switch (id) {
        case 32771:
            OnNextPick();
            return;
        case 32772:
            OnClearSelection();
            return;
        case 32813:
            OnDeleteSelected();
            return;
        default:
            break;
    }
    for (const SViewCommand& c : Commands()) {
        if (c.id == id) {
            c.run(*this);
            return;
        }
    }
}
