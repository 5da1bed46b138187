#include "render/IndicatorPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>

namespace {

constexpr int kCount = 5;
const QColor kInk(0, 0, 128);

void arrowHead(QPainter& p, QPointF tip, QPointF along) {
    // along: unit direction the arrow points to.
    const QPointF side(-along.y(), along.x());
    const QPolygonF head{tip, tip - along * 8 + side * 6, tip - along * 8 - side * 6};
    p.setBrush(kInk);
    p.drawPolygon(head);
    p.setBrush(Qt::NoBrush);
}

void drawBentArrow(QPainter& p) {
    p.drawLine(QPointF(8, 4), QPointF(8, 20));
    p.drawLine(QPointF(8, 20), QPointF(22, 20));
    arrowHead(p, QPointF(29, 20), QPointF(1, 0));
}

void drawHookArrow(QPainter& p) {
    QPainterPath path(QPointF(24, 6));
    path.cubicTo(QPointF(4, 4), QPointF(2, 22), QPointF(20, 22));
    p.drawPath(path);
    arrowHead(p, QPointF(28, 22), QPointF(1, 0));
}

void drawChevronPair(QPainter& p) {
    p.drawPolyline(QPolygonF{QPointF(6, 7), QPointF(15, 16), QPointF(6, 25)});
    p.drawPolyline(QPolygonF{QPointF(16, 7), QPointF(25, 16), QPointF(16, 25)});
}

void drawDownRightArrow(QPainter& p) {
    p.drawLine(QPointF(5, 5), QPointF(21, 21));
    arrowHead(p, QPointF(27, 27), QPointF(0.7071, 0.7071));
}

void drawContinuationMark(QPainter& p) {
    p.setBrush(kInk);
    for (int x : {7, 16, 25})
        p.drawEllipse(QPointF(x, 16), 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 25), QPointF(28, 25));
}

QImage makePicture(int index) {
    QImage img(kIndicatorPictureSize, kIndicatorPictureSize, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (index) {
    case 0:
        drawBentArrow(p);
        break;
    case 1:
        drawHookArrow(p);
        break;
    case 2:
        drawChevronPair(p);
        break;
    case 3:
        drawDownRightArrow(p);
        break;
    default:
        drawContinuationMark(p);
        break;
    }
    return img;
}

} // namespace

int indicatorPictureCount() {
    return kCount;
}

QImage indicatorPicture(int index) {
    static const std::array<QImage, kCount> pictures = [] {
        std::array<QImage, kCount> all;
        for (int i = 0; i < kCount; ++i)
            all[i] = makePicture(i);
        return all;
    }();
    if (index < 0 || index >= kCount) return QImage();
    return pictures[index];
}
