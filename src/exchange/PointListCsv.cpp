#include "exchange/PointListCsv.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <iterator>

#include "document/AtomicFile.h"
#include "document/Entity.h"
#include "document/Progress.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/ChunkLanes.h"
#include "exchange/LineReader.h"
#include "exchange/ScanNumbers.h"
#include "exchange/SurveyPoints.h"

namespace {

// The point text reader's message: a bad line reads the same in either list.
constexpr char kBadPointLine[] = "Can not read point label or point coordinates!";
constexpr char kLineTooLong[] = "The line is too long!";
constexpr char kExportTitle[] = "Eksport punktów";

// Lines looked at to find the layout.
constexpr int kLayoutLines = 20;

bool IsCommentOrBlank(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
        ++i;
    }
    line.remove_prefix(i);
    return IsBlank(line) || (line.size() >= 2 && line[0] == '/' && line[1] == '/');
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// A whole field as a number; with a separator other than the comma a decimal comma is taken.
bool FieldNumber(std::string_view field, char separator, double& out) {
    field = Trim(field);
    if (field.empty()) {
        return false;
    }
    std::string copy;
    if (separator != ',' && field.find(',') != std::string_view::npos) {
        copy.assign(field);
        std::replace(copy.begin(), copy.end(), ',', '.');
        field = copy;
    }
    std::string_view t = field;
    return ScanDouble(t, out) && t.empty();
}

// Where each column of the order is, -1 for one not given.
struct SColumns {
    int name = -1, x = -1, y = -1, z = -1, code = -1;
    size_t needed = 0;  // fields a point line must have (the code may be missing)
};

SColumns ColumnsOf(const std::string& order) {
    SColumns c;
    for (size_t i = 0; i < order.size(); ++i) {
        const int at = static_cast<int>(i);
        switch (std::toupper(static_cast<unsigned char>(order[i]))) {
            case 'N':
                c.name = at;
                break;
            case 'X':
                c.x = at;
                break;
            case 'Y':
                c.y = at;
                break;
            case 'Z':
                c.z = at;
                break;
            case 'C':
                c.code = at;
                break;
            default:
                break;
        }
    }
    c.needed = static_cast<size_t>(std::max({c.name, c.x, c.y, c.z}) + 1);
    return c;
}

// One line as a point; false when it does not read.
bool ParseCsvPoint(std::string_view line, char separator, const SColumns& c,
                   std::vector<std::string>& fields, std::vector<std::string_view>& views,
                   std::string& name, CPoint3& p, std::string& code) {
    const size_t want = std::max<size_t>(c.needed, static_cast<size_t>(c.code + 1));
    views.clear();
    if (line.find('"') == std::string_view::npos) {
        // No quotes, the common case: the fields are views into the line.
        size_t at = 0;
        while (views.size() < want) {
            const size_t end = std::min(line.find(separator, at), line.size());
            views.push_back(Trim(line.substr(at, end - at)));
            if (end >= line.size()) {
                break;
            }
            at = end + 1;
        }
    } else {
        SplitPointFields(line, separator, fields, want);
        views.assign(fields.begin(), fields.end());
    }
    if (views.size() < c.needed || !FieldNumber(views[c.x], separator, p.x) ||
        !FieldNumber(views[c.y], separator, p.y) || !FieldNumber(views[c.z], separator, p.z)) {
        return false;
    }
    name = c.name >= 0 ? LabelToUtf8(views[c.name]) : std::string();
    code.clear();
    if (c.code >= 0 && static_cast<size_t>(c.code) < views.size()) {
        code = LabelToUtf8(views[c.code]);
    }
    return true;
}

constexpr size_t kChunkLines = 4096;

struct SCsvChunk {
    CLineChunk lines;
    int firstLine = 0;
    uint64_t bytesRead = 0;
    bool cutLine = false;
    SurveyPointList points;
    std::vector<int> badLines;  // negative: the line was too long
};

std::string_view WithoutBom(std::string_view line) {
    if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        line.remove_prefix(3);
    }
    return line;
}

}  // namespace

bool CheckPointColumns(const std::string& order, std::string& problem) {
    int n = 0, x = 0, y = 0, z = 0, c = 0;
    if (order.size() > 64) {
        problem = "too many columns";
        return false;
    }
    for (char ch : order) {
        switch (std::toupper(static_cast<unsigned char>(ch))) {
            case 'N':
                ++n;
                break;
            case 'X':
                ++x;
                break;
            case 'Y':
                ++y;
                break;
            case 'Z':
                ++z;
                break;
            case 'C':
                ++c;
                break;
            case '-':
                break;
            default:
                problem = std::string("unknown column letter ") + ch + " (use N, X, Y, Z, C, -)";
                return false;
        }
    }
    if (x != 1 || y != 1 || z != 1 || n > 1 || c > 1) {
        problem = "X, Y and Z once each, N and C at most once: " + order;
        return false;
    }
    return true;
}

void SplitPointFields(std::string_view line, char separator, std::vector<std::string>& fields,
                      size_t maxFields) {
    fields.clear();
    size_t i = 0;
    while (fields.size() < maxFields) {
        std::string& f = fields.emplace_back();
        // Blanks before an opening quote belong to no field.
        size_t j = i;
        while (j < line.size() && line[j] == ' ') {
            ++j;
        }
        if (j < line.size() && line[j] == '"') {
            for (i = j + 1; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        f += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    f += line[i];
                }
            }
            // Anything between the closing quote and the separator is kept as written.
            while (i < line.size() && line[i] != separator) {
                f += line[i++];
            }
        } else {
            // Blanks around an unquoted field are no part of it; a quoted field keeps its own.
            const size_t end = std::min(line.find(separator, i), line.size());
            f.assign(Trim(line.substr(i, end - i)));
            i = end;
        }
        if (i >= line.size()) {
            return;
        }
        ++i;  // the separator
    }
}

bool FindPointListLayout(const SImportSource& source, const SImportOptions& options,
                         SPointListLayout& layout, std::string& reason) {
    CLineReader reader;
    if (!reader.Open(source, reason)) {
        return false;
    }
    layout.columns = options.columns.empty() ? "NXYZC" : options.columns;
    std::transform(
        layout.columns.begin(), layout.columns.end(), layout.columns.begin(),
        [](char ch) { return static_cast<char>(std::toupper(static_cast<unsigned char>(ch))); });
    std::vector<std::string> lines;
    std::vector<int> numbers;
    std::string_view line;
    while (static_cast<int>(lines.size()) < kLayoutLines && reader.ReadLine(line)) {
        if (reader.LineNumber() == 1) {
            line = WithoutBom(line);
        }
        if (!IsCommentOrBlank(line)) {
            lines.emplace_back(line.substr(0, 4096));
            numbers.push_back(reader.LineNumber());
        }
    }
    std::vector<std::string> fields;
    layout.separator = options.separator;
    if (layout.separator == 0) {
        layout.separator = ',';
        // The header may have fewer fields; the data lines decide, by a majority.
        const size_t from = lines.size() > 1 ? 1 : 0;
        for (char sep : {'\t', ';', ','}) {
            size_t split = 0;
            for (size_t k = from; k < lines.size(); ++k) {
                SplitPointFields(lines[k], sep, fields, 4);
                split += fields.size() >= 3 ? 1 : 0;
            }
            if (lines.size() > from && split * 2 > lines.size() - from) {
                layout.separator = sep;
                break;
            }
        }
    }
    layout.headerLine = 0;
    if (!lines.empty()) {
        const SColumns c = ColumnsOf(layout.columns);
        SplitPointFields(lines[0], layout.separator, fields, c.needed);
        double v = 0;
        const auto number = [&](int at) {
            return static_cast<size_t>(at) < fields.size() &&
                   FieldNumber(fields[static_cast<size_t>(at)], layout.separator, v);
        };
        if (!number(c.x) && !number(c.y) && !number(c.z)) {
            layout.headerLine = numbers[0];
        }
    }
    return true;
}

std::vector<std::string> PointListPreview(const SImportSource& source, int count) {
    std::vector<std::string> out;
    CLineReader reader;
    std::string reason;
    if (!reader.Open(source, reason)) {
        return out;
    }
    std::string_view line;
    while (static_cast<int>(out.size()) < count && reader.ReadLine(line)) {
        if (reader.LineNumber() == 1) {
            line = WithoutBom(line);
        }
        out.push_back(LabelToUtf8(line.substr(0, 1000)));
    }
    return out;
}

SImportResult ReadPointListCsv(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    CImportCollector out(result);
    SPointListLayout layout;
    std::string reason;
    CLineReader reader;
    if (!FindPointListLayout(source, options, layout, reason) || !reader.Open(source, reason)) {
        out.Unreadable(reason);
        return result;
    }
    const SColumns columns = ColumnsOf(layout.columns);
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    std::atomic<bool> stop = false;
    SurveyPointList points;
    int numbered = 0;
    RunReading(result, EImportOutcome::Refused, [&] {
        CChunkLanes<SCsvChunk> lanes;
        lanes.Run(
            [&](SCsvChunk& chunk) {
                chunk.firstLine = reader.LineNumber() + 1;
                chunk.cutLine = false;
                const bool more = !stop && chunk.lines.Fill(reader, kChunkLines);
                chunk.bytesRead = reader.BytesRead();
                return more;
            },
            [&](SCsvChunk& chunk) {
                // Both threads make points and their codes: storage in runs, one lock a run.
                CEntityStorageCache cache;
                chunk.points.clear();
                chunk.badLines.clear();
                std::vector<std::string> fields;
                std::vector<std::string_view> views;
                std::string name, code;
                CPoint3 p;
                for (size_t i = 0; i < chunk.lines.Size(); ++i) {
                    const int number = chunk.firstLine + static_cast<int>(i);
                    std::string_view line = chunk.lines.Line(i);
                    if (number == 1) {
                        line = WithoutBom(line);
                    }
                    if (number == layout.headerLine || IsCommentOrBlank(line)) {
                        continue;
                    }
                    if (line.size() >= CLineReader::kMaxLineBytes) {
                        chunk.badLines.push_back(-number);
                        continue;
                    }
                    if (!ParseCsvPoint(line, layout.separator, columns, fields, views, name, p,
                                       code)) {
                        chunk.badLines.push_back(number);
                        continue;
                    }
                    auto pnt = MakeSurveyPoint(std::move(name), p);
                    if (!code.empty()) {
                        KeepCode(*pnt, code);
                    }
                    chunk.points.push_back(std::move(pnt));
                    name.clear();
                }
            },
            [&](SCsvChunk& chunk) {
                for (int number : chunk.badLines) {
                    out.LineMessage(number < 0 ? LineMessageText(-number, kLineTooLong)
                                               : LineMessageText(number, kBadPointLine));
                }
                if (columns.name < 0) {
                    for (auto& e : chunk.points) {
                        static_cast<CPnt&>(*e).m_name = std::to_string(++numbered);
                    }
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

EImportResult ImportPointListCsv(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadPointListCsv);
}

namespace {

void AppendNumber(std::string& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendName(std::string& out, std::string_view name, char separator) {
    if (name.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos &&
        (name.empty() || (name.front() != ' ' && name.back() != ' '))) {
        out += name;
        return;
    }
    out += '"';
    for (char c : name) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

// The code a reader kept in a point's data, "" for none.
const std::string& CodeOf(const CPnt& p) {
    static const std::string none;
    const CDataNode& d = p.m_data;
    return d.GetChildCount() == 1 && d.GetTemplate() != nullptr ? d.GetChild(0).GetText() : none;
}

}  // namespace

std::string PointListText(const CTAVDoc& doc, const SPointExportOptions& options) {
    const std::string order = options.columns.empty() ? "NXYZ" : options.columns;
    const int active = doc.GetActiveCoordSystem();
    const bool local = options.local && active >= 0 && active < doc.GetCoordSystemCount();
    std::string text;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* p = dynamic_cast<const CPnt*>(doc.GetEntity(i));
        if (p == nullptr) {
            continue;
        }
        const CPoint3 at = local ? p->m_point.TransformedBy(doc.GetMatrix(active)) : p->m_point;
        bool first = true;
        for (char c : order) {
            if (!first) {
                text += options.separator;
            }
            first = false;
            switch (std::toupper(static_cast<unsigned char>(c))) {
                case 'N':
                    AppendName(text, p->m_name.view(), options.separator);
                    break;
                case 'X':
                    AppendNumber(text, at.x);
                    break;
                case 'Y':
                    AppendNumber(text, at.y);
                    break;
                case 'Z':
                    AppendNumber(text, at.z);
                    break;
                case 'C':
                    AppendName(text, CodeOf(*p), options.separator);
                    break;
                default:
                    break;
            }
        }
        text += "\r\n";
    }
    return text;
}

bool ExportPointsCsv(const CTAVDoc& doc, const std::string& path,
                     const SPointExportOptions& options, CProgress* progress) {
    CProgressMeter meter(progress, kExportTitle);
    const std::string text = PointListText(doc, options);
    if (!meter.Update(0.5)) {
        return false;
    }
    CAtomicFile file;
    std::string error;
    if (!file.Open(path, error) || !file.Write(text.data(), text.size(), error) ||
        !file.Commit(error)) {
        doc.Prompter().ReportFileError(path, error);
        return false;
    }
    return true;
}
