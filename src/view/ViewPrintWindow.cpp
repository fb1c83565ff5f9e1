// Tool 8 of the view: the print window dragged on the screen.

#include <algorithm>

#include "printing/core/PrintLayout.h"
#include "view/FrameServices.h"
#include "view/TAVView.h"

void CTAVView::BeginPrintWindowPick(std::function<void()> done) {
    m_printWindowDone = std::move(done);
    m_previousTool = m_tool;
    m_tool = kToolPrintWindow;
    UpdateCursor();
    SetStatus(kPrintWindowPrompt);
}

void CTAVView::FinishPrintWindowPick(const QPoint& a, const QPoint& b) {
    CPoint3 wa, wb;
    m_camera.WindowToWorld(a.x(), a.y(), false, m_doc, wa);
    m_camera.WindowToWorld(b.x(), b.y(), false, m_doc, wb);
    double ax = 0, ay = 0, bx = 0, by = 0;
    WorldToPrintPlane(m_camera, wa, ax, ay);
    WorldToPrintPlane(m_camera, wb, bx, by);
    m_printSettings.m_x1 = std::min(ax, bx);
    m_printSettings.m_y1 = std::min(ay, by);
    m_printSettings.m_x2 = std::max(ax, bx);
    m_printSettings.m_y2 = std::max(ay, by);
    ReturnToPreviousTool();
    SetStatus("Gotowy");
    // The caller reopens the dialog; it may run a nested loop, so not from inside this event.
    if (std::function<void()> done = std::move(m_printWindowDone)) {
        m_printWindowDone = nullptr;
        done();
    }
}
