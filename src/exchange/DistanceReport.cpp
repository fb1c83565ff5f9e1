#include "exchange/DistanceReport.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <ctime>
#include <memory>
#include <unordered_map>

#include "document/AtomicFile.h"
#include "document/Cp1250.h"
#include "document/Progress.h"
#include "document/Prompter.h"
#include "document/StringTable.h"
#include "document/TAVDoc.h"

namespace {

constexpr char kTxtHeader[] =
    "     Etykieta1:              X1:            Y1:            Z1:          Etykieta2:        "
    "     X2:            Y2:            Z2:      dX:      dY:      dZ:    Odleglosc:\n";
constexpr char kCsvHeader[] =
    "\"Etykieta1:\";\"X1:\";\"Y1:\";\"Z1:\";\"Etykieta2:\";\"X2:\";\"Y2:\";\"Z2:\";\"dX:\";\"dY:\";"
    "\"dZ:\";\"Odleglosc:\"\n";

// Points or lines between two looks at the progress.
constexpr size_t kProgressBlockMask = 255;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view t) {
    while (!t.empty() && IsBlank(t.front())) {
        t.remove_prefix(1);
    }
    return t;
}

std::string_view Trim(std::string_view t) {
    t = TrimLeft(t);
    while (!t.empty() && IsBlank(t.back())) {
        t.remove_suffix(1);
    }
    return t;
}

bool AllDigits(std::string_view t) {
    for (char c : t) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// Measured candidates by name rest and offset from the start number.
struct SMatchKey {
    std::string rest;
    long long offset;
    bool operator==(const SMatchKey& o) const { return offset == o.offset && rest == o.rest; }
};
struct SMatchKeyHash {
    size_t operator()(const SMatchKey& k) const {
        return std::hash<std::string>()(k.rest) ^ (std::hash<long long>()(k.offset) * 31u);
    }
};

// Text right-aligned in at least width characters (not bytes: names may hold Polish letters).
void AppendRight(std::string& out, const std::string& text, size_t width) {
    const size_t chars = Utf8CharCount(text);
    if (chars < width) {
        out.append(width - chars, ' ');
    }
    out += text;
}

// A report file: text-mode output (CRLF line ends) collected in pieces and written through an
// atomic file, so a failed write leaves any earlier file as it was.
class CReportFile {
public:
    CReportFile(const CTAVDoc& doc, const std::string& path) : m_doc(doc), m_path(path) {}

    bool Open() { return Check(m_file.Open(m_path, m_error)); }
    // Appends text, turning every LF into CRLF.
    bool Put(std::string_view text) {
        for (char c : text) {
            if (c == '\n') {
                m_buffer += '\r';
            }
            m_buffer += c;
        }
        return m_buffer.size() < (size_t{1} << 16) || Flush();
    }
    bool Commit() { return Flush() && Check(m_file.Commit(m_error)); }
    // Drops what was written; any earlier file stays.
    void Discard() { m_file.Discard(); }

private:
    bool Flush() {
        const bool ok = m_file.Write(m_buffer.data(), m_buffer.size(), m_error);
        m_buffer.clear();
        return Check(ok);
    }
    bool Check(bool ok) {
        if (!ok) {
            m_file.Discard();
            m_doc.Prompter().ReportFileError(m_path, m_error);
        }
        return ok;
    }

    const CTAVDoc& m_doc;
    const std::string& m_path;
    CAtomicFile m_file;
    std::string m_buffer;
    std::string m_error;
};

// The values of one report line, already in the user's form.
struct SLineTexts {
    std::string v[10];  // X1 Y1 Z1 X2 Y2 Z2 dX dY dZ distance
};

std::string FormatValue(double v, const SReportFormat& format) {
    const std::string lf = LfText(v);
    if (format.number) {
        std::string user = format.number(lf);
        if (!user.empty()) {
            return user;
        }
    }
    return lf;
}

// Points in the frame of the report; the empty partner of an unmatched point stays at 0, 0, 0
// so that its differences are the ideal point's own coordinates.
SLineTexts LineTexts(const SReportPair& pair, const CMatrix4* toLocal, const SReportFormat& fmt) {
    CPoint3 a = pair.ideal;
    CPoint3 b = pair.measured;
    if (toLocal) {
        a = a.TransformedBy(*toLocal);
        if (pair.matched) {
            b = b.TransformedBy(*toLocal);
        }
    }
    const CVec3 d = a - b;
    const double values[10] = {a.x, a.y, a.z, b.x, b.y, b.z, d.x, d.y, d.z, d.Length()};
    SLineTexts t;
    for (int i = 0; i < 10; ++i) {
        t.v[i] = FormatValue(values[i], fmt);
    }
    return t;
}

const CMatrix4* LocalMatrix(const CTAVDoc& doc, bool local) {
    const int active = doc.GetActiveCoordSystem();
    if (!local || active < 0 || active >= doc.GetCoordSystemCount()) {
        return nullptr;
    }
    return &doc.GetMatrix(active);
}

// A name between double quotes, quotes inside doubled so that the field reads back whole.
std::string CsvName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += "\";";
    return out;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string TrimReportPrefix(std::string_view text) {
    return std::string(Trim(text));
}

bool ParseReportStart(std::string_view text, int& out) {
    text = TrimLeft(text);
    if (text.empty()) {
        out = -1;
        return true;
    }
    std::string_view t = text;
    bool negative = false;
    if (t.front() == '+' || t.front() == '-') {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    size_t digits = 0;
    while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || !Trim(t.substr(digits)).empty()) {
        return false;
    }
    long long v = 0;
    for (size_t i = 0; i < digits; ++i) {
        v = v * 10 + (t[i] - '0');
        if (v > kReportStartMax) {
            return false;
        }
    }
    if (negative && v != 0) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool ReportNamesClash(const SReportQuery& q) {
    const bool apart = q.idealStart >= 0 && q.measuredStart >= 0 && q.idealStart != q.measuredStart;
    return q.idealPrefix == q.measuredPrefix && !apart;
}

namespace {

// Both passes over the entities count as one piece of work for meter; false when it stopped.
bool MatchPoints(const CTAVDoc& doc, const SReportQuery& q, CProgressMeter& meter,
                 std::vector<SReportPair>& pairs) {
    const int s1 = q.idealStart;
    const int s2 = q.measuredStart;
    const int e1 = s1 < s2 ? s2 - 1 : -1;
    const int e2 = s2 < s1 ? s1 - 1 : -1;

    // One pass for the measured candidates; the first in document order wins.
    std::unordered_map<SMatchKey, const CPnt*, SMatchKeyHash> measured;
    int number = -1;
    std::string rest;
    const size_t count = static_cast<size_t>(doc.GetEntityCount());
    for (size_t i = 0; i < count; ++i) {
        if ((i & kProgressBlockMask) == 0 && !meter.Update(i, 2 * count)) {
            return false;
        }
        const CEntity* e = doc.GetEntity(static_cast<int>(i));
        if (e->GetType() != kTypePoint) {
            continue;
        }
        const std::string name(Trim(e->m_name));
        if (ParseNumberedName(name, q.measuredPrefix, s2, e2, number, rest)) {
            measured.try_emplace(SMatchKey{rest, static_cast<long long>(number) - s2},
                                 static_cast<const CPnt*>(e));
        }
    }

    for (size_t i = 0; i < count; ++i) {
        if ((i & kProgressBlockMask) == 0 && !meter.Update(count + i, 2 * count)) {
            return false;
        }
        const CEntity* e = doc.GetEntity(static_cast<int>(i));
        if (e->GetType() != kTypePoint) {
            continue;
        }
        const std::string name(Trim(e->m_name));
        if (!ParseNumberedName(name, q.idealPrefix, s1, e1, number, rest)) {
            continue;
        }
        SReportPair pair;
        pair.idealName = e->m_name;
        pair.ideal = static_cast<const CPnt*>(e)->m_point;
        const auto it = measured.find(SMatchKey{rest, static_cast<long long>(number) - s1});
        if (it != measured.end()) {
            pair.measuredName = it->second->m_name;
            pair.measured = it->second->m_point;
            pair.matched = true;
        }
        pairs.push_back(std::move(pair));
    }
    return true;
}

}  // namespace

std::vector<SReportPair> MatchReportPoints(const CTAVDoc& doc, const SReportQuery& q) {
    CProgressMeter none(nullptr, kReportProgressTitle);
    std::vector<SReportPair> pairs;
    MatchPoints(doc, q, none, pairs);
    return pairs;
}

std::string ProposeReportName(const std::string& docPath) {
    const size_t n = docPath.size();
    const size_t dot = docPath.find_last_of('.');
    const size_t slash = docPath.find_last_of('/');
    if (n > 4 && dot != std::string::npos && dot >= n - 4 && dot <= n - 2 &&
        (slash == std::string::npos || dot > slash)) {
        return docPath.substr(0, dot);
    }
    return docPath;
}

bool IsCsvReportPath(const std::string& path) {
    const std::string name = FileNameOf(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.size() - dot != 4) {
        return false;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(name[dot + 1]) == 'c' && lower(name[dot + 2]) == 's' &&
           lower(name[dot + 3]) == 'v';
}

std::string LfText(double v) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}

std::string FormatNumberText(std::string_view lfText, const SNumberStyle& style) {
    std::string_view t = lfText;
    bool negative = false;
    if (!t.empty() && t.front() == '-') {
        negative = true;
        t.remove_prefix(1);
    }
    const size_t dot = t.find('.');
    const std::string_view intText = t.substr(0, dot);
    const std::string_view fracText = dot == std::string_view::npos ? "" : t.substr(dot + 1);
    if (intText.empty() || !AllDigits(intText) || !AllDigits(fracText)) {
        return {};
    }
    const size_t decimals = static_cast<size_t>(style.decimals < 0 ? 0 : style.decimals);
    std::string digits(intText);
    size_t intLen = intText.size();
    std::string frac(fracText);
    const bool roundUp = frac.size() > decimals && frac[decimals] >= '5';
    frac.resize(decimals, '0');
    digits += frac;
    if (roundUp) {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') {
            digits[--i] = '0';
        }
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            ++intLen;
        } else {
            ++digits[i - 1];
        }
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string out = negative && !zero ? style.minusSign : std::string();
    for (size_t i = 0; i < intLen; ++i) {
        if (i > 0 && (intLen - i) % 3 == 0) {
            out += style.groupSeparator;
        }
        out += digits[i];
    }
    if (decimals > 0) {
        out += style.decimalPoint;
        out.append(digits, intLen, decimals);
    }
    return out;
}

SReportFormat SystemReportFormat() {
    locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (loc && std::string_view(nl_langinfo_l(CODESET, loc)) != "UTF-8") {
        freelocale(loc);
        loc = static_cast<locale_t>(nullptr);
    }
    if (!loc) {
        loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    const std::shared_ptr<void> hold(loc, [](void* l) {
        if (l) {
            freelocale(static_cast<locale_t>(l));
        }
    });
    SNumberStyle style;
    if (loc) {
        style.decimalPoint = nl_langinfo_l(RADIXCHAR, loc);
        style.groupSeparator = nl_langinfo_l(THOUSEP, loc);
    }
    SReportFormat f;
    f.number = [style](const std::string& lf) { return FormatNumberText(lf, style); };
    f.clock = [hold]() {
        const auto loc = static_cast<locale_t>(hold.get());
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char date[128] = "";
        char time[128] = "";
        if (loc) {
            strftime_l(date, sizeof date, nl_langinfo_l(D_FMT, loc), &tm, loc);
            strftime_l(time, sizeof time, nl_langinfo_l(T_FMT, loc), &tm, loc);
        }
        return SReportStamp{date, time};
    };
    return f;
}

namespace {

// Tells meter of line i of count; false (the file dropped) when it says stop.
bool LineProgress(CProgressMeter& meter, CReportFile& file, size_t i, size_t count) {
    if ((i & kProgressBlockMask) == 0 && !meter.Update(i, count)) {
        file.Discard();
        return false;
    }
    return true;
}

bool WriteTxt(const CTAVDoc& doc, const std::string& path, const std::vector<SReportPair>& pairs,
              const std::string& modelName, bool local, const SReportFormat& format,
              CProgressMeter& meter) {
    const CMatrix4* toLocal = LocalMatrix(doc, local);
    const SReportStamp stamp = format.clock ? format.clock() : SReportStamp{};
    CReportFile file(doc, path);
    if (!file.Open()) {
        return false;
    }
    std::string text = "Data:\n  " + stamp.date + " " + stamp.time + "\n";
    text += "Plik modelu:\n  " + modelName + "\n";
    text += "\n\n";
    text += "Raport o wzajemnych odleglosciach punktów:";
    text += "\n\n";
    text += kTxtHeader;
    text += "\n";
    if (!file.Put(text)) {
        return false;
    }
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (!LineProgress(meter, file, i, pairs.size())) {
            return false;
        }
        const SReportPair& pair = pairs[i];
        const SLineTexts t = LineTexts(pair, toLocal, format);
        std::string line;
        AppendRight(line, pair.idealName, 20);
        for (int k = 0; k < 3; ++k) {
            line += ' ';
            AppendRight(line, t.v[k], 14);
        }
        line += ' ';
        AppendRight(line, pair.measuredName, 20);
        for (int k = 3; k < 6; ++k) {
            line += ' ';
            AppendRight(line, t.v[k], 14);
        }
        for (int k = 6; k < 10; ++k) {
            line += ' ';
            AppendRight(line, t.v[k], 8);
        }
        line += '\n';
        if (!file.Put(line)) {
            return false;
        }
    }
    return file.Put("\n  <<<<  Koniec  >>>>\n") && file.Commit();
}

bool WriteCsv(const CTAVDoc& doc, const std::string& path, const std::vector<SReportPair>& pairs,
              bool local, const SReportFormat& format, CProgressMeter& meter) {
    const CMatrix4* toLocal = LocalMatrix(doc, local);
    CReportFile file(doc, path);
    if (!file.Open() || !file.Put(kCsvHeader)) {
        return false;
    }
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (!LineProgress(meter, file, i, pairs.size())) {
            return false;
        }
        const SReportPair& pair = pairs[i];
        const SLineTexts t = LineTexts(pair, toLocal, format);
        std::string line = CsvName(pair.idealName);
        for (int k = 0; k < 3; ++k) {
            line += t.v[k] + ';';
        }
        line += CsvName(pair.measuredName);
        for (int k = 3; k < 9; ++k) {
            line += t.v[k] + ';';
        }
        line += t.v[9] + '\n';
        if (!file.Put(line)) {
            return false;
        }
    }
    return file.Commit();
}

}  // namespace

bool WriteDistanceReportTxt(const CTAVDoc& doc, const std::string& path,
                            const std::vector<SReportPair>& pairs, const std::string& modelName,
                            bool local, const SReportFormat& format, CProgress* progress) {
    CProgressMeter meter(progress, kReportProgressTitle);
    return WriteTxt(doc, path, pairs, modelName, local, format, meter);
}

bool WriteDistanceReportCsv(const CTAVDoc& doc, const std::string& path,
                            const std::vector<SReportPair>& pairs, const std::string& /*model*/,
                            bool local, const SReportFormat& format, CProgress* progress) {
    CProgressMeter meter(progress, kReportProgressTitle);
    return WriteCsv(doc, path, pairs, local, format, meter);
}

EReportResult MakeDistanceReport(CTAVDoc& doc, const SReportQuery& q,
                                 const std::function<std::string(const std::string&)>& chooseFile,
                                 const SReportFormat& format, CProgress* progress) {
    CPrompter& prompter = doc.Prompter();
    if (ReportNamesClash(q)) {
        prompter.ShowMessage(LoadStr(kIdsReportNamesClash), CPrompter::EIcon::Warning);
        return EReportResult::NamesClash;
    }
    std::vector<SReportPair> pairs;
    {
        CProgressMeter meter(progress, kReportProgressTitle);
        CWaitCursor wait(&prompter);
        if (!MatchPoints(doc, q, meter, pairs)) {
            return EReportResult::Cancelled;
        }
    }
    if (pairs.empty()) {
        prompter.ShowMessage(LoadStr(kIdsReportNoPoints), CPrompter::EIcon::Warning);
        return EReportResult::NoPoints;
    }
    const std::string path = chooseFile(ProposeReportName(doc.GetPathName()));
    if (path.empty()) {
        return EReportResult::Cancelled;
    }
    const std::string& model = doc.GetPathName();
    CProgressMeter meter(progress, kReportProgressTitle);
    bool ok = false;
    {
        CWaitCursor wait(&prompter);
        ok = IsCsvReportPath(path) ? WriteCsv(doc, path, pairs, q.local, format, meter)
                                   : WriteTxt(doc, path, pairs, model, q.local, format, meter);
    }
    if (meter.Cancelled()) {
        return EReportResult::Cancelled;
    }
    return ok ? EReportResult::Written : EReportResult::Failed;
}
