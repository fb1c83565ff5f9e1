#include "exchange/DxfText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "document/Cp1250.h"

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlankChar(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlankChar(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlankChar(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool IsAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = Upper(c);
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 (cp untouched) when invalid.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t c = b(i);
    size_t len;
    char32_t v;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size()) {
        return 0;
    }
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        v = (v << 6) | (b(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
        (v >= 0xD800 && v <= 0xDFFF)) {
        return 0;
    }
    cp = v;
    return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// DXF's escape of a character outside the file's code page.
void AppendUnicodeEscape(std::string& out, char32_t cp) {
    char esc[16];
    std::snprintf(esc, sizeof esc, "\\U+%04X", static_cast<unsigned>(cp));
    out += esc;
}

// The 16-bit value of a \U+XXXX escape at s[i], or -1.
int EscapeAt(std::string_view s, size_t i) {
    if (i + 7 > s.size() || s[i] != '\\' || Upper(s[i + 1]) != 'U' || s[i + 2] != '+') {
        return -1;
    }
    int v = 0;
    for (size_t k = i + 3; k < i + 7; ++k) {
        const int h = HexValue(s[k]);
        if (h < 0) {
            return -1;
        }
        v = v * 16 + h;
    }
    return v;
}

// Replaces \U+XXXX escapes in UTF-8 text; a lone surrogate or U+0000 becomes '?'.
void Unescape(std::string& text) {
    if (text.find('\\') == std::string::npos) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const int v = EscapeAt(text, i);
        if (v < 0) {
            out += text[i++];
            continue;
        }
        i += 7;
        char32_t cp = static_cast<char32_t>(v);
        if (v >= 0xD800 && v <= 0xDBFF) {
            const int low = EscapeAt(text, i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                i += 7;
                cp = 0x10000 + ((cp - 0xD800) << 10) + static_cast<char32_t>(low - 0xDC00);
            } else {
                cp = '?';
            }
        } else if ((v >= 0xDC00 && v <= 0xDFFF) || v == 0) {
            cp = '?';
        }
        AppendUtf8(out, cp);
    }
    text.swap(out);
}

// The iconv name of a $DWGCODEPAGE value.
std::string IconvName(std::string_view name) {
    std::string n;
    for (char c : Trim(name)) {
        n += Upper(c);
    }
    if (n.rfind("ANSI_", 0) == 0) {
        const std::string number = n.substr(5);
        if (number == "950") {
            return "BIG5";
        }
        if (number == "1361") {
            return "JOHAB";
        }
        return "CP" + number;
    }
    if (n.rfind("DOS", 0) == 0) {
        return "CP" + n.substr(3);
    }
    if (n.rfind("ISO8859-", 0) == 0) {
        return "ISO-8859-" + n.substr(8);
    }
    return n;
}

}  // namespace

std::string EncodeDxfText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const uint8_t c = static_cast<uint8_t>(utf8[i]);
        if (c == 0 || c == '\n' || c == '\r') {
            out += '^';
            out += static_cast<char>(c + 64);
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        uint8_t byte = 0;
        if (UnicodeToCp1250(cp, &byte)) {
            out += static_cast<char>(byte);
        } else if (cp < 0x10000) {
            AppendUnicodeEscape(out, cp);
        } else {
            // Past the 16-bit escape: a UTF-16 surrogate pair, as AutoCAD writes them.
            AppendUnicodeEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
            AppendUnicodeEscape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// CDxfTextDecoder

CDxfTextDecoder::~CDxfTextDecoder() {
    if (m_iconv != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(m_iconv);
    }
}

void CDxfTextDecoder::SetVersion(std::string_view acadver) {
    const std::string_view v = Trim(acadver);
    if (v.size() < 3 || Upper(v[0]) != 'A' || Upper(v[1]) != 'C') {
        return;
    }
    int number = 0;
    for (size_t i = 2; i < v.size() && i < 8; ++i) {
        if (v[i] < '0' || v[i] > '9') {
            return;
        }
        number = number * 10 + (v[i] - '0');
    }
    if (number >= 1021) {
        m_utf8 = true;
    }
}

void CDxfTextDecoder::SetCodePage(std::string_view name) {
    const std::string iconvName = IconvName(name);
    if (iconvName == "CP1250") {
        if (m_iconv != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_iconv);
            m_iconv = reinterpret_cast<iconv_t>(-1);
        }
        m_codePage = iconvName;
        return;
    }
    const iconv_t cd = iconv_open("UTF-8", iconvName.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return;
    }
    if (m_iconv != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(m_iconv);
    }
    m_iconv = cd;
    m_codePage = iconvName;
}

void CDxfTextDecoder::ToUtf8(std::string_view raw, std::string& out) const {
    if (IsAscii(raw)) {
        out.assign(raw);
        return;
    }
    out.clear();
    if (m_utf8) {
        for (size_t i = 0; i < raw.size();) {
            char32_t cp = 0;
            const size_t len = DecodeUtf8(raw, i, cp);
            if (len == 0) {
                out += '?';
                ++i;
            } else {
                out.append(raw.substr(i, len));
                i += len;
            }
        }
        return;
    }
    if (m_iconv == reinterpret_cast<iconv_t>(-1)) {
        out = Cp1250ToUtf8(raw);
        return;
    }
    iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(raw.data());
    size_t inLeft = raw.size();
    char buf[1024];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(m_iconv, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define, or a sequence cut off at the end.
            out += '?';
            ++in;
            --inLeft;
            iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

void CDxfTextDecoder::DecodeInto(std::string_view raw, std::string& out) const {
    ToUtf8(raw, out);
    Unescape(out);
}

std::string CDxfTextDecoder::Decode(std::string_view raw) const {
    std::string out;
    DecodeInto(raw, out);
    return out;
}

std::string ReplaceTextControlCodes(std::string_view t) {
    std::string out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] != '%' || i + 2 >= t.size() || t[i + 1] != '%') {
            out += t[i];
            continue;
        }
        const char c = static_cast<char>(t[i + 2] | 0x20);
        if (c == 'd') {
            out += "\u00B0";
        } else if (c == 'c') {
            out += "\u2300";
        } else if (c == 'p') {
            out += "\u00B1";
        } else if (c == 'u' || c == 'o') {
            // underline and overline toggles: the stroke fonts draw neither
        } else if (t[i + 2] == '%') {
            out += '%';
        } else if (i + 4 < t.size() && std::isdigit(static_cast<unsigned char>(t[i + 2])) &&
                   std::isdigit(static_cast<unsigned char>(t[i + 3])) &&
                   std::isdigit(static_cast<unsigned char>(t[i + 4]))) {
            const int code = (t[i + 2] - '0') * 100 + (t[i + 3] - '0') * 10 + (t[i + 4] - '0');
            // Latin-1 code points, written as UTF-8.
            if (code < 0x20) {
                // control characters stay out of the text
            } else if (code < 0x80) {
                out += static_cast<char>(code);
            } else if (code < 0x100) {
                out += static_cast<char>(0xC0 | (code >> 6));
                out += static_cast<char>(0x80 | (code & 0x3F));
            }
            i += 4;
            continue;
        } else {
            out.append(t.substr(i, 3));
        }
        i += 2;
    }
    return out;
}

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

std::vector<std::string> MTextParagraphs(std::string_view t, std::vector<bool>* columnBreaks) {
    if (columnBreaks != nullptr) {
        columnBreaks->assign(1, false);
    }
    if (t.size() > kMaxMTextBytes) {
        // Cut at a character's start, not inside one.
        size_t cut = kMaxMTextBytes;
        while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        t = t.substr(0, cut);
    }
    std::vector<std::string> lines(1);
    const auto skipTo = [&t](size_t i, char end) {
        const size_t at = t.find(end, i);
        return at == std::string_view::npos ? t.size() : at + 1;
    };
    for (size_t i = 0; i < t.size();) {
        const char c = t[i];
        if (c == '{' || c == '}') {
            ++i;
        } else if (c == '^' && i + 1 < t.size()) {
            const char n = t[i + 1];
            if (n == 'J') {
                lines.emplace_back();
            } else if (n == 'I') {
                lines.back() += ' ';
            } else if (n == ' ') {
                lines.back() += '^';
            } else if (n != 'M') {
                lines.back() += c;
                lines.back() += n;
            }
            i += 2;
        } else if (c != '\\' || i + 1 >= t.size()) {
            lines.back() += c;
            ++i;
        } else {
            const char code = t[i + 1];
            i += 2;
            switch (code) {
                case 'P':
                case 'N':
                case 'X':
                    lines.emplace_back();
                    if (columnBreaks != nullptr) {
                        columnBreaks->resize(lines.size(), false);
                        columnBreaks->back() = code == 'N';
                    }
                    break;
                case '~':
                    lines.back() += ' ';
                    break;
                case '\\':
                case '{':
                case '}':
                    lines.back() += code;
                    break;
                case 'L':
                case 'l':
                case 'O':
                case 'o':
                case 'K':
                case 'k':
                    break;
                case 'S': {
                    // A stacked fraction up to ';': top and bottom split by ^, / or #.
                    const size_t end = skipTo(i, ';');
                    const std::string_view stack =
                        t.substr(i, end - i - (end <= t.size() && t[end - 1] == ';'));
                    const size_t split = std::min(stack.find_first_of("^/#"), stack.size());
                    const std::string_view top = Trimmed(stack.substr(0, split));
                    const std::string_view bottom = Trimmed(
                        split < stack.size() ? stack.substr(split + 1) : std::string_view());
                    // A superscript or subscript alone (one part empty) has no fraction bar.
                    lines.back() += top;
                    if (!top.empty() && !bottom.empty()) {
                        lines.back() += '/';
                    }
                    lines.back() += bottom;
                    i = end;
                    break;
                }
                case 'A':
                case 'C':
                case 'c':
                case 'f':
                case 'F':
                case 'H':
                case 'h':
                case 'Q':
                case 'T':
                case 'W':
                case 'p':
                    i = skipTo(i, ';');
                    break;
                default:
                    lines.back() += code;
                    break;
            }
        }
    }
    for (std::string& line : lines) {
        line = ReplaceTextControlCodes(line);
    }
    if (columnBreaks != nullptr) {
        columnBreaks->resize(lines.size(), false);
    }
    return lines;
}
