#include "cli/MeasureCommand.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "tools/core/Measurement.h"

namespace {

int MeasureUsage(std::ostream& err, const std::string& problem) {
    return CommandUsageError(err, problem, kMeasureUsage);
}

}  // namespace

int RunMeasureCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& out,
                      std::ostream& err) {
    std::string file;
    long long index = -1;
    bool hasIndex = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--entity") {
            if (i + 1 >= args.size() || !ParseWholeNumber(args[i + 1], index)) {
                return MeasureUsage(err, "--entity takes a whole number");
            }
            hasIndex = true;
            ++i;
        } else if (!a.empty() && a[0] == '-') {
            return MeasureUsage(err, "unknown option: " + a);
        } else if (!file.empty()) {
            return MeasureUsage(err, "measure takes one FILE");
        } else {
            file = a;
        }
    }
    if (file.empty() || !hasIndex) {
        return MeasureUsage(err, "measure takes FILE and --entity K");
    }
    CTAVDoc doc(&prompter);
    if (!doc.OnOpenDocument(file)) {
        return kExitRefused;
    }
    if (index < 0 || index >= doc.GetEntityCount()) {
        err << "tavcli: entity " << index << " is out of range: the document holds "
            << doc.GetEntityCount() << " entities (0 to " << doc.GetEntityCount() - 1 << ")\n";
        return kExitRefused;
    }
    const CEntity& e = *doc.GetEntity(static_cast<int>(index));
    const SEntityInfo info = EntityInfo(e, &prompter);
    if (!info.available) {
        err << "tavcli: entity " << index << " is a "
            << (e.GetType() == kTypeText ? "text" : "point") << " (type " << e.GetType()
            << "): it has no information\n";
        return kExitRefused;
    }
    nlohmann::ordered_json j;
    j["entity"] = index;
    j["type"] = info.type;
    j["kind"] = info.group;
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    // The rows the dialog shows: an empty label or value hides a row.
    if (!info.label1.empty() && !info.value1.empty()) {
        rows.push_back({info.label1, info.value1});
    }
    if (!info.label2.empty() && !info.value2.empty()) {
        rows.push_back({info.label2, info.value2});
    }
    j["rows"] = rows;
    j[info.isPerimeter ? "perimeter" : "length"] = info.lengthOrPerimeter;
    j["area"] = info.area ? nlohmann::ordered_json(*info.area) : nlohmann::ordered_json(nullptr);
    out << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    return kExitOk;
}
