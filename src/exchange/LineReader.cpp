#include "exchange/LineReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "document/Prompter.h"

namespace {

constexpr size_t kChunk = size_t{1} << 16;

}  // namespace

CLineReader::~CLineReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool CLineReader::Open(const std::string& path, CPrompter& prompter) {
    std::string reason;
    if (!Open(SImportSource::File(path), reason)) {
        prompter.ReportFileError(path, reason);
        return false;
    }
    return true;
}

bool CLineReader::Open(const SImportSource& source, std::string& reason) {
    if (source.inMemory) {
        m_memory = source.bytes;
        m_fileSize = source.bytes.size();
    } else {
        const int fd = ::open(source.name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            reason = std::string("Can not open the file: ") + std::strerror(errno) + ".";
            return false;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
            ::close(fd);
            reason = std::string("Can not open the file: ") + std::strerror(err) + ".";
            return false;
        }
        m_fd = fd;
        m_fileSize = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    }
    m_open = true;
    // Room for the longest kept line plus one chunk read behind it.
    m_cap = kMaxLineBytes + kChunk;
    m_buf.reset(new char[m_cap]);
    return true;
}

ssize_t CLineReader::ReadSome(char* to, size_t room) {
    if (m_fd < 0) {
        const size_t n = std::min(room, m_memory.size() - m_memoryAt);
        std::memcpy(to, m_memory.data() + m_memoryAt, n);
        m_memoryAt += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t n;
    do {
        n = ::read(m_fd, to, room);
    } while (n < 0 && errno == EINTR);
    return n;
}

std::string CLineReader::ErrorText() const {
    return std::strerror(m_errno);
}

// Reads more bytes behind m_end; false when nothing more came.
bool CLineReader::Fill() {
    if (m_eof || m_failed) {
        return false;
    }
    if (m_begin > 0 && m_cap - m_end < kChunk) {
        std::memmove(m_buf.get(), m_buf.get() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    const ssize_t n = ReadSome(m_buf.get() + m_end, m_cap - m_end);
    if (n < 0) {
        m_errno = errno;
        m_failed = true;
        return false;
    }
    if (n == 0) {
        m_eof = true;
        return false;
    }
    m_end += static_cast<size_t>(n);
    return true;
}

const char* CLineReader::FindEnd(const char* p, size_t n) const {
    const auto* nl = static_cast<const char*>(std::memchr(p, '\n', n));
    if (!m_crEnds) {
        return nl;
    }
    const auto* cr = static_cast<const char*>(std::memchr(p, '\r', nl ? size_t(nl - p) : n));
    return cr ? cr : nl;
}

bool CLineReader::ReadLineSlow(std::string_view& line) {
    // Only a line found below lets the inline path in again.
    m_lfEnd = 0;
    if (!m_open) {
        return false;
    }
    if (m_crEnds) {
        return ReadLineAnyEnd(line);
    }
    m_cut = false;
    size_t scan = m_begin;
    for (;;) {
        const void* nl = std::memchr(m_buf.get() + scan, '\n', m_end - scan);
        if (nl) {
            const size_t at = static_cast<size_t>(static_cast<const char*>(nl) - m_buf.get());
            size_t len = at - m_begin;
            if (len > 0 && m_buf[at - 1] == '\r') {
                --len;
            }
            line = std::string_view(m_buf.get() + m_begin, len);
            m_consumed += at + 1 - m_begin;
            m_begin = at + 1;
            ++m_lineNumber;
            m_lfEnd = m_end;
            return true;
        }
        // Fill may move the unread bytes to the front; remember how far was searched.
        const size_t searched = m_end - m_begin;
        if (searched >= kMaxLineBytes) {
            return CutLongLine(line);
        }
        const bool more = Fill();
        scan = m_begin + searched;
        if (!more) {
            return LastLine(line);
        }
    }
}

// What is left at the end of the input: a last line without its line end, if any.
bool CLineReader::LastLine(std::string_view& line) {
    if (m_end <= m_begin) {
        return false;
    }
    size_t len = m_end - m_begin;
    if (m_buf[m_end - 1] == '\r') {
        --len;
    }
    line = std::string_view(m_buf.get() + m_begin, len);
    m_consumed += m_end - m_begin;
    m_begin = m_end;
    ++m_lineNumber;
    return !m_failed || len > 0;
}

// ReadLine with a lone CR ending a line as well.
bool CLineReader::ReadLineAnyEnd(std::string_view& line) {
    if (!m_open) {
        return false;
    }
    m_cut = false;
    size_t scan = m_begin;
    for (;;) {
        const char* end = FindEnd(m_buf.get() + scan, m_end - scan);
        if (end) {
            const size_t at = static_cast<size_t>(end - m_buf.get());
            size_t len = at - m_begin;
            size_t next = at + 1;
            if (*end == '\r') {
                // A CR last in the buffer may be the first half of a CR LF.
                if (at + 1 == m_end && !m_eof && !m_failed) {
                    const size_t before = at - m_begin;
                    if (Fill()) {
                        scan = m_begin + before;
                        continue;
                    }
                    len = before;
                    next = m_begin + before + 1;
                } else if (at + 1 < m_end && m_buf[at + 1] == '\n') {
                    next = at + 2;
                }
            } else if (len > 0 && m_buf[at - 1] == '\r') {
                --len;
            }
            line = std::string_view(m_buf.get() + m_begin, len);
            m_consumed += next - m_begin;
            m_begin = next;
            ++m_lineNumber;
            return true;
        }
        // Fill may move the unread bytes to the front; remember how far was searched.
        const size_t searched = m_end - m_begin;
        if (searched >= kMaxLineBytes) {
            return CutLongLine(line);
        }
        const bool more = Fill();
        scan = m_begin + searched;
        if (!more) {
            return LastLine(line);
        }
    }
}

// Keeps the first kMaxLineBytes of an over-long line at the start of the buffer and reads over
// the rest of it in the room behind, so the view handed out stays valid.
bool CLineReader::CutLongLine(std::string_view& line) {
    if (m_begin > 0) {
        std::memmove(m_buf.get(), m_buf.get() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    m_cut = true;
    ++m_lineNumber;
    line = std::string_view(m_buf.get(), kMaxLineBytes);
    m_consumed += kMaxLineBytes;
    // Bytes already read behind the head belong to the same line until an LF shows up.
    size_t from = kMaxLineBytes;
    for (;;) {
        const char* nl = FindEnd(m_buf.get() + from, m_end - from);
        if (nl) {
            const size_t at = static_cast<size_t>(nl - m_buf.get());
            m_consumed += at + 1 - from;
            m_begin = at + 1;
            return true;
        }
        m_consumed += m_end - from;
        m_begin = m_end = kMaxLineBytes;
        const ssize_t n = ReadSome(m_buf.get() + m_end, m_cap - m_end);
        if (n <= 0) {
            if (n < 0) {
                m_errno = errno;
                m_failed = true;
            } else {
                m_eof = true;
            }
            return true;
        }
        m_end += static_cast<size_t>(n);
    }
}
