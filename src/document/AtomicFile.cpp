#include "document/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::string SystemError(const char* what) {
    return std::string(what) + std::strerror(errno) + ".";
}

}  // namespace

CAtomicFile::~CAtomicFile() {
    Discard();
}

bool CAtomicFile::Open(const std::string& path, std::string& error) {
    Discard();
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = SystemError("Can not create the file: ");
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_tmpPath = name.data();
    return true;
}

bool CAtomicFile::Write(const void* data, size_t size, std::string& error) {
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = SystemError("Can not write the file: ");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool CAtomicFile::Commit(std::string& error) {
    struct stat st;
    if (::stat(m_path.c_str(), &st) == 0) {
        ::fchmod(m_fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
    if (::fsync(m_fd) != 0) {
        error = SystemError("Can not write the file: ");
        Discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        error = SystemError("Can not write the file: ");
        ::unlink(m_tmpPath.c_str());
        return false;
    }
    if (::rename(m_tmpPath.c_str(), m_path.c_str()) != 0) {
        error = SystemError("Can not replace the file: ");
        ::unlink(m_tmpPath.c_str());
        return false;
    }
    return true;
}

void CAtomicFile::Discard() {
    if (m_fd < 0) {
        return;
    }
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_tmpPath.c_str());
}
