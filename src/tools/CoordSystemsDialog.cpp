#include "tools/CoordSystemsDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cmath>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"
#include "view/TAVView.h"

namespace {

// Bitmap 148 (grey check mark of the current system) or 149 (blank).
QIcon MarkIcon(bool current) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    if (current) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(128, 128, 128), 2.5));
        p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(6.5, 12), QPointF(13, 4)}));
    }
    return QIcon(pm);
}

QPushButton* Button(const char* text, int id, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CCoordSystemListBox::CCoordSystemListBox(CTAVDoc& doc, QWidget* parent)
    : QListWidget(parent), m_doc(doc) {
    setObjectName("1001");
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    Reload();
}

void CCoordSystemListBox::Reload() {
    const int selected = currentRow();
    clear();
    for (int i = 0; i < m_doc.GetCoordSystemCount(); ++i) {
        addItem(new QListWidgetItem(MarkIcon(i == m_doc.GetActiveCoordSystem()),
                                    QString::fromStdString(m_doc.GetCoordSystem(i).m_name)));
    }
    if (selected >= 0 && selected < count()) {
        setCurrentRow(selected);
    }
}

void CCoordSystemListBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && pos.x() > 3 && pos.x() < 20) {
        if (QListWidgetItem* item = itemAt(pos)) {
            emit currentSystemChosen(row(item));
        }
    }
    QListWidget::mouseReleaseEvent(event);
}

CCoordSystemsDialog::CCoordSystemsDialog(CTAVDoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc) {
    setObjectName("168");
    setWindowTitle(QString::fromUtf8("Uklady wspólrzednych"));
    auto* grid = new QGridLayout(this);
    m_list = new CCoordSystemListBox(doc, this);
    grid->addWidget(m_list, 0, 0, 6, 1);
    int row = 0;
    const struct {
        const char* text;
        int id;
        void (CCoordSystemsDialog::*slot)();
    } buttons[] = {{"&Nowy...", 1014, &CCoordSystemsDialog::OnNew},
                   {"&Edytuj...", 1015, &CCoordSystemsDialog::OnEdit},
                   {"&Usuń", 1016, &CCoordSystemsDialog::OnDelete},
                   {"&Aktualny", 1017, &CCoordSystemsDialog::OnMakeCurrent},
                   {"&Globalny", 1018, &CCoordSystemsDialog::OnGlobal}};
    for (const auto& b : buttons) {
        QPushButton* button = Button(b.text, b.id, this);
        connect(button, &QPushButton::clicked, this, b.slot);
        grid->addWidget(button, row++, 1);
    }
    auto* ok = Button("Tak", 1, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, row, 1);
    auto* label = new QLabel("Aktualny:", this);
    m_current = new QLineEdit(this);
    m_current->setObjectName("1115");
    m_current->setEnabled(false);
    grid->addWidget(label, 6, 0);
    grid->addWidget(m_current, 7, 0, 1, 2);
    connect(m_list, &CCoordSystemListBox::currentSystemChosen, this,
            &CCoordSystemsDialog::MakeCurrent);
    ShowCurrent();
}

QString CCoordSystemsDialog::CurrentName() const {
    return m_current->text();
}

void CCoordSystemsDialog::ShowCurrent() {
    const int i = m_doc.GetActiveCoordSystem();
    m_current->setText(i >= 0 && i < m_doc.GetCoordSystemCount()
                           ? QString::fromStdString(m_doc.GetCoordSystem(i).m_name)
                           : QString::fromUtf8(kGlobalSystem));
    m_list->Reload();
}

void CCoordSystemsDialog::MakeCurrent(int row) {
    if (row < 0 || row >= m_doc.GetCoordSystemCount()) {
        return;
    }
    CDocStep step(m_doc, stepnames::kActiveSystem);
    if (m_doc.GetActiveCoordSystem() != row) {
        // The current system is stored with the drawing.
        m_doc.SetModifiedFlag(true);
    }
    m_doc.SetActiveCoordSystem(row);
    ShowCurrent();
}

void CCoordSystemsDialog::OnNew() {
    done(kNew);
}

void CCoordSystemsDialog::OnEdit() {
    const int row = m_list->currentRow();
    if (row < 0 || !m_list->currentItem() || !m_list->currentItem()->isSelected()) {
        return;
    }
    m_chosen = row;
    done(kEdit);
}

void CCoordSystemsDialog::OnDelete() {
    const int row = m_list->currentRow();
    if (row < 0 || !m_list->currentItem()->isSelected()) {
        return;
    }
    // The document removes the transform with the definition.
    int next = -2;
    {
        CDocStep step(m_doc, stepnames::kDeleteSystem);
        next = m_doc.DeleteCoordSystem(row);
        if (next == -2) {
            return;
        }
        // Otherwise closing the drawing would not offer to save the deletion.
        m_doc.SetModifiedFlag(true);
    }
    m_list->Reload();
    if (next >= 0) {
        m_list->setCurrentRow(next);
    } else {
        m_list->setCurrentRow(-1);
    }
    ShowCurrent();
}

void CCoordSystemsDialog::OnMakeCurrent() {
    const int row = m_list->currentRow();
    if (row >= 0 && m_list->currentItem()->isSelected()) {
        MakeCurrent(row);
    }
}

void CCoordSystemsDialog::OnGlobal() {
    CDocStep step(m_doc, stepnames::kActiveSystem);
    if (m_doc.GetActiveCoordSystem() != -1) {
        m_doc.SetModifiedFlag(true);
    }
    m_doc.SetActiveCoordSystem(-1);
    ShowCurrent();
}

// ---------------------------------------------------------------------------------------------

CCoordSystemDialog::CCoordSystemDialog(CTAVView& view, int index)
    : CViewEditDialog(view, "169", QString::fromUtf8("Uklad wspolrzednych:")), m_index(index) {
    auto* grid = new QGridLayout(this);
    m_name = new QLineEdit(this);
    m_name->setObjectName("1006");
    auto* nameLabel = new QLabel("Nazwa:", this);
    nameLabel->setBuddy(m_name);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    TrackFocus(m_name, 0);
    const char* titles[3] = {"Początek", "Punkt na osi X:", "Punkt na osi Y:"};
    const char* labels[3] = {"X:", "Y:", "Z:"};
    for (int k = 0; k < 3; ++k) {
        auto* box = new QGroupBox(QString::fromUtf8(titles[k]), this);
        auto* boxGrid = new QGridLayout(box);
        for (int i = 0; i < 3; ++i) {
            QLineEdit*& e = m_points[k * 3 + i];
            e = new QLineEdit(box);
            e->setObjectName(QString::number(1121 + k * 3 + i));
            boxGrid->addWidget(new QLabel(labels[i], box), i, 0);
            boxGrid->addWidget(e, i, 1);
            TrackFocus(e, k + 1);
        }
        grid->addWidget(box, 1, k);
    }
    auto* ok = Button("Tak", 1, this);
    auto* cancel = Button("Przerwij", 2, this);
    grid->addWidget(ok, 2, 1);
    grid->addWidget(cancel, 2, 2);
    connect(ok, &QPushButton::clicked, this, &CCoordSystemDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CCoordSystemDialog::reject);

    CCoordSystem system;
    if (index >= 0 && index < Doc().GetCoordSystemCount()) {
        system = Doc().GetCoordSystem(index);
    } else {
        m_index = -1;
        system.m_name = Doc().MakeCoordSystemName();
    }
    m_name->setText(QString::fromStdString(system.m_name));
    ShowPoint(0, system.m_origin);
    ShowPoint(1, system.m_xPoint);
    ShowPoint(2, system.m_yPoint);
    TakeView();
}

void CCoordSystemDialog::ShowPoint(int which, const CPoint3& global) {
    const CPoint3 local = CCoordFrame::Active(Doc()).ToLocal(global);
    for (int i = 0; i < 3; ++i) {
        m_points[which * 3 + i]->setText(QString::fromStdString(FormatG15(local[i])));
    }
}

void CCoordSystemDialog::showEvent(QShowEvent* event) {
    CViewEditDialog::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_points[0]->setFocus();
        m_points[0]->selectAll();
    }
}

void CCoordSystemDialog::OnPointPicked(int handle) {
    if (m_released || !m_view || handle < 1 || handle > 3) {
        return;
    }
    const CPoint3 local = CCoordFrame::Active(Doc()).ToLocal(m_view->GetPickedPoint());
    const int first = (handle - 1) * 3;
    for (int i = 0; i < 3; ++i) {
        m_points[first + i]->setText(QString::fromStdString(FormatFixed(local[i], 2)));
    }
    MoveFocus(m_points[(first + 3) % 9]);
}

void CCoordSystemDialog::accept() {
    if (m_released) {
        return;
    }
    CCoordSystem system;
    system.m_name = m_name->text().toStdString();
    CPoint3 local[3];
    for (int k = 0; k < 9; ++k) {
        double v = 0.0;
        if (!ParseNumberText(m_points[k]->text().toStdString(), v)) {
            Message(kEnterNumber);
            m_points[k]->setFocus();
            m_points[k]->selectAll();
            return;
        }
        local[k / 3][k % 3] = v;
    }
    const CCoordFrame frame = CCoordFrame::Active(Doc());
    if (!frame.IsInvertible()) {
        Message(kSingularSystem);
        return;
    }
    system.m_origin = frame.ToGlobal(local[0]);
    system.m_xPoint = frame.ToGlobal(local[1]);
    system.m_yPoint = frame.ToGlobal(local[2]);
    if (const char* problem = CheckCoordSystem(Doc(), m_index, system)) {
        Message(problem);
        return;
    }
    try {
        CDocStep step(Doc(), m_index < 0 ? stepnames::kNewSystem : stepnames::kEditSystem);
        m_index = StoreCoordSystem(Doc(), m_index, system);
        Doc().SetModifiedFlag(true);
    } catch (const CGeometryError& e) {
        Message(e.what());
        return;
    }
    Close(true, true);
}

void CCoordSystemDialog::reject() {
    if (!m_released) {
        Close(false, true);
    }
}

void CCoordSystemDialog::Abandon() {
    if (!m_released) {
        Close(false, false);
    }
}

void CCoordSystemDialog::Close(bool accepted, bool reopen) {
    CTAVView* view = m_view;
    ReleaseView();
    if (accepted) {
        Doc().InvalidateViews();
        Doc().UpdateAllViews(0);
    }
    if (reopen && view != nullptr) {
        CoordSystemsReopenHook()(*view);
    }
    if (accepted) {
        QDialog::accept();
    } else {
        QDialog::reject();
    }
    deleteLater();
}

CoordSystemsReopen& CoordSystemsReopenHook() {
    static CoordSystemsReopen hook = [](CTAVView& view) {
        QPointer<CTAVView> guard(&view);
        QTimer::singleShot(0, &view, [guard] {
            if (guard) {
                RunCoordSystemsCommand(*guard);
            }
        });
    };
    return hook;
}

CCoordSystemDialog* OpenCoordSystemDialog(CTAVView& view, int index) {
    CTAVDoc& doc = *view.GetDocument();
    if (doc.GetBusy()) {
        doc.Prompter().Beep();
        return nullptr;
    }
    auto* dlg = new CCoordSystemDialog(view, index);
    dlg->show();
    return dlg;
}

CCoordSystemDialog* RunCoordSystemsCommand(CTAVView& view) {
    CTAVDoc& doc = *view.GetDocument();
    if (doc.GetBusy()) {
        doc.Prompter().Beep();
        return nullptr;
    }
    CCoordSystemsDialog list(doc, &view);
    const int code = list.exec();
    if (code == CCoordSystemsDialog::kNew) {
        return OpenCoordSystemDialog(view, -1);
    }
    if (code == CCoordSystemsDialog::kEdit && list.ChosenIndex() >= 0) {
        return OpenCoordSystemDialog(view, list.ChosenIndex());
    }
    return nullptr;
}
