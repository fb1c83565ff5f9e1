#pragma once

#include <string>
#include <string_view>

#include "exchange/ImportSession.h"

class CTAVDoc;

// How one line of a point text file reads.
enum class EPointLine {
    Comment,  // empty after leading blanks and tabs, or starting with "//"
    Point,    // a label and three coordinates (text after them is ignored)
    Bad,      // anything else: the line is reported and skipped
};

// Reads one line of a point text file as "%s %lf %lf %lf" after dropping leading blanks and
// tabs. The label is a view into line (valid as long as line is); xyz gets the coordinates.
// A NUL byte ends the line, as it ends the text a C scan sees.
EPointLine ParsePointLine(std::string_view line, std::string_view& label, double xyz[3]);

// Reads a point text file (.pnt): one named point per line, reserved labels BAZA, BAZAX,
// BAZAY, BAZAZ pre-loading the alignment dialog; bad lines give a message with their number
// and are skipped. Refused (unreadable) when the source cannot be read, and when memory runs
// out; Cancelled by the progress.
SImportResult ReadPointFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc: the points are placed by the alignment dialog.
EImportResult ImportPointFile(CTAVDoc& doc, const std::string& path);
