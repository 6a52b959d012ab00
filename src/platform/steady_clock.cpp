#include "platform/clock.h"
#include "platform/realtime.h"

#include <algorithm>
#include <ctime>
#include <sys/prctl.h>

namespace tamo {
namespace {

// A wait sleeps until shortly before its due time and spins the rest: a wake-up can come late, a
// spin cannot. At real-time priority the spin covers the wake-up lateness this thread has seen:
// twice the latest one that came later than that, at once, and a margin that shrinks slowly (by
// half in about 700 wakes) while the wake-ups come on time. Measured on a busy 2-core virtual
// machine at real-time priority (tamocnc-sim latency, stress-ng --cpu 2): a sleeping thread woke
// 27 us late in the median, 170 to 360 us in 99 % of the wakes, up to 4 ms in 99.9 %; a spin of
// three quarters of the wait (0.45 ms period) halved the ticks more than a tenth late (0.78 % to
// 0.44 %), where half the wait and at most 0.4 ms, the spin before, left them. The spin never takes
// more than three quarters of a wait, nor more than 2 ms: a thread that spins all the time runs
// into the kernel's real-time throttling (sched_rt_runtime_us, 0.95 s of every second), which then
// stops it for the rest of the second (measured: stalls of 54 to 210 ms when every wait was spun).
// Only a wait under 0.2 ms (5,000 steps per second) is too short to sleep in.
//
// At normal priority a long spin only spends the thread's share of the CPU, and the scheduler then
// runs the other programs in the middle of a wait (measured under stress-ng, bench/timing_bench
// --no-realtime: F1000 moves 44 to 59 % slow with the long spin, 36 to 42 % with the short one):
// the spin stays at half the wait, at most 0.4 ms.
constexpr double kSpinShare = 0.75;
constexpr std::int64_t kMaxSpinNs = 2'000'000;
constexpr std::int64_t kMinSpinNs = 20'000;
constexpr std::int64_t kPlainSpinNs = 400'000;
// Shorter sleeps are not worth the system call.
constexpr std::int64_t kMinSleepNs = 50'000;

std::int64_t ReadMonotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

// A thread at normal priority wakes up as late as its timer slack allows, 50 us by default; the
// step waits ask for none (measured under stress-ng --cpu 2: median wake-up 74 us late, 24 us with
// this). A real-time thread has none anyway. Only the constructing thread, the one that steps.
SteadyClock::SteadyClock() {
    (void)prctl(PR_SET_TIMERSLACK, 1UL);
}

double SteadyClock::ThrottledAboveStepRate(double runtime_share) {
    if (!(runtime_share > 0) || runtime_share >= 1) {
        return 0;
    }
    if (runtime_share > kSpinShare) {
        return 1e9 * (1 - kSpinShare) / static_cast<double>(kMinSleepNs); // only the waits spun whole
    }
    return 1e9 * runtime_share / static_cast<double>(kMaxSpinNs);
}

std::int64_t SteadyClock::NowNs() {
    return ReadMonotonic();
}

std::int64_t SteadyClock::WaitUntil(std::int64_t deadline_ns) {
    std::int64_t now = ReadMonotonic();
    const bool realtime = this->realtime() != nullptr && this->realtime()->active();
    const std::int64_t spin_ns =
        realtime ? std::min(spin_ns_, static_cast<std::int64_t>(kSpinShare * static_cast<double>(deadline_ns - now)))
                 : std::min(kPlainSpinNs, (deadline_ns - now) / 2);
    const std::int64_t wake_ns = deadline_ns - spin_ns;
    if (wake_ns - now >= kMinSleepNs) {
        timespec wake{};
        wake.tv_sec = static_cast<std::time_t>(wake_ns / 1'000'000'000);
        wake.tv_nsec = static_cast<long>(wake_ns % 1'000'000'000);
        // An interruption by a signal only ends the sleep early; the spin below does the rest.
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
        now = ReadMonotonic();
        const std::int64_t late_ns = now - wake_ns;
        spin_ns_ = 2 * late_ns > spin_ns_ ? std::min(2 * late_ns, kMaxSpinNs)
                                          : std::max(spin_ns_ - spin_ns_ / 1024, kMinSpinNs);
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
