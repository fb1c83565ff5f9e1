// tavcli's progress: one line rewritten on a terminal, nothing elsewhere; and the commands that
// hand it their work.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TavCli.h"
#include "cli/TerminalProgress.h"
#include "document/TAVDoc.h"
#include "support/CancellingProgress.h"
#include "support/TempFiles.h"

namespace fs = std::filesystem;

namespace {

// Everything that can be read from fd without waiting.
std::string Drain(int fd) {
    std::string text;
    char buf[256];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN) != 0) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

// Work as a command does it: a title, some reports, the end.
void Work(CProgress& progress) {
    progress.Begin("Import punkty.pnt");
    EXPECT_TRUE(progress.Report(0.0));
    EXPECT_TRUE(progress.Report(0.421));
    EXPECT_TRUE(progress.Report(0.429));  // the same percent: nothing new to show
    EXPECT_TRUE(progress.Report(1.0));
    progress.End();
}

TEST(TerminalProgress, OneLineRewrittenOnATerminalAndClearedAtTheEnd) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        GTEST_SKIP() << "no pseudo terminal here";
    }
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    CTerminalProgress progress(slave);
    EXPECT_TRUE(progress.Enabled());
    Work(progress);
    const std::string blank(std::string("Import punkty.pnt 100%").size(), ' ');
    EXPECT_EQ(Drain(master),
              "\rImport punkty.pnt 0%\rImport punkty.pnt 42%"
              "\rImport punkty.pnt 100%\r" +
                  blank + "\r");
    ::close(slave);
    ::close(master);
}

TEST(TerminalProgress, NothingIntoAPipe) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    CTerminalProgress progress(fds[1]);
    EXPECT_FALSE(progress.Enabled());
    Work(progress);
    ::close(fds[1]);
    EXPECT_EQ(Drain(fds[0]), "");
    ::close(fds[0]);
}

struct SCliWork {
    const char* name;
    std::vector<std::string> args;  // IN and OUT stand for the files of the test
    std::vector<std::string> titles;
};

const SCliWork kWorks[] = {
    {"save", {"convert", "IN", "OUTcopy.tav"}, {"Otwieranie in.tav", "Zapisywanie copy.tav"}},
    {"export", {"convert", "IN", "OUTcopy.dxf"}, {"Otwieranie in.tav", "Eksport copy.dxf"}},
    {"report",
     {"report", "IN", "--ideal", "A", "--measured", "B", "-o", "OUTr.csv"},
     {"Otwieranie in.tav", "Raport", "Raport"}},
};

TEST(CliProgress, WorkIsSeenAndAStopWritesNothing) {
    CTempDir dir;
    CTAVDoc doc;
    for (int i = 0; i < 3000; ++i) {
        auto p = std::make_unique<CPnt>();
        p->m_name = (i % 2 ? "B" : "A") + std::to_string(i / 2);
        p->m_point = CPoint3(i, 2.0 * i, 0.5);
        doc.AddEntity(std::move(p));
    }
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("in.tav")));
    for (const SCliWork& work : kWorks) {
        SCOPED_TRACE(work.name);
        std::vector<std::string> args = work.args;
        for (std::string& a : args) {
            if (a == "IN") {
                a = dir.File("in.tav");
            } else if (a.rfind("OUT", 0) == 0) {
                a = dir.File(a.substr(3));
            }
        }
        const auto run = [&args](CProgress& progress) {
            std::ostringstream out, err;
            return RunTavCli(args, out, err, &progress);
        };
        CCancellingProgress seen;
        ASSERT_EQ(run(seen), kExitOk);
        EXPECT_EQ(seen.titles, work.titles);
        EXPECT_EQ(seen.depth, 0);
        ASSERT_TRUE(fs::exists(args.back()));
        fs::remove(args.back());
        // Stopped anywhere, the run is refused and leaves nothing behind.
        for (const int n : CancelPoints(seen.Reports())) {
            CCancellingProgress stopping(n);
            EXPECT_EQ(run(stopping), kExitRefused) << n;
            EXPECT_EQ(dir.FileCount(), 1) << n;
        }
    }
}

}  // namespace
