#include "exchange/TribonLines.h"

#include <cstring>

#include "document/Cp1250.h"
#include "exchange/ScanNumbers.h"

namespace {

// White space as isspace in the C locale, the set "%s" stops at.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

bool CTribonLines::Next() {
    std::string_view line;
    if (!m_reader.ReadLine(line)) {
        if (m_reader.Failed()) {
            throw ReadFailedStop(m_reader.ErrorText());
        }
        m_line = {};
        m_number = m_reader.LineNumber() + 1;
        return false;
    }
    if (const void* nul = std::memchr(line.data(), '\0', line.size())) {
        line = line.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - line.data()));
    }
    m_line = line;
    m_number = m_reader.LineNumber();
    return true;
}

bool TribonStartsWith(std::string_view line, std::string_view keyword) {
    return line.substr(0, keyword.size()) == keyword;
}

bool TribonScanWord(std::string_view line, std::string_view keyword, std::string& outUtf8) {
    if (!TribonStartsWith(line, keyword)) {
        return false;
    }
    std::string_view rest = line.substr(keyword.size());
    size_t begin = 0;
    while (begin < rest.size() && IsSpace(rest[begin])) {
        ++begin;
    }
    size_t end = begin;
    while (end < rest.size() && !IsSpace(rest[end])) {
        ++end;
    }
    if (end == begin) {
        return false;
    }
    outUtf8 = Cp1250ToUtf8(rest.substr(begin, end - begin));
    return true;
}

bool TribonScanInt(std::string_view line, std::string_view keyword, int& out) {
    if (!TribonStartsWith(line, keyword)) {
        return false;
    }
    std::string_view rest = line.substr(keyword.size());
    return ScanInt(rest, out);
}

bool TribonScanDouble(std::string_view line, std::string_view keyword, double& out) {
    if (!TribonStartsWith(line, keyword)) {
        return false;
    }
    std::string_view rest = line.substr(keyword.size());
    return ScanDouble(rest, out);
}

bool TribonScanXY(std::string_view line, double& x, double& y) {
    double xy[2];
    if (ScanDoubles(line, xy, 2) != 2) {
        return false;
    }
    x = xy[0];
    y = xy[1];
    return true;
}

bool TribonScanMatrixLine(std::string_view line, int column, CMatrix4& m) {
    double v[4];
    if (ScanDoubles(line, v, 4) != 4) {
        return false;
    }
    for (int row = 0; row < 4; ++row) {
        m.m[row][column] = v[row];
    }
    return true;
}

std::string FillReaderMessage(std::string_view fmt, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(fmt.size());
    auto next = args.begin();
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '%' && i + 1 < fmt.size() && (fmt[i + 1] == 'd' || fmt[i + 1] == 's') &&
            next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += fmt[i];
        }
    }
    return out;
}

CMatrix4 TribonReadMatrix(CTribonLines& in, bool withLineNumber) {
    auto fail = [&](std::string text) {
        if (withLineNumber) {
            text = FillReaderMessage("Line: %d. \n", {std::to_string(in.LineNumber())}) + text;
        }
        throw TribonStop(text);
    };
    CMatrix4 m;
    for (int i = 1; i <= 4; ++i) {
        if (!in.Next()) {
            fail(FillReaderMessage(kTribonMatrixMissing, {std::to_string(i)}));
        }
        if (!TribonScanMatrixLine(in.Line(), i - 1, m)) {
            fail(FillReaderMessage(kTribonMatrixError, {std::to_string(i)}));
        }
    }
    in.Next();
    if (!TribonStartsWith(in.Line(), "END TRANSFORMATION MATRIX")) {
        fail(kTribonMatrixEnd);
    }
    return m;
}
