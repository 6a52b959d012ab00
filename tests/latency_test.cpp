// The latency test's figures, on the fake clock: every tenth tick 20 us late, one 3 ms late; and
// the verdict the operator reads from them.

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
        clock.AdvanceNs(ticks % 10 == 0 ? 520'000 : 0);
        clock.AdvanceNs(ticks == 1000 ? 3'000'000 : 0);
    }
    const LatencyReport report = test.Report();
    // 2000 periods of 0.5 ms in the second, less the 7 ms the late ticks lost and the first tick,
    // which only starts the test. The percentiles to the histogram's 0.1 us.
    EXPECT_NEAR(static_cast<double>(report.ticks), 1986, 1);
    EXPECT_NEAR(report.median_us, 0, 0.15);
    EXPECT_NEAR(report.p99_us, 20, 0.15);
    EXPECT_NEAR(report.p999_us, 20, 0.15);
    EXPECT_EQ(report.max_us, 3020);
    EXPECT_DOUBLE_EQ(report.late_share, 1.0 / static_cast<double>(report.ticks)) << "more than 50 us late";
    EXPECT_NEAR(report.max_step_rate, 5000, 50) << "20 us is a tenth of 200 us";
    EXPECT_NEAR(report.seconds, 1.0, 0.001);
    // Under 1 us, 20 to 50 us and 2 to 5 ms.
    EXPECT_EQ(report.bins[0] + report.bins[5] + report.bins[11], report.ticks);
    EXPECT_EQ(report.bins[11], 1u);
    EXPECT_EQ(std::accumulate(report.bins.begin(), report.bins.end(), std::uint64_t{0}), report.ticks);
}

// One hiccup of the system (here a second in which one tick in fifty comes a millisecond late) no
// longer sets the verdict of a whole test: the test runs in rounds, the verdict takes the median
// round's rate, and the report states the lowest and the highest.
TEST(LatencyTest, OneBadRoundDoesNotSetTheVerdictAndTheSpreadIsStated) {
    FakeClock clock;
    LatencyTest test(clock, 500'000, 5.0);
    int ticks = 0;
    while (test.Tick()) {
        ++ticks;
        const bool hiccup = ticks > 2000 && ticks <= 4000 && ticks % 50 == 0;
        clock.AdvanceNs(hiccup ? 1'500'000 : ticks % 10 == 0 ? 510'000 : 0);
    }
    const LatencyReport report = test.Report();
    EXPECT_NEAR(report.p999_us, 1000, 1) << "all ticks together";
    EXPECT_NEAR(report.max_step_rate, 10000, 100) << "10 us is a tenth of 100 us";
    EXPECT_NEAR(report.lowest_round_rate, 100, 1);
    EXPECT_NEAR(report.highest_round_rate, 10000, 100);
    EXPECT_NE(FormatLatencyReport(report).find("10000 steps/s, the median of 5 rounds of 1.0 s (100 to 10000 steps/s)"),
              std::string::npos)
        << FormatLatencyReport(report);
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
