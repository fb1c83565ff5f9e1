#include "cli/TavCli.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <exception>
#include <ostream>

#include "cli/DataCommand.h"
#include "cli/DocJson.h"
#include "cli/MeasureCommand.h"
#include "cli/PrintCommand.h"
#include "cli/RenderCommand.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/Alignment.h"
#include "exchange/DistanceReport.h"
#include "exchange/DxfExport.h"
#include "exchange/ImportCommand.h"
#include "exchange/PointListCsv.h"

namespace {

constexpr char kUsage[] =
    "Usage: tavcli COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  info FILE          print a JSON summary of a .tav document: header, layer count,\n"
    "                     entity counts by type code (100 polygon, 101 polyline, 102 text,\n"
    "                     103 arc, 104 point) and the extents\n"
    "  dump FILE          print the whole document as JSON\n"
    "  convert IN OUT [--import-as KIND] [--drawing-frame FRAME] [--left-handed]\n"
    "          [--units m|mm] [--gsi-coordinates] [--columns ORDER] [--local]\n"
    "                     read IN and write it to OUT: a .tav document (current version),\n"
    "                     for OUT ending in .dxf a DXF export of the entities, for .csv the\n"
    "                     drawing's points as a comma-separated list (--local: in the active\n"
    "                     coordinate system). IN is\n"
    "                     a .tav document or a file of an importable kind, chosen by\n"
    "                     --import-as or else by IN's extension; an imported file goes into\n"
    "                     a new document. Importable kinds: %s\n"
    "                     Survey points (pnt, gsi) are placed as if the alignment dialog\n"
    "                     were confirmed as pre-filled from the file; --drawing-frame\n"
    "                     \"OX,OY,OZ;X1,Y1,Z1@A;X2,Y2,Z2@B\" (A, B one of X, Y, Z) sets the\n"
    "                     drawing side, --left-handed ticks \"układ lewoskrętny\"; GSI\n"
    "                     coordinates come in millimetres unless --units m; --gsi-coordinates\n"
    "                     takes a block's 81-83 over its polar words; --columns sets the order\n"
    "                     of a point list's columns (NXYZ default, NYXZ, XYZ numbers the points,\n"
    "                     a C column is the code) for csv input and output\n"
    "  report IN.tav --ideal PREFIX[:START] --measured PREFIX[:START] [--local] -o OUT\n"
    "                     write the point distance report of IN: OUT ending in .csv gives\n"
    "                     semicolon-separated values, any other name the text form;\n"
    "                     --local gives the results in the active coordinate system\n"
    "%s"
    "  --help             show this text\n"
    "\n"
    "Exit status: 0 on success, 1 when an input is refused (the reason on stderr),\n"
    "2 on a usage error.\n";

// Messages go to stderr; questions are answered Yes, as a batch run has no one to ask.
class CStreamPrompter : public CPrompter {
public:
    explicit CStreamPrompter(std::ostream& err) : m_err(err) {}
    void ShowMessage(const std::string& text, EIcon) override { m_err << text << "\n"; }
    bool AskYesNo(const std::string& text, EIcon) override {
        m_err << text << " [Yes]\n";
        return true;
    }
    void Beep() override {}
    void ReportFileError(const std::string& path, const std::string& reason) override {
        m_err << path << ": " << reason << "\n";
    }
    int LineMessageLimit() const override { return 1000; }
    // The alignment dialog confirmed as pre-filled, with the drawing side and the left-handed
    // box from the command line; the import checks the values and refuses what fails.
    bool RunAlignmentDialog(SAlignment& values) override {
        if (m_hasFrame) {
            values.drawingOrigin = m_frame.drawingOrigin;
            values.drawingFirstAxis = m_frame.drawingFirstAxis;
            values.drawingFirstPoint = m_frame.drawingFirstPoint;
            values.drawingSecondAxis = m_frame.drawingSecondAxis;
            values.drawingSecondPoint = m_frame.drawingSecondPoint;
        }
        values.leftHanded = values.leftHanded || m_leftHanded;
        return true;
    }
    void SetDrawingFrame(const SAlignment& frame) {
        m_frame = frame;
        m_hasFrame = true;
    }
    void SetLeftHanded() { m_leftHanded = true; }

private:
    std::ostream& m_err;
    SAlignment m_frame;
    bool m_hasFrame = false;
    bool m_leftHanded = false;
};

bool HasExtension(const std::string& path, const char* ext) {
    const std::string e(ext);
    if (path.size() < e.size()) {
        return false;
    }
    return std::equal(e.begin(), e.end(), path.end() - static_cast<std::ptrdiff_t>(e.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

void PrintJson(std::ostream& out, const nlohmann::ordered_json& j) {
    out << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

// The usage text with the importable kinds of this build filled in.
std::string UsageText() {
    std::string kinds;
    for (int i = 1; i <= kImportFilterCount; ++i) {
        if (IsImportFilterAvailable(i) && *ImportFilters()[i - 1].extension) {
            kinds += std::string(kinds.empty() ? "" : ", ") + ImportFilters()[i - 1].extension;
        }
    }
    if (kinds.empty()) {
        kinds = "none yet";
    }
    const std::string commands =
        std::string(kRenderUsage) + kPrintUsage + kMeasureUsage + kDataUsage;
    char buf[sizeof kUsage + sizeof kRenderUsage + sizeof kPrintUsage + sizeof kMeasureUsage +
             sizeof kDataUsage + 256];
    std::snprintf(buf, sizeof buf, kUsage, kinds.c_str(), commands.c_str());
    return buf;
}

int Usage(std::ostream& err, const std::string& problem) {
    err << "tavcli: " << problem << "\n\n" << UsageText();
    return kExitUsage;
}

std::string Extension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    return path.substr(dot + 1);
}

// Reads IN into doc: a .tav document, or an import of the given or guessed kind into the new
// document. Returns an exit code.
int ReadInput(CTAVDoc& doc, const std::string& in, const std::string& kindOption, std::ostream& err,
              const SImportOptions& options) {
    CProgress* progress = options.progress;
    const std::string kind = kindOption.empty() ? Extension(in) : kindOption;
    if (kindOption.empty() && HasExtension(in, ".tav")) {
        return doc.OnOpenDocument(in, progress) ? kExitOk : kExitRefused;
    }
    const int filter = ImportFilterIndexForKind(kind);
    if (filter == 0 || !IsImportFilterAvailable(filter)) {
        return Usage(err, "unsupported input kind: " + (kind.empty() ? in : kind));
    }
    doc.OnNewDocument();
    return ImportByFilterIndex(doc, filter, in, options) == EImportResult::Done ? kExitOk
                                                                                : kExitRefused;
}

// "PREFIX[:START]": the prefix and start number as the report dialog reads them.
bool ReadReportSet(const std::string& text, std::string& prefix, int& start) {
    const size_t colon = text.find_last_of(':');
    prefix = TrimReportPrefix(colon == std::string::npos ? text : text.substr(0, colon));
    return ParseReportStart(colon == std::string::npos ? "" : text.substr(colon + 1), start);
}

// report IN.tav --ideal PREFIX[:START] --measured PREFIX[:START] [--local] -o OUT
int RunReport(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err,
              CProgress* progress) {
    std::string in, outPath, ideal, measured;
    bool hasIdeal = false, hasMeasured = false;
    SReportQuery q;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--ideal" || a == "--measured" || a == "-o") {
            if (i + 1 >= args.size()) {
                return Usage(err, a + " needs a value");
            }
            const std::string& value = args[++i];
            if (a == "-o") {
                outPath = value;
            } else if (a == "--ideal") {
                ideal = value;
                hasIdeal = true;
            } else {
                measured = value;
                hasMeasured = true;
            }
        } else if (a == "--local") {
            q.local = true;
        } else if (in.empty() && (a.empty() || a[0] != '-')) {
            in = a;
        } else {
            return Usage(err, "report does not take " + a);
        }
    }
    if (in.empty() || !hasIdeal || !hasMeasured || outPath.empty()) {
        return Usage(err, "report takes IN, --ideal, --measured and -o");
    }
    if (!ReadReportSet(ideal, q.idealPrefix, q.idealStart) ||
        !ReadReportSet(measured, q.measuredPrefix, q.measuredStart)) {
        return Usage(err, kReportStartRange);
    }
    CTAVDoc doc(&prompter);
    if (!doc.OnOpenDocument(in, progress)) {
        return kExitRefused;
    }
    const auto choose = [&outPath](const std::string&) { return outPath; };
    return MakeDistanceReport(doc, q, choose, SystemReportFormat(), progress) ==
                   EReportResult::Written
               ? kExitOk
               : kExitRefused;
}

}  // namespace

int RunTavCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              CProgress* progress) {
    if (args.empty()) {
        return Usage(err, "no command given");
    }
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        out << UsageText();
        return kExitOk;
    }
    CStreamPrompter prompter(err);
    try {
        if (cmd == "info" || cmd == "dump") {
            if (args.size() != 2) {
                return Usage(err, cmd + " takes one FILE");
            }
            CTAVDoc doc(&prompter);
            if (!doc.OnOpenDocument(args[1])) {
                return kExitRefused;
            }
            PrintJson(out, cmd == "info" ? DocumentInfoJson(doc) : DocumentDumpJson(doc));
            return kExitOk;
        }
        if (cmd == "report") {
            return RunReport(args, prompter, err, progress);
        }
        if (cmd == "data") {
            return RunDataCommand(std::vector<std::string>(args.begin() + 1, args.end()), prompter,
                                  err);
        }
        if (cmd == "print") {
            return RunPrintCommand(std::vector<std::string>(args.begin() + 1, args.end()), prompter,
                                   err, progress);
        }
        if (cmd == "measure") {
            return RunMeasureCommand(std::vector<std::string>(args.begin() + 1, args.end()),
                                     prompter, out, err);
        }
        if (cmd == "render") {
            return RunRenderCommand(std::vector<std::string>(args.begin() + 1, args.end()),
                                    prompter, err);
        }
        if (cmd == "convert") {
            std::vector<std::string> files;
            std::string importAs;
            SImportOptions options;
            options.progress = progress;
            bool local = false;
            for (size_t i = 1; i < args.size(); ++i) {
                if (args[i] == "--import-as") {
                    if (i + 1 >= args.size()) {
                        return Usage(err, "--import-as needs a KIND");
                    }
                    importAs = args[++i];
                } else if (args[i] == "--drawing-frame") {
                    SAlignment frame;
                    std::string problem;
                    if (i + 1 >= args.size() || !ParseDrawingFrame(args[++i], frame, problem)) {
                        return Usage(err, "--drawing-frame: " +
                                              (problem.empty() ? "needs a FRAME" : problem));
                    }
                    prompter.SetDrawingFrame(frame);
                } else if (args[i] == "--left-handed") {
                    prompter.SetLeftHanded();
                } else if (args[i] == "--units") {
                    if (i + 1 >= args.size() || (args[i + 1] != "m" && args[i + 1] != "mm")) {
                        return Usage(err, "--units needs m or mm");
                    }
                    options.gsiMetres = args[++i] == "m";
                } else if (args[i] == "--gsi-coordinates") {
                    options.gsiCoordinates = true;
                } else if (args[i] == "--columns") {
                    std::string problem;
                    if (i + 1 >= args.size() || !CheckPointColumns(args[i + 1], problem)) {
                        return Usage(
                            err, "--columns: " + (problem.empty() ? "needs an ORDER" : problem));
                    }
                    options.columns = args[++i];
                } else if (args[i] == "--local") {
                    local = true;
                } else {
                    files.push_back(args[i]);
                }
            }
            if (files.size() != 2) {
                return Usage(err, "convert takes IN and OUT");
            }
            const bool toDxf = HasExtension(files[1], ".dxf");
            const bool toCsv = HasExtension(files[1], ".csv");
            if (!toDxf && !toCsv && !HasExtension(files[1], ".tav")) {
                return Usage(err,
                             "unsupported output format (use .tav, .dxf or .csv): " + files[1]);
            }
            CTAVDoc doc(&prompter);
            const int read = ReadInput(doc, files[0], importAs, err, options);
            if (read != kExitOk) {
                return read;
            }
            if (toCsv) {
                SPointExportOptions csv;
                csv.local = local;
                csv.columns = options.columns;
                return ExportPointsCsv(doc, files[1], csv, progress) ? kExitOk : kExitRefused;
            }
            const bool written = toDxf ? ExportDxfFile(doc, files[1], progress)
                                       : doc.OnSaveDocument(files[1], progress);
            return written ? kExitOk : kExitRefused;
        }
    } catch (const std::bad_alloc&) {
        err << "Not enough memory.\n";
        return kExitRefused;
    }
    return Usage(err, "unknown command: " + cmd);
}

int CommandUsageError(std::ostream& err, const std::string& problem, const char* usage) {
    err << "tavcli: " << problem << "\n\nUsage:\n" << usage;
    return kExitUsage;
}

bool ParseWholeNumber(const std::string& text, long long& out) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}
