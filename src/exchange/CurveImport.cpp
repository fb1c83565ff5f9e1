#include "exchange/CurveImport.h"

#include <memory>
#include <new>
#include <vector>

#include "document/Entity.h"
#include "document/Progress.h"
#include "exchange/ScanNumbers.h"
#include "exchange/TribonLines.h"

namespace {

// The reader's messages; "%d" is the matrix line, 1 to 4.
constexpr char kWrongHeader[] = "Wrong .CRV file header!";
constexpr char kCurveName[] = "Can not read name of the curve!";
constexpr char kContourCount[] = "Can not read number of contours!";
constexpr char kContourHead[] = "Can not read head of contour!";
constexpr char kNodeCount[] = "Can not read number of nodes!";
constexpr char kNegativeNodes[] = "Number of nodes can not be negative!";
constexpr char kNotAllVertices[] = "Not all vertices read!";
constexpr char kVertexError[] = "Vertex coordinates read error!";
constexpr char kContourEnd[] = "Can not read end of countour!";
constexpr char kCurveEnd[] = "Can not read end of curve!";

class CCurveReader {
public:
    CCurveReader(CImportCollector& session, CTribonLines& in) : m_session(session), m_in(in) {}

    // Reads every curve; throws a stop on the first error, at a silent stop, or when meter
    // says to stop.
    void Run(CProgressMeter& meter) {
        if (!m_in.Next() || !Starts("BEGIN CURVES")) {
            Fail(kWrongHeader);
        }
        bool more = m_in.Next();
        while (more && Starts("CURVE:")) {
            more = ReadCurve();
            if (!meter.Update(m_in.BytesRead(), m_in.FileSize())) {
                throw CImportStop(EImportOutcome::Cancelled, {});
            }
        }
    }

    // After a stop: the finished contours of the curve being read go into the drawing
    // unplaced.
    void KeepUnplaced() {
        for (auto& e : m_pending) {
            if (e) {
                m_session.Add(std::move(e));
            }
        }
        m_pending.clear();
    }

private:
    bool Starts(std::string_view keyword) const { return TribonStartsWith(m_in.Line(), keyword); }

    [[noreturn]] static void Fail(std::string_view text) { throw TribonStop(std::string(text)); }

    // The end of the file where the format expects more ends the import without a message.
    [[noreturn]] static void StopSilently() { throw CImportStop(EImportOutcome::Complete, {}); }

    void Expect(std::string_view keyword, std::string_view text) {
        m_in.Next();
        if (!Starts(keyword)) {
            Fail(text);
        }
    }

    // A curve from its name line up to END CURVE:; returns whether a line follows it.
    bool ReadCurve() {
        std::string name;
        if (!TribonScanWord(m_in.Line(), "CURVE:", name)) {
            Fail(kCurveName);
        }
        m_pending.clear();
        if (!m_in.Next()) {
            StopSilently();
        }
        std::string_view text = m_in.Line();
        int contours = 0;
        if (!ScanInt(text, contours)) {
            Fail(kContourCount);
        }
        for (int c = 0; c < contours; ++c) {
            ReadContour(name);
        }
        Expect("TRANSFORMATION MATRIX", kTribonMatrixBegin);
        const CMatrix4 m = TribonReadMatrix(m_in, false);
        for (auto& e : m_pending) {
            e->Transform(m);
            m_session.Add(std::move(e));
        }
        m_pending.clear();
        Expect("END CURVE:", kCurveEnd);
        return m_in.Next();
    }

    // One contour from CONTOUR: to END CONTOUR; every node is a vertex.
    void ReadContour(const std::string& name) {
        Expect("CONTOUR:", kContourHead);
        if (!m_in.Next()) {
            StopSilently();
        }
        std::string_view text = m_in.Line();
        int n = 0;
        if (!ScanInt(text, n)) {
            Fail(kNodeCount);
        }
        if (n < 0) {
            Fail(kNegativeNodes);
        }
        auto poly = std::make_unique<CPoly>();
        poly->m_name = name;
        poly->m_color[0] = poly->m_color[1] = poly->m_color[2] = 1.0;
        // The count is not trusted for allocation: the polyline grows with what is read.
        for (int i = 0; i < n; ++i) {
            if (!m_in.Next()) {
                Fail(kNotAllVertices);
            }
            double x = 0.0, y = 0.0;
            if (!TribonScanXY(m_in.Line(), x, y)) {
                Fail(kVertexError);
            }
            poly->AddVertex(CPoint3(x, y, 0.0));
        }
        m_pending.push_back(std::move(poly));
        Expect("END CONTOUR", kContourEnd);
    }

    CImportCollector& m_session;
    CTribonLines& m_in;
    // Finished contours of the curve being read, not yet placed.
    std::vector<std::unique_ptr<CPoly>> m_pending;
};

}  // namespace

SImportResult ReadCurveFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    CImportCollector out(result);
    CTribonLines in;
    std::string reason;
    if (!in.Open(source, reason)) {
        out.Unreadable(reason);
        return result;
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    CCurveReader reader(out, in);
    RunReading(result, EImportOutcome::Incomplete, [&] {
        try {
            reader.Run(meter);
        } catch (const CImportStop&) {
            reader.KeepUnplaced();
            throw;
        }
    });
    if (meter.Cancelled()) {
        return CancelledResult();
    }
    return result;
}

EImportResult ImportCurveFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadCurveFile);
}
