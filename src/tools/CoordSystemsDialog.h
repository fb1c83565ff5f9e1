#pragma once

// The coordinate system manager: the list dialog 168 "Uklady wspólrzednych" (modal) and the
// definition dialog 169 "Uklad wspolrzednych:" (modeless, points typed or clicked in the view).
// Closing the definition dialog brings the list back.

#include <QListWidget>
#include <functional>

#include "tools/EntityDialog.h"

class CTAVDoc;
class QLineEdit;

// List 1001: one row per system, the current one marked by a check mark; a click on the mark
// column (3 < x < 20) makes that system current.
class CCoordSystemListBox : public QListWidget {
    Q_OBJECT
public:
    CCoordSystemListBox(CTAVDoc& doc, QWidget* parent);
    // Rebuilds the rows from the document, keeping the selected row when it still exists.
    void Reload();

signals:
    // A click on the mark column made row the current system.
    void currentSystemChosen(int row);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CTAVDoc& m_doc;
};

class CCoordSystemsDialog : public QDialog {
    Q_OBJECT
public:
    // Codes the dialog ends with besides QDialog::Accepted ("Tak").
    static constexpr int kNew = 1014;
    static constexpr int kEdit = 1015;

    CCoordSystemsDialog(CTAVDoc& doc, QWidget* parent = nullptr);
    // The system chosen with "&Edytuj...", -1 before.
    int ChosenIndex() const { return m_chosen; }
    CCoordSystemListBox& List() const { return *m_list; }
    // The text of the current system edit 1115.
    QString CurrentName() const;

public slots:
    void OnNew();
    void OnEdit();
    // "&Usuń": asks, deletes the selected system and selects the one taking its place.
    void OnDelete();
    // "&Aktualny": the selected system becomes current.
    void OnMakeCurrent();
    // "&Globalny": the global frame becomes current.
    void OnGlobal();

private:
    void MakeCurrent(int row);
    void ShowCurrent();

    CTAVDoc& m_doc;
    CCoordSystemListBox* m_list;
    QLineEdit* m_current;
    int m_chosen = -1;
};

// Dialog 169: the name and the three points of one system, shown in the current system.
class CCoordSystemDialog : public CViewEditDialog {
    Q_OBJECT
public:
    // Takes over view for a new system (index -1) or system index.
    CCoordSystemDialog(CTAVView& view, int index);
    int Index() const { return m_index; }

    // Checks and stores the system; stays open with a message on a problem.
    void accept() override;
    void reject() override;
    void Abandon() override;

public slots:
    // 1, 2, 3: the origin, X point or Y point takes the clicked point (in the current system,
    // two decimals) and the focus moves on to the next point.
    void OnPointPicked(int handle) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Close(bool accepted, bool reopen);
    void ShowPoint(int which, const CPoint3& global);

    int m_index;
    QLineEdit* m_name;
    QLineEdit* m_points[9];
    bool m_shownOnce = false;
};

// What closing dialog 169 does to bring the list back (by default: runs the command again on
// the view from the event loop). Tests replace it.
using CoordSystemsReopen = std::function<void(CTAVView& view)>;
CoordSystemsReopen& CoordSystemsReopenHook();

// Command 32793: beeps while busy; runs the list, then opens dialog 169 for "&Nowy..." or
// "&Edytuj...". Returns the definition dialog when one was opened.
CCoordSystemDialog* RunCoordSystemsCommand(CTAVView& view);
// Opens dialog 169 for a new system (index -1) or system index; nullptr (after a beep) when
// the document is busy.
CCoordSystemDialog* OpenCoordSystemDialog(CTAVView& view, int index);
