#include "exchange/PointImport.h"

#include <atomic>
#include <iterator>
#include <new>
#include <vector>

#include "document/Entity.h"
#include "document/EntityPool.h"
#include "document/Progress.h"
#include "exchange/ChunkLanes.h"
#include "exchange/LineReader.h"
#include "exchange/PointListCsv.h"
#include "exchange/ScanNumbers.h"
#include "exchange/SurveyPoints.h"

namespace {

// The reader's messages.
constexpr char kBadPointLine[] = "Can not read point label or point coordinates!";

// White space as "%s" and "%lf" skip it (isspace in the C locale).
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

EPointLine ParsePointLine(std::string_view line, std::string_view& label, double xyz[3]) {
    // A NUL ends the text a C scan sees: nothing in the scan below reads over one, so a line
    // that ends early fails where it ends.
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
        ++i;
    }
    line.remove_prefix(i);
    if (line.empty() || line[0] == '\0' || (line.size() >= 2 && line[0] == '/' && line[1] == '/')) {
        return EPointLine::Comment;
    }
    i = 0;
    while (i < line.size() && IsSpace(line[i])) {
        ++i;
    }
    size_t end = i;
    while (end < line.size() && !IsSpace(line[end]) && line[end] != '\0') {
        ++end;
    }
    if (end == i) {
        return EPointLine::Bad;
    }
    label = line.substr(i, end - i);
    return ScanDoubles(line.substr(end), xyz, 3) == 3 ? EPointLine::Point : EPointLine::Bad;
}

namespace {

// Lines per chunk decoded by one of the two threads.
constexpr size_t kChunkLines = 4096;

struct SPointChunk {
    CLineChunk lines;
    int firstLine = 0;       // the number of its first line
    uint64_t bytesRead = 0;  // of the source, once the chunk was read
    SurveyPointList points;
    std::vector<int> badLines;
};

void DecodePoints(SPointChunk& chunk) {
    CEntityStorageCache cache;
    chunk.points.clear();
    chunk.badLines.clear();
    chunk.points.reserve(chunk.lines.Size());
    std::string_view label;
    double xyz[3];
    for (size_t i = 0; i < chunk.lines.Size(); ++i) {
        switch (ParsePointLine(chunk.lines.Line(i), label, xyz)) {
            case EPointLine::Comment:
                break;
            case EPointLine::Bad:
                chunk.badLines.push_back(chunk.firstLine + static_cast<int>(i));
                break;
            case EPointLine::Point:
                chunk.points.push_back(
                    MakeSurveyPoint(LabelToUtf8(label), CPoint3(xyz[0], xyz[1], xyz[2])));
                break;
        }
    }
}

}  // namespace

namespace {

// True when the first data line does not scan as a point but splits at a comma or semicolon:
// the file is a delimited list.
bool IsDelimitedList(const SImportSource& source) {
    CLineReader reader;
    std::string reason;
    if (!reader.Open(source, reason)) {
        return false;
    }
    std::string_view line, label;
    double xyz[3];
    while (reader.ReadLine(line)) {
        switch (ParsePointLine(line, label, xyz)) {
            case EPointLine::Comment:
                continue;
            case EPointLine::Point:
                return false;
            case EPointLine::Bad: {
                std::vector<std::string> fields;
                for (char sep : {',', ';'}) {
                    SplitPointFields(line, sep, fields, 4);
                    if (fields.size() >= 3) {
                        return true;
                    }
                }
                return false;
            }
        }
    }
    return false;
}

}  // namespace

SImportResult ReadPointFile(const SImportSource& source, const SImportOptions& options) {
    if (IsDelimitedList(source)) {
        return ReadPointListCsv(source, options);
    }
    SImportResult result;
    CImportCollector out(result);
    CLineReader reader;
    std::string reason;
    if (!reader.Open(source, reason)) {
        out.Unreadable(reason);
        return result;
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    std::atomic<bool> stop = false;
    SurveyPointList points;
    RunReading(result, EImportOutcome::Refused, [&] {
        // Two threads decode chunks of lines and make the points (a sixth faster than one,
        // bench/threads); the messages and the list follow the file's order.
        CChunkLanes<SPointChunk> lanes;
        lanes.Run(
            [&](SPointChunk& chunk) {
                chunk.firstLine = reader.LineNumber() + 1;
                const bool more = !stop && chunk.lines.Fill(reader, kChunkLines);
                chunk.bytesRead = reader.BytesRead();
                return more;
            },
            DecodePoints,
            [&](SPointChunk& chunk) {
                for (int number : chunk.badLines) {
                    out.LineMessage(LineMessageText(number, kBadPointLine));
                }
                points.insert(points.end(), std::make_move_iterator(chunk.points.begin()),
                              std::make_move_iterator(chunk.points.end()));
                chunk.points.clear();
                if (!meter.Update(chunk.bytesRead, reader.FileSize())) {
                    stop = true;
                }
            });
    });
    return FinishPointList(result, meter.Cancelled(), reader, points);
}

EImportResult ImportPointFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadPointFile);
}
