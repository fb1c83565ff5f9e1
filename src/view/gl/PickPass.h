#pragma once

// The selection passes of picking and point localization in GL selection mode, as the view
// has always run them: the reference the fast searches of view/core are tested and timed
// against, and the pass that picks the candidates the index found. The context must be
// current; each pass leaves the projection and model-view of a frame behind.

#include <cstdint>
#include <vector>

#include "geometry/Vec3.h"

class CCamera;
class CSceneRenderer;
class CTAVDoc;

// Entity names of the hit records of one pick, in buffer order: the entities (all: nullptr)
// drawn in render mode 0 without edit handle, each under its own name, through the view-unit
// window (l, r, b, t). The buffer has room for a record per entity, so no hit is lost.
std::vector<unsigned> RunPickPass(CSceneRenderer& renderer, const CCamera& camera, double l,
                                  double r, double b, double t, const std::vector<int>* subset);

// Point localization by the selection buffer: every candidate of the kinds in mask drawn as
// a point (segments as lines) under its names through a square pick window of window pixels at
// (x, y). Returns true (pending) with out = the chosen point, else false with out = the point
// on the reference plane.
bool ReferenceLocalize(CSceneRenderer& renderer, const CCamera& camera, const CTAVDoc& doc,
                       uint16_t mask, int x, int y, CPoint3& out, double window = 4.0);
