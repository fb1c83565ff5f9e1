#include "support/ReferenceLocalize.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "document/TAVDoc.h"
#include "view/core/PointLocator.h"
#include "view/gl/SceneRenderer.h"

namespace {

// Runs draw in selection mode, doubling the buffer while it overflows; only written records.
template <typename Draw>
std::vector<GLuint> SelectPass(size_t words, Draw draw) {
    for (words = std::max<size_t>(words, 64);; words *= 2) {
        const size_t capped = std::min<size_t>(words, INT_MAX / 2);
        std::vector<GLuint> buffer(capped);
        glSelectBuffer(static_cast<GLsizei>(capped), buffer.data());
        glRenderMode(GL_SELECT);
        glInitNames();
        glPushName(0);
        draw();
        glFlush();
        const GLint hits = glRenderMode(GL_RENDER);
        if (hits >= 0 || capped >= INT_MAX / 2) {
            size_t used = 0;
            for (GLint h = 0; h < std::max(hits, 0) && used < buffer.size(); ++h) {
                used += 3 + buffer[used];
            }
            buffer.resize(std::min(used, buffer.size()));
            return buffer;
        }
    }
}

void PointVertex(const CCamera& cam, const CPoint3& p) {
    glBegin(GL_POINTS);
    glVertex3d(p.x - cam.m_pivot.x, p.y - cam.m_pivot.y, p.z - cam.m_pivot.z);
    glEnd();
}

}  // namespace

bool ReferenceLocalize(CSceneRenderer& renderer, const CCamera& cam, const CTAVDoc& doc,
                       uint16_t mask, int x, int y, CPoint3& out, double window) {
    cam.WindowToWorld(x, y, true, &doc, out);
    const int count = doc.GetEntityCount();
    size_t records = 0;
    for (int i = 0; i < count; ++i) {
        const CEntity* e = doc.GetEntity(i);
        records += e->GetType() == kTypeArc ? 8 : 1;
        if (e->GetType() == kTypePolygon || e->GetType() == kTypePolyline) {
            records += 3 * static_cast<size_t>(static_cast<const CPoly*>(e)->GetVertexCount());
        }
    }
    const GLint viewport[4] = {0, 0, cam.m_clientWidth, cam.m_clientHeight};
    glViewport(0, 0, cam.m_clientWidth, cam.m_clientHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPickMatrix(x, cam.m_clientHeight - y, window, window, const_cast<GLint*>(viewport));
    renderer.SetupProjection(false);
    renderer.SetupViewingTransform();
    renderer.ApplyClipPlanes();
    const int layers = doc.GetLayerCount();
    const std::vector<GLuint> buffer = SelectPass((records + 2) * 6, [&] {
        for (int i = 0; i < count; ++i) {
            const CEntity& e = *doc.GetEntity(i);
            if (e.m_layer >= 0 && e.m_layer < layers &&
                (!doc.GetLayer(e.m_layer).m_visible || doc.GetLayer(e.m_layer).m_locked)) {
                continue;
            }
            glLoadName(static_cast<GLuint>(i));
            glPushName(0);
            switch (e.GetType()) {
                case kTypePolygon:
                case kTypePolyline: {
                    const auto& poly = static_cast<const CPoly&>(e);
                    const int n = poly.GetVertexCount();
                    for (int j = 0; j < n; ++j) {
                        glLoadName(static_cast<GLuint>(j));
                        glPushName(0);
                        const CPoint3& v = poly.m_vertices[static_cast<size_t>(j)];
                        if (mask & kSnapVertex) {
                            glLoadName(0);
                            PointVertex(cam, v);
                        }
                        CPoint3 a, w;
                        if (SnapSegmentOf(poly, j, a, w)) {
                            if (mask & kSnapMidpoint) {
                                glLoadName(1);
                                PointVertex(cam, CPoint3((v.x + w.x) * 0.5, (v.y + w.y) * 0.5,
                                                         (v.z + w.z) * 0.5));
                            }
                            if (mask & kSnapIntersection) {
                                glLoadName(2);
                                glBegin(GL_LINES);
                                glVertex3d(v.x - cam.m_pivot.x, v.y - cam.m_pivot.y,
                                           v.z - cam.m_pivot.z);
                                glVertex3d(w.x - cam.m_pivot.x, w.y - cam.m_pivot.y,
                                           w.z - cam.m_pivot.z);
                                glEnd();
                            }
                        }
                        glPopName();
                    }
                    break;
                }
                case kTypeText:
                    if (mask & kSnapTextStart) {
                        PointVertex(cam, static_cast<const CText&>(e).m_position);
                    }
                    break;
                case kTypePoint:
                    if (mask & kSnapPoint) {
                        PointVertex(cam, static_cast<const CPnt&>(e).m_point);
                    }
                    break;
                case kTypeArc: {
                    static const uint16_t kArcBits[8] = {
                        kSnapArcCentre, kSnapArcEnds,   kSnapArcEnds,   kSnapMidpoint,
                        kSnapQuadrants, kSnapQuadrants, kSnapQuadrants, kSnapQuadrants};
                    for (int k = 0; k < 8; ++k) {
                        CPoint3 p;
                        if ((mask & kArcBits[k]) && SnapCandidatePoint(e, k, p)) {
                            glLoadName(static_cast<GLuint>(k));
                            PointVertex(cam, p);
                        }
                    }
                    break;
                }
                default:
                    break;
            }
            glPopName();
        }
    });
    std::vector<SSnapCandidate> cands;
    std::vector<SSnapSegment> segs;
    for (size_t i = 0; i < buffer.size();) {
        const GLuint n = buffer[i];
        if (i + 3 + n > buffer.size()) {
            break;
        }
        const GLuint* names = &buffer[i + 3];
        const float depth = static_cast<float>(buffer[i + 1] / 4294967295.0);
        if (n == 3 && names[2] == 2) {
            segs.push_back({static_cast<int>(names[0]), static_cast<int>(names[1])});
        } else if (n == 3) {
            cands.push_back(
                {static_cast<int>(names[0]), static_cast<int>(names[1] * 2 + names[2]), depth});
        } else if (n == 2) {
            cands.push_back({static_cast<int>(names[0]), static_cast<int>(names[1]), depth});
        }
        i += 3 + n;
    }
    renderer.SetupProjection(true);
    CPoint3 snapped;
    if (ResolveSnap(doc, std::move(cands), std::move(segs), cam.m_eye, snapped)) {
        out = snapped;
        return true;
    }
    return false;
}
