#include "exchange/SurveyPoints.h"

#include "document/Cp1250.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/LineReader.h"

namespace {

bool IsAxisLabel(std::string_view name, int& axis) {
    if (name.size() != 5 || name.compare(0, 4, "BAZA") != 0) {
        return false;
    }
    switch (name[4]) {
        case 'X':
            axis = 0;
            return true;
        case 'Y':
            axis = 1;
            return true;
        case 'Z':
            axis = 2;
            return true;
        default:
            return false;
    }
}

// Well-formed UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF).
bool IsUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            lo = c == 0xE0 ? 0xA0 : 0x80;
            hi = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            lo = c == 0xF0 ? 0x90 : 0x80;
            hi = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (s.size() - i <= static_cast<size_t>(more)) {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) {
                return false;
            }
        }
        i += static_cast<size_t>(more) + 1;
    }
    return true;
}

}  // namespace

std::unique_ptr<CPnt> MakeSurveyPoint(std::string name, const CPoint3& p) {
    // Every member has its initializer: no zero fill first (one point per line adds up).
    std::unique_ptr<CPnt> pnt(new CPnt);
    pnt->m_name = std::move(name);
    pnt->m_point = p;
    pnt->m_color[0] = pnt->m_color[1] = pnt->m_color[2] = 1.0;
    return pnt;
}

void KeepCode(CPnt& p, const std::string& code) {
    // Copied from one tree built once: a list of a million coded points builds no million
    // trees from the templates.
    static const CDataNode prototype = [] {
        CDataNode n;
        n.BuildObjectTree(kCodeObjectType);
        return n;
    }();
    CDataNode tree(prototype);
    tree.GetChild(0).SetText(code);
    p.m_data = std::move(tree);
}

void CAlignmentPreload::See(std::string_view name, const CPoint3& p) {
    if (m_axisPoints == 2 || name.size() < 4 || name[0] != 'B') {
        return;
    }
    int axis = 0;
    if (name == "BAZA") {
        m_values.modelOrigin = p;
    } else if (IsAxisLabel(name, axis)) {
        if (m_axisPoints++ == 0) {
            m_values.modelFirstPoint = p;
            m_values.modelFirstAxis = axis;
        } else {
            m_values.modelSecondPoint = p;
            m_values.modelSecondAxis = axis;
        }
    }
}

SAlignment PreloadAlignment(const SurveyPointList& points) {
    CAlignmentPreload preload;
    for (const auto& e : points) {
        const auto& p = static_cast<const CPnt&>(*e);
        preload.See(p.m_name, p.m_point);
    }
    return preload.Values();
}

std::string LineMessageText(int line, std::string_view text) {
    std::string s = "Line: " + std::to_string(line) + ". \n";
    s += text;
    return s;
}

std::string LabelToUtf8(std::string_view raw) {
    if (IsUtf8(raw)) {
        return std::string(raw);
    }
    return Cp1250ToUtf8(raw);
}

SImportResult FinishPointList(SImportResult& result, bool cancelled, const CLineReader& reader,
                              SurveyPointList& points) {
    if (result.outcome == EImportOutcome::Refused) {
        return std::move(result);
    }
    if (cancelled) {
        return CancelledResult();
    }
    CImportCollector out(result);
    if (reader.Failed()) {
        out.Unreadable(kImportReadFailed + reader.ErrorText() + ".");
        return std::move(result);
    }
    result.alignment = PreloadAlignment(points);
    out.AddAll(points);
    return std::move(result);
}
