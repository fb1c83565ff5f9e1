#pragma once

// Running tavcli in-process from the tests, with what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/TavCli.h"

struct SRun {
    int code;
    std::string out, err;
};

// Runs tavcli with args and returns its exit code and both outputs.
inline SRun RunCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunTavCli(args, out, err);
    return {code, out.str(), err.str()};
}
