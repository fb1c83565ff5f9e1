#pragma once

#include <cstddef>
#include <string>

// Writes a file so that a failure never destroys the file it replaces: the bytes go into a
// temporary file in the same folder, which is renamed over the target only when everything is
// on disk. The error texts are the ones shown to the user: "Can not create the file: ...",
// "Can not write the file: ...", "Can not replace the file: ...", each with the system's reason.
class CAtomicFile {
public:
    CAtomicFile() = default;
    // Removes the temporary file unless Commit succeeded.
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file beside path; false (error filled in) when that fails.
    bool Open(const std::string& path, std::string& error);
    // Appends size bytes; false (error filled in) on a write error. Needs a successful Open.
    bool Write(const void* data, size_t size, std::string& error);
    // Gives the file the permissions of the file it replaces (a new one 0666 less the umask),
    // syncs and closes it and renames it over the target. False (error filled in, temporary
    // file removed, target untouched) when any step fails.
    bool Commit(std::string& error);
    // Closes and removes the temporary file; the target stays as it was.
    void Discard();
    // True between a successful Open and Commit or Discard.
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    std::string m_path;
    std::string m_tmpPath;
};
