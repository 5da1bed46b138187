#include "widgets/Glyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <iterator>

namespace {

const QColor kInk(40, 40, 48);
const QColor kPaper(252, 252, 246);
const QColor kBlue(38, 94, 168);
const QColor kYellow(236, 190, 70);
const QColor kGrey(150, 150, 150);

void page(QPainter& p, QRectF r) {
    QPainterPath path;
    const qreal fold = r.width() * 0.3;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void textLines(QPainter& p, QRectF r, int count) {
    const qreal step = r.height() / count;
    for (int i = 0; i < count; ++i) {
        const qreal y = r.top() + step * (i + 0.5);
        const qreal indent = (i % 3 == 1) ? r.width() * 0.2 : 0;
        p.drawLine(QPointF(r.left() + indent, y),
                   QPointF(r.right() - (i % 2) * r.width() * 0.2, y));
    }
}

void printer(QPainter& p, QRectF r) {
    const qreal w = r.width(), h = r.height();
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + w * 0.25, r.top(), w * 0.5, h * 0.4));
    p.setBrush(kGrey.lighter(130));
    p.drawRoundedRect(QRectF(r.left(), r.top() + h * 0.35, w, h * 0.4), w * 0.08, w * 0.08);
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + w * 0.2, r.top() + h * 0.65, w * 0.6, h * 0.35));
    p.setBrush(QColor(60, 170, 60));
    p.drawEllipse(QPointF(r.left() + w * 0.85, r.top() + h * 0.48), w * 0.05, w * 0.05);
}

// A transparent pixmap of size device-independent pixels drawn at scale
// device pixels each.
QPixmap scaledCanvas(QSize size, int scale) {
    QPixmap pm(size * scale);
    pm.setDevicePixelRatio(scale);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap drawTool(TToolGlyph glyph, int size, int scale) {
    QPixmap pm = scaledCanvas(QSize(size, size), scale);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(kInk, 1.2));
    switch (glyph) {
    case TToolGlyph::Open: {
        p.setBrush(kYellow.darker(115));
        p.drawRect(QRectF(3, 8, 24, 18));
        p.setBrush(kYellow);
        QPolygonF front({{3, 26}, {8, 13}, {30, 13}, {27, 26}});
        p.drawPolygon(front);
        p.setBrush(kYellow.darker(115));
        p.drawRect(QRectF(3, 6, 9, 3));
        break;
    }
    case TToolGlyph::Save:
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(kGrey.lighter(120));
        p.drawRect(QRectF(8, 18, 16, 10));
        p.setBrush(kInk);
        p.drawRect(QRectF(18, 6, 3, 5));
        break;
    case TToolGlyph::PageSetup:
        page(p, QRectF(6, 3, 20, 26));
        p.setPen(QPen(kBlue, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(9, 9, 13, 16));
        break;
    case TToolGlyph::Fonts: {
        // On a card, as the other glyphs are on paper: bare letters vanish
        // on a dark palette.
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(1.5, 3.5, 29, 25), 3, 3);
        QFont f(QStringLiteral("Liberation Serif"));
        f.setPixelSize(26);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kBlue);
        p.drawText(QRectF(1, 0, 20, 30), Qt::AlignCenter, QStringLiteral("A"));
        f.setPixelSize(17);
        f.setItalic(true);
        p.setFont(f);
        p.setPen(kInk);
        p.drawText(QRectF(15, 9, 16, 22), Qt::AlignCenter, QStringLiteral("a"));
        break;
    }
    case TToolGlyph::Formatting:
        page(p, QRectF(5, 3, 22, 26));
        p.setPen(QPen(kBlue, 1.6));
        p.drawLine(QPointF(9, 9), QPointF(9, 25));
        p.drawLine(QPointF(9, 9), QPointF(11, 9));
        p.drawLine(QPointF(9, 25), QPointF(11, 25));
        p.setPen(QPen(kInk, 1.2));
        textLines(p, QRectF(13, 8, 10, 18), 6);
        break;
    case TToolGlyph::Navigator:
        p.setBrush(kYellow);
        p.drawRect(QRectF(3, 3, 10, 7));
        p.setBrush(kPaper);
        p.drawRect(QRectF(15, 13, 12, 6));
        p.drawRect(QRectF(15, 23, 12, 6));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(7, 10), QPointF(7, 26));
        p.drawLine(QPointF(7, 16), QPointF(15, 16));
        p.drawLine(QPointF(7, 26), QPointF(15, 26));
        break;
    case TToolGlyph::Preview:
        page(p, QRectF(4, 2, 18, 24));
        textLines(p, QRectF(7, 8, 11, 12), 5);
        p.setPen(QPen(kInk, 2.4));
        p.drawLine(QPointF(22, 22), QPointF(29, 29));
        p.setPen(QPen(kInk, 1.4));
        p.setBrush(QColor(200, 225, 250, 200));
        p.drawEllipse(QPointF(18, 18), 6, 6);
        break;
    case TToolGlyph::Print:
        printer(p, QRectF(3, 4, 26, 24));
        break;
    }
    return pm;
}

QPixmap drawNavigator(int index, int scale) {
    const int s = kNavigatorImageSize;
    QPixmap pm = scaledCanvas(QSize(s, s), scale);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1));
    switch (index) {
    case 0: // form: a small window
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 2.5, 15, 13));
        p.setBrush(kBlue);
        p.drawRect(QRectF(1.5, 2.5, 15, 3.5));
        p.setBrush(kGrey.lighter(130));
        p.drawRect(QRectF(4.5, 9.5, 7, 3));
        break;
    case 1: // module: a page with code lines
        page(p, QRectF(3.5, 1.5, 11, 15));
        p.setPen(QPen(kBlue, 1));
        textLines(p, QRectF(5.5, 6, 6, 9), 4);
        break;
    case 2: // any other file: a plain page
        page(p, QRectF(3.5, 1.5, 11, 15));
        break;
    case 3: // section
        p.setBrush(QColor(120, 70, 160));
        p.drawRoundedRect(QRectF(3.5, 5.5, 11, 7), 2, 2);
        p.setPen(Qt::white);
        p.drawLine(QPointF(6, 9), QPointF(12, 9));
        break;
    case 4:
        break;
    case 5: // printer mark
        printer(p, QRectF(1, 2, 16, 14));
        break;
    case 6: // unmarked: an empty box
        p.setPen(QPen(kGrey, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 4.5, 9, 9));
        break;
    default: { // root animation: a dot running round a ring
        const int frame = index - 7;
        p.setPen(QPen(kBlue, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(9, 9), 6, 6);
        static const QPointF dots[] = {{9, 3}, {15, 9}, {9, 15}, {3, 9}};
        p.setPen(Qt::NoPen);
        p.setBrush(kYellow.darker(110));
        p.drawEllipse(dots[frame % 4], 2.8, 2.8);
        break;
    }
    }
    return pm;
}

} // namespace

QIcon toolGlyph(TToolGlyph glyph, int size) {
    QIcon icon;
    for (int scale : kPictureScales)
        icon.addPixmap(drawTool(glyph, size, scale));
    return icon;
}

const QList<QPixmap>& navigatorImages(int scale) {
    static const std::array<QList<QPixmap>, std::size(kPictureScales)> images = [] {
        std::array<QList<QPixmap>, std::size(kPictureScales)> all;
        for (std::size_t n = 0; n < all.size(); ++n)
            for (int i = 0; i < kNavigatorImageCount; ++i)
                all[n].append(drawNavigator(i, kPictureScales[n]));
        return all;
    }();
    for (std::size_t n = 0; n < images.size(); ++n)
        if (kPictureScales[n] == scale) return images[n];
    return images.front();
}
