#include "document/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/TempFiles.h"

namespace fs = std::filesystem;

namespace {

TEST(AtomicFile, CommitReplacesTheTargetAndKeepsOrSetsPermissions) {
    CTempDir dir;
    const std::string path = dir.File("out.txt");
    std::ofstream(path) << "old";
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    CAtomicFile file;
    std::string error;
    ASSERT_TRUE(file.Open(path, error));
    EXPECT_EQ(dir.FileCount(), 2);  // the target and the temporary file beside it
    EXPECT_EQ(ReadFile(path), "old");
    ASSERT_TRUE(file.Write("new ", 4, error));
    ASSERT_TRUE(file.Write("bytes", 5, error));
    ASSERT_TRUE(file.Write(nullptr, 0, error));
    ASSERT_TRUE(file.Commit(error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadFile(path), "new bytes");
    EXPECT_EQ(dir.FileCount(), 1);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // A new file gets the usual permissions, not mkstemp's 0600.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(file.Open(dir.File("n.txt"), error));
    ASSERT_TRUE(file.Commit(error));
    ::umask(mask);
    ASSERT_EQ(::stat(dir.File("n.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST(AtomicFile, DiscardAndDestructionLeaveTheTargetAlone) {
    CTempDir dir;
    const std::string path = dir.File("keep.txt");
    std::ofstream(path) << "keep";
    std::string error;
    {
        CAtomicFile file;
        ASSERT_TRUE(file.Open(path, error));
        ASSERT_TRUE(file.Write("lost", 4, error));
    }
    EXPECT_EQ(ReadFile(path), "keep");
    EXPECT_EQ(dir.FileCount(), 1);

    CAtomicFile file;
    ASSERT_TRUE(file.Open(path, error));
    file.Discard();
    file.Discard();
    EXPECT_EQ(ReadFile(path), "keep");
    EXPECT_EQ(dir.FileCount(), 1);
}

TEST(AtomicFile, FailuresSayWhatFailed) {
    CTempDir dir;
    CAtomicFile file;
    std::string error;
    EXPECT_FALSE(file.Open(dir.File("missing/x.txt"), error));
    EXPECT_EQ(error, "Can not create the file: No such file or directory.");
    EXPECT_FALSE(file.IsOpen());

    // Renaming over a folder fails at the last step; nothing is left behind.
    fs::create_directory(dir.File("d.txt"));
    ASSERT_TRUE(file.Open(dir.File("d.txt"), error));
    ASSERT_TRUE(file.Write("x", 1, error));
    EXPECT_FALSE(file.Commit(error));
    EXPECT_EQ(error.rfind("Can not replace the file: ", 0), 0u) << error;
    EXPECT_EQ(dir.FileCount(), 1);
    EXPECT_TRUE(fs::is_directory(dir.File("d.txt")));
}

}  // namespace
