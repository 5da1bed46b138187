// The floor for a batch command's start-up: a Qt GUI program (offscreen, as
// listora-print runs without a display) that starts and exits. Compare with
// `listora-print --count` on a ten-line file (bench/listing_speed.sh).
#include <QGuiApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return 0;
}
