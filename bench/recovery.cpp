// The pause a recovery turn puts on the interface with a large drawing, written by a snapshot
// process (the way the program does it) and, for comparison, with the bytes made on the calling
// thread and written by the writer thread. Prints the medians of the pause and of the time
// until the copy is on disk. Usage: recovery [N...] (default
// 1000000); TAV_RECOVERY_RUNS sets the runs (5).

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "MixedDrawing.h"
#include "document/Recovery.h"
#include "document/TAVDoc.h"

namespace {

void Run(int n, int runs, const std::string& dir) {
    const std::string path = dir + "/recovery_bench.tavrec";
    CTAVDoc doc;
    BuildMixedDrawing(doc, n);
    doc.RecomputeExtents();
    CRecoveryWriter writer;
    std::vector<double> pause, onDisk, inThread, inThreadDisk;
    for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        writer.WriteSnapshot(path, {"TAV1", ""}, doc);
        auto t1 = Clock::now();
        writer.Wait();
        auto t2 = Clock::now();
        pause.push_back(Seconds(t0, t1));
        onDisk.push_back(Seconds(t0, t2));

        t0 = Clock::now();
        writer.Write(path, {"TAV1", ""}, doc.SaveToBytes());
        t1 = Clock::now();
        writer.Wait();
        t2 = Clock::now();
        inThread.push_back(Seconds(t0, t1));
        inThreadDisk.push_back(Seconds(t0, t2));
    }
    SRecoveryInfo info;
    std::string error;
    const bool whole = ReadRecoveryHeader(path, info, error) == ERecoveryCheck::Ok;
    std::printf("N = %d entities, copy %.1f MB%s, medians of %d runs\n", n,
                std::filesystem::file_size(path) / 1e6, whole ? "" : " (NOT READABLE)", runs);
    std::remove(path.c_str());
    std::printf("  snapshot process: interface pause %8.3f s, on disk after %8.3f s\n",
                Median(pause), Median(onDisk));
    std::printf("  bytes made here:  interface pause %8.3f s, on disk after %8.3f s\n",
                Median(inThread), Median(inThreadDisk));
    std::printf("  (target: interface pause < 0.3 s)\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = RunsFromEnv("TAV_RECOVERY_RUNS");
    for (long long n : SizesFromArgs(argc, argv, {1000000})) {
        Run(static_cast<int>(n), runs, TempDir());
    }
    return 0;
}
