#include "document/History.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "document/Prompter.h"
#include "document/TAVDoc.h"

namespace {

using CEntityPtr = std::unique_ptr<CEntity>;
using CEntityTable = std::vector<CEntityPtr>;

size_t DataBytes(const CDataNode& node) {
    size_t n = sizeof(CDataNode) + node.GetText().capacity();
    for (int i = 0; i < node.GetChildCount(); ++i) {
        n += DataBytes(node.GetChild(i));
    }
    return n;
}

size_t EntityBytes(const CEntity& e) {
    size_t n = DataBytes(e.m_data) + e.m_name.size();
    if (const auto* poly = dynamic_cast<const CPoly*>(&e)) {
        n += sizeof(CPoly) + poly->m_vertices.capacity() * sizeof(CPoint3) +
             poly->m_triangulation.capacity() * sizeof(CTessPrimitive);
    } else if (const auto* text = dynamic_cast<const CText*>(&e)) {
        n += sizeof(CText) + text->m_text.capacity();
    } else if (dynamic_cast<const CArc*>(&e) != nullptr) {
        n += sizeof(CArc);
    } else {
        n += sizeof(CPnt);
    }
    return n;
}

bool SamePoint(const CPoint3& a, const CPoint3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.flag == b.flag;
}

bool SameVec(const CVec3& a, const CVec3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool SameLayers(const std::vector<CLayer>& a, const std::vector<CLayer>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const CLayer& x, const CLayer& y) {
        return x.m_locked == y.m_locked && x.m_visible == y.m_visible && x.m_name == y.m_name;
    });
}

bool SameSystems(const std::vector<CCoordSystem>& a, const std::vector<CCoordSystem>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const CCoordSystem& x, const CCoordSystem& y) {
            return SamePoint(x.m_origin, y.m_origin) && SamePoint(x.m_xPoint, y.m_xPoint) &&
                   SamePoint(x.m_yPoint, y.m_yPoint) && x.m_name == y.m_name;
        });
}

bool SameMatrices(const std::vector<CMatrix4>& a, const std::vector<CMatrix4>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CMatrix4& x, const CMatrix4& y) {
                          for (int r = 0; r < 4; ++r) {
                              for (int c = 0; c < 4; ++c) {
                                  if (x.m[r][c] != y.m[r][c]) {
                                      return false;
                                  }
                              }
                          }
                          return true;
                      });
}

bool SamePlanes(const std::vector<CClipPlane>& a, const std::vector<CClipPlane>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CClipPlane& x, const CClipPlane& y) {
                          return x.m_active == y.m_active && SamePoint(x.m_point, y.m_point) &&
                                 SameVec(x.m_normal, y.m_normal) && x.m_name == y.m_name &&
                                 std::memcmp(x.m_equation, y.m_equation, sizeof x.m_equation) == 0;
                      });
}

// One change of the entity table; each can be taken back and done again any number of times.
struct SOp {
    enum class EKind : uint8_t {
        Insert,      // entities [first, first + count) came in
        Remove,      // the entities at indices (ascending, numbered before) went
        Replace,     // entity first changed in place; held[0] is its other state
        LayerShift,  // layer first went: entities above it moved down by one
    };
    EKind kind = EKind::Insert;
    int first = 0;
    int count = 0;
    std::vector<int> indices;
    // Entities out of the table while the op is in the state that does not show them.
    CEntityTable held;
    size_t bytes = 0;

    bool ChangesTable() const { return kind == EKind::Insert || kind == EKind::Remove; }

    void Hold(CEntityTable&& entities) {
        held = std::move(entities);
        bytes = 0;
        for (const CEntityPtr& e : held) {
            bytes += EntityBytes(*e);
        }
    }

    CEntityTable Release() {
        bytes = 0;
        return std::move(held);
    }

    void TakeOut(CEntityTable& table, const std::vector<int>& at) {
        Hold(ExtractEntities(table, at));
    }

    void PutBack(CEntityTable& table, const std::vector<int>& at) {
        CEntityTable in = Release();
        CEntityTable merged;
        merged.reserve(table.size() + in.size());
        size_t k = 0, r = 0;
        while (merged.size() < table.size() + in.size()) {
            if (k < at.size() && static_cast<size_t>(at[k]) == merged.size()) {
                merged.push_back(std::move(in[k++]));
            } else {
                merged.push_back(std::move(table[r++]));
            }
        }
        table.swap(merged);
    }

    // Moves the table from the state after the op to the state before it.
    void Revert(CEntityTable& table) {
        switch (kind) {
            case EKind::Insert: {
                const auto from = table.begin() + first;
                CEntityTable out(std::make_move_iterator(from),
                                 std::make_move_iterator(from + count));
                table.erase(from, from + count);
                Hold(std::move(out));
                break;
            }
            case EKind::Remove:
                PutBack(table, indices);
                break;
            case EKind::Replace:
                Swap(table);
                break;
            case EKind::LayerShift:
                for (const CEntityPtr& e : table) {
                    if (e->m_layer >= first) {
                        ++e->m_layer;
                    }
                }
                break;
        }
    }

    // Moves the table from the state before the op to the state after it.
    void Apply(CEntityTable& table) {
        switch (kind) {
            case EKind::Insert: {
                CEntityTable in = Release();
                table.insert(table.begin() + first, std::make_move_iterator(in.begin()),
                             std::make_move_iterator(in.end()));
                break;
            }
            case EKind::Remove:
                TakeOut(table, indices);
                break;
            case EKind::Replace:
                Swap(table);
                break;
            case EKind::LayerShift:
                for (const CEntityPtr& e : table) {
                    if (e->m_layer > first) {
                        --e->m_layer;
                    }
                }
                break;
        }
    }

    void Swap(CEntityTable& table) {
        std::swap(table[static_cast<size_t>(first)], held[0]);
        bytes = EntityBytes(*held[0]);
    }

    // Whether the op fits a table of size n in the state it would be moved from.
    bool Fits(size_t n, bool reverting) const {
        const size_t end = static_cast<size_t>(first) + static_cast<size_t>(count);
        switch (kind) {
            case EKind::Insert:
                return reverting ? end <= n : static_cast<size_t>(first) <= n;
            case EKind::Remove:
                return reverting || indices.empty() || static_cast<size_t>(indices.back()) < n;
            case EKind::Replace:
                return static_cast<size_t>(first) < n;
            case EKind::LayerShift:
                return true;
        }
        return false;
    }
};

// The small tables of a drawing; the large ones only when a step changed them.
struct STables {
    CPoint3 min, max;
    int32_t currentLayer = 0;
    int32_t activeSystem = -1;
    double color[3] = {1.0, 1.0, 1.0};
    std::vector<CLayer> layers;
    std::vector<CCoordSystem> systems;
    std::vector<CMatrix4> matrices;
    std::vector<CClipPlane> planes;
    bool hasLayers = false;
    bool hasSystems = false;
    bool hasPlanes = false;

    size_t Bytes() const {
        size_t n = sizeof(STables) + matrices.size() * sizeof(CMatrix4);
        for (const CLayer& l : layers) {
            n += sizeof(CLayer) + l.m_name.capacity();
        }
        for (const CCoordSystem& s : systems) {
            n += sizeof(CCoordSystem) + s.m_name.capacity();
        }
        for (const CClipPlane& p : planes) {
            n += sizeof(CClipPlane) + p.m_name.capacity();
        }
        return n;
    }
};

}  // namespace

struct CDocHistory::SStep {
    std::string name;
    uint64_t id = 0;
    std::vector<SOp> ops;
    STables before, after;

    size_t Bytes() const {
        size_t n = sizeof(SStep) + name.capacity() + before.Bytes() + after.Bytes();
        for (const SOp& op : ops) {
            n += sizeof(SOp) + op.indices.capacity() * sizeof(int) + op.bytes;
        }
        return n;
    }

    // Takes the entity changes back, last first, or does them again; true when entities came
    // or went.
    bool Revert(CEntityTable& table) {
        bool moved = false;
        for (auto op = ops.rbegin(); op != ops.rend(); ++op) {
            op->Revert(table);
            moved = moved || op->ChangesTable();
        }
        return moved;
    }
    bool Apply(CEntityTable& table) {
        bool moved = false;
        for (SOp& op : ops) {
            op.Apply(table);
            moved = moved || op.ChangesTable();
        }
        return moved;
    }
};

struct CDocHistory::SOpen {
    SStep step;
    // Entities already kept by Touch since the table last changed, by index.
    std::vector<bool> touched;
    bool markedModified = false;
};

std::vector<std::unique_ptr<CEntity>> ExtractEntities(std::vector<std::unique_ptr<CEntity>>& table,
                                                      const std::vector<int>& ascending) {
    CEntityTable out;
    out.reserve(ascending.size());
    size_t k = 0, w = 0;
    for (size_t r = 0; r < table.size(); ++r) {
        if (k < ascending.size() && static_cast<size_t>(ascending[k]) == r) {
            out.push_back(std::move(table[r]));
            ++k;
        } else {
            table[w++] = std::move(table[r]);
        }
    }
    table.resize(w);
    return out;
}

CDocHistory::CDocHistory() = default;
CDocHistory::~CDocHistory() = default;

std::string CDocHistory::UndoName() const {
    return CanUndo() ? m_steps[static_cast<size_t>(m_done - 1)]->name : std::string();
}

std::string CDocHistory::RedoName() const {
    return CanRedo() ? m_steps[static_cast<size_t>(m_done)]->name : std::string();
}

size_t CDocHistory::Bytes() const {
    size_t n = 0;
    for (const auto& s : m_steps) {
        n += s->Bytes();
    }
    return n;
}

void CDocHistory::SetLimits(int maxSteps, size_t maxBytes) {
    m_maxSteps = std::max(1, maxSteps);
    m_maxBytes = maxBytes;
    Trim();
}

uint64_t CDocHistory::StateId() const {
    return m_done > 0 ? m_steps[static_cast<size_t>(m_done - 1)]->id : m_baseId;
}

void CDocHistory::Clear() {
    m_steps.clear();
    m_done = 0;
    m_baseId = m_nextId++;
    m_cleanId = m_baseId;
    m_dirtyWithoutChange = false;
}

void CDocHistory::Trim() {
    size_t bytes = Bytes();
    while (m_steps.size() > 1 &&
           (m_steps.size() > static_cast<size_t>(m_maxSteps) || bytes > m_maxBytes)) {
        // The oldest done step goes first; with none left, the farthest redo step.
        if (m_done > 0) {
            bytes -= m_steps.front()->Bytes();
            m_baseId = m_steps.front()->id;
            m_steps.erase(m_steps.begin());
            --m_done;
        } else {
            bytes -= m_steps.back()->Bytes();
            m_steps.pop_back();
        }
    }
}

CDocStep::CDocStep(CTAVDoc& doc, const std::string& name) : m_doc(&doc) {
    doc.BeginStep(name);
}

CDocStep::~CDocStep() {
    if (m_doc == nullptr) {
        return;
    }
    try {
        m_doc->EndStep();
    } catch (...) {
        // Out of memory while closing the step: the drawing stays as it is, the history goes.
        CDocHistory& h = m_doc->History();
        h.m_open.reset();
        h.m_depth = 0;
        h.Clear();
        h.m_dirtyWithoutChange = true;
    }
}

void CDocStep::Cancel() {
    if (m_doc != nullptr) {
        m_doc->CancelStep();
        m_doc = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// The document's side

namespace {

STables TakeTables(const CTAVDoc& doc, bool withLists) {
    STables t;
    t.min = doc.GetMinCorner();
    t.max = doc.GetMaxCorner();
    t.currentLayer = doc.GetCurrentLayer();
    t.activeSystem = doc.GetActiveCoordSystem();
    doc.GetCurrentColor(t.color);
    if (withLists) {
        t.hasLayers = t.hasSystems = t.hasPlanes = true;
        for (int i = 0; i < doc.GetLayerCount(); ++i) {
            t.layers.push_back(doc.GetLayer(i));
        }
        for (int i = 0; i < doc.GetCoordSystemCount(); ++i) {
            t.systems.push_back(doc.GetCoordSystem(i));
            t.matrices.push_back(doc.GetMatrix(i));
        }
        for (int i = 0; i < doc.GetClipPlaneCount(); ++i) {
            t.planes.push_back(doc.GetClipPlane(i));
        }
    }
    return t;
}

bool SameSmall(const STables& a, const STables& b) {
    return SamePoint(a.min, b.min) && SamePoint(a.max, b.max) && a.currentLayer == b.currentLayer &&
           a.activeSystem == b.activeSystem && std::memcmp(a.color, b.color, sizeof a.color) == 0;
}

// Drops from both what the step left as it was; true when nothing is left to tell apart.
bool DropUnchanged(STables& before, STables& after) {
    if (SameLayers(before.layers, after.layers)) {
        before.layers.clear();
        after.layers.clear();
        before.hasLayers = after.hasLayers = false;
    }
    if (SameSystems(before.systems, after.systems) &&
        SameMatrices(before.matrices, after.matrices)) {
        before.systems.clear();
        after.systems.clear();
        before.matrices.clear();
        after.matrices.clear();
        before.hasSystems = after.hasSystems = false;
    }
    if (SamePlanes(before.planes, after.planes)) {
        before.planes.clear();
        after.planes.clear();
        before.hasPlanes = after.hasPlanes = false;
    }
    before.layers.shrink_to_fit();
    after.layers.shrink_to_fit();
    return !before.hasLayers && !before.hasSystems && !before.hasPlanes && SameSmall(before, after);
}

}  // namespace

namespace {

void PutTables(CTAVDoc& doc, const STables& t) {
    doc.SetExtents(t.min, t.max);
    doc.SetCurrentLayer(t.currentLayer);
    doc.SetCurrentColor(t.color);
    if (t.hasLayers) {
        doc.Layers() = t.layers;
    }
    if (t.hasSystems) {
        doc.ReplaceCoordSystems(t.systems, t.matrices);
    }
    doc.SetActiveCoordSystem(t.activeSystem);
    if (t.hasPlanes) {
        doc.ClipPlanes() = t.planes;
    }
}

}  // namespace

void CDocHistory::Begin(const CTAVDoc& doc, const std::string& name) {
    if (m_depth++ > 0) {
        return;
    }
    m_open = std::make_unique<SOpen>();
    m_open->step.name = name;
    m_open->step.before = TakeTables(doc, true);
}

void CDocHistory::End(CTAVDoc& doc) {
    if (m_depth == 0 || --m_depth > 0) {
        return;
    }
    std::unique_ptr<SOpen> open = std::move(m_open);
    SStep& step = open->step;
    step.after = TakeTables(doc, true);
    if (DropUnchanged(step.before, step.after) && step.ops.empty()) {
        // Marked modified without a change: the saved state is no longer the clean one.
        m_dirtyWithoutChange = m_dirtyWithoutChange || open->markedModified;
        return;
    }
    m_steps.resize(static_cast<size_t>(m_done));
    step.id = m_nextId++;
    m_steps.push_back(std::make_unique<SStep>(std::move(step)));
    m_done = static_cast<int>(m_steps.size());
    Trim();
    // A kept step is a change: the flag is set, and the undo command's state follows.
    doc.m_modified = true;
    ++doc.m_changeCount;
    doc.NotifyStateChanged();
}

void CDocHistory::Cancel(CTAVDoc& doc) {
    if (m_depth == 0 || --m_depth > 0) {
        return;
    }
    std::unique_ptr<SOpen> open = std::move(m_open);
    const bool moved = open->step.Revert(doc.m_entities);
    PutTables(doc, open->step.before);
    if (moved) {
        doc.NotifyEntitiesRemoved();
    }
}

void CDocHistory::Touch(const CTAVDoc& doc, int i) {
    if (!m_open || i < 0 || i >= doc.GetEntityCount()) {
        return;
    }
    std::vector<bool>& touched = m_open->touched;
    if (touched.size() != doc.m_entities.size()) {
        touched.assign(doc.m_entities.size(), false);
    }
    if (touched[static_cast<size_t>(i)]) {
        return;
    }
    touched[static_cast<size_t>(i)] = true;
    SOp op;
    op.kind = SOp::EKind::Replace;
    op.first = i;
    CEntityTable saved;
    saved.push_back(doc.m_entities[static_cast<size_t>(i)]->Clone());
    op.Hold(std::move(saved));
    m_open->step.ops.push_back(std::move(op));
}

void CDocHistory::RecordInsert(int first, int count) {
    if (!m_open || count == 0) {
        return;
    }
    m_open->touched.clear();
    std::vector<SOp>& ops = m_open->step.ops;
    // Appends one after another make one op.
    if (!ops.empty() && ops.back().kind == SOp::EKind::Insert &&
        ops.back().first + ops.back().count == first) {
        ops.back().count += count;
        return;
    }
    SOp op;
    op.kind = SOp::EKind::Insert;
    op.first = first;
    op.count = count;
    ops.push_back(std::move(op));
}

void CDocHistory::RecordRemove(std::vector<int> indices,
                               std::vector<std::unique_ptr<CEntity>> gone) {
    if (!m_open || indices.empty()) {
        return;
    }
    m_open->touched.clear();
    SOp op;
    op.kind = SOp::EKind::Remove;
    op.indices = std::move(indices);
    op.Hold(std::move(gone));
    m_open->step.ops.push_back(std::move(op));
}

void CDocHistory::RecordLayerShift(int layer) {
    if (m_open) {
        SOp op;
        op.kind = SOp::EKind::LayerShift;
        op.first = layer;
        m_open->step.ops.push_back(std::move(op));
    }
}

void CDocHistory::NoteModified(bool modified) {
    if (!modified) {
        m_cleanId = StateId();
        m_dirtyWithoutChange = false;
    } else if (m_open) {
        m_open->markedModified = true;
    } else {
        m_dirtyWithoutChange = true;
    }
}

bool CDocHistory::Step(CTAVDoc& doc, bool undo) {
    if (doc.GetBusy() || m_open) {
        doc.Prompter().Beep();
        return false;
    }
    if (undo ? !CanUndo() : !CanRedo()) {
        return false;
    }
    SStep& step = *m_steps[static_cast<size_t>(undo ? m_done - 1 : m_done)];
    CEntityTable& table = doc.m_entities;
    // A change made outside the history would make the ops miss their entities: then the
    // history is dropped rather than the drawing damaged.
    bool fits = true;
    size_t size = table.size();
    const auto fit = [&](const SOp& op, bool reverting) {
        fits = fits && op.Fits(size, reverting);
        if (fits) {
            const size_t in = op.kind == SOp::EKind::Insert ? static_cast<size_t>(op.count) : 0;
            const size_t out = op.kind == SOp::EKind::Remove ? op.indices.size() : 0;
            size = reverting ? size - in + out : size + in - out;
        }
    };
    if (undo) {
        std::for_each(step.ops.rbegin(), step.ops.rend(), [&](const SOp& op) { fit(op, true); });
    } else {
        std::for_each(step.ops.begin(), step.ops.end(), [&](const SOp& op) { fit(op, false); });
    }
    if (!fits) {
        Clear();
        m_dirtyWithoutChange = true;
        doc.Prompter().Beep();
        return false;
    }
    const bool moved = undo ? step.Revert(table) : step.Apply(table);
    PutTables(doc, undo ? step.before : step.after);
    m_done += undo ? -1 : 1;
    // Held entities changed hands: the memory bound applies again.
    Trim();
    if (moved) {
        doc.NotifyEntitiesRemoved();
    }
    doc.m_modified = m_dirtyWithoutChange || StateId() != m_cleanId;
    ++doc.m_changeCount;
    doc.NotifyStateChanged();
    doc.InvalidateViews();
    doc.UpdateAllViews(0);
    return true;
}
