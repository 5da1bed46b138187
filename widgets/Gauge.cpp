#include "widgets/Gauge.h"

#include <QPainter>
#include <QStyleOption>

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TGauge::setMaximum(int maximum) {
    max_ = qMax(1, maximum);
    setPosition(pos_);
}

void TGauge::setPosition(int position) {
    const int clamped = qBound(0, position, max_);
    if (clamped == pos_) return;
    pos_ = clamped;
    ++moves_;
    update();
}

void TGauge::setBoxWidth(int width) {
    boxWidth_ = qMax(1, width);
    update();
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    p.fillRect(outer, palette().base());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(outer.topLeft(), outer.topRight());
    p.drawLine(outer.topLeft(), outer.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(outer.bottomLeft(), outer.bottomRight());
    p.drawLine(outer.topRight(), outer.bottomRight());

    const QRect inner = outer.adjusted(2, 2, -1, -1);
    const int filled = int(qint64(inner.width()) * pos_ / max_);
    const QColor block = palette().color(QPalette::Highlight);
    for (int x = 0; x + boxWidth_ <= filled; x += boxWidth_ + 2)
        p.fillRect(inner.left() + x, inner.top(), boxWidth_, inner.height(), block);
}
