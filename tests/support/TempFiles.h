#pragma once

// Files and folders the tests write, removed when the test ends.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh folder under the system's temporary folder, removed with all it holds (a test may
// have taken its write permission away).
class CTempDir {
public:
    CTempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "tavtest-XXXXXX").string();
        path = mkdtemp(t.data()) != nullptr ? t : std::string();
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }
    // Writes name with the bytes and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }
    int FileCount() const {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(path), {}));
    }

    std::string path;
};

// One file with the given bytes and extension.
class CTempFile {
public:
    explicit CTempFile(const std::string& bytes, const std::string& suffix = ".txt")
        : path(m_dir.Write("file" + suffix, bytes)) {}

private:
    CTempDir m_dir;

public:
    const std::string path;
};
