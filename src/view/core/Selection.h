#pragma once

// The selection of a view without any GL: the pick list with its cycle index and current pick,
// the multiple selection gathered with Shift, and what a pick, "Nastepny", a clear and a
// delete do to them. The fields live in the view's renderer; these functions work on them.

#include <span>
#include <string>
#include <vector>

class CTAVDoc;
class CPrompter;

// Texts of picking and deleting.
inline constexpr char kDeleteQuestion[] =
    "Czy jesteś pewien, że chcesz na trwałe usunąć wskazane obiekty? ";
inline constexpr char kSelectedCountFormat[] = "Liczba wybranych obieków: %d.";
inline constexpr char kSelectedCountMoreFormat[] =
    "Liczba wybranych obieków: %d.  Uzyj prawego przycisku myszy aby zmienic wybór.";
// Popup texts of the selection commands.
inline constexpr char kNextText[] = "Nastepny";
inline constexpr char kInfoText[] = "Informacje";

// A release that moved less than this many pixels both ways from the press is a click.
inline constexpr int kClickTolerance = 5;

// References to the selection fields of one view.
struct SSelectionRefs {
    std::vector<int>& pickList;        // ascending, no duplicates
    std::vector<int>& multiSelection;  // ascending, no duplicates
    int& currentPick;                  // -1 = none
    int& cycleIndex;                   // position of the current pick in the pick list
    int& editHandle;                   // -1 = none
};

// What one pick did.
struct SPickOutcome {
    std::string status;    // the count text for the status bar
    bool changed = false;  // the scene list must be rebuilt and the window repainted
    int targetCount = 0;   // entries of the list the hits went into
};

// Inserts index at its sorted place; false when it is already there.
bool InsertSorted(std::vector<int>& list, int index);

// Edit handle and current pick to -1; with all, both lists emptied too. True when a list lost
// entries (the scene list must then be rebuilt).
bool ClearSelection(SSelectionRefs s, bool all);

// True when there is a current pick or the multiple selection is not empty.
bool HasSelection(const SSelectionRefs& s);

// "Nastepny": the next entry of the pick list becomes the current pick, wrapping; false (nothing
// changed) with fewer than two entries.
bool NextPick(SSelectionRefs s);

// Applies the entity names of one pick's hit records (buffer order): the Shift rule, then each
// name below the entity count and not on a locked layer goes into the pick list (or, with Shift,
// the multiple selection); the first entry of the pick list becomes the current pick.
SPickOutcome ApplyPick(SSelectionRefs s, bool shift, std::span<const unsigned> names,
                       const CTAVDoc& doc);

// The status text for a count: the short one padded with blanks, or the long one when the pick
// list holds more than one entry.
std::string SelectedCountText(int count, bool pickListHasMore);

// Entities a delete removes, highest index first: the current pick alone, else the multiple
// selection; indices outside the document are dropped.
std::vector<int> EntitiesToDelete(const SSelectionRefs& s, const CTAVDoc& doc);

// Asks the delete question (Yes/No, stop icon) and on Yes removes the selected entities from
// the highest index down, empties both lists, recomputes the extents, marks the document
// modified and updates the views. Nothing happens without a selection; while the document is
// busy (a dialog holds a live entity) it only beeps. Returns the number of entities removed.
int DeleteSelection(CTAVDoc& doc, SSelectionRefs s);

// "Informacje" is offered: a current pick that is not a text.
bool CanShowInfo(const CTAVDoc& doc, int currentPick);
