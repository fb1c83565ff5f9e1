// Opening the entity dialogs: from the draw commands for a new entity and from "Edytuj
// wybrane" for the selection.

#include <memory>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "tools/ArcDialog.h"
#include "tools/EntityDialog.h"
#include "tools/PointDialog.h"
#include "tools/PolyDialog.h"
#include "tools/PropertiesDialog.h"
#include "tools/TextDialog.h"
#include "tools/core/EditTexts.h"
#include "view/TAVView.h"

namespace {

std::unique_ptr<CEntityDialog> MakeDialog(CTAVView& view, int typeCode) {
    switch (typeCode) {
        case kTypePoint:
            return std::make_unique<CPointDialog>(view);
        case kTypePolyline:
        case kTypePolygon:
            return std::make_unique<CPolyDialog>(view);
        case kTypeArc:
            return std::make_unique<CArcDialog>(view);
        case kTypeText:
            return std::make_unique<CTextDialog>(view);
        default:
            return nullptr;
    }
}

}  // namespace

CEntityDialog* StartNewEntityDialog(CTAVView& view, int typeCode) {
    CTAVDoc& doc = *view.GetDocument();
    if (doc.GetBusy()) {
        doc.Prompter().Beep();
        return nullptr;
    }
    std::unique_ptr<CEntityDialog> dlg = MakeDialog(view, typeCode);
    std::unique_ptr<CEntity> entity = MakeNewEntity(doc, typeCode);
    if (!dlg || !entity) {
        doc.Prompter().ShowMessage(kDialogCreateError, CPrompter::EIcon::Error);
        return nullptr;
    }
    if (auto* poly = dynamic_cast<CPoly*>(entity.get())) {
        poly->m_closed = typeCode == kTypePolygon ? 1 : 0;
    }
    if (!dlg->BeginNew(std::move(entity))) {
        doc.Prompter().ShowMessage(kDialogCreateError, CPrompter::EIcon::Error);
        return nullptr;
    }
    CEntityDialog* shown = dlg.release();
    shown->show();
    return shown;
}

CEntityDialog* StartEditEntityDialog(CTAVView& view, int index) {
    CTAVDoc& doc = *view.GetDocument();
    if (doc.GetBusy()) {
        doc.Prompter().Beep();
        return nullptr;
    }
    if (index < 0 || index >= doc.GetEntityCount()) {
        return nullptr;
    }
    std::unique_ptr<CEntityDialog> dlg = MakeDialog(view, doc.GetEntity(index)->GetType());
    if (!dlg || !dlg->BeginExisting(index)) {
        return nullptr;
    }
    CEntityDialog* shown = dlg.release();
    shown->show();
    return shown;
}

void EditSelected(CTAVView& view) {
    CTAVDoc& doc = *view.GetDocument();
    if (doc.GetBusy()) {
        doc.Prompter().Beep();
        return;
    }
    const CSceneRenderer& r = view.Renderer();
    if (r.m_currentPick >= 0) {
        StartEditEntityDialog(view, r.m_currentPick);
    } else if (r.m_multiSelection.size() == 1) {
        StartEditEntityDialog(view, r.m_multiSelection.front());
    } else if (r.m_multiSelection.size() > 1) {
        CPropertiesDialog dlg(view, r.m_multiSelection);
        dlg.exec();
    }
}
