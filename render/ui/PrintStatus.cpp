#include "render/ui/PrintStatus.h"

#include "archive/ClipFormat.h"
#include "archive/Compress.h"
#include "platform/Resources.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMaroon(128, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

TClip loadClip(const QString& clipName) {
    const QDir dir(QCoreApplication::applicationDirPath());
    if (QFileInfo::exists(dir.filePath(clipName)))
        return clipformat::readClip(dir.filePath(clipName));
    const QString archive = findResourceFile(dir.path(), QStringLiteral("graphics.dat"));
    if (archive.isEmpty()) return TClip{};
    QTemporaryDir temp;
    TCompress compress;
    compress.setTargetPath(temp.path());
    QStringList names{clipName};
    compress.ExpandFiles(archive, &names);
    const QString file = QDir(temp.path()).filePath(clipName);
    return QFileInfo::exists(file) ? clipformat::readClip(file) : TClip{};
}

} // namespace

TColourGauge::TColourGauge(const QColor& colour, QWidget* parent)
    : QWidget(parent), colour_(colour) {}

void TColourGauge::setMaximum(int maximum) {
    max_ = std::max(0, maximum);
    pos_ = std::min(pos_, max_);
    update();
}

void TColourGauge::setPosition(int position) {
    const int p = std::clamp(position, 0, max_);
    if (p == pos_) return;
    pos_ = p;
    update();
}

void TColourGauge::setBoxColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void TColourGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (max_ <= 0 || pos_ <= 0) return;
    const int inner = width() - 2;
    const int filled = int(qint64(inner) * pos_ / max_);
    p.fillRect(QRect(1, 1, filled, height() - 2), colour_);
}

TClipPlayer::TClipPlayer(QWidget* parent) : QWidget(parent) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (frames_.isEmpty()) return;
        frame_ = (frame_ + 1) % int(frames_.size());
        update();
    });
}

bool TClipPlayer::Open(const QString& clipName) {
    Clear();
    try {
        const TClip clip = loadClip(clipName);
        frames_ = clip.Frames;
        timer_.setInterval(std::max(20, clip.DelayMs));
    } catch (const std::exception&) {
        frames_.clear();
    }
    update();
    return HasClip();
}

void TClipPlayer::Play() {
    if (HasClip()) timer_.start();
}

void TClipPlayer::Clear() {
    timer_.stop();
    frames_.clear();
    frame_ = 0;
    update();
}

void TClipPlayer::paintEvent(QPaintEvent*) {
    if (frames_.isEmpty()) return;
    QPainter p(this);
    const QImage& f = frames_[frame_];
    p.drawImage(QPoint((width() - f.width()) / 2, (height() - f.height()) / 2), f);
}

TfrmPrintStatus::TfrmPrintStatus(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Print Status"));
    setObjectName(QStringLiteral("frmPrintStatus"));
    setFixedSize(501, 83);
    setModal(false);

    ASPrint = new TClipPlayer(this);
    ASPrint->setGeometry(4, 1, 44, 40);

    sbCancel = new QToolButton(this);
    sbCancel->setObjectName(QStringLiteral("sbCancel"));
    sbCancel->setGeometry(52, 4, 28, 28);
    sbCancel->setToolTip(QStringLiteral("Cancel"));
    sbCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(sbCancel, &QToolButton::clicked, this, &TfrmPrintStatus::cancel);

    CopyGaugeBar = new TColourGauge(kTeal, this);
    CopyGaugeBar->setGeometry(88, 0, 401, 5);
    CopyGaugeBar->hide();
    PrintGaugeBar = new TColourGauge(kMaroon, this);
    PrintGaugeBar->setGeometry(88, 12, 401, 13);
    PageGaugeBar = new TColourGauge(kNavy, this);
    PageGaugeBar->setGeometry(88, 28, 401, 8);

    Label1 = new QLabel(QStringLiteral("Printing"), this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->move(2, 42);
    Label1->adjustSize();
    lblPageName = new QLabel(this);
    lblPageName->setGeometry(90, 42, 406, 37);
    lblPageName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPageName->setWordWrap(true);
}

void TfrmPrintStatus::Open() {
    closing_ = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    PageGaugeBar->setBoxColour(kNavy);
    PrintGaugeBar->setPosition(0);
    PageGaugeBar->setPosition(0);
    if (ASPrint->Open(QStringLiteral("print.lrg")))
        ASPrint->Play();
    else
        ASPrint->Clear();
    show();
    repaint();
}

void TfrmPrintStatus::Close() {
    ASPrint->Clear();
    CopyGaugeBar->hide();
    closing_ = true;
    hide();
}

void TfrmPrintStatus::SetCopyGaugeVisible(bool visible) {
    CopyGaugeBar->setVisible(visible);
}

void TfrmPrintStatus::SetPageName(const QString& name) {
    lblPageName->setText(name);
    lblPageName->repaint();
}

void TfrmPrintStatus::closeEvent(QCloseEvent* event) {
    if (closing_)
        event->accept();
    else
        event->ignore();
}

void TfrmPrintStatus::cancel() {
    SetPrintCancelled(true);
    PageGaugeBar->setBoxColour(kRed);
}

void TEventPump::processPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
