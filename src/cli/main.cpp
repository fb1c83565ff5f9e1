#include <iostream>
#include <string>
#include <vector>

#include "cli/TavCli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunTavCli(args, std::cout, std::cerr);
}
