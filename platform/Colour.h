#pragma once
// Colours are 32-bit values with red in the low byte, then green, then blue;
// a set high byte marks a system colour (as the settings file stores them).
#include <QColor>
#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor rgbColor(int r, int g, int b) {
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int redOf(TColor c) { return int(c & 0xFF); }
constexpr int greenOf(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int blueOf(TColor c) { return int((c >> 16) & 0xFF); }
constexpr bool isSystemColor(TColor c) { return (c & 0xFF000000u) != 0; }

constexpr TColor clBlack = rgbColor(0, 0, 0);
constexpr TColor clWhite = rgbColor(255, 255, 255);
constexpr TColor clSilver = rgbColor(192, 192, 192);
constexpr TColor clGray = rgbColor(128, 128, 128);

// System colours have no meaning on this platform: they map to their
// nearest everyday equivalents (window text is black).
QColor toQColor(TColor c);
TColor fromQColor(const QColor& c);
