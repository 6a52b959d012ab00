#pragma once

#include <cstdint>
#include <limits>

namespace tamo {

class IoRecord;
class RealtimeRequest;

// The number of iterations a busy wait of n runs: floor(n) + 1 for n >= 0, none for n < 0 (or not
// a number). Every setting that counts time in busy-loop iterations (the pulse width, the step
// delay, the calibration) counts the iterations of one loop, SteadyClock's, which the optimizer may
// neither remove nor shorten.
[[nodiscard]] std::uint64_t BusyWaitIterations(double n);

// The longest any single wait of the machine runs before it comes back to its caller, whatever the
// settings say: a longer step period is held in slices, with the events let in between them, so
// that Pause, Exit and the window always answer within a few milliseconds.
inline constexpr std::int64_t kMaxWaitNs = 5'000'000;

// A time beyond this (about 30 years, in nanoseconds) is as good as never; times are held below it
// so that they stay clear of overflow.
inline constexpr double kForeverNs = 1e18;

// Time as the machine sees it: a millisecond counter for the speed test, the plain busy wait of the
// pulse width, and the deadlines of the step timing.
//
// Step timing contract. Each step write is due one period after the step before it, the period
// being the previous tick's StepDelay in busy-loop iterations at the iteration's duration measured
// once at start-up. The tick waits for its due time right before its step write, because the write
// is what the motor sees: whatever the tick did since the last step (the positions, the live dot,
// the switches, the yield with its repaint) is absorbed as long as it fits in the period. A tick
// that comes to its due time late is written at once and the chain is re-based on it: the next step
// is due one period after the late one, so no two steps ever come closer than their period and a
// delay is never made up in a burst. A long idle time (between moves, after a message) is such a
// lateness, so a move needs no start hook: its first step goes out at once.
//
// The tick loop's budget (measured on a 2-core desktop, tamocnc-sim latency): the wait ends within
// a few microseconds of the due time in 99.9 % of ticks when the thread runs at real-time priority;
// everything else in a tick costs well under one period at the fast jog rate.
class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    // Nanoseconds of a monotonic clock.
    [[nodiscard]] virtual std::int64_t NowNs() = 0;
    // Milliseconds; wraps like the 32-bit counter it stands for, so callers use differences only.
    [[nodiscard]] std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(NowNs() / 1'000'000); }

    // The plain busy wait (the pulse width): BusyWaitIterations(n), but never longer than kMaxWaitNs.
    void Wait(double iterations);

    // Waits for the due time of this tick's step, at most kMaxWaitNs. True when it has come (the
    // step is written now); false when the due time is further off, so that the caller can let the
    // events in and look at the stop request before it waits on.
    [[nodiscard]] bool AwaitStep();
    // Right after the step's rising write: a write that the system held up (an interrupt, a
    // preemption between the wait and the write) moves the next step's due time with it.
    void StepWritten();
    // The feed delay of the tick whose step was just written: the next step is due this many
    // busy-loop iterations (BusyWaitIterations(n)) after it.
    void NextStepAfter(double iterations);
    // The same in nanoseconds: the latency test's fixed period.
    void NextStepIn(std::int64_t period_ns);

    // When the last step was written, and how long after its due time.
    [[nodiscard]] std::int64_t last_step_ns() const { return step_ns_; }
    [[nodiscard]] std::int64_t last_lateness_ns() const { return lateness_ns_; }
    // When the last step was written on a clock that leaves out how late every step came: the time
    // the steps would have taken had none come late. It runs on by the periods alone, whatever the
    // PC did meanwhile.
    [[nodiscard]] std::int64_t last_step_time_ns() const { return step_ns_ - lateness_total_ns_; }

    // The duration of one busy-loop iteration, in nanoseconds; 0 until measured.
    [[nodiscard]] double ns_per_iteration() const { return ns_per_iteration_; }
    // Times the plain busy loop and keeps its fastest sample: a sample that the scheduler broke
    // into or a CPU still clocking up only runs slow, never fast. About 10 ms on a desktop.
    void MeasureIteration();
    // Nanoseconds of n busy-loop iterations (BusyWaitIterations(n)), capped at about 30 years.
    [[nodiscard]] std::int64_t IterationsNs(double n) const;

    // Moves ask for real-time scheduling through this; none (the default) leaves the thread alone.
    void set_realtime(RealtimeRequest* request) { realtime_ = request; }
    [[nodiscard]] RealtimeRequest* realtime() const { return realtime_; }
    // Every hold and period goes into this record too, in order with the port and the operator.
    void set_record(IoRecord* record) { record_ = record; }

protected:
    // Returns at or after deadline_ns, as close to it as it can; the time it returned.
    virtual std::int64_t WaitUntil(std::int64_t deadline_ns) = 0;
    // Runs count iterations of the busy loop.
    virtual void RunIterations(std::uint64_t count) = 0;
    // A tick asked for a period of count iterations.
    virtual void PeriodAsked(std::uint64_t /*count*/) {}
    void set_ns_per_iteration_measured(double ns) { ns_per_iteration_ = ns; }

private:
    double ns_per_iteration_ = 0;
    std::int64_t due_ns_ = 0;
    std::int64_t step_ns_ = 0;
    std::int64_t lateness_ns_ = 0;
    std::int64_t lateness_total_ns_ = 0;
    std::int64_t write_ns_ = std::numeric_limits<std::int64_t>::max(); // the quickest write seen
    RealtimeRequest* realtime_ = nullptr;
    IoRecord* record_ = nullptr;
};

// The real thing: the monotonic clock, the real busy loop, and a wait for a due time that sleeps
// through most of a long period and spins the rest.
class SteadyClock final : public Clock {
public:
    // Measures the busy loop's iteration (about 10 ms).
    SteadyClock();
    std::int64_t NowNs() override;

protected:
    std::int64_t WaitUntil(std::int64_t deadline_ns) override;
    void RunIterations(std::uint64_t count) override;
};

// Deterministic time for tests: nothing spins or sleeps. Every busy wait moves the clock on by a
// fixed cost per iteration, and a wait for a due time jumps to it. waits() and iterations() count
// the busy waits and the periods the ticks asked for.
class FakeClock final : public Clock {
public:
    std::int64_t NowNs() override { return now_ns_; }

    void Advance(std::uint64_t ms) { now_ns_ += static_cast<std::int64_t>(ms) * 1'000'000; }
    void AdvanceNs(std::int64_t ns) { now_ns_ += ns; }
    // The cost of one iteration, which is also what the start-up measurement finds.
    void set_ns_per_iteration(double ns) {
        ns_per_iteration_ = ns;
        set_ns_per_iteration_measured(ns);
    }
    // The next busy wait takes this much longer: the scheduler broke into it.
    void StallNextWait(std::int64_t ns) { stall_ns_ = ns; }
    [[nodiscard]] std::uint64_t waits() const { return waits_; }
    [[nodiscard]] std::uint64_t iterations() const { return iterations_; }

protected:
    std::int64_t WaitUntil(std::int64_t deadline_ns) override;
    void RunIterations(std::uint64_t count) override;
    void PeriodAsked(std::uint64_t count) override;

private:
    std::int64_t now_ns_ = 0;
    double ns_per_iteration_ = 0;
    std::int64_t stall_ns_ = 0;
    std::uint64_t waits_ = 0;
    std::uint64_t iterations_ = 0;
};

} // namespace tamo
