#pragma once

#include <functional>
#include <vector>

#include "exchange/Alignment.h"
#include "support/RecordingPrompter.h"

// A recording prompter that also answers the alignment dialog: it records the pre-filled
// values, lets the test edit them, and confirms (or cancels when confirm is false).
class CAlignPrompter : public CRecordingPrompter {
public:
    bool RunAlignmentDialog(SAlignment& values) override {
        shown.push_back(values);
        if (!confirm) {
            return false;
        }
        if (edit) {
            edit(values);
        }
        return true;
    }

    std::vector<SAlignment> shown;
    bool confirm = true;
    std::function<void(SAlignment&)> edit;
};
