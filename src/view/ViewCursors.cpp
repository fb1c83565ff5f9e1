#include "view/ViewCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <map>

#include "view/core/PointLocator.h"

namespace {

constexpr int kSide = 32;

// Black strokes with a white rim so the cursor shows on both backgrounds.
void Stroke(QPainter& p, const QPainterPath& path) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QPainterPath Cross(int cx, int cy, int r) {
    QPainterPath path;
    path.moveTo(cx - r, cy);
    path.lineTo(cx + r, cy);
    path.moveTo(cx, cy - r);
    path.lineTo(cx, cy + r);
    return path;
}

QPainterPath Magnifier() {
    QPainterPath path;
    path.addEllipse(QPointF(12, 12), 8, 8);
    path.moveTo(18, 18);
    path.lineTo(28, 28);
    return path;
}

QCursor Draw(int resource) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    int hx = 16, hy = 16;
    switch (resource) {
        case viewcursor::kPointInput:
            Stroke(p, Cross(16, 16, 12));
            break;
        case viewcursor::kSnapped: {
            QPainterPath path = Cross(16, 16, 12);
            path.addRect(11, 11, 10, 10);
            Stroke(p, path);
            break;
        }
        case viewcursor::kZoom: {
            QPainterPath path = Magnifier();
            path.moveTo(8, 12);
            path.lineTo(16, 12);
            path.moveTo(12, 8);
            path.lineTo(12, 16);
            Stroke(p, path);
            hx = hy = 12;
            break;
        }
        case viewcursor::kZoomWindow: {
            QPainterPath path = Magnifier();
            path.addRect(8, 9, 8, 6);
            Stroke(p, path);
            hx = hy = 12;
            break;
        }
        case viewcursor::kPan: {
            // Four arrows.
            QPainterPath path = Cross(16, 16, 13);
            for (const QPoint& tip :
                 {QPoint(3, 16), QPoint(29, 16), QPoint(16, 3), QPoint(16, 29)}) {
                const int dx = tip.x() == 16 ? 4 : (tip.x() < 16 ? 4 : -4);
                const int dy = tip.y() == 16 ? 4 : (tip.y() < 16 ? 4 : -4);
                if (tip.y() == 16) {
                    path.moveTo(tip.x() + dx, 16 - 4);
                    path.lineTo(tip);
                    path.lineTo(tip.x() + dx, 16 + 4);
                } else {
                    path.moveTo(16 - 4, tip.y() + dy);
                    path.lineTo(tip);
                    path.lineTo(16 + 4, tip.y() + dy);
                }
            }
            Stroke(p, path);
            break;
        }
        case viewcursor::kRotate: {
            QPainterPath path;
            path.arcMoveTo(5, 5, 22, 22, 60);
            path.arcTo(5, 5, 22, 22, 60, 300);
            const QPointF end = path.currentPosition();
            path.moveTo(end + QPointF(-6, -1));
            path.lineTo(end);
            path.lineTo(end + QPointF(1, -6));
            Stroke(p, path);
            break;
        }
        default:
            return QCursor(Qt::ArrowCursor);
    }
    p.end();
    return QCursor(pixmap, hx, hy);
}

}  // namespace

QCursor ToolCursor(int resource) {
    static std::map<int, QCursor> cache;
    auto it = cache.find(resource);
    if (it == cache.end()) {
        it = cache.emplace(resource, Draw(resource)).first;
    }
    return it->second;
}

void DrawSnapMarker(QPainter& painter, int x, int y, uint16_t kind, bool whiteBackground) {
    const int h = kSnapMarkerSize / 2;
    const QRect box(x - h, y - h, 2 * h, 2 * h);
    const auto draw = [&] {
        switch (kind) {
            case kSnapMidpoint: {
                const QPoint tri[3] = {{x - h, y + h}, {x + h, y + h}, {x, y - h}};
                painter.drawPolygon(tri, 3);
                break;
            }
            case kSnapArcCentre:
                painter.drawEllipse(QPoint(x, y), h, h);
                break;
            case kSnapQuadrants: {
                const QPoint diamond[4] = {{x, y - h}, {x + h, y}, {x, y + h}, {x - h, y}};
                painter.drawPolygon(diamond, 4);
                break;
            }
            case kSnapIntersection:
                painter.drawLine(x - h, y - h, x + h, y + h);
                painter.drawLine(x - h, y + h, x + h, y - h);
                break;
            case kSnapTextStart:
                painter.drawRect(box);
                painter.drawLine(x - h + 2, y, x + h - 2, y);
                painter.drawLine(x, y - h + 2, x, y + h - 2);
                break;
            default:
                painter.drawRect(box);
                break;
        }
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(whiteBackground ? Qt::white : Qt::black, 4));
    draw();
    painter.setPen(QPen(QColor::fromRgb(kSnapMarkerRgb), 2));
    draw();
    painter.restore();
}
