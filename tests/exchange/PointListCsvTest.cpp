#include "exchange/PointListCsv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document/TAVDoc.h"
#include "exchange/ImportCommand.h"
#include "exchange/PointImport.h"
#include "support/AlignPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

std::string BadLine(int n) {
    return "Line: " + std::to_string(n) + ". \nCan not read point label or point coordinates!";
}

class PointListTest : public ::testing::Test {
protected:
    void SetUp() override { SetLastEntityNumber(0); }
    void TearDown() override { SetLastEntityNumber(0); }

    EImportResult Read(const std::string& text, SImportOptions options = {},
                       ImportReader reader = ReadPointListCsv, const char* suffix = ".csv") {
        CTempFile f(text, suffix);
        return ImportWith(doc, SImportSource::File(f.path), options, reader);
    }
    const CPnt& Point(int i) { return *static_cast<const CPnt*>(doc.GetEntity(i)); }
    std::string Code(int i) {
        const CDataNode& d = Point(i).m_data;
        return d.GetChildCount() == 1 ? d.GetChild(0).GetText() : "";
    }
    std::vector<std::string> Messages() { return MessageTexts(prompter); }

    CAlignPrompter prompter;
    CTAVDoc doc{&prompter};
};

struct SListCase {
    const char* name;
    std::string text;
    std::string columns;
    // The points expected, in order: name, x, y, z, code.
    std::vector<std::tuple<std::string, double, double, double, std::string>> points;
};

const SListCase kListCases[] = {
    {"comma_with_code",
     "1,0.5,-2,3e1,corner\r\n2,1,2,3\r\n",
     "",
     {{"1", 0.5, -2, 30, "corner"}, {"2", 1, 2, 3, ""}}},
    {"semicolon_decimal_comma",
     "P1;1,5;-2,25;3\nP2;4;5;6,125;kod\n",
     "",
     {{"P1", 1.5, -2.25, 3, ""}, {"P2", 4, 5, 6.125, "kod"}}},
    {"tab", "A\t1\t2\t3\n", "", {{"A", 1, 2, 3, ""}}},
    {"header_skipped", "\xEF\xBB\xBFNr,X,Y,Z,Kod\nA,1,2,3,k\n", "", {{"A", 1, 2, 3, "k"}}},
    {"quoted_rfc4180", "\"A, \"\"B\"\"\",1,2,3,\"x;y\"\n", "", {{"A, \"B\"", 1, 2, 3, "x;y"}}},
    {"blank_and_comment_lines", "\n  // a note\nA,1,2,3\n\n", "", {{"A", 1, 2, 3, ""}}},
    {"windows_1250", "\xA3\xF3\x64\x9F,1,2,3\n", "", {{"Łódź", 1, 2, 3, ""}}},
    {"order_nyxz", "A,1,2,3\n", "NYXZ", {{"A", 2, 1, 3, ""}}},
    {"order_xyz_numbers_points", "1,2,3\n4,5,6\n", "XYZ", {{"1", 1, 2, 3, ""}, {"2", 4, 5, 6, ""}}},
    {"order_with_skipped_and_code", "7,k,A,1,2,3\n", "-CNXYZ", {{"A", 1, 2, 3, "k"}}},
    {"order_lower_case_zyxn", "3,2,1,A\n", "zyxn", {{"A", 1, 2, 3, ""}}},
};

class PointListCaseTest : public PointListTest, public ::testing::WithParamInterface<SListCase> {};

TEST_P(PointListCaseTest, ReadsThePoints) {
    const SListCase& c = GetParam();
    SImportOptions options;
    options.columns = c.columns;
    ASSERT_EQ(Read(c.text, options), EImportResult::Done);
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(doc.GetEntityCount(), static_cast<int>(c.points.size()));
    for (size_t i = 0; i < c.points.size(); ++i) {
        const auto& [name, x, y, z, code] = c.points[i];
        const int k = static_cast<int>(i);
        EXPECT_EQ(Point(k).m_name, name);
        ExpectXyz(Point(k).m_point, x, y, z, 0);
        EXPECT_EQ(Code(k), code);
        EXPECT_EQ(Point(k).m_data.GetChildCount(), code.empty() ? 0 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, PointListCaseTest, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PointListTest, CorpusListsThroughThePointFilter) {
    const std::string dir = std::string(TAV_SOURCE_DIR) + "/tests/exchange/data/survey/";
    struct {
        const char* file;
        int count;
        int at;
        const char* name;
        double x, y, z;
        const char* code;
    } const files[] = {
        {"bezitopo__samepnts.pnt", 8, 2, "3", -0.957425, 1.65831, -0.57735, "corner"},
        {"topcon_gpt3000__test.pnt", 137, 0, "18", 34099.959, 85989.21, 0.001, "VV53"},
        {"topcon_gpt3000__test2.pnt", 375, 8, "160509-1", 231.939, 103.572, 0.013, ""},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        CAlignPrompter p;
        CTAVDoc d(&p);
        ASSERT_EQ(ImportByFilterIndex(d, 1, dir + f.file), EImportResult::Done);
        EXPECT_TRUE(p.messages.empty());
        ASSERT_EQ(d.GetEntityCount(), f.count);
        const auto& pt = static_cast<const CPnt&>(*d.GetEntity(f.at));
        EXPECT_EQ(pt.m_name, f.name);
        ExpectXyz(pt.m_point, f.x, f.y, f.z, 0);
        EXPECT_EQ(pt.m_data.GetChildCount() == 1 ? pt.m_data.GetChild(0).GetText() : "", f.code);
    }
}

TEST_F(PointListTest, WhitespaceFilesKeepThePointTextReading) {
    // The first data line scans: text after the fourth field is ignored, commas included, and a
    // later comma line is a bad line as it always was.
    ASSERT_EQ(Read("P1 1 2 3,x;y\nP2,4,5,6\n", {}, ReadPointFile, ".pnt"), EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 1);
    EXPECT_EQ(Point(0).m_name, "P1");
    EXPECT_EQ(Messages(), std::vector<std::string>{BadLine(2)});
    // A first line that splits into fewer than three fields is no list either.
    prompter.messages.clear();
    ASSERT_EQ(Read("P7 1,5 2 3\n", {}, ReadPointFile, ".pnt"), EImportResult::Done);
    EXPECT_EQ(Messages(), std::vector<std::string>{BadLine(1)});
}

TEST_F(PointListTest, BadLinesAreReportedAndReadingGoesOn) {
    std::string many(20000, ',');
    const std::string text =
        "Nr,X,Y,Z\n"  // 1 header
        "A,1,2,3\n"   // 2
        "B,1,x,3\n"   // 3 bad number
        "C,1,2\n"     // 4 too few fields
        "D;1;2;3\n"   // 5 another separator
        "E,1,2,3" +
        many +              // 6 ten thousand columns and more
        "\nF,\"1\",2,3\n";  // 7 quoted number
    ASSERT_EQ(Read(text), EImportResult::Done);
    EXPECT_EQ(Messages(), (std::vector<std::string>{BadLine(3), BadLine(4), BadLine(5)}));
    ASSERT_EQ(doc.GetEntityCount(), 3);
    EXPECT_EQ(Point(1).m_name, "E");
    EXPECT_EQ(Point(2).m_point.x, 1.0);

    // A header alone: no point, no message, the dialog as always.
    CAlignPrompter p2;
    CTAVDoc d2(&p2);
    CTempFile header("Name;X;Y;Z\r\n", ".csv");
    ASSERT_EQ(ImportWith(d2, SImportSource::File(header.path), {}, ReadPointListCsv),
              EImportResult::Done);
    EXPECT_EQ(d2.GetEntityCount(), 0);
    EXPECT_TRUE(p2.messages.empty());
    EXPECT_EQ(p2.shown.size(), 1u);
}

TEST_F(PointListTest, ColumnOrdersAreChecked) {
    std::string problem;
    for (const char* good : {"NXYZ", "NYXZ", "XYZ", "nxyzc", "-N-XYZ-C"}) {
        EXPECT_TRUE(CheckPointColumns(good, problem)) << good;
    }
    for (const char* bad : {"NXY", "NXYZZ", "NNXYZ", "NXYZQ", ""}) {
        EXPECT_FALSE(CheckPointColumns(bad, problem)) << bad;
        EXPECT_FALSE(problem.empty());
    }
}

TEST_F(PointListTest, ExportReadsBackToTheSameDoubles) {
    const std::vector<std::tuple<std::string, double, double, double>> points = {
        {"A", 5420000.123456789, 6310000.987654321, 100.1},
        {"B, \"quoted\"", 0.1 + 0.2, -1e-300, 1.7976931348623157e308},
        {"Łódź", -1.5e-7, 123456789012.5, 3},
        {" padded ", 1, 2, 3},
    };
    for (const auto& [name, x, y, z] : points) {
        doc.AddEntity(MakePnt({x, y, z}, name));
    }
    const std::string text = PointListText(doc, {});
    EXPECT_EQ(text.substr(0, text.find('\n') + 1),
              "A,5420000.123456789,6310000.987654321,100.1\r\n");
    EXPECT_NE(
        text.find("\"B, \"\"quoted\"\"\",0.30000000000000004,-1e-300,1.7976931348623157e+308"),
        std::string::npos);

    CTempDir dir;
    const std::string path = dir.File("points.csv");
    ASSERT_TRUE(ExportPointsCsv(doc, path, {}));
    CAlignPrompter p2;
    CTAVDoc back(&p2);
    ASSERT_EQ(ImportByFilterIndex(back, kImportFilterCsv, path), EImportResult::Done);
    EXPECT_TRUE(p2.messages.empty());
    ASSERT_EQ(back.GetEntityCount(), static_cast<int>(points.size()));
    for (int i = 0; i < back.GetEntityCount(); ++i) {
        const auto& a = static_cast<const CPnt&>(*doc.GetEntity(i));
        const auto& b = static_cast<const CPnt&>(*back.GetEntity(i));
        EXPECT_EQ(a.m_name, b.m_name);
        EXPECT_EQ(std::memcmp(&a.m_point, &b.m_point, sizeof a.m_point), 0) << i;
    }

    // In the active system, with chosen columns.
    doc.AddCoordSystem(CCoordSystem("L", CPoint3(1, 0, 0), CPoint3(2, 0, 0), CPoint3(1, 1, 0)),
                       CMatrix4(CVec3(-5420000, 0, 0)));
    doc.SetActiveCoordSystem(0);
    SPointExportOptions local;
    local.local = true;
    local.columns = "XYZ";
    const std::string localText = PointListText(doc, local);
    EXPECT_EQ(localText.substr(0, localText.find('\n') + 1),
              "0.1234567891806364,6310000.987654321,100.1\r\n");
}

}  // namespace
