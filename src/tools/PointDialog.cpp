#include "tools/PointDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"
#include "view/TAVView.h"

CPointDialog::CPointDialog(CTAVView& view) : CEntityDialog(view, "156", "Punkt") {
    auto* grid = new QGridLayout(this);
    AddNameControl(grid, 0);
    auto* box = new QGroupBox("Wspólrzedne", this);
    auto* boxGrid = new QGridLayout(box);
    const char* labels[3] = {"&X:", "&Y:", "&Z:"};
    for (int i = 0; i < 3; ++i) {
        m_xyz[i] = new QLineEdit(box);
        m_xyz[i]->setObjectName(QString::number(1049 + i));
        auto* label = new QLabel(labels[i], box);
        label->setBuddy(m_xyz[i]);
        boxGrid->addWidget(label, i, 0);
        boxGrid->addWidget(m_xyz[i], i, 1);
        TrackFocus(m_xyz[i], 1);
    }
    grid->addWidget(box, 1, 0, 1, 4);
    AddCommonControls(grid, 2);
    AddOkCancel(grid, 5);
}

void CPointDialog::FillControls() {
    const auto* pnt = dynamic_cast<const CPnt*>(Entity());
    if (pnt == nullptr) {
        return;
    }
    const CPoint3 local = CCoordFrame::Active(Doc()).ToLocal(pnt->m_point);
    for (int i = 0; i < 3; ++i) {
        m_xyz[i]->setText(QString::fromStdString(FormatG15(local[i])));
    }
}

bool CPointDialog::ReadControls() {
    auto* pnt = dynamic_cast<CPnt*>(Entity());
    if (pnt == nullptr) {
        return false;
    }
    CPoint3 local;
    for (int i = 0; i < 3; ++i) {
        if (!ReadNumber(m_xyz[i], local[i], -HUGE_VAL, HUGE_VAL)) {
            return false;
        }
    }
    const CCoordFrame frame = CCoordFrame::Active(Doc());
    if (!frame.IsInvertible()) {
        Message(kSingularSystem);
        return false;
    }
    local.flag = pnt->m_point.flag;
    pnt->m_point = frame.ToGlobal(local);
    return true;
}

void CPointDialog::HandleFocus(int handle) {
    SetHandle(handle);
    if (handle == 1) {
        if (const auto* pnt = dynamic_cast<const CPnt*>(Entity())) {
            SetViewPoint(pnt->m_point);
        }
    }
    Preview();
}

void CPointDialog::CursorBack() {
    const auto* pnt = dynamic_cast<const CPnt*>(Entity());
    if (pnt != nullptr && m_view && m_view->GetEditHandle() == 1) {
        SetViewPoint(pnt->m_point);
        Preview();
    }
}

void CPointDialog::OnPointPicked(int handle) {
    if (Entity() == nullptr || !m_view) {
        return;
    }
    if (handle == 1) {
        const CPoint3 local = CCoordFrame::Active(Doc()).ToLocal(m_view->GetPickedPoint());
        for (int i = 0; i < 3; ++i) {
            m_xyz[i]->setText(QString::fromStdString(FormatFixed(local[i], 2)));
        }
        MoveFocus(m_xyz[0]);
    }
    CEntityDialog::OnPointPicked(handle);
}

QWidget* CPointDialog::FirstFocus() const {
    return m_xyz[0];
}
