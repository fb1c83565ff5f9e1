// Point text files from arbitrary bytes, the alignment confirmed as pre-filled: the reader reports
// and skips or refuses, never crashes, hangs or holds more than the file; what it adds are whole
// points with consecutive numbers, and a refused file adds nothing.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "FuzzScratch.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/Alignment.h"
#include "exchange/PointImport.h"

namespace {

class CConfirmingPrompter : public CSilentPrompter {
public:
    bool RunAlignmentDialog(SAlignment&) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = WriteFuzzInput("pnt", data, size);
    SetLastEntityNumber(0);
    CConfirmingPrompter prompter;
    CTAVDoc doc(&prompter);
    const EImportResult result = ImportPointFile(doc, path);
    if (result != EImportResult::Done && (doc.GetEntityCount() != 0 || doc.IsModified())) {
        std::abort();
    }
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* p = dynamic_cast<const CPnt*>(doc.GetEntity(i));
        if (!p || p->m_number != i + 1 || p->m_color[0] != 1.0) {
            std::abort();
        }
    }
    return 0;
}
