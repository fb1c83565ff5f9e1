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

CDataNode& CDataNode::operator=(const CDataNode& other) {
    if (this != &other) {
        // Copy first: other may be a node inside this subtree.
        CDataNode copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CDataNode::SetText(unsigned stringId) {
    m_text = LoadStr(stringId);
}

CDataNode& CDataNode::GetChild(int i) {
    if (i < 0 || i >= GetChildCount()) {
        m_children.emplace_back();
        return m_children.back();
    }
    return m_children[static_cast<size_t>(i)];
}

void CDataNode::AddChild(const CDataNode& node) {
    CDataNode copy(node);
    m_children.push_back(std::move(copy));
}

void CDataNode::InsertChild(int i, const CDataNode& node) {
    CDataNode copy(node);
    int at = std::clamp(i, 0, GetChildCount());
    m_children.insert(m_children.begin() + at, std::move(copy));
}

bool CDataNode::RemoveChild(int i) {
    if (i < 0 || i >= GetChildCount()) {
        return false;
    }
    m_children.erase(m_children.begin() + i);
    return true;
}

void CDataNode::SetChildCount(int n) {
    m_children.resize(static_cast<size_t>(std::max(n, 0)));
}

void CDataNode::BuildObjectTree(int type) {
    const intptr_t item = m_treeItem;
    *this = CDataNode();
    m_treeItem = item;
    m_maxLength = 35;
    m_flags = 0;
    m_kind = kindText;

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
            m_children.reserve(12);
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
            m_template = dane;
            m_children.emplace_back();
            break;
    }
}

bool CDataNode::operator==(const CDataNode& other) const {
    return m_text == other.m_text && m_flags == other.m_flags && m_kind == other.m_kind &&
           m_maxLength == other.m_maxLength && m_childLimit == other.m_childLimit &&
           m_children == other.m_children;
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
    ar.WriteCount(m_children.size());
    for (const CDataNode& child : m_children) {
        child.Store(ar, depth + 1);
    }
    ar.WriteString(m_text);
    ar.WriteI32(m_maxLength);
    ar.WriteU8(m_flags);
    ar.WriteU8(m_kind);
    ar.WriteI32(m_childLimit);
    ar.WriteU32(static_cast<uint32_t>(GetDataTemplateIndex(m_template)));
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
    m_children.reserve(std::min<uint32_t>(count, 1024));
    for (uint32_t i = 0; i < count; ++i) {
        m_children.emplace_back();
        m_children.back().Load(ar, depth + 1);
    }
    m_text = ar.ReadString();
    m_maxLength = ar.ReadI32();
    m_flags = ar.ReadU8();
    m_kind = ar.ReadU8();
    m_childLimit = ar.ReadI32();
    const size_t indexAt = ar.Position();
    const uint32_t index = ar.ReadU32();
    if (index > 5) {
        throw CArchiveException(CArchiveException::badIndex,
                                "Attribute data template index " + std::to_string(index) +
                                    " at byte " + std::to_string(indexAt) +
                                    " is out of range (0 to 5).");
    }
    m_template = GetDataTemplate(static_cast<int>(index));
}
