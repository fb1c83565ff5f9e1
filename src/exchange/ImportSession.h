#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document/Prompter.h"

class CTAVDoc;
class CEntity;

// What became of one import.
enum class EImportResult {
    Done,        // read to the end (some lines may have been reported and skipped)
    Refused,     // stopped on an error of the file; reported to the user
    OpenFailed,  // the file could not be opened or read; reported to the user
    Cancelled,   // the user cancelled (for example the alignment dialog)
};

// The frame every importer shares: wait cursor, entity numbers, current layer, the per-line
// message limit, and the finishing step (extents, views rebuilt, modified flag, update with
// hint 1). The finishing step also runs when an import stops on an error after it appended
// entities, so nothing unseen and uncounted stays in the drawing.
class CImportSession {
public:
    explicit CImportSession(CTAVDoc& doc);
    // Runs the finishing step if entities were added and Finish was not called.
    ~CImportSession();
    CImportSession(const CImportSession&) = delete;
    CImportSession& operator=(const CImportSession&) = delete;

    // Gives the entity the next entity number and, when useCurrentLayer, the document's current
    // layer, and appends it to the document. Returns its index.
    int Add(std::unique_ptr<CEntity> entity, bool useCurrentLayer = true);
    // Add for each entity in order, the list taken whole (left empty).
    void AddAll(std::vector<std::unique_ptr<CEntity>>& entities);
    // Shows a message about one line, up to the prompter's limit per import; then counts.
    void LineMessage(const std::string& text) { m_lineMessages.Show(text); }
    // Shows a message that ends the import (never counted away).
    void Message(const std::string& text);
    // The finishing step; runs once.
    void Finish();
    // Entities appended so far.
    int AddedCount() const { return m_added; }
    CTAVDoc& Doc() { return m_doc; }
    CPrompter& Prompter() { return m_prompter; }

private:
    CTAVDoc& m_doc;
    CPrompter& m_prompter;
    CWaitCursor m_wait;
    CLineMessages m_lineMessages;
    int m_added = 0;
    bool m_finished = false;
};
