#include "document/DataNode.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "document/Archive.h"
#include "support/ArchiveBytes.h"
#include "support/Describe.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The fields of a stored node after its children: text, 20, 3, 1, 0, template 0.
const Bytes kDefaultFields = {0x00, 0x14, 0, 0, 0, 0x03, 0x01, 0, 0, 0, 0, 0, 0, 0, 0};

// Nested chain of levels nodes as the file holds it: all the counts first, then the fields.
Bytes Chain(int levels) {
    Bytes b;
    for (int i = 1; i < levels; ++i) {
        b.insert(b.end(), {0x01, 0x00});
    }
    b.insert(b.end(), {0x00, 0x00});
    for (int i = 0; i < levels; ++i) {
        b.insert(b.end(), kDefaultFields.begin(), kDefaultFields.end());
    }
    return b;
}

// Template references equal at every level (operator== ignores them).
void ExpectSameTemplates(const CDataNode& a, const CDataNode& b, const std::string& path) {
    EXPECT_EQ(a.GetTemplate(), b.GetTemplate()) << path;
    ASSERT_EQ(a.GetChildCount(), b.GetChildCount()) << path;
    for (int i = 0; i < a.GetChildCount(); ++i) {
        ExpectSameTemplates(a.GetChild(i), b.GetChild(i), path + "/" + std::to_string(i));
    }
}

// A node's stored fields, its template as an index 0..5 and its child count.
using Fields = std::tuple<std::string, int, int, int, int, int>;

Fields FieldsOf(const CDataNode& n) {
    return {n.GetText(),
            n.GetMaxLength(),
            n.GetFlags(),
            n.GetKind(),
            GetDataTemplateIndex(n.GetTemplate()),
            n.GetChildCount()};
}

constexpr int kText = CDataNode::kindText, kDate = CDataNode::kindDate,
              kNumber = CDataNode::kindNumber;

TEST(DataNodeTest, DefaultNodeImage) {
    CDataNode n;
    EXPECT_EQ(FieldsOf(n), (Fields{"", 20, 3, CDataNode::kindText, 0, 0}));
    EXPECT_EQ(n.GetChildLimit(), 0);
    EXPECT_EQ(n.GetTreeItem(), 0);
    EXPECT_EQ(n.GetTemplate(), nullptr);
    Bytes expected = {0x00, 0x00};
    expected.insert(expected.end(), kDefaultFields.begin(), kDefaultFields.end());
    EXPECT_EQ(Stored(n), expected);
    EXPECT_EQ(expected.size(), static_cast<size_t>(CDataNode::kMinStoredBytes));
}

// Nodes in their default state share one set of defaults: a change to one node must reach
// no other, and a node must compare and store alike whether it ever held state or not.
TEST(DataNodeTest, DefaultNodesStayIndependent) {
    CDataNode a, b;
    const CDataNode untouched;
    a.SetText("zmiana");
    a.SetMaxLength(5);
    a.GetChild(0).SetKind(CDataNode::kindNumber);
    EXPECT_EQ(b.GetText(), "");
    EXPECT_EQ(b.GetMaxLength(), 20);
    EXPECT_EQ(untouched.GetChildCount(), 0);
    EXPECT_TRUE(untouched.GetChildren().empty());
    EXPECT_EQ(CDataNode().GetChild(0).GetKind(), CDataNode::kindText);

    // Back to the default values: equal to, and stored as, a node never changed.
    CDataNode c;
    c.SetText("x");
    c.SetText("");
    c.SetChildCount(2);
    c.SetChildCount(0);
    EXPECT_TRUE(c == untouched);
    EXPECT_TRUE(untouched == c);
    EXPECT_EQ(Stored(c), Stored(untouched));
    c.SetFlags(0);
    EXPECT_FALSE(c == untouched);
    EXPECT_FALSE(untouched == c);

    // Copies and moves of default and changed nodes.
    CDataNode copy(untouched);
    EXPECT_TRUE(copy == untouched);
    copy.SetChildLimit(4);
    EXPECT_EQ(untouched.GetChildLimit(), 0);
    CDataNode moved(std::move(a));
    EXPECT_EQ(moved.GetText(), "zmiana");
    EXPECT_EQ(moved.GetChild(0).GetKind(), CDataNode::kindNumber);
    b = moved;
    b.GetChild(0).SetKind(CDataNode::kindDate);
    EXPECT_EQ(moved.GetChild(0).GetKind(), CDataNode::kindNumber);

    // A stored default node loads back as one, and a changed one with every field.
    Bytes image = Stored(untouched);
    CArchive in(image);
    CDataNode loaded;
    loaded.SetText("before");
    loaded.Serialize(in);
    EXPECT_TRUE(loaded == untouched);
    EXPECT_EQ(loaded.GetTreeItem(), 0);
    image = Stored(moved);
    CArchive in2(image);
    loaded.Serialize(in2);
    EXPECT_TRUE(loaded == moved);
}

TEST(DataNodeTest, FieldImage) {
    CDataNode n;
    n.SetText("Łąka");
    n.SetMaxLength(-2);
    n.SetFlags(7);
    n.SetKind(CDataNode::kindDate);
    n.SetChildLimit(-1);
    n.SetTemplate(GetDataTemplate(5));
    n.SetTreeItem(12345);
    EXPECT_EQ(Stored(n), (Bytes{0, 0, 4,    0xA3, 0xB9, 'k',  'a', 0xFE, 0xFF, 0xFF, 0xFF,
                                7, 2, 0xFF, 0xFF, 0xFF, 0xFF, 5,   0,    0,    0}));
    // A template that is none of the five is stored as none.
    CDataNode foreign, other;
    other.SetTemplate(&foreign);
    const Bytes b = Stored(other);
    EXPECT_EQ(Bytes(b.end() - 4, b.end()), (Bytes{0, 0, 0, 0}));
}

TEST(DataNodeTest, Templates) {
    // The child limit of each template and its one prototype child.
    const std::pair<int, Fields> rows[5] = {
        {30, {"Dane", 80, 3, kText, 0, 0}},     {20, {"Opis", 80, 3, kText, 0, 0}},
        {30, {"Datę", 10, 7, kDate, 2, 0}},     {1, {"Wartość", 80, 3, kText, 0, 0}},
        {1, {"Wartość", 20, 3, kNumber, 0, 0}},
    };
    for (int i = 1; i <= 5; ++i) {
        const CDataNode* t = GetDataTemplate(i);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(GetDataTemplateIndex(t), i);
        EXPECT_EQ(t->GetChildLimit(), rows[i - 1].first) << i;
        ASSERT_EQ(t->GetChildCount(), 1);
        EXPECT_EQ(FieldsOf(t->GetChild(0)), rows[i - 1].second) << i;
    }
    for (int i : {0, 6, -1}) {
        EXPECT_EQ(GetDataTemplate(i), nullptr);
    }
    EXPECT_EQ(GetDataTemplateIndex(nullptr), 0);
    CDataNode other;
    EXPECT_EQ(GetDataTemplateIndex(&other), 0);
    // A copy of a template is not the template.
    CDataNode copy(*GetDataTemplate(2));
    EXPECT_EQ(GetDataTemplateIndex(&copy), 0);
}

TEST(DataNodeTest, ParcelTree) {
    CDataNode root;
    root.BuildObjectTree(3);
    EXPECT_EQ(FieldsOf(root), (Fields{"Działka", 35, 0, kText, 0, 12}));
    const std::pair<const char*, int> fields[12] = {
        {"Województwo", 4},
        {"Jednostka ewidencyjna", 4},
        {"Obręb", 4},
        {"Działka Nr", 4},
        {"Nr jednostki rejestrowej", 4},
        {"Nr księgi wieczystej", 4},
        {"Właściciel", 1},
        {"Użytkownik", 1},
        {"Położenie", 4},
        {"Rodzaj użytków i klasa gruntu", 4},
        {"Powierzchnia użytkowa", 5},
        {"Powierzchnia działki", 5},
    };
    for (int i = 0; i < 12; ++i) {
        const int kind = i >= 10 ? 3 : 1;
        EXPECT_EQ(FieldsOf(root.GetChild(i)),
                  (Fields{fields[i].first, 80, CDataNode::flagAdd, kind, fields[i].second, 0}));
    }
    // Under the owner at most 30 values.
    EXPECT_EQ(root.GetChild(6).GetTemplate()->GetChildLimit(), 30);
    // Under the parcel area: one number "Wartość".
    const CDataNode* area = root.GetChild(11).GetTemplate();
    EXPECT_EQ(area->GetChildLimit(), 1);
    EXPECT_EQ(area->GetChild(0).GetText(), "Wartość");
    EXPECT_EQ(area->GetChild(0).GetKind(), kNumber);
}

TEST(DataNodeTest, OtherObjectTrees) {
    const char* roots[3] = {"Budynek lub konstrukcja budowlana", "Kabel", "Rura"};
    for (int type = 0; type < 3; ++type) {
        CDataNode n;
        n.BuildObjectTree(type);
        EXPECT_EQ(FieldsOf(n), (Fields{roots[type], 35, 0, kText, 0, 1}));
        EXPECT_EQ(FieldsOf(n.GetChild(0)), (Fields{"dane", 10, 4, kText, 1, 0}));
    }
    CDataNode tank;
    tank.BuildObjectTree(4);
    EXPECT_EQ(FieldsOf(tank), (Fields{"Zbiornik", 35, 0, kText, 0, 2}));
    EXPECT_EQ(tank.GetChild(0).GetText(), "dane");
    EXPECT_EQ(FieldsOf(tank.GetChild(1)), (Fields{"modernizacje", 15, 4, kText, 3, 0}));
    for (int type : {5, -1, 1000}) {
        CDataNode n;
        n.BuildObjectTree(type);
        EXPECT_EQ(FieldsOf(n), (Fields{"inne dane", 35, 0, kText, 1, 1}));
        EXPECT_TRUE(n.GetChild(0) == CDataNode());
        EXPECT_EQ(n.GetChild(0).GetTemplate(), nullptr);
    }
    // Building again replaces the content but keeps the tree item.
    CDataNode k;
    k.BuildObjectTree(3);
    k.SetChildLimit(9);
    k.SetTreeItem(42);
    k.BuildObjectTree(1);
    EXPECT_EQ(FieldsOf(k), (Fields{"Kabel", 35, 0, kText, 0, 1}));
    EXPECT_EQ(k.GetChildLimit(), 0);
    EXPECT_EQ(k.GetTreeItem(), 42);
}

TEST(DataNodeTest, ModernizationsRoundTripKeepsTemplates) {
    CDataNode root;
    root.BuildObjectTree(4);
    CDataNode& mod = root.GetChild(1);
    const char* dates[2] = {"2001.05.17", "2019.11.02"};
    const char* notes[2] = {"Wymiana zaworów", "Malowanie zbiornika – ściany"};
    for (int i = 0; i < 2; ++i) {
        CDataNode date = mod.GetTemplate()->GetChild(0);
        date.SetText(dates[i]);
        CDataNode note = date.GetTemplate()->GetChild(0);
        note.SetText(notes[i]);
        date.AddChild(note);
        mod.AddChild(date);
    }
    root.GetChild(0).AddChild(GetDataTemplate(1)->GetChild(0));
    root.GetChild(0).GetChild(0).SetText("Pojemność 50 m3, 20°C");

    CArchive out;
    root.Serialize(out);
    EXPECT_FALSE(out.HadUnmappableChars());
    const Bytes image = out.Buffer();

    CArchive in(image);
    CDataNode loaded;
    loaded.SetText("to be replaced");
    loaded.Serialize(in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_TRUE(loaded == root);
    ExpectSameTemplates(loaded, root, "root");
    EXPECT_EQ(loaded.GetChild(1).GetChild(1).GetChild(0).GetText(), "Malowanie zbiornika – ściany");
    EXPECT_EQ(loaded.GetChild(1).GetChild(0).GetTemplate(), GetDataTemplate(2));
    // Stored again it gives the same bytes.
    EXPECT_EQ(Stored(loaded), image);
}

TEST(DataNodeTest, ChildListOperations) {
    CDataNode n, a, b;
    a.SetText("a");
    b.SetText("b");
    n.AddChild(a);
    n.AddChild(b);
    n.InsertChild(1, b);
    EXPECT_EQ(DescribeData(n), R"(""{"a", "b", "b"})");
    n.InsertChild(-5, a);
    n.InsertChild(99, a);
    EXPECT_EQ(DescribeData(n), R"(""{"a", "a", "b", "b", "a"})");
    EXPECT_TRUE(n.RemoveChild(1));
    EXPECT_FALSE(n.RemoveChild(4));
    EXPECT_FALSE(n.RemoveChild(-1));
    EXPECT_EQ(DescribeData(n), R"(""{"a", "b", "b", "a"})");
    n.SetChildCount(6);
    EXPECT_EQ(DescribeData(n), R"(""{"a", "b", "b", "a", "", ""})");
    n.SetChildCount(2);
    EXPECT_EQ(DescribeData(n), R"(""{"a", "b"})");
    n.SetChildCount(-3);
    EXPECT_EQ(n.GetChildCount(), 0);

    // Adding or inserting a node's own child copies it safely.
    n.AddChild(a);
    n.AddChild(n.GetChild(0));
    n.InsertChild(0, n.GetChild(1));
    EXPECT_EQ(DescribeData(n), R"(""{"a", "a", "a"})");
    // A child asked for out of range is appended.
    CDataNode g;
    g.AddChild(CDataNode());
    g.AddChild(CDataNode());
    g.GetChild(1).SetText("second");
    CDataNode& c = g.GetChild(5);
    EXPECT_EQ(&c, &g.GetChild(2));
    EXPECT_TRUE(c == CDataNode());
    g.GetChild(-1);
    EXPECT_EQ(DescribeData(g), R"(""{"", "second", "", ""})");
}

TEST(DataNodeTest, CopiesAreDeepAndEqualityIgnoresTemplates) {
    CDataNode root;
    root.BuildObjectTree(4);
    root.GetChild(1).AddChild(GetDataTemplate(3)->GetChild(0));
    root.SetTreeItem(77);

    CDataNode copy(root);
    EXPECT_TRUE(copy == root);
    EXPECT_EQ(copy.GetTreeItem(), 77);
    ExpectSameTemplates(copy, root, "copy");
    copy.GetChild(1).GetChild(0).SetText("2020.01.01");
    copy.GetChild(0).SetChildCount(3);
    EXPECT_EQ(DescribeData(root), R"("Zbiornik"{"dane", "modernizacje"{"Datę"}})");
    EXPECT_FALSE(copy == root);

    CDataNode assigned;
    assigned = root;
    EXPECT_TRUE(assigned == root);
    assigned.GetChild(1).SetText("x");
    EXPECT_EQ(root.GetChild(1).GetText(), "modernizacje");

    // Assigning a node from inside its own subtree.
    CDataNode tree = root;
    tree = tree.GetChild(1);
    EXPECT_EQ(DescribeData(tree), R"("modernizacje"{"Datę"})");
    EXPECT_EQ(tree.GetTemplate(), GetDataTemplate(3));
    // Equality compares every stored field but not the template.
    CDataNode base;
    base.BuildObjectTree(3);
    const std::vector<std::pair<const char*, std::function<void(CDataNode&)>>> changes = {
        {"text", [](CDataNode& n) { n.SetText("Działka 2"); }},
        {"max length", [](CDataNode& n) { n.SetMaxLength(36); }},
        {"flags", [](CDataNode& n) { n.SetFlags(1); }},
        {"kind", [](CDataNode& n) { n.SetKind(CDataNode::kindNumber); }},
        {"child limit", [](CDataNode& n) { n.SetChildLimit(-1); }},
        {"child count", [](CDataNode& n) { n.SetChildCount(11); }},
        {"grandchild", [](CDataNode& n) { n.GetChild(11).AddChild(CDataNode()); }},
        {"child order",
         [](CDataNode& n) {
             CDataNode first = n.GetChild(0);
             n.RemoveChild(0);
             n.AddChild(first);
         }},
    };
    for (const auto& [name, change] : changes) {
        CDataNode n = base;
        change(n);
        EXPECT_FALSE(n == base) << name;
    }
    CDataNode n = base;
    n.SetTemplate(GetDataTemplate(2));
    n.GetChild(0).SetTemplate(nullptr);
    n.SetTreeItem(5);
    EXPECT_TRUE(n == base);
}

TEST(DataNodeTest, DepthLimit) {
    // kMaxDepth levels load; one more is refused.
    Bytes ok = Chain(CDataNode::kMaxDepth);
    CArchive in(ok);
    CDataNode n;
    n.Serialize(in);
    EXPECT_EQ(in.Remaining(), 0u);
    int depth = 1;
    for (const CDataNode* p = &n; p->GetChildCount() == 1; p = &p->GetChild(0)) {
        ++depth;
    }
    EXPECT_EQ(depth, CDataNode::kMaxDepth);
    EXPECT_EQ(Stored(n), ok);

    Bytes deep = Chain(CDataNode::kMaxDepth + 1);
    CArchive in2(deep);
    CDataNode keep;
    keep.BuildObjectTree(3);
    const CDataNode before = keep;
    CArchiveException e = CatchArchive([&] { keep.Serialize(in2); });
    EXPECT_EQ(e.Cause(), CArchiveException::genericException);
    EXPECT_STREQ(e.what(), "Attribute data at byte 126 is nested deeper than 64 levels.");
    EXPECT_TRUE(keep == before);

    // Such a tree cannot be saved either, so no file is written that could not be read back.
    CDataNode* leaf = &n;
    while (leaf->GetChildCount() > 0) {
        leaf = &leaf->GetChild(0);
    }
    leaf->AddChild(CDataNode());
    CArchive out;
    e = CatchArchive([&] { n.Serialize(out); });
    EXPECT_EQ(e.Cause(), CArchiveException::genericException);
    EXPECT_STREQ(e.what(), "Attribute data nested deeper than 64 levels cannot be saved.");
    // A bomb of half a million levels is refused quickly.
    Bytes bomb;
    for (int i = 0; i < 500000; ++i) {
        bomb.insert(bomb.end(), {0x01, 0x00});
    }
    CArchive bombIn(bomb);
    CDataNode b;
    EXPECT_EQ(CatchArchive([&] { b.Serialize(bombIn); }).Cause(),
              CArchiveException::genericException);
    EXPECT_TRUE(b == CDataNode());
}

TEST(DataNodeTest, BadTemplateIndexAndHugeChildCountAreRefused) {
    Bytes b = {0, 0, 0, 20, 0, 0, 0, 3, 1, 0, 0, 0, 0, 6, 0, 0, 0};
    CArchive in(b);
    CDataNode n;
    n.SetText("kept");
    CArchiveException e = CatchArchive([&] { n.Serialize(in); });
    EXPECT_EQ(e.Cause(), CArchiveException::badIndex);
    EXPECT_STREQ(e.what(), "Attribute data template index 6 at byte 13 is out of range (0 to 5).");
    EXPECT_EQ(n.GetText(), "kept");

    b[13] = 5;
    CArchive in2(b);
    n.Serialize(in2);
    EXPECT_EQ(n.GetTemplate(), GetDataTemplate(5));
    EXPECT_EQ(n.GetText(), "");
    // A huge child count is refused before anything is allocated.
    Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    huge.resize(huge.size() + 40);
    CArchive hugeIn(huge);
    e = CatchArchive([&] { n.Serialize(hugeIn); });
    EXPECT_EQ(e.Cause(), CArchiveException::endOfFile);
    EXPECT_STREQ(e.what(),
                 "Attribute data child count 4294967295 at byte 6 (at least 17 bytes each) exceeds "
                 "the 40 bytes left in the file.");

    // Three children need 51 bytes; 50 are not enough even if the count is plausible.
    Bytes three = {3, 0};
    three.resize(2 + 50);
    CArchive threeIn(three);
    EXPECT_EQ(CatchArchive([&] { n.Serialize(threeIn); }).Cause(), CArchiveException::endOfFile);
}

TEST(DataNodeTest, EveryTruncationIsRefusedAndLeavesTheNodeUnchanged) {
    CDataNode root;
    root.BuildObjectTree(4);
    root.GetChild(1).AddChild(GetDataTemplate(3)->GetChild(0));
    root.GetChild(1).GetChild(0).AddChild(GetDataTemplate(2)->GetChild(0));
    const Bytes image = Stored(root);

    CDataNode target;
    target.BuildObjectTree(3);
    const CDataNode before = target;
    for (size_t len = 0; len < image.size(); ++len) {
        CArchive in(std::span<const uint8_t>(image.data(), len));
        CArchiveException e = CatchArchive([&] { target.Serialize(in); });
        EXPECT_EQ(e.Cause(), CArchiveException::endOfFile) << len << ": " << e.what();
        ASSERT_TRUE(target == before) << len;
    }
}

}  // namespace
