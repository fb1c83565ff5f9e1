// Handlers of the commands that the shell only carries: each feature adds its registration
// here, and a command without one stays disabled.

#include <QFileInfo>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/OpenDoc.h"
#include "app/QtProgress.h"
#include "app/SurveyImportDlg.h"
#include "app/TAVApp.h"
#include "exchange/DxfExport.h"
#include "exchange/ImportCommand.h"
#include "exchange/PointListCsv.h"
#include "tools/DistanceReportDlg.h"
#include "view/TAVView.h"

namespace {

// "&Import...": the reader is chosen by the filter selected in the dialog; the dialog opens on
// the filter of every supported file, which goes by the file's extension.
void OnFileImport(CTAVApp& app, COpenDoc& doc) {
    CQtPrompter::SFileRequest request;
    request.title = QStringLiteral("Import");
    for (int i = 0; i < kImportFilterCount; ++i) {
        request.filters.append(QString::fromUtf8(ImportFilters()[i].text));
    }
    request.filterIndex = kImportFilterAll;
    const CQtPrompter::SFileAnswer answer = app.Prompter().ChooseFile(request);
    if (answer.path.isEmpty()) {
        return;
    }
    const std::string path = QFileInfo(answer.path).absoluteFilePath().toStdString();
    SImportOptions options = ImportOptionsFromSettings();
    // A delimited list asks for its separator and columns; every other file is read at once.
    const QString suffix = QFileInfo(answer.path).suffix().toLower();
    if (answer.filterIndex == kImportFilterCsv ||
        (answer.filterIndex == kImportFilterAll &&
         (suffix == QLatin1String("csv") || suffix == QLatin1String("txt")))) {
        QStringList lines;
        for (const std::string& l : PointListPreview(SImportSource::File(path), 10)) {
            lines.append(QString::fromStdString(l));
        }
        CPointListDialog dialog(lines, app.MainFrame());
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        options.separator = dialog.Separator();
        options.columns = dialog.Columns().toStdString();
    }
    CQtProgress progress(app.MainFrame(), &doc.Doc());
    options.progress = &progress;
    ImportByFilterIndex(doc.Doc(), answer.filterIndex, path, options);
}

// "&Eksportuj...": the drawing as DXF, or its points as a delimited list, under a name
// proposed from the document's path.
void OnFileExport(CTAVApp& app, COpenDoc& doc) {
    CQtPrompter::SFileRequest request;
    request.save = true;
    request.title = QStringLiteral("Eksport");
    request.filters = {QStringLiteral("Autodesk DXF (*.dxf)"),
                       QStringLiteral("Punkty jako tekst CSV (*.csv)")};
    request.filterSuffixes = {QStringLiteral("dxf"), QStringLiteral("csv")};
    request.defaultSuffix = QStringLiteral("dxf");
    request.fileName = QString::fromStdString(ProposeExportName(doc.Doc().GetPathName()));
    const CQtPrompter::SFileAnswer answer = app.Prompter().ChooseFile(request);
    if (answer.path.isEmpty() || (answer.filterIndex != 1 && answer.filterIndex != 2)) {
        return;
    }
    CQtProgress progress(app.MainFrame(), &doc.Doc());
    const std::string path = QFileInfo(answer.path).absoluteFilePath().toStdString();
    if (answer.filterIndex == 2) {
        ExportPointsCsv(doc.Doc(), path, {}, &progress);
        return;
    }
    ExportDxfFile(doc.Doc(), path, &progress);
}

// "&Raport o odległościach punktów": the report of the active document, its file asked through
// the program's file dialog.
void OnReport(CTAVApp& app, CMainFrame& frame) {
    COpenDoc* doc = frame.ActiveDocument();
    if (doc == nullptr) {
        return;
    }
    if (doc->Doc().GetBusy()) {
        doc->Doc().Prompter().Beep();
        return;
    }
    const auto choose = [&app](const std::string& proposed) {
        CQtPrompter::SFileRequest request;
        request.save = true;
        for (size_t i = 0; i < std::size(kReportFileFilters); ++i) {
            request.filters.append(QString::fromUtf8(kReportFileFilters[i]));
            request.filterSuffixes.append(QString::fromUtf8(kReportFileSuffixes[i]));
        }
        request.defaultSuffix = request.filterSuffixes.front();
        request.fileName = QString::fromStdString(proposed);
        return app.Prompter().ChooseFile(request).path.toStdString();
    };
    CQtProgress progress(&frame, &doc->Doc());
    OnDistanceReport(doc->Doc(), frame.ActiveView(), choose, &progress);
}

}  // namespace

void RegisterPrintingCommands(CTAVApp& app, CMainFrame& frame);
void RegisterEditingCommands(CTAVApp& app, CMainFrame& frame);
void RegisterInteractionCommands(CTAVApp& app, CMainFrame& frame);
void RegisterManagerCommands(CTAVApp& app, CMainFrame& frame);
void RegisterFeatureCommands(CTAVApp& app, CMainFrame& frame) {
    RegisterPrintingCommands(app, frame);
    RegisterEditingCommands(app, frame);
    RegisterInteractionCommands(app, frame);
    RegisterManagerCommands(app, frame);
    frame.RegisterCommand(
        cmd::kImport,
        [&app, &frame] {
            if (COpenDoc* doc = frame.ActiveDocument()) {
                OnFileImport(app, *doc);
            }
        },
        CMainFrame::NeedsDocument(&frame));
    frame.RegisterCommand(
        cmd::kExport,
        [&app, &frame] {
            if (COpenDoc* doc = frame.ActiveDocument()) {
                OnFileExport(app, *doc);
            }
        },
        CMainFrame::NeedsDocument(&frame));
    frame.RegisterCommand(
        cmd::kDistanceReport, [&app, &frame] { OnReport(app, frame); },
        CMainFrame::NeedsDocument(&frame));
    frame.RegisterCommand(cmd::kGsiUnit, [&frame] {
        CGsiUnitDialog dialog(&frame);
        dialog.exec();
    });
    // The view's own commands act on the active view.
    for (const CTAVView::SViewCommand& c : CTAVView::Commands()) {
        frame.RegisterCommand(
            c.id,
            [&frame, run = c.run] {
                if (CTAVView* view = frame.ActiveView()) {
                    run(*view);
                }
            },
            [&frame, update = c.update](CMainFrame::SCmdUI& ui) {
                const CTAVView* view = frame.ActiveView();
                ui.enabled = view != nullptr;
                if (view != nullptr) {
                    update(*view, ui.enabled, ui.checked);
                }
            });
    }
}
