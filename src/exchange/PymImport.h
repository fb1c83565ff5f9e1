#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Reads a drawing of the sibling product (.pym): its layers (appended by the merge, a name equal
// to a drawing layer's getting " import" at each match), then its polygons, polylines, texts and
// arcs on them, their layer indices counted from the file's first layer (options.drawingLayers
// are the drawing's layers below it). A damaged file (ending early, a count larger than the
// bytes left, a layer index the file does not define) gives Incomplete with what was read and
// the archive's message; Refused (unreadable) when the file cannot be read.
SImportResult ReadPymFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportPymFile(CTAVDoc& doc, const std::string& path);

// The same from the bytes of a .pym file; sourceName names it in messages.
EImportResult ImportPymData(CTAVDoc& doc, std::span<const uint8_t> data,
                            const std::string& sourceName);
