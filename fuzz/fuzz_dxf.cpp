// DXF files from arbitrary bytes: the importer reads every line pair, reports what it cannot
// read and goes on (a file without its EOF record is refused as incomplete, what was read kept),
// never crashes, hangs or holds more than the entities it made. Whatever it
// made must export, and the export must read back with as many entities unless a layer name
// is the stop word EOF, which ends any reading.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/DxfExport.h"
#include "exchange/DxfImport.h"

namespace {

// The export goes to a file; one scratch file per process, rewritten for every input.
const std::string& ExportPath() {
    static const std::string path = [] {
        char tmpl[] = "/tmp/fuzz_dxf_out-XXXXXX";
        const int fd = mkstemp(tmpl);
        if (fd < 0) {
            std::abort();
        }
        ::close(fd);
        return std::string(tmpl);
    }();
    return path;
}

std::vector<uint8_t> ReadBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// True when some layer's name starts with the word EOF (any case), as "%s" reads it.
bool HasStopLayer(const CTAVDoc& doc) {
    for (int i = 0; i < doc.GetLayerCount(); ++i) {
        const std::string& n = doc.GetLayer(i).m_name;
        size_t b = 0;
        while (b < n.size() && (n[b] == ' ' || (n[b] >= '\t' && n[b] <= '\r'))) {
            ++b;
        }
        size_t e = b;
        while (e < n.size() && n[e] != ' ' && !(n[e] >= '\t' && n[e] <= '\r') && n[e] != '\0') {
            ++e;
        }
        if (e - b == 3 && (n[b] | 0x20) == 'e' && (n[b + 1] | 0x20) == 'o' &&
            (n[b + 2] | 0x20) == 'f') {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetLastEntityNumber(0);
    CSilentPrompter prompter;
    CTAVDoc doc(&prompter);
    // Read to its end, or (cut short before its EOF record) refused with what was read kept.
    const EImportResult read = FuzzImport(doc, data, size, ReadDxfFile);
    if (read != EImportResult::Done && read != EImportResult::Refused) {
        std::abort();
    }
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        if (e.m_layer < 0 || e.m_layer >= doc.GetLayerCount()) {
            std::abort();
        }
    }
    if (doc.GetEntityCount() == 0) {
        return 0;
    }
    if (!ExportDxfFile(doc, ExportPath())) {
        std::abort();
    }
    CTAVDoc back(&prompter);
    const std::vector<uint8_t> exported = ReadBack(ExportPath());
    if (FuzzImport(back, exported.data(), exported.size(), ReadDxfFile) != EImportResult::Done) {
        std::abort();
    }
    if (!HasStopLayer(doc) && back.GetEntityCount() != doc.GetEntityCount()) {
        std::abort();
    }
    return 0;
}
