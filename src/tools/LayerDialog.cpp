#include "tools/LayerDialog.h"
#include "tools/DialogParts.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "resources/Images.h"
#include "tools/core/ManagerRules.h"
#include "view/FrameServices.h"

namespace {

constexpr int kRowHeight = 20;
constexpr int kSelectAll = 32804;
constexpr int kClearAll = 32805;
constexpr int kInvert = 32806;

// Draws a layer row from the document: padlock, eye, then the name on the selection colour.
class CLayerRowDelegate : public QStyledItemDelegate {
public:
    CLayerRowDelegate(const CTAVDoc& doc, QObject* parent)
        : QStyledItemDelegate(parent), m_doc(doc) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row();
        if (row < 0 || row >= m_doc.GetLayerCount()) {
            return;
        }
        const CLayer& layer = m_doc.GetLayer(row);
        const QRect r = option.rect;
        const int top = r.top() + (r.height() - 16) / 2;
        p->drawPixmap(r.left() + CLayerListBox::kPadlockX, top,
                      images::LayerImage(layer.m_locked ? images::kLocked : images::kUnlocked));
        p->drawPixmap(r.left() + CLayerListBox::kEyeX, top,
                      images::LayerImage(layer.m_visible ? images::kVisible : images::kHidden));
        PaintRowName(p, option, CLayerListBox::kTextPartX, CLayerListBox::kNameX, layer.m_name);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {200, kRowHeight};
    }

private:
    const CTAVDoc& m_doc;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Name editor

CLayerNameEdit::CLayerNameEdit(CLayerListBox& list, CTAVDoc& doc, CPrompter& prompter, int row)
    : QLineEdit(list.viewport()), m_list(list), m_doc(doc), m_prompter(prompter), m_row(row) {
    setObjectName("999");
    setMaxLength(kMaxObjectNameChars);
    if (row >= 0 && row < doc.GetLayerCount()) {
        setText(QString::fromStdString(doc.GetLayer(row).m_name));
    }
}

bool CLayerNameEdit::Validate() {
    // Marked first: the message box takes the focus, and that must not check the text again.
    m_handled = true;
    m_valid = false;
    std::string name;
    if (!CheckLayerName(m_doc, m_row, text().toStdString(), m_prompter, name)) {
        return false;
    }
    m_name = name;
    m_valid = true;
    return true;
}

bool CLayerNameEdit::CheckOnce() {
    return m_handled ? m_valid : Validate();
}

void CLayerNameEdit::Commit() {
    if (!m_closing && CheckOnce()) {
        Finish();
    }
}

void CLayerNameEdit::Discard() {
    m_closing = true;
    m_handled = true;
    if (m_list.m_editor == this) {
        m_list.m_editor = nullptr;
    }
    hide();
    deleteLater();
}

void CLayerNameEdit::Finish() {
    m_closing = true;
    m_modified = m_modified || isModified();
    if (m_list.m_editor == this) {
        m_list.m_editor = nullptr;
    }
    hide();
    deleteLater();
    m_list.OnEditFinished(*this);
    m_list.setFocus();
}

void CLayerNameEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_handled = false;
            if (Validate()) {
                Finish();
            }
            event->accept();
            return;
        case Qt::Key_Escape:
            m_valid = false;
            Discard();
            m_list.setFocus();
            m_list.OnEditCancelled(m_row);
            event->accept();
            return;
        default:
            m_valid = false;
            m_handled = false;
            m_modified = true;
            QLineEdit::keyPressEvent(event);
    }
}

void CLayerNameEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (m_closing || event->reason() == Qt::PopupFocusReason) {
        return;
    }
    if (!m_handled) {
        Validate();
    }
    if (!m_valid) {
        m_list.OnEditCancelled(m_row);
        QTimer::singleShot(0, this, [this] {
            if (!m_closing) {
                setFocus();
                selectAll();
            }
        });
        return;
    }
    Finish();
}

// ---------------------------------------------------------------------------------------------
// List

CLayerListBox::CLayerListBox(CTAVDoc& doc, CPrompter& prompter, QWidget* parent)
    : QListWidget(parent), m_doc(doc), m_prompter(prompter) {
    setObjectName("1001");
    setSelectionMode(QAbstractItemView::MultiSelection);
    setItemDelegate(new CLayerRowDelegate(doc, this));
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Reload();
}

void CLayerListBox::Reload() {
    CloseEditor();
    clear();
    for (int i = 0; i < m_doc.GetLayerCount(); ++i) {
        addItem(new QListWidgetItem);
    }
}

std::vector<int> CLayerListBox::SelectedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) {
            rows.push_back(i);
        }
    }
    return rows;
}

void CLayerListBox::StartEdit(int row) {
    const int layers = m_doc.GetLayerCount();
    if (row < 0 || row > layers || row > count()) {
        return;
    }
    if (row == layers && row == count()) {
        AddNewLayer(m_doc);
        auto* added = new QListWidgetItem;
        addItem(added);
        scrollToItem(added, QAbstractItemView::PositionAtTop);
        added->setSelected(true);
        viewport()->update();
    }
    if (row >= m_doc.GetLayerCount() || row >= count()) {
        return;
    }
    if (m_editor == nullptr) {
        QRect r = visualItemRect(item(row));
        r.setLeft(r.left() + kTextPartX);
        m_editor = new CLayerNameEdit(*this, m_doc, m_prompter, row);
        m_editor->setGeometry(r);
        m_editor->show();
    }
    m_editor->selectAll();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void CLayerListBox::CloseEditor() {
    if (m_editor == nullptr) {
        return;
    }
    m_editor->Discard();
}

void CLayerListBox::OnEditFinished(const CLayerNameEdit& editor) {
    const int row = editor.Row();
    if (editor.IsModified() && editor.IsValid() && row >= 0 && row < m_doc.GetLayerCount()) {
        CDocStep step(m_doc, stepnames::kRenameLayer);
        m_doc.GetLayer(row).m_name = editor.AcceptedName();
    }
    viewport()->update();
}

void CLayerListBox::OnEditCancelled(int row) {
    if (row >= 0 && row < count()) {
        item(row)->setSelected(true);
    }
    viewport()->update();
}

void CLayerListBox::SelectAllRows() {
    selectAll();
    viewport()->update();
}

void CLayerListBox::ClearAllRows() {
    clearSelection();
    viewport()->update();
}

void CLayerListBox::InvertRows() {
    for (int i = 0; i < count(); ++i) {
        item(i)->setSelected(!item(i)->isSelected());
    }
    viewport()->update();
}

QMenu* CLayerListBox::CreatePopup() {
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Wybierz wszystkie"))->setData(kSelectAll);
    menu->addAction(QString::fromUtf8("Zlikwiduj wybór"))->setData(kClearAll);
    menu->addSeparator();
    menu->addAction(QString::fromUtf8("Odwróc wskazania"))->setData(kInvert);
    return menu;
}

void CLayerListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    QListWidgetItem* it = itemAt(pos);
    if (it == nullptr) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int r = row(it);
    const int flag = LayerFlagColumn(pos.x());
    if (it->isSelected() && flag >= 0) {
        // The flag follows the clicked row for the whole selection; the selection stays.
        ToggleLayerFlag(m_doc, SelectedRows(), r, flag);
        viewport()->update();
        return;
    }
    if ((event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == 0) {
        clearSelection();
    }
    it->setSelected(!it->isSelected());
    setCurrentItem(it, QItemSelectionModel::NoUpdate);
    viewport()->update();
}

void CLayerListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = event->position().toPoint();
        const std::vector<int> selected = SelectedRows();
        QListWidgetItem* it = itemAt(pos);
        if (selected.size() == 1 && pos.x() > kNameX && it != nullptr && row(it) == selected[0]) {
            const int r = selected[0];
            QTimer::singleShot(0, this, [this, r] { StartEdit(r); });
            return;
        }
    }
    // Otherwise the second click counts as a click.
    mousePressEvent(event);
}

void CLayerListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        std::unique_ptr<QMenu> menu(CreatePopup());
        if (QAction* chosen = menu->exec(event->globalPosition().toPoint())) {
            switch (chosen->data().toInt()) {
                case kSelectAll:
                    SelectAllRows();
                    break;
                case kClearAll:
                    ClearAllRows();
                    break;
                case kInvert:
                    InvertRows();
                    break;
                default:
                    break;
            }
        }
        event->accept();
        return;
    }
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Dialog

CLayerDialog::CLayerDialog(CTAVDoc& doc, int current, CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_prompter(prompter), m_current(current) {
    setObjectName("161");
    setWindowTitle(QStringLiteral("Warstwy"));
    auto* layout = new QGridLayout(this);
    m_list = new CLayerListBox(doc, prompter, this);
    m_list->setMinimumSize(260, 220);
    layout->addWidget(m_list, 0, 0, 2, 1);
    auto* buttons = new QVBoxLayout;
    QPushButton* add = AddIdButton(buttons, this, 1014, "&Nowa...");
    QPushButton* edit = AddIdButton(buttons, this, 1015, "&Edytuj...");
    QPushButton* remove = AddIdButton(buttons, this, 1016, "&Usuń");
    QPushButton* current_ = AddIdButton(buttons, this, 1017, "&Aktualna");
    buttons->addStretch();
    QPushButton* ok = AddIdButton(buttons, this, 1, "Tak");
    ok->setDefault(true);
    layout->addLayout(buttons, 0, 1, 2, 1);
    auto* label = new QLabel(QStringLiteral("Aktualna:"), this);
    m_currentName = new QLineEdit(this);
    m_currentName->setObjectName("1115");
    m_currentName->setEnabled(false);
    auto* currentRow = new QHBoxLayout;
    currentRow->addWidget(label);
    currentRow->addWidget(m_currentName, 1);
    layout->addLayout(currentRow, 2, 0, 1, 2);
    connect(add, &QPushButton::clicked, this, &CLayerDialog::OnNew);
    connect(edit, &QPushButton::clicked, this, &CLayerDialog::OnEdit);
    connect(remove, &QPushButton::clicked, this, &CLayerDialog::OnDelete);
    connect(current_, &QPushButton::clicked, this, &CLayerDialog::OnCurrent);
    connect(ok, &QPushButton::clicked, this, &CLayerDialog::accept);
    ShowCurrentName();
}

void CLayerDialog::ShowCurrentName() {
    const bool valid = m_current >= 0 && m_current < m_doc.GetLayerCount();
    m_currentName->setText(valid ? QString::fromStdString(m_doc.GetLayer(m_current).m_name)
                                 : QString());
}

void CLayerDialog::OnNew() {
    m_list->StartEdit(m_doc.GetLayerCount());
}

void CLayerDialog::OnEdit() {
    const std::vector<int> rows = m_list->SelectedRows();
    if (rows.size() != 1) {
        m_prompter.ShowMessage(managertexts::kChooseOneLayer, CPrompter::EIcon::Warning);
        return;
    }
    m_list->scrollToItem(m_list->item(rows[0]), QAbstractItemView::PositionAtTop);
    m_list->StartEdit(rows[0]);
}

void CLayerDialog::OnDelete() {
    // An open entity dialog holds a live entity that the deletion could take away.
    if (m_doc.GetBusy() != 0) {
        m_prompter.Beep();
        return;
    }
    m_list->CloseEditor();
    const std::vector<int> deleted = DeleteSelectedLayers(m_doc, m_list->SelectedRows(), m_current);
    for (int row : deleted) {
        delete m_list->takeItem(row);
    }
    m_list->clearSelection();
    ShowCurrentName();
    m_list->viewport()->update();
}

void CLayerDialog::OnCurrent() {
    const std::vector<int> rows = m_list->SelectedRows();
    if (rows.size() != 1) {
        m_prompter.ShowMessage(managertexts::kChooseOneLayer, CPrompter::EIcon::Warning);
        return;
    }
    m_current = rows[0];
    ShowCurrentName();
}

void CLayerDialog::accept() {
    if (CLayerNameEdit* editor = m_list->Editor()) {
        if (!editor->CheckOnce()) {
            editor->setFocus();
            editor->selectAll();
            return;
        }
        // A name typed but not yet confirmed still goes into its layer.
        editor->Commit();
    }
    QDialog::accept();
}

void OnLayers(CTAVDoc& doc, CPrompter& prompter, QWidget* parent) {
    if (doc.GetBusy() != 0) {
        prompter.Beep();
        return;
    }
    {
        CLayerDialog dlg(doc, doc.GetCurrentLayer(), prompter, parent);
        dlg.exec();
        CDocStep step(doc, stepnames::kCurrentLayer);
        if (dlg.Current() != -1) {
            doc.SetCurrentLayer(dlg.Current());
        }
        if (doc.GetCurrentLayer() >= doc.GetLayerCount()) {
            doc.SetCurrentLayer(doc.GetLayerCount() - 1);
        }
    }
    doc.SetModifiedFlag(true);
    doc.InvalidateViews();
    doc.UpdateAllViews(0);
    // The combo's rows index the layer table, which may have shrunk.
    if (CFrameServices* frame = GetFrameServices()) {
        frame->ShowDocumentLayers(&doc);
    }
}
