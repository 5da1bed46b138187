#pragma once
// The 32 by 32 pictures of the next-line indicator (the picture list the
// canvas draws from): 0 a bent arrow, 1 a hook arrow, 2 a chevron pair,
// 3 a down-right arrow, 4 a continuation mark. Opaque, on white, because
// printing copies them onto the page as they are.
#include <QImage>

constexpr int kIndicatorPictureSize = 32;

int indicatorPictureCount();
// A null image when index is outside 0 .. indicatorPictureCount() - 1.
QImage indicatorPicture(int index);
