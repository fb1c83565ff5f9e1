#include "exchange/DxfPairs.h"

#include <cstdio>
#include <cstring>

#include "exchange/ScanNumbers.h"

namespace {

// What some writers put before the first line of a UTF-8 file.

bool InRange(int code, int lo, int hi) {
    return code >= lo && code <= hi;
}

// Bytes of a value by its group code; 0 for a string, -1 for a binary chunk.
int ValueBytes(int code) {
    if (InRange(code, 310, 319) || code == 1004) {
        return -1;
    }
    if (InRange(code, 10, 59) || InRange(code, 110, 149) || InRange(code, 210, 239) ||
        InRange(code, 460, 469) || InRange(code, 1010, 1059)) {
        return 8;  // double
    }
    if (InRange(code, 60, 79) || InRange(code, 170, 179) || InRange(code, 270, 289) ||
        InRange(code, 370, 389) || InRange(code, 400, 409) || InRange(code, 1060, 1070)) {
        return 2;
    }
    if (InRange(code, 90, 99) || InRange(code, 420, 459) || code == 1071) {
        return 4;
    }
    if (InRange(code, 160, 169)) {
        return 8 + 100;  // int64 (told apart from a double by the offset)
    }
    if (InRange(code, 290, 299)) {
        return 1;
    }
    return 0;
}

template <typename T>
T LittleEndian(const char* p) {
    T v = 0;
    std::memcpy(&v, p, sizeof v);  // the machines this runs on are little-endian
    return v;
}

}  // namespace

bool ScanDxfGroupCodeSlow(std::string_view line, int& code) {
    size_t i = 0;
    while (i < line.size() && line[i] == ' ') {
        ++i;
    }
    const size_t first = i;
    int v = 0;
    while (i < line.size() && i - first < 9 && line[i] >= '0' && line[i] <= '9') {
        v = v * 10 + (line[i] - '0');
        ++i;
    }
    if (i > first && i == line.size()) {
        code = v;
        return true;
    }
    return ScanInt(line, code);
}

CDxfBinaryPairs::CDxfBinaryPairs(std::string_view bytes)
    : m_bytes(bytes), m_at(kBinaryDxfSentinel.size()) {
    // Files of AC1009 and before, and files that do not say, have one-byte group codes.
    m_shortCodes = true;
    const std::string_view head = bytes.substr(0, 1024);
    const size_t var = head.find("$ACADVER");
    if (var != std::string_view::npos) {
        size_t at = var + 10;  // past the name, its NUL and a one-byte code
        if (at < head.size() && head[at] != 'A') {
            ++at;  // a two-byte code
        }
        const std::string_view version = head.substr(std::min(at, head.size()), 6);
        m_shortCodes = version.size() < 6 || version <= "AC1009";
    }
}

CDxfPairs::EPair CDxfBinaryPairs::Next(int& code, std::string_view& value) {
    const size_t n = m_bytes.size();
    if (m_at >= n) {
        return EPair::End;
    }
    const char* p = m_bytes.data();
    if (m_shortCodes) {
        code = static_cast<unsigned char>(p[m_at]);
        ++m_at;
        if (code == 255) {
            if (n - m_at < 2) {
                return EPair::CutOff;
            }
            code = static_cast<int>(LittleEndian<uint16_t>(p + m_at));
            m_at += 2;
        }
    } else {
        if (n - m_at < 2) {
            return EPair::CutOff;
        }
        code = static_cast<int>(LittleEndian<int16_t>(p + m_at));
        m_at += 2;
    }
    ++m_pairs;
    const int bytes = ValueBytes(code);
    char text[40];
    if (bytes == 0) {
        const void* nul = std::memchr(p + m_at, '\0', n - m_at);
        if (nul == nullptr) {
            return EPair::CutOff;
        }
        const size_t len = static_cast<size_t>(static_cast<const char*>(nul) - (p + m_at));
        value = std::string_view(p + m_at, len);
        m_at += len + 1;
        return EPair::Pair;
    }
    if (bytes < 0) {
        if (n - m_at < 1) {
            return EPair::CutOff;
        }
        const size_t len = static_cast<unsigned char>(p[m_at]);
        ++m_at;
        if (n - m_at < len) {
            return EPair::CutOff;
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        m_value.clear();
        for (size_t i = 0; i < len; ++i) {
            const auto b = static_cast<unsigned char>(p[m_at + i]);
            m_value += kHex[b >> 4];
            m_value += kHex[b & 15];
        }
        m_at += len;
        value = m_value;
        return EPair::Pair;
    }
    const size_t size = bytes > 100 ? 8 : static_cast<size_t>(bytes);
    if (n - m_at < size) {
        return EPair::CutOff;
    }
    const char* v = p + m_at;
    m_at += size;
    int len = 0;
    if (bytes == 8) {
        len = std::snprintf(text, sizeof text, "%.17g", LittleEndian<double>(v));
    } else if (bytes > 100) {
        len = std::snprintf(text, sizeof text, "%lld",
                            static_cast<long long>(LittleEndian<int64_t>(v)));
    } else if (bytes == 4) {
        len = std::snprintf(text, sizeof text, "%d", LittleEndian<int32_t>(v));
    } else if (bytes == 2) {
        len = std::snprintf(text, sizeof text, "%d", LittleEndian<int16_t>(v));
    } else {
        len = std::snprintf(text, sizeof text, "%d", static_cast<unsigned char>(v[0]));
    }
    m_value.assign(text, static_cast<size_t>(len));
    value = m_value;
    return EPair::Pair;
}
