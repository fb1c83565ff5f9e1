#include "app/CommandTable.h"

#include <algorithm>
#include <iterator>

namespace {

// Sorted by id. Menu texts, prompts and tooltips of the program's own commands are those of its
// resources, spelling included; the framework's commands carry prompts in the same style.
constexpr SCommand kCommands[] = {
    {32769, "&Import...", "Importuj dane z pliku tekstowego", "Import", ""},
    {32770, "&Eksportuj...", "Eksportuj dnae do pliku tekstowego", "Eksport", ""},
    {32772, "&Kasuj wybór", "Zlikwiduj bieżące wskazanie", "Wskaż nic", ""},
    {32773, "&Edytuj wybrane", "Edytuj wskazany obiekt", "Edytuj", ""},
    {32774, "Edytuj &Dane\tCtrl+D", "Edytuj dane dodatkowe wybranego obiektu", "Edytuj Dane",
     "Ctrl+D"},
    {32775, "&Przezroczysty", "Przełącz widok na przezroczysty", "", ""},
    {32776, "&Ukryte linie niewidoczne", "Przełącz widok na ukrywanie linii niewidocznych", "", ""},
    {32777, "Wypełniony &kolorem", "Przełącz widok na wypełnianie kolorem", "", ""},
    {32778, "Wypełniony i &cieniowany", "Przełącz widok na wypełnianiony kolorem i zacieniowany",
     "", ""},
    {32779, "&Wybierz", "Wskazywanie obiektów do edycji", "Wskaż", ""},
    {32780, "&Przesuń", "Przesuń", "Przesuń", ""},
    {32781, "&Skaluj", "Zoom", "Zoom", ""},
    {32782, "&Obracaj", "Obróć", "Obróć", ""},
    {32783, "O&kno", "Zoom okno", "Zoom okno", ""},
    {32784, "&Wszystko", "Pokaż wszystkie obiekty w rysunku", "Pokaż wszystko", ""},
    {32785, "Rzu&towanie...", "Przełączaj miedzy trybami rzutowania: Ortogonalnym lub Perspektywą",
     "Rzutowanie", ""},
    {32786, "Punkt o&bserwacji...", "Zmień punkt obserwacji i punkt celu", "Punkt obserwacji", ""},
    {32787, "&Poligon", "Rysuj nowy Poligon", "Nowy Poligon", ""},
    {32788, "&Łamana", "Rysuj a nowa Łamaną", "Nowa Łamana", ""},
    {32789, "&Tekst", "Rysuj nowy Tekst", "Nowy Tekst", ""},
    {32790, "&Okrąg/Łuk", "Rysuj nowy Łuk/Okrąg", "Nowy Łuk/Okrąg", ""},
    {32791, "&Warstwy", "Otwórz okno dialogowe menedżera warstw", "Warstwy", ""},
    {32792, "&Płaszczyzny odcinające", "Otwórz okno dialogowe menedżera plaszczyzn odcinajacych",
     "Plaszczyzny odcinajace", ""},
    {32793, "&Układy współrzędnych", "Otwórz okno dialogowe menedżera ukladów wspólrzednych",
     "Uklady wspólrzednych", ""},
    {32794, "B&iałe tło", "Zmień kolor tła na biale lub czarne", "Kolor tła", ""},
    {32795, "&Display lista", "Używaj albo nie displaylist-y", "Displaylista", ""},
    {32796, "&Warstwy", "Pokaż lub ukryj pasek narzędzi Warstwy", "Pasek narzędzi Warstwy", ""},
    {32798, "&Długość", "Zmierz długość", "Długość", ""},
    {32799, "&Pole/Obwód", "Zmierz pole i obwód", "Pole/Obwód", ""},
    {32800, "Punkt", "Rysuj nowy Punkt", "Nowy Punkt", ""},
    {32801, "Tryb lokalizacji punktu", "Ustal tryb lokalizacji punktu", "Tryb lokalizacji punktu",
     ""},
    {32803, "&Drukuj...\tCtrl+P", "Drukuje bieżący dokument", "Drukuj", ""},
    {32807, "N&azwy punktów", "Wyświetl/wygaś nazwy punktów", "Nazwy punktów", ""},
    {32808, "&Raport o odległościach punktów ", "Utwórz plik raportu o odległościach punktów",
     "Raport odległości", ""},
    {32809, "Pla&n", "Rzut prostokątny na płaszczyznę XY", "Plan", ""},
    {32810, "&Zoom", "Pokaż lub ukryj pasek narzędzi Zoom", "Pasek narzędzi Zoom", ""},
    {32811, "&Rysuj", "Pokaż lub ukryj pasek narzędzi Rysuj", "Pasek narzędzi Rysuj", ""},
    {32812, "Pop&rzedni", "Pokazuje poprzedni widok", "Poprzedni", ""},
    {32813, "Wymaż wybrane", "Usuń wskazane obiekty z rysunku", "Wymaż", ""},
    {32815, "Pomoc", "Wyświetla pomoc programu", "Pomoc", ""},
    {32817, "&Pomiary", "Pokaż lub ukryj pasek narzędzi Pomiary", "Pasek narzędzi Pomiary", ""},
    {32818, "&Wspólrzedne", "Pokaż współrzędne", "Współrzędne", ""},
    {32830, "Jednostka &GSI...", "Ustal jednostkę i współrzędne punktów z plików GSI",
     "Jednostka GSI", ""},
    {57600, "&Nowy\tCtrl+N", "Tworzy nowy dokument", "Nowy", "Ctrl+N"},
    {57601, "&Otwórz...\tCtrl+O", "Otwiera istniejący dokument", "Otwórz", "Ctrl+O"},
    {57602, "Za&mknij", "Zamyka aktywny dokument", "Zamknij", ""},
    {57603, "&Zapisz\tCtrl+S", "Zapisuje aktywny dokument", "Zapisz", "Ctrl+S"},
    {57604, "Zapisz &jako...", "Zapisuje aktywny dokument pod nową nazwą", "Zapisz jako", ""},
    {57606, "D&rukarka...", "Zmienia drukarkę i opcje drukowania", "Drukarka", ""},
    {57607, "", "Drukuje aktywny dokument z bieżącymi ustawieniami", "Drukuj", "Ctrl+P"},
    {57609, "Pod&gląd wydruku...", "Wyświetla całe strony wydruku", "Podgląd wydruku", ""},
    {57616, "", "Otwiera ten dokument", "", ""},
    {57617, "", "Otwiera ten dokument", "", ""},
    {57618, "", "Otwiera ten dokument", "", ""},
    {57619, "", "Otwiera ten dokument", "", ""},
    {57643, "&Cofnij\tCtrl+Z", "Cofa ostatnią zmianę rysunku", "Cofnij", "Ctrl+Z"},
    {57644, "&Ponów\tCtrl+Y", "Ponawia cofniętą zmianę rysunku", "Ponów", "Ctrl+Y; Ctrl+Shift+Z"},
    {57648, "&Nowe okno", "Otwiera nowe okno aktywnego dokumentu", "Nowe okno", ""},
    {57649, "Rozmieść &ikony", "Rozmieszcza ikony u dołu okna", "Rozmieść ikony", ""},
    {57650, "&Rozmieść", "Rozmieszcza okna kaskadowo", "Rozmieść", ""},
    {57651, "&Podziel", "Rozmieszcza okna obok siebie, bez zakrywania", "Podziel", ""},
    {57664, "&O programie TAV...", "Wyświetla informacje o programie", "O programie", ""},
    {57665, "&Koniec", "Zamyka program; pyta o zapisanie zmienionych dokumentów", "Koniec", ""},
    {57680, "", "Przełącza do następnego okna", "Następne okno", "F6"},
    {57681, "", "Przełącza do poprzedniego okna", "Poprzednie okno", "Shift+F6"},
    {59392, "&Stanadrd", "Pokaż lub ukryj pasek narzędzi Standard", "Pasek narzędzi Standard", ""},
    {59393, "&Linia statusu", "Pokaż lub ukryj linię statusu", "Linia statusu", ""},
    {65280, "", "Uaktywnia to okno", "", ""},
};

constexpr SMenuItem Cmd(unsigned id, const char* text = nullptr) {
    return SMenuItem{EMenuKind::Command, id, text, {}};
}
constexpr SMenuItem kSep{EMenuKind::Separator};
constexpr SMenuItem kRecent{EMenuKind::RecentFiles, cmd::kRecentFile1};
constexpr SMenuItem Popup(const char* title, std::span<const SMenuItem> items) {
    return SMenuItem{EMenuKind::Popup, 0, title, items};
}

constexpr SMenuItem kToolBarItems[] = {Cmd(59392), Cmd(32796), Cmd(32810), Cmd(32811), Cmd(32817)};

// Menu bar 128: no document open.
constexpr SMenuItem kFile128[] = {Cmd(57600), Cmd(57601), kSep, Cmd(57606),
                                  kSep,       kRecent,    kSep, Cmd(57665)};
constexpr SMenuItem kView128[] = {Popup("&Paski narzędzi", kToolBarItems),
                                  Cmd(59393, "&Linia Statusu"), Cmd(32794), Cmd(32795)};
constexpr SMenuItem kHelp128[] = {Cmd(32815), Cmd(57664)};
constexpr SMenuItem kBar128[] = {Popup("&Plik", kFile128), Popup("Wi&dok", kView128),
                                 Popup("&Pomoc", kHelp128)};

// Menu bar 129: a document window is active.
constexpr SMenuItem kFile129[] = {Cmd(57600), Cmd(57601), Cmd(32769), Cmd(57602), Cmd(57603),
                                  Cmd(57604), Cmd(32770), kSep,       Cmd(32803), Cmd(57609),
                                  Cmd(57606), kSep,       kRecent,    kSep,       Cmd(57665)};
constexpr SMenuItem kEdit129[] = {Cmd(57643), Cmd(57644), kSep, Cmd(32772), kSep,
                                  Cmd(32773), Cmd(32774), kSep, Cmd(32813)};
constexpr SMenuItem kZoom129[] = {Cmd(32780), Cmd(32781), Cmd(32782),
                                  Cmd(32783), Cmd(32812), Cmd(32784)};
constexpr SMenuItem kView129[] = {Cmd(32775),
                                  Cmd(32776),
                                  Cmd(32777),
                                  Cmd(32778),
                                  kSep,
                                  Cmd(32779),
                                  Popup("&Zoom", kZoom129),
                                  kSep,
                                  Cmd(32809),
                                  Cmd(32786),
                                  Cmd(32785),
                                  kSep,
                                  Cmd(32807),
                                  Cmd(32794),
                                  Cmd(32795),
                                  kSep,
                                  Popup("Pa&ski narzędzi", kToolBarItems),
                                  Cmd(59393)};
constexpr SMenuItem kDraw129[] = {Cmd(32787), Cmd(32788), Cmd(32789), Cmd(32790), Cmd(32800)};
constexpr SMenuItem kSettings129[] = {Cmd(32791), Cmd(32792), Cmd(32793),
                                      kSep,       Cmd(32801), Cmd(32830)};
constexpr SMenuItem kInfo129[] = {Cmd(32818), Cmd(32798), Cmd(32799), kSep, Cmd(32808)};
constexpr SMenuItem kWindow129[] = {Cmd(57648), Cmd(57650), Cmd(57651), Cmd(57649)};
constexpr SMenuItem kHelp129[] = {Cmd(32815), Cmd(57664)};
constexpr SMenuItem kBar129[] = {Popup("&Plik", kFile129),        Popup("&Edytuj", kEdit129),
                                 Popup("Wi&dok", kView129),       Popup("&Rysuj", kDraw129),
                                 Popup("&Nastawy", kSettings129), Popup("&Informacje", kInfo129),
                                 Popup("&Okno", kWindow129),      Popup("Po&moc", kHelp129)};

constexpr unsigned kStandardButtons[] = {57600, 57601, 57603, 0, 57643, 57644, 0, 32774, 32773, 0,
                                         32809, 32786, 32779, 0, 57609, 57607, 0, 57664};
constexpr unsigned kLayersButtons[] = {kComboSlot, 0, 32791};
constexpr unsigned kZoomButtons[] = {32784, 32780, 32781, 32782, 32783, 32812};
constexpr unsigned kDrawButtons[] = {32787, 32788, 32789, 32790, 32800};
constexpr unsigned kMeasureButtons[] = {32818, 32798, 32799};

constexpr SToolBar kToolBars[] = {
    {cmd::kStandardBar, str::kStandardTitle, kStandardButtons, false},
    {cmd::kLayersBar, str::kLayersTitle, kLayersButtons, true},
    {cmd::kZoomBar, str::kZoomTitle, kZoomButtons, false},
    {cmd::kDrawBar, str::kDrawTitle, kDrawButtons, false},
    {cmd::kMeasureBar, str::kMeasureTitle, kMeasureButtons, false},
};

struct SString {
    unsigned id;
    const char* text;
};

// Sorted by id.
constexpr SString kStrings[] = {
    {128, "TAV"},
    {129, "\nTAV\nTAV\nTAV Files (*.tav)\n.tav\nTAV.Document\nTAV Document"},
    {32802, "                                 "},
    {41519, "Warstwy"},
    {41520, "Standard"},
    {41529, "Zoom"},
    {41530, "Rysuj"},
    {41535, "Pomiary"},
    {57344, "TAV"},
    {57345, "Gotowy"},
    {61440, "Czy zapisać zmiany w %1?"},
    {61441, "&Tak"},
    {61442, "&Nie"},
    {61443, "Anuluj"},
    {61444, "OK"},
    {61445, "Otwórz"},
    {61446, "Zapisz jako"},
    {61447, "Wszystkie pliki (*)"},
    {61450, "Pomoc - TAV"},
    {61451, "Ostatnio otwierane pliki"},
};

}  // namespace

std::span<const SCommand> CommandTable() {
    return kCommands;
}

const SCommand* FindCommand(unsigned id) {
    auto it = std::lower_bound(std::begin(kCommands), std::end(kCommands), id,
                               [](const SCommand& c, unsigned v) { return c.id < v; });
    return (it != std::end(kCommands) && it->id == id) ? &*it : nullptr;
}

std::span<const SMenuItem> MenuBar(unsigned resource) {
    if (resource == 128) {
        return kBar128;
    }
    if (resource == 129) {
        return kBar129;
    }
    return {};
}

std::span<const SToolBar> ToolBars() {
    return kToolBars;
}

const char* AppStr(unsigned id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const SString& s, unsigned v) { return s.id < v; });
    return (it != std::end(kStrings) && it->id == id) ? it->text : "";
}

std::string DocTemplateField(EDocField field) {
    const std::string all = AppStr(str::kDocTemplate);
    size_t start = 0;
    for (int i = 0; i < static_cast<int>(field); ++i) {
        const size_t nl = all.find('\n', start);
        if (nl == std::string::npos) {
            return "";
        }
        start = nl + 1;
    }
    const size_t end = all.find('\n', start);
    return all.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
