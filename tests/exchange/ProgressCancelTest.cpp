// Long work stopped through its progress after N reports: opening and saving documents, imports,
// the DXF export and the distance report leave the drawing and the files as they were.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "exchange/DistanceReport.h"
#include "exchange/DxfExport.h"
#include "exchange/ImportCommand.h"
#include "support/AlignPrompter.h"
#include "support/CancellingProgress.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const CTempDir& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

// n entities: named points and three-vertex polylines in turn.
void Fill(CTAVDoc& doc, int n, const std::string& prefix = "P") {
    for (int i = 0; i < n; ++i) {
        const double d = i;
        if (i % 2 == 0) {
            doc.AddEntity(
                MakePnt({5420000.0 + d, 6310000.0 - d, 0.25 * d}, prefix + std::to_string(i)));
        } else {
            doc.AddEntity(MakePoly({{d, d, 0}, {d + 1, d - 1, 1}, {d + 2, d - 2, 2}}));
        }
    }
    doc.RecomputeExtents();
}

// Hears what a document tells its views.
struct CUpdateCounter : CDocObserver {
    void OnDocumentUpdate(int) override { ++updates; }
    void InvalidateDisplayList() override { ++updates; }
    void ResetCurrentPick() override { ++updates; }
    void OnEntitiesRemoved() override { ++updates; }
    void StoreViewState(CTAVDoc&) override {}
    int updates = 0;
};

// What a document shows of itself, to compare before and after stopped work.
std::string Look(const CTAVDoc& doc) {
    return Describe(doc) + DescribeLayers(doc) + " " + doc.GetPathName() +
           (doc.IsModified() ? " modified " : " ") + Xyz(doc.GetMinCorner()) + " " +
           Xyz(doc.GetMaxCorner());
}

// A stop says nothing, leaves no wait cursor and ends every piece of work it began.
void ExpectQuietStop(const CRecordingPrompter& prompter, const CCancellingProgress& progress,
                     int cancelAt) {
    EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front().text;
    EXPECT_TRUE(prompter.fileErrors.empty()) << prompter.fileErrors.front();
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(prompter.waitDepth, 0);
    EXPECT_EQ(progress.Reports(), cancelAt + 1) << "work went on after the stop";
    EXPECT_EQ(progress.depth, 0);
}

TEST(OpenCancel, DocumentStaysAsItWas) {
    CTempDir dir;
    const std::string path = dir.File("big.tav");
    {
        CTAVDoc source;
        Fill(source, 20000, "Z");
        ASSERT_TRUE(source.OnSaveDocument(path));
    }
    CCancellingProgress counting;
    CTAVDoc probe;
    ASSERT_TRUE(probe.OnOpenDocument(path, &counting));
    EXPECT_EQ(probe.GetEntityCount(), 20000);
    EXPECT_EQ(counting.titles, std::vector<std::string>{"Otwieranie big.tav"});
    EXPECT_EQ(counting.ended, 1);
    const int total = counting.Reports();
    ASSERT_GE(total, 10);

    for (const int n : CancelPoints(total)) {
        SCOPED_TRACE(n);
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        Fill(doc, 3);
        doc.SetPathName("/nowhere/mine.tav");
        doc.SetModifiedFlag(true);
        CUpdateCounter view;
        doc.AddObserver(&view);
        const std::string before = Look(doc);
        const int lastNumber = GetLastEntityNumber();
        CCancellingProgress progress(n);
        EXPECT_FALSE(doc.OnOpenDocument(path, &progress));
        EXPECT_EQ(Look(doc), before);
        EXPECT_EQ(GetLastEntityNumber(), lastNumber);
        EXPECT_EQ(view.updates, 0);
        ExpectQuietStop(prompter, progress, n);
    }
}

TEST(SaveCancel, OldFileStaysByteForByteAndNoTemporaryIsLeft) {
    CTempDir dir;
    const std::string old = "the previous version, whatever it holds";
    const std::string path = dir.Write("a.tav", old);

    CTAVDoc doc;
    Fill(doc, 20000);
    CCancellingProgress counting;
    const std::string counted = dir.File("count.tav");
    ASSERT_TRUE(doc.OnSaveDocument(counted, &counting));
    EXPECT_EQ(counting.titles, std::vector<std::string>{"Zapisywanie count.tav"});
    // Watching the save changes no byte of it.
    const std::vector<uint8_t> image = doc.SaveToBytes();
    EXPECT_EQ(ReadFile(counted), std::string(image.begin(), image.end()));
    fs::remove(counted);
    const int total = counting.Reports();
    ASSERT_GE(total, 10);

    for (const int n : CancelPoints(total)) {
        SCOPED_TRACE(n);
        CRecordingPrompter prompter;
        doc.SetPrompter(&prompter);
        doc.SetPathName(dir.File("other.tav"));
        doc.SetModifiedFlag(true);
        CCancellingProgress progress(n);
        EXPECT_FALSE(doc.OnSaveDocument(path, &progress));
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(Names(dir), std::set<std::string>{"a.tav"});
        // A stopped save leaves the document unsaved under its old name.
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.GetPathName(), dir.File("other.tav"));
        ExpectQuietStop(prompter, progress, n);
    }
    // A new file that was stopped does not appear.
    CRecordingPrompter prompter;
    doc.SetPrompter(&prompter);
    CCancellingProgress progress(0);
    EXPECT_FALSE(doc.OnSaveDocument(dir.File("new.tav"), &progress));
    EXPECT_EQ(Names(dir), std::set<std::string>{"a.tav"});
    doc.SetPrompter(nullptr);
}

// Small drawings are written on this thread, from 16384 entities on by workers.
TEST(ExportCancel, OldFileStaysAndNothingIsSaid) {
    for (const int entities : {3000, 70000}) {
        SCOPED_TRACE(entities);
        CTempDir dir;
        const std::string old = "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF";
        const std::string path = dir.Write("old.dxf", old);
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        Fill(doc, entities);

        CCancellingProgress counting;
        ASSERT_TRUE(ExportDxfFile(doc, dir.File("count.dxf"), &counting));
        ASSERT_TRUE(ExportDxfFile(doc, dir.File("plain.dxf")));
        EXPECT_EQ(ReadFile(dir.File("count.dxf")), ReadFile(dir.File("plain.dxf")));
        EXPECT_EQ(counting.titles, std::vector<std::string>{"Eksport count.dxf"});
        fs::remove(dir.File("count.dxf"));
        fs::remove(dir.File("plain.dxf"));
        const int total = counting.Reports();
        ASSERT_GE(total, 3);

        for (const int n : CancelPoints(total)) {
            SCOPED_TRACE(n);
            prompter = CRecordingPrompter();
            CCancellingProgress progress(n);
            EXPECT_FALSE(ExportDxfFile(doc, path, &progress));
            EXPECT_EQ(ReadFile(path), old);
            EXPECT_EQ(Names(dir), std::set<std::string>{"old.dxf"});
            // Not even the count of entities written.
            ExpectQuietStop(prompter, progress, n);
        }
    }
}

std::string PointText() {
    std::string text = "// many points\n";
    char line[96];
    for (int i = 0; i < 40000; ++i) {
        std::snprintf(line, sizeof line, "P%d %d.125 %d.5 %d\n", i, 5420000 + i, 6310000 - i,
                      i % 100);
        text += line;
    }
    return text;
}

std::string DxfText() {
    std::string text = "  0\nSECTION\n  2\nENTITIES\n";
    for (int i = 0; i < 6000; ++i) {
        text += "  0\nPOINT\n  8\nPUNKTY\n 10\n" + std::to_string(i) + ".5\n 20\n" +
                std::to_string(2 * i) + "\n 30\n1.0\n";
    }
    return text + "  0\nENDSEC\n  0\nEOF\n";
}

TEST(ImportCancel, AddsNothingAndAsksNothing) {
    const struct {
        int filter;
        const char* suffix;
        std::string content;
    } cases[] = {{1, ".pnt", PointText()}, {5, ".dxf", DxfText()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.suffix);
        CTempDir dir;
        const std::string path = dir.Write(std::string("input") + c.suffix, c.content);

        CAlignPrompter countingPrompter;
        CTAVDoc counted(&countingPrompter);
        CCancellingProgress counting;
        ASSERT_EQ(ImportByFilterIndex(counted, c.filter, path, &counting), EImportResult::Done);
        EXPECT_GT(counted.GetEntityCount(), 1000);
        EXPECT_EQ(counting.titles,
                  std::vector<std::string>{std::string("Import input") + c.suffix});
        const int total = counting.Reports();
        ASSERT_GE(total, 5);

        for (const int n : CancelPoints(total)) {
            SCOPED_TRACE(n);
            CAlignPrompter prompter;
            CTAVDoc doc(&prompter);
            Fill(doc, 2);
            CUpdateCounter view;
            doc.AddObserver(&view);
            const std::string before = Look(doc);
            CCancellingProgress progress(n);
            EXPECT_EQ(ImportByFilterIndex(doc, c.filter, path, &progress),
                      EImportResult::Cancelled);
            EXPECT_EQ(Look(doc), before);
            EXPECT_FALSE(doc.IsModified());
            EXPECT_EQ(view.updates, 0);
            // The alignment dialog is not shown for points that will not be taken.
            EXPECT_TRUE(prompter.shown.empty());
            ExpectQuietStop(prompter, progress, n);
        }
    }
}

TEST(ReportCancel, WritesNothingAndKeepsTheOldReport) {
    for (const std::string name : {"r.txt", "r.csv"}) {
        SCOPED_TRACE(name);
        CTempDir dir;
        const std::string path = dir.Write(name, "last week's report\r\n");
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        Fill(doc, 6000, "A");
        Fill(doc, 6000, "B");
        SReportQuery q;
        q.idealPrefix = "A";
        q.measuredPrefix = "B";

        CCancellingProgress counting;
        const auto toCount = [&](const std::string&) { return dir.File("count." + name); };
        ASSERT_EQ(MakeDistanceReport(doc, q, toCount, SReportFormat{}, &counting),
                  EReportResult::Written);
        fs::remove(dir.File("count." + name));
        // Matching, then writing.
        ASSERT_EQ(counting.titles, (std::vector<std::string>{"Raport", "Raport"}));
        const int matching = counting.reportsPerWork[0];
        const int writing = counting.reportsPerWork[1];
        ASSERT_GE(matching, 3);
        ASSERT_GE(writing, 3);

        for (const int n : {0, matching - 1, matching, matching + 1, matching + writing - 1}) {
            SCOPED_TRACE(n);
            prompter = CRecordingPrompter();
            bool asked = false;
            const auto choose = [&](const std::string&) {
                asked = true;
                return path;
            };
            CCancellingProgress progress(n);
            EXPECT_EQ(MakeDistanceReport(doc, q, choose, SReportFormat{}, &progress),
                      EReportResult::Cancelled);
            // Stopped while matching, the file is not even asked for.
            EXPECT_EQ(asked, n >= matching);
            EXPECT_EQ(ReadFile(path), "last week's report\r\n");
            EXPECT_EQ(Names(dir), std::set<std::string>{name});
            ExpectQuietStop(prompter, progress, n);
        }
    }
}

}  // namespace
