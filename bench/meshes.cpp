// Imports a generated ASCII mesh (.asc) of 10^6 nodes and 2 x 10^6 triangles and prints
// elements/s against a raw baseline that only reads the same lines and converts their numbers
// with std::from_chars, plus the import's peak memory against the entities' own size.
// Usage: meshes [NODES_PER_SIDE] (default 1000); TAV_MESH_RUNS sets the runs (3),
// TAV_MESH_KEEP keeps the file ($TMPDIR/tav_meshes_bench.asc).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "RawScan.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/AscImport.h"
#include "exchange/LineReader.h"

namespace {

// A side x side grid of nodes at survey coordinates and two triangles per cell, cells reused
// from the start until there are 2 x side^2 triangles.
long long WriteMesh(const std::string& path, int side) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    const long long nodes = static_cast<long long>(side) * side;
    std::fprintf(f, "%lld\n", nodes);
    for (long long i = 0; i < nodes; ++i) {
        const long long r = i / side, c = i % side;
        std::fprintf(f, "%lld %.3f %.3f %.3f\n", i + 1, 5420000.0 + c * 0.5, 6310000.0 + r * 0.5,
                     100.0 + static_cast<double>((r * 7 + c * 3) % 1000) / 100.0);
    }
    const long long cells = static_cast<long long>(side - 1) * (side - 1);
    const long long triangles = 2 * nodes;
    for (long long t = 0; t < triangles; ++t) {
        const long long cell = (t / 2) % cells;
        const long long r = cell / (side - 1), c = cell % (side - 1);
        const long long a = r * side + c + 1, b = a + 1, d = a + side, e = d + 1;
        if (t % 2 == 0) {
            std::fprintf(f, "%lld %lld %lld %lld\n", t + 1, a, b, e);
        } else {
            std::fprintf(f, "%lld %lld %lld %lld\n", t + 1, a, e, d);
        }
    }
    std::fclose(f);
    return triangles;
}

// Reads the lines and converts every number with std::from_chars (integers, then doubles where
// an integer stops at a full stop), nothing else.
double RawBaseline(const std::string& path, double& checksum, double& cpu) {
    return TimeRawScan(path, checksum, cpu, [](std::string_view line) {
        double sum = 0.0;
        const char* p = line.data();
        const char* end = p + line.size();
        while (p < end) {
            while (p < end && *p == ' ') {
                ++p;
            }
            if (p == end) {
                break;
            }
            long long iv = 0;
            auto r = std::from_chars(p, end, iv);
            if (r.ptr < end && *r.ptr == '.') {
                double dv = 0.0;
                r = std::from_chars(p, end, dv);
                sum += dv;
            } else {
                sum += static_cast<double>(iv);
            }
            if (r.ptr == p) {
                break;
            }
            p = r.ptr;
        }
        return sum;
    });
}

struct SMeshRun {
    double seconds = 0.0;
    double cpu = 0.0;
    long peakKb = 0;
    long baseKb = 0;
    long modelKb = 0;
    double entitiesMb = 0.0;
    int entities = 0;
};

// The entities' own bytes: each CPoly with its vertex array and triangulation.
double EntityBytes(const CTAVDoc& doc) {
    double bytes = 0.0;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const auto* p = static_cast<const CPoly*>(doc.GetEntity(i));
        bytes += sizeof(CPoly) + p->m_vertices.capacity() * sizeof(CPoint3) +
                 p->m_triangulation.capacity() * sizeof(CTessPrimitive);
        for (const CTessPrimitive& t : p->m_triangulation) {
            bytes += t.points.capacity() * sizeof(CPoint3);
        }
    }
    return bytes;
}

// Imports in a child process so that its peak resident size is the import's own.
SMeshRun ImportInChild(const std::string& path) {
    return RunInChild<SMeshRun>([&] {
        SMeshRun r;
        CSilentPrompter prompter;
        r.baseKb = CurrentRssKb();
        CTAVDoc doc(&prompter);
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        const EImportResult result = ImportAscFile(doc, path);
        const auto t1 = Clock::now();
        r.cpu = CpuSeconds() - c0;
        r.seconds = result == EImportResult::Done ? Seconds(t0, t1) : -1.0;
        r.modelKb = CurrentRssKb() - r.baseKb;
        r.peakKb = PeakRssKb();
        r.entities = doc.GetEntityCount();
        r.entitiesMb = EntityBytes(doc) / 1048576.0;
        return r;
    });
}

}  // namespace

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::atoi(argv[1]) : 1000;
    const char* runsEnv = std::getenv("TAV_MESH_RUNS");
    const int runs = std::max(1, runsEnv ? std::atoi(runsEnv) : 3);
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/tav_meshes_bench.asc";
    if (side < 2) {
        std::fprintf(stderr, "usage: meshes [NODES_PER_SIDE >= 2]\n");
        return 2;
    }

    const auto g0 = Clock::now();
    const long long elements = WriteMesh(path, side);
    const auto g1 = Clock::now();

    std::vector<double> raw, reader, rawCpu, readerCpu;
    double checksum = 0.0;
    SMeshRun last;
    for (int r = 0; r < runs; ++r) {
        double cpu = 0.0;
        raw.push_back(RawBaseline(path, checksum, cpu));
        rawCpu.push_back(cpu);
        last = ImportInChild(path);
        if (last.seconds < 0 || last.entities != elements) {
            std::fprintf(stderr, "import failed\n");
            return 1;
        }
        reader.push_back(last.seconds);
        readerCpu.push_back(last.cpu);
    }
    if (!std::getenv("TAV_MESH_KEEP")) {
        unlink(path.c_str());
    }

    const double rawS = Median(raw), readS = Median(reader);
    const double rawC = Median(rawCpu), readC = Median(readerCpu);
    std::printf("%lld nodes, %lld triangles, file written in %.2f s, medians of %d runs\n",
                static_cast<long long>(side) * side, elements, Seconds(g0, g1), runs);
    std::printf(
        "                                      wall s   elements/s     CPU s   elements/s\n");
    std::printf("  raw baseline (lines + from_chars) %8.3f %12.0f  %8.3f %12.0f\n", rawS,
                elements / rawS, rawC, elements / rawC);
    std::printf("  ImportAscFile                      %8.3f %12.0f  %8.3f %12.0f\n", readS,
                elements / readS, readC, elements / readC);
    std::printf(
        "  reader / baseline throughput: %.2f by wall clock, %.2f by CPU time (checksum %g)\n",
        rawS / readS, rawC / readC, checksum);
    const double peakMb = (last.peakKb - last.baseKb) / 1024.0;
    std::printf(
        "  memory: peak %.1f MB over a base of %.1f MB, resident after %.1f MB; entities' own "
        "size %.1f MB; peak / entities %.2f\n",
        peakMb, last.baseKb / 1024.0, last.modelKb / 1024.0, last.entitiesMb,
        peakMb / last.entitiesMb);
    return 0;
}
