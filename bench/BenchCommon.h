#pragma once

// Timing and memory helpers shared by the benchmark programs.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "document/Progress.h"

using Clock = std::chrono::steady_clock;

// Wall-clock seconds between two instants.
inline double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// User plus system CPU seconds of this process: on a shared machine the wall clock also counts
// the time other processes had the cores.
inline double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// The median of the samples (the upper one for an even count).
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The drawing sizes given on the command line, or the defaults when none are.
inline std::vector<long long> SizesFromArgs(int argc, char** argv,
                                            std::vector<long long> defaults) {
    std::vector<long long> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoll(argv[i]));
    }
    return sizes.empty() ? defaults : sizes;
}

// The number of runs from the environment variable name (at least 1), else fallback.
inline int RunsFromEnv(const char* name, int fallback = 5) {
    const char* v = std::getenv(name);
    return std::max(1, v != nullptr ? std::atoi(v) : fallback);
}

// $TMPDIR, or /tmp.
inline std::string TempDir() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr ? tmp : "/tmp";
}

// Resident memory of this process now, in KiB.
inline long CurrentRssKb() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Peak resident memory of this process so far, in KiB.
inline long PeakRssKb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// Runs work in a forked child, so that the child's peak memory is the work's own, and returns
// its result (a trivially copyable struct with a seconds field, -1 when the child failed).
template <typename R, typename F>
R RunInChild(F work) {
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const R r = work();
        const bool sent = write(fds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    R r;
    if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) {
        r.seconds = -1.0;
    }
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return r;
}

// A progress that only counts what it is told, so that a run with it and one without show what
// reporting costs the work.
class CBenchProgress : public CProgress {
public:
    explicit CBenchProgress(std::chrono::milliseconds interval) : m_interval(interval) {}
    void Begin(const std::string&) override {}
    bool Report(double) override {
        ++reports;
        return true;
    }
    void End() override {}
    std::chrono::milliseconds Interval() const override { return m_interval; }
    long reports = 0;

private:
    std::chrono::milliseconds m_interval;
};

// The progress given by $TAV_BENCH_PROGRESS: "1" one rate-limited like the program's, "every"
// one that takes every report (the worst case); nothing when unset or "0".
inline CProgress* BenchProgress() {
    static CBenchProgress limited(std::chrono::milliseconds(50));
    static CBenchProgress every(std::chrono::milliseconds(0));
    const char* v = std::getenv("TAV_BENCH_PROGRESS");
    const std::string mode = v != nullptr ? v : "";
    if (mode == "every") {
        return &every;
    }
    return mode.empty() || mode == "0" ? nullptr : &limited;
}

// Says which progress the run is watched by.
inline void PrintBenchProgressMode() {
    const char* v = std::getenv("TAV_BENCH_PROGRESS");
    std::printf("progress: %s\n", BenchProgress() == nullptr  ? "none"
                                  : std::string(v) == "every" ? "every report taken"
                                                              : "rate-limited (50 ms)");
}
