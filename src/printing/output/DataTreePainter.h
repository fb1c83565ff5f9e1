#pragma once

// Paints an attribute data tree onto pages. Header-only so that tavcli, which has Qt Gui but no
// widgets, and the tree dialog's printing share the one routine.

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QString>

#include "document/DataNode.h"
#include "printing/core/PrintSettings.h"
#include "tools/core/DataRules.h"

// Character height of the printed tree: 10 points in the device's vertical pixels.
inline double DataTreeCharHeight(const QPaintDevice& device) {
    return 10.0 * device.logicalDpiY() / 72.0;
}

// Paints root and its subtree on device (already set up: page size, document name), page after
// page, in black Arial of weight 400. Returns the number of pages, 0 when painting could not
// start.
inline int PaintDataTree(QPagedPaintDevice& device, const CDataNode& root) {
    const SDataPrintMetrics metrics(DataTreeCharHeight(device));
    const std::vector<SPrintPage> pages = LayoutDataTree(root, metrics, device.height());
    QPainter painter;
    if (!painter.begin(&device)) {
        return 0;
    }
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
    font.setWeight(QFont::Normal);
    font.setPixelSize(static_cast<int>(metrics.h + 0.5));
    painter.setFont(font);
    // Lines one print unit wide, as the drawing's own: a device dot vanishes at high resolutions.
    painter.setPen(QPen(Qt::black, PrintUnitsToDots(1, device.logicalDpiX())));
    const double width = device.width();
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            device.newPage();
        }
        for (const SPrintLine& l : pages[p].lines) {
            painter.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
        }
        for (const SPrintText& t : pages[p].texts) {
            const QRectF box(t.x, t.top, std::max(0.0, width - t.x), metrics.Pitch());
            painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             QString::fromStdString(t.text));
        }
    }
    painter.end();
    return static_cast<int>(pages.size());
}
