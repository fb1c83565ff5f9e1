#include "view/TAVView.h"

#include <QPainter>

#include "view/FrameServices.h"

CTAVView::CTAVView(CTAVDoc& doc, QWidget* parent) : QWidget(parent), m_doc(&doc) {
    // The camera comes back unchanged when the document is saved, so files keep their view.
    doc.GetViewState(m_viewState);
    doc.AddObserver(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(50, 50);
}

CTAVView::~CTAVView() {
    m_doc->RemoveObserver(this);
}

void CTAVView::OnDocumentUpdate(int hint) {
    if (hint == 1) {
        m_doc->GetViewState(m_viewState);
    }
    update();
}

void CTAVView::InvalidateDisplayList() {
    m_rebuildList = 1;
}

void CTAVView::StoreViewState(CTAVDoc& doc) {
    doc.SetViewState(m_viewState);
}

void CTAVView::paintEvent(QPaintEvent*) {
    ++m_paintCount;
    m_rebuildList = 0;
    const CFrameServices* frame = GetFrameServices();
    const bool white = frame && frame->IsBackgroundWhite();
    QPainter p(this);
    p.fillRect(rect(), white ? Qt::white : Qt::black);
    p.setPen(white ? Qt::black : Qt::white);
    QString name = parentWidget() ? parentWidget()->windowTitle() : QString();
    name.remove(QStringLiteral("[*]"));
    const QString text = QStringLiteral("%1\nObiektów: %2\nWarstw: %3")
                             .arg(name)
                             .arg(m_doc->GetEntityCount())
                             .arg(m_doc->GetLayerCount());
    p.drawText(rect(), Qt::AlignCenter, text);
}
