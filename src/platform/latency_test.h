#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tamo {

class Clock;
class Port;

// What a latency test may be asked for: at most an hour, a period from 1 µs to a second.
inline constexpr double kLatencyMaxSeconds = 3600;
inline constexpr double kLatencyMaxPeriodUs = 1e6;

// The step period of a jog rate, in µs: the default period of the test is that of the X fast jog
// rate. 0 when the rate gives no usable period.
[[nodiscard]] double StepPeriodUs(double units_per_step, double rate_per_minute);

// What the latency test found: how late the deadline loop's ticks came, in microseconds.
//
// Two things make a tick late, and they behave differently. The wait's own lateness (a wake-up
// after its spin has run out, an interrupt in the spin) comes at a few ticks in a hundred and
// decides how short a period can be. A stall of the PC (the hypervisor or the kernel taking the
// CPU for 0.1 to 10 ms) comes a few times a second, whatever the period: its share of the ticks
// falls as the period shortens, so no step rate avoids it, and a move simply stands still that
// long. The step rate is read from the 99th percentile of the ticks that came within the margin
// of the period, the stalls apart while they are at most one tick in a hundred; more than that,
// and the PC cannot hold the period, the rate is read from all ticks. Measured on a 2-core
// virtual machine, the 99.9th percentile of a ten-second test (about 11,000 ticks at 900 us) fell
// on the stalls and gave 22 to 4,200 steps/s from one round to the next; the 99th of all ticks
// followed the stalls' count once they came near one in a hundred, under the load of a build. The
// stalls are reported with the late ticks: how many, how often, the longest.
struct LatencyReport {
    // A tick is late when it comes more than this share of its period after its due time; the
    // highest step rate keeps kOnTimeShare of the ticks within it.
    static constexpr double kMargin = 0.1;
    static constexpr double kOnTimeShare = 0.99;
    // The histogram's bins: bin i holds the ticks later than edge i - 1 and less late than edge i,
    // in microseconds; the last one everything from the last edge on.
    static constexpr std::array<double, 13> kBinsUs{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};

    // The test runs in this many rounds of equal length, each at the asked period with a step rate
    // of its own: the lowest and the highest say how far the PC's timing moved during the test. The
    // rate of all their ticks together is the one checked in the last round (below), which then
    // has none of its own.
    static constexpr std::size_t kRounds = 5;

    std::int64_t period_ns = 0;
    double seconds = 0;
    std::uint64_t ticks = 0;
    double median_us = 0;
    double p99_us = 0;
    double p999_us = 0;
    double max_us = 0;
    double late_share = 0;                          // 0 to 1
    std::uint64_t late_ticks = 0;                   // the stalls: ticks more than kMargin of the period late
    double late_per_second = 0;                     // of them
    double tick_work_us = 0;                        // from a step to the next wait, on average
    double max_step_rate = 0;                       // steps per second: the rounds' rate, as the check left it
    std::array<double, kRounds> round_step_rates{}; // each round's, in the order run; 0 for one without ticks
    double lowest_round_rate = 0;
    double highest_round_rate = 0;
    std::array<std::uint64_t, kBinsUs.size() + 1> bins{};

    // The rate the rounds allow holds at the asked period, not always at its own: a shorter period
    // leaves the wait less time to spin through a late wake-up (measured under the load of a
    // build: 4,988 steps/s from ticks at 900 us, 919 to 1,116 from ticks at 201 us). When that rate
    // is above the asked period's, the last round runs at its period, and the rate stands only if
    // 99 % of those ticks keep within a tenth of it; otherwise the rate is the higher of the asked
    // period's and what the check's lateness allows. A test stopped before its check gives the
    // asked period's rate at the most. The figures above are the asked period's.
    double check_step_rate = 0; // the rate checked; 0 when none was (not above the asked one's, or stopped first)
    double check_seconds = 0;
    std::uint64_t check_ticks = 0;
    double check_p99_us = 0; // the steady lateness at that period
    bool check_held = false;
};

// The deadline loop of the moves: one tick per period, each waiting for its due time as a step
// does, its lateness counted. The caller runs it as a move runs, with a step's port traffic
// (LatencyTickWork) and the events in between the ticks, so that what it measures is what a step
// would see.
//
// Timing contract: a tick adds to its round's histogram and to the whole test's, and reads the
// clock once before its wait, for the work since the last step; nothing allocates after
// construction. The check leaves its first tick out.
class LatencyTest {
public:
    // throttled_above: the rate above which the wait alone would run into the kernel's real-time
    // throttling (SteadyClock::ThrottledAboveStepRate), 0 for never: the check goes no higher.
    LatencyTest(Clock& clock, std::int64_t period_ns, double seconds, double throttled_above = 0);

    // One tick, or one slice of a period longer than a wait may run. False once the time is up.
    [[nodiscard]] bool Tick();
    [[nodiscard]] LatencyReport Report() const;
    // The period of the ticks now: the asked one, or the check's.
    [[nodiscard]] std::int64_t tick_period_ns() const { return tick_period_ns_; }

private:
    void Count(std::int64_t lateness_ns);
    void StartCheck();

    Clock& clock_;
    std::int64_t period_ns_;
    std::int64_t length_ns_;
    std::int64_t start_ns_ = 0;
    std::int64_t end_ns_ = 0;
    bool started_ = false;
    bool waiting_ = false; // for the due time of the tick after the last step
    std::int64_t work_ns_ = 0;
    std::uint64_t work_ticks_ = 0;
    std::uint64_t ticks_ = 0;
    std::uint64_t late_ = 0;
    std::int64_t max_ns_ = 0;
    // 100 ns bins up to 1 ms, then 10 us bins up to 100 ms, then one for everything longer; one
    // set of bins per round, one after the other.
    std::vector<std::uint32_t> counts_;
    std::array<std::uint64_t, LatencyReport::kRounds> round_ticks_{};
    std::array<std::int64_t, LatencyReport::kRounds> round_max_ns_{};
    std::array<std::uint64_t, LatencyReport::kRounds> round_late_{};
    std::vector<std::uint32_t> all_; // the rounds' bins added up as they come
    double throttled_above_;
    std::int64_t tick_period_ns_;
    bool decided_ = false;
    bool checking_ = false;
    bool check_warmup_ = false; // the first check tick carries the work of starting it
    double check_rate_ = 0;
    std::int64_t check_start_ns_ = 0;
    std::vector<std::uint32_t> check_counts_;
    std::uint64_t check_ticks_ = 0;
    std::uint64_t check_late_ = 0;
    std::int64_t check_max_ns_ = 0;
};

// What a step's tick does at the port besides waiting, without a step: the data register written
// as the tick writes it (direction, then the step bits, here none, then direction again, with the
// pulse width between), and the status register read as the switch check reads it. `data` is what
// the data lines hold, so that nothing changes on them. Nothing when `port` is null (offline).
void LatencyTickWork(Port* port, Clock& clock, std::int16_t data, double pulse_width);

// The report in a few lines for the operator.
[[nodiscard]] std::string FormatLatencyReport(const LatencyReport& report);

// What the machine's settings ask of the step timing: the travel of an X step (every tick is timed
// by it) and the rates of X in length units a minute.
struct StepDemand {
    double units_per_step = 0;
    double fast_rate = 0; // the X fast jog rate: the rapids and the top of every feed
    double slow_rate = 0; // the X slow jog rate: the least the machine must be able to step at
    const char* unit = "mm";
};

// The latency test's answer in plain words.
struct LatencyVerdict {
    bool too_late = false;  // the PC cannot step even at the X slow jog rate
    double steps_per_s = 0; // the highest step rate, at most where throttling cuts in
    std::string text;       // "This PC can drive up to N steps/s, ..." or "Too late for stepping: ..."
    std::string warning;    // the fast jog rate asks for more than that; empty when it does not
    std::string throttling; // where the kernel's real-time throttling would cut in, when that is
                            // below what the PC or the settings reach; empty otherwise
};

// throttled_above: the step rate above which the step wait would run into the kernel's real-time
// throttling (SteadyClock::ThrottledAboveStepRate), 0 for never. That is the rate of the wait
// alone: a tick's own work (report.tick_work_us) lengthens the period it needs.
[[nodiscard]] LatencyVerdict JudgeLatency(const LatencyReport& report, const StepDemand& demand,
                                          double throttled_above);

} // namespace tamo
