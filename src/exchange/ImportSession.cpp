#include "exchange/ImportSession.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"

namespace {

constexpr char kOpenFailed[] = "Can not open the file: ";
constexpr char kNotRegular[] = "Can not open the file: it is not a regular file.";

}  // namespace

void CImportCollector::Add(std::unique_ptr<CEntity> entity, int layer) {
    entity->m_layer = layer;
    m_result.entities.push_back(std::move(entity));
}

void CImportCollector::AddAll(std::vector<std::unique_ptr<CEntity>>& entities) {
    for (auto& e : entities) {
        e->m_layer = kImportCurrentLayer;
    }
    if (m_result.entities.empty()) {
        m_result.entities.swap(entities);
    } else {
        m_result.entities.insert(m_result.entities.end(), std::make_move_iterator(entities.begin()),
                                 std::make_move_iterator(entities.end()));
    }
    entities.clear();
}

void CImportCollector::LineMessage(const std::string& text) {
    if (m_result.lineMessageCount++ < kKeptLineMessages) {
        m_result.messages.push_back({SImportMessage::EKind::Line, text});
    }
}

void CImportCollector::Message(const std::string& text) {
    m_result.messages.push_back({SImportMessage::EKind::Note, text});
}

void CImportCollector::FileError(const std::string& reason) {
    m_result.messages.push_back({SImportMessage::EKind::FileError, reason});
}

void CImportCollector::Unreadable(const std::string& reason) {
    FileError(reason);
    m_result.outcome = EImportOutcome::Refused;
    m_result.unreadable = true;
}

CImportStop ReadFailedStop(const std::string& reason) {
    const std::string text = kImportReadFailed + reason + ".";
    return CImportStop(EImportOutcome::Incomplete, {SImportMessage::EKind::FileError, text}, true);
}

void ApplyStop(SImportResult& result, const CImportStop& stop) {
    result.outcome = stop.m_outcome;
    result.unreadable = result.unreadable || stop.m_unreadable;
    if (!stop.m_message.text.empty()) {
        result.messages.push_back(stop.m_message);
    }
    if (result.outcome == EImportOutcome::Refused) {
        std::vector<std::unique_ptr<CEntity>>().swap(result.entities);
    }
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string& reason) {
    // Non-blocking so that opening a FIFO does not wait for a writer; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = std::string(kOpenFailed) + std::strerror(errno) + ".";
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        const bool regular = S_ISREG(st.st_mode);
        const bool dir = S_ISDIR(st.st_mode);
        ::close(fd);
        if (dir) {
            reason = std::string(kOpenFailed) + std::strerror(EISDIR) + ".";
        } else if (!regular) {
            reason = kNotRegular;
        } else {
            reason = std::string(kOpenFailed) + std::strerror(err) + ".";
        }
        return false;
    }
    try {
        out.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        reason = kImportNoMemory;
        return false;
    }
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            reason = std::string(kImportReadFailed) + std::strerror(errno) + ".";
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;  // the file shrank while being read: take what is there
        }
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    ::close(fd);
    return true;
}

std::string ImportProgressTitle(const SImportSource& source) {
    const size_t slash = source.name.find_last_of('/');
    return "Import " + (slash == std::string::npos ? source.name : source.name.substr(slash + 1));
}

namespace {

std::string FoldedName(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

// The drawing's index of each layer record: matched by name, or appended.
std::vector<int> MergeLayers(CTAVDoc& doc, std::vector<CLayer>& records, ELayerMatch match) {
    std::vector<int> index(records.size(), 0);
    const int own = doc.GetLayerCount();
    // By name: the first layer of each folded name, so thousands of layers match in linear time.
    std::unordered_map<std::string, int> byName;
    if (match != ELayerMatch::AppendRenamed) {
        for (int j = 0; j < own; ++j) {
            byName.emplace(FoldedName(doc.GetLayer(j).m_name), j);
        }
    }
    for (size_t i = 0; i < records.size(); ++i) {
        CLayer& record = records[i];
        if (match == ELayerMatch::AppendRenamed) {
            // Compared with the drawing's own layers only, in order; each match lengthens the
            // name the later comparisons see.
            for (int j = 0; j < own; ++j) {
                if (record.m_name == doc.GetLayer(j).m_name) {
                    record.m_name += " import";
                }
            }
        } else {
            const auto [it, added] = byName.emplace(FoldedName(record.m_name), doc.GetLayerCount());
            if (!added) {
                index[i] = it->second;
                continue;
            }
        }
        index[i] = doc.GetLayerCount();
        doc.Layers().push_back(std::move(record));
    }
    return index;
}

void ShowMessages(CPrompter& prompter, const SImportResult& result, const std::string& name) {
    CLineMessages lines(prompter);
    for (const SImportMessage& m : result.messages) {
        switch (m.kind) {
            case SImportMessage::EKind::Line:
                lines.Show(m.text);
                break;
            case SImportMessage::EKind::Note:
                prompter.ShowMessage(m.text, CPrompter::EIcon::Warning);
                break;
            case SImportMessage::EKind::FileError:
                prompter.ReportFileError(name, m.text);
                break;
        }
    }
    // Those not kept count as not shown.
    for (int64_t i = std::min<int64_t>(result.lineMessageCount, kKeptLineMessages);
         i < result.lineMessageCount; ++i) {
        lines.Show(std::string());
    }
}

EImportResult Reported(const SImportResult& result) {
    if (result.unreadable) {
        return EImportResult::OpenFailed;
    }
    switch (result.outcome) {
        case EImportOutcome::Complete:
            return EImportResult::Done;
        case EImportOutcome::Cancelled:
            return EImportResult::Cancelled;
        default:
            return EImportResult::Refused;
    }
}

}  // namespace

EImportResult ImportWith(CTAVDoc& doc, const SImportSource& source, SImportOptions options,
                         ImportReader read) {
    options.drawingLayers = doc.GetLayerCount();
    SImportResult result;
    {
        CWaitCursor wait(&doc.Prompter());
        result = read(source, options);
    }
    return MergeImport(doc, result, source.name);
}

EImportResult MergeImport(CTAVDoc& doc, SImportResult& result, const std::string& name) {
    CPrompter& prompter = doc.Prompter();
    if (result.outcome == EImportOutcome::Cancelled) {
        return EImportResult::Cancelled;
    }
    ShowMessages(prompter, result, name);
    if (result.outcome == EImportOutcome::Refused) {
        return Reported(result);
    }
    if (result.alignment) {
        SAlignment values = *result.alignment;
        if (!prompter.RunAlignmentDialog(values)) {
            return EImportResult::Cancelled;
        }
        CMatrix4 m;
        if (const char* problem = CheckAlignment(values)) {
            prompter.ShowMessage(problem, CPrompter::EIcon::Warning);
            return EImportResult::Refused;
        }
        if (!BuildPlacementMatrix(values, m)) {
            prompter.ShowMessage(kAlignModelNotSystem, CPrompter::EIcon::Warning);
            return EImportResult::Refused;
        }
        // Survey points only: the preload comes with readers of points.
        for (const auto& e : result.entities) {
            if (e->GetType() == kTypePoint) {
                CPoint3& p = static_cast<CPnt&>(*e).m_point;
                const uint32_t flag = p.flag;
                p = PlacePoint(m, values.leftHanded, p);
                p.flag = flag;
            }
        }
    }
    CWaitCursor wait(&prompter);
    // Entities, layers and the marks that follow undo as one.
    CDocStep step(doc, stepnames::kImport);
    const bool taken = !result.entities.empty() || !result.layers.empty();
    const int own = doc.GetLayerCount();
    const std::vector<int> layers = MergeLayers(doc, result.layers, result.layerMatch);
    const int current = doc.GetCurrentLayer();
    const int64_t total = doc.GetLayerCount();
    for (const auto& e : result.entities) {
        e->m_number = NextEntityNumber();
        const int record = e->m_layer;
        if (result.layerMatch == ELayerMatch::AppendRenamed) {
            const int64_t layer = static_cast<int64_t>(own) + record;
            e->m_layer = layer >= 0 && layer < total ? static_cast<int>(layer) : current;
        } else {
            e->m_layer = record >= 0 && record < static_cast<int>(layers.size())
                             ? layers[static_cast<size_t>(record)]
                             : current;
        }
    }
    result.mergedEntities = static_cast<int>(result.entities.size());
    doc.AppendEntities(result.entities);
    if (result.outcome == EImportOutcome::Complete || taken) {
        doc.RecomputeExtents();
        doc.InvalidateViews();
        doc.SetModifiedFlag(true);
        doc.UpdateAllViews(1);
        if (!result.closingNote.empty()) {
            prompter.ShowMessage(result.closingNote, CPrompter::EIcon::Warning);
        }
    }
    return Reported(result);
}
