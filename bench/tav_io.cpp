// Saves and loads a synthetic drawing of N mixed entities and prints entities/s, MB/s and
// peak memory. Usage: tav_io [N...] (default 100000 1000000); TAV_IO_RUNS sets the runs (5),
// TAV_IO_KEEP keeps the file ($TMPDIR/tav_io_bench.tav) for profiling.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "MixedDrawing.h"
#include "document/Entity.h"
#include "document/TAVDoc.h"

namespace {

struct SLoadResult {
    double seconds = 0.0;
    long peakKb = 0;
    long baseKb = 0;
    long modelKb = 0;
};

// Loads in a child process so that its peak resident size is the load's own.
SLoadResult LoadInChild(const std::string& path) {
    return RunInChild<SLoadResult>([&] {
        SLoadResult r;
        r.baseKb = CurrentRssKb();
        CTAVDoc doc;
        const auto t0 = Clock::now();
        const bool ok = doc.OnOpenDocument(path, BenchProgress());
        const auto t1 = Clock::now();
        r.seconds = ok ? Seconds(t0, t1) : -1.0;
        r.modelKb = CurrentRssKb() - r.baseKb;
        r.peakKb = PeakRssKb();
        return r;
    });
}

void Run(int n, int runs, const std::string& dir) {
    const std::string path = dir + "/tav_io_bench.tav";
    CTAVDoc doc;
    const auto b0 = Clock::now();
    BuildMixedDrawing(doc, n);
    const auto b1 = Clock::now();

    std::vector<double> serialize, save, load;
    size_t bytes = 0;
    SLoadResult last;
    for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        std::vector<uint8_t> image = doc.SaveToBytes();
        auto t1 = Clock::now();
        bytes = image.size();
        image = {};
        serialize.push_back(Seconds(t0, t1));

        t0 = Clock::now();
        if (!doc.OnSaveDocument(path, BenchProgress())) {
            std::fprintf(stderr, "save failed\n");
            std::exit(1);
        }
        t1 = Clock::now();
        save.push_back(Seconds(t0, t1));

        last = LoadInChild(path);
        if (last.seconds < 0) {
            std::fprintf(stderr, "load failed\n");
            std::exit(1);
        }
        load.push_back(last.seconds);
    }
    if (!std::getenv("TAV_IO_KEEP")) {
        unlink(path.c_str());
    }

    const double mb = bytes / 1e6;
    const double ser = Median(serialize), sv = Median(save), ld = Median(load);
    std::printf("N = %d entities, file %.1f MB, built in %.2f s, medians of %d runs\n", n, mb,
                Seconds(b0, b1), runs);
    std::printf("  serialize to memory %8.3f s  %12.0f entities/s  %8.1f MB/s\n", ser, n / ser,
                mb / ser);
    std::printf("  save to disk        %8.3f s  %12.0f entities/s  %8.1f MB/s\n", sv, n / sv,
                mb / sv);
    std::printf("  load from disk      %8.3f s  %12.0f entities/s  %8.1f MB/s\n", ld, n / ld,
                mb / ld);
    std::printf(
        "  load memory: peak %.1f MB over a base of %.1f MB; model %.1f MB + file %.1f MB = "
        "%.1f MB\n",
        (last.peakKb - last.baseKb) / 1024.0, last.baseKb / 1024.0, last.modelKb / 1024.0,
        bytes / 1048576.0, last.modelKb / 1024.0 + bytes / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = RunsFromEnv("TAV_IO_RUNS");
    PrintBenchProgressMode();
    for (long long n : SizesFromArgs(argc, argv, {100000, 1000000})) {
        Run(static_cast<int>(n), runs, TempDir());
    }
    return 0;
}
