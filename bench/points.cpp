// Imports a generated point text file (.pnt), a generated Leica GSI-16 file, a GSI-8 file and
// a comma-separated point list, each of 10^6 points by default, and prints lines/s of each reader
// against the same run's raw baseline: reading the same file line by line and converting its
// numbers with std::from_chars, nothing else. Also prints the import's peak memory per point
// against the document's own share, and the time that merely creating and appending the same number
// of point entities takes (what no reader can avoid: one heap entity per point). The GSI reader
// decodes on a second thread: its CPU figures count both threads. Usage: points [N...] (default
// 100000 1000000); TAV_POINTS_RUNS sets the runs (5), TAV_POINTS_KEEP keeps the files
// ($TMPDIR/tav_points_bench.pnt, .gsi, .gsi8, .csv).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "RawScan.h"
#include "document/Entity.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/Alignment.h"
#include "exchange/GsiImport.h"
#include "exchange/ImportSession.h"
#include "exchange/LineReader.h"
#include "exchange/PointImport.h"
#include "exchange/PointListCsv.h"

namespace {

FILE* OpenOut(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return f;
}

// Survey points on a 1 m grid at national grid coordinates, a comment line first.
void WritePnt(const std::string& path, long long n) {
    FILE* f = OpenOut(path);
    std::fprintf(f, "// generated: %lld points\n", n);
    for (long long i = 0; i < n; ++i) {
        std::fprintf(f, "P%lld %.3f %.3f %.3f\n", i + 1, 5420000.0 + (i % 1000) * 1.0,
                     6310000.0 + (i / 1000) * 1.0, 100.0 + (i % 97) * 0.01);
    }
    std::fclose(f);
}

// GSI-16 blocks as an instrument writes them: CRLF, gon and millimetres.
void WriteGsi(const std::string& path, long long n) {
    FILE* f = OpenOut(path);
    for (long long i = 0; i < n; ++i) {
        const long long hz = (i * 7919) % 40000000;
        const long long v = 9000000 + (i % 2000000);
        const long long sd = 1000 + (i * 13) % 500000;
        std::fprintf(f, "*110%03lld+%016lld 21.322+%016lld 22.322+%016lld 31..00+%016lld \r\n",
                     (i + 1) % 1000, i + 1, hz, v, sd);
    }
    std::fclose(f);
}

// GSI-8 blocks with station-free polar words, a remark and the instrument's coordinates, as
// the instruments of the field write them (CR LF).
void WriteGsi8(const std::string& path, long long n) {
    FILE* f = OpenOut(path);
    for (long long i = 0; i < n; ++i) {
        std::fprintf(f,
                     "11%04lld+%08lld 21.322+%08lld 22.322+%08lld 31..00+%08lld 87..10+00001300 "
                     "81..00+%08lld 82..00+%08lld 83..00+%08lld ",
                     (i + 1) % 10000, i + 1, (i * 7919) % 40000000, 9000000 + (i % 2000000),
                     1000 + (i * 13) % 500000, 500000 + i % 1000, 600000 + i / 1000, 1000 + i % 97);
        if (!std::getenv("TAV_POINTS_NO_CODES")) {
            std::fprintf(f, "71....+%08lld ", i % 50);
        }
        std::fputs("\r\n", f);
    }
    std::fclose(f);
}

// A comma list: name, X, Y, Z, code, CR LF.
void WriteCsv(const std::string& path, long long n) {
    FILE* f = OpenOut(path);
    for (long long i = 0; i < n; ++i) {
        std::fprintf(f, "P%lld,%.3f,%.3f,%.3f", i + 1, 5420000.0 + (i % 1000) * 1.0,
                     6310000.0 + (i / 1000) * 1.0, 100.0 + (i % 97) * 0.01);
        if (!std::getenv("TAV_POINTS_NO_CODES")) {
            std::fprintf(f, ",K%lld", i % 20);
        }
        std::fputs("\r\n", f);
    }
    std::fclose(f);
}

// The baseline: line reading and std::from_chars on the numbers of each line.
double RawPnt(const std::string& path, double& checksum, double& cpu) {
    return TimeRawScan(path, checksum, cpu, [](std::string_view line) {
        double sum = 0.0;
        const char* p = line.data();
        const char* end = p + line.size();
        while (p < end && *p != ' ') {
            ++p;
        }
        for (int k = 0; k < 3 && p < end; ++k) {
            while (p < end && *p == ' ') {
                ++p;
            }
            double v = 0.0;
            const auto r = std::from_chars(p, end, v);
            sum += v;
            p = r.ptr == p ? end : r.ptr;
        }
        return sum;
    });
}

double RawCsv(const std::string& path, double& checksum, double& cpu) {
    return TimeRawScan(path, checksum, cpu, [](std::string_view line) {
        double sum = 0.0;
        const char* p = line.data();
        const char* end = p + line.size();
        for (int k = 0; k < 4 && p < end; ++k) {
            const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
            if (k > 0) {
                double v = 0.0;
                std::from_chars(p, comma ? comma : end, v);
                sum += v;
            }
            p = comma ? comma + 1 : end;
        }
        return sum;
    });
}

double RawGsi8(const std::string& path, double& checksum, double& cpu) {
    return TimeRawScan(path, checksum, cpu, [](std::string_view line) {
        double sum = 0.0;
        for (size_t k = 1; k < 4; ++k) {
            const size_t at = 16 * k + 7;
            if (line.size() < at + 8) {
                break;
            }
            double v = 0.0;
            std::from_chars(line.data() + at, line.data() + at + 8, v);
            sum += v;
        }
        return sum;
    });
}

double RawGsi(const std::string& path, double& checksum, double& cpu) {
    return TimeRawScan(path, checksum, cpu, [](std::string_view line) {
        double sum = 0.0;
        for (size_t k = 1; k < 4; ++k) {
            const size_t at = 1 + 24 * k + 7;
            if (line.size() < at + 16) {
                break;
            }
            double v = 0.0;
            std::from_chars(line.data() + at, line.data() + at + 16, v);
            sum += v;
        }
        return sum;
    });
}

// Confirms the alignment dialog as pre-filled.
class CConfirmingPrompter : public CSilentPrompter {
public:
    bool RunAlignmentDialog(SAlignment&) override { return true; }
};

struct SPointRun {
    double seconds = 0.0;
    double cpu = 0.0;
    long peakKb = 0;
    long baseKb = 0;
    long modelKb = 0;
    int entities = 0;
};

enum class EWork { Pnt, Gsi, Gsi8, Csv, EntitiesOnly };

// n named points merged as a reader's result, without a file.
EImportResult AppendEntities(CTAVDoc& doc, long long n) {
    SImportResult result;
    CImportCollector session(result);
    for (long long i = 0; i < n; ++i) {
        auto p = std::make_unique<CPnt>();
        p->m_name = "P" + std::to_string(i + 1);
        p->m_point = CPoint3(5420000.0 + static_cast<double>(i % 1000),
                             6310000.0 + static_cast<double>(i / 1000), 100.0);
        p->m_color[0] = p->m_color[1] = p->m_color[2] = 1.0;
        session.Add(std::move(p));
    }
    return MergeImport(doc, result, "points");
}

// Imports in a child process so that its peak resident size is the import's own.
SPointRun ImportInChild(const std::string& path, EWork work, long long n) {
    return RunInChild<SPointRun>([&] {
        SPointRun r;
        CConfirmingPrompter prompter;
        r.baseKb = CurrentRssKb();
        CTAVDoc doc(&prompter);
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        SImportOptions options;
        options.progress = BenchProgress();
        const SImportSource source = SImportSource::File(path);
        const EImportResult result =
            work == EWork::Gsi || work == EWork::Gsi8
                ? ImportWith(doc, source, options, ReadGsiFile)
            : work == EWork::Pnt ? ImportWith(doc, source, options, ReadPointFile)
            : work == EWork::Csv ? ImportWith(doc, source, options, ReadPointListCsv)
                                 : AppendEntities(doc, n);
        const auto t1 = Clock::now();
        r.cpu = CpuSeconds() - c0;
        r.seconds = result == EImportResult::Done ? Seconds(t0, t1) : -1.0;
        r.modelKb = CurrentRssKb() - r.baseKb;
        r.peakKb = PeakRssKb();
        r.entities = doc.GetEntityCount();
        return r;
    });
}

void Measure(const char* name, const std::string& path, EWork work, long long n, int runs) {
    std::vector<double> raw, rawCpu, imp, impCpu, ent, entCpu;
    SPointRun last;
    for (int r = 0; r < runs; ++r) {
        double checksum = 0.0, cpu = 0.0;
        raw.push_back(work == EWork::Gsi    ? RawGsi(path, checksum, cpu)
                      : work == EWork::Gsi8 ? RawGsi8(path, checksum, cpu)
                      : work == EWork::Csv  ? RawCsv(path, checksum, cpu)
                                            : RawPnt(path, checksum, cpu));
        rawCpu.push_back(cpu);
        if (checksum == 0.0) {
            std::fprintf(stderr, "baseline read nothing\n");
            std::exit(1);
        }
        last = ImportInChild(path, work, n);
        if (last.seconds < 0 || last.entities != n) {
            std::fprintf(stderr, "%s import failed (%d entities)\n", name, last.entities);
            std::exit(1);
        }
        imp.push_back(last.seconds);
        impCpu.push_back(last.cpu);
        const SPointRun floor = ImportInChild(path, EWork::EntitiesOnly, n);
        ent.push_back(floor.seconds);
        entCpu.push_back(floor.cpu);
    }
    const double lines = static_cast<double>(work == EWork::Pnt ? n + 1 : n);
    const double rawRate = lines / Median(raw), impRate = lines / Median(imp);
    const double rawCpuRate = lines / Median(rawCpu), impCpuRate = lines / Median(impCpu);
    const double perPoint = (last.peakKb - last.baseKb) * 1024.0 / static_cast<double>(n);
    const double kept = last.modelKb * 1024.0 / static_cast<double>(n);
    const double perLine = 1e9 / static_cast<double>(n);
    std::printf(
        "%s %lld points: raw %.2fM lines/s, reader %.2fM lines/s, ratio %.2f (cpu: raw %.2fM, "
        "reader %.2fM, ratio %.2f)\n"
        "    cpu ns/line: raw %.0f, reader %.0f, of which creating and appending the entities "
        "alone %.0f; reader without them %.0f (ratio %.2f)\n"
        "    peak %.0f bytes/point, of which the drawing keeps %.0f (sizeof(CPnt) %zu); the "
        "reader's own %.0f\n",
        name, n, rawRate / 1e6, impRate / 1e6, impRate / rawRate, rawCpuRate / 1e6,
        impCpuRate / 1e6, impCpuRate / rawCpuRate, Median(rawCpu) * perLine,
        Median(impCpu) * perLine, Median(entCpu) * perLine,
        (Median(impCpu) - Median(entCpu)) * perLine,
        Median(rawCpu) / (Median(impCpu) - Median(entCpu)), perPoint, kept, sizeof(CPnt),
        std::max(0.0, perPoint - kept));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<long long> sizes = SizesFromArgs(argc, argv, {100000, 1000000});
    const int runs = RunsFromEnv("TAV_POINTS_RUNS");
    const std::string base = TempDir() + "/tav_points_bench";
    std::printf("medians of %d runs\n", runs);
    PrintBenchProgressMode();
    for (long long n : sizes) {
        WritePnt(base + ".pnt", n);
        WriteGsi(base + ".gsi", n);
        WriteGsi8(base + ".gsi8", n);
        WriteCsv(base + ".csv", n);
        Measure("pnt", base + ".pnt", EWork::Pnt, n, runs);
        Measure("gsi", base + ".gsi", EWork::Gsi, n, runs);
        Measure("gsi8", base + ".gsi8", EWork::Gsi8, n, runs);
        Measure("csv", base + ".csv", EWork::Csv, n, runs);
    }
    if (!std::getenv("TAV_POINTS_KEEP")) {
        std::remove((base + ".pnt").c_str());
        std::remove((base + ".gsi").c_str());
        std::remove((base + ".gsi8").c_str());
        std::remove((base + ".csv").c_str());
    }
    return 0;
}
