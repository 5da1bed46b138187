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

QPoint placeOnScreen(const QRect& client, const QMargins& frame, const QRect& available) {
    const QRect outer = client.marginsAdded(frame);
    QPoint shift;
    // Right and bottom first, so that a window larger than the screen keeps
    // its title bar and left edge in view.
    if (outer.right() > available.right()) shift.rx() = available.right() - outer.right();
    if (outer.bottom() > available.bottom()) shift.ry() = available.bottom() - outer.bottom();
    if (outer.left() + shift.x() < available.left()) shift.rx() = available.left() - outer.left();
    if (outer.top() + shift.y() < available.top()) shift.ry() = available.top() - outer.top();
    return client.topLeft() + shift;
}

void applyStoredPosition(QWidget& window, const TIniFile& ini) {
    if (!canPlaceWindows()) return;
    const int x = ini.readInteger(kSection, QStringLiteral("X"), -1);
    const int y = ini.readInteger(kSection, QStringLiteral("Y"), -1);
    // The stored point is the client area's corner: the frame's size is
    // the window manager's and may not be known yet, and mixing the two
    // moved the window by the title bar's height on every start.
    QRect client = window.geometry();
    if (x != -1) client.moveLeft(x);
    if (y != -1) client.moveTop(y);
    QScreen* screen = QGuiApplication::screenAt(client.center());
    if (!screen) screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QMargins frame(window.geometry().left() - window.frameGeometry().left(),
                         window.geometry().top() - window.frameGeometry().top(),
                         window.frameGeometry().right() - window.geometry().right(),
                         window.frameGeometry().bottom() - window.geometry().bottom());
    // A position stored on a larger screen or at another scale stays on
    // this one.
    if (screen) client.moveTopLeft(placeOnScreen(client, frame, screen->availableGeometry()));
    window.setGeometry(client);
}

void storePosition(const QWidget& window, TIniFile& ini) {
    // Positions read back there are meaningless (always 0, 0).
    if (!canPlaceWindows()) return;
    ini.writeInteger(kSection, QStringLiteral("X"), window.geometry().x());
    ini.writeInteger(kSection, QStringLiteral("Y"), window.geometry().y());
}

void fitOnScreen(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    // Room for a title bar the window manager adds.
    const QMargins frame(0, 30, 0, 0);
    const QSize room = available.size().shrunkBy(frame);
    QRect client = window.geometry();
    if (client.width() > room.width() || client.height() > room.height())
        client.setSize(client.size().boundedTo(room).expandedTo(window.minimumSize()));
    if (canPlaceWindows()) {
        if (!available.contains(client.marginsAdded(frame))) client.moveCenter(available.center());
        client.moveTopLeft(placeOnScreen(client, frame, available));
    }
    window.setGeometry(client);
}
