#pragma once
// Whether the window system shows what lies under a window's transparent
// pixels. Where it does (a compositing X11 session, Wayland), a round
// window paints its own antialiased edge; elsewhere it needs a one-bit
// window mask, whose edge shows steps.
bool translucentWindowsShown();
// What the screen shows inside rect (global, device-independent
// coordinates), at the screen's full resolution; a null picture where
// the window system does not let programs read the screen (Wayland,
// off-screen).
class QPixmap;
class QRect;
QPixmap grabScreenArea(const QRect& rect);
