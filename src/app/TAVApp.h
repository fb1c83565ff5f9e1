#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/QtPrompter.h"

class CChildFrame;
class CHelpWindow;
class CMainFrame;
class COpenDoc;
class CRecoveryKeeper;
class QPrinter;

// What the command line asks for: files to open, or with -p files to print.
struct SCommandLine {
    bool print = false;
    QStringList files;
};

// Splits the arguments (program name excluded): "-p" or "/p" asks to print the files that
// follow, "--" ends the options, other options are ignored.
SCommandLine ParseCommandLine(const QStringList& args);

// The application object: start-up, the open documents and their windows, the document
// commands (new, open, save, close, exit), the recent-file list, help and the About box.
// Needs a QApplication; there is one at a time.
class CTAVApp : public QObject {
    Q_OBJECT
public:
    CTAVApp();
    // Closes every document without asking and deletes the main frame.
    ~CTAVApp() override;

    // The living application object, or nullptr.
    static CTAVApp* Instance();

    // Builds the main frame, the attribute data templates and processes the command line
    // (arguments without the program name). show = false keeps the main window hidden (tests).
    // False when the program should end at once; ExitCode() then says how.
    bool InitInstance(const QStringList& args, bool show = true);
    int ExitCode() const { return m_exitCode; }

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CQtPrompter& Prompter() { return m_prompter; }
    // The printer chosen with "D&rukarka..." (created on first use).
    QPrinter& Printer();
    // The recovery copies of this run; nullptr while printing from the command line.
    CRecoveryKeeper* Recovery() const { return m_recovery.get(); }

    // --- documents ---
    const std::vector<std::unique_ptr<COpenDoc>>& Documents() const { return m_docs; }
    // A new empty document "TAV<n>" in its own window.
    COpenDoc* OnFileNew();
    // Asks for a .tav file and opens it.
    void OnFileOpen();
    // Opens path in a new window, or activates the window of the document already open from
    // it. Failures are reported; nullptr then.
    COpenDoc* OpenDocumentFile(const QString& path);
    // A drawing read from the bytes of a recovery copy, in a new window titled like a new
    // drawing: modified, without a path, originalTitle shown beside its title. nullptr (error
    // filled in, nothing opened) when the bytes are no document.
    COpenDoc* OpenRecovered(std::span<const uint8_t> bytes, const QString& originalTitle,
                            std::string& error);
    // Saves under the document's path, asking for one when it has none.
    bool OnFileSave(COpenDoc& doc);
    // Asks for a path and saves there.
    bool OnFileSaveAs(COpenDoc& doc);
    // Asks "save changes?" for a modified document: Yes saves (false when that fails), No goes
    // on, Cancel returns false.
    bool SaveModified(COpenDoc& doc);
    // SaveModified for every document; false as soon as one says stop.
    bool SaveAllModified();
    // Closes every window of doc after SaveModified; false when kept open.
    bool CloseDocument(COpenDoc& doc);
    // A further window on doc.
    CChildFrame* OnWindowNew(COpenDoc& doc);
    // The recent-file list, most recent first.
    const QStringList& RecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const QString& path);

    // --- other commands ---
    void OnAppAbout();
    void OnHelp();
    void OnFilePrintSetup();
    // Closes the main window (asking for modified documents).
    void OnAppExit();

private:
    CChildFrame* CreateFrame(COpenDoc& doc);
    COpenDoc* FindDocument(const QString& path) const;
    bool DoSave(COpenDoc& doc, bool askPath);
    void CloseAllDocuments();
    bool CanCloseFrame(CChildFrame& frame);
    void OnFrameDetached(CChildFrame& frame);
    void RegisterAppCommands();
    void OpenRecentFile(int index);
    bool PrintFromCommandLine(const QStringList& files);

    CQtPrompter m_prompter;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::vector<std::unique_ptr<COpenDoc>> m_docs;
    QStringList m_recentFiles;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<CRecoveryKeeper> m_recovery;
    QPointer<CHelpWindow> m_helpWindow;
    int m_untitledCount = 0;
    int m_exitCode = 0;
    bool m_closingWithoutAsking = false;
};

// Registers the handlers of commands that live outside the shell (import, and what comes
// with the view and the tools) with the main frame.
void RegisterFeatureCommands(CTAVApp& app, CMainFrame& frame);
