// ASCII mesh files from arbitrary bytes: the reader stops with a message or reads to the end, never
// crashes, hangs or allocates what the file merely claims, and leaves only whole entities.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/AscImport.h"

namespace {

// One scratch file per process, rewritten for every input.
const std::string& ScratchPath() {
    static const std::string path = [] {
        char tmpl[] = "/tmp/fuzz_asc-XXXXXX";
        const int fd = mkstemp(tmpl);
        if (fd < 0) {
            std::abort();
        }
        ::close(fd);
        return std::string(tmpl);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SetLastEntityNumber(0);
    CSilentPrompter prompter;
    CTAVDoc doc(&prompter);
    ImportAscFile(doc, ScratchPath());
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* poly = dynamic_cast<const CPoly*>(doc.GetEntity(i));
        if (!poly || poly->m_number != i + 1 ||
            !(poly->GetVertexCount() >= 2 && poly->GetVertexCount() <= 4 &&
              poly->m_closed == (poly->GetVertexCount() > 2 ? 1 : 0))) {
            std::abort();
        }
    }
    return 0;
}
