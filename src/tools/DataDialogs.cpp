#include "tools/DataDialogs.h"
#include "tools/DialogParts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "document/Prompter.h"
#include "document/StringTable.h"
#include "document/TAVDoc.h"
#include "tools/core/DataRules.h"

namespace {

constexpr const char* kTypeNames[5] = {"&Budynek lub konstrukcja budowlana", "&Kabel", "&Rura",
                                       "&Działka", "&Zbiornik"};
constexpr int kFirstTypeId = 1018;

std::function<void(const CDataNode&, QWidget*)>& PrintHandler() {
    static std::function<void(const CDataNode&, QWidget*)> handler;
    return handler;
}

}  // namespace

// Label editor: a line edit limited to the node's maximum length.
class CDataLabelDelegate : public QStyledItemDelegate {
public:
    explicit CDataLabelDelegate(CDataTreeCtrl& ctrl) : QStyledItemDelegate(&ctrl), m_ctrl(ctrl) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const CDataNode* node = m_ctrl.NodeOf(m_ctrl.itemFromIndex(index));
        if (node == nullptr || (node->GetFlags() & CDataNode::flagEdit) == 0) {
            return nullptr;
        }
        auto* edit =
            qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
        if (edit == nullptr) {
            edit = new QLineEdit(parent);
        }
        if (node->GetMaxLength() > 0) {
            edit->setMaxLength(node->GetMaxLength());
        }
        m_ctrl.m_editor = edit;
        m_ctrl.m_editItem = m_ctrl.itemFromIndex(index);
        m_ctrl.m_committed = false;
        return edit;
    }

private:
    CDataTreeCtrl& m_ctrl;
};

// ---------------------------------------------------------------------------------------------
// Type dialog

CDataTypeDialog::CDataTypeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("159");
    setWindowTitle(QStringLiteral("Typ Danych"));
    auto* layout = new QVBoxLayout(this);
    m_group = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(kTypeNames[i]), this);
        radio->setObjectName(QString::number(kFirstTypeId + i));
        m_group->addButton(radio, i);
        layout->addWidget(radio);
    }
    auto* buttons = new QHBoxLayout;
    QPushButton* ok = AddIdButton(buttons, this, 1, "Tak");
    ok->setDefault(true);
    QPushButton* cancel = AddIdButton(buttons, this, 2, "Przerwij");
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CDataTypeDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CDataTypeDialog::Type() const {
    return m_group->checkedId();
}

void CDataTypeDialog::accept() {
    if (Type() < 0) {
        reject();
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------
// Tree control

CDataTreeCtrl::CDataTreeCtrl(CDataNode& tree, CPrompter& prompter, QWidget* parent)
    : QTreeWidget(parent), m_tree(tree), m_prompter(prompter) {
    setObjectName("1011");
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new CDataLabelDelegate(*this));
    Rebuild();
}

CDataTreeCtrl::~CDataTreeCtrl() {
    m_destroying = true;
    m_editor = nullptr;
}

QTreeWidgetItem* CDataTreeCtrl::MakeItem(const CDataNode& node) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(node.GetText()));
    const bool leaf = node.GetChildCount() == 0 && (node.GetFlags() & CDataNode::flagAdd) == 0;
    QStyle* s = style();
    QIcon icon;
    if (leaf) {
        icon = s->standardIcon(QStyle::SP_FileIcon);
    } else {
        icon.addPixmap(s->standardPixmap(QStyle::SP_DirClosedIcon), QIcon::Normal);
        icon.addPixmap(s->standardPixmap(QStyle::SP_DirOpenIcon), QIcon::Selected);
    }
    item->setIcon(0, icon);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if ((node.GetFlags() & CDataNode::flagEdit) != 0) {
        flags |= Qt::ItemIsEditable;
    }
    item->setFlags(flags);
    return item;
}

void CDataTreeCtrl::AddItems(QTreeWidgetItem* parent, const CDataNode& node) {
    for (const CDataNode& child : node.GetChildren()) {
        QTreeWidgetItem* item = MakeItem(child);
        parent->addChild(item);
        AddItems(item, child);
    }
}

void CDataTreeCtrl::Rebuild() {
    clear();
    QTreeWidgetItem* root = MakeItem(m_tree);
    addTopLevelItem(root);
    AddItems(root, m_tree);
    expandAll();
    setCurrentItem(root);
}

CDataNode* CDataTreeCtrl::NodeOf(const QTreeWidgetItem* item) const {
    if (item == nullptr) {
        return nullptr;
    }
    std::vector<int> path;
    const QTreeWidgetItem* top = item;
    for (; top->parent() != nullptr; top = top->parent()) {
        path.push_back(top->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(top)));
    }
    if (indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(top)) != 0) {
        return nullptr;
    }
    CDataNode* node = &m_tree;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (*it < 0 || *it >= node->GetChildCount()) {
            return nullptr;
        }
        node = &node->GetChild(*it);
    }
    return node;
}

QMenu* CDataTreeCtrl::CreatePopup(QTreeWidgetItem* item) {
    const CDataNode* node = NodeOf(item);
    if (node == nullptr) {
        return nullptr;
    }
    const SDataPopup popup = BuildDataPopup(*node);
    if (popup.IsEmpty()) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    const QString add = QString::fromUtf8(LoadStr(41472));
    if (!popup.singleAddText.empty()) {
        menu->addAction(QString::fromStdString(popup.singleAddText))->setData(kDataCmdAdd);
    } else if (!popup.addNames.empty()) {
        QMenu* sub = menu->addMenu(add);
        for (size_t k = 0; k < popup.addNames.size(); ++k) {
            sub->addAction(QString::fromStdString(popup.addNames[k]))
                ->setData(kDataCmdAdd + static_cast<int>(k));
        }
    }
    if (popup.edit) {
        menu->addAction(QString::fromUtf8(LoadStr(41473)))->setData(kDataCmdEdit);
    }
    if (popup.remove) {
        menu->addAction(QString::fromUtf8(LoadStr(41474)))->setData(kDataCmdDelete);
    }
    return menu;
}

void CDataTreeCtrl::OnCommand(int id) {
    QTreeWidgetItem* item = currentItem();
    CDataNode* node = NodeOf(item);
    if (node == nullptr) {
        return;
    }
    if (id == kDataCmdEdit) {
        EditLabel(item);
    } else if (id == kDataCmdDelete) {
        if ((node->GetFlags() & CDataNode::flagDelete) == 0) {
            return;
        }
        if (!m_prompter.AskYesNo(datatexts::kAskDelete, CPrompter::EIcon::Question)) {
            return;
        }
        QTreeWidgetItem* parentItem = item->parent();
        CDataNode* parent = NodeOf(parentItem);
        if (parent == nullptr || !parent->RemoveChild(parentItem->indexOfChild(item))) {
            return;  // the root cannot go
        }
        delete item;
    } else if (id >= kDataCmdAdd) {
        const int child = AddDataChild(*node, id - kDataCmdAdd);
        if (child < 0) {
            return;
        }
        item->setExpanded(true);
        QTreeWidgetItem* added = MakeItem(node->GetChild(child));
        item->addChild(added);
        setCurrentItem(added);
        EditLabel(added);
    }
}

bool CDataTreeCtrl::EditLabel(QTreeWidgetItem* item) {
    const CDataNode* node = NodeOf(item);
    if (node == nullptr || (node->GetFlags() & CDataNode::flagEdit) == 0 || m_editor != nullptr) {
        return false;
    }
    setCurrentItem(item);
    scrollToItem(item);
    editItem(item, 0);
    return m_editor != nullptr;
}

void CDataTreeCtrl::commitData(QWidget* editor) {
    if (editor == m_editor && m_editor != nullptr) {
        m_committedText = m_editor->text();
        m_committed = true;
    }
}

void CDataTreeCtrl::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint) {
    if (m_destroying || editor != m_editor || m_editor == nullptr) {
        QTreeWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        return;
    }
    QTreeWidgetItem* item = m_editItem;
    const bool committed = m_committed;
    const QString typed = m_committedText;
    m_editor = nullptr;
    m_editItem = nullptr;
    m_committed = false;
    QTreeWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
    const CDataNode* node = NodeOf(item);
    if (node == nullptr) {
        return;
    }
    // A cancelled edit checks the text the node holds, so a new date item cannot stay "Datę".
    EndLabelEdit(item, committed ? typed : QString::fromStdString(node->GetText()));
}

void CDataTreeCtrl::EndLabelEdit(QTreeWidgetItem* item, const QString& text) {
    CDataNode* node = NodeOf(item);
    item->setText(0, text);
    const std::string value = text.toStdString();
    if (const char* problem = CheckDataValue(node->GetKind(), value)) {
        // The node keeps its value; the item shows it again when the edit restarts.
        item->setText(0, QString::fromStdString(node->GetText()));
        m_prompter.ShowMessage(problem, CPrompter::EIcon::Warning);
        QTimer::singleShot(0, this, [this] {
            if (QTreeWidgetItem* current = currentItem()) {
                EditLabel(current);
            }
        });
        return;
    }
    node->SetText(value);
}

void CDataTreeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) {
            setCurrentItem(item);
        }
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CDataTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        QTreeWidgetItem* item = itemAt(event->position().toPoint());
        if (item != nullptr && !IsEditingLabel()) {
            std::unique_ptr<QMenu> menu(CreatePopup(item));
            if (menu) {
                setCurrentItem(item);
                if (QAction* chosen = menu->exec(event->globalPosition().toPoint())) {
                    // After the menu has given the focus back, or it would end the label edit
                    // the command starts.
                    const int id = chosen->data().toInt();
                    QTimer::singleShot(0, this, [this, id] { OnCommand(id); });
                }
            }
        }
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Tree dialog

CDataTreeDialog::CDataTreeDialog(const CDataNode& tree, CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_tree(tree) {
    setObjectName("158");
    setWindowTitle(QString::fromStdString(m_tree.GetText()));
    auto* layout = new QVBoxLayout(this);
    m_ctrl = new CDataTreeCtrl(m_tree, prompter, this);
    m_ctrl->setMinimumSize(360, 300);
    layout->addWidget(m_ctrl);
    auto* buttons = new QHBoxLayout;
    QPushButton* print = AddIdButton(buttons, this, 1012, "Drukuj");
    buttons->addStretch();
    QPushButton* ok = AddIdButton(buttons, this, 1, "Tak");
    ok->setDefault(true);
    QPushButton* cancel = AddIdButton(buttons, this, 2, "Przerwij");
    layout->addLayout(buttons);
    // Printing belongs to the program, which sets the handler.
    connect(print, &QPushButton::clicked, this, [this] {
        if (PrintHandler()) {
            PrintHandler()(m_tree, this);
        }
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CDataTreeDialog::~CDataTreeDialog() {
    delete m_ctrl;
}

void CDataTreeDialog::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) &&
        m_ctrl->IsEditingLabel()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Entry points

void SetDataPrintHandler(std::function<void(const CDataNode&, QWidget*)> handler) {
    PrintHandler() = std::move(handler);
}

int RunDataTypeDialog(QWidget* parent) {
    CDataTypeDialog dlg(parent);
    return dlg.exec() == QDialog::Accepted ? dlg.Type() : -1;
}

bool RunDataTreeDialog(CDataNode& tree, CPrompter& prompter, QWidget* parent) {
    CDataTreeDialog dlg(tree, prompter, parent);
    if (dlg.exec() != QDialog::Accepted) {
        return false;
    }
    tree = dlg.Tree();
    return true;
}

bool OnEntityDataButton(CDataNode& tree, CPrompter& prompter, QWidget* parent) {
    bool built = false;
    if (tree.GetText().empty()) {
        const int type = RunDataTypeDialog(parent);
        if (type < 0) {
            return false;
        }
        tree.BuildObjectTree(type);
        built = true;
    }
    return RunDataTreeDialog(tree, prompter, parent) || built;
}

bool OnRemoveDataButton(CDataNode& tree, CPrompter& prompter) {
    if (!prompter.AskYesNo(datatexts::kAskSure, CPrompter::EIcon::Question)) {
        return false;
    }
    tree.SetChildCount(0);
    tree.SetText(std::string());
    return true;
}

bool OnEditData(CTAVDoc& doc, int index, CPrompter& prompter, QWidget* parent) {
    if (doc.GetBusy() != 0) {
        prompter.Beep();
        return false;
    }
    if (index < 0 || index >= doc.GetEntityCount()) {
        return false;
    }
    CDataNode copy = doc.GetEntity(index)->m_data;
    if (copy.GetText().empty()) {
        const int type = RunDataTypeDialog(parent);
        if (type < 0) {
            return false;
        }
        copy.BuildObjectTree(type);
    }
    if (!RunDataTreeDialog(copy, prompter, parent)) {
        return false;
    }
    // The dialog ran modally: the entity may have gone meanwhile only through this document.
    if (index >= doc.GetEntityCount()) {
        return false;
    }
    CDocStep step(doc, stepnames::kData);
    doc.TouchEntity(index);
    doc.GetEntity(index)->m_data = copy;
    doc.SetModifiedFlag(true);
    return true;
}
