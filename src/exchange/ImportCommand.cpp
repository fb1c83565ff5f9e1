#include "exchange/ImportCommand.h"

#include <algorithm>
#include <cctype>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/AscImport.h"
#include "exchange/CurveImport.h"
#include "exchange/DxfImport.h"
#include "exchange/GsiImport.h"
#include "exchange/PanelImport.h"
#include "exchange/PointImport.h"
#include "exchange/PointListCsv.h"
#include "exchange/PymImport.h"

namespace {

EImportResult ImportByExtension(CTAVDoc& doc, const std::string& path,
                                const SImportOptions& options);

// Dialog order.
constexpr SImportFilter kFilters[kImportFilterCount] = {
    {"Points from text file (*.pnt)", "*.pnt", "pnt"},
    {"Points from Leica in GSI format (*.gsi)", "*.gsi", "gsi"},
    {"Flat panels from Tribon (*.pnl)", "*.pnl", "pnl"},
    {"Curves from Tribon (*.crv)", "*.crv", "crv"},
    {"Autodesk DXF (*.dxf)", "*.dxf", "dxf"},
    {"PYM Document (*.pym)", "*.pym", "pym"},
    {"Nodes, lines, triangles & rectangles in ASCII files (*.asc)", "*.asc", "asc"},
    {"Wszystkie obsługiwane pliki (*.pnt *.gsi *.pnl *.crv *.dxf *.pym *.asc *.csv *.txt)",
     "*.pnt *.gsi *.pnl *.crv *.dxf *.pym *.asc *.csv *.txt", ""},
    {"Punkty z pliku CSV (*.csv *.txt)", "*.csv *.txt", "csv"},
};

// The reader of each filter; the last one goes by the extension.
constexpr ImportReader kReaders[kImportFilterCount] = {
    ReadPointFile,  // pnt
    ReadGsiFile,    // gsi
    ReadPanelFile,  // pnl
    ReadCurveFile,  // crv
    ReadDxfFile,    // dxf
    ReadPymFile,    // pym
    ReadAscFile,    // asc
    nullptr,
    ReadPointListCsv,  // csv, txt
};

bool EqualNoCase(const std::string& a, const char* b) {
    const std::string bb(b);
    return a.size() == bb.size() && std::equal(a.begin(), a.end(), bb.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The extension of the file name in path, without the dot; "" when it has none.
std::string FileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    return path.substr(dot + 1);
}

EImportResult ImportByExtension(CTAVDoc& doc, const std::string& path,
                                const SImportOptions& options) {
    const int filter = ImportFilterIndexForKind(FileExtension(path));
    if (filter == 0 || !IsImportFilterAvailable(filter)) {
        const size_t slash = path.find_last_of('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        std::string kinds;
        for (int i = 0; i < kImportFilterCount; ++i) {
            if (*kFilters[i].extension) {
                kinds += std::string(kinds.empty() ? "" : ", ") + kFilters[i].extension;
            }
        }
        doc.Prompter().ShowMessage(
            "Nie rozpoznano rodzaju pliku \"" + name +
                "\" po jego rozszerzeniu.\nObsługiwane rozszerzenia: " + kinds + ".",
            CPrompter::EIcon::Warning);
        return EImportResult::Refused;
    }
    return ImportByFilterIndex(doc, filter, path, options);
}

}  // namespace

const SImportFilter* ImportFilters() {
    return kFilters;
}

bool IsImportFilterAvailable(int filterIndex) {
    return filterIndex >= 1 && filterIndex <= kImportFilterCount;
}

ImportReader ReaderOfFilter(int filterIndex) {
    return filterIndex >= 1 && filterIndex <= kImportFilterCount ? kReaders[filterIndex - 1]
                                                                 : nullptr;
}

EImportResult ImportByFilterIndex(CTAVDoc& doc, int filterIndex, const std::string& path,
                                  CProgress* progress) {
    SImportOptions options;
    options.progress = progress;
    return ImportByFilterIndex(doc, filterIndex, path, options);
}

EImportResult ImportByFilterIndex(CTAVDoc& doc, int filterIndex, const std::string& path,
                                  const SImportOptions& options) {
    if (filterIndex == kImportFilterAll) {
        return ImportByExtension(doc, path, options);
    }
    const ImportReader read = ReaderOfFilter(filterIndex);
    if (read == nullptr) {
        return EImportResult::Refused;
    }
    return ImportWith(doc, SImportSource::File(path), options, read);
}

int ImportFilterIndexForKind(const std::string& kind) {
    std::string k = kind;
    if (!k.empty() && k[0] == '.') {
        k.erase(0, 1);
    }
    if (EqualNoCase(k, "txt")) {
        return kImportFilterCsv;
    }
    for (int i = 0; i < kImportFilterCount; ++i) {
        if (*kFilters[i].extension && EqualNoCase(k, kFilters[i].extension)) {
            return i + 1;
        }
    }
    return 0;
}

std::string ProposeExportName(const std::string& docPath) {
    if (docPath.size() >= 4 && EqualNoCase(docPath.substr(docPath.size() - 4), ".tav")) {
        return docPath.substr(0, docPath.size() - 4);
    }
    return docPath;
}
