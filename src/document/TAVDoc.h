#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/History.h"
#include "document/Layer.h"
#include "geometry/Vec3.h"

class CArchive;
class CProgress;
class CProgressMeter;
class CPrompter;
class CTAVDoc;

// Header lines of the document file versions.
inline constexpr char kHeader211[] = "TAV Document ver. 2.1.1";
inline constexpr char kHeader201[] = "TAV Document ver. 2.0.1";
inline constexpr char kHeader110[] = "TAV Document ver. 1.1.0";

// Camera state saved with a document; the view gives each value its meaning.
struct CViewState {
    int32_t renderMode = 0;
    CPoint3 target{0.0, 0.0, 0.0};
    CPoint3 eye{0.0, 0.0, 1.0};
    int32_t clientWidth = 50;
    int32_t clientHeight = 50;
    double windowLeft = -50.0;
    double windowRight = 50.0;
    double windowBottom = -50.0;
    double windowTop = 50.0;
    double spinAngle = 0.0;
    double nearPlane = 0.0;
    double farPlane = 2.0;
    double viewAngle = 40.0;
    double scale = 1.0;
    int32_t perspective = 0;
    int32_t targetMarker = 0;
    uint16_t localizationMask = 0;
};

// What a document needs from the views that show it; a view registers itself with
// CTAVDoc::AddObserver.
class CDocObserver {
public:
    virtual ~CDocObserver() = default;
    // The document changed; hint 1 after a new or opened document or an import, 0 after edits.
    virtual void OnDocumentUpdate(int hint) = 0;
    // The scene display list must be rebuilt on the next paint.
    virtual void InvalidateDisplayList() = 0;
    // Forget the current pick (new or opened document).
    virtual void ResetCurrentPick() = 0;
    // Entities left the document: selection lists hold stale indices.
    virtual void OnEntitiesRemoved() {}
    // Copy the camera into the document (asked of the first view before a save).
    virtual void StoreViewState(CTAVDoc& doc) = 0;
    // The modified or busy flag changed (command states follow them).
    virtual void OnDocumentStateChanged() {}
};

// One open drawing: entities, layers, coordinate systems with their matrices, clipping planes,
// the bounding box, the current colour and the saved camera.
class CTAVDoc {
public:
    // One layer "Warstwa1", current layer 0, box corners at the origin. prompter may be null
    // (then nothing is asked and every question is answered Yes).
    explicit CTAVDoc(CPrompter* prompter = nullptr);
    ~CTAVDoc();
    CTAVDoc(const CTAVDoc&) = delete;
    CTAVDoc& operator=(const CTAVDoc&) = delete;

    // Where questions and messages go; never null.
    CPrompter& Prompter() const { return *m_prompter; }
    void SetPrompter(CPrompter* prompter);

    // --- views ---
    void AddObserver(CDocObserver* observer);
    void RemoveObserver(CDocObserver* observer);
    const std::vector<CDocObserver*>& Observers() const { return m_observers; }
    // Marks every view's display list for rebuilding.
    void InvalidateViews();
    // Repaints every view with the hint.
    void UpdateAllViews(int hint);
    // Tells the views that entities were removed (selections are emptied).
    void NotifyEntitiesRemoved();

    // --- lifecycle and files ---
    // Empties the drawing to one layer "Warstwa1"; the saved view state is kept. Returns 1.
    int OnNewDocument();
    // Reads a document file; on success replaces the content, marks views for rebuild, resets
    // their pick and updates them with hint 1. On failure the content is unchanged, the problem
    // is reported through the prompter and false is returned. progress, when given, sees the
    // reading; stopped there, nothing changes, nothing is said and false is returned.
    bool OnOpenDocument(const std::string& path, CProgress* progress = nullptr);
    // Writes the document to a temporary file beside path and renames it over path only when
    // complete. On failure the old file is intact, the problem is reported and false returned.
    // Stopped through progress: the old file is intact, no temporary file is left, nothing is
    // said, the document keeps its path and modified flag, and false is returned.
    bool OnSaveDocument(const std::string& path, CProgress* progress = nullptr);
    // Stores (version 2.1.1) or loads (2.1.1, 2.0.1, 1.1.0). A load that fails throws
    // CArchiveException and leaves this document partly filled: load into a scratch document.
    void Serialize(CArchive& ar);
    // Loads from bytes into this document, replacing the content only on success; throws
    // CArchiveException with a message naming the problem.
    void LoadFromBytes(std::span<const uint8_t> data);
    // The bytes of the current version's file.
    std::vector<uint8_t> SaveToBytes();
    // Header line of the last file loaded ("" for a new document).
    const std::string& GetLoadedHeader() const { return m_loadedHeader; }
    const std::string& GetPathName() const { return m_pathName; }
    void SetPathName(const std::string& path) { m_pathName = path; }

    bool IsModified() const { return m_modified; }
    // Both tell the views when the flag changes.
    void SetModifiedFlag(bool modified = true);
    bool GetBusy() const { return m_busy; }
    void SetBusy(bool busy);
    // Rises at every SetModifiedFlag(true), which every change calls, and at every step kept,
    // undone or redone: a recovery copy tells by it whether the drawing changed since the copy
    // was written.
    uint64_t GetChangeCount() const { return m_changeCount; }

    // --- entities ---
    int GetEntityCount() const { return static_cast<int>(m_entities.size()); }
    // Entity i; i must be in 0..count-1.
    CEntity* GetEntity(int i) const { return m_entities[static_cast<size_t>(i)].get(); }
    // Appends at slot count; returns the new index.
    int AddEntity(std::unique_ptr<CEntity> entity);
    // Appends every entity of the list in order and leaves it empty; an empty drawing takes
    // the list itself, without a second array of a million pointers.
    void AppendEntities(std::vector<std::unique_ptr<CEntity>>& entities);
    // Removes entity i (views are told); false when i is out of range.
    bool RemoveEntity(int i);
    // Removes the entities at the given indices in one pass (views are told once); indices
    // out of range and repeats are left out. Returns how many went.
    int RemoveEntities(std::vector<int> indices);
    // Removes every entity (views are told).
    void DeleteAllEntities();
    // Number of point entities.
    int GetPointCount() const;
    // Vertices that drawing the scene into a feedback buffer may emit; never negative.
    int64_t EstimateVertexCount(int withNames) const;

    // --- extents ---
    void RecomputeExtents();
    // Grows the box to take p in (inline: the recomputation calls it for every vertex).
    void ExtendExtents(const CPoint3& p) {
        m_min.x = std::min(m_min.x, p.x);
        m_min.y = std::min(m_min.y, p.y);
        m_min.z = std::min(m_min.z, p.z);
        m_max.x = std::max(m_max.x, p.x);
        m_max.y = std::max(m_max.y, p.y);
        m_max.z = std::max(m_max.z, p.z);
    }
    // Opens a box whose corners agree within 1e-8 by 1 in z both ways.
    void WidenDegenerateExtents();
    const CPoint3& GetMinCorner() const { return m_min; }
    const CPoint3& GetMaxCorner() const { return m_max; }
    void SetExtents(const CPoint3& minCorner, const CPoint3& maxCorner);

    // --- layers ---
    int GetLayerCount() const { return static_cast<int>(m_layers.size()); }
    CLayer& GetLayer(int i) { return m_layers[static_cast<size_t>(i)]; }
    const CLayer& GetLayer(int i) const { return m_layers[static_cast<size_t>(i)]; }
    std::vector<CLayer>& Layers() { return m_layers; }
    int GetCurrentLayer() const { return m_currentLayer; }
    void SetCurrentLayer(int layer) { m_currentLayer = layer; }
    // Asks 41460 and deletes layer i with all its entities; later layers move down by one and
    // their entities follow. Returns the index that takes i's place, or -1 when nothing was
    // deleted (i out of range, the only layer (41459 shown), or the answer No). When entities
    // went, the views are told and the extents recomputed. The current layer is the caller's.
    int DeleteLayer(int i);

    // --- colour ---
    void GetCurrentColor(double rgb[3]) const;
    void SetCurrentColor(const double rgb[3]);

    // --- coordinate systems and their world-to-local matrices (parallel tables) ---
    int GetCoordSystemCount() const { return static_cast<int>(m_coordSystems.size()); }
    CCoordSystem& GetCoordSystem(int i) { return m_coordSystems[static_cast<size_t>(i)]; }
    const CCoordSystem& GetCoordSystem(int i) const {
        return m_coordSystems[static_cast<size_t>(i)];
    }
    const CMatrix4& GetMatrix(int i) const { return m_matrices[static_cast<size_t>(i)]; }
    // Appends a system with its world-to-local matrix; returns the new index.
    int AddCoordSystem(const CCoordSystem& system, const CMatrix4& worldToLocal);
    // Replaces every system and its matrix (parallel tables of one size).
    void ReplaceCoordSystems(const std::vector<CCoordSystem>& systems,
                             const std::vector<CMatrix4>& worldToLocal);
    // Replaces system i and its matrix; i must be valid.
    void SetCoordSystem(int i, const CCoordSystem& system, const CMatrix4& worldToLocal);
    // -1 = the global frame.
    int GetActiveCoordSystem() const { return m_activeCoordSystem; }
    // Sets the active system; values outside -1..count-1 become -1.
    void SetActiveCoordSystem(int i);
    // Asks 41531 and deletes system i with its matrix: the index to select next, -1 when the
    // table became empty, -2 when nothing was deleted (index out of range or answer No).
    int DeleteCoordSystem(int i);
    // "Uklad" followed by the first free number from the system count on.
    std::string MakeCoordSystemName() const;

    // --- clipping planes ---
    int GetClipPlaneCount() const { return static_cast<int>(m_clipPlanes.size()); }
    CClipPlane& GetClipPlane(int i) { return m_clipPlanes[static_cast<size_t>(i)]; }
    const CClipPlane& GetClipPlane(int i) const { return m_clipPlanes[static_cast<size_t>(i)]; }
    std::vector<CClipPlane>& ClipPlanes() { return m_clipPlanes; }
    // Asks 41518 and deletes plane i; return values as DeleteCoordSystem.
    int DeleteClipPlane(int i);

    // --- saved camera ---
    void GetViewState(CViewState& out) const { out = m_viewState; }
    void SetViewState(const CViewState& state) { m_viewState = state; }
    const CViewState& ViewState() const { return m_viewState; }

    // --- undo and redo ---
    // Changes made between BeginStep and EndStep undo and redo as one step named name; the
    // calls nest (the outermost names the step), and a step that changed nothing is not kept.
    // Entities that come or go are recorded by the calls above; one changed in place must be
    // announced with TouchEntity first. Prefer CDocStep.
    void BeginStep(const std::string& name) { m_history.Begin(*this, name); }
    void EndStep() { m_history.End(*this); }
    // Puts back everything the open step recorded and ends it (a cancelled edit); nested in an
    // outer step it only ends.
    void CancelStep() { m_history.Cancel(*this); }
    // Entity i is about to change in place: the open step keeps its present state.
    void TouchEntity(int i) { m_history.Touch(*this, i); }
    bool InStep() const { return m_history.Recording(); }
    const CDocHistory& History() const { return m_history; }
    CDocHistory& History() { return m_history; }
    // Takes back or does again one step: false when there is none, and with a beep while the
    // document is busy or a step is open. Selections are emptied when entities came or went,
    // every view is rebuilt, and the modified flag follows the history.
    bool Undo() { return m_history.Step(*this, true); }
    bool Redo() { return m_history.Step(*this, false); }
    // Forgets every step.
    void ClearHistory() { m_history.Clear(); }

private:
    friend class CDocHistory;

    void NotifyStateChanged();

    // meter, when given, is told of the entities done and may stop the work (CWorkCancelled).
    void Store(CArchive& ar, CProgressMeter* meter);
    void Load(CArchive& ar, CProgressMeter* meter);
    void LoadOldLayout(CArchive& ar, CProgressMeter* meter);
    void LoadContent(std::span<const uint8_t> data, CProgressMeter* meter);
    void LoadTables(CArchive& ar, uint32_t layerCount, int32_t currentLayer, uint32_t systemCount,
                    int32_t activeSystem, uint32_t planeCount, uint32_t matrixCount,
                    bool matricesLast);
    void LoadMatrices(CArchive& ar, uint32_t matrixCount);
    void LoadViewState(CArchive& ar, bool withMask);
    void CheckLoadedIndices() const;
    void FinishLoad();
    void TakeContentFrom(CTAVDoc& other);

    CPrompter* m_prompter;
    std::vector<CDocObserver*> m_observers;
    std::string m_pathName;
    std::string m_loadedHeader;
    bool m_modified = false;
    uint64_t m_changeCount = 0;

    bool m_busy = false;
    CPoint3 m_max{0.0, 0.0, 0.0};
    CPoint3 m_min{0.0, 0.0, 0.0};
    std::vector<CLayer> m_layers;
    int32_t m_currentLayer = 0;
    double m_currentColor[3] = {1.0, 1.0, 1.0};
    std::vector<std::unique_ptr<CEntity>> m_entities;
    std::vector<CCoordSystem> m_coordSystems;
    int32_t m_activeCoordSystem = -1;
    std::vector<CClipPlane> m_clipPlanes;
    std::vector<CMatrix4> m_matrices;
    CViewState m_viewState;
    CDocHistory m_history;
};

// Splits a point name into number and rest after a fixed prefix. outNumber = -1; 0 when the
// name does not start with prefix or, with min >= 0, no digits follow or the number lies
// outside min..max (max < 0: no upper bound; numbers beyond int never match). With min < 0 no
// digits are read and outRest is everything after the prefix. Returns 1 on a match.
int ParseNumberedName(const std::string& name, const std::string& prefix, int min, int max,
                      int& outNumber, std::string& outRest);
