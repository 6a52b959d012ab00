#include "motion/planner/planner.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

constexpr double kStep = 0.0075; // start-up travel per step on every axis

// The delay and tick counter of every tick, as StepPulse reports it.
struct Trace final : TickObserver {
    std::vector<double> delay;
    std::vector<int> ticks_left;
    void OnTick(const Cnc& cnc) override {
        delay.push_back(cnc.st.StepDelay);
        ticks_left.push_back(cnc.st.TicksLeft);
    }
};

// The step lines raised in each tick: the middle write of three minus the direction byte around it.
std::vector<int> StepBits(const SimulatedPort& port) {
    std::vector<int> bits;
    const auto& w = port.writes();
    for (std::size_t i = 0; i + 2 < w.size(); i += 3) {
        bits.push_back(w[i + 1].value - w[i].value);
    }
    return bits;
}

void MoveBySteps(TestMachine& m, double x, double y, double z) {
    m.st.TargetX = m.st.ProgPosX + x * kStep;
    m.st.TargetY = m.st.ProgPosY + y * kStep;
    m.st.TargetZ = m.st.ProgPosZ + z * kStep;
    m.cnc.LinearMove();
}

// Even spreading over the longest axis' ticks and the step bytes are pinned by the run golden
// traces; here the edges: the accumulators, the delays, the ramps and a stop.
TEST(LinearMove, ReciprocalShortfallAndAccumulatorsCarriedOver) {
    TestMachine m;
    MoveBySteps(m, 49, 0, 0);
    ASSERT_EQ(StepBits(m.port).size(), 50u); // 49 × (1/49) is just short of 1: the first tick has no step
    EXPECT_EQ(StepBits(m.port).front(), 0);

    // The next move starts with the fraction left over, so its first tick steps at once.
    m.port.clear();
    MoveBySteps(m, 49, 0, 0);
    EXPECT_EQ(StepBits(m.port).size(), 49u);
    EXPECT_EQ(StepBits(m.port).front(), 2);
    EXPECT_NEAR(m.st.ProgPosX, 98 * kStep, 1e-12);
}

TEST(LinearMove, DiagonalFeedIsScaledAndTheDelayRoundedHalfToEven) {
    TestMachine m;
    Trace trace;
    m.cnc.set_tick_observer(&trace);
    m.cnc.main.Check1 = kChecked; // no ramps on feed moves
    m.st.LoopCal = 60025;
    m.st.ProgFeed = 100;
    m.st.GCode = "G01";
    MoveBySteps(m, 10, 10, 0);
    EXPECT_EQ(m.st.FeedFactor, 0.5);
    EXPECT_EQ(m.cnc.main.Text2, "100");                    // the display shows the feed along the path
    EXPECT_EQ(trace.delay, std::vector<double>(10, 1200)); // 60025 / 50 = 1200.5
    EXPECT_EQ(StepBits(m.port), std::vector<int>(10, 10));
}

TEST(LinearMove, RampedRapidAcceleratesCruisesAndDecelerates) {
    TestMachine m;
    const IoRecord& record = m.Record();
    m.clock.set_ns_per_iteration(100);
    Trace trace;
    m.cnc.set_tick_observer(&trace);
    m.cnc.main.Check1 = kChecked; // constant contour on: a rapid ramps all the same
    m.st.LoopCal = 600000;        // cruise at 500: 1200; the slow jog rate 100 is the floor: 6000
    m.st.GCode = "G00";
    m.st.RapidMove = true;
    MoveBySteps(m, 200, 0, 0);
    const std::vector<double>& d = trace.delay;
    ASSERT_EQ(d.size(), 200u);
    // 90 degrees after 44 ticks of ramp; the cruise ends with the tick at TicksLeft 50.
    const auto cruise = std::find(d.begin(), d.end(), 1200.0);
    EXPECT_EQ(cruise - d.begin(), 44);
    EXPECT_EQ(std::count(d.begin(), d.end(), 1200.0), 106);
    EXPECT_EQ(trace.ticks_left[149], 50);
    EXPECT_TRUE(std::is_sorted(d.begin(), cruise, std::greater<>()));
    EXPECT_TRUE(std::is_sorted(cruise, d.end()));
    EXPECT_DOUBLE_EQ(d[150], 600000 / (std::sin(89 * std::atan(1.0) / 45) * 500));
    EXPECT_EQ(d.front(), 6000);
    EXPECT_EQ(std::vector<double>(d.end() - 5, d.end()), std::vector<double>(5, 6000));
    // What the motor sees: each step comes the delay of the tick before it after that tick's step.
    const std::vector<std::int64_t> edges = record.RisingEdges(2);
    ASSERT_EQ(edges.size(), 200u);
    for (std::size_t i = 1; i < edges.size(); ++i) {
        ASSERT_EQ(edges[i] - edges[i - 1], static_cast<std::int64_t>(BusyWaitIterations(d[i - 1])) * 100) << i;
    }
}

TEST(LinearMove, ConstantContourKeepsFeedMovesAtOneDelay) {
    for (const int check : {kChecked, kUnchecked}) {
        TestMachine m;
        Trace trace;
        m.cnc.set_tick_observer(&trace);
        m.cnc.main.Check1 = check;
        m.st.LoopCal = 600000;
        m.st.ProgFeed = 250;
        m.st.GCode = "G01";
        MoveBySteps(m, 0, 200, 0);
        const double ends = check == kChecked ? 2400 : 6000; // LoopCal / 250, or the floor
        EXPECT_EQ(std::tuple(trace.delay.size(), trace.delay.front(), trace.delay[99], trace.delay.back()),
                  std::tuple(200u, ends, 2400.0, ends));
    }
}

// A plunge below the slow jog rate runs at its own feed from the first tick to the last, ramps
// and all; at the slow jog rate itself nothing changes.
TEST(LinearMove, FeedsBelowTheSlowJogRateAreNeverRampedFaster) {
    for (const double feed : {20.0, 50.0, 100.0}) {
        TestMachine m;
        Trace trace;
        m.cnc.set_tick_observer(&trace);
        m.st.LoopCal = 600000;
        m.st.ProgFeed = feed;
        m.st.GCode = "G01";
        MoveBySteps(m, 0, 0, -120);
        EXPECT_EQ(trace.delay, std::vector<double>(120, 600000 / feed)) << feed;
    }
}

TEST(LinearMove, NothingToStepMeansNoTickButAFreshFeed) {
    TestMachine m;
    m.st.ProgFeed = 300;
    m.st.RampUpAngle = 40;
    m.st.RampDownAngle = 7;
    MoveBySteps(m, 0, 0, 0);
    EXPECT_EQ(m.cnc.main.Text2, "300");
    EXPECT_EQ(m.st.RampUpAngle, 0);
    EXPECT_EQ(m.st.RampDownAngle, 91);

    MoveBySteps(m, 0.4, -0.4, 0.5); // 0.5 rounds to the even 0
    EXPECT_EQ(m.op.yields(), 0u);
    EXPECT_TRUE(m.port.writes().empty());
    EXPECT_EQ(m.st.ProgPosX, 0);

    MoveBySteps(m, 0, 10, 5);
    EXPECT_EQ(m.st.StepsZ, 0); // a finished move leaves no Z count to limit a later feed
}

TEST(LinearMove, StopEndsTheTickAndASecondMoveFinishes) {
    TestMachine m;
    m.view.SetDrawWidth(3);
    m.cnc.main.Command7Enabled = false;
    m.st.GCode = "G01";
    m.op.OnYield([&](std::uint64_t n) { m.st.StopRequest = n == 10; });
    MoveBySteps(m, 100, 0, -20);
    EXPECT_EQ(StepBits(m.port).size(), 10u);
    EXPECT_TRUE(m.cnc.main.Command7Enabled);
    EXPECT_NEAR(m.st.ProgPosZ, -2 * kStep, 1e-12);
    EXPECT_EQ(std::tuple(m.st.ResumePosX, m.st.ResumePosZ, m.st.ResumeTargetX, m.st.ResumeTargetZ),
              std::tuple(m.st.ProgPosX, m.st.ProgPosZ, m.st.TargetX, m.st.TargetZ));
    EXPECT_EQ(std::tuple(m.st.ResumeDrawWidth, m.st.ResumeGCode, m.st.StepsZ), std::tuple(3, "G01", 0.0));

    m.st.StopRequest = false;
    m.st.ResumeMove = true;
    m.cnc.LinearMove();
    EXPECT_FALSE(m.st.ResumeMove);
    EXPECT_EQ(StepBits(m.port).size(), 100u);
    EXPECT_NEAR(m.st.ProgPosX, 100 * kStep, 1e-12);
    EXPECT_NEAR(m.st.ProgPosZ, -20 * kStep, 1e-12);

    // A request that stands when a move begins still lets its first tick out.
    m.port.clear();
    m.op.OnYield(nullptr);
    m.st.StopRequest = true;
    MoveBySteps(m, 5, 0, 0);
    EXPECT_EQ(StepBits(m.port), (std::vector<int>{2}));
}

TEST(LinearMove, UnusableStepCountsNeitherHangNorMisbehave) {
    TestMachine m;
    m.st.UnitsPerStepY = 0; // a lead of 0: the axis cannot be stepped
    m.st.TargetX = 3 * kStep;
    m.st.TargetY = 5;
    m.cnc.LinearMove();
    EXPECT_EQ(m.st.StepsY, 0);
    EXPECT_EQ(m.st.FeedFactor, 1);
    EXPECT_EQ(StepBits(m.port), (std::vector<int>{2, 2, 2}));

    // A move longer than any tick counter: it runs until stopped, like any other.
    m.port.clear();
    m.st.UnitsPerStepY = kStep;
    m.op.OnYield([&](std::uint64_t n) { m.st.StopRequest = n == 7; });
    m.st.TargetY = 0;
    m.st.TargetX = 1e300;
    m.cnc.LinearMove();
    EXPECT_EQ(StepBits(m.port).size(), 4u);
    EXPECT_EQ(m.st.TicksLeft, INT_MAX);
}

// However many blocks the look-ahead holds, the machine can come to rest by the end of the last one:
// the next block, not yet read, may need a stop.
TEST(LinearMove, TheLookAheadCanAlwaysStopByTheEndOfWhatItHolds) {
    planner::Planner queue;
    queue.set_limits({{100, 100, 100}, {50, 50, 50}, 0.01});
    for (const auto& [from, to] : {std::pair(0.0, 10.0), std::pair(10.0, 11.0)}) {
        planner::Block block;
        block.start = {from, 0, 0};
        block.end = {to, 0, 0};
        block.feed = 50;
        ASSERT_TRUE(queue.Add(block));
    }
    const planner::Block& last = queue.At(1);
    EXPECT_LE(last.entry, std::sqrt(2 * last.accel * last.length) + 1e-9);
}

} // namespace
} // namespace tamo
