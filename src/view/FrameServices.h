#pragma once

#include <functional>
#include <span>
#include <string>

#include "geometry/Vec3.h"

class CPrompter;
class CTAVDoc;

// What views and tools ask of the main frame. The main frame implements it and registers
// itself, so nothing below the application shell includes its headers.
class CFrameServices {
public:
    virtual ~CFrameServices() = default;
    // True when views draw on a white background, false for black.
    virtual bool IsBackgroundWhite() const = 0;
    // True when views render through display lists.
    virtual bool IsDisplayListUsed() const = 0;
    // Text of the status bar's message pane.
    virtual void SetStatusText(const std::string& text) = 0;
    // Text of the coordinate pane, which is resized to fit it.
    virtual void SetCoordinateText(const std::string& text) = 0;
    // Shows the layers of doc in the layer combo box; nullptr empties it.
    virtual void ShowDocumentLayers(CTAVDoc* doc) = 0;
    // Something the commands' enabled and check states depend on changed (tool, selection,
    // view history, the document's flags); the frame brings them up to date once, later.
    virtual void CommandStateChanged() {}
};

// What the application shell lends the views beyond the frame services: running a command of
// its table by id (the view's popups), asking whether it is enabled (checked: 1, 0 or -1), a
// message box with its own caption, and the result text of a finished measurement (kind, the
// points, the picked point, the active system's matrix or null, where to say what went wrong).
// Empty functions mean there is no shell; a measurement then ends without a result.
struct SFrameCommandHooks {
    std::function<bool(unsigned id)> run;
    std::function<bool(unsigned id, int& checked)> query;
    std::function<void(const std::string& caption, const std::string& text)> showInfo;
    std::function<std::string(int kind, std::span<const CPoint3> points, const CPoint3& picked,
                              const CMatrix4* toLocal, CPrompter* prompter)>
        measurementText;
};

// The hooks of this process; the shell fills them, tests may too.
inline SFrameCommandHooks& FrameCommandHooks() {
    static SFrameCommandHooks hooks;
    return hooks;
}

// The registered main frame, or nullptr (batch runs, tests of single widgets).
CFrameServices* GetFrameServices();
// Registers the main frame; nullptr unregisters.
void SetFrameServices(CFrameServices* services);
