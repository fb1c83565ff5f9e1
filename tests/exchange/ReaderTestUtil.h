#pragma once

// What the tests of the line-based ship readers share: a base file as lines, edited per case,
// run through a reader, and the polylines it made.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "exchange/ImportSession.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

using Coords3 = std::vector<std::array<double, 3>>;

// The entity at i as a polyline or polygon; fails the test when it is another kind.
inline const CPoly& PolyAt(const CTAVDoc& doc, int i) {
    const auto* p = dynamic_cast<const CPoly*>(doc.GetEntity(i));
    if (!p) {
        ADD_FAILURE() << "entity " << i << " is not a CPoly";
        static const CPoly empty;
        return empty;
    }
    return *p;
}

// Vertex coordinates without flags, for comparisons.
inline Coords3 Coords(const CPoly& p) {
    Coords3 out;
    for (const CPoint3& v : p.m_vertices) {
        out.push_back({v.x, v.y, v.z});
    }
    return out;
}

inline std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string s;
    for (const std::string& l : lines) {
        s += l + end;
    }
    return s;
}

// "a|b|c" as the lines a, b and c.
inline std::vector<std::string> Split(const std::string& text, char sep = '|') {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == sep) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

// base with lines first..last (from 1) replaced by with, then cut after keep lines when keep > 0.
inline std::string Edit(std::vector<std::string> base, int first, int last,
                        const std::vector<std::string>& with, int keep = 0) {
    base.erase(base.begin() + (first - 1), base.begin() + last);
    base.insert(base.begin() + (first - 1), with.begin(), with.end());
    if (keep > 0) {
        base.resize(static_cast<size_t>(keep));
    }
    return Join(base);
}

// The first n lines of base.
inline std::string Upto(const std::vector<std::string>& base, int n) {
    return Join(std::vector<std::string>(base.begin(), base.begin() + n));
}

using ReaderFn = EImportResult (*)(CTAVDoc&, const std::string&);

// A drawing that one reader reads texts into, with what the reader said; the entity counter
// starts at counter and is put back afterwards.
struct SReaderRun {
    SReaderRun(ReaderFn reader, const char* suffix, int counter = 0)
        : m_reader(reader), m_suffix(suffix), guard(counter) {}
    EImportResult Run(const std::string& text) {
        CTempFile file(text, m_suffix);
        result = m_reader(doc, file.path);
        messages = MessageTexts(prompter);
        return result;
    }

private:
    ReaderFn m_reader;
    const char* m_suffix;

public:
    CCounterGuard guard;
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    EImportResult result = EImportResult::Refused;
    std::vector<std::string> messages;
};
