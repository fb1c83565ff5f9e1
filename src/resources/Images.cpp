#include "resources/Images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <functional>

namespace images {

namespace {

const QColor kInk(32, 32, 32);
const QColor kPaper(255, 255, 255);
const QColor kBlue(30, 90, 200);
const QColor kRed(200, 40, 40);
const QColor kGreen(30, 140, 60);
const QColor kYellow(235, 190, 40);
const QColor kGrey(150, 150, 150);

QPixmap Draw(int w, int h, const std::function<void(QPainter&)>& paint) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(kInk);
    paint(p);
    p.end();
    return QPixmap::fromImage(img);
}

void Page(QPainter& p, int x, int y, int w, int h) {
    p.fillRect(x, y, w, h, kPaper);
    p.drawRect(x, y, w - 1, h - 1);
}

void Magnifier(QPainter& p, int x, int y) {
    p.setBrush(QColor(200, 225, 255));
    p.drawEllipse(x, y, 7, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 2));
    p.drawLine(x + 7, y + 7, x + 10, y + 10);
    p.setPen(kInk);
}

void Pencil(QPainter& p, int x, int y) {
    p.setPen(QPen(kYellow.darker(130), 3));
    p.drawLine(x, y + 8, x + 7, y + 1);
    p.setPen(kInk);
    p.drawLine(x - 1, y + 9, x + 1, y + 7);
}

void Arrow(QPainter& p, int x0, int y0, int x1, int y1) {
    p.drawLine(x0, y0, x1, y1);
    const QLineF line(x1, y1, x0, y0);
    QLineF a = line;
    a.setLength(3);
    a.setAngle(line.angle() + 35);
    QLineF b = line;
    b.setLength(3);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void Padlock(QPainter& p, bool locked) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGrey.darker(150), 2));
    if (locked) {
        p.drawArc(4, 1, 8, 10, 0, 180 * 16);
        p.drawLine(4, 6, 4, 8);
        p.drawLine(12, 6, 12, 8);
    } else {
        p.drawArc(8, 0, 7, 9, 0, 180 * 16);
        p.drawLine(15, 4, 15, 7);
    }
    p.setPen(kInk);
    p.setBrush(locked ? kYellow : QColor(245, 225, 150));
    p.drawRect(2, 8, 11, 7);
    p.setBrush(Qt::NoBrush);
    p.fillRect(7, 10, 2, 3, kInk);
}

void Eye(QPainter& p, bool open) {
    QPainterPath lid;
    lid.moveTo(1, 8);
    lid.quadTo(8, 1, 15, 8);
    lid.quadTo(8, 15, 1, 8);
    p.setBrush(kPaper);
    p.drawPath(lid);
    p.setBrush(open ? kBlue : kGrey);
    p.drawEllipse(5, 5, 6, 6);
    p.setBrush(Qt::NoBrush);
    p.fillRect(7, 7, 2, 2, kInk);
    if (!open) {
        p.setPen(QPen(kRed, 2));
        p.drawLine(2, 14, 14, 2);
        p.setPen(kInk);
    }
}

void PaintButton(unsigned id, QPainter& p) {
    switch (id) {
        case 57600:  // new
            Page(p, 3, 0, 10, 15);
            p.drawLine(5, 4, 10, 4);
            break;
        case 57601:  // open
            p.setBrush(kYellow);
            p.drawRect(1, 4, 12, 9);
            p.setBrush(QColor(250, 220, 110));
            p.drawPolygon(QPolygon({{1, 13}, {4, 7}, {15, 7}, {13, 13}}));
            p.setBrush(Qt::NoBrush);
            Arrow(p, 9, 3, 13, 1);
            break;
        case 57603:  // save
            p.setBrush(kBlue);
            p.drawRect(1, 1, 13, 13);
            p.fillRect(4, 2, 7, 5, kPaper);
            p.fillRect(5, 10, 5, 4, kGrey);
            break;
        case 32774:  // attribute data
            Page(p, 1, 0, 11, 15);
            p.drawLine(3, 3, 9, 3);
            p.drawLine(3, 6, 9, 6);
            p.drawLine(3, 9, 6, 9);
            Pencil(p, 7, 5);
            break;
        case 32773:  // edit selected
            p.setPen(kBlue);
            p.drawPolyline(QPolygon({{1, 13}, {5, 4}, {11, 9}}));
            p.fillRect(4, 3, 3, 3, kBlue);
            p.setPen(kInk);
            Pencil(p, 6, 4);
            break;
        case 32809:  // plan
            p.setPen(kGrey);
            for (int i = 2; i < 15; i += 4) {
                p.drawLine(i, 1, i, 13);
                p.drawLine(1, i, 14, i);
            }
            p.setPen(QPen(kRed, 2));
            p.drawLine(2, 13, 12, 13);
            p.setPen(QPen(kGreen, 2));
            p.drawLine(2, 13, 2, 3);
            break;
        case 32786:  // eye and target point
            Eye(p, true);
            break;
        case 32779:  // select
            p.setBrush(kPaper);
            p.drawPolygon(QPolygon({{3, 1}, {3, 13}, {6, 10}, {9, 15}, {11, 14}, {8, 9}, {12, 9}}));
            p.setBrush(Qt::NoBrush);
            break;
        case 57643:    // undo
        case 57644: {  // redo: the same arrow mirrored
            if (id == 57644) {
                p.translate(15, 0);
                p.scale(-1, 1);
            }
            p.setPen(QPen(kBlue, 2));
            p.drawArc(3, 3, 10, 10, 160 * 16, -250 * 16);
            p.setPen(kBlue);
            p.setBrush(kBlue);
            p.drawPolygon(QPolygon({{0, 4}, {6, 4}, {3, 9}}));
            p.setBrush(Qt::NoBrush);
            break;
        }
        case 57609:  // print preview
            Page(p, 1, 0, 10, 14);
            Magnifier(p, 5, 4);
            break;
        case 57607:  // print
            Page(p, 4, 0, 8, 6);
            p.setBrush(kGrey);
            p.drawRect(1, 5, 13, 6);
            p.setBrush(Qt::NoBrush);
            Page(p, 4, 9, 8, 6);
            p.fillRect(11, 7, 2, 1, kGreen);
            break;
        case 57664: {  // about
            p.setBrush(kBlue);
            p.drawEllipse(0, 0, 14, 14);
            QFont f = p.font();
            f.setPixelSize(11);
            f.setBold(true);
            p.setFont(f);
            p.setPen(kPaper);
            p.drawText(QRect(0, 0, 15, 15), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case 32791:  // layers
            for (int i = 0; i < 3; ++i) {
                const QColor c[3] = {kBlue, kGreen, kYellow};
                p.setBrush(c[i]);
                const int y = 9 - 4 * i;
                p.drawPolygon(QPolygon({{1, y + 2}, {8, y - 1}, {15, y + 2}, {8, y + 5}}));
            }
            p.setBrush(Qt::NoBrush);
            break;
        case 32784:  // zoom all
            p.drawRect(1, 1, 13, 12);
            Arrow(p, 7, 7, 2, 2);
            Arrow(p, 8, 7, 13, 2);
            Arrow(p, 7, 7, 2, 12);
            Arrow(p, 8, 7, 13, 12);
            break;
        case 32780:  // pan
            Arrow(p, 7, 7, 7, 1);
            Arrow(p, 7, 7, 7, 13);
            Arrow(p, 7, 7, 1, 7);
            Arrow(p, 7, 7, 13, 7);
            break;
        case 32781:  // zoom
            Magnifier(p, 1, 1);
            p.drawLine(3, 4, 6, 4);
            p.drawLine(4, 3, 4, 6);
            break;
        case 32782:  // rotate
            p.setPen(QPen(kBlue, 2));
            p.drawArc(2, 2, 11, 11, 30 * 16, 280 * 16);
            p.setPen(kBlue);
            p.setBrush(kBlue);
            p.drawPolygon(QPolygon({{10, 0}, {14, 4}, {9, 5}}));
            p.setBrush(Qt::NoBrush);
            break;
        case 32783:  // zoom window
            p.setPen(QPen(kInk, 1, Qt::DashLine));
            p.drawRect(0, 0, 10, 9);
            p.setPen(kInk);
            Magnifier(p, 5, 4);
            break;
        case 32812:  // previous view
            p.setPen(QPen(kGreen, 2));
            p.drawArc(3, 3, 11, 10, 0, 180 * 16);
            p.drawLine(14, 8, 14, 12);
            p.setPen(kGreen);
            p.setBrush(kGreen);
            p.drawPolygon(QPolygon({{0, 8}, {6, 8}, {3, 12}}));
            p.setBrush(Qt::NoBrush);
            break;
        case 32787:  // polygon
            p.setBrush(QColor(200, 225, 255));
            p.drawPolygon(QPolygon({{1, 12}, {3, 2}, {11, 1}, {14, 8}, {8, 14}}));
            p.setBrush(Qt::NoBrush);
            break;
        case 32788:  // polyline
            p.setPen(QPen(kBlue, 2));
            p.drawPolyline(QPolygon({{1, 13}, {4, 3}, {9, 11}, {14, 2}}));
            break;
        case 32789: {  // text
            QFont f = p.font();
            f.setPixelSize(14);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, QStringLiteral("A"));
            break;
        }
        case 32790:  // arc or circle
            p.setPen(QPen(kBlue, 2));
            p.drawArc(2, 2, 11, 11, 0, 270 * 16);
            break;
        case 32800:  // point
            p.setPen(QPen(kRed, 2));
            p.drawLine(3, 3, 12, 12);
            p.drawLine(3, 12, 12, 3);
            break;
        case 32818: {  // coordinates
            QFont f = p.font();
            f.setPixelSize(8);
            p.setFont(f);
            p.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, QStringLiteral("xyz"));
            p.fillRect(0, 13, 3, 2, kRed);
            break;
        }
        case 32798:  // length
            p.setBrush(kYellow);
            p.drawRect(0, 5, 15, 5);
            p.setBrush(Qt::NoBrush);
            for (int x = 2; x < 15; x += 3) {
                p.drawLine(x, 5, x, 7);
            }
            break;
        case 32799:  // area and perimeter
            p.setBrush(QColor(160, 220, 160));
            p.setPen(QPen(kGreen.darker(130), 2));
            p.drawPolygon(QPolygon({{2, 12}, {3, 3}, {12, 2}, {13, 12}}));
            p.setBrush(Qt::NoBrush);
            break;
        default:
            break;
    }
}

bool HasButtonImage(unsigned id) {
    switch (id) {
        case 57600:
        case 57601:
        case 57603:
        case 57643:
        case 57644:
        case 32774:
        case 32773:
        case 32809:
        case 32786:
        case 32779:
        case 57609:
        case 57607:
        case 57664:
        case 32791:
        case 32784:
        case 32780:
        case 32781:
        case 32782:
        case 32783:
        case 32812:
        case 32787:
        case 32788:
        case 32789:
        case 32790:
        case 32800:
        case 32818:
        case 32798:
        case 32799:
            return true;
        default:
            return false;
    }
}

void PaintAppIcon(QPainter& p, int size) {
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 140));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    // A wireframe box seen from above, the program's subject.
    const QPointF a(16, 26), b(38, 18), c(50, 26), d(28, 34);
    const QPointF up(0, 18);
    p.setPen(QPen(QColor(255, 255, 255), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({a, b, c, d}));
    p.drawLine(a, a + up);
    p.drawLine(d, d + up);
    p.drawLine(c, c + up);
    p.drawPolyline(QPolygonF({a + up, d + up, c + up}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 80, 60));
    p.drawEllipse(b, 4.5, 4.5);
}

}  // namespace

QPixmap LayerImage(unsigned id) {
    switch (id) {
        case kUnlocked:
        case kLocked:
            return Draw(16, 16, [id](QPainter& p) { Padlock(p, id == kLocked); });
        case kVisible:
        case kHidden:
            return Draw(16, 16, [id](QPainter& p) {
                p.setRenderHint(QPainter::Antialiasing);
                Eye(p, id == kVisible);
            });
        default:
            return {};
    }
}

QPixmap ButtonImage(unsigned id) {
    if (!HasButtonImage(id)) {
        return {};
    }
    return Draw(16, 15, [id](QPainter& p) { PaintButton(id, p); });
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(Draw(size, size, [size](QPainter& p) { PaintAppIcon(p, size); }));
    }
    return icon;
}

}  // namespace images
