// Prints the mixed drawing of tav_io (N = 10^4, 10^5, 10^6 by default) fitted on A3 in mode 0
// into a PDF and reports, as medians: open document to closed PDF, the split into capture,
// mapping and PDF writing, segments, bytes and bytes per segment, peak memory. The floor is the
// same device lines written to a QPdfWriter with one drawLines per pen and no capture, its page
// compressed at the job's level. Last,
// one A4 page of the 10^5 drawing in mode 2 at 300 dpi. Needs a display with OpenGL
// (xvfb-run). Usage: print [N...]; PRINT_BENCH_RUNS sets the runs (5).

#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPen>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "MixedDrawing.h"
#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "printing/output/PageCompression.h"
#include "printing/output/PrintJob.h"
#include "view/core/Camera.h"

namespace {

struct SPrintResult {
    double seconds = 0;  // open document to closed PDF (or the floor's writing)
    double open = 0, capture = 0, mapping = 0, writing = 0;
    long long segments = 0, bytes = 0;
    long long drawn = 0;  // segments on the page (the floor draws every captured one)
    long peakKb = 0;
};

QGuiApplication* App() {
    static int argc = 1;
    static char name[] = "print-bench";
    static char* argv[] = {name, nullptr};
    return new QGuiApplication(argc, argv);
}

void SetPage(QPdfWriter& writer, QPageSize::PageSizeId size, QPageLayout::Orientation o) {
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(size), o, QMarginsF(0, 0, 0, 0)));
}

CCamera SavedCamera(CTAVDoc& doc) {
    const CViewState& s = doc.ViewState();
    CCamera cam;
    cam.LoadState(s);
    cam.Resize(s.clientWidth, s.clientHeight);
    return cam;
}

// The whole job, in a child: open, print fitted on A3 landscape in mode 0 (or mode 2 on A4 at
// 300 dpi), close the PDF.
SPrintResult PrintRun(const std::string& in, const std::string& out, bool raster) {
    return RunInChild<SPrintResult>([&] {
        std::unique_ptr<QGuiApplication> app(App());
        SPrintResult r;
        const auto t0 = Clock::now();
        CTAVDoc doc;
        if (!doc.OnOpenDocument(in, BenchProgress())) {
            r.seconds = -1;
            return r;
        }
        r.open = Seconds(t0, Clock::now());
        const CCamera cam = SavedCamera(doc);
        SPrintJobOptions options;
        options.progress = BenchProgress();
        options.renderMode = raster ? 2 : 0;
        options.rasterDpi = 300;
        {
            QPdfWriter writer(QString::fromStdString(out));
            SetPage(writer, raster ? QPageSize::A4 : QPageSize::A3,
                    raster ? QPageLayout::Portrait : QPageLayout::Landscape);
            CPrintJob job(doc, cam, CPrintSettings{}, options);
            if (!job.Run(writer).ok || !job.Messages().empty()) {
                r.seconds = -1;
                return r;
            }
            r.capture = job.Stats().captureSeconds;
            r.mapping = job.Stats().mappingSeconds;
            r.writing = job.Stats().paintSeconds;
            r.segments = job.Stats().segments;
            r.drawn = job.Stats().drawn;
        }
        r.seconds = Seconds(t0, Clock::now());
        r.bytes = QFileInfo(QString::fromStdString(out)).size();
        r.peakKb = PeakRssKb();
        return r;
    });
}

// The floor, in a child: the device lines of the same job (gathered untimed), then only their
// writing to a QPdfWriter, one drawLines per pen.
SPrintResult FloorRun(const std::string& in, const std::string& out) {
    return RunInChild<SPrintResult>([&] {
        std::unique_ptr<QGuiApplication> app(App());
        SPrintResult r;
        CTAVDoc doc;
        if (!doc.OnOpenDocument(in)) {
            r.seconds = -1;
            return r;
        }
        const CCamera cam = SavedCamera(doc);
        CDeviceLines all;
        SPrintJobOptions options;
        options.lineTap = [&all](const CDeviceLines& lines) {
            for (const CDeviceLines::SGroup& g : lines.Groups()) {
                for (size_t i = 0; i + 3 < g.coords.size(); i += 4) {
                    all.Add(g.rgb, g.width, g.coords[i], g.coords[i + 1], g.coords[i + 2],
                            g.coords[i + 3]);
                }
            }
        };
        {
            QPdfWriter scratch(QString::fromStdString(out));
            SetPage(scratch, QPageSize::A3, QPageLayout::Landscape);
            CPrintJob job(doc, cam, CPrintSettings{}, options);
            job.Run(scratch);
        }
        const auto t0 = Clock::now();
        {
            // The page compressed as the job compresses it.
            const CFastPageCompression fastPages;
            QPdfWriter writer(QString::fromStdString(out));
            SetPage(writer, QPageSize::A3, QPageLayout::Landscape);
            QPainter painter(&writer);
            std::vector<QLine> lines;
            for (const CDeviceLines::SGroup& g : all.Groups()) {
                QPen pen(QColor(static_cast<int>((g.rgb >> 16) & 0xFF),
                                static_cast<int>((g.rgb >> 8) & 0xFF),
                                static_cast<int>(g.rgb & 0xFF)));
                pen.setWidthF(g.width);
                painter.setPen(pen);
                lines.clear();
                for (size_t i = 0; i + 3 < g.coords.size(); i += 4) {
                    lines.emplace_back(g.coords[i], g.coords[i + 1], g.coords[i + 2],
                                       g.coords[i + 3]);
                }
                painter.drawLines(lines.data(), static_cast<int>(lines.size()));
            }
        }
        r.seconds = Seconds(t0, Clock::now());
        r.writing = r.seconds;
        r.segments = all.LineCount();
        r.drawn = r.segments;
        r.bytes = QFileInfo(QString::fromStdString(out)).size();
        r.peakKb = PeakRssKb();
        return r;
    });
}

std::string Prepare(int n, const std::string& dir) {
    CTAVDoc doc;
    BuildMixedDrawing(doc, n);
    // The saved view shows everything, as "Pokaż wszystko" leaves it.
    CCamera cam;
    cam.Resize(1200, 800);
    cam.ZoomAll(doc, true, false);
    CViewState s = doc.ViewState();
    cam.StoreState(s);
    doc.SetViewState(s);
    const std::string path = dir + "/print_bench_" + std::to_string(n) + ".tav";
    if (!doc.OnSaveDocument(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

SPrintResult Median(std::vector<SPrintResult> runs) {
    std::vector<double> t;
    for (const SPrintResult& r : runs) {
        t.push_back(r.seconds);
    }
    const double m = ::Median(t);
    for (const SPrintResult& r : runs) {
        if (r.seconds == m) {
            return r;
        }
    }
    return runs.front();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<long long> sizes = SizesFromArgs(argc, argv, {10000, 100000, 1000000});
    const int runs = RunsFromEnv("PRINT_BENCH_RUNS");
    PrintBenchProgressMode();
    const std::string dir = TempDir();
    const std::string out = dir + "/print_bench.pdf";
    double bytesPerSegment10k = 0;
    std::string raster;
    for (const long long size : sizes) {
        const int n = static_cast<int>(size);
        const std::string in = Prepare(n, dir);
        std::vector<SPrintResult> jobs, floors;
        for (int r = 0; r < runs; ++r) {
            jobs.push_back(PrintRun(in, out, false));
            floors.push_back(FloorRun(in, out));
        }
        const SPrintResult j = Median(jobs);
        const SPrintResult f = Median(floors);
        if (j.seconds < 0 || f.seconds < 0) {
            std::fprintf(stderr, "N = %d: the print failed (no display with OpenGL?)\n", n);
            return 1;
        }
        // Per segment on the page: what the file holds grows with that.
        const double bps = j.drawn > 0 ? static_cast<double>(j.bytes) / j.drawn : 0;
        if (bytesPerSegment10k == 0) {
            bytesPerSegment10k = bps;
        }
        std::printf("N = %d entities, A3 fitted, mode 0, medians of %d runs\n", n, runs);
        std::printf(
            "  job: %.3f s open to closed PDF (open %.3f, capture %.3f, mapping %.3f, "
            "PDF writing %.3f), %lld segments captured, %lld on the page, %lld bytes, %.2f "
            "bytes/segment on the page (%.3f of the first N), peak %ld MB\n",
            j.seconds, j.open, j.capture, j.mapping, j.writing, j.segments, j.drawn, j.bytes, bps,
            bytesPerSegment10k > 0 ? bps / bytesPerSegment10k : 0.0, j.peakKb / 1024);
        std::printf("  floor: %.3f s writing the same %lld lines, %lld bytes, peak %ld MB\n",
                    f.seconds, f.segments, f.bytes, f.peakKb / 1024);
        std::printf("  ratios to the floor: job %.2f, PDF writing in the job %.2f, bytes %.3f\n",
                    j.seconds / f.seconds, j.writing / f.seconds,
                    static_cast<double>(j.bytes) / static_cast<double>(f.bytes));
        if (n == 100000 || raster.empty() || n == sizes.back()) {
            raster = n == 100000 || raster.find("_100000.") == std::string::npos ? in : raster;
        }
    }
    if (!raster.empty()) {
        std::vector<SPrintResult> pages;
        for (int r = 0; r < runs; ++r) {
            pages.push_back(PrintRun(raster, out, true));
        }
        const SPrintResult p = Median(pages);
        std::printf(
            "raster: one A4 page in mode 2 at 300 dpi: %.3f s (render %.3f, writing "
            "%.3f), %lld bytes, peak %ld MB\n",
            p.seconds, p.capture, p.writing, p.bytes, p.peakKb / 1024);
    }
    return 0;
}
