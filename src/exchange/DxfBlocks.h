#pragma once

// The block definitions of a DXF file and the references that draw them (INSERT and MINSERT,
// and the anonymous blocks of dimensions and tables), exploded into plain entities: each block
// entity copied and placed, entities on layer "0" taking the reference's layer, colour BYBLOCK
// the reference's colour, nested references to any depth, cycles cut.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/Entity.h"

// An entity's colour as the file gives it: a colour number (256 by layer, also when none is
// given; 0 by block) or a true colour.
struct SDxfColor {
    int aci = 256;
    bool hasTrue = false;
    uint32_t rgb = 0;  // 0xRRGGBB of a true colour

    bool ByBlock() const { return !hasTrue && aci == 0; }
    bool ByLayer() const { return !hasTrue && aci == 256; }
};

// Where a reference puts a block's coordinates.
struct SDxfPlacement {
    CPoint3 point;  // insertion point (OCS), or the shift of a translation
    CVec3 scale{1.0, 1.0, 1.0};
    double rotation = 0.0;  // degrees about the extrusion
    CVec3 extrusion{0.0, 0.0, 1.0};
    int columns = 1, rows = 1;
    double columnSpacing = 0.0, rowSpacing = 0.0;
    // Dimensions and tables: the block already lies where it is drawn; point (WCS) shifts it.
    bool translationOnly = false;
};

// A reference to a block: an INSERT, or a dimension's or a table's block.
struct SDxfReference {
    std::string block;  // the name as written (decoded)
    SDxfPlacement place;
    std::string layer;  // decoded layer name
    SDxfColor color;
    int line = 0;  // of the reference in the file, for messages
};

// One thing a block definition holds: an entity in block coordinates with its layer name and
// colour, or a nested reference.
struct SDxfBlockItem {
    std::unique_ptr<CEntity> entity;
    std::string layer;
    SDxfColor color;
    std::unique_ptr<SDxfReference> reference;
};

struct SDxfBlock {
    std::string name;
    CPoint3 base;
    std::vector<SDxfBlockItem> items;
};

// The blocks of a file by name (ASCII letters compared without regard to case, as CAD programs
// do); a later definition of the same name replaces an earlier one.
class CDxfBlockTable {
public:
    SDxfBlock& Define(const std::string& name, const CPoint3& base);
    const SDxfBlock* Find(const std::string& name) const;
    size_t Size() const { return m_blocks.size(); }

private:
    std::vector<std::unique_ptr<SDxfBlock>> m_blocks;
    std::unordered_map<std::string, size_t> m_index;
};

// The matrix that takes block coordinates to the world for one cell of the reference's array
// (column, row from 0): base point to the insertion point, scaled, rotated, in the extrusion's
// coordinate system.
CMatrix4 PlacementMatrix(const SDxfPlacement& place, const CPoint3& base, int column, int row);

// A copy of e placed by m. An arc stays an arc while m keeps circles round in its plane (any
// rotation, mirroring, uniform scale); otherwise it becomes a polyline along the ellipse. A
// text keeps its height along its placed up direction. Polygons get their new triangulation.
std::unique_ptr<CEntity> PlacedCopy(const CEntity& e, const CMatrix4& m);

// Explodes references into entities.
class CDxfExploder {
public:
    // Takes an exploded entity with its layer name and colour (BYBLOCK already resolved);
    // false stops all further explosion (the budget is spent).
    using Emit = std::function<bool(std::unique_ptr<CEntity>, const std::string& layer,
                                    const SDxfColor& color)>;
    // Says a reference was left out: a text with the line of the reference.
    using Report = std::function<void(int line, const std::string& text)>;

    // The deepest nesting followed; deeper references are left out with a message.
    static constexpr int kMaxDepth = 64;

    CDxfExploder(const CDxfBlockTable& blocks, Emit emit, Report report)
        : m_blocks(blocks), m_emit(std::move(emit)), m_report(std::move(report)) {}

    // Emits the entities of the reference's block (and of its nested references), cell by cell
    // of its array. False when the emitter asked to stop.
    bool Explode(const SDxfReference& ref);

private:
    bool Explode(const SDxfReference& ref, const CMatrix4& outer,
                 std::vector<const SDxfBlock*>& path);

    const CDxfBlockTable& m_blocks;
    Emit m_emit;
    Report m_report;
};

// The message texts of block references (English, as the reader's messages are).
inline constexpr char kBlockMissing[] = "Block \"%s\" is not defined; its reference is left out.";
inline constexpr char kBlockCycle[] =
    "Block \"%s\" refers to itself; the reference that closes the circle is left out.";
inline constexpr char kBlockTooDeep[] =
    "Block \"%s\" is nested too deep; the reference is left out.";
inline constexpr char kBlockBadPlacement[] =
    "The reference to block \"%s\" has a zero or invalid scale, rotation or position; it is left "
    "out.";
