#pragma once

// Dialogs of the camera: 151 "Punkt obserwacji" (eye, target, marker, spin, view angle, scale)
// and 152 "Rzutowanie" (near, far, projection kind, view angle). Every control's objectName is
// its control id. Numbers are typed in the C locale form (a dot), as the fields show them.

#include <QDialog>

#include "geometry/Vec3.h"

class CPrompter;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Message 41446: eye and target may not coincide.
inline constexpr char kSameEyeAndTarget[] = "Punkt obserwacji i punkt celu są takie same.";

// The values dialog 151 edits, in world coordinates.
struct SViewPointValues {
    CPoint3 eye;
    CPoint3 target;
    int targetMarker = 0;
    double spinAngle = 0.0;
    double viewAngle = 40.0;
    double scale = 1.0;
};

class CViewPointDlg : public QDialog {
    Q_OBJECT
public:
    // worldToLocal (may be null) is the active coordinate system: eye and target are shown and
    // typed in it. prompter shows message 41446.
    CViewPointDlg(const SViewPointValues& values, const CMatrix4* worldToLocal, CPrompter& prompter,
                  QWidget* parent = nullptr);
    // The accepted values in world coordinates (the initial ones before OK).
    const SViewPointValues& Values() const { return m_values; }

    void accept() override;

private:
    SViewPointValues m_values;
    CMatrix4 m_toLocal;
    CMatrix4 m_toWorld;
    CPrompter& m_prompter;
    QLineEdit* m_fields[6];
    QCheckBox* m_marker;
    QDoubleSpinBox* m_spin;
    QLineEdit* m_viewAngle;
    QLineEdit* m_scale;
};

// The values dialog 152 edits.
struct SProjectionValues {
    double nearPlane = 0.0;
    double farPlane = 2.0;
    int perspective = 0;
    double viewAngle = 40.0;
};

class CProjectionDlg : public QDialog {
    Q_OBJECT
public:
    CProjectionDlg(const SProjectionValues& values, QWidget* parent = nullptr);
    // The accepted values (the initial ones before OK).
    const SProjectionValues& Values() const { return m_values; }

    void accept() override;

private:
    void ShowViewAngle();

    SProjectionValues m_values;
    QLineEdit* m_near;
    QLineEdit* m_far;
    QRadioButton* m_ortho;
    QRadioButton* m_perspective;
    QLabel* m_angleLabel;
    QDoubleSpinBox* m_angle;
};

// Parses a number typed in a field: C form first, then the system locale's; false otherwise.
bool ParseFieldNumber(const QString& text, double& out);
