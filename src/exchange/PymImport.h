#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Merges a drawing of the sibling product (.pym) into doc: its layers are appended (a name
// equal to a document layer's gets " import" appended at each match), then its polygons,
// polylines, texts and arcs with fresh entity numbers on the appended layers. A damaged file
// (ending early, a count larger than the bytes left, a layer index the file does not define) is
// reported through the prompter and gives Refused; what was appended before stays and the
// drawing is refreshed. OpenFailed when the file cannot be opened or read.
EImportResult ImportPymFile(CTAVDoc& doc, const std::string& path);

// The same from the bytes of a .pym file; sourceName names it in messages.
EImportResult ImportPymData(CTAVDoc& doc, std::span<const uint8_t> data,
                            const std::string& sourceName);
