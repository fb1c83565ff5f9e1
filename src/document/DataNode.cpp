#include "document/DataNode.h"

#include <algorithm>
#include <string>

#include "document/Archive.h"
#include "document/StringTable.h"

namespace {

// String ids of the template prototypes and object-type trees.
enum : unsigned {
    idDane = 41462,
    idDate = 41463,
    idOpis = 41464,
    idBuilding = 41465,
    idCable = 41466,
    idPipe = 41467,
    idTank = 41468,
    idDaneField = 41469,
    idModernizations = 41470,
    idOtherData = 41471,
    idValue = 41494,
    idParcel = 41495,
};

CDataNode MakeNode(unsigned textId, int32_t maxLength, uint8_t flags, uint8_t kind,
                   const CDataNode* tmpl) {
    CDataNode n;
    n.SetText(textId);
    n.SetMaxLength(maxLength);
    n.SetFlags(flags);
    n.SetKind(kind);
    n.SetTemplate(tmpl);
    return n;
}

struct STemplates {
    CDataNode t[5];

    STemplates() {
        // Template 3 (dates) offers a date whose own template (2) offers descriptions.
        const struct {
            int32_t limit;
            unsigned textId;
            int32_t maxLength;
            uint8_t flags;
            uint8_t kind;
            int tmpl;
        } rows[5] = {
            {30, idDane, 80, 3, CDataNode::kindText, 0},
            {20, idOpis, 80, 3, CDataNode::kindText, 0},
            {30, idDate, 10, 7, CDataNode::kindDate, 2},
            {1, idValue, 80, 3, CDataNode::kindText, 0},
            {1, idValue, 20, 3, CDataNode::kindNumber, 0},
        };
        for (int i = 0; i < 5; ++i) {
            const auto& r = rows[i];
            t[i].SetChildLimit(r.limit);
            t[i].AddChild(MakeNode(r.textId, r.maxLength, r.flags, r.kind,
                                   r.tmpl ? &t[r.tmpl - 1] : nullptr));
        }
    }
};

const STemplates& Templates() {
    static const STemplates templates;
    return templates;
}

}  // namespace

const CDataNode* GetDataTemplate(int index) {
    if (index < 1 || index > 5) {
        return nullptr;
    }
    return &Templates().t[index - 1];
}

int GetDataTemplateIndex(const CDataNode* node) {
    if (node == nullptr) {
        return 0;
    }
    const STemplates& all = Templates();
    for (int i = 0; i < 5; ++i) {
        if (node == &all.t[i]) {
            return i + 1;
        }
    }
    return 0;
}

const CDataNode::SState& CDataNode::DefaultState() {
    static const SState defaults;
    return defaults;
}

CDataNode::CDataNode(const CDataNode& other)
    : m_state(other.m_state ? std::make_unique<SState>(*other.m_state) : nullptr) {}

CDataNode::~CDataNode() = default;

CDataNode& CDataNode::operator=(const CDataNode& other) {
    if (this != &other) {
        // Copy first: other may be a node inside this subtree.
        CDataNode copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CDataNode::SetText(unsigned stringId) {
    Mutable().text = LoadStr(stringId);
}

CDataNode& CDataNode::GetChild(int i) {
    ChildList& children = Mutable().children;
    if (i < 0 || i >= GetChildCount()) {
        children.emplace_back();
        return children.back();
    }
    return children[static_cast<size_t>(i)];
}

void CDataNode::AddChild(const CDataNode& node) {
    // Copy first: node may lie inside this subtree, and the list may move when it grows.
    CDataNode copy(node);
    Mutable().children.push_back(std::move(copy));
}

void CDataNode::InsertChild(int i, const CDataNode& node) {
    CDataNode copy(node);
    int at = std::clamp(i, 0, GetChildCount());
    ChildList& children = Mutable().children;
    children.insert(children.begin() + at, std::move(copy));
}

bool CDataNode::RemoveChild(int i) {
    if (i < 0 || i >= GetChildCount()) {
        return false;
    }
    m_state->children.erase(m_state->children.begin() + i);
    return true;
}

void CDataNode::SetChildCount(int n) {
    if (n <= 0 && !m_state) {
        return;
    }
    Mutable().children.resize(static_cast<size_t>(std::max(n, 0)));
}

void CDataNode::BuildObjectTree(int type) {
    const intptr_t item = GetTreeItem();
    *this = CDataNode();
    SState& s = Mutable();
    s.treeItem = item;
    s.maxLength = 35;
    s.flags = 0;
    s.kind = kindText;

    const CDataNode* dane = GetDataTemplate(1);
    switch (type) {
        case 0:
        case 1:
        case 2: {
            static constexpr unsigned roots[3] = {idBuilding, idCable, idPipe};
            SetText(roots[type]);
            AddChild(MakeNode(idDaneField, 10, flagAdd, kindText, dane));
            break;
        }
        case 3: {
            SetText(idParcel);
            const struct {
                unsigned textId;
                uint8_t kind;
                int tmpl;
            } fields[12] = {
                {41496, kindText, 4}, {41497, kindText, 4},   {41498, kindText, 4},
                {41499, kindText, 4}, {41500, kindText, 4},   {41501, kindText, 4},
                {41502, kindText, 1}, {41503, kindText, 1},   {41504, kindText, 4},
                {41505, kindText, 4}, {41507, kindNumber, 5}, {41508, kindNumber, 5},
            };
            s.children.reserve(12);
            for (const auto& f : fields) {
                AddChild(MakeNode(f.textId, 80, flagAdd, f.kind, GetDataTemplate(f.tmpl)));
            }
            break;
        }
        case 4:
            SetText(idTank);
            AddChild(MakeNode(idDaneField, 10, flagAdd, kindText, dane));
            AddChild(MakeNode(idModernizations, 15, flagAdd, kindText, GetDataTemplate(3)));
            break;
        default:
            SetText(idOtherData);
            s.tmpl = dane;
            s.children.emplace_back();
            break;
    }
}

bool CDataNode::operator==(const CDataNode& other) const {
    if (m_state == other.m_state) {
        return true;  // the same node, or two without state of their own
    }
    const SState& a = State();
    const SState& b = other.State();
    return a.text == b.text && a.flags == b.flags && a.kind == b.kind &&
           a.maxLength == b.maxLength && a.childLimit == b.childLimit && a.children == b.children;
}

void CDataNode::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar, 1);
    } else {
        // Load into a fresh node so that a bad file leaves this one as it was.
        CDataNode loaded;
        loaded.Load(ar, 1);
        *this = std::move(loaded);
    }
}

void CDataNode::Store(CArchive& ar, int depth) const {
    if (depth > kMaxDepth) {
        throw CArchiveException(CArchiveException::genericException,
                                "Attribute data nested deeper than " + std::to_string(kMaxDepth) +
                                    " levels cannot be saved.");
    }
    const SState& s = State();
    ar.WriteCount(s.children.size());
    for (const CDataNode& child : s.children) {
        child.Store(ar, depth + 1);
    }
    ar.WriteString(s.text);
    ar.WriteI32(s.maxLength);
    ar.WriteU8(s.flags);
    ar.WriteU8(s.kind);
    ar.WriteI32(s.childLimit);
    ar.WriteU32(static_cast<uint32_t>(GetDataTemplateIndex(s.tmpl)));
}

void CDataNode::Load(CArchive& ar, int depth) {
    const size_t countAt = ar.Position();
    const uint32_t count = ar.ReadCount();
    if (count > 0 && depth >= kMaxDepth) {
        throw CArchiveException(CArchiveException::genericException,
                                "Attribute data at byte " + std::to_string(countAt) +
                                    " is nested deeper than " + std::to_string(kMaxDepth) +
                                    " levels.");
    }
    ar.CheckAvailable(count, kMinStoredBytes, "Attribute data child count");
    // Grow as children are read, so a false count costs no more than the bytes behind it.
    ChildList children;
    children.reserve(std::min<uint32_t>(count, 1024));
    for (uint32_t i = 0; i < count; ++i) {
        children.emplace_back();
        children.back().Load(ar, depth + 1);
    }
    std::string text = ar.ReadString();
    const int32_t maxLength = ar.ReadI32();
    const uint8_t flags = ar.ReadU8();
    const uint8_t kind = ar.ReadU8();
    const int32_t childLimit = ar.ReadI32();
    const size_t indexAt = ar.Position();
    const uint32_t index = ar.ReadU32();
    if (index > 5) {
        throw CArchiveException(CArchiveException::badIndex,
                                "Attribute data template index " + std::to_string(index) +
                                    " at byte " + std::to_string(indexAt) +
                                    " is out of range (0 to 5).");
    }
    const SState& defaults = DefaultState();
    if (children.empty() && text.empty() && maxLength == defaults.maxLength &&
        flags == defaults.flags && kind == defaults.kind && childLimit == defaults.childLimit &&
        index == 0) {
        return;  // a node left as created: no state of its own
    }
    SState& s = Mutable();
    s.children = std::move(children);
    s.text = std::move(text);
    s.maxLength = maxLength;
    s.flags = flags;
    s.kind = kind;
    s.childLimit = childLimit;
    s.tmpl = GetDataTemplate(static_cast<int>(index));
}
