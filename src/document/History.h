#pragma once

// Undo and redo of a drawing. A step keeps what changed, not a copy of the drawing: the entities
// that left or came into the table (moved, never copied), the earlier state of entities edited in
// place, and the small tables (layers, systems, planes, current layer and colour, extents) as
// they were before and after.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CEntity;
class CTAVDoc;

class CDocHistory {
public:
    static constexpr int kDefaultMaxSteps = 100;
    static constexpr size_t kDefaultMaxBytes = size_t{256} << 20;

    CDocHistory();
    ~CDocHistory();
    CDocHistory(const CDocHistory&) = delete;
    CDocHistory& operator=(const CDocHistory&) = delete;

    int UndoCount() const { return m_done; }
    int RedoCount() const { return static_cast<int>(m_steps.size()) - m_done; }
    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return RedoCount() > 0; }
    // Name of the step an undo or a redo would take back or repeat; "" when there is none.
    std::string UndoName() const;
    std::string RedoName() const;
    // Estimated bytes the kept steps hold.
    size_t Bytes() const;
    // The oldest steps go while there are more than maxSteps or they hold more than maxBytes;
    // the newest step is always kept.
    void SetLimits(int maxSteps, size_t maxBytes);

private:
    friend class CTAVDoc;
    friend class CDocStep;
    struct SStep;
    struct SOpen;

    // The state the document is in: the id of the last step done (or of the base).
    uint64_t StateId() const;
    void Clear();
    void Trim();

    // What the document tells its history; see CTAVDoc for the public side.
    bool Recording() const { return m_open != nullptr; }
    void Begin(const CTAVDoc& doc, const std::string& name);
    void End(CTAVDoc& doc);
    void Cancel(CTAVDoc& doc);
    void Touch(const CTAVDoc& doc, int i);
    void RecordInsert(int first, int count);
    void RecordRemove(std::vector<int> indices, std::vector<std::unique_ptr<CEntity>> gone);
    void RecordLayerShift(int layer);
    void NoteModified(bool modified);
    bool Step(CTAVDoc& doc, bool undo);

    std::vector<std::unique_ptr<SStep>> m_steps;
    int m_done = 0;
    uint64_t m_baseId = 0;
    uint64_t m_nextId = 1;
    int m_maxSteps = kDefaultMaxSteps;
    size_t m_maxBytes = kDefaultMaxBytes;
    // The step being recorded, with the depth of the nested BeginStep calls.
    std::unique_ptr<SOpen> m_open;
    int m_depth = 0;
    // The state last saved (or opened), and whether the document was marked modified since
    // then without a recorded change: then no undo brings the clean state back.
    uint64_t m_cleanId = 0;
    bool m_dirtyWithoutChange = false;
};

// Moves the entities at the ascending indices out of table, the rest keeping their order, and
// returns them in order.
std::vector<std::unique_ptr<CEntity>> ExtractEntities(std::vector<std::unique_ptr<CEntity>>& table,
                                                      const std::vector<int>& ascending);

// One step for the lifetime of the object: changes made meanwhile undo and redo as one.
class CDocStep {
public:
    CDocStep(CTAVDoc& doc, const std::string& name);
    ~CDocStep();
    CDocStep(const CDocStep&) = delete;
    CDocStep& operator=(const CDocStep&) = delete;
    // Puts back everything recorded so far and ends the step.
    void Cancel();

private:
    CTAVDoc* m_doc;
};

// Names of the steps as the Edit menu shows them after "Cofnij: " and "Ponów: ".
namespace stepnames {
inline constexpr char kImport[] = "Import";
inline constexpr char kDelete[] = "Usuń";
inline constexpr char kNewEntity[] = "Nowy obiekt";
inline constexpr char kEditEntity[] = "Edycja obiektu";
inline constexpr char kProperties[] = "Właściwości";
inline constexpr char kData[] = "Dane";
inline constexpr char kNewLayer[] = "Nowa warstwa";
inline constexpr char kRenameLayer[] = "Nazwa warstwy";
inline constexpr char kLayerLock[] = "Blokada warstwy";
inline constexpr char kLayerVisible[] = "Widoczność warstwy";
inline constexpr char kDeleteLayer[] = "Usuń warstwę";
inline constexpr char kCurrentLayer[] = "Warstwa bieżąca";
inline constexpr char kNewPlane[] = "Nowa płaszczyzna";
inline constexpr char kEditPlane[] = "Edycja płaszczyzny";
inline constexpr char kDeletePlane[] = "Usuń płaszczyznę";
inline constexpr char kPlaneActive[] = "Przycinanie";
inline constexpr char kNewSystem[] = "Nowy układ";
inline constexpr char kEditSystem[] = "Edycja układu";
inline constexpr char kDeleteSystem[] = "Usuń układ";
inline constexpr char kActiveSystem[] = "Układ aktywny";
}  // namespace stepnames
