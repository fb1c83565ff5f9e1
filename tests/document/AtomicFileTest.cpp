#include "document/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tavatomic-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    int FileCount() const {
        return static_cast<int>(std::distance(fs::directory_iterator(path), {}));
    }
    std::string path;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(AtomicFile, CommitReplacesTheTargetAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.path + "/out.txt";
    std::ofstream(path) << "old";
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    CAtomicFile file;
    std::string error;
    ASSERT_TRUE(file.Open(path, error));
    EXPECT_EQ(dir.FileCount(), 2);  // the target and the temporary file beside it
    EXPECT_EQ(ReadText(path), "old");
    ASSERT_TRUE(file.Write("new ", 4, error));
    ASSERT_TRUE(file.Write("bytes", 5, error));
    ASSERT_TRUE(file.Write(nullptr, 0, error));
    ASSERT_TRUE(file.Commit(error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadText(path), "new bytes");
    EXPECT_EQ(dir.FileCount(), 1);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(AtomicFile, DiscardAndDestructionLeaveTheTargetAlone) {
    TempDir dir;
    const std::string path = dir.path + "/keep.txt";
    std::ofstream(path) << "keep";
    std::string error;
    {
        CAtomicFile file;
        ASSERT_TRUE(file.Open(path, error));
        ASSERT_TRUE(file.Write("lost", 4, error));
    }
    EXPECT_EQ(ReadText(path), "keep");
    EXPECT_EQ(dir.FileCount(), 1);

    CAtomicFile file;
    ASSERT_TRUE(file.Open(path, error));
    file.Discard();
    file.Discard();
    EXPECT_EQ(ReadText(path), "keep");
    EXPECT_EQ(dir.FileCount(), 1);
}

TEST(AtomicFile, FailuresSayWhatFailed) {
    TempDir dir;
    CAtomicFile file;
    std::string error;
    EXPECT_FALSE(file.Open(dir.path + "/missing/x.txt", error));
    EXPECT_EQ(error, "Can not create the file: No such file or directory.");
    EXPECT_FALSE(file.IsOpen());

    // Renaming over a folder fails at the last step; nothing is left behind.
    fs::create_directory(dir.path + "/d.txt");
    ASSERT_TRUE(file.Open(dir.path + "/d.txt", error));
    ASSERT_TRUE(file.Write("x", 1, error));
    EXPECT_FALSE(file.Commit(error));
    EXPECT_EQ(error.rfind("Can not replace the file: ", 0), 0u) << error;
    EXPECT_EQ(dir.FileCount(), 1);
    EXPECT_TRUE(fs::is_directory(dir.path + "/d.txt"));
}

TEST(AtomicFile, NewFileGetsTheUsualPermissions) {
    TempDir dir;
    const mode_t mask = ::umask(022);
    CAtomicFile file;
    std::string error;
    ASSERT_TRUE(file.Open(dir.path + "/n.txt", error));
    ASSERT_TRUE(file.Commit(error));
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat((dir.path + "/n.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);  // not mkstemp's 0600
}

}  // namespace
