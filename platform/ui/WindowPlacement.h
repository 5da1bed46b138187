#pragma once
// The main window's stored position: X and Y of section "POSITION" of the
// settings file, -1 (or absent) meaning "leave it where it is".
class QWidget;
class TIniFile;

// Window systems that place windows themselves (Wayland) ignore positions
// set by the program; there we leave placement alone.
bool canPlaceWindows();

void centreOnScreen(QWidget& window);
// Moves the left and/or top edge to the stored values.
void applyStoredPosition(QWidget& window, const TIniFile& ini);
void storePosition(const QWidget& window, TIniFile& ini);
