#include "render/PageOutput.h"

#include "platform/AtomicFile.h"
#include "platform/DrawSurface.h"
#include "platform/Errors.h"
#include "render/PageStorage.h"
#include "render/VirtCanvas.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>

namespace {

QPageLayout::Orientation orientationOf(const TPageRec& page) {
    return page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

} // namespace

void WritePagesToPdf(TPageStorage& pages, const QString& path) {
    TAtomicFile file(path, TAtomicFile::TTarget::FileOrStream);
    file.begin();
    {
        const TPageRec* first = pages.Page(1);
        QPdfWriter writer(&file);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("Listora"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter),
                                         first ? orientationOf(*first) : QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0)));
        TDrawSurface surface(&writer);
        if (!surface.painter().isActive())
            throw TListoraError(QStringLiteral("Unable to write to %1").arg(path));
        for (int n = 1; n <= pages.PageCount(); ++n) {
            TPageRec& page = *pages.Page(n);
            if (n > 1) {
                writer.setPageOrientation(orientationOf(page));
                writer.newPage();
                surface.NewPage();
            }
            // A PDF is a printer: the page is played as it would be printed.
            page.Canvas->PlayBack(surface, true, 1, 1, true, surface.GetDeviceCaps(dcAspectX),
                                  surface.GetDeviceCaps(dcAspectY), nullptr, nullptr);
        }
        surface.painter().end();
    }
    file.commit();
}

QString PngPageName(int page) {
    return QStringLiteral("page-%1.png").arg(page, 3, 10, QChar('0'));
}

int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi) {
    if (!QDir().mkpath(dir)) throw TListoraError(QStringLiteral("Unable to write to %1").arg(dir));
    TAtomicFile::RemoveLeftoversIn(dir);
    int written = 0;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        TPageRec& page = *pages.Page(n);
        QImage image(page.Width * dpi / 96, page.Height * dpi / 96, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TDrawSurface surface(&image, &image);
            page.Canvas->PlayBack(surface, true, 0, 0, false, 0, 0, nullptr, nullptr);
        }
        TAtomicFile file(QDir(dir).filePath(PngPageName(n)));
        file.SweepLeftovers = false;
        file.begin();
        if (!image.save(&file, "PNG"))
            throw TListoraError(QStringLiteral("Unable to write to %1").arg(file.path()));
        file.commit();
        ++written;
    }
    // Pages of an earlier, longer listing would pass for pages of this one.
    static const QRegularExpression ourPage(QStringLiteral("^page-([0-9]{3,})\\.png$"));
    QDir folder(dir);
    for (const QFileInfo& info :
         folder.entryInfoList({QStringLiteral("page-*.png")}, QDir::Files)) {
        const QRegularExpressionMatch match = ourPage.match(info.fileName());
        const int number = match.captured(1).toInt();
        if (match.hasMatch() && !info.isSymLink() && number > written &&
            PngPageName(number) == info.fileName() && !folder.remove(info.fileName()))
            throw TListoraError(
                QStringLiteral("Unable to remove the earlier page %1").arg(info.filePath()));
    }
    return written;
}
