// What QPdfWriter alone needs to draw the lines of some text files on
// two-column landscape letter pages in Arial 10 (46 lines a column): the
// floor under the batch command's end-to-end PDF time.
//
// usage: bench_pdf_baseline OUT.pdf FILE...
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pdf_baseline OUT.pdf FILE...\n");
        return 2;
    }
    QStringList lines;
    for (int i = 2; i < argc; ++i) {
        QFile f(QString::fromLocal8Bit(argv[i]));
        if (f.open(QIODevice::ReadOnly))
            lines += QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    }
    QElapsedTimer clock;
    clock.start();
    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setResolution(96);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    painter.setFont(font);
    const int perColumn = 46;
    int row = 0, column = 0;
    for (const QString& line : lines) {
        painter.drawText(60 + column * 493, 62 + row * 15 + 12, line);
        if (++row == perColumn) {
            row = 0;
            if (++column == 2) {
                column = 0;
                writer.newPage();
            }
        }
    }
    painter.end();
    const double seconds = clock.elapsed() / 1000.0;
    std::printf("%lld lines in %.2f s: %.0f lines/s\n", qlonglong(lines.size()), seconds,
                lines.size() / seconds);
    return 0;
}
