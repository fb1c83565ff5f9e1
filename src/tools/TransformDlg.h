#pragma once

// The three-point alignment dialog 164 "Transformacja:": the imported model's reference system
// in its own coordinates (origin and points on two axes) and the position of the same three
// points in the drawing. Every control's objectName is its control id.

#include <QDialog>

#include "exchange/Alignment.h"

class CPrompter;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QLineEdit;

class CTransformDlg : public QDialog {
    Q_OBJECT
public:
    // Shows the defaults; prompter shows the messages of the checks.
    explicit CTransformDlg(CPrompter& prompter, QWidget* parent = nullptr);

    // Puts values into the controls (the fields the caller sets before running the dialog).
    void SetValues(const SAlignment& values);
    // The values confirmed with OK (the ones set before, until then).
    const SAlignment& Values() const { return m_values; }

    // Reads the controls; a field that is not a number, or values that fail one of the four
    // checks (its message shown), keep the dialog open.
    void accept() override;

private:
    struct SPointControls {
        QLineEdit* xyz[3];
    };
    struct SAxisControls {
        QButtonGroup* axis;
        SPointControls point;
    };

    void BuildSystem(QBoxLayout* layout, const char* title, int firstId, SPointControls& origin,
                     SAxisControls& first, SAxisControls& second);
    bool ReadPoint(const SPointControls& c, CPoint3& out);

    CPrompter& m_prompter;
    SAlignment m_values;
    SPointControls m_modelOrigin;
    SAxisControls m_modelFirst;
    SAxisControls m_modelSecond;
    QCheckBox* m_leftHanded;
    SPointControls m_drawingOrigin;
    SAxisControls m_drawingFirst;
    SAxisControls m_drawingSecond;
};

// Runs the dialog pre-filled with values: true with the confirmed values written back, false
// (values untouched) when cancelled. The GUI's prompter answers RunAlignmentDialog with it.
bool RunTransformDlg(SAlignment& values, CPrompter& prompter, QWidget* parent = nullptr);
