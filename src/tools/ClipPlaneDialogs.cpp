#include "tools/ClipPlaneDialogs.h"
#include "tools/DialogParts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "resources/Images.h"
#include "tools/core/EditTexts.h"
#include "tools/core/ManagerRules.h"
#include "tools/core/NumberText.h"

namespace {

constexpr int kRowHeight = 20;
constexpr int kFieldIds[6] = {1049, 1050, 1051, 1052, 1053, 1054};
constexpr const char* kFieldLabels[6] = {"&X:", "&Y:", "&Z:", "VX:", "VY:", "VZ:"};

// Draws a plane row: the padlock, open for an active plane, then the name.
class CPlaneRowDelegate : public QStyledItemDelegate {
public:
    CPlaneRowDelegate(const CTAVDoc& doc, QObject* parent)
        : QStyledItemDelegate(parent), m_doc(doc) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row();
        if (row < 0 || row >= m_doc.GetClipPlaneCount()) {
            return;
        }
        const CClipPlane& plane = m_doc.GetClipPlane(row);
        const QRect r = option.rect;
        p->drawPixmap(r.left() + 2, r.top() + (r.height() - 16) / 2,
                      images::LayerImage(plane.m_active ? images::kUnlocked : images::kLocked));
        PaintRowName(p, option, 18, CClipPlaneListBox::kNameX, plane.m_name);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {200, kRowHeight};
    }

private:
    const CTAVDoc& m_doc;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Plane dialog

CClipPlaneDialog::CClipPlaneDialog(CTAVDoc& doc, int index, const CClipPlane& plane,
                                   CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_index(index), m_prompter(prompter), m_plane(plane) {
    setObjectName("162");
    setWindowTitle(QStringLiteral("Plaszczyzna odcinajaca:"));
    auto* layout = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(QStringLiteral("Na&zwa:"), this);
    nameRow->addWidget(nameLabel);
    m_name = new QLineEdit(this);
    m_name->setObjectName("1006");
    nameLabel->setBuddy(m_name);
    m_name->setMaxLength(kMaxObjectNameChars);
    nameRow->addWidget(m_name, 1);
    m_active = new QCheckBox(QStringLiteral("&Aktywna"), this);
    m_active->setObjectName("1090");
    nameRow->addWidget(m_active);
    layout->addLayout(nameRow);

    const char* boxes[2] = {"Punkt na plaszczyznie:", "Wektor normalny w kierunku odcinania:"};
    for (int b = 0; b < 2; ++b) {
        auto* box = new QGroupBox(QString::fromUtf8(boxes[b]), this);
        auto* grid = new QHBoxLayout(box);
        for (int k = 0; k < 3; ++k) {
            const int i = 3 * b + k;
            auto* label = new QLabel(QString::fromUtf8(kFieldLabels[i]), box);
            m_fields[i] = new QLineEdit(box);
            m_fields[i]->setObjectName(QString::number(kFieldIds[i]));
            label->setBuddy(m_fields[i]);
            grid->addWidget(label);
            grid->addWidget(m_fields[i], 1);
        }
        layout->addWidget(box);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* ok = AddIdButton(buttons, this, 1, "Tak");
    ok->setDefault(true);
    QPushButton* cancel = AddIdButton(buttons, this, 2, "Przerwij");
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CClipPlaneDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const SClipPlaneInput shown = ClipPlaneToInput(doc, plane);
    m_name->setText(QString::fromStdString(shown.name));
    m_active->setChecked(shown.active != 0);
    for (int k = 0; k < 3; ++k) {
        m_fields[k]->setText(QString::fromStdString(FormatG15(shown.point[k])));
        m_fields[3 + k]->setText(QString::fromStdString(FormatG15(shown.normal[k])));
    }
}

void CClipPlaneDialog::accept() {
    SClipPlaneInput input;
    input.name = m_name->text().toStdString();
    input.active = m_active->isChecked() ? 1 : 0;
    double values[6];
    for (int i = 0; i < 6; ++i) {
        if (!ParseNumberText(m_fields[i]->text().toStdString(), values[i])) {
            m_prompter.ShowMessage(kEnterNumber, CPrompter::EIcon::Warning);
            m_fields[i]->setFocus();
            m_fields[i]->selectAll();
            return;
        }
    }
    input.point = CPoint3(values[0], values[1], values[2]);
    input.normal = CVec3(values[3], values[4], values[5]);
    CClipPlane plane;
    if (!CheckClipPlaneInput(m_doc, m_index, input, m_prompter, plane)) {
        return;
    }
    m_plane = plane;
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------
// List

CClipPlaneListBox::CClipPlaneListBox(CTAVDoc& doc, QWidget* parent)
    : QListWidget(parent), m_doc(doc) {
    setObjectName("1001");
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new CPlaneRowDelegate(doc, this));
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Reload();
}

void CClipPlaneListBox::Reload() {
    clear();
    for (int i = 0; i < m_doc.GetClipPlaneCount(); ++i) {
        addItem(new QListWidgetItem);
    }
}

int CClipPlaneListBox::SelectedRow() const {
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) {
            return i;
        }
    }
    return -1;
}

void CClipPlaneListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = event->position().toPoint();
        if (QListWidgetItem* it = itemAt(pos)) {
            const int r = row(it);
            if (pos.x() > 3 && pos.x() < 20 && r < m_doc.GetClipPlaneCount()) {
                CDocStep step(m_doc, stepnames::kPlaneActive);
                CClipPlane& plane = m_doc.GetClipPlane(r);
                plane.m_active = plane.m_active ? 0 : 1;
                viewport()->update();
            }
        }
    }
    QListWidget::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------------------------
// List dialog

CClipPlanesDialog::CClipPlanesDialog(CTAVDoc& doc, int limit, CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_limit(limit), m_prompter(prompter) {
    setObjectName("163");
    setWindowTitle(QStringLiteral("Plaszczyzny odcinajace"));
    auto* layout = new QHBoxLayout(this);
    m_list = new CClipPlaneListBox(doc, this);
    m_list->setMinimumSize(240, 200);
    layout->addWidget(m_list, 1);
    auto* buttons = new QVBoxLayout;
    QPushButton* add = AddIdButton(buttons, this, 1014, "&Nowa...");
    QPushButton* edit = AddIdButton(buttons, this, 1015, "&Edytuj...");
    QPushButton* remove = AddIdButton(buttons, this, 1016, "&Usuń");
    buttons->addStretch();
    QPushButton* ok = AddIdButton(buttons, this, 1, "Tak");
    ok->setDefault(true);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &CClipPlanesDialog::OnNew);
    connect(edit, &QPushButton::clicked, this, &CClipPlanesDialog::OnEdit);
    connect(remove, &QPushButton::clicked, this, &CClipPlanesDialog::OnDelete);
    connect(ok, &QPushButton::clicked, this, &CClipPlanesDialog::accept);
}

bool CClipPlanesDialog::RunPlaneDialog(int index, CClipPlane& plane) {
    CClipPlaneDialog dlg(m_doc, index, plane, m_prompter, this);
    const bool ok = m_runner ? m_runner(dlg) : dlg.exec() == QDialog::Accepted;
    if (ok) {
        plane = dlg.Plane();
    }
    return ok;
}

void CClipPlanesDialog::OnNew() {
    CClipPlane plane = MakeNewClipPlane(m_doc);
    if (!RunPlaneDialog(-1, plane)) {
        return;
    }
    CDocStep step(m_doc, stepnames::kNewPlane);
    m_doc.ClipPlanes().push_back(plane);
    auto* row = new QListWidgetItem;
    m_list->addItem(row);
    m_list->setCurrentItem(row);
    row->setSelected(true);
    m_list->viewport()->update();
}

void CClipPlanesDialog::OnEdit() {
    const int row = m_list->SelectedRow();
    if (row < 0 || row >= m_doc.GetClipPlaneCount()) {
        return;
    }
    CClipPlane plane = m_doc.GetClipPlane(row);
    if (!RunPlaneDialog(row, plane)) {
        return;
    }
    CDocStep step(m_doc, stepnames::kEditPlane);
    m_doc.GetClipPlane(row) = plane;
    m_list->viewport()->update();
}

void CClipPlanesDialog::OnDelete() {
    const int row = m_list->SelectedRow();
    if (row < 0) {
        return;
    }
    CDocStep step(m_doc, stepnames::kDeletePlane);
    const int next = m_doc.DeleteClipPlane(row);
    if (next == -2) {
        return;
    }
    delete m_list->takeItem(row);
    m_list->clearSelection();
    if (next >= 0 && next < m_list->count()) {
        m_list->setCurrentItem(m_list->item(next));
        m_list->item(next)->setSelected(true);
    }
    m_list->viewport()->update();
}

void CClipPlanesDialog::accept() {
    if (!CheckActiveClipPlanes(m_doc, m_limit, m_prompter)) {
        return;
    }
    QDialog::accept();
}

void OnClipPlanes(CTAVDoc& doc, int viewLimit, CPrompter& prompter, QWidget* parent) {
    {
        CClipPlanesDialog dlg(doc, ClipPlaneLimit(viewLimit), prompter, parent);
        dlg.exec();
    }
    doc.SetModifiedFlag(true);
    doc.InvalidateViews();
    doc.UpdateAllViews(0);
}
