#pragma once

// The attribute data dialogs: 159 "Typ Danych" chooses the kind of a new tree, 158 shows a tree
// in a tree control where nodes are added, renamed (with checks of texts, dates and numbers)
// and deleted, and prints it. Every control's objectName is its control id.

#include <QDialog>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>

#include "document/DataNode.h"

class CPrompter;
class CTAVDoc;
class QButtonGroup;
class QLineEdit;
class QMenu;

// Dialog 159: one of the five object types, none chosen at first.
class CDataTypeDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDataTypeDialog(QWidget* parent = nullptr);
    // The chosen type 0..4, or -1 when no button is checked.
    int Type() const;
    // "Tak" without a choice acts as "Przerwij".
    void accept() override;

private:
    QButtonGroup* m_group;
};

// Tree control 1011: one item per node of the tree it is given; items map to nodes by their
// position, so the tree may grow and shrink underneath.
class CDataTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    // Shows tree, which must outlive the control; messages go to prompter.
    CDataTreeCtrl(CDataNode& tree, CPrompter& prompter, QWidget* parent = nullptr);
    // An open label editor goes without its text being checked.
    ~CDataTreeCtrl() override;

    // Fills the control from the tree: every item expanded, the root selected.
    void Rebuild();
    // The node item stands for; nullptr for nullptr.
    CDataNode* NodeOf(const QTreeWidgetItem* item) const;
    // The context menu of item's node (nullptr when it offers nothing); caller owns it. Each
    // action carries its command id as data.
    QMenu* CreatePopup(QTreeWidgetItem* item);
    // Runs a context menu command on the selected item: kDataCmdEdit, kDataCmdDelete (asks
    // first) or kDataCmdAdd + k. Unknown or unavailable commands do nothing.
    void OnCommand(int id);
    // Starts label editing of item when its node is editable; false when refused.
    bool EditLabel(QTreeWidgetItem* item);
    // True while a label editor is open.
    bool IsEditingLabel() const { return m_editor != nullptr || state() == EditingState; }
    // The open label editor, or nullptr.
    QLineEdit* LabelEditor() const { return m_editor; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class CDataLabelDelegate;
    void AddItems(QTreeWidgetItem* parent, const CDataNode& node);
    QTreeWidgetItem* MakeItem(const CDataNode& node);
    void EndLabelEdit(QTreeWidgetItem* item, const QString& text);

    CDataNode& m_tree;
    CPrompter& m_prompter;
    QLineEdit* m_editor = nullptr;
    QTreeWidgetItem* m_editItem = nullptr;
    QString m_committedText;
    bool m_committed = false;
    bool m_destroying = false;
};

// Dialog 158: a copy of a tree in the tree control, "Drukuj", "Tak" and "Przerwij"; the title is
// the root's name.
class CDataTreeDialog : public QDialog {
    Q_OBJECT
public:
    CDataTreeDialog(const CDataNode& tree, CPrompter& prompter, QWidget* parent = nullptr);
    // Removes the control while the tree it shows still exists.
    ~CDataTreeDialog() override;
    // The edited copy.
    const CDataNode& Tree() const { return m_tree; }
    CDataTreeCtrl* TreeCtrl() const { return m_ctrl; }

protected:
    // Enter and Escape belong to an open label editor, never to the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    CDataNode m_tree;
    CDataTreeCtrl* m_ctrl;
};

// What "Drukuj" of the tree dialog does with the tree (the program prints it); without a handler
// the button does nothing.
void SetDataPrintHandler(std::function<void(const CDataNode&, QWidget* parent)> handler);

// Runs the type dialog: the chosen type, or -1 when cancelled or nothing was chosen.
int RunDataTypeDialog(QWidget* parent);
// Runs the tree dialog on a copy of tree; on "Tak" tree becomes the edited copy and true is
// returned, on "Przerwij" tree is untouched.
bool RunDataTreeDialog(CDataNode& tree, CPrompter& prompter, QWidget* parent);

// "&Dane..." of an entity dialog: builds a new tree of the chosen type directly in tree when
// it has none (type dialog), then runs the tree dialog on a copy and copies it back on
// "Tak". Returns true when tree changed (a new tree counts).
bool OnEntityDataButton(CDataNode& tree, CPrompter& prompter, QWidget* parent);
// "U&suń Dane...": asks 41453 "Czy jesteś pewny?"; on Yes empties tree and clears its type
// name. Returns true when removed.
bool OnRemoveDataButton(CDataNode& tree, CPrompter& prompter);
// "Edytuj &Dane" for entity index of doc: beeps while the document is busy; a tree of the
// chosen type is built in a copy when the entity has none, and only "Tak" of the tree dialog
// stores it and marks the document modified. Returns true when the entity's tree changed.
bool OnEditData(CTAVDoc& doc, int index, CPrompter& prompter, QWidget* parent);
