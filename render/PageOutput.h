#pragma once
// Writes the recorded pages of a store to files through the same playback
// that printing uses: a PDF with one page per sheet (vector text, embedded
// fonts), or one PNG per sheet.
#include <QString>

class TPageStorage;

// Throws TListoraError when the file cannot be written.
void WritePagesToPdf(TPageStorage& pages, const QString& path);
// Writes DIR/page-001.png ... at dpi dots per inch; returns the file count.
int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi = 96);
