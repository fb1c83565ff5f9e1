#include "tools/PolyDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "tools/CoordinatesListCtrl.h"
#include "tools/core/EditTexts.h"
#include "view/TAVView.h"

CPolyDialog::CPolyDialog(CTAVView& view)
    : CEntityDialog(view, "153", QString::fromUtf8(kPolylineTitle)) {
    auto* grid = new QGridLayout(this);
    AddNameControl(grid, 0);
    auto* box = new QGroupBox("&Punkty:", this);
    auto* boxGrid = new QGridLayout(box);
    m_list = new CCoordinatesListCtrl(box);
    m_list->setMinimumWidth(330);
    boxGrid->addWidget(m_list, 0, 0, 1, 4);
    m_insert = new QPushButton("W&staw...", box);
    m_insert->setObjectName("1014");
    auto* move = new QPushButton("&Przesuń...", box);
    move->setObjectName("1015");
    auto* del = new QPushButton("&Usuń", box);
    del->setObjectName("1016");
    auto* delAll = new QPushButton("Usuń &wszystko", box);
    delAll->setObjectName("1017");
    int col = 0;
    for (QPushButton* b : {m_insert, move, del, delAll}) {
        b->setAutoDefault(false);
        boxGrid->addWidget(b, 1, col++);
    }
    grid->addWidget(box, 1, 0, 1, 4);
    AddCommonControls(grid, 2);
    AddOkCancel(grid, 5);
    m_insert->setDefault(true);
    connect(m_insert, &QPushButton::clicked, this, &CPolyDialog::OnInsert);
    connect(move, &QPushButton::clicked, this, &CPolyDialog::OnMove);
    connect(del, &QPushButton::clicked, this, &CPolyDialog::OnDelete);
    connect(delAll, &QPushButton::clicked, this, &CPolyDialog::OnDeleteAll);
    connect(m_list, &CCoordinatesListCtrl::itemChanged, this, &CPolyDialog::OnItemChanged);
}

void CPolyDialog::FillControls() {
    auto* poly = dynamic_cast<CPoly*>(Entity());
    setWindowTitle(QString::fromUtf8(poly && poly->m_closed ? kPolygonTitle : kPolylineTitle));
    m_list->Attach(&Doc(), poly);
    m_list->SetPendingRow(-1);
    if (poly && poly->GetVertexCount() > 0) {
        m_list->SelectRow(poly->GetVertexCount() - 1);
    }
}

bool CPolyDialog::ReadControls() {
    return dynamic_cast<CPoly*>(Entity()) != nullptr;
}

void CPolyDialog::showEvent(QShowEvent* event) {
    CEntityDialog::showEvent(event);
    if (m_shownOnce) {
        return;
    }
    m_shownOnce = true;
    m_insert->setFocus();
    const auto* poly = dynamic_cast<const CPoly*>(Entity());
    if (IsNew() && poly && poly->GetVertexCount() == 0) {
        m_list->PostStartEdit(0, 1);
    }
}

void CPolyDialog::DeletePendingRow() {
    const int pending = m_list->PendingRow();
    m_list->SetPendingRow(-1);
    if (pending >= 0 && pending < m_list->Model().rowCount()) {
        m_list->Model().RemoveVertexRow(pending);
    }
}

void CPolyDialog::BeforeCommit() {
    DeletePendingRow();
}

void CPolyDialog::OnInsert() {
    if (Entity() == nullptr) {
        return;
    }
    if (m_list->PendingRow() >= 0) {
        DeletePendingRow();
    }
    const int s = m_list->SelectedRow();
    if (s < 0) {
        m_list->PostStartEdit(m_list->Model().rowCount(), 1);
        return;
    }
    const int row = m_list->Model().InsertCopyAfter(s);
    if (row < 0) {
        return;
    }
    m_list->SelectRow(row);
    m_list->SetPendingRow(row);
    m_list->PostStartEdit(row, 1);
}

void CPolyDialog::OnMove() {
    const int s = m_list->SelectedRow();
    if (s >= 0) {
        m_list->PostStartEdit(s, 1);
    }
}

void CPolyDialog::OnDelete() {
    const int s = m_list->SelectedRow();
    if (s < 0 || Entity() == nullptr) {
        return;
    }
    m_list->SetPendingRow(-1);
    m_list->Model().RemoveVertexRow(s);
    const int n = m_list->Model().rowCount();
    if (n > 0) {
        m_list->SelectRow(s < n ? s : n - 1);
    }
    Preview();
}

void CPolyDialog::OnDeleteAll() {
    if (Entity() == nullptr || !Doc().Prompter().AskYesNo(kAskSure, CPrompter::EIcon::Question)) {
        return;
    }
    m_list->Model().RemoveAll();
    m_list->SetPendingRow(-1);
    Preview();
}

void CPolyDialog::OnItemChanged(int row, int column, int mask) {
    if (Entity() == nullptr || m_released) {
        return;
    }
    const int pending = m_list->PendingRow();
    if (mask == CCoordinatesListCtrl::kMaskText) {
        SetViewPoint(m_list->Model().GlobalVertex(row));
        m_list->SetPendingRow(-1);
        Preview();
        if (column < 3) {
            m_list->PostStartEdit(row, column + 1);
        } else {
            m_list->PostStartEdit(row + 1, 1);
        }
        return;
    }
    // The selection moved away from an unconfirmed row: that row goes.
    if (pending >= 0 && row != pending) {
        m_list->SetPendingRow(-1);
        if (pending < m_list->Model().rowCount()) {
            m_list->Model().RemoveVertexRow(pending);
            if (row > pending) {
                --row;
            }
        }
    }
    SetHandle(row);
    SetViewPoint(m_list->Model().GlobalVertex(row));
    Preview();
}

void CPolyDialog::OnPointPicked(int) {
    if (Entity() == nullptr || !m_view) {
        return;
    }
    m_list->SetPendingRow(-1);
    const int s = m_list->SelectedRow();
    if (s >= 0) {
        // An editor open on the row would write its old text back over the point.
        m_list->DiscardEditor();
        m_list->Model().SetGlobalVertex(s, m_view->GetPickedPoint());
        if (s == m_list->Model().rowCount() - 1) {
            m_list->PostStartEdit(s + 1, 1);
        } else {
            m_list->SelectRow(s + 1);
        }
    }
    Preview();
}

void CPolyDialog::HandleFocus(int) {
    // The edit handle follows the selected row, not the focus.
}

void CPolyDialog::CursorBack() {
    const int s = m_list->SelectedRow();
    if (s >= 0) {
        SetViewPoint(m_list->Model().GlobalVertex(s));
        Preview();
    }
}
