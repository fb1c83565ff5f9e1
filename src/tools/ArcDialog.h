#pragma once

// Dialog 155 "Łuk/Okrąg": centre, axis ("Oś Z"), radius and the angles of an arc or circle;
// clicks in the view give the centre, the radius, the start and the end.

#include "tools/EntityDialog.h"

class QCheckBox;
class QLabel;

class CArcDialog : public CEntityDialog {
    Q_OBJECT
public:
    explicit CArcDialog(CTAVView& view);

public slots:
    // 1: centre; 2: radius; 3: start angle; 4: angular length (from the pick ray met with the
    // arc's plane; a ray parallel to it keeps the value). Then the controls are read back.
    void OnPointPicked(int handle) override;
    // "&Okrąg": ticked makes a full circle (start 0, length 360) and disables the angles.
    void OnCircle(bool checked);

protected:
    void FillControls() override;
    bool ReadControls() override;
    void HandleFocus(int handle) override;
    void CursorBack() override;
    QWidget* FirstFocus() const override;

private:
    void EnableAngles(bool enable);
    CPoint3 HandlePoint(int handle) const;

    QLineEdit* m_centre[3];
    QLineEdit* m_axis[3];
    QLineEdit* m_radius;
    QLineEdit* m_start;
    QLineEdit* m_length;
    QLabel* m_startLabel;
    QLabel* m_lengthLabel;
    QCheckBox* m_circle;
    bool m_circleSet = false;
};
