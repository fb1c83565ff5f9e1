#include "exchange/DxfImport.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/Entity.h"
#include "document/Layer.h"
#include "document/Progress.h"
#include "exchange/DxfBlocks.h"
#include "exchange/DxfEntities.h"
#include "exchange/DxfExport.h"
#include "exchange/DxfPairs.h"
#include "exchange/DxfText.h"
#include "exchange/LineReader.h"
#include "exchange/ScanNumbers.h"
#include "geometry/Curves.h"

namespace {

// The messages of this reader, as users have always seen them.
constexpr char kGroupCodeExpected[] = "Line: %d. \nGroup code expected. Continue reding.";
constexpr char kBadString[] = "Line: %d. \nCan not read string value!";
constexpr char kBadInteger[] = "Line: %d. \nCan not read integer value!";
constexpr char kBadFloat[] = "Line: %d. \nCan not read floating-point value!";
constexpr char kCountMessage[] = "Liczba odczytanych z pliku DXF obiektow: %d. ";
constexpr char kCutOff[] =
    "Line: %d. \nThe file ends here, before its end of file record: the drawing is incomplete. "
    "What was read before is kept.";
constexpr char kNoMemory[] = "Not enough memory to read the file.";

// Longest kept values, in bytes of the file: code 1, the last word and the layer name; the
// handle and the line type / style name.
constexpr size_t kLongItem = 511;
constexpr size_t kShortItem = 255;

enum ESection {
    kSectionNone = 0,
    kSectionHeader = 1,
    kSectionTables = 2,
    kSectionBlocks = 3,
    kSectionEntities = 4,
};

enum EKind {
    kKindNone = 0,
    kKindPoint = 1,
    kKindLine = 2,
    kKindCircle = 3,
    kKindArc = 4,
    kKindTrace = 5,
    kKindSolid = 6,
    kKindText = 7,
    kKindShape = 8,
    kKindBlock = 9,
    kKindEndBlk = 10,
    kKindInsert = 11,
    kKindAttdef = 12,
    kKindAttrib = 13,
    kKindPolyline = 14,
    kKindVertex = 15,
    kKindSeqEnd = 16,
    kKind3DFace = 17,
    kKindViewport = 18,
    kKindDimension = 19,
    kKindLwPolyline = 20,
    // Read beyond the plain entities: references drawn through blocks, leaders.
    kKindLeader = 21,
    kKindAcadTable = 22,
    kKindArcDimension = 23,
    kKindLargeRadialDimension = 24,
    kKindMText = 25,
    kKindEllipse = 26,
    kKindSpline = 27,
    kKindHatch = 28,
    // In TABLES: a layer's entry.
    kKindLayerEntry = 30,
};

struct SWord {
    std::string_view word;
    int value;
};

constexpr SWord kEntityWords[] = {
    {"POINT", kKindPoint},
    {"LINE", kKindLine},
    {"CIRCLE", kKindCircle},
    {"ARC", kKindArc},
    {"TRACE", kKindTrace},
    {"SOLID", kKindSolid},
    {"TEXT", kKindText},
    {"SHAPE", kKindShape},
    {"INSERT", kKindInsert},
    {"ATTDEF", kKindAttdef},
    {"ATTRIB", kKindAttrib},
    {"POLYLINE", kKindPolyline},
    {"VERTEX", kKindVertex},
    {"SEQEND", kKindSeqEnd},
    {"3DFACE", kKind3DFace},
    {"VIEWPORT", kKindViewport},
    {"DIMENSION", kKindDimension},
    {"LWPOLYLINE", kKindLwPolyline},
    {"LEADER", kKindLeader},
    {"ACAD_TABLE", kKindAcadTable},
    {"ARC_DIMENSION", kKindArcDimension},
    {"LARGE_RADIAL_DIMENSION", kKindLargeRadialDimension},
    {"MTEXT", kKindMText},
    {"ELLIPSE", kKindEllipse},
    {"SPLINE", kKindSpline},
    {"HATCH", kKindHatch},
};

constexpr SWord kSectionWords[] = {
    {"HEADER", kSectionHeader},
    {"TABLES", kSectionTables},
    {"BLOCKS", kSectionBlocks},
    {"ENTITIES", kSectionEntities},
};

// POLYLINE flags whose vertices are world coordinates: 3D polyline, polygon mesh, polyface
// mesh. Only the other (2D) polylines lie in the plane of their extrusion.
constexpr int kWorldVertexFlags = 8 | 16 | 64;
// VERTEX flags: a polyface mesh vertex, and a face record, which holds vertex numbers only.
constexpr int kPolyfaceVertexFlag = 64;
constexpr int kFaceRecordFlag = 128;

// The HEADER variables that say how the file's texts are encoded.
enum EHeaderVar { kVarOther, kVarAcadVer, kVarCodePage };

// The comment this program writes first into its DXF files.
constexpr std::string_view kOwnComment = "TAV Document ver.";

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are compared as the C library's case-blind comparison does: ASCII letters only.
bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

void FoldCase(std::string_view s, std::string& out) {
    out.assign(s);
    for (char& c : out) {
        c = Lower(c);
    }
}

// The entity words by their first letter (& 31), as indices into kEntityWords.
struct SWordBucket {
    uint8_t count = 0;
    uint8_t index[6] = {};
};
constexpr std::array<SWordBucket, 32> kEntityBuckets = [] {
    std::array<SWordBucket, 32> buckets{};
    for (size_t i = 0; i < std::size(kEntityWords); ++i) {
        SWordBucket& b = buckets[static_cast<unsigned char>(kEntityWords[i].word[0]) & 31];
        b.index[b.count++] = static_cast<uint8_t>(i);
    }
    return buckets;
}();

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The kind of a word in the ENTITIES section, compared only with the words of its first
// letter (this runs for every record of the file).
int EntityKind(std::string_view word) {
    if (word.size() < 3 || word.size() > 22) {
        return kKindNone;
    }
    const char first = Upper(word[0]);
    const SWordBucket& bucket = kEntityBuckets[static_cast<unsigned char>(first) & 31];
    for (uint8_t k = 0; k < bucket.count; ++k) {
        const SWord& e = kEntityWords[bucket.index[k]];
        if (e.word.size() != word.size() || e.word[0] != first) {
            continue;
        }
        size_t i = 1;
        while (i < word.size() && e.word[i] == Upper(word[i])) {
            ++i;
        }
        if (i == word.size()) {
            return e.value;
        }
    }
    return kKindNone;
}

int Lookup(const SWord* table, size_t size, std::string_view word) {
    for (size_t i = 0; i < size; ++i) {
        if (EqualNoCase(table[i].word, word)) {
            return table[i].value;
        }
    }
    return 0;
}

// The text before the first NUL: what the C library's string functions see of a line.
std::string_view CutAtNul(std::string_view line) {
    const void* nul = std::memchr(line.data(), '\0', line.size());
    return nul ? line.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - line.data()))
               : line;
}

// "%d" of a group code line or an integer value.
bool ScanGroupCode(std::string_view line, int& code) {
    return ScanDxfGroupCode(line, code);
}

// What "%s" reads: the first word after leading blanks (a NUL ends the text, as it ends a C
// string).
bool ScanWord(std::string_view line, std::string_view& word) {
    size_t b = 0;
    while (b < line.size() && IsSpace(line[b])) {
        ++b;
    }
    size_t e = b;
    while (e < line.size() && !IsSpace(line[e]) && line[e] != '\0') {
        ++e;
    }
    word = line.substr(b, e - b);
    return e > b;
}

// The usual form of a DXF number, an optional '-' and decimal digits with a point, read
// without the general scanner; false for anything that needs the full "%lf" rules (blanks,
// '+', exponents, hexadecimal, inf, nan, long mantissas), which ScanDouble then applies.
bool FastDouble(std::string_view text, double& out) {
    const char* b = text.data();
    const char* e = b + text.size();
    const bool negative = b < e && *b == '-';
    const char* d = negative ? b + 1 : b;
    if (d >= e || *d < '0' || *d > '9') {
        return false;
    }
    double v = 0.0;
    const size_t used = ScanPlainDecimal(d, e, v);
    if (used == 0) {
        return false;
    }
    // "0x1" is hexadecimal to "%lf": it goes the long way.
    const char* r = d + used;
    if (r != e && (*r == 'x' || *r == 'X')) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// At most cap bytes of src; in a UTF-8 file the cut does not split a character.
std::string_view Capped(std::string_view src, size_t cap, bool utf8) {
    if (src.size() > cap) {
        size_t n = cap;
        if (utf8) {
            while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) {
                --n;
            }
        }
        src = src.substr(0, n);
    }
    return src;
}

// The last word scanned, copied into a buffer of its own: it is set for every record, and a
// string's assign costs several times the copy.
class CLastWord {
public:
    void Assign(std::string_view word) {
        m_size = std::min(word.size(), sizeof m_text);
        std::memcpy(m_text, word.data(), m_size);
    }
    operator std::string_view() const { return std::string_view(m_text, m_size); }

private:
    char m_text[kLongItem];
    size_t m_size = 0;
};

// Copies at most cap bytes; in a UTF-8 file the cut does not split a character.
void AssignCapped(std::string& dst, std::string_view src, size_t cap, bool utf8) {
    src = Capped(src, cap, utf8);
    // Every VERTEX repeats its POLYLINE's layer: an equal value is left as it is.
    if (src == std::string_view(dst)) {
        return;
    }
    dst.assign(src);
}

bool IsDefaultExtrusion(const CVec3& e) {
    return std::fabs(e.x) <= 1e-8 && std::fabs(e.y) <= 1e-8 && std::fabs(e.z - 1.0) <= 1e-8;
}

// A new entity of kind T. Every member has its initializer, so the zero fill that make_unique
// does first would only be written over (one entity per record adds up).
template <typename T>
std::unique_ptr<T> NewEntity() {
    return std::make_unique_for_overwrite<T>();
}

// What the LAYER table says of a layer.
struct SDxfLayerInfo {
    std::string name;     // as the table spells it
    bool visible = true;  // off (negative colour) or frozen (flag 1) hide it
    bool hasColor = false;
    double rgb[3] = {1.0, 1.0, 1.0};
};

// Bytes an exploded entity takes, roughly: what the budget of an explosion counts.
int64_t EntityBytes(const CEntity& e) {
    int64_t bytes = 192 + static_cast<int64_t>(e.m_name.size());
    if (e.GetType() == kTypePolygon || e.GetType() == kTypePolyline) {
        bytes += static_cast<int64_t>(static_cast<const CPoly&>(e).m_vertices.size()) * 32;
    } else if (e.GetType() == kTypeText) {
        bytes += static_cast<int64_t>(static_cast<const CText&>(e).m_text.size());
    }
    return bytes;
}

// Entities exploded references may make at most, and half the machine's memory.
constexpr int64_t kMaxExplodedEntities = 20000000;

// Bytes the pairs of one collected entity may take (a hatch of 10^5 edges needs about 40 MB).
constexpr size_t kMaxRecordBytes = size_t{1} << 27;

constexpr char kRecordTooLarge[] = "The entity holds more values than can be read: left out.";
constexpr char kMTextCut[] = "MTEXT longer than 65536 bytes: the rest is left out.";
constexpr double kMaxBulge = 1e6;  // larger ones are no arc a file means
constexpr char kBulgeOutOfRange[] = "Bulge out of range: the segment is drawn straight.";
int64_t HalfOfMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0) {
        return int64_t{2} << 30;
    }
    return static_cast<int64_t>(pages) / 2 * size;
}

// The message when that runs out.
constexpr char kBudgetSpent[] =
    "The block references would make more entities than memory allows; %lld were made, the "
    "rest are left out.";

// The single pass over the group-code / value line pairs.
class CDxfReader {
public:
    CDxfReader(CImportCollector& out, CDxfPairs& pairs, CProgressMeter& meter,
               const SImportOptions& options)
        : m_out(out), m_lines(pairs), m_meter(meter) {
        for (std::string* s : {&m_text, &m_layer, &m_handle, &m_style, &m_cachedLayer}) {
            s->reserve(kLongItem + 1);
        }
        SetBudget(options.entityBudget);
    }

    void Run();
    int Count() const { return m_count; }
    // True when the file ended before its EOF record: what was read is incomplete.
    bool CutOff() const { return m_cutOff; }

private:
    template <class Pairs>
    bool ReadPairs(Pairs& source);
    void Dispatch(int code, std::string_view value);
    void Collect(int code, std::string_view value);
    void OnCode0(std::string_view value);
    void HandleWord();
    void FinishPending();
    void ResetAfterEntity();
    void FlushPolyline();
    CEntity* Place(std::unique_ptr<CEntity> entity);
    int LayerIndex();
    CPoint3 OwnToWorld(const CPoint3& p) const;

    // Inline for the usual form of a number: it runs for most pairs of a file.
    bool ReadDouble(std::string_view value, double& out) {
        return FastDouble(value, out) || ReadDoubleSlow(value, out);
    }
    bool ReadDoubleSlow(std::string_view value, double& out);
    void ReadInt(std::string_view value, int& out);
    bool ReadWord(std::string_view value, bool report, std::string_view* read = nullptr);
    void LineMessage(const char* format);
    void MessageAt(int line, const std::string& text);

    // Colours, layers.
    SDxfColor CurrentColor() const;
    void ApplyColor(CEntity& e, const SDxfColor& color, const SDxfLayerInfo* layer) const;
    int LayerRecord(const std::string& decoded, const SDxfLayerInfo*& info);
    void ReadLayerEntry();
    std::string DecodedName(std::string_view raw) const;
    // Blocks and references.
    bool InEntities() const;
    void BeginBlock();
    SDxfReference ReadReference() const;
    void FinishReference();
    void FinishLeader();
    void FinishMText();
    void FinishCurve();
    void FinishHatch();
    void FinishSolid();
    void FinishLwPolyline();
    void FlushPolyface();
    bool FlushMesh();
    CPoint3 PolylineVertex(size_t i, const std::optional<CMatrix4>& frame) const;
    void PlaceSibling(std::unique_ptr<CEntity> e);
    void CheckBulges(const std::vector<double>& bulges, int line);
    bool EmitExploded(std::unique_ptr<CEntity> e, const std::string& layer, const SDxfColor& color);
    void SetBudget(int64_t entities);

    CImportCollector& m_out;
    CDxfPairs& m_lines;
    CProgressMeter& m_meter;
    CDxfTextDecoder m_decoder;

    // Reader state.
    int m_section = kSectionNone;
    bool m_afterSection = false;
    bool m_afterTable = false;
    int m_kind = kKindNone;
    int m_count = 0;
    CLastWord m_last;          // last word scanned
    bool m_eofWord = false;    // the last word is "EOF": reading stops
    bool m_cutOff = false;     // the input ended before the EOF record
    bool m_eofRecord = false;  // that word came as a record (code 0), not as a value
    std::string m_text;        // code 1
    std::string m_handle;      // code 5
    std::string m_layer;       // code 8
    std::string m_style;       // codes 6 and 7, kept, not used
    double m_x[9] = {};
    double m_y[9] = {};
    double m_z[8] = {};
    double m_elevation = 0.0;
    double m_thickness = 0.0;  // kept, not used
    double m_size = 0.0;
    double m_angle1 = 0.0;
    double m_angle2 = 0.0;
    int m_color = 0;
    int m_flags = 0;
    int m_polyFlags = 0;
    CVec3 m_extrusion{0.0, 0.0, 1.0};
    std::vector<CVec3> m_vertices;
    std::vector<double> m_bulges;  // of m_vertices, for polylines with arcs
    double m_bulge = 0.0;          // code 42 of the current vertex
    int m_ints[8] = {};            // codes 71-78 of the current entity
    // Face records of a polyface mesh (vertex numbers from 1, negative for hidden edges).
    std::vector<std::array<int, 4>> m_faces;
    int m_polyMesh[4] = {};            // M, N and the smoothed M, N of a polygon mesh
    int m_seenPoints = 0;              // bit i: a code 10 + i (i < 4) since the last code 0
    int m_polyRecordLine = 0;          // line of the POLYLINE header
    SDxfBlock* m_polyBlock = nullptr;  // the block its header went into, if any
    size_t m_polyItem = 0;             // and its place there

    // The POLYLINE whose vertices are being collected, with what its header said.
    CPoly* m_polyline = nullptr;
    CVec3 m_polyExtrusion{0.0, 0.0, 1.0};
    double m_polyElevation = 0.0;
    double m_polyHeaderZ = 0.0;
    bool m_polyHasZ = false;
    bool m_seenZ0 = false;      // a code 30 since the last code 0
    bool m_paperSpace = false;  // code 67 = 1 since the last code 0

    EHeaderVar m_headerVar = kVarOther;
    // Written by this program before its exports had a HEADER: centres are world coordinates.
    bool m_ownFile = false;

    // Layer lookup: folded name to the layer record of that name, and the last name asked for.
    std::unordered_map<std::string, int> m_layerIndex;
    std::string m_cachedLayer;
    int m_cachedLayerIndex = -1;
    const SDxfLayerInfo* m_cachedLayerInfo = nullptr;

    // Code 62 counts only when given (else the entity takes its layer's colour); a true colour
    // (420) wins over it.
    bool m_colorGiven = false;
    bool m_hasTrueColor = false;
    uint32_t m_trueColor = 0;

    // The group pairs of an entity read whole: references, leaders, block and layer headers.
    bool m_collect = false;
    DxfRecord m_record;
    size_t m_recordBytes = 0;
    bool m_recordFull = false;  // more than kMaxRecordBytes: the entity is left out
    int m_recordLine = 0;

    // The LAYER table: what the file says of each layer, by folded name.
    bool m_inLayerTable = false;
    std::unordered_map<std::string, SDxfLayerInfo> m_layerInfo;

    // Block definitions, the one being read, and model references read before their block.
    CDxfBlockTable m_blocks;
    SDxfBlock* m_block = nullptr;
    std::vector<SDxfReference> m_deferred;

    // What exploded references may make: entities and bytes, and whether that ran out.
    int64_t m_maxExploded = 0;
    int64_t m_maxExplodedBytes = 0;
    int64_t m_exploded = 0;
    int64_t m_explodedBytes = 0;
    bool m_budgetSpent = false;
    std::string m_scratch;
    std::string m_folded;
};

// The pairs, read through their own type: a text file's pairs come without a virtual call.
template <class Pairs>
bool CDxfReader::ReadPairs(Pairs& source) {
    // Numbers and words end at a NUL by themselves; whole-line values are cut where they are
    // used.
    int code = 0;
    std::string_view line;
    for (int pairs = 1; !m_eofWord; ++pairs) {
        // The clock is asked once in 2048 pairs.
        if ((pairs & 2047) == 0 && !m_meter.Update(source.BytesRead(), source.Size())) {
            return false;
        }
        const CDxfPairs::EPair next = source.Next(code, line);
        if (next == CDxfPairs::EPair::End || next == CDxfPairs::EPair::CutOff) {
            // Cut off after a group code, the pending entity is dropped; any file whose bytes
            // end before its EOF record is not a whole drawing.
            m_cutOff = !source.Failed();
            break;
        }
        if (pairs == 1 && source.SawByteOrderMark()) {
            m_decoder.SetUtf8();
        }
        if (next == CDxfPairs::EPair::BadCode) {
            LineMessage(kGroupCodeExpected);
            continue;
        }
        Dispatch(code, line);
    }
    return true;
}

void CDxfReader::Run() {
    auto* text = dynamic_cast<CDxfTextPairs*>(&m_lines);
    if (!(text != nullptr ? ReadPairs(*text) : ReadPairs(m_lines))) {
        return;
    }
    // EOF ending a section of entities that never ended is a cut-off file too.
    if (m_eofWord && m_eofRecord && m_section == kSectionEntities) {
        m_cutOff = true;
    }
    // A POLYLINE cut off before its SEQEND keeps the vertices read so far.
    if (m_polyline) {
        FlushPolyline();
    }
    // References read before their block was defined.
    m_block = nullptr;
    std::vector<SDxfReference> deferred;
    deferred.swap(m_deferred);
    CDxfExploder exploder(
        m_blocks,
        [this](std::unique_ptr<CEntity> e, const std::string& layer, const SDxfColor& color) {
            return EmitExploded(std::move(e), layer, color);
        },
        [this](int line, const std::string& text) { MessageAt(line, text); });
    for (const SDxfReference& ref : deferred) {
        if (!exploder.Explode(ref)) {
            break;
        }
    }
}

void CDxfReader::LineMessage(const char* format) {
    char text[128];
    std::snprintf(text, sizeof text, format, m_lines.LineNumber());
    m_out.LineMessage(text);
}

// "%lf"; values that are not finite numbers (nan, inf) are refused like unreadable ones, as
// they would poison the drawing's extents and every computation with them.
bool CDxfReader::ReadDoubleSlow(std::string_view value, double& out) {
    double v = 0.0;
    if (ScanDouble(value, v) && std::isfinite(v)) {
        out = v;
        return true;
    }
    LineMessage(kBadFloat);
    return false;
}

void CDxfReader::ReadInt(std::string_view value, int& out) {
    int v = 0;
    if (ScanGroupCode(value, v)) {
        out = v;
    } else {
        LineMessage(kBadInteger);
    }
}

// "%s" into the last word; false (the word unchanged) on a blank value.
bool CDxfReader::ReadWord(std::string_view value, bool report, std::string_view* read) {
    std::string_view word;
    if (!ScanWord(value, word)) {
        if (report) {
            LineMessage(kBadString);
        }
        return false;
    }
    if (read != nullptr) {
        *read = word;
    }
    m_last.Assign(Capped(word, kLongItem, m_decoder.IsUtf8()));
    m_eofWord = EqualNoCase(m_last, "EOF");
    return true;
}

// Keeps a pair of an entity read whole.
void CDxfReader::Collect(int code, std::string_view value) {
    if (code == 101 && m_kind != kKindMText) {
        // An embedded object reuses the entity's codes for other things; MTEXT keeps its
        // columns there and reads them apart.
        m_collect = false;
        return;
    }
    if (m_recordFull) {
        return;
    }
    // Texts of MTEXT may be long; every other value is a number or a name.
    const size_t cap = m_kind == kKindMText && (code == 1 || code == 3) ? kMaxMTextBytes + 1 : 4096;
    const std::string_view kept = CutAtNul(value).substr(0, cap);
    m_recordBytes += kept.size() + sizeof(DxfRecord::value_type);
    if (m_recordBytes > kMaxRecordBytes) {
        m_recordFull = true;
        m_record.clear();
        m_record.shrink_to_fit();
    } else {
        m_record.emplace_back(code, std::string(kept));
    }
}

// Inlined into the loop over the pairs: it runs for every pair of the file.
[[gnu::always_inline]] inline void CDxfReader::Dispatch(int code, std::string_view value) {
    if (code == 0) {
        OnCode0(value);
        return;
    }
    if (m_collect) {
        Collect(code, value);
    }
    const bool utf8 = m_decoder.IsUtf8();
    // Tables and objects of every newer file hold empty names (plot styles, plot devices):
    // valid DXF, and unused here, so only a blank name of an entity is worth a message.
    const bool reportBlank = m_section == kSectionEntities;
    if (code >= 10 && code <= 18) {
        ReadDouble(value, m_x[code - 10]);
        if (code <= 13) {
            m_seenPoints |= 1 << (code - 10);
        }
    } else if (code >= 20 && code <= 28) {
        ReadDouble(value, m_y[code - 20]);
        if (m_kind == kKindLwPolyline && InEntities()) {
            m_vertices.emplace_back(m_x[code - 20], m_y[code - 20], 0.0);
            m_bulges.push_back(0.0);
        }
    } else if (code >= 30 && code <= 37) {
        ReadDouble(value, m_z[code - 30]);
        m_seenZ0 = m_seenZ0 || code == 30;
    } else if (code < 10) {
        switch (code) {
            case 1:
                AssignCapped(m_text, CutAtNul(value), kLongItem, utf8);
                if (m_section == kSectionHeader && m_headerVar == kVarAcadVer) {
                    m_decoder.SetVersion(CutAtNul(value));
                }
                break;
            case 2:
                ReadWord(value, false);
                if (m_afterSection) {
                    m_section = Lookup(kSectionWords, std::size(kSectionWords), m_last);
                    if (m_section == kSectionHeader) {
                        // This program's exports with a HEADER write their points in the
                        // entities' own systems, as DXF defines them; only older ones did not.
                        m_ownFile = false;
                    }
                } else if (m_afterTable) {
                    m_inLayerTable = EqualNoCase(m_last, "LAYER");
                }
                break;
            case 3:
                ReadWord(value, false);
                if (m_section == kSectionHeader && m_headerVar == kVarCodePage) {
                    m_decoder.SetCodePage(m_last);
                }
                break;
            case 4:
                ReadWord(value, false);
                break;
            case 5:
                if (ReadWord(value, reportBlank)) {
                    AssignCapped(m_handle, m_last, kShortItem, utf8);
                }
                break;
            case 6:
            case 7:
                if (ReadWord(value, reportBlank)) {
                    AssignCapped(m_style, m_last, kShortItem, utf8);
                }
                break;
            case 8:
                // The whole name, blanks inside included: "%s" would cut "Warstwa 1" to
                // "Warstwa" and merge layers. The last word stays the first word.
                if (std::string_view word; ReadWord(value, reportBlank, &word)) {
                    // A word that ends the line is the whole name already.
                    const bool whole = word.data() + word.size() == value.data() + value.size();
                    AssignCapped(m_layer, whole ? word : Trim(CutAtNul(value)), kLongItem, utf8);
                }
                break;
            case 9:
                ReadWord(value, false);
                if (m_section == kSectionHeader) {
                    m_headerVar = EqualNoCase(m_last, "$ACADVER")       ? kVarAcadVer
                                  : EqualNoCase(m_last, "$DWGCODEPAGE") ? kVarCodePage
                                                                        : kVarOther;
                }
                break;
            default:
                break;
        }
    } else if (code < 100) {
        double scratchDouble = 0.0;
        int scratchInt = 0;
        switch (code) {
            case 38:
                ReadDouble(value, m_elevation);
                break;
            case 39:
                ReadDouble(value, m_thickness);
                break;
            case 40:
                ReadDouble(value, m_size);
                break;
            case 50:
                ReadDouble(value, m_angle1);
                break;
            case 51:
                ReadDouble(value, m_angle2);
                break;
            case 62:
                if (ScanGroupCode(value, m_color)) {
                    m_colorGiven = true;
                } else {
                    LineMessage(kBadInteger);
                }
                break;
            case 66:
                ReadInt(value, scratchInt);
                break;
            case 67: {
                std::string_view text = value;
                int space = 0;
                m_paperSpace = ScanInt(text, space) && space != 0;
                ReadInt(value, m_flags);
                break;
            }
            case 68:
            case 69:
            case 70:
                ReadInt(value, m_flags);
                break;
            case 42:
                // The bulge of the vertex just read (polylines).
                if (ReadDouble(value, m_bulge) && m_kind == kKindLwPolyline && !m_bulges.empty()) {
                    m_bulges.back() = m_bulge;
                }
                break;
            default:
                if ((code >= 41 && code <= 49) || (code >= 52 && code <= 58)) {
                    ReadDouble(value, scratchDouble);
                } else if (code >= 71 && code <= 78) {
                    ReadInt(value, m_ints[code - 71]);
                }
                break;
        }
    } else if (code == 420) {
        int rgb = 0;
        if (ScanGroupCode(value, rgb)) {
            m_hasTrueColor = true;
            m_trueColor = static_cast<uint32_t>(rgb) & 0xFFFFFF;
        }
    } else if (code == 210) {
        ReadDouble(value, m_extrusion.x);
    } else if (code == 220) {
        ReadDouble(value, m_extrusion.y);
    } else if (code == 230) {
        ReadDouble(value, m_extrusion.z);
    } else if (code >= 999 && code <= 1005) {
        ReadWord(value, false);
        if (code == 999 && Trim(CutAtNul(value)).substr(0, kOwnComment.size()) == kOwnComment) {
            m_ownFile = true;
        }
    } else if (code == 1070 || code == 1071) {
        int scratchInt = 0;
        ReadInt(value, scratchInt);
    } else if ((code >= 1010 && code <= 1013) || (code >= 1020 && code <= 1023) ||
               (code >= 1030 && code <= 1033) || (code >= 1040 && code <= 1042)) {
        double scratchDouble = 0.0;
        ReadDouble(value, scratchDouble);
    }
    m_afterSection = false;
    m_afterTable = false;
}

void CDxfReader::OnCode0(std::string_view value) {
    FinishPending();
    // What was collected is finished; until the word names a kind nothing is collected, so a
    // second ENTITIES section or an unreadable word cannot create the entity a second time.
    m_kind = kKindNone;
    m_seenZ0 = false;
    m_paperSpace = false;
    m_collect = false;
    m_record.clear();
    m_recordBytes = 0;
    m_recordFull = false;
    m_recordLine = m_lines.LineNumber();
    m_seenPoints = 0;
    m_bulge = 0.0;
    std::fill(std::begin(m_ints), std::end(m_ints), 0);
    if (InEntities()) {
        // An entity starts from DXF's defaults for what it may leave out: a 2D entity without
        // code 30 lies at height 0, not at the height of the entity before, and an entity
        // without a handle has no name.
        std::fill(std::begin(m_x), std::end(m_x), 0.0);
        std::fill(std::begin(m_y), std::end(m_y), 0.0);
        std::fill(std::begin(m_z), std::end(m_z), 0.0);
        m_handle.clear();
    }
    if (!ReadWord(value, true)) {
        return;
    }
    m_eofRecord = m_eofWord;
    HandleWord();
    switch (m_kind) {
        case kKindInsert:
        case kKindDimension:
        case kKindArcDimension:
        case kKindLargeRadialDimension:
        case kKindLeader:
        case kKindAcadTable:
        case kKindMText:
        case kKindEllipse:
        case kKindSpline:
        case kKindHatch:
        case kKindBlock:
        case kKindLayerEntry:
            m_collect = true;
            break;
        default:
            break;
    }
    // A POLYLINE whose SEQEND never came keeps the vertices it got.
    if (m_polyline && m_kind != kKindVertex && m_kind != kKindSeqEnd) {
        FlushPolyline();
    }
}

void CDxfReader::HandleWord() {
    if (EqualNoCase(m_last, "SECTION")) {
        m_afterSection = true;
        ResetAfterEntity();
    } else if (EqualNoCase(m_last, "ENDSEC")) {
        m_section = kSectionNone;
    } else if (EqualNoCase(m_last, "TABLE")) {
        m_afterTable = true;
        ResetAfterEntity();
    }
    if (m_section == kSectionEntities) {
        m_kind = EntityKind(m_last);
    } else if (m_section == kSectionBlocks) {
        // Inside a definition the entities are read as in ENTITIES, for the references.
        m_kind = EqualNoCase(m_last, "BLOCK")    ? kKindBlock
                 : EqualNoCase(m_last, "ENDBLK") ? kKindEndBlk
                 : m_block != nullptr            ? EntityKind(m_last)
                                                 : kKindNone;
    } else if (m_section == kSectionTables) {
        if (EqualNoCase(m_last, "ENDTAB")) {
            m_inLayerTable = false;
        } else if (m_inLayerTable && EqualNoCase(m_last, "LAYER")) {
            m_kind = kKindLayerEntry;
        }
    }
}

bool CDxfReader::InEntities() const {
    return m_section == kSectionEntities || (m_section == kSectionBlocks && m_block != nullptr);
}

void CDxfReader::ResetAfterEntity() {
    m_flags = 0;
    m_color = 0;
    m_colorGiven = false;
    m_hasTrueColor = false;
    m_angle1 = 0.0;
    m_thickness = 0.0;
    m_elevation = 0.0;
    m_extrusion = CVec3(0.0, 0.0, 1.0);
}

// Centres and insertion points are in the entity's own coordinate system; files of this
// program have always stored them as world coordinates.
CPoint3 CDxfReader::OwnToWorld(const CPoint3& p) const {
    if (m_ownFile || !HasOwnFrame(m_extrusion)) {
        return p;
    }
    return p.TransformedBy(*OwnFrame(m_extrusion));
}

int CDxfReader::LayerIndex() {
    if (m_layer.empty()) {
        m_cachedLayerInfo = nullptr;
        return kImportCurrentLayer;
    }
    if (m_cachedLayerIndex >= 0 && m_layer == m_cachedLayer) {
        return m_cachedLayerIndex;
    }
    m_decoder.DecodeInto(m_layer, m_scratch);
    const int index = LayerRecord(m_scratch, m_cachedLayerInfo);
    m_cachedLayer = m_layer;
    m_cachedLayerIndex = index;
    return index;
}

int CDxfReader::LayerRecord(const std::string& decoded, const SDxfLayerInfo*& info) {
    FoldCase(decoded, m_folded);
    const auto known = m_layerInfo.find(m_folded);
    info = known == m_layerInfo.end() ? nullptr : &known->second;
    const auto it = m_layerIndex.find(m_folded);
    if (it != m_layerIndex.end()) {
        return it->second;
    }
    // The merge joins it to the drawing's layer of the same name, in any case; a layer the
    // import creates takes the file's state.
    std::vector<CLayer>& records = m_out.Result().layers;
    const int index = static_cast<int>(records.size());
    records.push_back(CLayer(info != nullptr ? info->name : decoded, 0,
                             info != nullptr && !info->visible ? 0 : 1));
    m_layerIndex.emplace(m_folded, index);
    return index;
}

std::string CDxfReader::DecodedName(std::string_view raw) const {
    std::string name;
    m_decoder.DecodeInto(Trim(CutAtNul(raw)).substr(0, kLongItem), name);
    return name;
}

SDxfColor CDxfReader::CurrentColor() const {
    SDxfColor c;
    if (m_hasTrueColor) {
        c.hasTrue = true;
        c.rgb = m_trueColor;
    } else if (m_colorGiven) {
        c.aci = m_color;
    }
    return c;
}

void CDxfReader::ApplyColor(CEntity& e, const SDxfColor& color, const SDxfLayerInfo* layer) const {
    if (color.hasTrue) {
        e.m_color[0] = static_cast<double>((color.rgb >> 16) & 0xFF) / 255.0;
        e.m_color[1] = static_cast<double>((color.rgb >> 8) & 0xFF) / 255.0;
        e.m_color[2] = static_cast<double>(color.rgb & 0xFF) / 255.0;
        return;
    }
    if (color.ByLayer() && layer != nullptr && layer->hasColor) {
        std::copy(std::begin(layer->rgb), std::end(layer->rgb), e.m_color);
        return;
    }
    // 256 without a layer colour, 0 (by block) outside a block, and negative numbers have no
    // colour of their own here: they get white, entry 0.
    const auto& rgb =
        AciPalette[(color.aci >= 0 && color.aci <= 255) ? static_cast<size_t>(color.aci) : 0];
    for (int i = 0; i < 3; ++i) {
        e.m_color[i] = rgb[static_cast<size_t>(i)];
    }
}

// Layer, colour, name and number; appends and counts. In a block definition the entity goes
// into the block with its layer's name and its colour as given, for its references to resolve.
CEntity* CDxfReader::Place(std::unique_ptr<CEntity> entity) {
    if (!m_handle.empty()) {
        std::string name;
        m_decoder.DecodeInto(m_handle, name);
        entity->m_name = name;
    }
    CEntity* raw = entity.get();
    if (m_block != nullptr) {
        SDxfBlockItem item;
        item.layer = m_layer.empty() ? std::string("0") : DecodedName(m_layer);
        item.color = CurrentColor();
        item.entity = std::move(entity);
        m_block->items.push_back(std::move(item));
        return raw;
    }
    entity->m_layer = LayerIndex();
    ApplyColor(*entity, CurrentColor(), m_cachedLayerInfo);
    const int layer = entity->m_layer;
    m_out.Add(std::move(entity), layer);
    ++m_count;
    return raw;
}

void CDxfReader::ReadLayerEntry() {
    std::string name;
    int color = 7;
    int flags = 0;
    bool hasTrue = false;
    int rgb = 0;
    for (const auto& [code, value] : m_record) {
        if (code == 2 && name.empty()) {
            name = DecodedName(value);
        } else if (code == 62) {
            RecordInt(value, color);
        } else if (code == 70) {
            RecordInt(value, flags);
        } else if (code == 420) {
            hasTrue = RecordInt(value, rgb);
        }
    }
    if (name.empty()) {
        return;
    }
    SDxfLayerInfo info;
    info.name = name;
    info.visible = color >= 0 && (flags & 1) == 0;
    const int aci = std::abs(color);
    if (hasTrue) {
        info.hasColor = true;
        info.rgb[0] = static_cast<double>((rgb >> 16) & 0xFF) / 255.0;
        info.rgb[1] = static_cast<double>((rgb >> 8) & 0xFF) / 255.0;
        info.rgb[2] = static_cast<double>(rgb & 0xFF) / 255.0;
    } else if (aci >= 1 && aci <= 255) {
        info.hasColor = true;
        for (int i = 0; i < 3; ++i) {
            info.rgb[i] = AciPalette[static_cast<size_t>(aci)][static_cast<size_t>(i)];
        }
    }
    FoldCase(name, m_folded);
    m_layerInfo[m_folded] = info;
    // The lookup cache may hold the state before the table said it.
    m_cachedLayerIndex = -1;
}

void CDxfReader::BeginBlock() {
    std::string name;
    CPoint3 base;
    for (const auto& [code, value] : m_record) {
        if (code == 2 && name.empty()) {
            name = DecodedName(value);
        } else if (code == 10) {
            RecordDouble(value, base.x);
        } else if (code == 20) {
            RecordDouble(value, base.y);
        } else if (code == 30) {
            RecordDouble(value, base.z);
        }
    }
    m_block = &m_blocks.Define(name, base);
}

SDxfReference CDxfReader::ReadReference() const {
    SDxfReference ref;
    ref.line = m_recordLine;
    ref.layer = m_layer.empty() ? std::string("0") : DecodedName(m_layer);
    ref.color = CurrentColor();
    SDxfPlacement& p = ref.place;
    const bool insert = m_kind == kKindInsert;
    bool haveBlock = false, havePoint = false, haveShift = false;
    CPoint3 shift;
    for (const auto& [code, value] : m_record) {
        switch (code) {
            case 2:
                if (!haveBlock) {
                    ref.block = DecodedName(value);
                    haveBlock = true;
                }
                break;
            case 10:
                havePoint = havePoint || RecordDouble(value, p.point.x);
                break;
            case 20:
                RecordDouble(value, p.point.y);
                break;
            case 30:
                RecordDouble(value, p.point.z);
                break;
            case 12:
                haveShift = RecordDouble(value, shift.x) || haveShift;
                break;
            case 22:
                RecordDouble(value, shift.y);
                break;
            case 32:
                RecordDouble(value, shift.z);
                break;
            case 41:
                RecordDouble(value, p.scale.x);
                break;
            case 42:
                RecordDouble(value, p.scale.y);
                break;
            case 43:
                RecordDouble(value, p.scale.z);
                break;
            case 44:
                RecordDouble(value, p.columnSpacing);
                break;
            case 45:
                RecordDouble(value, p.rowSpacing);
                break;
            case 50:
                RecordDouble(value, p.rotation);
                break;
            case 70:
                if (insert) {
                    RecordInt(value, p.columns);
                }
                break;
            case 71:
                if (insert) {
                    RecordInt(value, p.rows);
                }
                break;
            case 210:
                RecordDouble(value, p.extrusion.x);
                break;
            case 220:
                RecordDouble(value, p.extrusion.y);
                break;
            case 230:
                RecordDouble(value, p.extrusion.z);
                break;
            default:
                break;
        }
    }
    if (m_kind == kKindAcadTable) {
        // The table's block lies in place; the insertion point moves it.
        p.translationOnly = true;
        p.extrusion = CVec3(0.0, 0.0, 1.0);
        if (!havePoint) {
            p.point = CPoint3(0.0, 0.0, 0.0);
        }
    } else if (!insert) {
        // A dimension's block is drawn where it lies, moved by its insertion point (OCS).
        p.translationOnly = true;
        const CVec3 extrusion = p.extrusion;
        p.point = CPoint3(0.0, 0.0, 0.0);
        if (haveShift) {
            const std::optional<CMatrix4> frame = OwnFrame(extrusion);
            p.point = frame ? shift.TransformedBy(*frame) : shift;
        }
        p.extrusion = CVec3(0.0, 0.0, 1.0);
    }
    if (IsDefaultExtrusion(p.extrusion) || p.extrusion.Length() < kGeomTol) {
        p.extrusion = CVec3(0.0, 0.0, 1.0);
    }
    return ref;
}

void CDxfReader::FinishReference() {
    SDxfReference ref = ReadReference();
    if (m_block != nullptr) {
        SDxfBlockItem item;
        item.layer = ref.layer;
        item.color = ref.color;
        item.reference = std::make_unique<SDxfReference>(std::move(ref));
        m_block->items.push_back(std::move(item));
        return;
    }
    if (ref.block.empty()) {
        return;
    }
    // The reference's own layer is one of the drawing's, with the file's state, even when
    // every entity of the block lies on another.
    const SDxfLayerInfo* info = nullptr;
    LayerRecord(ref.layer, info);
    if (m_blocks.Find(ref.block) == nullptr) {
        m_deferred.push_back(std::move(ref));  // its block may come later in the file
        return;
    }
    CDxfExploder exploder(
        m_blocks,
        [this](std::unique_ptr<CEntity> e, const std::string& layer, const SDxfColor& color) {
            return EmitExploded(std::move(e), layer, color);
        },
        [this](int line, const std::string& text) { MessageAt(line, text); });
    exploder.Explode(ref);
}

void CDxfReader::FinishLeader() {
    auto p = NewEntity<CPoly>();
    CPoint3 v;
    bool open = false;
    for (const auto& [code, value] : m_record) {
        if (code == 10) {
            if (open) {
                p->AddVertex(v);
            }
            v = CPoint3(0.0, 0.0, 0.0);
            open = RecordDouble(value, v.x);
        } else if (code == 20) {
            RecordDouble(value, v.y);
        } else if (code == 30) {
            RecordDouble(value, v.z);
        }
    }
    if (open) {
        p->AddVertex(v);
    }
    if (p->GetVertexCount() >= 2) {
        Place(std::move(p));
    }
}

void CDxfReader::SetBudget(int64_t entities) {
    m_maxExploded = entities > 0 ? entities : kMaxExplodedEntities;
    m_maxExplodedBytes = HalfOfMemory();
}

bool CDxfReader::EmitExploded(std::unique_ptr<CEntity> e, const std::string& layer,
                              const SDxfColor& color) {
    if (m_budgetSpent) {
        return false;
    }
    const int64_t bytes = EntityBytes(*e);
    if (m_exploded >= m_maxExploded || m_explodedBytes + bytes > m_maxExplodedBytes) {
        m_budgetSpent = true;
        char text[256];
        std::snprintf(text, sizeof text, kBudgetSpent, static_cast<long long>(m_exploded));
        MessageAt(m_recordLine, text);
        return false;
    }
    ++m_exploded;
    m_explodedBytes += bytes;
    const SDxfLayerInfo* info = nullptr;
    const int index = LayerRecord(layer, info);
    ApplyColor(*e, color, info);
    m_out.Add(std::move(e), index);
    ++m_count;
    return true;
}

void CDxfReader::MessageAt(int line, const std::string& text) {
    m_out.LineMessage("Line: " + std::to_string(line) + ". \n" + text);
}

// A POLYLINE vertex as the drawing has it: a 2D polyline's in its own system at its header's
// height, the others as given; the elevation added.
CPoint3 CDxfReader::PolylineVertex(size_t i, const std::optional<CMatrix4>& frame) const {
    const bool flat = (m_polyFlags & kWorldVertexFlags) == 0;
    const CVec3& v = m_vertices[i];
    CPoint3 p(v.x, v.y, (flat && m_polyHasZ) ? m_polyHeaderZ : v.z);
    p.z += m_polyElevation;
    return frame ? p.TransformedBy(*frame) : p;
}

void CDxfReader::CheckBulges(const std::vector<double>& bulges, int line) {
    if (std::any_of(bulges.begin(), bulges.end(),
                    [](double b) { return !(std::fabs(b) <= kMaxBulge); })) {
        MessageAt(line, kBulgeOutOfRange);
    }
}

// A further entity of the POLYLINE being finished (faces of a mesh): its layer and colour.
void CDxfReader::PlaceSibling(std::unique_ptr<CEntity> e) {
    if (m_polyBlock != nullptr) {
        SDxfBlockItem item;
        item.layer = m_polyBlock->items[m_polyItem].layer;
        item.color = m_polyBlock->items[m_polyItem].color;
        item.entity = std::move(e);
        m_polyBlock->items.push_back(std::move(item));
        return;
    }
    e->m_layer = m_polyline->m_layer;
    std::copy(std::begin(m_polyline->m_color), std::end(m_polyline->m_color), e->m_color);
    const int layer = e->m_layer;
    m_out.Add(std::move(e), layer);
    ++m_count;
}

namespace {

// A face of corners into p: repeated corners dropped; three or more make a filled polygon, two
// a line; false for fewer.
bool MakeFace(CPoly& p, const CPoint3* corners, int n) {
    p.m_vertices.clear();
    for (int i = 0; i < n; ++i) {
        if (p.m_vertices.empty() || !(corners[i] == p.m_vertices.back())) {
            p.AddVertex(corners[i]);
        }
    }
    while (p.m_vertices.size() > 1 && p.m_vertices.front() == p.m_vertices.back()) {
        p.m_vertices.pop_back();
    }
    if (p.m_vertices.size() < 2) {
        return false;
    }
    if (p.m_vertices.size() >= 3) {
        p.m_closed = 1;
        p.Tessellate();
        p.ComputePlane();
    }
    return true;
}

}  // namespace

// One polygon per face record; the POLYLINE's own entity becomes the first.
void CDxfReader::FlushPolyface() {
    const size_t n = m_vertices.size();
    bool first = true;
    for (const std::array<int, 4>& face : m_faces) {
        CPoint3 corners[4];
        int count = 0;
        for (int index : face) {
            // Negative numbers hide the edge that starts there; 0 is no corner.
            const int64_t k = index < 0 ? -static_cast<int64_t>(index) : index;
            if (k >= 1 && static_cast<size_t>(k) <= n) {
                corners[count++] = PolylineVertex(static_cast<size_t>(k - 1), std::nullopt);
            }
        }
        if (first) {
            first = !MakeFace(*m_polyline, corners, count);
        } else if (auto p = NewEntity<CPoly>(); MakeFace(*p, corners, count)) {
            PlaceSibling(std::move(p));
        }
    }
}

// The quadrilaterals of an M x N mesh (closed in M by flag 1, in N by flag 32); false when the
// vertices do not make the mesh, which is then drawn as a polyline.
bool CDxfReader::FlushMesh() {
    const size_t n = m_vertices.size();
    int64_t m = m_polyMesh[0], k = m_polyMesh[1];
    if (m < 2 || k < 2 || static_cast<size_t>(m * k) != n) {
        // A smoothed surface holds its vertices in the smoothed counts.
        m = m_polyMesh[2];
        k = m_polyMesh[3];
        if (m < 2 || k < 2 || static_cast<size_t>(m * k) != n) {
            return false;
        }
    }
    const int64_t rows = (m_polyFlags & 1) ? m : m - 1;
    const int64_t columns = (m_polyFlags & 32) ? k : k - 1;
    bool first = true;
    for (int64_t i = 0; i < rows; ++i) {
        for (int64_t j = 0; j < columns; ++j) {
            const int64_t i1 = (i + 1) % m, j1 = (j + 1) % k;
            const CPoint3 corners[4] = {
                PolylineVertex(static_cast<size_t>(i * k + j), std::nullopt),
                PolylineVertex(static_cast<size_t>(i * k + j1), std::nullopt),
                PolylineVertex(static_cast<size_t>(i1 * k + j1), std::nullopt),
                PolylineVertex(static_cast<size_t>(i1 * k + j), std::nullopt)};
            if (first) {
                first = !MakeFace(*m_polyline, corners, 4);
            } else if (auto p = NewEntity<CPoly>(); MakeFace(*p, corners, 4)) {
                PlaceSibling(std::move(p));
            }
        }
    }
    return true;
}

void CDxfReader::FlushPolyline() {
    CPoly& poly = *m_polyline;
    const bool flat = (m_polyFlags & kWorldVertexFlags) == 0;
    const bool bulged =
        flat && std::any_of(m_bulges.begin(), m_bulges.end(), [](double b) { return b != 0.0; });
    if ((m_polyFlags & 64) && !m_faces.empty()) {
        FlushPolyface();
    } else if ((m_polyFlags & 16) && FlushMesh()) {
    } else if (bulged) {
        // Arcs are made in the polyline's own plane, then taken into the world.
        CheckBulges(m_bulges, m_polyRecordLine);
        const std::optional<CMatrix4> frame = OwnFrame(m_polyExtrusion);
        std::vector<CPoint3> own;
        own.reserve(m_vertices.size());
        for (size_t i = 0; i < m_vertices.size(); ++i) {
            own.push_back(PolylineVertex(i, std::nullopt));
        }
        std::vector<CPoint3> points;
        AppendBulgedPolyline(own, m_bulges, (m_polyFlags & 1) != 0, points);
        for (const CPoint3& q : points) {
            poly.AddVertex(frame ? q.TransformedBy(*frame) : q);
        }
    } else {
        const std::optional<CMatrix4> frame = flat ? OwnFrame(m_polyExtrusion) : std::nullopt;
        poly.m_vertices.reserve(poly.m_vertices.size() + m_vertices.size() + 1);
        for (size_t i = 0; i < m_vertices.size(); ++i) {
            poly.AddVertex(PolylineVertex(i, frame));
        }
        if ((m_polyFlags & 1) && poly.GetVertexCount() > 0) {
            poly.AddVertex(poly[0]);
        }
    }
    m_vertices.clear();
    m_bulges.clear();
    m_faces.clear();
    m_polyline = nullptr;
    m_polyBlock = nullptr;
}

void CDxfReader::FinishLwPolyline() {
    auto p = NewEntity<CPoly>();
    const std::optional<CMatrix4> frame = OwnFrame(m_extrusion);
    const bool bulged =
        std::any_of(m_bulges.begin(), m_bulges.end(), [](double b) { return b != 0.0; });
    if (bulged) {
        CheckBulges(m_bulges, m_recordLine);
        std::vector<CPoint3> own;
        own.reserve(m_vertices.size());
        for (const CVec3& v : m_vertices) {
            own.emplace_back(v.x, v.y, v.z + m_elevation);
        }
        std::vector<CPoint3> points;
        AppendBulgedPolyline(own, m_bulges, (m_flags & 1) != 0, points);
        p->m_vertices.assign(points.begin(), points.end());
        if (frame) {
            for (CPoint3& q : p->m_vertices) {
                q = q.TransformedBy(*frame);
            }
        }
    } else {
        p->m_vertices.reserve(m_vertices.size() + 1);
        for (const CVec3& v : m_vertices) {
            const CPoint3 q(v.x, v.y, v.z + m_elevation);
            p->AddVertex(frame ? q.TransformedBy(*frame) : q);
        }
        if ((m_flags & 1) && p->GetVertexCount() > 0) {
            p->AddVertex((*p)[0]);
        }
    }
    m_vertices.clear();
    m_bulges.clear();
    Place(std::move(p));
}

// Corners in the order 1, 2, 4, 3 go round the outline; a fourth corner equal to the third (or
// none) makes a triangle. All lie at the first corner's height in the entity's own system.
void CDxfReader::FinishSolid() {
    CPoint3 c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = CPoint3(m_x[i], m_y[i], m_z[0] + m_elevation);
    }
    if ((m_seenPoints & 8) == 0) {
        c[3] = c[2];
    }
    const std::optional<CMatrix4> frame = m_ownFile ? std::nullopt : OwnFrame(m_extrusion);
    CPoint3 corners[4] = {c[0], c[1], c[3], c[2]};
    for (CPoint3& p : corners) {
        if (frame) {
            p = p.TransformedBy(*frame);
        }
    }
    if (auto p = NewEntity<CPoly>(); MakeFace(*p, corners, 4)) {
        Place(std::move(p));
    }
}

void CDxfReader::FinishMText() {
    // The text comes in pieces of 250 bytes (code 3) before its last piece (code 1).
    std::string raw;
    bool cut = false;
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [code, value] : m_record) {
            if (code == 101) {
                break;  // the embedded object's values are no text
            }
            if (code == (pass == 0 ? 3 : 1)) {
                raw += value;
            }
        }
    }
    if (raw.size() > 4 * kMaxMTextBytes) {
        raw.resize(4 * kMaxMTextBytes);
        cut = true;
    }
    std::string text;
    m_decoder.DecodeInto(raw, text);
    SDxfMText layout;
    LayoutMText(m_record, text, 3, layout);
    if (cut || layout.cut) {
        MessageAt(m_recordLine, kMTextCut);
    }
    for (SDxfTextLine& line : layout.lines) {
        auto t = NewEntity<CText>();
        t->m_position = line.position;
        t->m_height = layout.height;
        t->m_rotation = layout.rotation;
        t->m_font = 3;
        t->m_text = std::move(line.text);
        t->m_axis = layout.extrusion;
        Place(std::move(t));
        m_handle.clear();  // the handle names the first line only
    }
}

void CDxfReader::FinishCurve() {
    SDxfCurve curve;
    const std::string fault =
        m_kind == kKindEllipse ? ReadEllipse(m_record, curve) : ReadSpline(m_record, curve);
    if (!fault.empty()) {
        MessageAt(m_recordLine, fault);
        return;
    }
    if (curve.points.size() >= 2) {
        auto p = NewEntity<CPoly>();
        p->m_vertices.assign(curve.points.begin(), curve.points.end());
        Place(std::move(p));
    }
}

// Boundaries as closed polylines; a solid fill without holes as filled polygons.
void CDxfReader::FinishHatch() {
    SDxfHatch hatch;
    const std::string fault = ReadHatch(m_record, hatch);
    if (!fault.empty()) {
        MessageAt(m_recordLine, fault);
    }
    for (SDxfCurve& path : hatch.paths) {
        auto p = NewEntity<CPoly>();
        p->m_vertices.assign(path.points.begin(), path.points.end());
        if (hatch.solidFill && p->m_vertices.size() >= 4) {
            p->m_vertices.pop_back();  // a polygon closes by itself
            p->m_closed = 1;
            p->Tessellate();
            p->ComputePlane();
        }
        Place(std::move(p));
        m_handle.clear();
    }
}

void CDxfReader::FinishPending() {
    if (m_section == kSectionTables) {
        if (m_kind == kKindLayerEntry) {
            ReadLayerEntry();
        }
        return;
    }
    if (m_section == kSectionBlocks) {
        if (m_kind == kKindBlock) {
            BeginBlock();
            ResetAfterEntity();
            return;
        }
        if (m_kind == kKindEndBlk) {
            m_block = nullptr;
            ResetAfterEntity();
            return;
        }
        if (m_block == nullptr) {
            return;
        }
    } else if (m_section != kSectionEntities) {
        return;
    }
    if (m_paperSpace && m_block == nullptr) {
        // The active sheet layout (title block, notes) is in paper units on a sheet of its
        // own; only model space belongs in the drawing.
        ResetAfterEntity();
        return;
    }
    if (m_recordFull) {
        MessageAt(m_recordLine, kRecordTooLarge);
        ResetAfterEntity();
        return;
    }
    switch (m_kind) {
        case kKindPoint: {
            auto p = NewEntity<CPnt>();
            p->m_point = CPoint3(m_x[0], m_y[0], m_z[0]);
            Place(std::move(p));
            ResetAfterEntity();
            break;
        }
        case kKindLine: {
            auto p = NewEntity<CPoly>();
            p->m_vertices.reserve(2);
            p->AddVertex(CPoint3(m_x[0], m_y[0], m_z[0]));
            p->AddVertex(CPoint3(m_x[1], m_y[1], m_z[1]));
            Place(std::move(p));
            ResetAfterEntity();
            break;
        }
        case kKindCircle:
        case kKindArc: {
            auto a = NewEntity<CArc>();
            a->m_center = OwnToWorld(CPoint3(m_x[0], m_y[0], m_z[0]));
            a->m_radius = m_size;
            if (m_kind == kKindCircle) {
                a->m_start = 0.0;
                a->m_length = 360.0;
            } else {
                a->m_start = m_angle1;
                a->m_length = m_angle2 - m_angle1;
                if (a->m_length < 0.0) {
                    a->m_length += 360.0;
                }
            }
            a->m_axis = m_extrusion;
            Place(std::move(a));
            ResetAfterEntity();
            break;
        }
        case kKindText:
        case kKindAttdef:
        case kKindAttrib: {
            if (m_kind == kKindAttdef && m_block != nullptr) {
                // The attribute's definition: its references carry the values.
                ResetAfterEntity();
                break;
            }
            auto t = NewEntity<CText>();
            m_decoder.DecodeInto(m_text, m_scratch);
            t->m_text = ReplaceTextControlCodes(m_scratch);
            t->m_font = 3;
            // Justified texts stand by their second point; attributes keep the vertical
            // justification in 74 (their 73 is a field length).
            const CPoint3 second(m_x[1], m_y[1], m_z[1]);
            const STextPlacement place =
                PlaceText(CPoint3(m_x[0], m_y[0], m_z[0]), (m_seenPoints & 2) ? &second : nullptr,
                          m_size, m_angle1, m_ints[1], m_kind == kKindText ? m_ints[2] : m_ints[3],
                          t->m_text, t->m_font);
            t->m_position = OwnToWorld(place.position);
            t->m_height = place.height;
            t->m_rotation = place.rotation;
            t->m_axis = m_extrusion;
            Place(std::move(t));
            ResetAfterEntity();
            break;
        }
        case kKindPolyline: {
            m_polyline = static_cast<CPoly*>(Place(NewEntity<CPoly>()));
            m_polyBlock = m_block;
            m_polyItem = m_block != nullptr ? m_block->items.size() - 1 : 0;
            m_polyRecordLine = m_recordLine;
            std::copy(m_ints, m_ints + 4, m_polyMesh);
            m_vertices.clear();
            m_bulges.clear();
            m_faces.clear();
            m_polyFlags = m_flags;
            m_polyExtrusion = m_extrusion;
            m_polyElevation = m_elevation;
            m_polyHeaderZ = m_z[0];
            m_polyHasZ = m_seenZ0;
            m_flags = 0;
            m_extrusion = CVec3(0.0, 0.0, 1.0);
            break;
        }
        case kKindVertex: {
            // Face records of a polyface mesh carry vertex numbers, not a position.
            const bool faceRecord =
                (m_flags & kFaceRecordFlag) != 0 && (m_flags & kPolyfaceVertexFlag) == 0;
            // The control frame of a spline-fit polyline is not the curve.
            const bool frameVertex = (m_polyFlags & 4) != 0 && (m_flags & 16) != 0;
            if (m_polyline && faceRecord) {
                m_faces.push_back({m_ints[0], m_ints[1], m_ints[2], m_ints[3]});
            } else if (m_polyline && !frameVertex) {
                m_vertices.emplace_back(m_x[0], m_y[0], m_z[0]);
                m_bulges.push_back(m_bulge);
            }
            m_flags = 0;
            break;
        }
        case kKindSeqEnd:
            // Also ends the attributes of an INSERT: then there is no polyline to complete.
            if (m_polyline) {
                FlushPolyline();
            }
            m_vertices.clear();
            m_bulges.clear();
            ResetAfterEntity();
            break;
        case kKind3DFace: {
            auto p = NewEntity<CPoly>();
            p->m_closed = 1;
            p->m_vertices.reserve(4);
            for (int i = 0; i < 3; ++i) {
                p->AddVertex(CPoint3(m_x[i], m_y[i], m_z[i]));
            }
            if (std::fabs(m_x[3] - m_x[2]) >= 1e-8 || std::fabs(m_y[3] - m_y[2]) >= 1e-8 ||
                std::fabs(m_z[3] - m_z[2]) >= 1e-8) {
                p->AddVertex(CPoint3(m_x[3], m_y[3], m_z[3]));
            }
            p->Tessellate();
            p->ComputePlane();
            Place(std::move(p));
            ResetAfterEntity();
            break;
        }
        case kKindLwPolyline:
            FinishLwPolyline();
            ResetAfterEntity();
            break;
        case kKindSolid:
        case kKindTrace:
            FinishSolid();
            ResetAfterEntity();
            break;
        case kKindMText:
            FinishMText();
            ResetAfterEntity();
            break;
        case kKindEllipse:
        case kKindSpline:
            FinishCurve();
            ResetAfterEntity();
            break;
        case kKindHatch:
            FinishHatch();
            ResetAfterEntity();
            break;
        case kKindInsert:
        case kKindDimension:
        case kKindArcDimension:
        case kKindLargeRadialDimension:
        case kKindAcadTable:
            FinishReference();
            ResetAfterEntity();
            break;
        case kKindLeader:
            FinishLeader();
            ResetAfterEntity();
            break;
        default:
            // Ignored kinds, and words of no kind: nothing of theirs reaches the next entity.
            ResetAfterEntity();
            break;
    }
}

}  // namespace

namespace {

// True when the source starts as a binary DXF file does.
bool IsBinaryDxf(const SImportSource& source) {
    if (source.inMemory) {
        const std::string_view head(reinterpret_cast<const char*>(source.bytes.data()),
                                    std::min(source.bytes.size(), kBinaryDxfSentinel.size()));
        return head == kBinaryDxfSentinel;
    }
    char head[kBinaryDxfSentinel.size()];
    const int fd = ::open(source.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return n == static_cast<ssize_t>(sizeof head) &&
           std::string_view(head, sizeof head) == kBinaryDxfSentinel;
}

}  // namespace

SImportResult ReadDxfFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    result.layerMatch = ELayerMatch::ByName;
    CImportCollector out(result);
    // A binary file is read whole; a text file line by line.
    std::vector<uint8_t> bytes;
    std::unique_ptr<CLineReader> lines;
    std::unique_ptr<CDxfPairs> pairs;
    std::string reason;
    if (IsBinaryDxf(source)) {
        std::span<const uint8_t> data = source.bytes;
        if (!source.inMemory) {
            if (!ReadFileBytes(source.name, bytes, reason)) {
                out.Unreadable(reason);
                return result;
            }
            data = bytes;
        }
        pairs = std::make_unique<CDxfBinaryPairs>(
            std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    } else {
        lines = std::make_unique<CLineReader>();
        if (!lines->Open(source, reason)) {
            out.Unreadable(reason);
            return result;
        }
        pairs = std::make_unique<CDxfTextPairs>(*lines);
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    int count = 0;
    int cutAt = 0;
    // What was read before memory ran out is taken.
    RunReading(result, EImportOutcome::Incomplete, [&] {
        CDxfReader reader(out, *pairs, meter, options);
        reader.Run();
        count = reader.Count();
        cutAt = reader.CutOff() ? std::max(1, pairs->LineNumber()) : 0;
    });
    if (meter.Cancelled()) {
        return CancelledResult();
    }
    if (result.outcome != EImportOutcome::Complete) {
        return result;
    }
    if (pairs->Failed()) {
        ApplyStop(result, ReadFailedStop(pairs->ErrorText()));
        return result;
    }
    if (cutAt > 0) {
        char text[160];
        std::snprintf(text, sizeof text, kCutOff, cutAt);
        ApplyStop(result,
                  CImportStop(EImportOutcome::Incomplete, {SImportMessage::EKind::Note, text}));
        return result;
    }
    if (count > 0) {
        char text[96];
        std::snprintf(text, sizeof text, kCountMessage, count);
        result.closingNote = text;
    }
    return result;
}

EImportResult ImportDxfFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadDxfFile);
}
