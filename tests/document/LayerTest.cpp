#include <gtest/gtest.h>

#include <cmath>

#include "document/Archive.h"
#include "document/Layer.h"
#include "support/ArchiveBytes.h"
#include "support/Describe.h"

namespace {

TEST(ClipPlaneEquation, CutsTheNormalSide) {
    const CClipPlane p(CPoint3(0, 0, 5), CVec3(0, 0, 2));
    EXPECT_EQ(Equation(p), "-0 -0 -1 5");
    EXPECT_EQ(p.m_normal.z, 2.0);  // kept as entered
    EXPECT_EQ(p.m_active, 0);

    // A tilted plane at survey coordinates keeps its points on the zero set.
    const CPoint3 at(5420000.0, 6310000.0, 120.0);
    const CClipPlane t("t", 1, at, CVec3(1, 1, 0));
    double eq[4];
    t.GetEquation(eq);
    EXPECT_NEAR(eq[0] * at.x + eq[1] * at.y + eq[2] * at.z + eq[3], 0.0, 1e-6);
    EXPECT_NEAR(eq[0], -std::sqrt(0.5), 1e-15);
    // A zero normal clips nothing.
    EXPECT_EQ(Equation(CClipPlane(CPoint3(3, 4, 5), CVec3(0, 0, 0))), "-0 -0 -0 0");
}

TEST(ClipPlaneRecord, LoadRecomputesEquation) {
    CClipPlane p("Ścięcie", 1, CPoint3(1, 2, 3), CVec3(0, 3, 0));
    const std::vector<uint8_t> bytes = Stored(p);
    // u32 active, 6 doubles, name "Ścięcie" in Windows-1250 (7 bytes) with its prefix
    EXPECT_EQ(bytes.size(), 4u + 48u + 1u + 7u);
    CArchive in(bytes);
    CClipPlane back;
    back.Serialize(in);
    EXPECT_EQ(back.m_name, "Ścięcie");
    EXPECT_EQ(back.m_active, 1);
    EXPECT_EQ(Equation(back), "-0 -1 -0 2");
}

TEST(LayerAndSystemRecords, Defaults) {
    CLayer layer;
    EXPECT_EQ(layer.m_name, "Warstwa");
    EXPECT_EQ(layer.m_visible, 1);
    const std::vector<uint8_t> expected = {0, 0,   0,   0,   1,   0,   0,   0,
                                           7, 'W', 'a', 'r', 's', 't', 'w', 'a'};
    EXPECT_EQ(Stored(layer), expected);

    // A default system is the world frame: (0,0,0, 1,0,0, 0,1,0, empty name).
    CCoordSystem system;
    const std::vector<uint8_t> bytes = Stored(system);
    ASSERT_EQ(bytes.size(), 73u);
    CArchive in(bytes);
    const double want[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (double w : want) {
        EXPECT_EQ(in.ReadF64(), w);
    }
    EXPECT_EQ(in.ReadU8(), 0);
}

}  // namespace
