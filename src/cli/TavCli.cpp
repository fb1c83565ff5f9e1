#include "cli/TavCli.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <ostream>

#include "cli/DocJson.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"

namespace {

constexpr char kUsage[] =
    "Usage: tavcli COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  info FILE          print a JSON summary of a .tav document: header, layer count,\n"
    "                     entity counts by type code (100 polygon, 101 polyline, 102 text,\n"
    "                     103 arc, 104 point) and the extents\n"
    "  dump FILE          print the whole document as JSON\n"
    "  convert IN OUT     read the .tav document IN and write it to OUT (.tav) in the\n"
    "                     current version\n"
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

private:
    std::ostream& m_err;
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

int Usage(std::ostream& err, const std::string& problem) {
    err << "tavcli: " << problem << "\n\n" << kUsage;
    return kExitUsage;
}

}  // namespace

int RunTavCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return Usage(err, "no command given");
    }
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        out << kUsage;
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
        if (cmd == "convert") {
            if (args.size() != 3) {
                return Usage(err, "convert takes IN and OUT");
            }
            if (!HasExtension(args[2], ".tav")) {
                return Usage(err, "unsupported output format (use .tav): " + args[2]);
            }
            CTAVDoc doc(&prompter);
            if (!doc.OnOpenDocument(args[1])) {
                return kExitRefused;
            }
            if (!doc.OnSaveDocument(args[2])) {
                return kExitRefused;
            }
            return kExitOk;
        }
    } catch (const std::bad_alloc&) {
        err << "Not enough memory.\n";
        return kExitRefused;
    }
    return Usage(err, "unknown command: " + cmd);
}
