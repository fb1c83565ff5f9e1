// Tribon curve files from arbitrary bytes: the reader stops with a message or reads to the end,
// never crashes, hangs or allocates what the file merely claims, and leaves only whole entities.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzScratch.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/CurveImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetLastEntityNumber(0);
    CSilentPrompter prompter;
    CTAVDoc doc(&prompter);
    FuzzImport(doc, data, size, ReadCurveFile);
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* poly = dynamic_cast<const CPoly*>(doc.GetEntity(i));
        if (!poly || poly->m_number != i + 1) {
            std::abort();
        }
    }
    return 0;
}
