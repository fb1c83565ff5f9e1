#include "view/gl/PickPass.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>

#include "document/TAVDoc.h"
#include "view/gl/SceneRenderer.h"

namespace {

// Runs draw in selection mode with a buffer of words entries, doubling it while it overflows.
template <typename Draw>
std::vector<GLuint> SelectPass(size_t words, Draw draw) {
    words = std::max<size_t>(words, 64);
    for (;;) {
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
            // Keep only the records that were written.
            size_t used = 0;
            for (GLint h = 0; h < std::max(hits, 0) && used < buffer.size(); ++h) {
                used += 3 + buffer[used];
            }
            buffer.resize(std::min(used, buffer.size()));
            return buffer;
        }
        words = capped * 2;
    }
}

}  // namespace

std::vector<unsigned> RunPickPass(CSceneRenderer& renderer, const CCamera& camera, double l,
                                  double r, double b, double t, const std::vector<int>* subset) {
    const CTAVDoc* doc = renderer.GetDocument();
    const size_t count = doc ? static_cast<size_t>(doc->GetEntityCount()) : 0;
    glViewport(0, 0, camera.m_clientWidth, camera.m_clientHeight);
    renderer.SetupProjection(l, r, b, t, true);
    renderer.SetupViewingTransform();
    renderer.ApplyClipPlanes();
    const int mode = renderer.m_renderMode;
    const int handle = renderer.m_editHandle;
    renderer.m_renderMode = 0;
    renderer.m_editHandle = -1;
    const std::vector<GLuint> buffer = SelectPass((count + 2) * 5, [&] {
        if (subset) {
            renderer.DrawEntities(*subset);
        } else {
            renderer.DrawScene();
        }
    });
    renderer.m_renderMode = mode;
    renderer.m_editHandle = handle;
    std::vector<unsigned> names;
    for (size_t i = 0; i < buffer.size();) {
        const GLuint n = buffer[i];
        if (n >= 1 && i + 3 < buffer.size()) {
            names.push_back(buffer[i + 3]);
        }
        i += 3 + n;
    }
    renderer.SetupProjection(true);
    return names;
}
