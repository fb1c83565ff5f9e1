#include "exchange/ImportSession.h"

#include "document/Entity.h"
#include "document/TAVDoc.h"

CImportSession::CImportSession(CTAVDoc& doc)
    : m_doc(doc), m_prompter(doc.Prompter()), m_wait(&m_prompter), m_lineMessages(m_prompter) {}

CImportSession::~CImportSession() {
    if (m_added > 0 && !m_finished) {
        Finish();
    }
}

int CImportSession::Add(std::unique_ptr<CEntity> entity, bool useCurrentLayer) {
    entity->m_number = NextEntityNumber();
    if (useCurrentLayer) {
        entity->m_layer = m_doc.GetCurrentLayer();
    }
    ++m_added;
    return m_doc.AddEntity(std::move(entity));
}

void CImportSession::AddAll(std::vector<std::unique_ptr<CEntity>>& entities) {
    const int layer = m_doc.GetCurrentLayer();
    for (const auto& e : entities) {
        e->m_number = NextEntityNumber();
        e->m_layer = layer;
    }
    const int count = static_cast<int>(entities.size());
    m_doc.AppendEntities(entities);
    m_added += count;
}

void CImportSession::Message(const std::string& text) {
    m_prompter.ShowMessage(text, CPrompter::EIcon::Warning);
}

void CImportSession::Finish() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_lineMessages.Close();
    m_doc.RecomputeExtents();
    m_doc.InvalidateViews();
    m_doc.SetModifiedFlag(true);
    m_doc.UpdateAllViews(1);
}
