// What the readers' and the DXF export's second thread gains: each file is imported (and a
// DXF drawing exported to /dev/shm) with and without worker threads, the two alternating run by
// run so that a noisy machine slows both alike. Prints the medians and the gain of the threads.
// Usage: threads FILE... (the reader goes by the extension); TAV_THREADS_RUNS sets the runs (7).

#include <cstdio>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/DxfExport.h"
#include "exchange/ImportCommand.h"
#include "exchange/WorkerThreads.h"

namespace {

// Takes the survey readers' placement as proposed.
class CAcceptingPrompter : public CSilentPrompter {
public:
    bool RunAlignmentDialog(SAlignment&) override { return true; }
};

struct STimes {
    std::vector<double> threads, single;
    void Print(const char* what) const {
        const double t = Median(threads), s = Median(single);
        std::printf("  %-8s threads %7.3f s   single %7.3f s   gain %+5.1f %%\n", what, t, s,
                    (s / t - 1.0) * 100.0);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = RunsFromEnv("TAV_THREADS_RUNS", 7);
    CAcceptingPrompter prompter;
    for (int a = 1; a < argc; ++a) {
        const std::string path = argv[a];
        const bool dxf = path.size() > 4 && path.compare(path.size() - 4, 4, ".dxf") == 0;
        STimes import, exportShm;
        for (int r = 0; r < 2 * runs; ++r) {
            const bool threads = (r % 2 == 0) == (r / 2 % 2 == 0);
            SetWorkerThreadsAllowed(threads);
            CTAVDoc doc(&prompter);
            const auto t0 = Clock::now();
            if (ImportByFilterIndex(doc, kImportFilterAll, path) != EImportResult::Done) {
                std::fprintf(stderr, "%s: import failed\n", path.c_str());
                return 1;
            }
            const auto t1 = Clock::now();
            (threads ? import.threads : import.single).push_back(Seconds(t0, t1));
            if (dxf) {
                const auto e0 = Clock::now();
                ExportDxfFile(doc, "/dev/shm/tav_threads_bench.dxf");
                const auto e1 = Clock::now();
                (threads ? exportShm.threads : exportShm.single).push_back(Seconds(e0, e1));
            }
        }
        std::printf("%s, medians of %d alternating runs\n", path.c_str(), runs);
        import.Print("import");
        if (dxf) {
            exportShm.Print("export");
            std::remove("/dev/shm/tav_threads_bench.dxf");
        }
    }
    return 0;
}
