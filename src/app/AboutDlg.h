#pragma once

#include <QDialog>

// The About box: program name, version, maker and the two fixed lines, one "Tak" button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
