#pragma once

#include <string>

struct SAlignment;

// Everything the core asks of a person goes through this interface, so readers, the
// document and the geometry code never include a GUI toolkit. The GUI implements it with
// message boxes, tavcli with stderr, tests with a recording double.
class CPrompter {
public:
    enum class EIcon { None, Information, Warning, Error, Question, Stop };

    virtual ~CPrompter() = default;

    // Shows a message box with the given text; returns when the user has closed it.
    virtual void ShowMessage(const std::string& text, EIcon icon = EIcon::Warning) = 0;
    // Asks a Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text, EIcon icon = EIcon::Question) = 0;
    // The default system beep.
    virtual void Beep() = 0;
    // Wait cursor on (nesting counted by the implementation) and off; use CWaitCursor.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    // A file could not be opened, read or written; reason is a short English text.
    virtual void ReportFileError(const std::string& path, const std::string& reason) = 0;
    // How many messages about single bad lines one import shows before it only counts them: a
    // person clicks through ten, a log takes more.
    virtual int LineMessageLimit() const { return 10; }
    // Runs the three-point alignment dialog on values (pre-filled by the reader): true with the
    // confirmed values written back, false when cancelled. With no one to ask: cancelled.
    virtual bool RunAlignmentDialog(SAlignment& /*values*/) { return false; }
};

// The messages of one import about single bad lines: shown up to the prompter's limit, then
// counted, and the count said once at the end (Close, or destruction).
class CLineMessages {
public:
    explicit CLineMessages(CPrompter& prompter)
        : m_prompter(prompter), m_limit(prompter.LineMessageLimit()) {}
    ~CLineMessages() { Close(); }
    CLineMessages(const CLineMessages&) = delete;
    CLineMessages& operator=(const CLineMessages&) = delete;

    // Shows the message, or counts it once the limit is reached.
    void Show(const std::string& text, CPrompter::EIcon icon = CPrompter::EIcon::Warning) {
        if (m_shown < m_limit) {
            ++m_shown;
            m_prompter.ShowMessage(text, icon);
        } else {
            ++m_suppressed;
        }
    }
    // Says how many messages were not shown, if any; later calls say nothing more.
    void Close();
    // Messages shown so far.
    int Shown() const { return m_shown; }
    // Messages counted but not shown.
    int Suppressed() const { return m_suppressed; }

private:
    CPrompter& m_prompter;
    int m_limit;
    int m_shown = 0;
    int m_suppressed = 0;
    bool m_closed = false;
};

// Scoped wait cursor.
class CWaitCursor {
public:
    explicit CWaitCursor(CPrompter* prompter) : m_prompter(prompter) {
        if (m_prompter) {
            m_prompter->BeginWaitCursor();
        }
    }
    ~CWaitCursor() {
        if (m_prompter) {
            m_prompter->EndWaitCursor();
        }
    }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    CPrompter* m_prompter;
};

// Answers every question with a fixed value and shows nothing; for batch work.
class CSilentPrompter : public CPrompter {
public:
    explicit CSilentPrompter(bool answer = true) : m_answer(answer) {}
    void ShowMessage(const std::string&, EIcon) override {}
    bool AskYesNo(const std::string&, EIcon) override { return m_answer; }
    void Beep() override {}
    void ReportFileError(const std::string&, const std::string&) override {}

private:
    bool m_answer;
};
