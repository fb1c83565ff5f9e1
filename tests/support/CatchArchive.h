#pragma once

#include <gtest/gtest.h>

#include <functional>

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
