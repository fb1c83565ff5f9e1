#include "tools/core/DataRules.h"

#include <gtest/gtest.h>

#include "document/DataNode.h"
#include "support/Describe.h"

namespace {

constexpr char kDate[] = "Niepoprawna Data!\nPoprawny format daty: rrrr.mm.dd";
constexpr char kNumber[] = "Niepoprawna Liczba!";
constexpr char kText[] = "Niepoprawny Tekst!";

// Kind 2 dates, 3 numbers, 1 texts.
TEST(DataValueCheck, MessageByKind) {
    const struct {
        const char* label;
        int kind;
        std::string text;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {"LeapDay2004", 2, "2004.02.29", nullptr},
        {"NoLeapDay1900", 2, "1900.02.29", kDate},
        {"LeapDay2000", 2, "2000.02.29", nullptr},
        {"Feb29NotLeap", 2, "2006.02.29", kDate},
        {"Feb28", 2, "2006.02.28", nullptr},
        {"April31", 2, "2006.04.31", kDate},
        {"April30", 2, "2006.04.30", nullptr},
        {"Jan31", 2, "2006.01.31", nullptr},
        {"Jan32", 2, "2006.01.32", kDate},
        {"Month13", 2, "2006.13.01", kDate},
        {"Month0", 2, "2006.00.10", kDate},
        {"Day0", 2, "2006.01.00", kDate},
        {"Year0", 2, "0.01.01", kDate},
        {"Dashes", 2, "2006-01-01", kDate},
        {"Empty", 2, "", kDate},
        {"YearOnly", 2, "2006", kDate},
        {"NoDay", 2, "2006.01", kDate},
        {"ThreeStops", 2, "2006.01.01.", kDate},
        {"ShortParts", 2, "6.1.1", nullptr},
        {"HugeYear", 2, "99999999999999999999999.01.01", nullptr},
        {"HugeDay", 2, "2006.01.99999999999999999999", kDate},
        {"Blank", 2, " 2006.01.01", kDate},
        {"Negative", 3, "-12.5", nullptr},
        {"Plus", 3, "+3", nullptr},
        {"TrailingStop", 3, "5.", nullptr},
        {"LeadingStop", 3, ".5", nullptr},
        {"LoneStop", 3, ".", kNumber},
        {"TwoStops", 3, "1.2.3", kNumber},
        {"Exponent", 3, "1e5", kNumber},
        {"Empty", 3, "", kNumber},
        {"SignOnly", 3, "-", kNumber},
        {"TwoSigns", 3, "--1", kNumber},
        {"Comma", 3, "1,5", kNumber},
        {"Blank", 3, "1 ", kNumber},
        {"Any", 1, "Jan Kowalski", nullptr},
        {"Blank", 1, " ", nullptr},
        {"Empty", 1, "", kText},
        {"UnknownKindTakesAnything", 7, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_STREQ(CheckDataValue(c.kind, c.text), c.message);
    }
}

TEST(DataPopup, ParcelFieldOffersOneAddItem) {
    CDataNode root;
    root.BuildObjectTree(3);
    const SDataPopup rootMenu = BuildDataPopup(root);
    EXPECT_TRUE(rootMenu.IsEmpty());
    CDataNode& owner = root.GetChild(6);
    ASSERT_EQ(owner.GetText(), "Właściciel");
    const SDataPopup menu = BuildDataPopup(owner);
    ASSERT_EQ(menu.addNames.size(), 1u);
    EXPECT_EQ(menu.singleAddText, "&Dodaj Dane");
    EXPECT_FALSE(menu.edit);
    EXPECT_FALSE(menu.remove);
    ASSERT_EQ(AddDataChild(owner, 0), 0);
    const SDataPopup itemMenu = BuildDataPopup(owner.GetChild(0));
    EXPECT_TRUE(itemMenu.addNames.empty());
    EXPECT_TRUE(itemMenu.edit);
    EXPECT_TRUE(itemMenu.remove);
}

TEST(DataPopup, AddStopsAtTheChildLimit) {
    CDataNode kinds;
    kinds.SetChildLimit(2);
    CDataNode a;
    a.SetText("A");
    CDataNode b;
    b.SetText("B");
    kinds.AddChild(a);
    kinds.AddChild(b);
    CDataNode node;
    node.SetFlags(CDataNode::flagAdd);
    node.SetTemplate(&kinds);
    SDataPopup menu = BuildDataPopup(node);
    EXPECT_EQ(menu.addNames, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(menu.singleAddText, "");
    EXPECT_EQ(AddDataChild(node, 1), 0);
    EXPECT_EQ(AddDataChild(node, 2), -1);
    EXPECT_EQ(AddDataChild(node, -1), -1);
    EXPECT_EQ(AddDataChild(node, 0), 1);
    EXPECT_TRUE(BuildDataPopup(node).addNames.empty());
    EXPECT_EQ(AddDataChild(node, 0), -1);
    EXPECT_EQ(DescribeData(node), R"(""{"B", "A"})");
    kinds.SetChildLimit(-1);
    EXPECT_EQ(AddDataChild(node, 0), 2);
    node.SetFlags(CDataNode::flagEdit);
    EXPECT_EQ(AddDataChild(node, 0), -1);
}

// "text x top, ..." of a page.
std::string Texts(const SPrintPage& page) {
    std::string s;
    for (const SPrintText& t : page.texts) {
        s += (s.empty() ? "" : ", ") + t.text + " " + Num(t.x) + " " + Num(t.top);
    }
    return s;
}

// A root with n children "c0".."cn-1".
CDataNode Fan(int n) {
    CDataNode root;
    root.SetText("root");
    for (int i = 0; i < n; ++i) {
        CDataNode c;
        c.SetText("c" + std::to_string(i));
        root.AddChild(c);
    }
    return root;
}

TEST(DataPrintLayout, RowsIndentsAndConnectors) {
    CDataNode root = Fan(2);
    CDataNode grand;
    grand.SetText("g");
    root.GetChild(0).AddChild(grand);
    const SDataPrintMetrics m(40.0);
    const std::vector<SPrintPage> pages = LayoutDataTree(root, m, 4000.0);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages[0]), "root 160 160, c0 240 210, g 320 260, c1 240 310");
    // Each child: one line down and one across.
    ASSERT_EQ(pages[0].lines.size(), 6u);
    const SPrintLine& downToC1 = pages[0].lines[4];
    EXPECT_DOUBLE_EQ(downToC1.x1, 180.0);
    EXPECT_DOUBLE_EQ(downToC1.y1, 185.0 + 50.0);   // the middle of c0
    EXPECT_DOUBLE_EQ(downToC1.y2, 185.0 + 150.0);  // the middle of c1
    const SPrintLine& acrossToC1 = pages[0].lines[5];
    EXPECT_DOUBLE_EQ(acrossToC1.x2, 230.0);
    EXPECT_DOUBLE_EQ(acrossToC1.y1, acrossToC1.y2);
}

TEST(DataPrintLayout, LongTreeGoesOnToNewPages) {
    // 1000 px high with h = 40: 320 px of margins leave 13 rows of 50 px.
    const SDataPrintMetrics m(40.0);
    EXPECT_EQ(m.RowsPerPage(1000.0), 13);
    const std::vector<SPrintPage> pages = LayoutDataTree(Fan(29), m, 1000.0);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].texts.size(), 13u);
    EXPECT_EQ(pages[1].texts.size(), 13u);
    EXPECT_EQ(pages[2].texts.size(), 4u);
    EXPECT_EQ(pages[1].texts[0].text, "c12");
    EXPECT_DOUBLE_EQ(pages[1].texts[0].top, 160.0);
    EXPECT_EQ(pages[2].texts.back().text, "c28");
    for (const SPrintPage& p : pages) {
        for (const SPrintText& t : p.texts) {
            EXPECT_GE(t.top, 160.0);
            EXPECT_LE(t.top + 50.0, 1000.0 - 160.0 + 1e-9);
        }
    }
    // The connector of the first child on page 2 starts at the top margin.
    const SPrintLine& down = pages[1].lines[0];
    EXPECT_DOUBLE_EQ(down.y1, 160.0);
    EXPECT_DOUBLE_EQ(down.y2, 185.0);
    // Page 1 runs its connector down to the bottom of the text area.
    double lowest = 0.0;
    for (const SPrintLine& l : pages[0].lines) {
        lowest = std::max(lowest, l.y2);
    }
    EXPECT_DOUBLE_EQ(lowest, 160.0 + 13 * 50.0);
    // Tiny pages still progress.
    const SDataPrintMetrics m2(40.0);
    EXPECT_EQ(m2.RowsPerPage(10.0), 1);
    EXPECT_EQ(m2.RowsPerPage(-5.0), 1);
    EXPECT_EQ(LayoutDataTree(Fan(3), m2, 10.0).size(), 4u);
    const SDataPrintMetrics zero(0.0);
    EXPECT_GT(zero.h, 0.0);
    EXPECT_EQ(LayoutDataTree(Fan(0), zero, 100.0).size(), 1u);
}

}  // namespace
