#pragma once

// Dialog 166 "Tryb lokalizacji punktu:": one check box per kind of point localization
// (controls 1091-1098 for bits 1-128); each click sets or clears its bit at once. Only "Tak".

#include <QDialog>
#include <cstdint>

class CPointLocalizeDlg : public QDialog {
    Q_OBJECT
public:
    // Edits mask in place while open; mask must outlive the dialog.
    explicit CPointLocalizeDlg(uint16_t& mask, QWidget* parent = nullptr);
};

// The texts of the eight boxes, bit 1 first.
inline constexpr const char* kLocalizeKindTexts[8] = {
    "Punkt",           "Wierzchołek",         "Centrum łuku/okręgu",
    "Początek tekstu", "Środek odcinka/łuku", "Koniec łuku",
    "Kwadrant okręgu", "Punkt przecięcia"};
// Title of the dialog.
inline constexpr char kLocalizeTitle[] = "Tryb lokalizacji punktu:";
