#pragma once

#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Reads an ASCII DXF drawing in one streaming pass: its points, lines, circles, arcs, texts and
// attribute texts, polylines, light-weight polylines and 3D faces, on layer records by name
// (matched to the drawing's without regard to case); everything else is read over. A bad line
// gets its message and reading goes on; the closing note counts the entities read. A source
// that cannot be opened is Refused (unreadable); one that fails later, or memory running out,
// gives Incomplete (unreadable) with what was read. Cancelled by the progress.
SImportResult ReadDxfFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportDxfFile(CTAVDoc& doc, const std::string& path);
