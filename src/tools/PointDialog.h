#pragma once

// Dialog 156 "Punkt": name, the position in the active coordinate system, colour, layer and
// data of one point entity.

#include "tools/EntityDialog.h"

class CPointDialog : public CEntityDialog {
    Q_OBJECT
public:
    explicit CPointDialog(CTAVView& view);

public slots:
    // Handle 1: the picked point, rounded to two decimals in the active system, becomes the
    // position; then the controls are read back.
    void OnPointPicked(int handle) override;

protected:
    void FillControls() override;
    bool ReadControls() override;
    void HandleFocus(int handle) override;
    void CursorBack() override;
    QWidget* FirstFocus() const override;

private:
    QLineEdit* m_xyz[3];
};
