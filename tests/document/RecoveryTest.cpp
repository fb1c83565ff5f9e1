#include "document/Recovery.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "support/TempFiles.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Str(const std::vector<uint8_t>& v) {
    return {v.begin(), v.end()};
}

TEST(RecoveryFile, HeaderLayoutAndRoundTrip) {
    const std::vector<uint8_t> doc = Bytes("123456789");
    const std::vector<uint8_t> header = MakeRecoveryHeader({"Tż", "/a"}, doc);
    const std::string expected = std::string("TAVRECOV\x01\0\0\0\x03\0\0\0\x02\0\0\0", 20) +
                                 std::string("\x09\0\0\0\0\0\0\0", 8) +
                                 // The CRC-32 check value of "123456789".
                                 "\x26\x39\xF4\xCB" + "T\xC5\xBC/a";
    EXPECT_EQ(Str(header), expected);

    CTempDir dir;
    const std::string path = dir.File("1.tavrec");
    std::string error;
    ASSERT_TRUE(WriteRecoveryFile(path, {"plac.tav", "/home/u/plac.tav"}, doc, error)) << error;
    SRecoveryInfo info;
    ASSERT_EQ(ReadRecoveryHeader(path, info, error), ERecoveryCheck::Ok);
    EXPECT_EQ(info.title, "plac.tav");
    EXPECT_EQ(info.path, "/home/u/plac.tav");
    std::vector<uint8_t> back;
    SRecoveryInfo full;
    ASSERT_EQ(ReadRecoveryFile(path, full, back, error), ERecoveryCheck::Ok);
    EXPECT_EQ(back, doc);
    EXPECT_EQ(full.path, "/home/u/plac.tav");
}

TEST(RecoveryFile, BadFilesAreRecognisedAndNothingIsReturned) {
    using E = ERecoveryCheck;
    const struct {
        const char* name;
        std::function<void(std::string&)> spoil;
        E header, whole;
    } cases[] = {
        {"empty", [](std::string& b) { b.clear(); }, E::Corrupt, E::Corrupt},
        {"cut in header", [](std::string& b) { b.resize(20); }, E::Corrupt, E::Corrupt},
        {"one byte short", [](std::string& b) { b.pop_back(); }, E::Corrupt, E::Corrupt},
        {"one byte long", [](std::string& b) { b += 'x'; }, E::Corrupt, E::Corrupt},
        {"document damaged", [](std::string& b) { b.back() ^= 1; }, E::Ok, E::Corrupt},
        {"not ours", [](std::string& b) { b[0] = 'X'; }, E::Corrupt, E::Corrupt},
        {"other version", [](std::string& b) { b[8] = 2; }, E::OtherVersion, E::OtherVersion},
        {"huge title", [](std::string& b) { b.replace(12, 4, "\xFF\xFF\xFF\xFF"); }, E::Corrupt,
         E::Corrupt},
        // Document length 2^64 - 4 + the texts wraps round to the file's size.
        {"lengths overflow",
         [](std::string& b) { b.replace(20, 8, "\xFC\xFF\xFF\xFF\xFF\xFF\xFF\xFF"); }, E::Corrupt,
         E::Corrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        std::string bytes = Str(MakeRecoveryHeader({"TAV1", ""}, Bytes("document"))) + "document";
        c.spoil(bytes);
        const std::string path = dir.Write("1.tavrec", bytes);
        SRecoveryInfo info;
        std::string error;
        EXPECT_EQ(ReadRecoveryHeader(path, info, error), c.header);
        std::vector<uint8_t> doc;
        error.clear();
        EXPECT_EQ(ReadRecoveryFile(path, info, doc, error), c.whole);
        EXPECT_TRUE(doc.empty());
        EXPECT_FALSE(error.empty());
    }
}

// A write that fails half way (the file-size limit stands in for a full disk) leaves the
// previous copy whole and no temporary file.
TEST(RecoveryFile, FailedWriteKeepsThePreviousCopy) {
    CTempDir dir;
    const std::string path = dir.File("1.tavrec");
    std::string error;
    ASSERT_TRUE(WriteRecoveryFile(path, {"TAV1", ""}, Bytes("old"), error));
    const std::string before = ReadFile(path);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = WriteRecoveryFile(path, {"TAV1", ""}, std::vector<uint8_t>(100000, 7), error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(error.rfind("Can not write the file: ", 0), 0u) << error;
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(dir.FileCount(), 1);
}

TEST(RecoveryRuns, OnlyRunsThatEndedAreClaimedAndOnlyOnce) {
    CTempDir dir;
    const std::string base = dir.File("recovery");
    std::string error;
    CRecoveryRun live;
    ASSERT_TRUE(live.Create(base, error)) << error;
    EXPECT_EQ(live.FileFor(3), live.Dir() + "/3.tavrec");
    std::string endedDir;
    {
        CRecoveryRun ended;
        ASSERT_TRUE(ended.Create(base, error)) << error;
        endedDir = ended.Dir();
        ASSERT_TRUE(WriteRecoveryFile(ended.FileFor(1), {"TAV1", ""}, Bytes("d"), error));
        // Left without RemoveAll, as by a crash: the system drops the lock.
    }
    EXPECT_NE(endedDir, live.Dir());
    fs::create_directories(base + "/.new-abcdef");  // a run being born is not offered

    std::vector<CAbandonedRun> claimed = ClaimAbandonedRuns(base);
    ASSERT_EQ(claimed.size(), 1u);
    EXPECT_EQ(claimed[0].Dir(), endedDir);
    EXPECT_EQ(claimed[0].Files(), std::vector<std::string>{endedDir + "/1.tavrec"});
    // Another program starting meanwhile finds it taken.
    EXPECT_TRUE(ClaimAbandonedRuns(base).empty());

    claimed[0].RemoveIfEmpty();
    EXPECT_TRUE(fs::exists(endedDir));
    fs::remove(endedDir + "/1.tavrec");
    claimed[0].RemoveIfEmpty();
    EXPECT_FALSE(fs::exists(endedDir));

    live.RemoveAll();
    EXPECT_FALSE(fs::exists(live.Dir()));
    EXPECT_TRUE(ClaimAbandonedRuns(base).empty());
}

TEST(RecoveryRuns, BadFilesAreSetAsideUnderFreeNames) {
    CTempDir dir;
    const std::string base = dir.File("recovery");
    fs::create_directories(base + "/run-7-abc");
    std::string error;
    const std::string first = base + "/run-7-abc/1.tavrec";
    std::ofstream(first) << "junk";
    EXPECT_EQ(SetRecoveryFileAside(base, first, error), base + "/set-aside/run-7-abc-1.tavrec.bad");
    std::ofstream(first) << "junk 2";
    const std::string second = SetRecoveryFileAside(base, first, error);
    EXPECT_EQ(second, base + "/set-aside/run-7-abc-1.tavrec.1.bad");
    EXPECT_EQ(ReadFile(second), "junk 2");
    EXPECT_TRUE(ListRecoveryFiles(base + "/run-7-abc").empty());
    EXPECT_TRUE(ListRecoveryFiles(base + "/set-aside").empty());
    EXPECT_EQ(SetRecoveryFileAside(base, first, error), "");
    EXPECT_FALSE(error.empty());
}

TEST(RecoveryWriter, WritesSnapshotsInOrderAndReportsFailures) {
    CTempDir dir;
    std::mutex m;
    std::vector<std::string> done;
    CRecoveryWriter writer([&](const std::string& path, bool ok, const std::string& error) {
        std::lock_guard<std::mutex> lock(m);
        done.push_back(fs::path(path).filename().string() + (ok ? " ok" : " " + error));
    });
    const std::string a = dir.File("a.tavrec");
    writer.Write(a, {"A", ""}, Bytes("1"));
    writer.Write(a, {"A", ""}, Bytes("2"));
    writer.Remove(a);
    writer.Write(dir.File("b.tavrec"), {"B", ""}, Bytes("3"));
    // A snapshot is the drawing at the moment it was asked for; its failure comes back too.
    CTAVDoc drawing;
    drawing.AddEntity(std::make_unique<CPnt>());
    writer.WriteSnapshot(dir.File("d.tavrec"), {"D", ""}, drawing);
    drawing.AddEntity(std::make_unique<CPnt>());
    writer.WriteSnapshot(dir.File("missing/c.tavrec"), {"C", ""}, drawing);
    writer.Wait();
    EXPECT_FALSE(fs::exists(a));
    SRecoveryInfo info;
    std::vector<uint8_t> doc;
    std::string error;
    ASSERT_EQ(ReadRecoveryFile(dir.File("b.tavrec"), info, doc, error), ERecoveryCheck::Ok);
    EXPECT_EQ(Str(doc), "3");
    ASSERT_EQ(ReadRecoveryFile(dir.File("d.tavrec"), info, doc, error), ERecoveryCheck::Ok);
    CTAVDoc back;
    back.LoadFromBytes(doc);
    EXPECT_EQ(back.GetEntityCount(), 1);
    EXPECT_EQ(info.title, "D");
    std::lock_guard<std::mutex> lock(m);
    // The first write of a may or may not have started before the others were queued.
    ASSERT_GE(done.size(), 3u);
    EXPECT_EQ(done[done.size() - 3], "b.tavrec ok");
    EXPECT_EQ(done[done.size() - 2], "d.tavrec ok");
    EXPECT_EQ(done.back(), "c.tavrec Can not create the file: No such file or directory.");
}

TEST(RecoveryTurn, WritesOnlyChangedIdleDrawings) {
    using A = ERecoveryAction;
    struct {
        bool modified, busy, hasFile;
        uint64_t count, written;
        A action;
    } cases[] = {
        {false, false, false, 5, 0, A::None}, {false, false, true, 5, 5, A::Remove},
        {false, true, true, 5, 3, A::Remove}, {true, false, false, 5, 0, A::Write},
        {true, false, true, 5, 5, A::None},   {true, false, true, 6, 5, A::Write},
        {true, true, true, 6, 5, A::None},    {true, true, false, 1, 0, A::None},
        {true, false, false, 5, 5, A::Write},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecideRecovery(c.modified, c.busy, c.hasFile, c.count, c.written), c.action)
            << c.modified << c.busy << c.hasFile << " " << c.count << "/" << c.written;
    }
}

TEST(RecoveryTurn, EveryChangeRaisesTheDocumentsCount) {
    CTAVDoc doc;
    const uint64_t start = doc.GetChangeCount();
    doc.SetModifiedFlag(true);
    doc.SetModifiedFlag(true);
    EXPECT_EQ(doc.GetChangeCount(), start + 2);
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.GetChangeCount(), start + 2);
}

}  // namespace
