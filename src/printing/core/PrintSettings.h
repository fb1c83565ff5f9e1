#pragma once

// The print settings a view keeps for its life, their validation and the texts of printing.

#include <cstdint>
#include <string>

// Message ids and texts of printing.
inline constexpr unsigned kPrintScaleMsgId = 41523;
inline constexpr char kPrintScaleMsg[] =
    "Żaden z czynników definujących skalę wydruku nie może być zerem lub liczbą ujemną.";
inline constexpr unsigned kPrintWindowMsgId = 41524;
inline constexpr char kPrintWindowMsg[] =
    "Obszar drukowania określa lewy dolny i prawy górny narożnik okna.";
inline constexpr unsigned kPrintNoMemoryMsgId = 41461;
inline constexpr char kPrintNoMemoryMsg[] = "Brak pamięci aby wydrukować dokument!";
inline constexpr unsigned kPrintNoContextMsgId = 41525;
inline constexpr char kPrintNoContextMsg[] = "Nie utworzono kontekstu do drukowania w pamięci RAM.";
// The device refused to start a job (no printer, or no file to print to).
inline constexpr char kPrintCannotStartMsg[] = "Nie można rozpocząć wydruku.";
// The title of a print job's progress.
inline constexpr char kPrintProgressTitle[] = "Drukowanie";
// The device reports no paper size.
inline constexpr char kPrintUnknownPaperMsg[] = "Rozmiar papieru drukarki jest nieznany.";
// Status text of the print-window pick; the blanks overwrite a longer previous text.
inline constexpr char kPrintWindowPrompt[] =
    "Wcisnij lewy przycisk myszy i przeciagnij, aby wskazac okno do drukowania."
    "                    ";

// Control ids of the print settings dialog.
namespace printctl {
inline constexpr int kScreen = 1100;
inline constexpr int kWindow = 1101;
inline constexpr int kX1 = 1102;
inline constexpr int kY1 = 1103;
inline constexpr int kX2 = 1104;
inline constexpr int kY2 = 1105;
inline constexpr int kFit = 1106;
inline constexpr int kMm = 1107;
inline constexpr int kUnits = 1108;
inline constexpr int kCentreH = 1109;
inline constexpr int kShiftRight = 1110;
inline constexpr int kCentreV = 1111;
inline constexpr int kShiftDown = 1112;
inline constexpr int kPreview = 1113;
inline constexpr int kPick = 1114;
inline constexpr int kBlackWhite = 1044;
inline constexpr int kLineWidth = 1045;
}  // namespace printctl

// Largest shift of the printed area from the paper's edge, in mm.
inline constexpr double kPrintMaxShiftMm = 1000.0;
// Most pages one job may have; larger jobs are refused before anything is printed.
inline constexpr int64_t kPrintMaxPages = 1000;
// Pen widths and point marks are counted in units of a 300-dpi printer whatever the device:
// one dot of a 1200-dpi printer or PDF is a line too thin to see.
inline constexpr int kPrintUnitDpi = 300;

// The dots that make units print units on a device of dpi dots per inch; a device of unknown
// resolution (dpi below 1) is taken as one of 300 dpi.
double PrintUnitsToDots(double units, int dpi);

class CPrintSettings {
public:
    int m_areaMode = 0;                             // 0 screen ("Ekran"), 1 window ("Okno")
    double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;  // window corners, print plane frame
    int m_fit = 1;                                  // "dopasuj"
    double m_mmOnPaper = 1.0;                       // scale: mm on paper ...
    double m_drawingUnits = 1.0;                    // ... per this many drawing units
    int m_centreH = 1;
    double m_shiftRight = 0;  // mm, used when not centred horizontally
    int m_centreV = 1;
    double m_shiftDown = 0;  // mm, used when not centred vertically
    int m_blackWhite = 0;
    int m_lineWidthIndex = -1;  // combo item: 0 "Auto", 1..8 print units, -1 none chosen

    // Pen width in print units: the index for 1..8, 1 for "Auto", none or anything else.
    int PenWidth() const;
};

// Outcome of checking the settings: ok, or the message to show and the control to focus.
struct SPrintCheck {
    bool ok = true;
    unsigned messageId = 0;
    const char* message = "";
    int focusId = 0;
};

// Checks the settings as closing the dialog does: the scale when not fitting (41523, focus on
// the mm field when it is at fault, else the units field), then in window mode, unless the
// window is about to be picked, the corners (41524, focus X2 then Y2). Non-finite numbers
// fail like non-positive ones.
SPrintCheck ValidatePrintSettings(const CPrintSettings& settings, bool picking);

// Text of the refusal of a job with more than kPrintMaxPages pages.
std::string TooManyPagesMessage(int64_t pages);
