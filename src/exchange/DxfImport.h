#pragma once

#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Reads an ASCII DXF drawing in one streaming pass and appends its points, lines, circles,
// arcs, texts and attribute texts, polylines, light-weight polylines and 3D faces to the
// document, on layers found (without regard to case) or created by name; everything else is
// read over. A bad line gets its message (the first ten of an import in the GUI) and reading
// goes on; at the end the count of entities read is shown. Returns OpenFailed when the file
// cannot be opened or read (reported; what was read stays), Done otherwise.
EImportResult ImportDxfFile(CTAVDoc& doc, const std::string& path);
