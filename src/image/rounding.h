#pragma once
// rnd: the nearest integer, an exact half going to the even neighbour,
// whatever the floating-point environment's rounding mode.
#include <cmath>
#include <cstdint>

namespace pix {

inline int64_t roundHalfEven(double x) {
    const double f = std::floor(x);
    const double d = x - f;
    if (d > 0.5) return int64_t(f) + 1;
    if (d < 0.5) return int64_t(f);
    return std::fmod(f, 2.0) == 0.0 ? int64_t(f) : int64_t(f) + 1;
}

}  // namespace pix
