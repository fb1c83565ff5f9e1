#pragma once

// The point distance report: dialog 179 "Raport odległości punktów" (every control's
// objectName is its control id) and the command that joins it to the matching, the save
// dialog and the writers.

#include <QDialog>
#include <QLocale>
#include <functional>
#include <string>

#include "exchange/DistanceReport.h"

class CProgress;
class CPrompter;
class CTAVDoc;
class QCheckBox;
class QLineEdit;

class CDistanceReportDlg : public QDialog {
    Q_OBJECT
public:
    // All texts start empty, both numbers at -1; prompter shows the dialog's messages.
    explicit CDistanceReportDlg(CPrompter& prompter, QWidget* parent = nullptr);

    // The names and flag confirmed with OK (the empty query until then).
    const SReportQuery& Values() const { return m_values; }

    // Reads the controls in order: a start text that is not an integer in 0..1000000 gives the
    // range message, names that cannot be told apart give message 41527 (focus on 1116); either
    // keeps the dialog open.
    void accept() override;

private:
    CPrompter& m_prompter;
    SReportQuery m_values;
    QLineEdit* m_idealPrefix;
    QLineEdit* m_idealStart;
    QLineEdit* m_measuredPrefix;
    QLineEdit* m_measuredStart;
    QCheckBox* m_local;
};

// The report's number form and stamp from a Qt locale: its decimal point, group separator
// (none when the locale omits it) and minus sign with three decimals; its short date and its
// long time without the time zone, from the local clock.
SReportFormat LocaleReportFormat(const QLocale& locale = QLocale::system());

// Asks for the report file, given the proposed name; "" when cancelled.
using ReportFileChooser = std::function<std::string(const std::string& proposedName)>;

// The save dialog of the report: these filters, each with its default extension, the first
// selected; a file is replaced only after asking.
inline constexpr const char* kReportFileFilters[] = {
    "Pliki tekstowe (*.txt)", "Pliki tekstowe CSV (*.csv)", "Wszystkie pliki (*.*)"};
inline constexpr const char* kReportFileSuffixes[] = {"txt", "csv", "txt"};

// The report command (menu id 32808): the dialog, the matching with its messages, the save
// dialog (chooseFile) and the writer chosen by the extension, with the user's locale. Messages
// go through the document's prompter; progress, when given, sees the matching and the writing.
void OnDistanceReport(CTAVDoc& doc, QWidget* parent, const ReportFileChooser& chooseFile,
                      CProgress* progress = nullptr);
