#include "document/Archive.h"

#include <algorithm>

#include "document/Cp1250.h"

namespace {

bool IsAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

void CArchive::Grow(size_t n) {
    if (m_sink) {
        Flush();
        if (m_buf.size() >= n) {
            return;
        }
    }
    m_buf.resize(std::max({m_len + n, m_buf.size() * 2, size_t{4096}}));
}

void CArchive::WriteLongCount(uint64_t n) {
    if (n > 0xFFFFFFFFu) {
        throw CArchiveException(
            CArchiveException::genericException,
            "Count " + std::to_string(n) + " is too large for the file format.");
    }
    if (!m_storing) {
        ThrowReadOnly();
    }
    WriteU16(0xFFFF);
    WriteU32(static_cast<uint32_t>(n));
}

void CArchive::WriteStringBytes(std::string_view cp1250) {
    const size_t n = cp1250.size();
    if (!m_storing) {
        ThrowReadOnly();
    }
    if (n < 0xFF) {
        WriteU8(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<uint16_t>(n));
    } else if (n <= 0xFFFFFFFFu) {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<uint32_t>(n));
    } else {
        throw CArchiveException(
            CArchiveException::genericException,
            "String of " + std::to_string(n) + " bytes is too long for the file format.");
    }
    Put(cp1250.data(), n);
}

void CArchive::WriteString(std::string_view utf8) {
    if (IsAscii(utf8)) {
        WriteStringBytes(utf8);
        return;
    }
    bool lossy = false;
    std::string bytes = Utf8ToCp1250(utf8, &lossy);
    m_unmappable = m_unmappable || lossy;
    WriteStringBytes(bytes);
}

void CArchive::WriteLine(std::string_view text) {
    if (!m_storing) {
        ThrowReadOnly();
    }
    if (IsAscii(text)) {
        Put(text.data(), text.size());
    } else {
        bool lossy = false;
        std::string bytes = Utf8ToCp1250(text, &lossy);
        m_unmappable = m_unmappable || lossy;
        Put(bytes.data(), bytes.size());
    }
    WriteU8('\n');
}

void CArchive::WriteMatrix(const CMatrix4& m) {
    Put(&m.m[0][0], sizeof(double) * 16);
}

std::string CArchive::ReadString() {
    const size_t start = m_pos;
    try {
        uint32_t len = ReadU8();
        if (len == 0xFF) {
            len = ReadU16();
            if (len == 0xFFFE) {
                throw CArchiveException(
                    CArchiveException::genericException,
                    "String at byte " + std::to_string(start) +
                        " is stored as Unicode (prefix FF FFFE), which is not supported.");
            }
            if (len == 0xFFFF) {
                len = ReadU32();
            }
        }
        CheckAvailable(len, 1, "String length");
        const char* p = reinterpret_cast<const char*>(m_data.data() + m_pos);
        std::string text = Cp1250ToUtf8(std::string_view(p, len));
        m_pos += len;
        return text;
    } catch (...) {
        m_pos = start;
        throw;
    }
}

std::string CArchive::ReadLine(size_t maxBytes) {
    if (m_storing) {
        ThrowEndOfFile();
    }
    const size_t avail = Remaining();
    const size_t window = maxBytes < avail ? maxBytes + 1 : avail;
    const uint8_t* begin = m_data.data() + m_pos;
    const void* lf = window == 0 ? nullptr : std::memchr(begin, '\n', window);
    if (lf == nullptr) {
        if (avail <= maxBytes) {
            throw CArchiveException(CArchiveException::endOfFile,
                                    "Unexpected end of file at byte " +
                                        std::to_string(m_data.size()) + " while reading a line.");
        }
        throw CArchiveException(CArchiveException::genericException,
                                "Line at byte " + std::to_string(m_pos) + " is longer than " +
                                    std::to_string(maxBytes) + " bytes.");
    }
    size_t len = static_cast<size_t>(static_cast<const uint8_t*>(lf) - begin);
    size_t textLen = len;
    if (textLen > 0 && begin[textLen - 1] == '\r') {
        --textLen;
    }
    std::string text =
        Cp1250ToUtf8(std::string_view(reinterpret_cast<const char*>(begin), textLen));
    m_pos += len + 1;
    return text;
}

CMatrix4 CArchive::ReadMatrix() {
    Need(sizeof(double) * 16);
    CMatrix4 m;
    std::memcpy(&m.m[0][0], m_data.data() + m_pos, sizeof(double) * 16);
    m_pos += sizeof(double) * 16;
    return m;
}

void CArchive::ThrowReadOnly() const {
    throw CArchiveException(CArchiveException::readOnly,
                            "Cannot write to an archive that is loading.");
}

void CArchive::ThrowEndOfFile() const {
    if (m_storing) {
        throw CArchiveException(CArchiveException::writeOnly,
                                "Cannot read from an archive that is storing.");
    }
    throw CArchiveException(CArchiveException::endOfFile,
                            "Unexpected end of file at byte " + std::to_string(m_pos) + ".");
}

void CArchive::ThrowTooLarge(uint64_t count, uint64_t minBytesEach, const char* what) const {
    if (m_storing) {
        ThrowEndOfFile();
    }
    std::string msg =
        std::string(what) + " " + std::to_string(count) + " at byte " + std::to_string(m_pos);
    if (minBytesEach > 1) {
        msg += " (at least " + std::to_string(minBytesEach) + " bytes each)";
    }
    msg += " exceeds the " + std::to_string(Remaining()) + " bytes left in the file.";
    throw CArchiveException(CArchiveException::endOfFile, msg);
}
