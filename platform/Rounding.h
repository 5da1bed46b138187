#pragma once
// Layout arithmetic rounds halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4), as the page formulas were designed with.
#include <cmath>

inline int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}
