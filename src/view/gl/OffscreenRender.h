#pragma once

// Rendering a document without a window: a GL context on an offscreen surface drawing into a
// framebuffer object, read back into an image. Used by tavcli render, the GL tests and raster
// printing. Needs a QGuiApplication on a platform with OpenGL (xcb under Xvfb will do).

#include <QImage>
#include <QSurfaceFormat>
#include <memory>
#include <string>

class CTAVDoc;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QPainter;

// The GL the drawing needs: a compatibility profile with 8-bit colour and a 24-bit depth buffer.
QSurfaceFormat CompatibilityFormat();

// A current-able compatibility context with a colour + depth framebuffer of a fixed size.
class COffscreenGL {
public:
    COffscreenGL();
    ~COffscreenGL();
    COffscreenGL(const COffscreenGL&) = delete;
    COffscreenGL& operator=(const COffscreenGL&) = delete;

    // Creates the context and a width x height framebuffer; false with a reason in error.
    bool Create(int width, int height, std::string& error);
    // Makes the context current and binds the framebuffer; false when that fails.
    bool MakeCurrent();
    // Releases the context.
    void DoneCurrent();
    // The framebuffer's pixels as an opaque RGB32 image (the context must be current).
    QImage Image() const;

private:
    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
};

// What tavcli render and raster output may change from the saved view.
struct CRenderOptions {
    int width = 0;  // 0: the client size stored with the document
    int height = 0;
    int mode = -1;  // -1: the document's render mode, else 0..3
    bool whiteBackground = false;
    bool showNames = false;
    bool fit = false;  // "Pokaż wszystko" before drawing
    bool useDisplayList = true;
};

// Draws doc as its first view would, with the saved camera. Returns false with a reason in error
// when no context or framebuffer can be had. The camera of doc is not changed.
bool RenderDocumentImage(CTAVDoc& doc, const CRenderOptions& options, QImage& out,
                         std::string& error);

// The green target marker: a 21-pixel cross and a circle of radius 6 around (x, y).
void DrawTargetMarker(QPainter& painter, int x, int y);
