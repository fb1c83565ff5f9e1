// A print job stopped through its progress after N reports ends its document cleanly: no page
// begun after the stop, the device asked to drop the job once, the painter ended, nothing said.
#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "printing/output/PdfReadBack.h"
#include "printing/output/PrintJob.h"
#include "support/CancellingProgress.h"
#include "support/PlanView.h"
#include "support/TestEntities.h"
#include "view/core/Camera.h"

namespace {

constexpr int kPages = 4;

// A job of four pages printed by vectors or as a raster, its device dropped when told.
struct SCancelJob {
    explicit SCancelJob(bool raster) {
        // 400 x 90 units at 1 mm per unit: four pages of 100 mm across, one row.
        for (int i = 0; i < 200; ++i) {
            doc.AddEntity(MakePoly({{-200, -45 + 0.45 * i, 0}, {200, -45 + 0.45 * i, 0}}));
        }
        camera = CameraOf(PlanState(400, 90, 800, 180));
        settings.m_fit = 0;
        if (raster) {
            options.forceRaster = true;
            options.rasterDpi = 50;
            options.rasterTileSide = 128;  // several bands a page
        } else {
            options.captureCapFloats = 600;  // several captures a page
        }
        options.abortDevice = [this] { ++aborts; };
    }

    // Runs the job into a PDF with progress; the file is closed when it returns.
    SPrintRefusal Print(CProgress& progress, std::vector<std::string>& messages,
                        bool& stillPainting) {
        QPdfWriter writer(Path());
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(100, 100), QPageSize::Millimeter),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        SPrintJobOptions o = options;
        o.progress = &progress;
        CPrintJob job(doc, camera, settings, o);
        const SPrintRefusal r = job.Run(writer);
        messages = job.Messages();
        EXPECT_EQ(job.GetError(), 0);
        stillPainting = writer.paintingActive();
        return r;
    }
    QString Path() const { return dir.filePath(QStringLiteral("job.pdf")); }

    QTemporaryDir dir;
    CTAVDoc doc;
    CCamera camera;
    CPrintSettings settings;
    SPrintJobOptions options;
    int aborts = 0;
};

TEST(PrintCancel, EndsTheDocumentCleanly) {
    for (const bool raster : {false, true}) {
        SCOPED_TRACE(raster ? "raster" : "vector");
        SCancelJob job(raster);
        CCancellingProgress counting;
        std::vector<std::string> messages;
        bool painting = true;
        ASSERT_TRUE(job.Print(counting, messages, painting).ok);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(job.aborts, 0);
        EXPECT_EQ(counting.titles, std::vector<std::string>{"Drukowanie"});
        ASSERT_EQ(ReadPdf(job.Path()).pages.size(), static_cast<size_t>(kPages));
        // Each page is announced by the first report of its share; more come within the page.
        std::vector<int> pageStarts;
        for (int i = 0; i < counting.Reports(); ++i) {
            if (counting.fractions[static_cast<size_t>(i)] ==
                static_cast<double>(pageStarts.size()) / kPages) {
                pageStarts.push_back(i);
            }
        }
        ASSERT_EQ(pageStarts.size(), static_cast<size_t>(kPages));
        ASSERT_GT(counting.Reports(), 3 * kPages);

        std::vector<int> stops = CancelPoints(counting.Reports());
        stops.insert(stops.end(), {pageStarts[1], pageStarts[2] + 1});
        for (const int n : stops) {
            SCOPED_TRACE(n);
            job.aborts = 0;
            CCancellingProgress progress(n);
            const SPrintRefusal r = job.Print(progress, messages, painting);
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.cancelled);
            EXPECT_TRUE(r.message.empty());
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(job.aborts, 1);
            EXPECT_FALSE(painting);
            EXPECT_EQ(progress.Reports(), n + 1);
            EXPECT_EQ(progress.depth, 0);
            // The pages begun before the stop, and no empty one after it (a painter always has
            // its first page).
            int begun = 0;
            for (const int start : pageStarts) {
                begun += start < n ? 1 : 0;
            }
            const SPdfContent pdf = ReadPdf(job.Path());
            ASSERT_TRUE(pdf.ok);
            EXPECT_EQ(pdf.pages.size(), static_cast<size_t>(std::max(1, begun)));
        }
    }
}

}  // namespace
