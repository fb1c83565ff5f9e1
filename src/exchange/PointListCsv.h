#pragma once

// Delimited point lists as office programs and data collectors write them: fields separated by
// commas, semicolons or tabs, optionally quoted, a header line or none, columns name, X, Y, Z
// and a code in an order the user may choose; and the drawing's points written the same way.

#include <string>
#include <string_view>
#include <vector>

#include "exchange/ImportSession.h"

class CProgress;
class CTAVDoc;

// True when order is a column order: the letters N (name), X, Y, Z, C (code) and - (a column
// read over), X, Y and Z once each, N and C at most once, any case; else the problem.
bool CheckPointColumns(const std::string& order, std::string& problem);

// How a list is laid out, as found from its first lines or as the user chose.
struct SPointListLayout {
    char separator = ',';
    std::string columns = "NXYZC";  // upper case, as CheckPointColumns takes it
    int headerLine = 0;             // the number of a header line read over, 0 for none
};

// The fields of one line split at separator, quotes (RFC 4180) taken off; at most maxFields.
void SplitPointFields(std::string_view line, char separator, std::vector<std::string>& fields,
                      size_t maxFields = 64);

// Finds the separator (tab, semicolon, comma: the first that splits the first data lines into
// three fields or more) and whether the first data line is a header, reading the first lines of
// source. columns and separator from options win over what is found. False when the source
// cannot be read (reason set).
bool FindPointListLayout(const SImportSource& source, const SImportOptions& options,
                         SPointListLayout& layout, std::string& reason);

// The first lines of source (at most count, UTF-8), for a preview.
std::vector<std::string> PointListPreview(const SImportSource& source, int count);

// Reads a delimited point list: each data line one point (a list without names numbers its
// points in order), a code column kept in the point's data, reserved labels BAZA... pre-loading
// the alignment dialog; a line that does not read gives the point text reader's message and is
// read over. Refused (unreadable) when the source cannot be read; Cancelled by the progress.
SImportResult ReadPointListCsv(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportPointListCsv(CTAVDoc& doc, const std::string& path);

// What a point export takes.
struct SPointExportOptions {
    bool local = false;   // in the active coordinate system
    std::string columns;  // empty: NXYZ
    char separator = ',';
};

// The text of the drawing's points (CPnt), one a line ending CR LF: shortest decimal forms
// that read back to the same doubles, names holding the separator, a quote or a line end
// quoted.
std::string PointListText(const CTAVDoc& doc, const SPointExportOptions& options);
// Writes that text to path (never destroying the old file on failure, which is reported
// through the document's prompter); false on failure or when cancelled.
bool ExportPointsCsv(const CTAVDoc& doc, const std::string& path,
                     const SPointExportOptions& options, CProgress* progress = nullptr);
