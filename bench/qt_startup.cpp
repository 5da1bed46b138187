// The floor for a batch command's start-up: a Qt GUI program (offscreen, as
// listora-print runs without a display) that starts and exits; with
// --measure it also measures one line of text, as any layout must, which
// loads the font configuration and one font file. Compare with
// `listora-print --count` on a ten-line file (bench/listing_speed.sh).
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

#include <cstring>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--measure") == 0)
        return QFontMetrics(QFont(QStringLiteral("Arial"), 10))
                           .horizontalAdvance(QStringLiteral("Dim i As Integer")) > 0
                   ? 0
                   : 1;
    return 0;
}
