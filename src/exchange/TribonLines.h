#pragma once

// What the Tribon panel (.pnl) and curve (.crv) readers share: a line cursor that keeps the
// line being examined, keyword tests with the rules of the scanf formats the files were made
// for, the matrix lines, and the exception that ends an import.

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "exchange/LineReader.h"
#include "geometry/Vec3.h"

// Ends a Tribon import on a fault of the file: its message, and what was read is taken.
inline CImportStop TribonStop(const std::string& text) {
    return CImportStop(EImportOutcome::Incomplete, {SImportMessage::EKind::Note, text});
}

// The current line of a text file and its number. At the end of the file the line is empty and
// its number is the one the missing line would have, as the messages count it.
class CTribonLines {
public:
    // Opens the source; false with the reason when it cannot be opened.
    bool Open(const SImportSource& source, std::string& reason) {
        return m_reader.Open(source, reason);
    }
    // Moves to the next line; false at the end of the file. Throws ReadFailedStop when the
    // system fails to read.
    bool Next();
    // The current line, cut at a NUL byte as a C string would be.
    std::string_view Line() const { return m_line; }
    // Number of the current line, counted from 1.
    int LineNumber() const { return m_number; }
    // Bytes read so far and the size of the source (progress).
    uint64_t BytesRead() const { return m_reader.BytesRead(); }
    uint64_t FileSize() const { return m_reader.FileSize(); }

private:
    CLineReader m_reader;
    std::string_view m_line;
    int m_number = 0;
};

// True when line starts with keyword (case-sensitive; text may follow).
bool TribonStartsWith(std::string_view line, std::string_view keyword);
// The word after keyword as sscanf(line, "KEYWORD %s") reads it, converted from Windows-1250
// to UTF-8; false when the line does not start with keyword or no word follows.
bool TribonScanWord(std::string_view line, std::string_view keyword, std::string& outUtf8);
// The number after keyword as sscanf(line, "KEYWORD %d") reads it; false when there is none.
bool TribonScanInt(std::string_view line, std::string_view keyword, int& out);
// The number after keyword as sscanf(line, "KEYWORD %lf") reads it; false when there is none.
bool TribonScanDouble(std::string_view line, std::string_view keyword, double& out);
// X and Y as "%lf %lf" reads them; false unless both scan.
bool TribonScanXY(std::string_view line, double& x, double& y);
// Matrix line column (0..3) as "%lf %lf %lf %lf": its four numbers become rows 0..3 of that
// column of m (the fourth line holds the translation). False, m untouched, unless all four scan.
bool TribonScanMatrixLine(std::string_view line, int column, CMatrix4& m);

// The texts of a faulty transformation matrix, the same in panel and curve files.
inline constexpr char kTribonMatrixBegin[] = "Can not read begin of transformation matrix!";
inline constexpr char kTribonMatrixMissing[] = "Can not read the %d line of transformation matrix!";
inline constexpr char kTribonMatrixError[] = "Error in the %d line of transformation matrix!";
inline constexpr char kTribonMatrixEnd[] = "Can not read end of transformation matrix!";

// Reads the four column lines that follow "TRANSFORMATION MATRIX" and the line
// "END TRANSFORMATION MATRIX"; throws TribonStop with the matching text on a fault, after
// "Line: %d. \n" when withLineNumber (panel files give line numbers, curve files do not).
CMatrix4 TribonReadMatrix(CTribonLines& in, bool withLineNumber);

// fmt with each "%d" or "%s" replaced by the next argument in turn (the readers' message
// texts keep the printf placeholders they are known by); placeholders beyond the arguments stay.
std::string FillReaderMessage(std::string_view fmt, std::initializer_list<std::string_view> args);
