// Renders the application icon from its SVG into the PNG sizes of the
// desktop's icon theme, as part of every build:
//   listora-icons ICON.svg OUTPUT_FOLDER SIZE...
// writes OUTPUT_FOLDER/listora-SIZE.png for every SIZE.
#include "platform/AtomicFile.h"
#include "platform/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

void writeIcon(QSvgRenderer& svg, int size, const QString& path) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
    }
    TAtomicFile file(path);
    file.begin();
    if (!image.save(&file, "PNG")) throw TListoraError(QStringLiteral("cannot encode ") + path);
    file.commit();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: listora-icons ICON.svg OUTPUT_FOLDER SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "listora-icons: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QDir out(args[2]);
    QDir().mkpath(out.path());
    try {
        for (qsizetype i = 3; i < args.size(); ++i) {
            bool ok = false;
            const int size = args[i].toInt(&ok);
            if (!ok || size <= 0 || size > 1024)
                throw TListoraError(QStringLiteral("not an icon size: ") + args[i]);
            writeIcon(svg, size, out.filePath(QStringLiteral("listora-%1.png").arg(size)));
        }
    } catch (const TListoraError& e) {
        std::fprintf(stderr, "listora-icons: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
