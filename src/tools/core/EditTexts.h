#pragma once

// Texts of the editing dialogs and managers, by the resource ids they have always had.

// 41453: confirmation of a removal.
inline constexpr char kAskSure[] = "Czy jesteś pewny?";
// 41455: a polygon needs three vertices.
inline constexpr char kPolygonTooFew[] = "Poligon ma mniej niz 3 punkty!";
// 41456: a polyline needs two vertices.
inline constexpr char kPolylineTooFew[] = "Łamana ma mniej niż dwa punkty!";
// 41457: empty name of a named object.
inline constexpr char kEmptyName[] = "Nazwa obiektu nie może być pusta!";
// 41458: the name belongs to another object.
inline constexpr char kNameTaken[] = "Obiekt o takiej nazwie już istnieje!";
// 41483: caption of the colour button.
inline constexpr char kColorCaption[] = "&Kolor";
// Caption of the colour button of the properties dialog while the colours differ.
inline constexpr char kColorsDiffer[] = "Rózne";
// 41484 and 41485: titles of the polyline and polygon dialog.
inline constexpr char kPolylineTitle[] = "Łamana";
inline constexpr char kPolygonTitle[] = "Poligon";
// 41531: confirmation of deleting a coordinate system.
inline constexpr char kAskDeleteSystem[] = "Czy na prawdę chcesz usunąć tą uklad wspólrzednych?";
// 41533: name shown when no local system is current.
inline constexpr char kGlobalSystem[] = "Globalny układ odniesienia";
// 41534: the three points of a system do not span a plane.
inline constexpr char kSystemDegenerate[] =
    "Punkty definujące układ współrzędnych nie mogą nakładać się lub być współliniowe";
// A modeless dialog window could not be created.
inline constexpr char kDialogCreateError[] = "Error creating Dialog";
// The framework's request for a number (61713) and for a number within a range (%1, %2).
inline constexpr char kEnterNumber[] = "Wprowadź liczbę.";
inline constexpr char kEnterNumberRange[] = "Wprowadź liczbę z zakresu od %1 do %2.";
// Typed coordinates cannot be taken back into the global frame (a singular stored matrix).
inline constexpr char kSingularSystem[] =
    "Macierz aktualnego układu współrzędnych jest osobliwa; nie można przeliczyć współrzędnych.";
// An arc or text axis of no length has no plane.
inline constexpr char kZeroAxis[] = "Oś Z nie może mieć zerowej długości.";
// Names of the four stroke fonts, by font index.
inline constexpr const char* kFontNames[4] = {"font1_10i", "font2_085i", "font3_10", "font4_085"};
