#pragma once

// The vertex list of the polyline and polygon dialog: a table over CCoordinatesModel whose
// X, Y and Z cells are edited in place, one at a time, by CCoordinateEdit.

#include <QLineEdit>
#include <QPointer>
#include <QTableView>

#include "tools/CoordinatesModel.h"

class CCoordinatesListCtrl;

// The cell editor (objectName "999"): Enter accepts, Escape cancels, losing the focus
// validates; a refused text shows the message and keeps the editor open.
class CCoordinateEdit : public QLineEdit {
    Q_OBJECT
public:
    CCoordinateEdit(CCoordinatesListCtrl& list, int row, int column, double value);

    int Row() const { return m_row; }
    int Column() const { return m_column; }
    // The last accepted value (the cell's value at first).
    double Value() const { return m_value; }
    // Checks the text: true with Value() set, false (message shown) when refused.
    bool Validate();
    // Closes without validating or notifying anything.
    void Discard();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Accept();

    CCoordinatesListCtrl& m_list;
    double m_value;
    int m_valid = 1;
    int m_handled = 0;
    int m_row;
    int m_column;
    bool m_closing = false;
};

class CCoordinatesListCtrl : public QTableView {
    Q_OBJECT
public:
    // Change masks of itemChanged.
    static constexpr int kMaskState = 8;
    static constexpr int kMaskText = 1;

    explicit CCoordinatesListCtrl(QWidget* parent = nullptr);
    CCoordinatesModel& Model() { return m_model; }
    const CCoordinatesModel& Model() const { return m_model; }
    // Shows poly of doc.
    void Attach(CTAVDoc* doc, CPoly* poly) { m_model.Attach(doc, poly); }

    // Row added at the end for editing and not yet confirmed, -1 when none.
    int PendingRow() const { return m_pendingRow; }
    void SetPendingRow(int row) { m_pendingRow = row; }
    // Selected row, -1 when none.
    int SelectedRow() const;
    // Selects and focuses row, then reports it with itemChanged(row, 0, kMaskState).
    void SelectRow(int row);
    // The open cell editor, or nullptr.
    CCoordinateEdit* Editor() const { return m_editor; }
    // Posts StartEdit to the event queue.
    void PostStartEdit(int row, int column);
    // Closes an open editor without storing or reporting anything.
    void DiscardEditor();

public slots:
    // Opens the editor on a cell: row in 0..vertex count (the count itself appends a pending
    // copy of the last vertex), column 1..3; anything else does nothing.
    void StartEdit(int row, int column);
    // The editor closed with an accepted text: stores it when it was typed and reports
    // itemChanged(row, column, kMaskText).
    void OnEditAccepted(int row, int column, double value, bool modified);
    // The editor was cancelled or refused its text: the row is selected again.
    void OnEditRefused(int row);

signals:
    // A row was selected (mask 8, column 0) or a cell got a new value (mask 1).
    void itemChanged(int row, int column, int mask);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class CCoordinateEdit;
    void EditorClosed();
    void OnModelChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                        const QList<int>& roles);

    CCoordinatesModel m_model;
    int m_pendingRow = -1;
    bool m_selecting = false;
    QPointer<CCoordinateEdit> m_editor;
};
