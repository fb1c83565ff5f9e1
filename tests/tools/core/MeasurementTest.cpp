// Result texts of measuring and of "Informacje".
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "document/Entity.h"
#include "document/StringTable.h"
#include "support/RecordingPrompter.h"
#include "tools/core/Measurement.h"

namespace {

const std::vector<CPoint3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::vector<CPoint3> kBowTie = {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};

TEST(MeasurementText, SquarePerimeterAndArea) {
    CRecordingPrompter prompter;
    EXPECT_EQ(MeasurementText(kMeasureArea, kSquare, {}, nullptr, &prompter),
              "Obwód:\t 4.000\nPole:\t 1.000");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(MeasurementText, BowTieGivesPerimeterAfterWarning) {
    CRecordingPrompter prompter;
    EXPECT_EQ(MeasurementText(kMeasureArea, kBowTie, {}, nullptr, &prompter), "Obwód:\t 4.828");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, LoadStr(41511));
}

TEST(MeasurementText, AreaEndedBeforeAnyClickIsZero) {
    CRecordingPrompter prompter;
    EXPECT_EQ(MeasurementText(kMeasureArea, {}, {}, nullptr, &prompter), "Obwód:\t 0.000");
    EXPECT_EQ(MeasurementText(kMeasureLength, {}, {}, nullptr, &prompter), "Długość:\t 0.000");
    EXPECT_EQ(
        MeasurementText(kMeasureLength, std::vector<CPoint3>{{5, 5, 5}}, {}, nullptr, &prompter),
        "Długość:\t 0.000");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(MeasurementText, TwoPointsInLocalSystemShowRotatedDifferences) {
    // The local system is turned by 90 degrees about Z and moved: differences only turn.
    CMatrix4 toLocal(-M_PI / 2, 2);
    toLocal.m[0][3] = 100;
    const std::vector<CPoint3> v = {{1, 1, 1}, {4, 5, 1}};
    EXPECT_EQ(MeasurementText(kMeasureLength, v, {}, &toLocal, nullptr),
              "Długość:\t 5.000\n dX:\t 4.000\n dY:\t -3.000\n dZ:\t 0.000");
    EXPECT_EQ(MeasurementText(kMeasureLength, v, {}, nullptr, nullptr),
              "Długość:\t 5.000\n dX:\t 3.000\n dY:\t 4.000\n dZ:\t 0.000");
}

TEST(MeasurementText, ThreePointsShowLengthOnly) {
    const std::vector<CPoint3> v = {{0, 0, 0}, {3, 4, 0}, {3, 4, 2}};
    EXPECT_EQ(MeasurementText(kMeasureLength, v, {}, nullptr, nullptr), "Długość:\t 7.000");
}

TEST(MeasurementText, CoordinatesInLocalSystem) {
    const CMatrix4 toLocal(CVec3(-1, -1, -1));
    const CPoint3 p(2, 3.0004, -4);
    EXPECT_EQ(MeasurementText(kMeasureCoordinates, {}, p, &toLocal, nullptr),
              "Wspólrzedne:\n X:\t 1.000\n Y:\t 2.000\n Z:\t -5.000");
    EXPECT_EQ(
        MeasurementText(kMeasureCoordinates, {}, CPoint3(1234567.8916, 0, 0), nullptr, nullptr),
        "Wspólrzedne:\n X:\t 1234567.892\n Y:\t 0.000\n Z:\t 0.000");
    EXPECT_EQ(MeasurementText(kMeasureNone, kSquare, p, nullptr, nullptr), "");
}

TEST(MeasurementText, NumbersKeepThePointUnderACommaLocale) {
    const char* found = nullptr;
    for (const char* name :
         {"pl_PL.utf8", "pl_PL.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "pl_PL", "de_DE"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = name;
            break;
        }
    }
    if (found == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    const std::string text = MeasurementText(kMeasureArea, kSquare, {}, nullptr, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(text, "Obwód:\t 4.000\nPole:\t 1.000") << found;
}

TEST(Format3, RoundsLikePrintf) {
    EXPECT_EQ(Format3(12.5664), "12.566");
    EXPECT_EQ(Format3(-0.0004), "-0.000");
    EXPECT_EQ(Format3(2.0), "2.000");
    EXPECT_EQ(Format3(1e300).size(), 305u);
}

std::unique_ptr<CArc> Arc(double r, double start, double length) {
    auto a = std::make_unique<CArc>();
    a->m_radius = r;
    a->m_start = start;
    a->m_length = length;
    return a;
}

TEST(EntityInfo, CircleOfRadiusTwo) {
    const SEntityInfo info = EntityInfo(*Arc(2, 0, 360), nullptr);
    EXPECT_TRUE(info.available);
    EXPECT_EQ(info.group, "Okrąg");
    EXPECT_EQ(info.label1, "Obwód:");
    EXPECT_EQ(info.value1, "12.566");
    EXPECT_EQ(info.label2, "Pole powierzchni:");
    EXPECT_EQ(info.value2, "12.566");
    EXPECT_TRUE(info.isPerimeter);
    // Within the tolerance it is still a circle.
    EXPECT_EQ(EntityInfo(*Arc(2, 5e-9, 360 - 5e-9), nullptr).group, "Okrąg");
}

TEST(EntityInfo, ArcNegativeLengthGivesPositiveValues) {
    const SEntityInfo info = EntityInfo(*Arc(2, 10, -90), nullptr);
    EXPECT_EQ(info.group, "Łuk");
    EXPECT_EQ(info.label1, "Długość:");
    EXPECT_EQ(info.value1, "3.142");
    EXPECT_EQ(info.value2, "3.142");
    EXPECT_FALSE(info.isPerimeter);
}

TEST(EntityInfo, PolygonPolylineAndFailures) {
    CPoly poly;
    poly.m_vertices.assign(kSquare.begin(), kSquare.end());
    poly.m_closed = 1;
    SEntityInfo info = EntityInfo(poly, nullptr);
    EXPECT_EQ(info.group, "Poligon");
    EXPECT_EQ(info.label1, "Obwód:");
    EXPECT_EQ(info.value1, "4.000");
    EXPECT_EQ(info.value2, "1.000");
    EXPECT_EQ(info.type, 100);

    poly.m_closed = 0;
    info = EntityInfo(poly, nullptr);
    EXPECT_EQ(info.group, "Łamana");
    EXPECT_EQ(info.label1, "Długość:");
    EXPECT_EQ(info.value1, "3.000");
    EXPECT_EQ(info.value2, "1.000");

    CRecordingPrompter prompter;
    poly.m_vertices.assign(kBowTie.begin(), kBowTie.end());
    poly.m_closed = 1;
    info = EntityInfo(poly, &prompter);
    EXPECT_EQ(info.value1, "4.828");
    EXPECT_EQ(info.value2, "");
    EXPECT_FALSE(info.area.has_value());
    EXPECT_EQ(prompter.messages.size(), 1u);

    // A polygon without vertices from a file: perimeter 0, no area, no exception.
    poly.m_vertices.clear();
    info = EntityInfo(poly, &prompter);
    EXPECT_EQ(info.value1, "0.000");
    EXPECT_EQ(info.value2, "");
}

TEST(EntityInfo, PointsAndTextsHaveNone) {
    EXPECT_FALSE(EntityInfo(CPnt(), nullptr).available);
    EXPECT_FALSE(EntityInfo(CText(), nullptr).available);
}

}  // namespace
