// DXF texts, curves and areas: MTEXT, justified TEXT, control codes, bulges, ellipses, splines,
// solids, polyface and polygon meshes, hatches; and what bad values of theirs do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/StrokeFont.h"
#include "exchange/DxfTestSupport.h"
#include "exchange/DxfText.h"
#include "support/TestEntities.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Whether a message ends with the text (messages start with their line).
bool Said(const SImport& im, const std::string& text) {
    for (const std::string& m : im.Texts()) {
        if (m.size() >= text.size() && m.compare(m.size() - text.size(), text.size(), text) == 0) {
            return true;
        }
    }
    return false;
}

double Width(const std::string& text) {
    double w = 0.0, h = 0.0;
    CStrokeFontMetrics::Get().MeasureString(text, 3, w, h);
    return w;
}

std::vector<CPoint3> Points(const CPoly& p) {
    return {p.m_vertices.begin(), p.m_vertices.end()};
}

// ---- texts ----

TEST(DxfTexts, ControlCodes) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"%%d", "\u00B0"},        {"%%C20", "\u230020"}, {"%%p0.1", "\u00B10.1"},
        {"%%uUnder%%U", "Under"}, {"%%oOver", "Over"},   {"100%%%", "100%"},
        {"%%065%%066", "AB"},     {"%%001x", "x"},       {"%%", "%%"},
        {"50%", "50%"},           {"%%x", "%%x"},        {"a%%d%%", "a\u00B0%%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceTextControlCodes(c.in), c.out) << c.in;
    }
}

TEST(DxfTexts, MTextParagraphsLoseTheirFormatting) {
    const struct {
        const char* in;
        std::vector<std::string> lines;
    } cases[] = {
        {"one\\Ptwo", {"one", "two"}},
        {"{\\fArial|b1|i0;\\H2.5x;\\C1;Red} text", {"Red text"}},
        {"\\LUnder\\l \\OOver\\o \\KStrike\\k", {"Under Over Strike"}},
        {"1\\S1/2; and \\S3^4; and \\S5#6;", {"11/2 and 3/4 and 5/6"}},
        {"A\\S^1; m\\S2^ ; \\S+0.2^ -0.1;", {"A1 m2 +0.2/-0.1"}},
        {"\\\\ \\{ \\} a\\~b", {"\\ { } a b"}},
        {"a^Jb^Ic", {"a", "b c"}},
        {"\\A1;\\pxi-3,l3;\\Q15;\\T1.1;\\W0.8;x", {"x"}},
        {"{{{unbalanced", {"unbalanced"}},
        {"closed}}}", {"closed"}},
        {"%%d\\P", {"\u00B0", ""}},
        {"\\Hcut without end", {""}},
        {"\\", {"\\"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MTextParagraphs(c.in), c.lines) << c.in;
    }
}

TEST(DxfTexts, MTextLinesStandByTheirAttachmentPoint) {
    const double w1 = Width("First") * 2.0, w2 = Width("Second") * 2.0;
    const double pitch = 2.0 * 5.0 / 3.0 * 1.5;
    const double box = 2.0 + pitch;
    const struct {
        int attachment;
        double x1, y1, x2;  // of the two lines; the second is a pitch below the first
    } cases[] = {
        {1, 10.0, 18.0, 10.0},
        {5, 10.0 - w1 / 2, 20.0 + box / 2 - 2.0, 10.0 - w2 / 2},
        {9, 10.0 - w1, 20.0 + box - 2.0, 10.0 - w2},
    };
    for (const auto& c : cases) {
        SImport im;
        im.RunEntities("0|MTEXT|8|NOTES|10|10|20|20|30|3|40|2|44|1.5|71|" +
                       std::to_string(c.attachment) + "|1|First\\PSecond|0|MTEXT|10|0|20|0|40|1|");
        // The empty MTEXT adds nothing; every line is in the drawing's stroke font.
        const auto line = [](const char* text, double x, double y, int number) {
            return "text \"" + std::string(text) + "\" at=" + Num(x, 9) + " " + Num(y, 9) +
                   " 3 h=2 axis=0 0 1 font=3 L1 #" + std::to_string(number) + " rgb=1 1 1\n";
        };
        EXPECT_EQ(Describe(im.doc, 9),
                  line("First", c.x1, c.y1, 1) + line("Second", c.x2, c.y1 - pitch, 2))
            << c.attachment;
        EXPECT_EQ(im.LayerOf(1), "NOTES");
    }
}

TEST(DxfTexts, MTextDirectionRotationAndWrapping) {
    SImport im;
    // The direction wins over the rotation; the text runs up, its lines step to +x. The second
    // text wraps at its reference width, between "aaa" and "bbb".
    const double wrap = (Width("aaa") + 0.1) * 1.0;
    im.RunEntities("0|MTEXT|10|0|20|0|40|1|50|45|11|0|21|2|31|0|1|up|0|MTEXT|10|0|20|0|40|1|41|" +
                   std::to_string(wrap) + "|3|aaa b|1|bb ccc|0|MTEXT|10|0|20|0|40|1|50|30|1|r|");
    // The first is a height below its top, turned.
    EXPECT_EQ(Describe(im.doc, 9),
              "text \"up\" at=1 0 0 h=1 axis=0 0 1 rot=90 font=3 #1 rgb=1 1 1\n"
              "text \"aaa\" at=0 -1 0 h=1 axis=0 0 1 font=3 #2 rgb=1 1 1\n"
              "text \"bbb\" at=0 -2.666666667 0 h=1 axis=0 0 1 font=3 #3 rgb=1 1 1\n"
              "text \"ccc\" at=0 -4.333333333 0 h=1 axis=0 0 1 font=3 #4 rgb=1 1 1\n"
              "text \"r\" at=0.5 -0.866025404 0 h=1 axis=0 0 1 rot=30 font=3 #5 rgb=1 1 1\n");
}

TEST(DxfTexts, MTextColumns) {
    const std::string dynamicText = "0|MTEXT|10|100|20|0|40|1|41|5|71|1|1|a\\Pb\\Pc\\Pd\\Pe|";
    const struct {
        std::string spec;
        std::vector<std::pair<double, double>> at;  // of the lines
    } cases[] = {
        // Dynamic columns of height 3: two lines each (the third would end at 4.33).
        {dynamicText + "101|Embedded Object|70|1|10|1|20|0|71|2|72|3|44|5|45|1|46|3|46|3|46|0|",
         {{100, -1}, {100, -1 - 5.0 / 3}, {106, -1}, {106, -1 - 5.0 / 3}, {112, -1}}},
        {dynamicText + "1001|ACAD|1000|ACAD_MTEXT_COLUMN_INFO_BEGIN|1070|75|1070|2|1070|76|1070|3|"
                       "1070|48|1040|5|1070|49|1040|1|1070|50|1070|3|1040|3|1040|3|1040|0|"
                       "1000|ACAD_MTEXT_COLUMN_INFO_END|",
         {{100, -1}, {100, -1 - 5.0 / 3}, {106, -1}, {106, -1 - 5.0 / 3}, {112, -1}}},
        // Static: a column break starts the next column.
        {"0|MTEXT|10|0|20|0|40|1|41|5|46|50|71|1|1|a\\Nb\\Pc|101|Embedded Object|71|1|72|2|44|5|"
         "45|1|",
         {{0, -1}, {6, -1}, {6, -1 - 5.0 / 3}}},
        // Without columns the lines stack, and a bottom attachment ignores them.
        {"0|MTEXT|10|0|20|0|40|1|71|7|1|a\\Nb|101|Embedded Object|71|1|72|2|44|5|",
         {{0, 5.0 / 3}, {0, 0}}},
    };
    for (const auto& c : cases) {
        SImport im;
        im.RunEntities(c.spec);
        ASSERT_EQ(im.doc.GetEntityCount(), static_cast<int>(c.at.size())) << c.spec;
        for (size_t i = 0; i < c.at.size(); ++i) {
            const CText& t = im.At<CText>(static_cast<int>(i));
            EXPECT_NEAR(t.m_position.x, c.at[i].first, 1e-12) << c.spec << " line " << i;
            EXPECT_NEAR(t.m_position.y, c.at[i].second, 1e-12) << c.spec << " line " << i;
        }
    }
}

TEST(DxfTexts, LongMTextIsCutWithAMessage) {
    SImport im;
    const std::string line(1000000, 'x');
    im.RunEntities("0|MTEXT|10|0|20|0|40|1|1|{{" + line + "|0|POINT|");
    ASSERT_EQ(im.doc.GetEntityCount(), 2);
    EXPECT_EQ(im.At<CText>(0).m_text.size(), kMaxMTextBytes - 2);
    EXPECT_TRUE(Said(im, "Line: 6. \nMTEXT longer than 65536 bytes: the rest is left out."));
}

TEST(DxfTexts, JustifiedTextsStandByTheirSecondPoint) {
    const double w = Width("AB");
    const double length = std::hypot(10.0, 5.0), angle = std::atan2(5.0, 10.0) * 180.0 / kPi;
    const struct {
        const char* codes;  // justification and kind
        double x, y, height, rotation;
    } cases[] = {
        {"TEXT|72|0|73|0", 0, 0, 1, 0},
        {"TEXT|72|1", 10 - w / 2, 5, 1, 0},
        {"TEXT|72|2", 10 - w, 5, 1, 0},
        {"TEXT|72|4", 10 - w / 2, 4.5, 1, 0},
        {"TEXT|73|1", 10, 5 + 1.0 / 3, 1, 0},
        {"TEXT|73|2", 10, 4.5, 1, 0},
        {"TEXT|72|1|73|3", 10 - w / 2, 4, 1, 0},
        {"TEXT|72|3", 0, 0, length / w, angle},
        {"TEXT|72|5", 0, 0, 1, angle},
        {"ATTRIB|73|3|74|2", 10, 4.5, 1, 0},  // an attribute's 73 is its field length
    };
    for (const auto& c : cases) {
        SImport im;
        im.RunEntities(std::string("0|") + c.codes + "|10|0|20|0|11|10|21|5|40|1|1|AB|");
        ASSERT_EQ(im.doc.GetEntityCount(), 1) << c.codes;
        const CText& t = im.At<CText>(0);
        EXPECT_NEAR(t.m_position.x, c.x, 1e-12) << c.codes;
        EXPECT_NEAR(t.m_position.y, c.y, 1e-12) << c.codes;
        EXPECT_NEAR(t.m_height, c.height, 1e-12) << c.codes;
        EXPECT_NEAR(t.m_rotation, c.rotation, 1e-12) << c.codes;
    }
    // Fit lowers a text that would run past its second point; no second point, no move.
    SImport im;
    im.RunEntities("0|TEXT|72|5|10|0|20|0|11|1|21|0|40|1|1|AB|0|TEXT|72|2|10|3|20|4|40|1|1|%%d|");
    EXPECT_NEAR(im.At<CText>(0).m_height, 1.0 / w, 1e-12);
    ExpectXyz(im.At<CText>(1).m_position, 3, 4, 0);
    EXPECT_EQ(im.At<CText>(1).m_text, "\u00B0");
}

// ---- bulges, ellipses, splines ----

TEST(DxfCurves, BulgesBecomeArcsWithinTheirTolerance) {
    const struct {
        const char* entity;
        const char* bulge;  // the arc's sagitta over half its chord
    } cases[] = {
        {"LWPOLYLINE", "1"},      {"LWPOLYLINE", "-1"}, {"POLYLINE", "1"},
        {"LWPOLYLINE", "0.4142"}, {"POLYLINE", "-3.5"},
    };
    for (const auto& c : cases) {
        SImport im;
        const std::string b = c.bulge;
        im.RunEntities(std::string(c.entity) == "LWPOLYLINE"
                           ? "0|LWPOLYLINE|10|0|20|0|42|" + b + "|10|2|20|0|"
                           : "0|POLYLINE|66|1|0|VERTEX|10|0|20|0|42|" + b +
                                 "|0|VERTEX|10|2|20|0|0|SEQEND|");
        // Positive bulges turn counter-clockwise: from (0, 0) to (2, 0) below the chord.
        const double throughY = -std::stod(b);
        ASSERT_EQ(im.doc.GetEntityCount(), 1);
        const std::vector<CPoint3> v = Points(im.At<CPoly>(0));
        ASSERT_GE(v.size(), 3u);
        ExpectXyz(v.front(), 0, 0, 0);
        ExpectXyz(v.back(), 2, 0, 0);
        // The circle through both ends and the arc's middle point.
        const double sagitta = std::fabs(throughY);
        const double r = (1.0 + sagitta * sagitta) / (2.0 * sagitta);
        const CPoint3 centre(1.0, throughY < 0 ? throughY + r : throughY - r, 0.0);
        double lowest = 0.0, highest = 0.0;
        for (size_t i = 0; i < v.size(); ++i) {
            EXPECT_NEAR((v[i] - centre).Length(), r, 1e-12);
            lowest = std::min(lowest, v[i].y);
            highest = std::max(highest, v[i].y);
            if (i > 0) {
                // The chord's middle strays from the circle by at most r / 1000.
                const CPoint3 mid((v[i].x + v[i - 1].x) / 2, (v[i].y + v[i - 1].y) / 2, 0.0);
                EXPECT_LE(r - (mid - centre).Length(), r / 1000 + 1e-15);
            }
        }
        EXPECT_NEAR(throughY < 0 ? lowest : highest, throughY, r / 1000);
    }
    // An absurd bulge is a straight segment, and says so.
    SImport im;
    im.RunEntities("0|LWPOLYLINE|10|0|20|0|42|1e300|10|2|20|0|");
    ASSERT_EQ(im.At<CPoly>(0).GetVertexCount(), 2);
    EXPECT_TRUE(Said(im, "Line: 6. \nBulge out of range: the segment is drawn straight."));
}

TEST(DxfCurves, EllipsesFullAndPartial) {
    SImport im;
    im.RunEntities(
        "0|ELLIPSE|10|1|20|2|30|0|11|4|21|0|31|0|40|0.5|41|0|42|1.5707963267948966|"
        "0|ELLIPSE|10|0|20|0|11|0|21|3|40|0.001|"
        "0|ELLIPSE|10|0|20|0|11|0|21|0|40|0.5|0|ELLIPSE|10|0|20|0|11|1|21|0|40|0|");
    ASSERT_EQ(im.doc.GetEntityCount(), 2);
    const std::vector<CPoint3> arc = Points(im.At<CPoly>(0));
    ExpectXyz(arc.front(), 5, 2, 0);
    ExpectXyz(arc.back(), 1, 4, 0);
    for (const CPoint3& p : arc) {
        EXPECT_NEAR(std::pow((p.x - 1) / 4, 2) + std::pow((p.y - 2) / 2, 2), 1.0, 1e-12);
    }
    // A thin full ellipse: closed, its tips drawn as finely as its sides, not in 10000 pieces.
    const std::vector<CPoint3> thin = Points(im.At<CPoly>(1));
    EXPECT_EQ(thin.front(), thin.back());
    EXPECT_LT(thin.size(), 2000u);
    double tip = 0.0;
    for (const CPoint3& p : thin) {
        tip = std::max(tip, std::fabs(p.y));
    }
    EXPECT_NEAR(tip, 3.0, 3.0 * 1e-6);
    const std::vector<std::string> said = im.Texts();
    EXPECT_EQ(std::count_if(said.begin(), said.end(),
                            [](const std::string& m) {
                                return m.find("ELLIPSE left out: an axis has no length.") !=
                                       std::string::npos;
                            }),
              2);
}

// B-spline basis by its recursive definition: the check on the reader's de Boor.
double Basis(size_t i, int p, double u, const std::vector<double>& k) {
    if (p == 0) {
        return k[i] <= u && u < k[i + 1] ? 1.0 : 0.0;
    }
    double a = 0.0, b = 0.0;
    if (k[i + static_cast<size_t>(p)] > k[i]) {
        a = (u - k[i]) / (k[i + static_cast<size_t>(p)] - k[i]) * Basis(i, p - 1, u, k);
    }
    if (k[i + static_cast<size_t>(p) + 1] > k[i + 1]) {
        b = (k[i + static_cast<size_t>(p) + 1] - u) /
            (k[i + static_cast<size_t>(p) + 1] - k[i + 1]) * Basis(i + 1, p - 1, u, k);
    }
    return a + b;
}

TEST(DxfCurves, ClosedPeriodicSplineFollowsTheCurve) {
    // A hexagon of control points, the first three repeated: a closed periodic cubic.
    std::vector<CPoint3> control;
    for (int i = 0; i < 9; ++i) {
        control.emplace_back(10 * std::cos(i * kPi / 3), 10 * std::sin(i * kPi / 3), 0.0);
    }
    std::vector<double> knots;
    std::string spec = "0|SPLINE|70|11|71|3|72|13|73|9|";
    for (int i = 0; i <= 12; ++i) {
        knots.push_back(i);
        spec += "40|" + std::to_string(i) + "|";
    }
    for (const CPoint3& c : control) {
        spec += "10|" + std::to_string(c.x) + "|20|" + std::to_string(c.y) + "|30|0|";
    }
    SImport im;
    im.RunEntities(spec);
    ASSERT_EQ(im.doc.GetEntityCount(), 1);
    const std::vector<CPoint3> v = Points(im.At<CPoly>(0));
    EXPECT_EQ(v.front(), v.back());
    std::vector<CPoint3> dense;
    for (double u = 3.0; u < 9.0; u += 1e-3) {
        CPoint3 p(0, 0, 0);
        for (size_t i = 0; i < control.size(); ++i) {
            const double n = Basis(i, 3, u, knots);
            p.x += n * std::stod(std::to_string(control[i].x));
            p.y += n * std::stod(std::to_string(control[i].y));
        }
        dense.push_back(p);
    }
    dense.push_back(dense.front());
    // Every point drawn lies on the curve; the curve strays from the drawing by at most a
    // thousandth of its largest radius of curvature (from circles through sample triples).
    for (const CPoint3& p : v) {
        EXPECT_LT(DistanceToPolyline(p, dense), 1e-4);
    }
    double worst = 0.0, radius = 0.0;
    for (size_t i = 0; i < dense.size(); ++i) {
        worst = std::max(worst, DistanceToPolyline(dense[i], v));
        if (i >= 100 && i + 100 < dense.size()) {
            const CVec3 a = dense[i - 100] - dense[i], b = dense[i + 100] - dense[i];
            const double sine = Cross(a, b).Length() / (a.Length() * b.Length());
            radius = std::max(radius, (dense[i + 100] - dense[i - 100]).Length() / (2 * sine));
        }
    }
    EXPECT_LT(worst, radius / 1000);
    EXPECT_GT(worst, 1e-5);  // and is a polyline, not the curve resampled densely
}

TEST(DxfCurves, SplinesFromFitPointsAndBadSplines) {
    const struct {
        const char* body;
        const char* said;  // empty: drawn
    } cases[] = {
        {"71|3|11|0|21|0|11|1|21|1|11|2|21|0|11|3|21|1", ""},
        {"71|2|10|0|20|0|10|1|20|1|10|2|20|0", ""},  // no knots: clamped uniform
        {"71|3|40|0|40|1|10|0|20|0|10|1|20|1|10|2|20|0|10|3|20|1",
         "SPLINE left out: its knots do not match its control points."},
        {"71|0|10|0|20|0|10|1|20|1", "SPLINE left out: its degree is not 1 to 20."},
        {"71|21|10|0|20|0|10|1|20|1", "SPLINE left out: its degree is not 1 to 20."},
        {"71|3|10|0|20|0|10|1|20|1",
         "SPLINE left out: it has fewer control points than its degree needs."},
        {"71|1|40|0|40|0|40|1|40|1|41|1|10|0|20|0|10|1|20|1",
         "SPLINE left out: its weights do not match its control points."},
        {"71|1|40|0|40|0|40|0|40|0|10|0|20|0|10|1|20|1",
         "SPLINE left out: its knots do not match its control points."},
    };
    for (const auto& c : cases) {
        SImport im;
        im.RunEntities(std::string("0|SPLINE|") + c.body + "|");
        if (*c.said == '\0') {
            ASSERT_EQ(im.doc.GetEntityCount(), 1) << c.body;
            EXPECT_GT(im.At<CPoly>(0).GetVertexCount(), 4) << c.body;
        } else {
            EXPECT_EQ(im.doc.GetEntityCount(), 0) << c.body;
            EXPECT_TRUE(Said(im, std::string("Line: 6. \n") + c.said)) << c.body;
        }
    }
    // The curve through fit points passes through each of them.
    SImport im;
    im.RunEntities("0|SPLINE|71|3|11|0|21|0|11|1|21|1|11|2|21|0|11|3|21|1|");
    const std::vector<CPoint3> v = Points(im.At<CPoly>(0));
    for (const CPoint3& f :
         {CPoint3(0, 0, 0), CPoint3(1, 1, 0), CPoint3(2, 0, 0), CPoint3(3, 1, 0)}) {
        EXPECT_TRUE(std::find(v.begin(), v.end(), f) != v.end());
    }
}

// ---- areas ----

TEST(DxfAreas, SolidsAndTracesGoRoundTheirCorners) {
    const struct {
        const char* entity;
        std::vector<CPoint3> corners;
    } cases[] = {
        {"SOLID|10|0|20|0|11|1|21|0|12|0|22|1|13|1|23|1",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"TRACE|10|0|20|0|11|1|21|0|12|0|22|1|13|1|23|1|30|2",
         {{0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}}},
        {"SOLID|10|0|20|0|11|1|21|0|12|0|22|1", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
        {"SOLID|10|0|20|0|11|1|21|0|12|0|22|1|13|0|23|1", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
        {"SOLID|10|0|20|0|11|1|21|0|12|0|22|1|13|1|23|1|210|0|220|0|230|-1",
         {{0, 0, 0}, {-1, 0, 0}, {-1, 1, 0}, {0, 1, 0}}},
    };
    for (const auto& c : cases) {
        SImport im;
        im.RunEntities(std::string("0|") + c.entity + "|");
        ASSERT_EQ(im.doc.GetEntityCount(), 1) << c.entity;
        const CPoly& p = im.At<CPoly>(0);
        EXPECT_EQ(p.m_closed, 1);
        EXPECT_EQ(Points(p), c.corners) << c.entity;
    }
}

TEST(DxfAreas, PolyfaceCubeGivesSixFaces) {
    std::string spec = "0|POLYLINE|5|C1|8|CUBE|66|1|70|64|71|8|72|6|";
    for (int i = 0; i < 8; ++i) {
        spec += "0|VERTEX|8|CUBE|70|192|10|" + std::to_string(i & 1) + "|20|" +
                std::to_string((i >> 1) & 1) + "|30|" + std::to_string(i >> 2) + "|";
    }
    // Negative numbers hide an edge; they still name the corner.
    const int faces[6][4] = {{1, 2, 4, 3},  {5, 6, 8, 7},  {1, 2, 6, 5},
                             {3, 4, -8, 7}, {1, 3, 7, -5}, {2, 4, 8, 6}};
    for (const auto& f : faces) {
        spec += "0|VERTEX|8|CUBE|70|128|10|0|20|0|30|0|71|" + std::to_string(f[0]) + "|72|" +
                std::to_string(f[1]) + "|73|" + std::to_string(f[2]) + "|74|" +
                std::to_string(f[3]) + "|";
    }
    SImport im;
    im.RunEntities(spec + "0|SEQEND|0|POINT|");
    EXPECT_EQ(DescribeLayers(im.doc), "Warstwa1; CUBE");
    EXPECT_EQ(Describe(im.doc),
              "polygon [0 0 0, 1 0 0, 1 1 0, 0 1 0] planar n=0 0 1 tess fan=1 L1 #1 name=C1 "
              "rgb=1 1 1\n"
              "polygon [0 0 1, 1 0 1, 1 1 1, 0 1 1] planar n=0 0 1 tess fan=1 L1 #2 rgb=1 1 1\n"
              "polygon [0 0 0, 1 0 0, 1 0 1, 0 0 1] planar n=0 -1 0 tess fan=1 L1 #3 rgb=1 1 1\n"
              "polygon [0 1 0, 1 1 0, 1 1 1, 0 1 1] planar n=0 -1 0 tess fan=1 L1 #4 rgb=1 1 1\n"
              "polygon [0 0 0, 0 1 0, 0 1 1, 0 0 1] planar n=1 0 0 tess fan=1 L1 #5 rgb=1 1 1\n"
              "polygon [1 0 0, 1 1 0, 1 1 1, 1 0 1] planar n=1 0 0 tess fan=1 L1 #6 rgb=1 1 1\n"
              "pnt 0 0 0 L1 #7 rgb=1 1 1\n");
}

TEST(DxfAreas, PolygonMeshesGiveTheirQuadrilaterals) {
    const struct {
        int flags, m, n;
        int faces;
    } cases[] = {{16, 3, 2, 2}, {16 | 32, 3, 2, 4}, {16 | 1, 3, 2, 3}, {16, 4, 2, -1}};
    for (const auto& c : cases) {
        std::string spec = "0|POLYLINE|66|1|70|" + std::to_string(c.flags) + "|71|" +
                           std::to_string(c.m) + "|72|" + std::to_string(c.n) + "|";
        for (int i = 0; i < 6; ++i) {
            spec += "0|VERTEX|70|64|10|" + std::to_string(i % 2) + "|20|" + std::to_string(i / 2) +
                    "|30|" + std::to_string(i % 3) + "|";
        }
        SImport im;
        im.RunEntities(spec + "0|SEQEND|");
        if (c.faces < 0) {
            // The counts do not make the vertices: the vertices are one polyline.
            ASSERT_EQ(im.doc.GetEntityCount(), 1);
            EXPECT_EQ(im.At<CPoly>(0).GetVertexCount(), 6);
            continue;
        }
        ASSERT_EQ(im.doc.GetEntityCount(), c.faces) << c.flags;
        for (int i = 0; i < c.faces; ++i) {
            EXPECT_EQ(im.At<CPoly>(i).GetVertexCount(), 4);
        }
    }
}

std::string ArcEdgeHatch(int ccw) {
    return "0|HATCH|8|H|10|0|20|0|30|0|210|0|220|0|230|1|2|SOLID|70|1|71|0|91|1|92|1|93|2|"
           "72|1|10|2|20|0|11|0|21|0|72|2|10|1|20|0|40|1|50|180|51|360|73|" +
           std::to_string(ccw) + "|97|0|75|0|76|1|98|0|";
}

TEST(DxfAreas, HatchBoundariesWithArcsAndBulges) {
    const struct {
        std::string entity;
        double throughY;  // the arc's far point
        bool filled;
    } cases[] = {
        {ArcEdgeHatch(1), -1.0, true},
        {ArcEdgeHatch(0), 1.0, true},  // clockwise: angles stored mirrored
        {"0|HATCH|10|0|20|0|30|0|70|0|91|1|92|2|72|1|73|1|93|2|10|2|20|0|42|1|10|0|20|0|"
         "97|0|",
         1.0, false},
    };
    for (const auto& c : cases) {
        SImport im;
        im.RunEntities(c.entity);
        ASSERT_EQ(im.doc.GetEntityCount(), 1) << c.entity;
        const CPoly& p = im.At<CPoly>(0);
        EXPECT_EQ(p.m_closed, c.filled ? 1 : 0);
        const std::vector<CPoint3> v = Points(p);
        bool through = false;
        for (const CPoint3& q : v) {
            if (q.y != 0.0) {
                EXPECT_NEAR((q - CPoint3(1, 0, 0)).Length(), 1.0, 1e-12);
                EXPECT_GT(q.y * c.throughY, 0.0);
            }
            through = through || q == CPoint3(1, c.throughY, 0);
        }
        EXPECT_TRUE(through) << c.entity;
        if (!c.filled) {
            EXPECT_EQ(v.front(), v.back());
        }
    }
}

TEST(DxfAreas, NestedSolidHatchesAndBadCounts) {
    const std::string square = "92|3|72|0|73|1|93|4|";
    const auto path = [&square](double a) {
        const std::string s = std::to_string(a);
        return square + "10|-" + s + "|20|-" + s + "|10|" + s + "|20|-" + s + "|10|" + s + "|20|" +
               s + "|10|-" + s + "|20|" + s + "|97|0|";
    };
    SImport im;
    // A square with a hole: outlines, not filled. A count of paths beyond what follows.
    im.RunEntities("0|HATCH|70|1|91|2|" + path(2) + path(1) + "75|1|0|HATCH|70|1|91|2147483647|" +
                   path(3) + "0|HATCH|70|1|91|1|92|0|93|1|72|9|");
    EXPECT_EQ(Describe(im.doc),
              "line [-2 -2 0, 2 -2 0, 2 2 0, -2 2 0, -2 -2 0] #1 rgb=1 1 1\n"
              "line [-1 -1 0, 1 -1 0, 1 1 0, -1 1 0, -1 -1 0] #2 rgb=1 1 1\n"
              "polygon [-3 -3 0, 3 -3 0, 3 3 0, -3 3 0] planar n=0 0 1 tess fan=1 #3 rgb=1 1 1\n");
    EXPECT_TRUE(
        Said(im, "HATCH boundary paths after the 1 read are left out: they cannot be read."));
    EXPECT_TRUE(
        Said(im, "HATCH boundary paths after the 0 read are left out: they cannot be read."));
}

TEST(DxfAreas, HatchOfManyEdges) {
    constexpr int kEdges = 100000;
    std::string spec = "0|HATCH|70|0|91|1|92|1|93|" + std::to_string(kEdges) + "|";
    spec.reserve(kEdges * 70);
    const auto at = [](int i, const char* x, const char* y) {
        const double t = 2 * kPi * (i % kEdges) / kEdges;
        return std::string(x) + "|" + std::to_string(std::cos(t) * 1000) + "|" + y + "|" +
               std::to_string(std::sin(t) * 1000) + "|";
    };
    for (int i = 0; i < kEdges; ++i) {
        spec += "72|1|" + at(i, "10", "20") + at(i + 1, "11", "21");
    }
    SImport im;
    im.RunEntities(spec + "97|0|");
    ASSERT_EQ(im.doc.GetEntityCount(), 1);
    EXPECT_EQ(im.At<CPoly>(0).GetVertexCount(), kEdges + 1);
}

}  // namespace
