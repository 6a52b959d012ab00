#include "platform/latency_test.h"

#include "platform/clock.h"
#include "platform/port.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tamo {

double StepPeriodUs(double units_per_step, double rate_per_minute) {
    const double period_us = 60e6 * units_per_step / rate_per_minute;
    return std::isfinite(period_us) && period_us >= 1 && period_us <= kLatencyMaxPeriodUs ? period_us : 0;
}

namespace {

constexpr std::int64_t kFineNs = 100;
constexpr std::int64_t kFineEndNs = 1'000'000;
constexpr std::int64_t kCoarseNs = 10'000;
constexpr std::int64_t kCoarseEndNs = 100'000'000;
constexpr std::size_t kFineBins = kFineEndNs / kFineNs;
constexpr std::size_t kBins = kFineBins + (kCoarseEndNs - kFineEndNs) / kCoarseNs + 1;

std::size_t BinOf(std::int64_t ns) {
    if (ns < kFineEndNs) {
        return static_cast<std::size_t>(std::max<std::int64_t>(ns, 0) / kFineNs);
    }
    if (ns < kCoarseEndNs) {
        return kFineBins + static_cast<std::size_t>((ns - kFineEndNs) / kCoarseNs);
    }
    return kBins - 1;
}

// The upper end of a bin: a percentile never reads better than it was.
std::int64_t BinEndNs(std::size_t bin) {
    if (bin < kFineBins) {
        return static_cast<std::int64_t>(bin + 1) * kFineNs;
    }
    return kFineEndNs + static_cast<std::int64_t>(bin - kFineBins + 1) * kCoarseNs;
}

// The share-th percentile of the ticks in `counts`, at the upper end of its bin, at most `max_ns`.
double Percentile(const std::uint32_t* counts, std::uint64_t ticks, std::int64_t max_ns, double share) {
    const auto wanted = static_cast<std::uint64_t>(std::ceil(share * static_cast<double>(ticks)));
    std::uint64_t seen = 0;
    for (std::size_t bin = 0; bin < kBins; ++bin) {
        seen += counts[bin];
        if (seen >= wanted && seen > 0) {
            return static_cast<double>(std::min(BinEndNs(bin), max_ns)) / 1000;
        }
    }
    return static_cast<double>(max_ns) / 1000;
}

// The lateness the step rate is read from, of `ticks` of which `late` came later than the margin
// of the period: the 99th percentile of the others while they are at most one tick in a hundred
// (stalls, counted apart), of all of them when they are more (the PC cannot hold this period).
double SteadyLatenessUs(const std::uint32_t* counts, std::uint64_t ticks, std::uint64_t late, std::int64_t max_ns) {
    const bool rare = static_cast<double>(late) <= (1 - LatencyReport::kOnTimeShare) * static_cast<double>(ticks);
    // The late ticks are the latest ones: the others' percentile is a rank among all.
    const double rank = LatencyReport::kOnTimeShare * static_cast<double>(rare ? ticks - late : ticks);
    return Percentile(counts, ticks, max_ns, rank / static_cast<double>(ticks));
}

// The check runs only for a rate this much above the asked period's.
constexpr double kCheckAbove = 1.05;

// A period must be long enough that the on-time share of the ticks lands within the margin of it.
// Below a microsecond the three port writes of a tick take longer than the lateness they would
// allow.
double StepRateOf(double on_time_us) {
    return LatencyReport::kMargin / (std::max(on_time_us, 1.0) / 1e6);
}

} // namespace

void LatencyTickWork(Port* port, Clock& clock, std::int16_t data, double pulse_width) {
    if (port == nullptr) {
        return;
    }
    port->Out32(kDataRegister, data);
    port->Out32(kDataRegister, data);
    clock.Wait(pulse_width);
    port->Out32(kDataRegister, data);
    (void)port->Inp32(kStatusRegister);
}

LatencyTest::LatencyTest(Clock& clock, std::int64_t period_ns, double seconds, double throttled_above)
    : clock_(clock), period_ns_(std::max<std::int64_t>(period_ns, 1)),
      length_ns_(static_cast<std::int64_t>(std::max(seconds, 0.0) * 1e9)), counts_(kBins * LatencyReport::kRounds),
      all_(kBins), throttled_above_(throttled_above), tick_period_ns_(period_ns_), check_counts_(kBins) {}

bool LatencyTest::Tick() {
    if (started_ && !waiting_) {
        waiting_ = true;
        work_ns_ += clock_.NowNs() - clock_.last_step_ns();
        ++work_ticks_;
    }
    if (!clock_.AwaitStep()) {
        return true;
    }
    waiting_ = false;
    // The first tick comes after the idle time before the test: it is late by that, not by the PC.
    if (!started_) {
        started_ = true;
        start_ns_ = clock_.last_step_ns();
        end_ns_ = start_ns_ + length_ns_;
    } else {
        Count(clock_.last_lateness_ns());
    }
    clock_.NextStepIn(tick_period_ns_);
    return clock_.last_step_ns() < end_ns_;
}

void LatencyTest::Count(std::int64_t lateness_ns) {
    if (checking_) {
        if (check_warmup_) {
            check_warmup_ = false;
            return;
        }
        ++check_ticks_;
        ++check_counts_[BinOf(lateness_ns)];
        check_max_ns_ = std::max(check_max_ns_, lateness_ns);
        if (static_cast<double>(lateness_ns) > LatencyReport::kMargin * static_cast<double>(tick_period_ns_)) {
            ++check_late_;
        }
        return;
    }
    const std::int64_t into_ns = clock_.last_step_ns() - start_ns_;
    auto round =
        length_ns_ > 0
            ? static_cast<std::size_t>(std::clamp<std::int64_t>(
                  into_ns / std::max<std::int64_t>(length_ns_ / static_cast<std::int64_t>(LatencyReport::kRounds), 1),
                  0, static_cast<std::int64_t>(LatencyReport::kRounds) - 1))
            : 0;
    if (round == LatencyReport::kRounds - 1 && !decided_) {
        decided_ = true;
        StartCheck();
        if (checking_) {
            round -= 1; // this tick still came at the asked period
        }
    }
    ++ticks_;
    ++round_ticks_[round];
    const std::size_t bin = BinOf(lateness_ns);
    ++counts_[round * kBins + bin];
    ++all_[bin];
    max_ns_ = std::max(max_ns_, lateness_ns);
    round_max_ns_[round] = std::max(round_max_ns_[round], lateness_ns);
    if (static_cast<double>(lateness_ns) > LatencyReport::kMargin * static_cast<double>(period_ns_)) {
        ++late_;
        ++round_late_[round];
    }
}

// Once, at the start of the last round: the rate the rounds so far allow, held below the
// throttling with the work the ticks took, and a check at its period when it is above the asked
// period's.
void LatencyTest::StartCheck() {
    if (ticks_ == 0) {
        return;
    }
    double rate = StepRateOf(SteadyLatenessUs(all_.data(), ticks_, late_, max_ns_));
    if (throttled_above_ > 0) {
        const double work_s =
            work_ticks_ > 0 ? static_cast<double>(work_ns_) / static_cast<double>(work_ticks_) / 1e9 : 0;
        rate = std::min(rate, 1 / (1 / throttled_above_ + work_s));
    }
    // A check at nearly the asked period would tell nothing new.
    if (!(rate > kCheckAbove * 1e9 / static_cast<double>(period_ns_))) {
        return;
    }
    checking_ = true;
    check_warmup_ = true;
    check_rate_ = rate;
    check_start_ns_ = clock_.last_step_ns();
    tick_period_ns_ = std::max<std::int64_t>(std::llround(1e9 / rate), 1);
}

LatencyReport LatencyTest::Report() const {
    LatencyReport report;
    report.period_ns = period_ns_;
    const std::int64_t asked_end_ns = checking_ ? check_start_ns_ : clock_.last_step_ns();
    report.seconds = started_ ? static_cast<double>(asked_end_ns - start_ns_) / 1e9 : 0;
    report.ticks = ticks_;
    if (ticks_ == 0) {
        return report;
    }
    // All rounds together, for the figures and the histogram.
    const std::vector<std::uint32_t>& all = all_;
    report.median_us = Percentile(all.data(), ticks_, max_ns_, 0.5);
    report.p99_us = Percentile(all.data(), ticks_, max_ns_, 0.99);
    report.p999_us = Percentile(all.data(), ticks_, max_ns_, 0.999);
    report.max_us = static_cast<double>(max_ns_) / 1000;
    report.late_share = static_cast<double>(late_) / static_cast<double>(ticks_);
    report.late_ticks = late_;
    report.late_per_second = report.seconds > 0 ? static_cast<double>(late_) / report.seconds : 0;
    report.tick_work_us = static_cast<double>(work_ns_) / static_cast<double>(work_ticks_) / 1000;
    report.max_step_rate = StepRateOf(SteadyLatenessUs(all.data(), ticks_, late_, max_ns_));
    report.lowest_round_rate = std::numeric_limits<double>::infinity();
    for (std::size_t round = 0; round < LatencyReport::kRounds; ++round) {
        if (round_ticks_[round] == 0) {
            continue;
        }
        const double rate = StepRateOf(SteadyLatenessUs(counts_.data() + round * kBins, round_ticks_[round],
                                                        round_late_[round], round_max_ns_[round]));
        report.round_step_rates[round] = rate;
        report.lowest_round_rate = std::min(report.lowest_round_rate, rate);
        report.highest_round_rate = std::max(report.highest_round_rate, rate);
    }
    const double asked_rate = 1e9 / static_cast<double>(period_ns_);
    if (!checking_ || check_ticks_ == 0) {
        // Stopped before a check (or a rate hardly above the asked one's): only the asked
        // period's rate is known to hold.
        report.max_step_rate = std::min(report.max_step_rate, asked_rate);
    } else {
        report.check_step_rate = check_rate_;
        report.check_seconds = static_cast<double>(clock_.last_step_ns() - check_start_ns_) / 1e9;
        report.check_ticks = check_ticks_;
        report.check_p99_us = SteadyLatenessUs(check_counts_.data(), check_ticks_, check_late_, check_max_ns_);
        const double allowed = StepRateOf(report.check_p99_us);
        // The check's rate came from the same bins: equal to it is holding it.
        report.check_held = allowed >= check_rate_ * (1 - 1e-9);
        report.max_step_rate = report.check_held ? check_rate_ : std::max(asked_rate, allowed);
    }
    // The report's edges fall on the fine bins' edges, so each fine bin lies below one of them.
    for (std::size_t bin = 0; bin < kBins; ++bin) {
        const double start_us = static_cast<double>(BinEndNs(bin) - (bin < kFineBins ? kFineNs : kCoarseNs)) / 1000;
        const auto* slot = std::upper_bound(LatencyReport::kBinsUs.begin(), LatencyReport::kBinsUs.end(), start_us);
        report.bins[static_cast<std::size_t>(slot - LatencyReport::kBinsUs.begin())] += all[bin];
    }
    return report;
}

std::string FormatLatencyReport(const LatencyReport& report) {
    const auto rounds = static_cast<std::size_t>(
        std::count_if(report.round_step_rates.begin(), report.round_step_rates.end(), [](double r) { return r > 0; }));
    char text[1024];
    int used = std::snprintf(
        text, sizeof text,
        "%llu ticks of %.0f us in %.1f s, %.1f us of work from a step to the next wait\n"
        "Lateness: median %.1f us, 99 %% %.1f us, 99.9 %% %.1f us, max %.1f us\n"
        "Late ticks (more than %.0f %% of the period): %.3f %%, %llu in %.1f s (%.1f a second), the longest "
        "%.1f us\n",
        static_cast<unsigned long long>(report.ticks), static_cast<double>(report.period_ns) / 1000, report.seconds,
        report.tick_work_us, report.median_us, report.p99_us, report.p999_us, report.max_us,
        LatencyReport::kMargin * 100, report.late_share * 100, static_cast<unsigned long long>(report.late_ticks),
        report.seconds, report.late_per_second, report.late_ticks > 0 ? report.max_us : 0.0);
    if (report.check_step_rate > 0 && used > 0 && static_cast<std::size_t>(used) < sizeof text) {
        used += std::snprintf(
            text + used, sizeof text - static_cast<std::size_t>(used),
            "Checked at %.0f steps/s (%.0f us) for %.1f s: %.0f %% of %llu ticks within %.1f us, %s\n",
            report.check_step_rate, 1e6 / report.check_step_rate, report.check_seconds,
            LatencyReport::kOnTimeShare * 100, static_cast<unsigned long long>(report.check_ticks), report.check_p99_us,
            report.check_held ? "it holds" : "more than a tenth of the period: it does not hold");
    }
    if (used > 0 && static_cast<std::size_t>(used) < sizeof text) {
        std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used),
                      "Highest step rate with %.0f %% of the steps within %.0f %% of their period: %.0f steps/s (%zu "
                      "rounds of %.1f s at %.0f us: %.0f to %.0f steps/s)",
                      LatencyReport::kOnTimeShare * 100, LatencyReport::kMargin * 100, report.max_step_rate, rounds,
                      report.seconds / static_cast<double>(std::max<std::size_t>(rounds, 1)),
                      static_cast<double>(report.period_ns) / 1000, report.lowest_round_rate,
                      report.highest_round_rate);
    }
    return text;
}

LatencyVerdict JudgeLatency(const LatencyReport& report, const StepDemand& demand, double wait_throttled_above) {
    LatencyVerdict verdict;
    // The wait sleeps only when it has some time to spare beyond its spin, and the kernel counts
    // the tick's work as running time too: the throttling starts at the wait's shortest period
    // plus the work (measured at 200 us on a 2-core virtual machine: a wait of 200 us spun
    // whole, and the kernel stopped the steps for 54 ms in every second, at 202 us it did not).
    const double throttled_above =
        wait_throttled_above > 0 ? 1 / (1 / wait_throttled_above + std::max(report.tick_work_us, 0.0) / 1e6) : 0;
    verdict.steps_per_s = report.max_step_rate;
    if (throttled_above > 0 && throttled_above < verdict.steps_per_s) {
        verdict.steps_per_s = throttled_above;
    }
    // Steps a second of a rate: every tick is timed by the travel of an X step. The verdict is
    // often the rate of the test's own period, which is that of the fast jog rate to a nanosecond
    // (a microsecond in the window): it is enough for what asks no more than a thousandth above it.
    const auto steps_of = [&](double rate) {
        return rate / 60 / std::fabs(demand.units_per_step) / 1.001;
    };
    const double feed = verdict.steps_per_s * 60 * std::fabs(demand.units_per_step);
    char text[320];
    verdict.too_late = report.ticks == 0 || !(verdict.steps_per_s >= steps_of(demand.slow_rate));
    if (verdict.too_late) {
        verdict.text = "Too late for stepping: close other programs or allow real-time priority.";
    } else {
        std::snprintf(text, sizeof text,
                      "This PC can drive up to %.0f steps/s, about %.0f %s/min on X with your settings.",
                      verdict.steps_per_s, feed, demand.unit);
        verdict.text = text;
    }
    if (const double needed = demand.fast_rate / 60 / std::fabs(demand.units_per_step);
        steps_of(demand.fast_rate) > verdict.steps_per_s) {
        std::snprintf(text, sizeof text,
                      "The X fast jog rate of %g %s/min needs %.0f steps/s, more than this PC can drive: lower it to "
                      "about %.0f %s/min, or close other programs and test again.",
                      demand.fast_rate, demand.unit, needed, feed, demand.unit);
        verdict.warning = text;
    }
    // Only where it is what holds the PC or the settings back: the check goes no higher, so there
    // the rate is the throttling's own (from the work of four rounds, to about a percent).
    if (throttled_above > 0 &&
        (throttled_above < report.max_step_rate * 1.01 || throttled_above < steps_of(demand.fast_rate))) {
        std::snprintf(text, sizeof text,
                      "Above about %.0f steps/s the step wait would keep the CPU busy for longer than the kernel "
                      "lets a real-time thread run (sched_rt_runtime_us), and the kernel would stop the steps for "
                      "the rest of every second.",
                      throttled_above);
        verdict.throttling = text;
    }
    return verdict;
}

} // namespace tamo
