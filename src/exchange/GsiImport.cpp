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
constexpr char kReadFailed[] = "Can not read the file: ";

constexpr size_t kWordSize = 24;
// Positions 0..22 of a word are used; the separator at 23 is not.
constexpr size_t kWordUsed = 23;

// Angles are integers with five implied decimals.
constexpr double kGonToRad = 1.570796326794897e-7;
constexpr double kDegreeToRad = kDegToRad * 1e-5;

// Word k (0..3) of the line, or an empty view when the line is too short to hold it.
std::string_view Word(std::string_view line, size_t k) {
    const size_t at = 1 + k * kWordSize;
    if (line.size() < at + kWordUsed) {
        return {};
    }
    return line.substr(at, kWordUsed);
}

bool HasWi(std::string_view word, const char* wi) {
    return !word.empty() && word[0] == wi[0] && word[1] == wi[1];
}

// Sign and data of a word, as "%lf" reads them.
bool ReadValue(std::string_view word, double& out) {
    std::string_view data = word.substr(6, 17);
    return ScanSignedSixteenDigits(data, out) || ScanDouble(data, out);
}

bool AngleFactor(char unit, double& factor) {
    switch (unit) {
        case '2':
            factor = kGonToRad;
            return true;
        case '3':
            factor = kDegreeToRad;
            return true;
        default:
            return false;
    }
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

// The errors of one angle word.
struct SAngleErrors {
    EGsiError wi, value, unit;
};
constexpr SAngleErrors kHzErrors{EGsiError::HzWi, EGsiError::HzValue, EGsiError::HzUnit};
constexpr SAngleErrors kVErrors{EGsiError::VWi, EGsiError::VValue, EGsiError::VUnit};

// One angle word: WI, value, unit, in that order.
EGsiError ReadAngle(std::string_view word, const char* wi, const SAngleErrors& errors,
                    double& radians, char& badUnit) {
    if (!HasWi(word, wi)) {
        return errors.wi;
    }
    double value = 0.0;
    if (!ReadValue(word, value)) {
        return errors.value;
    }
    double factor = 0.0;
    if (!AngleFactor(word[5], factor)) {
        badUnit = word[5];
        return errors.unit;
    }
    radians = value * factor;
    return EGsiError::None;
}

// A line's words decoded, before the polar measurement is reduced to a point.
struct SGsiPolar {
    std::string_view label;
    double hz = 0.0, v = 0.0, sd = 0.0;  // radians, millimetres
};

// DecodeGsiLine without the reduction; unit is set as there.
EGsiError DecodeGsiPolar(std::string_view line, SGsiPolar& out, char& unit) {
    // A NUL ends the line; only the bytes of the four words matter.
    const size_t nul = line.substr(0, 1 + 3 * kWordSize + kWordUsed).find('\0');
    if (nul != std::string_view::npos) {
        line = line.substr(0, nul);
    }
    const std::string_view labelWord = Word(line, 0);
    if (!HasWi(labelWord, "11")) {
        return EGsiError::LabelWi;
    }
    std::string_view label = labelWord.substr(7, 16);
    while (!label.empty() && (label.front() == ' ' || label.front() == '0')) {
        label.remove_prefix(1);
    }
    double hz = 0.0, v = 0.0;
    if (const EGsiError e = ReadAngle(Word(line, 1), "21", kHzErrors, hz, unit);
        e != EGsiError::None) {
        return e;
    }
    if (const EGsiError e = ReadAngle(Word(line, 2), "22", kVErrors, v, unit);
        e != EGsiError::None) {
        return e;
    }
    const std::string_view sdWord = Word(line, 3);
    if (!HasWi(sdWord, "31")) {
        return EGsiError::SdWi;
    }
    double sd = 0.0;
    if (!ReadValue(sdWord, sd)) {
        return EGsiError::SdValue;
    }
    double factor = 0.0;
    if (!DistanceFactor(sdWord[5], factor)) {
        unit = sdWord[5];
        return EGsiError::SdUnit;
    }
    out.label = label;
    out.hz = hz;
    out.v = v;
    out.sd = sd * factor;
    return EGsiError::None;
}

// The polar measurement in the instrument system. One copy of the arithmetic, so the reader,
// which reduces on another thread than it decodes, gets DecodeGsiLine's points to the bit.
[[gnu::noinline]] CPoint3 PolarPoint(double hz, double v, double sd) {
    const double horizontal = sd * std::sin(v);
    return CPoint3(horizontal * std::cos(hz), horizontal * std::sin(hz), sd * std::cos(v));
}

}  // namespace

EGsiError DecodeGsiLine(std::string_view line, SGsiMeasurement& out) {
    SGsiPolar polar;
    const EGsiError e = DecodeGsiPolar(line, polar, out.unit);
    if (e != EGsiError::None) {
        return e;
    }
    out.label = polar.label;
    out.point = PolarPoint(polar.hz, polar.v, polar.sd);
    return EGsiError::None;
}

std::string GsiErrorMessage(EGsiError error, int line, char unit) {
    const auto withUnit = [&](const char* text) {
        return LineMessageText(line, text + Cp1250ToUtf8(std::string_view(&unit, 1)) + " !");
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
    }
    return {};
}

namespace {

constexpr size_t kBatchLines = 4096;
constexpr size_t kLabelBytes = 16;

// Lines decoded in file order, and how the run of them ended.
struct SGsiBatch {
    struct SItem {
        double hz, v, sd;  // reduced to a point by the thread that makes the points
        unsigned char labelSize;
        char label[kLabelBytes];
    };
    enum class EEnd { More, EndOfFile, Fault, NoMemory, ReadFailed };

    SGsiBatch() { items.reserve(kBatchLines); }

    std::vector<SItem> items;  // reserved once: decoding allocates nothing
    int firstLine = 0;         // the number of the line of items[0]
    uint64_t bytesRead = 0;    // of the source, once the batch was read
    EEnd end = EEnd::More;
    EGsiError error = EGsiError::None;
    int errorLine = 0;
    char unit = 0;
};

// Decodes the next lines into the batch, up to kBatchLines; false when the run ended.
bool FillBatch(CLineReader& reader, SGsiBatch& batch) {
    batch.items.clear();
    batch.firstLine = reader.LineNumber() + 1;
    try {
        std::string_view line;
        SGsiPolar m;
        while (batch.items.size() < kBatchLines) {
            if (!reader.ReadLine(line)) {
                batch.end =
                    reader.Failed() ? SGsiBatch::EEnd::ReadFailed : SGsiBatch::EEnd::EndOfFile;
                return false;
            }
            const EGsiError e = DecodeGsiPolar(line, m, batch.unit);
            if (e != EGsiError::None) {
                batch.end = SGsiBatch::EEnd::Fault;
                batch.error = e;
                batch.errorLine = reader.LineNumber();
                return false;
            }
            SGsiBatch::SItem& item = batch.items.emplace_back();
            item.hz = m.hz;
            item.v = m.v;
            item.sd = m.sd;
            item.labelSize = static_cast<unsigned char>(std::min(m.label.size(), kLabelBytes));
            std::memcpy(item.label, m.label.data(), item.labelSize);
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
        out.FileError(reason);
        result.outcome = EImportOutcome::Refused;
        result.unreadable = true;
        return result;
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    SurveyPointList points;
    CAlignmentPreload preload;
    int line = 0;
    // Any fault in a line is fatal: its message, and nothing of the file is taken.
    const auto refuse = [&](const std::string& text) {
        points = SurveyPointList();
        out.Message(text);
        result.outcome = EImportOutcome::Refused;
    };
    try {
        // Reading and decoding (numbers, angles) on a thread of their own.
        CDecodePipeline<SGsiBatch> pipeline(
            [&reader](SGsiBatch& batch) { return FillBatch(reader, batch); });
        for (;;) {
            bool ended = false;
            const SGsiBatch& batch = pipeline.Next(ended);
            line = batch.firstLine;
            for (const SGsiBatch::SItem& item : batch.items) {
                std::unique_ptr<CPnt> p =
                    MakeSurveyPoint(LabelToUtf8(std::string_view(item.label, item.labelSize)),
                                    PolarPoint(item.hz, item.v, item.sd));
                preload.See(p->m_name, p->m_point);
                points.push_back(std::move(p));
                ++line;
            }
            if (!ended && meter.Update(batch.bytesRead, reader.FileSize())) {
                continue;
            }
            pipeline.Stop();
            if (!ended) {
                return CancelledResult();
            }
            switch (batch.end) {
                case SGsiBatch::EEnd::Fault:
                    refuse(GsiErrorMessage(batch.error, batch.errorLine, batch.unit));
                    return result;
                case SGsiBatch::EEnd::NoMemory:
                    refuse(LineMessageText(batch.errorLine, kNoMemory));
                    return result;
                case SGsiBatch::EEnd::ReadFailed:
                    points = SurveyPointList();
                    out.FileError(kReadFailed + reader.ErrorText() + ".");
                    result.outcome = EImportOutcome::Refused;
                    result.unreadable = true;
                    return result;
                default:
                    break;
            }
            break;
        }
    } catch (const std::bad_alloc&) {
        refuse(LineMessageText(line, kNoMemory));
        return result;
    }
    result.alignment = preload.Values();
    out.AddAll(points);
    return result;
}

EImportResult ImportGsiFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadGsiFile);
}
