// Tribon panel files from arbitrary bytes: the reader stops with a message or reads to the end,
// never crashes, hangs or allocates what the file merely claims, and leaves only whole entities.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzScratch.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/PanelImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetLastEntityNumber(0);
    CSilentPrompter prompter;
    CTAVDoc doc(&prompter);
    FuzzImport(doc, data, size, ReadPanelFile);
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* poly = dynamic_cast<const CPoly*>(doc.GetEntity(i));
        if (!poly || poly->m_number != i + 1 ||
            !(poly->m_closed ? poly->GetVertexCount() >= 1 : poly->GetVertexCount() == 2)) {
            std::abort();
        }
    }
    return 0;
}
