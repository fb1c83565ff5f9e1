#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CPrompter;

// tavcli measure FILE --entity K: what "Informacje" shows of entity K (0-based) as JSON. args
// excludes the word "measure". Returns an ETavCliExit code: 1 for a point, a text or K out of
// range (the reason on stderr), 2 for a usage error.
int RunMeasureCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& out,
                      std::ostream& err);

// Usage lines of the measure command for the tavcli help text.
inline constexpr char kMeasureUsage[] =
    "  measure FILE --entity K\n"
    "                     print as JSON what \"Informacje\" shows of entity K (from 0): the\n"
    "                     kind, the rows of the dialog, the length or perimeter and the area\n"
    "                     (null when it cannot be computed); lengths and areas are the same\n"
    "                     in every coordinate system. Points and texts have none\n";
