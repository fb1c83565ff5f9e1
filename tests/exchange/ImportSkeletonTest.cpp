#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "document/TAVDoc.h"
#include "exchange/ImportCommand.h"
#include "exchange/LineReader.h"
#include "support/RecordingPrompter.h"

namespace fs = std::filesystem;

namespace {

class TempFile {
public:
    explicit TempFile(const std::string& content) {
        char tmpl[] = "/tmp/tavlines-XXXXXX";
        const int fd = mkstemp(tmpl);
        path = tmpl;
        ::close(fd);
        std::ofstream(path, std::ios::binary) << content;
    }
    ~TempFile() { fs::remove(path); }
    std::string path;
};

std::vector<std::string> ReadAllLines(const std::string& content, bool* cut = nullptr) {
    TempFile f(content);
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
    EXPECT_FALSE(dir.Open("/tmp", prompter));
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    std::string_view line;
    EXPECT_FALSE(dir.ReadLine(line));
}

TEST(ImportSessionTest, NumbersLayersAndFinish) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().emplace_back("B", 0, 1);
    doc.SetCurrentLayer(1);
    SetLastEntityNumber(40);
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
    SetLastEntityNumber(0);
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

}  // namespace
