#pragma once

#include <string>

class CTAVDoc;

// What views and tools ask of the main frame. The main frame implements it and registers
// itself, so nothing below the application shell includes its headers.
class CFrameServices {
public:
    virtual ~CFrameServices() = default;
    // Nonzero when views draw on a white background, zero for black.
    virtual int IsBackgroundWhite() const = 0;
    // Nonzero when views render through display lists.
    virtual int IsDisplayListUsed() const = 0;
    // Text of the status bar's message pane.
    virtual void SetStatusText(const std::string& text) = 0;
    // Text of the coordinate pane, which is resized to fit it.
    virtual void SetCoordinateText(const std::string& text) = 0;
    // Shows the layers of doc in the layer combo box; nullptr empties it.
    virtual void ShowDocumentLayers(CTAVDoc* doc) = 0;
};

// The registered main frame, or nullptr (batch runs, tests of single widgets).
CFrameServices* GetFrameServices();
// Registers the main frame; nullptr unregisters.
void SetFrameServices(CFrameServices* services);
