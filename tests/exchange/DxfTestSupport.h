#pragma once

// DXF text written compactly for the reader's tests, and an import into a fresh document.

#include <stdexcept>
#include <string>
#include <vector>

#include "document/TAVDoc.h"
#include "exchange/DxfImport.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

// Group codes and values separated by '|', one line each: "0|POINT|10|1.5".
inline std::string Dxf(const std::string& spec) {
    std::string out;
    size_t from = 0;
    for (size_t bar = spec.find('|');; bar = spec.find('|', from)) {
        out += spec.substr(from, bar == std::string::npos ? std::string::npos : bar - from) + "\n";
        if (bar == std::string::npos) {
            return out;
        }
        from = bar + 1;
    }
}

inline std::string Entities(const std::string& body) {
    return "  0\nSECTION\n  2\nENTITIES\n" + body + "  0\nENDSEC\n  0\nEOF\n";
}

// Entity numbers start at 1.
struct SImport {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    EImportResult result = EImportResult::Refused;

    void Run(const std::string& content) {
        CTempFile f(content, ".dxf");
        result = ImportDxfFile(doc, f.path);
    }
    void RunEntities(const std::string& spec) { Run(Entities(Dxf(spec))); }
    template <class T>
    T& At(int i) {
        auto* e = dynamic_cast<T*>(doc.GetEntity(i));
        if (!e) {
            throw std::runtime_error("entity " + std::to_string(i) + " is of another kind");
        }
        return *e;
    }
    const std::string& LayerOf(int i) { return doc.GetLayer(doc.GetEntity(i)->m_layer).m_name; }
    std::vector<std::string> Texts() const { return MessageTexts(prompter); }
};
