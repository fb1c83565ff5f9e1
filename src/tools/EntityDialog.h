#pragma once

// The modeless dialogs that edit one entity beside the view (and the common base of every
// dialog that collects points from the view): the view is put into point input, its clicks
// arrive through CTAVView::pointPicked, the values are written straight into the live entity
// and "Przerwij" restores the saved copy.

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <functional>

#include "tools/core/EntityEdit.h"
#include "view/TAVView.h"

class CTAVDoc;

class QComboBox;
class QGridLayout;
class QLineEdit;

// A dialog that keeps its document busy while open and takes points from the view.
class CViewEditDialog : public QDialog {
    Q_OBJECT
public:
    CViewEditDialog(CTAVView& view, const char* id, const QString& title);
    CTAVView& View() const { return *m_view; }
    CTAVDoc& Doc() const { return *m_doc; }
    // Cancels without side effects beyond the cancel itself (the window or the program is
    // closing); the dialog deletes itself later.
    virtual void Abandon() = 0;

public slots:
    // A point was clicked in the view; handle is the view's edit handle.
    virtual void OnPointPicked(int handle) = 0;

protected:
    // Takes over the view: saved tool, tool 0, busy flag, the dialog as its modeless dialog.
    void TakeView();
    // Gives the view back: tool restored, selection cleared, busy flag and modeless dialog
    // cleared, all views updated. Safe to call twice.
    void ReleaseView();
    // Sets the view's edit handle.
    void SetHandle(int handle);
    // Sets the view's picked point and cursor point.
    void SetViewPoint(const CPoint3& p);
    // Repaints every view of the document.
    void UpdateViews();
    // Shows a message through the document's prompter.
    void Message(const std::string& text);
    // Reads a number field: false (message shown, field focused) when it is not a number or
    // lies outside lo..hi.
    bool ReadNumber(QLineEdit* field, double& out, double lo, double hi);
    // Tracks the focus of child so that it sets edit handle `handle` (see HandleFocus).
    void TrackFocus(QWidget* child, int handle);
    // Gives w the focus (its text selected) and sets the edit handle it stands for at once:
    // the dialog window need not be active, so no focus event may follow.
    void MoveFocus(QWidget* w);
    // Called when a tracked child gains or loses the focus.
    virtual void HandleFocus(int handle);
    // Called when the mouse comes back from the view to the dialog.
    virtual void CursorBack() {}

    bool eventFilter(QObject* watched, QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    // First show: the Tab order follows the layout (rows, then columns) and the focus goes to
    // FirstFocus().
    void showEvent(QShowEvent* event) override;
    // The control that has the focus when the dialog first shows (nullptr: the first in order).
    virtual QWidget* FirstFocus() const { return nullptr; }

    QPointer<CTAVView> m_view;
    CTAVDoc* m_doc;
    int m_savedTool = 0;
    bool m_released = false;
    bool m_ordered = false;
};

// The colour button "&Kolor": a frame, the caption with its mnemonic and a swatch.
class CColorButton : public QPushButton {
    Q_OBJECT
public:
    CColorButton(const QString& caption, QWidget* parent);
    // The colour of the swatch (components 0..1).
    void SetColor(const double rgb[3]);
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;

private:
    QString m_caption;
    QColor m_color;
};

// Chooses a colour, starting from rgb; true with rgb replaced. Tests replace it.
using ColorChooser = std::function<bool(double rgb[3], QWidget* parent)>;
// The chooser the colour buttons use (the system colour dialog by default).
ColorChooser& EntityColorChooser();

// Base of the point, polyline, arc and text dialogs.
class CEntityDialog : public CViewEditDialog {
    Q_OBJECT
public:
    CEntityDialog(CTAVView& view, const char* id, const QString& title);
    // The live entity, nullptr once the dialog has closed.
    CEntity* Entity() const { return m_edit.Entity(); }
    int EntityIndex() const { return m_edit.Index(); }
    bool IsNew() const { return m_edit.IsNew(); }

    // Starts the edit of a new entity (appended, highlighted) or of entity index; false when
    // the entity does not suit the dialog.
    bool BeginNew(std::unique_ptr<CEntity> entity);
    bool BeginExisting(int index);

    // "Tak": reads the controls, completes the entity and closes; stays open on a problem.
    void accept() override;
    // "Przerwij", Escape, the close box: restores the entity and closes.
    void reject() override;
    void Abandon() override;

public slots:
    // Reads the controls back after a pick, then repaints.
    void OnPointPicked(int handle) override;

protected:
    // Controls from the entity.
    virtual void FillControls() = 0;
    // Entity from the controls; false (message shown) leaves the entity as it is.
    virtual bool ReadControls() = 0;
    // Last step before completing ("Tak"): the polyline drops its pending row.
    virtual void BeforeCommit() {}
    // The common controls into a layout: name, layer, colour and the data buttons. Must be
    // called by the derived constructor.
    void AddNameControl(QGridLayout* grid, int row, int id = 1006);
    void AddCommonControls(QGridLayout* grid, int row);
    void AddOkCancel(QGridLayout* grid, int row);
    // Three edits (ids firstId..firstId+2, labels given) in a group box; handle as TrackFocus.
    QWidget* AddVectorGroup(const QString& title, int firstId, const char* const labels[3],
                            QLineEdit* out[3], int handle);
    // Shows a global point (asPoint) or direction in the active system, "%.15g".
    void ShowVector(QLineEdit* const fields[3], const CVec3& global, bool asPoint);
    // Writes a local value with "%.2lf" (a picked point).
    void ShowPicked(QLineEdit* const fields[3], const CPoint3& local);
    // Reads three edits back to a global point or direction; false (message shown) when a
    // field is not a number or the active system does not invert.
    bool ReadVector(QLineEdit* const fields[3], CVec3& global, bool asPoint);
    // Reads a placement point and its Z axis (arcs, texts); an axis shorter than the geometry
    // tolerance is refused with its message and the focus on the axis.
    bool ReadPlacement(QLineEdit* const pointFields[3], QLineEdit* const axisFields[3],
                       CVec3& point, CVec3& axis);
    // Name and layer from and to the entity.
    void FillCommon();
    void ReadCommon();
    void Init();
    // Repaints when the entity still is in the document.
    void Preview();
    void OnColor();
    void OnData();
    void OnRemoveData();

    CEntityEdit m_edit;
    QLineEdit* m_name = nullptr;
    QComboBox* m_layer = nullptr;
    CColorButton* m_color = nullptr;
    QPushButton* m_data = nullptr;
    QPushButton* m_removeData = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// Starts the dialog of a new entity of typeCode (104 point, 101 polyline, 100 polygon, 103 arc,
// 102 text) in view: beeps and returns nullptr when the document is busy.
CEntityDialog* StartNewEntityDialog(CTAVView& view, int typeCode);
// Opens the dialog of entity index: beeps when busy, nullptr when index is no entity.
CEntityDialog* StartEditEntityDialog(CTAVView& view, int index);
// "Edytuj wybrane": the dialog of the current pick, or of the only entity of the multiple
// selection, or dialog 167 for several entities (run modally). Beeps while busy.
void EditSelected(CTAVView& view);
// Cancels the view's open modeless dialog, if any, without reopening anything (the window or
// the program is closing).
void AbandonViewDialog(CTAVView& view);
// Clears the view's selection, current pick and edit handle.
void ClearViewSelection(CTAVView& view);
