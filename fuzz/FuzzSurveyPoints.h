#pragma once

// The check both survey point readers are fuzzed with: the alignment confirmed as pre-filled,
// the reader reports and skips or refuses, never crashes, hangs or holds more than the file; what
// it adds are whole points with consecutive numbers, and a refused file adds nothing.

#include <cstdint>
#include <cstdlib>

#include "FuzzScratch.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/Alignment.h"
#include "exchange/ImportSession.h"

class CConfirmingPrompter : public CSilentPrompter {
public:
    bool RunAlignmentDialog(SAlignment&) override { return true; }
};

// Reads the input with read and aborts on a broken rule.
inline int FuzzSurveyReader(const uint8_t* data, size_t size, ImportReader read) {
    SetLastEntityNumber(0);
    CConfirmingPrompter prompter;
    CTAVDoc doc(&prompter);
    const EImportResult result = FuzzImport(doc, data, size, read);
    if (result != EImportResult::Done && (doc.GetEntityCount() != 0 || doc.IsModified())) {
        std::abort();
    }
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* p = dynamic_cast<const CPnt*>(doc.GetEntity(i));
        if (!p || p->m_number != i + 1 || p->m_color[0] != 1.0) {
            std::abort();
        }
    }
    return 0;
}
