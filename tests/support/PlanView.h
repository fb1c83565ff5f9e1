#pragma once

// Plan views of a given window for printing without a widget.

#include "document/TAVDoc.h"
#include "view/core/Camera.h"

// A plan view showing x in [-w/2, w/2], y in [-h/2, h/2] on a cx x cy client area.
inline CViewState PlanState(double w, double h, int cx, int cy, int mode = 0) {
    CViewState s;
    s.renderMode = mode;
    s.windowLeft = -w / 2;
    s.windowRight = w / 2;
    s.windowBottom = -h / 2;
    s.windowTop = h / 2;
    s.clientWidth = cx;
    s.clientHeight = cy;
    s.nearPlane = -100;
    s.farPlane = 100;
    return s;
}

inline CCamera CameraOf(const CViewState& s) {
    CCamera cam;
    cam.LoadState(s);
    cam.Resize(s.clientWidth, s.clientHeight);
    return cam;
}
