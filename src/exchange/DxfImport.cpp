#include "exchange/DxfImport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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
#include "exchange/DxfExport.h"
#include "exchange/DxfText.h"
#include "exchange/LineReader.h"
#include "exchange/ScanNumbers.h"

namespace {

// The messages of this reader, as users have always seen them.
constexpr char kGroupCodeExpected[] = "Line: %d. \nGroup code expected. Continue reding.";
constexpr char kBadString[] = "Line: %d. \nCan not read string value!";
constexpr char kBadInteger[] = "Line: %d. \nCan not read integer value!";
constexpr char kBadFloat[] = "Line: %d. \nCan not read floating-point value!";
constexpr char kCountMessage[] = "Liczba odczytanych z pliku DXF obiektow: %d. ";
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
};

struct SWord {
    std::string_view word;
    int value;
};

constexpr SWord kEntityWords[] = {
    {"POINT", kKindPoint},       {"LINE", kKindLine},           {"CIRCLE", kKindCircle},
    {"ARC", kKindArc},           {"TRACE", kKindTrace},         {"SOLID", kKindSolid},
    {"TEXT", kKindText},         {"SHAPE", kKindShape},         {"INSERT", kKindInsert},
    {"ATTDEF", kKindAttdef},     {"ATTRIB", kKindAttrib},       {"POLYLINE", kKindPolyline},
    {"VERTEX", kKindVertex},     {"SEQEND", kKindSeqEnd},       {"3DFACE", kKind3DFace},
    {"VIEWPORT", kKindViewport}, {"DIMENSION", kKindDimension}, {"LWPOLYLINE", kKindLwPolyline},
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

// What some writers put before the first line of a UTF-8 file.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

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

// The kind of a word in the ENTITIES section, looked up among the words of its length only
// (this runs for every record of the file).
int EntityKind(std::string_view word) {
    char upper[12];
    if (word.size() < 3 || word.size() > 10) {
        return kKindNone;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const std::string_view w(upper, word.size());
    for (const SWord& e : kEntityWords) {
        if (e.word.size() == w.size() && e.word[0] == w[0] && e.word == w) {
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

// "%d" of a group code line or an integer value: the usual form (blanks, then digits to the
// end of the line) without the general scanner, anything else through it.
bool ScanGroupCode(std::string_view line, int& code) {
    size_t i = 0;
    while (i < line.size() && line[i] == ' ') {
        ++i;
    }
    const size_t first = i;
    int v = 0;
    while (i < line.size() && i - first < 9 && line[i] >= '0' && line[i] <= '9') {
        v = v * 10 + (line[i] - '0');
        ++i;
    }
    if (i > first && i == line.size()) {
        code = v;
        return true;
    }
    return ScanInt(line, code);
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

// Copies at most cap bytes; in a UTF-8 file the cut does not split a character.
void AssignCapped(std::string& dst, std::string_view src, size_t cap, bool utf8) {
    if (src.size() > cap) {
        size_t n = cap;
        if (utf8) {
            while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) {
                --n;
            }
        }
        src = src.substr(0, n);
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

// True when an extrusion gives an entity its own coordinate system: not the world's, and not
// a zero extrusion, which defines no plane and counts as the world's.
bool HasOwnFrame(const CVec3& extrusion) {
    return !(IsDefaultExtrusion(extrusion) || extrusion.Length() < kGeomTol);
}

// The frame of that system (DXF's arbitrary axis algorithm). Only built when needed: most
// entities lie in the world's plane.
std::optional<CMatrix4> OwnFrame(const CVec3& extrusion) {
    if (!HasOwnFrame(extrusion)) {
        return std::nullopt;
    }
    CMatrix4 m;
    m.SetArbitraryAxisFrame(CPoint3(0.0, 0.0, 0.0), extrusion, 0.0);
    return m;
}

// The single pass over the group-code / value line pairs.
class CDxfReader {
public:
    CDxfReader(CImportCollector& out, CLineReader& lines, CProgressMeter& meter)
        : m_out(out), m_lines(lines), m_meter(meter) {
        for (std::string* s : {&m_last, &m_text, &m_layer, &m_handle, &m_style, &m_cachedLayer}) {
            s->reserve(kLongItem + 1);
        }
    }

    void Run();
    int Count() const { return m_count; }

private:
    void Dispatch(int code, std::string_view value);
    void OnCode0(std::string_view value);
    void HandleWord();
    void FinishPending();
    void ResetAfterEntity();
    void FlushPolyline();
    CEntity* Place(std::unique_ptr<CEntity> entity);
    int LayerIndex();
    CPoint3 OwnToWorld(const CPoint3& p) const;

    void ReadDouble(std::string_view value, double& out);
    void ReadInt(std::string_view value, int& out);
    bool ReadWord(std::string_view value, bool report);
    void LineMessage(const char* format);

    CImportCollector& m_out;
    CLineReader& m_lines;
    CProgressMeter& m_meter;
    int m_nextProgressLine = 0;
    CDxfTextDecoder m_decoder;

    // Reader state.
    int m_section = kSectionNone;
    bool m_afterSection = false;
    bool m_afterTable = false;
    int m_kind = kKindNone;
    int m_count = 0;
    std::string m_last;      // last word scanned
    bool m_eofWord = false;  // the last word is "EOF": reading stops
    std::string m_text;      // code 1
    std::string m_handle;    // code 5
    std::string m_layer;     // code 8
    std::string m_style;     // codes 6 and 7, kept, not used
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

    // The POLYLINE whose vertices are being collected, with what its header said.
    CPoly* m_polyline = nullptr;
    CVec3 m_polyExtrusion{0.0, 0.0, 1.0};
    double m_polyElevation = 0.0;
    double m_polyHeaderZ = 0.0;
    bool m_polyHasZ = false;
    bool m_seenZ0 = false;      // a code 30 since the last code 0
    bool m_paperSpace = false;  // code 67 = 1 since the last code 0

    EHeaderVar m_headerVar = kVarOther;
    bool m_ownFile = false;  // written by this program: centres are world coordinates

    // Layer lookup: folded name to the layer record of that name, and the last name asked for.
    std::unordered_map<std::string, int> m_layerIndex;
    std::string m_cachedLayer;
    int m_cachedLayerIndex = -1;
    std::string m_scratch;
    std::string m_folded;
};

void CDxfReader::Run() {
    std::string_view line;
    // Numbers and words end at a NUL by themselves; whole-line values are cut where they are
    // used.
    while (!m_eofWord && m_lines.ReadLine(line)) {
        // The clock is asked once in 4096 lines. Not by a multiple of the line number: group
        // codes stand on odd lines of a well-formed file, so that would never come.
        if (m_lines.LineNumber() >= m_nextProgressLine) {
            m_nextProgressLine = m_lines.LineNumber() + 4096;
            if (!m_meter.Update(m_lines.BytesRead(), m_lines.FileSize())) {
                return;
            }
        }
        if (m_lines.LineNumber() == 1 && line.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            // A byte order mark is no part of the first group code, and says UTF-8.
            line.remove_prefix(kUtf8Bom.size());
            m_decoder.SetUtf8();
        }
        int code = 0;
        if (!ScanGroupCode(line, code)) {
            LineMessage(kGroupCodeExpected);
            continue;
        }
        if (!m_lines.ReadLine(line)) {
            break;  // cut off after a group code: the pending entity is dropped
        }
        Dispatch(code, line);
    }
    // A POLYLINE cut off before its SEQEND keeps the vertices read so far.
    if (m_polyline) {
        FlushPolyline();
    }
}

void CDxfReader::LineMessage(const char* format) {
    char text[128];
    std::snprintf(text, sizeof text, format, m_lines.LineNumber());
    m_out.LineMessage(text);
}

// "%lf"; values that are not finite numbers (nan, inf) are refused like unreadable ones, as
// they would poison the drawing's extents and every computation with them.
void CDxfReader::ReadDouble(std::string_view value, double& out) {
    double v = 0.0;
    if (FastDouble(value, v) || (ScanDouble(value, v) && std::isfinite(v))) {
        out = v;
    } else {
        LineMessage(kBadFloat);
    }
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
bool CDxfReader::ReadWord(std::string_view value, bool report) {
    std::string_view word;
    if (!ScanWord(value, word)) {
        if (report) {
            LineMessage(kBadString);
        }
        return false;
    }
    AssignCapped(m_last, word, kLongItem, m_decoder.IsUtf8());
    m_eofWord = EqualNoCase(m_last, "EOF");
    return true;
}

void CDxfReader::Dispatch(int code, std::string_view value) {
    if (code == 0) {
        OnCode0(value);
        return;
    }
    const bool utf8 = m_decoder.IsUtf8();
    // Tables and objects of every newer file hold empty names (plot styles, plot devices):
    // valid DXF, and unused here, so only a blank name of an entity is worth a message.
    const bool reportBlank = m_section == kSectionEntities;
    if (code >= 10 && code <= 18) {
        ReadDouble(value, m_x[code - 10]);
    } else if (code >= 20 && code <= 28) {
        ReadDouble(value, m_y[code - 20]);
        if (m_section == kSectionEntities && m_kind == kKindLwPolyline) {
            m_vertices.emplace_back(m_x[code - 20], m_y[code - 20], 0.0);
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
                if (ReadWord(value, reportBlank)) {
                    AssignCapped(m_layer, Trim(CutAtNul(value)), kLongItem, utf8);
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
                ReadInt(value, m_color);
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
            default:
                if ((code >= 41 && code <= 49) || (code >= 52 && code <= 58)) {
                    ReadDouble(value, scratchDouble);
                } else if (code >= 71 && code <= 78) {
                    ReadInt(value, scratchInt);
                }
                break;
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
    if (m_section == kSectionEntities) {
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
    HandleWord();
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
        m_kind = EqualNoCase(m_last, "BLOCK")    ? kKindBlock
                 : EqualNoCase(m_last, "ENDBLK") ? kKindEndBlk
                                                 : kKindNone;
    }
}

void CDxfReader::ResetAfterEntity() {
    m_flags = 0;
    m_color = 0;
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
        return kImportCurrentLayer;
    }
    if (m_cachedLayerIndex >= 0 && m_layer == m_cachedLayer) {
        return m_cachedLayerIndex;
    }
    m_decoder.DecodeInto(m_layer, m_scratch);
    FoldCase(m_scratch, m_folded);
    int index;
    const auto it = m_layerIndex.find(m_folded);
    if (it != m_layerIndex.end()) {
        index = it->second;
    } else {
        // The merge joins it to the drawing's layer of the same name, in any case.
        std::vector<CLayer>& records = m_out.Result().layers;
        index = static_cast<int>(records.size());
        records.push_back(CLayer(m_scratch, 0, 1));
        m_layerIndex.emplace(m_folded, index);
    }
    m_cachedLayer = m_layer;
    m_cachedLayerIndex = index;
    return index;
}

// Layer, colour, name and number; appends and counts.
CEntity* CDxfReader::Place(std::unique_ptr<CEntity> entity) {
    entity->m_layer = LayerIndex();
    // 256 (by layer), 0 (by block) and negative numbers (layer off) have no colour of their
    // own here: they get white, entry 0.
    const auto& rgb =
        AciPalette[(m_color >= 0 && m_color <= 255) ? static_cast<size_t>(m_color) : 0];
    for (int i = 0; i < 3; ++i) {
        entity->m_color[i] = rgb[static_cast<size_t>(i)];
    }
    if (!m_handle.empty()) {
        std::string name;
        m_decoder.DecodeInto(m_handle, name);
        entity->m_name = name;
    }
    CEntity* raw = entity.get();
    const int layer = entity->m_layer;
    m_out.Add(std::move(entity), layer);
    ++m_count;
    return raw;
}

void CDxfReader::FlushPolyline() {
    CPoly& poly = *m_polyline;
    const bool flat = (m_polyFlags & kWorldVertexFlags) == 0;
    const std::optional<CMatrix4> frame = flat ? OwnFrame(m_polyExtrusion) : std::nullopt;
    poly.m_vertices.reserve(poly.m_vertices.size() + m_vertices.size() + 1);
    for (const CVec3& v : m_vertices) {
        // A 2D polyline's height is its header's; world vertices carry their own.
        CPoint3 p(v.x, v.y, (flat && m_polyHasZ) ? m_polyHeaderZ : v.z);
        p.z += m_polyElevation;
        poly.AddVertex(frame ? p.TransformedBy(*frame) : p);
    }
    if ((m_polyFlags & 1) && poly.GetVertexCount() > 0) {
        poly.AddVertex(poly[0]);
    }
    m_vertices.clear();
    m_polyline = nullptr;
}

void CDxfReader::FinishPending() {
    if (m_section != kSectionEntities) {
        return;
    }
    if (m_paperSpace) {
        // The active sheet layout (title block, notes) is in paper units on a sheet of its
        // own; only model space belongs in the drawing.
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
            auto t = NewEntity<CText>();
            t->m_position = OwnToWorld(CPoint3(m_x[0], m_y[0], m_z[0]));
            t->m_height = m_size;
            t->m_rotation = m_angle1;
            t->m_font = 3;
            m_decoder.DecodeInto(m_text, t->m_text);
            t->m_axis = m_extrusion;
            Place(std::move(t));
            ResetAfterEntity();
            break;
        }
        case kKindPolyline: {
            m_polyline = static_cast<CPoly*>(Place(NewEntity<CPoly>()));
            m_vertices.clear();
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
            if (m_polyline && !faceRecord) {
                m_vertices.emplace_back(m_x[0], m_y[0], m_z[0]);
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
        case kKindLwPolyline: {
            auto p = NewEntity<CPoly>();
            const std::optional<CMatrix4> frame = OwnFrame(m_extrusion);
            p->m_vertices.reserve(m_vertices.size() + 1);
            for (const CVec3& v : m_vertices) {
                const CPoint3 q(v.x, v.y, v.z + m_elevation);
                p->AddVertex(frame ? q.TransformedBy(*frame) : q);
            }
            if ((m_flags & 1) && p->GetVertexCount() > 0) {
                p->AddVertex((*p)[0]);
            }
            m_vertices.clear();
            Place(std::move(p));
            ResetAfterEntity();
            break;
        }
        default:
            // Ignored kinds, and words of no kind: nothing of theirs reaches the next entity.
            ResetAfterEntity();
            break;
    }
}

}  // namespace

SImportResult ReadDxfFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    result.layerMatch = ELayerMatch::ByName;
    CImportCollector out(result);
    CLineReader lines;
    std::string reason;
    if (!lines.Open(source, reason)) {
        out.FileError(reason);
        result.outcome = EImportOutcome::Refused;
        result.unreadable = true;
        return result;
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    int count = 0;
    // What was read before memory ran out is taken.
    RunReading(result, EImportOutcome::Incomplete, [&] {
        CDxfReader reader(out, lines, meter);
        reader.Run();
        count = reader.Count();
    });
    if (meter.Cancelled()) {
        return CancelledResult();
    }
    if (result.outcome != EImportOutcome::Complete) {
        return result;
    }
    if (lines.Failed()) {
        ApplyStop(result, ReadFailedStop(lines.ErrorText()));
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
