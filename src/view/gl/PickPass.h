#pragma once

// The selection pass of picking in GL selection mode, as the view has always run it: the pass
// that picks among the candidates the index found, and the reference the index is tested and
// timed against. The context must be current; the pass leaves the projection and model-view of
// a frame behind.

#include <vector>

class CCamera;
class CSceneRenderer;

// Entity names of the hit records of one pick, in buffer order: the entities (all: nullptr)
// drawn in render mode 0 without edit handle, each under its own name, through the view-unit
// window (l, r, b, t). The buffer has room for a record per entity, so no hit is lost.
std::vector<unsigned> RunPickPass(CSceneRenderer& renderer, const CCamera& camera, double l,
                                  double r, double b, double t, const std::vector<int>* subset);
