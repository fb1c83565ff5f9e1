#include "cli/DataCommand.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <charconv>
#include <clocale>
#include <memory>
#include <ostream>

#include "cli/TavCli.h"
#include "document/DataNode.h"
#include "document/TAVDoc.h"
#include "printing/output/DataTreePainter.h"
#include "tools/core/DataRules.h"

namespace {

int DataUsage(std::ostream& err, const std::string& problem) {
    return CommandUsageError(err, problem, kDataUsage);
}

}  // namespace

int RunDataCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err) {
    std::string input, output, entity;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--entity" || a == "-o") {
            if (i + 1 >= args.size()) {
                return DataUsage(err, a + " needs a value");
            }
            (a == "-o" ? output : entity) = args[++i];
        } else if (input.empty()) {
            input = a;
        } else {
            return DataUsage(err, "data takes one FILE");
        }
    }
    long long index = 0;
    if (input.empty() || output.empty() || entity.empty()) {
        return DataUsage(err, "data takes FILE, --entity K and -o OUT.pdf");
    }
    if (!ParseWholeNumber(entity, index)) {
        return DataUsage(err, "--entity needs a whole number: " + entity);
    }
    CTAVDoc doc(&prompter);
    if (!doc.OnOpenDocument(input)) {
        return kExitRefused;
    }
    if (index < 0 || index >= doc.GetEntityCount()) {
        err << "tavcli: entity " << entity << " is out of range (the document has "
            << doc.GetEntityCount() << " entities)\n";
        return kExitRefused;
    }
    const CDataNode& tree = doc.GetEntity(static_cast<int>(index))->m_data;
    if (tree.GetText().empty()) {
        err << "tavcli: entity " << entity << " has no data\n";
        return kExitRefused;
    }
    // Fonts need a GUI application; the offscreen platform needs no display. Qt takes its
    // options out of argv, so each run gets a fresh one that outlives the application.
    char name[] = "tavcli";
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    char* argv[] = {name, platform, offscreen, nullptr};
    int argc = 3;
    std::unique_ptr<QGuiApplication> app;
    if (QGuiApplication::instance() == nullptr) {
        app = std::make_unique<QGuiApplication>(argc, argv);
        std::setlocale(LC_NUMERIC, "C");  // Qt took the user's locale; keep the full stop
    }
    int pages = 0;
    {
        QPdfWriter writer(QString::fromStdString(output));
        writer.setTitle(QString::fromUtf8(datatexts::kPrintJob));
        writer.setCreator(QStringLiteral("tavcli"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(600);
        pages = PaintDataTree(writer, tree);
    }
    if (pages == 0) {
        err << output << ": the PDF cannot be written\n";
        return kExitRefused;
    }
    return kExitOk;
}
