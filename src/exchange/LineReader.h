#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "exchange/ImportSession.h"

class CPrompter;

// Reads a text file line by line for the importers: one streaming pass with a fixed buffer, LF
// and CRLF line ends, lines counted from 1. A line is handed out as a view into the buffer,
// valid until the next call, so reading costs no allocation per line. Lines longer than
// kMaxLineBytes are cut there (the rest of the line is read over), so a file that is one huge
// line cannot take unbounded memory.
class CLineReader {
public:
    static constexpr size_t kMaxLineBytes = size_t{1} << 20;

    CLineReader() = default;
    ~CLineReader();
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;

    // Opens a file, or bytes in memory (which must outlive the reader); false with the reason
    // when a file cannot be opened.
    bool Open(const SImportSource& source, std::string& reason);
    // Opens a file; on failure reports it through prompter (the file name and the reason).
    bool Open(const std::string& path, CPrompter& prompter);
    // The next line without its line end; false at the end of the file or on a read error
    // (then Failed() is true). Inline for a line whose LF is already in the buffer: the
    // importers call it for every line.
    bool ReadLine(std::string_view& line) {
        if (m_begin < m_lfEnd) {
            const char* b = m_buf.get() + m_begin;
            const auto* nl = static_cast<const char*>(std::memchr(b, '\n', m_lfEnd - m_begin));
            if (nl) {
                const size_t len = static_cast<size_t>(nl - b);
                line = std::string_view(b, len > 0 && nl[-1] == '\r' ? len - 1 : len);
                m_consumed += len + 1;
                m_begin += len + 1;
                ++m_lineNumber;
                return true;
            }
        }
        return ReadLineSlow(line);
    }
    // Lets a lone CR end a line too (CR LF stays one line end); instruments write CR only.
    void SetCrLineEnds(bool on) {
        m_crEnds = on;
        m_lfEnd = 0;
    }
    // Number of the line last returned (1 for the first).
    int LineNumber() const { return m_lineNumber; }
    // True when the line last returned was longer than kMaxLineBytes and was cut.
    bool WasCut() const { return m_cut; }
    // True when reading stopped on an error of the system rather than the end of the file.
    bool Failed() const { return m_failed; }
    // The system's text for that error.
    std::string ErrorText() const;
    // Bytes consumed so far (for progress).
    uint64_t BytesRead() const { return m_consumed; }
    // Size of the file (or the bytes) when it was opened.
    uint64_t FileSize() const { return m_fileSize; }

private:
    bool Fill();
    // ReadLine past the buffered lines, or in any mode but LF only.
    bool ReadLineSlow(std::string_view& line);
    bool CutLongLine(std::string_view& line);
    bool ReadLineAnyEnd(std::string_view& line);
    bool LastLine(std::string_view& line);
    // The first line end in n bytes at p: an LF, or with m_crEnds a CR before it; nullptr if none.
    const char* FindEnd(const char* p, size_t n) const;
    // Up to room bytes of the file or the memory; -1 with errno on a read error.
    ssize_t ReadSome(char* to, size_t room);

    int m_fd = -1;
    std::span<const uint8_t> m_memory;
    size_t m_memoryAt = 0;
    bool m_open = false;
    std::unique_ptr<char[]> m_buf;
    size_t m_cap = 0;
    size_t m_begin = 0;  // first unread byte
    size_t m_end = 0;    // one past the last valid byte
    // Where ReadLine's inline path may look for an LF: m_end in the plain mode, 0 (never)
    // with lone CR line ends, after a cut line (WasCut is reset on the slow path) or closed.
    size_t m_lfEnd = 0;
    bool m_eof = false;
    bool m_failed = false;
    bool m_cut = false;
    bool m_crEnds = false;
    int m_errno = 0;
    int m_lineNumber = 0;
    uint64_t m_consumed = 0;
    uint64_t m_fileSize = 0;
};
