#include "cli/PrintCommand.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>

#include "cli/RenderCommand.h"
#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "printing/core/PrintSettings.h"
#include "printing/output/PrintJob.h"
#include "view/core/Camera.h"

namespace {

// Resolution of the PDF: steps of about 0.02 mm.
constexpr int kPdfResolution = 1200;
constexpr int kDefaultRasterDpi = 300;
constexpr int kMaxRasterDpi = 1200;

int PrintUsageError(std::ostream& err, const std::string& problem) {
    return CommandUsageError(err, problem, kPrintUsage);
}

// A whole, finite decimal number.
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty() || text.size() > 64 || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno != ERANGE && std::isfinite(value);
}

bool ParseInt(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    value = std::atoi(text.c_str());
    return true;
}

// "A:B" or "A,B,C,D": numbers split by sep.
bool ParseList(const std::string& text, char sep, size_t count, double* out) {
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t pos = i + 1 < count ? text.find(sep, start) : text.size();
        if (pos == std::string::npos || !ParseNumber(text.substr(start, pos - start), out[i])) {
            return false;
        }
        start = pos + 1;
    }
    return true;
}

bool FindPaper(const std::string& name, QPageSize& size) {
    const QString wanted = QString::fromStdString(name);
    for (int id = 0; id <= static_cast<int>(QPageSize::LastPageSize); ++id) {
        const auto psid = static_cast<QPageSize::PageSizeId>(id);
        if (psid == QPageSize::Custom) {
            continue;
        }
        if (QPageSize::key(psid).compare(wanted, Qt::CaseInsensitive) == 0) {
            size = QPageSize(psid);
            return true;
        }
    }
    return false;
}

}  // namespace

int RunPrintCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err,
                    CProgress* progress) {
    std::string input, output;
    CPrintSettings settings;
    SPrintJobOptions options;
    options.rasterDpi = kDefaultRasterDpi;
    QPageSize paper(QPageSize::A4);
    bool landscape = false, zoomAll = false, hasScale = false, hasFit = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : std::string();
        if (a == "-o") {
            if (!hasValue) {
                return PrintUsageError(err, "-o needs a file name");
            }
            output = args[++i];
        } else if (a == "--scale") {
            double mn[2];
            if (!hasValue || !ParseList(value, ':', 2, mn)) {
                return PrintUsageError(err, "--scale takes M:N (mm on paper per drawing units)");
            }
            settings.m_mmOnPaper = mn[0];
            settings.m_drawingUnits = mn[1];
            hasScale = true;
            ++i;
        } else if (a == "--fit") {
            hasFit = true;
        } else if (a == "--paper") {
            if (!hasValue || !FindPaper(value, paper)) {
                return PrintUsageError(err, "--paper takes a page size name such as A4 or A3");
            }
            ++i;
        } else if (a == "--landscape") {
            landscape = true;
        } else if (a == "--mono") {
            settings.m_blackWhite = 1;
        } else if (a == "--raster") {
            options.forceRaster = true;
        } else if (a == "--white") {
            options.whiteBackground = true;
        } else if (a == "--names") {
            options.showNames = true;
        } else if (a == "--zoom-all") {
            zoomAll = true;
        } else if (a == "--line-width") {
            int w = 0;
            if (!hasValue || !ParseInt(value, w) || w > 8) {
                return PrintUsageError(err, "--line-width takes 0 (Auto) to 8");
            }
            settings.m_lineWidthIndex = w;
            ++i;
        } else if (a == "--window") {
            double c[4];
            if (!hasValue || !ParseList(value, ',', 4, c)) {
                return PrintUsageError(err, "--window takes X1,Y1,X2,Y2");
            }
            settings.m_areaMode = 1;
            settings.m_x1 = c[0];
            settings.m_y1 = c[1];
            settings.m_x2 = c[2];
            settings.m_y2 = c[3];
            ++i;
        } else if (a == "--shift-right" || a == "--shift-down") {
            double mm = 0;
            if (!hasValue || !ParseNumber(value, mm)) {
                return PrintUsageError(err, a + " takes a number of mm");
            }
            if (mm < 0 || mm > kPrintMaxShiftMm) {
                err << "tavcli: " << a << " must lie between 0 and 1000 mm\n";
                return kExitRefused;
            }
            if (a == "--shift-right") {
                settings.m_centreH = 0;
                settings.m_shiftRight = mm;
            } else {
                settings.m_centreV = 0;
                settings.m_shiftDown = mm;
            }
            ++i;
        } else if (a == "--dpi") {
            if (!hasValue || !ParseInt(value, options.rasterDpi)) {
                return PrintUsageError(err, "--dpi takes a whole number");
            }
            if (options.rasterDpi < 1 || options.rasterDpi > kMaxRasterDpi) {
                err << "tavcli: --dpi must lie between 1 and 1200\n";
                return kExitRefused;
            }
            ++i;
        } else if (!a.empty() && a[0] == '-') {
            return PrintUsageError(err, "unknown option: " + a);
        } else if (input.empty()) {
            input = a;
        } else {
            return PrintUsageError(err, "print takes one FILE");
        }
    }
    if (input.empty() || output.empty()) {
        return PrintUsageError(err, "print takes FILE and -o OUT.pdf");
    }
    if (hasScale && hasFit) {
        return PrintUsageError(err, "--fit and --scale exclude each other");
    }
    settings.m_fit = hasScale ? 0 : 1;
    const SPrintCheck check = ValidatePrintSettings(settings, false);
    if (!check.ok) {
        err << check.message << "\n";
        return kExitRefused;
    }
    CTAVDoc doc(&prompter);
    std::unique_ptr<QGuiApplication> app;
    if (const int code = OpenDocumentForGl("print", input, doc, app, err, progress);
        code != kExitOk) {
        return code;
    }
    const CViewState& saved = doc.ViewState();
    CCamera camera;
    camera.LoadState(saved);
    camera.Resize(saved.clientWidth, saved.clientHeight);
    if (zoomAll) {
        camera.ZoomAll(doc, true, false);
    }
    options.renderMode = std::clamp(static_cast<int>(saved.renderMode), 0, 3);
    options.progress = progress;

    // The PDF goes to a temporary file beside OUT that replaces it only when all went well.
    QSaveFile file(QString::fromStdString(output));
    if (QFileInfo(file.fileName()).isDir() || !file.open(QIODevice::WriteOnly)) {
        err << output << ": the file cannot be written\n";
        return kExitRefused;
    }
    SPrintRefusal result;
    std::vector<std::string> messages;
    int glError = 0;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setCreator(QStringLiteral("tavcli"));
        writer.setPageLayout(QPageLayout(paper,
                                         landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0)));
        CPrintJob job(doc, camera, settings, options);
        result = job.Run(writer);
        messages = job.Messages();
        glError = job.GetError();
    }
    if (result.cancelled) {
        file.cancelWriting();
        return kExitRefused;
    }
    if (!result.ok) {
        file.cancelWriting();
        err << (result.messageId != 0 ? result.message : "tavcli: " + result.message) << "\n";
        return kExitRefused;
    }
    if (!messages.empty() || glError != 0) {
        file.cancelWriting();
        for (const std::string& m : messages) {
            err << m << "\n";
        }
        if (glError != 0) {
            err << "tavcli: the OpenGL context cannot be made current\n";
        }
        return kExitRefused;
    }
    if (!file.commit()) {
        err << output << ": the file cannot be written\n";
        return kExitRefused;
    }
    return kExitOk;
}
