#include "document/Prompter.h"

#include <cstdio>

void CLineMessages::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    if (m_suppressed > 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Pominięto komunikaty o kolejnych błędnych wierszach pliku: %d.",
                      m_suppressed);
        m_prompter.ShowMessage(text, CPrompter::EIcon::Warning);
    }
}
