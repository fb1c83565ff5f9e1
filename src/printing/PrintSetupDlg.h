#pragma once

// The print settings dialog "Drukuj": area (screen or a window of two corners, which can be
// picked in the view), scale or fit, centring or shifts, black and white, line width. Controls
// carry their ids as object names.

#include <QDialog>

#include "printing/core/PrintSettings.h"

class CPrompter;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;

class CPrintSetupDlg : public QDialog {
    Q_OBJECT
public:
    // How the dialog was closed.
    enum EResult { kCancelled, kPrint, kPreview, kPick };

    // Shows settings; refusals are told through prompter.
    CPrintSetupDlg(const CPrintSettings& settings, CPrompter& prompter, QWidget* parent = nullptr);

    // The settings as the dialog left them; unchanged after Cancel.
    const CPrintSettings& Settings() const { return m_settings; }
    EResult Result() const { return m_result; }
    // The control of id (its object name), or nullptr.
    QWidget* Control(int id) const;

private:
    // Enables the fields that the current choices use.
    void UpdateEnabling();
    // Reads the fields, checks them (picking skips the window) and closes with result; a
    // refusal shows its message and puts the focus on the field at fault.
    void TryClose(EResult result);
    // The fields into a copy of the settings.
    CPrintSettings ReadFields() const;

    CPrintSettings m_settings;
    CPrompter& m_prompter;
    EResult m_result = kCancelled;
    QRadioButton* m_screen = nullptr;
    QRadioButton* m_window = nullptr;
    QLineEdit* m_corner[4] = {nullptr, nullptr, nullptr, nullptr};
    QAbstractButton* m_pick = nullptr;
    QCheckBox* m_fit = nullptr;
    QLineEdit* m_mm = nullptr;
    QLineEdit* m_units = nullptr;
    QCheckBox* m_centreH = nullptr;
    QDoubleSpinBox* m_shiftRight = nullptr;
    QCheckBox* m_centreV = nullptr;
    QDoubleSpinBox* m_shiftDown = nullptr;
    QCheckBox* m_blackWhite = nullptr;
    QComboBox* m_lineWidth = nullptr;
};

// The number typed in a dialog field: a decimal point or comma, an optional exponent; false
// for anything else (the field's validator lets nothing else in).
bool ParsePrintField(const QString& text, double& value);
