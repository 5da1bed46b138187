#pragma once
// The animation clips ("read.lrg", "print.lrg", "build.lrg", "build2.lrg")
// that the program plays while it loads, builds and prints. A clip is a run
// of equally sized frames over one palette, shown one after another with a
// fixed delay. Little-endian layout:
//
//   offset  size  field
//   0       4     magic "LRGC"
//   4       2     format version, 1
//   6       2     width in pixels (1..1024)
//   8       2     height in pixels (1..1024)
//   10      2     frame count (1..1024)
//   12      2     delay between frames in milliseconds
//   14      2     palette size n (1..256)
//   16      4*n   palette: red, green, blue, alpha bytes per colour
//   ...           frames: width*height palette indexes each, row by row
//
// The clips are small drawings; they go into "graphics.dat" packed with LZH.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

struct TClip {
    QList<QImage> Frames; // all the same size, Format_Indexed8
    int DelayMs = 100;
};

namespace clipformat {

inline constexpr char kMagic[] = "LRGC";
inline constexpr int kMaxSide = 1024;
inline constexpr int kMaxFrames = 1024;

// Throws TListoraError naming what is wrong when the bytes are not a clip.
TClip decodeClip(const QByteArray& bytes);
TClip readClip(const QString& fileName);

// Frames of another format are mapped onto the first frame's palette (or
// onto `palette` when given).
QByteArray encodeClip(const TClip& clip, const QList<QRgb>& palette = {});

} // namespace clipformat
