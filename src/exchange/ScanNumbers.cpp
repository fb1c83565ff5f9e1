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

// The decimal digits at the start of the eight bytes at p (all readable): how many (0 to 8),
// and their value. One word operation instead of a step per digit: survey coordinates and
// instrument words are long.
int LeadingDigits(const char* p, uint64_t& value) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    const uint64_t x = v ^ 0x3030303030303030;  // a digit byte becomes its value 0..9
    // The high bit of each byte that is no digit: x itself at or above 0x80, or x + 0x76 for
    // 0x0A..0x7F. A carry out of a byte only reaches the bytes after the first such one.
    const uint64_t other = ((x + 0x7676767676767676) | x) & 0x8080808080808080;
    const int n = other ? std::countr_zero(other) / 8 : 8;
    if (n == 0) {
        return 0;
    }
    // The n digits to the top, zeros (leading digits 0) below; then pairs, then halves.
    uint64_t d = x << (8 * (8 - n));
    d = d * 10 + (d >> 8);
    d = (((d & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
         (((d >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
        32;
    value = d;
    return n;
}

// Digits at p into mantissa, as long as there are at most 19 in all counting the digits
// before; the count read, or -1 when there are more.
int ReadDigits(const char*& p, const char* end, uint64_t& mantissa, int digits) {
    static constexpr uint64_t kScale[9] = {1,      10,      100,      1000,     10000,
                                           100000, 1000000, 10000000, 100000000};
    int read = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 8) {
            uint64_t block = 0;
            const int n = LeadingDigits(p, block);
            if (digits + read + n > 19) {
                return -1;
            }
            mantissa = mantissa * kScale[n] + block;
            read += n;
            p += n;
            if (n < 8) {
                return read;
            }
        }
    }
    while (p < end && static_cast<unsigned>(*p - '0') < 10) {
        if (digits + ++read > 19) {
            return -1;
        }
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    return read;
}

}  // namespace

size_t ScanPlainDecimal(const char* p, const char* end, double& out) {
    // Powers of ten that are exact doubles.
    static constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* const start = p;
    uint64_t mantissa = 0;
    int digits = ReadDigits(p, end, mantissa, 0);
    if (digits < 0) {
        return 0;
    }
    int fraction = 0;
    if (p < end && *p == '.') {
        ++p;
        fraction = ReadDigits(p, end, mantissa, digits);
        if (fraction < 0) {
            return 0;
        }
        digits += fraction;
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
