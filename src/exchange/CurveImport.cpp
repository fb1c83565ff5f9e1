#include "exchange/CurveImport.h"

#include <memory>
#include <new>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
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
constexpr char kReadFailed[] = "Can not read the file: %s.";
constexpr char kNoMemory[] = "Not enough memory to read the file.";

class CCurveReader {
public:
    CCurveReader(CImportSession& session, CTribonLines& in) : m_session(session), m_in(in) {}

    // Reads every curve; throws CTribonStop on the first error or at a silent stop.
    void Run() {
        if (!m_in.Next() || !Starts("BEGIN CURVES")) {
            Fail(kWrongHeader);
        }
        bool more = m_in.Next();
        while (more && Starts("CURVE:")) {
            more = ReadCurve();
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

    [[noreturn]] static void Fail(std::string_view text) { throw CTribonStop(std::string(text)); }

    // The end of the file where the format expects more ends the import without a message.
    [[noreturn]] static void StopSilently() { throw CTribonStop(std::string()); }

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

    CImportSession& m_session;
    CTribonLines& m_in;
    // Finished contours of the curve being read, not yet placed.
    std::vector<std::unique_ptr<CPoly>> m_pending;
};

}  // namespace

EImportResult ImportCurveFile(CTAVDoc& doc, const std::string& path) {
    CTribonLines in;
    if (!in.Open(path, doc.Prompter())) {
        return EImportResult::OpenFailed;
    }
    CImportSession session(doc);
    CCurveReader reader(session, in);
    try {
        reader.Run();
    } catch (const CTribonStop& stop) {
        reader.KeepUnplaced();
        if (stop.ReadFailed()) {
            doc.Prompter().ReportFileError(path, FillReaderMessage(kReadFailed, {stop.what()}));
            return EImportResult::OpenFailed;
        }
        if (*stop.what() == '\0') {
            session.Finish();
            return EImportResult::Done;
        }
        session.Message(stop.what());
        return EImportResult::Refused;
    } catch (const std::bad_alloc&) {
        doc.Prompter().ReportFileError(path, kNoMemory);
        return EImportResult::OpenFailed;
    }
    session.Finish();
    return EImportResult::Done;
}
