#include "exchange/DxfExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/AtomicFile.h"
#include "document/Cp1250.h"
#include "document/Progress.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/DxfEntities.h"
#include "exchange/DxfText.h"
#include "exchange/WorkerThreads.h"

namespace {

// The message after an export that wrote something.
constexpr char kCountMessage[] = "Liczba zapisanych do pliku DXF obiektow: %d. ";

// Records collect in memory and go to disk in pieces of about this size.
constexpr size_t kFlushBytes = size_t{1} << 20;

// The title of the export's progress; the file name follows.
constexpr char kExportTitle[] = "Eksport ";
// Entities between two looks at the progress of the serial export.
constexpr int kProgressBlockMask = 1023;

// RRGGBB of the colour numbers 0..255.
constexpr uint32_t kAciRgb[256] = {
    0xFFFFFF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080,
    0xDCDCDC, 0xFF0000, 0xFF7F7F, 0xDD0000, 0xDD6E6E, 0xB80000, 0xB85C5C, 0x950000, 0x954A4A,
    0x720000, 0x723939, 0xFF3F00, 0xFF9F7F, 0xDD3700, 0xDD8A6E, 0xB82E00, 0xB8735C, 0x952500,
    0x955D4A, 0x721C00, 0x724739, 0xFF7F00, 0xFFBF7F, 0xDD6E00, 0xDDA56E, 0xB85C00, 0xB88A5C,
    0x954A00, 0x95704A, 0x723900, 0x725639, 0xFFBF00, 0xFFDF7F, 0xDDA500, 0xDDC16E, 0xB88A00,
    0xB8A15C, 0x957000, 0x95834A, 0x725600, 0x726439, 0xFFFF00, 0xFFFF7F, 0xDDDD00, 0xDDDD6E,
    0xB8B800, 0xB8B85C, 0x959500, 0x95954A, 0x727200, 0x727239, 0xBFFF00, 0xDFFF7F, 0xA5DD00,
    0xC1DD6E, 0x8AB800, 0xA1B85C, 0x709500, 0x83954A, 0x567200, 0x647239, 0x7FFF00, 0xBFFF7F,
    0x6EDD00, 0xA5DD6E, 0x5CB800, 0x8AB85C, 0x4A9500, 0x70954A, 0x397200, 0x567239, 0x3FFF00,
    0x9FFF7F, 0x37DD00, 0x8ADD6E, 0x2EB800, 0x73B85C, 0x259500, 0x5D954A, 0x1C7200, 0x477239,
    0x00FF00, 0x7FFF7F, 0x00DD00, 0x6EDD6E, 0x00B800, 0x5CB85C, 0x009500, 0x4A954A, 0x007200,
    0x397239, 0x00FF3F, 0x7FFF9F, 0x00DD37, 0x6EDD8A, 0x00B82E, 0x5CB873, 0x009525, 0x4A955D,
    0x00721C, 0x397247, 0x00FF7F, 0x7FFFBF, 0x00DD6E, 0x6EDDA5, 0x00B85C, 0x5CB88A, 0x00954A,
    0x4A9570, 0x007239, 0x397256, 0x00FFBF, 0x7FFFDF, 0x00DDA5, 0x6EDDC1, 0x00B88A, 0x5CB8A1,
    0x009570, 0x4A9583, 0x007256, 0x397264, 0x00FFFF, 0x7FFFFF, 0x00DDDD, 0x6EDDDD, 0x00B8B8,
    0x5CB8B8, 0x009595, 0x4A9595, 0x007272, 0x397272, 0x00BFFF, 0x7FDFFF, 0x00A5DD, 0x6EC1DD,
    0x008AB8, 0x5CA1B8, 0x007095, 0x4A8395, 0x005672, 0x396472, 0x007FFF, 0x7FBFFF, 0x006EDD,
    0x6EA5DD, 0x005CB8, 0x5C8AB8, 0x004A95, 0x4A7095, 0x003972, 0x395672, 0x003FFF, 0x7F9FFF,
    0x0037DD, 0x6E8ADD, 0x002EB8, 0x5C73B8, 0x002595, 0x4A5D95, 0x001C72, 0x394772, 0x0000FF,
    0x7F7FFF, 0x0000DD, 0x6E6EDD, 0x0000B8, 0x5C5CB8, 0x000095, 0x4A4A95, 0x000072, 0x393972,
    0x3F00FF, 0x9F7FFF, 0x3700DD, 0x8A6EDD, 0x2E00B8, 0x735CB8, 0x250095, 0x5D4A95, 0x1C0072,
    0x473972, 0x7F00FF, 0xBF7FFF, 0x6E00DD, 0xA56EDD, 0x5C00B8, 0x8A5CB8, 0x4A0095, 0x704A95,
    0x390072, 0x563972, 0xBF00FF, 0xDF7FFF, 0xA500DD, 0xC16EDD, 0x8A00B8, 0xA15CB8, 0x700095,
    0x834A95, 0x560072, 0x643972, 0xFF00FF, 0xFF7FFF, 0xDD00DD, 0xDD6EDD, 0xB800B8, 0xB85CB8,
    0x950095, 0x954A95, 0x720072, 0x723972, 0xFF00BF, 0xFF7FDF, 0xDD00A5, 0xDD6EC1, 0xB8008A,
    0xB85CA1, 0x950070, 0x954A83, 0x720056, 0x723964, 0xFF007F, 0xFF7FBF, 0xDD006E, 0xDD6EA5,
    0xB8005C, 0xB85C8A, 0x95004A, 0x954A70, 0x720039, 0x723956, 0xFF003F, 0xFF7F9F, 0xDD0037,
    0xDD6E8A, 0xB8002E, 0xB85C73, 0x950025, 0x954A5D, 0x72001C, 0x723947, 0x545454, 0x767676,
    0x989898, 0xBABABA, 0xDCDCDC, 0xFFFFFF,
};

std::array<std::array<double, 3>, 256> MakePalette() {
    std::array<std::array<double, 3>, 256> p{};
    for (size_t i = 0; i < 256; ++i) {
        p[i][0] = static_cast<double>((kAciRgb[i] >> 16) & 0xFF) / 255.0;
        p[i][1] = static_cast<double>((kAciRgb[i] >> 8) & 0xFF) / 255.0;
        p[i][2] = static_cast<double>(kAciRgb[i] & 0xFF) / 255.0;
    }
    return p;
}

// A small cache in front of NearestAciColor: drawings use few colours, and the palette search
// would otherwise dominate the export of simple entities.
class CColorCache {
public:
    int Lookup(const double rgb[3]) {
        uint64_t bits[3];
        std::memcpy(bits, rgb, sizeof bits);
        const uint64_t h = (bits[0] * 0x9E3779B97F4A7C15ULL) ^ (bits[1] * 0xC2B2AE3D27D4EB4FULL) ^
                           (bits[2] * 0x165667B19E3779F9ULL);
        // A few neighbouring slots per colour: with one, two colours of a drawing that share a
        // slot would push each other out on every entity and pay the palette search each time.
        const size_t home = h >> 52;
        for (size_t k = 0; k < kProbes; ++k) {
            SSlot& slot = m_slots[(home + k) % kSlots];
            if (!slot.used) {
                return Fill(slot, bits, rgb);
            }
            if (std::memcmp(slot.bits, bits, sizeof bits) == 0) {
                return slot.number;
            }
        }
        return Fill(m_slots[home], bits, rgb);
    }

private:
    static constexpr size_t kSlots = 4096;  // the home slot is the top 12 bits of the hash
    static constexpr size_t kProbes = 8;
    struct SSlot {
        uint64_t bits[3];
        int number;
        bool used = false;
    };
    static int Fill(SSlot& slot, const uint64_t bits[3], const double rgb[3]) {
        slot.used = true;
        std::memcpy(slot.bits, bits, sizeof slot.bits);
        slot.number = NearestAciColor(rgb);
        return slot.number;
    }

    std::vector<SSlot> m_slots = std::vector<SSlot>(kSlots);
};

}  // namespace

const std::array<std::array<double, 3>, 256> AciPalette = MakePalette();

int NearestAciColor(const double rgb[3]) {
    int best = 7;
    double bestDistance =
        std::fabs(rgb[0] - 1.0) + std::fabs(rgb[1] - 1.0) + std::fabs(rgb[2] - 1.0);
    for (int i = 1; i < 256; ++i) {
        const auto& c = AciPalette[static_cast<size_t>(i)];
        const double d =
            std::fabs(rgb[0] - c[0]) + std::fabs(rgb[1] - c[1]) + std::fabs(rgb[2] - c[2]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------------------------
// Numbers

namespace {

// "00" to "99".
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

size_t FormatDxfNumber(double value, char* out) {
    // Most drawing values have |v| * 1e6 below 2^52: then the value in millionths is known
    // exactly as the product plus its rounding error, and its nearest integer is found without
    // the general algorithm, unless the value lies too close to a rounding tie to be sure.
    const double a = std::fabs(value);
    if (a < 4e9) {
        const double p = a * 1e6;
        // The rounding error of the product, exactly (Dekker: a split into two halves of 26
        // bits, whose products with 1e6, a number of 20 bits, are exact).
        const double big = a * 134217729.0;  // 2^27 + 1
        const double high = big - (big - a);
        const double low = a - high;
        const double err = (high * 1e6 - p) + low * 1e6;  // a * 1e6 == p + err
        // p < 2^52: adding and taking away 2^52 rounds it to the nearest integer, ties to even.
        const double n = (p + 4503599627370496.0) - 4503599627370496.0;
        const double off = (p - n) + err;  // p - n is exact
        if (std::fabs(std::fabs(off) - 0.5) > 1e-6) {
            uint64_t millionths = static_cast<uint64_t>(n);
            if (off > 0.5) {
                ++millionths;
            } else if (off < -0.5) {
                --millionths;
            }
            char* o = out;
            if (std::signbit(value)) {
                *o++ = '-';
            }
            o = std::to_chars(o, o + 16, millionths / 1000000).ptr;
            *o++ = '.';
            // The six decimals two at a time.
            uint32_t fraction = static_cast<uint32_t>(millionths % 1000000);
            for (int pair = 2; pair >= 0; --pair) {
                std::memcpy(o + pair * 2, kDigitPairs + (fraction % 100) * 2, 2);
                fraction /= 100;
            }
            return static_cast<size_t>(o + 6 - out);
        }
    }
    const auto r = std::to_chars(out, out + kDxfNumberChars, value, std::chars_format::fixed, 6);
    return static_cast<size_t>(r.ptr - out);
}

// ---------------------------------------------------------------------------------------------
// CDxfWriter

// Records are written straight into room made beforehand: every entity reserves what its
// longest form can take.
void CDxfWriter::Reserve(size_t more) {
    if (m_size + more > m_buf.size()) {
        m_buf.resize(std::max(m_buf.size() * 2, m_size + more + 4096));
    }
}

void CDxfWriter::Put(std::string_view text) {
    std::memcpy(m_buf.data() + m_size, text.data(), text.size());
    m_size += text.size();
}

void CDxfWriter::Line(std::string_view value) {
    Put(value);
    Lit("\r\n");
}

void CDxfWriter::Num(double value) {
    m_size += FormatDxfNumber(value, m_buf.data() + m_size);
    Lit("\r\n");
}

void CDxfWriter::Int(int value) {
    const auto r = std::to_chars(m_buf.data() + m_size, m_buf.data() + m_size + 16, value);
    m_size = static_cast<size_t>(r.ptr - m_buf.data());
    Lit("\r\n");
}

// Room for the fixed text of a record, a layer name and count numbers.
constexpr size_t Room(size_t layer, size_t numbers) {
    return 160 + layer + numbers * (kDxfNumberChars + 8);
}

void CDxfWriter::Common(std::string_view kind, const std::string& layerName, int colorNumber) {
    Lit("  0\r\n");
    Line(kind);
    Lit("  8\r\n");
    Line(layerName);
    Lit(" 62\r\n");
    Int(colorNumber);
}

void CDxfWriter::WriteHeader(const std::vector<std::string>& layerNames,
                             const std::vector<bool>& layerHidden) {
    Reserve(Room(0, 0) + 600);
    Lit("999\r\n");
    Line(kHeader211);
    // Other programs read the names and texts by the code page stated here.
    Lit("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n"
        "  9\r\n$DWGCODEPAGE\r\n  3\r\nANSI_1250\r\n  0\r\nENDSEC\r\n");
    Lit("  0\r\nSECTION\r\n  2\r\nTABLES\r\n"
        "  0\r\nTABLE\r\n  2\r\nLTYPE\r\n 70\r\n1\r\n"
        "  0\r\nLTYPE\r\n  2\r\nCONTINUOUS\r\n 70\r\n0\r\n  3\r\nSolid line\r\n"
        " 72\r\n65\r\n 73\r\n0\r\n 40\r\n0.0\r\n  0\r\nENDTAB\r\n"
        "  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n");
    Int(static_cast<int>(layerNames.size()));
    for (size_t i = 0; i < layerNames.size(); ++i) {
        Reserve(Room(layerNames[i].size(), 0));
        Lit("  0\r\nLAYER\r\n  2\r\n");
        Line(layerNames[i]);
        // A negative colour number turns the layer off.
        if (i < layerHidden.size() && layerHidden[i]) {
            Lit(" 70\r\n0\r\n 62\r\n-7\r\n  6\r\nCONTINUOUS\r\n");
        } else {
            Lit(" 70\r\n0\r\n 62\r\n7\r\n  6\r\nCONTINUOUS\r\n");
        }
    }
    Reserve(Room(0, 0));
    Lit("  0\r\nENDTAB\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n");
}

void CDxfWriter::WriteFooter() {
    Reserve(Room(0, 0));
    Lit("  0\r\nENDSEC\r\n  0\r\nEOF");
}

void CDxfWriter::WritePnt(const CPnt& pnt, const std::string& layerName, int colorNumber) {
    Reserve(Room(layerName.size(), 3));
    Common("POINT", layerName, colorNumber);
    Lit(" 10\r\n");
    Num(pnt.m_point.x);
    Lit(" 20\r\n");
    Num(pnt.m_point.y);
    Lit(" 30\r\n");
    Num(pnt.m_point.z);
}

void CDxfWriter::WritePoly(const CPoly& poly, const std::string& layerName, int colorNumber) {
    Reserve(Room(layerName.size(), 3));
    Common("POLYLINE", layerName, colorNumber);
    Lit(" 66\r\n1\r\n 10\r\n0.000000\r\n 20\r\n0.000000\r\n 30\r\n0.000000\r\n");
    // A 3D polyline; polygons also carry the closed bit, so other programs draw their closing
    // edge (the vertices never repeat the first one).
    if (poly.m_closed) {
        Lit(" 70\r\n9\r\n");
    } else {
        Lit(" 70\r\n8\r\n");
    }
    for (const CPoint3& v : poly.m_vertices) {
        Reserve(Room(layerName.size(), 3));
        Lit("  0\r\nVERTEX\r\n  8\r\n");
        Line(layerName);
        Lit(" 10\r\n");
        Num(v.x);
        Lit(" 20\r\n");
        Num(v.y);
        Lit(" 30\r\n");
        Num(v.z);
        Lit(" 70\r\n32\r\n");
    }
    Reserve(Room(layerName.size(), 0));
    Lit("  0\r\nSEQEND\r\n  8\r\n");
    Line(layerName);
}

namespace {

// A point in the own coordinate system of an entity with this axis, as readers of DXF take it;
// the world's own for the world's z axis (and a zero one), as the importer reads them.
CPoint3 OwnPoint(const CPoint3& p, const CVec3& axis) {
    const std::optional<CMatrix4> frame = OwnFrame(axis);
    if (!frame) {
        return p;
    }
    // The frame is a rotation: its inverse is its transpose.
    const CPoint3 o(0.0, 0.0, 0.0);
    const CVec3 x = CPoint3(1.0, 0.0, 0.0).TransformedBy(*frame) - o;
    const CVec3 y = CPoint3(0.0, 1.0, 0.0).TransformedBy(*frame) - o;
    const CVec3 z = CPoint3(0.0, 0.0, 1.0).TransformedBy(*frame) - o;
    const CVec3 v = p - o;
    return {Dot(v, x), Dot(v, y), Dot(v, z)};
}

}  // namespace

void CDxfWriter::WriteArc(const CArc& arc, const std::string& layerName, int colorNumber) {
    const bool circle = std::fabs(arc.m_length - 360.0) < 1e-8;
    Reserve(Room(layerName.size(), 9));
    Common(circle ? "CIRCLE" : "ARC", layerName, colorNumber);
    const CPoint3 centre = OwnPoint(arc.m_center, arc.m_axis);
    Lit(" 10\r\n");
    Num(centre.x);
    Lit(" 20\r\n");
    Num(centre.y);
    Lit(" 30\r\n");
    Num(centre.z);
    Lit(" 40\r\n");
    Num(arc.m_radius);
    if (!circle) {
        Lit(" 50\r\n");
        Num(arc.m_start);
        Lit(" 51\r\n");
        Num(std::fmod(arc.m_start + arc.m_length, 360.0));
    }
    Lit("210\r\n");
    Num(arc.m_axis.x);
    Lit("220\r\n");
    Num(arc.m_axis.y);
    Lit("230\r\n");
    Num(arc.m_axis.z);
}

void CDxfWriter::WriteText(const CText& text, const std::string& layerName, int colorNumber) {
    const std::string value = EncodeDxfText(text.m_text);
    Reserve(Room(layerName.size() + value.size(), 8));
    Common("TEXT", layerName, colorNumber);
    const CPoint3 position = OwnPoint(text.m_position, text.m_axis);
    Lit(" 10\r\n");
    Num(position.x);
    Lit(" 20\r\n");
    Num(position.y);
    Lit(" 30\r\n");
    Num(position.z);
    Lit(" 40\r\n");
    Num(text.m_height);
    Lit("  1\r\n");
    Line(value);
    Lit(" 50\r\n");
    Num(text.m_rotation);
    Lit("210\r\n");
    Num(text.m_axis.x);
    Lit("220\r\n");
    Num(text.m_axis.y);
    Lit("230\r\n");
    Num(text.m_axis.z);
}

// ---------------------------------------------------------------------------------------------
// Layer names

std::vector<std::string> DxfLayerNames(const CTAVDoc& doc) {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(doc.GetLayerCount()));
    std::unordered_set<std::string> taken;
    std::unordered_map<std::string, int> nextSuffix;
    const auto key = [](std::string name) {
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return name;
    };
    for (int i = 0; i < doc.GetLayerCount(); ++i) {
        // Characters the code page lacks come out as '?', which names may not hold either.
        std::string name = Utf8ToCp1250(doc.GetLayer(i).m_name);
        for (char& c : name) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7F || std::strchr("<>/\\\":;?*|=`", c) != nullptr) {
                c = '_';
            }
        }
        if (name.empty()) {
            name = "_";
        }
        std::string unique = name;
        if (!taken.insert(key(unique)).second) {
            // The next suffix to try for this name: many equal names stay linear.
            int& n = nextSuffix.try_emplace(key(name), 2).first->second;
            do {
                unique = name + "_" + std::to_string(n++);
            } while (!taken.insert(key(unique)).second);
        }
        names.push_back(std::move(unique));
    }
    return names;
}

// ---------------------------------------------------------------------------------------------
// ExportDxfFile

namespace {

// Entities per piece of the parallel export, and the most pieces formatted ahead of the one
// being written for each worker (bounds the memory whatever the drawing's size).
constexpr int kPieceEntities = 4096;
constexpr int kPiecesAheadPerWorker = 2;

// What one thread needs to format entities: the shared layer names, its own writer and cache.
class CEntityFormatter {
public:
    CEntityFormatter(const CTAVDoc& doc, const std::vector<std::string>& layerNames)
        : m_doc(doc), m_layerNames(layerNames) {}

    void Format(int begin, int end, CDxfWriter& writer) {
        for (int i = begin; i < end; ++i) {
            const CEntity& e = *m_doc.GetEntity(i);
            const bool layerOk = e.m_layer >= 0 && e.m_layer < m_doc.GetLayerCount();
            e.WriteDxf(writer,
                       layerOk ? m_layerNames[static_cast<size_t>(e.m_layer)] : m_defaultLayer,
                       m_colors.Lookup(e.m_color));
        }
    }

private:
    const CTAVDoc& m_doc;
    const std::vector<std::string>& m_layerNames;
    // An entity whose layer index is broken goes to DXF's own default layer.
    const std::string m_defaultLayer = "0";
    CColorCache m_colors;
};

void WriteOrThrow(CAtomicFile& file, std::string_view bytes) {
    std::string error;
    if (!file.Write(bytes.data(), bytes.size(), error)) {
        throw std::runtime_error(error);
    }
}

// One thread: the records go to the file whenever the buffer holds enough.
void WriteEntitiesSerially(const CTAVDoc& doc, const std::vector<std::string>& layerNames,
                           CDxfWriter& writer, CAtomicFile& file, CProgressMeter& meter) {
    CEntityFormatter formatter(doc, layerNames);
    const int count = doc.GetEntityCount();
    for (int i = 0; i < count; ++i) {
        if ((i & kProgressBlockMask) == 0) {
            meter.Check(static_cast<double>(i) / count);
        }
        formatter.Format(i, i + 1, writer);
        if (writer.Bytes().size() >= kFlushBytes) {
            WriteOrThrow(file, writer.Bytes());
            writer.Clear();
        }
    }
}

// Workers format pieces of consecutive entities into a ring of buffers; this thread writes
// the pieces in order, so the file is byte for byte what one thread writes.
void WriteEntitiesInParallel(const CTAVDoc& doc, const std::vector<std::string>& layerNames,
                             int workerCount, CAtomicFile& file, CProgressMeter& meter) {
    const int count = doc.GetEntityCount();
    const int pieces = (count + kPieceEntities - 1) / kPieceEntities;
    const int ring = workerCount * kPiecesAheadPerWorker;
    struct SSlot {
        CDxfWriter writer;
        bool ready = false;
    };
    std::vector<SSlot> slots(static_cast<size_t>(ring));
    std::mutex mutex;
    std::condition_variable changed;
    int nextPiece = 0;      // the next piece a worker takes
    int writtenPieces = 0;  // pieces already in the file; their slots are free again
    bool stop = false;
    std::exception_ptr failure;

    auto work = [&] {
        CEntityFormatter formatter(doc, layerNames);
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] {
                return stop || nextPiece >= pieces || nextPiece < writtenPieces + ring;
            });
            if (stop || nextPiece >= pieces) {
                return;
            }
            const int piece = nextPiece++;
            SSlot& slot = slots[static_cast<size_t>(piece % ring)];
            lock.unlock();
            std::exception_ptr error;
            try {
                slot.writer.Clear();
                const int begin = piece * kPieceEntities;
                formatter.Format(begin, std::min(count, begin + kPieceEntities), slot.writer);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error) {
                if (!failure) {
                    failure = error;
                }
                stop = true;
            } else {
                slot.ready = true;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> workers;
    try {
        for (int w = 0; w < workerCount; ++w) {
            workers.emplace_back(work);
        }
        for (int piece = 0; piece < pieces; ++piece) {
            // A stop unwinds through the catch below, which stops the workers.
            meter.Check(static_cast<double>(piece) / pieces);
            SSlot& slot = slots[static_cast<size_t>(piece % ring)];
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return slot.ready || stop; });
                if (!slot.ready) {
                    break;  // a worker failed
                }
            }
            WriteOrThrow(file, slot.writer.Bytes());
            std::lock_guard<std::mutex> lock(mutex);
            slot.ready = false;
            writtenPieces = piece + 1;
            changed.notify_all();
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure) {
            failure = std::current_exception();
        }
        stop = true;
        changed.notify_all();
    }
    for (std::thread& t : workers) {
        t.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// Workers for a drawing of count entities: none below a few pieces, where starting threads
// costs more than it saves.
int ExportWorkers(int count) {
    const unsigned hardware = std::thread::hardware_concurrency();
    if (hardware < 2 || !WorkerThreadsAllowed() || count < 4 * kPieceEntities) {
        return 0;
    }
    return static_cast<int>(std::min(hardware, 4u));
}

}  // namespace

bool ExportDxfFile(CTAVDoc& doc, const std::string& path, CProgress* progress) {
    CPrompter& prompter = doc.Prompter();
    CAtomicFile file;
    std::string error;
    if (!file.Open(path, error)) {
        prompter.ReportFileError(path, error);
        return false;
    }
    const int count = doc.GetEntityCount();
    bool failed = false;
    {
        // The meter ends (and a progress dialog goes) before any message is shown.
        const size_t slash = path.find_last_of('/');
        CProgressMeter meter(
            progress, kExportTitle + (slash == std::string::npos ? path : path.substr(slash + 1)));
        try {
            CWaitCursor wait(&prompter);
            const std::vector<std::string> layerNames = DxfLayerNames(doc);
            std::vector<bool> hidden;
            for (int i = 0; i < doc.GetLayerCount(); ++i) {
                hidden.push_back(doc.GetLayer(i).m_visible == 0);
            }
            CDxfWriter writer;
            writer.WriteHeader(layerNames, hidden);
            const int workers = ExportWorkers(count);
            if (workers > 0) {
                WriteOrThrow(file, writer.Bytes());
                writer.Clear();
                WriteEntitiesInParallel(doc, layerNames, workers, file, meter);
            } else {
                WriteEntitiesSerially(doc, layerNames, writer, file, meter);
            }
            writer.WriteFooter();
            WriteOrThrow(file, writer.Bytes());
            if (!file.Commit(error)) {
                throw std::runtime_error(error);
            }
        } catch (const CWorkCancelled&) {
            file.Discard();
            return false;
        } catch (const std::bad_alloc&) {
            error = "Not enough memory to export the drawing.";
            failed = true;
        } catch (const std::runtime_error& e) {
            error = e.what();
            failed = true;
        }
    }
    if (failed) {
        file.Discard();
        prompter.ReportFileError(path, error);
        return false;
    }
    if (count > 0) {
        char text[96];
        std::snprintf(text, sizeof text, kCountMessage, count);
        prompter.ShowMessage(text, CPrompter::EIcon::Warning);
    }
    return true;
}
