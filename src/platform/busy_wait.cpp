// Busy-loop iterations as the unit of every delay setting: their count, their duration under the
// calibration, the pulse-width hold, and the measurement of this PC's own loop for a first
// calibration.

#include "platform/clock.h"
#include "platform/io_record.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tamo {
namespace {

// A sample of the loop must last long enough that the two clock reads around it do not count.
constexpr std::int64_t kSampleNs = 1'000'000;
// Fifty samples of a millisecond: the CPU has clocked up long before the last of them.
constexpr int kSamples = 50;
// A clock that never moves (a fake one at no cost per iteration) ends the growing here.
constexpr double kMaxSampleIterations = 1e10;

} // namespace

std::uint64_t BusyWaitIterations(double n) {
    if (!(n >= 0)) {
        return 0; // negative, or not a number
    }
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::uint64_t>::max() / 2);
    return n >= kMax ? static_cast<std::uint64_t>(kMax) : static_cast<std::uint64_t>(std::floor(n)) + 1;
}

void Clock::set_iteration_ns(double ns) {
    iteration_ns_ = ns > 0 ? std::min(ns, kForeverNs) : 0;
}

// The pulse width is held on the clock like a period, not counted out on the loop: it then lasts
// what the calibration says on every PC and at every CPU clock, and never less. A wait of a few
// iterations costs the two clock reads (tens of nanoseconds), far less than one port write.
void Clock::Wait(double iterations) {
    std::uint64_t count = BusyWaitIterations(iterations);
    if (iteration_ns_ > 0) {
        count = std::min(count, static_cast<std::uint64_t>(static_cast<double>(kMaxWaitNs) / iteration_ns_));
    }
    IterationsAsked(count);
    const std::int64_t began = NowNs();
    const double ns = std::min(static_cast<double>(count) * iteration_ns_, kForeverNs);
    const std::int64_t ended = WaitUntil(began + static_cast<std::int64_t>(ns));
    if (record_ != nullptr) {
        record_->Wait(count, ended - began);
    }
}

std::int64_t Clock::IterationsNs(double n) const {
    const double ns = static_cast<double>(BusyWaitIterations(n)) * iteration_ns_;
    return static_cast<std::int64_t>(std::min(ns, kForeverNs));
}

double Clock::MeasureBusyLoopNs() {
    double iterations = 1 << 16;
    std::int64_t ns = 0;
    while (ns < kSampleNs && iterations < kMaxSampleIterations) {
        iterations *= 2;
        const std::int64_t t0 = NowNs();
        RunIterations(BusyWaitIterations(iterations));
        ns = NowNs() - t0;
    }
    double best = static_cast<double>(ns);
    for (int i = 0; i < kSamples; ++i) {
        const std::int64_t t0 = NowNs();
        RunIterations(BusyWaitIterations(iterations));
        best = std::min(best, static_cast<double>(NowNs() - t0));
    }
    return best / static_cast<double>(BusyWaitIterations(iterations));
}

} // namespace tamo
