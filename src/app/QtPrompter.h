#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "document/Prompter.h"

// The prompter of the program: message boxes, beeps, the wait cursor and the file dialogs of
// the shell. Every box and file dialog goes through one runner, so tests can answer them
// without a modal window.
class CQtPrompter : public CPrompter {
public:
    enum class EButtons { Ok, YesNo, YesNoCancel };
    enum class EAnswer { Ok, Yes, No, Cancel };

    // A message box as it is about to be shown.
    struct SBox {
        QString title;
        QString text;
        EIcon icon;
        EButtons buttons;
    };

    // A file dialog as it is about to be shown; filterIndex is 1-based.
    struct SFileRequest {
        bool save = false;
        QString title;
        QString fileName;
        QStringList filters;
        int filterIndex = 1;
        QString defaultSuffix;
        // When given, the default suffix of each filter (it follows the selected filter).
        QStringList filterSuffixes;
    };
    // What the user chose; an empty path means cancelled.
    struct SFileAnswer {
        QString path;
        int filterIndex = 1;
    };

    using BoxRunner = std::function<EAnswer(const SBox&)>;
    using FileRunner = std::function<SFileAnswer(const SFileRequest&)>;
    using AlignmentRunner = std::function<bool(SAlignment&)>;

    // Boxes are centred on parent (may be null).
    explicit CQtPrompter(QWidget* parent = nullptr);

    void SetParentWidget(QWidget* parent) { m_parent = parent; }
    // Replaces the modal QMessageBox by runner; an empty runner restores it.
    void SetBoxRunner(BoxRunner runner) { m_boxRunner = std::move(runner); }
    // Replaces the modal QFileDialog by runner; an empty runner restores it.
    void SetFileRunner(FileRunner runner) { m_fileRunner = std::move(runner); }
    // Replaces the modal alignment dialog by runner; an empty runner restores it.
    void SetAlignmentRunner(AlignmentRunner runner) { m_alignmentRunner = std::move(runner); }

    void ShowMessage(const std::string& text, EIcon icon = EIcon::Warning) override;
    bool AskYesNo(const std::string& text, EIcon icon = EIcon::Question) override;
    void Beep() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    // Shows the path and, on the next line, the reason (a warning box).
    void ReportFileError(const std::string& path, const std::string& reason) override;
    // The three-point alignment dialog; true with the confirmed values written back.
    bool RunAlignmentDialog(SAlignment& values) override;

    // Yes, No or Cancel (closing the box counts as Cancel).
    EAnswer AskYesNoCancel(const QString& text, EIcon icon = EIcon::Warning);
    // Shows any box; returns the button chosen.
    EAnswer Run(const SBox& box);
    // Shows a file dialog; an empty path when cancelled.
    SFileAnswer ChooseFile(const SFileRequest& request);

    // Number of beeps so far.
    int BeepCount() const { return m_beeps; }

private:
    EAnswer RunMessageBox(const SBox& box);
    SFileAnswer RunFileDialog(const SFileRequest& request);

    QPointer<QWidget> m_parent;
    BoxRunner m_boxRunner;
    FileRunner m_fileRunner;
    AlignmentRunner m_alignmentRunner;
    int m_beeps = 0;
    int m_waitDepth = 0;
};
