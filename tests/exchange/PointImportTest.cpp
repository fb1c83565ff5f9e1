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

TEST(PointLine, ScansLikeTheCFormat) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "comment"},
        {" \t \t", "comment"},
        {"// P1 1 2 3", "comment"},
        {" \t  //x", "comment"},
        {"/ 1 2 3", "/ 1 2 3"},
        {"x// 1 2 3", "x// 1 2 3"},
        {"P1 10.5 -20 3e2", "P1 10.5 -20 300"},
        {"\tP2\t+1\t.5\t-0", "P2 1 0.5 -0"},
        {"P3 1 2 3 uwaga 4", "P3 1 2 3"},
        {"P4 1 2 3m", "P4 1 2 3"},
        {"1020 5420000.123 6310000.456 101.5", "1020 5420000.123 6310000.456 101.5"},
        {"P5 1 2", "bad"},
        {"P6", "bad"},
        {"P7 1,5 2 3", "bad"},
        {"P8 1 x 3 4", "bad"},
        {"\f", "bad"},
        {"\vP9 1 2 3", "P9 1 2 3"},
        {std::string("P10 1 2\0 3", 10), "bad"},
        {std::string("P11 1 2 3\0garbage", 17), "P11 1 2 3"},
    };
    for (const auto& [line, want] : cases) {
        SCOPED_TRACE(line);
        std::string_view label;
        double xyz[3] = {0, 0, 0};
        const EPointLine kind = ParsePointLine(line, label, xyz);
        EXPECT_EQ(kind == EPointLine::Comment ? "comment"
                  : kind == EPointLine::Bad   ? "bad"
                                              : std::string(label) + " " + Num(xyz[0]) + " " +
                                                  Num(xyz[1]) + " " + Num(xyz[2]),
                  want);
    }
}

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
    EXPECT_TRUE(prompter.messages.empty());
    // A second import adds to the drawing; numbers keep rising.
    ASSERT_EQ(Import("C 7 8 9\n"), EImportResult::Done);
    EXPECT_EQ(Describe(doc),
              "pnt 1 2 3 L1 #101 name=A rgb=1 1 1\n"
              "pnt 4 5 6 L1 #102 name=B rgb=1 1 1\n"
              "pnt 7 8 9 L1 #103 name=C rgb=1 1 1\n");
}

TEST_F(PointImportTest, BadLinesAreReportedWithTheirNumberAndSkipped) {
    ASSERT_EQ(Import("// naglowek\n\nP1 1 2\nP2 1 2 3\n  // x\nP3 a b c\nP4 4 5 6"),
              EImportResult::Done);
    EXPECT_EQ(MessageTexts(prompter), (std::vector<std::string>{BadLine(3), BadLine(6)}));
    EXPECT_EQ(Describe(doc),
              "pnt 1 2 3 #101 name=P2 rgb=1 1 1\npnt 4 5 6 #102 name=P4 rgb=1 1 1\n");
    // The messages come before the dialog.
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(PointImportTest, ReservedLabelsPreloadTheDialogAndAreImported) {
    ASSERT_EQ(Import("BAZA 10 0 0\nBAZAY 10 5 0\nBAZAX 20 0 0\nP 12 3 4\n"), EImportResult::Done);
    // The drawing side keeps its defaults.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(Describe(prompter.shown[0]), "10 0 0 y=10 5 0 x=20 0 0 -> 0 0 0 x=1 0 0 y=0 1 0");
    EXPECT_EQ(Describe(doc, 12),
              "pnt 0 0 0 #101 name=BAZA rgb=1 1 1\n"
              "pnt 0 5 0 #102 name=BAZAY rgb=1 1 1\n"
              "pnt 10 0 0 #103 name=BAZAX rgb=1 1 1\n"
              "pnt 2 3 4 #104 name=P rgb=1 1 1\n");
}

TEST(PreloadAlignmentTest, OrderRules) {
    struct SCase {
        const char* name;
        std::vector<const char*> labels;  // point i is at (i + 1, 10 * (i + 1), 0)
        const char* model;
    };
    const SCase cases[] = {
        {"none", {"P1", "P2"}, "0 0 0 x=1 0 0 y=0 1 0"},
        {"last_baza_wins", {"BAZA", "BAZA", "BAZAZ"}, "2 20 0 z=3 30 0 y=0 1 0"},
        {"baza_after_second_axis_unseen",
         {"BAZAX", "BAZA", "BAZAY", "BAZA"},
         "2 20 0 x=1 10 0 y=3 30 0"},
        {"third_axis_ignored", {"BAZAZ", "BAZAY", "BAZAX"}, "0 0 0 z=1 10 0 y=2 20 0"},
        {"same_axis_twice_kept", {"BAZAX", "BAZAX"}, "0 0 0 x=1 10 0 x=2 20 0"},
        {"case_sensitive", {"baza", "BAZAx", "BAZAXX", " BAZA"}, "0 0 0 x=1 0 0 y=0 1 0"},
    };
    for (const SCase& c : cases) {
        SurveyPointList points;
        for (size_t i = 0; i < c.labels.size(); ++i) {
            const double k = static_cast<double>(i + 1);
            points.push_back(MakeSurveyPoint(c.labels[i], CPoint3(k, 10 * k, 0)));
        }
        EXPECT_EQ(Describe(PreloadAlignment(points)),
                  c.model + std::string(" -> 0 0 0 x=1 0 0 y=0 1 0"))
            << c.name;
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
    EXPECT_EQ(Describe(doc, 12), "pnt 1 -102 3 #101 name=P rgb=1 1 1\n");
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
    // UTF-8 as it is, Windows-1250 converted.
    EXPECT_EQ(Describe(doc),
              "pnt 1 2 3 #101 name=" + longLabel +
                  " rgb=1 1 1\n"
                  "pnt 4 5 6 #102 name=Pą rgb=1 1 1\npnt 7 8 9 #103 name=Pąś rgb=1 1 1\n");
}

TEST_F(PointImportTest, HugeLinesAreBadLinesNotMemory) {
    // One line of 3 MiB without a line end, then a 2 MiB label whose numbers lie beyond the
    // part of the line that is kept.
    std::string text(3u << 20, 'x');
    text += "\n" + std::string(2u << 20, 'L') + " 1 2 3\nP 1 2 3\n";
    ASSERT_EQ(Import(text), EImportResult::Done);
    EXPECT_EQ(MessageTexts(prompter), (std::vector<std::string>{BadLine(1), BadLine(2)}));
    EXPECT_EQ(Describe(doc), "pnt 1 2 3 #101 name=P rgb=1 1 1\n");
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
    EXPECT_EQ(Describe(prompter.shown[1]), "0 0 0 y=0 7 0 x=9 0 0 -> 0 0 0 x=1 0 0 y=0 1 0");
}

}  // namespace
