#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <functional>

#include "app/OpenDoc.h"

class CTAVView;

// The MDI child window holding one view of a document.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    // Asked before the frame closes; false keeps it open.
    using CloseGuard = std::function<bool(CChildFrame&)>;
    // Told once when the frame has let go of its view and document.
    using DetachHandler = std::function<void(CChildFrame&)>;

    // Creates the view of doc inside the frame.
    explicit CChildFrame(COpenDoc& doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    // The view, or nullptr once the frame is closing.
    CTAVView* GetView() const { return m_view; }
    // The document shown, or nullptr once the frame is closing or the document is gone.
    COpenDoc* GetDocument() const { return m_doc; }

    void SetCloseGuard(CloseGuard guard) { m_closeGuard = std::move(guard); }
    void SetDetachHandler(DetachHandler handler) { m_detachHandler = std::move(handler); }

    // Shows the view's modeless entity dialog when active, hides it otherwise, so that the
    // dialog is seen only with its own document window.
    void OnActivate(bool active);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Detach();

    QPointer<COpenDoc> m_doc;
    CTAVView* m_view = nullptr;
    CloseGuard m_closeGuard;
    DetachHandler m_detachHandler;
    bool m_detached = false;
};
