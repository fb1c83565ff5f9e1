#pragma once

#include <string>
#include <string_view>

#include "exchange/ImportSession.h"
#include "geometry/Vec3.h"

class CTAVDoc;

// What went wrong in a GSI block; None for a good one.
enum class EGsiError {
    None,
    LabelWi,  // the block does not begin with a word of WI 11 (or 41)
    HzWi,
    HzValue,
    HzUnit,
    VWi,
    VValue,
    VUnit,
    SdWi,
    SdValue,
    SdUnit,
    WordValue,  // another word the block needs (32, 33, 81-88) does not read as a number
    WordUnit,   // its unit code is no distance unit
    LongLine,   // a line longer than the reader keeps
};

// One measurement block decoded.
struct SGsiMeasurement {
    std::string_view label;  // view into the line: data of word 11 without leading blanks and 0s
    CPoint3 point;           // the point in the instrument system, millimetres
    char unit = 0;           // the unit character that was not recognised (*Unit errors)
    int wi = 0;              // the WI of a WordValue or WordUnit error
};

// Decodes the first block of one GSI line on its own (no station before it): a line starting
// with a digit holds GSI-8 words (16 characters each), any other a block marker and GSI-16
// words (24 characters). Words in any order; those not used are read over. A word the line is
// too short to hold counts as missing; a NUL byte ends the line.
EGsiError DecodeGsiLine(std::string_view line, SGsiMeasurement& out);

// The message for an error, with the line number (and the unit character or WI) filled in.
std::string GsiErrorMessage(EGsiError error, int line, char unit, int wi = 0);

// Reads a Leica GSI file (.gsi), GSI-8 or GSI-16, one or several blocks a line: polar blocks
// reduced to points (from the station when one with coordinates was set), coordinate blocks
// (81-83) taken as they are, station and code blocks kept in force. Several stations put their
// points on layers named after them; codes and remarks go into the points' data. Placed by
// the alignment dialog like a point text file. Any fault in a block is fatal: its message,
// nothing taken, Refused. Refused (unreadable) when the source cannot be read; Cancelled by the
// progress.
SImportResult ReadGsiFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportGsiFile(CTAVDoc& doc, const std::string& path);
