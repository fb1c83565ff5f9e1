#pragma once

#include <string>

#include "exchange/ImportSession.h"

class CProgress;
class CTAVDoc;

// One entry of the import dialog's filter list.
struct SImportFilter {
    const char* text;       // shown in the dialog
    const char* pattern;    // "*.pnt"
    const char* extension;  // "pnt", used by tavcli to guess the kind; "" for no one kind
};

// Number of filters; their indices run from 1.
inline constexpr int kImportFilterCount = 9;
// "Wszystkie obsługiwane pliki": every pattern, the reader chosen by the file's extension.
inline constexpr int kImportFilterAll = 8;

// "Punkty z pliku CSV": delimited point lists.
inline constexpr int kImportFilterCsv = 9;

// The filters in dialog order; index i (1..9) is ImportFilters()[i - 1].
const SImportFilter* ImportFilters();

// Reads path with the reader of the filter index the user chose; filters 1 to 7 and 9 read every
// file as their own kind whatever its name, filter 8 picks the reader by the extension (any
// case; .txt is a delimited list) and refuses an unknown one with a message. An index outside
// 1..9 does nothing and gives Refused.
// progress, when given, sees the reading and may cancel it (nothing is added then).
EImportResult ImportByFilterIndex(CTAVDoc& doc, int filterIndex, const std::string& path,
                                  CProgress* progress = nullptr);
// The same with the readers' options (units, columns...) as given.
EImportResult ImportByFilterIndex(CTAVDoc& doc, int filterIndex, const std::string& path,
                                  const SImportOptions& options);

// The reader of filter 1..7 or 9 (nullptr for others: filter 8 goes by the extension).
ImportReader ReaderOfFilter(int filterIndex);

// True when the filter index has a reader in this build.
bool IsImportFilterAvailable(int filterIndex);

// Filter index (1..7, 9) for a kind name or extension ("pnt", "GSI", "txt"...), 0 when
// unknown.
int ImportFilterIndexForKind(const std::string& kind);

// Initial name of the export dialog: the document's path without a ".tav" ending (any case).
std::string ProposeExportName(const std::string& docPath);
