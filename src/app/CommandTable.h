#pragma once

#include <cstddef>
#include <span>
#include <string>

// Command ids of the application; the numbers are those of the stored resources so that
// help texts, tests and later handlers agree on them.
namespace cmd {
inline constexpr unsigned kImport = 32769;
inline constexpr unsigned kExport = 32770;
inline constexpr unsigned kBackground = 32794;
inline constexpr unsigned kDisplayList = 32795;
inline constexpr unsigned kLayers = 32791;
inline constexpr unsigned kClipPlanes = 32792;
inline constexpr unsigned kEditData = 32774;
inline constexpr unsigned kHelp = 32815;
inline constexpr unsigned kFileNew = 57600;
inline constexpr unsigned kFileOpen = 57601;
inline constexpr unsigned kFileClose = 57602;
inline constexpr unsigned kFileSave = 57603;
inline constexpr unsigned kFileSaveAs = 57604;
inline constexpr unsigned kPrintSetup = 57606;
inline constexpr unsigned kPrint = 57607;
inline constexpr unsigned kPrintPreview = 57609;
// Printing without the print dialog (the command line's print request).
inline constexpr unsigned kPrintDirect = 57608;
// The print settings dialog "&Drukuj...".
inline constexpr unsigned kPrintSettings = 32803;
inline constexpr unsigned kRecentFile1 = 57616;
inline constexpr unsigned kUndo = 57643;
inline constexpr unsigned kRedo = 57644;
inline constexpr unsigned kNewWindow = 57648;
inline constexpr unsigned kArrangeIcons = 57649;
inline constexpr unsigned kCascade = 57650;
inline constexpr unsigned kTile = 57651;
inline constexpr unsigned kAbout = 57664;
inline constexpr unsigned kExit = 57665;
inline constexpr unsigned kNextWindow = 57680;
inline constexpr unsigned kPrevWindow = 57681;
inline constexpr unsigned kStandardBar = 59392;
inline constexpr unsigned kStatusBar = 59393;
inline constexpr unsigned kLayersBar = 32796;
inline constexpr unsigned kZoomBar = 32810;
inline constexpr unsigned kDrawBar = 32811;
inline constexpr unsigned kMeasureBar = 32817;
inline constexpr unsigned kCoordinatePane = 32802;
inline constexpr unsigned kLayerCombo = 1099;
// Drawing and editing: the edit-selected command, the new-entity commands and the
// coordinate system manager.
inline constexpr unsigned kEditSelected = 32773;
inline constexpr unsigned kNewPolygon = 32787;
inline constexpr unsigned kNewPolyline = 32788;
inline constexpr unsigned kNewText = 32789;
inline constexpr unsigned kNewArc = 32790;
inline constexpr unsigned kCoordSystems = 32793;
inline constexpr unsigned kNewPoint = 32800;
inline constexpr unsigned kDistanceReport = 32808;
// "Jednostka GSI...": the unit and the coordinates of GSI imports.
inline constexpr unsigned kGsiUnit = 32830;
}  // namespace cmd

// Number of entries of the recent-file list (ids kRecentFile1 ...).
inline constexpr int kRecentFileCount = 4;

// One command: the menu text with its & mnemonic (and "\t" key text where the menu shows one),
// the prompt of the status bar, the tooltip of a toolbar button and the keyboard shortcuts in
// QKeySequence's portable form, separated by "; ". Empty texts mean "none".
struct SCommand {
    unsigned id;
    const char* menuText;
    const char* prompt;
    const char* tooltip;
    const char* shortcut;
};

// Every command of the program, sorted by id.
std::span<const SCommand> CommandTable();
// The entry of id, or nullptr for an unknown id.
const SCommand* FindCommand(unsigned id);

// One entry of a menu bar: a command, a separator, a popup with its own entries, or the slot
// where the recent-file list goes.
enum class EMenuKind { Command, Separator, Popup, RecentFiles };

struct SMenuItem {
    EMenuKind kind;
    // Command id (Command) or 0.
    unsigned id = 0;
    // Popup title; for a command a text that replaces the table's menu text in this menu bar.
    const char* text = nullptr;
    // Entries of a popup.
    std::span<const SMenuItem> items{};
};

// Menu bar 128 (no document open) or 129 (a document window is active); empty for others.
std::span<const SMenuItem> MenuBar(unsigned resource);

// Marks the slot of the layers toolbar that holds the layer combo box.
inline constexpr unsigned kComboSlot = cmd::kLayerCombo;

// One toolbar: its control id (also the command that shows or hides it), the string id of its
// title, the buttons (0 = separator, kComboSlot = the layer combo box) and whether it may dock
// at the top and bottom only.
struct SToolBar {
    unsigned controlId;
    unsigned titleId;
    std::span<const unsigned> buttons;
    bool topBottomOnly;
};

// The five toolbars in the order they are created.
std::span<const SToolBar> ToolBars();

// Texts of the application shell by string id: titles, toolbar titles, the idle prompt, the
// questions of the document commands. Returns "" for an unknown id.
const char* AppStr(unsigned id);

// String ids of AppStr beyond the resource ids.
namespace str {
inline constexpr unsigned kAppTitle = 128;
inline constexpr unsigned kDocTemplate = 129;
inline constexpr unsigned kIdle = 57345;
inline constexpr unsigned kLayersTitle = 41519;
inline constexpr unsigned kStandardTitle = 41520;
inline constexpr unsigned kZoomTitle = 41529;
inline constexpr unsigned kDrawTitle = 41530;
inline constexpr unsigned kMeasureTitle = 41535;
// "Czy zapisać zmiany w %1?"
inline constexpr unsigned kAskToSave = 61440;
// Button texts of the message boxes.
inline constexpr unsigned kYes = 61441;
inline constexpr unsigned kNo = 61442;
inline constexpr unsigned kCancel = 61443;
inline constexpr unsigned kOk = 61444;
// File dialog titles and the "all files" filter.
inline constexpr unsigned kOpenTitle = 61445;
inline constexpr unsigned kSaveAsTitle = 61446;
inline constexpr unsigned kAllFilter = 61447;
// Title of the help window.
inline constexpr unsigned kHelpTitle = 61450;
// Empty recent-file list.
inline constexpr unsigned kNoRecentFile = 61451;
}  // namespace str

// Fields of the document template string (id 129), in the order they stand there.
enum class EDocField {
    WindowTitle,
    DocName,
    FileNewName,
    FilterName,
    FilterExt,
    RegFileTypeId,
    RegFileTypeName
};

// One field of the document template string; "" when the string has fewer fields.
std::string DocTemplateField(EDocField field);
