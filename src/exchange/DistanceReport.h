#pragma once

// The point distance report: ideal points paired with measured points by name, written as
// fixed-width text or semicolon-separated values. The computing half; the dialog and the file
// dialog are the GUI's (or tavcli's).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Vec3.h"

class CProgress;
class CTAVDoc;

// Message 41527: the two sets cannot be told apart.
inline constexpr unsigned kIdsReportNamesClash = 41527;
// Message 41528: no ideal point found.
inline constexpr unsigned kIdsReportNoPoints = 41528;
// Largest start number the dialog accepts.
inline constexpr int kReportStartMax = 1000000;
// The range message of a start number that is not an integer in 0..kReportStartMax.
inline constexpr char kReportStartRange[] = "Wprowadź liczbę całkowitą z zakresu od 0 do 1000000.";

// How the two point sets are named; a start number of -1 means that no number is used.
struct SReportQuery {
    std::string idealPrefix;
    int idealStart = -1;
    std::string measuredPrefix;
    int measuredStart = -1;
    bool local = false;  // results in the active local coordinate system
};

// One line of the report. An ideal point without a partner has an empty measured name and a
// measured point at 0, 0, 0 (matched false).
struct SReportPair {
    std::string idealName;
    CPoint3 ideal;
    std::string measuredName;
    CPoint3 measured;
    bool matched = false;
};

// The dialog's prefix rule: leading blanks and tabs removed, and trailing ones too.
std::string TrimReportPrefix(std::string_view text);
// The dialog's start rule: leading blanks and tabs removed; empty gives -1; otherwise an
// integer (sign allowed, blanks after it allowed) in 0..kReportStartMax. False, out untouched,
// for anything else.
bool ParseReportStart(std::string_view text, int& out);
// True when the prefixes are equal and the start numbers do not tell the sets apart (message
// 41527).
bool ReportNamesClash(const SReportQuery& q);

// Pairs every ideal point (document order) with the first measured point in document order
// whose name has the same rest and the same offset from its start number. Names are compared
// without leading and trailing blanks and tabs; number ranges are derived so that the two sets
// stay apart. Linear in the number of points.
std::vector<SReportPair> MatchReportPoints(const CTAVDoc& doc, const SReportQuery& q);

// Initial name of the save dialog: the document's path without its extension (a full stop
// among the last four characters of the file name, path longer than four characters).
std::string ProposeReportName(const std::string& docPath);
// True when path ends in ".csv" (any case): the semicolon-separated form; anything else is text.
bool IsCsvReportPath(const std::string& path);

// How the user writes numbers: decimal point, digit group separator (empty: no grouping) and
// minus sign, with a fixed number of decimals.
struct SNumberStyle {
    std::string decimalPoint = ".";
    std::string groupSeparator;
    std::string minusSign = "-";
    int decimals = 3;
};
// A value as "%lf" writes it, independent of the process locale.
std::string LfText(double v);
// The "%lf" text of a value in the user's style, rounded half away from zero on its decimal
// digits; "" when the text is not a plain decimal number (inf, nan).
std::string FormatNumberText(std::string_view lfText, const SNumberStyle& style);

// Date and time texts of the text report's stamp.
struct SReportStamp {
    std::string date;
    std::string time;
};

// What the writers take from the user's settings, injected so that reports can be checked
// byte for byte. number gets a "%lf" text and returns the user's form ("" to keep the "%lf"
// text); clock gives the current local date and time.
struct SReportFormat {
    std::function<std::string(const std::string& lfText)> number;
    std::function<SReportStamp()> clock;
};
// The form of the process environment's locale (LC_ALL, LC_NUMERIC, LC_TIME, LANG) and the
// local clock; the C locale's form when that locale is not available or not UTF-8.
SReportFormat SystemReportFormat();

// Writes the text report (UTF-8, CRLF line ends, columns counted in characters). With local
// set and an active coordinate system, points are shown in it. False after reporting a file
// error through the document's prompter. progress, when given, sees the lines written; stopped
// there, any existing file stays as it was, no temporary file is left, nothing is said and
// false is returned.
bool WriteDistanceReportTxt(const CTAVDoc& doc, const std::string& path,
                            const std::vector<SReportPair>& pairs, const std::string& modelName,
                            bool local, const SReportFormat& format, CProgress* progress = nullptr);
// Writes the semicolon-separated report (no stamp, no model name); as WriteDistanceReportTxt.
bool WriteDistanceReportCsv(const CTAVDoc& doc, const std::string& path,
                            const std::vector<SReportPair>& pairs, const std::string& modelName,
                            bool local, const SReportFormat& format, CProgress* progress = nullptr);

// What became of a report command.
enum class EReportResult { Written, NamesClash, NoPoints, Cancelled, Failed };

// The title of the report's progress (matching, then writing).
inline constexpr char kReportProgressTitle[] = "Raport";

// The report command after its dialog: 41527 when the names clash, matching, 41528 when no
// ideal point is found, the file name asked of chooseFile (given the proposal; "" cancels),
// and the writer chosen by the chosen name's extension. Messages go through the document's
// prompter. progress, when given, sees the matching and the writing; stopped in either,
// nothing more is asked or said, nothing is written (an existing file stays as it was) and
// the result is Cancelled.
EReportResult MakeDistanceReport(CTAVDoc& doc, const SReportQuery& q,
                                 const std::function<std::string(const std::string&)>& chooseFile,
                                 const SReportFormat& format, CProgress* progress = nullptr);
