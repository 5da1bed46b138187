#pragma once
// Writes the recorded pages of a store to files through the same playback
// that printing uses: a PDF with one page per sheet (vector text, embedded
// fonts), or one PNG per sheet.
#include <QString>

class TPageStorage;

// Each file is written whole or not at all (the previous file stays). Throws
// TListoraError when a file cannot be written.

// The PDF goes to a file, or to standard output for "-" and to a stream
// (a pipe, /dev/stdout) when the path names one.
void WritePagesToPdf(TPageStorage& pages, const QString& path);
// Writes DIR/page-001.png ... at dpi dots per inch and removes the pages
// (by that name pattern only) that an earlier, longer run left, so the
// folder holds this listing's pages alone; returns the file count.
int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi = 96);
// The file name of a page image ("page-001.png").
QString PngPageName(int page);
