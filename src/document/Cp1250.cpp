#include "document/Cp1250.h"

#include <array>

namespace {

// Code points of bytes 0x80..0xFF. The undefined bytes map to the C1 control of the same value.
constexpr char16_t kHighHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// The non-ASCII characters of the code page lie in U+0080..U+02FF and U+2000..U+212F; one
// direct table per range gives the byte (0 = no mapping).
constexpr char32_t kLowBase = 0x80, kLowEnd = 0x300;
constexpr char32_t kPunctBase = 0x2000, kPunctEnd = 0x2130;

struct SReverse {
    std::array<uint8_t, kLowEnd - kLowBase> low{};
    std::array<uint8_t, kPunctEnd - kPunctBase> punct{};
};

constexpr SReverse MakeReverse() {
    SReverse r;
    for (unsigned i = 0; i < 128; ++i) {
        char32_t cp = kHighHalf[i];
        if (cp >= kLowBase && cp < kLowEnd) {
            r.low[cp - kLowBase] = static_cast<uint8_t>(0x80 + i);
        } else if (cp >= kPunctBase && cp < kPunctEnd) {
            r.punct[cp - kPunctBase] = static_cast<uint8_t>(0x80 + i);
        }
    }
    return r;
}

constexpr SReverse kReverse = MakeReverse();

// UTF-8 form of each high byte, so decoding is a copy per byte.
struct SUtf8 {
    uint8_t len;
    char bytes[3];
};

constexpr std::array<SUtf8, 128> MakeUtf8() {
    std::array<SUtf8, 128> t{};
    for (unsigned i = 0; i < 128; ++i) {
        char32_t cp = kHighHalf[i];
        if (cp < 0x800) {
            t[i] = {
                2, {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F)), 0}};
        } else {
            t[i] = {
                3,
                {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (cp & 0x3F))}};
        }
    }
    return t;
}

constexpr std::array<SUtf8, 128> kUtf8 = MakeUtf8();

// Decodes one UTF-8 character at p (p < end) and advances p. An invalid, overlong, surrogate or
// truncated sequence consumes one byte and returns false.
bool DecodeUtf8(const uint8_t*& p, const uint8_t* end, char32_t& cp) {
    uint8_t b0 = *p;
    if (b0 < 0x80) {
        cp = b0;
        ++p;
        return true;
    }
    int extra;
    char32_t minCp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
        minCp = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
        minCp = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
        minCp = 0x10000;
    } else {
        ++p;
        return false;
    }
    if (end - p <= extra) {
        ++p;
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        uint8_t b = p[k];
        if ((b & 0xC0) != 0x80) {
            ++p;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minCp || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++p;
        return false;
    }
    p += extra + 1;
    return true;
}

size_t FirstNonAscii(std::string_view s) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && static_cast<uint8_t>(s[i]) < 0x80) {
        ++i;
    }
    return i;
}

}  // namespace

char32_t Cp1250ToUnicode(uint8_t byte) {
    return byte < 0x80 ? char32_t{byte} : char32_t{kHighHalf[byte - 0x80]};
}

bool UnicodeToCp1250(char32_t cp, uint8_t* byte) {
    uint8_t b = 0;
    if (cp < 0x80) {
        *byte = static_cast<uint8_t>(cp);
        return true;
    }
    if (cp < kLowEnd) {
        b = kReverse.low[cp - kLowBase];
    } else if (cp >= kPunctBase && cp < kPunctEnd) {
        b = kReverse.punct[cp - kPunctBase];
    }
    if (b == 0) {
        return false;
    }
    *byte = b;
    return true;
}

std::string Utf8ToCp1250(std::string_view utf8, bool* lossy) {
    size_t ascii = FirstNonAscii(utf8);
    if (ascii == utf8.size()) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size());
    out.append(utf8.substr(0, ascii));
    const uint8_t* p = reinterpret_cast<const uint8_t*>(utf8.data()) + ascii;
    const uint8_t* end = reinterpret_cast<const uint8_t*>(utf8.data()) + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            out.push_back(static_cast<char>(*p++));
            continue;
        }
        char32_t cp;
        uint8_t b;
        if (DecodeUtf8(p, end, cp) && UnicodeToCp1250(cp, &b)) {
            out.push_back(static_cast<char>(b));
        } else {
            out.push_back('?');
            if (lossy) {
                *lossy = true;
            }
        }
    }
    return out;
}

std::string Cp1250ToUtf8(std::string_view bytes) {
    size_t ascii = FirstNonAscii(bytes);
    if (ascii == bytes.size()) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + (bytes.size() - ascii) * 2);
    out.append(bytes.substr(0, ascii));
    for (size_t i = ascii; i < bytes.size(); ++i) {
        uint8_t b = static_cast<uint8_t>(bytes[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else {
            const SUtf8& u = kUtf8[b - 0x80];
            out.append(u.bytes, u.len);
        }
    }
    return out;
}

size_t Utf8CharCount(std::string_view utf8) {
    size_t ascii = FirstNonAscii(utf8);
    if (ascii == utf8.size()) {
        return ascii;
    }
    size_t count = ascii;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(utf8.data()) + ascii;
    const uint8_t* end = reinterpret_cast<const uint8_t*>(utf8.data()) + utf8.size();
    while (p < end) {
        char32_t cp;
        DecodeUtf8(p, end, cp);
        ++count;
    }
    return count;
}
