#include "archive/ClipFormat.h"
#include "platform/Errors.h"
#include <QFile>

namespace clipformat {

namespace {

quint16 le16(const QByteArray& b, qsizetype at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}
void put16(QByteArray& b, int v) {
    b.append(char(v & 0xff)).append(char(v >> 8 & 0xff));
}

} // namespace

TClip decodeClip(const QByteArray& bytes) {
    const auto bad = [](const QString& why) {
        return TListoraError(QStringLiteral("Not an animation clip: %1").arg(why));
    };
    if (bytes.size() < 16 || !bytes.startsWith(kMagic)) throw bad(QStringLiteral("unknown header"));
    if (le16(bytes, 4) != 1) throw bad(QStringLiteral("unknown version %1").arg(le16(bytes, 4)));
    const int width = le16(bytes, 6);
    const int height = le16(bytes, 8);
    const int frames = le16(bytes, 10);
    const int colours = le16(bytes, 14);
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide || frames < 1 ||
        frames > kMaxFrames || colours < 1 || colours > 256)
        throw bad(QStringLiteral("impossible dimensions"));
    const qsizetype frameSize = qsizetype(width) * height;
    const qsizetype paletteAt = 16;
    const qsizetype framesAt = paletteAt + 4 * colours;
    if (bytes.size() != framesAt + frameSize * frames)
        throw bad(QStringLiteral("the file size does not match its frames"));

    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i) {
        const auto* p = reinterpret_cast<const quint8*>(bytes.constData() + paletteAt + 4 * i);
        palette.append(qRgba(p[0], p[1], p[2], p[3]));
    }
    // Indexes past the palette show as transparent rather than at random.
    while (palette.size() < 256)
        palette.append(qRgba(0, 0, 0, 0));

    TClip clip;
    clip.DelayMs = le16(bytes, 12);
    for (int f = 0; f < frames; ++f) {
        QImage image(width, height, QImage::Format_Indexed8);
        image.setColorTable(palette);
        const char* pixels = bytes.constData() + framesAt + frameSize * f;
        for (int y = 0; y < height; ++y)
            std::copy(pixels + qsizetype(y) * width, pixels + qsizetype(y + 1) * width,
                      reinterpret_cast<char*>(image.scanLine(y)));
        clip.Frames.append(image);
    }
    return clip;
}

TClip readClip(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TListoraError(QStringLiteral("Cannot open %1\n%2").arg(fileName, file.errorString()));
    return decodeClip(file.readAll());
}

QByteArray encodeClip(const TClip& clip, const QList<QRgb>& palette) {
    if (clip.Frames.isEmpty())
        throw TListoraError(QStringLiteral("A clip needs at least one frame"));
    const QSize size = clip.Frames.first().size();
    QList<QRgb> colours = palette.isEmpty() ? clip.Frames.first().colorTable() : palette;
    if (colours.isEmpty() || colours.size() > 256 || size.width() > kMaxSide ||
        size.height() > kMaxSide || clip.Frames.size() > kMaxFrames)
        throw TListoraError(QStringLiteral("The clip does not fit the clip format"));

    QByteArray bytes(kMagic, 4);
    put16(bytes, 1);
    put16(bytes, size.width());
    put16(bytes, size.height());
    put16(bytes, int(clip.Frames.size()));
    put16(bytes, clip.DelayMs);
    put16(bytes, int(colours.size()));
    for (QRgb c : colours)
        bytes.append(char(qRed(c)))
            .append(char(qGreen(c)))
            .append(char(qBlue(c)))
            .append(char(qAlpha(c)));
    for (const QImage& frame : clip.Frames) {
        if (frame.size() != size)
            throw TListoraError(QStringLiteral("All frames of a clip must have the same size"));
        const QImage indexed =
            frame.format() == QImage::Format_Indexed8 && frame.colorTable() == colours
                ? frame
                : frame.convertToFormat(QImage::Format_Indexed8, colours, Qt::ThresholdDither);
        for (int y = 0; y < size.height(); ++y)
            bytes.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), size.width());
    }
    return bytes;
}

} // namespace clipformat
