#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CPrompter;

// tavcli data FILE --entity K -o OUT.pdf: prints the attribute data tree of entity K (its index
// in dump's entity list) into a PDF, page after page, as the tree dialog prints it. args
// excludes the word "data". Returns an ETavCliExit code: usage errors 2, an unreadable file,
// K out of range, an entity without data or an unwritable OUT 1. Needs no display.
int RunDataCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err);

// Usage lines of the data command for the tavcli help text.
inline constexpr char kDataUsage[] =
    "  data FILE --entity K -o OUT.pdf\n"
    "                     print the attribute data tree of entity K (its index in dump's\n"
    "                     entities) into a PDF as the tree dialog prints it; needs no display\n";
