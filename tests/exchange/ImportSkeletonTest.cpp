// The line reader, the import session and the import command that chooses the reader.

#include <gtest/gtest.h>

#include "document/Archive.h"
#include "document/TAVDoc.h"
#include "exchange/AscImport.h"
#include "exchange/CurveImport.h"
#include "exchange/DxfImport.h"
#include "exchange/GsiImport.h"
#include "exchange/ImportCommand.h"
#include "exchange/LineReader.h"
#include "exchange/PanelImport.h"
#include "exchange/PointImport.h"
#include "exchange/PymImport.h"
#include "support/AlignPrompter.h"
#include "support/SurveyTestFiles.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

std::vector<std::string> ReadAllLines(const std::string& content, bool* cut = nullptr) {
    CTempFile f(content);
    CRecordingPrompter prompter;
    CLineReader reader;
    EXPECT_TRUE(reader.Open(f.path, prompter));
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.ReadLine(line)) {
        lines.emplace_back(line);
        EXPECT_EQ(reader.LineNumber(), static_cast<int>(lines.size()));
        if (cut && reader.WasCut()) {
            *cut = true;
        }
    }
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.BytesRead(), content.size());
    return lines;
}

TEST(LineReaderTest, LineEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ReadAllLines("a\nb\n"), (V{"a", "b"}));
    EXPECT_EQ(ReadAllLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(ReadAllLines("a\r\nlast"), (V{"a", "last"}));  // no final line end
    EXPECT_EQ(ReadAllLines("\n\n"), (V{"", ""}));
    EXPECT_EQ(ReadAllLines(""), V{});
    EXPECT_EQ(ReadAllLines("x\ry\n"), V{"x\ry"});  // a lone CR is text
    EXPECT_EQ(ReadAllLines(std::string("a\0b\n", 4)), V{std::string("a\0b", 3)});
}

TEST(LineReaderTest, LongLinesAreCutNotHeld) {
    const size_t max = CLineReader::kMaxLineBytes;
    std::string big(max * 3 + 12345, 'x');
    big[0] = 'A';
    bool cut = false;
    const auto lines = ReadAllLines(big + "\nnext\n" + std::string(max + 7, 'y'), &cut);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(cut);
    EXPECT_EQ(lines[0].size(), max);
    EXPECT_EQ(lines[0][0], 'A');
    EXPECT_EQ(lines[1], "next");
    EXPECT_EQ(lines[2], std::string(max, 'y'));

    // Lines that straddle the buffer keep their bytes.
    std::string many;
    for (int i = 0; i < 40000; ++i) {
        many += std::to_string(i) + " " + std::string(i % 97, 'z') + "\r\n";
    }
    const auto all = ReadAllLines(many);
    ASSERT_EQ(all.size(), 40000u);
    EXPECT_EQ(all[39999], "39999 " + std::string(39999 % 97, 'z'));
}

TEST(LineReaderTest, OpenFailuresAreReported) {
    CRecordingPrompter prompter;
    CLineReader reader;
    EXPECT_FALSE(reader.Open("/nonexistent/file.pnt", prompter));
    ASSERT_EQ(prompter.fileErrors.size(), 1u);
    EXPECT_NE(prompter.fileErrors[0].find("/nonexistent/file.pnt"), std::string::npos);
    CLineReader dir;
    EXPECT_FALSE(dir.Open(std::filesystem::temp_directory_path(), prompter));
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    std::string_view line;
    EXPECT_FALSE(dir.ReadLine(line));
}

TEST(ImportSessionTest, NumbersLayersAndFinish) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().emplace_back("B", 0, 1);
    doc.SetCurrentLayer(1);
    CCounterGuard counter(40);
    {
        CImportSession session(doc);
        EXPECT_EQ(prompter.waitDepth, 1);
        auto p = std::make_unique<CPnt>();
        p->m_point = CPoint3(5, 6, 7);
        session.Add(std::move(p));
        auto q = std::make_unique<CPnt>();
        q->m_layer = 0;
        session.Add(std::move(q), false);
        EXPECT_FALSE(doc.IsModified());
        // Leaving without Finish (an error path) still finishes.
    }
    EXPECT_EQ(prompter.waitDepth, 0);
    ASSERT_EQ(doc.GetEntityCount(), 2);
    EXPECT_EQ(doc.GetEntity(0)->m_number, 41);
    EXPECT_EQ(doc.GetEntity(0)->m_layer, 1);
    EXPECT_EQ(doc.GetEntity(1)->m_number, 42);
    EXPECT_EQ(doc.GetEntity(1)->m_layer, 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetMaxCorner().x, 5.0);
}

TEST(ImportSessionTest, NothingAddedNothingFinished) {
    CTAVDoc doc;
    { CImportSession session(doc); }
    EXPECT_FALSE(doc.IsModified());
}

class LimitedPrompter : public CRecordingPrompter {
public:
    int LineMessageLimit() const override { return 3; }
};

TEST(ImportSessionTest, LineMessagesAreCappedAndCounted) {
    LimitedPrompter prompter;
    CTAVDoc doc(&prompter);
    {
        CImportSession session(doc);
        for (int i = 1; i <= 8; ++i) {
            session.LineMessage("Line: " + std::to_string(i) + ". \nbad");
        }
        session.Message("fatal");  // never counted away
        session.Finish();
        session.Finish();  // once only
    }
    ASSERT_EQ(prompter.messages.size(), 5u);
    EXPECT_EQ(prompter.messages[2].text, "Line: 3. \nbad");
    EXPECT_EQ(prompter.messages[3].text, "fatal");
    EXPECT_EQ(prompter.messages[4].text,
              "Pominięto komunikaty o kolejnych błędnych wierszach pliku: 5.");
    // The default limit is ten for a person clicking through them.
    EXPECT_EQ(CRecordingPrompter().LineMessageLimit(), 10);
}

TEST(ImportCommandTest, FiltersAndNames) {
    const SImportFilter* f = ImportFilters();
    EXPECT_STREQ(f[0].text, "Points from text file (*.pnt)");
    EXPECT_STREQ(f[6].pattern, "*.asc");
    EXPECT_EQ(ImportFilterIndexForKind("GSI"), 2);
    EXPECT_EQ(ImportFilterIndexForKind(".dxf"), 5);
    EXPECT_EQ(ImportFilterIndexForKind("tav"), 0);
    CTAVDoc doc;
    EXPECT_EQ(ImportByFilterIndex(doc, 0, "x"), EImportResult::Refused);
    EXPECT_EQ(ImportByFilterIndex(doc, 8, "x"), EImportResult::Refused);

    EXPECT_EQ(ProposeExportName(""), "");
    EXPECT_EQ(ProposeExportName("/home/Jan/Dane/Model.TAV"), "/home/Jan/Dane/Model");
    EXPECT_EQ(ProposeExportName("/x/a.tav"), "/x/a");
    EXPECT_EQ(ProposeExportName("/x/a.tavx"), "/x/a.tavx");
    EXPECT_EQ(ProposeExportName(".tav"), "");
}

struct SReaderCase {
    const char* name;
    EImportResult (*read)(CTAVDoc&, const std::string&);
    int filter;
    const char* kind;    // as tavcli names it, any case, with or without the dot
    std::string sample;  // in a file whose extension belongs to another reader
    int entities;
};

// A sibling document with one layer and no entities.
std::string PymSample() {
    CArchive ar;
    for (int i = 0; i < 5; ++i) {
        ar.WriteU32(0);
    }
    ar.WriteCount(1);
    ar.WriteU32(0);
    ar.WriteU32(1);
    ar.WriteString("L");
    for (int group = 0; group < 4; ++group) {
        ar.WriteCount(0);
    }
    return std::string(ar.Buffer().begin(), ar.Buffer().end());
}

class ReaderFileTest : public testing::TestWithParam<SReaderCase> {};

// A file that cannot be opened is reported and changes nothing; the filter index, not the
// extension, chooses the reader.
TEST_P(ReaderFileTest, OpenFailuresAndTheFilterIndex) {
    const SReaderCase& c = GetParam();
    CCounterGuard counter;
    CAlignPrompter prompter;
    CTAVDoc doc(&prompter);
    CTempDir dir;
    EXPECT_EQ(c.read(doc, "/nonexistent/dir/x"), EImportResult::OpenFailed);
    EXPECT_EQ(c.read(doc, dir.path), EImportResult::OpenFailed);
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(prompter.waitDepth, 0);
    EXPECT_EQ(ImportFilterIndexForKind(c.kind), c.filter);
    const std::string wrongExtension = std::string(c.name) == "pnt" ? "in.gsi" : "in.pnt";
    EXPECT_EQ(ImportByFilterIndex(doc, c.filter, dir.Write(wrongExtension, c.sample)),
              EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), c.entities);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ReaderFileTest,
    testing::Values(
        SReaderCase{"pnt", ImportPointFile, 1, "pnt", "P1 1 2 3\n", 1},
        SReaderCase{"gsi", ImportGsiFile, 2, "GSI", GsiLine("P1", "0", "10000000", "1000"), 1},
        SReaderCase{"pnl", ImportPanelFile, 3, "pnl",
                    "BEGIN PANELS\nPANEL: P\nBEGIN STIFFENERS\n1\n"
                    "STIFFENER: S\n2\n0 0\n1 0\nEND STIFFENER:\nEND STIFFENERS\n"
                    "TRANSFORMATION MATRIX\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n"
                    "END TRANSFORMATION MATRIX\nSYMMETRY: 0\nEND PANEL:\n",
                    2},
        SReaderCase{"crv", ImportCurveFile, 4, "CRV",
                    "BEGIN CURVES\nCURVE: K\n1\nCONTOUR:\n2\n"
                    "0 0\n1 0\nEND CONTOUR\nTRANSFORMATION MATRIX\n1 0 0 0\n0 1 0 0\n0 0 1 0\n"
                    "0 0 0 1\nEND TRANSFORMATION MATRIX\nEND CURVE:\n",
                    1},
        SReaderCase{"dxf", ImportDxfFile, 5, ".dxf",
                    "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n"
                    "  0\nENDSEC\n  0\nEOF\n",
                    1},
        SReaderCase{"pym", ImportPymFile, 6, "pym", PymSample(), 0},
        SReaderCase{"asc", ImportAscFile, 7, ".asc", "2\n1 0 0 0\n2 1 0 0\n1 1 2\n", 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
