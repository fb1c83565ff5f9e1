#pragma once

// Rules of the attribute data dialogs that need no widgets: the checks of typed values, the
// content of a node's context menu, adding a child from the node's template and the layout of
// the printed tree.

#include <string>
#include <vector>

class CDataNode;

namespace datatexts {
// Question before a tree is removed from an entity.
inline constexpr char kAskSure[] = "Czy jesteś pewny?";
// Question before a node is deleted in the tree dialog.
inline constexpr char kAskDelete[] = "Czy chcesz usunąć te dane?";
// Name of the print job.
inline constexpr char kPrintJob[] = "Wybrane drzewo danych z programu TAV";
inline constexpr char kBadText[] = "Niepoprawny Tekst!";
inline constexpr char kBadDate[] = "Niepoprawna Data!\nPoprawny format daty: rrrr.mm.dd";
inline constexpr char kBadNumber[] = "Niepoprawna Liczba!";
}  // namespace datatexts

// Command ids of the tree's context menu: edit, delete, and add kind k as kDataCmdAdd + k.
inline constexpr int kDataCmdEdit = 1001;
inline constexpr int kDataCmdDelete = 1002;
inline constexpr int kDataCmdAdd = 1003;

// True for "rrrr.mm.dd": digits and at most two full stops; missing parts count as 0; year not 0,
// month 1..12, day within the month (Gregorian leap years).
bool IsValidDataDate(const std::string& text);
// True for an optional sign followed by digits with at most one full stop and at least one digit.
bool IsValidDataNumber(const std::string& text);
// nullptr when text is a valid value of the kind (1 text, 2 date, 3 number; other kinds take
// anything), else the message to show.
const char* CheckDataValue(int kind, const std::string& text);

// What the context menu of a node offers.
struct SDataPopup {
    // Names of the kinds "&Dodaj" can add (empty: no add item); command kDataCmdAdd + index.
    std::vector<std::string> addNames;
    // The menu text of the single add item ("&Dodaj Dane"), or "" when a submenu is used.
    std::string singleAddText;
    // "&Edytuj" (flag 1) and "&Usuń" (flag 2) are offered.
    bool edit = false;
    bool remove = false;
    // Nothing to show.
    bool IsEmpty() const { return addNames.empty() && !edit && !remove; }
};

// The menu of node: add items while it may have children (flag 4), has a template with kinds
// and stays below the template's child limit (negative: none), edit and delete by its flags.
SDataPopup BuildDataPopup(const CDataNode& node);

// Appends a copy of kind k of node's template when the popup offers it; returns the new
// child's index, or -1 (nothing changed) when the kind is not offered.
int AddDataChild(CDataNode& node, int k);

// One text or line of a printed page, in device pixels from the page's top left corner.
struct SPrintText {
    double x;
    double top;  // top of the text's line box, which is one line pitch high
    std::string text;
};
struct SPrintLine {
    double x1, y1, x2, y2;
};
struct SPrintPage {
    std::vector<SPrintText> texts;
    std::vector<SPrintLine> lines;
};

// Where the tree goes on the page, all in device pixels: character height h, line pitch 1.25 h,
// margins of 4 h at the top and bottom, the root at x = 4 h, each level 2 h further right.
struct SDataPrintMetrics {
    explicit SDataPrintMetrics(double h_) : h(h_ > 1.0 ? h_ : 1.0) {}
    double h;
    double Pitch() const { return 1.25 * h; }
    double Margin() const { return 4.0 * h; }
    double Indent() const { return 2.0 * h; }
    // Lines that fit on a page of the height; at least one.
    int RowsPerPage(double pageHeight) const;
};

// The printed pages of the tree: one row per node in tree order, a new page when a page is
// full, connectors from each parent down and across to its children (continued on the next
// page when the children go on there).
std::vector<SPrintPage> LayoutDataTree(const CDataNode& root, const SDataPrintMetrics& metrics,
                                       double pageHeight);
