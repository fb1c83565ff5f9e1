#include "view/core/Selection.h"

#include <algorithm>
#include <cstdio>

#include "document/Prompter.h"
#include "document/TAVDoc.h"

namespace {

bool IsPickable(const CTAVDoc& doc, unsigned name) {
    if (name >= static_cast<unsigned>(doc.GetEntityCount())) {
        return false;
    }
    const int layer = doc.GetEntity(static_cast<int>(name))->m_layer;
    // An entity on a layer the table does not hold counts as unlocked, as it is drawn.
    return layer < 0 || layer >= doc.GetLayerCount() || doc.GetLayer(layer).m_locked == 0;
}

}  // namespace

bool InsertSorted(std::vector<int>& list, int index) {
    const auto it = std::lower_bound(list.begin(), list.end(), index);
    if (it != list.end() && *it == index) {
        return false;
    }
    list.insert(it, index);
    return true;
}

bool ClearSelection(SSelectionRefs s, bool all) {
    s.editHandle = -1;
    s.currentPick = -1;
    if (!all) {
        return false;
    }
    const bool had = !s.pickList.empty() || !s.multiSelection.empty();
    s.pickList.clear();
    s.multiSelection.clear();
    s.cycleIndex = 0;
    return had;
}

bool HasSelection(const SSelectionRefs& s) {
    return s.currentPick >= 0 || !s.multiSelection.empty();
}

bool NextPick(SSelectionRefs s) {
    const int n = static_cast<int>(s.pickList.size());
    if (n < 2) {
        return false;
    }
    s.cycleIndex = (std::max(s.cycleIndex, 0) + 1) % n;
    s.currentPick = s.pickList[static_cast<size_t>(s.cycleIndex)];
    return true;
}

std::string SelectedCountText(int count, bool pickListHasMore) {
    char text[160];
    if (pickListHasMore) {
        std::snprintf(text, sizeof text, kSelectedCountMoreFormat, count);
        return text;
    }
    std::snprintf(text, sizeof text, kSelectedCountFormat, count);
    // The blanks overwrite the longer text of an earlier pick.
    return std::string(text) + std::string(50, ' ');
}

SPickOutcome ApplyPick(SSelectionRefs s, bool shift, std::span<const unsigned> names,
                       const CTAVDoc& doc) {
    const bool hadSelection = !s.pickList.empty() || !s.multiSelection.empty();
    if (shift && s.currentPick >= 0) {
        const int current = s.currentPick;
        s.pickList.clear();
        s.multiSelection.assign(1, current);
        s.currentPick = -1;
    }
    ClearSelection(s, !shift);
    std::vector<int>& target = shift ? s.multiSelection : s.pickList;
    for (unsigned name : names) {
        if (IsPickable(doc, name)) {
            InsertSorted(target, static_cast<int>(name));
        }
    }
    SPickOutcome out;
    out.targetCount = static_cast<int>(target.size());
    out.status = SelectedCountText(out.targetCount, s.pickList.size() > 1);
    if (target.empty()) {
        out.changed = hadSelection;
        return out;
    }
    if (!s.pickList.empty()) {
        s.cycleIndex = 0;
        s.currentPick = s.pickList.front();
    }
    out.changed = true;
    return out;
}

std::vector<int> EntitiesToDelete(const SSelectionRefs& s, const CTAVDoc& doc) {
    std::vector<int> out;
    const int count = doc.GetEntityCount();
    if (s.currentPick >= 0) {
        if (s.currentPick < count) {
            out.push_back(s.currentPick);
        }
        return out;
    }
    for (int i : s.multiSelection) {
        if (i >= 0 && i < count) {
            out.push_back(i);
        }
    }
    std::sort(out.begin(), out.end(), std::greater<>());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

int DeleteSelection(CTAVDoc& doc, SSelectionRefs s) {
    if (!HasSelection(s)) {
        return 0;
    }
    if (doc.GetBusy()) {
        doc.Prompter().Beep();
        return 0;
    }
    if (!doc.Prompter().AskYesNo(kDeleteQuestion, CPrompter::EIcon::Stop)) {
        return 0;
    }
    CDocStep step(doc, stepnames::kDelete);
    // Copied first: the removal tells the views, which empty their lists.
    const int removed = doc.RemoveEntities(EntitiesToDelete(s, doc));
    s.pickList.clear();
    s.multiSelection.clear();
    s.currentPick = -1;
    s.cycleIndex = 0;
    doc.RecomputeExtents();
    doc.SetModifiedFlag(true);
    doc.InvalidateViews();
    doc.UpdateAllViews(0);
    return removed;
}

bool CanShowInfo(const CTAVDoc& doc, int currentPick) {
    return currentPick >= 0 && currentPick < doc.GetEntityCount() &&
           doc.GetEntity(currentPick)->GetType() != kTypeText;
}
