#pragma once

// Binary archive with the byte layout of the MFC CArchive used by .tav files: little-endian
// integers and doubles, counts with a 0xFFFF escape, length-prefixed Windows-1250 strings.
// A storing archive appends to its own buffer; a loading archive reads a caller's byte span and
// checks every length against the bytes left before it allocates anything.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Vec3.h"

static_assert(std::endian::native == std::endian::little,
              "the archive copies values in host byte order");

class CArchiveException : public std::runtime_error {
public:
    // The MFC archive exception causes; files and callers compare against these numbers.
    enum ECause {
        none = 0,
        genericException = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7
    };

    // Exception with a cause and an English message for the user.
    CArchiveException(ECause cause, const std::string& message)
        : std::runtime_error(message), m_cause(cause) {}

    // Cause of the failure.
    ECause Cause() const { return m_cause; }

    ECause m_cause;
};

class CArchive {
public:
    // Storing archive with an empty buffer.
    CArchive() : m_storing(true) {}
    // Loading archive over data; the caller keeps data alive while the archive is used.
    explicit CArchive(std::span<const uint8_t> data) : m_storing(false), m_data(data) {}

    // True when writing.
    bool IsStoring() const { return m_storing; }
    // True when reading.
    bool IsLoading() const { return !m_storing; }
    // Bytes read so far (loading) or written so far (storing).
    size_t Position() const { return m_storing ? m_flushed + m_len : m_pos; }
    // Bytes left to read; 0 when storing.
    size_t Remaining() const { return m_storing ? 0 : m_data.size() - m_pos; }

    // Bytes written so far; the reference is valid until the next write. Trims spare room, so
    // not to be called from two threads at once.
    const std::vector<uint8_t>& Buffer() const {
        m_buf.resize(m_len);  // drop the spare room (never reallocates)
        return m_buf;
    }
    // Moves the written bytes out, leaving the buffer empty.
    std::vector<uint8_t> TakeBuffer() {
        m_buf.resize(m_len);
        std::vector<uint8_t> out;
        out.swap(m_buf);
        m_len = 0;
        return out;
    }
    // Reserves room for bytes more bytes in the storing buffer (ignored with a sink).
    void Reserve(size_t bytes) {
        if (!m_sink && m_buf.size() - m_len < bytes) {
            m_buf.resize(m_len + bytes);
        }
    }
    // Receives written bytes in order; may throw to abort the storing.
    using Sink = std::function<void(const uint8_t* data, size_t size)>;
    // Hands the written bytes to sink in chunks of about chunkBytes instead of keeping them all,
    // so a big document is saved without a second copy of it in memory. Buffer() then holds only
    // what has not been handed over yet; call Flush() at the end.
    void SetSink(Sink sink, size_t chunkBytes = size_t{1} << 20) {
        Flush();
        m_sink = std::move(sink);
        m_buf.resize(std::max(m_len + chunkBytes, m_buf.size()));
    }
    // Hands everything written so far to the sink; nothing without one.
    void Flush() {
        if (m_sink && m_len > 0) {
            m_sink(m_buf.data(), m_len);
            m_flushed += m_len;
            m_len = 0;
        }
    }
    // True when some string written had characters that Windows-1250 cannot store ('?' written).
    bool HadUnmappableChars() const { return m_unmappable; }

    // --- storing; each throws CArchiveException readOnly on a loading archive ---

    // Writes one byte.
    void WriteU8(uint8_t v) { Put(&v, 1); }
    // Writes a 2-byte unsigned integer.
    void WriteU16(uint16_t v) { Put(&v, 2); }
    // Writes a 4-byte unsigned integer.
    void WriteU32(uint32_t v) { Put(&v, 4); }
    // Writes a 4-byte signed integer.
    void WriteI32(int32_t v) { Put(&v, 4); }
    // Writes an 8-byte IEEE double.
    void WriteF64(double v) { Put(&v, 8); }
    // Writes a count: u16, or u16 0xFFFF and a u32 from 0xFFFF on; throws genericException
    // above 0xFFFFFFFF.
    void WriteCount(uint64_t n) {
        if (n < 0xFFFF) {
            WriteU16(static_cast<uint16_t>(n));
        } else {
            WriteLongCount(n);
        }
    }
    // Writes a length-prefixed string converted to Windows-1250 (the prefix counts those bytes);
    // unmappable characters are written as '?' and noted in HadUnmappableChars.
    void WriteString(std::string_view utf8);
    // Writes bytes as they are.
    void WriteRaw(const void* data, size_t size) { Put(data, size); }
    // Writes text converted to Windows-1250 without a length prefix, then an LF byte.
    void WriteLine(std::string_view text);
    // Writes x, y and z of a point as three doubles (the flag is not written).
    void WritePoint3(const CPoint3& p) {
        WriteF64(p.x);
        WriteF64(p.y);
        WriteF64(p.z);
    }
    // Writes x, y and z as three doubles.
    void WriteVec3(const CVec3& v) {
        WriteF64(v.x);
        WriteF64(v.y);
        WriteF64(v.z);
    }
    // Writes the 16 elements row by row.
    void WriteMatrix(const CMatrix4& m);

    // --- loading; each throws CArchiveException endOfFile when the data ends early (nothing is
    // consumed then) and writeOnly on a storing archive ---

    // Reads one byte.
    uint8_t ReadU8() { return Get<uint8_t>(); }
    // Reads a 2-byte unsigned integer.
    uint16_t ReadU16() { return Get<uint16_t>(); }
    // Reads a 4-byte unsigned integer.
    uint32_t ReadU32() { return Get<uint32_t>(); }
    // Reads a 4-byte signed integer.
    int32_t ReadI32() { return Get<int32_t>(); }
    // Reads an 8-byte IEEE double.
    double ReadF64() { return Get<double>(); }
    // Reads a count (u16, with a u32 after the 0xFFFF escape). Callers check it with
    // CheckAvailable before allocating.
    uint32_t ReadCount() {
        uint16_t n = ReadU16();
        if (n != 0xFFFF) {
            return n;
        }
        if (Remaining() < 4) {
            m_pos -= 2;  // a failed read consumes nothing
            ThrowEndOfFile();
        }
        return ReadU32();
    }
    // Reads a length-prefixed Windows-1250 string as UTF-8; throws when the length exceeds the
    // bytes left or the prefix is the Unicode marker 0xFF 0xFFFE (not supported).
    std::string ReadString();
    // Reads size bytes into data.
    void ReadRaw(void* data, size_t size) {
        Need(size);
        if (size == 0) {
            return;  // data may be null
        }
        std::memcpy(data, m_data.data() + m_pos, size);
        m_pos += size;
    }
    // Reads text up to an LF byte (consumed; a CR before it is dropped), converted to UTF-8;
    // throws endOfFile when the data ends before an LF and genericException when no LF comes
    // within maxBytes bytes of text.
    std::string ReadLine(size_t maxBytes);
    // Reads three doubles as a point; its flag keeps the point default.
    CPoint3 ReadPoint3() {
        Need(24);
        CPoint3 p;
        p.x = Get<double>();
        p.y = Get<double>();
        p.z = Get<double>();
        return p;
    }
    // Reads three doubles as a vector.
    CVec3 ReadVec3() {
        Need(24);
        CVec3 v;
        v.x = Get<double>();
        v.y = Get<double>();
        v.z = Get<double>();
        return v;
    }
    // Reads 16 doubles row by row.
    CMatrix4 ReadMatrix();

    // Throws CArchiveException endOfFile when count items of at least minBytesEach bytes cannot
    // fit in the bytes left; what names the value in the message, e.g. "Vertex count".
    void CheckAvailable(uint64_t count, uint64_t minBytesEach, const char* what) const {
        if (minBytesEach != 0 && count > Remaining() / minBytesEach) {
            ThrowTooLarge(count, minBytesEach, what);
        }
    }

private:
    void Put(const void* p, size_t n) {
        if (!m_storing) {
            ThrowReadOnly();
        }
        if (m_buf.size() - m_len < n) {
            Grow(n);
        }
        if (n == 0) {
            return;  // p may be null
        }
        std::memcpy(m_buf.data() + m_len, p, n);
        m_len += n;
    }
    void Need(size_t n) const {
        if (m_data.size() - m_pos < n) {
            ThrowEndOfFile();
        }
    }
    template <typename T>
    T Get() {
        Need(sizeof(T));
        T v;
        std::memcpy(&v, m_data.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return v;
    }
    void Grow(size_t n);
    void WriteLongCount(uint64_t n);
    void WriteStringBytes(std::string_view cp1250);
    [[noreturn]] void ThrowReadOnly() const;
    [[noreturn]] void ThrowEndOfFile() const;
    [[noreturn]] void ThrowTooLarge(uint64_t count, uint64_t minBytesEach, const char* what) const;

    bool m_storing;
    bool m_unmappable = false;
    // Storing: bytes [0, m_len) are written, the rest of m_buf is spare room, so that a write is
    // a bounds check and a copy (a vector grown byte by byte is several times slower).
    mutable std::vector<uint8_t> m_buf;
    size_t m_len = 0;
    size_t m_flushed = 0;
    Sink m_sink;
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
};
