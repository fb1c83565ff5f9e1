// Result texts of measuring and of "Informacje".
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "document/Entity.h"
#include "document/StringTable.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"
#include "tools/core/Measurement.h"

namespace {

const std::vector<CPoint3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::vector<CPoint3> kBowTie = {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};

// The local system of the first rows is turned by 90 degrees about Z and moved: differences only
// turn; the second is a shift.
const CMatrix4 kTurned = [] {
    CMatrix4 m(-M_PI / 2, 2);
    m.m[0][3] = 100;
    return m;
}();
const CMatrix4 kShifted(CVec3(-1, -1, -1));

TEST(MeasurementText, ByKind) {
    const std::vector<CPoint3> two = {{1, 1, 1}, {4, 5, 1}};
    const CPoint3 p(2, 3.0004, -4);
    const struct {
        int kind;
        std::vector<CPoint3> vertices;
        CPoint3 point;
        const CMatrix4* toLocal;
        const char* text;
    } cases[] = {
        {kMeasureArea, kSquare, {}, nullptr, "Obwód:\t 4.000\nPole:\t 1.000"},
        // Ended before any click.
        {kMeasureArea, {}, {}, nullptr, "Obwód:\t 0.000"},
        {kMeasureLength, {}, {}, nullptr, "Długość:\t 0.000"},
        {kMeasureLength, {{5, 5, 5}}, {}, nullptr, "Długość:\t 0.000"},
        {kMeasureLength,
         two,
         {},
         &kTurned,
         "Długość:\t 5.000\n dX:\t 4.000\n dY:\t -3.000\n dZ:\t 0.000"},
        {kMeasureLength,
         two,
         {},
         nullptr,
         "Długość:\t 5.000\n dX:\t 3.000\n dY:\t 4.000\n dZ:\t 0.000"},
        // Three points show the length only.
        {kMeasureLength, {{0, 0, 0}, {3, 4, 0}, {3, 4, 2}}, {}, nullptr, "Długość:\t 7.000"},
        {kMeasureCoordinates,
         {},
         p,
         &kShifted,
         "Wspólrzedne:\n X:\t 1.000\n Y:\t 2.000\n Z:\t -5.000"},
        {kMeasureCoordinates,
         {},
         {1234567.8916, 0, 0},
         nullptr,
         "Wspólrzedne:\n X:\t 1234567.892\n Y:\t 0.000\n Z:\t 0.000"},
        {kMeasureNone, kSquare, p, nullptr, ""},
    };
    for (const auto& c : cases) {
        CRecordingPrompter prompter;
        EXPECT_EQ(MeasurementText(c.kind, c.vertices, c.point, c.toLocal, &prompter), c.text);
        EXPECT_TRUE(prompter.messages.empty()) << c.text;
    }
    // A bow tie has no area: its perimeter after a warning.
    CRecordingPrompter prompter;
    EXPECT_EQ(MeasurementText(kMeasureArea, kBowTie, {}, nullptr, &prompter), "Obwód:\t 4.828");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, LoadStr(41511));
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

// The dialog's rows: "group (type): label1 value1 | label2 value2", "perimeter" or "length" and
// whether an area was computed; "none" when nothing is shown.
std::string Info(const CEntity& e, CPrompter* prompter = nullptr) {
    const SEntityInfo i = EntityInfo(e, prompter);
    if (!i.available) {
        return "none";
    }
    return i.group + " (" + std::to_string(i.type) + "): " + i.label1 + " " + i.value1 + " | " +
           i.label2 + " " + i.value2 + (i.isPerimeter ? ", perimeter" : ", length") +
           (i.area ? ", area" : "");
}

TEST(EntityInfo, ArcsPolygonsPolylinesAndFailures) {
    EXPECT_EQ(Info(*MakeArc({}, 2, 0, 360)),
              "Okrąg (103): Obwód: 12.566 | Pole powierzchni: 12.566, perimeter, area");
    // Within the tolerance it is still a circle; a negative length gives positive values.
    EXPECT_EQ(Info(*MakeArc({}, 2, 5e-9, 360 - 5e-9)).substr(0, 6), "Okrąg");
    EXPECT_EQ(Info(*MakeArc({}, 2, 10, -90)),
              "Łuk (103): Długość: 3.142 | Pole powierzchni: 3.142, length, area");
    // Points and texts have none.
    EXPECT_EQ(Info(CPnt()), "none");
    EXPECT_EQ(Info(CText()), "none");

    CPoly poly = *MakePoly(kSquare, 1);
    EXPECT_EQ(Info(poly), "Poligon (100): Obwód: 4.000 | Pole powierzchni: 1.000, perimeter, area");
    poly.m_closed = 0;
    EXPECT_EQ(Info(poly), "Łamana (101): Długość: 3.000 | Pole powierzchni: 1.000, length, area");

    CRecordingPrompter prompter;
    poly.m_vertices.assign(kBowTie.begin(), kBowTie.end());
    poly.m_closed = 1;
    EXPECT_EQ(Info(poly, &prompter), "Poligon (100): Obwód: 4.828 | Pole powierzchni: , perimeter");
    EXPECT_EQ(prompter.messages.size(), 1u);
    // A polygon without vertices from a file: perimeter 0, no area, no exception.
    poly.m_vertices.clear();
    EXPECT_EQ(Info(poly, &prompter), "Poligon (100): Obwód: 0.000 | Pole powierzchni: , perimeter");
}

}  // namespace
