#pragma once

// The document side of an entity dialog: a new entity is in the document from the start (so it
// is drawn while typed), an existing one is edited in place; committing completes it, cancelling
// restores the saved copy or takes the new entity out again.

#include <memory>
#include <span>

#include "document/Entity.h"

class CTAVDoc;

// A new entity of the type code (100..104) with its defaults; arcs and texts get the active
// system's Z axis. nullptr for another code.
std::unique_ptr<CEntity> MakeNewEntity(const CTAVDoc& doc, int typeCode);

// Copies src into dst when both are of the same class; false (dst untouched) otherwise.
bool CopyEntityInto(CEntity& dst, const CEntity& src);

class CEntityEdit {
public:
    CEntityEdit() = default;
    CEntityEdit(const CEntityEdit&) = delete;
    CEntityEdit& operator=(const CEntityEdit&) = delete;

    // Appends entity at slot count with the document's current colour and layer and keeps a
    // copy; returns the slot. A null entity is refused with -1.
    int BeginNew(CTAVDoc& doc, std::unique_ptr<CEntity> entity);
    // Edits entity index in place with a saved copy; false when index is not an entity.
    bool BeginExisting(CTAVDoc& doc, int index);

    // The live entity, or nullptr when no edit runs or its slot no longer holds it.
    CEntity* Entity() const;
    // Slot of the entity (-1 when no edit runs).
    int Index() const { return m_index; }
    // True for an entity made for this edit.
    bool IsNew() const { return m_new; }
    // True between Begin and Commit or Cancel.
    bool IsActive() const { return m_doc != nullptr; }
    // The document edited, or nullptr.
    CTAVDoc* Document() const { return m_doc; }

    // Too few vertices gives 41456 (polyline) or 41455 (polygon) and nothing changes. Otherwise
    // the colour becomes the current one, a new entity takes the next entity number, the
    // extents grow by the entity, the document is marked modified and its views rebuilt; the
    // edit ends and nullptr is returned.
    const char* Commit();
    // Restores the saved copy, takes a new entity out of the document and ends the edit; does
    // nothing when no edit runs. A slot that no longer holds the entity is left alone.
    void Cancel();

private:
    void End();

    CTAVDoc* m_doc = nullptr;
    int m_index = -1;
    bool m_new = false;
    const CEntity* m_live = nullptr;
    std::unique_ptr<CEntity> m_saved;
};

// Grows the document's extents by what the entity adds: a point, every vertex, an arc's start,
// middle and end (five points beyond 180 degrees), a text's insertion point and box corner.
void ExtendExtentsBy(CTAVDoc& doc, const CEntity& entity);

// Colour component 0..1 as a byte: trunc(c × 255 + 0.5), clamped to 0..255.
int ColorToByte(double c);
// Byte back to a component: byte × (1 / 255).
double ByteToColor(int byte);

// Where the line through picked along (eye − target) meets the plane through planePoint with
// normal axis; false (out untouched) when it runs parallel to the plane or the view has no
// direction.
bool IntersectPickRay(const CPoint3& picked, const CPoint3& eye, const CPoint3& target,
                      const CPoint3& planePoint, const CVec3& axis, CPoint3& out);
// Polar angle of p about centre in the arc or text frame of axis, degrees in [0, 360); 0 for
// p at the centre.
double AngleInEntityFrame(const CPoint3& centre, const CVec3& axis, const CPoint3& p);
// Angular length from start to angle, in [0, 360).
double ArcLengthTo(double start, double angle);

// Name, layer, colour and data of several entities at once.
struct SCommonProperties {
    std::string name;
    int layer = -1;  // -1: the entities are on different layers
    double color[3] = {1.0, 1.0, 1.0};
    CDataNode data;
    int namesDiffer = 0;
    int colorsDiffer = 0;
    int dataDiffer = 0;
};

// Gathers the properties of the selected entities (indices out of range are skipped): a
// differing name empties the name, a differing layer gives -1, colours differing by 1e-8 or
// more give white, differing data give an empty tree; each sets its differ flag.
SCommonProperties GatherCommonProperties(const CTAVDoc& doc, std::span<const int> selection);
// Sets on every selected entity what does not differ: the name, the layer when layerChoice is
// a layer index, the colour, a copy of the data. Returns the number of entities changed.
int ApplyCommonProperties(CTAVDoc& doc, std::span<const int> selection,
                          const SCommonProperties& props, int layerChoice);
