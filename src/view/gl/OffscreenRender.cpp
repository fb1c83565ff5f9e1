#include "view/gl/OffscreenRender.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPainter>
#include <QSurfaceFormat>

#include <GL/gl.h>
#include <algorithm>

#include "document/TAVDoc.h"
#include "view/core/Camera.h"
#include "view/gl/SceneRenderer.h"

namespace {

// Larger images cost memory without use; the widest screens stay below this.
constexpr int kMaxImageSide = 16384;

}  // namespace

QSurfaceFormat CompatibilityFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    return format;
}

COffscreenGL::COffscreenGL() = default;

COffscreenGL::~COffscreenGL() {
    if (m_context && m_fbo) {
        m_context->makeCurrent(m_surface.get());
        m_fbo.reset();
        m_context->doneCurrent();
    }
}

bool COffscreenGL::Create(int width, int height, std::string& error) {
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) {
        error = "image size out of range (1.." + std::to_string(kMaxImageSide) + ")";
        return false;
    }
    m_surface = std::make_unique<QOffscreenSurface>();
    m_surface->setFormat(CompatibilityFormat());
    m_surface->create();
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(CompatibilityFormat());
    if (!m_surface->isValid() || !m_context->create()) {
        error = "no OpenGL context on this display";
        return false;
    }
    if (!m_context->makeCurrent(m_surface.get())) {
        error = "the OpenGL context cannot be made current";
        return false;
    }
    QOpenGLFramebufferObjectFormat fboFormat;
    fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    m_fbo = std::make_unique<QOpenGLFramebufferObject>(width, height, fboFormat);
    const bool ok = m_fbo->isValid();
    m_context->doneCurrent();
    if (!ok) {
        m_fbo.reset();
        error = "no framebuffer object of that size";
        return false;
    }
    return true;
}

bool COffscreenGL::MakeCurrent() {
    if (!m_context || !m_fbo || !m_context->makeCurrent(m_surface.get())) {
        return false;
    }
    return m_fbo->bind();
}

void COffscreenGL::DoneCurrent() {
    if (m_context) {
        m_context->doneCurrent();
    }
}

QImage COffscreenGL::Image() const {
    // The picture is opaque whatever alpha the clear colour left.
    return m_fbo ? m_fbo->toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

bool RenderDocumentImage(CTAVDoc& doc, const CRenderOptions& options, QImage& out,
                         std::string& error) {
    const CViewState& saved = doc.ViewState();
    CCamera camera;
    // The saved camera first, refitted to its own size, then to the image size.
    camera.LoadState(saved);
    camera.Resize(saved.clientWidth, saved.clientHeight);
    const int width = options.width > 0 ? options.width : std::max(1, saved.clientWidth);
    const int height = options.height > 0 ? options.height : std::max(1, saved.clientHeight);
    COffscreenGL gl;
    if (!gl.Create(width, height, error)) {
        return false;
    }
    camera.Resize(width, height);
    if (options.fit) {
        camera.ZoomAll(doc, true, false);
    }
    if (!gl.MakeCurrent()) {
        error = "the OpenGL context cannot be made current";
        return false;
    }
    CSceneRenderer renderer(camera);
    renderer.SetDocument(&doc);
    renderer.m_whiteBackground = options.whiteBackground;
    renderer.m_renderMode = options.mode >= 0 ? options.mode : saved.renderMode;
    renderer.m_renderMode = std::clamp(renderer.m_renderMode, 0, 3);
    renderer.m_showNames = options.showNames ? 1 : 0;
    renderer.m_useDisplayList = options.useDisplayList;
    renderer.InitializeGL();
    glViewport(0, 0, width, height);
    renderer.RenderFrame();
    out = gl.Image();
    renderer.ReleaseGL();
    gl.DoneCurrent();
    if (saved.targetMarker) {
        int x = 0, y = 0;
        camera.ProjectToWindow(camera.m_target, x, y);
        QPainter painter(&out);
        DrawTargetMarker(painter, x, y);
    }
    return true;
}

void DrawTargetMarker(QPainter& painter, int x, int y) {
    painter.save();
    painter.setPen(QPen(QColor(0, 255, 0), 0, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(x - 10, y, x + 10, y);
    painter.drawLine(x, y + 10, x, y - 10);
    painter.drawEllipse(QPoint(x, y), 6, 6);
    painter.restore();
}
