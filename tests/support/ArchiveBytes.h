#pragma once

// Archive bytes written by hand or by an object, and the exception a load throws.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/Archive.h"

// Runs f and returns the archive exception it throws; fails the test when it throws none.
inline CArchiveException CatchArchive(const std::function<void()>& f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e;
    }
    ADD_FAILURE() << "no CArchiveException";
    return CArchiveException(CArchiveException::none, "");
}

// The bytes a copy of obj stores (Serialize both stores and loads, so it is not const).
template <class T>
std::vector<uint8_t> Stored(T obj) {
    CArchive ar;
    obj.Serialize(ar);
    return ar.Buffer();
}

// An entity record as files hold it: an empty data node, the reserved word 1 (not in the old
// format), layer, number, name in Windows-1250 and colour; then the doubles and words of its
// kind.
inline std::vector<uint8_t> EntityRecord(int32_t layer, int32_t number,
                                         const std::string& cp1250Name, std::array<double, 3> rgb,
                                         const std::vector<double>& doubles,
                                         const std::vector<uint32_t>& words,
                                         bool withReserved = true) {
    CArchive ar;
    ar.WriteCount(0);
    ar.WriteU8(0);
    ar.WriteU32(20);
    ar.WriteU8(3);
    ar.WriteU8(1);
    ar.WriteU32(0);
    ar.WriteU32(0);
    if (withReserved) {
        ar.WriteU32(1);
    }
    ar.WriteI32(layer);
    ar.WriteI32(number);
    ar.WriteU8(static_cast<uint8_t>(cp1250Name.size()));
    ar.WriteRaw(cp1250Name.data(), cp1250Name.size());
    for (double d : rgb) {
        ar.WriteF64(d);
    }
    for (double d : doubles) {
        ar.WriteF64(d);
    }
    for (uint32_t w : words) {
        ar.WriteU32(w);
    }
    return ar.Buffer();
}
