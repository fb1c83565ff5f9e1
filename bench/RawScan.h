#pragma once

// The raw baseline of the line readers: reading the file line by line and converting its
// numbers, nothing else.

#include <cstdlib>
#include <string>
#include <string_view>

#include "BenchCommon.h"
#include "document/Prompter.h"
#include "exchange/LineReader.h"

// Reads path through CLineReader and sums lineValue(line) of every line into checksum (so the
// conversions cannot be dropped). Returns wall seconds; cpu gets CPU seconds. Exits when the
// file cannot be opened.
template <class LineValue>
double TimeRawScan(const std::string& path, double& checksum, double& cpu, LineValue lineValue) {
    CSilentPrompter prompter;
    CLineReader in;
    const double c0 = CpuSeconds();
    const auto t0 = Clock::now();
    if (!in.Open(path, prompter)) {
        std::exit(1);
    }
    std::string_view line;
    double sum = 0.0;
    while (in.ReadLine(line)) {
        sum += lineValue(line);
    }
    const auto t1 = Clock::now();
    cpu = CpuSeconds() - c0;
    checksum = sum;
    return Seconds(t0, t1);
}
