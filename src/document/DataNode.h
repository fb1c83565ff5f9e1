#pragma once

// The attribute data tree every entity carries (owner, parcel numbers, dates, descriptions).
// Trees are built from fixed object-type roots; each node's template says what the user may add
// under it. A node owns its children by value.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/EntityPool.h"

class CArchive;

class CDataNode {
public:
    // Children, in the entities' storage like the entities that own them.
    using ChildList = std::vector<CDataNode, CEntityAllocator<CDataNode>>;
    // Flag bits.
    enum { flagEdit = 1, flagDelete = 2, flagAdd = 4 };
    // Value kinds.
    enum { kindText = 1, kindDate = 2, kindNumber = 3 };
    // Deepest tree (levels, the root being level 1) that is loaded or stored.
    static constexpr int kMaxDepth = 64;
    // Bytes of the smallest stored node: count, empty string and the five numbers.
    static constexpr int kMinStoredBytes = 17;

    // Node with the defaults: "", max length 20, flags 3, text, child limit 0, no template.
    CDataNode() = default;
    // Deep copy of every field (tree item and template reference included) and all children.
    CDataNode(const CDataNode& other);
    // Moves the whole subtree; other is left a default node.
    CDataNode(CDataNode&& other) noexcept = default;
    // Deep copy; safe when other lies inside this node's own subtree.
    CDataNode& operator=(const CDataNode& other);
    // Moves the whole subtree; other is left a default node.
    CDataNode& operator=(CDataNode&& other) noexcept = default;
    ~CDataNode();

    // Label or value (UTF-8).
    const std::string& GetText() const { return State().text; }
    // Sets the label or value.
    void SetText(const std::string& text) { Mutable().text = text; }
    // Sets the text from the string table ("" for an unknown id).
    void SetText(unsigned stringId);
    // Longest text the user may type.
    int32_t GetMaxLength() const { return State().maxLength; }
    // Sets the longest text the user may type.
    void SetMaxLength(int32_t n) { Mutable().maxLength = n; }
    // Flag bits (flagEdit, flagDelete, flagAdd).
    uint8_t GetFlags() const { return State().flags; }
    // Sets the flag bits.
    void SetFlags(uint8_t f) { Mutable().flags = f; }
    // Value kind (kindText, kindDate, kindNumber).
    uint8_t GetKind() const { return State().kind; }
    // Sets the value kind.
    void SetKind(uint8_t k) { Mutable().kind = k; }
    // Most children that may be added under a node of this template; negative = no limit.
    int32_t GetChildLimit() const { return State().childLimit; }
    // Sets the child limit.
    void SetChildLimit(int32_t n) { Mutable().childLimit = n; }
    // Handle of the node's item in the open tree dialog (memory only, never stored).
    intptr_t GetTreeItem() const { return State().treeItem; }
    // Sets the tree dialog item handle.
    void SetTreeItem(intptr_t item) { Mutable().treeItem = item; }
    // Template deciding what may be added under this node, or nullptr.
    const CDataNode* GetTemplate() const { return State().tmpl; }
    // Sets the template (one of GetDataTemplate(1..5) or nullptr; others are stored as none).
    void SetTemplate(const CDataNode* t) { Mutable().tmpl = t; }

    // Number of children.
    int GetChildCount() const { return m_state ? static_cast<int>(m_state->children.size()) : 0; }
    // Child i; when i is out of range a default child is appended and returned instead.
    // The reference is invalidated by the next change to the child list.
    CDataNode& GetChild(int i);
    // Child i, read-only; i must be in range.
    const CDataNode& GetChild(int i) const { return m_state->children[static_cast<size_t>(i)]; }
    // All children, read-only.
    const ChildList& GetChildren() const { return State().children; }
    // Appends a copy of node.
    void AddChild(const CDataNode& node);
    // Inserts a copy of node before child i; i is clamped to 0..count.
    void InsertChild(int i, const CDataNode& node);
    // Removes child i and its subtree; returns false (and changes nothing) when i is out of range.
    bool RemoveChild(int i);
    // Grows with default children or drops the tail; a negative n counts as 0.
    void SetChildCount(int n);

    // Replaces this node's content (the tree item excepted) with the root of an object type:
    // 0 building, 1 cable, 2 pipe, 3 parcel, 4 tank, anything else "inne dane".
    void BuildObjectTree(int type);

    // Same text, max length, flags, kind, child limit and children in order; the template and
    // tree item are not compared.
    bool operator==(const CDataNode& other) const;

    // Stores or loads the subtree: children first, then the node's own fields. A load that fails
    // (CArchiveException for truncation, a bad template index or nesting deeper than kMaxDepth)
    // leaves this node unchanged; storing a tree deeper than kMaxDepth throws as well.
    void Serialize(CArchive& ar);

private:
    // Every field of a node. Most entities never get attribute data, so a node in its default
    // state holds no state at all (one null pointer) and allocates it on the first change.
    struct SState {
        std::string text;
        int32_t maxLength = 20;
        uint8_t flags = 3;
        uint8_t kind = kindText;
        int32_t childLimit = 0;
        intptr_t treeItem = 0;
        const CDataNode* tmpl = nullptr;
        ChildList children;
        // A survey of coded points has as many trees as points: kept with the entities, on
        // huge pages, instead of faulting in the heap a 4 KB page at a time.
        static void* operator new(std::size_t size) { return AllocateEntityStorage(size); }
        static void operator delete(void* p, std::size_t size) noexcept {
            FreeEntityStorage(p, size);
        }
    };

    // The node's fields, the shared defaults when it has none of its own.
    const SState& State() const { return m_state ? *m_state : DefaultState(); }
    // The node's own fields, created with the defaults on first use.
    SState& Mutable() {
        if (!m_state) {
            m_state = std::make_unique<SState>();
        }
        return *m_state;
    }
    static const SState& DefaultState();

    void Store(CArchive& ar, int depth) const;
    void Load(CArchive& ar, int depth);

    std::unique_ptr<SState> m_state;
};

// Child template 1..5 (process-wide, built on first use); nullptr for any other index.
const CDataNode* GetDataTemplate(int index);

// Index 1..5 of a child template, 0 for nullptr or any other node.
int GetDataTemplateIndex(const CDataNode* node);
