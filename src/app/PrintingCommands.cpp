// Printing commands: the settings dialog (32803), printing through the print dialog (57607),
// printing at once (the command line's print request), the print preview (57609).

#include <QPointer>
#include <QTimer>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/QtProgress.h"
#include "app/TAVApp.h"
#include "printing/DataPrinting.h"
#include "printing/PrintSetupDlg.h"
#include "printing/ViewPrinting.h"
#include "tools/DataDialogs.h"
#include "view/TAVView.h"

namespace {

// Runs command id once the current event is over, as a posted command would.
void Post(CMainFrame& frame, unsigned id) {
    QTimer::singleShot(0, &frame, [&frame, id] { frame.Dispatch(id); });
}

// "&Drukuj...": the settings dialog, then what its closing button asks for.
void OnPrintSettings(CMainFrame& frame, CTAVView& view) {
    if (view.BeepIfBusy()) {
        return;
    }
    CPrintSetupDlg dialog(ViewPrintSettings(view), view.GetDocument()->Prompter(), &frame);
    dialog.exec();
    if (dialog.Result() == CPrintSetupDlg::kCancelled) {
        return;
    }
    ViewPrintSettings(view) = dialog.Settings();
    switch (dialog.Result()) {
        case CPrintSetupDlg::kPreview:
            Post(frame, cmd::kPrintPreview);
            break;
        case CPrintSetupDlg::kPick:
            BeginPrintWindowPick(view, [&frame] { Post(frame, cmd::kPrintSettings); });
            break;
        case CPrintSetupDlg::kPrint:
            Post(frame, cmd::kPrint);
            break;
        default:
            break;
    }
}

}  // namespace

void RegisterPrintingCommands(CTAVApp& app, CMainFrame& frame) {
    SetDataPrintHandler(PrintDataTree);
    const CMainFrame::Updater needsView = [&frame](CMainFrame::SCmdUI& ui) {
        ui.enabled = frame.ActiveView() != nullptr;
    };
    frame.RegisterCommand(
        cmd::kPrintSettings,
        [&frame] {
            if (CTAVView* view = frame.ActiveView()) {
                OnPrintSettings(frame, *view);
            }
        },
        needsView);
    frame.RegisterCommand(
        cmd::kPrint,
        [&app, &frame] {
            if (CTAVView* view = frame.ActiveView()) {
                CQtProgress progress(&frame, view->GetDocument());
                RunPrintDialog(*view, app.Printer(), &frame, &progress);
            }
        },
        needsView);
    frame.RegisterCommand(
        cmd::kPrintDirect,
        [&app, &frame] {
            if (CTAVView* view = frame.ActiveView()) {
                CQtProgress progress(&frame, view->GetDocument());
                PrintView(*view, app.Printer(), false, 0, 0, &progress);
            }
        },
        needsView);
    frame.RegisterCommand(
        cmd::kPrintPreview,
        [&app, &frame] {
            if (CTAVView* view = frame.ActiveView(); view != nullptr && !view->BeepIfBusy()) {
                CQtProgress progress(&frame, view->GetDocument());
                RunPrintPreview(*view, app.Printer(), &frame, &progress);
            }
        },
        needsView);
}
