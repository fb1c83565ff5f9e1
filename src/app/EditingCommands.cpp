// The drawing commands, "Edytuj wybrane" and the coordinate system manager on the active view.

#include "app/CommandTable.h"
#include "app/MainFrame.h"
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

}  // namespace

void RegisterEditingCommands(CTAVApp&, CMainFrame& frame) {
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
