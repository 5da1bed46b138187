#include "platform/ui/WindowShape.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QRect>
#include <QScreen>

#ifdef LISTORA_WITH_XCB
#include <QByteArray>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace {

#ifdef LISTORA_WITH_XCB
// An X11 compositing manager owns the selection _NET_WM_CM_S<screen>.
bool x11CompositorRunning() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    if (const qsizetype dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        screen = std::atoi(display.constData() + dot + 1);
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()),
        nullptr);
    if (!atom) return false;
    bool owned = false;
    if (atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
    }
    std::free(atom);
    return owned;
}
#endif

} // namespace

bool translucentWindowsShown() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
#ifdef LISTORA_WITH_XCB
    if (platform == QLatin1String("xcb")) return x11CompositorRunning();
#endif
    // Off-screen and other platforms: the mask is the safe choice.
    return false;
}

QPixmap grabScreenArea(const QRect& rect) {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") || rect.isEmpty()) return {};
    QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    // Window 0 is the whole screen; the offset is relative to that screen.
    const QPoint at = rect.topLeft() - screen->geometry().topLeft();
    QPixmap picture = screen->grabWindow(0, at.x(), at.y(), rect.width(), rect.height());
    if (picture.isNull() || picture.deviceIndependentSize().toSize() != rect.size()) return {};
    return picture;
}
