// The line reader, the import session and the import command that chooses the reader.

#include <gtest/gtest.h>

#include "document/TAVDoc.h"
#include "exchange/AscImport.h"
#include "exchange/CurveImport.h"
#include "exchange/DxfImport.h"
#include "exchange/GsiImport.h"
#include "exchange/ImportCommand.h"
#include "exchange/ImportSession.h"
#include "exchange/LineReader.h"
#include "exchange/PanelImport.h"
#include "exchange/PointImport.h"
#include "exchange/PymImport.h"
#include "support/AlignPrompter.h"
#include "support/Describe.h"
#include "support/SurveyTestFiles.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

std::vector<std::string> ReadAllLines(const std::string& content, bool* cut = nullptr,
                                      bool crEnds = false) {
    CTempFile f(content);
    CRecordingPrompter prompter;
    CLineReader reader;
    EXPECT_TRUE(reader.Open(f.path, prompter));
    reader.SetCrLineEnds(crEnds);
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

TEST(LineReaderTest, LoneCrEndsALineWhenAsked) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ReadAllLines("a\rb\r\nc\n\rd\r", nullptr, true), (V{"a", "b", "c", "", "d"}));
    EXPECT_EQ(ReadAllLines("\r\r\rx", nullptr, true), (V{"", "", "", "x"}));
    // A CR LF split between two reads of the buffer (the first read fills all but 64 KiB of
    // the head room) is one line end, and a CR last in the file ends its line.
    const size_t split = CLineReader::kMaxLineBytes + (size_t{1} << 16) - 1;
    std::string text;
    while (text.size() + 100 < split) {
        text += std::string(97, 'g') + "\r\n";
    }
    text += std::string(split - text.size(), 'h') + "\r\nlast\r";
    ASSERT_EQ(text[split], '\r');
    const auto lines = ReadAllLines(text, nullptr, true);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "last");
    EXPECT_EQ(lines[lines.size() - 2].back(), 'h');
    EXPECT_EQ(lines.size(), (split + 1) / 99 + 2);
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
    {
        // Only the cut line says so; the line after it is whole.
        CTempFile f(big + "\nnext\nlast\n");
        CRecordingPrompter prompter;
        CLineReader reader;
        ASSERT_TRUE(reader.Open(f.path, prompter));
        std::string_view line;
        ASSERT_TRUE(reader.ReadLine(line));
        EXPECT_TRUE(reader.WasCut());
        ASSERT_TRUE(reader.ReadLine(line));
        EXPECT_EQ(line, "next");
        EXPECT_FALSE(reader.WasCut());
    }

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

class LimitedPrompter : public CRecordingPrompter {
public:
    int LineMessageLimit() const override { return 3; }
    bool RunAlignmentDialog(SAlignment& values) override {
        ++dialogs;
        dialogWaitDepth = waitDepth;
        // A shift by 100 in x.
        values.drawingOrigin = CPoint3(100, 0, 0);
        values.drawingFirstPoint = CPoint3(101, 0, 0);
        values.drawingSecondPoint = CPoint3(100, 1, 0);
        if (sameAxes) {
            values.drawingSecondAxis = values.drawingFirstAxis;
        }
        return confirm;
    }
    bool confirm = true, sameAxes = false;
    int dialogs = 0;
    int dialogWaitDepth = -1;
};

std::unique_ptr<CPnt> PointAt(double x, int layer) {
    auto p = std::make_unique<CPnt>();
    p->m_point = CPoint3(x, 6, 7);
    p->m_layer = layer;
    return p;
}

// A drawing with layers "Warstwa1" and "B" (current), entity numbers from 41.
struct SMergeFixture {
    SMergeFixture() {
        doc.Layers().emplace_back("B", 0, 1);
        doc.SetCurrentLayer(1);
        SetLastEntityNumber(40);
    }
    ~SMergeFixture() { SetLastEntityNumber(0); }
    LimitedPrompter prompter;
    CTAVDoc doc{&prompter};
};

TEST(ImportMergeTest, NumbersAndLayersByName) {
    SMergeFixture f;
    SImportResult r;
    CImportCollector out(r);
    r.layers = {CLayer("b", 0, 1), CLayer("Nowa", 1, 0)};
    out.Add(PointAt(5, 0), kImportCurrentLayer);
    out.Add(PointAt(1, 0), 0);  // "b" joins "B"
    out.Add(PointAt(2, 0), 1);  // "Nowa" is appended with its flags
    r.closingNote = "koniec";
    EXPECT_EQ(MergeImport(f.doc, r, "plik"), EImportResult::Done);
    EXPECT_EQ(Describe(f.doc), "pnt 5 6 7 L1 #41\npnt 1 6 7 L1 #42\npnt 2 6 7 L2 #43\n");
    EXPECT_EQ(DescribeLayers(f.doc), "Warstwa1; B; Nowa locked hidden");
    EXPECT_TRUE(f.doc.IsModified());
    EXPECT_EQ(f.doc.GetMaxCorner().x, 5.0);
    EXPECT_EQ(f.prompter.waitDepth, 0);
    EXPECT_EQ(MessageTexts(f.prompter), std::vector<std::string>{"koniec"});
}

TEST(ImportMergeTest, AppendRenamedCountsFromTheFirstRecord) {
    SMergeFixture f;
    SImportResult r;
    r.layerMatch = ELayerMatch::AppendRenamed;
    r.layers = {CLayer("B", 0, 1), CLayer("B import", 0, 1)};
    r.entities.push_back(PointAt(1, 1));
    r.entities.push_back(PointAt(2, -1));  // below the records: the drawing's own last layer
    EXPECT_EQ(MergeImport(f.doc, r, "plik"), EImportResult::Done);
    // The names are compared with the drawing's own only.
    EXPECT_EQ(DescribeLayers(f.doc), "Warstwa1; B; B import; B import");
    EXPECT_EQ(Describe(f.doc), "pnt 1 6 7 L3 #41\npnt 2 6 7 L1 #42\n");
}

// What each outcome takes, reports and finishes.
TEST(ImportMergeTest, EachOutcomeTakesAndFinishes) {
    const struct {
        EImportOutcome outcome;
        bool unreadable;
        bool withEntity;
        EImportResult reported;
        int entities;
        bool modified;
        size_t shown;
    } cases[] = {
        {EImportOutcome::Complete, false, false, EImportResult::Done, 0, true, 1},
        {EImportOutcome::Incomplete, false, true, EImportResult::Refused, 1, true, 1},
        {EImportOutcome::Incomplete, false, false, EImportResult::Refused, 0, false, 1},
        {EImportOutcome::Incomplete, true, true, EImportResult::OpenFailed, 1, true, 1},
        {EImportOutcome::Refused, true, false, EImportResult::OpenFailed, 0, false, 1},
        {EImportOutcome::Cancelled, false, true, EImportResult::Cancelled, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        SMergeFixture f;
        SImportResult r;
        CImportCollector out(r);
        r.outcome = c.outcome;
        r.unreadable = c.unreadable;
        if (c.withEntity) {
            out.Add(PointAt(1, 0));
        }
        out.FileError("zepsuty");
        EXPECT_EQ(MergeImport(f.doc, r, "plik"), c.reported);
        EXPECT_EQ(f.doc.GetEntityCount(), c.entities);
        EXPECT_EQ(f.doc.IsModified(), c.modified);
        EXPECT_EQ(f.prompter.fileErrors.size(), c.shown);
    }
}

TEST(ImportMergeTest, LineMessagesAreCappedAndCounted) {
    SMergeFixture f;
    SImportResult r;
    CImportCollector out(r);
    for (int i = 1; i <= kKeptLineMessages + 8; ++i) {
        out.LineMessage("Line: " + std::to_string(i) + ". \nbad");
    }
    out.Message("fatal");  // never counted away
    EXPECT_EQ(r.lineMessageCount, kKeptLineMessages + 8);
    MergeImport(f.doc, r, "plik");
    EXPECT_EQ(MessageTexts(f.prompter),
              (std::vector<std::string>{
                  "Line: 1. \nbad", "Line: 2. \nbad", "Line: 3. \nbad", "fatal",
                  "Pominięto komunikaty o kolejnych błędnych wierszach pliku: 1005."}));
    // The default limit is ten for a person clicking through them.
    EXPECT_EQ(CRecordingPrompter().LineMessageLimit(), 10);
}

TEST(ImportMergeTest, AlignmentPlacesPointsOrTakesNothing) {
    SMergeFixture f;
    for (bool confirm : {false, true}) {
        f.prompter.confirm = confirm;
        SImportResult r;
        r.entities.push_back(PointAt(1, kImportCurrentLayer));
        r.alignment = SAlignment{};
        EXPECT_EQ(MergeImport(f.doc, r, "plik"),
                  confirm ? EImportResult::Done : EImportResult::Cancelled);
        EXPECT_EQ(GetLastEntityNumber(), confirm ? 41 : 40);  // no number spent on a cancel
        EXPECT_EQ(f.doc.IsModified(), confirm);
    }
    EXPECT_EQ(f.prompter.dialogs, 2);
    EXPECT_EQ(f.prompter.dialogWaitDepth, 0);  // no wait cursor over the dialog
    EXPECT_EQ(Describe(f.doc), "pnt 101 6 7 L1 #41\n");
    // Values the dialog hands back are checked before anything is taken.
    f.prompter.sameAxes = true;
    SImportResult r;
    r.entities.push_back(PointAt(2, kImportCurrentLayer));
    r.alignment = SAlignment{};
    EXPECT_EQ(MergeImport(f.doc, r, "plik"), EImportResult::Refused);
    EXPECT_EQ(f.prompter.messages.back().text,
              "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!");
    EXPECT_EQ(f.doc.GetEntityCount(), 1);
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

// A sibling document: five header values, one layer "L", four empty entity groups.
const std::string kPymSample =
    std::string(20, '\0') + std::string("\1\0\0\0\0\0\1\0\0\0\1L", 12) + std::string(8, '\0');

// A file that cannot be opened is reported and changes nothing; the filter index, not the
// extension, chooses the reader.
TEST(ImportCommandTest, OpenFailuresAndTheFilterIndex) {
    const struct {
        const char* name;
        EImportResult (*read)(CTAVDoc&, const std::string&);
        int filter;
        const char* kind;    // as tavcli names it, any case, with or without the dot
        std::string sample;  // in a file whose extension belongs to another reader
        int entities;
    } cases[] = {
        {"pnt", ImportPointFile, 1, "pnt", "P1 1 2 3\n", 1},
        {"gsi", ImportGsiFile, 2, "GSI", GsiLine("P1", "0", "10000000", "1000"), 1},
        {"pnl", ImportPanelFile, 3, "pnl",
         "BEGIN PANELS\nPANEL: P\nBEGIN STIFFENERS\n1\n"
         "STIFFENER: S\n2\n0 0\n1 0\nEND STIFFENER:\nEND STIFFENERS\n"
         "TRANSFORMATION MATRIX\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n"
         "END TRANSFORMATION MATRIX\nSYMMETRY: 0\nEND PANEL:\n",
         2},
        {"crv", ImportCurveFile, 4, "CRV",
         "BEGIN CURVES\nCURVE: K\n1\nCONTOUR:\n2\n"
         "0 0\n1 0\nEND CONTOUR\nTRANSFORMATION MATRIX\n1 0 0 0\n0 1 0 0\n0 0 1 0\n"
         "0 0 0 1\nEND TRANSFORMATION MATRIX\nEND CURVE:\n",
         1},
        {"dxf", ImportDxfFile, 5, ".dxf",
         "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  0\nENDSEC\n  0\nEOF\n", 1},
        {"pym", ImportPymFile, 6, "pym", kPymSample, 0},
        {"asc", ImportAscFile, 7, ".asc", "2\n1 0 0 0\n2 1 0 0\n1 1 2\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
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
}

}  // namespace
