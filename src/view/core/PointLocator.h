#pragma once

// Point localization (snapping) and the candidate search of picking, computed from the camera
// without GL. The GL selection passes (view/gl/PickPass) give the same answers; these are fast
// because a bounding volume hierarchy over the entities, queried with the pick frustum, leaves
// out everything far from the cursor.

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/Vec3.h"
#include "view/core/Camera.h"

class CEntity;
class CTAVDoc;

// Kinds of point localization, one bit each (the view's localization mask).
enum ESnapKind : uint16_t {
    kSnapPoint = 1,          // a CPnt
    kSnapVertex = 2,         // every vertex of a CPoly
    kSnapArcCentre = 4,      // centre of a CArc
    kSnapTextStart = 8,      // insertion point of a CText
    kSnapMidpoint = 16,      // midpoint of a segment; angular midpoint of an arc
    kSnapArcEnds = 32,       // start and end of an arc that is not a full circle
    kSnapQuadrants = 64,     // 0, 90, 180, 270 degrees of a full circle
    kSnapIntersection = 128  // crossing of two CPoly segments
};

// Half the side of the square a click picks, in pixels.
inline constexpr int kPickHalfPixels = 4;
// Side of the square pick window of point localization, in pixels: the default and the range
// the user may choose from.
inline constexpr double kLocateWindow = 4.0;
inline constexpr int kLocateWindowMin = 4;
inline constexpr int kLocateWindowMax = 25;

// Maps a point of the scene (world coordinates) to clip coordinates of one selection pass, as
// GL would: projection (with a pick matrix) times model-view, applied to (point - pivot), and
// the active clipping planes. An invalid transform (a projection GL would refuse) hits nothing.
class CClipTransform {
public:
    // The square window of point localization (side window pixels) around pixel (x, y) (y
    // downwards): a pick matrix over the camera's own projection.
    static CClipTransform ForLocate(const CCamera& cam, const CTAVDoc* doc, int maxClipPlanes,
                                    double x, double y, double window = kLocateWindow);
    // A projection with an explicit window in view units (the click square or the rectangle
    // of picking), like SetupProjection(l, r, b, t) of the view.
    static CClipTransform ForBox(const CCamera& cam, const CTAVDoc* doc, int maxClipPlanes,
                                 double l, double r, double b, double t);

    // False when GL would refuse the projection (empty window, near = far).
    bool IsValid() const { return m_valid; }
    // True when p survives clipping; depth = its window z (0 near .. 1 far).
    bool PointHit(const CPoint3& p, double& depth) const;
    // True when some part of the segment survives clipping.
    bool SegmentHit(const CPoint3& a, const CPoint3& b) const;
    // False only when the box lies wholly outside one side of the frustum.
    bool BoxMayHit(const double mn[3], const double mx[3]) const;

    CMatrix4 m_clip;  // clip = m_clip * (p - pivot, 1)
    CVec3 m_pivot;
    std::vector<std::array<double, 4>> m_userPlanes;  // kept where a x + b y + c z + d >= 0

private:
    void AddDocumentPlanes(const CTAVDoc* doc, int maxClipPlanes);
    bool m_valid = false;
};

// A hit of point localization: which entity, which of its candidates (polyline vertex j gives
// 2j, its segment's midpoint 2j + 1; arc names 0 centre, 1 start, 2 end, 3 midpoint, 4-7
// quadrants; points and texts 0) and the depth GL would record.
struct SSnapCandidate {
    int entity = 0;
    int order = 0;
    float depth = 0;
};

// A segment j (vertex j to the next, or the last back to the first of a polygon) under the
// cursor.
struct SSnapSegment {
    int entity = 0;
    int j = 0;
};

// The point a candidate stands for; false when the entity has no such point.
bool SnapCandidatePoint(const CEntity& e, int order, CPoint3& out);
// Segment j of a polyline or polygon; false when it does not exist.
bool SnapSegmentOf(const CEntity& e, int j, CPoint3& a, CPoint3& b);
// The kind (one ESnapKind bit) of candidate order of entity e.
uint16_t SnapCandidateKind(const CEntity& e, int order);
// The choice among hits: the smallest depth, on equal depth the first listed (entity, then
// order); then each pair of hit segments whose crossing (both clamped, coplanar) is nearer to
// eye than the point so far, or the first crossing when nothing was chosen. Returns true with
// out set when something was chosen, and its kind in *kind when given. Candidates and segments
// may come in any order.
bool ResolveSnap(const CTAVDoc& doc, std::vector<SSnapCandidate> candidates,
                 std::vector<SSnapSegment> segments, const CPoint3& eye, CPoint3& out,
                 uint16_t* kind = nullptr);

// Bounding volume hierarchy over the drawable pieces of a document (polylines cut into runs of
// vertices, arcs, texts, points), built once per document change.
class CSceneIndex {
public:
    // One piece: entity, first vertex and vertex count (polylines; 0, 0 otherwise), box.
    struct SItem {
        double mn[3], mx[3];
        int entity;
        int first;
        int count;
    };

    // Rebuilds from the document; non-finite coordinates give a box that always matches.
    void Build(const CTAVDoc& doc);
    // Forgets everything; IsBuiltFor is then false.
    void Clear();
    // True when built and not invalidated since, for a document with count entities.
    bool IsBuiltFor(int entityCount) const { return m_built && m_entityCount == entityCount; }
    // Items whose box the transform may hit, in no particular order.
    void Query(const CClipTransform& t, std::vector<const SItem*>& out) const;
    int ItemCount() const { return static_cast<int>(m_items.size()); }

private:
    struct SNode {
        double mn[3], mx[3];
        int first;  // first item (leaf) or left child (inner)
        int count;  // items of a leaf, 0 for an inner node
        int right;  // right child of an inner node
    };
    int BuildNode(int first, int count);

    std::vector<SItem> m_items;
    std::vector<SNode> m_nodes;
    bool m_built = false;
    int m_entityCount = 0;
};

// Point localization of one view: keeps the index between mouse moves.
class CPointLocator {
public:
    // The document's entities changed: the index is rebuilt before the next use.
    void Invalidate() { m_index.Clear(); }
    // Rebuilds the index now when it is stale (after an edit, so the next move is fast).
    void Update(const CTAVDoc& doc);
    // Side of the pick window in pixels, clamped to kLocateWindowMin..kLocateWindowMax.
    void SetWindow(int pixels);
    double Window() const { return m_window; }
    // The localized point under pixel (x, y): the candidates of the kinds in mask on visible,
    // unlocked layers inside the pick window and not clipped away. Returns true (pending) with
    // out = the chosen point, or false with out = the point on the reference plane. LastKind
    // then tells what was found (0 for nothing).
    bool Locate(const CTAVDoc& doc, const CCamera& cam, uint16_t mask, int maxClipPlanes, int x,
                int y, CPoint3& out);
    uint16_t LastKind() const { return m_lastKind; }
    // The same without the index (every entity tested); the benchmark's and tests' baseline.
    bool LocateBruteForce(const CTAVDoc& doc, const CCamera& cam, uint16_t mask, int maxClipPlanes,
                          int x, int y, CPoint3& out) const;
    // Entities that a pick with transform t may hit (ascending): those whose pieces' boxes meet
    // the frustum, plus every point entity when withPointNames (their names' size depends on the
    // camera). The GL pass draws only these.
    std::vector<int> PickCandidates(const CTAVDoc& doc, const CClipTransform& t,
                                    bool withPointNames);
    const CSceneIndex& Index() const { return m_index; }

private:
    CSceneIndex m_index;
    std::vector<const CSceneIndex::SItem*> m_found;
    double m_window = kLocateWindow;
    uint16_t m_lastKind = 0;
};

// The view-unit window of a click at (x, y): plus and minus 4 pixels around WindowToView.
void ClickPickBox(const CCamera& cam, int x, int y, double& l, double& r, double& b, double& t);
// The view-unit window of a rectangle between two pixels; a side of no width is widened to one
// pixel (GL refuses an empty window).
void RectanglePickBox(const CCamera& cam, int x0, int y0, int x1, int y1, double& l, double& r,
                      double& b, double& t);
