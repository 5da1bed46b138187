#include "widgets/Animate.h"

#include "platform/Errors.h"

#include <QPainter>

TAnimate::TAnimate(QWidget* parent) : QWidget(parent) {
    connect(&timer_, &QTimer::timeout, this, &TAnimate::advance);
}

bool TAnimate::setFileName(const QString& fileName) {
    stop();
    fileName_ = fileName;
    frame_ = 0;
    shown_ = 0;
    try {
        clip_ = clipformat::readClip(fileName);
    } catch (const TListoraError&) {
        clip_ = TClip{};
    }
    update();
    return hasClip();
}

void TAnimate::play() {
    if (!hasClip()) return;
    timer_.start(qMax(10, clip_.DelayMs));
}

void TAnimate::stop() {
    timer_.stop();
}

void TAnimate::advance() {
    if (!hasClip()) return;
    frame_ = (frame_ + 1) % frameCount();
    ++shown_;
    update();
}

void TAnimate::paintEvent(QPaintEvent*) {
    if (!hasClip()) return;
    QPainter p(this);
    const QImage& image = clip_.Frames[frame_];
    // Centred, never scaled: the clips are drawn for this size.
    p.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
}
