#include "app/OpenDoc.h"

#include <QFileInfo>

COpenDoc::COpenDoc(CPrompter* prompter, const QString& title)
    : m_doc(std::make_unique<CTAVDoc>(prompter)), m_title(title) {}

COpenDoc::~COpenDoc() = default;

void COpenDoc::SetPathName(const QString& path) {
    m_doc->SetPathName(path.toStdString());
    m_title = QFileInfo(path).fileName();
    m_recoveredFrom.clear();
}

void COpenDoc::AddFrame(CChildFrame* frame) {
    if (!m_frames.contains(frame)) {
        m_frames.append(frame);
    }
}

void COpenDoc::RemoveFrame(CChildFrame* frame) {
    m_frames.removeAll(frame);
}
