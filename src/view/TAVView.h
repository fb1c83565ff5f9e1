#pragma once

#include <QPointer>
#include <QWidget>

#include "document/TAVDoc.h"

// The window that shows one document inside a child frame.
//
// For now a plain widget that names the document and counts its entities; the OpenGL view
// replaces it behind the same small interface: the frame creates it for a document, marks it
// for a rebuild and repaints it, asks for its modeless entity dialog, and reads its document.
class CTAVView : public QWidget, public CDocObserver {
    Q_OBJECT
public:
    // Registers with doc as an observer and takes over the camera state the document holds.
    explicit CTAVView(CTAVDoc& doc, QWidget* parent = nullptr);
    // Unregisters from the document.
    ~CTAVView() override;

    // The document shown; never null.
    CTAVDoc* GetDocument() const { return m_doc; }
    // True while the scene must be rebuilt at the next paint.
    bool IsRebuildPending() const { return m_rebuildList != 0; }
    // Number of paints so far (each rebuilds the scene when marked).
    int GetPaintCount() const { return m_paintCount; }
    // The modeless entity dialog open in this view, or nullptr.
    QWidget* GetEntityDialog() const { return m_entityDialog; }
    // Sets the modeless entity dialog (nullptr when it closes).
    void SetEntityDialog(QWidget* dialog) { m_entityDialog = dialog; }

    // CDocObserver
    void OnDocumentUpdate(int hint) override;
    void InvalidateDisplayList() override;
    void ResetCurrentPick() override {}
    void StoreViewState(CTAVDoc& doc) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CTAVDoc* m_doc;
    CViewState m_viewState;
    int m_rebuildList = 0;
    int m_paintCount = 0;
    QPointer<QWidget> m_entityDialog;
};
