// The plain busy loop: the unit of every delay setting, its bounded wait, and the start-up
// measurement of how long one iteration lasts.

#include "platform/clock.h"
#include "platform/io_record.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tamo {
namespace {

// A sample of the loop must last long enough that the two clock reads around it do not count.
constexpr std::int64_t kSampleNs = 1'000'000;
constexpr int kSamples = 8;
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

void Clock::Wait(double iterations) {
    std::uint64_t count = BusyWaitIterations(iterations);
    if (ns_per_iteration_ > 0) {
        count = std::min(count, static_cast<std::uint64_t>(static_cast<double>(kMaxWaitNs) / ns_per_iteration_));
    }
    const std::int64_t began = record_ != nullptr ? NowNs() : 0;
    RunIterations(count);
    if (record_ != nullptr) {
        record_->Wait(count, NowNs() - began);
    }
}

std::int64_t Clock::IterationsNs(double n) const {
    const double ns = static_cast<double>(BusyWaitIterations(n)) * ns_per_iteration_;
    return static_cast<std::int64_t>(std::min(ns, kForeverNs));
}

void Clock::MeasureIteration() {
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
    ns_per_iteration_ = best / static_cast<double>(BusyWaitIterations(iterations));
}

} // namespace tamo
