// Printing with GL under Xvfb: what the capture takes, where clipping cuts on later pages,
// raster pages, and tavcli print read back from its PDF.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <memory>
#include <sstream>
#include <string>

#include "cli/TavCli.h"
#include "document/Entity.h"
#include "document/Layer.h"
#include "document/TAVDoc.h"
#include "printing/output/PdfReadBack.h"
#include "printing/output/PrintJob.h"
#include "support/PlanView.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"
#include "view/core/Camera.h"

namespace {

std::unique_ptr<CPoly> Line(double x1, double y1, double x2, double y2, double r, double g,
                            double b, int layer = 0) {
    auto p = Colored(MakePoly({{x1, y1, 0}, {x2, y2, 0}}), r, g, b);
    p->m_layer = layer;
    return p;
}

// A device of paperW x paperH mm at dpm dots per mm, painted into image.
SPrintDevice ImageDevice(double paperW, double paperH, double dpm) {
    SPrintDevice d;
    d.paperW = paperW;
    d.paperH = paperH;
    d.pw = paperW * dpm;
    d.ph = paperH * dpm;
    d.dpiX = d.dpiY = static_cast<int>(dpm * 25.4);
    return d;
}

// Prints page of doc into a white image of the device's size.
QImage PrintPageImage(const CTAVDoc& doc, const CCamera& cam, const CPrintSettings& settings,
                      const SPrintJobOptions& options, const SPrintDevice& device, int64_t page,
                      SPrintJobStats* stats = nullptr) {
    QImage image(static_cast<int>(device.pw), static_cast<int>(device.ph), QImage::Format_RGB32);
    image.fill(Qt::white);
    CPrintJob job(doc, cam, settings, options);
    EXPECT_TRUE(job.OnPreparePrinting(device).ok);
    EXPECT_TRUE(job.OnBeginPrinting());
    {
        QPainter painter(&image);
        // Filtered, as the print preview draws pictures.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        EXPECT_TRUE(job.OnPrint(painter, page));
    }
    if (stats != nullptr) {
        *stats = job.Stats();
    }
    EXPECT_TRUE(job.Messages().empty());
    return image;
}

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            n += (row[x] & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

TEST(PrintVector, HiddenLayersAreNotCaptured) {
    CTAVDoc doc;
    doc.Layers().assign({CLayer("0", 0, 1), CLayer("ukryta", 0, 0)});
    doc.AddEntity(Line(-40, 10, 40, 10, 1, 0, 0));
    doc.AddEntity(Line(-40, -10, 40, -10, 0, 0, 1, 1));
    const CCamera cam = CameraOf(PlanState(100, 100, 400, 400));
    CPrintSettings settings;
    settings.m_lineWidthIndex = 4;
    SPrintJobStats stats;
    const QImage image =
        PrintPageImage(doc, cam, settings, SPrintJobOptions{}, ImageDevice(100, 100, 5), 1, &stats);
    EXPECT_EQ(stats.segments, 1);
    EXPECT_GT(CountColour(image, qRgb(255, 0, 0)), 300);
    EXPECT_EQ(CountColour(image, qRgb(0, 0, 255)), 0);
}

TEST(PrintVector, MarkedPolylinePrintsClosedAsOnScreen) {
    const CCamera cam = CameraOf(PlanState(100, 100, 400, 400));
    CPrintSettings settings;
    settings.m_fit = 0;  // 1 mm per unit, 5 dots per mm: x = -30 is dot 100
    settings.m_lineWidthIndex = 3;
    for (const int marker : {0, 1}) {
        CTAVDoc doc;
        auto line = Line(-30, -30, 30, -30, 1, 0, 0);
        line->m_vertices.emplace_back(30, 30, 0);
        line->m_vertices.emplace_back(-30, 30, 0);
        line->m_marker = marker;
        doc.AddEntity(std::move(line));
        SPrintJobStats stats;
        const QImage image = PrintPageImage(doc, cam, settings, SPrintJobOptions{},
                                            ImageDevice(100, 100, 5), 1, &stats);
        EXPECT_EQ(stats.segments, 3 + marker);
        EXPECT_EQ(image.pixel(100, 250) & 0xFFFFFF, marker ? 0xFF0000u : 0xFFFFFFu);
    }
}

TEST(PrintDevice, PdfWriterPageInMillimetresAndDots) {
    CTempDir dir;
    QPdfWriter writer(QString::fromStdString(dir.File("device.pdf")));
    writer.setResolution(1200);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    const SPrintDevice d = DescribePrintDevice(writer);
    EXPECT_NEAR(d.paperW, 297, 0.5);
    EXPECT_NEAR(d.paperH, 210, 0.5);
    EXPECT_NEAR(d.pw / d.paperW, 1200 / 25.4, 0.1);
    EXPECT_NEAR(d.ph / d.paperH, 1200 / 25.4, 0.1);
    EXPECT_EQ(d.dpiX, 1200);
}

// ---- pens on paper: units of 1/300 inch whatever the device's resolution ----

struct PenOnPaperCase {
    const char* name;
    int dpi;
    int index;  // line width box item, -1 for none chosen
    int units;  // expected width
};

const PenOnPaperCase kPenOnPaperCases[] = {
    {"none_chosen_300", 300, -1, 1},
    {"eight_300", 300, 8, 8},
    {"auto_1200", 1200, 0, 1},
    {"eight_1200", 1200, 8, 8},
};

TEST(PenOnPaper, PdfLineWidthAndPointSquare) {
    for (const PenOnPaperCase& c : kPenOnPaperCases) {
        SCOPED_TRACE(c.name);
        CTAVDoc doc;
        doc.AddEntity(Line(-40, 20, 40, 20, 1, 0, 0));
        doc.AddEntity(MakePnt({0, -20, 0}));
        const CCamera cam = CameraOf(PlanState(100, 100, 400, 400));
        CPrintSettings settings;
        settings.m_lineWidthIndex = c.index;
        CTempDir dir;
        const QString path = QString::fromStdString(dir.File("pen.pdf"));
        {
            QPdfWriter writer(path);
            writer.setResolution(c.dpi);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(0, 0, 0, 0)));
            CPrintJob job(doc, cam, settings, SPrintJobOptions{});
            ASSERT_TRUE(job.Run(writer).ok);
            EXPECT_TRUE(job.Messages().empty());
        }
        const SPdfContent pdf = ReadPdf(path);
        ASSERT_TRUE(pdf.ok);
        const double unit = 72.0 / 300.0;  // in points
        ASSERT_FALSE(pdf.lineWidths.empty());
        for (const double w : pdf.lineWidths) {
            EXPECT_NEAR(w, c.units * unit, 1e-6);
        }
        // The line is 170 mm long; the point's square has four sides of 12 units.
        std::vector<double> sides;
        for (const auto& stream : pdf.segments) {
            for (const SPdfSegment& seg : stream) {
                if (seg.Length() < 72) {
                    sides.push_back(seg.Length());
                }
            }
        }
        ASSERT_EQ(sides.size(), 4u);
        for (const double side : sides) {
            EXPECT_NEAR(side, 12 * unit, 1e-6);
        }
    }
}

struct RasterMarkCase {
    const char* name;
    int dpi;
    int index;
    int line;   // pixels across the line
    int point;  // side of the point's square in pixels
};

// Raster pages draw lines and points as large on paper as vector pages do.
const RasterMarkCase kRasterMarksCases[] = {
    {"eight_300", 300, 8, 8, 12},
    {"none_chosen_600", 600, -1, 2, 24},
    {"eight_600", 600, 8, 16, 24},
};

TEST(RasterMarks, LineAndPointInPixels) {
    for (const RasterMarkCase& c : kRasterMarksCases) {
        SCOPED_TRACE(c.name);
        CTAVDoc doc;
        doc.AddEntity(Line(-20, 10, 20, 10, 1, 0, 0));
        doc.AddEntity(Colored(MakePnt({0, -10, 0}), 0, 0, 1));
        // Two inches at 1 mm per unit on two-inch paper: one picture pixel per device dot.
        const CCamera cam = CameraOf(PlanState(50.8, 50.8, 400, 400, 2));
        CPrintSettings settings;
        settings.m_fit = 0;
        settings.m_lineWidthIndex = c.index;
        SPrintJobOptions options;
        options.renderMode = 2;
        options.rasterDpi = c.dpi;
        SPrintDevice device;
        device.paperW = device.paperH = 50.8;
        device.pw = device.ph = 2 * c.dpi;
        device.dpiX = device.dpiY = c.dpi;
        const QImage image = PrintPageImage(doc, cam, settings, options, device, 1);
        int red = 0, blue = 0;
        for (int y = 0; y < image.height(); ++y) {
            red += (image.pixel(c.dpi, y) & 0xFFFFFF) == 0xFF0000u ? 1 : 0;
            blue += (image.pixel(c.dpi, y) & 0xFFFFFF) == 0x0000FFu ? 1 : 0;
        }
        EXPECT_EQ(red, c.line);
        EXPECT_EQ(blue, c.point);
        EXPECT_EQ(CountColour(image, qRgb(0, 0, 255)), c.point * c.point);
    }
}

TEST(PrintVector, ClippingPlaneCutsInPlaceOnTheSecondPage) {
    CTAVDoc doc;
    doc.AddEntity(Line(-200, 0, 200, 0, 1, 0, 0));
    // Keeps x <= 100: the middle of the second page.
    doc.ClipPlanes().push_back(CClipPlane("p", 1, CPoint3(100, 0, 0), CVec3(1, 0, 0)));
    const CCamera cam = CameraOf(PlanState(400, 100, 800, 200));
    CPrintSettings settings;
    settings.m_fit = 0;  // 1 mm per unit: 400 mm on two 200 mm pages
    settings.m_lineWidthIndex = 3;
    const SPrintDevice device = ImageDevice(200, 100, 5);
    const QImage first = PrintPageImage(doc, cam, settings, SPrintJobOptions{}, device, 1);
    const QImage second = PrintPageImage(doc, cam, settings, SPrintJobOptions{}, device, 2);
    const int y = 250;
    EXPECT_EQ(first.pixel(20, y) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(first.pixel(980, y) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(second.pixel(20, y) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(second.pixel(480, y) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(second.pixel(520, y) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(second.pixel(980, y) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(PrintVector, SmallBuffersCaptureInManyRunsWithoutLoss) {
    CTAVDoc doc;
    for (int i = 0; i < 200; ++i) {
        doc.AddEntity(Line(-40, -40 + 0.4 * i, 40, -40 + 0.4 * i, 0, 0.5, 0));
    }
    const CCamera cam = CameraOf(PlanState(100, 100, 400, 400));
    SPrintJobOptions tiny;
    tiny.captureCapFloats = 200;  // a dozen lines per capture
    SPrintJobStats stats;
    PrintPageImage(doc, cam, CPrintSettings{}, tiny, ImageDevice(100, 100, 5), 1, &stats);
    EXPECT_EQ(stats.segments, 200);
    EXPECT_GT(stats.captures, 10);
    // Extreme geometry prints within bounds.
    CTAVDoc doc2;
    doc2.AddEntity(Line(1e300, 0, -1e300, 5, 1, 0, 0));
    doc2.AddEntity(Line(std::nan(""), 0, 10, 5, 1, 0, 0));
    doc2.AddEntity(MakeArc({}, 1e12));
    auto text = std::make_unique<CText>();  // lying in no plane: no axis
    text->m_text = std::string(1000000, 'A');
    text->m_height = 0.5;
    doc2.AddEntity(std::move(text));
    auto poly = std::make_unique<CPoly>();
    for (int i = 0; i < 1000000; ++i) {
        poly->m_vertices.emplace_back(-40 + 80.0 * (i % 1000) / 1000, -40 + 80.0 * i / 1e6, 0);
    }
    doc2.AddEntity(std::move(poly));
    const CCamera cam2 = CameraOf(PlanState(100, 100, 400, 400));
    SPrintJobStats stats2;
    PrintPageImage(doc2, cam2, CPrintSettings{}, SPrintJobOptions{}, ImageDevice(100, 100, 5), 1,
                   &stats2);
    EXPECT_GT(stats2.segments, 999000);
}

TEST(PrintRaster, FilledPolygonColourAtThePageCentre) {
    CTAVDoc doc;
    auto square =
        Colored(MakePoly({{-20, -20, 0}, {20, -20, 0}, {20, 20, 0}, {-20, 20, 0}}, 1), 0, 0.8, 0.4);
    square->Tessellate();
    doc.AddEntity(std::move(square));
    const CCamera cam = CameraOf(PlanState(100, 100, 300, 300, 2));
    SPrintJobOptions options;
    options.renderMode = 2;
    options.rasterDpi = 300;       // scaled down by three on the page
    options.rasterTileSide = 128;  // several bands per page
    const SPrintDevice device = ImageDevice(120, 120, 4);
    SPrintJobStats stats;
    CPrintSettings settings;
    settings.m_fit = 0;  // 100 mm of the 120 mm page
    const QImage image = PrintPageImage(doc, cam, settings, options, device, 1, &stats);
    EXPECT_GT(stats.tiles, 4);
    const QColor centre = image.pixelColor(240, 240);
    EXPECT_NEAR(centre.green(), 204, 2);
    EXPECT_NEAR(centre.blue(), 102, 2);
    EXPECT_EQ(centre.red(), 0);
    // The bands meet without a gap or a shift, in either direction.
    for (int i = 170; i < 310; ++i) {
        ASSERT_EQ(image.pixel(i, 240), image.pixel(240, 240)) << i;
        ASSERT_EQ(image.pixel(240, i), image.pixel(240, 240)) << i;
    }
    // Outside the square the page shows the black background, outside the print the paper.
    EXPECT_EQ(image.pixel(240, 60) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(5, 240) & 0xFFFFFF, 0xFFFFFFu);
    // The current pick is highlighted.
    CTAVDoc doc2;
    doc2.AddEntity(Colored(MakePnt({}), 0, 0, 1));
    doc2.AddEntity(Line(-40, 20, 40, 20, 0, 1, 0));
    const CCamera cam2 = CameraOf(PlanState(100, 100, 300, 300, 2));
    SPrintJobOptions options2;
    options2.renderMode = 2;
    options2.rasterDpi = 100;
    const SPrintDevice device2 = ImageDevice(100, 100, 4);
    EXPECT_EQ(PrintPageImage(doc2, cam2, CPrintSettings{}, options2, device2, 1).pixel(200, 200) &
                  0xFFFFFF,
              0x0000FFu);
    options2.pickList = {0, 1};
    options2.currentPick = 0;
    const QImage picked = PrintPageImage(doc2, cam2, CPrintSettings{}, options2, device2, 1);
    EXPECT_EQ(picked.pixel(200, 200) & 0xFFFFFF, 0xFF0000u);
    // The other entity of the pick list is printed, not highlighted.
    const QColor line = picked.pixelColor(100, 120);
    EXPECT_GT(line.green(), 150);
    EXPECT_EQ(line.red(), 0);
    EXPECT_EQ(line.blue(), 0);
}

// --- tavcli print ---

class TavCliPrint : public testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.File(name); }

    // A document of lines saved with a plan view w x h; returns its path.
    std::string Save(const char* name, CTAVDoc& doc, double w, double h) {
        doc.SetViewState(PlanState(w, h, 900, 200));
        const std::string path = Path(name);
        EXPECT_TRUE(doc.OnSaveDocument(path));
        return path;
    }

    int Run(std::vector<std::string> args) {
        m_err.str("");
        std::ostringstream out;
        args.insert(args.begin(), "print");
        return RunTavCli(args, out, m_err);
    }

    CTempDir m_dir;
    std::ostringstream m_err;
};

TEST_F(TavCliPrint, PagesLengthsAndPaper) {
    CTAVDoc doc;
    doc.AddEntity(Line(-225, 0, -125, 0, 1, 0, 0));  // 100 units
    const std::string in = Save("a.tav", doc, 450, 100);
    const std::string out = Path("a.pdf");

    ASSERT_EQ(Run({in, "-o", out, "--scale", "1:1"}), 0) << m_err.str();
    SPdfContent pdf = ReadPdf(QString::fromStdString(out));
    ASSERT_EQ(pdf.pages.size(), 3u);
    EXPECT_NEAR(pdf.pages[0].width(), 595, 1);
    EXPECT_NEAR(pdf.pages[0].height(), 842, 1);

    ASSERT_EQ(Run({in, "-o", out, "--scale", "1:2", "--paper", "a3", "--landscape"}), 0)
        << m_err.str();
    pdf = ReadPdf(QString::fromStdString(out));
    ASSERT_EQ(pdf.pages.size(), 1u);
    EXPECT_NEAR(pdf.pages[0].width(), 1191, 1);
    EXPECT_NEAR(pdf.pages[0].height(), 842, 1);
    double longest = 0;
    for (const auto& stream : pdf.segments) {
        for (const SPdfSegment& s : stream) {
            longest = std::max(longest, s.Length());
        }
    }
    // 100 units at 1 mm per 2 units: 50 mm.
    EXPECT_NEAR(longest * 25.4 / 72.0, 50.0, 0.1);
}

TEST_F(TavCliPrint, RefusalsKeepTheOldFile) {
    CTAVDoc doc;
    doc.AddEntity(Line(0, 0, 10, 0, 1, 0, 0));
    const std::string in = Save("b.tav", doc, 100, 100);
    const std::string out = m_dir.Write("old.pdf", "old");
    auto oldKept = [&] { return ReadFile(out) == "old"; };
    EXPECT_EQ(Run({in, "-o", out, "--scale", "0:1"}), 1);
    EXPECT_EQ(m_err.str(), std::string(kPrintScaleMsg) + "\n");
    EXPECT_EQ(Run({in, "-o", out, "--window", "5,0,5,10"}), 1);
    EXPECT_EQ(m_err.str(), std::string(kPrintWindowMsg) + "\n");
    EXPECT_EQ(Run({in, "-o", out, "--scale", "1:0.001"}), 1);  // 100 000 mm square
    EXPECT_NE(m_err.str().find("najwyżej 1000"), std::string::npos) << m_err.str();
    EXPECT_EQ(Run({Path("missing.tav"), "-o", out}), 1);
    EXPECT_TRUE(oldKept());
    // A directory cannot be replaced by the PDF.
    EXPECT_EQ(Run({in, "-o", m_dir.path}), 1);
    EXPECT_EQ(Run({in, "-o", Path("no/such/dir/x.pdf")}), 1);
    EXPECT_TRUE(oldKept());
    ASSERT_EQ(Run({in, "-o", out, "--raster", "--dpi", "50"}), 0) << m_err.str();
    EXPECT_FALSE(oldKept());
}

}  // namespace
