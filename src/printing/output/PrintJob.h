#pragma once

// One print job of a document as a view shows it: prepare (layout and page count), begin
// (GL objects), one call per page, end. Pages are painted with a QPainter on any paged device
// (a QPrinter in the program, a QPdfWriter in tavcli, an image in tests). Mode 0 captures the
// scene as lines through GL feedback and draws them as lines; modes 1 to 3 render each page
// off-screen in bands and draw the pictures. The job works on its own copy of the camera, so a
// view that changes while a progress dialog lets events through does not change the pages.

#include <QPainter>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "printing/core/Feedback.h"
#include "printing/core/PrintLayout.h"
#include "printing/core/PrintSettings.h"
#include "view/core/Camera.h"

class CPrintGL;
class CProgress;
class CProgressMeter;
class CTAVDoc;
class QPagedPaintDevice;

// The paper and resolution of the device a job paints on.
struct SPrintDevice {
    double paperW = 0, paperH = 0;  // paint rectangle in mm
    double pw = 0, ph = 0;          // paint rectangle in device units
    int dpiX = 0, dpiY = 0;         // logical dots per inch
};

// What the layout takes of camera.
SPrintView PrintViewOf(const CCamera& camera);
// Turns camera (a copy) into the page's camera: the pivot at the target, the page window with
// scale 1, pixels per unit for the client size, the view matrix moved by the page translation.
void ApplyPageCamera(CCamera& camera, const SPrintPage& page);

// The paint rectangle of a paged device in mm and in its own units.
SPrintDevice DescribePrintDevice(const QPagedPaintDevice& device);

// What a job takes besides the settings.
struct SPrintJobOptions {
    bool preview = false;          // arcs at screen density
    bool forceRaster = false;      // the raster method in mode 0 too
    bool whiteBackground = false;  // raster pages: the view's background
    bool showNames = false;
    int renderMode = 0;
    int rasterDpi = 0;  // 0: the device's resolution, at most kPrintMaxRasterDpi
    int64_t captureCapFloats = kFeedbackCapFloats;
    int rasterTileSide = 2048;  // largest side of one off-screen band, pixels
    // Raster pages: the view's pick list (ascending) and its current pick, drawn highlighted.
    std::vector<int> pickList;
    int currentPick = -1;
    // Sees each run of device lines before it is painted (benchmarks keep them).
    std::function<void(const CDeviceLines&)> lineTap;
    // Told of the pages of Run (and of the captures or bands within a page); may stop the job.
    CProgress* progress = nullptr;
    // Called once when the job is stopped, before the painter ends (a printer drops the job
    // where it can).
    std::function<void()> abortDevice;
};

// Highest resolution of raster pages.
inline constexpr int kPrintMaxRasterDpi = 600;

// Figures of a finished job.
struct SPrintJobStats {
    int64_t segments = 0;  // device lines captured
    int64_t drawn = 0;     // segments on the pages after joining and thinning
    int64_t captures = 0;  // feedback captures made
    int64_t tiles = 0;     // off-screen bands drawn
    double captureSeconds = 0, mappingSeconds = 0, paintSeconds = 0;
};

class CPrintJob {
public:
    // doc must outlive the job; the camera is copied.
    CPrintJob(const CTAVDoc& doc, const CCamera& camera, const CPrintSettings& settings,
              const SPrintJobOptions& options);
    ~CPrintJob();
    CPrintJob(const CPrintJob&) = delete;
    CPrintJob& operator=(const CPrintJob&) = delete;

    // Lays out the job for the device; refuses what PreparePrintLayout refuses.
    SPrintRefusal OnPreparePrinting(const SPrintDevice& device);
    const CPrintLayout& Layout() const { return m_layout; }
    int64_t PageCount() const { return m_layout.PageCount(); }
    // True when pages are rendered as pictures (modes 1-3, or forced).
    bool IsRaster() const;
    // Creates the GL context (and for raster pages its framebuffer); false with 41525 in
    // Messages() when that fails: the job must then not start.
    bool OnBeginPrinting();
    // Paints page (1..PageCount()) with painter; false when the page stayed empty (error 5:
    // the context could not be made current, or 41461 in Messages()).
    bool OnPrint(QPainter& painter, int64_t page);
    // Frees the GL objects.
    void OnEndPrinting();

    // The whole job on device, pages first..last (0 = the last page): prepare, begin, paint,
    // end. Nothing is painted when preparing or beginning fails. Returns the refusal or ok.
    // Stopped through the options' progress: no further page is begun (the page being drawn
    // stays as far as it got), abortDevice is called, the painter ends and the GL objects
    // are freed; the result is not ok, cancelled, without a message.
    SPrintRefusal Run(QPagedPaintDevice& device, int64_t first = 1, int64_t last = 0);

    // Messages for the user met while printing (texts of the program), in order.
    const std::vector<std::string>& Messages() const { return m_messages; }
    // The context error number of the view's table (5 when making current failed), else 0.
    int GetError() const { return m_error; }
    const SPrintJobStats& Stats() const { return m_stats; }

private:
    bool PrintVector(QPainter& painter, const SPrintPage& page, const SDeviceMapping& map);
    bool PrintRaster(QPainter& painter, const SPrintPage& page, const SDeviceMapping& map);
    // Captures items [begin, end); false when even one item overflows the buffer.
    bool CaptureRange(size_t begin, size_t end, const SDeviceMapping& map, QPainter& painter);
    void Flush(QPainter& painter);
    void AddMessage(const std::string& text);
    // Tells the progress of Run that withinPage (0..1) of the current page is done; false
    // once the job is to stop.
    bool Tick(double withinPage);

    const CTAVDoc& m_doc;
    const CCamera m_camera;
    CPrintSettings m_settings;
    SPrintJobOptions m_options;
    SPrintDevice m_device;
    CPrintLayout m_layout;
    CCamera m_pageCamera;
    std::unique_ptr<CPrintGL> m_gl;
    std::vector<float> m_buffer;
    std::vector<SCaptureItem> m_items;
    CDeviceLines m_lines;
    SDevicePolylines m_polylines;  // one pen's lines as drawn, kept for its storage
    std::vector<std::string> m_messages;
    int m_error = 0;
    bool m_overflow = false;
    SPrintJobStats m_stats;
    // The progress of Run: pages done before the current one, of how many.
    std::unique_ptr<CProgressMeter> m_meter;
    int64_t m_pagesDone = 0;
    int64_t m_pagesTotal = 1;
    bool m_cancelled = false;
};
