#include "platform/clock.h"

#include <algorithm>
#include <ctime>

namespace tamo {
namespace {

// A wait sleeps until shortly before its due time and spins the rest: a wake-up can come late, a
// spin cannot. The spin covers the wake-up latency of a thread at real-time priority (tens of
// microseconds on a desktop kernel, hundreds now and then on a busy virtual machine: tamocnc-sim
// latency), but never more than half the wait. Sleeping through the rest leaves the CPU to the
// desktop and keeps a real-time thread far below the kernel's real-time throttling, which would
// otherwise stop it for 50 ms of every second. Only a period under about 0.1 ms (10,000 steps per
// second) is too short to sleep in.
constexpr std::int64_t kMaxSpinNs = 400'000;
// Shorter sleeps are not worth the system call.
constexpr std::int64_t kMinSleepNs = 50'000;

std::int64_t ReadMonotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

std::int64_t SteadyClock::NowNs() {
    return ReadMonotonic();
}

std::int64_t SteadyClock::WaitUntil(std::int64_t deadline_ns) {
    std::int64_t now = ReadMonotonic();
    const std::int64_t wake_ns = deadline_ns - std::min(kMaxSpinNs, (deadline_ns - now) / 2);
    if (wake_ns - now >= kMinSleepNs) {
        timespec wake{};
        wake.tv_sec = static_cast<std::time_t>(wake_ns / 1'000'000'000);
        wake.tv_nsec = static_cast<long>(wake_ns % 1'000'000'000);
        // An interruption by a signal only ends the sleep early; the spin below does the rest.
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
        now = ReadMonotonic();
    }
    while (now < deadline_ns) {
        now = ReadMonotonic();
    }
    return now;
}

// The busy loop: an empty body that the optimizer must keep. Only a first calibration runs it, to
// count delays in this PC's own loop iterations.
void SteadyClock::RunIterations(std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        asm volatile("" ::: "memory");
    }
}

} // namespace tamo
