#include "cli/RenderCommand.h"

#include <QGuiApplication>
#include <QImage>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <ostream>

#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "view/gl/OffscreenRender.h"

namespace {

int RenderUsage(std::ostream& err, const std::string& problem) {
    return CommandUsageError(err, problem, kRenderUsage);
}

// "640x480" with both sides 1..16384.
bool ParseSize(const std::string& text, int& w, int& h) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= text.size() || text.size() > 11) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (i != x && (text[i] < '0' || text[i] > '9')) {
            return false;
        }
    }
    w = std::atoi(text.substr(0, x).c_str());
    h = std::atoi(text.substr(x + 1).c_str());
    return w >= 1 && h >= 1 && w <= 16384 && h <= 16384;
}

}  // namespace

int OpenDocumentForGl(const char* verb, const std::string& input, CTAVDoc& doc,
                      std::unique_ptr<QGuiApplication>& app, std::ostream& err,
                      CProgress* progress) {
    if (QGuiApplication::instance() == nullptr && !HasDisplay()) {
        err << "tavcli: " << verb << " needs a display with OpenGL (run it under xvfb-run)\n";
        return kExitRefused;
    }
    if (!doc.OnOpenDocument(input, progress)) {
        return kExitRefused;
    }
    if (QGuiApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "tavcli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
        std::setlocale(LC_NUMERIC, "C");  // Qt took the user's locale; keep the full stop
    }
    return kExitOk;
}

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') {
        return true;  // the chosen platform says for itself whether it has GL
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

int RunRenderCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err) {
    std::string input, output;
    CRenderOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o") {
            if (!hasValue) {
                return RenderUsage(err, "-o needs a file name");
            }
            output = args[++i];
        } else if (a == "--mode") {
            if (!hasValue || args[i + 1].size() != 1 || args[i + 1][0] < '0' ||
                args[i + 1][0] > '3') {
                return RenderUsage(err, "--mode takes 0, 1, 2 or 3");
            }
            options.mode = args[++i][0] - '0';
        } else if (a == "--size") {
            if (!hasValue || !ParseSize(args[i + 1], options.width, options.height)) {
                return RenderUsage(err, "--size takes WIDTHxHEIGHT, each 1..16384");
            }
            ++i;
        } else if (a == "--white") {
            options.whiteBackground = true;
        } else if (a == "--names") {
            options.showNames = true;
        } else if (a == "--fit") {
            options.fit = true;
        } else if (!a.empty() && a[0] == '-') {
            return RenderUsage(err, "unknown option: " + a);
        } else if (input.empty()) {
            input = a;
        } else {
            return RenderUsage(err, "render takes one FILE");
        }
    }
    if (input.empty() || output.empty()) {
        return RenderUsage(err, "render takes FILE and -o OUT.png");
    }
    CTAVDoc doc(&prompter);
    std::unique_ptr<QGuiApplication> app;
    if (const int code = OpenDocumentForGl("render", input, doc, app, err); code != kExitOk) {
        return code;
    }
    QImage image;
    std::string error;
    if (!RenderDocumentImage(doc, options, image, error)) {
        err << "tavcli: " << error << "\n";
        return kExitRefused;
    }
    if (!image.save(QString::fromStdString(output), "PNG")) {
        err << output << ": the image cannot be written\n";
        return kExitRefused;
    }
    return kExitOk;
}
