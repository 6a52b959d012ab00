#include "platform/clock.h"

#include <algorithm>

namespace tamo {

void FakeClock::RunIterations(std::uint64_t count) {
    // A loop of centuries stays a loop of centuries: the time saturates a long way below where the
    // nanosecond counter would wrap to the past.
    const double ns = std::min(static_cast<double>(count) * loop_ns_, kForeverNs);
    now_ns_ = std::min(now_ns_ + static_cast<std::int64_t>(ns), static_cast<std::int64_t>(2 * kForeverNs));
}

std::int64_t FakeClock::WaitUntil(std::int64_t deadline_ns) {
    now_ns_ = std::max(now_ns_, deadline_ns);
    return now_ns_;
}

void FakeClock::IterationsAsked(std::uint64_t count) {
    ++waits_;
    iterations_ += count;
}

} // namespace tamo
