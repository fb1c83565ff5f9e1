// Tool 8 of the view: a window dragged on the screen (the print window).

#include "view/FrameServices.h"
#include "view/TAVView.h"

void CTAVView::BeginWindowPick(const std::string& prompt,
                               std::function<void(const CPoint3& a, const CPoint3& b)> done) {
    m_windowPickDone = std::move(done);
    m_previousTool = m_tool;
    m_tool = kToolPrintWindow;
    UpdateCursor();
    SetStatus(prompt);
}

void CTAVView::FinishWindowPick(const QPoint& a, const QPoint& b) {
    CPoint3 wa, wb;
    m_camera.WindowToWorld(a.x(), a.y(), false, m_doc, wa);
    m_camera.WindowToWorld(b.x(), b.y(), false, m_doc, wb);
    ReturnToPreviousTool();
    SetStatus("Gotowy");
    // The caller may reopen a dialog with a nested loop, so the handler goes first.
    if (auto done = std::move(m_windowPickDone)) {
        m_windowPickDone = nullptr;
        done(wa, wb);
    }
}
