// Feeds arbitrary bytes to the document loader: it must refuse or load, never crash, hang or
// allocate what the input merely claims. A loaded document must save and reload to the same
// bytes.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "document/Archive.h"
#include "document/TAVDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTAVDoc doc;
    try {
        doc.LoadFromBytes(std::span<const uint8_t>(data, size));
    } catch (const CArchiveException&) {
        return 0;
    }
    const std::vector<uint8_t> saved = doc.SaveToBytes();
    CTAVDoc again;
    again.LoadFromBytes(saved);
    if (again.SaveToBytes() != saved) {
        std::abort();
    }
    return 0;
}
