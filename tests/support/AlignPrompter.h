#pragma once

#include <functional>
#include <string>
#include <vector>

#include "exchange/Alignment.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"

// "0 0 0 x=1 0 0 y=0 1 0 -> 0 0 0 x=1 0 0 y=0 1 0": the model's origin and axis points, then
// the drawing's; " left" ends it when the system is left-handed.
inline std::string Describe(const SAlignment& a, int decimals = -1) {
    const auto side = [decimals](const CPoint3& o, int first, const CPoint3& p, int second,
                                 const CPoint3& q) {
        return Xyz(o, decimals) + " " + "xyz"[first % 3] + "=" + Xyz(p, decimals) + " " +
               "xyz"[second % 3] + "=" + Xyz(q, decimals);
    };
    return side(a.modelOrigin, a.modelFirstAxis, a.modelFirstPoint, a.modelSecondAxis,
                a.modelSecondPoint) +
           " -> " +
           side(a.drawingOrigin, a.drawingFirstAxis, a.drawingFirstPoint, a.drawingSecondAxis,
                a.drawingSecondPoint) +
           (a.leftHanded ? " left" : "");
}

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
