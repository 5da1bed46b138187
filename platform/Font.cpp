#include "platform/Font.h"

#include <cstdlib>
#include <limits>

int mulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const long long magnitude =
        (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    const bool negative = (product < 0) != (c < 0);
    // As the platform's own: a result that does not fit gives -1.
    if (magnitude > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(negative ? -magnitude : magnitude);
}

TFont::TFont(const QString& name, int size, TFontStyles style, TColor color)
    : name_(name), style_(style), color_(color) {
    setSize(size);
}

int TFont::size() const {
    return -mulDiv(height_, 72, kScreenDpi);
}

void TFont::setSize(int points) {
    height_ = -mulDiv(points, kScreenDpi, 72);
}

int TFont::pixelSize() const {
    // The most negative height has no positive twin.
    if (height_ == std::numeric_limits<int>::min()) return std::numeric_limits<int>::max();
    return height_ < 0 ? -height_ : height_;
}
