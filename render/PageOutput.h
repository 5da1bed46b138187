#pragma once
// Writes the recorded pages of a store to files through the same playback
// that printing uses: a PDF with one page per sheet (vector text, embedded
// fonts; a report's plain-text pages in the standard fonts), or one PNG per
// sheet.
#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;
class TPageStorage;

// Each file is written whole or not at all (the previous file stays). Throws
// TListoraError when a file cannot be written.

// The PDF goes to a file, or to standard output for "-" and to a stream
// (a pipe, /dev/stdout) when the path names one.
void WritePagesToPdf(TPageStorage& pages, const QString& path);
// Pages first..last (store numbers; last -1: to the end) as one PDF onto
// device, or in memory, each page on the paper it was laid out on. Throws
// TListoraError when nothing can be written.
void WritePagesToPdf(TPageStorage& pages, QIODevice& device, int first = 1, int last = -1);
QByteArray PagesToPdfBytes(TPageStorage& pages, int first = 1, int last = -1);

// Pages first..last as PDF parts in order: runs of plain-text pages (see
// TPageRec::PlainText) written directly as text, the rest through
// QPdfWriter as PagesToPdfBytes. A plain-text run with anything that needs
// QPdfWriter after all goes through it whole.
std::vector<QByteArray> PagesToPdfRuns(TPageStorage& pages, int first, int last);

// Playback on several cores: jobs workers (threads) each play one
// contiguous range of pages; the parts come back in page order.

// The cores this process may run on: the default number of workers.
int AvailableCores();
struct TPageRange {
    int First = 1;
    int Last = 1;
};
// Pages 1..count in at most jobs contiguous ranges of about equal drawing
// work (recorded commands; plain-text pages cost next to nothing), in
// order; none for a store without pages.
std::vector<TPageRange> PlaybackRanges(const TPageStorage& pages, int jobs);
// The PDF parts of each range (PagesToPdfRuns), all in page order. jobs 1
// without plain-text pages gives exactly PagesToPdfBytes(pages). Throws
// TListoraError when a part fails.
std::vector<QByteArray> PagesToPdfParts(TPageStorage& pages, int jobs);
// Writes DIR/page-001.png ... at dpi dots per inch and removes the pages
// that an earlier, longer run left (images of that name that a Listora run
// wrote, other than those readByRun names), so the folder holds this
// listing's pages alone; returns the file count. Up to jobs workers draw
// and write the pages side by side, as many as the memory budget for page
// images allows. Throws TListoraError when another run is writing into DIR.
int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi = 96, int jobs = 1,
                    const std::function<bool(const QString&)>& readByRun = {});
// How many of jobs workers draw page images at dpi at once: at least one,
// and no more than the budget for images in memory holds.
int PngWorkers(const TPageStorage& pages, int dpi, int jobs);
// The file name of a page image ("page-001.png").
QString PngPageName(int page);
