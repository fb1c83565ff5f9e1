#include "document/StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct SEntry {
    unsigned id;
    const char* text;
};

// Sorted by id.
constexpr SEntry kStrings[] = {
    {41457, "Nazwa obiektu nie może być pusta!"},
    {41458, "Obiekt o takiej nazwie już istnieje!"},
    {41462, "Dane"},
    {41463, "Datę"},
    {41464, "Opis"},
    {41465, "Budynek lub konstrukcja budowlana"},
    {41466, "Kabel"},
    {41467, "Rura"},
    {41468, "Zbiornik"},
    {41469, "dane"},
    {41470, "modernizacje"},
    {41471, "inne dane"},
    {41472, "&Dodaj"},
    {41473, "&Edytuj"},
    {41474, "&Usuń"},
    {41479, "Niepoprawny Tekst!"},
    {41480, "Niepoprawna Liczba!"},
    {41481, "Niepoprawna Data!\nPoprawny format daty: rrrr.mm.dd"},
    {41489, "Warstwa"},
    {41494, "Wartość"},
    {41495, "Działka"},
    {41496, "Województwo"},
    {41497, "Jednostka ewidencyjna"},
    {41498, "Obręb"},
    {41499, "Działka Nr"},
    {41500, "Nr jednostki rejestrowej"},
    {41501, "Nr księgi wieczystej"},
    {41502, "Właściciel"},
    {41503, "Użytkownik"},
    {41504, "Położenie"},
    {41505, "Rodzaj użytków i klasa gruntu"},
    {41507, "Powierzchnia użytkowa"},
    {41508, "Powierzchnia działki"},
    {41511,
     "UWAGA!\nNie obliczono pola powierzchni.\nWierzcholki nie leżą w jedej płaszczyźnie, "
     "krawędzie sie przecinają, \nalbo łamana jest wklęsła."},
    {41518, "Czy na prawdę chcesz usunąć tą plaszczyznę odcinającą?"},
    {41522, "Unrecognized header in document file.\nCan not read document!"},
    {41527, "Nazwy punktów idealnych i zmierzonych muszą sie różnić"},
    {41528, "Nie znaleziono punktów o zadanych nazwach"},
    {41531, "Czy na prawdę chcesz usunąć tą uklad wspólrzednych?"},
    {41532, "Uklad"},
    {41533, "Globalny układ odniesienia"},
    {41534, "Punkty definujące układ współrzędnych nie mogą nakładać się lub być współliniowe"},
};

}  // namespace

const char* LoadStr(unsigned id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const SEntry& e, unsigned v) { return e.id < v; });
    if (it != std::end(kStrings) && it->id == id) {
        return it->text;
    }
    return "";
}
