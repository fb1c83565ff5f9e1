#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CProgress;
class CPrompter;

// tavcli print FILE -o OUT.pdf [options]: prints a .tav document as its view would, with the
// print settings taken from the options, into a PDF (1200 dpi, no margins). args excludes the
// word "print". Returns an ETavCliExit code; usage errors are found before a display is needed.
// OUT is written through a temporary file beside it and replaced only on success. progress,
// when given, sees the opening and the pages.
int RunPrintCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err,
                    CProgress* progress = nullptr);

// Usage lines of the print command for the tavcli help text.
inline constexpr char kPrintUsage[] =
    "  print FILE -o OUT.pdf [--scale M:N | --fit] [--paper NAME] [--landscape] [--mono]\n"
    "        [--raster] [--white] [--line-width 0..8] [--window X1,Y1,X2,Y2]\n"
    "        [--shift-right MM] [--shift-down MM] [--names] [--zoom-all] [--dpi N]\n"
    "                     print a .tav document with its saved camera and render mode into\n"
    "                     a PDF, split over pages as needed: --scale M:N prints M mm on\n"
    "                     paper per N drawing units, --fit (the default) fits one page;\n"
    "                     --paper is a page size name such as A4, A3, Letter (any case,\n"
    "                     default A4), portrait unless --landscape; --mono prints black;\n"
    "                     --raster prints pictures even in mode 0 (modes 1-3 always do),\n"
    "                     at --dpi N (default 300, at most 1200) on a --white or black\n"
    "                     background; --line-width 0 (Auto) to 8 in 1/300 inch; --window\n"
    "                     prints that window of the view's plane instead of the screen;\n"
    "                     --shift-right and --shift-down (0..1000 mm) place the drawing\n"
    "                     instead of centring it; --names shows point names; --zoom-all\n"
    "                     shows everything first. Needs a display with OpenGL\n";
