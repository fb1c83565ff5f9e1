#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/TavCli.h"
#include "cli/TerminalProgress.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CTerminalProgress progress(STDERR_FILENO);
    return RunTavCli(args, std::cout, std::cerr, &progress);
}
