// The animation clips: their own format, and the archive the build ships.
#include "archive/ClipFormat.h"
#include "archive/Compress.h"
#include "common/TestSupport.h"
#include "platform/Errors.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TClip sampleClip() {
    const QList<QRgb> palette = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(200, 0, 0)};
    TClip clip;
    clip.DelayMs = 120;
    for (int f = 0; f < 3; ++f) {
        QImage frame(5, 4, QImage::Format_Indexed8);
        frame.setColorTable(palette);
        frame.fill(0);
        frame.setPixel(f, f, 1);
        frame.setPixel(4, 3, 2);
        clip.Frames.append(frame);
    }
    return clip;
}

TEST(ClipFormat, RoundTripsFramesPaletteAndDelay) {
    const TClip clip = sampleClip();
    const QByteArray bytes = clipformat::encodeClip(clip);
    EXPECT_EQ(bytes.size(), 16 + 3 * 4 + 3 * 5 * 4);
    const TClip back = clipformat::decodeClip(bytes);
    EXPECT_EQ(back.DelayMs, 120);
    ASSERT_EQ(back.Frames.size(), 3);
    for (int f = 0; f < 3; ++f) {
        EXPECT_EQ(back.Frames[f].pixel(f, f), qRgb(0, 0, 0));
        EXPECT_EQ(back.Frames[f].pixel(4, 3), qRgb(200, 0, 0));
        EXPECT_EQ(back.Frames[f].pixel(f + 1, f), qRgb(255, 255, 255));
    }
    // Frames in another format are mapped onto the palette.
    TClip rgb;
    QImage frame(2, 2, QImage::Format_RGB32);
    frame.fill(qRgb(190, 10, 5));
    rgb.Frames.append(frame);
    const TClip mapped =
        clipformat::decodeClip(clipformat::encodeClip(rgb, sampleClip().Frames[0].colorTable()));
    EXPECT_EQ(mapped.Frames[0].pixel(1, 1), qRgb(200, 0, 0));
}

TEST(ClipFormat, RefusesDamagedClips) {
    const QByteArray good = clipformat::encodeClip(sampleClip());
    QByteArray hugeWidth = good;
    hugeWidth[6] = char(0xff);
    hugeWidth[7] = char(0xff);
    for (const QByteArray& bad : {QByteArray(), QByteArray("LRGX") + good.mid(4),
                                  good.left(good.size() - 1), good + "x", hugeWidth}) {
        EXPECT_THROW(clipformat::decodeClip(bad), TListoraError);
    }
}

TEST(ShippedGraphics, HoldsFourPlayableClips) {
    const QString archive = testsupport::binaryDir() + QStringLiteral("/bin/graphics.dat");
    if (!QFile::exists(archive)) GTEST_SKIP() << "graphics.dat has not been built";
    QList<RArchiveEntry> list;
    TCompress c;
    c.ScanArchive(archive, list);
    QStringList names;
    for (const RArchiveEntry& e : list)
        names << e.Name;
    EXPECT_EQ(names, (QStringList{"read.lrg", "print.lrg", "build.lrg", "build2.lrg"}));

    QTemporaryDir dir;
    c.setTargetPath(dir.path());
    c.ExpandFiles(archive);
    for (const QString& name : names) {
        const TClip clip = clipformat::readClip(dir.filePath(name));
        EXPECT_GE(clip.Frames.size(), 8) << name.toStdString();
        // Frames differ: the clip moves.
        EXPECT_NE(clip.Frames.first(), clip.Frames[clip.Frames.size() / 2]) << name.toStdString();
    }
}

} // namespace
