// The latency test's figures, on the fake clock: every tenth tick 20 us late, one 3 ms late.

#include "platform/latency_test.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <numeric>

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

} // namespace
} // namespace tamo
