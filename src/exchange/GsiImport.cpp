#include "exchange/GsiImport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "document/Cp1250.h"
#include "document/Progress.h"
#include "exchange/DecodePipeline.h"
#include "exchange/LineReader.h"
#include "exchange/ScanNumbers.h"
#include "exchange/SurveyPoints.h"

namespace {

// The reader's messages.
constexpr char kNoLabelWi[] = "Can not find point label WI!";
constexpr char kNoHzWi[] = "Can not find Hz WI!";
constexpr char kBadHz[] = "Can not read Hz value!";
constexpr char kHzUnits[] = "Unrecognized Hz units: ";
constexpr char kNoVWi[] = "Can not find V WI!";
constexpr char kBadV[] = "Can not read V value!";
constexpr char kVUnits[] = "Unrecognized V units: ";
constexpr char kNoSdWi[] = "Can not find SD WI!";
constexpr char kBadSd[] = "Can not read SD value!";
constexpr char kSdUnits[] = "Unrecognized SD units: ";
constexpr char kNoMemory[] = "Can not allocat memory!";

constexpr char kWordValue[] = "Can not read WI ";
constexpr char kWordUnits[] = "Unrecognized WI ";
constexpr char kLongLine[] = "The line is too long!";

// Angles are integers with five implied decimals (mil: four).
constexpr double kGonToRad = 1.570796326794897e-7;
constexpr double kDegreeToRad = kDegToRad * 1e-5;
constexpr double kMilToRad = kDegToRad * 360.0 / 6400.0 * 1e-4;

// The words of one block, by WI; the first of a WI counts.
struct SGsiBlock {
    std::string_view byWi[100];
    uint64_t seen[2] = {0, 0};
    int first[4] = {-1, -1, -1, -1};  // the WIs of the first four words
    int count = 0;
    size_t dataSize = 16;  // 8 for GSI-8

    void Clear(size_t data) {
        seen[0] = seen[1] = 0;
        first[0] = first[1] = first[2] = first[3] = -1;
        count = 0;
        dataSize = data;
    }
    void Add(int wi, std::string_view word) {
        if (count < 4) {
            first[count] = wi;
        }
        ++count;
        if (wi >= 0 && !Has(wi)) {
            byWi[wi] = word;
            seen[wi >> 6] |= uint64_t{1} << (wi & 63);
        }
    }
    bool Has(int wi) const { return (seen[wi >> 6] >> (wi & 63)) & 1; }
    std::string_view Get(int wi) const { return Has(wi) ? byWi[wi] : std::string_view(); }
    // Sign and data of a word.
    std::string_view Data(std::string_view word) const { return word.substr(6, 1 + dataSize); }
    // Data of a text word without leading blanks and zeros.
    std::string_view Text(int wi) const {
        std::string_view t = Get(wi);
        if (t.empty()) {
            return t;
        }
        t = t.substr(7, dataSize);
        while (!t.empty() && (t.front() == ' ' || t.front() == '0')) {
            t.remove_prefix(1);
        }
        return t;
    }
};

int WiOf(std::string_view word) {
    const unsigned a = static_cast<unsigned char>(word[0]) - '0';
    const unsigned b = static_cast<unsigned char>(word[1]) - '0';
    return a < 10 && b < 10 ? static_cast<int>(a * 10 + b) : -1;
}

// Sign and data of a word, as "%lf" reads them.
bool ReadValue(const SGsiBlock& block, std::string_view word, double& out) {
    std::string_view data = block.Data(word);
    return (block.dataSize == 16 ? ScanSignedSixteenDigits(data, out)
                                 : ScanSignedEightDigits(data, out)) ||
           ScanDouble(data, out);
}

// DDD.MMSSs with five implied decimals to radians; false for minutes or seconds of 60 and more.
bool SexagesimalToRad(double value, double& rad) {
    const double a = std::fabs(value);
    if (!(a < 1e15)) {
        return false;
    }
    const double degrees = std::floor(a / 1e5);
    const double rest = a - degrees * 1e5;
    const double minutes = std::floor(rest / 1e3);
    const double seconds = (rest - minutes * 1e3) / 10.0;
    if (minutes >= 60.0 || seconds >= 60.0) {
        return false;
    }
    const double deg = degrees + minutes / 60.0 + seconds / 3600.0;
    rad = (value < 0 ? -deg : deg) * kDegToRad;
    return true;
}

// To millimetres.
bool DistanceFactor(char unit, double& factor) {
    switch (unit) {
        case '0':
            factor = 1.0;
            return true;
        case '1':
            factor = 0.3048;
            return true;
        case '6':
            factor = 0.1;
            return true;
        case '7':
            factor = 0.03048;
            return true;
        case '8':
            factor = 0.01;
            return true;
        default:
            return false;
    }
}

struct SFault {
    EGsiError error = EGsiError::None;
    char unit = 0;
    int wi = 0;
};

// The errors of one angle word.
struct SAngleErrors {
    EGsiError wi, value, unit;
};
constexpr SAngleErrors kHzErrors{EGsiError::HzWi, EGsiError::HzValue, EGsiError::HzUnit};
constexpr SAngleErrors kVErrors{EGsiError::VWi, EGsiError::VValue, EGsiError::VUnit};

// One angle word: WI, value, unit, in that order.
bool ReadAngle(const SGsiBlock& block, int wi, const SAngleErrors& errors, double& radians,
               SFault& fault) {
    const std::string_view word = block.Get(wi);
    if (word.empty()) {
        fault.error = errors.wi;
        return false;
    }
    double value = 0.0;
    if (!ReadValue(block, word, value)) {
        fault.error = errors.value;
        return false;
    }
    switch (word[5]) {
        case '2':
            radians = value * kGonToRad;
            return true;
        case '3':
            radians = value * kDegreeToRad;
            return true;
        case '4':
            if (!SexagesimalToRad(value, radians)) {
                fault.error = errors.value;
                return false;
            }
            return true;
        case '5':
            radians = value * kMilToRad;
            return true;
        default:
            fault.error = errors.unit;
            fault.unit = word[5];
            return false;
    }
}

// A distance or coordinate word in millimetres; SD has the reader's own messages.
bool ReadDistance(const SGsiBlock& block, int wi, double& mm, SFault& fault) {
    const std::string_view word = block.Get(wi);
    const bool sd = wi == 31;
    if (word.empty()) {
        fault.error = EGsiError::SdWi;
        return false;
    }
    double value = 0.0;
    if (!ReadValue(block, word, value)) {
        fault.error = sd ? EGsiError::SdValue : EGsiError::WordValue;
        fault.wi = wi;
        return false;
    }
    double factor = 0.0;
    if (!DistanceFactor(word[5], factor)) {
        fault.error = sd ? EGsiError::SdUnit : EGsiError::WordUnit;
        fault.unit = word[5];
        fault.wi = wi;
        return false;
    }
    mm = value * factor;
    return true;
}

// The polar measurement in the instrument system. One copy of the arithmetic, so every way to
// a point gets the same bits.
[[gnu::noinline]] CPoint3 PolarPoint(double hz, double v, double sd) {
    const double horizontal = sd * std::sin(v);
    return CPoint3(horizontal * std::cos(hz), horizontal * std::sin(hz), sd * std::cos(v));
}

// A point as decoded: the polar words themselves, reduced where the points are made so that the
// decoding thread stays the lighter one, or the point already reduced; and the station's offset.
struct SGsiPoint {
    bool polar = false;
    double a = 0, b = 0, c = 0;  // Hz, V, SD (radians, millimetres) or X, Y, Z
    bool fromStation = false;
    double x0 = 0, y0 = 0, zi = 0, r = 0;  // station, station height plus instrument, reflector

    CPoint3 Resolve(bool metres) const {
        CPoint3 p = polar ? PolarPoint(a, b, c) : CPoint3(a, b, c);
        if (fromStation) {
            p = CPoint3(x0 + p.x, y0 + p.y, zi + p.z - r);
        }
        return metres ? CPoint3(p.x * 0.001, p.y * 0.001, p.z * 0.001) : p;
    }
};

// What one block does.
enum class EBlockKind { Point, Station, Code };

// Where the points of the file stand: the station in force and the code in force.
struct SGsiState {
    bool coordinatesFirst = false;
    bool stationKnown = false;
    double x0 = 0, y0 = 0, z0 = 0;  // millimetres
    double instrument = 0, reflector = 0;
    int setup = -1;
    std::vector<std::string> setupNames;
    std::string code;  // of the code block in force
};

bool PolarComplete(const SGsiBlock& b) {
    return b.Has(21) && ((b.Has(22) && b.Has(31)) || (b.Has(32) && (b.Has(22) || b.Has(33))));
}

bool CoordinatesComplete(const SGsiBlock& b) {
    return b.Has(81) && b.Has(82) && b.Has(83);
}

// The three words 81-83 (or 84-86) as X (northing), Y (easting), Z.
bool ReadTriple(const SGsiBlock& b, int first, SGsiPoint& p, SFault& fault) {
    double e = 0, n = 0, h = 0;
    if (!ReadDistance(b, first, e, fault) || !ReadDistance(b, first + 1, n, fault) ||
        !ReadDistance(b, first + 2, h, fault)) {
        return false;
    }
    p = SGsiPoint();
    p.a = n;
    p.b = e;
    p.c = h;
    return true;
}

// The polar words in the order the reader has always checked them: Hz, V, SD.
bool ReadPolar(const SGsiBlock& b, SGsiState& state, SGsiPoint& p, SFault& fault) {
    double hz = 0, v = 0;
    if (!ReadAngle(b, 21, kHzErrors, hz, fault)) {
        return false;
    }
    const bool slope = b.Has(31) || !b.Has(32);
    if ((slope || b.Has(22)) && !ReadAngle(b, 22, kVErrors, v, fault)) {
        return false;
    }
    if (slope) {
        double sd = 0;
        if (!ReadDistance(b, 31, sd, fault)) {
            return false;
        }
        p = SGsiPoint();
        p.polar = true;
        p.a = hz;
        p.b = v;
        p.c = sd;
    } else {
        double hd = 0, dh = 0;
        if (!ReadDistance(b, 32, hd, fault)) {
            return false;
        }
        if (b.Has(33)) {
            if (!ReadDistance(b, 33, dh, fault)) {
                return false;
            }
        } else {
            const double s = std::sin(v);
            dh = s != 0.0 ? hd * std::cos(v) / s : 0.0;
        }
        p = SGsiPoint();
        p.a = hd * std::cos(hz);
        p.b = hd * std::sin(hz);
        p.c = dh;
    }
    if (state.stationKnown) {
        // Heights stay in force until the instrument records new ones.
        if ((b.Has(87) && !ReadDistance(b, 87, state.reflector, fault)) ||
            (b.Has(88) && !ReadDistance(b, 88, state.instrument, fault))) {
            return false;
        }
        p.fromStation = true;
        p.x0 = state.x0;
        p.y0 = state.y0;
        p.zi = state.z0 + state.instrument;
        p.r = state.reflector;
    }
    return true;
}

void StartSetup(SGsiState& state, std::string_view name) {
    std::string n = LabelToUtf8(name);
    if (n.empty()) {
        n = "Stanowisko " + std::to_string(state.setupNames.size() + 1);
    }
    const auto it = std::find(state.setupNames.begin(), state.setupNames.end(), n);
    if (it != state.setupNames.end()) {
        state.setup = static_cast<int>(it - state.setupNames.begin());
    } else {
        state.setup = static_cast<int>(state.setupNames.size());
        state.setupNames.push_back(std::move(n));
    }
    state.code.clear();
}

// The text of a code block: the code and its information words.
std::string CodeText(const SGsiBlock& b) {
    std::string text(b.Text(41));
    for (int wi = 42; wi <= 49; ++wi) {
        const std::string_view info = b.Text(wi);
        if (!info.empty()) {
            text += ' ';
            text += info;
        }
    }
    return LabelToUtf8(text);
}

// Decodes one block against the state: a point (point set), a station or a code (state set).
bool DecodeBlock(const SGsiBlock& b, SGsiState& state, EBlockKind& kind, SGsiPoint& point,
                 SFault& fault) {
    if (b.count == 0 || (b.first[0] != 11 && b.first[0] != 41)) {
        fault.error = EGsiError::LabelWi;
        return false;
    }
    if (b.first[0] == 41) {
        kind = EBlockKind::Code;
        const std::string_view code = b.Text(41);
        if (code == "2" && !b.Text(42).empty()) {
            // A code block that starts a station: its name and instrument height.
            StartSetup(state, b.Text(42));
            state.stationKnown = false;
            state.instrument = state.reflector = 0;
            // Information words carry no unit of their own: millimetres unless one is given.
            if (b.Has(43)) {
                double factor = 1.0;
                if (!ReadValue(b, b.Get(43), state.instrument)) {
                    fault.error = EGsiError::WordValue;
                    fault.wi = 43;
                    return false;
                }
                DistanceFactor(b.Get(43)[5], factor);
                state.instrument *= factor;
            }
        } else {
            state.code = CodeText(b);
        }
        return true;
    }
    kind = EBlockKind::Point;
    const bool partForm = b.first[1] == 21 && b.first[2] == 22 && b.first[3] == 31;
    const bool coordinates = CoordinatesComplete(b);
    if (coordinates && (state.coordinatesFirst || !PolarComplete(b))) {
        return ReadTriple(b, 81, point, fault);
    }
    if (partForm || PolarComplete(b)) {
        return ReadPolar(b, state, point, fault);
    }
    const bool stationWords = b.Has(84) || b.Has(85) || b.Has(86) || b.Has(88);
    if (stationWords && !b.Has(31) && !b.Has(32) && !b.Has(33)) {
        kind = EBlockKind::Station;
        StartSetup(state, b.Text(11));
        state.stationKnown = b.Has(84) && b.Has(85);
        if (state.stationKnown) {
            double e = 0, n = 0, h = 0;
            if (!ReadDistance(b, 84, e, fault) || !ReadDistance(b, 85, n, fault) ||
                (b.Has(86) && !ReadDistance(b, 86, h, fault))) {
                return false;
            }
            state.x0 = n;
            state.y0 = e;
            state.z0 = h;
        }
        state.instrument = state.reflector = 0;
        if ((b.Has(88) && !ReadDistance(b, 88, state.instrument, fault)) ||
            (b.Has(87) && !ReadDistance(b, 87, state.reflector, fault))) {
            return false;
        }
        return true;
    }
    // Neither a measurement nor coordinates: the first missing or bad word of Hz, V, SD is
    // named, in the order the reader has always checked them.
    double hz = 0, v = 0, sd = 0;
    if (ReadAngle(b, 21, kHzErrors, hz, fault) && ReadAngle(b, 22, kVErrors, v, fault) &&
        ReadDistance(b, 31, sd, fault)) {
        fault.error = EGsiError::SdWi;
    }
    return false;
}

// Calls each(block) for the blocks of a line in order until it returns false.
template <class Each>
void ForEachBlock(std::string_view line, SGsiBlock& b, Each each) {
    if (const size_t nul = line.find('\0'); nul != std::string_view::npos) {
        line = line.substr(0, nul);
    }
    if (line.empty()) {
        return;
    }
    const bool gsi8 = line[0] >= '0' && line[0] <= '9';
    if (gsi8) {
        // Words of 16 characters from the first; each word of WI 11 or 41 begins a block.
        b.Clear(8);
        for (size_t at = 0; at + 15 <= line.size(); at += 16) {
            const std::string_view word = line.substr(at, 15);
            const int wi = WiOf(word);
            if ((wi == 11 || wi == 41) && b.count > 0) {
                if (!each(b)) {
                    return;
                }
                b.Clear(8);
            }
            b.Add(wi, word);
        }
        each(b);
        return;
    }
    // A marker, then words of 24 characters; a further block begins with its own marker.
    b.Clear(16);
    size_t at = 1;
    while (at + 23 <= line.size()) {
        if (line[at] == '*') {
            if (!each(b)) {
                return;
            }
            b.Clear(16);
            ++at;
            continue;
        }
        const std::string_view word = line.substr(at, 23);
        b.Add(WiOf(word), word);
        at += 24;
    }
    each(b);
}

// The line most files are made of: one GSI-16 block of just the four words 11, 21, 22 and 31,
// in that order. Put into the block without the general walk over the words; false for any
// other line (which the walk reads the same way).
bool PartFormLine(std::string_view line, SGsiBlock& b) {
    if (line.size() < 1 + 3 * 24 + 23 || line.size() > 1 + 4 * 24 ||
        (line[0] >= '0' && line[0] <= '9') || std::memchr(line.data(), 0, line.size()) != nullptr) {
        return false;
    }
    static constexpr char kWis[4][2] = {{'1', '1'}, {'2', '1'}, {'2', '2'}, {'3', '1'}};
    for (size_t k = 0; k < 4; ++k) {
        if (line[1 + 24 * k] != kWis[k][0] || line[2 + 24 * k] != kWis[k][1]) {
            return false;
        }
    }
    b.Clear(16);
    b.Add(11, line.substr(1, 23));
    b.Add(21, line.substr(25, 23));
    b.Add(22, line.substr(49, 23));
    b.Add(31, line.substr(73, 23));
    return true;
}

// The polar words of such a line read straight from their places, for a point in the
// instrument's frame: Hz and V in gon or degrees, SD in a distance unit. False for anything
// else (the block is then decoded the general way, which also names any fault).
bool PartFormPolar(std::string_view line, SGsiPoint& p, std::string_view& label) {
    const auto value = [&](size_t at, double& out) {
        std::string_view data = line.substr(at + 6, 17);
        return ScanSignedSixteenDigits(data, out) || ScanDouble(data, out);
    };
    const auto angle = [&](size_t at, double& out) {
        double factor = 0.0;
        switch (line[at + 5]) {
            case '2':
                factor = kGonToRad;
                break;
            case '3':
                factor = kDegreeToRad;
                break;
            default:
                return false;
        }
        if (!value(at, out)) {
            return false;
        }
        out *= factor;
        return true;
    };
    double factor = 0.0;
    if (!angle(25, p.a) || !angle(49, p.b) || !DistanceFactor(line[73 + 5], factor) ||
        !value(73, p.c)) {
        return false;
    }
    p.c *= factor;
    p.polar = true;
    label = line.substr(8, 16);
    while (!label.empty() && (label.front() == ' ' || label.front() == '0')) {
        label.remove_prefix(1);
    }
    return true;
}

bool IsBlankLine(std::string_view line) {
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\x1a') {
            return false;
        }
    }
    return true;
}

}  // namespace

EGsiError DecodeGsiLine(std::string_view line, SGsiMeasurement& out) {
    SGsiState state;
    SGsiBlock block;
    SFault fault;
    fault.error = EGsiError::LabelWi;
    bool done = false;
    ForEachBlock(line, block, [&](const SGsiBlock& b) {
        EBlockKind kind = EBlockKind::Point;
        SGsiPoint p;
        fault = SFault();
        if (DecodeBlock(b, state, kind, p, fault)) {
            out.label = b.Text(11);
            out.point = p.Resolve(false);
        }
        done = true;
        return false;
    });
    if (!done) {
        fault.error = EGsiError::LabelWi;
    }
    out.unit = fault.unit;
    out.wi = fault.wi;
    return fault.error;
}

std::string GsiErrorMessage(EGsiError error, int line, char unit, int wi) {
    const std::string unitText = Cp1250ToUtf8(std::string_view(&unit, 1));
    const auto withUnit = [&](const char* text) {
        return LineMessageText(line, text + unitText + " !");
    };
    switch (error) {
        case EGsiError::None:
            return {};
        case EGsiError::LabelWi:
            return LineMessageText(line, kNoLabelWi);
        case EGsiError::HzWi:
            return LineMessageText(line, kNoHzWi);
        case EGsiError::HzValue:
            return LineMessageText(line, kBadHz);
        case EGsiError::HzUnit:
            return withUnit(kHzUnits);
        case EGsiError::VWi:
            return LineMessageText(line, kNoVWi);
        case EGsiError::VValue:
            return LineMessageText(line, kBadV);
        case EGsiError::VUnit:
            return withUnit(kVUnits);
        case EGsiError::SdWi:
            return LineMessageText(line, kNoSdWi);
        case EGsiError::SdValue:
            return LineMessageText(line, kBadSd);
        case EGsiError::SdUnit:
            return withUnit(kSdUnits);
        case EGsiError::WordValue:
            return LineMessageText(line, kWordValue + std::to_string(wi) + " value!");
        case EGsiError::WordUnit:
            return LineMessageText(line,
                                   kWordUnits + std::to_string(wi) + " units: " + unitText + " !");
        case EGsiError::LongLine:
            return LineMessageText(line, kLongLine);
    }
    return {};
}

namespace {

constexpr size_t kBatchLines = 4096;
constexpr size_t kLabelBytes = 16;

// Points decoded in file order, and how the run of them ended.
struct SGsiBatch {
    // Kept small: the thread that makes the points reads every one of them.
    struct SItem {
        double a, b, c;  // as SGsiPoint
        int station;     // index into stations, -1 for none
        int setup;       // station index, -1 before the first
        int code;        // index into codes, -1 for none
        bool polar;
        unsigned char labelSize;
        char label[kLabelBytes];
    };
    struct SStation {
        double x0, y0, zi, r;
    };
    enum class EEnd { More, EndOfFile, Fault, NoMemory, ReadFailed };

    SGsiBatch() { items.reserve(kBatchLines); }

    std::vector<SItem> items;  // reserved once
    std::vector<SStation> stations;
    std::vector<std::string> codes;
    uint64_t bytesRead = 0;  // of the source, once the batch was read
    EEnd end = EEnd::More;
    SFault fault;
    int errorLine = 0;
};

// Decodes the next lines into the batch, up to kBatchLines; false when the run ended.
bool FillBatch(CLineReader& reader, SGsiState& state, SGsiBlock& block, SGsiBatch& batch) {
    batch.items.clear();
    batch.stations.clear();
    batch.codes.clear();
    try {
        std::string_view line;
        size_t lines = 0;
        while (lines++ < kBatchLines) {
            if (!reader.ReadLine(line)) {
                batch.end =
                    reader.Failed() ? SGsiBatch::EEnd::ReadFailed : SGsiBatch::EEnd::EndOfFile;
                return false;
            }
            // One block to a point, station or code; false on a fault.
            const auto take = [&](const SGsiBlock& b) {
                EBlockKind kind = EBlockKind::Point;
                SGsiPoint p;
                if (!DecodeBlock(b, state, kind, p, batch.fault)) {
                    return false;
                }
                if (kind == EBlockKind::Point) {
                    SGsiBatch::SItem& item = batch.items.emplace_back();
                    item.a = p.a;
                    item.b = p.b;
                    item.c = p.c;
                    item.polar = p.polar;
                    item.station = -1;
                    if (p.fromStation) {
                        const SGsiBatch::SStation at{p.x0, p.y0, p.zi, p.r};
                        if (batch.stations.empty() ||
                            std::memcmp(&batch.stations.back(), &at, sizeof at) != 0) {
                            batch.stations.push_back(at);
                        }
                        item.station = static_cast<int>(batch.stations.size()) - 1;
                    }
                    item.setup = state.setup;
                    const std::string_view label = b.Text(11);
                    item.labelSize =
                        static_cast<unsigned char>(std::min(label.size(), kLabelBytes));
                    std::memcpy(item.label, label.data(), item.labelSize);
                    item.code = -1;
                    const std::string_view remark = b.Text(71);
                    if (!remark.empty()) {
                        item.code = static_cast<int>(batch.codes.size());
                        batch.codes.push_back(LabelToUtf8(remark));
                    } else if (!state.code.empty()) {
                        item.code = static_cast<int>(batch.codes.size());
                        batch.codes.push_back(state.code);
                    }
                }
                return true;
            };
            if (reader.WasCut()) {
                batch.fault.error = EGsiError::LongLine;
            } else if (PartFormLine(line, block)) {
                std::string_view label;
                SGsiPoint p;
                if (!state.stationKnown && !state.coordinatesFirst && state.code.empty() &&
                    PartFormPolar(line, p, label)) {
                    SGsiBatch::SItem& item = batch.items.emplace_back();
                    item.a = p.a;
                    item.b = p.b;
                    item.c = p.c;
                    item.polar = true;
                    item.station = item.code = -1;
                    item.setup = state.setup;
                    item.labelSize = static_cast<unsigned char>(label.size());
                    std::memcpy(item.label, label.data(), label.size());
                } else {
                    take(block);
                }
            } else if (!IsBlankLine(line)) {
                ForEachBlock(line, block, take);
            }
            if (batch.fault.error != EGsiError::None) {
                batch.end = SGsiBatch::EEnd::Fault;
                batch.errorLine = reader.LineNumber();
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        batch.end = SGsiBatch::EEnd::NoMemory;
        batch.errorLine = reader.LineNumber();
        return false;
    }
    batch.end = SGsiBatch::EEnd::More;
    batch.bytesRead = reader.BytesRead();
    return true;
}

}  // namespace

SImportResult ReadGsiFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    CImportCollector out(result);
    CLineReader reader;
    std::string reason;
    if (!reader.Open(source, reason)) {
        out.Unreadable(reason);
        return result;
    }
    reader.SetCrLineEnds(true);
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    SurveyPointList points;
    CAlignmentPreload preload;
    SGsiState state;  // the decoding thread's until the pipeline stops
    state.coordinatesFirst = options.gsiCoordinates;
    SGsiBlock block;
    int line = 0;
    // Any fault in a line is fatal: its message, and nothing of the file is taken.
    const auto refuse = [&](const std::string& text) {
        points = SurveyPointList();
        out.Message(text);
        result.outcome = EImportOutcome::Refused;
    };
    try {
        // Reading and decoding (numbers, angles, stations) on a thread of their own.
        CDecodePipeline<SGsiBatch> pipeline([&reader, &state, &block](SGsiBatch& batch) {
            return FillBatch(reader, state, block, batch);
        });
        // Points and their codes come from runs of storage slots, one lock a run.
        CEntityStorageCache cache;
        for (;;) {
            bool ended = false;
            const SGsiBatch& batch = pipeline.Next(ended);
            for (const SGsiBatch::SItem& item : batch.items) {
                SGsiPoint at;
                at.polar = item.polar;
                at.a = item.a;
                at.b = item.b;
                at.c = item.c;
                if (item.station >= 0) {
                    const SGsiBatch::SStation& st =
                        batch.stations[static_cast<size_t>(item.station)];
                    at.fromStation = true;
                    at.x0 = st.x0;
                    at.y0 = st.y0;
                    at.zi = st.zi;
                    at.r = st.r;
                }
                std::unique_ptr<CPnt> p =
                    MakeSurveyPoint(LabelToUtf8(std::string_view(item.label, item.labelSize)),
                                    at.Resolve(options.gsiMetres));
                if (item.code >= 0) {
                    KeepCode(*p, batch.codes[static_cast<size_t>(item.code)]);
                }
                preload.See(p->m_name, p->m_point);
                // The station's index rides in the layer until the layers are known.
                p->m_layer = item.setup;
                points.push_back(std::move(p));
            }
            line = batch.errorLine;
            if (!ended && meter.Update(batch.bytesRead, reader.FileSize())) {
                continue;
            }
            pipeline.Stop();
            if (!ended) {
                return CancelledResult();
            }
            switch (batch.end) {
                case SGsiBatch::EEnd::Fault:
                    refuse(GsiErrorMessage(batch.fault.error, batch.errorLine, batch.fault.unit,
                                           batch.fault.wi));
                    return result;
                case SGsiBatch::EEnd::NoMemory:
                    refuse(LineMessageText(batch.errorLine, kNoMemory));
                    return result;
                case SGsiBatch::EEnd::ReadFailed:
                    points = SurveyPointList();
                    out.Unreadable(kImportReadFailed + reader.ErrorText() + ".");
                    return result;
                default:
                    break;
            }
            break;
        }
        result.alignment = preload.Values();
        if (state.setupNames.size() < 2) {
            out.AddAll(points);
            return result;
        }
        // Several stations: each one's points on a layer named after it, joined to the
        // drawing's layer of that name; points measured before the first stay on the current.
        for (const std::string& name : state.setupNames) {
            result.layers.push_back(CLayer(name, 0, 1));
        }
        for (auto& p : points) {
            const int setup = p->m_layer;
            out.Add(std::move(p), setup < 0 ? kImportCurrentLayer : setup);
        }
    } catch (const std::bad_alloc&) {
        refuse(LineMessageText(line, kNoMemory));
        result.entities.clear();
        result.layers.clear();
        return result;
    }
    return result;
}

EImportResult ImportGsiFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadGsiFile);
}
