// Selection, measuring and point localization commands on the active view, and the hooks
// through which the view's popups run the command table.

#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "app/TAVApp.h"
#include "tools/InfoDlg.h"
#include "tools/PointLocalizeDlg.h"
#include "tools/core/Measurement.h"
#include "view/FrameServices.h"
#include "view/TAVView.h"

void RegisterInteractionCommands(CTAVApp& app, CMainFrame& frame);

namespace {

using ViewTest = bool (*)(const CTAVView&);

bool AnySelection(const CTAVView& v) {
    return v.GetCurrentPick() >= 0 || !v.GetMultipleSelection().empty();
}

// A command of the active view, enabled by test (always when test is null).
void OnView(CMainFrame& frame, unsigned id, void (*run)(CTAVView&), ViewTest test) {
    frame.RegisterCommand(
        id,
        [&frame, run] {
            if (CTAVView* view = frame.ActiveView()) {
                run(*view);
            }
        },
        [&frame, test](CMainFrame::SCmdUI& ui) {
            const CTAVView* view = frame.ActiveView();
            ui.enabled = view != nullptr && (test == nullptr || test(*view));
        });
}

void OnInfo(CTAVView& view) {
    if (view.BeepIfBusy()) {
        return;
    }
    CTAVDoc& doc = *view.GetDocument();
    const int pick = view.GetCurrentPick();
    if (pick < 0 || pick >= doc.GetEntityCount()) {
        return;
    }
    ShowEntityInfo(*doc.GetEntity(pick), doc.Prompter(), &view);
}

void OnLocalizeMode(CTAVView& view) {
    uint16_t mask = view.m_localizationMask;
    int window = static_cast<int>(view.Locator().Window());
    CPointLocalizeDlg dlg(mask, window, &view);
    dlg.exec();
    view.m_localizationMask = mask;
    // The window size is the user's, for every view.
    settings::WriteInt(settings::kLocateWindow, window);
    if (CMainFrame* frame = GetMainFrame()) {
        for (CChildFrame* f : frame->ChildFrames()) {
            f->GetView()->Locator().SetWindow(window);
        }
    }
    view.Locator().SetWindow(window);
}

// A measuring command: check mark and prompt while its kind runs.
void OnMeasure(CMainFrame& frame, unsigned id, int kind, const char* prompt) {
    frame.RegisterCommand(
        id,
        [&frame, kind] {
            if (CTAVView* view = frame.ActiveView()) {
                view->OnMeasure(kind);
            }
        },
        [&frame, kind, prompt](CMainFrame::SCmdUI& ui) {
            const CTAVView* view = frame.ActiveView();
            ui.enabled = view != nullptr;
            ui.checked = view != nullptr && view->GetMeasureKind() == kind ? 1 : 0;
            if (ui.checked == 1) {
                frame.SetStatusText(prompt);
            }
        });
}

}  // namespace

void RegisterInteractionCommands(CTAVApp& app, CMainFrame& frame) {
    OnView(
        frame, 32771, [](CTAVView& v) { v.OnNextPick(); },
        [](const CTAVView& v) { return v.GetPickList().size() >= 2; });
    OnView(
        frame, 32772, [](CTAVView& v) { v.OnClearSelection(); }, AnySelection);
    OnView(
        frame, 32813, [](CTAVView& v) { v.OnDeleteSelected(); }, AnySelection);
    OnView(frame, 32797, OnInfo,
           [](const CTAVView& v) { return CanShowInfo(*v.GetDocument(), v.GetCurrentPick()); });
    OnView(frame, 32801, OnLocalizeMode, nullptr);
    OnMeasure(frame, 32818, kMeasureCoordinates, kPromptPoint);
    OnMeasure(frame, 32798, kMeasureLength, kPromptVertex);
    OnMeasure(frame, 32799, kMeasureArea, kPromptVertex);

    SFrameCommandHooks& hooks = FrameCommandHooks();
    hooks.run = [&frame](unsigned id) { return frame.Dispatch(id); };
    hooks.query = [&frame](unsigned id, int& checked) {
        const CMainFrame::SCmdUI ui = frame.QueryCommand(id);
        checked = ui.checked;
        return ui.enabled;
    };
    hooks.measurementText = MeasurementText;
    hooks.showInfo = [&app](const std::string& caption, const std::string& text) {
        app.Prompter().Run({QString::fromStdString(caption), QString::fromStdString(text),
                            CPrompter::EIcon::Information, CQtPrompter::EButtons::Ok});
    };
    // The hooks hold the frame: they go with it.
    QObject::connect(&frame, &QObject::destroyed, [] { FrameCommandHooks() = {}; });
}
