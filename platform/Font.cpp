#include "platform/Font.h"

#include <cstdlib>

int mulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    const bool negative = (product < 0) != (c < 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

TFont::TFont(const QString& name, int size, TFontStyles style, TColor color)
    : name_(name), style_(style), color_(color) {
    setSize(size);
}

int TFont::size() const { return -mulDiv(height_, 72, kScreenDpi); }

void TFont::setSize(int points) { height_ = -mulDiv(points, kScreenDpi, 72); }

int TFont::pixelSize() const { return height_ < 0 ? -height_ : height_; }
