#include "platform/clock.h"

#include <cmath>
#include <limits>

namespace tamo {

std::uint64_t BusyWaitIterations(double n) {
    if (!(n >= 0)) {
        return 0; // negative, or not a number
    }
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::uint64_t>::max() / 2);
    return n >= kMax ? static_cast<std::uint64_t>(kMax) : static_cast<std::uint64_t>(std::floor(n)) + 1;
}

void BusyWait(double n) {
    const std::uint64_t count = BusyWaitIterations(n);
    for (std::uint64_t i = 0; i < count; ++i) {
        asm volatile("" ::: "memory");
    }
}

void FakeClock::Wait(double iterations) {
    const std::uint64_t count = BusyWaitIterations(iterations);
    ++waits_;
    iterations_ += count;
    now_ns_ += static_cast<std::uint64_t>(static_cast<double>(count) * ns_per_iteration_);
}

} // namespace tamo
