#include "exchange/ScanNumbers.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// White space as isspace in the C locale.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void SkipSpace(std::string_view& t) {
    size_t i = 0;
    while (i < t.size() && IsSpace(t[i])) {
        ++i;
    }
    t.remove_prefix(i);
}

bool StartsHex(std::string_view t) {
    return t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
}

// strtod on a copy, for the rare forms from_chars leaves out (hexadecimal, values out of
// range). Returns the characters used, 0 when none.
size_t StrtodFallback(std::string_view t, double& out) {
    const std::string copy(t);
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    const size_t used = static_cast<size_t>(end - copy.c_str());
    if (used > 0) {
        out = v;
    }
    return used;
}

bool IsDigit(char c) {
    return static_cast<unsigned>(c - '0') < 10;
}

// Eight ASCII digits at p (which has eight readable bytes): true and their value, in one word
// operation instead of eight steps (instrument words are long runs of digits).
[[gnu::always_inline]] inline bool EightDigits(const char* p, uint64_t& value) {
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    }
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    // Every byte 0x30..0x39: high nibble 3, and still 3 after adding 6 (a byte that carries
    // into the next has a high nibble above 3 itself).
    if (((v & 0xF0F0F0F0F0F0F0F0) | (((v + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) !=
        0x3333333333333333) {
        return false;
    }
    v -= 0x3030303030303030;
    v = v * 10 + (v >> 8);  // pairs, the first digit in the lowest byte being the highest
    value = (((v & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
             (((v >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
            32;
    return true;
}

// The decimal digits at the start of the eight bytes at p (all readable): how many (0 to 8)
// and their value, without a branch per digit. The numbers of a file vary in length, and the
// end of a digit loop is a branch the processor keeps guessing wrong.
int LeadingDigits(const char* p, uint64_t& value) {
    if constexpr (std::endian::native != std::endian::little) {
        return 0;
    }
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    const uint64_t x = v ^ 0x3030303030303030;  // a digit byte becomes its value 0..9
    // The high bit of each byte that is no digit: x itself at or above 0x80, or x + 0x76 for
    // 0x0A..0x7F. A carry out of a byte only reaches bytes after the first such one.
    const uint64_t other = ((x + 0x7676767676767676) | x) & 0x8080808080808080;
    const int n = other ? std::countr_zero(other) / 8 : 8;
    if (n == 0) {
        return 0;
    }
    // The n digits to the top with zero digits below them, then as in EightDigits.
    uint64_t d = x << (8 * (8 - n));
    d = d * 10 + (d >> 8);
    value = (((d & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
             (((d >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
            32;
    return n;
}

}  // namespace

size_t ScanPlainDecimal(const char* p, const char* end, double& out) {
    // Powers of ten that are exact doubles.
    static constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* const start = p;
    uint64_t mantissa = 0;
    int digits = 0;
    uint64_t block = 0;
    if (end - p >= 8) {
        // The whole part of a coordinate in one step; long runs of digits (instrument words)
        // go on eight at a time.
        digits = LeadingDigits(p, mantissa);
        p += digits;
        while (digits % 8 == 0 && end - p >= 8 && digits <= 11 && IsDigit(p[7]) &&
               EightDigits(p, block)) {
            mantissa = mantissa * 100000000 + block;
            digits += 8;
            p += 8;
        }
    }
    while (p < end && IsDigit(*p)) {
        if (++digits > 19) {
            return 0;
        }
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    int fraction = 0;
    if (p < end && *p == '.') {
        ++p;
        while (end - p >= 8 && digits <= 11 && IsDigit(p[7]) && EightDigits(p, block)) {
            mantissa = mantissa * 100000000 + block;
            digits += 8;
            fraction += 8;
            p += 8;
        }
        while (p < end && IsDigit(*p)) {
            if (++digits > 19) {
                return 0;
            }
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++fraction;
            ++p;
        }
    }
    if (digits == 0 || (p < end && (*p == 'e' || *p == 'E'))) {
        return 0;
    }
    // Both operands exact, so the one rounding of the division is the correct one.
    if (mantissa > (uint64_t{1} << 53) || fraction > 22) {
        return 0;
    }
    out = static_cast<double>(mantissa) / kPow10[fraction];
    return static_cast<size_t>(p - start);
}

bool ScanSignedSixteenDigits(std::string_view text, double& out) {
    uint64_t high = 0, low = 0;
    if (text.size() != 17 || (text[0] != '+' && text[0] != '-') ||
        !EightDigits(text.data() + 1, high) || !EightDigits(text.data() + 9, low)) {
        return false;
    }
    const uint64_t m = high * 100000000 + low;
    if (m > (uint64_t{1} << 53)) {
        return false;
    }
    out = text[0] == '-' ? -static_cast<double>(m) : static_cast<double>(m);
    return true;
}

bool ScanSignedEightDigits(std::string_view text, double& out) {
    uint64_t m = 0;
    if (text.size() != 9 || (text[0] != '+' && text[0] != '-') ||
        !EightDigits(text.data() + 1, m)) {
        return false;
    }
    out = text[0] == '-' ? -static_cast<double>(m) : static_cast<double>(m);
    return true;
}

bool ScanDouble(std::string_view& text, double& out) {
    std::string_view t = text;
    SkipSpace(t);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || t[0] == '+' || t[0] == '-') {
        return false;
    }
    double v = 0.0;
    size_t used = 0;
    if (StartsHex(t)) {
        // scanf gives up on "0x" without hexadecimal digits where strtod would take the "0".
        used = StrtodFallback(t, v);
        if (used < 3) {
            return false;
        }
    } else if ((used = ScanPlainDecimal(t.data(), t.data() + t.size(), v)) > 0) {
        // Nothing of scanf's look-ahead applies: no exponent follows.
        out = negative ? -v : v;
        text = t.substr(used);
        return true;
    } else {
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec == std::errc()) {
            used = static_cast<size_t>(r.ptr - t.data());
        } else if (r.ec == std::errc::result_out_of_range) {
            // from_chars has matched the whole number; strtod gives it its inf or 0.
            used = static_cast<size_t>(r.ptr - t.data());
            StrtodFallback(t.substr(0, used), v);
        }
    }
    if (used == 0) {
        return false;
    }
    // scanf cannot push back more than one character: after a decimal mantissa it has already
    // taken a dangling 'e' and its sign ("1e+x" uses "1e+").
    const std::string_view number = t.substr(0, used);
    bool decimal = true;
    for (char c : number) {
        const char l = static_cast<char>(c | 0x20);
        if (l == 'e' || l == 'i' || l == 'n') {
            decimal = false;
            break;
        }
    }
    t.remove_prefix(used);
    if (decimal && !t.empty() && (t[0] == 'e' || t[0] == 'E')) {
        t.remove_prefix(1);
        if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
            t.remove_prefix(1);
        }
    }
    out = negative ? -v : v;
    text = t;
    return true;
}

bool ScanInt(std::string_view& text, int& out) {
    std::string_view t = text;
    SkipSpace(t);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || t[0] < '0' || t[0] > '9') {
        return false;
    }
    // Up to nine digits cannot leave int: the usual case, without the general conversion.
    size_t i = 0;
    int small = 0;
    while (i < t.size() && i < 9 && static_cast<unsigned>(t[i] - '0') < 10) {
        small = small * 10 + (t[i] - '0');
        ++i;
    }
    if (i == t.size() || static_cast<unsigned>(t[i] - '0') >= 10) {
        out = negative ? -small : small;
        text = t.substr(i);
        return true;
    }
    long long v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc()) {
        return false;
    }
    if (negative) {
        v = -v;
    }
    if (v < -2147483648LL || v > 2147483647LL) {
        return false;
    }
    t.remove_prefix(static_cast<size_t>(r.ptr - t.data()));
    out = static_cast<int>(v);
    text = t;
    return true;
}

int ScanDoubles(std::string_view text, double* out, int count) {
    int n = 0;
    while (n < count && ScanDouble(text, out[n])) {
        ++n;
    }
    return n;
}

bool IsBlank(std::string_view text) {
    for (char c : text) {
        if (!IsSpace(c)) {
            return false;
        }
    }
    return true;
}
