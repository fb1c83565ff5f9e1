#pragma once

// Dialog 166 "Tryb lokalizacji punktu:": one check box per kind of point localization
// (controls 1091-1098 for bits 1-128); each click sets or clears its bit at once; below them the
// side of the search window in pixels (control 1190). Only "Tak".

#include <QDialog>
#include <cstdint>

class CPointLocalizeDlg : public QDialog {
    Q_OBJECT
public:
    // Edits mask and windowPixels (kept within 4..25) in place while open; both must outlive
    // the dialog.
    CPointLocalizeDlg(uint16_t& mask, int& windowPixels, QWidget* parent = nullptr);
};

// The texts of the eight boxes, bit 1 first.
inline constexpr const char* kLocalizeKindTexts[8] = {
    "Punkt",           "Wierzchołek",         "Centrum łuku/okręgu",
    "Początek tekstu", "Środek odcinka/łuku", "Koniec łuku",
    "Kwadrant okręgu", "Punkt przecięcia"};
// Label of the window size.
inline constexpr char kLocalizeWindowText[] = "Okno wyszukiwania (piksele):";
// Title of the dialog.
inline constexpr char kLocalizeTitle[] = "Tryb lokalizacji punktu:";
