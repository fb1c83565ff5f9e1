#pragma once

#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

// Text of DXF value lines. Files of this program are Windows-1250 both ways, as its documents
// are; a file read in may state another encoding in its HEADER.

// Text for a DXF value line: Windows-1250; characters the code page lacks as \U+XXXX (past
// U+FFFF a surrogate pair of such escapes); invalid UTF-8 bytes as '?'; NUL, LF and CR, which
// would break the line structure, in DXF's caret notation (^@, ^J, ^M).
std::string EncodeDxfText(std::string_view utf8);

// Turns the bytes of a DXF value into UTF-8: Windows-1250 unless told otherwise, \U+XXXX
// escapes (and surrogate pairs of them) decoded. Bytes that are invalid in the file's encoding
// become '?'.
class CDxfTextDecoder {
public:
    CDxfTextDecoder() = default;
    ~CDxfTextDecoder();
    CDxfTextDecoder(const CDxfTextDecoder&) = delete;
    CDxfTextDecoder& operator=(const CDxfTextDecoder&) = delete;

    // The value of $ACADVER: AC1021 (AutoCAD 2007) and later files are UTF-8 (an earlier
    // version changes nothing).
    void SetVersion(std::string_view acadver);
    // Reads values as UTF-8 from now on (the file began with a byte order mark).
    void SetUtf8() { m_utf8 = true; }
    // The value of $DWGCODEPAGE (ANSI_1250, ANSI_1252, DOS850, ISO8859-2 ...); a name the system
    // cannot convert from leaves the current code page. Ignored in a UTF-8 file.
    void SetCodePage(std::string_view name);
    // True when values are read as UTF-8.
    bool IsUtf8() const { return m_utf8; }
    // The code page values are read in when not UTF-8 ("CP1250" unless the file said another).
    const std::string& CodePage() const { return m_codePage; }
    // The UTF-8 text of raw value bytes.
    std::string Decode(std::string_view raw) const;
    // Decode into out, reusing its storage.
    void DecodeInto(std::string_view raw, std::string& out) const;

private:
    void ToUtf8(std::string_view raw, std::string& out) const;

    bool m_utf8 = false;
    std::string m_codePage = "CP1250";
    iconv_t m_iconv = reinterpret_cast<iconv_t>(-1);
};

// The control codes of TEXT values: %%d degree, %%c diameter, %%p plus-minus, %%nnn the
// character of that number, %%% a percent sign; %%u and %%o (underline and overline on or off)
// are dropped. Letters in either case.
std::string ReplaceTextControlCodes(std::string_view utf8);

// The lines of an MTEXT value (UTF-8): paragraph and column breaks (\P, \N, \X, ^J) split it;
// formatting codes (\f..; \H..; \C..; \A..; \Q..; \T..; \W..; \p..; \L \O \K and their
// ends) and braces are removed; \~ is a space, \\ \{ \} their characters; stacked fractions
// \Sa^b; read a/b; TEXT's control codes are replaced too. At most kMaxMTextBytes are read.
inline constexpr size_t kMaxMTextBytes = 1 << 16;
// columnBreaks, when given, gets one flag a line: true where a column break (\N) began it.
std::vector<std::string> MTextParagraphs(std::string_view utf8,
                                         std::vector<bool>* columnBreaks = nullptr);
