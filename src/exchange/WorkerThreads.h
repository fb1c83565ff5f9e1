#pragma once

#include <cstdlib>

// Whether readers and writers may use a second thread. TAV_SINGLE_THREAD=1 in the environment
// keeps all their work on the calling thread, with the same results: for measuring what the
// threads gain and for debugging.
inline bool WorkerThreadsAllowed() {
    static const bool allowed = [] {
        const char* v = std::getenv("TAV_SINGLE_THREAD");
        return v == nullptr || *v == '\0' || *v == '0';
    }();
    return allowed;
}
