#pragma once

// What the widget tests of the view share: a plan view and waiting for its first frame.

#include <QApplication>
#include <QElapsedTimer>

#include "document/TAVDoc.h"
#include "view/TAVView.h"

// A 400 × 300 plan view of the 40 × 30 window around the origin, eye at z = 10, far plane 20.
inline CViewState PlanTestViewState() {
    CViewState s;
    s.clientWidth = 400;
    s.clientHeight = 300;
    s.windowLeft = -20;
    s.windowRight = 20;
    s.windowBottom = -15;
    s.windowTop = 15;
    s.eye = CPoint3(0, 0, 10);
    s.farPlane = 20;
    return s;
}

// Shows view at 400 × 300 and waits at most 5 s for its first frame; false when none came.
inline bool ShowAndWaitForFrame(CTAVView& view) {
    view.resize(400, 300);
    view.show();
    QElapsedTimer t;
    t.start();
    while (view.GetPaintCount() == 0 && t.elapsed() < 5000) {
        QApplication::processEvents();
    }
    return view.GetPaintCount() > 0;
}
