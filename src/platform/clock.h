#pragma once

#include <cstdint>

namespace tamo {

class IoRecord;
class RealtimeRequest;

// The number of iterations a busy wait of n runs: floor(n) + 1 for n >= 0, none for n < 0 (or not
// a number). Every setting that counts time in busy-loop iterations (the pulse width, the step
// delay) counts iterations of the calibration, whose duration the core gives the clock; only a
// first calibration looks at how fast this PC's own loop runs.
[[nodiscard]] std::uint64_t BusyWaitIterations(double n);

// The longest any single wait of the machine runs before it comes back to its caller, whatever the
// settings say: a longer step period is held in slices, with the events let in between them, so
// that Pause, Exit and the window always answer within a few milliseconds.
inline constexpr std::int64_t kMaxWaitNs = 5'000'000;

// A time beyond this (about 30 years, in nanoseconds) is as good as never; times are held below it
// so that they stay clear of overflow.
inline constexpr double kForeverNs = 1e18;

// Time as the machine sees it: a millisecond counter for the speed test and the status bar, and
// the deadlines of the step timing and of the pulse width.
//
// Step timing contract. Each step write is due one period after the step before it, the period
// being the previous tick's StepDelay in busy-loop iterations at the calibration's duration of an
// iteration (set_iteration_ns: the core gives it whenever it derives the calibration, so that a
// stored tamo.cfg gives the same periods on every start). The tick waits for its due time right
// before its step write, because the write is what the motor sees: whatever the tick did since the
// last step (the positions, the live dot, the switches, the yield with its repaint) is absorbed as
// long as it fits in the period. A tick that comes to its due time late is written at once and the
// chain is re-based on it: the next step is due one period after the late one, so no two steps
// ever come closer than their period and a delay is never made up in a burst. A long idle time
// (between moves, after a message) is such a lateness, so a move needs no start hook: its first
// step goes out at once.
//
// The tick loop's budget (measured on a busy 2-core virtual machine, tamocnc-sim latency and
// bench/timing_bench at F1000, real-time priority, stress-ng --cpu 2): the wait ends within
// 10 to 40 us of the due time in 99 % of ticks, within a few hundred in 99.9 %; the rest of a tick
// costs well under one period at the fast jog rate.
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

    // The pulse width: holds for BusyWaitIterations(n) iterations of the calibration, never longer
    // than kMaxWaitNs; no time at all without a calibration.
    void Wait(double iterations);

    // Waits for the due time of this tick's step, at most kMaxWaitNs. True when it has come (the
    // step is written now); false when the due time is further off, so that the caller can let the
    // events in and look at the stop request before it waits on.
    [[nodiscard]] bool AwaitStep();
    // Right after the step's rising write: the next step's due time counts from the write, so that
    // a write the system held up (an interrupt, a preemption between the wait and the write) moves
    // the next step with it.
    void StepWritten();
    // The feed delay of the tick whose step was just written: the next step is due this many
    // busy-loop iterations (BusyWaitIterations(n)) of the calibration after it.
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

    // The calibration: how long one busy-loop iteration lasts, in nanoseconds. 0 (no calibration):
    // every period and pulse lasts nothing, and the steps come as fast as the ticks do.
    // A duration beyond kForeverNs is held there; one that is not above 0 (or not a number) is none.
    void set_iteration_ns(double ns);
    [[nodiscard]] double iteration_ns() const { return iteration_ns_; }
    // Nanoseconds of n iterations of the calibration (BusyWaitIterations(n)), capped at about 30 years.
    [[nodiscard]] std::int64_t IterationsNs(double n) const;
    // How long one iteration of this PC's own busy loop lasts, in nanoseconds: the fastest of
    // many samples, since a sample the scheduler broke into or a CPU still clocking up only runs
    // slow. About 50 ms. Only a first calibration uses it, to count in the loop's own unit.
    [[nodiscard]] double MeasureBusyLoopNs();

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
    // A pulse width or a period of count iterations was asked for.
    virtual void IterationsAsked(std::uint64_t /*count*/) {}

private:
    double iteration_ns_ = 0;
    std::int64_t due_ns_ = 0;
    std::int64_t step_ns_ = 0;
    std::int64_t lateness_ns_ = 0;
    std::int64_t lateness_total_ns_ = 0;
    // Half the quickest pair of step writes seen so far (-1: none yet): about what the next step's
    // own direction write takes before its rising edge.
    std::int64_t write_ns_ = -1;
    RealtimeRequest* realtime_ = nullptr;
    IoRecord* record_ = nullptr;
};

// The real thing: the monotonic clock, the real busy loop, and a wait for a due time that sleeps
// through most of a period and spins the rest, as long as this thread's wake-ups have needed.
class SteadyClock final : public Clock {
public:
    // Sets the calling thread's timer slack to the least.
    SteadyClock();
    std::int64_t NowNs() override;

    // The step rate above which the waits would keep a real-time thread busy for more than this
    // share of the CPU (the kernel's sched_rt_runtime_us over sched_rt_period_us), so that the
    // kernel's throttling would stop it for the rest of each period; 0 when it never would.
    [[nodiscard]] static double ThrottledAboveStepRate(double runtime_share);

protected:
    std::int64_t WaitUntil(std::int64_t deadline_ns) override;
    void RunIterations(std::uint64_t count) override;

private:
    std::int64_t spin_ns_ = 200'000; // the spin before a due time: twice the wake-up lateness seen
};

// Deterministic time for tests: nothing spins or sleeps. A wait for a due time jumps to it, and
// the busy loop costs a fixed time per iteration. waits() and iterations() count the pulse widths
// and the periods the ticks asked for.
class FakeClock final : public Clock {
public:
    std::int64_t NowNs() override { return now_ns_; }

    void Advance(std::uint64_t ms) { now_ns_ += static_cast<std::int64_t>(ms) * 1'000'000; }
    void AdvanceNs(std::int64_t ns) { now_ns_ += ns; }
    // The PC's busy loop costs this much an iteration, and the iteration lasts as long until the
    // core derives a calibration.
    void set_ns_per_iteration(double ns) {
        loop_ns_ = ns;
        set_iteration_ns(ns);
    }
    [[nodiscard]] std::uint64_t waits() const { return waits_; }
    [[nodiscard]] std::uint64_t iterations() const { return iterations_; }

protected:
    std::int64_t WaitUntil(std::int64_t deadline_ns) override;
    void RunIterations(std::uint64_t count) override;
    void IterationsAsked(std::uint64_t count) override;

private:
    std::int64_t now_ns_ = 0;
    double loop_ns_ = 0;
    std::uint64_t waits_ = 0;
    std::uint64_t iterations_ = 0;
};

} // namespace tamo
