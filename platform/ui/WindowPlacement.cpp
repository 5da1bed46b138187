#include "platform/ui/WindowPlacement.h"

#include "platform/IniFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
const QString kSection = QStringLiteral("POSITION");
}

bool canPlaceWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void centreOnScreen(QWidget& window) {
    if (!canPlaceWindows()) return;
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

void applyStoredPosition(QWidget& window, const TIniFile& ini) {
    if (!canPlaceWindows()) return;
    const int x = ini.readInteger(kSection, QStringLiteral("X"), -1);
    const int y = ini.readInteger(kSection, QStringLiteral("Y"), -1);
    QPoint pos = window.pos();
    if (x != -1) pos.setX(x);
    if (y != -1) pos.setY(y);
    window.move(pos);
}

void storePosition(const QWidget& window, TIniFile& ini) {
    // Positions read back there are meaningless (always 0, 0).
    if (!canPlaceWindows()) return;
    ini.writeInteger(kSection, QStringLiteral("X"), window.x());
    ini.writeInteger(kSection, QStringLiteral("Y"), window.y());
}
