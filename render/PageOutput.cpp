#include "render/PageOutput.h"

#include "platform/AtomicFile.h"
#include "platform/DrawSurface.h"
#include "platform/Errors.h"
#include "platform/PdfTextWriter.h"
#include "render/PageStorage.h"
#include "render/SideBySide.h"
#include "render/VirtCanvas.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

QPageLayout::Orientation orientationOf(const TPageRec& page) {
    return page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

// The paper the page was laid out on, upright, in points (3/4 of a unit).
QPageSize pageSizeOf(const TPageRec& page) {
    const int w = page.Landscape ? page.Height : page.Width;
    const int h = page.Landscape ? page.Width : page.Height;
    return QPageSize(QSizeF(w * 0.75, h * 0.75), QPageSize::Point, QString(),
                     QPageSize::FuzzyMatch);
}

} // namespace

int AvailableCores() {
    return std::max(1, QThread::idealThreadCount());
}

std::vector<TPageRange> PlaybackRanges(const TPageStorage& pages, int jobs) {
    const int count = pages.PageCount();
    std::vector<TPageRange> ranges;
    if (count <= 0) return ranges;
    jobs = std::clamp(jobs, 1, count);
    // A page's work is about its command count; each range takes pages
    // until its share of what is left is reached, so none ends up empty.
    std::vector<long long> work(std::size_t(count) + 1, 0);
    for (int n = 1; n <= count; ++n)
        work[std::size_t(n)] =
            work[std::size_t(n) - 1] + 1 +
            (pages.Page(n)->PlainText ? 0 : pages.Page(n)->Canvas->CommandCount());
    int first = 1;
    for (int j = 0; j < jobs; ++j) {
        const int left = jobs - j;
        int last = count - (left - 1);
        if (left > 1) {
            const long long goal = work[std::size_t(first) - 1] +
                                   (work[std::size_t(count)] - work[std::size_t(first) - 1]) / left;
            int n = first;
            while (n < last && work[std::size_t(n)] < goal)
                ++n;
            last = n;
        }
        ranges.push_back({first, last});
        first = last + 1;
    }
    return ranges;
}

std::vector<QByteArray> PagesToPdfParts(TPageStorage& pages, int jobs) {
    const std::vector<TPageRange> ranges = PlaybackRanges(pages, jobs);
    if (ranges.empty()) throw TListoraError(QStringLiteral("No pages to write"));
    std::vector<std::vector<QByteArray>> runs(ranges.size());
    RunSideBySide(int(ranges.size()), [&](int i) {
        runs[std::size_t(i)] =
            PagesToPdfRuns(pages, ranges[std::size_t(i)].First, ranges[std::size_t(i)].Last);
    });
    std::vector<QByteArray> parts;
    for (std::vector<QByteArray>& range : runs)
        for (QByteArray& part : range)
            parts.push_back(std::move(part));
    return parts;
}

namespace {

// Pages first..last as plain text; empty when one of them needs more.
QByteArray plainTextPdf(TPageStorage& pages, int first, int last) {
    TPdfTextDocument document;
    TPdfTextSurface& surface = document.Surface();
    for (int n = first; n <= last; ++n) {
        TPageRec& page = *pages.Page(n);
        const QPageSize size = pageSizeOf(page);
        const QSizeF points = size.size(QPageSize::Point);
        const bool landscape = orientationOf(page) == QPageLayout::Landscape;
        document.BeginPage(landscape ? points.height() : points.width(),
                           landscape ? points.width() : points.height());
        page.Canvas->PlayBack(surface, true, 1, 1, true, surface.GetDeviceCaps(dcAspectX),
                              surface.GetDeviceCaps(dcAspectY), nullptr, nullptr);
        if (surface.Unsupported()) return {};
    }
    return document.Finish();
}

} // namespace

std::vector<QByteArray> PagesToPdfRuns(TPageStorage& pages, int first, int last) {
    std::vector<QByteArray> parts;
    for (int n = first; n <= last;) {
        const bool plain = pages.Page(n)->PlainText;
        int end = n;
        while (end < last && pages.Page(end + 1)->PlainText == plain)
            ++end;
        QByteArray part = plain ? plainTextPdf(pages, n, end) : QByteArray();
        parts.push_back(part.isEmpty() ? PagesToPdfBytes(pages, n, end) : std::move(part));
        n = end + 1;
    }
    return parts;
}

void WritePagesToPdf(TPageStorage& pages, QIODevice& device, int first, int last) {
    if (last < 0 || last > pages.PageCount()) last = pages.PageCount();
    const TPageRec* firstPage = pages.Page(first);
    if (!firstPage || last < first) throw TListoraError(QStringLiteral("No pages to write"));
    QPdfWriter writer(&device);
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("Listora"));
    writer.setPageLayout(
        QPageLayout(pageSizeOf(*firstPage), orientationOf(*firstPage), QMarginsF(0, 0, 0, 0)));
    TDrawSurface surface(&writer);
    if (!surface.painter().isActive()) throw TListoraError(QStringLiteral("Unable to write a PDF"));
    for (int n = first; n <= last; ++n) {
        TPageRec& page = *pages.Page(n);
        if (n > first) {
            writer.setPageSize(pageSizeOf(page));
            writer.setPageOrientation(orientationOf(page));
            writer.newPage();
            surface.NewPage();
        }
        // A PDF is a printer: the page is played as it would be printed.
        page.Canvas->PlayBack(surface, true, 1, 1, true, surface.GetDeviceCaps(dcAspectX),
                              surface.GetDeviceCaps(dcAspectY), nullptr, nullptr);
    }
    if (!surface.painter().end()) throw TListoraError(QStringLiteral("Unable to write a PDF"));
}

QByteArray PagesToPdfBytes(TPageStorage& pages, int first, int last) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WritePagesToPdf(pages, buffer, first, last);
    return buffer.data();
}

void WritePagesToPdf(TPageStorage& pages, const QString& path) {
    // Drawn in memory, written in one go: QPdfWriter's many small writes
    // cost more system time on a file than the copy does.
    QByteArray bytes;
    try {
        bytes = PagesToPdfBytes(pages);
    } catch (const TListoraError&) {
        throw TListoraError(QStringLiteral("Unable to write to %1").arg(path));
    }
    TAtomicFile file(path, TAtomicFile::TTarget::FileOrStream);
    file.begin();
    if (file.write(bytes) != bytes.size())
        throw TListoraError(QStringLiteral("Unable to write to %1").arg(path));
    file.commit();
}

QString PngPageName(int page) {
    return QStringLiteral("page-%1.png").arg(page, 3, 10, QChar('0'));
}

namespace {

// The text chunk that marks a page image as one Listora wrote: only such
// files are taken for stale pages of an earlier run.
const char* const kPngMarkKey = "Software";
const char* const kPngMarkValue = "Listora";

// Together the page images in memory stay below this, whatever the
// resolution: at 600 dpi a letter page alone takes 134 MB.
constexpr qint64 kPngImageBudget = 300ll << 20;

qint64 imageBytes(const TPageRec& page, int dpi) {
    return qint64(page.Width) * dpi / 96 * (qint64(page.Height) * dpi / 96) * 4;
}

void writePng(TPageRec& page, const QString& path, int dpi) {
    QImage image(page.Width * dpi / 96, page.Height * dpi / 96, QImage::Format_RGB32);
    if (image.isNull())
        throw TListoraError(
            QStringLiteral("Unable to write to %1: not enough memory for the page image")
                .arg(path));
    image.fill(Qt::white);
    {
        TDrawSurface surface(&image, &image);
        page.Canvas->PlayBack(surface, true, 0, 0, false, 0, 0, nullptr, nullptr);
    }
    image.setText(QString::fromLatin1(kPngMarkKey), QString::fromLatin1(kPngMarkValue));
    // Encoded in memory, where a write cannot fail: libpng would print its
    // own error lines for a full disk; the atomic file gives the reason.
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (!image.save(&encoded, "PNG"))
        throw TListoraError(QStringLiteral("Unable to write to %1").arg(path));
    image = QImage();
    TAtomicFile file(path);
    // Swept once for the whole folder: the other workers' files are alive.
    file.SweepLeftovers = false;
    file.begin();
    file.write(encoded.data());
    file.commit();
}

// Whether the file is a page image that a Listora run wrote.
bool isOurPng(const QString& path) {
    QFile file(path);
    QString error;
    if (!OpenRegularFileForReading(path, file, error)) return false;
    // The mark comes before the image data, right after the header.
    const QByteArray head = file.read(4096);
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    const QByteArray mark = QByteArray("tEXt") + kPngMarkKey + QByteArray(1, '\0') + kPngMarkValue;
    return head.startsWith(signature) && head.contains(mark);
}

// Two runs writing into one folder at once would leave the pages of both.
// The lock is on the folder itself, so nothing is left behind.
class TPngFolderLock {
public:
    explicit TPngFolderLock(const QString& dir) : folder_(OpenFolder(dir)) {
        if (::flock(folder_.fd(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
            throw TListoraError(QStringLiteral("another run is writing pages into %1; try again "
                                               "when it has finished")
                                    .arg(dir));
    }

private:
    TFolder folder_; // closing it releases the lock
};

// Why the folder for the pages cannot be made.
QString folderProblem(const QString& dir) {
    QString path;
    for (const QString& part : QDir::cleanPath(QDir(dir).absolutePath()).split(QLatin1Char('/'))) {
        if (part.isEmpty()) continue;
        path += QLatin1Char('/') + part;
        const QFileInfo info(path);
        if (info.exists() && !info.isDir()) return QString::fromLocal8Bit(std::strerror(ENOTDIR));
        if (!info.exists() && ::mkdir(QFile::encodeName(path).constData(), 0777) != 0 &&
            errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno));
    }
    return QStringLiteral("it cannot be made");
}

} // namespace

int PngWorkers(const TPageStorage& pages, int dpi, int jobs) {
    qint64 largest = 1;
    for (int n = 1; n <= pages.PageCount(); ++n)
        largest = std::max(largest, imageBytes(*pages.Page(n), dpi));
    return int(std::clamp<qint64>(kPngImageBudget / largest, 1, std::max(jobs, 1)));
}

int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi, int jobs,
                    const std::function<bool(const QString&)>& readByRun) {
    if (!QDir().mkpath(dir))
        throw TListoraError(
            QStringLiteral("Unable to write pages into %1: %2").arg(dir, folderProblem(dir)));
    const TPngFolderLock lock(dir);
    TAtomicFile::RemoveLeftoversIn(dir);
    const std::vector<TPageRange> ranges = PlaybackRanges(pages, PngWorkers(pages, dpi, jobs));
    RunSideBySide(int(ranges.size()), [&](int i) {
        for (int n = ranges[std::size_t(i)].First; n <= ranges[std::size_t(i)].Last; ++n)
            writePng(*pages.Page(n), QDir(dir).filePath(PngPageName(n)), dpi);
    });
    const int written = pages.PageCount();
    // Pages of an earlier, longer listing would pass for pages of this one.
    // Only images a run of ours wrote go: never a file this run reads, nor
    // anything else that happens to bear a page's name.
    static const QRegularExpression ourPage(QStringLiteral("^page-([0-9]{3,})\\.png$"));
    QDir folder(dir);
    for (const QFileInfo& info :
         folder.entryInfoList({QStringLiteral("page-*.png")}, QDir::Files)) {
        const QRegularExpressionMatch match = ourPage.match(info.fileName());
        const int number = match.captured(1).toInt();
        if (!match.hasMatch() || info.isSymLink() || number <= written ||
            PngPageName(number) != info.fileName())
            continue;
        if ((readByRun && readByRun(info.filePath())) || !isOurPng(info.filePath())) continue;
        if (!folder.remove(info.fileName()))
            throw TListoraError(
                QStringLiteral("Unable to remove the earlier page %1").arg(info.filePath()));
    }
    return written;
}
