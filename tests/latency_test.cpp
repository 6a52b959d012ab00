// The latency test's figures, on the fake clock: every tenth tick 20 us late, one 3 ms late; the
// check of the rate at its own period; and the verdict the operator reads from them.

#include "platform/latency_test.h"
#include "golden_rows.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace tamo {
namespace {

TEST(LatencyTest, LatenessFiguresLateShareAndTheStepRateTheyAllow) {
    FakeClock clock;
    clock.AdvanceNs(123'456'789); // idle before the test: not counted as lateness
    LatencyTest test(clock, 500'000, 1.0);
    int ticks = 0;
    while (test.Tick()) {
        ++ticks;
        clock.AdvanceNs(ticks % 10 == 0 ? test.tick_period_ns() + 20'000 : 0);
        clock.AdvanceNs(ticks == 1000 ? 3'000'000 : 0);
    }
    const LatencyReport report = test.Report();
    // 1600 periods of 0.5 ms in the four rounds at the asked period, less the 5.6 ms the late
    // ticks lost and the first tick, which only starts the test. The percentiles to the
    // histogram's 0.1 us.
    EXPECT_NEAR(static_cast<double>(report.ticks), 1589, 1);
    EXPECT_NEAR(report.median_us, 0, 0.15);
    EXPECT_NEAR(report.p99_us, 20, 0.15);
    EXPECT_NEAR(report.p999_us, 20, 0.15);
    EXPECT_EQ(report.max_us, 3020);
    EXPECT_DOUBLE_EQ(report.late_share, 1.0 / static_cast<double>(report.ticks)) << "more than 50 us late";
    EXPECT_NEAR(report.max_step_rate, 5000, 50) << "20 us is a tenth of 200 us";
    EXPECT_NEAR(report.seconds, 0.8, 0.001);
    // The last round at that rate's period: the same lateness, so it holds.
    EXPECT_NEAR(report.check_step_rate, 5000, 50);
    EXPECT_TRUE(report.check_held);
    EXPECT_NEAR(report.check_p99_us, 20, 0.15);
    EXPECT_NEAR(report.check_seconds, 0.2, 0.001);
    EXPECT_NEAR(static_cast<double>(report.check_ticks), 984, 2);
    // Under 1 us, 20 to 50 us and 2 to 5 ms.
    EXPECT_EQ(report.bins[0] + report.bins[5] + report.bins[11], report.ticks);
    EXPECT_EQ(report.bins[11], 1u);
    EXPECT_EQ(std::accumulate(report.bins.begin(), report.bins.end(), std::uint64_t{0}), report.ticks);
}

// Stalls of the PC come a few times a second at any period and no step rate avoids them: they
// are counted as late ticks, and the step rate comes from the other ticks while the stalls are
// rare, so that it is the same wherever in the test they fall and however many there are. The
// last round checks the rate at its own period, and lowers it where the ticks come later there.
TEST(LatencyTest, TheStepRateFollowsTheSteadyLatenessWhereverTheStallsFall) {
    for (const test::Row& c : test::GoldenRows("latency/stalls.txt")) {
        SCOPED_TRACE(c[0] + " us, " + c[1] + " stalls " + c[2] + ", checked " + c[3] + " us");
        const std::int64_t steady_ns = std::stoll(c[0]) * 1000;
        const int stalls = std::stoi(c[1]);
        const std::int64_t check_ns = std::stoll(c[3]) * 1000;
        // Tick numbers: the first second holds about 1,000 ticks, the fourth starts near 3,000.
        const int first = c[2] == "last" ? 3'200 : 101;
        const int every = c[2] == "spread" ? 3'800 / std::max(stalls, 1) : 3;
        FakeClock clock;
        LatencyTest test(clock, 1'000'000, 5.0);
        int tick = 0;
        int stalled = 0;
        while (test.Tick()) {
            ++tick;
            const bool check = test.tick_period_ns() != 1'000'000;
            const bool stall =
                !check && stalled < stalls && tick >= first && (tick - first) % every == 0 && tick % 50 != 0;
            stalled += stall ? 1 : 0;
            const std::int64_t late_ns = check             ? (tick % 50 == 0 ? check_ns : 0)
                                         : stall           ? 2'000'000
                                         : tick % 200 == 0 ? 4 * steady_ns
                                         : tick % 50 == 0  ? steady_ns
                                                           : 0;
            clock.AdvanceNs(late_ns > 0 ? test.tick_period_ns() + late_ns : 0);
        }
        ASSERT_EQ(stalled, stalls);
        const LatencyReport report = test.Report();
        // To the histogram's 0.1 us.
        EXPECT_NEAR(report.max_step_rate, std::stod(c[4]), std::stod(c[4]) / 90);
        EXPECT_NEAR(report.lowest_round_rate, std::stod(c[5]), std::stod(c[5]) / 90);
        EXPECT_NEAR(report.highest_round_rate, std::stod(c[6]), std::stod(c[6]) / 90);
        EXPECT_EQ(report.check_held, c[7] == "holds");
        EXPECT_EQ(report.late_ticks, static_cast<std::uint64_t>(stalls)) << "the steady lateness is within 100 us";
        EXPECT_NEAR(report.late_per_second, stalls / report.seconds, 0.01);
        EXPECT_EQ(report.bins[11], static_cast<std::uint64_t>(stalls)) << "2 to 5 ms";
    }
}

// The report states the spread of the rounds and the stalls apart from the rate.
TEST(LatencyTest, TheReportStatesTheRoundsAndTheStalls) {
    FakeClock clock;
    LatencyTest test(clock, 500'000, 5.0);
    int tick = 0;
    while (test.Tick()) {
        ++tick;
        const bool hiccup = tick > 2000 && tick <= 4000 && tick % 50 == 0;
        clock.AdvanceNs(hiccup ? 1'500'000 : tick % 10 == 0 ? test.tick_period_ns() + 10'000 : 0);
    }
    const std::string text = FormatLatencyReport(test.Report());
    for (const char* line :
         {"Late ticks (more than 10 % of the period): 0.506 %, 40 in 4.0 s (10.0 a second), the longest 1000.0 us",
          "Checked at 9901 steps/s (101 us) for 1.0 s: 99 % of 9803 ticks within 10.0 us, it holds",
          "Highest step rate with 99 % of the steps within 10 % of their period: 9901 steps/s (4 rounds of 1.0 s at "
          "500 us: 100 to 10000 steps/s)"}) {
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
}

// A rate above the asked period's stands only once checked at its own period: a test stopped
// before that gives the asked period's rate, which its ticks showed to hold.
TEST(LatencyTest, ATestStoppedBeforeItsCheckGivesTheAskedPeriodsRate) {
    FakeClock clock;
    LatencyTest test(clock, 1'000'000, 5.0);
    for (int tick = 0; tick < 2'500 && test.Tick(); ++tick) {
    }
    const LatencyReport report = test.Report();
    EXPECT_NEAR(report.highest_round_rate, 100000, 1) << "ticks on time allow any rate";
    EXPECT_EQ(report.max_step_rate, 1000);
    EXPECT_EQ(report.check_step_rate, 0);
}

// The kernel's throttling starts where the wait has no time left to sleep in: the period it needs
// is the wait's plus the tick's own work, which the test measures between the ticks.
TEST(LatencyTest, TheTicksOwnWorkLowersTheRateWhereTheThrottlingStarts) {
    FakeClock clock;
    LatencyTest test(clock, 500'000, 0.1, 5000);
    while (test.Tick()) {
        clock.AdvanceNs(50'000);
    }
    const LatencyReport report = test.Report();
    EXPECT_NEAR(report.tick_work_us, 50, 0.01);
    // The check ran at the rate where the throttling starts with that work, and the work fit in.
    EXPECT_NEAR(report.check_step_rate, 4000, 1);
    EXPECT_TRUE(report.check_held);
    EXPECT_NE(FormatLatencyReport(report).find("in 0.1 s, 50.0 us of work from a step to the next wait"),
              std::string::npos)
        << FormatLatencyReport(report);
    const StepDemand demand{0.0075, 1000, 100, "mm"};
    // A wait alone throttled above 5000 steps/s (200 us): with 50 us of work, above 4000.
    const LatencyVerdict verdict = JudgeLatency(report, demand, 5000);
    EXPECT_EQ(verdict.text, "This PC can drive up to 4000 steps/s, about 1800 mm/min on X with your settings.");
    EXPECT_NE(verdict.throttling.find("Above about 4000 steps/s"), std::string::npos) << verdict.throttling;
}

TEST(LatencyTest, TheVerdictInPlainWords) {
    const StepDemand demand{0.0075, 1000, 100, "mm"};
    for (const test::Row& c : test::GoldenRows("latency/verdicts.txt")) {
        SCOPED_TRACE(c[0]);
        LatencyReport report;
        report.ticks = 1000;
        report.max_step_rate = std::stod(c[0]);
        const LatencyVerdict verdict = JudgeLatency(report, demand, std::stod(c[1]));
        EXPECT_EQ(verdict.text, c[2]);
        EXPECT_EQ(verdict.warning.empty(), c[3] == "no") << verdict.warning;
        EXPECT_EQ(verdict.throttling.empty(), c[4] == "no") << verdict.throttling;
    }
    LatencyReport report;
    report.ticks = 1000;
    report.max_step_rate = 1000;
    EXPECT_EQ(JudgeLatency(report, demand, 0).warning,
              "The X fast jog rate of 1000 mm/min needs 2222 steps/s, more than this PC can drive: lower it to about "
              "450 mm/min, or close other programs and test again.");
    report.ticks = 0; // stopped before a tick was measured
    EXPECT_TRUE(JudgeLatency(report, demand, 0).too_late);
}

} // namespace
} // namespace tamo
