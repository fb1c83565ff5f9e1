#pragma once

// The measuring kinds of the view's point input and what the status bar says meanwhile.

// Kinds of measurement.
enum EMeasureKind {
    kMeasureNone = 0,
    kMeasureCoordinates = 1,
    kMeasureLength = 2,
    kMeasureArea = 3
};

// Texts of measuring.
inline constexpr char kMeasureCaption[] = "Pomiar:";
inline constexpr char kPromptPoint[] = "Wskaż położenie punktu lewym przyciskiem myszy.";
inline constexpr char kPromptVertex[] =
    "Wskaż położenie wierzchołka. Prawy przycisk myszy, aby zakończyć pomiar.";
