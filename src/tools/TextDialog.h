#pragma once

// Dialog 154 "Tekst": text, position, axis ("Oś Z"), rotation, height and font of a text
// entity; clicks in the view give the position, the height and the rotation.

#include "tools/EntityDialog.h"

class QComboBox;

class CTextDialog : public CEntityDialog {
    Q_OBJECT
public:
    explicit CTextDialog(CTAVView& view);

public slots:
    // 1: position; 2: height; 3: rotation (from the pick ray met with the text's plane; a ray
    // parallel to it keeps the value). Then the controls are read back.
    void OnPointPicked(int handle) override;

protected:
    void FillControls() override;
    bool ReadControls() override;
    void HandleFocus(int handle) override;
    void CursorBack() override;
    QWidget* FirstFocus() const override;

private:
    QLineEdit* m_text;
    QLineEdit* m_position[3];
    QLineEdit* m_axis[3];
    QLineEdit* m_rotation;
    QLineEdit* m_height;
    QComboBox* m_font;
};
