#pragma once

// The clipping plane manager: list dialog 163 "Plaszczyzny odcinajace" with a padlock per plane
// (open = active) and plane dialog 162 "Plaszczyzna odcinajaca:" showing the plane in the
// current coordinate system. Every control's objectName is its control id.

#include <QDialog>
#include <QListWidget>
#include <functional>

#include "document/Layer.h"

class CPrompter;
class CTAVDoc;
class QCheckBox;
class QLineEdit;

// Dialog 162: name, active flag, a point on the plane and the normal towards the cut side.
class CClipPlaneDialog : public QDialog {
    Q_OBJECT
public:
    // Edits plane (global) as plane index of doc (-1 for a new plane).
    CClipPlaneDialog(CTAVDoc& doc, int index, const CClipPlane& plane, CPrompter& prompter,
                     QWidget* parent = nullptr);
    // The plane after "Tak", in global coordinates with its equation.
    const CClipPlane& Plane() const { return m_plane; }
    // Reads the fields: a field that is not a number, an empty or taken name and a zero normal
    // each show their message and keep the dialog open.
    void accept() override;

private:
    CTAVDoc& m_doc;
    int m_index;
    CPrompter& m_prompter;
    CClipPlane m_plane;
    QLineEdit* m_name;
    QCheckBox* m_active;
    QLineEdit* m_fields[6];
};

// List 1001: one row per plane; a click on the padlock (3 < x < 20) switches the plane on or
// off and selects the row.
class CClipPlaneListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kNameX = 22;
    explicit CClipPlaneListBox(CTAVDoc& doc, QWidget* parent = nullptr);
    // One row per plane.
    void Reload();
    // The selected row, -1 when none.
    int SelectedRow() const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CTAVDoc& m_doc;
};

// Dialog 163: the planes with "&Nowa...", "&Edytuj...", "&Usuń" and "Tak"; "Tak" refuses more
// active planes than the limit, Escape closes without that check.
class CClipPlanesDialog : public QDialog {
    Q_OBJECT
public:
    CClipPlanesDialog(CTAVDoc& doc, int limit, CPrompter& prompter, QWidget* parent = nullptr);
    CClipPlaneListBox* List() const { return m_list; }
    int Limit() const { return m_limit; }

    void OnNew();
    void OnEdit();
    void OnDelete();
    void accept() override;

    // Runs a plane dialog (replaceable by tests): true with plane set on "Tak".
    using PlaneRunner = std::function<bool(CClipPlaneDialog& dialog)>;
    void SetPlaneRunner(PlaneRunner runner) { m_runner = std::move(runner); }

private:
    bool RunPlaneDialog(int index, CClipPlane& plane);

    CTAVDoc& m_doc;
    int m_limit;
    CPrompter& m_prompter;
    CClipPlaneListBox* m_list;
    PlaneRunner m_runner;
};

// Command 32792 for doc shown in view limit viewLimit (the view's GL_MAX_CLIP_PLANES, 0 or less
// when not read yet: 6): runs the list dialog, then marks the document modified and repaints.
void OnClipPlanes(CTAVDoc& doc, int viewLimit, CPrompter& prompter, QWidget* parent);
