#pragma once
// Whether the window system shows what lies under a window's transparent
// pixels. Where it does (a compositing X11 session, Wayland), a round
// window paints its own antialiased edge; elsewhere it needs a one-bit
// window mask, whose edge shows steps.
bool translucentWindowsShown();
