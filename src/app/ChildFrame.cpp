#include "app/ChildFrame.h"

#include <QCloseEvent>

#include "app/QtProgress.h"
#include "app/Settings.h"
#include "tools/EntityDialog.h"
#include "view/TAVView.h"

CChildFrame::CChildFrame(COpenDoc& doc, QWidget* parent) : QMdiSubWindow(parent), m_doc(&doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new CTAVView(doc.Doc(), this);
    m_view->Locator().SetWindow(settings::ReadInt(settings::kLocateWindow, kLocateWindowMin));
    setWidget(m_view);
    doc.AddFrame(this);
}

CChildFrame::~CChildFrame() {
    Detach();
}

void CChildFrame::OnActivate(bool active) {
    QWidget* dialog = m_view ? m_view->GetEntityDialog() : nullptr;
    if (!dialog) {
        return;
    }
    if (active) {
        dialog->showNormal();
    } else {
        dialog->hide();
    }
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    // Long work may be using the document (its progress dialog lets events through): the
    // window stays until it is over.
    if (!m_detached && RefuseWhileWorkRuns(m_doc ? &m_doc->Doc().Prompter() : nullptr)) {
        event->ignore();
        return;
    }
    // An open edit is cancelled before anything asks to save, so a half-made entity is never
    // written and no dialog outlives its window.
    if (m_view) {
        AbandonViewDialog(*m_view);
    }
    if (!m_detached && m_closeGuard && !m_closeGuard(*this)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted()) {
        // Let go of the document now rather than at the deferred deletion, so that closing
        // a document is complete when close() returns.
        Detach();
    }
}

void CChildFrame::Detach() {
    if (m_detached) {
        return;
    }
    m_detached = true;
    if (m_view) {
        AbandonViewDialog(*m_view);
        if (QWidget* dialog = m_view->GetEntityDialog()) {
            dialog->close();
        }
        delete m_view;
        m_view = nullptr;
    }
    if (m_doc) {
        m_doc->RemoveFrame(this);
    }
    if (m_detachHandler) {
        m_detachHandler(*this);
    }
    m_doc = nullptr;
}
