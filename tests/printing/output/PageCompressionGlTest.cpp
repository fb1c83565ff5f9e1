// The PDF writer's pages at zlib's fastest level while a print job runs, and only then.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <cmath>
#include <memory>
#include <string>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "printing/output/PageCompression.h"
#include "printing/output/PdfReadBack.h"
#include "printing/output/PrintJob.h"
#include "support/PlanView.h"
#include "support/TempFiles.h"
#include "view/core/Camera.h"

namespace {

// Text that zlib's levels compress differently: page content of many short path operators.
std::string PageLikeText() {
    std::string s;
    for (int i = 0; i < 20000; ++i) {
        s += std::to_string(1000 + (i * 37) % 9000) + " " + std::to_string(500 + (i * 53) % 7000) +
             (i % 7 == 0 ? " m\n" : " l\n");
    }
    return s;
}

QByteArray Compress(const std::string& text, int level) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    QByteArray out(static_cast<qsizetype>(size), '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(text.data()),
                        static_cast<uLong>(text.size()), level),
              Z_OK);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

// What a stream started the way Qt's PDF writer starts it gives.
QByteArray DeflateAsQtDoes(const std::string& text, int level) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, level), Z_OK);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(text.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
}

TEST(FastPageCompression, DefaultLevelIsTheFastestOnlyWhileAGuardLives) {
    const std::string text = PageLikeText();
    const QByteArray fastest = Compress(text, Z_BEST_SPEED);
    const QByteArray standard = Compress(text, Z_DEFAULT_COMPRESSION);
    const QByteArray best = Compress(text, Z_BEST_COMPRESSION);
    ASSERT_NE(fastest, standard);  // else nothing below could tell the levels apart
    ASSERT_NE(best, standard);

    EXPECT_FALSE(CFastPageCompression::Active());
    EXPECT_EQ(DeflateAsQtDoes(text, Z_DEFAULT_COMPRESSION), standard);
    {
        const CFastPageCompression outer;
        {
            const CFastPageCompression inner;
            EXPECT_EQ(DeflateAsQtDoes(text, Z_DEFAULT_COMPRESSION), fastest);
        }
        EXPECT_TRUE(CFastPageCompression::Active());
        EXPECT_EQ(DeflateAsQtDoes(text, Z_DEFAULT_COMPRESSION), fastest);
        // A level asked for by name stays.
        EXPECT_EQ(DeflateAsQtDoes(text, Z_BEST_COMPRESSION), best);
    }
    EXPECT_FALSE(CFastPageCompression::Active());
    EXPECT_EQ(DeflateAsQtDoes(text, Z_DEFAULT_COMPRESSION), standard);
}

TEST(FastPageCompression, PrintedPageIsWrittenAtTheFastestLevelAsPolylines) {
    CTAVDoc doc;
    // A zigzag of 400 vertices: one polyline on the page.
    auto zigzag = std::make_unique<CPoly>();
    for (int i = 0; i < 400; ++i) {
        zigzag->AddVertex(CPoint3(-45 + i * 0.225, (i % 2) * 20.0 - 10.0, 0));
    }
    doc.AddEntity(std::move(zigzag));
    const CCamera cam = CameraOf(PlanState(100, 100, 400, 400));

    CTempDir dir;
    const QString path = QString::fromStdString(dir.File("page.pdf"));
    {
        QPdfWriter writer(path);
        writer.setResolution(1200);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        CPrintJob job(doc, cam, CPrintSettings{}, SPrintJobOptions{});
        ASSERT_TRUE(job.Run(writer).ok);
        EXPECT_EQ(job.Stats().segments, 399);
        EXPECT_EQ(job.Stats().drawn, 399);
    }
    EXPECT_FALSE(CFastPageCompression::Active());

    const QByteArray pdf = QByteArray::fromStdString(ReadFile(path.toStdString()));
    // The page's content stream, stored as zlib's fastest level makes it.
    bool found = false;
    for (qsizetype pos = pdf.indexOf("stream\n"); pos >= 0 && !found;
         pos = pdf.indexOf("stream\n", pos + 7)) {
        const qsizetype start = pos + 7;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0 || pdf.mid(pos - 3, 3) == "end") {
            continue;
        }
        const QByteArray stored = pdf.mid(start, end - start);
        const QByteArray content = InflatePdfStream(stored);
        if (!content.contains(" l\n")) {
            continue;
        }
        found = true;
        // (the stream ends with the line end before "endstream")
        const QByteArray fastest = Compress(content.toStdString(), Z_BEST_SPEED);
        ASSERT_NE(fastest, Compress(content.toStdString(), Z_DEFAULT_COMPRESSION));
        EXPECT_TRUE(stored.startsWith(fastest));
        EXPECT_LE(stored.size() - fastest.size(), 2);
        EXPECT_EQ(content.count(" m\n"), 1);
        EXPECT_EQ(content.count(" l\n"), 399);
        const std::vector<SPdfSegment> segments = PdfPathSegments(content);
        ASSERT_EQ(segments.size(), 399u);
        // 0.225 mm steps across, 20 mm up and down (1 unit = 1 mm fitted on the page or not:
        // the ratio of the two holds).
        EXPECT_NEAR(segments[0].Length() / std::hypot(0.225, 20.0),
                    segments[1].Length() / std::hypot(0.225, 20.0), 0.01);
    }
    EXPECT_TRUE(found);
}

}  // namespace
