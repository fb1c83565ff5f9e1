// DXF import and export speed. Generates files of N mixed entities (POINT, LINE, CIRCLE, ARC,
// TEXT, 3DFACE, 10-vertex POLYLINE, 10-vertex LWPOLYLINE in turn, at survey coordinates), then
// in the same run times, as medians:
//   - the raw baseline: the lines read and every number converted with std::from_chars,
//     nothing else (the floor any reader of the file stands on);
//   - the import (in a child process, so its peak memory is its own);
//   - the export of the imported drawing (written, synced and renamed, as the command does);
//   - the peers where installed: GDAL's DXF driver (ogrinfo -ro -al -so) and ezdxf (readfile).
// With N >= 10^6 also N/10 INSERTs of a 10-entity block with attributes, exploded
// (TAV_DXF_INSERTS=0 skips them).
// Usage: dxf [N...] (default 100000 1000000). TAV_DXF_RUNS sets the runs (5), TAV_DXF_PEERS=0
// skips the peers, TAV_DXF_PEER_RUNS their runs (1), TAV_DXF_KEEP keeps the files in $TMPDIR.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "BenchCommon.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "exchange/DxfExport.h"
#include "exchange/DxfImport.h"
#include "exchange/LineReader.h"

namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}

// ---- the generated file ----

class CGen {
public:
    explicit CGen(FILE* f) : m_f(f) { m_buf.reserve(1 << 20); }
    ~CGen() { Flush(); }
    void Pair(const char* code, std::string_view value) {
        m_buf += code;
        m_buf += '\n';
        m_buf += value;
        m_buf += '\n';
        if (m_buf.size() > (1 << 20)) {
            Flush();
        }
    }
    void Num(const char* code, double v, int decimals) {
        char b[64];
        const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, decimals);
        Pair(code, std::string_view(b, static_cast<size_t>(r.ptr - b)));
    }
    void Int(const char* code, int v) {
        char b[16];
        const auto r = std::to_chars(b, b + sizeof b, v);
        Pair(code, std::string_view(b, static_cast<size_t>(r.ptr - b)));
    }
    void Flush() {
        std::fwrite(m_buf.data(), 1, m_buf.size(), m_f);
        m_buf.clear();
    }

private:
    FILE* m_f;
    std::string m_buf;
};

void Generate(const std::string& path, int n) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    {
        CGen g(f);
        g.Pair("  0", "SECTION");
        g.Pair("  2", "HEADER");
        g.Pair("  9", "$ACADVER");
        g.Pair("  1", "AC1015");
        g.Pair("  9", "$DWGCODEPAGE");
        g.Pair("  3", "ANSI_1250");
        g.Pair("  0", "ENDSEC");
        g.Pair("  0", "SECTION");
        g.Pair("  2", "ENTITIES");
        const double ox = 5420000.0, oy = 6310000.0;
        char layer[16];
        char text[32];
        for (int i = 0; i < n; ++i) {
            const double x = ox + (i % 1000) * 3.125, y = oy + (i / 1000) * 3.25,
                         z = 100.0 + (i % 97) * 0.01;
            std::snprintf(layer, sizeof layer, "WARSTWA_%02d", (i / 8) % 20);
            const int color = 1 + i % 254;
            // R2000 records with their subclass markers, which ezdxf insists on.
            const auto head = [&](const char* kind, const char* subclass) {
                g.Pair("  0", kind);
                g.Pair("100", "AcDbEntity");
                g.Pair("  8", layer);
                g.Int(" 62", color);
                g.Pair("100", subclass);
            };
            switch (i % 8) {
                case 0:
                    head("POINT", "AcDbPoint");
                    g.Num(" 10", x, 3);
                    g.Num(" 20", y, 3);
                    g.Num(" 30", z, 3);
                    break;
                case 1:
                    head("LINE", "AcDbLine");
                    g.Num(" 10", x, 3);
                    g.Num(" 20", y, 3);
                    g.Num(" 30", z, 3);
                    g.Num(" 11", x + 1.5, 3);
                    g.Num(" 21", y + 0.75, 3);
                    g.Num(" 31", z, 3);
                    break;
                case 2:
                    head("CIRCLE", "AcDbCircle");
                    g.Num(" 10", x, 3);
                    g.Num(" 20", y, 3);
                    g.Num(" 30", z, 3);
                    g.Num(" 40", 0.5 + i % 5, 3);
                    break;
                case 3:
                    head("ARC", "AcDbCircle");
                    g.Num(" 10", x, 3);
                    g.Num(" 20", y, 3);
                    g.Num(" 30", z, 3);
                    g.Num(" 40", 1.25, 3);
                    g.Pair("100", "AcDbArc");
                    g.Num(" 50", (i % 360) * 1.0, 6);
                    g.Num(" 51", ((i + 120) % 360) * 1.0, 6);
                    break;
                case 4:
                    head("TEXT", "AcDbText");
                    g.Num(" 10", x, 3);
                    g.Num(" 20", y, 3);
                    g.Num(" 30", z, 3);
                    g.Num(" 40", 0.8, 3);
                    std::snprintf(text, sizeof text, "Dzia\xB3ka %d/%d", i / 8, i % 13);
                    g.Pair("  1", text);
                    g.Num(" 50", 15.0, 6);
                    break;
                case 5:
                    head("3DFACE", "AcDbFace");
                    g.Num(" 10", x, 3);
                    g.Num(" 20", y, 3);
                    g.Num(" 30", z, 3);
                    g.Num(" 11", x + 2, 3);
                    g.Num(" 21", y, 3);
                    g.Num(" 31", z + 0.5, 3);
                    g.Num(" 12", x + 2, 3);
                    g.Num(" 22", y + 2, 3);
                    g.Num(" 32", z + 1, 3);
                    g.Num(" 13", x, 3);
                    g.Num(" 23", y + 2, 3);
                    g.Num(" 33", z + 0.5, 3);
                    break;
                case 6:
                    head("POLYLINE", "AcDb3dPolyline");
                    g.Pair(" 66", "1");
                    g.Num(" 10", 0.0, 1);
                    g.Num(" 20", 0.0, 1);
                    g.Num(" 30", 0.0, 1);
                    g.Pair(" 70", "8");
                    for (int k = 0; k < 10; ++k) {
                        g.Pair("  0", "VERTEX");
                        g.Pair("100", "AcDbEntity");
                        g.Pair("  8", layer);
                        g.Pair("100", "AcDbVertex");
                        g.Pair("100", "AcDb3dPolylineVertex");
                        g.Num(" 10", x + k * 0.25, 3);
                        g.Num(" 20", y + (k % 2) * 0.5, 3);
                        g.Num(" 30", z + k * 0.01, 3);
                        g.Pair(" 70", "32");
                    }
                    g.Pair("  0", "SEQEND");
                    g.Pair("100", "AcDbEntity");
                    g.Pair("  8", layer);
                    break;
                default:
                    head("LWPOLYLINE", "AcDbPolyline");
                    g.Int(" 90", 10);
                    g.Int(" 70", i % 2);
                    g.Num(" 38", z, 3);
                    for (int k = 0; k < 10; ++k) {
                        g.Num(" 10", x + k * 0.25, 3);
                        g.Num(" 20", y + (k % 3) * 0.5, 3);
                    }
                    break;
            }
        }
        g.Pair("  0", "ENDSEC");
        g.Pair("  0", "EOF");
    }
    std::fclose(f);
}

// 10^5 INSERTs of one block of ten entities with three attribute definitions, each with its
// three ATTRIBs: the explosion's speed against the mixed file of as many entities.
void GenerateInserts(const std::string& path, int inserts) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    {
        CGen g(f);
        g.Pair("  0", "SECTION");
        g.Pair("  2", "BLOCKS");
        g.Pair("  0", "BLOCK");
        g.Pair("  8", "0");
        g.Pair("  2", "ZNAK");
        g.Pair(" 70", "2");
        g.Num(" 10", 0.5, 3);
        g.Num(" 20", 0.5, 3);
        g.Num(" 30", 0.0, 3);
        for (int k = 0; k < 10; ++k) {
            const double d = k * 0.25;
            switch (k % 5) {
                case 0:
                    g.Pair("  0", "LINE");
                    g.Pair("  8", "0");
                    g.Num(" 10", d, 3);
                    g.Num(" 20", 0.0, 3);
                    g.Num(" 11", d + 1.0, 3);
                    g.Num(" 21", 1.0, 3);
                    break;
                case 1:
                    g.Pair("  0", "CIRCLE");
                    g.Pair("  8", "KONTUR");
                    g.Num(" 10", d, 3);
                    g.Num(" 20", d, 3);
                    g.Num(" 40", 0.5, 3);
                    break;
                case 2:
                    g.Pair("  0", "ARC");
                    g.Pair("  8", "0");
                    g.Int(" 62", 0);
                    g.Num(" 10", d, 3);
                    g.Num(" 20", 0.0, 3);
                    g.Num(" 40", 0.75, 3);
                    g.Num(" 50", 10.0, 3);
                    g.Num(" 51", 200.0, 3);
                    break;
                case 3:
                    g.Pair("  0", "POINT");
                    g.Pair("  8", "0");
                    g.Num(" 10", d, 3);
                    g.Num(" 20", -d, 3);
                    break;
                default:
                    g.Pair("  0", "TEXT");
                    g.Pair("  8", "OPIS");
                    g.Num(" 10", d, 3);
                    g.Num(" 20", 1.5, 3);
                    g.Num(" 40", 0.25, 3);
                    g.Pair("  1", "Znak");
                    break;
            }
        }
        for (const char* tag : {"NR", "OPIS", "H"}) {
            g.Pair("  0", "ATTDEF");
            g.Pair("  8", "0");
            g.Num(" 10", 0.6, 3);
            g.Num(" 20", 0.6, 3);
            g.Num(" 40", 0.25, 3);
            g.Pair("  1", "");
            g.Pair("  2", tag);
            g.Pair("  3", tag);
        }
        g.Pair("  0", "ENDBLK");
        g.Pair("  0", "ENDSEC");
        g.Pair("  0", "SECTION");
        g.Pair("  2", "ENTITIES");
        char value[32];
        for (int i = 0; i < inserts; ++i) {
            const double x = 5420000.0 + (i % 1000) * 3.125, y = 6310000.0 + (i / 1000) * 3.25;
            g.Pair("  0", "INSERT");
            g.Pair("  8", "ZNAKI");
            g.Pair(" 66", "1");
            g.Pair("  2", "ZNAK");
            g.Num(" 10", x, 3);
            g.Num(" 20", y, 3);
            g.Num(" 30", 100.0, 3);
            g.Num(" 41", 1.0 + (i % 3) * 0.5, 3);
            g.Num(" 42", 1.0 + (i % 3) * 0.5, 3);
            g.Num(" 50", (i % 360) * 1.0, 3);
            for (const char* tag : {"NR", "OPIS", "H"}) {
                std::snprintf(value, sizeof value, "%s-%d", tag, i);
                g.Pair("  0", "ATTRIB");
                g.Pair("  8", "ZNAKI");
                g.Num(" 10", x + 0.6, 3);
                g.Num(" 20", y + 0.6, 3);
                g.Num(" 30", 100.0, 3);
                g.Num(" 40", 0.25, 3);
                g.Pair("  1", value);
                g.Pair("  2", tag);
            }
            g.Pair("  0", "SEQEND");
        }
        g.Pair("  0", "ENDSEC");
        g.Pair("  0", "EOF");
    }
    std::fclose(f);
}

// ---- the baseline ----

// Reads every line and converts the value of every numeric group code with from_chars.
double Baseline(const std::string& path, long& numbers, double& cpu) {
    CSilentPrompter prompter;
    CLineReader reader;
    const double c0 = CpuSeconds();
    const auto t0 = Clock::now();
    if (!reader.Open(path, prompter)) {
        std::exit(1);
    }
    std::string_view line;
    numbers = 0;
    double sink = 0.0;
    while (reader.ReadLine(line)) {
        int code = -1;
        const char* b = line.data();
        const char* e = b + line.size();
        while (b < e && *b == ' ') {
            ++b;
        }
        std::from_chars(b, e, code);
        if (!reader.ReadLine(line)) {
            break;
        }
        if ((code >= 10 && code < 60) || (code >= 210 && code <= 230) || code == 62 || code == 70) {
            b = line.data();
            e = b + line.size();
            while (b < e && *b == ' ') {
                ++b;
            }
            double v = 0.0;
            std::from_chars(b, e, v);
            sink += v;
            ++numbers;
        }
    }
    const auto t1 = Clock::now();
    cpu = CpuSeconds() - c0;
    if (sink == 0.123) {
        std::puts("");
    }
    return Seconds(t0, t1);
}

// ---- the import, in a child ----

struct SImportResult {
    double seconds = -1.0;
    double cpu = 0.0;
    long baseKb = 0;
    long modelKb = 0;
    long peakKb = 0;
    int entities = 0;
};

SImportResult ImportInChild(const std::string& path) {
    return RunInChild<SImportResult>([&] {
        SImportResult r;
        r.baseKb = CurrentRssKb();
        CSilentPrompter prompter;
        CTAVDoc doc(&prompter);
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        SImportOptions options;
        options.progress = BenchProgress();
        const bool ok = ImportWith(doc, ::SImportSource::File(path), options, ReadDxfFile) ==
                        EImportResult::Done;
        const auto t1 = Clock::now();
        r.cpu = CpuSeconds() - c0;
        r.seconds = ok ? Seconds(t0, t1) : -1.0;
        r.modelKb = CurrentRssKb() - r.baseKb;
        r.entities = doc.GetEntityCount();
        r.peakKb = PeakRssKb();
        return r;
    });
}

// ---- peers ----

// Runs a command with its output thrown away; its wall time, or -1 when it is missing or fails.
double RunPeer(const std::vector<std::string>& argv) {
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        FILE* null = std::fopen("/dev/null", "w");
        if (null) {
            dup2(fileno(null), 1);
            dup2(fileno(null), 2);
        }
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto t1 = Clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return Seconds(t0, t1);
}

struct STimes {
    std::vector<double> wall, cpu;
    void Add(double w, double c) {
        wall.push_back(w);
        cpu.push_back(c);
    }
    double Wall() const { return Median(wall); }
    double Cpu() const { return Median(cpu); }
};

// Exports the drawing to path; wall and CPU seconds.
void TimeExport(CTAVDoc& doc, const std::string& path, STimes& times) {
    // A new file each time: dropping the previous run's file is no part of writing this one.
    unlink(path.c_str());
    const double c0 = CpuSeconds();
    const auto t0 = Clock::now();
    if (!ExportDxfFile(doc, path, BenchProgress())) {
        std::fprintf(stderr, "export to %s failed\n", path.c_str());
        std::exit(1);
    }
    times.Add(Seconds(t0, Clock::now()), CpuSeconds() - c0);
}

double FileMb(const std::string& path) {
    std::ifstream probe(path, std::ios::binary | std::ios::ate);
    return static_cast<double>(probe.tellg()) / 1e6;
}

void Run(int n, int runs, const std::string& dir) {
    const std::string path = dir + "/tav_dxf_bench_" + std::to_string(n) + ".dxf";
    const std::string out = dir + "/tav_dxf_bench_out.dxf";
    // Memory-backed, where syncing costs nothing: the export's own speed.
    const bool shm = access("/dev/shm", W_OK) == 0;
    const std::string outShm = "/dev/shm/tav_dxf_bench_out.dxf";
    const auto g0 = Clock::now();
    Generate(path, n);
    const auto g1 = Clock::now();
    const double mb = FileMb(path);

    // The drawing to export, imported once here.
    CSilentPrompter prompter;
    CTAVDoc doc(&prompter);
    if (ImportDxfFile(doc, path) != EImportResult::Done) {
        std::fprintf(stderr, "import failed\n");
        std::exit(1);
    }

    STimes baseline, import, exportDisk, exportShm;
    long numbers = 0;
    SImportResult last;
    for (int r = 0; r < runs; ++r) {
        double cpu = 0.0;
        const double wall = Baseline(path, numbers, cpu);
        baseline.Add(wall, cpu);
        last = ImportInChild(path);
        if (last.seconds < 0) {
            std::fprintf(stderr, "import failed\n");
            std::exit(1);
        }
        import.Add(last.seconds, last.cpu);
        TimeExport(doc, out, exportDisk);
        if (shm) {
            TimeExport(doc, outShm, exportShm);
        }
    }
    const double outMb = FileMb(out);

    // With the largest mixed file: as many entities made by block references.
    STimes inserts;
    SImportResult insertsLast;
    const std::string insertsPath = dir + "/tav_dxf_bench_inserts.dxf";
    const bool withInserts = n >= 1000000 && EnvInt("TAV_DXF_INSERTS", 1) != 0;
    if (withInserts) {
        GenerateInserts(insertsPath, n / 10);
        for (int r = 0; r < runs; ++r) {
            insertsLast = ImportInChild(insertsPath);
            if (insertsLast.seconds < 0) {
                std::fprintf(stderr, "import of the inserts failed\n");
                std::exit(1);
            }
            inserts.Add(insertsLast.seconds, insertsLast.cpu);
        }
        unlink(insertsPath.c_str());
    }

    std::printf(
        "N = %d entities (%d after import), file %.1f MB with %ld numbers, generated in "
        "%.2f s; medians of %d runs, wall (CPU) seconds\n",
        n, last.entities, mb, numbers, Seconds(g0, g1), runs);
    std::printf("  raw baseline   %7.3f (%7.3f)  %7.1f MB/s\n", baseline.Wall(), baseline.Cpu(),
                mb / baseline.Wall());
    std::printf("  import         %7.3f (%7.3f)  %7.1f MB/s  %10.0f entities/s\n", import.Wall(),
                import.Cpu(), mb / import.Wall(), n / import.Wall());
    std::printf(
        "    throughput vs the baseline: %.2fx by wall time, %.2fx by CPU time "
        "(target >= 0.5x)\n",
        baseline.Wall() / import.Wall(), baseline.Cpu() / import.Cpu());
    std::printf(
        "    memory: model %.1f MB, peak %.1f MB over a base of %.1f MB: peak/model %.3f "
        "(target <= 1.3)\n",
        last.modelKb / 1024.0, (last.peakKb - last.baseKb) / 1024.0, last.baseKb / 1024.0,
        static_cast<double>(last.peakKb - last.baseKb) / static_cast<double>(last.modelKb));
    std::printf(
        "  export to disk %7.3f (%7.3f)  %7.1f MB/s  %10.0f entities/s (file %.1f MB, "
        "synced)\n",
        exportDisk.Wall(), exportDisk.Cpu(), outMb / exportDisk.Wall(), n / exportDisk.Wall(),
        outMb);
    if (shm) {
        std::printf(
            "  export to shm  %7.3f (%7.3f)  %7.1f MB/s  %10.0f entities/s (target >= "
            "2000000)\n",
            exportShm.Wall(), exportShm.Cpu(), outMb / exportShm.Wall(), n / exportShm.Wall());
    }

    if (withInserts) {
        std::printf(
            "  %d INSERTs of a 10-entity block with 3 attributes: %d entities imported in "
            "%7.3f (%7.3f) s, %.2fx the mixed file's import (target <= 1)\n",
            n / 10, insertsLast.entities, inserts.Wall(), inserts.Cpu(),
            inserts.Wall() / import.Wall());
    }

    if (EnvInt("TAV_DXF_PEERS", 1) != 0) {
        const int peerRuns = RunsFromEnv("TAV_DXF_PEER_RUNS", 1);
        struct {
            const char* name;
            std::vector<std::string> argv;
        } peers[] = {
            {"GDAL ogrinfo -ro -al -so", {"ogrinfo", "-ro", "-al", "-so", path}},
            {"ezdxf readfile",
             {"/usr/bin/python3", "-c", "import sys, ezdxf; ezdxf.readfile(sys.argv[1])", path}},
        };
        for (const auto& p : peers) {
            std::vector<double> t;
            for (int r = 0; r < peerRuns; ++r) {
                const double s = RunPeer(p.argv);
                if (s < 0) {
                    break;
                }
                t.push_back(s);
            }
            if (t.empty()) {
                std::printf("  peer %-26s not installed or failed: skipped\n", p.name);
            } else {
                const double m = Median(t);
                std::printf("  peer %-26s %7.3f s wall (%d run%s): %.1fx the import's time\n",
                            p.name, m, static_cast<int>(t.size()), t.size() == 1 ? "" : "s",
                            m / import.Wall());
            }
        }
    }
    if (!std::getenv("TAV_DXF_KEEP")) {
        unlink(path.c_str());
        unlink(out.c_str());
    }
    unlink(outShm.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each result as soon as it is known
    const int runs = RunsFromEnv("TAV_DXF_RUNS");
    PrintBenchProgressMode();
    for (long long n : SizesFromArgs(argc, argv, {100000, 1000000})) {
        Run(static_cast<int>(n), runs, TempDir());
    }
    return 0;
}
