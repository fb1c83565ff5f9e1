#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class CProgress;
class CPrompter;
class CTAVDoc;
class QGuiApplication;

// True when a display (or a chosen Qt platform) is there to give an OpenGL context.
bool HasDisplay();
// For the commands that draw with OpenGL: refuses without a display, opens input into doc and
// makes a QGuiApplication (kept in app) unless one runs. Returns kExitOk or the exit code, the
// message already written to err or reported by the document. progress may see the opening.
int OpenDocumentForGl(const char* verb, const std::string& input, CTAVDoc& doc,
                      std::unique_ptr<QGuiApplication>& app, std::ostream& err,
                      CProgress* progress = nullptr);

// tavcli render FILE -o OUT.png [--mode 0..3] [--size WxH] [--white] [--names] [--fit]:
// draws the document through the view's drawing code into a PNG. args excludes the word
// "render". Returns an ETavCliExit code; usage errors are found before a display is needed.
int RunRenderCommand(const std::vector<std::string>& args, CPrompter& prompter, std::ostream& err);

// Usage lines of the render command for the tavcli help text.
inline constexpr char kRenderUsage[] =
    "  render FILE -o OUT.png [--mode 0..3] [--size WxH] [--white] [--names] [--fit]\n"
    "                     draw a .tav document as its view shows it (saved camera and render\n"
    "                     mode; --fit shows everything) into a PNG. Needs a display with\n"
    "                     OpenGL, e.g. under xvfb-run\n";
