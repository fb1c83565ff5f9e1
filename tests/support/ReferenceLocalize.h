#pragma once

// Point localization as the view once ran it, by the GL selection buffer: the oracle the fast
// search of view/core is tested and timed against. The context must be current; the pass leaves
// the projection and model-view of a frame behind.

#include <cstdint>

#include "geometry/Vec3.h"

class CCamera;
class CSceneRenderer;
class CTAVDoc;

// Every candidate of the kinds in mask drawn as a point (segments as lines) under its names
// through a square pick window of window pixels at (x, y). Returns true (pending) with out = the
// chosen point, else false with out = the point on the reference plane.
bool ReferenceLocalize(CSceneRenderer& renderer, const CCamera& camera, const CTAVDoc& doc,
                       uint16_t mask, int x, int y, CPoint3& out, double window = 4.0);
