#include "document/EntityName.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

#include "document/Entity.h"

// Names up to 14 bytes stay in place, longer ones go to the heap; both behave as strings,
// through copies, moves and assignments from themselves.
TEST(EntityName, InPlaceAndOnTheHeap) {
    static_assert(sizeof(CEntityName) == 16);
    for (size_t n : {0, 1, 13, 14, 15, 16, 100, 5000}) {
        std::string text;
        for (size_t i = 0; i < n; ++i) {
            text += static_cast<char>('a' + i % 26);
        }
        CEntityName name(text);
        EXPECT_EQ(name.size(), n);
        EXPECT_EQ(name.empty(), n == 0);
        EXPECT_EQ(name, text);
        EXPECT_EQ(name.str(), text);
        EXPECT_EQ(std::string(name.c_str()), text) << "NUL-terminated";

        CEntityName copy = name;
        EXPECT_EQ(copy, name);
        CEntityName moved = std::move(copy);
        EXPECT_EQ(moved, text);
        // A moved-from name is empty.
        EXPECT_TRUE(copy.empty());
        EXPECT_STREQ(copy.c_str(), "");

        // Assigning a part of itself, in place or from the heap.
        CEntityName self(text);
        self = std::string_view(self).substr(n / 2);
        EXPECT_EQ(self, text.substr(n / 2));
        CEntityName same(text);
        CEntityName& alias = same;
        same = alias;
        EXPECT_EQ(same, text);
        same = std::move(alias);
        EXPECT_EQ(same, text);
    }
}

TEST(EntityName, BytesComparisonsAndOutput) {
    // Names are bytes: an embedded NUL and non-ASCII UTF-8 are kept whole.
    const std::string withNul("P\0Q", 3);
    CEntityName a(withNul);
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(a, withNul);
    EXPECT_FALSE(a == "P");
    CEntityName polish("Żółć-ąę 12345678");
    EXPECT_EQ(polish.str(), "Żółć-ąę 12345678");
    EXPECT_TRUE(polish != "Żółć");
    EXPECT_TRUE(CEntityName("BAZA") == CEntityName(std::string("BAZA")));
    std::ostringstream os;
    os << CEntityName("P12") << "|" << CEntityName("a rather long point label");
    EXPECT_EQ(os.str(), "P12|a rather long point label");
    // Reassigning between the two forms frees and takes storage as needed.
    CEntityName n("short");
    n = std::string(40, 'x');
    EXPECT_EQ(n, std::string(40, 'x'));
    n = "tiny";
    EXPECT_EQ(n, "tiny");
    n = CEntityName(std::string(20, 'y'));
    EXPECT_EQ(n.size(), 20u);
}

// A point carries its name and everything else in 104 bytes.
TEST(EntityName, PointEntitySize) {
    EXPECT_LE(sizeof(CPnt), 104u);
}
