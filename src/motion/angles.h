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

} // namespace tamo
