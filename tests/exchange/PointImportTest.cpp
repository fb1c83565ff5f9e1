#include "exchange/PointImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "document/TAVDoc.h"
#include "exchange/SurveyPoints.h"
#include "support/AlignPrompter.h"
#include "support/SurveyTestFiles.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

constexpr char kBadLine[] = "Can not read point label or point coordinates!";

std::string BadLine(int n) {
    return "Line: " + std::to_string(n) + ". \n" + kBadLine;
}

struct SLineCase {
    const char* name;
    std::string line;
    EPointLine kind;
    const char* label;
    double x, y, z;
};

const SLineCase kLineCases[] = {
    {"empty", "", EPointLine::Comment, "", 0, 0, 0},
    {"blanks_and_tabs", " \t \t", EPointLine::Comment, "", 0, 0, 0},
    {"comment", "// P1 1 2 3", EPointLine::Comment, "", 0, 0, 0},
    {"indented_comment", " \t  //x", EPointLine::Comment, "", 0, 0, 0},
    {"single_slash", "/ 1 2 3", EPointLine::Point, "/", 1, 2, 3},
    {"slashes_inside_label", "x// 1 2 3", EPointLine::Point, "x//", 1, 2, 3},
    {"plain", "P1 10.5 -20 3e2", EPointLine::Point, "P1", 10.5, -20, 300},
    {"tabs_and_plus", "\tP2\t+1\t.5\t-0", EPointLine::Point, "P2", 1, 0.5, 0},
    {"text_after_fourth_field", "P3 1 2 3 uwaga 4", EPointLine::Point, "P3", 1, 2, 3},
    {"glued_text_after_number", "P4 1 2 3m", EPointLine::Point, "P4", 1, 2, 3},
    {"survey_scale", "1020 5420000.123 6310000.456 101.5", EPointLine::Point, "1020", 5420000.123,
     6310000.456, 101.5},
    {"two_numbers", "P5 1 2", EPointLine::Bad, "", 0, 0, 0},
    {"label_only", "P6", EPointLine::Bad, "", 0, 0, 0},
    {"decimal_comma", "P7 1,5 2 3", EPointLine::Bad, "", 0, 0, 0},
    {"number_missing_between", "P8 1 x 3 4", EPointLine::Bad, "", 0, 0, 0},
    {"form_feed_only", "\f", EPointLine::Bad, "", 0, 0, 0},
    {"vertical_tab_before_label", "\vP9 1 2 3", EPointLine::Point, "P9", 1, 2, 3},
    {"nul_ends_the_line", std::string("P10 1 2\0 3", 10), EPointLine::Bad, "", 0, 0, 0},
    {"nul_after_the_numbers", std::string("P11 1 2 3\0garbage", 17), EPointLine::Point, "P11", 1, 2,
     3},
};

class PointLineTest : public ::testing::TestWithParam<SLineCase> {};

TEST_P(PointLineTest, ScansLikeTheCFormat) {
    const SLineCase& c = GetParam();
    std::string_view label;
    double xyz[3] = {0, 0, 0};
    ASSERT_EQ(ParsePointLine(c.line, label, xyz), c.kind);
    if (c.kind == EPointLine::Point) {
        EXPECT_EQ(label, c.label);
        EXPECT_EQ(xyz[0], c.x);
        EXPECT_EQ(xyz[1], c.y);
        EXPECT_EQ(xyz[2], c.z);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, PointLineTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

class PointImportTest : public ::testing::Test {
protected:
    void SetUp() override { SetLastEntityNumber(100); }
    void TearDown() override { SetLastEntityNumber(0); }

    EImportResult Import(const std::string& content) {
        CTempFile f(content, ".pnt");
        return ImportPointFile(doc, f.path);
    }
    const CPnt& Point(int i) { return *static_cast<const CPnt*>(doc.GetEntity(i)); }

    CAlignPrompter prompter;
    CTAVDoc doc{&prompter};
};

TEST_F(PointImportTest, PointsGetNumbersLayerAndColour) {
    doc.Layers().emplace_back("Pomiar", 0, 1);
    doc.SetCurrentLayer(1);
    ASSERT_EQ(Import("// pomiar\r\nA 1 2 3\r\n\r\nB 4 5 6\r\n"), EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(Point(0).m_name, "A");
    EXPECT_EQ(Point(0).m_number, 101);
    EXPECT_EQ(Point(1).m_number, 102);
    EXPECT_EQ(Point(1).m_name, "B");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Point(i).m_layer, 1);
        EXPECT_EQ(Point(i).m_color[0], 1.0);
        EXPECT_EQ(Point(i).m_color[2], 1.0);
        EXPECT_EQ(Point(i).m_point.flag, 1u);
    }
    ExpectXyz(Point(1).m_point, 4, 5, 6, 0);
    EXPECT_TRUE(prompter.messages.empty());

    // A second import adds to the drawing; numbers keep rising.
    ASSERT_EQ(Import("C 7 8 9\n"), EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 3);
    EXPECT_EQ(Point(2).m_number, 103);
}

TEST_F(PointImportTest, BadLinesAreReportedWithTheirNumberAndSkipped) {
    ASSERT_EQ(Import("// naglowek\n\nP1 1 2\nP2 1 2 3\n  // x\nP3 a b c\nP4 4 5 6"),
              EImportResult::Done);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, BadLine(3));
    EXPECT_EQ(prompter.messages[1].text, BadLine(6));
    ASSERT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(Point(0).m_name, "P2");
    EXPECT_EQ(Point(1).m_name, "P4");
    // The messages come before the dialog.
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(PointImportTest, ReservedLabelsPreloadTheDialogAndAreImported) {
    ASSERT_EQ(Import("BAZA 10 0 0\nBAZAY 10 5 0\nBAZAX 20 0 0\nP 12 3 4\n"), EImportResult::Done);
    ASSERT_EQ(prompter.shown.size(), 1u);
    const SAlignment& a = prompter.shown[0];
    EXPECT_EQ(a.modelOrigin.x, 10.0);
    EXPECT_EQ(a.modelFirstAxis, 1);
    EXPECT_EQ(a.modelFirstPoint.y, 5.0);
    EXPECT_EQ(a.modelSecondAxis, 0);
    EXPECT_EQ(a.modelSecondPoint.x, 20.0);
    // The drawing side keeps its defaults.
    EXPECT_EQ(a.drawingFirstPoint.x, 1.0);
    EXPECT_EQ(a.drawingSecondPoint.y, 1.0);
    EXPECT_FALSE(a.leftHanded);

    ASSERT_EQ(doc.GetEntityCount(), 4);
    EXPECT_EQ(Point(0).m_name, "BAZA");
    EXPECT_NEAR(Point(0).m_point.x, 0.0, 1e-12);
    EXPECT_NEAR(Point(2).m_point.x, 10.0, 1e-12);
    ExpectXyz(Point(3).m_point, 2.0, 3.0, 4.0, 1e-12);
}

TEST(PreloadAlignmentTest, OrderRules) {
    struct SCase {
        const char* name;
        std::vector<const char*> labels;  // point i is at (i + 1, 10 * (i + 1), 0)
        double origin;                    // x of the origin, 0 for the default
        int firstAxis;
        double first;  // x of the first axis point
        int secondAxis;
        double second;
    };
    const SCase cases[] = {
        {"none", {"P1", "P2"}, 0, 0, 1, 1, 0},
        {"last_baza_wins", {"BAZA", "BAZA", "BAZAZ"}, 2, 2, 3, 1, 0},
        {"baza_after_second_axis_unseen", {"BAZAX", "BAZA", "BAZAY", "BAZA"}, 2, 0, 1, 1, 3},
        {"third_axis_ignored", {"BAZAZ", "BAZAY", "BAZAX"}, 0, 2, 1, 1, 2},
        {"same_axis_twice_kept", {"BAZAX", "BAZAX"}, 0, 0, 1, 0, 2},
        {"case_sensitive", {"baza", "BAZAx", "BAZAXX", " BAZA"}, 0, 0, 1, 1, 0},
    };
    for (const SCase& c : cases) {
        SurveyPointList points;
        for (size_t i = 0; i < c.labels.size(); ++i) {
            const double k = static_cast<double>(i + 1);
            points.push_back(MakeSurveyPoint(c.labels[i], CPoint3(k, 10 * k, 0)));
        }
        const SAlignment a = PreloadAlignment(points);
        EXPECT_EQ(a.modelOrigin.x, c.origin) << c.name;
        EXPECT_EQ(a.modelFirstAxis, c.firstAxis) << c.name;
        EXPECT_EQ(a.modelFirstPoint.x, c.first) << c.name;
        EXPECT_EQ(a.modelSecondAxis, c.secondAxis) << c.name;
        EXPECT_EQ(a.modelSecondPoint.x, c.second) << c.name;
    }
}

TEST_F(PointImportTest, CommentsOnlyStillAskAndFinish) {
    ASSERT_EQ(Import("// nic\n\n   // nic\n"), EImportResult::Done);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(PointImportTest, LeftHandedNegatesYAfterPlacement) {
    prompter.edit = [](SAlignment& a) {
        a.leftHanded = true;
        a.drawingOrigin = CPoint3(0, 100, 0);
        a.drawingFirstPoint = CPoint3(1, 100, 0);
        a.drawingSecondPoint = CPoint3(0, 101, 0);
    };
    ASSERT_EQ(Import("P 1 2 3\n"), EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 1);
    ExpectXyz(Point(0).m_point, 1.0, -102.0, 3.0, 1e-12);
}

TEST_F(PointImportTest, CollinearReservedPointsAreCaughtByTheChecks) {
    ASSERT_EQ(Import("BAZA 0 0 0\nBAZAX 1 0 0\nBAZAY 2 0 0\n"), EImportResult::Refused);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!");
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PointImportTest, LongLabelsAndEncodings) {
    const std::string longLabel(300, 'L');
    ASSERT_EQ(Import(longLabel + " 1 2 3\n" + "Pą 4 5 6\n" + "P\xb9\x9c 7 8 9\n"),
              EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 3);
    EXPECT_EQ(Point(0).m_name, longLabel);
    EXPECT_EQ(Point(1).m_name, "Pą");   // UTF-8 as it is
    EXPECT_EQ(Point(2).m_name, "Pąś");  // Windows-1250 converted
}

TEST_F(PointImportTest, HugeLinesAreBadLinesNotMemory) {
    // One line of 3 MiB without a line end, then a 2 MiB label whose numbers lie beyond the
    // part of the line that is kept.
    std::string text(3u << 20, 'x');
    text += "\n" + std::string(2u << 20, 'L') + " 1 2 3\nP 1 2 3\n";
    ASSERT_EQ(Import(text), EImportResult::Done);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, BadLine(1));
    EXPECT_EQ(prompter.messages[1].text, BadLine(2));
    ASSERT_EQ(doc.GetEntityCount(), 1);
    EXPECT_EQ(Point(0).m_name, "P");
}

// A file of many chunks' worth of lines, bad lines and comments at the chunk edges: points in
// file order, messages with their own line numbers in order, the preload from the first axis
// points even when they lie in different chunks.
TEST_F(PointImportTest, LongFilesKeepTheirOrderAcrossChunks) {
    const std::vector<int> bad = {3,    4095,  4096,  4097,  8192,  8193,
                                  9000, 12288, 12289, 15000, 16385, 19999};
    std::string text;
    std::vector<int> pointLines;
    for (int line = 1; line <= 20000; ++line) {
        if (std::find(bad.begin(), bad.end(), line) != bad.end()) {
            text += "B" + std::to_string(line) + " 1 2\n";
        } else if (line % 1000 == 0) {
            text += "// " + std::to_string(line) + "\n";
        } else {
            text += "P" + std::to_string(line) + " " + std::to_string(line) + " " +
                    std::to_string(2 * line) + " 0.5\n";
            pointLines.push_back(line);
        }
    }
    ASSERT_EQ(Import(text), EImportResult::Done);
    ASSERT_EQ(prompter.messages.size(), 11u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(prompter.messages[i].text, BadLine(bad[i]));
    }
    EXPECT_EQ(prompter.messages[10].text,
              "Pominięto komunikaty o kolejnych błędnych wierszach pliku: 2.");
    ASSERT_EQ(doc.GetEntityCount(), static_cast<int>(pointLines.size()));
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const int line = pointLines[static_cast<size_t>(i)];
        ASSERT_EQ(Point(i).m_name, "P" + std::to_string(line));
        ASSERT_EQ(Point(i).m_number, 101 + i);
        ASSERT_EQ(Point(i).m_point.x, line);
        ASSERT_EQ(Point(i).m_point.y, 2.0 * line);
    }

    // The first two axis points at the end of one chunk and the start of the next; a third
    // one later does not count.
    std::string reserved;
    for (int line = 1; line <= 9000; ++line) {
        reserved += line == 4096   ? "BAZAY 0 7 0\n"
                    : line == 4097 ? "BAZAX 9 0 0\n"
                    : line == 8500 ? "BAZAZ 0 0 5\n"
                                   : "Q 1 1 1\n";
    }
    ASSERT_EQ(Import(reserved), EImportResult::Done);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].modelFirstAxis, 1);
    EXPECT_EQ(prompter.shown[1].modelFirstPoint.y, 7.0);
    EXPECT_EQ(prompter.shown[1].modelSecondAxis, 0);
    EXPECT_EQ(prompter.shown[1].modelSecondPoint.x, 9.0);
}

}  // namespace
