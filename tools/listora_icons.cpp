// Renders the application icon from its SVG into the PNG sizes of the
// desktop's icon theme, as part of every build:
//   listora-icons ICON.svg OUTPUT_FOLDER SIZE...
// writes OUTPUT_FOLDER/listora-SIZE.png for every SIZE.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <cstdio>

namespace {

bool writeIcon(QSvgRenderer& svg, int size, const QString& path) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
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
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        const QString path = out.filePath(QStringLiteral("listora-%1.png").arg(args[i]));
        if (!ok || size <= 0 || size > 1024 || !writeIcon(svg, size, path)) {
            std::fprintf(stderr, "listora-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
