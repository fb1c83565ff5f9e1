#pragma once

// Helpers of the panel, curve, mesh and sibling document reader tests.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"

namespace shiptest {

// A file with the given bytes, removed at the end of the test.
class CTempFile {
public:
    explicit CTempFile(const std::string& content, const char* suffix = "") {
        char tmpl[] = "/tmp/tavship-XXXXXX";
        const int fd = mkstemp(tmpl);
        ::close(fd);
        m_base = tmpl;
        path = m_base + suffix;
        if (path != m_base) {
            std::filesystem::rename(m_base, path);
        }
        std::ofstream(path, std::ios::binary) << content;
    }
    ~CTempFile() { std::filesystem::remove(path); }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    std::string path;

private:
    std::string m_base;
};

// The entity at i as a polyline or polygon; fails the test when it is another kind.
inline const CPoly& PolyAt(const CTAVDoc& doc, int i) {
    const auto* p = dynamic_cast<const CPoly*>(doc.GetEntity(i));
    if (!p) {
        ADD_FAILURE() << "entity " << i << " is not a CPoly";
        static const CPoly empty;
        return empty;
    }
    return *p;
}

// Vertex coordinates without flags, for comparisons.
inline std::vector<std::array<double, 3>> Coords(const CPoly& p) {
    std::vector<std::array<double, 3>> out;
    for (const CPoint3& v : p.m_vertices) {
        out.push_back({v.x, v.y, v.z});
    }
    return out;
}

// Resets the entity counter for a test and puts it back afterwards.
class CCounterGuard {
public:
    explicit CCounterGuard(int start = 0) : m_saved(GetLastEntityNumber()) {
        SetLastEntityNumber(start);
    }
    ~CCounterGuard() { SetLastEntityNumber(m_saved); }
    CCounterGuard(const CCounterGuard&) = delete;
    CCounterGuard& operator=(const CCounterGuard&) = delete;

private:
    int m_saved;
};

}  // namespace shiptest
