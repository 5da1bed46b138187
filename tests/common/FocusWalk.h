#pragma once
// Keyboard focus as a user meets it: what Tab visits in a window, and which
// controls the window shows that a user could work with. For the widget
// tests only (it needs Qt Widgets).
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QTabBar>
#include <QWidget>

#include <string>

namespace testsupport {

// Shows the window, makes it the active one and presses Tab until the focus
// comes back round: the widgets that had the focus, in order, once each.
inline QList<QWidget*> tabWalk(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
    QList<QWidget*> visited;
    for (int step = 0; step < 200; ++step) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(target, &tab);
        QWidget* now = window->focusWidget();
        if (!now || (!visited.isEmpty() && now == visited.first())) break;
        if (visited.contains(now)) break; // a loop that skips the first stop
        visited.append(now);
    }
    return visited;
}

// The part of the widget that shows inside the window: clipped by every
// parent on the way up.
inline bool showsInside(QWidget* widget, QWidget* window) {
    QRect shown = widget->rect();
    for (QWidget* w = widget; w && w != window; w = w->parentWidget()) {
        shown.translate(w->pos());
        shown &= w->parentWidget()->rect();
        if (shown.isEmpty()) return false;
    }
    return true;
}

// Whether a widget is something a user presses, types into or chooses in
// (the parts of composite controls, such as a spin box's editor or a tab
// bar's scroll buttons, are not controls of their own).
inline bool isControl(QWidget* w, QWidget* window) {
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QComboBox*>(p) ||
            qobject_cast<QTabBar*>(p) || qobject_cast<QAbstractItemView*>(p))
            return false;
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractItemView*>(w) || qobject_cast<QTabBar*>(w);
}

// A group of exclusive radio buttons is one Tab stop (at the button that
// last had the focus; the arrow keys move within the group): its first
// button stands for the whole group, any other widget for itself.
inline QWidget* tabStopOf(QWidget* w) {
    auto* radio = qobject_cast<QRadioButton*>(w);
    if (!radio) return w;
    if (radio->group()) {
        if (radio->group()->exclusive()) return radio->group()->buttons().constFirst();
    } else if (radio->autoExclusive() && radio->parentWidget()) {
        for (auto* sibling : radio->parentWidget()->findChildren<QRadioButton*>(
                 QString(), Qt::FindDirectChildrenOnly))
            if (sibling->autoExclusive() && !sibling->group()) return sibling;
    }
    return w;
}

// Every control the window shows that is enabled, in no particular order.
inline QSet<QWidget*> visibleControls(QWidget* window) {
    QSet<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->window() == window && w->isVisibleTo(window) && w->isEnabled() &&
            isControl(w, window) && showsInside(w, window))
            controls.insert(tabStopOf(w));
    return controls;
}

// Class and text of widgets, for readable failure messages.
inline QString describe(const QList<QWidget*>& widgets) {
    QStringList names;
    for (QWidget* w : widgets) {
        auto* b = qobject_cast<QAbstractButton*>(w);
        names << QString::fromLatin1(w->metaObject()->className()) + u'(' +
                     (b ? b->text() + b->toolTip() : w->objectName()) + u')';
    }
    return names.join(QStringLiteral(", "));
}

// What a Tab walk got wrong: the visible controls it never reached and
// what it reached that is no visible control. Empty when it is right.
inline std::string tabWalkFaults(const QList<QWidget*>& walk, QWidget* window) {
    const QSet<QWidget*> controls = visibleControls(window);
    QSet<QWidget*> stops;
    for (QWidget* w : walk)
        stops.insert(tabStopOf(w));
    QList<QWidget*> missed, extra;
    for (QWidget* w : controls)
        if (!stops.contains(w)) missed << w;
    for (QWidget* w : stops)
        if (!controls.contains(w)) extra << w;
    if (missed.isEmpty() && extra.isEmpty()) return {};
    return QStringLiteral("not reached: [%1]; reached but no visible control: [%2]")
        .arg(describe(missed), describe(extra))
        .toStdString();
}

} // namespace testsupport
