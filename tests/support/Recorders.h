#pragma once

// What the document tells its views and what a view tells the main frame, counted.

#include <string>
#include <vector>

#include "document/TAVDoc.h"
#include "view/FrameServices.h"

class CCountingObserver : public CDocObserver {
public:
    void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
    void InvalidateDisplayList() override { ++invalidated; }
    void ResetCurrentPick() override { ++pickResets; }
    void OnEntitiesRemoved() override { ++removed; }
    void StoreViewState(CTAVDoc&) override { ++stored; }
    std::vector<int> hints;
    int invalidated = 0, pickResets = 0, removed = 0, stored = 0;
};

class CRecordingFrame : public CFrameServices {
public:
    bool IsBackgroundWhite() const override { return white; }
    bool IsDisplayListUsed() const override { return true; }
    void SetStatusText(const std::string& text) override { status = text; }
    void SetCoordinateText(const std::string& text) override { coordinates = text; }
    void ShowDocumentLayers(CTAVDoc* doc) override { shown.push_back(doc); }
    bool white = false;
    std::string status, coordinates;
    std::vector<CTAVDoc*> shown;
};
