#include "exchange/PanelImport.h"

#include <memory>
#include <new>
#include <vector>

#include "document/Entity.h"
#include "document/Progress.h"
#include "exchange/ScanNumbers.h"
#include "exchange/TribonLines.h"

namespace {

// The reader's messages. Each is shown behind kLinePrefix with the number of the line being
// examined; further "%d"/"%s" are filled in order.
constexpr char kLinePrefix[] = "Line: %d. \n";
constexpr char kWrongHeader[] = "Wrong .PNL file header!";
constexpr char kPanelName[] = "Can not read name of the panel!";
constexpr char kFirstLine[] = "Can not read 1st line of panel data!";
constexpr char kPlateCount[] = "Can not read number of plates!";
constexpr char kNoPlates[] = "Panel must have plates defined!";
constexpr char kPlateName[] =
    "Can not read name of the plate! \nSkipping plate no. %d in panel: %s.";
constexpr char kPlateMissing[] = "Unexpected end of file! \nPlate no. %d in panel: %s is missing.";
constexpr char kContourBegin[] = "Can not read begin of the plate contour!";
constexpr char kVertexCount[] = "Can not read number of vertices!";
constexpr char kContourTooShort[] = "Plate contour must have at least two vertices!";
constexpr char kNotAllVertices[] = "Not all vertices read!";
constexpr char kVertexError[] = "Vertex coordinates read error!";
constexpr char kContourEnd[] = "Can not read end of countour!";
constexpr char kThickness1[] = "Can not read first part of the plate thickness!";
constexpr char kThickness2[] = "Can not read second part of the plate thickness!";
constexpr char kPlateEnd[] = "Can not read end of the plate!";
constexpr char kStiffenerCount[] = "Can not read number of Stiffeners!";
constexpr char kStiffenerName[] = "Can not read name of the stiffener!";
constexpr char kStiffenerVertices[] = "Stiffener must have exactly two vertices!";
constexpr char kStiffenerEnd[] = "Can not read end of the stiffener!";
constexpr char kStiffenersEnd[] = "Expecting END STIFFENERS!";
constexpr char kSymmetry[] = "Can not read symmetry of the panel!";
constexpr char kPanelEnd[] = "Expecting END PANEL:!";

class CPanelReader {
public:
    CPanelReader(CImportCollector& session, CTribonLines& in) : m_session(session), m_in(in) {}

    // Reads every panel; throws a stop on the first error, or when meter says to stop.
    void Run(CProgressMeter& meter) {
        if (!m_in.Next() || !Starts("BEGIN PANELS")) {
            Fail(kWrongHeader);
        }
        bool more = m_in.Next();
        while (more && Starts("PANEL:")) {
            more = ReadPanel();
            if (!meter.Update(m_in.BytesRead(), m_in.FileSize())) {
                throw CImportStop(EImportOutcome::Cancelled, {});
            }
        }
    }

    // After an error: the finished plates and stiffeners of the panel being read go into the
    // drawing where they are, in the panel's plane; polygons get their triangulation so that
    // nothing half-built stays.
    void KeepUnplaced() {
        for (auto& e : m_pending) {
            if (e) {
                if (e->m_closed) {
                    e->Tessellate();
                    e->ComputePlane();
                }
                m_session.Add(std::move(e));
            }
        }
        m_pending.clear();
    }

private:
    bool Starts(std::string_view keyword) const { return TribonStartsWith(m_in.Line(), keyword); }

    [[noreturn]] void Fail(std::string_view text) const {
        throw TribonStop(FillReaderMessage(kLinePrefix, {std::to_string(m_in.LineNumber())}) +
                         std::string(text));
    }

    // Moves to the next line and fails with text unless it starts with keyword.
    void Expect(std::string_view keyword, std::string_view text) {
        m_in.Next();
        if (!Starts(keyword)) {
            Fail(text);
        }
    }

    // A panel from its name line up to END PANEL:; returns whether a line follows it.
    bool ReadPanel() {
        std::string panel;
        if (!TribonScanWord(m_in.Line(), "PANEL:", panel)) {
            Fail(kPanelName);
        }
        m_pending.clear();
        if (!m_in.Next()) {
            Fail(kFirstLine);
        }
        if (!Starts("BEGIN STIFFENERS")) {
            ReadPlates(panel);
        }
        if (Starts("BEGIN STIFFENERS")) {
            ReadStiffeners(panel);
            m_in.Next();
        }
        if (!Starts("TRANSFORMATION MATRIX")) {
            Fail(kTribonMatrixBegin);
        }
        const CMatrix4 m = TribonReadMatrix(m_in, true);
        m_in.Next();
        int symmetry = 0;
        if (!TribonScanInt(m_in.Line(), "SYMMETRY:", symmetry)) {
            Fail(kSymmetry);
        }
        Place(m, symmetry);
        Expect("END PANEL:", kPanelEnd);
        return m_in.Next();
    }

    // The plate count on the current line and the plates; leaves the line that follows them
    // current (or the kept name line of a last plate that was skipped).
    void ReadPlates(const std::string& panel) {
        std::string_view text = m_in.Line();
        int count = 0;
        if (!ScanInt(text, count)) {
            Fail(kPlateCount);
        }
        if (count < 1) {
            Fail(kNoPlates);
        }
        bool kept = false;
        for (int i = 1; i <= count; ++i) {
            const std::string number = std::to_string(i);
            // Without this stop every plate still expected would give its own message.
            if (!m_in.Next()) {
                Fail(FillReaderMessage(kPlateMissing, {number, panel}));
            }
            std::string name;
            if (!TribonScanWord(m_in.Line(), "PLATE:", name)) {
                m_session.LineMessage(
                    FillReaderMessage(kLinePrefix, {std::to_string(m_in.LineNumber())}) +
                    FillReaderMessage(kPlateName, {number, panel}));
                kept = true;
                continue;
            }
            kept = false;
            ReadPlate(name);
        }
        if (!kept) {
            m_in.Next();
        }
    }

    // One plate after its name line, up to END PLATE:.
    void ReadPlate(const std::string& name) {
        Expect("CONTOUR:", kContourBegin);
        m_in.Next();
        std::string_view text = m_in.Line();
        int n = 0;
        if (!ScanInt(text, n)) {
            Fail(kVertexCount);
        }
        if (n < 2) {
            Fail(kContourTooShort);
        }
        auto poly = NewPoly(1, name);
        // The last vertex repeats the first: it is read over, not parsed.
        ReadVertices(*poly, n - 1);
        m_in.Next();
        m_pending.push_back(std::move(poly));
        Expect("END CONTOUR", kContourEnd);
        double thickness = 0.0;
        m_in.Next();
        if (!TribonScanDouble(m_in.Line(), "DISTANCE1:", thickness)) {
            Fail(kThickness1);
        }
        m_in.Next();
        if (!TribonScanDouble(m_in.Line(), "DISTANCE2:", thickness)) {
            Fail(kThickness2);
        }
        Expect("END PLATE:", kPlateEnd);
    }

    // The stiffener block from its count line up to END STIFFENERS.
    void ReadStiffeners(const std::string& panel) {
        m_in.Next();
        std::string_view text = m_in.Line();
        int count = 0;
        if (!ScanInt(text, count)) {
            Fail(kStiffenerCount);
        }
        for (int i = 0; i < count; ++i) {
            m_in.Next();
            std::string name;
            if (!TribonScanWord(m_in.Line(), "STIFFENER:", name)) {
                Fail(kStiffenerName);
            }
            m_in.Next();
            text = m_in.Line();
            int n = 0;
            if (!ScanInt(text, n)) {
                Fail(kVertexCount);
            }
            if (n != 2) {
                Fail(kStiffenerVertices);
            }
            auto poly = NewPoly(0, panel + " stf: " + name);
            ReadVertices(*poly, 2);
            m_pending.push_back(std::move(poly));
            Expect("END STIFFENER:", kStiffenerEnd);
        }
        Expect("END STIFFENERS", kStiffenersEnd);
    }

    static std::unique_ptr<CPoly> NewPoly(int closed, const std::string& name) {
        auto poly = std::make_unique<CPoly>();
        poly->m_closed = closed;
        poly->m_name = name;
        poly->m_color[0] = poly->m_color[1] = poly->m_color[2] = 1.0;
        return poly;
    }

    // count vertex lines (X Y in the panel plane); the polyline grows with what is read.
    void ReadVertices(CPoly& poly, int count) {
        for (int i = 0; i < count; ++i) {
            if (!m_in.Next()) {
                Fail(kNotAllVertices);
            }
            double x = 0.0, y = 0.0;
            if (!TribonScanXY(m_in.Line(), x, y)) {
                Fail(kVertexError);
            }
            poly.AddVertex(CPoint3(x, y, 0.0));
        }
    }

    // Places the panel's entities by m and adds them; symmetry 0 and 10 add mirrored copies,
    // 2 and 11 place the panel mirrored.
    void Place(CMatrix4 m, int symmetry) {
        CMatrix4 mirror;
        mirror.SetMirror(1);
        if (symmetry == 2 || symmetry == 11) {
            m = mirror * m;
        }
        const bool copies = symmetry == 0 || symmetry == 10;
        std::vector<std::unique_ptr<CEntity>> mirrored;
        for (auto& e : m_pending) {
            e->Transform(m);
            if (e->m_closed) {
                e->Tessellate();
                e->ComputePlane();
            }
            if (copies) {
                auto copy = std::make_unique<CPoly>(*e);
                copy->Transform(mirror);
                if (copy->m_closed) {
                    copy->Tessellate();
                    copy->ComputePlane();
                }
                mirrored.push_back(std::move(copy));
            }
        }
        for (auto& e : m_pending) {
            m_session.Add(std::move(e));
        }
        m_pending.clear();
        for (auto& e : mirrored) {
            m_session.Add(std::move(e));
        }
    }

    CImportCollector& m_session;
    CTribonLines& m_in;
    // Finished entities of the panel being read, in creation order, not yet placed.
    std::vector<std::unique_ptr<CPoly>> m_pending;
};

}  // namespace

SImportResult ReadPanelFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    CImportCollector out(result);
    CTribonLines in;
    std::string reason;
    if (!in.Open(source, reason)) {
        out.Unreadable(reason);
        return result;
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    CPanelReader reader(out, in);
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

EImportResult ImportPanelFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadPanelFile);
}
