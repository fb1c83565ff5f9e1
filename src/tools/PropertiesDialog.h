#pragma once

// Dialog 167 "Właściwości": name, layer, colour and data of several selected entities at once;
// what differs among them is left alone unless the user sets it.

#include <QDialog>
#include <vector>

#include "tools/core/EntityEdit.h"

class CColorButton;
class CTAVView;
class QComboBox;
class QLineEdit;
class QPushButton;

class CPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    // Gathers the properties of selection (indices into view's document).
    CPropertiesDialog(CTAVView& view, std::vector<int> selection);
    // The values as they stand in the dialog.
    const SCommonProperties& Properties() const { return m_props; }

    // "Tak": sets the common values on every selected entity, marks the document modified and
    // clears the view's selection.
    void accept() override;

private:
    void OnColor();
    void OnData();
    void OnRemoveData();

    CTAVView& m_view;
    std::vector<int> m_selection;
    SCommonProperties m_props;
    QLineEdit* m_name;
    QComboBox* m_layer;
    CColorButton* m_color;
    QPushButton* m_data;
    QPushButton* m_removeData;
};
