#pragma once
// Writes the recorded pages of a store to files through the same playback
// that printing uses: a PDF with one page per sheet (vector text, embedded
// fonts), or one PNG per sheet.
#include <QByteArray>
#include <QString>

class QIODevice;
class TPageStorage;

// Throws TListoraError when the file cannot be written; the file is
// replaced only once it is complete.
void WritePagesToPdf(TPageStorage& pages, const QString& path);
// Pages first..last (store numbers; last -1: to the end) as one PDF onto
// device, or in memory. Throws TListoraError when nothing can be written.
void WritePagesToPdf(TPageStorage& pages, QIODevice& device, int first = 1, int last = -1);
QByteArray PagesToPdfBytes(TPageStorage& pages, int first = 1, int last = -1);
// Writes DIR/page-001.png ... at dpi dots per inch; returns the file count.
int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi = 96);
