#pragma once

// The readers take a path, so each fuzz input is written to one scratch file per process.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

// A scratch file made once per process and tag.
inline std::string MakeFuzzScratchPath(const char* tag) {
    std::string tmpl = std::string("/tmp/fuzz_") + tag + "-XXXXXX";
    const int fd = mkstemp(tmpl.data());
    if (fd < 0) {
        std::abort();
    }
    ::close(fd);
    return tmpl;
}

// Writes the input over the scratch file of the tag and returns its path.
inline const std::string& WriteFuzzInput(const char* tag, const uint8_t* data, size_t size) {
    static const std::string path = MakeFuzzScratchPath(tag);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
