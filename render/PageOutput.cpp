#include "render/PageOutput.h"

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

namespace {

QPageLayout::Orientation orientationOf(const TPageRec& page) {
    return page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

} // namespace

void WritePagesToPdf(TPageStorage& pages, const QString& path) {
    const TPageRec* first = pages.Page(1);
    QPdfWriter writer(path);
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
    if (QFileInfo(path).size() == 0)
        throw TListoraError(QStringLiteral("Unable to write to %1").arg(path));
}

int WritePagesToPng(TPageStorage& pages, const QString& dir, int dpi) {
    if (!QDir().mkpath(dir)) throw TListoraError(QStringLiteral("Unable to write to %1").arg(dir));
    int written = 0;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        TPageRec& page = *pages.Page(n);
        QImage image(page.Width * dpi / 96, page.Height * dpi / 96, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TDrawSurface surface(&image, &image);
            page.Canvas->PlayBack(surface, true, 0, 0, false, 0, 0, nullptr, nullptr);
        }
        const QString file =
            QDir(dir).filePath(QStringLiteral("page-%1.png").arg(n, 3, 10, QChar('0')));
        if (!image.save(file))
            throw TListoraError(QStringLiteral("Unable to write to %1").arg(file));
        ++written;
    }
    return written;
}
