#pragma once
// The main window's stored position: X and Y of section "POSITION" of the
// settings file, -1 (or absent) meaning "leave it where it is".
#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;
class TIniFile;

// Window systems that place windows themselves (Wayland) ignore positions
// set by the program; there we leave placement alone.
bool canPlaceWindows();

void centreOnScreen(QWidget& window);
// Where a window whose client area is client (with the frame's margins
// around it) goes so that all of it lies in available: as little moved as
// can be, its top-left corner kept in view first.
QPoint placeOnScreen(const QRect& client, const QMargins& frame, const QRect& available);
// Moves the left and/or top edge of the client area to the stored values,
// kept on the screen they fall on.
void applyStoredPosition(QWidget& window, const TIniFile& ini);
// Shrinks a window larger than its screen (at a large scale factor) and
// moves it so that all of it is on the screen.
void fitOnScreen(QWidget& window);
void storePosition(const QWidget& window, TIniFile& ini);
