#pragma once

// Dialog 157 "Informacja:" of "Informacje": the kind of the entity in a group box and up to two
// label/value rows; a row with an empty label or value is hidden. Every control's objectName is
// its control id (group 1085, row 1 labels 1086/1087, row 2 1088/1089).

#include <QDialog>

#include "tools/core/Measurement.h"

class QGroupBox;
class QLabel;

class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    // Shows info as given; nothing is computed here.
    explicit CInfoDlg(const SEntityInfo& info, QWidget* parent = nullptr);
};

// "Informacje" on an entity: computes its rows (41511 through prompter when the area cannot
// be computed) and runs the dialog modally; nothing for points and texts.
void ShowEntityInfo(const CEntity& entity, CPrompter& prompter, QWidget* parent);
