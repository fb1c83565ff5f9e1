#pragma once

// The group code / value pairs of a DXF file, from its text form (two lines a pair) or its
// binary form (codes and typed values in bytes), so the reader sees one stream either way. A
// binary value comes as the text its text form would hold: numbers exactly (a double with 17
// significant digits), strings as bytes, binary chunks in hexadecimal.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/LineReader.h"

// The byte order mark of UTF-8 text.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The group code of the text line, as "%d" reads it. Inline for the usual form, blanks and at
// most four digits: it runs for every pair of a text file.
bool ScanDxfGroupCodeSlow(std::string_view line, int& code);
inline bool ScanDxfGroupCode(std::string_view line, int& code) {
    size_t i = 0;
    while (i < line.size() && line[i] == ' ') {
        ++i;
    }
    const size_t first = i;
    int v = 0;
    for (; i < line.size() && i - first < 4; ++i) {
        const unsigned d = static_cast<unsigned char>(line[i]) - unsigned{'0'};
        if (d > 9) {
            break;
        }
        v = v * 10 + static_cast<int>(d);
    }
    if (i > first && i == line.size()) {
        code = v;
        return true;
    }
    return ScanDxfGroupCodeSlow(line, code);
}

// The first bytes of a binary DXF file.
inline constexpr std::string_view kBinaryDxfSentinel("AutoCAD Binary DXF\r\n\x1a\0", 22);

class CDxfPairs {
public:
    enum class EPair {
        Pair,     // code and value
        BadCode,  // a group code line that is no number; the next line is taken as a code
        End,      // no more pairs
        CutOff,   // the input ended between a code and its value, or inside a value
    };

    virtual ~CDxfPairs() = default;
    virtual EPair Next(int& code, std::string_view& value) = 0;
    // The line of the last value read (binary files: two lines a pair, as their text form).
    virtual int LineNumber() const = 0;
    virtual uint64_t BytesRead() const = 0;
    virtual uint64_t Size() const = 0;
    // True when the source failed to be read (not merely ended).
    virtual bool Failed() const { return false; }
    virtual std::string ErrorText() const { return {}; }
    // True when the text began with a UTF-8 byte order mark.
    virtual bool SawByteOrderMark() const { return false; }
};

// The text form through a line reader.
class CDxfTextPairs final : public CDxfPairs {
public:
    explicit CDxfTextPairs(CLineReader& lines) : m_lines(lines) {}
    // Inline: the reader's loop calls it for every pair of a text file.
    EPair Next(int& code, std::string_view& value) override {
        std::string_view line;
        if (!m_lines.ReadLine(line)) {
            return EPair::End;
        }
        if (m_lines.LineNumber() == 1 && line.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            // A byte order mark is no part of the first group code, and says UTF-8.
            line.remove_prefix(kUtf8Bom.size());
            m_bom = true;
        }
        if (!ScanDxfGroupCode(line, code)) {
            return EPair::BadCode;
        }
        return m_lines.ReadLine(value) ? EPair::Pair : EPair::CutOff;
    }
    int LineNumber() const override { return m_lines.LineNumber(); }
    uint64_t BytesRead() const override { return m_lines.BytesRead(); }
    uint64_t Size() const override { return m_lines.FileSize(); }
    bool Failed() const override { return m_lines.Failed(); }
    std::string ErrorText() const override { return m_lines.ErrorText(); }
    bool SawByteOrderMark() const override { return m_bom; }

private:
    CLineReader& m_lines;
    bool m_bom = false;
};

// The binary form, from the whole file in memory (the sentinel included). Group codes are one
// byte (255 and two more for larger ones) in files of AC1009 and earlier, two bytes after.
class CDxfBinaryPairs : public CDxfPairs {
public:
    explicit CDxfBinaryPairs(std::string_view bytes);
    EPair Next(int& code, std::string_view& value) override;
    int LineNumber() const override { return 2 * m_pairs; }
    uint64_t BytesRead() const override { return m_at; }
    uint64_t Size() const override { return m_bytes.size(); }

private:
    std::string_view m_bytes;
    size_t m_at;
    bool m_shortCodes;
    int m_pairs = 0;
    std::string m_value;
};
