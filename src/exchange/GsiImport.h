#pragma once

#include <string>
#include <string_view>

#include "exchange/ImportSession.h"
#include "geometry/Vec3.h"

class CTAVDoc;

// What went wrong in a GSI line; None for a good one.
enum class EGsiError {
    None,
    LabelWi,  // word 1 is missing or its WI is not 11
    HzWi,
    HzValue,
    HzUnit,
    VWi,
    VValue,
    VUnit,
    SdWi,
    SdValue,
    SdUnit,
};

// One measurement block decoded.
struct SGsiMeasurement {
    std::string_view label;  // view into the line: data of word 1 without leading blanks and 0s
    CPoint3 point;           // polar measurement reduced to the instrument system, millimetres
    char unit = 0;           // the unit character that was not recognised (HzUnit, VUnit, SdUnit)
};

// Decodes one GSI-16 line: a block marker, then 24-character words label (WI 11), horizontal
// angle Hz (21), zenith angle V (22) and slope distance SD (31). A word the line is too short
// to hold counts as missing; a NUL byte ends the line.
EGsiError DecodeGsiLine(std::string_view line, SGsiMeasurement& out);

// The message for an error, with the line number (and the unit character) filled in.
std::string GsiErrorMessage(EGsiError error, int line, char unit);

// Reads a Leica GSI-16 file (.gsi): each line one polar measurement, placed by the alignment
// dialog like a point text file. Any fault in a line is fatal: its message, nothing taken,
// Refused. Refused (unreadable) when the source cannot be read; Cancelled by the progress.
SImportResult ReadGsiFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportGsiFile(CTAVDoc& doc, const std::string& path);
