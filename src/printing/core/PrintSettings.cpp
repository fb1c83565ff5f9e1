#include "printing/core/PrintSettings.h"

#include <cmath>

double PrintUnitsToDots(double units, int dpi) {
    return dpi >= 1 ? units * dpi / kPrintUnitDpi : units;
}

int CPrintSettings::PenWidth() const {
    return m_lineWidthIndex >= 1 && m_lineWidthIndex <= 8 ? m_lineWidthIndex : 1;
}

SPrintCheck ValidatePrintSettings(const CPrintSettings& s, bool picking) {
    SPrintCheck check;
    auto refuse = [&check](unsigned id, const char* text, int focus) {
        check.ok = false;
        check.messageId = id;
        check.message = text;
        check.focusId = focus;
        return check;
    };
    // "!(x > 0)" also catches NaN; an infinite factor would make the scale 0 or infinite.
    auto bad = [](double v) { return !(v > 0.0) || !std::isfinite(v); };
    if (!s.m_fit && (bad(s.m_mmOnPaper) || bad(s.m_drawingUnits))) {
        return refuse(kPrintScaleMsgId, kPrintScaleMsg,
                      bad(s.m_mmOnPaper) ? printctl::kMm : printctl::kUnits);
    }
    if (s.m_areaMode == 1 && !picking) {
        if (!(s.m_x2 > s.m_x1) || !std::isfinite(s.m_x2 - s.m_x1)) {
            return refuse(kPrintWindowMsgId, kPrintWindowMsg, printctl::kX2);
        }
        if (!(s.m_y2 > s.m_y1) || !std::isfinite(s.m_y2 - s.m_y1)) {
            return refuse(kPrintWindowMsgId, kPrintWindowMsg, printctl::kY2);
        }
    }
    return check;
}

std::string TooManyPagesMessage(int64_t pages) {
    return "Wydruk w tej skali zająłby " + std::to_string(pages) +
           " stron; można drukować najwyżej " + std::to_string(kPrintMaxPages) + ".";
}
