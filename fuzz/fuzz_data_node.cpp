// Attribute data trees and archive strings from arbitrary bytes: loads are refused or
// round-trip.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "document/Archive.h"
#include "document/DataNode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDataNode node;
    {
        CArchive ar(std::span<const uint8_t>(data, size));
        try {
            node.Serialize(ar);
        } catch (const CArchiveException&) {
            return 0;
        }
    }
    CArchive out;
    node.Serialize(out);
    CDataNode back;
    CArchive in(out.Buffer());
    back.Serialize(in);
    if (!(back == node) || in.Remaining() != 0) {
        std::abort();
    }
    return 0;
}
