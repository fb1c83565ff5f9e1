#pragma once

#include <QDialog>
#include <QStringList>

#include "exchange/ImportSession.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

// "Jednostka GSI": millimetres or metres for GSI imports, and whether a block's own 81-83 win
// over its polar words. Kept in the settings, so an import asks nothing.
class CGsiUnitDialog : public QDialog {
public:
    explicit CGsiUnitDialog(QWidget* parent = nullptr);
    // Stores the choice when accepted.
    void accept() override;

private:
    QButtonGroup* m_unit;
    QCheckBox* m_coordinates;
};

// The options every import takes from the settings (GSI unit and coordinates).
SImportOptions ImportOptionsFromSettings();

// "Punkty z pliku CSV": the first lines of a delimited list split into columns, the separator
// and the order of the columns to choose; the choice is remembered.
class CPointListDialog : public QDialog {
public:
    CPointListDialog(const QStringList& lines, QWidget* parent = nullptr);
    // Separator (0: found from the file) and columns as chosen.
    char Separator() const;
    QString Columns() const;
    // Checks the order and stores the choice.
    void accept() override;

private:
    void Refill();

    QStringList m_lines;
    QComboBox* m_separator;
    QComboBox* m_columns;
    QTableWidget* m_preview;
};
