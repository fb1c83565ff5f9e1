#include "exchange/Alignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/AlignPrompter.h"
#include "support/TestEntities.h"

namespace {

constexpr char kModel[] = "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!";
constexpr char kDrawing[] = "Trzy punkty w modelu nie tworza ukladu wspólrzednych!";
constexpr char kModelAxis[] =
    "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych importowanego modelu!";
constexpr char kDrawingAxis[] =
    "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!";

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const struct {
    const char* name;
    SAlignment a;
    const char* expected;  // nullptr: passes
} kCheckCases[] = {
    {"defaults", {}, nullptr},
    {"model_collinear", {.modelFirstPoint = {1, 0, 0}, .modelSecondPoint = {2, 0, 0}}, kModel},
    {"model_point_on_origin", {.modelSecondPoint = {0, 0, 0}}, kModel},
    {"drawing_collinear", {.drawingSecondPoint = {-3, 0, 0}}, kDrawing},
    {"both_collinear_model_first",
     {.modelSecondPoint = {5, 0, 0}, .drawingSecondPoint = {5, 0, 0}},
     kModel},
    {"model_same_axis", {.modelSecondAxis = 0}, kModelAxis},
    {"drawing_same_axis", {.drawingFirstAxis = 1}, kDrawingAxis},
    {"points_before_axes", {.modelSecondAxis = 0, .drawingSecondPoint = {1, 0, 0}}, kDrawing},
    {"model_axes_before_drawing_axes",
     {.modelFirstAxis = 2, .modelSecondAxis = 2, .drawingFirstAxis = 2, .drawingSecondAxis = 2},
     kModelAxis},
    {"cross_just_below_tolerance",
     {.modelFirstPoint = {1, 0, 0}, .modelSecondPoint = {1, 0.99e-8, 0}},
     kModel},
    {"cross_at_tolerance",
     {.modelFirstPoint = {1, 0, 0}, .modelSecondPoint = {0, 1e-8, 0}},
     nullptr},
    {"nan_model_point", {.modelOrigin = {0, 0, kNaN}}, kModel},
    {"infinite_drawing_point", {.drawingFirstPoint = {kInf, 0, 0}}, kDrawing},
    {"overflowing_cross",
     {.modelFirstPoint = {1e200, 0, 0}, .modelSecondPoint = {0, 1e200, 0}},
     kModel},
    {"axis_out_of_range", {.drawingSecondAxis = 3}, kDrawingAxis},
    {"survey_coordinates",
     {.modelOrigin = {5420000.125, 6310000.5, 101.25},
      .modelFirstPoint = {5420010.125, 6310000.5, 101.25},
      .modelSecondPoint = {5420000.125, 6310010.5, 101.25}},
     nullptr},
};

TEST(AlignmentCheckTest, FirstFailingCheckWins) {
    for (const auto& c : kCheckCases) {
        SCOPED_TRACE(c.name);
        const SAlignment a = c.a;
        const char* got = CheckAlignment(a);
        EXPECT_STREQ(got, c.expected);
        // A failed check leaves the matrix untouched.
        CMatrix4 m = CMatrix4::Identity();
        EXPECT_EQ(BuildPlacementMatrix(a, m), c.expected == nullptr);
        if (c.expected) {
            EXPECT_TRUE(m.Equals(CMatrix4::Identity(), 0.0));
        }
    }
}

// Points placed by a frame: (left-handed, model point, drawing point).
struct SPlaced {
    bool left;
    CPoint3 in, out;
};

TEST(AlignmentPlacementTest, PointsLandInTheDrawingFrame) {
    const struct {
        const char* name;
        SAlignment a;
        std::vector<SPlaced> points;
        double tol;
    } cases[] = {
        {"defaults",
         SAlignment(),
         {{false, {1, 2, 3}, {1, 2, 3}}, {true, {1, 2, 3}, {1, -2, 3}}},
         0},
        {"shifted_model_origin",
         {.modelOrigin = {10, 0, 0}, .modelFirstPoint = {11, 0, 0}, .modelSecondPoint = {10, 1, 0}},
         {{false, {12, 3, 4}, {2, 3, 4}}, {true, {12, 3, 4}, {2, -3, 4}}},
         1e-9},
        // Origin, a point on Y, then a point on X: the same frame as in X, Y order.
        {"axes_in_either_order",
         {.modelOrigin = {10, 0, 0},
          .modelFirstAxis = 1,
          .modelFirstPoint = {10, 5, 0},
          .modelSecondAxis = 0,
          .modelSecondPoint = {20, 0, 0}},
         {{false, {10, 0, 0}, {0, 0, 0}},
          {false, {20, 0, 0}, {10, 0, 0}},
          {false, {10, 5, 0}, {0, 5, 0}},
          {false, {10, 0, 7}, {0, 0, 7}}},
         1e-9},
        // The drawing's X runs along world Y and its Y along world -X, around (100, 200, 0);
        // the axis points need not be at unit distance. Y is negated after the placement.
        {"rotated_and_shifted_drawing",
         {.drawingOrigin = {100, 200, 0},
          .drawingFirstPoint = {100, 250, 0},
          .drawingSecondPoint = {90, 230, 0}},
         {{false, {1, 0, 0}, {100, 201, 0}},
          {false, {0, 1, 0}, {99, 200, 0}},
          {false, {0, 0, 1}, {100, 200, 1}},
          {true, {0, 1, 0}, {99, -200, 0}}},
         1e-9},
        // Instrument coordinates placed onto national grid coordinates of about 6e6 m.
        {"survey_scale_keeps_millimetres",
         {.drawingOrigin = {5420000.0, 6310000.0, 120.0},
          .drawingFirstPoint = {5420100.0, 6310000.0, 120.0},
          .drawingSecondPoint = {5420000.0, 6310100.0, 120.0}},
         {{false, {12.345, -6.789, 0.001}, {5420012.345, 6309993.211, 120.001}}},
         1e-6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMatrix4 m;
        ASSERT_TRUE(BuildPlacementMatrix(c.a, m));
        for (const SPlaced& p : c.points) {
            ExpectXyz(PlacePoint(m, p.left, p.in), p.out.x, p.out.y, p.out.z, c.tol);
        }
    }
}

TEST(DrawingFrameTextTest, ReadsTheThreeParts) {
    SAlignment a;
    std::string error;
    ASSERT_TRUE(ParseDrawingFrame(" 1,2,3 ; 4, 5,6@y;+7,8e1,-9 @ Z ", a, error)) << error;
    // The model side is not touched.
    EXPECT_EQ(Describe(a), "0 0 0 x=1 0 0 y=0 1 0 -> 1 2 3 y=4 5 6 z=7 80 -9");
}

TEST(DrawingFrameTextTest, RefusesOtherForms) {
    const char* bad[] = {"",
                         "0,0,0",
                         "0,0,0;1,0,0@X",
                         "0,0,0;1,0,0@X;0,1,0@Y;0,0,1@Z",
                         "0,0;1,0,0@X;0,1,0@Y",
                         "0,0,0,0;1,0,0@X;0,1,0@Y",
                         "0,0,0;1,0,0;0,1,0@Y",
                         "0,0,0;1,0,0@W;0,1,0@Y",
                         "0,0,0;1,0,0@XY;0,1,0@Y",
                         "0,0,0;1,0,0@X;0,1,x@Y",
                         "0;0;0;1,0,0@X",
                         "a,0,0;1,0,0@X;0,1,0@Y",
                         "0,0,0 junk;1,0,0@X;0,1,0@Y"};
    for (const char* text : bad) {
        SAlignment a;
        a.drawingOrigin = CPoint3(9, 9, 9);
        std::string error;
        EXPECT_FALSE(ParseDrawingFrame(text, a, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(Xyz(a.drawingOrigin), "9 9 9") << text;
    }
}

}  // namespace
