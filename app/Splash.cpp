#include "app/Splash.h"

#include "app/Startup.h"
#include "platform/Version.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowShape.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace {
constexpr int kDisc = 424;
} // namespace

TfrmSplash::TfrmSplash(const QString& archivePath, const QString& clipFolder, int intervalMs)
    : TfrmSplash(archivePath, clipFolder, intervalMs,
                 translucentWindowsShown() ? TShape::Translucent : TShape::Masked) {}

TfrmSplash::TfrmSplash(const QString& archivePath, const QString& clipFolder, int intervalMs,
                       TShape shape)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), shape_(shape),
      archivePath_(archivePath), clipFolder_(clipFolder) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The disc and nothing below it: a taller window did not fit a scaled
    // screen, and the window system moved it after its backdrop was taken.
    setFixedSize(kDisc + 1, kDisc + 1);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);
    if (shape_ == TShape::Translucent) {
        // The window itself is clear; the disc is painted with a smooth edge.
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        setAutoFillBackground(true);
        setMask(QRegion(0, 0, kDisc + 1, kDisc + 1, QRegion::Ellipse));
    }
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &TfrmSplash::Timer1Timer);
}

void TfrmSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    centreOnScreen(*this);
    // Where the window system will keep it, so the backdrop matches.
    if (canPlaceWindows())
        if (const QScreen* screen = this->screen())
            move(placeOnScreen(geometry(), QMargins(), screen->availableGeometry()));
    // Still unmapped here: the screen shows what lies below the window.
    if (shape_ == TShape::Masked) PaintOverBackdrop(grabScreenArea(geometry()));
    if (busy_) timer_.start();
}

bool TfrmSplash::PaintOverBackdrop(const QPixmap& backdrop) {
    if (shape_ != TShape::Masked || backdrop.isNull() || backdrop.rect().isEmpty()) return false;
    backdrop_ = backdrop;
    shape_ = TShape::OverBackdrop;
    clearMask();
    update();
    return true;
}

void TfrmSplash::Timer1Timer() {
    if (!busy_) return;
    counter_ -= kStep;
    if (counter_ >= kDoneBelow) return;
    timer_.stop();
    deleteClips(clipFolder_);
    expanded_ = expandClips(archivePath_, clipFolder_);
    busy_ = false;
    emit finished();
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    if (shape_ != TShape::Masked) {
        // Half-covered pixels at the outer edge blend with whatever lies
        // below: the window system does it for a translucent window, the
        // painter over the backdrop picture otherwise.
        if (shape_ == TShape::OverBackdrop) p.drawPixmap(rect(), backdrop_);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(0.5, 0.5, kDisc - 1, kDisc - 1));
    } else {
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(QRect(QPoint(1, 1), QPoint(kDisc, kDisc)));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawEllipse(QRectF(4.5, 4.5, kDisc - 9, kDisc - 9));
    drawPicture(p, QRect(4, 40, 416, 345));
}

// Our own picture: a fanned stack of listing pages under the title.
void TfrmSplash::drawPicture(QPainter& p, const QRect& box) {
    p.save();
    const QPointF centre(box.center().x(), box.top() + 175);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(-12 + 12 * i);
        const QRectF sheet(-60, -80, 120, 156);
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(250, 250, 244));
        p.drawRect(sheet);
        if (i == 2) {
            p.setPen(QPen(QColor(38, 94, 168), 2));
            p.drawLine(QPointF(-48, -60), QPointF(-48, 40));
            p.drawLine(QPointF(-48, -60), QPointF(-42, -60));
            p.drawLine(QPointF(-48, 40), QPointF(-42, 40));
            p.setPen(QPen(QColor(70, 70, 70), 1.2));
            for (int line = 0; line < 11; ++line) {
                const qreal y = -62 + line * 10;
                const qreal indent = (line % 4 == 0) ? 0 : 10;
                const qreal len = 40 + (line * 37 % 45);
                p.drawLine(QPointF(-38 + indent, y), QPointF(-38 + indent + len, y));
            }
        }
        p.restore();
    }
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(236, 190, 70));
    p.drawText(QRect(box.left(), box.top() + 10, box.width(), 50), Qt::AlignCenter,
               QStringLiteral("Listora"));
    QFont sub(QStringLiteral("Liberation Sans"));
    sub.setPixelSize(16);
    p.setFont(sub);
    p.setPen(Qt::white);
    p.drawText(QRect(box.left(), box.bottom() - 50, box.width(), 22), Qt::AlignCenter,
               QStringLiteral("Visual Basic source listings"));
    p.setPen(QColor(170, 170, 170));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.drawText(QRect(box.left(), box.bottom() - 26, box.width(), 20), Qt::AlignCenter,
               QStringLiteral("Version ") + QLatin1String(kListoraVersion));
    p.restore();
}
