#include "document/TAVDoc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>

#include "document/Archive.h"
#include "document/AtomicFile.h"
#include "document/Cp1250.h"
#include "document/Progress.h"
#include "document/Prompter.h"
#include "document/StringTable.h"
#include "document/StrokeFont.h"

namespace {

// Answers Yes and shows nothing when no prompter was given.
CSilentPrompter g_silentPrompter;

// Titles of the progress of opening and saving; the file name follows.
constexpr char kOpenTitle[] = "Otwieranie ";
constexpr char kSaveTitle[] = "Zapisywanie ";

// Share of an open's progress that reading the bytes takes (decoding takes the rest).
constexpr double kReadShare = 0.2;
// Bytes read at a time, and entities between two looks at the progress.
constexpr size_t kReadBlock = size_t{4} << 20;
constexpr uint32_t kEntityBlockMask = 1023;

// A header line is short; do not scan a foreign file for an LF.
constexpr size_t kMaxHeaderBytes = 64;

// Smallest records on disk, used to refuse counts the file cannot hold.
constexpr uint64_t kMinLayerBytes = 4 + 4 + 1;
constexpr uint64_t kMinSystemBytes = 9 * 8 + 1;
constexpr uint64_t kMinPlaneBytes = 4 + 6 * 8 + 1;
constexpr uint64_t kMatrixBytes = 16 * 8;
// type code, data node, reserved, layer, number, name, colour
constexpr uint64_t kMinEntityBytes = 4 + CDataNode::kMinStoredBytes + 4 + 4 + 4 + 1 + 24;
constexpr uint64_t kMinOldEntityBytes = CDataNode::kMinStoredBytes + 4 + 4 + 1 + 24;

std::string FormatMessage(const char* fmt, long long a, long long b = 0, long long c = 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

[[noreturn]] void Refuse(CArchiveException::ECause cause, const std::string& text) {
    throw CArchiveException(cause, text);
}

bool CornersAgree(const CPoint3& a, const CPoint3& b) {
    return std::abs(a.x - b.x) < 1e-8 && std::abs(a.y - b.y) < 1e-8 && std::abs(a.z - b.z) < 1e-8;
}

// The first point an entity contributes to the box, if it has one.
bool SeedPoint(const CEntity& e, CPoint3& minCorner, CPoint3& maxCorner) {
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline: {
            const auto& poly = static_cast<const CPoly&>(e);
            if (poly.m_vertices.empty()) {
                return false;
            }
            minCorner = maxCorner = poly.m_vertices[0];
            return true;
        }
        case kTypeText:
            minCorner = maxCorner = static_cast<const CText&>(e).m_position;
            return true;
        case kTypeArc: {
            const auto& arc = static_cast<const CArc&>(e);
            const CVec3 r(arc.m_radius, arc.m_radius, arc.m_radius);
            minCorner = arc.m_center - r;
            maxCorner = arc.m_center + r;
            return true;
        }
        case kTypePoint:
            minCorner = maxCorner = static_cast<const CPnt&>(e).m_point;
            return true;
        default:
            return false;
    }
}

// Asks the question about element i and erases it on Yes. Returns the index to select next,
// -1 when the table became empty, -2 when nothing was deleted (index out of range or No).
template <typename T>
int AskAndErase(CPrompter& prompter, std::vector<T>& table, int i, unsigned question) {
    if (i < 0 || i >= static_cast<int>(table.size())) {
        return -2;
    }
    if (!prompter.AskYesNo(LoadStr(question), CPrompter::EIcon::Question)) {
        return -2;
    }
    table.erase(table.begin() + i);
    const int count = static_cast<int>(table.size());
    return i < count ? i : count - 1;
}

int ClampFont(int font) {
    return (font < 0 || font > 3) ? 3 : font;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Closes a file descriptor on every way out, keeping errno.
class CFdCloser {
public:
    explicit CFdCloser(int fd) : m_fd(fd) {}
    ~CFdCloser() {
        const int err = errno;
        ::close(m_fd);
        errno = err;
    }
    CFdCloser(const CFdCloser&) = delete;
    CFdCloser& operator=(const CFdCloser&) = delete;

private:
    int m_fd;
};

// Reads a whole file into an uninitialised buffer (no zero fill for big drawings), in blocks
// that meter (may be null) hears of; false with errno set on failure, CWorkCancelled when the
// meter says stop.
bool ReadWholeFile(const std::string& path, std::unique_ptr<uint8_t[]>& data, size_t& size,
                   CProgressMeter* meter) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const CFdCloser closer(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    size = static_cast<size_t>(st.st_size);
    data.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!data) {
        errno = ENOMEM;
        return false;
    }
    size_t done = 0;
    while (done < size) {
        if (meter != nullptr) {
            meter->Check(kReadShare * static_cast<double>(done) / static_cast<double>(size));
        }
        const ssize_t n = ::read(fd, data.get() + done, std::min(size - done, kReadBlock));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;  // the file shrank while being read: take what is there
        }
        done += static_cast<size_t>(n);
    }
    size = done;
    return true;
}

// Tells meter (may be null) how far decoding got, every kEntityBlockMask + 1 entities.
void CheckLoad(CProgressMeter* meter, const CArchive& ar, uint64_t entity) {
    if (meter != nullptr && (entity & kEntityBlockMask) == 0) {
        const double total = static_cast<double>(ar.Position() + ar.Remaining());
        meter->Check(kReadShare + (1.0 - kReadShare) * static_cast<double>(ar.Position()) /
                                      (total > 0 ? total : 1.0));
    }
}

}  // namespace

CTAVDoc::CTAVDoc(CPrompter* prompter) : m_prompter(prompter ? prompter : &g_silentPrompter) {
    m_layers.emplace_back(std::string(LoadStr(41489)) + "1", 0, 1);
}

CTAVDoc::~CTAVDoc() = default;

void CTAVDoc::SetPrompter(CPrompter* prompter) {
    m_prompter = prompter ? prompter : &g_silentPrompter;
}

// ---------------------------------------------------------------------------------------------
// Views

void CTAVDoc::AddObserver(CDocObserver* observer) {
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
        m_observers.push_back(observer);
    }
}

void CTAVDoc::RemoveObserver(CDocObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void CTAVDoc::InvalidateViews() {
    for (CDocObserver* o : m_observers) {
        o->InvalidateDisplayList();
    }
}

void CTAVDoc::UpdateAllViews(int hint) {
    for (CDocObserver* o : m_observers) {
        o->OnDocumentUpdate(hint);
    }
}

void CTAVDoc::SetModifiedFlag(bool modified) {
    m_history.NoteModified(modified);
    m_changeCount += modified ? 1 : 0;
    if (m_modified != modified) {
        m_modified = modified;
        NotifyStateChanged();
    }
}

void CTAVDoc::SetBusy(bool busy) {
    if (m_busy != busy) {
        m_busy = busy;
        NotifyStateChanged();
    }
}

void CTAVDoc::NotifyStateChanged() {
    for (CDocObserver* o : m_observers) {
        o->OnDocumentStateChanged();
    }
}

void CTAVDoc::NotifyEntitiesRemoved() {
    for (CDocObserver* o : m_observers) {
        o->OnEntitiesRemoved();
    }
}

// ---------------------------------------------------------------------------------------------
// Lifecycle

int CTAVDoc::OnNewDocument() {
    m_layers.clear();
    m_layers.emplace_back(std::string(LoadStr(41489)) + "1", 0, 1);
    m_currentColor[0] = m_currentColor[1] = m_currentColor[2] = 1.0;
    m_currentLayer = 0;
    SetLastEntityNumber(0);
    const bool hadEntities = !m_entities.empty();
    m_entities.clear();
    m_coordSystems.clear();
    m_activeCoordSystem = -1;
    m_clipPlanes.clear();
    m_matrices.clear();
    m_min = CPoint3(0.0, 0.0, -1.0);
    m_max = CPoint3(0.0, 0.0, 1.0);
    m_loadedHeader.clear();
    m_history.Clear();
    SetModifiedFlag(false);
    if (hadEntities) {
        NotifyEntitiesRemoved();
    }
    for (CDocObserver* o : m_observers) {
        o->InvalidateDisplayList();
        o->ResetCurrentPick();
    }
    UpdateAllViews(1);
    return 1;
}

void CTAVDoc::TakeContentFrom(CTAVDoc& other) {
    m_max = other.m_max;
    m_min = other.m_min;
    m_layers = std::move(other.m_layers);
    m_currentLayer = other.m_currentLayer;
    m_entities = std::move(other.m_entities);
    m_coordSystems = std::move(other.m_coordSystems);
    m_activeCoordSystem = other.m_activeCoordSystem;
    m_clipPlanes = std::move(other.m_clipPlanes);
    m_matrices = std::move(other.m_matrices);
    m_viewState = other.m_viewState;
    m_loadedHeader = std::move(other.m_loadedHeader);
    m_history.Clear();
}

void CTAVDoc::LoadFromBytes(std::span<const uint8_t> data) {
    LoadContent(data, nullptr);
}

void CTAVDoc::LoadContent(std::span<const uint8_t> data, CProgressMeter* meter) {
    // Load into a scratch document so that a bad file leaves this one as it was; the entity
    // counter is put back too, since nothing of the file was taken.
    const int lastNumber = GetLastEntityNumber();
    CTAVDoc scratch(m_prompter);
    try {
        CArchive ar(data);
        scratch.Load(ar, meter);
    } catch (...) {
        SetLastEntityNumber(lastNumber);
        throw;
    }
    const bool hadEntities = !m_entities.empty();
    TakeContentFrom(scratch);
    if (hadEntities) {
        NotifyEntitiesRemoved();
    }
}

bool CTAVDoc::OnOpenDocument(const std::string& path, CProgress* progress) {
    std::string error;
    bool failed = false;
    {
        // The meter ends (and a progress dialog goes) before any message is shown.
        CProgressMeter meter(progress, kOpenTitle + FileNameOf(path));
        CProgressMeter* seen = progress != nullptr ? &meter : nullptr;
        try {
            std::unique_ptr<uint8_t[]> data;
            size_t size = 0;
            if (!ReadWholeFile(path, data, size, seen)) {
                error = std::string("Can not read the file: ") + std::strerror(errno) + ".";
                failed = true;
            } else {
                CWaitCursor wait(m_prompter);
                LoadContent(std::span<const uint8_t>(data.get(), size), seen);
            }
        } catch (const CWorkCancelled&) {
            return false;
        } catch (const CArchiveException& e) {
            error = e.what();
            failed = true;
        } catch (const std::bad_alloc&) {
            error = "Not enough memory to read the document.";
            failed = true;
        }
    }
    if (failed) {
        m_prompter->ReportFileError(path, error);
        return false;
    }
    m_pathName = path;
    m_history.Clear();
    SetModifiedFlag(false);
    for (CDocObserver* o : m_observers) {
        o->InvalidateDisplayList();
        o->ResetCurrentPick();
    }
    UpdateAllViews(1);
    return true;
}

std::vector<uint8_t> CTAVDoc::SaveToBytes() {
    CArchive ar;
    Store(ar, nullptr);
    return ar.TakeBuffer();
}

bool CTAVDoc::OnSaveDocument(const std::string& path, CProgress* progress) {
    // Write beside the target and rename over it only when everything is on disk, so a failed
    // or stopped save never destroys the previous file.
    CAtomicFile file;
    std::string error;
    if (!file.Open(path, error)) {
        m_prompter->ReportFileError(path, error);
        return false;
    }
    CArchive ar;
    bool failed = false;
    ar.SetSink([&file](const uint8_t* data, size_t size) {
        std::string writeError;
        if (!file.Write(data, size, writeError)) {
            throw CArchiveException(CArchiveException::genericException, writeError);
        }
    });
    {
        CProgressMeter meter(progress, kSaveTitle + FileNameOf(path));
        try {
            CWaitCursor wait(m_prompter);
            Store(ar, progress != nullptr ? &meter : nullptr);
            ar.Flush();
        } catch (const CWorkCancelled&) {
            file.Discard();
            return false;
        } catch (const CArchiveException& e) {
            error = e.what();
            failed = true;
        } catch (const std::bad_alloc&) {
            error = "Not enough memory to save the document.";
            failed = true;
        }
    }
    if (failed || !file.Commit(error)) {
        file.Discard();
        m_prompter->ReportFileError(path, error);
        return false;
    }
    if (ar.HadUnmappableChars()) {
        m_prompter->ShowMessage(
            "Niektórych znaków nie można zapisać w kodzie Windows-1250; zapisano je jako \"?\".",
            CPrompter::EIcon::Warning);
    }
    m_pathName = path;
    SetModifiedFlag(false);
    return true;
}

// ---------------------------------------------------------------------------------------------
// File format

void CTAVDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar, nullptr);
    } else {
        Load(ar, nullptr);
    }
}

void CTAVDoc::Store(CArchive& ar, CProgressMeter* meter) {
    if (!m_observers.empty()) {
        m_observers.front()->StoreViewState(*this);
    }
    ar.Reserve(256 + m_entities.size() * 96);
    ar.WriteLine(kHeader211);
    ar.WriteU32(static_cast<uint32_t>(m_layers.size()));
    ar.WriteI32(m_currentLayer);
    ar.WriteU32(static_cast<uint32_t>(m_coordSystems.size()));
    ar.WriteI32(m_activeCoordSystem);
    ar.WriteU32(static_cast<uint32_t>(m_clipPlanes.size()));
    ar.WriteU32(static_cast<uint32_t>(m_matrices.size()));
    ar.WriteU32(static_cast<uint32_t>(m_entities.size()));

    ar.WriteCount(m_layers.size());
    for (CLayer& l : m_layers) {
        l.Serialize(ar);
    }
    ar.WriteCount(m_coordSystems.size());
    for (CCoordSystem& s : m_coordSystems) {
        s.Serialize(ar);
    }
    ar.WriteCount(m_clipPlanes.size());
    for (CClipPlane& p : m_clipPlanes) {
        p.Serialize(ar);
    }
    ar.WriteCount(m_matrices.size());
    for (const CMatrix4& m : m_matrices) {
        ar.WriteMatrix(m);
    }
    const size_t count = m_entities.size();
    for (size_t i = 0; i < count; ++i) {
        if (meter != nullptr && (i & kEntityBlockMask) == 0) {
            meter->Check(static_cast<double>(i) / static_cast<double>(count));
        }
        CEntity& e = *m_entities[i];
        ar.WriteU32(static_cast<uint32_t>(e.GetType()));
        e.Serialize(ar);
    }

    const CViewState& v = m_viewState;
    ar.WriteU32(static_cast<uint32_t>(v.renderMode));
    ar.WritePoint3(v.target);
    ar.WritePoint3(v.eye);
    ar.WriteU32(static_cast<uint32_t>(v.clientWidth));
    ar.WriteU32(static_cast<uint32_t>(v.clientHeight));
    ar.WriteF64(v.windowLeft);
    ar.WriteF64(v.windowRight);
    ar.WriteF64(v.windowBottom);
    ar.WriteF64(v.windowTop);
    ar.WriteF64(v.spinAngle);
    ar.WriteF64(v.nearPlane);
    ar.WriteF64(v.farPlane);
    ar.WriteF64(v.viewAngle);
    ar.WriteF64(v.scale);
    ar.WriteU32(static_cast<uint32_t>(v.perspective));
    ar.WriteU32(static_cast<uint32_t>(v.targetMarker));
    ar.WriteU16(v.localizationMask);
}

void CTAVDoc::Load(CArchive& ar, CProgressMeter* meter) {
    std::string header;
    bool headerRead = true;
    try {
        header = ar.ReadLine(kMaxHeaderBytes);
    } catch (const CArchiveException&) {
        headerRead = false;
    }
    if (headerRead && header == kHeader110) {
        m_loadedHeader = header;
        LoadOldLayout(ar, meter);
        FinishLoad();
        return;
    }
    if (!headerRead || (header != kHeader201 && header != kHeader211)) {
        m_prompter->Beep();
        m_prompter->ShowMessage(LoadStr(41522), CPrompter::EIcon::Warning);
        Refuse(CArchiveException::badIndex, "Unrecognized header in document file.");
    }
    m_loadedHeader = header;

    const uint32_t layerCount = ar.ReadU32();
    const int32_t currentLayer = ar.ReadI32();
    const uint32_t systemCount = ar.ReadU32();
    const int32_t activeSystem = ar.ReadI32();
    const uint32_t planeCount = ar.ReadU32();
    const uint32_t matrixCount = ar.ReadU32();
    const uint32_t entityCount = ar.ReadU32();
    LoadTables(ar, layerCount, currentLayer, systemCount, activeSystem, planeCount, matrixCount,
               false);

    ar.CheckAvailable(entityCount, kMinEntityBytes, "Entity count");
    m_entities.clear();
    m_entities.reserve(entityCount);
    for (uint32_t i = 0; i < entityCount; ++i) {
        CheckLoad(meter, ar, i);
        const size_t at = ar.Position();
        const uint32_t type = ar.ReadU32();
        std::unique_ptr<CEntity> e = CreateEntity(static_cast<int>(type));
        if (!e) {
            Refuse(CArchiveException::badClass,
                   FormatMessage("Unknown entity type code %lld at byte %lld (entity %lld).", type,
                                 static_cast<long long>(at), i + 1));
        }
        e->Serialize(ar);
        // The record's own closed flag may disagree with its code; a polygon either way gets
        // its triangulation so that it can be filled.
        if (type == kTypePolygon || e->GetType() == kTypePolygon) {
            auto* poly = static_cast<CPoly*>(e.get());
            poly->Tessellate();
            poly->ComputePlane();
        }
        m_entities.push_back(std::move(e));
    }
    LoadViewState(ar, true);
    FinishLoad();
}

void CTAVDoc::LoadTables(CArchive& ar, uint32_t layerCount, int32_t currentLayer,
                         uint32_t systemCount, int32_t activeSystem, uint32_t planeCount,
                         uint32_t matrixCount, bool matricesLast) {
    uint32_t n = ar.ReadCount();
    ar.CheckAvailable(n, kMinLayerBytes, "Layer count");
    m_layers.assign(n, CLayer());
    for (CLayer& l : m_layers) {
        l.Serialize(ar);
    }
    n = ar.ReadCount();
    ar.CheckAvailable(n, kMinSystemBytes, "Coordinate system count");
    m_coordSystems.assign(n, CCoordSystem());
    for (CCoordSystem& s : m_coordSystems) {
        s.Serialize(ar);
    }
    n = ar.ReadCount();
    ar.CheckAvailable(n, kMinPlaneBytes, "Clipping plane count");
    m_clipPlanes.assign(n, CClipPlane());
    for (CClipPlane& p : m_clipPlanes) {
        p.Serialize(ar);
    }
    if (!matricesLast) {
        LoadMatrices(ar, matrixCount);
    }

    // The in-use counts may be smaller than the arrays; the tail of an array is unused.
    if (layerCount > m_layers.size()) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The layer count %lld exceeds the %lld layers stored.", layerCount,
                             static_cast<long long>(m_layers.size())));
    }
    if (layerCount == 0) {
        Refuse(CArchiveException::badIndex, "The document has no layer.");
    }
    m_layers.resize(layerCount);
    if (systemCount > m_coordSystems.size()) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The coordinate system count %lld exceeds the %lld systems stored.",
                             systemCount, static_cast<long long>(m_coordSystems.size())));
    }
    m_coordSystems.resize(systemCount);
    if (planeCount > m_clipPlanes.size()) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The clipping plane count %lld exceeds the %lld planes stored.",
                             planeCount, static_cast<long long>(m_clipPlanes.size())));
    }
    m_clipPlanes.resize(planeCount);
    if (currentLayer < 0 || currentLayer >= static_cast<int64_t>(layerCount)) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The current layer %lld does not exist (%lld layers).", currentLayer,
                             layerCount));
    }
    m_currentLayer = currentLayer;
    if (activeSystem < -1 || activeSystem >= static_cast<int64_t>(systemCount)) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The active coordinate system %lld does not exist (%lld systems).",
                             activeSystem, systemCount));
    }
    m_activeCoordSystem = activeSystem;
}

void CTAVDoc::LoadMatrices(CArchive& ar, uint32_t matrixCount) {
    const uint32_t n = ar.ReadCount();
    ar.CheckAvailable(n, kMatrixBytes, "Matrix count");
    m_matrices.resize(n);
    for (CMatrix4& m : m_matrices) {
        m = ar.ReadMatrix();
    }
    if (matrixCount > m_matrices.size()) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The matrix count %lld exceeds the %lld matrices stored.", matrixCount,
                             static_cast<long long>(m_matrices.size())));
    }
    m_matrices.resize(matrixCount);
}

void CTAVDoc::LoadViewState(CArchive& ar, bool withMask) {
    CViewState v;
    v.renderMode = static_cast<int32_t>(ar.ReadU32());
    v.target = ar.ReadPoint3();
    v.eye = ar.ReadPoint3();
    v.clientWidth = static_cast<int32_t>(ar.ReadU32());
    v.clientHeight = static_cast<int32_t>(ar.ReadU32());
    v.windowLeft = ar.ReadF64();
    v.windowRight = ar.ReadF64();
    v.windowBottom = ar.ReadF64();
    v.windowTop = ar.ReadF64();
    v.spinAngle = ar.ReadF64();
    v.nearPlane = ar.ReadF64();
    v.farPlane = ar.ReadF64();
    v.viewAngle = ar.ReadF64();
    v.scale = ar.ReadF64();
    v.perspective = static_cast<int32_t>(ar.ReadU32());
    v.targetMarker = static_cast<int32_t>(ar.ReadU32());
    v.localizationMask = withMask ? ar.ReadU16() : 0;
    m_viewState = v;
}

void CTAVDoc::LoadOldLayout(CArchive& ar, CProgressMeter* meter) {
    const uint32_t layerCount = ar.ReadU32();
    const int32_t currentLayer = ar.ReadI32();
    const uint32_t systemCount = ar.ReadU32();
    const int32_t activeSystem = ar.ReadI32();
    const uint32_t planeCount = ar.ReadU32();
    uint32_t groupCounts[5];
    for (uint32_t& c : groupCounts) {
        c = ar.ReadU32();
    }
    const uint32_t matrixCount = ar.ReadU32();
    LoadTables(ar, layerCount, currentLayer, systemCount, activeSystem, planeCount, matrixCount,
               true);

    uint64_t total = 0;
    for (uint32_t c : groupCounts) {
        total += c;
    }
    ar.CheckAvailable(total, kMinOldEntityBytes, "Entity count");
    m_entities.clear();
    m_entities.reserve(static_cast<size_t>(total));
    // Groups in file order: polygons, polylines, texts, arcs, points.
    static constexpr int kGroupTypes[5] = {kTypePolygon, kTypePolyline, kTypeText, kTypeArc,
                                           kTypePoint};
    uint64_t done = 0;
    for (int g = 0; g < 5; ++g) {
        ar.ReadCount();  // the array's own count; the header's count decides
        for (uint32_t i = 0; i < groupCounts[g]; ++i) {
            CheckLoad(meter, ar, done++);
            std::unique_ptr<CEntity> e = CreateEntity(kGroupTypes[g]);
            e->LoadOld(ar);
            if (kGroupTypes[g] == kTypePolygon) {
                auto* poly = static_cast<CPoly*>(e.get());
                poly->m_closed = 1;
                poly->Tessellate();
                poly->ComputePlane();
            } else if (kGroupTypes[g] == kTypePolyline) {
                static_cast<CPoly*>(e.get())->m_closed = 0;
            }
            m_entities.push_back(std::move(e));
        }
    }
    LoadMatrices(ar, matrixCount);
    LoadViewState(ar, false);
}

void CTAVDoc::CheckLoadedIndices() const {
    if (m_matrices.size() != m_coordSystems.size()) {
        Refuse(CArchiveException::badIndex,
               FormatMessage("The document has %lld matrices for %lld coordinate systems.",
                             static_cast<long long>(m_matrices.size()),
                             static_cast<long long>(m_coordSystems.size())));
    }
    const int64_t layers = static_cast<int64_t>(m_layers.size());
    for (size_t i = 0; i < m_entities.size(); ++i) {
        const int layer = m_entities[i]->m_layer;
        if (layer < 0 || layer >= layers) {
            Refuse(CArchiveException::badIndex,
                   FormatMessage("Entity %lld refers to layer %lld, which does not exist.",
                                 static_cast<long long>(i + 1), layer));
        }
    }
}

void CTAVDoc::FinishLoad() {
    CheckLoadedIndices();
    RecomputeExtents();
    WidenDegenerateExtents();
}

// ---------------------------------------------------------------------------------------------
// Entities

int CTAVDoc::AddEntity(std::unique_ptr<CEntity> entity) {
    m_entities.push_back(std::move(entity));
    const int index = static_cast<int>(m_entities.size()) - 1;
    m_history.RecordInsert(index, 1);
    return index;
}

void CTAVDoc::AppendEntities(std::vector<std::unique_ptr<CEntity>>& entities) {
    m_history.RecordInsert(GetEntityCount(), static_cast<int>(entities.size()));
    if (m_entities.empty()) {
        m_entities.swap(entities);
    } else {
        m_entities.insert(m_entities.end(), std::make_move_iterator(entities.begin()),
                          std::make_move_iterator(entities.end()));
    }
    entities.clear();
}

bool CTAVDoc::RemoveEntity(int i) {
    if (i < 0 || i >= GetEntityCount()) {
        return false;
    }
    if (m_history.Recording()) {
        std::vector<std::unique_ptr<CEntity>> gone;
        gone.push_back(std::move(m_entities[static_cast<size_t>(i)]));
        m_history.RecordRemove({i}, std::move(gone));
    }
    m_entities.erase(m_entities.begin() + i);
    NotifyEntitiesRemoved();
    return true;
}

int CTAVDoc::RemoveEntities(std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    std::erase_if(indices, [n = GetEntityCount()](int i) { return i < 0 || i >= n; });
    if (indices.empty()) {
        return 0;
    }
    std::vector<std::unique_ptr<CEntity>> gone = ExtractEntities(m_entities, indices);
    const int count = static_cast<int>(indices.size());
    m_history.RecordRemove(std::move(indices), std::move(gone));
    NotifyEntitiesRemoved();
    return count;
}

void CTAVDoc::DeleteAllEntities() {
    if (m_entities.empty()) {
        return;
    }
    if (m_history.Recording()) {
        std::vector<int> all(m_entities.size());
        for (size_t i = 0; i < all.size(); ++i) {
            all[i] = static_cast<int>(i);
        }
        m_history.RecordRemove(std::move(all), std::move(m_entities));
    }
    m_entities.clear();
    NotifyEntitiesRemoved();
}

int CTAVDoc::GetPointCount() const {
    int n = 0;
    for (const auto& e : m_entities) {
        if (e->GetType() == kTypePoint) {
            ++n;
        }
    }
    return n;
}

int64_t CTAVDoc::EstimateVertexCount(int withNames) const {
    const int64_t perGlyph = CStrokeFontMetrics::Get().MaxGlyphVertexCount();
    int64_t total = 0;
    for (const auto& e : m_entities) {
        switch (e->GetType()) {
            case kTypePolygon:
                total += static_cast<const CPoly&>(*e).GetVertexCount();
                break;
            case kTypePolyline:
                total += std::max(0, static_cast<const CPoly&>(*e).GetVertexCount() - 1);
                break;
            case kTypeText:
                total +=
                    static_cast<int64_t>(static_cast<const CText&>(*e).GetTextLength()) * perGlyph;
                break;
            case kTypeArc:
                total += 300;
                break;
            case kTypePoint:
                if (withNames) {
                    total += static_cast<int64_t>(Utf8CharCount(e->m_name)) * perGlyph;
                }
                break;
            default:
                break;
        }
    }
    return total;
}

// ---------------------------------------------------------------------------------------------
// Extents

void CTAVDoc::SetExtents(const CPoint3& minCorner, const CPoint3& maxCorner) {
    m_min = minCorner;
    m_max = maxCorner;
}

void CTAVDoc::WidenDegenerateExtents() {
    if (CornersAgree(m_min, m_max)) {
        m_min.z -= 1.0;
        m_max.z += 1.0;
    }
}

void CTAVDoc::RecomputeExtents() {
    if (m_entities.empty()) {
        return;
    }
    CWaitCursor wait(m_prompter);
    // Seed from the first entity that has a point: DXF imports make polylines without vertices.
    size_t first = 0;
    CPoint3 lo, hi;
    while (first < m_entities.size() && !SeedPoint(*m_entities[first], lo, hi)) {
        ++first;
    }
    if (first == m_entities.size()) {
        return;
    }
    m_min = lo;
    m_max = hi;
    const CStrokeFontMetrics& fonts = CStrokeFontMetrics::Get();
    for (size_t i = first; i < m_entities.size(); ++i) {
        const CEntity& e = *m_entities[i];
        switch (e.GetType()) {
            case kTypePolygon:
            case kTypePolyline:
                for (const CPoint3& v : static_cast<const CPoly&>(e).m_vertices) {
                    ExtendExtents(v);
                }
                break;
            case kTypeText: {
                const auto& t = static_cast<const CText&>(e);
                ExtendExtents(t.m_position);
                double width = 0.0, height = 0.0;
                fonts.MeasureString(t.m_text, ClampFont(t.m_font), width, height);
                CMatrix4 frame;
                frame.SetArbitraryAxisFrame(t.m_position, t.m_axis, t.m_rotation);
                CVec3 extent(width * t.m_height, height * t.m_height, 0.0);
                extent.RotateBy(frame);
                ExtendExtents(t.m_position + extent);
                break;
            }
            case kTypeArc: {
                // Start, mid and end, or five points beyond 180 degrees (a full circle's lie
                // within its seed). One frame serves all of them.
                const auto& a = static_cast<const CArc&>(e);
                const CMatrix4 frame = a.GetFrame();
                const int steps = a.m_length > 180.0 ? 4 : 2;
                for (int k = 0; k <= steps; ++k) {
                    ExtendExtents(a.PointInFrame(frame, a.m_length * k / steps));
                }
                break;
            }
            case kTypePoint:
                ExtendExtents(static_cast<const CPnt&>(e).m_point);
                break;
            default:
                break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Colour

void CTAVDoc::GetCurrentColor(double rgb[3]) const {
    for (int i = 0; i < 3; ++i) {
        rgb[i] = m_currentColor[i];
    }
}

void CTAVDoc::SetCurrentColor(const double rgb[3]) {
    for (int i = 0; i < 3; ++i) {
        m_currentColor[i] = rgb[i];
    }
}

// ---------------------------------------------------------------------------------------------
// Coordinate systems and clipping planes

int CTAVDoc::AddCoordSystem(const CCoordSystem& system, const CMatrix4& worldToLocal) {
    m_coordSystems.push_back(system);
    m_matrices.push_back(worldToLocal);
    return static_cast<int>(m_coordSystems.size()) - 1;
}

void CTAVDoc::SetCoordSystem(int i, const CCoordSystem& system, const CMatrix4& worldToLocal) {
    m_coordSystems[static_cast<size_t>(i)] = system;
    m_matrices[static_cast<size_t>(i)] = worldToLocal;
}

void CTAVDoc::ReplaceCoordSystems(const std::vector<CCoordSystem>& systems,
                                  const std::vector<CMatrix4>& worldToLocal) {
    m_coordSystems = systems;
    m_matrices = worldToLocal;
}

void CTAVDoc::SetActiveCoordSystem(int i) {
    m_activeCoordSystem = (i < -1 || i >= GetCoordSystemCount()) ? -1 : i;
}

int CTAVDoc::DeleteCoordSystem(int i) {
    const int next = AskAndErase(*m_prompter, m_coordSystems, i, 41531);
    if (next == -2) {
        return next;
    }
    m_matrices.erase(m_matrices.begin() + i);
    // Keep the active index on the same system, or fall back to the global frame when the
    // active one went.
    if (m_activeCoordSystem == i) {
        m_activeCoordSystem = -1;
    } else if (m_activeCoordSystem > i) {
        --m_activeCoordSystem;
    }
    return next;
}

int CTAVDoc::DeleteLayer(int i) {
    if (i < 0 || i >= GetLayerCount()) {
        return -1;
    }
    if (i == 0 && GetLayerCount() == 1) {
        m_prompter->ShowMessage("Nie można usunąć ostatniej wrstwy!", CPrompter::EIcon::Warning);
        return -1;
    }
    const std::string question =
        "Czy na prawdę chcesz usunąć warstwę: " + m_layers[static_cast<size_t>(i)].m_name +
        " i wszystkie obiekty, które do niej należą?";
    if (!m_prompter->AskYesNo(question, CPrompter::EIcon::Question)) {
        return -1;
    }
    std::vector<int> doomed;
    for (size_t k = 0; k < m_entities.size(); ++k) {
        if (m_entities[k]->m_layer == i) {
            doomed.push_back(static_cast<int>(k));
        }
    }
    const bool removed = RemoveEntities(std::move(doomed)) > 0;
    m_history.RecordLayerShift(i);
    for (const auto& e : m_entities) {
        if (e->m_layer > i) {
            --e->m_layer;
        }
    }
    m_layers.erase(m_layers.begin() + i);
    if (removed) {
        // The box may have shrunk.
        RecomputeExtents();
    }
    const int count = GetLayerCount();
    return i < count ? i : count - 1;
}

int CTAVDoc::DeleteClipPlane(int i) {
    return AskAndErase(*m_prompter, m_clipPlanes, i, 41518);
}

std::string CTAVDoc::MakeCoordSystemName() const {
    const std::string prefix = LoadStr(41532);
    for (long long n = GetCoordSystemCount();; ++n) {
        std::string name = prefix + std::to_string(n);
        const bool taken = std::any_of(m_coordSystems.begin(), m_coordSystems.end(),
                                       [&](const CCoordSystem& s) { return s.m_name == name; });
        if (!taken) {
            return name;
        }
    }
}

int ParseNumberedName(const std::string& name, const std::string& prefix, int min, int max,
                      int& outNumber, std::string& outRest) {
    outNumber = -1;
    if (!prefix.empty() && name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    size_t pos = prefix.size();
    if (min < 0) {
        outRest = name.substr(pos);
        return 1;
    }
    const size_t digitsStart = pos;
    long long value = 0;
    bool overflow = false;
    while (pos < name.size() && name[pos] >= '0' && name[pos] <= '9') {
        if (!overflow) {
            value = value * 10 + (name[pos] - '0');
            overflow = value > std::numeric_limits<int>::max();
        }
        ++pos;
    }
    if (pos == digitsStart || overflow || value < min || (max >= 0 && value > max)) {
        return 0;
    }
    outNumber = static_cast<int>(value);
    outRest = name.substr(pos);
    return 1;
}
