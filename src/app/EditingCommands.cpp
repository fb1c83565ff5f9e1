// Undo and redo, the drawing commands, "Edytuj wybrane" and the coordinate system manager on
// the active view.

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/OpenDoc.h"
#include "app/TAVApp.h"
#include "document/Entity.h"
#include "tools/CoordSystemsDialog.h"
#include "tools/EntityDialog.h"
#include "view/TAVView.h"

void RegisterEditingCommands(CTAVApp& app, CMainFrame& frame);

namespace {

void OnView(CMainFrame& frame, unsigned id, void (*run)(CTAVView&)) {
    frame.RegisterCommand(
        id,
        [&frame, run] {
            if (CTAVView* view = frame.ActiveView()) {
                run(*view);
            }
        },
        [&frame](CMainFrame::SCmdUI& ui) { ui.enabled = frame.ActiveView() != nullptr; });
}

template <int Type>
void NewEntity(CTAVView& view) {
    StartNewEntityDialog(view, Type);
}

// "&Cofnij: Import\tCtrl+Z" while there is a step to take back, "&Cofnij\tCtrl+Z" otherwise.
std::string StepMenuText(const char* verb, const std::string& step, const char* key) {
    return std::string(verb) + (step.empty() ? "" : ": " + step) + "\t" + key;
}

void RegisterHistoryCommand(CMainFrame& frame, unsigned id, bool undo) {
    frame.RegisterCommand(
        id,
        [&frame, undo] {
            if (COpenDoc* open = frame.ActiveDocument()) {
                CTAVDoc& doc = open->Doc();
                // The document beeps when it is busy; the command stays enabled so that the
                // keys are heard.
                if (undo ? doc.Undo() : doc.Redo()) {
                    frame.ShowDocumentLayers(&doc);
                }
            }
        },
        [&frame, undo](CMainFrame::SCmdUI& ui) {
            const COpenDoc* open = frame.ActiveDocument();
            const CDocHistory* h = open != nullptr ? &open->Doc().History() : nullptr;
            ui.enabled = h != nullptr && (undo ? h->CanUndo() : h->CanRedo());
            const std::string step = h == nullptr ? "" : undo ? h->UndoName() : h->RedoName();
            ui.text = undo ? StepMenuText("&Cofnij", step, "Ctrl+Z")
                           : StepMenuText("&Ponów", step, "Ctrl+Y");
        });
}

}  // namespace

void RegisterEditingCommands(CTAVApp&, CMainFrame& frame) {
    RegisterHistoryCommand(frame, cmd::kUndo, true);
    RegisterHistoryCommand(frame, cmd::kRedo, false);
    OnView(frame, cmd::kNewPoint, NewEntity<kTypePoint>);
    OnView(frame, cmd::kNewPolyline, NewEntity<kTypePolyline>);
    OnView(frame, cmd::kNewPolygon, NewEntity<kTypePolygon>);
    OnView(frame, cmd::kNewText, NewEntity<kTypeText>);
    OnView(frame, cmd::kNewArc, NewEntity<kTypeArc>);
    OnView(frame, cmd::kCoordSystems, [](CTAVView& view) { RunCoordSystemsCommand(view); });
    frame.RegisterCommand(
        cmd::kEditSelected,
        [&frame] {
            if (CTAVView* view = frame.ActiveView()) {
                EditSelected(*view);
            }
        },
        [&frame](CMainFrame::SCmdUI& ui) {
            const CTAVView* view = frame.ActiveView();
            ui.enabled = view != nullptr && (view->Renderer().m_currentPick >= 0 ||
                                             !view->Renderer().m_multiSelection.empty());
        });
}
