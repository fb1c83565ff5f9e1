#include "tools/core/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "tools/core/EditTexts.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string ToChars(double v, std::chars_format format, int precision) {
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, format, precision);
    if (res.ec != std::errc()) {
        return "0";
    }
    return std::string(buf, res.ptr);
}

void ReplaceAll(std::string& s, const std::string& what, const std::string& with) {
    for (size_t pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos)) {
        s.replace(pos, what.size(), with);
        pos += with.size();
    }
}

}  // namespace

bool ParseNumberText(const std::string& text, double& out) {
    if (text.size() > static_cast<size_t>(kMaxNumberText)) {
        return false;
    }
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    const char first = text[i];
    size_t start = i;
    // from_chars takes no plus sign; strtod did.
    if (text[start] == '+') {
        ++start;
        if (start < text.size() && (text[start] == '-' || text[start] == '+')) {
            return false;
        }
    }
    // Only digits, a dot, signs and an exponent may make a number: this keeps out "inf",
    // "nan" and hexadecimal forms.
    const char* begin = text.data() + start;
    const char* end = text.data() + text.size();
    double v = 0.0;
    const auto res = std::from_chars(begin, end, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr == begin) {
        return false;
    }
    for (const char* p = begin; p < res.ptr; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            return false;
        }
    }
    for (const char* p = res.ptr; p < end; ++p) {
        if (!IsBlank(*p)) {
            return false;
        }
    }
    if (!std::isfinite(v) || (v == 0.0 && first != '0')) {
        return false;
    }
    out = v;
    return true;
}

std::string FormatFixed(double v, int decimals) {
    if (!std::isfinite(v)) {
        return "0";
    }
    return ToChars(v, std::chars_format::fixed, decimals);
}

std::string FormatG15(double v) {
    if (!std::isfinite(v)) {
        return "0";
    }
    return ToChars(v, std::chars_format::general, 15);
}

std::string RangeMessage(double lo, double hi) {
    std::string text = kEnterNumberRange;
    ReplaceAll(text, "%1", FormatG15(lo));
    ReplaceAll(text, "%2", FormatG15(hi));
    return text;
}
