#pragma once

#include <cmath>

namespace tamo {

// pi as the machine has always computed it, 4 × arctan(1).
[[nodiscard]] inline double Pi() {
    return 4 * std::atan(1.0);
}

[[nodiscard]] inline int Sign(double value) {
    return (value > 0) - (value < 0);
}

// The arc cosine, except that -1 gives -pi rather than pi: the angle rules multiply it by the sign
// of the other offset, which for a point level with the centre has been replaced by this offset's
// own sign, so a point straight left of the centre comes out at +pi. The general form divides by
// zero at ±1, hence the two values given outright. Callers never pass |x| > 1.
[[nodiscard]] inline double ArcCos(double x) {
    if (x == -1) {
        return -Pi();
    }
    if (x == 1) {
        return 0;
    }
    return std::atan(-x / std::sqrt(1 - x * x)) + 2 * std::atan(1.0);
}

} // namespace tamo
