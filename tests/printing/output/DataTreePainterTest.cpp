// The data tree printed on a PDF writer.

#include "printing/output/DataTreePainter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPdfWriter>

#include "document/DataNode.h"
#include "support/TempFiles.h"

namespace {

TEST(DataTreePainter, LongTreeFillsSeveralPdfPages) {
    CTempDir dir;
    CDataNode tree;
    tree.BuildObjectTree(3);
    CDataNode value = GetDataTemplate(1)->GetChild(0);
    for (int i = 0; i < 30; ++i) {
        value.SetText("Właściciel " + std::to_string(i));
        tree.GetChild(6).AddChild(value);
        tree.GetChild(7).AddChild(value);
    }
    const QString path = QString::fromStdString(dir.File("tree.pdf"));
    QPdfWriter writer(path);
    writer.setResolution(300);
    const SDataPrintMetrics metrics(DataTreeCharHeight(writer));
    EXPECT_NEAR(metrics.h, 10.0 * 300 / 72, 1e-9);
    const int expected =
        (73 + metrics.RowsPerPage(writer.height()) - 1) / metrics.RowsPerPage(writer.height());
    EXPECT_GT(expected, 1);
    EXPECT_EQ(PaintDataTree(writer, tree), expected);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4) == "%PDF");
}

}  // namespace
