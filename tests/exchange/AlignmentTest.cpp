#include "exchange/Alignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr char kModel[] = "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!";
constexpr char kDrawing[] = "Trzy punkty w modelu nie tworza ukladu wspólrzednych!";
constexpr char kModelAxis[] =
    "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych importowanego modelu!";
constexpr char kDrawingAxis[] =
    "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!";

struct SCheckCase {
    const char* name;
    void (*setup)(SAlignment&);
    const char* expected;  // nullptr: passes
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const SCheckCase kCheckCases[] = {
    {"defaults", [](SAlignment&) {}, nullptr},
    {"model_collinear",
     [](SAlignment& a) {
         a.modelFirstPoint = CPoint3(1, 0, 0);
         a.modelSecondPoint = CPoint3(2, 0, 0);
     },
     kModel},
    {"model_point_on_origin", [](SAlignment& a) { a.modelSecondPoint = a.modelOrigin; }, kModel},
    {"drawing_collinear", [](SAlignment& a) { a.drawingSecondPoint = CPoint3(-3, 0, 0); },
     kDrawing},
    {"both_collinear_model_first",
     [](SAlignment& a) {
         a.modelSecondPoint = CPoint3(5, 0, 0);
         a.drawingSecondPoint = CPoint3(5, 0, 0);
     },
     kModel},
    {"model_same_axis", [](SAlignment& a) { a.modelSecondAxis = 0; }, kModelAxis},
    {"drawing_same_axis", [](SAlignment& a) { a.drawingFirstAxis = 1; }, kDrawingAxis},
    {"points_before_axes",
     [](SAlignment& a) {
         a.modelSecondAxis = 0;
         a.drawingSecondPoint = a.drawingFirstPoint;
     },
     kDrawing},
    {"model_axes_before_drawing_axes",
     [](SAlignment& a) {
         a.modelFirstAxis = a.modelSecondAxis = 2;
         a.drawingFirstAxis = a.drawingSecondAxis = 2;
     },
     kModelAxis},
    {"cross_just_below_tolerance",
     [](SAlignment& a) {
         a.modelFirstPoint = CPoint3(1, 0, 0);
         a.modelSecondPoint = CPoint3(1, 0.99e-8, 0);
     },
     kModel},
    {"cross_at_tolerance",
     [](SAlignment& a) {
         a.modelFirstPoint = CPoint3(1, 0, 0);
         a.modelSecondPoint = CPoint3(0, 1e-8, 0);
     },
     nullptr},
    {"nan_model_point", [](SAlignment& a) { a.modelOrigin.z = kNaN; }, kModel},
    {"infinite_drawing_point", [](SAlignment& a) { a.drawingFirstPoint.x = kInf; }, kDrawing},
    {"overflowing_cross",
     [](SAlignment& a) {
         a.modelFirstPoint = CPoint3(1e200, 0, 0);
         a.modelSecondPoint = CPoint3(0, 1e200, 0);
     },
     kModel},
    {"axis_out_of_range", [](SAlignment& a) { a.drawingSecondAxis = 3; }, kDrawingAxis},
    {"survey_coordinates",
     [](SAlignment& a) {
         a.modelOrigin = CPoint3(5420000.125, 6310000.5, 101.25);
         a.modelFirstPoint = CPoint3(5420010.125, 6310000.5, 101.25);
         a.modelSecondPoint = CPoint3(5420000.125, 6310010.5, 101.25);
     },
     nullptr},
};

class AlignmentCheckTest : public ::testing::TestWithParam<SCheckCase> {};

TEST_P(AlignmentCheckTest, FirstFailingCheckWins) {
    SAlignment a;
    GetParam().setup(a);
    const char* got = CheckAlignment(a);
    if (GetParam().expected == nullptr) {
        EXPECT_EQ(got, nullptr) << got;
        CMatrix4 m;
        EXPECT_TRUE(BuildPlacementMatrix(a, m));
    } else {
        ASSERT_NE(got, nullptr);
        EXPECT_STREQ(got, GetParam().expected);
        CMatrix4 m = CMatrix4::Identity();
        EXPECT_FALSE(BuildPlacementMatrix(a, m));
        EXPECT_TRUE(m.Equals(CMatrix4::Identity(), 0.0));  // untouched
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AlignmentCheckTest, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

void ExpectNear(const CPoint3& got, const CPoint3& want, double tol = 1e-9) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

TEST(AlignmentPlacementTest, DefaultsGiveIdentity) {
    CMatrix4 m;
    ASSERT_TRUE(BuildPlacementMatrix(SAlignment(), m));
    EXPECT_TRUE(m.Equals(CMatrix4::Identity(), 1e-15));
}

TEST(AlignmentPlacementTest, ShiftedModelOrigin) {
    SAlignment a;
    a.modelOrigin = CPoint3(10, 0, 0);
    a.modelFirstPoint = CPoint3(11, 0, 0);
    a.modelSecondPoint = CPoint3(10, 1, 0);
    CMatrix4 m;
    ASSERT_TRUE(BuildPlacementMatrix(a, m));
    ExpectNear(PlacePoint(m, false, CPoint3(12, 3, 4)), CPoint3(2, 3, 4));
    ExpectNear(PlacePoint(m, true, CPoint3(12, 3, 4)), CPoint3(2, -3, 4));
}

TEST(AlignmentPlacementTest, AxesGivenInEitherOrder) {
    // Origin, a point on Y, then a point on X: the frame is the same as in X, Y order.
    SAlignment a;
    a.modelOrigin = CPoint3(10, 0, 0);
    a.modelFirstAxis = 1;
    a.modelFirstPoint = CPoint3(10, 5, 0);
    a.modelSecondAxis = 0;
    a.modelSecondPoint = CPoint3(20, 0, 0);
    CMatrix4 m;
    ASSERT_TRUE(BuildPlacementMatrix(a, m));
    ExpectNear(PlacePoint(m, false, CPoint3(10, 0, 0)), CPoint3(0, 0, 0));
    ExpectNear(PlacePoint(m, false, CPoint3(20, 0, 0)), CPoint3(10, 0, 0));
    ExpectNear(PlacePoint(m, false, CPoint3(10, 5, 0)), CPoint3(0, 5, 0));
    ExpectNear(PlacePoint(m, false, CPoint3(10, 0, 7)), CPoint3(0, 0, 7));
}

TEST(AlignmentPlacementTest, RotatedAndShiftedDrawingFrame) {
    // The drawing's X runs along world Y and its Y along world -X, around (100, 200, 0); the
    // axis points need not be at unit distance.
    SAlignment a;
    a.drawingOrigin = CPoint3(100, 200, 0);
    a.drawingFirstPoint = CPoint3(100, 250, 0);
    a.drawingSecondAxis = 1;
    a.drawingSecondPoint = CPoint3(90, 230, 0);
    CMatrix4 m;
    ASSERT_TRUE(BuildPlacementMatrix(a, m));
    ExpectNear(PlacePoint(m, false, CPoint3(1, 0, 0)), CPoint3(100, 201, 0));
    ExpectNear(PlacePoint(m, false, CPoint3(0, 1, 0)), CPoint3(99, 200, 0));
    ExpectNear(PlacePoint(m, false, CPoint3(0, 0, 1)), CPoint3(100, 200, 1));
    // Y is negated after the placement, not before.
    ExpectNear(PlacePoint(m, true, CPoint3(0, 1, 0)), CPoint3(99, -200, 0));
}

TEST(AlignmentPlacementTest, SurveyScaleKeepsMillimetres) {
    // Instrument coordinates placed onto national grid coordinates of about 6e6 m.
    SAlignment a;
    a.drawingOrigin = CPoint3(5420000.0, 6310000.0, 120.0);
    a.drawingFirstPoint = CPoint3(5420100.0, 6310000.0, 120.0);
    a.drawingSecondPoint = CPoint3(5420000.0, 6310100.0, 120.0);
    CMatrix4 m;
    ASSERT_TRUE(BuildPlacementMatrix(a, m));
    ExpectNear(PlacePoint(m, false, CPoint3(12.345, -6.789, 0.001)),
               CPoint3(5420012.345, 6309993.211, 120.001), 1e-6);
}

TEST(DrawingFrameTextTest, ReadsTheThreeParts) {
    SAlignment a;
    std::string error;
    ASSERT_TRUE(ParseDrawingFrame(" 1,2,3 ; 4, 5,6@y;+7,8e1,-9 @ Z ", a, error)) << error;
    ExpectNear(a.drawingOrigin, CPoint3(1, 2, 3), 0);
    ExpectNear(a.drawingFirstPoint, CPoint3(4, 5, 6), 0);
    EXPECT_EQ(a.drawingFirstAxis, 1);
    ExpectNear(a.drawingSecondPoint, CPoint3(7, 80, -9), 0);
    EXPECT_EQ(a.drawingSecondAxis, 2);
    // The model side is not touched.
    ExpectNear(a.modelFirstPoint, CPoint3(1, 0, 0), 0);
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
        ExpectNear(a.drawingOrigin, CPoint3(9, 9, 9), 0);
    }
}

}  // namespace
