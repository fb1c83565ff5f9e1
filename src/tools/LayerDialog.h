#pragma once

// The layer manager, dialog 161 "Warstwy": the layer list with padlock and eye per row, in-place
// renaming, new layers, deletion with their entities and the choice of the current layer.
// Every change acts on the document at once. Every control's objectName is its control id.

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <string>
#include <vector>

class CLayerListBox;
class CPrompter;
class CTAVDoc;
class QMenu;

// The in-place name editor 999 over the text part of a row. Enter or losing the focus checks
// the name; a refused name keeps it open with its text selected; Escape cancels.
class CLayerNameEdit : public QLineEdit {
    Q_OBJECT
public:
    CLayerNameEdit(CLayerListBox& list, CTAVDoc& doc, CPrompter& prompter, int row);
    // The row being renamed.
    int Row() const { return m_row; }
    // The name of the last successful check.
    const std::string& AcceptedName() const { return m_name; }
    // Set by a successful check, cleared by typing and Escape.
    bool IsValid() const { return m_valid; }
    // Set once the text was changed.
    bool IsModified() const { return m_modified; }
    // Checks the text unless it was checked since the last key: true when it is accepted.
    bool CheckOnce();
    // Closes the editor with its accepted text, as Enter does; nothing when it is refused.
    void Commit();
    // Closes the editor without checking or taking its text.
    void Discard();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool Validate();
    void Finish();

    CLayerListBox& m_list;
    CTAVDoc& m_doc;
    CPrompter& m_prompter;
    int m_row;
    std::string m_name;
    bool m_valid = true;
    bool m_handled = false;
    bool m_modified = false;
    bool m_closing = false;
};

// List 1001: one owner-drawn row per layer; a plain click selects one row, Ctrl or Shift adds or
// removes one; a click on the padlock or eye of a selected row flips that flag of every selected
// row; a double click on the name of the only selected row renames it.
class CLayerListBox : public QListWidget {
    Q_OBJECT
public:
    // Row layout in pixels from the row's left edge.
    static constexpr int kPadlockX = 2;
    static constexpr int kEyeX = 18;
    static constexpr int kTextPartX = 36;
    static constexpr int kNameX = 40;

    CLayerListBox(CTAVDoc& doc, CPrompter& prompter, QWidget* parent = nullptr);

    // One row per layer of the document.
    void Reload();
    // The selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    // Starts renaming row (row = layer count creates a new layer first); rows beyond that do
    // nothing, and an open editor only takes the focus again.
    void StartEdit(int row);
    // The open editor, or nullptr.
    CLayerNameEdit* Editor() const { return m_editor; }
    // Closes an open editor without taking its text.
    void CloseEditor();
    // editor ended with an accepted text: a changed name goes into its row's layer.
    void OnEditFinished(const CLayerNameEdit& editor);
    // The editor was cancelled or refused its text: row is selected.
    void OnEditCancelled(int row);
    // Popup commands 32804, 32805, 32806.
    void SelectAllRows();
    void ClearAllRows();
    void InvertRows();
    // The popup menu of the list; caller owns it. Each action carries its command id as data.
    QMenu* CreatePopup();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class CLayerNameEdit;
    CTAVDoc& m_doc;
    CPrompter& m_prompter;
    CLayerNameEdit* m_editor = nullptr;
};

class CLayerDialog : public QDialog {
    Q_OBJECT
public:
    // Shows doc's layers with current as the current one (-1: none).
    CLayerDialog(CTAVDoc& doc, int current, CPrompter& prompter, QWidget* parent = nullptr);
    // The current layer chosen (-1 when none was given and none chosen).
    int Current() const { return m_current; }
    CLayerListBox* List() const { return m_list; }

    // "&Nowa...", "&Edytuj...", "&Usuń", "&Aktualna".
    void OnNew();
    void OnEdit();
    void OnDelete();
    void OnCurrent();
    // "Tak" stays while the open name editor refuses its text.
    void accept() override;

private:
    void ShowCurrentName();

    CTAVDoc& m_doc;
    CPrompter& m_prompter;
    CLayerListBox* m_list;
    QLineEdit* m_currentName;
    int m_current;
};

// Command 32791: beeps while doc is busy; otherwise runs the dialog, makes its current layer the
// document's, marks the document modified, repaints the views and reloads the layer combo box.
void OnLayers(CTAVDoc& doc, CPrompter& prompter, QWidget* parent);
