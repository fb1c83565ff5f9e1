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
#include "document/Entity.h"
#include "document/TAVDoc.h"

namespace {

// Points with names, 10-vertex polylines, 4-vertex polygons, arcs and texts in turn, at survey
// coordinates.
void BuildDrawing(CTAVDoc& doc, int n) {
    const double ox = 5420000.0, oy = 6310000.0;
    for (int i = 0; i < n; ++i) {
        const double x = ox + (i % 1000) * 3.0, y = oy + (i / 1000) * 3.0, z = 10.0 + i % 7;
        std::unique_ptr<CEntity> e;
        switch (i % 5) {
            case 0: {
                auto p = std::make_unique<CPnt>();
                p->m_point = CPoint3(x, y, z);
                p->m_name = "P" + std::to_string(i);
                e = std::move(p);
                break;
            }
            case 1: {
                auto p = std::make_unique<CPoly>();
                for (int k = 0; k < 10; ++k) {
                    p->AddVertex(CPoint3(x + k * 0.2, y + (k % 2) * 0.5, z));
                }
                e = std::move(p);
                break;
            }
            case 2: {
                auto p = std::make_unique<CPoly>();
                p->m_closed = 1;
                p->AddVertex(CPoint3(x, y, z));
                p->AddVertex(CPoint3(x + 1.0, y, z));
                p->AddVertex(CPoint3(x + 1.0, y + 1.0, z));
                p->AddVertex(CPoint3(x, y + 1.0, z));
                p->Tessellate();
                p->ComputePlane();
                e = std::move(p);
                break;
            }
            case 3: {
                auto a = std::make_unique<CArc>();
                a->m_center = CPoint3(x, y, z);
                a->m_radius = 0.5 + i % 3;
                a->m_start = 30.0;
                a->m_length = 200.0;
                e = std::move(a);
                break;
            }
            default: {
                auto t = std::make_unique<CText>();
                t->m_position = CPoint3(x, y, z);
                t->m_axis = CVec3(0.0, 0.0, 1.0);
                t->m_text = "Działka " + std::to_string(i);
                e = std::move(t);
                break;
            }
        }
        e->m_number = NextEntityNumber();
        e->m_color[0] = 1.0;
        doc.AddEntity(std::move(e));
    }
    doc.RecomputeExtents();
}

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
        const bool ok = doc.OnOpenDocument(path);
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
    BuildDrawing(doc, n);
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
        if (!doc.OnSaveDocument(path)) {
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
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {100000, 1000000};
    }
    const char* runsEnv = std::getenv("TAV_IO_RUNS");
    const int runs = runsEnv ? std::max(1, std::atoi(runsEnv)) : 5;
    const char* tmp = std::getenv("TMPDIR");
    for (int n : sizes) {
        Run(n, runs, tmp ? tmp : "/tmp");
    }
    return 0;
}
