#pragma once

// Dialog 153 "Łamana" / "Poligon": the vertices of a polyline or polygon in a list edited in
// place, points clicked in the view filling the selected row and appending the next one.

#include "tools/EntityDialog.h"

class CCoordinatesListCtrl;

class CPolyDialog : public CEntityDialog {
    Q_OBJECT
public:
    explicit CPolyDialog(CTAVView& view);
    CCoordinatesListCtrl& List() const { return *m_list; }

public slots:
    // The selected row takes the clicked point; the next row is selected, or a new one is
    // started after the last.
    void OnPointPicked(int handle) override;
    // "W&staw...": a copy of the selected vertex after it (or a new row at the end) is edited.
    void OnInsert();
    // "&Przesuń...": edits the selected row.
    void OnMove();
    // "&Usuń": deletes the selected vertex.
    void OnDelete();
    // "Usuń &wszystko": asks, then deletes every vertex.
    void OnDeleteAll();

protected:
    void FillControls() override;
    bool ReadControls() override;
    void BeforeCommit() override;
    void CursorBack() override;
    void HandleFocus(int handle) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnItemChanged(int row, int column, int mask);
    void DeletePendingRow();

    CCoordinatesListCtrl* m_list;
    QPushButton* m_insert;
    bool m_shownOnce = false;
};
