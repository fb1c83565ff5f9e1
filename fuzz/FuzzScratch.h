#pragma once

// Fuzz inputs reach the readers from memory and go through the one merge every import uses.

#include <cstdint>
#include <span>

#include "document/TAVDoc.h"
#include "exchange/ImportSession.h"

// Reads the input with read and merges it into doc.
inline EImportResult FuzzImport(CTAVDoc& doc, const uint8_t* data, size_t size, ImportReader read) {
    return ImportWith(doc, SImportSource::Memory(std::span<const uint8_t>(data, size), "fuzz"), {},
                      read);
}
