// Sibling documents (.pym) from arbitrary bytes: refused or merged, never a crash, a hang or an
// allocation the file merely claims; every entity that stays is whole and on an existing layer.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/PymImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetLastEntityNumber(0);
    CSilentPrompter prompter;
    CTAVDoc doc(&prompter);
    ImportPymData(doc, std::span<const uint8_t>(data, size), "fuzz.pym");
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity* e = doc.GetEntity(i);
        if (e->m_number != i + 1 || e->m_layer < 0 || e->m_layer >= doc.GetLayerCount()) {
            std::abort();
        }
    }
    return 0;
}
