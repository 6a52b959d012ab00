#include "platform/clock.h"
#include "platform/io_record.h"

#include <algorithm>

namespace tamo {

void FakeClock::RunIterations(std::uint64_t count) {
    ++waits_;
    iterations_ += count;
    // A wait of centuries stays a wait of centuries: the time saturates a long way below where the
    // nanosecond counter would wrap to the past, so that tests see how long it really was.
    const double ns = std::min(static_cast<double>(count) * ns_per_iteration_, kForeverNs);
    now_ns_ = std::min(now_ns_ + static_cast<std::int64_t>(ns), static_cast<std::int64_t>(2 * kForeverNs)) + stall_ns_;
    stall_ns_ = 0;
}

std::int64_t FakeClock::WaitUntil(std::int64_t deadline_ns) {
    now_ns_ = std::max(now_ns_, deadline_ns);
    return now_ns_;
}

void FakeClock::PeriodAsked(std::uint64_t count) {
    ++waits_;
    iterations_ += count;
}

} // namespace tamo
