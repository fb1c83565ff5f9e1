#pragma once

#include <atomic>
#include <cstdlib>

// Whether readers and writers may use a second thread. TAV_SINGLE_THREAD=1 in the environment
// keeps all their work on the calling thread, with the same results: for measuring what the
// threads gain and for debugging.
inline std::atomic<int>& WorkerThreadsSetting() {
    static std::atomic<int> setting{[] {
        const char* v = std::getenv("TAV_SINGLE_THREAD");
        return v == nullptr || *v == '\0' || *v == '0' ? 1 : 0;
    }()};
    return setting;
}
inline bool WorkerThreadsAllowed() {
    return WorkerThreadsSetting().load(std::memory_order_relaxed) != 0;
}
// The benchmarks switch between both ways inside one run.
inline void SetWorkerThreadsAllowed(bool allowed) {
    WorkerThreadsSetting().store(allowed ? 1 : 0, std::memory_order_relaxed);
}
