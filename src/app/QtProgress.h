#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <chrono>

#include "document/Progress.h"

class CPrompter;
class CTAVDoc;
class QWidget;

// Progress of long work in the program. From Begin to End the document is busy (commands that
// would change it only beep) and the program counts as working (windows do not close, commands
// do not run). Work that lasts longer than about half a second shows an application-modal
// progress dialog with "Przerwij"; while it is shown each report lets events through, so the
// dialog paints and the button works. Begin within Begin only renames the work.
class CQtProgress : public CProgress {
public:
    // parent: the dialog's parent; doc (may be null): the document marked busy meanwhile.
    CQtProgress(QWidget* parent, CTAVDoc* doc);
    // Ends work that is still running.
    ~CQtProgress() override;
    CQtProgress(const CQtProgress&) = delete;
    CQtProgress& operator=(const CQtProgress&) = delete;

    void Begin(const std::string& title) override;
    // Shows the dialog once the work has lasted long enough; false after "Przerwij" (or closing
    // the dialog).
    bool Report(double fraction) override;
    void End() override;
    std::chrono::milliseconds Interval() const override;

    // The dialog while it is shown, else nullptr.
    QProgressDialog* Dialog() const { return m_dialog; }

    // True while any work seen by a CQtProgress runs.
    static bool IsWorkRunning();
    // How long work runs before its dialog shows (500 ms) and the least time between reports
    // (50 ms); tests shorten them.
    static void SetTiming(std::chrono::milliseconds showAfter, std::chrono::milliseconds interval);

private:
    void Show();
    void Hide();

    QWidget* m_parent;
    CTAVDoc* m_doc;
    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_started;
    QString m_title;
    int m_depth = 0;
    bool m_wasBusy = false;
    bool m_cancelled = false;
    bool m_cursorPushed = false;
};

// While work with a progress runs: beeps through prompter (the system's beep when null) and
// returns true, so that the caller refuses what it was asked (a command, closing a window,
// opening a dropped file). False otherwise.
bool RefuseWhileWorkRuns(CPrompter* prompter);
