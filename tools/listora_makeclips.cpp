// Draws the four animation clips that the program plays while it loads,
// builds and prints, and packs them into "graphics.dat":
//   listora-makeclips OUTPUT_ARCHIVE
#include "archive/ClipFormat.h"
#include "archive/Compress.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSide = 64;
constexpr int kFrames = 12;

// Index 0 is the see-through background; it is drawn as a key colour first.
const QRgb kKey = qRgb(255, 0, 255);
const QList<QRgb> kPalette = {
    kKey,
    qRgb(0, 0, 0),       // outline
    qRgb(255, 255, 255), // paper
    qRgb(128, 128, 128), // grey
    qRgb(192, 192, 192), // light grey
    qRgb(64, 64, 64),    // dark grey
    qRgb(0, 0, 160),     // blue text
    qRgb(0, 128, 0),     // green
    qRgb(200, 0, 0),     // red
    qRgb(140, 80, 20),   // cover brown
    qRgb(250, 240, 200), // old paper
    qRgb(255, 210, 0),   // yellow
};

QColor colour(int index) {
    return QColor::fromRgb(kPalette[index]);
}

// Draws `frames` pictures with `draw(painter, frame)` and turns them into a clip.
TClip makeClip(int delayMs, const std::function<void(QPainter&, int)>& draw) {
    QList<QRgb> table = kPalette;
    TClip clip;
    clip.DelayMs = delayMs;
    for (int f = 0; f < kFrames; ++f) {
        QImage canvas(kSide, kSide, QImage::Format_RGB32);
        canvas.fill(kKey);
        {
            QPainter p(&canvas);
            draw(p, f);
        }
        QImage frame = canvas.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
        frame.setColor(0, qRgba(0, 0, 0, 0));
        clip.Frames.append(frame);
    }
    return clip;
}

void textLines(QPainter& p, const QRect& area, int count, int textColour, int seed) {
    for (int i = 0; i < count && 4 + i * 4 < area.height(); ++i) {
        const int indent = ((i + seed) % 3) * 3;
        const int width = area.width() - indent - ((i * 7 + seed) % 9);
        p.fillRect(area.left() + indent, area.top() + 3 + i * 4, std::max(width, 4), 1,
                   colour(textColour));
    }
}

// A book lying open, its right page turning over to the left.
void drawRead(QPainter& p, int f) {
    p.setPen(colour(1));
    p.setBrush(colour(9));
    p.drawRect(4, 14, 56, 38);
    p.setBrush(colour(10));
    p.drawRect(7, 12, 25, 36);
    p.drawRect(32, 12, 25, 36);
    textLines(p, QRect(9, 13, 21, 34), 8, 6, 1);
    textLines(p, QRect(34, 13, 21, 34), 8, 6, 2);
    // The turning page: its free edge sweeps from the right page to the left.
    const double angle = M_PI * f / (kFrames - 1);
    const int edge = 32 + int(std::lround(25 * std::cos(angle)));
    const int lift = int(std::lround(6 * std::sin(angle)));
    QPolygon page;
    page << QPoint(32, 12) << QPoint(edge, 12 - lift) << QPoint(edge, 48 - lift) << QPoint(32, 48);
    p.setBrush(colour(2));
    p.drawPolygon(page);
}

// A printer feeding a sheet out, the sheet filling with lines.
void drawPrint(QPainter& p, int f) {
    const int out = 4 + f * 2; // how far the sheet has come out
    p.setPen(colour(1));
    p.setBrush(colour(2));
    p.drawRect(16, 4, 32, 14); // paper in the tray
    p.setBrush(colour(4));
    p.drawRect(6, 16, 52, 22);
    p.setBrush(colour(5));
    p.drawRect(12, 34, 40, 3); // output slot
    p.fillRect(48, 20, 4, 3, colour(f % 2 ? 7 : 3));
    p.setBrush(colour(2));
    p.drawRect(16, 36, 32, out);
    for (int i = 0; 3 + i * 3 < out; ++i)
        p.fillRect(19, 38 + i * 3, 22 - (i * 5) % 9, 1, colour(1));
}

// One page being laid out: lines appear one by one, then a bracket in the margin.
void drawBuild(QPainter& p, int f) {
    p.setPen(colour(1));
    p.setBrush(colour(2));
    p.drawRect(14, 4, 38, 54);
    p.fillRect(18, 8, 30, 3, colour(6)); // heading
    const int lines = std::min(f + 1, 10);
    for (int i = 0; i < lines; ++i) {
        const int indent = (i >= 3 && i <= 6) ? 6 : 2;
        p.fillRect(20 + indent, 15 + i * 4, 24 - indent - (i * 3) % 7, 1,
                   colour(i % 4 == 0 ? 7 : 1));
    }
    if (f >= 10) {
        p.setPen(colour(8));
        p.drawLine(22, 28, 22, 40);
        p.drawLine(22, 28, 24, 28);
        p.drawLine(22, 40, 24, 40);
    }
    // The pen at work.
    p.setPen(colour(1));
    p.setBrush(colour(11));
    const int y = 15 + (lines - 1) * 4;
    p.drawPolygon(
        QPolygon({QPoint(46, y - 8), QPoint(50, y - 6), QPoint(45, y + 1), QPoint(43, y)}));
}

// Finished pages sliding onto a growing stack.
void drawBuild2(QPainter& p, int f) {
    p.setPen(colour(1));
    const int stacked = f / 3;
    for (int i = 0; i <= stacked; ++i) {
        p.setBrush(colour(i % 2 ? 10 : 2));
        p.drawRect(10 + i * 2, 40 - i * 3, 34, 18);
    }
    const int step = f % 3;
    const int x = 60 - step * 16;
    const int y = 4 + step * 10;
    p.setBrush(colour(2));
    p.drawRect(x - 10, y, 30, 20);
    textLines(p, QRect(x - 8, y, 26, 18), 4, 1, f);
}

int run(const QString& output) {
    QTemporaryDir work;
    if (!work.isValid()) throw TListoraError(QStringLiteral("Cannot create a temporary folder"));
    const QList<std::pair<QString, TClip>> clips = {
        {QStringLiteral("read.lrg"), makeClip(150, drawRead)},
        {QStringLiteral("print.lrg"), makeClip(120, drawPrint)},
        {QStringLiteral("build.lrg"), makeClip(120, drawBuild)},
        {QStringLiteral("build2.lrg"), makeClip(150, drawBuild2)},
    };
    QStringList files;
    // A fixed date keeps the archive the same from build to build.
    const QDateTime stamp(QDate(2026, 1, 1), QTime(12, 0));
    for (const auto& [name, clip] : clips) {
        const QString path = work.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(clipformat::encodeClip(clip)) < 0)
            throw TListoraError(QStringLiteral("Cannot write %1").arg(path));
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
        file.close();
        files << path;
    }
    QFile::remove(output);
    TCompress compress;
    compress.setTargetPath(work.path());
    compress.CompressFiles(output, files, cmLZH);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: listora-makeclips OUTPUT_ARCHIVE\n");
        return 2;
    }
    try {
        return run(QString::fromLocal8Bit(argv[1]));
    } catch (const TListoraError& e) {
        std::fprintf(stderr, "listora-makeclips: %s\n", qPrintable(e.message()));
        return 1;
    }
}
