#include "tools/core/ManagerRules.h"

#include <algorithm>
#include <cstdio>

#include "document/Prompter.h"
#include "document/StringTable.h"
#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Trims typed and refuses it when empty or when taken(name) says another object has it.
template <class Taken>
bool CheckName(const std::string& typed, Taken taken, CPrompter& prompter, std::string& out) {
    const std::string name = TrimObjectName(typed);
    if (name.empty()) {
        prompter.ShowMessage(LoadStr(41457), CPrompter::EIcon::Warning);
        return false;
    }
    if (taken(name)) {
        prompter.ShowMessage(LoadStr(41458), CPrompter::EIcon::Warning);
        return false;
    }
    out = name;
    return true;
}

}  // namespace

std::string MakeNewLayerName(const CTAVDoc& doc) {
    const std::string prefix = LoadStr(41489);
    for (long long n = doc.GetLayerCount();; ++n) {
        std::string name = prefix + std::to_string(n);
        bool taken = false;
        for (int i = 0; i < doc.GetLayerCount() && !taken; ++i) {
            taken = doc.GetLayer(i).m_name == name;
        }
        if (!taken) {
            return name;
        }
    }
}

int AddNewLayer(CTAVDoc& doc) {
    const std::string name = MakeNewLayerName(doc);
    CDocStep step(doc, stepnames::kNewLayer);
    doc.Layers().emplace_back(name, 0, 1);
    return doc.GetLayerCount() - 1;
}

std::string TrimObjectName(const std::string& typed) {
    // Cut after kMaxObjectNameChars UTF-8 characters, never inside one.
    size_t end = 0;
    int chars = 0;
    while (end < typed.size()) {
        if ((static_cast<unsigned char>(typed[end]) & 0xC0) != 0x80) {
            if (chars == kMaxObjectNameChars) {
                break;
            }
            ++chars;
        }
        ++end;
    }
    size_t begin = 0;
    while (begin < end && IsBlank(typed[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(typed[end - 1])) {
        --end;
    }
    return typed.substr(begin, end - begin);
}

bool CheckLayerName(const CTAVDoc& doc, int row, const std::string& typed, CPrompter& prompter,
                    std::string& out) {
    const auto taken = [&](const std::string& name) {
        for (int i = 0; i < doc.GetLayerCount(); ++i) {
            if (i != row && doc.GetLayer(i).m_name == name) {
                return true;
            }
        }
        return false;
    };
    return CheckName(typed, taken, prompter, out);
}

bool CheckClipPlaneName(const CTAVDoc& doc, int index, const std::string& typed,
                        CPrompter& prompter, std::string& out) {
    const auto taken = [&](const std::string& name) {
        for (int i = 0; i < doc.GetClipPlaneCount(); ++i) {
            if (i != index && doc.GetClipPlane(i).m_name == name) {
                return true;
            }
        }
        return false;
    };
    return CheckName(typed, taken, prompter, out);
}

int LayerFlagColumn(int x) {
    if (x >= 4 && x < 20) {
        return 0;
    }
    if (x >= 20 && x < 36) {
        return 1;
    }
    return -1;
}

bool ToggleLayerFlag(CTAVDoc& doc, const std::vector<int>& selected, int clicked, int flag) {
    if (clicked < 0 || clicked >= doc.GetLayerCount() || (flag != 0 && flag != 1)) {
        return false;
    }
    const auto field = [flag](CLayer& l) -> int32_t& {
        return flag == 0 ? l.m_locked : l.m_visible;
    };
    const int32_t value = field(doc.GetLayer(clicked)) ? 0 : 1;
    CDocStep step(doc, flag == 0 ? stepnames::kLayerLock : stepnames::kLayerVisible);
    for (int row : selected) {
        if (row >= 0 && row < doc.GetLayerCount()) {
            field(doc.GetLayer(row)) = value;
        }
    }
    return true;
}

std::vector<int> DeleteSelectedLayers(CTAVDoc& doc, std::vector<int> rows, int& current) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    CDocStep step(doc, stepnames::kDeleteLayer);
    std::vector<int> deleted;
    for (size_t k = 0; k < rows.size(); ++k) {
        const int row = rows[k];
        const int next = doc.DeleteLayer(row);
        if (next == -1) {
            continue;
        }
        if (row == current) {
            current = next;
        } else if (current > row) {
            --current;
        }
        deleted.push_back(row);
        for (size_t j = k + 1; j < rows.size(); ++j) {
            if (rows[j] > row) {
                --rows[j];
            }
        }
    }
    return deleted;
}

int ClipPlaneLimit(int viewLimit) {
    return viewLimit > 0 ? viewLimit : kLeastClipPlanes;
}

int CountActiveClipPlanes(const CTAVDoc& doc) {
    int n = 0;
    for (int i = 0; i < doc.GetClipPlaneCount(); ++i) {
        n += doc.GetClipPlane(i).m_active != 0 ? 1 : 0;
    }
    return n;
}

bool CheckActiveClipPlanes(const CTAVDoc& doc, int limit, CPrompter& prompter) {
    if (CountActiveClipPlanes(doc) <= limit) {
        return true;
    }
    char text[128];
    std::snprintf(text, sizeof text, managertexts::kTooManyPlanes, limit);
    prompter.ShowMessage(text, CPrompter::EIcon::Warning);
    return false;
}

CClipPlane MakeNewClipPlane(const CTAVDoc& doc) {
    const CCoordFrame frame = CCoordFrame::Active(doc);
    return CClipPlane(std::string(), 0, frame.ToGlobal(CPoint3(0.0, 0.0, 0.0)),
                      frame.DirToGlobal(CVec3(1.0, 0.0, 0.0)));
}

SClipPlaneInput ClipPlaneToInput(const CTAVDoc& doc, const CClipPlane& plane) {
    SClipPlaneInput in;
    in.name = plane.m_name;
    in.active = plane.m_active;
    const CCoordFrame frame = CCoordFrame::Active(doc);
    in.point = frame.ToLocal(plane.m_point);
    in.normal = frame.DirToLocal(plane.m_normal);
    return in;
}

bool CheckClipPlaneInput(const CTAVDoc& doc, int index, const SClipPlaneInput& input,
                         CPrompter& prompter, CClipPlane& out) {
    std::string name;
    if (!CheckClipPlaneName(doc, index, input.name, prompter, name)) {
        return false;
    }
    if (input.normal.IsShorterThan(kGeomTol)) {
        prompter.ShowMessage(managertexts::kZeroNormal, CPrompter::EIcon::Warning);
        return false;
    }
    // The normal is a direction: turned with the system, never shifted by its origin.
    const CCoordFrame frame = CCoordFrame::Active(doc);
    out = CClipPlane(name, input.active != 0 ? 1 : 0, frame.ToGlobal(input.point),
                     frame.DirToGlobal(input.normal));
    return true;
}
