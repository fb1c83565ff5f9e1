#pragma once

// The GL side of printing: an off-screen context with a scene renderer for a page's camera, the
// feedback capture of planned items (vector pages) and the pictures of bands (raster pages).
// The print job decides pages, bands and paper; this draws what it is told.

#include <QImage>
#include <memory>
#include <vector>

#include "printing/core/Feedback.h"
#include "view/core/Camera.h"

class COffscreenGL;
class CSceneRenderer;
class CTAVDoc;

class CPrintGL {
public:
    // What the renderer shows.
    struct SOptions {
        bool raster = false;
        int tileSide = 2048;  // largest side of one band (raster)
        int renderMode = 0;
        bool whiteBackground = false;
        bool showNames = false;
        std::vector<int> pickList;  // raster pages: drawn highlighted as in the view
        int currentPick = -1;
    };
    // How captured items are drawn: arc density as printed (dpiX, or the screen's in preview).
    struct SCaptureStyle {
        bool showNames = false;
        bool preview = false;
        int dpiX = 0;
    };

    // doc and pageCamera must outlive this; the camera is read at every capture and band.
    CPrintGL(const CTAVDoc& doc, CCamera& pageCamera);
    ~CPrintGL();
    CPrintGL(const CPrintGL&) = delete;
    CPrintGL& operator=(const CPrintGL&) = delete;

    // Creates the context (raster: the largest square band up to tileSide that the context
    // allows, at least 64) and the renderer; false when no context can be had.
    bool Begin(const SOptions& options);
    // Frees the GL objects.
    void End();
    bool IsReady() const { return m_renderer != nullptr; }
    // Side of the bands of raster pages.
    int TileSide() const { return m_tileSide; }

    // Feedback (3D colour) of items [begin, end) seen by the page camera in a cx x cy viewport
    // (held to what the context allows), into buffer. Returns the number of floats, -1 when
    // the buffer ran over, -2 when the context could not be made current.
    int64_t Capture(const std::vector<SCaptureItem>& items, size_t begin, size_t end,
                    std::vector<float>& buffer, int cx, int cy, const SCaptureStyle& style);
    // The page camera's view in a vw x vh picture, lines lineWidth and points pointSize pixels
    // wide; a null image when the context could not be made current.
    QImage RenderBand(int vw, int vh, float lineWidth, float pointSize);

private:
    void DrawItem(const SCaptureItem& item, const SCaptureStyle& style);

    const CTAVDoc& m_doc;
    CCamera& m_camera;
    std::unique_ptr<COffscreenGL> m_gl;
    std::unique_ptr<CSceneRenderer> m_renderer;
    int m_tileSide = 0;
};
