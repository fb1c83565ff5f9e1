// The layer and clipping plane managers and "Edytuj Dane" on the active document.

#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/OpenDoc.h"
#include "app/TAVApp.h"
#include "tools/ClipPlaneDialogs.h"
#include "tools/DataDialogs.h"
#include "tools/LayerDialog.h"
#include "view/TAVView.h"

void RegisterManagerCommands(CTAVApp& app, CMainFrame& frame);

namespace {

// The limit of active planes as the document's first view read it (0: none yet).
int FirstViewClipPlaneLimit(const COpenDoc& doc) {
    for (const CChildFrame* child : doc.Frames()) {
        if (const CTAVView* view = child->GetView()) {
            return view->Renderer().GetMaxClipPlanes();
        }
    }
    return 0;
}

bool HasView(const COpenDoc& doc) {
    for (const CChildFrame* child : doc.Frames()) {
        if (child->GetView() != nullptr) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RegisterManagerCommands(CTAVApp& app, CMainFrame& frame) {
    frame.RegisterCommand(
        cmd::kLayers,
        [&app, &frame] {
            if (COpenDoc* doc = frame.ActiveDocument()) {
                OnLayers(doc->Doc(), app.Prompter(), &frame);
            }
        },
        CMainFrame::NeedsDocument(&frame));
    frame.RegisterCommand(
        cmd::kClipPlanes,
        [&app, &frame] {
            COpenDoc* doc = frame.ActiveDocument();
            if (doc != nullptr && HasView(*doc)) {
                OnClipPlanes(doc->Doc(), FirstViewClipPlaneLimit(*doc), app.Prompter(), &frame);
            }
        },
        CMainFrame::NeedsDocument(&frame));
    frame.RegisterCommand(
        cmd::kEditData,
        [&app, &frame] {
            if (CTAVView* view = frame.ActiveView()) {
                OnEditData(*view->GetDocument(), view->GetCurrentPick(), app.Prompter(), &frame);
            }
        },
        [&frame](CMainFrame::SCmdUI& ui) {
            const CTAVView* view = frame.ActiveView();
            ui.enabled = view != nullptr && view->GetCurrentPick() >= 0;
        });
}
